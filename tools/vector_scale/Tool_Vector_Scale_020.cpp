#include "Tool_Vector_Scale_020.hpp"

#include <algorithm>
#include <cmath>

#include "qk_general_utils.hpp"
#include "lx_mesh.hpp"
#include "qk_tool_enable.hpp"
#include "qk_visit.hpp"

namespace gORVA_Tools_Scale {

namespace {

const char *const kServerName = "gORVA.Scale";
const char *const kUpAxisPreference = "units.upAxis";
const unsigned kModelFlags = LXfTMOD_MODELSPACE | LXfTMOD_DRAW_3D | LXfTMOD_I0_INPUT;
// Active layers with marked vertices and edges, for the line and the boxes.
const unsigned kActivationScanFlags =
    LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_MARKVERTS | LXf_LAYERSCAN_MARKEDGES;
// Active layers with marked vertices and polygons, writable.
const unsigned kScaleScanFlags = LXf_LAYERSCAN_EDIT_POLVRT;
// Screen size (pixels) of the unit the display is laid out in.
const double kDisplayPixels = 25.0;
// The selection types the reference line is looked for in.
const LXtID4 kLineSelectionTypes[] = {LXiSEL_VERTEX, LXiSEL_EDGE, LXiSEL_POLYGON, 0};

bool IsTransformFree() {
    return !qk::IsSetItemTransform();
}

Vector3 PointPosition(CLxUser_Point &points) {
    LXtFVector p = {0.0f, 0.0f, 0.0f};
    points.Pos(p);
    return Vector3(p);
}

// Collects the selected points of one layer in visiting order.
class TargetLineVertexVisitor final : public CLxImpl_AbstractVisitor {
public:
    void Reset() { m_points.clear(); }
    LxResult Evaluate() override;
    // The visited points (id and position), in visiting order.
    const std::vector<qk::Point> &GetPoints() const { return m_points; }

    CLxUser_Point points;

private:
    std::vector<qk::Point> m_points;
};

// Counts the selected edges of one layer and keeps the ends of the first.
class TargetLineEdgeVisitor final : public CLxImpl_AbstractVisitor {
public:
    void Reset();
    // Counts the edge; the ends (ids and positions) of the first edge are kept.
    LxResult Evaluate() override;
    // Edges visited since Reset.
    unsigned Count() const { return m_count; }
    const LXtPointID *GetPointIds() const { return m_ids; }
    const Vector3 *GetPointPositions() const { return m_positions; }

    CLxUser_Edge edges;
    CLxUser_Point points;

private:
    unsigned m_count = 0;
    LXtPointID m_ids[2] = {nullptr, nullptr};
    Vector3 m_positions[2];
};

// Moves each visited point to rule(position) (mesh coordinates). A point the mesh could not hold is
// not written: the walk stops and Failed() turns true, so that the caller drops the scan.
class ScalePointsVisitor final : public CLxImpl_AbstractVisitor {
public:
    explicit ScalePointsVisitor(const ScaleRule &rule) : m_rule(rule) {}
    LxResult Evaluate() override;
    // True once a point could not be written.
    bool Failed() const { return m_failed; }

    CLxUser_Point points;

private:
    ScaleRule m_rule;
    bool m_failed = false;
};

LxResult TargetLineVertexVisitor::Evaluate() {
    const Vector3 p = PointPosition(points);
    m_points.push_back({p.x(), p.y(), p.z(), points.ID()});
    return LXe_OK;
}

void TargetLineEdgeVisitor::Reset() {
    m_count = 0;
    m_ids[0] = m_ids[1] = nullptr;
    m_positions[0] = m_positions[1] = Vector3();
}

LxResult TargetLineEdgeVisitor::Evaluate() {
    if (m_count++ > 0) return LXe_OK;
    if (LXx_FAIL(edges.Endpoints(&m_ids[0], &m_ids[1]))) return LXe_OK;
    for (int i = 0; i < 2; ++i)
        if (LXx_OK(points.Select(m_ids[i]))) m_positions[i] = PointPosition(points);
    return LXe_OK;
}

LxResult ScalePointsVisitor::Evaluate() {
    LXtFVector p;
    if (LXx_FAIL(points.Pos(p))) return LXe_OK;
    const Vector3 moved = m_rule(Vector3(p));
    if (!qk::math::FitsSinglePrecision(moved) || LXx_FAIL(points.SetPos(moved))) {
        m_failed = true;
        return LXe_FAILED;
    }
    return LXe_OK;
}

}  // namespace

// What an activation builds up; it reaches the attributes and services through the tool.
struct CgORVA_ScaleTool::Session {
    explicit Session(CgORVA_ScaleTool &tool);

