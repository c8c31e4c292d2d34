#pragma once
// SXF files are Shift-JIS text (CP932, the code page of the system they come from); some
// writers use UTF-8. Everything is read as UTF-8.

#include <string>
#include <string_view>

namespace ximora::vector {

/// `bytes` as UTF-8: unchanged when they are valid UTF-8 already, otherwise decoded from CP932,
/// each byte that is no part of a CP932 character becoming U+FFFD.
std::string sxfTextToUtf8(std::string_view bytes);

}  // namespace ximora::vector
