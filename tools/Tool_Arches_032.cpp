#include "Tool_Arches_032.hpp"

#include <cmath>

#include "lx_item.hpp"
#include "qk_constants.hpp"
#include "qk_general_utils.hpp"
#include "qk_tool_enable.hpp"

namespace gORVA_Tools_Arch {

using qk::math::AxisRotationMatrix;
using qk::math::FwdAxis;
using qk::math::Matrix4;
using qk::math::Multiply;
using qk::math::RightAxis;
using qk::math::RotationMatrix;
using qk::math::SetTranslation;
using qk::math::TransformPoint;
using qk::math::TranslationMatrix;
using qk::math::UpAxis;

namespace {

const char *const kServerName = "gORVA.Arch";
const char *const kDialogTitle = "gORVA Arch Tool";
const unsigned kModelFlags = 0xD0;
const unsigned kEvaluateScanFlags = 0x104;  // primary layer, writable mesh
const unsigned kNewPointsAndPolygons = 6;
const double kLabelPixels = 25.0;
const double kLabelFactor = 1.5;
const LXtVector kLabelColour = {0.99, 0.99, 0.99};

/// -1, +1 or 0 (neither) for a component expected to be a unit or something else.
int UnitSign(double v) {
    if (std::fabs(v - 1.0) <= qk::constants::EPSILON) return 1;
    if (std::fabs(v + 1.0) <= qk::constants::EPSILON) return -1;
    return 0;
}

bool HasFreeHeight(int type) {
    return type == ARCH_SEGMENTAL || type == ARCH_LANCET || type == ARCH_PARABOLIC || type == ARCH_ELLIPTICAL;
}

bool IsComponentMode() {
    return qk::IsComponentModeSelected();
}
bool IsRefSecondaryLayer() {
    return qk::IsSetItemRefSecondaryLayer();
}

}  // namespace

LxResult initialize() {
    return CgORVA_ArchTool::initialize();
}

LxResult CgORVA_ArchTool::initialize() {
    return qk::RegisterTool<CgORVA_ArchTool>(kServerName);
}

CgORVA_ArchTool::CgORVA_ArchTool()
    : qk::ToolFrame(kServerName,
                    {LXsP_TOOL_VIEW_EVENT, LXsP_TOOL_INPUT_EVENT, LXsP_TOOL_EVENTTRANS, LXsP_TOOL_ACTCENTER,
                     LXsP_TOOL_AXIS, LXsP_TOOL_HITEVENT, LXsP_TOOL_XFRM},
                    kModelFlags),
      m_typeHints(
          {ARCH_TYPE_NAMES[0], ARCH_TYPE_NAMES[1], ARCH_TYPE_NAMES[2], ARCH_TYPE_NAMES[3], ARCH_TYPE_NAMES[4],
           ARCH_TYPE_NAMES[5], ARCH_TYPE_NAMES[6], ARCH_TYPE_NAMES[7], ARCH_TYPE_NAMES[8]},
          "gorva-arch-type"),
      m_modeHints({ARCH_GEOMETRY_MODE_NAMES[0], ARCH_GEOMETRY_MODE_NAMES[1], ARCH_GEOMETRY_MODE_NAMES[2],
                   ARCH_GEOMETRY_MODE_NAMES[3], ARCH_GEOMETRY_MODE_NAMES[4]},
                  "gorva-arch-geo-type") {
    if (m_meshService.test()) {
        m_meshService.ModeCompose(nullptr, nullptr, &m_modeNone);
        m_meshService.ModeCompose(LXsMARK_SELECT, nullptr, &m_modeSelect);
    }
    static const char *const names[ATTR_COUNT] = {"crownX",
                                                  "crownY",
                                                  "crownZ",
                                                  "span_startX",
                                                  "span_startY",
                                                  "span_startZ",
                                                  "span_endX",
                                                  "span_endY",
                                                  "span_endZ",
                                                  "arch_type",
                                                  "arch_geometry_mode",
                                                  "arch_segments",
                                                  "arch_height",
                                                  "arch_span",
                                                  "arch_centre_to_origin",
                                                  "offsetX",
                                                  "offsetY",
                                                  "offsetZ",
                                                  "intra_extrados_dist",
                                                  "spin_cw",
                                                  "spin_acw"};
    static const char *const types[ATTR_COUNT] = {
        LXsTYPE_FLOAT,   LXsTYPE_FLOAT,   LXsTYPE_FLOAT,    LXsTYPE_FLOAT,    LXsTYPE_FLOAT,
        LXsTYPE_FLOAT,   LXsTYPE_FLOAT,   LXsTYPE_FLOAT,    LXsTYPE_FLOAT,    LXsTYPE_INTEGER,
        LXsTYPE_INTEGER, LXsTYPE_INTEGER, LXsTYPE_DISTANCE, LXsTYPE_DISTANCE, LXsTYPE_BOOLEAN,
        LXsTYPE_FLOAT,   LXsTYPE_FLOAT,   LXsTYPE_FLOAT,    LXsTYPE_DISTANCE, LXsTYPE_BOOLEAN,
        LXsTYPE_BOOLEAN};
    for (unsigned i = 0; i < ATTR_COUNT; ++i) dyna_Add(names[i], types[i]);
    dyna_SetHint(ATTR_ARCH_TYPE, m_typeHints.Table());
    dyna_SetHint(ATTR_GEOMETRY_MODE, m_modeHints.Table());
}

// ---- attributes

Vector3 CgORVA_ArchTool::AttrVector(unsigned first) const {
    return {dyna_Float(first), dyna_Float(first + 1), dyna_Float(first + 2)};
}

void CgORVA_ArchTool::SetAttrVector(unsigned first, const Vector3 &v) {
    for (unsigned i = 0; i < 3; ++i) attr_SetFlt(first + i, v.v[i]);
}

void CgORVA_ArchTool::AdjustAttrVector(CLxUser_AdjustTool &adjust, unsigned first, const Vector3 &v) {
    for (unsigned i = 0; i < 3; ++i) adjust.SetFlt(first + i, v.v[i]);
}

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

LxResult CgORVA_ArchTool::atrui_UIHints(unsigned index, CLxUser_UIHints &hints) {
    if (index == ATTR_ARCH_TYPE) {
        hints.MinInt(ARCH_SEMI);
        hints.MaxInt(ARCH_ELLIPTICAL);
    } else if (index == ATTR_HEIGHT || index == ATTR_SPAN || index == ATTR_INTRA_EXTRADOS_DIST) {
        hints.MinFloat(ARCH_MIN_DISTANCE);
    }
    return LXe_OK;
}

std::vector<qk::ToolEnableCheck> CgORVA_ArchTool::EnableChecks() const {
    return {{&IsComponentMode, true, "WrongSelectionType"},
            {&IsRefSecondaryLayer, false, "ItemRefSecondaryLayer"},
            {&qk::IsSupportedModoVersion, true, "WrongModoVersion"}};
}

// ---- activation

void CgORVA_ArchTool::tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) {
    double span = dyna_Float(ATTR_SPAN);
    if (!(span > 0.0 && span <= 5000.0)) tool_Reset();

    CLxUser_AdjustTool adj;
    const auto *centre = ReadPacket<LXpToolActionCenter>(vts, LXsP_TOOL_ACTCENTER);
    if (centre && adj.set(adjust)) AdjustAttrVector(adj, ATTR_OFFSET_X, Vector3(centre->v));

    ReadItemMatrices();
    ReadToolTransform(vts);
    m_itemRef = !qk::QueryCommandString("item.refSystem").empty();

    m_R = m_S = m_T = m_D = Matrix4();
    m_Rr = RotationMatrix({1, 0, 0}, {0, 0, -1}, {0, 1, 0});

    m_handlesPlaced = false;
    m_firstPlacement = true;
    m_spin.SetSectorAngleIndex(0);
    m_hotPart = -1;
}

