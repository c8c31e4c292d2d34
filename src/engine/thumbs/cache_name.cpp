#include "engine/thumbs/cache_name.h"

#include <cstdio>

#include "engine/thumbs/thumbnail_cache.h"

namespace ximora::engine {
namespace {

// A file name's longest length on the file systems the program meets (NAME_MAX), and how much
// of the encoded folder an alternate name keeps.
constexpr size_t kLongestName = 255, kKeptBytes = 150;

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

std::string alternateCacheFile(std::string_view userDataFolder, std::string_view folder, int size) {
    const std::string key = normalisedFolder(folder);
    uint64_t hash = 0xCBF29CE484222325u;  // FNV-1a
    for (char c : key) hash = (hash ^ uint8_t(c)) * 0x100000001B3u;
    std::string encoded = encodeCacheFolder(key);
    if (encoded.size() > kKeptBytes) {
        size_t cut = kKeptBytes;
        while (cut > 0 && (uint8_t(encoded[cut]) & 0xC0) == 0x80) --cut;  // whole characters
        encoded.resize(cut);
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    std::string name(userDataFolder);
    if (name.empty() || name.back() != '/') name += '/';
    return name + "Thumb/" + encoded + "~#" + hex + "~" + cacheSizeText(size) + ".Dat";
}

std::string cacheFileFor(bool beside, std::string_view userDataFolder, std::string_view folder,
                         int size) {
    if (beside) return besideCacheFile(folder, size);
    const std::string central = centralCacheFile(userDataFolder, folder, size);
    const size_t slash = central.rfind('/');
    if (central.size() - slash - 1 > kLongestName)
        return alternateCacheFile(userDataFolder, folder, size);
    std::string recorded;
    if (recordedCacheFolder(central, recorded) && recorded != normalisedFolder(folder))
        return alternateCacheFile(userDataFolder, folder, size);
    return central;
}

std::string cacheFileFolder(const std::string& path) {
    std::string recorded;
    if (recordedCacheFolder(path, recorded) && !recorded.empty()) return recorded;
    const size_t slash = path.rfind('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    constexpr size_t kSizeAndExtension = 7;  // "100.Dat"
    name.resize(name.size() > kSizeAndExtension ? name.size() - kSizeAndExtension : 0);
    for (char& c : name)
        if (c == '~') c = '/';
    return name;
}

}  // namespace ximora::engine
