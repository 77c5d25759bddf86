#include "Tool_Arches_032.hpp"

#include <cmath>

#include "lx_wrap.hpp"
#include "lx_action.hpp"
#include "lx_item.hpp"
#include "qk_constants.hpp"
#include "qk_general_utils.hpp"
#include "qk_item_xfrm.hpp"
#include "qk_mesh_writer.hpp"
#include "qk_tool_enable.hpp"

namespace gORVA_Tools_Arch {

using qk::math::Matrix4;
using qk::math::TransformPoint;

namespace {

const char *const kServerName = "gORVA.Arch";
const char *const kDialogTitle = "gORVA Arch Tool";
const unsigned kModelFlags = LXfTMOD_DRAW_3D | LXfTMOD_I0_INPUT | LXfTMOD_I0_ATTRHAUL;
const unsigned kEvaluateScanFlags = LXf_LAYERSCAN_PRIMARY | LXf_LAYERSCAN_WRITEMESH;
const unsigned kNewPointsAndPolygons = LXf_MESHEDIT_POINTS | LXf_MESHEDIT_POLYGONS;
const double kLabelPixels = 25.0;
const double kLabelFactor = 1.5;
const LXtVector kLabelColour = {0.99, 0.99, 0.99};

bool HasFreeHeight(int type) {
    return type == ARCH_SEGMENTAL || type == ARCH_LANCET || type == ARCH_PARABOLIC || type == ARCH_ELLIPTICAL;
}

bool AllFit(const std::vector<Vector3> &points) {
    for (const Vector3 &p : points)
        if (!qk::math::FitsSinglePrecision(p)) return false;
    return true;
}

// The arch's points in arch-local space: `main` the curve (or the strip's intrados), `second` the
// knockout outline or the strip's extrados.
void BuildLists(const ArchInputs &in, std::vector<Vector3> &main, std::vector<Vector3> &second) {
    if (in.mode == ARCH_GEO_POLYGON_STRIP) {
        if (BuildStripIntrados(in.type, in.span, in.height, in.segments, main))
            BuildExtrados(in.type, in.span, in.height, in.segments, in.depth, second);
        return;
    }
    BuildArchCurve(in.type, in.span, in.height, in.segments, main);
    if (main.size() <= 2 || (in.mode != ARCH_GEO_KNOCKOUT && in.mode != ARCH_GEO_POLYGON_KNOCKOUT)) return;
    second = main;
    if (in.mode == ARCH_GEO_KNOCKOUT) main.clear();
    AppendKnockoutPoints(in.type, in.span, in.height, second);
}

// Writes the arch's faces of the geometry mode into the primary layer, each tagged with the part.
void WriteMesh(CLxUser_LayerService &layers, int mode, const std::vector<Vector3> &main,
               const std::vector<Vector3> &second) {
    if (mode < ARCH_GEO_POLYGON || mode > ARCH_GEO_POLYGON_STRIP) return;
    qk::ScanMeshWriter out(layers, kEvaluateScanFlags);
    auto points = [&out](auto first, auto last) {
        std::vector<LXtPointID> ids;
        for (auto it = first; it != last; ++it) {
            LXtPointID id = nullptr;
            if (!out.AddPoint(*it, id)) break;
            ids.push_back(id);
        }
        return ids;
    };
    if (mode == ARCH_GEO_POLYGON || mode == ARCH_GEO_POLYGON_KNOCKOUT)
        out.AddFace(points(main.begin(), main.end()), ARCH_PART_NAME);
    if (mode == ARCH_GEO_KNOCKOUT || mode == ARCH_GEO_POLYGON_KNOCKOUT)
        out.AddFace(points(second.rbegin(), second.rend()), ARCH_PART_NAME);
    if (mode == ARCH_GEO_POLYLINE) {
        std::vector<LXtPointID> ids = points(main.begin(), main.end());
        for (size_t i = 0; i + 1 < ids.size(); ++i) out.AddFace({ids[i], ids[i + 1]}, ARCH_PART_NAME);
    }
    if (mode == ARCH_GEO_POLYGON_STRIP) {
        std::vector<LXtPointID> a = points(main.begin(), main.end());
        std::vector<LXtPointID> b = points(second.begin(), second.end());
        size_t quads = (a.size() + b.size()) / 2;
        for (size_t i = 0; i + 1 < quads && i + 1 < a.size() && i + 1 < b.size(); ++i)
            out.AddFace({b[i], b[i + 1], a[i + 1], a[i]}, ARCH_PART_NAME);
    }
    out.Finish(kNewPointsAndPolygons);
}

}  // namespace

// What an activation builds up; it reaches the attributes and services through the tool.
struct CgORVA_ArchTool::Session {
    explicit Session(CgORVA_ArchTool &tool) : m_tool(tool) {}