void CgORVA_ArchTool::ReadItemMatrices() {
    m_world = m_wscl = m_wrot = m_wpos = Matrix4();
    m_wsclInv = m_wrotInv = m_wposInv = m_itemInv = Matrix4();
    CLxUser_LayerScan scan;
    if (!m_layerService.BeginScan(LXf_LAYERSCAN_ACTIVE, scan)) return;
    CLxUser_Item item;
    CLxUser_ChannelRead chan;
    bool read = scan.NumLayers() > 0 && scan.ItemByIndex(0, item) && chan.from(item, m_selService.GetTime());
    Matrix4 *targets[4] = {&m_world, &m_wscl, &m_wrot, &m_wpos};
    const char *channels[4] = {LXsICHAN_XFRMCORE_WORLDMATRIX, LXsICHAN_XFRMCORE_WSCLMATRIX,
                               LXsICHAN_XFRMCORE_WROTMATRIX, LXsICHAN_XFRMCORE_WPOSMATRIX};
    for (int i = 0; i < 4 && read; ++i) {
        CLxUser_Matrix matrix;
        read = chan.Object(item, channels[i], matrix) && LXx_OK(matrix.Get4(targets[i]->m));
    }
    scan.Apply();
    if (!read) {
        m_world = m_wscl = m_wrot = m_wpos = Matrix4();
        return;
    }
    m_wsclInv = m_wscl;
    qk::math::Matrix4InvertScale(m_wsclInv);
    m_wrotInv = m_wrot;
    qk::math::Matrix4InvertRotation(m_wrotInv);
    m_wposInv = m_wpos;
    qk::math::Matrix4InvertTranslation(m_wposInv);
    m_itemInv = Multiply(Multiply(m_wposInv, m_wrotInv), m_wsclInv);
}

