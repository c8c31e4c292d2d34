#pragma once
// dxflib's receiver for readDxf: turns the entities of the model space into DxfShapes, keeps
// block definitions aside and places a copy of a block for every insert of it.

#include <dl_creationadapter.h>

#include <map>
#include <string>
#include <vector>

#include "vector/dxf/dxf_shapes.h"

namespace ximora::vector {

class DxfCollector : public DL_CreationAdapter {
  public:
    /// `maxPoints` bounds all points kept (model space and blocks together).
    DxfCollector(DxfShapes& out, size_t maxPoints) : out_(out), maxPoints_(maxPoints) {}
    /// Whether something was dropped because the point limit was reached.
    bool overflow() const { return overflow_; }
    /// Ends a polyline still open at the end of the file and sets the bounding box.
    void finish();

    void addBlock(const DL_BlockData& d) override;
    void endBlock() override;
    void addLine(const DL_LineData& d) override;
    void addCircle(const DL_CircleData& d) override;
    void addArc(const DL_ArcData& d) override;
    void addEllipse(const DL_EllipseData& d) override;
    void addPolyline(const DL_PolylineData& d) override;
    void addVertex(const DL_VertexData& d) override;
    void endSequence() override { finishPolyline(); }
    void endEntity() override { finishPolyline(); }
    void addText(const DL_TextData& d) override;
    void addMText(const DL_MTextData& d) override;
    void addInsert(const DL_InsertData& d) override;

  private:
    /// Paths and texts of the model space or of one block (block coordinates).
    struct Part {
        std::vector<std::vector<DxfPoint>> paths;
        std::vector<DxfText> texts;
        DxfPoint base;  ///< the block's base point, placed at an insert's point
    };
    Part& target() { return block_ ? *block_ : model_; }
    void addCurve(DxfPoint centre, DxfPoint major, double ratio, double t1, double t2);
    void finishPolyline();
    void addPath(std::vector<DxfPoint> points);
    void addLabel(DxfPoint at, double height, double angle, std::string text);
    bool reserve(size_t points);

    DxfShapes& out_;
    size_t maxPoints_;
    size_t totalPoints_ = 0;
    bool overflow_ = false;
    Part model_;
    std::map<std::string, Part> blocks_;
    Part* block_ = nullptr;  ///< the block being defined, or nullptr in the model space
    struct Vertex {
        DxfPoint at;
        double bulge = 0;
    };
    bool inPolyline_ = false;
    bool closed_ = false;
    std::vector<Vertex> polyline_;
};

}  // namespace ximora::vector