    // activation and events, as the tool receives them
    void Reset();
    void Initialize(ILxUnknownID vts, ILxUnknownID adjust);
    void Evaluate(ILxUnknownID vts);
    void DrawHandles(qk::ToolDrawContext &ctx);
    // activation
    void FindTargetLine(CLxUser_LayerScan &scan);
    void FindVertexLine(CLxUser_LayerScan &scan);
    void FindEdgeLine(CLxUser_LayerScan &scan);
    void ReadLayerBoxes(CLxUser_LayerScan &scan);
    void PlaceLineAttributes(ILxUnknownID vts, CLxUser_AdjustTool &adjust);
    Vector3 ReferenceSize();
    void MeasureDimensions();
    // evaluation
    bool ScaleLayers(const Vector3 &factors);
    // drawing
    void DrawTargetLine(qk::ToolDrawContext &ctx, double unit);
    void DrawDimensions(qk::ToolDrawContext &ctx, double unit);
    void DrawLabel(qk::ToolDrawContext &ctx, const std::string &text, const Vector3 &colour,
                   int justification, const Vector3 &at);
    void DrawMarker(qk::ToolDrawContext &ctx, const Marker &marker);

    CgORVA_ScaleTool &m_tool;
    // Up axis index (0 X, 1 Y, 2 Z), read from the preference when the tool is created.
    int m_upAxis = 1;
    // The reference line found at activation.
    TargetLine m_line;
    std::vector<LXtBBox> m_layerBoxes;
    // What the last evaluation derived its factors from (ScaleMode and the values it saw).
    ScaleMemory m_memory;
    Vector3 m_boxSize;
    int m_currentLayer = 0;
    // Factors and placement the last evaluation used for the current layer.
    Vector3 m_appliedFactors{1.0, 1.0, 1.0};
    Vector3 m_appliedPlacement;
    LXtMarkMode m_allMode = LXiMARK_ANY;
    LXtMarkMode m_selectMode = LXiMARK_ANY;
};

// ---- registration and attributes

void initialize() {
    CgORVA_ScaleTool::initialize();
}

void CgORVA_ScaleTool::initialize() {
    qk::RegisterTool<CgORVA_ScaleTool>(kServerName);
}

CgORVA_ScaleTool::CgORVA_ScaleTool()
    : qk::ToolFrame({kServerName,
                     {LXsP_TOOL_VIEW_EVENT, LXsP_TOOL_INPUT_EVENT, LXsP_TOOL_EVENTTRANS, LXsP_TOOL_ACTCENTER,
                      LXsP_TOOL_AXIS},
                     kModelFlags,
                     SCALE_ATTRIBUTES,
                     ATTR_COUNT}),
      m_session(std::make_unique<Session>(*this)) {
    tool_Reset();
    ForgetLastChanged();
}

CgORVA_ScaleTool::~CgORVA_ScaleTool() = default;

CgORVA_ScaleTool::Session::Session(CgORVA_ScaleTool &tool) : m_tool(tool) {
    m_upAxis = UpAxisFromPreference(qk::GetPreferenceInt(kUpAxisPreference, 1));
    m_tool.m_meshService.ModeCompose(nullptr, nullptr, &m_allMode);
    m_tool.m_meshService.ModeCompose(LXsMARK_SELECT, nullptr, &m_selectMode);
    m_memory.scaleFactor = 0.0;
    m_memory.length = 0.0;
}

std::vector<qk::ToolEnableCheck> CgORVA_ScaleTool::EnableChecks() const {
    return {{&qk::IsComponentModeSelected, true, "WrongSelectionType"},
            {&qk::DoMeshItemsContainPolygons, true, "NoGeometrySelected"},
            {&IsTransformFree, true, "ItemTransformsFound"},
            {&qk::IsSetItemRefSystem, false, "ItemLocalSpaceRefIsSet"},
            {&qk::IsSupportedModoVersion, true, "WrongModoVersion"}};
}

// A change of "group" makes the next evaluation measure the boxes again.
bool CgORVA_ScaleTool::TracksChange(unsigned index) const {
    return index == ATTR_GROUP;
}

void CgORVA_ScaleTool::tool_Reset() {
    attr_SetFlt(ATTR_SCALE_FACTOR, 1.0);
    attr_SetInt(ATTR_SCALE_AXES, SCALE_AXES_XYZ);
    attr_SetBool(ATTR_SHOW_DIMENSIONS, true);
    m_session->Reset();
}

// ---- what the tool receives, handed to the activation's session

void CgORVA_ScaleTool::tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) {
    m_session->Initialize(vts, adjust);
}