void CgORVA_ArchTool::ReadToolTransform(ILxUnknownID vts) {
    m_X = m_Xinv = Matrix4();
    m_refFrameMode = false;
    const auto *xfrm = ReadPacket<LXpToolXfrm>(vts, LXsP_TOOL_XFRM);
    if (!xfrm || xfrm->type != LXi_TOOLXFRM_ACTIVE) return;
    Vector3 q;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) q.v[i] += xfrm->mInv[i][j] * xfrm->pos[j];
    qk::math::Matrix4Construct(m_X, xfrm->m, -q);
    m_Xinv = m_X;
    qk::math::Matrix4InvertRotation(m_Xinv);
    qk::math::Matrix4InvertTranslation(m_Xinv);

    Matrix4 plane = m_Xinv;
    SetTranslation(plane, Vector3(xfrm->pos));
    Matrix4 item = m_wrot;
    qk::math::Matrix4AddTranslation(item, m_wpos.m[3]);
    m_refFrameMode = !qk::math::Matrix4Compare(plane, item, qk::constants::EPSILON);
}

// ---- placement

void CgORVA_ArchTool::SetHandlePositions(double height, double span, const LXtMatrix4 frame,
                                         CLxUser_AdjustTool &adjust) {
    Matrix4 f(frame);
    AdjustAttrVector(adjust, ATTR_SPAN_START_X, TransformPoint(f, {0, 0, 0}));
    AdjustAttrVector(adjust, ATTR_SPAN_END_X, TransformPoint(f, {span, 0, 0}));
    AdjustAttrVector(adjust, ATTR_CROWN_X, TransformPoint(f, {0, height, 0}));
}

void CgORVA_ArchTool::SetHandlePositions2(double height, double span, const LXtMatrix4 frame) {
    Matrix4 f(frame);
    SetAttrVector(ATTR_SPAN_START_X, TransformPoint(f, {0, 0, 0}));
    SetAttrVector(ATTR_SPAN_END_X, TransformPoint(f, {span, 0, 0}));
    SetAttrVector(ATTR_CROWN_X, TransformPoint(f, {0, height, 0}));
}

