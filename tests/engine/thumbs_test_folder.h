#pragma once
// A scratch folder for the thumbnail tests, removed afterwards, and a stand-in decoder that
// reads "WIDTHxHEIGHT" text files (so producer and cache tests run without codecs).

#include <sys/stat.h>
#include <sys/time.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/core/error.h"
#include "engine/thumbs/thumbnail_scale.h"

namespace ximora::engine::test {

class TestFolder {
  public:
    TestFolder() {
        static std::atomic<int> serial{0};
        path_ = std::filesystem::temp_directory_path() /
                ("ximora-thumbs-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(path_);
    }
    ~TestFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    void write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ / name, std::ios::binary) << content;
    }
    /// Sets the modification time to `seconds` after 1970.
    void touch(const std::string& name, long seconds) const {
        const timeval times[2] = {{seconds, 0}, {seconds, 0}};
        ::utimes(file(name).c_str(), times);
    }

  private:
    std::filesystem::path path_;
};

/// Decodes a text file "WxH" into a grey image of that size; "broken" fails with error 17.
inline bool makeTextThumbnail(const std::string& path, int size, Image& thumb) {
    std::ifstream in(path);
    if (!in) return fail(kErrFileNotFound);
    int w = 0, h = 0;
    char x = 0;
    if (!(in >> w >> x >> h) || x != 'x') return fail(kErrFileBroken);
    Image image;
    if (!image.allocate(w, h, 24)) return false;
    for (int y = 0; y < h; ++y)
        for (size_t i = 0; i < size_t(w) * 3; ++i) image.row(y)[i] = uint8_t(y * 7 + i);
    return makeThumbnail(image, size, thumb);
}

}  // namespace ximora::engine::test
