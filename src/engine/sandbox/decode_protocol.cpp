#include "engine/sandbox/decode_protocol.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/deep_samples.h"
#include "engine/core/error.h"
#include "engine/core/rasterpool.h"
#include "engine/sandbox/byte_records.h"

namespace ximora::engine {
namespace {

constexpr int kSeals = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL;
// What the program needs of a shared file before it maps it: nobody can write or shrink it.
constexpr int kNeededSeals = F_SEAL_SHRINK | F_SEAL_WRITE;

bool brokenReply(const char* why) { return failWithDetail(kErrFileBroken, why); }

// Writes all of `size` bytes to `fd`.
bool writeAll(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t done = ::write(fd, p, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        p += done;
        size -= size_t(done);
    }
    return true;
}

bool sealed(int fd) {
    const int seals = fcntl(fd, F_GET_SEALS);
    return seals >= 0 && (seals & kNeededSeals) == kNeededSeals;
}

// A read-write private mapping of a sealed shared file: the program's writes stay its own.
uint8_t* mapSealed(int fd, size_t& size) {
    struct stat info {};
    if (!sealed(fd) || fstat(fd, &info) != 0 || info.st_size <= 0) return nullptr;
    size = size_t(info.st_size);
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
}

template <typename Put>
bool writeParts(const Image& image, Put put) {
    RecordWriter<Put> out(put);
    out.value(uint32_t(image.palette.size()));
    out.put(image.palette.data(), image.palette.size() * sizeof(Colour));
    out.blob(image.comment);
    out.blob(image.metadata.exif);
    out.blob(image.metadata.xmp);
    out.blob(image.metadata.icc);
    const DeepSamples* deep = currentDeepSamples(image);
    out.value(uint8_t(deep != nullptr));
    if (deep) {
        out.value(int32_t(deep->channels));
        out.put(deep->samples.data(), deep->samples.size() * sizeof(uint16_t));
    }
    return out.ok();
}

bool readParts(const uint8_t* data, size_t size, Image& image) {
    RecordReader in(data, size);
    uint32_t colours = 0;
    if (!in.value(colours) || colours > (image.hasPalette() ? 1u << image.bitsPerPixel() : 0u))
        return brokenReply("the decoder's palette does not fit the picture");
    image.palette.resize(colours);
    if (!in.take(image.palette.data(), colours * sizeof(Colour)) || !in.blob(image.comment) ||
        !in.blob(image.metadata.exif) || !in.blob(image.metadata.xmp) ||
        !in.blob(image.metadata.icc))
        return brokenReply("the decoder's answer ends early");
    uint8_t hasDeep = 0;
    if (!in.value(hasDeep)) return brokenReply("the decoder's answer ends early");
    if (!hasDeep) return true;
    int32_t channels = 0;
    if (!in.value(channels) || channels != deepChannelsFor(image.bitsPerPixel(), image.grey()))
        return brokenReply("the decoder's samples do not fit the picture");
    auto deep = makeDeepSamples(image.width(), image.height(), channels, 0);
    if (!deep) return false;
    if (!in.take(deep->samples.data(), deep->samples.size() * sizeof(uint16_t)))
        return brokenReply("the decoder's answer ends early");
    attachDeepSamples(image, std::move(deep));
    return true;
}

// Palette indexes must stay below the depth's count and name an entry: ones past the palette
// read as black, as a decoder's do.
bool indexesFit(Image& image) {
    if (!image.hasPalette()) return true;
    const size_t colours = size_t(1) << image.bitsPerPixel();
    if (image.palette.size() == colours && image.bitsPerPixel() == 8) return true;
    uint8_t highest = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* row = image.row(y);
        highest = std::max(highest, *std::max_element(row, row + image.width()));
    }
    if (highest >= colours) return brokenReply("the decoder's palette does not fit the picture");
    if (highest >= image.palette.size()) image.palette.resize(size_t(highest) + 1, Colour{});
    return true;
}

}  // namespace

