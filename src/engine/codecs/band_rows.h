#pragma once
// The rows of a band that a decoder builds at once (a row of tiles): in the sink's own memory
// where it offers it, else in a buffer held for one band.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/codecs/row_sink.h"

namespace ximora::engine {

class BandRows {
  public:
    /// Rows of `rowBytes` bytes for `sink`.
    BandRows(RowSink& sink, size_t rowBytes) : sink_(sink), rowBytes_(rowBytes) {}

    /// Makes rows y0 to y0 + count - 1 of the picture available through row(); false (error 3)
    /// when a buffer of that band would pass the memory budget.
    bool prepare(int y0, int count);
    /// Rows in the prepared band.
    int count() const { return int(rows_.size()); }
    /// Row y0 + r of the prepared band.
    uint8_t* row(int r) const { return rows_[size_t(r)]; }
    /// Hands the prepared band's rows to the sink, top to bottom.
    void hand();

  private:
    RowSink& sink_;
    size_t rowBytes_;
    int y0_ = 0;
    std::vector<uint8_t> buffer_;
    std::vector<uint8_t*> rows_;
};

}  // namespace ximora::engine
