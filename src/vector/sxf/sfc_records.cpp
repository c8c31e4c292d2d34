#include "vector/sxf/sfc_records.h"

#include <cctype>
#include <cstdlib>

namespace ximora::vector {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// Where a quoted parameter that starts at `open` (after its opening quote) ends: at a quote
// (preceded by a backslash when the opening one was) followed by "," or ")" or the end.
size_t closingQuote(std::string_view body, size_t from, bool escaped) {
    for (size_t i = from; i < body.size(); ++i) {
        if (body[i] != '\'') continue;
        if (escaped && (i == 0 || body[i - 1] != '\\')) continue;
        const std::string_view rest = trimmed(body.substr(i + 1));
        if (rest.empty() || rest.front() == ',' || rest.front() == ')') return i;
    }
    return std::string_view::npos;
}

/// The parameters between the feature's parentheses.
bool parseParams(std::string_view body, std::vector<std::string>& out) {
    size_t i = 0;
    while (true) {
        while (i < body.size() && (static_cast<unsigned char>(body[i]) <= ' ' || body[i] == ','))
            ++i;
        if (i >= body.size() || body[i] == ')') return true;
        bool escaped = false;
        if (body[i] == '\\' && i + 1 < body.size() && body[i + 1] == '\'') {
            escaped = true;
            ++i;
        }
        if (body[i] != '\'') return false;
        const size_t end = closingQuote(body, i + 1, escaped);
        if (end == std::string_view::npos) return false;
        out.emplace_back(body.substr(i + 1, end - (i + 1) - (escaped ? 1 : 0)));
        i = end + 1;
    }
}

bool parseRecord(std::string_view comment, SfcRecord& out) {
    // "#12 = name(params)"
    comment = trimmed(comment);
    const size_t equals = comment.find('=');
    const size_t open = comment.find('(');
    if (comment.empty() || comment.front() != '#' || equals == std::string_view::npos ||
        open == std::string_view::npos || open < equals)
        return false;
    const std::string_view name = trimmed(comment.substr(equals + 1, open - equals - 1));
    if (name.empty()) return false;
    out.name.clear();
    for (char c : name) out.name += char(std::tolower(static_cast<unsigned char>(c)));
    out.params.clear();
    return parseParams(comment.substr(open + 1), out.params);
}

}  // namespace

SfcStatus readSfcRecords(std::string_view text, std::vector<SfcRecord>& out) {
    out.clear();
    bool any = false, damaged = false;
    size_t pos = 0;
    while ((pos = text.find("/*SXF", pos)) != std::string_view::npos) {
        any = true;
        const size_t start = pos + 5;
        const size_t end = text.find("SXF*/", start);
        if (end == std::string_view::npos) return SfcStatus::Damaged;  // cut off
        SfcRecord record;
        if (parseRecord(text.substr(start, end - start), record))
            out.push_back(std::move(record));
        else
            damaged = true;
        pos = end + 5;
    }
    if (!any) return SfcStatus::None;
    // The data section and the file end after the last record.
    const std::string_view rest = text.substr(text.rfind("SXF*/") + 5);
    const size_t endsec = rest.find("ENDSEC");
    if (damaged || endsec == std::string_view::npos ||
        rest.find("END-ISO-10303-21", endsec) == std::string_view::npos)
        return SfcStatus::Damaged;
    return SfcStatus::Complete;
}

std::vector<double> sfcList(std::string_view param) {
    std::vector<double> values;
    param = trimmed(param);
    if (!param.empty() && param.front() == '(') param.remove_prefix(1);
    if (!param.empty() && param.back() == ')') param.remove_suffix(1);
    std::string item;
    const auto flush = [&] {
        const std::string_view t = trimmed(item);
        if (!t.empty()) {
            const std::string copy(t);
            char* end = nullptr;
            const double v = std::strtod(copy.c_str(), &end);
            if (end && *end == '\0') values.push_back(v);
        }
        item.clear();
    };
    for (char c : param) {
        if (c == ',')
            flush();
        else
            item += c;
    }
    flush();
    return values;
}

}  // namespace ximora::vector
