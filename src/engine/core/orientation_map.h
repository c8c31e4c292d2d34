#pragma once
// The eight ways a raster can be turned and mirrored, numbered as the EXIF and TIFF orientation
// tag numbers them: where pixel (x, y) of the result lies in a stored raster of w × h pixels.
// 1 is upright, 2 mirrored left to right, 3 turned by 180°, 4 mirrored top to bottom, 6 a right
// (clockwise) quarter turn, 8 a left one, 5 and 7 the mirrored quarter turns. 5 to 8 swap the
// sides.

namespace ximora::engine {

struct OrientationMap {
    int orientation, w, h;
    void operator()(int x, int y, int& sx, int& sy) const {
        switch (orientation) {
            case 2:
                sx = w - 1 - x, sy = y;
                break;
            case 3:
                sx = w - 1 - x, sy = h - 1 - y;
                break;
            case 4:
                sx = x, sy = h - 1 - y;
                break;
            case 5:
                sx = y, sy = x;
                break;
            case 6:
                sx = y, sy = h - 1 - x;
                break;
            case 7:
                sx = w - 1 - y, sy = h - 1 - x;
                break;
            case 8:
                sx = w - 1 - y, sy = x;
                break;
            default:
                sx = x, sy = y;
                break;
        }
    }
    bool swapsSides() const { return orientation >= 5 && orientation <= 8; }
};

}  // namespace ximora::engine
