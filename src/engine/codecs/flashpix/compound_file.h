#pragma once
// Reading OLE compound files, the container of FlashPix images: [MS-CFB]
// https://learn.microsoft.com/en-us/openspecs/windows_protocols/ms-cfb/
// Every sector number, chain and size is checked against the file, so damaged or forged files
// fail with an error code instead of reading outside the buffer or looping.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ximora::engine {

/// Numbers of the format shared by the reader and the writer.
namespace cfb {
inline constexpr uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
inline constexpr uint32_t kFreeSector = 0xFFFFFFFF;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr uint32_t kDifatSector = 0xFFFFFFFC;
inline constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;   ///< no sibling, child or entry
inline constexpr size_t kHeaderDifatEntries = 109;  ///< FAT sector numbers in the header
inline constexpr size_t kEntrySize = 128;           ///< a directory entry
inline constexpr unsigned kMiniShift = 6;           ///< 64-byte mini sectors
}  // namespace cfb

/// A class identifier as files store it: 16 bytes, the first three fields little-endian.
using ClassId = std::array<uint8_t, 16>;

/// The class identifier written as text, "56616700-C154-11CE-8553-00AA00A1F95B".
ClassId classIdFromText(std::string_view text);

/// A compound file held in memory (the buffer must outlive it).
class CompoundFile {
  public:
    static constexpr int kNoEntry = -1;

    /// Whether the buffer starts with the compound file signature.
    static bool hasSignature(const uint8_t* data, size_t size);

    /// Reads the header, the allocation tables and the directory. Errors: 6 not a compound
    /// file, 17 damaged structures (bad sector numbers, loops, a directory without root),
    /// 23 structures cut off by the end of the file.
    bool open(const uint8_t* data, size_t size);

    /// The root storage's entry.
    int root() const { return 0; }
    /// The child of storage `storage` named `name` (compared without regard to ASCII letter
    /// case, as the format does), or kNoEntry.
    int child(int storage, std::string_view name) const;
    /// The children of a storage (storages and streams), in directory order.
    const std::vector<int>& children(int storage) const {
        return entries_[size_t(storage)].children;
    }

    bool isStorage(int entry) const { return entries_[size_t(entry)].type != kStream; }
    /// The entry's name, UTF-16 units below 0x80 as bytes and the others as '?'.
    const std::string& name(int entry) const { return entries_[size_t(entry)].name; }
    const ClassId& classId(int entry) const { return entries_[size_t(entry)].classId; }
    /// Declared size of a stream in bytes.
    uint64_t streamSize(int entry) const { return entries_[size_t(entry)].size; }

    /// Reads a whole stream. Errors: 17 a broken sector chain or a size larger than the file
    /// can hold, 23 a chain cut off by the end of the file, 3 past the memory limit.
    bool read(int entry, std::vector<uint8_t>& out) const;

  private:
    static constexpr uint8_t kStorage = 1, kStream = 2, kRoot = 5;

    struct Entry {
        std::string name;
        uint8_t type = 0;
        ClassId classId{};
        uint32_t start = 0;
        uint64_t size = 0;
        uint32_t left = 0, right = 0, child = 0;
        std::vector<int> children;
    };

    bool readHeader();
    bool readFat();
    bool readDirectory();
    bool collectChildren();
    /// The sectors of the chain from `start` in `table` (sectors of 2^shift bytes, of which
    /// `sectorCount` exist), as many as `bytes` bytes need (all of them when `bytes` is 0);
    /// fails on a bad number, a chain too short or a loop.
    bool chain(const std::vector<uint32_t>& table, uint32_t start, uint64_t bytes, unsigned shift,
               uint64_t sectorCount, std::vector<uint32_t>& out) const;
    bool readRegular(uint32_t start, uint64_t size, std::vector<uint8_t>& out) const;
    uint64_t sectorOffset(uint32_t sector) const { return (uint64_t(sector) + 1) << sectorShift_; }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    unsigned sectorShift_ = 9;
    uint64_t sectorSize_ = 512;
    uint64_t sectorCount_ = 0;  // sectors the file holds, the last one possibly short
    bool version4_ = false;
    uint32_t miniCutoff_ = 4096;
    uint32_t fatSectors_ = 0, firstDirectory_ = 0, firstMiniFat_ = 0, miniFatSectors_ = 0;
    uint32_t firstDifat_ = 0, difatSectors_ = 0;
    std::vector<uint32_t> fat_, miniFat_;
    std::vector<uint8_t> miniStream_;
    std::vector<Entry> entries_;
};

}  // namespace ximora::engine
