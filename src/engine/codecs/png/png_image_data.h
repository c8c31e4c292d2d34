#pragma once
// A PNG file's image data (its run of IDAT chunks) taken in one piece: the chunks' CRCs checked
// and the zlib stream inflated by libdeflate in one call into a buffer of the size the header
// gives, which is about twice as fast as inflating it a row at a time through libpng and zlib.
// libpng still reads every other chunk: PngStreamReader hands it the file with the image data
// replaced by an empty stream once the decoder holds the pixels.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/core/memory_budget.h"
#include "engine/io/byte_source.h"
#include "engine/io/bytes.h"

namespace ximora::engine {

/// Walks the chunk headers after the signature, reading only them: `visit(type, at, length)`
/// returns false to stop there. True when a visit stopped the walk, false when a chunk runs
/// past the end of the file first (or the file ends without one stopping it).
template <typename Visit>
bool walkPngChunks(ByteSource& source, Visit visit) {
    constexpr uint64_t kSignature = 8, kFraming = 12;
    const uint64_t size = source.size();
    for (uint64_t at = kSignature; at + kFraming <= size;) {
        uint8_t header[8];
        if (source.read(at, header, sizeof header) != sizeof header) return false;
        const uint32_t length = readBe32(header);
        if (length > size - at - kFraming) return false;
        if (!visit(std::string_view(reinterpret_cast<const char*>(header + 4), 4), at, length))
            return true;
        at += kFraming + length;
    }
    return false;
}

/// Where a file's chunks lie, from one walk over their headers.
struct PngChunkMap {
    bool complete = false;          ///< every chunk up to IEND lies inside the file
    uint64_t imageDataAt = 0;       ///< the first IDAT chunk (its length field); 0 when none
    uint32_t firstChunkLength = 0;  ///< the data bytes of that chunk
    uint64_t afterImageData = 0;    ///< the chunk that follows the run of IDAT chunks
    bool oneRun = true;             ///< no IDAT chunk after another kind followed the run
};

/// Where the chunks lie, from one walk.
PngChunkMap mapPngChunks(ByteSource& source);

/// The inflated image data: every row's filter type byte and stored bytes, exactly `bytes` of
/// them, with what it costs counted against the memory budget while it lives.
struct InflatedImageData {
    std::unique_ptr<uint8_t[]> bytes;  ///< empty when the data was not inflated
    MemoryCharge charge;
    /// The stream inflates to the rows whole, but its Adler-32 is not theirs: the file is
    /// damaged (bytes empty).
    bool checksumWrong = false;
};

/// Reads and inflates the run of IDAT chunks `map` found. Empty, with no error set, when the
/// data is anything but a whole zlib stream of exactly `bytes` under correct CRCs, or when the
/// memory budget cannot hold it: libpng then reads the rows instead and says what it finds.
/// Fuzz builds skip the Adler-32, as they skip the CRCs.
InflatedImageData inflatePngImageData(ByteSource& source, const PngChunkMap& map, size_t bytes);

/// libpng's view of the file, read front to back.
class PngStreamReader {
  public:
    explicit PngStreamReader(ByteSource& source) : reader_(source) {}
    size_t read(uint8_t* out, size_t length);

    /// From here on, hands libpng the first IDAT chunk's data as an empty zlib stream padded
    /// with zeros (and no CRC: libpng must be told to ignore those of critical chunks), then
    /// goes on after the run of IDAT chunks. Only where libpng stands at that chunk's data, as
    /// png_read_info leaves it; false (nothing changed) anywhere else.
    bool skipImageData(const PngChunkMap& map);

  private:
    SourceReader reader_;
    uint64_t standInAt_ = 0, standInSize_ = 0;  // bytes of the stand-in handed out and in all
    uint64_t resumeAt_ = 0;
};

}  // namespace ximora::engine
