#include "engine/codecs/png/png_image_data.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <libdeflate.h>

#include "engine/codecs/raster_pages.h"
#include "engine/io/bytes.h"

namespace ximora::engine {
namespace {

constexpr uint64_t kChunkFraming = 12;  // length, type and CRC

// An empty zlib stream: its header, one final fixed-Huffman block with only the end code, and
// the Adler-32 of nothing.
constexpr uint8_t kEmptyZlibStream[] = {0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};

std::unique_ptr<uint8_t[]> allocate(size_t bytes) {
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[bytes]);
    if (block) preferHugePages(block.get(), bytes);
    return block;
}

// Moves the data of the IDAT chunks in `run` (the chunks as the file holds them) to the front
// of it, one after the other; false when a chunk is no IDAT or fails its CRC.
bool joinChunkData(uint8_t* run, uint64_t runBytes, uint64_t& joined) {
    joined = 0;
    for (uint64_t at = 0; at + kChunkFraming <= runBytes;) {
        const uint32_t length = readBe32(run + at);
        if (std::memcmp(run + at + 4, "IDAT", 4) != 0 || length > runBytes - at - kChunkFraming)
            return false;
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
        // The CRC covers the chunk's type and data.
        if (libdeflate_crc32(0, run + at + 4, size_t(length) + 4) !=
            readBe32(run + at + 8 + length))
            return false;
#endif
        std::memmove(run + joined, run + at + 8, length);
        joined += length;
        at += kChunkFraming + length;
    }
    return true;
}

// A zlib stream's header (RFC 1950): deflate with a window of at most 32 KiB, no preset
// dictionary, and its check bits.
bool plainZlibHeader(const uint8_t* stream, size_t size) {
    return size >= 6 && (stream[0] & 0x0F) == 8 && (stream[0] >> 4) <= 7 &&
           (stream[1] & 0x20) == 0 && (stream[0] << 8 | stream[1]) % 31 == 0;
}

enum class StreamInflated { Whole, ButChecksumWrong, Not };

// Inflates the zlib stream `stream` into exactly `bytes` bytes at `out`. Without a count to
// return, libdeflate insists on that size: a stream that ends early or runs on is left to
// libpng, which has its own answers for both.
StreamInflated inflateStream(const uint8_t* stream, size_t size, uint8_t* out, size_t bytes) {
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    if (!inflater) return StreamInflated::Not;
    // The deflated data lies between the 2-byte header and the 4-byte Adler-32.
    const auto inflateData = [&] {
        return plainZlibHeader(stream, size) &&
               libdeflate_deflate_decompress(inflater, stream + 2, size - 6, out, bytes, nullptr) ==
                   LIBDEFLATE_SUCCESS;
    };
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // A mutated stream would fail its checksum and hide the rows from the fuzzer.
    StreamInflated result = inflateData() ? StreamInflated::Whole : StreamInflated::Not;
#else
    StreamInflated result = StreamInflated::Whole;
    const libdeflate_result checked =
        libdeflate_zlib_decompress(inflater, stream, size, out, bytes, nullptr);
    // libdeflate does not say whether bad data is only a wrong checksum: inflating without it
    // tells.
    if (checked == LIBDEFLATE_BAD_DATA)
        result = inflateData() ? StreamInflated::ButChecksumWrong : StreamInflated::Not;
    else if (checked != LIBDEFLATE_SUCCESS)
        result = StreamInflated::Not;
#endif
    libdeflate_free_decompressor(inflater);
    return result;
}

}  // namespace

PngChunkMap mapPngChunks(ByteSource& source) {
    PngChunkMap map;
    bool inRun = false;
    map.complete = walkPngChunks(source, [&](std::string_view type, uint64_t at, uint32_t length) {
        const bool imageData = type == "IDAT";
        if (imageData && map.imageDataAt == 0) {
            map.imageDataAt = at;
            map.firstChunkLength = length;
            inRun = true;
        } else if (imageData && !inRun) {
            map.oneRun = false;
        } else if (!imageData && inRun) {
            map.afterImageData = at;
            inRun = false;
        }
        return type != "IEND";
    });
    return map;
}

InflatedImageData inflatePngImageData(ByteSource& source, const PngChunkMap& map, size_t bytes) {
    InflatedImageData out;
    if (!map.complete || !map.oneRun || map.imageDataAt == 0) return out;
    const uint64_t runBytes = map.afterImageData - map.imageDataAt;
    // The file's chunks and the inflated rows are held together for a moment.
    if (runBytes > SIZE_MAX || runBytes + bytes > memoryLimit()) return out;
    const MemoryCharge compressedCharge(runBytes);
    const std::unique_ptr<uint8_t[]> run = allocate(size_t(runBytes));
    if (!run || source.read(map.imageDataAt, run.get(), size_t(runBytes)) != runBytes) return out;
    uint64_t compressed = 0;
    if (!joinChunkData(run.get(), runBytes, compressed)) return out;
    std::unique_ptr<uint8_t[]> rows = allocate(bytes);
    if (!rows) return out;
    const StreamInflated result = inflateStream(run.get(), size_t(compressed), rows.get(), bytes);
    out.checksumWrong = result == StreamInflated::ButChecksumWrong;
    if (result != StreamInflated::Whole) return out;
    out.bytes = std::move(rows);
    out.charge = MemoryCharge(bytes);
    return out;
}

size_t PngStreamReader::read(uint8_t* out, size_t length) {
    size_t done = 0;
    if (standInAt_ < standInSize_) {
        const size_t n = size_t(std::min<uint64_t>(length, standInSize_ - standInAt_));
        std::memset(out, 0, n);
        if (standInAt_ < sizeof kEmptyZlibStream) {
            const size_t head = std::min(n, size_t(sizeof kEmptyZlibStream - standInAt_));
            std::memcpy(out, kEmptyZlibStream + standInAt_, head);
        }
        standInAt_ += n;
        done = n;
        if (standInAt_ == standInSize_ && !reader_.seek(resumeAt_)) return done;
    }
    return done + reader_.read(out + done, length - done);
}

bool PngStreamReader::skipImageData(const PngChunkMap& map) {
    if (map.imageDataAt == 0 || map.firstChunkLength < sizeof kEmptyZlibStream ||
        reader_.position() != map.imageDataAt + 8)
        return false;
    standInAt_ = 0;
    standInSize_ = uint64_t(map.firstChunkLength) + 4;  // the data, then a CRC of zeros
    resumeAt_ = map.afterImageData;
    return true;
}

}  // namespace ximora::engine
