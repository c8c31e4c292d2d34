#include "vector/sxf/sxf_tables.h"

#include <array>
#include <cmath>
#include <string_view>

#include "vector/sxf/ignoring_case.h"

namespace ximora::vector {

namespace {

struct NamedColour {
    std::string_view name;
    Rgb rgb;
};
constexpr std::array<NamedColour, 16> kColours{{{"black", {0, 0, 0}},
                                                {"red", {255, 0, 0}},
                                                {"green", {0, 255, 0}},
                                                {"blue", {0, 0, 255}},
                                                {"yellow", {255, 255, 0}},
                                                {"magenta", {255, 0, 255}},
                                                {"cyan", {0, 255, 255}},
                                                {"white", {255, 255, 255}},
                                                {"deeppink", {192, 0, 128}},
                                                {"brown", {192, 128, 64}},
                                                {"orange", {255, 128, 0}},
                                                {"lightgreen", {128, 192, 128}},
                                                {"lightblue", {0, 128, 255}},
                                                {"lavender", {128, 64, 255}},
                                                {"lightgray", {192, 192, 192}},
                                                {"darkgray", {128, 128, 128}}}};

// Dash 6 mm, long dash 12, chain dash 3.5, dot, gap 1.5 (the SXF reference pitches).
constexpr double kDash = 6, kLong = 12, kChain = 3.5, kDot = 0, kGap = -1.5;
struct NamedLinetype {
    std::string_view name;
    std::vector<double> dashes;
};
const std::array<NamedLinetype, 15>& linetypes() {
    static const std::array<NamedLinetype, 15> table{{
        {"continuous", {}},
        {"dashed", {kDash, kGap}},
        {"dashed spaced", {kDash, -kDash}},
        {"long dashed dotted", {kLong, kGap, kDot, kGap}},
        {"long dashed double-dotted", {kLong, kGap, kDot, kGap, kDot, kGap}},
        {"long dashed triplicate-dotted", {kLong, kGap, kDot, kGap, kDot, kGap, kDot, kGap}},
        {"dotted", {kDot, kGap}},
        {"chain", {kLong, kGap, kChain, kGap}},
        {"chain double dash", {kLong, kGap, kChain, kGap, kChain, kGap}},
        {"dashed dotted", {kDash, kGap, kDot, kGap}},
        {"double-dashed dotted", {kDash, kGap, kDash, kGap, kDot, kGap}},
        {"dashed double-dotted", {kDash, kGap, kDot, kGap, kDot, kGap}},
        {"double-dashed double-dotted", {kDash, kGap, kDash, kGap, kDot, kGap, kDot, kGap}},
        {"dashed triplicate-dotted", {kDash, kGap, kDot, kGap, kDot, kGap, kDot, kGap}},
        {"double-dashed triplicate-dotted",
         {kDash, kGap, kDash, kGap, kDot, kGap, kDot, kGap, kDot, kGap}},
    }};
    return table;
}

constexpr std::array<double, 9> kWidths{0.13, 0.18, 0.25, 0.35, 0.5, 0.7, 1.0, 1.4, 2.0};
constexpr int kFirstUserColour = 17, kFirstUserLinetype = 17, kFirstUserWidth = 11;

}  // namespace

std::optional<Rgb> SxfTables::namedColour(const std::string& name) {
    for (const NamedColour& c : kColours)
        if (equalsIgnoringCase(c.name, name)) return c.rgb;
    return std::nullopt;
}

std::optional<std::vector<double>> SxfTables::namedLinetype(const std::string& name) {
    for (const NamedLinetype& t : linetypes())
        if (equalsIgnoringCase(t.name, name)) return t.dashes;
    return std::nullopt;
}

bool SxfTables::layerVisible(int code) const {
    return code < 1 || size_t(code) > layers_.size() || layers_[size_t(code - 1)].visible;
}

Rgb SxfTables::colour(int code) const {
    if (code >= 1 && code <= int(kColours.size())) return kColours[size_t(code - 1)].rgb;
    const int user = code - kFirstUserColour;
    if (user >= 0 && size_t(user) < colours_.size()) return colours_[size_t(user)];
    return {};
}

std::vector<double> SxfTables::dashes(int code) const {
    if (code >= 1 && code <= int(linetypes().size())) return linetypes()[size_t(code - 1)].dashes;
    const int user = code - kFirstUserLinetype;
    if (user < 0 || size_t(user) >= linetypes_.size()) return {};
    // A user's pitches are dash, gap, dash, gap... all given as lengths.
    std::vector<double> dashes = linetypes_[size_t(user)];
    for (size_t i = 1; i < dashes.size(); i += 2) dashes[i] = -std::fabs(dashes[i]);
    return dashes;
}

double SxfTables::widthMm(int code) const {
    if (code >= 1 && code <= int(kWidths.size())) return kWidths[size_t(code - 1)];
    // A file lists the nine predefined widths and then its own, or only its own.
    const int user = code - kFirstUserWidth;
    std::vector<double> own;
    for (double w : widths_) {
        bool predefined = false;
        for (double k : kWidths) predefined = predefined || std::fabs(w - k) < 1e-6;
        if (!predefined) own.push_back(w);
    }
    if (user >= 0 && size_t(user) < own.size()) return own[size_t(user)];
    return kWidths.front();
}

}  // namespace ximora::vector