void CgORVA_ArchTool::PlaceDefault(CLxUser_View &view) {
    LXtVector origin = {0, 0, 0}, eye = {0, 0, 0};
    view.EyeVector(origin, eye);
    double g = -qk::math::Dot(Vector3(eye), FwdAxis(m_D));
    if (m_refFrameMode) {
        if (g < 0.0) {
            m_Rr = Multiply(m_Rr, AxisRotationMatrix(2, -qk::constants::PI));
            m_axisCode = 4;
            if (std::fabs(m_spin.GetAngleRad()) > qk::constants::EPSILON)
                m_spin.SetSectorAngleIndex(m_spin.GetSectorAngleIndex() + 2);
        }
        m_handlesPlaced = true;
        return;
    }
    if (g < 0.0 && m_axisCode >= 0 && m_axisCode <= 2) {
        static const Vector3 axes[3][3] = {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}},
                                           {{-1, 0, 0}, {0, 0, -1}, {0, -1, 0}},
                                           {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}};
        const Vector3 *a = axes[m_axisCode];
        m_R = RotationMatrix(a[0], a[1], a[2]);
        m_D = Multiply(m_R, m_T);
        m_axisCode += 3;
    }
    SetHandlePositions2(dyna_Float(ATTR_HEIGHT), dyna_Float(ATTR_SPAN), m_D);
    m_handlesPlaced = true;
}

void CgORVA_ArchTool::PlaceFirst(ILxUnknownID vts, CLxUser_AdjustTool &adjust) {
    attr_SetFlt(ATTR_SPAN, 0.001);
    attr_SetFlt(ATTR_HEIGHT, 0.0005);
    const auto *centre = ReadPacket<LXpToolActionCenter>(vts, LXsP_TOOL_ACTCENTER);
    Vector3 c = centre ? Vector3(centre->v) : Vector3();
    AdjustAttrVector(adjust, ATTR_OFFSET_X, c);
    const auto *axis = ReadPacket<LXpToolAxis>(vts, LXsP_TOOL_AXIS);
    int axisIndex = axis && axis->axIndex >= 0 && axis->axIndex <= 2 ? axis->axIndex : 1;
    m_T = dyna_Bool(ATTR_CENTRE_TO_ORIGIN) ? Matrix4() : TranslationMatrix(c);

    if (!m_refFrameMode) {
        static const Vector3 forward[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        static const Vector3 up[3] = {{0, 1, 0}, {0, 0, -1}, {0, 1, 0}};
        m_axisCode = axisIndex;
        Vector3 right = qk::math::Cross(up[axisIndex], forward[axisIndex]);
        qk::math::LXtVectorNormalize(right);
        m_R = RotationMatrix(right, up[axisIndex], forward[axisIndex]);
        m_D = Multiply(m_R, m_T);
    } else {
        Vector3 xUp = UpAxis(m_X), xFwd = FwdAxis(m_X), xRight = RightAxis(m_X);
        if (std::fabs(xUp.y()) <= qk::constants::EPSILON) {
            int f = UnitSign(xFwd.y()), r = UnitSign(xRight.y());
            int turn = 0;
            if (f == 0 && r == 1) turn = 1;
            if (f == 1 && r == 0) turn = 2;
            if (f == 0 && r == -1) turn = -1;
            m_spin.SetSectorAngleIndex(m_spin.GetSectorAngleIndex() + turn);
        }
        m_axisCode = 1;
        m_S = AxisRotationMatrix(1, -m_spin.GetAngleRad());
        m_D = Multiply(Multiply(m_Rr, m_S), m_T);
    }
    SetHandlePositions(dyna_Float(ATTR_HEIGHT), dyna_Float(ATTR_SPAN), m_D, adjust);
    m_firstPlacement = false;
}

// ---- interaction

bool CgORVA_ArchTool::tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) {
    CLxUser_AdjustTool adj;
    if (m_firstPlacement) {
        if (!adj.set(adjust)) return false;
        PlaceFirst(vts, adj);
        // The press placed the arch; it did not pick a handle, so the drag that follows hauls.
        m_hotPart = LXiHITPART_NONE;
        return true;
    }
    return qk::ToolFrame::tmod_Down(vts, adjust);
}

void CgORVA_ArchTool::tmod_Move(ILxUnknownID vts, ILxUnknownID adjust) {
    const auto *input = ReadPacket<LXpToolInputEvent>(vts, LXsP_TOOL_INPUT_EVENT);
    if (!input || input->part != m_hotPart) return;
    qk::ToolFrame::tmod_Move(vts, adjust);
}

