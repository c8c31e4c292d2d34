// A picture that cannot be opened is reported with why, in the decoder's own words. Every format
// the engine writes (a picture in each save format) and the ones it only reads (their reference
// files) are damaged twice, cut short and with garbage in their image data, and loaded from
// memory and from a file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/io/file_io.h"
#include "op_test_images.h"
#include "thumbs_test_folder.h"

using namespace ximora::engine;

namespace {

constexpr int kReadOnly = -1;  // the save format of a reference file

struct Sample {
    FileFormat format;
    int saveFormat;
    std::vector<uint8_t> bytes;
    std::string name() const {
        return std::string(formatExtension(format)) +
               (saveFormat == kReadOnly ? "" : " (save format " + std::to_string(saveFormat) + ")");
    }
};

std::string referenceFile(FileFormat format) {
    const std::string folder = std::string(XIMORA_TEST_DATA) + "/modern-formats/";
    switch (format) {
        case FileFormat::Heif:
            return folder + "photo-q90.heic";
        case FileFormat::Avif:
            return folder + "photo-q.avif";
        case FileFormat::Jxl:
            return folder + "photo-d1.jxl";
        default:
            return {};
    }
}

// A photo-like picture in `saveFormat`, in colour or, for the formats that hold no more, with a
// palette.
std::vector<uint8_t> written(int saveFormat) {
    SaveOptions options;
    options.format = saveFormat;
    std::vector<uint8_t> bytes;
    for (int bits : {24, 8})
        if (encodeImage(test::makeImage(160, 120, {bits, false}, 7), options, bytes)) break;
    return bytes;
}

// Every codec in the table: once for each save format it writes, else its reference file.
std::vector<Sample> samples() {
    std::vector<Sample> out;
    for (const Codec* codec : codecs()) {
        for (int saveFormat : codec->saveFormats)
            out.push_back({codec->format, saveFormat, written(saveFormat)});
        if (codec->saveFormats.empty()) {
            out.push_back({codec->format, kReadOnly, {}});
            readWholeFile(referenceFile(codec->format), out.back().bytes);
        }
    }
    for (const Sample& sample : out) EXPECT_FALSE(sample.bytes.empty()) << sample.name();
    return out;
}

enum class Damage { Cut, Garbage };
const char* nameOf(Damage damage) { return damage == Damage::Cut ? "cut short" : "garbage"; }

// The coded pictures of an ISOBMFF file lie in its media data box; the other files are mostly
// image data, so the middle of the file is in it.
std::pair<size_t, size_t> imageData(const std::vector<uint8_t>& bytes) {
    for (size_t at = 0; at + 8 <= bytes.size();) {
        const size_t length = size_t(bytes[at]) << 24 | size_t(bytes[at + 1]) << 16 |
                              size_t(bytes[at + 2]) << 8 | bytes[at + 3];
        if (std::memcmp(bytes.data() + at + 4, "mdat", 4) == 0)
            return {at + 8, std::min(bytes.size(), at + length)};
        if (length < 8) break;
        at += length;
    }
    return {0, bytes.size()};
}

// Cut: the first half of the file. Garbage: a quarter of the image data, around its middle,
// overwritten with 0xFF bytes, as erased flash memory reads.
std::vector<uint8_t> damaged(std::vector<uint8_t> bytes, Damage damage) {
    if (damage == Damage::Cut) {
        bytes.resize(bytes.size() / 2);
        return bytes;
    }
    const auto [begin, end] = imageData(bytes);
    const size_t run = (end - begin) / 4, from = begin + (end - begin - run) / 2;
    std::fill_n(bytes.begin() + long(from), run, uint8_t(0xFF));
    return bytes;
}

// The pairs where a refusal with words is not what happens, each with its reason.
enum class Instead {
    Loads,   ///< the damage leaves a picture the decoder cannot tell from a whole one
    Silent,  ///< refused without words
};
struct Exception {
    FileFormat format;
    int saveFormat;
    Damage damage;
    Instead instead;
};
constexpr Exception kExceptions[] = {
    // Uncompressed samples: any bytes are pixels.
    {FileFormat::Bmp, kSaveBmp, Damage::Garbage, Instead::Loads},
    {FileFormat::Tiff, kSaveTiff, Damage::Garbage, Instead::Loads},
    {FileFormat::FlashPix, kSaveFpx, Damage::Garbage, Instead::Loads},
    // 0xFF bytes are whole runs: 255 pixels of colour 255 (RLE8), 63 bytes of 0xFF (PCX).
    {FileFormat::Bmp, kSaveBmpRle, Damage::Garbage, Instead::Loads},
    {FileFormat::Pcx, kSavePcx, Damage::Garbage, Instead::Loads},
    // The AV1 and HEVC decoders take any bits of a coded picture for picture data.
    {FileFormat::Avif, kReadOnly, Damage::Garbage, Instead::Loads},
    {FileFormat::Heif, kReadOnly, Damage::Garbage, Instead::Loads},
    // The program's own compound file and property set readers have no words for their faults
    // (a sector chain past the end, a property set garbage overwrote).
    {FileFormat::FlashPix, kSaveFpx, Damage::Cut, Instead::Silent},
    {FileFormat::FlashPix, kSaveFpxCompressed, Damage::Cut, Instead::Silent},
    {FileFormat::FlashPix, kSaveFpxCompressed, Damage::Garbage, Instead::Silent},
};

const Exception* exceptionFor(const Sample& sample, Damage damage) {
    for (const Exception& e : kExceptions)
        if (e.format == sample.format && e.saveFormat == sample.saveFormat && e.damage == damage)
            return &e;
    return nullptr;
}

bool printableAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// Loads `bytes` from memory, or from a file in `folder` when it is given.
bool load(const std::vector<uint8_t>& bytes, const test::TestFolder* folder) {
    Image image;
    if (!folder) return loadImageFromMemory(bytes.data(), bytes.size(), image);
    const std::string path = folder->file("picture");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return loadImage(path, image);
}

}  // namespace

