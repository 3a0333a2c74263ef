#include "scene/ui/SceneBackground.h"

#include <system_error>
#include <utility>

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
    const std::filesystem::path given = direct.is_absolute() ? direct : workspace.root() / direct;
    if (IsFile(given)) return given;
    // A path written by the Windows program ("D:\\show\\Model\\bg.bmp"):
    // only its file part means anything here.
    for (const std::filesystem::path& dir : {workspace.root(), workspace.AssetDir("Model")}) {
        const std::filesystem::path found = ResolveStored(dir, stored);
        if (IsFile(found)) return found;
    }
    return std::nullopt;
}

QImage ReadBackgroundImage(const Workspace& workspace, const std::string& stored, QSize size) {
    const auto file = FindBackgroundFile(workspace, stored);
    if (!file || size.isEmpty()) return {};
    QImageReader reader(QString::fromStdString(file->string()));
    reader.setDecideFormatFromContent(true);
    // Decoded straight to the canvas size where the format can (JPEG does);
    // other formats are decoded whole first, which Qt's allocation limit
    // bounds: a picture too large for it is refused, not read.
    if (reader.canRead() && reader.size().isValid()) reader.setScaledSize(size);
    QImage image = reader.read();
    if (image.isNull()) return {};
    if (image.size() != size) image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

std::uint64_t SceneBackground::Begin(const std::string& stored, QSize size) {
    if (stored != stored_) pixmap_ = QPixmap();
    stored_ = stored;
    size_ = size;
    reading_ = true;
    return ++ticket_;
}

bool SceneBackground::Finish(std::uint64_t ticket, QImage image) {
    if (ticket != ticket_) return false;
    reading_ = false;
    failed_ = !stored_.empty() && image.isNull();
    if (!stored_.empty()) ++reads_;
    pixmap_ = image.isNull() ? QPixmap() : QPixmap::fromImage(std::move(image));
    return true;
}

}  // namespace velmora
