#include "vector/sxf/step_file.h"

#include <cctype>
#include <cstdlib>

#include "engine/core/error.h"

namespace ximora::vector {

namespace {

// Enough for any drawing of the field (a large one holds some 100,000 instances), small
// enough that a forged file cannot exhaust memory.
constexpr size_t kMaxInstances = 2'000'000;
constexpr size_t kMaxValues = 12'000'000;
constexpr int kMaxNesting = 64;

void appendUtf8(std::string& out, uint32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = 0xFFFD;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12);
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18);
        out += char(0x80 | (c >> 12 & 0x3F));
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

/// A string's text with its control directives decoded: "\X\hh" (ISO 8859-1), "\X2\...\X0\"
/// (UTF-16), "\X4\...\X0\" (UCS-4), "\S\c" (the upper half of ISO 8859), "\P?\" (a code
/// page switch, ignored) and "\\".
std::string decodeString(std::string_view raw) {
    std::string out;
    size_t i = 0;
    const auto hexAt = [&](size_t at, size_t digits, uint32_t& value) {
        if (at + digits > raw.size()) return false;
        value = 0;
        for (size_t k = 0; k < digits; ++k) {
            const int d = hexDigit(raw[at + k]);
            if (d < 0) return false;
            value = value << 4 | uint32_t(d);
        }
        return true;
    };
    while (i < raw.size()) {
        const std::string_view rest = raw.substr(i);
        uint32_t v = 0;
        if (rest.starts_with("\\\\")) {
            out += '\\';
            i += 2;
        } else if (rest.starts_with("\\X\\") && hexAt(i + 3, 2, v)) {
            appendUtf8(out, v);
            i += 5;
        } else if (rest.starts_with("\\X2\\") || rest.starts_with("\\X4\\")) {
            const size_t width = rest[2] == '2' ? 4 : 8;
            i += 4;
            uint32_t high = 0;
            while (hexAt(i, width, v)) {
                i += width;
                if (width == 4 && v >= 0xD800 && v < 0xDC00) {
                    high = v;
                    continue;
                }
                if (width == 4 && v >= 0xDC00 && v < 0xE000 && high)
                    v = 0x10000 + ((high - 0xD800) << 10) + (v - 0xDC00);
                high = 0;
                appendUtf8(out, v);
            }
            if (raw.substr(i).starts_with("\\X0\\")) i += 4;
        } else if (rest.starts_with("\\S\\") && rest.size() > 3) {
            appendUtf8(out, uint32_t(static_cast<unsigned char>(rest[3])) + 128);
            i += 4;
        } else if (rest.starts_with("\\P") && rest.size() > 3 && rest[3] == '\\') {
            i += 4;
        } else {
            out += raw[i++];
        }
    }
    return out;
}

class Parser {
  public:
    explicit Parser(std::string_view text) : s_(text) {}

    bool overflow() const { return overflow_; }

    void skipSpace() {
        while (pos_ < s_.size()) {
            if (static_cast<unsigned char>(s_[pos_]) <= ' ') {
                ++pos_;
            } else if (s_.substr(pos_).starts_with("/*")) {
                const size_t end = s_.find("*/", pos_ + 2);
                pos_ = end == std::string_view::npos ? s_.size() : end + 2;
            } else {
                return;
            }
        }
    }
    bool take(char c) {
        skipSpace();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    /// `word` (upper case) in any case: CAD tools write "iso-10303-21;" and "data;" too.
    bool takeWord(std::string_view word) {
        skipSpace();
        if (s_.size() - pos_ < word.size()) return false;
        for (size_t i = 0; i < word.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(s_[pos_ + i])) != word[i]) return false;
        pos_ += word.size();
        return true;
    }
    /// Skips a section the reader does not use (ANCHOR, REFERENCE, SIGNATURE of edition 3):
    /// everything up to its ENDSEC outside strings.
    bool skipSection() {
        while (pos_ < s_.size()) {
            skipSpace();
            if (takeWord("ENDSEC")) return true;
            if (pos_ < s_.size() && s_[pos_] == '\'') {
                StepValue ignored;
                if (!string(ignored)) return false;
            } else {
                ++pos_;
            }
        }
        return false;
    }
    /// Moves past the end of the instance being read (its ";" outside strings and comments);
    /// false at the end of the text (a file cut short).
    bool skipInstance() {
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (c == '\'') {
                const size_t end = s_.find('\'', pos_ + 1);
                if (end == std::string_view::npos) break;
                pos_ = end + 1;  // a doubled quote is two strings in a row: the same
            } else if (s_.substr(pos_).starts_with("/*")) {
                skipSpace();
            } else {
                ++pos_;
                if (c == ';') return true;
            }
        }
        pos_ = s_.size();
        return false;
    }
    void skipByteOrderMark() {
        if (s_.substr(pos_).starts_with("\xEF\xBB\xBF")) pos_ += 3;
    }
    bool atEnd() {
        skipSpace();
        return pos_ >= s_.size();
    }

