#pragma once
// The picture under the scene canvas, read once per path and canvas size
// and kept as a pixmap of exactly that size, so a repaint only copies it. It
// is read scaled while decoding (QImageReader::setScaledSize) under Qt's
// allocation limit, so a 20000 x 20000 picture neither exhausts memory nor
// crashes: it is read at the canvas size or refused as unreadable.
//
// Thread contract: UI thread.

#include <filesystem>
#include <optional>
#include <string>

#include <QPixmap>
#include <QSize>
#include <QString>

namespace velmora {

class Workspace;

// Where a stored BGBMP names a file: the path itself when it exists, else its
// file part (after the last '\' or '/') in the workspace or in its "Model"
// folder, found case-insensitively. nullopt when none of these exists.
std::optional<std::filesystem::path> FindBackgroundFile(const Workspace& workspace, const std::string& stored);

class SceneBackground {
public:
    // Reads the picture for `stored` at `size` (device pixels) unless the
    // pixmap already is that one. False when a set path could not be read;
    // the pixmap is then empty.
    bool Load(const Workspace& workspace, const std::string& stored, QSize size);
    const QPixmap& pixmap() const { return pixmap_; }
    const std::string& stored() const { return stored_; }
    // How many times a picture was decoded (the cache check).
    int reads() const { return reads_; }

private:
    std::string stored_;
    QSize size_;
    bool failed_ = false;
    QPixmap pixmap_;
    int reads_ = 0;
};

}  // namespace velmora
