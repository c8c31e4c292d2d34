#pragma once
// The row order of an interlaced GIF: rows 0, 8, 16, ... then 4, 12, ... then 2, 6, ...
// then 1, 3, 5, ...

namespace ximora::engine {

/// The image row stored at position `index` (0 to height - 1) of an interlaced frame.
inline int gifInterlacedRow(int index, int height) {
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows =
            height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (index < rows) return kStart[pass] + index * kStep[pass];
        index -= rows;
    }
    return height - 1;
}

}  // namespace ximora::engine
