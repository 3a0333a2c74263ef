#include "media/ListRows.h"

#include "app/Workspace.h"

namespace velmora {

std::string ListEntryName(std::string_view path) {
    return StoredFileName(path);
}

}  // namespace velmora
