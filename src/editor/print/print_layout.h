#pragma once
// Where a picture goes on the printed page: its size on paper from its resolution, reduced to
// fit the printable area but never enlarged.

namespace ximora::editor {

struct PrintSize {
    int width = 0, height = 0;  ///< tenths of a millimetre
};

/// The picture's size on paper: pixels / dots per inch × 254, to the nearest tenth of a
/// millimetre (a resolution of 0 counts as 72).
PrintSize paperSize(int widthPixels, int heightPixels, int dpiX, int dpiY);

/// `size` scaled by the smaller of printable / size on each axis when that is below 1, so the
/// whole picture fits the printable area; a picture that fits keeps its size.
PrintSize fitToPrintable(PrintSize size, double printableWidth, double printableHeight);

}  // namespace ximora::editor
