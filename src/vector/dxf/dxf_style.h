#pragma once
// Colours, line types and line weights of DXF entities as the file states them (possibly "by
// layer" or "by block"), and their resolution into a Stroke once the layers are known.

#include <map>
#include <string>
#include <vector>

#include "vector/scene/scene.h"

namespace ximora::vector {

/// The AutoCAD Colour Index (1 to 255) as RGB; 7 (white on a dark screen) is drawn black on
/// the white page. Out of range: black.
Rgb aciColour(int index);

/// An entity's own style (group codes 8, 62, 420, 370, 6, 48).
struct DxfStyle {
    static constexpr int kByBlock = 0, kByLayer = 256;
    static constexpr int kWeightByLayer = -1, kWeightByBlock = -2;
    std::string layer = "0";
    int aci = kByLayer;           ///< 0 by block, 256 by layer, negative: the layer is off
    int rgb = -1;                 ///< a true colour 0xRRGGBB, or -1
    int weight = kWeightByLayer;  ///< 1/100 mm, or by layer / by block / -3 default
    std::string linetype = "BYLAYER";
    double linetypeScale = 1;

    /// This style inside a block inserted with `insert`'s style: what is "by block" (and what
    /// lies on layer 0) takes the insert's.
    DxfStyle placedBy(const DxfStyle& insert) const;
};

/// The drawing's tables: layers (their style) and line types (their dashes), and $LTSCALE.
class DxfStyleTable {
  public:
    void addLayer(const std::string& name, DxfStyle style, bool frozen);
    void addLinetype(const std::string& name, std::vector<double> dashes);
    void setGlobalLinetypeScale(double scale);

    /// Whether entities of `style` are shown (their layer is neither off nor frozen).
    bool visible(const DxfStyle& style) const;
    /// The colour, width (mm) and dashes (drawing units) of `style`; what is still "by block"
    /// at the top level is black, continuous and thin.
    Stroke stroke(const DxfStyle& style) const;

  private:
    struct Layer {
        DxfStyle style;
        bool frozen = false;
    };
    const Layer* layerOf(const DxfStyle& style) const;
    std::map<std::string, Layer> layers_;
    std::map<std::string, std::vector<double>> linetypes_;
    double globalScale_ = 1;
};

}  // namespace ximora::vector
