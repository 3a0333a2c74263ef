#include "scene/ui/SceneBackground.h"

#include <system_error>

#include <QImage>
#include <QImageReader>

#include "app/Workspace.h"

namespace velmora {

namespace {

bool IsFile(const std::filesystem::path& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::optional<std::filesystem::path> FindBackgroundFile(const Workspace& workspace, const std::string& stored) {
    if (stored.empty()) return std::nullopt;
    const std::filesystem::path direct(stored);
    if (IsFile(direct.is_absolute() ? direct : workspace.root() / direct))
        return direct.is_absolute() ? direct : workspace.root() / direct;
    // A path written by the Windows program ("D:\\show\\Model\\bg.bmp"):
    // only its file part means anything here.
    for (const std::filesystem::path& dir : {workspace.root(), workspace.AssetDir("Model")}) {
        const std::filesystem::path found = ResolveStored(dir, stored);
        if (IsFile(found)) return found;
    }
    return std::nullopt;
}

bool SceneBackground::Load(const Workspace& workspace, const std::string& stored, QSize size) {
    if (stored == stored_ && size == size_) return !failed_;
    stored_ = stored;
    size_ = size;
    failed_ = false;
    pixmap_ = QPixmap();
    if (stored.empty() || size.isEmpty()) return true;

    const auto file = FindBackgroundFile(workspace, stored);
    if (!file) {
        failed_ = true;
        return false;
    }
    ++reads_;
    QImageReader reader(QString::fromStdString(file->string()));
    reader.setDecideFormatFromContent(true);
    // Decoded straight to the canvas size where the format can (JPEG does);
    // other formats are decoded whole first, which Qt's allocation limit
    // bounds: a picture too large for it is refused, not read.
    if (reader.canRead() && reader.size().isValid()) reader.setScaledSize(size);
    QImage image = reader.read();
    if (image.isNull()) {
        failed_ = true;
        return false;
    }
    if (image.size() != size) image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    pixmap_ = QPixmap::fromImage(std::move(image));
    return true;
}

}  // namespace velmora