    // activation and events, as the tool receives them
    void Initialize(ILxUnknownID vts, ILxUnknownID adjust);
    LxResult Down(ILxUnknownID vts, ILxUnknownID adjust);
    void MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust);
    void Evaluate(ILxUnknownID vts);
    void DrawHandles(qk::ToolDrawContext &ctx);
    // reading the scene
    ArchItemTransforms ReadItemTransforms();
    ArchWorkPlane ReadWorkPlane(ILxUnknownID vts) const;
    Vector3 ActionCentre(ILxUnknownID vts) const;
    // handles
    void AdjustHandlePositions(double height, double span, const Matrix4 &frame, CLxUser_AdjustTool &adjust);
    void WriteHandlePositions(double height, double span, const Matrix4 &frame);
    void DrawLabels(qk::ToolDrawContext &ctx);

    CgORVA_ArchTool &m_tool;
    ArchFrame m_frame;
    // True until the first press has placed the arch.
    bool m_firstPlacement = true;
    // True once the handles stand where the arch does (the first draw places them).
    bool m_handlesPlaced = false;
    // The geometry mode a strip request falls back to for an arch type a strip cannot follow.
    int m_lastNonStripMode = 0;
};

void initialize() {
    CgORVA_ArchTool::initialize();
}

void CgORVA_ArchTool::initialize() {
    qk::RegisterTool<CgORVA_ArchTool>(kServerName);
}

CgORVA_ArchTool::CgORVA_ArchTool()
    : qk::ToolFrame({kServerName,
                     {LXsP_TOOL_VIEW_EVENT, LXsP_TOOL_INPUT_EVENT, LXsP_TOOL_EVENTTRANS, LXsP_TOOL_ACTCENTER,
                      LXsP_TOOL_AXIS, LXsP_TOOL_HIT_EVENT, LXsP_TOOL_XFRM},
                     kModelFlags,
                     ARCH_ATTRIBUTES,
                     ATTR_COUNT}),
      m_session(std::make_unique<Session>(*this)) {}

CgORVA_ArchTool::~CgORVA_ArchTool() = default;

// ---- attributes

void CgORVA_ArchTool::tool_Reset() {
    attr_SetInt(ATTR_ARCH_TYPE, ARCH_SEMI);
    attr_SetInt(ATTR_GEOMETRY_MODE, ARCH_GEO_POLYGON);
    attr_SetInt(ATTR_SEGMENTS, 20);
    attr_SetFlt(ATTR_HEIGHT, 1.0);
    attr_SetFlt(ATTR_SPAN, 2.0);
    attr_SetBool(ATTR_SPIN_CW, false);
    attr_SetBool(ATTR_SPIN_ACW, false);
}

const char *CgORVA_ArchTool::tmod_Haul(unsigned index) {
    if (index == 0) return "arch_span";
    if (index == 1) return "arch_height";
    return nullptr;
}

bool CgORVA_ArchTool::atrui_Enabled(unsigned index, CLxUser_Message &msg) {
    if (index != ATTR_INTRA_EXTRADOS_DIST || dyna_Int(ATTR_GEOMETRY_MODE) == ARCH_GEO_POLYGON_STRIP)
        return true;
    if (msg.test()) msg.SetMessage(Table(), "NeedsPolygonStripMode", 0);
    return false;
}

std::vector<qk::ToolEnableCheck> CgORVA_ArchTool::EnableChecks() const {
    return {{&qk::IsComponentModeSelected, true, "WrongSelectionType"},
            {&qk::IsSetItemRefSecondaryLayer, false, "ItemRefSecondaryLayer"},
            {&qk::IsSupportedModoVersion, true, "WrongModoVersion"}};
}

// ---- what the tool receives, handed to the activation's session

void CgORVA_ArchTool::tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) {
    m_session->Initialize(vts, adjust);
}

LxResult CgORVA_ArchTool::tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) {
    return m_session->Down(vts, adjust);
}

void CgORVA_ArchTool::tmod_Up(ILxUnknownID vts, ILxUnknownID adjust) {
    m_session->m_firstPlacement = false;
}

void CgORVA_ArchTool::MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust) {
    m_session->MoveHandle(part, pos, adjust);
}

void CgORVA_ArchTool::DrawHandles(qk::ToolDrawContext &ctx) {
    m_session->DrawHandles(ctx);
}

