#include "editor/scan/scanner_connection.h"

#include <cstring>
#include <memory>

#include "editor/scan/sane_library.h"
#include "editor/scan/scanner_device.h"
#include "engine/core/error.h"

namespace ximora::editor {
namespace {

using namespace engine;

// SANE's answers as the program's scanner errors.
bool failWith(SANE_Status status) {
    switch (status) {
        case SANE_STATUS_DEVICE_BUSY:
            return fail(kErrScanSourceBusy);
        case SANE_STATUS_JAMMED:
            return fail(kErrScanPaperJam);
        case SANE_STATUS_NO_DOCS:
            return fail(kErrNoPaper);
        case SANE_STATUS_COVER_OPEN:
            return fail(kErrScanPower);
        case SANE_STATUS_INVAL:
            return fail(kErrScanResolution);
        case SANE_STATUS_NO_MEM:
            return fail(kErrMemory);
        case SANE_STATUS_ACCESS_DENIED:
            return fail(kErrScanSourceManager);
        case SANE_STATUS_CANCELLED:
            return fail(kOk);
        default:
            return fail(kErrScanSource);
    }
}

struct Closer {
    void operator()(void* handle) const { saneLibrary()->sane_close(SANE_Handle(handle)); }
};
using OpenDevice = std::unique_ptr<void, Closer>;

// One frame as the device sent it.
struct Frame {
    SANE_Parameters parameters;
    std::vector<uint8_t> data;
    int lines() const {
        return parameters.bytes_per_line > 0 ? int(data.size() / size_t(parameters.bytes_per_line))
                                             : 0;
    }
};

bool readFrame(SANE_Handle handle, Frame& frame) {
    const SaneLibrary& sane = *saneLibrary();  // opened by the connection
    SANE_Status status = sane.sane_start(handle);
    if (status != SANE_STATUS_GOOD) return failWith(status);
    status = sane.sane_get_parameters(handle, &frame.parameters);
    if (status != SANE_STATUS_GOOD) return failWith(status);
    const SANE_Parameters& p = frame.parameters;
    if (p.pixels_per_line <= 0 || p.bytes_per_line <= 0 ||
        (p.depth != 1 && p.depth != 8 && p.depth != 16))
        return fail(kErrUnsupported);
    if (p.lines > 0) frame.data.reserve(size_t(p.lines) * size_t(p.bytes_per_line));
    std::vector<uint8_t> chunk(size_t(1) << 16);
    for (;;) {
        SANE_Int length = 0;
        status = sane.sane_read(handle, chunk.data(), SANE_Int(chunk.size()), &length);
        if (status == SANE_STATUS_EOF) return true;
        if (status != SANE_STATUS_GOOD) return failWith(status);
        frame.data.insert(frame.data.end(), chunk.data(), chunk.data() + length);
    }
}

// Sample `x` of channel `c` (of `channels`) on a frame row, as 8 bits.
uint8_t sample(const Frame& f, const uint8_t* row, int x, int c, int channels) {
    const int i = x * channels + c;
    if (f.parameters.depth == 8) return row[i];
    uint16_t v;
    std::memcpy(&v, row + 2 * i, 2);  // 16-bit samples come in the machine's byte order
    return uint8_t(v >> 8);
}

bool toImage(const std::vector<Frame>& frames, Image& out) {
    const Frame& first = frames.front();
    const int width = first.parameters.pixels_per_line;
    int height = first.lines();
    for (const Frame& f : frames) height = std::min(height, f.lines());
    if (height <= 0) return fail(kErrScanSource);
    const SANE_Frame format = first.parameters.format;
    if (format == SANE_FRAME_GRAY && first.parameters.depth == 1) {
        // Line art: a set bit is black.
        if (!out.allocate(width, height, 1)) return false;
        out.palette = {{0, 0, 0, 255}, {255, 255, 255, 255}};
        for (int y = 0; y < height; ++y) {
            const uint8_t* row =
                first.data.data() + size_t(y) * size_t(first.parameters.bytes_per_line);
            for (int x = 0; x < width; ++x) out.row(y)[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 0 : 1;
        }
        return true;
    }
    if (format == SANE_FRAME_GRAY) {
        if (!out.allocate(width, height, 8, true)) return false;
        out.palette = greyPalette(8);
        for (int y = 0; y < height; ++y) {
            const uint8_t* row =
                first.data.data() + size_t(y) * size_t(first.parameters.bytes_per_line);
            for (int x = 0; x < width; ++x) out.row(y)[x] = sample(first, row, x, 0, 1);
        }
        return true;
    }
    if (!out.allocate(width, height, 24)) return false;
    for (const Frame& f : frames) {
        const SANE_Frame kind = f.parameters.format;
        const int channels = kind == SANE_FRAME_RGB ? 3 : 1;
        if (f.parameters.depth == 1 || f.parameters.pixels_per_line != width)
            return fail(kErrUnsupported);
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = f.data.data() + size_t(y) * size_t(f.parameters.bytes_per_line);
            uint8_t* to = out.row(y);
            for (int x = 0; x < width; ++x) {
                if (channels == 3) {
                    for (int c = 0; c < 3; ++c) to[3 * x + c] = sample(f, row, x, c, 3);
                } else {
                    const int c = kind == SANE_FRAME_RED ? 0 : kind == SANE_FRAME_GREEN ? 1 : 2;
                    to[3 * x + c] = sample(f, row, x, 0, 1);
                }
            }
        }
    }
    return true;
}

}  // namespace

ScannerConnection::~ScannerConnection() {
    if (open_) saneLibrary()->sane_exit();
}

bool ScannerConnection::open() {
    if (open_) return true;
    SANE_Int version = 0;
    const SaneLibrary* sane = saneLibrary();
    if (!sane) {
        const std::string why = lastErrorDetail();  // the loader's words
        return failWithDetail(kErrScannerLoad, why);
    }
    if (sane->sane_init(&version, nullptr) != SANE_STATUS_GOOD) return fail(kErrScannerLoad);
    open_ = true;
    return true;
}

bool ScannerConnection::devices(std::vector<Device>& out) {
    out.clear();
    if (!open()) return false;
    const SaneLibrary& sane = *saneLibrary();  // opened by the connection
    const SANE_Device** list = nullptr;
    if (sane.sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list || !list[0])
        return fail(kErrScanNoSource);
    for (const SANE_Device** d = list; *d; ++d)
        out.push_back({QString::fromUtf8((*d)->name),
                       QStringLiteral("%1 %2").arg(QString::fromUtf8((*d)->vendor),
                                                   QString::fromUtf8((*d)->model))});
    return true;
}

bool ScannerConnection::acquire(Image& out, const std::function<bool(ScannerDevice&)>& configure) {
    std::vector<Device> found;
    if (!devices(found)) return false;
    const SaneLibrary& sane = *saneLibrary();  // opened by the connection
    QString name = source_.isEmpty() ? found.front().name : source_;
    SANE_Handle raw = nullptr;
    const SANE_Status status = sane.sane_open(name.toUtf8().constData(), &raw);
    if (status != SANE_STATUS_GOOD) return failWith(status);
    const OpenDevice device(raw);
    ScannerDevice options(raw);
    if (configure && !configure(options)) return fail(kOk);
    const int dpi = options.resolution();
    std::vector<Frame> frames;
    do {
        frames.emplace_back();
        if (!readFrame(raw, frames.back())) {
            sane.sane_cancel(raw);
            return false;
        }
    } while (!frames.back().parameters.last_frame && frames.size() < 3);
    sane.sane_cancel(raw);
    Image image;
    if (!toImage(frames, image)) return false;
    image.dpiX = image.dpiY = dpi;
    out = std::move(image);
    return true;
}

}  // namespace ximora::editor
