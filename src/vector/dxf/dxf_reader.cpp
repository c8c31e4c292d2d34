#include "vector/dxf/dxf_reader.h"

#include <dl_dxf.h>

#include <cctype>
#include <cmath>
#include <deque>
#include <sstream>
#include <string_view>

#include "engine/core/error.h"
#include "vector/dxf/dxf_collector.h"

namespace ximora::vector {

namespace {

// Enough for any real drawing, small enough that a forged file cannot exhaust memory.
constexpr size_t kMaxPoints = 4'000'000;

// dxflib reads a line into a buffer of DL_DXF_MAXLINE bytes with its terminating zero; a longer
// line puts its stream into a failed state that never reaches the end of the file, and the
// reading loop goes on forever.
std::string_view fittedToLineBuffer(std::string_view value) {
    constexpr size_t kLongest = DL_DXF_MAXLINE - 1;
    if (value.size() <= kLongest) return value;
    size_t cut = kLongest;
    // Not inside a UTF-8 sequence: back to the byte that starts the cut character.
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
    return value.substr(0, cut);
}

/// The text as dxflib will read it: every group as a code line holding only an integer and a
/// value line without surrounding blanks or control characters, up to the end of file group.
/// Fails with kErrBadFile for a code that is not an integer. dxflib sizes some arrays from
/// counts stated in the file (vertices of a light polyline, knots and points of a spline,
/// vertices of a leader, dashes of a line type) and frees them twice when such an allocation
/// fails, so a forged count fails here with kErrMemory and never reaches it. The groups of every
/// HATCH entity go to `hatches` (dxflib reads only part of them). A value longer than dxflib's
/// line buffer is cut at a character boundary: dxflib would stop reading at such a line and
/// never reach the end of the text.
bool canonicalDxf(const std::string& text, std::string& out, std::deque<DxfGroups>& hatches) {
    constexpr long kMaxCount = 1'000'000;
    const auto trimmed = [](std::string_view line) {
        size_t first = 0, last = line.size();
        while (first < last && static_cast<unsigned char>(line[first]) <= ' ') ++first;
        while (last > first && static_cast<unsigned char>(line[last - 1]) <= ' ') --last;
        return line.substr(first, last - first);
    };
    // The integer at the start of `v` as dxflib reads it; `whole` when nothing follows it.
    const auto leadingInt = [](std::string_view v, bool& whole) {
        size_t i = 0;
        const bool negative = !v.empty() && v[0] == '-';
        if (!v.empty() && (v[0] == '-' || v[0] == '+')) ++i;
        const size_t start = i;
        long value = 0;
        for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
            if (i - start == 10) {
                whole = false;
                return negative ? -kMaxCount - 1 : kMaxCount + 1;
            }
            value = value * 10 + (v[i] - '0');
        }
        whole = i > start && i == v.size();
        return negative ? -value : value;
    };
    out.clear();
    out.reserve(text.size());
    std::string entity;
    const std::string_view all(text);
    size_t pos = 0;
    const auto nextLine = [&] {
        const size_t end = std::min(all.find('\n', pos), all.size());
        const std::string_view line = trimmed(all.substr(pos, end - pos));
        pos = end + 1;
        return line;
    };
    while (pos < all.size()) {
        const std::string_view code = nextLine();
        if (code.empty() && pos >= all.size()) break;  // blank lines at the end
        const std::string_view value =
            fittedToLineBuffer(pos < all.size() ? nextLine() : std::string_view());
        // A text file has no NUL bytes; dxflib would read a line only up to its first one, and
        // the counts below would then be judged on another text than dxflib's.
        if (code.find('\0') != std::string_view::npos || value.find('\0') != std::string_view::npos)
            return engine::fail(engine::kErrBadFile);
        bool whole = false;
        const long group = leadingInt(code, whole);
        if (!whole) return engine::fail(engine::kErrBadFile);
        out.append(code).append(1, '\n').append(value).append(1, '\n');
        if (group == 0) {
            entity.assign(value);
            for (char& c : entity) c = char(std::toupper(static_cast<unsigned char>(c)));
            if (entity == "EOF") break;
            if (entity == "HATCH") hatches.emplace_back();
            continue;
        }
        if (entity == "HATCH") hatches.back().emplace_back(int(group), std::string(value));
        const bool counted = (entity == "LWPOLYLINE" && group == 90) ||
                             (entity == "SPLINE" && group >= 72 && group <= 74) ||
                             (entity == "LEADER" && group == 76) ||
                             (entity == "LTYPE" && group == 73);
        if (!counted) continue;
        bool plain = false;
        const long count = leadingInt(value, plain);
        if (count < 0 || count > kMaxCount) return engine::fail(engine::kErrMemory);
    }
    return true;
}

}  // namespace

bool readDxf(const std::string& text, Scene& out) {
    out = {};
    std::string canonical;
    std::deque<DxfGroups> hatches;
    if (!canonicalDxf(text, canonical, hatches)) return false;
    DxfCollector collector(std::move(hatches), kMaxPoints);
    std::istringstream stream(canonical);
    DL_Dxf dxf;
    bool read = false;
    try {
        read = dxf.in(stream, &collector);
    } catch (const std::exception&) {
        read = false;
    }
    collector.finish(out);
    out.bound();
    if (collector.overflow()) {
        out = {};
        return engine::fail(engine::kErrMemory);
    }
    if (!read || out.empty()) {
        out = {};
        return engine::fail(engine::kErrBadFile);
    }
    return true;
}

}  // namespace ximora::vector