void CgORVA_ArchTool::tool_Evaluate(ILxUnknownID vts) {
    m_session->Evaluate(vts);
}

bool CgORVA_ArchTool::HandlePosition(int part, LXtVector pos) {
    switch (part) {
        case PART_CROWN:
            AttrVector(ATTR_CROWN_X).CopyTo(pos);
            return true;
        case PART_SPAN_END:
            AttrVector(ATTR_SPAN_END_X).CopyTo(pos);
            return true;
        case PART_SPAN_START:
            AttrVector(ATTR_SPAN_START_X).CopyTo(pos);
            return true;
        default:
            return false;
    }
}

// ---- activation

void CgORVA_ArchTool::Session::Initialize(ILxUnknownID vts, ILxUnknownID adjust) {
    m_tool.ForgetLoggedError();
    double span = m_tool.dyna_Float(ATTR_SPAN);
    if (!(span > 0.0 && span <= 5000.0)) m_tool.tool_Reset();

    CLxUser_AdjustTool adj;
    const auto *centre = m_tool.ReadPacket<LXpToolActionCenter>(vts, LXsP_TOOL_ACTCENTER);
    if (centre && adj.set(adjust)) AdjustAttrVector(adj, ATTR_OFFSET_X, Vector3(centre->v));

    ArchItemTransforms item = ReadItemTransforms();
    ArchWorkPlane plane = ReadWorkPlane(vts);
    bool itemReference = !qk::QueryCommandString("item.refSystem").empty();
    m_frame.Activate(item, plane, itemReference);

    m_handlesPlaced = false;
    m_firstPlacement = true;
    m_tool.m_hotPart = -1;
}

ArchItemTransforms CgORVA_ArchTool::Session::ReadItemTransforms() {
    // The layer written into is the primary one; its item's matrices map the arch into it.
    CLxUser_LayerScan scan;
    if (!m_tool.m_layerService.BeginScan(LXf_LAYERSCAN_PRIMARY, scan)) return {};
    CLxUser_Item item;
    qk::ItemXfrm xf;
    const bool read = scan.NumLayers() > 0 && scan.ItemByIndex(0, item) &&
                      qk::ReadItemXfrm(item, m_tool.m_selService.GetTime(), xf);
    scan.Apply();
    return ArchItemTransforms::FromChannels(read, xf.world, xf.scale, xf.rotation, xf.position);
}

ArchWorkPlane CgORVA_ArchTool::Session::ReadWorkPlane(ILxUnknownID vts) const {
    const auto *xfrm = m_tool.ReadPacket<LXpToolXfrm>(vts, LXsP_TOOL_XFRM);
    if (!qk::IsWorkPlaneActive(xfrm)) return {};
    return ArchWorkPlane::FromPacket(xfrm->m, xfrm->mInv, xfrm->v);
}

Vector3 CgORVA_ArchTool::Session::ActionCentre(ILxUnknownID vts) const {
    const auto *centre = m_tool.ReadPacket<LXpToolActionCenter>(vts, LXsP_TOOL_ACTCENTER);
    return centre ? Vector3(centre->v) : Vector3();
}

// ---- placement

// Writes the nine handle attributes through the adjust-tool object: span start at frame x (0, 0, 0),
// span end at frame x (span, 0, 0), crown at frame x (0, height, 0).
void CgORVA_ArchTool::Session::AdjustHandlePositions(double height, double span, const Matrix4 &frame,
                                                     CLxUser_AdjustTool &adjust) {
    AdjustAttrVector(adjust, ATTR_SPAN_START_X, TransformPoint(frame, {0, 0, 0}));
    AdjustAttrVector(adjust, ATTR_SPAN_END_X, TransformPoint(frame, {span, 0, 0}));
    AdjustAttrVector(adjust, ATTR_CROWN_X, TransformPoint(frame, {0, height, 0}));
}

// As AdjustHandlePositions, writing the attributes directly.
void CgORVA_ArchTool::Session::WriteHandlePositions(double height, double span, const Matrix4 &frame) {
    m_tool.SetAttrVector(ATTR_SPAN_START_X, TransformPoint(frame, {0, 0, 0}));
    m_tool.SetAttrVector(ATTR_SPAN_END_X, TransformPoint(frame, {span, 0, 0}));
    m_tool.SetAttrVector(ATTR_CROWN_X, TransformPoint(frame, {0, height, 0}));
}

// ---- interaction