void CgORVA_ScaleTool::tool_Evaluate(ILxUnknownID vts) {
    m_session->Evaluate(vts);
}

void CgORVA_ScaleTool::DrawHandles(qk::ToolDrawContext &ctx) {
    m_session->DrawHandles(ctx);
}

void CgORVA_ScaleTool::Session::Reset() {
    m_memory.mode = SCALE_MODE_FACTOR;
    m_memory.scaleFactor = 0.9;
    m_memory.factors = m_appliedFactors = Vector3(1.0, 1.0, 1.0);
}

// ---- activation

void CgORVA_ScaleTool::Session::Initialize(ILxUnknownID vts, ILxUnknownID adjust) {
    CLxUser_AdjustTool adj;
    adj.set(adjust);
    m_line = TargetLine();
    m_layerBoxes.clear();
    CLxUser_LayerScan scan;
    if (m_tool.m_layerService.BeginScan(kActivationScanFlags, scan)) {
        FindTargetLine(scan);
        ReadLayerBoxes(scan);
        scan.Apply();
    }
    PlaceLineAttributes(vts, adj);
    m_currentLayer = m_line.valid ? int(m_line.layer) : 0;
    m_boxSize = ReferenceSize();
    m_memory = ActivationMemory(m_line.valid, m_line.length, m_boxSize);
    m_appliedFactors = Vector3(1.0, 1.0, 1.0);
    m_appliedPlacement = Vector3();
    if (!adj.test()) return;
    AdjustAttrVector(adj, ATTR_DIMS_X, m_boxSize);
    adj.SetFlt(ATTR_SCALE_FACTOR, 1.0);
    adj.SetInt(ATTR_CENTRE_AT_ORIGIN, 0);
    adj.SetInt(ATTR_USE_ANCHOR, 0);
    adj.SetInt(ATTR_REST_ON_GROUND, 0);
}

void CgORVA_ScaleTool::Session::FindTargetLine(CLxUser_LayerScan &scan) {
    const LXtID4 type = m_tool.m_selService.CurrentType(kLineSelectionTypes);
    if (type == LXiSEL_VERTEX) FindVertexLine(scan);
    if (type == LXiSEL_EDGE) FindEdgeLine(scan);
}

void CgORVA_ScaleTool::Session::FindVertexLine(CLxUser_LayerScan &scan) {
    const int selected = m_tool.m_selService.Count(LXiSEL_VERTEX);
    TargetLineVertexVisitor visitor;
    for (unsigned i = 0, n = scan.NumLayers(); i < n; ++i) {
        CLxUser_Mesh mesh;
        if (!scan.BaseMeshByIndex(i, mesh) || !mesh.GetPoints(visitor.points)) continue;
        visitor.Reset();
        qk::Visit(visitor.points, visitor, m_selectMode);
        // The layer must hold every selected vertex.
        if (!VertexLayerQualifies(int(visitor.GetPoints().size()), selected)) continue;
        TargetLineFromVertices(visitor.GetPoints(), i, m_line);
        return;
    }
}

