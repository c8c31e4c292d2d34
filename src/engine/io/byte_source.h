#pragma once
// Random access to a file's bytes without holding the file: header readers ask for the few
// ranges they need, and thumbnails stream a picture of any size through a small buffer. A
// memory buffer is a source too, so one decoder serves files and buffers alike.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ximora::engine {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    /// Size of the content in bytes.
    virtual uint64_t size() const = 0;
    /// Copies up to `length` bytes from `offset` into `out`; returns how many were copied,
    /// fewer at the end of the content (0 from its end on) or after a read error.
    virtual size_t read(uint64_t offset, void* out, size_t length) = 0;
    /// The whole content when it lies in memory (decoders then use it in place), else nullptr.
    virtual const uint8_t* data() const { return nullptr; }
};

/// A memory buffer, which must outlive the source.
class MemorySource final : public ByteSource {
  public:
    MemorySource(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    uint64_t size() const override { return size_; }
    size_t read(uint64_t offset, void* out, size_t length) override;
    const uint8_t* data() const override { return bytes_; }

  private:
    const uint8_t* bytes_;
    size_t size_;
};

/// A file read with pread: nothing of it is kept but what the caller copies out.
class FileSource final : public ByteSource {
  public:
    FileSource() = default;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    ~FileSource() override;
    /// Opens the regular file at `path` (UTF-8). Fails with error 16 when it does not exist, 20
    /// when it cannot be opened or is no regular file.
    bool open(const std::string& path);
    /// Takes over `fd`, a descriptor open for reading, as open() would have opened it: error 20
    /// (and `fd` closed) when it is no regular file.
    bool adopt(int fd);
    /// The open descriptor, -1 when none; the source keeps it.
    int descriptor() const { return fd_; }
    uint64_t size() const override { return size_; }
    size_t read(uint64_t offset, void* out, size_t length) override;

  private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

/// Sequential reading of a source through a buffer of 64 KiB (or in place for memory), for
/// decoders that read their stream front to back.
class SourceReader {
  public:
    explicit SourceReader(ByteSource& source, uint64_t start = 0);
    /// Copies up to `length` bytes and moves on; fewer at the end of the content.
    size_t read(void* out, size_t length);
    /// The next `length` bytes, in place where they lie in memory or in the buffer, else copied
    /// into a buffer of the reader; nullptr (position unchanged) when fewer are left. Valid
    /// until the next call.
    const uint8_t* take(size_t length);
    /// Reads one byte into `byte`; false at the end.
    bool readByte(uint8_t& byte) {
        if (at_ < end_) {
            byte = window_[at_++];
            return true;
        }
        return read(&byte, 1) == 1;
    }
    /// Moves to `offset`; false past the end.
    bool seek(uint64_t offset);
    uint64_t position() const { return base_ + at_; }
    /// Bytes left from the current position.
    uint64_t remaining() const;
    ByteSource& source() const { return source_; }

  private:
    bool refill();

    ByteSource& source_;
    std::vector<uint8_t> buffer_;
    std::vector<uint8_t> taken_;       // take() of bytes that straddle the buffer's end
    const uint8_t* window_ = nullptr;  // the buffered bytes, or the whole memory content
    uint64_t base_ = 0;                // content offset of window_[0]
    size_t at_ = 0, end_ = 0;          // read position and end inside the window
};

/// Reads the whole content into `out`. Fails with error 3 when it is larger than the memory
/// budget, 23 when reading stops early; `out` is unchanged then.
bool readWholeSource(ByteSource& source, std::vector<uint8_t>& out);

/// Reads the first `most` bytes (fewer when the content is shorter) into `out`.
void readHead(ByteSource& source, size_t most, std::vector<uint8_t>& out);

}  // namespace ximora::engine