void CgORVA_ArchTool::tmod_Up(ILxUnknownID vts, ILxUnknownID adjust) {
    m_firstPlacement = false;
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

void CgORVA_ArchTool::MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust) {
    Vector3 p(pos), start = AttrVector(ATTR_SPAN_START_X), end = AttrVector(ATTR_SPAN_END_X);
    Vector3 crown = AttrVector(ATTR_CROWN_X);
    if (part == PART_SPAN_START) {
        if (dyna_Bool(ATTR_CENTRE_TO_ORIGIN)) return;
        Vector3 delta = p - start;
        AdjustAttrVector(adjust, ATTR_SPAN_START_X, start + delta);
        AdjustAttrVector(adjust, ATTR_SPAN_END_X, end + delta);
        AdjustAttrVector(adjust, ATTR_CROWN_X, crown + delta);
    } else if (part == PART_SPAN_END) {
        Vector3 r = RightAxis(m_D);
        double a = qk::math::Dot(p - start, r);
        Vector3 newEnd = start + r * (a < 0.0 ? ARCH_MIN_DISTANCE : a);
        AdjustAttrVector(adjust, ATTR_SPAN_END_X, newEnd);
        adjust.SetFlt(ATTR_SPAN, qk::math::Distance(newEnd, start));
        AdjustAttrVector(adjust, ATTR_CROWN_X, crown + (newEnd - end) * 0.5);
    } else if (part == PART_CROWN) {
        Vector3 u = UpAxis(m_D);
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

void CgORVA_ArchTool::DrawHandles(qk::ToolDrawContext &ctx) {
    if (!m_handlesPlaced) PlaceDefault(ctx.view);
    LXtMatrix rotation;
    qk::math::Matrix4GetRotation(rotation, m_D, qk::math::MATRIX_ORDER_ROWS);
    int type = dyna_Int(ATTR_ARCH_TYPE);
    if (HasFreeHeight(type))
        ctx.handles.Handle(AttrVector(ATTR_CROWN_X), rotation, PART_CROWN, HandleFlags(PART_CROWN));
    ctx.handles.Handle(AttrVector(ATTR_SPAN_END_X), rotation, PART_SPAN_END, HandleFlags(PART_SPAN_END));
    ctx.handles.MoveHandle(AttrVector(ATTR_SPAN_START_X), rotation, PART_SPAN_START,
                           HandleFlags(PART_SPAN_START));
    DrawLabels(ctx);
}

void CgORVA_ArchTool::DrawLabels(qk::ToolDrawContext &ctx) {
    double s = ctx.view.PixelScale();
    double k = s > 0.0 && std::isfinite(s) ? kLabelPixels / s * kLabelFactor : 0.0;
    Vector3 heightAt = AttrVector(ATTR_CROWN_X) + UpAxis(m_D) * k;
    Vector3 spanAt = AttrVector(ATTR_SPAN_END_X) + RightAxis(m_D) * k;
    struct Label {
        const char *key;
        double value;
        Vector3 at;
    } labels[2] = {{"height", dyna_Float(ATTR_HEIGHT), heightAt}, {"span", dyna_Float(ATTR_SPAN), spanAt}};
    for (const Label &label : labels) {
        ctx.stroke.Begin(LXiSTROKE_TEXT, kLabelColour, 1.0);
        ctx.stroke.Text(DistanceLabel(Table(), label.key, label.value).c_str(), LXiTEXT_CENTER);
        ctx.stroke.Vert(label.at);
    }
}

// ---- evaluation

void CgORVA_ArchTool::ApplySpin() {
    if (dyna_Bool(ATTR_SPIN_CW)) {
        m_spin.Spin90(qk::SPIN_CLOCKWISE);
        attr_SetBool(ATTR_SPIN_CW, false);
    }
    if (dyna_Bool(ATTR_SPIN_ACW)) {
        m_spin.Spin90(qk::SPIN_COUNTER_CLOCKWISE);
        attr_SetBool(ATTR_SPIN_ACW, false);
    }
    RebuildFrame();
}

void CgORVA_ArchTool::RebuildFrame() {
    double a = m_spin.GetAngleRad();
    if (m_refFrameMode) {
        m_S = AxisRotationMatrix(1, m_axisCode == 4 ? -a : a);
        m_D = Multiply(Multiply(m_Rr, m_S), m_T);
        return;
    }
    switch (m_axisCode) {
        case 0:
        case 1:
        case 2:
            m_S = AxisRotationMatrix(m_axisCode, a);
            break;
        case 3:
        case 4:
        case 5:
            m_S = AxisRotationMatrix(m_axisCode - 3, -a);
            break;
        default:
            m_S = AxisRotationMatrix(2, a);
            break;
    }
    m_D = Multiply(Multiply(m_R, m_S), m_T);
}

void CgORVA_ArchTool::tool_Evaluate(ILxUnknownID vts) {
    if (!vts || !IsView3D(vts) || !m_handlesPlaced) return;
    ApplySpin();

    ArchInputs raw{dyna_Int(ATTR_ARCH_TYPE), dyna_Int(ATTR_GEOMETRY_MODE),
                   dyna_Int(ATTR_SEGMENTS),  dyna_Float(ATTR_HEIGHT),
                   dyna_Float(ATTR_SPAN),    dyna_Float(ATTR_INTRA_EXTRADOS_DIST)};
    bool centred = dyna_Bool(ATTR_CENTRE_TO_ORIGIN);

    if (raw.mode != ARCH_GEO_POLYGON_STRIP) {
        m_lastNonStripMode = raw.mode;
    } else if (raw.type > ARCH_EQUILATERAL) {
        raw.mode = m_lastNonStripMode;
        attr_SetInt(ATTR_GEOMETRY_MODE, raw.mode);
        ShowWarning("StripModeNeedsValidArchType", kDialogTitle, ARCH_HELP_URL);
    }

    ArchInputs in = ClampArchInputs(raw);
    if (in.depth != raw.depth) attr_SetFlt(ATTR_INTRA_EXTRADOS_DIST, in.depth);
    if (in.span != raw.span) attr_SetFlt(ATTR_SPAN, in.span);
    if (in.height != raw.height) attr_SetFlt(ATTR_HEIGHT, in.height);
    if (in.segments != raw.segments) attr_SetInt(ATTR_SEGMENTS, in.segments);

    Vector3 r = RightAxis(m_D), u = UpAxis(m_D);
    Vector3 start = centred ? r * (-in.span / 2.0) : AttrVector(ATTR_SPAN_START_X);
    if (centred) SetAttrVector(ATTR_SPAN_START_X, start);
    SetAttrVector(ATTR_SPAN_END_X, start + r * in.span);
    SetAttrVector(ATTR_CROWN_X, start + r * (in.span / 2.0) + u * in.height);

    Matrix4 t = m_D;
    if (m_refFrameMode) {
        SetTranslation(t, start);
        t = Multiply(t, m_X);
    } else if (m_itemRef) {
        SetTranslation(t, start);
    } else {
        t = Multiply(m_D, m_itemInv);
        SetTranslation(t, TransformPoint(m_itemInv, start));
    }

    std::vector<Vector3> main, second;
    BuildLists(in, main, second);
    for (Vector3 &p : main) p = TransformPoint(t, p);
    for (Vector3 &p : second) p = TransformPoint(t, p);
    WriteMesh(in.mode, main, second);
}

void CgORVA_ArchTool::BuildLists(const ArchInputs &in, std::vector<Vector3> &main,
                                 std::vector<Vector3> &second) const {
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

void CgORVA_ArchTool::WriteMesh(int mode, const std::vector<Vector3> &main,
                                const std::vector<Vector3> &second) {
    if (mode < ARCH_GEO_POLYGON || mode > ARCH_GEO_POLYGON_STRIP) return;
    qk::ScanMeshWriter out(m_layerService, kEvaluateScanFlags);
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

}  // namespace gORVA_Tools_Arch
