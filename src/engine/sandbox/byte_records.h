#pragma once
// Writing values and length-prefixed blobs front to back, and reading them back without ever
// reading past the end: how the program and a decode worker pass what is not a raster.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace ximora::engine {

// Writes values and blobs front to back through `put` (false from it stops the rest).
template <typename Put>
class RecordWriter {
  public:
    explicit RecordWriter(Put put) : put_(put) {}
    void put(const void* data, size_t size) { ok_ = ok_ && put_(data, size); }
    template <typename T>
    void value(T v) {
        put(&v, sizeof v);
    }
    template <typename Bytes>
    void blob(const Bytes& bytes) {
        value(uint64_t(bytes.size()));
        put(bytes.data(), bytes.size());
    }
    bool ok() const { return ok_; }

  private:
    Put put_;
    bool ok_ = true;
};

/// A `put` for RecordWriter that appends to `bytes`.
inline auto appendingTo(std::vector<uint8_t>& bytes) {
    return [&bytes](const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
        return true;
    };
}

// Reads what a RecordWriter wrote, refusing to read past the end.
class RecordReader {
  public:
    RecordReader(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}
    bool take(void* out, size_t size) {
        if (size > size_t(end_ - at_)) return false;
        if (size) std::memcpy(out, at_, size);
        at_ += size;
        return true;
    }
    template <typename T>
    bool value(T& v) {
        return take(&v, sizeof v);
    }
    template <typename Bytes>
    bool blob(Bytes& bytes) {
        uint64_t size = 0;
        if (!value(size) || size > uint64_t(end_ - at_)) return false;
        bytes.resize(size_t(size));
        return take(bytes.data(), size_t(size));
    }
    /// The next `size` bytes where they lie, skipped; nullptr when fewer are left.
    const uint8_t* skip(size_t size) {
        if (size > size_t(end_ - at_)) return nullptr;
        const uint8_t* here = at_;
        at_ += size;
        return here;
    }
    bool atEnd() const { return at_ == end_; }

  private:
    const uint8_t* at_;
    const uint8_t* end_;
};

}  // namespace ximora::engine