void CgORVA_ScaleTool::Session::FindEdgeLine(CLxUser_LayerScan &scan) {
    const int selected = m_tool.m_selService.Count(LXiSEL_EDGE);
    TargetLineEdgeVisitor visitor;
    for (unsigned i = 0, n = scan.NumLayers(); i < n; ++i) {
        CLxUser_Mesh mesh;
        if (!scan.BaseMeshByIndex(i, mesh) || !mesh.GetPoints(visitor.points) ||
            !mesh.GetEdges(visitor.edges))
            continue;
        visitor.Reset();
        qk::Visit(visitor.edges, visitor, m_selectMode);
        if (!EdgeLayerQualifies(int(visitor.Count()), selected)) continue;
        const LXtPointID *ids = visitor.GetPointIds();
        const Vector3 *ends = visitor.GetPointPositions();
        m_line.Setup(i, ids[0], ids[1], ends[0], ends[1]);
        return;
    }
}

void CgORVA_ScaleTool::Session::ReadLayerBoxes(CLxUser_LayerScan &scan) {
    for (unsigned i = 0, n = scan.NumLayers(); i < n; ++i) {
        LXtBBox box = {};
        CLxUser_Mesh mesh;
        if (scan.BaseMeshByIndex(i, mesh)) mesh.BoundingBox(m_allMode, &box);
        m_layerBoxes.push_back(box);
    }
}

void CgORVA_ScaleTool::Session::PlaceLineAttributes(ILxUnknownID vts, CLxUser_AdjustTool &adjust) {
    if (m_line.valid) {
        if (!adjust.test()) return;
        AdjustAttrVector(adjust, ATTR_P1X, m_line.ends[0]);
        AdjustAttrVector(adjust, ATTR_P2X, m_line.ends[1]);
        AdjustAttrVector(adjust, ATTR_ANCHOR_X, Vector3());
        adjust.SetFlt(ATTR_LENGTH, m_line.length);
        return;
    }
    // No line: a unit line from the action centre along the work plane's right, the anchor above it;
    // without those packets, from the origin along X with Y up.
    const auto *centre = m_tool.ReadPacket<LXpToolActionCenter>(vts, LXsP_TOOL_ACTCENTER);
    const auto *axis = m_tool.ReadPacket<LXpToolAxis>(vts, LXsP_TOOL_AXIS);
    const Vector3 c = centre ? Vector3(centre->v) : Vector3();
    const Vector3 right = axis ? Vector3(axis->right) : Vector3(1, 0, 0);
    const Vector3 up = axis ? Vector3(axis->up) : Vector3(0, 1, 0);
    m_tool.attr_SetFlt(ATTR_LENGTH, 0.0);
    if (!adjust.test()) return;
    AdjustAttrVector(adjust, ATTR_P1X, c);
    AdjustAttrVector(adjust, ATTR_P2X, c + right);
    AdjustAttrVector(adjust, ATTR_ANCHOR_X, c + up * 0.25);
    adjust.SetFlt(ATTR_LENGTH, 0.0);
}

Vector3 CgORVA_ScaleTool::Session::ReferenceSize() {
    ScaleBox box;
    return ReferenceBox(m_layerBoxes, m_tool.dyna_Bool(ATTR_GROUP), m_currentLayer, box) ? BoxSize(box)
                                                                                         : Vector3();
}

void CgORVA_ScaleTool::Session::MeasureDimensions() {
    m_boxSize = ReferenceSize();
    m_tool.SetAttrVector(ATTR_DIMS_X, m_boxSize);
    m_memory.sizes = m_boxSize;
    m_appliedPlacement = Vector3();
}

// ---- evaluation