TEST(DecoderWords, EveryDamagedFileIsRefusedWithTheDecodersWords) {
    const test::TestFolder folder;
    for (const Sample& sample : samples())
        for (Damage damage : {Damage::Cut, Damage::Garbage})
            for (const test::TestFolder* from :
                 {static_cast<const test::TestFolder*>(nullptr), &folder}) {
                SCOPED_TRACE(sample.name() + ", " + nameOf(damage) + (from ? ", file" : ""));
                const Exception* exception = exceptionFor(sample, damage);
                const bool loaded = load(damaged(sample.bytes, damage), from);
                if (exception && exception->instead == Instead::Loads) {
                    EXPECT_TRUE(loaded) << "the exception no longer holds: " << lastError();
                    continue;
                }
                ASSERT_FALSE(loaded);
                EXPECT_NE(lastError(), kOk);
                const std::string why = lastErrorWhy();
                // A small damaged file is told as damaged, never as the machine out of memory.
                EXPECT_NE(lastError(), kErrMemory) << why;
                if (exception)
                    EXPECT_EQ(why, "") << "the exception no longer holds";
                else
                    EXPECT_NE(why, "");
                EXPECT_LE(why.size(), 200u) << why;
                EXPECT_TRUE(printableAscii(why)) << why;
            }
}

TEST(DecoderWords, ALoadThatSucceedsLeavesNoWordsBehind) {
    const test::TestFolder folder;
    for (const Sample& sample : samples())
        for (const test::TestFolder* from :
             {static_cast<const test::TestFolder*>(nullptr), &folder}) {
            SCOPED_TRACE(sample.name() + (from ? ", file" : ""));
            ASSERT_FALSE(load(damaged(sample.bytes, Damage::Cut), from));
            // Words, where the decoder has them, that the load that follows must forget.
            ASSERT_EQ(lastErrorWhy().empty(), exceptionFor(sample, Damage::Cut) != nullptr);
            ASSERT_TRUE(load(sample.bytes, from)) << lastError();
            EXPECT_EQ(lastError(), kOk);
            EXPECT_EQ(lastErrorWhy(), "");
        }
}
