#pragma once
// dxflib's receiver for readDxf: turns the entities of the model space into lines, fills and
// texts with their styles as stated, keeps block definitions aside and places a copy of a block
// for every insert of it; the tables (layers, line types) resolve the styles at the end.

#include <dl_creationadapter.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "vector/dxf/dxf_hatch.h"
#include "vector/dxf/dxf_style.h"
#include "vector/scene/scene.h"

namespace ximora::vector {

class DxfCollector : public DL_CreationAdapter {
  public:
    /// `hatches` are the groups of every HATCH entity in file order (dxflib reads only part of
    /// them). `maxPoints` bounds all points kept (model space and blocks together).
    DxfCollector(std::deque<DxfGroups> hatches, size_t maxPoints)
        : hatches_(std::move(hatches)), maxPoints_(maxPoints), budget_(maxPoints) {}
    /// Whether something was dropped because the point limit was reached.
    bool overflow() const { return budget_.exhausted() || overflow_; }
    /// Ends what is still open and puts the model space into `out` (not bound yet).
    void finish(Scene& out);

    void addLayer(const DL_LayerData& d) override;
    void addLinetype(const DL_LinetypeData& d) override;
    void addLinetypeDash(double length) override { dashes_.push_back(length); }
    void setVariableDouble(const std::string& key, double value, int code) override;
    void addBlock(const DL_BlockData& d) override;
    void endBlock() override;
    void addLine(const DL_LineData& d) override;
    void addCircle(const DL_CircleData& d) override;
    void addArc(const DL_ArcData& d) override;
    void addEllipse(const DL_EllipseData& d) override;
    void addPolyline(const DL_PolylineData& d) override;
    void addVertex(const DL_VertexData& d) override;
    void addSpline(const DL_SplineData& d) override;
    void addControlPoint(const DL_ControlPointData& d) override;
    void addFitPoint(const DL_FitPointData& d) override;
    void addKnot(const DL_KnotData& d) override;
    void addSolid(const DL_SolidData& d) override;
    void addTrace(const DL_TraceData& d) override;
    void addHatch(const DL_HatchData& d) override;
    void endSequence() override { finishPending(); }
    void endEntity() override { finishPending(); }
    void addText(const DL_TextData& d) override;
    void addMText(const DL_MTextData& d) override;
    void addInsert(const DL_InsertData& d) override;

  private:
    template <typename T>
    struct Styled {
        T item;
        DxfStyle style;
    };
    /// What the model space or one block holds (block coordinates).
    struct Part {
        std::vector<Styled<std::vector<Point>>> paths;
        std::vector<Styled<Fill>> fills;
        std::vector<Styled<Label>> labels;
        Point base;  ///< the block's base point, placed at an insert's point
    };
    Part& target() { return block_ ? *block_ : model_; }
    DxfStyle currentStyle();
    void addPath(std::vector<Point> points);
    void addFill(Fill fill);
    void addLabel(Label label);
    void addQuad(const DL_TraceData& d);
    /// Ends a polyline or spline whose vertices or points came one by one.
    void finishPending();

    std::deque<DxfGroups> hatches_;
    size_t maxPoints_;
    PointBudget budget_;
    bool overflow_ = false;  ///< the final scene did not take everything
    DxfStyleTable table_;
    std::vector<double> dashes_;  ///< of the line type being read
    Part model_;
    std::map<std::string, Part> blocks_;
    Part* block_ = nullptr;  ///< the block being defined, or nullptr in the model space

    struct Vertex {
        Point at;
        double bulge = 0;
    };
    struct Pending {
        enum class Kind { None, Polyline, Spline } kind = Kind::None;
        DxfStyle style;
        bool closed = false;
        std::vector<Vertex> vertices;  ///< of a polyline
        int degree = 3;                ///< of a spline, with its points, weights and knots
        std::vector<Point> controls, fits;
        std::vector<double> weights, knots;
    } pending_;
};

}  // namespace ximora::vector
