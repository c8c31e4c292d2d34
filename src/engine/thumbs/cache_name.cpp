#include "engine/thumbs/cache_name.h"

#include <cstdio>

namespace ximora::engine {
namespace {

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

std::string normalisedFolder(std::string_view folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
    return std::string(folder);
}

std::string encodeCacheFolder(std::string_view folder) {
    std::string encoded = normalisedFolder(folder);
    replaceAll(encoded, ":/", "~~");
    replaceAll(encoded, "/", "~");
    return encoded;
}

std::string cacheSizeText(int size) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", size);
    return text;
}

std::string centralCacheFile(std::string_view userDataFolder, std::string_view folder, int size) {
    std::string name(userDataFolder);
    if (name.empty() || name.back() != '/') name += '/';
    return name + "Thumb/" + encodeCacheFolder(folder) + "~" + cacheSizeText(size) + ".Dat";
}

std::string besideCacheFile(std::string_view folder, int size) {
    std::string name = normalisedFolder(folder);
    if (name != "/") name += '/';
    return name + "Thmb" + cacheSizeText(size) + ".Dat";
}

std::string cacheFileFor(bool beside, std::string_view userDataFolder, std::string_view folder,
                         int size) {
    return beside ? besideCacheFile(folder, size) : centralCacheFile(userDataFolder, folder, size);
}

}  // namespace ximora::engine
