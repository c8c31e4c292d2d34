#include "vector/sxf/sxf_text.h"

#include <iconv.h>

#include <cerrno>

namespace ximora::vector {

namespace {

bool validUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t extra = 0;
        if (c < 0x80)
            extra = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            extra = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            extra = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            extra = 3;
        else
            return false;
        if (s.size() - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

/// One iconv conversion descriptor, closed on every path out.
class Converter {
  public:
    Converter() : cd_(iconv_open("UTF-8", "CP932")) {}
    ~Converter() {
        if (ready()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ready() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

  private:
    iconv_t cd_;
};

}  // namespace

std::string sxfTextToUtf8(std::string_view bytes) {
    if (validUtf8(bytes)) return std::string(bytes);
    Converter converter;
    std::string out;
    if (!converter.ready()) {
        // Without a converter only the ASCII part can be read.
        for (char c : bytes) out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
        return out;
    }
    out.reserve(bytes.size() * 3 / 2);
    char buffer[4096];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t done = iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, size_t(outPtr - buffer));
        if (done != size_t(-1) || errno == E2BIG) continue;
        // An invalid or cut off sequence: one replacement character, then go on after it.
        out += "\xEF\xBF\xBD";
        ++in;
        --inLeft;
        iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace ximora::vector