    bool keyword(std::string& out) {
        skipSpace();
        const size_t start = pos_;
        if (pos_ < s_.size() && s_[pos_] == '!') ++pos_;
        if (pos_ >= s_.size() ||
            !(std::isalpha(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_'))
            return false;
        while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) ||
                                    s_[pos_] == '_' || s_[pos_] == '-'))
            ++pos_;
        out.clear();
        for (char c : s_.substr(start, pos_ - start))
            out += char(std::toupper(static_cast<unsigned char>(c)));
        return true;
    }

    /// "(" values ")" into `out`.
    bool list(std::vector<StepValue>& out, int depth) {
        if (depth > kMaxNesting || !take('(')) return false;
        if (take(')')) return true;
        do {
            if (++values_ > kMaxValues) {
                overflow_ = true;
                return false;
            }
            out.emplace_back();
            if (!value(out.back(), depth + 1)) return false;
        } while (take(','));
        return take(')');
    }

    bool value(StepValue& v, int depth) {
        skipSpace();
        if (pos_ >= s_.size()) return false;
        const char c = s_[pos_];
        if (c == '$' || c == '*') {
            v.kind = c == '$' ? StepValue::Kind::Missing : StepValue::Kind::Derived;
            ++pos_;
            return true;
        }
        if (c == '#') {
            ++pos_;
            v.kind = StepValue::Kind::Ref;
            return integer(v.number);
        }
        if (c == '\'') return string(v);
        if (c == '"') {
            const size_t end = s_.find('"', pos_ + 1);
            if (end == std::string_view::npos) return false;
            v.kind = StepValue::Kind::Binary;
            pos_ = end + 1;
            return true;
        }
        if (c == '.' && pos_ + 1 < s_.size() &&
            std::isdigit(static_cast<unsigned char>(s_[pos_ + 1]))) {
            v.kind = StepValue::Kind::Number;  // a real without its leading 0: ".5"
            return number(v.number);
        }
        if (c == '.') {
            const size_t end = s_.find('.', pos_ + 1);
            if (end == std::string_view::npos || end - pos_ > 256) return false;
            v.kind = StepValue::Kind::Enum;
            v.text = std::string(s_.substr(pos_ + 1, end - pos_ - 1));
            pos_ = end + 1;
            return true;
        }
        if (c == '(') {
            v.kind = StepValue::Kind::List;
            return list(v.items, depth);
        }
        if (c == '+' || c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
            v.kind = StepValue::Kind::Number;
            return number(v.number);
        }
        // A typed value: NAME(value).
        v.kind = StepValue::Kind::Typed;
        return keyword(v.text) && list(v.items, depth);
    }

    bool string(StepValue& v) {
        // '' stands for one quote.
        std::string raw;
        size_t i = pos_ + 1;
        while (true) {
            const size_t end = s_.find('\'', i);
            if (end == std::string_view::npos) return false;
            raw.append(s_.substr(i, end - i));
            if (end + 1 < s_.size() && s_[end + 1] == '\'') {
                raw += '\'';
                i = end + 2;
                continue;
            }
            pos_ = end + 1;
            break;
        }
        v.kind = StepValue::Kind::String;
        v.text = decodeString(raw);
        return true;
    }

