#pragma once
// The picture under the scene canvas, read once per path and canvas size
// and kept as a pixmap of exactly that size, so a repaint only copies it.
// Decoding a large picture takes a good part of a second, so it runs on a
// worker thread; the canvas keeps drawing the previous picture (stretched)
// or none until the new one arrives. It is read scaled while decoding
// (QImageReader::setScaledSize) under Qt's allocation limit, so a 20000 x
// 20000 picture neither exhausts memory nor crashes: it is read at the
// canvas size or refused as unreadable.
//
// Thread contract: ReadBackgroundImage on any thread (it only reads files);
// SceneBackground on the UI thread.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include <QImage>
#include <QPixmap>
#include <QSize>

namespace velmora {

class Workspace;

// Where a stored BGBMP names a file: the path itself when it exists, else its
// file part (after the last '\' or '/') in the workspace or in its "Model"
// folder, found case-insensitively. nullopt when none of these exists.
std::optional<std::filesystem::path> FindBackgroundFile(const Workspace& workspace, const std::string& stored);

// The picture `stored` names, at exactly `size`; a null image when it is
// missing or cannot be read.
QImage ReadBackgroundImage(const Workspace& workspace, const std::string& stored, QSize size);

class SceneBackground {
public:
    // Whether the picture for (stored, size) is neither here nor being read.
    bool NeedsRead(const std::string& stored, QSize size) const { return stored != stored_ || size != size_; }
    // A read of (stored, size) begins; its ticket identifies its result. A
    // new path drops the old picture at once; a new size keeps it until
    // the new one is there.
    std::uint64_t Begin(const std::string& stored, QSize size);
    // The read with `ticket` ended with `image` (null: unreadable). False,
    // changing nothing, for a read that a later Begin made stale.
    bool Finish(std::uint64_t ticket, QImage image);

    const QPixmap& pixmap() const { return pixmap_; }
    const std::string& stored() const { return stored_; }
    bool reading() const { return reading_; }
    // The last finished read of a set path failed.
    bool failed() const { return failed_; }
    // How many times a picture was read (the cache check).
    int reads() const { return reads_; }

private:
    std::string stored_;
    QSize size_;
    std::uint64_t ticket_ = 0;
    bool reading_ = false;
    bool failed_ = false;
    QPixmap pixmap_;
    int reads_ = 0;
};

}  // namespace velmora
