#pragma once
// Comparing the ASCII names of SXF files (keywords, markers, table names) as CAD tools write
// them: in any case.

#include <cctype>
#include <string_view>

namespace ximora::vector {

inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

/// Where `word` first occurs in `text` in any case, or npos.
inline size_t findIgnoringCase(std::string_view text, std::string_view word) {
    for (size_t i = 0; i + word.size() <= text.size(); ++i)
        if (equalsIgnoringCase(text.substr(i, word.size()), word)) return i;
    return std::string_view::npos;
}

}  // namespace ximora::vector