void CgORVA_ScaleTool::Session::Evaluate(ILxUnknownID vts) {
    if (!vts || !m_tool.IsView3D(vts)) return;
    if (m_tool.TakeLastChanged() == int(ATTR_GROUP)) MeasureDimensions();
    const ScaleAttributes in{m_tool.dyna_Float(ATTR_LENGTH), m_tool.dyna_Float(ATTR_SCALE_FACTOR),
                             m_tool.AttrVector(ATTR_DIMS_X)};
    const ScaleReference ref{m_line.Usable(), m_line.length, m_boxSize, m_tool.dyna_Int(ATTR_SCALE_AXES)};
    const ScaleDecision d = DecideScale(in, m_memory, ref);
    m_memory = d.memory;
    if (d.action == ScaleAction::CLEAR_SIZE) m_tool.attr_SetFlt(ATTR_DIMS_X + unsigned(d.clearedAxis), 0.0);
    if (d.action != ScaleAction::SCALE) return;
    m_tool.attr_SetFlt(ATTR_LENGTH, d.write.length);
    m_tool.attr_SetFlt(ATTR_SCALE_FACTOR, d.write.scaleFactor);
    m_tool.SetAttrVector(ATTR_DIMS_X, d.write.dims);
    ScaleLayers(d.factors);
}

bool CgORVA_ScaleTool::Session::ScaleLayers(const Vector3 &factors) {
    CLxUser_LayerScan scan;
    if (!m_tool.m_layerService.BeginScan(kScaleScanFlags, scan)) return false;
    const bool group = m_tool.dyna_Bool(ATTR_GROUP);
    const bool centre = m_tool.dyna_Bool(ATTR_CENTRE_AT_ORIGIN),
               ground = m_tool.dyna_Bool(ATTR_REST_ON_GROUND);
    Vector3 placement = m_appliedPlacement,
            ends[2] = {m_tool.AttrVector(ATTR_P1X), m_tool.AttrVector(ATTR_P2X)};
    for (unsigned i = 0, n = scan.NumLayers(); i < n; ++i) {
        ScaleBox box;
        ScaleRule rule;
        CLxUser_Mesh mesh;
        if (!ReferenceBox(m_layerBoxes, group, int(i), box) ||
            !MakeScaleRule(box, factors, centre, ground, m_upAxis, rule))
            continue;
        if (int(i) == m_currentLayer) placement = rule.placement;
        // Nothing moves: the mesh is left as it is, not rewritten through the rule.
        if (rule.IsIdentity()) {
            if (m_line.valid && i == m_line.layer) std::copy(m_line.ends, m_line.ends + 2, ends);
            continue;
        }
        if (!scan.EditMeshByIndex(i, mesh)) continue;
        ScalePointsVisitor scaler(rule);
        if (!mesh.GetPoints(scaler.points)) continue;
        qk::Visit(scaler.points, scaler, m_allMode);
        // A point out of the mesh's range: the scan is dropped and takes its edits back.
        if (scaler.Failed()) return false;
        scan.SetMeshChange(i, LXf_MESHEDIT_POSITION);
        if (!m_line.valid || i != m_line.layer) continue;
        for (int e = 0; e < 2; ++e)
            if (LXx_OK(scaler.points.Select(m_line.ids[e]))) ends[e] = PointPosition(scaler.points);
    }
    scan.Apply();
    m_appliedFactors = factors;
    m_appliedPlacement = placement;
    if (!m_line.valid) return true;
    m_tool.SetAttrVector(ATTR_P1X, ends[0]);
    m_tool.SetAttrVector(ATTR_P2X, ends[1]);
    // "length" shows the real distance; the typed target stays in the memory's target length.
    m_memory.length = qk::math::Distance(ends[0], ends[1]);
    m_tool.attr_SetFlt(ATTR_LENGTH, m_memory.length);
    return true;
}

// ---- drawing

