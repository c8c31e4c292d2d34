#include "engine/sandbox/exchange_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <utility>

#include "engine/core/error.h"
#include "engine/core/memory_budget.h"

namespace ximora::engine {

ExchangeFile::~ExchangeFile() { unmap(); }

ExchangeFile::ExchangeFile(ExchangeFile&& other) noexcept
    : file_(std::move(other.file_)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mapped_(std::exchange(other.mapped_, 0)),
      lentAt_(other.lentAt_),
      holdsPages_(std::exchange(other.holdsPages_, false)) {}

ExchangeFile& ExchangeFile::operator=(ExchangeFile&& other) noexcept {
    if (this != &other) {
        unmap();
        file_ = std::move(other.file_);
        mapping_ = std::exchange(other.mapping_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
        lentAt_ = other.lentAt_;
        holdsPages_ = std::exchange(other.holdsPages_, false);
    }
    return *this;
}

void ExchangeFile::unmap() {
    if (mapping_) munmap(mapping_, mapped_);
    mapping_ = nullptr;
    mapped_ = 0;
}

int ExchangeFile::lend() {
    if (!file_.valid()) {
        UniqueFd made(memfd_create("ximora-exchange", MFD_CLOEXEC | MFD_ALLOW_SEALING));
        // No shrinking, and no more seals: the worker cannot pull pages from under this
        // program's mapping, nor stop it from mapping the file.
        if (!made.valid() || fcntl(made.get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_SEAL) != 0)
            return -1;
        file_ = std::move(made);
    }
    lentAt_ = std::chrono::steady_clock::now();
    holdsPages_ = true;
    return file_.get();
}

const uint8_t* ExchangeFile::contents(size_t bytes) {
    struct stat status {};
    if (!file_.valid() || fstat(file_.get(), &status) != 0 || status.st_size < 0 ||
        size_t(status.st_size) < bytes || uint64_t(status.st_size) > memoryLimit()) {
        failWithDetail(kErrFileBroken, "the decoder's picture is malformed");
        return nullptr;
    }
    if (mapping_ && mapped_ >= bytes) return mapping_;
    unmap();
    void* p = mmap(nullptr, size_t(status.st_size), PROT_READ, MAP_SHARED, file_.get(), 0);
    if (p == MAP_FAILED) {
        failWithReason(kErrMemory, errno);
        return nullptr;
    }
    mapping_ = static_cast<uint8_t*>(p);
    mapped_ = size_t(status.st_size);
    return mapping_;
}

void ExchangeFile::emptyIfIdle(std::chrono::steady_clock::duration idle) {
    if (!holdsPages_ || std::chrono::steady_clock::now() - lentAt_ < idle) return;
    struct stat status {};
    if (fstat(file_.get(), &status) == 0 && status.st_size > 0)
        fallocate(file_.get(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 0, status.st_size);
    holdsPages_ = false;
}

}  // namespace ximora::engine