    /// A number as CAD tools write them: also "-.5" and Fortran's exponent "1.5D+03".
    bool number(double& out) {
        const size_t start = pos_;
        const auto partOfNumber = [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' ||
                   c == '.' || c == 'E' || c == 'e' || c == 'D' || c == 'd';
        };
        while (pos_ < s_.size() && partOfNumber(s_[pos_])) ++pos_;
        if (pos_ == start || pos_ - start > 64) return false;
        std::string token(s_.substr(start, pos_ - start));
        for (char& c : token)
            if (c == 'D' || c == 'd') c = 'E';
        char* end = nullptr;
        out = std::strtod(token.c_str(), &end);
        return end && *end == '\0';
    }

    bool integer(double& out) {
        const size_t start = pos_;
        while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
        if (pos_ == start || pos_ - start > 15) return false;
        out = std::strtod(std::string(s_.substr(start, pos_ - start)).c_str(), nullptr);
        return true;
    }

    /// "NAME(values)" or "(NAME(values) NAME(values)...)".
    bool instance(StepInstance& out) {
        if (take('(')) {
            while (!take(')')) {
                StepPart part;
                if (!keyword(part.name) || !list(part.params, 0)) return false;
                out.parts.push_back(std::move(part));
            }
            return !out.parts.empty();
        }
        StepPart part;
        if (!keyword(part.name) || !list(part.params, 0)) return false;
        out.parts.push_back(std::move(part));
        return true;
    }

  private:
    std::string_view s_;
    size_t pos_ = 0;
    size_t values_ = 0;
    bool overflow_ = false;
};

}  // namespace

const StepPart* StepInstance::part(std::string_view name) const {
    for (const StepPart& p : parts)
        if (p.name == name) return &p;
    return nullptr;
}

const StepInstance* StepFile::find(int64_t id) const {
    const auto found = instances_.find(id);
    return found == instances_.end() ? nullptr : &found->second;
}

bool StepFile::parse(std::string_view text) {
    instances_.clear();
    system_.clear();
    skipped_ = 0;
    Parser p(text);
    const auto broken = [&] {
        return engine::fail(p.overflow() ? engine::kErrMemory : engine::kErrFileBroken);
    };
    p.skipByteOrderMark();
    if (!p.takeWord("ISO-10303-21") || !p.take(';')) return engine::fail(engine::kErrBadFile);
    if (!p.takeWord("HEADER") || !p.take(';')) return broken();
    // Header entities up to ENDSEC; FILE_NAME's fifth value names the writing system.
    while (!p.takeWord("ENDSEC")) {
        StepInstance header;
        if (!p.instance(header) || !p.take(';')) return broken();
        const StepPart& part = header.parts.front();
        if (part.name == "FILE_NAME" && part.params.size() > 4 &&
            part.params[4].kind == StepValue::Kind::String)
            system_ = part.params[4].text;
    }
    if (!p.take(';')) return broken();
    bool data = false;
    for (;;) {
        if (data && p.atEnd()) {  // cut short after its data: what was read stands
            ++skipped_;
            return true;
        }
        if (!p.takeWord("DATA")) {
            // Sections of later editions that hold no drawing: "NAME;" ... "ENDSEC;".
            std::string section;
            if (p.takeWord("END-ISO-10303-21")) {
                if (!data || !p.take(';')) return broken();
                return true;
            }
            if (!p.keyword(section) || !p.take(';') || !p.skipSection() || !p.take(';'))
                return broken();
            continue;
        }
        data = true;
        std::vector<StepValue> parameters;  // of the data section (later editions of the format)
        if (!p.take(';') && (!p.list(parameters, 0) || !p.take(';'))) return broken();
        while (!p.takeWord("ENDSEC")) {
            double id = 0;
            StepInstance instance;
            if (!p.take('#') || !p.integer(id) || !p.take('=') || !p.instance(instance) ||
                !p.take(';')) {
                // A damaged instance is left out and counted; a file cut short keeps what
                // it has. Too many values is no damage but a forged file.
                if (p.overflow()) return broken();
                ++skipped_;
                if (!p.skipInstance()) return !instances_.empty() || broken();
                continue;
            }
            if (instances_.size() >= kMaxInstances) return engine::fail(engine::kErrMemory);
            instances_[int64_t(id)] = std::move(instance);
        }
        if (!p.take(';')) return broken();
    }
}

}  // namespace ximora::vector
