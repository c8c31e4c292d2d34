#include "vector/dxf/dxf_style.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace ximora::vector {

namespace {

std::string upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

uint8_t byte(double v) { return uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

// Weights are hundredths of a millimetre.
constexpr double kMmPerWeight = 0.01;

}  // namespace

Rgb aciColour(int index) {
    static constexpr std::array<Rgb, 10> kFirst{{{0, 0, 0},
                                                 {255, 0, 0},
                                                 {255, 255, 0},
                                                 {0, 255, 0},
                                                 {0, 255, 255},
                                                 {0, 0, 255},
                                                 {255, 0, 255},
                                                 {0, 0, 0},  // white on screen, black on paper
                                                 {128, 128, 128},
                                                 {192, 192, 192}}};
    static constexpr std::array<uint8_t, 6> kGreys{51, 80, 105, 130, 190, 255};
    if (index < 1 || index > 255) return {};
    if (index < 10) return kFirst[size_t(index)];
    if (index >= 250) {
        const uint8_t v = kGreys[size_t(index - 250)];
        return {v, v, v};
    }
    // 24 hues 15° apart, five brightnesses, each full and half saturated.
    const double hue = (index / 10 - 1) * 15.0;
    const int shade = index % 10;
    static constexpr std::array<double, 5> kBrightness{1.0, 0.8, 0.6, 0.5, 0.3};
    const double brightness = kBrightness[size_t(shade / 2)];
    const auto channel = [&](double offset) {
        // The hue circle of HSV at full saturation and value, for the channel at `offset`.
        const double h = std::fmod(hue + offset + 360, 360);
        double c = 0;
        if (h < 60 || h >= 300)
            c = 1;
        else if (h < 120)
            c = (120 - h) / 60;
        else if (h >= 240)
            c = (h - 240) / 60;
        if (shade % 2) c = 0.5 + c / 2;
        return byte(c * brightness);
    };
    return {channel(0), channel(-120), channel(-240)};
}

DxfStyle DxfStyle::placedBy(const DxfStyle& insert) const {
    DxfStyle placed = *this;
    if (placed.layer == "0") placed.layer = insert.layer;
    if (placed.aci == kByBlock) {
        placed.aci = insert.aci;
        placed.rgb = insert.rgb;
    }
    if (placed.weight == kWeightByBlock) placed.weight = insert.weight;
    if (upper(placed.linetype) == "BYBLOCK") placed.linetype = insert.linetype;
    placed.linetypeScale *= insert.linetypeScale;
    return placed;
}

void DxfStyleTable::addLayer(const std::string& name, DxfStyle style, bool frozen) {
    layers_[upper(name)] = {std::move(style), frozen};
}

void DxfStyleTable::addLinetype(const std::string& name, std::vector<double> dashes) {
    linetypes_[upper(name)] = std::move(dashes);
}

void DxfStyleTable::setGlobalLinetypeScale(double scale) {
    if (sensible(scale) && scale > 0) globalScale_ = scale;
}

const DxfStyleTable::Layer* DxfStyleTable::layerOf(const DxfStyle& style) const {
    const auto found = layers_.find(upper(style.layer));
    return found == layers_.end() ? nullptr : &found->second;
}

bool DxfStyleTable::visible(const DxfStyle& style) const {
    const Layer* layer = layerOf(style);
    return !layer || (!layer->frozen && layer->style.aci >= 0);
}

Stroke DxfStyleTable::stroke(const DxfStyle& style) const {
    const Layer* layer = layerOf(style);
    Stroke stroke;
    // Colour: a true colour wins over the index; "by layer" takes the layer's.
    int aci = style.aci, rgb = style.rgb;
    if (aci == DxfStyle::kByLayer) {
        aci = layer ? std::abs(layer->style.aci) : 7;
        rgb = layer ? layer->style.rgb : -1;
    }
    if (rgb >= 0)
        stroke.colour = {uint8_t(rgb >> 16 & 0xFF), uint8_t(rgb >> 8 & 0xFF), uint8_t(rgb & 0xFF)};
    else
        stroke.colour = aciColour(aci == DxfStyle::kByBlock || aci == DxfStyle::kByLayer ? 7 : aci);

    int weight = style.weight;
    if (weight == DxfStyle::kWeightByLayer) weight = layer ? layer->style.weight : 0;
    stroke.widthMm = weight > 0 ? weight * kMmPerWeight : 0;

    std::string linetype = upper(style.linetype);
    if (linetype == "BYLAYER") linetype = layer ? upper(layer->style.linetype) : "CONTINUOUS";
    const auto found = linetypes_.find(linetype);
    const double scale = style.linetypeScale * globalScale_;
    if (found != linetypes_.end() && sensible(scale) && scale > 0)
        for (double dash : found->second) stroke.dashes.push_back(dash * scale);
    return stroke;
}

}  // namespace ximora::vector