bool sendDecodeMessage(int socket, const void* message, size_t size, const int* fds, int count) {
    iovec part{const_cast<void*>(message), size};
    alignas(cmsghdr) char control[CMSG_SPACE(2 * sizeof(int))] = {};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    if (count > 0) {
        header.msg_control = control;
        header.msg_controllen = CMSG_SPACE(size_t(count) * sizeof(int));
        cmsghdr* rights = CMSG_FIRSTHDR(&header);
        rights->cmsg_level = SOL_SOCKET;
        rights->cmsg_type = SCM_RIGHTS;
        rights->cmsg_len = CMSG_LEN(size_t(count) * sizeof(int));
        std::memcpy(CMSG_DATA(rights), fds, size_t(count) * sizeof(int));
    }
    for (;;) {
        const ssize_t sent = sendmsg(socket, &header, MSG_NOSIGNAL);
        if (sent == ssize_t(size)) return true;
        if (sent < 0 && errno == EINTR) continue;
        return false;
    }
}

bool receiveDecodeMessage(int socket, void* message, size_t size, UniqueFd (&fds)[2], int timeoutMs,
                          bool* timedOut) {
    if (timedOut) *timedOut = false;
    for (UniqueFd& fd : fds) fd.reset();
    pollfd ready{socket, POLLIN, 0};
    for (;;) {
        const int got = poll(&ready, 1, timeoutMs);
        if (got > 0) break;
        if (got < 0 && errno == EINTR) continue;
        if (got == 0 && timedOut) *timedOut = true;
        return false;
    }
    iovec part{message, size};
    alignas(cmsghdr) char control[CMSG_SPACE(2 * sizeof(int))] = {};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    ssize_t received;
    do received = recvmsg(socket, &header, MSG_CMSG_CLOEXEC);
    while (received < 0 && errno == EINTR);
    // Descriptors are taken first, so that none leaks whatever the message is.
    int taken = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
        const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int fd = -1;
            std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
            if (taken < 2)
                fds[taken++].reset(fd);
            else
                ::close(fd);
        }
    }
    return received == ssize_t(size) && !(header.msg_flags & (MSG_TRUNC | MSG_CTRUNC));
}

