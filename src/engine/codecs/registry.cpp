#include "engine/codecs/registry.h"

#include <new>

#include "engine/codecs/avif/avif_codec.h"
#include "engine/codecs/bmp/bmp_codec.h"
#include "engine/codecs/flashpix/flashpix_codec.h"
#include "engine/codecs/gif/gif_codec.h"
#include "engine/codecs/heif/heif_codec.h"
#include "engine/codecs/jpeg/jpeg_codec.h"
#include "engine/codecs/jpeg2000/jpeg2000_codec.h"
#include "engine/codecs/jxl/jxl_codec.h"
#include "engine/codecs/pcx/pcx_codec.h"
#include "engine/codecs/png/png_codec.h"
#include "engine/codecs/tiff/tiff_codec.h"
#include "engine/codecs/webp/webp_codec.h"
#include "engine/core/error.h"
#include "engine/io/atomic_file.h"
#include "engine/io/byte_source.h"
#include "engine/io/file_io.h"
#include "engine/io/file_sink.h"
#include "engine/sandbox/sandboxed_decoding.h"

namespace ximora::engine {
namespace {

// The codec table: one line per format. Detection tries the entries in this order.
// clang-format off
const Codec* const kCodecs[] = {
    &bmpCodec(),
    &jpegCodec(),
    &pngCodec(),
    &gifCodec(),
    &tiffCodec(),
    &jp2Codec(),
    &j2kCodec(),
    &webpCodec(),
    &avifCodec(),
    &heifCodec(),  // after AVIF, whose files it reads as well
    &jxlCodec(),
    &flashPixCodec(),
    &pcxCodec(),  // last: its signature is the weakest
};
// clang-format on

// Enough for every codec's content test.
constexpr size_t kDetectionBytes = 4096;

// The facts of the decoded picture, for codecs without a header reader.
bool factsByDecoding(ByteSource& source, ImageFacts& out) {
    std::vector<uint8_t> bytes;
    if (!readWholeSource(source, bytes)) return false;
    Image image;
    if (!loadImageFromMemory(bytes.data(), bytes.size(), image)) return false;
    out = ImageFacts{image.width(), image.height(), image.bitsPerPixel(),
                     image.grey(),  image.dpiX,     image.dpiY};
    return true;
}

bool isKnownSaveFormat(int saveFormat) {
    for (int code : {kSaveBmp, kSaveBmpRle, kSaveJpeg, kSaveJpegProgressive, kSaveGif, kSaveTiff,
                     kSaveTiffLzw, kSavePng, kSaveFpx, kSaveFpxCompressed, kSavePcx, kSaveJp2,
                     kSaveJ2k, kSaveWebp, kSaveWebpLossless})
        if (code == saveFormat) return true;
    return false;
}

}  // namespace

FileFormat detectSourceFormat(ByteSource& source) {
    std::vector<uint8_t> head;
    readHead(source, kDetectionBytes, head);
    return detectFormat(head.data(), head.size());
}

std::span<const Codec* const> codecs() { return kCodecs; }

FileFormat detectFormat(const uint8_t* head, size_t size) {
    for (const Codec* codec : kCodecs)
        if (codec->matches(head, size)) return codec->format;
    return FileFormat::Unknown;
}

std::string_view formatExtension(FileFormat format) {
    for (const Codec* codec : kCodecs)
        if (codec->format == format) return codec->extension;
    return {};
}

const Codec* codecForFormat(FileFormat format) {
    for (const Codec* codec : kCodecs)
        if (codec->format == format && codec->decode) return codec;
    return nullptr;
}

const Codec* codecForSaveFormat(int saveFormat) {
    for (const Codec* codec : kCodecs)
        for (int code : codec->saveFormats)
            if (code == saveFormat && codec->encode) return codec;
    return nullptr;
}

namespace {

// Runs a decoder with the error rules every load shares: a library's allocation past what the
// system gives is the memory error, and a decoder that failed without saying why still fails.
template <typename Decoder>
bool runDecoder(Decoder decoder) {
    clearLastError();
    bool decoded = false;
    try {
        decoded = decoder();
    } catch (const std::bad_alloc&) {
        setLastError(kErrMemory);
    }
    if (!decoded && lastError() == kOk) setLastError(kErrFileBroken);
    return decoded;
}

// Runs `decode` into a fresh image and moves it to `out` on success.
template <typename Decode>
bool decodeInto(Image& out, Decode decode) {
    Image decoded;
    if (!runDecoder([&] { return decode(decoded); })) return false;
    out = std::move(decoded);
    return true;
}

// The codec for the content of `source`: nullptr with error 6 when it is no known format, 4 when
// its format has no codec. `detected` (optional) receives the format.
const Codec* codecOf(ByteSource& source, FileFormat* detected) {
    const FileFormat format = detectSourceFormat(source);
    if (detected) *detected = format;
    if (format == FileFormat::Unknown) return fail(kErrBadFile), nullptr;
    const Codec* codec = codecForFormat(format);
    if (!codec) fail(kErrUnsupported);
    return codec;
}

// The whole picture in `source` through `codec`: read as the decoder goes where it can, else
// whole first.
bool decodeWith(const Codec& codec, ByteSource& source, const LoadOptions& options, Image& out) {
    if (codec.decodeSource)
        return decodeInto(out,
                          [&](Image& image) { return codec.decodeSource(source, options, image); });
    std::vector<uint8_t> bytes;
    if (!readWholeSource(source, bytes)) return false;
    return decodeInto(out, [&](Image& image) {
        return codec.decode(bytes.data(), bytes.size(), options, image);
    });
}

// The facts of `source` through `codec`: its header reader, else the decoded picture.
bool factsWith(const Codec& codec, ByteSource& source, ImageFacts& out) {
    ImageFacts facts;
    if (!runDecoder([&] {
            return codec.readFacts ? codec.readFacts(source, facts)
                                   : factsByDecoding(source, facts);
        }))
        return false;
    out = facts;
    return true;
}

// Whether the picture the facts describe, decoded whole, fits the memory budget beside the
// file's bytes.
bool fitsMemoryBudget(const ImageFacts& facts, const ByteSource& file) {
    if (!Image::fitsLimits(facts.width, facts.height, facts.bitsPerPixel)) return false;
    const uint64_t needed =
        Image::rasterBytes(facts.width, facts.height, facts.bitsPerPixel) + file.size();
    return needed <= memoryLimit() || fail(kErrMemory);
}

// The budget check of a whole picture from its headers, for codecs that have a header reader
// (the others' decoders check what they allocate).
bool fitsMemoryBudget(const Codec& codec, ByteSource& file) {
    if (!codec.readFacts) return true;
    ImageFacts facts;
    return factsWith(codec, file, facts) && fitsMemoryBudget(facts, file);
}

// The file behind `source` when files are decoded in workers, else nullptr.
FileSource* fileForWorkers(ByteSource& source) {
    return decodesInWorkers() ? dynamic_cast<FileSource*>(&source) : nullptr;
}

}  // namespace

bool loadImageFromMemory(const uint8_t* data, size_t size, Image& out, const LoadOptions& options,
                         FileFormat* detected) {
    if (decodesInWorkers()) {
        // Bytes from another program (the clipboard, a drop) are no safer than a file: they go
        // to a worker as a file in memory.
        FileSource file;
        return bytesAsFile(data, size, file) && workerPicture(file, options, false, out, detected);
    }
    const FileFormat format = detectFormat(data, size);
    if (detected) *detected = format;
    if (format == FileFormat::Unknown) return fail(kErrBadFile);
    const Codec* codec = codecForFormat(format);
    if (!codec) return fail(kErrUnsupported);
    return decodeInto(out, [&](Image& image) { return codec->decode(data, size, options, image); });
}

bool loadImageFromSource(ByteSource& source, Image& out, const LoadOptions& options,
                         FileFormat* detected) {
    if (FileSource* file = fileForWorkers(source))
        return workerPicture(*file, options, false, out, detected);
    const Codec* codec = codecOf(source, detected);
    return codec && decodeWith(*codec, source, options, out);
}

bool readImageFacts(ByteSource& source, ImageFacts& out, FileFormat* detected) {
    if (FileSource* file = fileForWorkers(source)) {
        bool hasReader = false;
        return workerFacts(*file, false, out, hasReader, detected);
    }
    const Codec* codec = codecOf(source, detected);
    return codec && factsWith(*codec, source, out);
}

bool readImageFacts(const std::string& path, ImageFacts& out, FileFormat* detected) {
    if (detected) *detected = FileFormat::Unknown;
    FileSource file;
    return file.open(path) && readImageFacts(file, out, detected);
}

bool readHeaderFacts(ByteSource& source, ImageFacts& out, bool& hasReader) {
    hasReader = false;
    if (FileSource* file = fileForWorkers(source))
        return workerFacts(*file, true, out, hasReader, nullptr);
    const Codec* codec = codecOf(source, nullptr);
    if (!codec) return false;
    hasReader = codec->readFacts != nullptr;
    return !hasReader || factsWith(*codec, source, out);
}

bool fitsMemoryBudget(const std::string& path) {
    FileSource file;
    if (!file.open(path)) return false;
    ImageFacts facts;
    bool hasReader = false;
    // A file of no format the engine reads fails when it is loaded, with its own error.
    if (!readHeaderFacts(file, facts, hasReader))
        return lastError() == kErrBadFile || lastError() == kErrUnsupported;
    // The others' decoders check what they allocate.
    return !hasReader || fitsMemoryBudget(facts, file);
}

uint64_t headerRasterBytes(ByteSource& source) {
    ImageFacts facts;
    bool hasReader = false;
    if (!readHeaderFacts(source, facts, hasReader) || !hasReader) return 0;
    return Image::rasterBytes(facts.width, facts.height, facts.bitsPerPixel);
}

uint64_t headerRasterBytes(const std::string& path) {
    FileSource file;
    return file.open(path) ? headerRasterBytes(file) : 0;
}

bool loadImage(const std::string& path, Image& out, const LoadOptions& options,
               FileFormat* detected) {
    if (detected) *detected = FileFormat::Unknown;
    FileSource file;
    if (!file.open(path)) return false;
    // A reduced decode is smaller than the headers say: its decoder checks what it allocates.
    const bool checkBudget = options.minSide <= 0;
    if (decodesInWorkers()) return workerPicture(file, options, checkBudget, out, detected);
    return loadImageHere(file, options, checkBudget, out, detected);
}

bool loadImageHere(FileSource& file, const LoadOptions& options, bool checkBudget, Image& out,
                   FileFormat* detected) {
    const Codec* codec = codecOf(file, detected);
    if (!codec) return false;
    if (checkBudget && !fitsMemoryBudget(*codec, file)) return false;
    return decodeWith(*codec, file, options, out);
}

bool decodeFileRows(const std::string& path, RowSink& sink) {
    FileSource file;
    if (!file.open(path)) return false;
    if (decodesInWorkers()) return workerRows(file, sink);
    return decodeRowsHere(file, sink, nullptr);
}

bool decodeRowsHere(FileSource& file, RowSink& sink, FileFormat* detected) {
    const FileFormat format = detectSourceFormat(file);
    if (detected) *detected = format;
    const Codec* codec = codecForFormat(format);
    if (!codec || !codec->decodeRows) return fail(kErrUnsupported);
    if (!fitsMemoryBudget(*codec, file)) return false;
    return runDecoder([&] { return codec->decodeRows(file, LoadOptions{}, sink); });
}

bool decodeWholeRowsHere(FileSource& file, const LoadOptions& options, RowSink& sink,
                         FileFormat* detected, bool& notByRows) {
    notByRows = false;
    const Codec* codec = codecOf(file, detected);
    if (!codec) return false;
    notByRows = !codec->wholeIsRows;
    if (notByRows) return fail(kErrUnsupported);
    if (!fitsMemoryBudget(*codec, file)) return false;
    return runDecoder([&] { return codec->decodeRows(file, options, sink); });
}

bool encodeImage(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out) {
    const Codec* codec = codecForSaveFormat(options.format);
    // A known code without a codec is "not supported".
    if (!codec) return fail(isKnownSaveFormat(options.format) ? kErrUnsupported : kErrBadParameter);
    if (image.empty()) return fail(kErrOrder);
    // Uncompressed formats take as much as the raster; others stay below it.
    if (image.dataSize() > memoryLimit()) return fail(kErrMemory);
    std::vector<uint8_t> bytes;
    clearLastError();
    bool encoded = false;
    try {
        encoded = codec->encode(image, options, bytes);
    } catch (const std::bad_alloc&) {
        setLastError(kErrMemory);
    }
    if (!encoded) {
        if (lastError() == kOk) setLastError(kErrOther);
        return false;
    }
    out = std::move(bytes);
    return true;
}

bool saveImage(const std::string& path, const Image& image, const SaveOptions& options,
               Existing existing) {
    const Codec* codec = codecForSaveFormat(options.format);
    if (!codec || !codec->encodeTo || image.empty()) {
        std::vector<uint8_t> bytes;
        if (!encodeImage(image, options, bytes)) return false;
        return writeFileAtomically(path, bytes.data(), bytes.size(), existing);
    }
    // The file is written as the encoder goes; only a complete one replaces the target.
    AtomicFile file;
    if (!file.open(path, existing)) return false;
    FileSink sink(file);
    clearLastError();
    if (!codec->encodeTo(image, options, sink) || !sink.flush()) {
        if (lastError() == kOk) setLastError(kErrOther);
        file.discard();
        return false;
    }
    return file.commit();
}

}  // namespace ximora::engine
