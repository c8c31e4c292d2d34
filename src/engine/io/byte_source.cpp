#include "engine/io/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "engine/core/error.h"
#include "engine/core/image.h"

namespace ximora::engine {
namespace {

constexpr size_t kReadAhead = size_t(64) << 10;

}  // namespace

size_t MemorySource::read(uint64_t offset, void* out, size_t length) {
    if (offset >= size_ || length == 0) return 0;  // an empty read may come with no buffer
    const size_t count = size_t(std::min<uint64_t>(length, size_ - offset));
    std::memcpy(out, bytes_ + offset, count);
    return count;
}

FileSource::~FileSource() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileSource::open(const std::string& path) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return fail(errno == ENOENT || errno == ENOTDIR ? kErrFileNotFound : kErrCannotOpen);
    return adopt(fd_);
}

bool FileSource::adopt(int fd) {
    if (fd_ >= 0 && fd_ != fd) ::close(fd_);
    fd_ = fd;
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return fail(kErrCannotOpen);
    }
    size_ = uint64_t(info.st_size);
    return true;
}

size_t FileSource::read(uint64_t offset, void* out, size_t length) {
    auto* to = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (fd_ >= 0 && done < length) {
        const ssize_t got = ::pread(fd_, to + done, length - done, off_t(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // the end, or a read error: the caller sees a short read
        done += size_t(got);
    }
    return done;
}

SourceReader::SourceReader(ByteSource& source, uint64_t start) : source_(source), base_(start) {
    if (const uint8_t* whole = source.data()) {
        window_ = whole;
        base_ = 0;
        end_ = size_t(source.size());
        at_ = size_t(std::min<uint64_t>(start, end_));
    }
}

bool SourceReader::refill() {
    if (source_.data()) return false;  // the whole content is the window already
    base_ += at_;
    if (buffer_.empty()) buffer_.resize(kReadAhead);
    end_ = source_.read(base_, buffer_.data(), buffer_.size());
    at_ = 0;
    window_ = buffer_.data();
    return end_ > 0;
}

size_t SourceReader::read(void* out, size_t length) {
    auto* to = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < length) {
        if (at_ == end_) {
            // Large reads skip the buffer.
            if (!source_.data() && length - done >= kReadAhead) {
                base_ += at_;
                at_ = end_ = 0;
                const size_t got = source_.read(base_, to + done, length - done);
                base_ += got;
                return done + got;
            }
            if (!refill()) break;
        }
        const size_t n = std::min(length - done, end_ - at_);
        std::memcpy(to + done, window_ + at_, n);
        at_ += n;
        done += n;
    }
    return done;
}

const uint8_t* SourceReader::take(size_t length) {
    if (end_ - at_ >= length) {
        const uint8_t* here = window_ + at_;
        at_ += length;
        return here;
    }
    if (remaining() < length) return nullptr;
    taken_.resize(length);
    const uint64_t from = position();
    if (read(taken_.data(), length) != length) {
        seek(from);
        return nullptr;
    }
    return taken_.data();
}

bool SourceReader::seek(uint64_t offset) {
    if (offset > source_.size()) return false;
    if (offset >= base_ && offset <= base_ + end_) {
        at_ = size_t(offset - base_);
        return true;
    }
    base_ = offset;
    at_ = end_ = 0;
    return true;
}

uint64_t SourceReader::remaining() const {
    const uint64_t size = source_.size();
    return position() < size ? size - position() : 0;
}

bool readWholeSource(ByteSource& source, std::vector<uint8_t>& out) {
    const uint64_t size = source.size();
    if (size > memoryLimit()) return fail(kErrMemory);
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        return fail(kErrMemory);
    }
    if (source.read(0, bytes.data(), bytes.size()) != bytes.size()) return fail(kErrCannotRead);
    out = std::move(bytes);
    return true;
}

void readHead(ByteSource& source, size_t most, std::vector<uint8_t>& out) {
    out.resize(size_t(std::min<uint64_t>(most, source.size())));
    out.resize(source.read(0, out.data(), out.size()));
}

}  // namespace ximora::engine