bool packPicture(Image& image, DecodeReply& reply, UniqueFd (&fds)[2],
                 std::vector<uint8_t>& streamed) {
    reply.width = image.width();
    reply.height = image.height();
    reply.bitsPerPixel = image.bitsPerPixel();
    reply.grey = image.grey();
    reply.cutShort = image.cutShort;
    reply.dpiX = image.dpiX;
    reply.dpiY = image.dpiY;
    const bool exchanged = RasterPool::inExchangeFile(image.data());
    UniqueFd raster(exchanged ? -1 : RasterPool::takeSharedFile(image.data()));
    if (!exchanged && !raster.valid()) {
        try {
            streamed.assign(image.data(), image.data() + image.byteCount());
            writeParts(image, appendingTo(streamed));
        } catch (const std::bad_alloc&) {
            return fail(kErrMemory);
        }
        reply.streamed = 1;
        reply.rasterBytes = image.byteCount();
        reply.partsBytes = streamed.size() - image.byteCount();
        image = Image();
        return true;
    }
    UniqueFd parts(memfd_create("ximora-parts", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!parts.valid() ||
        !writeParts(image, [&](const void* data,
                               size_t size) { return writeAll(parts.get(), data, size); }) ||
        fcntl(parts.get(), F_ADD_SEALS, kSeals) != 0)
        return failWithReason(kErrMemory, errno);
    image = Image();  // unmaps the writable mapping, which sealing against writes needs
    if (exchanged) {
        fds[0] = std::move(parts);  // the program has the exchange file already
    } else {
        if (fcntl(raster.get(), F_ADD_SEALS, kSeals) != 0) return failWithReason(kErrOther, errno);
        fds[0] = std::move(raster);
        fds[1] = std::move(parts);
    }
    reply.hasParts = 1;
    reply.rasterExchanged = exchanged;
    return true;
}

bool sendDecodeStream(int socket, const std::vector<uint8_t>& bytes) {
    for (size_t at = 0; at < bytes.size(); at += kDecodeStreamChunk)
        if (!sendDecodeMessage(socket, bytes.data() + at,
                               std::min(kDecodeStreamChunk, bytes.size() - at), nullptr, 0))
            return false;
    return true;
}

bool receiveDecodeStream(int socket, uint64_t size, std::vector<uint8_t>& out, int timeoutMs,
                         bool* timedOut) {
    out.resize(size_t(size));
    UniqueFd unwanted[2];
    for (size_t at = 0; at < out.size(); at += kDecodeStreamChunk)
        if (!receiveDecodeMessage(socket, out.data() + at,
                                  std::min(kDecodeStreamChunk, out.size() - at), unwanted,
                                  timeoutMs, timedOut))
            return false;
    return true;
}

namespace {

// The raster of a picture the worker streamed, copied from the bytes it sent.
bool copyStreamed(const DecodeReply& reply, const std::vector<uint8_t>& streamed, Image& image) {
    if (reply.rasterBytes != Image::rasterBytes(reply.width, reply.height, reply.bitsPerPixel) ||
        reply.rasterBytes + reply.partsBytes != streamed.size())
        return brokenReply("the decoder's picture is malformed");
    if (!image.allocate(reply.width, reply.height, reply.bitsPerPixel, reply.grey != 0))
        return lastError() == kErrMemory ? false
                                         : brokenReply("the decoder's picture is malformed");
    std::memcpy(image.data(), streamed.data(), image.byteCount());
    return readParts(streamed.data() + reply.rasterBytes, size_t(reply.partsBytes), image);
}

// The other parts of a picture the worker left in shared memory.
bool mapParts(UniqueFd& fd, Image& image) {
    size_t size = 0;
    uint8_t* parts = mapSealed(fd.get(), size);
    if (!parts) return brokenReply("the decoder's picture is not sealed shared memory");
    const bool read = readParts(parts, size, image);
    munmap(parts, size);
    return read;
}

// The raster of a picture the worker left in shared memory, mapped, and its other parts.
bool mapShared(const DecodeReply& reply, UniqueFd (&fds)[2], Image& image) {
    if (!reply.hasParts || !fds[0].valid() || !fds[1].valid())
        return brokenReply("the decoder sent no picture");
    size_t rasterSize = 0;
    uint8_t* raster = mapSealed(fds[0].get(), rasterSize);
    if (!raster) return brokenReply("the decoder's picture is not sealed shared memory");
    if (!image.adoptMapping(reply.width, reply.height, reply.bitsPerPixel, reply.grey != 0, raster,
                            rasterSize)) {
        munmap(raster, rasterSize);
        return lastError() == kErrMemory ? false
                                         : brokenReply("the decoder's picture is malformed");
    }
    return mapParts(fds[1], image);
}

// The raster of a picture the worker left in the exchange file, copied, and its other parts.
bool copyExchanged(const DecodeReply& reply, UniqueFd (&fds)[2], ExchangeFile& exchange,
                   Image& image) {
    if (!reply.hasParts || !fds[0].valid()) return brokenReply("the decoder sent no picture");
    if (!image.allocate(reply.width, reply.height, reply.bitsPerPixel, reply.grey != 0))
        return lastError() == kErrMemory ? false
                                         : brokenReply("the decoder's picture is malformed");
    const uint8_t* raster = exchange.contents(image.byteCount());
    if (!raster) return false;
    std::memcpy(image.data(), raster, image.byteCount());
    return mapParts(fds[0], image);
}

}  // namespace

bool unpackPicture(const DecodeReply& reply, UniqueFd (&fds)[2],
                   const std::vector<uint8_t>& streamed, ExchangeFile& exchange, Image& out) {
    Image image;
    const bool unpacked = reply.streamed          ? copyStreamed(reply, streamed, image)
                          : reply.rasterExchanged ? copyExchanged(reply, fds, exchange, image)
                                                  : mapShared(reply, fds, image);
    if (!unpacked || !indexesFit(image)) return false;
    image.dpiX = std::max(0, reply.dpiX);
    image.dpiY = std::max(0, reply.dpiY);
    image.cutShort = reply.cutShort != 0;
    out = std::move(image);
    return true;
}

}  // namespace ximora::engine
