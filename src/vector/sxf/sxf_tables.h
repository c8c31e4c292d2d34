#pragma once
// The styles an SXF drawing refers to by number: layers, colours, line types, line widths.
// Colours 1-16, line types 1-15 and widths 1-9 are SXF's own (its common predefined elements);
// what a file defines itself follows them: colours from 17, line types from 17, widths from 11.

#include <optional>
#include <string>
#include <vector>

#include "vector/scene/scene.h"

namespace ximora::vector {

class SxfTables {
  public:
    /// The predefined colour of that name ("red"), if SXF has one.
    static std::optional<Rgb> namedColour(const std::string& name);
    /// The dashes (mm: dash, gap, ...; 0 is a dot) of the predefined line type of that name.
    static std::optional<std::vector<double>> namedLinetype(const std::string& name);

    void addLayer(std::string name, bool visible) { layers_.push_back({std::move(name), visible}); }
    void addColour(Rgb colour) { colours_.push_back(colour); }
    void addLinetype(std::vector<double> pitches) { linetypes_.push_back(std::move(pitches)); }
    void addWidth(double mm) { widths_.push_back(mm); }

    /// Layer codes count from 1 in the order of their definitions; an unknown one is shown.
    bool layerVisible(int code) const;
    /// Black for an unknown code.
    Rgb colour(int code) const;
    /// Solid for an unknown code.
    std::vector<double> dashes(int code) const;
    /// The thinnest (0.13 mm) for an unknown code.
    double widthMm(int code) const;
    /// The three together.
    Stroke stroke(int colour, int linetype, int width) const {
        return {this->colour(colour), widthMm(width), dashes(linetype)};
    }

  private:
    struct Layer {
        std::string name;
        bool visible = true;
    };
    std::vector<Layer> layers_;
    std::vector<Rgb> colours_;
    std::vector<std::vector<double>> linetypes_;
    std::vector<double> widths_;
};

}  // namespace ximora::vector