void CgORVA_ScaleTool::Session::DrawHandles(qk::ToolDrawContext &ctx) {
    const double s = ctx.view.PixelScale();
    const double unit = s > 0.0 && std::isfinite(s) ? kDisplayPixels / s : 0.0;
    DrawTargetLine(ctx, unit);
    if (m_tool.dyna_Bool(ATTR_SHOW_DIMENSIONS)) DrawDimensions(ctx, unit);
}

void CgORVA_ScaleTool::Session::DrawTargetLine(qk::ToolDrawContext &ctx, double unit) {
    const Vector3 p1 = m_tool.AttrVector(ATTR_P1X), p2 = m_tool.AttrVector(ATTR_P2X);
    const LineDisplay shown = TargetLineDisplay(m_line, p1, p2, unit);
    if (shown.showLine) {
        LXtMatrix axes;
        qk::math::RotationColumns(qk::math::Matrix4(), axes);
        ctx.handles.Handle(p1, axes, PART_P1, qk::kHandleFlags);
        ctx.handles.Handle(p2, axes, PART_P2, qk::kHandleFlags);
    }
    ctx.stroke.SetPart(PART_NO_HIT);
    if (shown.showLine) {
        ctx.stroke.BeginW(LXiSTROKE_LINES, COLOUR_CYAN, 1.0, LINE_WIDTH);
        ctx.Vertex(p1);
        ctx.Vertex(p2);
        DrawLabel(ctx, m_tool.DistanceLabel(m_tool.Table(), "length", shown.length), COLOUR_LABEL_GREY,
                  LXiTEXT_CENTER, shown.labelPosition);
    }
    for (const Marker &marker : shown.markers) DrawMarker(ctx, marker);
}

void CgORVA_ScaleTool::Session::DrawDimensions(qk::ToolDrawContext &ctx, double unit) {
    ScaleBox box;
    if (!ReferenceBox(m_layerBoxes, m_tool.dyna_Bool(ATTR_GROUP), m_currentLayer, box)) return;
    Vector3 bmin, bmax;
    ScaledBox(box, m_appliedFactors, m_appliedPlacement, bmin, bmax);
    const std::array<bool, 3> inactive = InactiveAxes(m_memory.mode, m_tool.dyna_Int(ATTR_SCALE_AXES));
    for (const Dimension &d : BoxDimensions(bmin, bmax, inactive, unit)) {
        ctx.stroke.SetPart(PART_NO_HIT);
        for (const Segment &segment : {d.line, d.ticks[0], d.ticks[1]}) {
            ctx.stroke.BeginW(LXiSTROKE_LINES, d.lineColour, DIMENSION_ALPHA, DIMENSION_WIDTH);
            ctx.Vertex(segment.from);
            ctx.Vertex(segment.to);
        }
        DrawLabel(ctx, m_tool.DistanceLabel(m_tool.Table(), d.key, d.length), d.labelColour, LXiTEXT_LEFT,
                  d.labelPosition);
    }
}

void CgORVA_ScaleTool::Session::DrawLabel(qk::ToolDrawContext &ctx, const std::string &text,
                                          const Vector3 &colour, int justification, const Vector3 &at) {
    ctx.stroke.Begin(LXiSTROKE_TEXT, colour, 1.0);
    ctx.stroke.Text(text.c_str(), justification);
    ctx.Vertex(at);
}

void CgORVA_ScaleTool::Session::DrawMarker(qk::ToolDrawContext &ctx, const Marker &marker) {
    LXtVector eye = {0.0, 0.0, 0.0};
    ctx.view.EyeVector(marker.centre, eye);
    // The circle faces the viewer: its radius vertex lies towards the eye.
    ctx.stroke.Begin(LXiSTROKE_CIRCLES, COLOUR_CYAN, 1.0);
    ctx.Vertex(marker.centre);
    ctx.Vertex(marker.centre - Vector3(eye) * marker.radius);
    DrawLabel(ctx, marker.text, COLOUR_LABEL_GREY, LXiTEXT_CENTER, marker.textPosition);
}

}  // namespace gORVA_Tools_Scale
