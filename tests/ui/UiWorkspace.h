#pragma once
// A private copy of the demo workspace for a widget test, removed afterwards.

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <QTemporaryDir>

namespace velmora {

class UiWorkspace {
public:
    UiWorkspace() {
        if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
        const char* source = std::getenv("VELMORA_SOURCE_DIR");
        path_ = std::filesystem::path(dir_.path().toStdString()) / "workspace";
        if (source != nullptr) {
            std::filesystem::copy(std::filesystem::path(source) / "demo", path_,
                                  std::filesystem::copy_options::recursive);
        } else {
            std::filesystem::create_directories(path_);
        }
    }
    const std::filesystem::path& path() const { return path_; }

private:
    QTemporaryDir dir_;
    std::filesystem::path path_;
};

}  // namespace velmora
