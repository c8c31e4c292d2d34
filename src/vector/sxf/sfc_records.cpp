#include "vector/sxf/sfc_records.h"

#include <cctype>
#include <cstdlib>
#include <optional>

#include "vector/sxf/ignoring_case.h"

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
        std::string param(body.substr(i + 1, end - (i + 1) - (escaped ? 1 : 0)));
        // In plain-quoted text a quote is written twice.
        if (!escaped)
            for (size_t at = param.find("''"); at != std::string::npos;
                 at = param.find("''", at + 1))
                param.erase(at, 1);
        out.push_back(std::move(param));
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

bool startsWithSxf(std::string_view s) {
    return s.size() >= 3 && equalsIgnoringCase(s.substr(0, 3), "SXF");
}

// A comment that opens with "SXF" (any case, spaces allowed before it) and a version suffix.
struct FeatureComment {
    size_t body = 0;                      ///< where the record starts, after the opener
    size_t bodyEnd = 0;                   ///< where it ends, before the closer (when paired)
    size_t end = std::string_view::npos;  ///< after the comment's "*/"; npos when cut off
    bool paired = false;  ///< closed by "SXF" + the same suffix just before its "*/"
};

// The feature comment whose "/*" is at `pos`, or nothing for another comment. Its closer is
// looked for only at the comment's own end, never further on.
std::optional<FeatureComment> featureCommentAt(std::string_view text, size_t pos) {
    size_t at = pos + 2;
    while (at < text.size() && text[at] == ' ') ++at;
    if (!startsWithSxf(text.substr(at))) return std::nullopt;
    at += 3;
    const size_t suffixStart = at;
    while (at < text.size() && std::isalnum(static_cast<unsigned char>(text[at]))) ++at;
    const std::string_view suffix = text.substr(suffixStart, at - suffixStart);
    FeatureComment comment;
    comment.body = at;
    const size_t close = text.find("*/", at);
    if (close == std::string_view::npos) return comment;  // cut off
    comment.end = close + 2;
    size_t closer = close;
    while (closer > at && text[closer - 1] == ' ') --closer;
    comment.paired =
        closer >= at + 3 + suffix.size() &&
        equalsIgnoringCase(text.substr(closer - suffix.size(), suffix.size()), suffix) &&
        startsWithSxf(text.substr(closer - suffix.size() - 3));
    comment.bodyEnd = comment.paired ? closer - suffix.size() - 3 : at;
    return comment;
}

}  // namespace

bool hasFeatureComments(std::string_view text) {
    // Paired ones only: an exchange file of the other form may say "/* SXF ... */" in passing.
    for (size_t pos = 0; (pos = text.find("/*", pos)) != std::string_view::npos; pos += 2)
        if (const auto comment = featureCommentAt(text, pos); comment && comment->paired)
            return true;
    return false;
}

SfcStatus readSfcRecords(std::string_view text, std::vector<SfcRecord>& out, int* unreadable) {
    out.clear();
    int bad = 0;
    const auto count = [&](int extra) {
        if (unreadable) *unreadable = bad + extra;
    };
    bool any = false;
    size_t lastEnd = 0;
    for (size_t pos = 0; (pos = text.find("/*", pos)) != std::string_view::npos;) {
        const std::optional<FeatureComment> comment = featureCommentAt(text, pos);
        if (!comment) {
            pos += 2;
            continue;
        }
        any = true;
        if (comment->end == std::string_view::npos) {  // cut off
            count(1);
            return SfcStatus::Damaged;
        }
        SfcRecord record;
        if (comment->paired &&
            parseRecord(text.substr(comment->body, comment->bodyEnd - comment->body), record))
            out.push_back(std::move(record));
        else
            ++bad;
        pos = lastEnd = comment->end;
    }
    if (!any) return SfcStatus::None;
    // The data section and the file end after the last record.
    const std::string_view rest = text.substr(lastEnd);
    const size_t endsec = findIgnoringCase(rest, "ENDSEC");
    const bool cut =
        endsec == std::string_view::npos ||
        findIgnoringCase(rest.substr(endsec), "END-ISO-10303-21") == std::string_view::npos;
    count(cut ? 1 : 0);
    return bad > 0 || cut ? SfcStatus::Damaged : SfcStatus::Complete;
}

bool sfcNumber(std::string_view text, double& out) {
    std::string copy(trimmed(text));
    if (copy.empty() || copy.size() > 64) return false;
    for (char& c : copy)
        if (c == 'D' || c == 'd') c = 'E';
    char* end = nullptr;
    out = std::strtod(copy.c_str(), &end);
    return end && *end == '\0';
}

std::vector<double> sfcList(std::string_view param) {
    std::vector<double> values;
    param = trimmed(param);
    if (!param.empty() && param.front() == '(') param.remove_prefix(1);
    if (!param.empty() && param.back() == ')') param.remove_suffix(1);
    std::string item;
    const auto flush = [&] {
        const std::string_view t = trimmed(item);
        double v = 0;
        if (!t.empty() && sfcNumber(t, v)) values.push_back(v);
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
