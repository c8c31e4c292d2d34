#include "engine/codecs/band_rows.h"

#include "engine/core/error.h"
#include "engine/core/memory_budget.h"

namespace ximora::engine {

bool BandRows::prepare(int y0, int count) {
    y0_ = y0;
    rows_.assign(size_t(count), nullptr);
    for (int r = 0; r < count; ++r) rows_[size_t(r)] = sink_.rowMemory(y0 + r);
    if (count > 0 && !rows_[0]) {
        const uint64_t bytes = uint64_t(count) * rowBytes_;
        if (bytes > memoryLimit()) return fail(kErrMemory);
        if (buffer_.size() < bytes) buffer_.resize(size_t(bytes));
        for (int r = 0; r < count; ++r) rows_[size_t(r)] = buffer_.data() + size_t(r) * rowBytes_;
    }
    return true;
}

void BandRows::hand() {
    for (size_t r = 0; r < rows_.size(); ++r) sink_.putRow(y0_ + int(r), rows_[r]);
}

}  // namespace ximora::engine
