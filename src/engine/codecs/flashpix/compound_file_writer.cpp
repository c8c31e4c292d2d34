// Compound file writer: [MS-CFB]
// https://learn.microsoft.com/en-us/openspecs/windows_protocols/ms-cfb/
#include "engine/codecs/flashpix/compound_file_writer.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "engine/core/error.h"
#include "engine/core/image.h"
#include "engine/io/bytes.h"

namespace ximora::engine {
namespace {

using namespace cfb;

constexpr uint64_t kSector = 512;
constexpr uint64_t kMiniSector = uint64_t(1) << kMiniShift;
constexpr uint64_t kMiniCutoff = 4096;
constexpr uint64_t kEntriesPerSector = kSector / 4;
constexpr uint64_t kHeaderDifat = kHeaderDifatEntries;
constexpr uint8_t kRed = 0, kBlack = 1;

uint64_t sectorsFor(uint64_t bytes, uint64_t sector) { return (bytes + sector - 1) / sector; }

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// The format's sibling order: shorter names first, then by upper-cased characters.
bool nameLess(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    for (size_t i = 0; i < a.size(); ++i) {
        const char x = upperAscii(a[i]), y = upperAscii(b[i]);
        if (x != y) return uint8_t(x) < uint8_t(y);
    }
    return false;
}

struct DirectoryLinks {
    uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
    uint8_t colour = kBlack;
};

// Builds a balanced search tree over `sorted` (entry numbers) and returns its root. Nodes on
// the deepest level are red, the rest black, so every path holds the same number of black
// nodes and no red node has a red child: a valid red-black tree.
uint32_t balancedTree(const std::vector<int>& sorted, std::vector<DirectoryLinks>& links) {
    int deepest = 0;
    std::function<uint32_t(int, int, int)> build = [&](int from, int to, int depth) -> uint32_t {
        if (from >= to) return kNoStream;
        const int middle = from + (to - from) / 2;
        const auto id = size_t(sorted[size_t(middle)]);
        deepest = std::max(deepest, depth);
        links[id].colour = uint8_t(depth);  // the depth for now; colours follow below
        links[id].left = build(from, middle, depth + 1);
        links[id].right = build(middle + 1, to, depth + 1);
        return uint32_t(id);
    };
    const uint32_t root = build(0, int(sorted.size()), 0);
    for (int id : sorted) {
        DirectoryLinks& link = links[size_t(id)];
        link.colour = deepest > 0 && link.colour == deepest ? kRed : kBlack;
    }
    return root;
}

}  // namespace

CompoundFileWriter::CompoundFileWriter(const ClassId& rootClass) {
    nodes_.push_back(Node{"Root Entry", true, rootClass, {}, {}});
}

int CompoundFileWriter::addStorage(int parent, const std::string& name, const ClassId& classId) {
    nodes_.push_back(Node{name, true, classId, {}, {}});
    nodes_[size_t(parent)].children.push_back(int(nodes_.size() - 1));
    return int(nodes_.size() - 1);
}

void CompoundFileWriter::addStream(int parent, const std::string& name, std::vector<uint8_t> data) {
    nodes_.push_back(Node{name, false, {}, std::move(data), {}});
    nodes_[size_t(parent)].children.push_back(int(nodes_.size() - 1));
}

bool CompoundFileWriter::finish(std::vector<uint8_t>& out) const {
    const size_t count = nodes_.size();
    std::vector<DirectoryLinks> links(count);
    for (size_t i = 0; i < count; ++i) {
        if (!nodes_[i].storage) continue;
        std::vector<int> sorted = nodes_[i].children;
        std::sort(sorted.begin(), sorted.end(), [&](int a, int b) {
            return nameLess(nodes_[size_t(a)].name, nodes_[size_t(b)].name);
        });
        links[i].child = balancedTree(sorted, links);
    }
    links[0].colour = kBlack;

    // Small streams go into the mini stream, the others into sectors of their own.
    std::vector<uint32_t> start(count, kEndOfChain);
    std::vector<uint32_t> miniFat;
    uint64_t regular = 0;
    for (size_t i = 1; i < count; ++i) {
        const uint64_t size = nodes_[i].data.size();
        if (nodes_[i].storage || size == 0) continue;
        if (size >= kMiniCutoff) {
            regular += sectorsFor(size, kSector);
            continue;
        }
        start[i] = uint32_t(miniFat.size());
        const uint64_t sectors = sectorsFor(size, kMiniSector);
        for (uint64_t s = 1; s < sectors; ++s) miniFat.push_back(uint32_t(miniFat.size() + 1));
        miniFat.push_back(kEndOfChain);
    }
    const uint64_t miniBytes = miniFat.size() * kMiniSector;
    const uint64_t directorySectors = sectorsFor(count * 128, kSector);
    const uint64_t miniFatSectors = sectorsFor(miniFat.size() * 4, kSector);
    const uint64_t miniStreamSectors = sectorsFor(miniBytes, kSector);
    const uint64_t base = directorySectors + miniFatSectors + miniStreamSectors + regular;
    // The FAT covers every sector, its own and the DIFAT's included.
    uint64_t fatSectors = 0, difatSectors = 0;
    for (;;) {
        const uint64_t fat = sectorsFor(base + fatSectors + difatSectors, kEntriesPerSector);
        const uint64_t difat = fat > kHeaderDifat ? sectorsFor(fat - kHeaderDifat, 127) : 0;
        if (fat == fatSectors && difat == difatSectors) break;
        fatSectors = fat, difatSectors = difat;
    }
    const uint64_t total = base + fatSectors + difatSectors;
    if (total >= 0xFFFFFFF0 || (total + 1) * kSector > memoryLimit()) return fail(kErrMemory);

    std::vector<uint32_t> fat(size_t(fatSectors * kEntriesPerSector), kFreeSector);
    uint64_t next = 0;
    const auto place = [&](uint64_t sectors, uint32_t mark) {
        const uint32_t first = sectors ? uint32_t(next) : kEndOfChain;
        for (uint64_t s = 0; s < sectors; ++s, ++next)
            fat[size_t(next)] = mark ? mark : s + 1 < sectors ? uint32_t(next + 1) : kEndOfChain;
        return first;
    };
    const uint32_t firstFat = place(fatSectors, kFatSector);
    const uint32_t firstDifat = place(difatSectors, kDifatSector);
    const uint32_t firstDirectory = place(directorySectors, 0);
    const uint32_t firstMiniFat = place(miniFatSectors, 0);
    const uint32_t firstMiniStream = place(miniStreamSectors, 0);
    for (size_t i = 1; i < count; ++i)
        if (!nodes_[i].storage && nodes_[i].data.size() >= kMiniCutoff)
            start[i] = place(sectorsFor(nodes_[i].data.size(), kSector), 0);
    start[0] = firstMiniStream;

    std::vector<uint8_t> file;
    file.reserve(size_t((total + 1) * kSector));
    ByteWriter w(file);
    w.bytes(kSignature, sizeof kSignature);
    w.zeros(16);
    w.le16(0x3E), w.le16(3), w.le16(0xFFFE), w.le16(9), w.le16(6);
    w.zeros(6);
    w.le32(0), w.le32(uint32_t(fatSectors)), w.le32(firstDirectory), w.le32(0);
    w.le32(uint32_t(kMiniCutoff));
    w.le32(miniFatSectors ? firstMiniFat : kEndOfChain), w.le32(uint32_t(miniFatSectors));
    w.le32(difatSectors ? firstDifat : kEndOfChain), w.le32(uint32_t(difatSectors));
    for (uint64_t i = 0; i < kHeaderDifat; ++i)
        w.le32(i < fatSectors ? uint32_t(firstFat + i) : kFreeSector);

    for (uint32_t entry : fat) w.le32(entry);
    for (uint64_t d = 0; d < difatSectors; ++d) {
        for (uint64_t i = 0; i < 127; ++i) {
            const uint64_t fatIndex = kHeaderDifat + d * 127 + i;
            w.le32(fatIndex < fatSectors ? uint32_t(firstFat + fatIndex) : kFreeSector);
        }
        w.le32(d + 1 < difatSectors ? uint32_t(firstDifat + d + 1) : kEndOfChain);
    }

    for (size_t i = 0; i < directorySectors * 4; ++i) {
        if (i >= count) {
            w.zeros(68), w.le32(kNoStream), w.le32(kNoStream), w.le32(kNoStream), w.zeros(48);
            continue;
        }
        const Node& node = nodes_[i];
        const size_t units = std::min<size_t>(node.name.size(), 31);
        for (size_t u = 0; u < units; ++u) w.le16(uint8_t(node.name[u]));
        w.zeros(64 - 2 * units);
        w.le16(uint32_t(units + 1) * 2);
        w.u8(i == 0 ? 5 : node.storage ? 1 : 2);
        w.u8(links[i].colour);
        w.le32(links[i].left), w.le32(links[i].right), w.le32(links[i].child);
        w.bytes(node.classId.data(), 16);
        w.zeros(4 + 16);  // state bits, creation and modification times
        w.le32(node.storage && i != 0 ? 0 : start[i]);
        w.le32(uint32_t(i == 0 ? miniBytes : node.storage ? 0 : node.data.size())), w.le32(0);
    }

    for (uint32_t entry : miniFat) w.le32(entry);
    w.zeros(size_t(miniFatSectors * kSector - miniFat.size() * 4));
    const size_t miniStart = file.size();
    for (size_t i = 1; i < count; ++i)
        if (!nodes_[i].storage && !nodes_[i].data.empty() && nodes_[i].data.size() < kMiniCutoff) {
            w.bytes(nodes_[i].data.data(), nodes_[i].data.size());
            w.zeros(size_t(sectorsFor(nodes_[i].data.size(), kMiniSector) * kMiniSector -
                           nodes_[i].data.size()));
        }
    w.zeros(size_t(miniStreamSectors * kSector - (file.size() - miniStart)));
    for (size_t i = 1; i < count; ++i)
        if (!nodes_[i].storage && nodes_[i].data.size() >= kMiniCutoff) {
            w.bytes(nodes_[i].data.data(), nodes_[i].data.size());
            w.zeros(size_t(sectorsFor(nodes_[i].data.size(), kSector) * kSector -
                           nodes_[i].data.size()));
        }
    out = std::move(file);
    return true;
}

}  // namespace ximora::engine
