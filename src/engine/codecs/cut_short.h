#pragma once
// The words of the program's own decoders for a file that ends before its picture does.

namespace ximora::engine {

/// Sets error 23 with words that say how much of the picture the file holds ("the header says
/// 4000 x 3000 but the file ends after 12 rows") and returns false.
bool failCutShort(int width, int height, int rows);

}  // namespace ximora::engine