LxResult CgORVA_ArchTool::Session::Down(ILxUnknownID vts, ILxUnknownID adjust) {
    if (!m_firstPlacement) return m_tool.qk::ToolFrame::tmod_Down(vts, adjust);
    CLxUser_AdjustTool adj;
    if (!adj.set(adjust)) return LXe_FALSE;
    m_tool.attr_SetFlt(ATTR_SPAN, 0.001);
    m_tool.attr_SetFlt(ATTR_HEIGHT, 0.0005);
    const auto *axis = m_tool.ReadPacket<LXpToolAxis>(vts, LXsP_TOOL_AXIS);
    Vector3 centre = ActionCentre(vts);
    AdjustAttrVector(adj, ATTR_OFFSET_X, centre);
    m_frame.PlaceFirst(centre, axis ? axis->axIndex : 1, m_tool.dyna_Bool(ATTR_CENTRE_TO_ORIGIN));
    AdjustHandlePositions(m_tool.dyna_Float(ATTR_HEIGHT), m_tool.dyna_Float(ATTR_SPAN), m_frame.Arch(), adj);
    m_firstPlacement = false;
    // No handle position is handed over: a pressed handle follows the mouse on the work plane.
    m_tool.TakeHotPart(vts);
    return LXe_TRUE;
}

void CgORVA_ArchTool::Session::MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust) {
    Vector3 p(pos), start = m_tool.AttrVector(ATTR_SPAN_START_X), end = m_tool.AttrVector(ATTR_SPAN_END_X);
    Vector3 crown = m_tool.AttrVector(ATTR_CROWN_X);
    if (part == PART_SPAN_START) {
        if (m_tool.dyna_Bool(ATTR_CENTRE_TO_ORIGIN)) return;
        Vector3 delta = p - start;
        AdjustAttrVector(adjust, ATTR_SPAN_START_X, start + delta);
        AdjustAttrVector(adjust, ATTR_SPAN_END_X, end + delta);
        AdjustAttrVector(adjust, ATTR_CROWN_X, crown + delta);
    } else if (part == PART_SPAN_END) {
        Vector3 r = m_frame.Right();
        double a = qk::math::Dot(p - start, r);
        Vector3 newEnd = start + r * (a < 0.0 ? ARCH_MIN_DISTANCE : a);
        AdjustAttrVector(adjust, ATTR_SPAN_END_X, newEnd);
        adjust.SetFlt(ATTR_SPAN, qk::math::Distance(newEnd, start));
        AdjustAttrVector(adjust, ATTR_CROWN_X, crown + (newEnd - end) * 0.5);
    } else if (part == PART_CROWN) {
        Vector3 u = m_frame.Up();
        Vector3 mid = (start + end) * 0.5;
        double v = qk::math::Dot(p - mid, u);
        if (v < 0.0) {
            AdjustAttrVector(adjust, ATTR_CROWN_X, mid + u * ARCH_MIN_DISTANCE);
            adjust.SetFlt(ATTR_HEIGHT, ARCH_MIN_DISTANCE);
        } else {
            AdjustAttrVector(adjust, ATTR_CROWN_X, mid + u * v);
            adjust.SetFlt(ATTR_HEIGHT, std::fabs(v));
        }
    }
}

// ---- drawing

void CgORVA_ArchTool::Session::DrawHandles(qk::ToolDrawContext &ctx) {
    if (!m_handlesPlaced) {
        LXtVector origin = {0, 0, 0}, eye = {0, 0, 0};
        ctx.view.EyeVector(origin, eye);
        m_frame.PlaceDefault(Vector3(eye), ActionCentre(ctx.vts));
        WriteHandlePositions(m_tool.dyna_Float(ATTR_HEIGHT), m_tool.dyna_Float(ATTR_SPAN), m_frame.Arch());
        m_handlesPlaced = true;
    }
    LXtMatrix rotation;
    qk::math::RotationColumns(m_frame.Arch(), rotation);
    int type = m_tool.dyna_Int(ATTR_ARCH_TYPE);
    if (HasFreeHeight(type))
        ctx.handles.Handle(m_tool.AttrVector(ATTR_CROWN_X), rotation, PART_CROWN,
                           m_tool.HandleFlags(PART_CROWN));
    ctx.handles.Handle(m_tool.AttrVector(ATTR_SPAN_END_X), rotation, PART_SPAN_END,
                       m_tool.HandleFlags(PART_SPAN_END));
    ctx.handles.MoveHandle(m_tool.AttrVector(ATTR_SPAN_START_X), rotation, qk::kFreeMoveAxis, PART_SPAN_START,
                           m_tool.HandleFlags(PART_SPAN_START));
    DrawLabels(ctx);
}

void CgORVA_ArchTool::Session::DrawLabels(qk::ToolDrawContext &ctx) {
    double s = ctx.view.PixelScale();
    double k = s > 0.0 && std::isfinite(s) ? kLabelPixels / s * kLabelFactor : 0.0;
    Vector3 heightAt = m_tool.AttrVector(ATTR_CROWN_X) + m_frame.Up() * k;
    Vector3 spanAt = m_tool.AttrVector(ATTR_SPAN_END_X) + m_frame.Right() * k;
    struct Label {
        const char *key;
        double value;
        Vector3 at;
    } labels[2] = {{"height", m_tool.dyna_Float(ATTR_HEIGHT), heightAt},
                   {"span", m_tool.dyna_Float(ATTR_SPAN), spanAt}};
    for (const Label &label : labels) {
        ctx.stroke.Begin(LXiSTROKE_TEXT, kLabelColour, 1.0);
        ctx.stroke.Text(m_tool.DistanceLabel(m_tool.Table(), label.key, label.value).c_str(), LXiTEXT_CENTER);
        ctx.Vertex(label.at);
    }
}

// ---- evaluation

void CgORVA_ArchTool::Session::Evaluate(ILxUnknownID vts) {
    if (!vts || !m_tool.IsView3D(vts) || !m_handlesPlaced) return;
    m_frame.Spin(m_tool.dyna_Bool(ATTR_SPIN_CW), m_tool.dyna_Bool(ATTR_SPIN_ACW));
    m_tool.attr_SetBool(ATTR_SPIN_CW, false);
    m_tool.attr_SetBool(ATTR_SPIN_ACW, false);

    ArchInputs raw{m_tool.dyna_Int(ATTR_ARCH_TYPE), m_tool.dyna_Int(ATTR_GEOMETRY_MODE),
                   m_tool.dyna_Int(ATTR_SEGMENTS),  m_tool.dyna_Float(ATTR_HEIGHT),
                   m_tool.dyna_Float(ATTR_SPAN),    m_tool.dyna_Float(ATTR_INTRA_EXTRADOS_DIST)};
    bool centred = m_tool.dyna_Bool(ATTR_CENTRE_TO_ORIGIN);

    if (raw.mode != ARCH_GEO_POLYGON_STRIP) {
        m_lastNonStripMode = raw.mode;
    } else if (raw.type > ARCH_EQUILATERAL) {
        raw.mode = m_lastNonStripMode;
        m_tool.attr_SetInt(ATTR_GEOMETRY_MODE, raw.mode);
        m_tool.ShowWarning("StripModeNeedsValidArchType", kDialogTitle, ARCH_HELP_URL);
    }

    ArchInputs in = ClampArchInputs(raw);
    if (in.depth != raw.depth) m_tool.attr_SetFlt(ATTR_INTRA_EXTRADOS_DIST, in.depth);
    if (in.span != raw.span) m_tool.attr_SetFlt(ATTR_SPAN, in.span);
    if (in.height != raw.height) m_tool.attr_SetFlt(ATTR_HEIGHT, in.height);
    if (in.segments != raw.segments) m_tool.attr_SetInt(ATTR_SEGMENTS, in.segments);

    Vector3 r = m_frame.Right(), u = m_frame.Up();
    Vector3 start = centred ? r * (-in.span / 2.0) : m_tool.AttrVector(ATTR_SPAN_START_X);
    if (centred) m_tool.SetAttrVector(ATTR_SPAN_START_X, start);
    m_tool.SetAttrVector(ATTR_SPAN_END_X, start + r * in.span);
    m_tool.SetAttrVector(ATTR_CROWN_X, start + r * (in.span / 2.0) + u * in.height);
    if (!m_frame.CanWrite()) return;

    Matrix4 t = m_frame.LocalToMesh(start);
    std::vector<Vector3> main, second;
    BuildLists(in, main, second);
    for (Vector3 &p : main) p = TransformPoint(t, p);
    for (Vector3 &p : second) p = TransformPoint(t, p);
    // A point the mesh cannot hold would corrupt it: the arch is not written at all, and the log says so.
    if (!AllFit(main) || !AllFit(second)) {
        m_tool.LogErrorOnce(
            "the arch is not written: with this span and height its points would leave single "
            "precision in the mesh");
        return;
    }
    m_tool.ForgetLoggedError();
    WriteMesh(m_tool.m_layerService, in.mode, main, second);
}

}  // namespace gORVA_Tools_Arch
