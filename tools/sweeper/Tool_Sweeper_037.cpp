#include "Tool_Sweeper_037.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <string>

#include "Tool_Sweeper_Layers.hpp"
#include "Tool_Sweeper_Output.hpp"
#include "qk_clock.hpp"
#include "qk_smart_handles.hpp"
#include "qk_tool_enable.hpp"

namespace gORVA_Tools_Sweeper {

namespace pr = qk::profiles;
using qk::math::FwdAxis;
using qk::math::Multiply;
using qk::math::TransformPoint;

namespace {

// Interaction states of the snapping and the jump.
enum SnapState : int {
    SNAP_NONE = 0,
    SNAP_CORNER_CHOSEN = 2,  ///< a corner pressed as snap source, applied on release
    SNAP_POINT_CHOSEN = 3,   ///< a profile point snapped onto the path's first point
    SNAP_SNAPPED = 4,        ///< the snap offset is in force; the jump handles are shown
    SNAP_JUMP_TURN = 5,      ///< waiting for a jump target that turns the profile
    SNAP_JUMP_TURN_SIZE = 7  ///< waiting for a jump target that turns and sizes it
};

// The snap in progress: its state, the point it moves from and the path point it moves onto.
struct Snap {
    int state = SNAP_NONE;
    int previous = SNAP_NONE;
    bool pending = false;
    Vector3 target;
    LXtPointID targetId = nullptr;
    Vector3 source;
    int index = 0;
};

const char *const kServerName = "gORVA.Sweeper";
const char *const kDialogTitle = "gORVA Sweeper Tool";
const unsigned kModelFlags = LXfTMOD_MODELSPACE | LXfTMOD_DRAW_3D | LXfTMOD_I0_INPUT | LXfTMOD_I1_INPUT;
const double kHandlePixels = 25.0;
const double kOutlineWidth = 1.5;
const int kBoxDash = 0x3333;
const LXtVector kOutlineColour = {0.99, 0.99, 0.99};
const LXtVector kBoxColour = {0.4, 1.0, 1.0};
const LXtVector kInvalidTargetColour = {1.0, 0.0, 0.0};

// The input event: the left and right buttons, and the mode of a Ctrl click.
const unsigned kLeftButton = 0;
const unsigned kRightButton = 1;
const unsigned kCtrlMode = 8;

// Changes the next evaluation acts on; any other change is not remembered.
const unsigned kActedOn[] = {ATTRs_SIZE_X,
                             ATTRs_SIZE_Y,
                             ATTRs_SPIN_90_CW,
                             ATTRs_SPIN_90_CCW,
                             ATTRs_RESET_SCALING,
                             ATTRs_ROTATION_ANGLE,
                             ATTRs_RESET_PATH_ENDS,
                             ATTRs_PROFILE_SHAPE,
                             ATTRs_TIMBER_SIZE_PRESETS_A,
                             ATTRs_TIMBER_SIZE_PRESETS_B,
                             ATTRs_PROFILE_FLIP_DIM_A,
                             ATTRs_PROFILE_FLIP_DIM_B};

// First attribute of each corner handle, by box corner (TR, BR, TL, BL).
const unsigned kCornerAttr[4] = {ATTRs_HANDLE_BBOX_TRX, ATTRs_HANDLE_BBOX_BRX, ATTRs_HANDLE_BBOX_TLX,
                                 ATTRs_HANDLE_BBOX_BLX};

bool IsCorner(int part) {
    return part >= PART_CORNER_TR && part <= PART_CORNER_BL;
}
bool IsMoveHandle(int part) {
    return part == PART_MOVE_X || part == PART_MOVE_Y;
}
bool IsJumpHandle(int part) {
    return part >= PART_DIRECTION_B && part <= PART_SIZE_A;
}
bool ShowsJumpHandles(int state) {
    return state == SNAP_SNAPPED || state == SNAP_JUMP_TURN || state == SNAP_JUMP_TURN_SIZE;
}
bool AwaitsJump(int state) {
    return state == SNAP_JUMP_TURN || state == SNAP_JUMP_TURN_SIZE;
}

bool HasVertexSelection() {
    return qk::IsSetVertexSelection(1);
}
bool HasItemRefSystem() {
    return qk::IsSetItemRefSystem();
}

Vector3 PositionOf(const qk::Point &p) {
    return Vector3(p.x, p.y, p.z);
}

}  // namespace

// Everything an activation builds up; it reaches the attributes and services through the tool.
struct CgORVA_SweeperTool::Session {
    explicit Session(CgORVA_SweeperTool &tool) : m_tool(tool) {}

    // activation and events, as the tool receives them
    void Initialize(ILxUnknownID adjust);
    LxResult Drop();
    LxResult Down(ILxUnknownID vts, ILxUnknownID adjust);
    void Up(ILxUnknownID vts, ILxUnknownID adjust);
    bool HandlePosition(int part, LXtVector pos);
    void MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust);
    void Evaluate(ILxUnknownID vts);
    void DrawHandles(qk::ToolDrawContext &ctx);
    // set-up
    void FirstPress(CLxUser_AdjustTool &adjust, int part);
    PathFailure SetUpPath(LayerFailure &layerFailure);
    void ChooseProfile();
    void RefuseSetUp(const char *key);
    // presses
    void StartHandleDrag(ILxUnknownID vts, int part);
    void PressProfilePoint(int part, CLxUser_AdjustTool &adjust);
    void PressBySnapState(ILxUnknownID vts, const LXpToolInputEvent &input, CLxUser_AdjustTool &adjust);
    void Jump(ILxUnknownID vts, CLxUser_AdjustTool &adjust);
    void ApplyJump(const Vector3 &found, CLxUser_AdjustTool &adjust);
    // evaluation
    bool ActOnLastChange();
    bool ActOnButton(unsigned index);
    void ApplyPreset(pr::PresetListId list);
    PathFailure RestoreEnds();
    void PlaceHandles(bool refresh);
    void WriteSweep();
    void ReportFailure(const char *key);
    // drawing
    HandleLayout Layout(double handleSize) const;
    void DrawProfileHandles(qk::ToolDrawContext &ctx);
    void DrawBoxHandles(qk::ToolDrawContext &ctx, double handleSize);
    void DrawLabels(qk::ToolDrawContext &ctx, const HandleLayout &layout);
    // attributes
    pr::ProfileSize Sizes();
    void WriteSizes(const pr::ProfileSize &size);

    CgORVA_SweeperTool &m_tool;

    pr::ProfileState m_profile;
    std::vector<Vector3> m_profilePoints;
    std::vector<Vector3> m_customProfile;
    bool m_customCaptured = false;
    std::vector<Vector3> m_placed;
    std::vector<Vector3> m_capOutline;

    SweepPath m_path;
    PathEndsPlaneAlignment m_endTypes;
    SweepOutput m_output;
    std::vector<LXtPointID> m_pointIds;
    unsigned m_targetLayer = 0;

    bool m_pathReady = false;
    bool m_disabled = false;
    const char *m_reported = nullptr;

    int m_activeCorner = PART_CORNER_TR;
    int m_scaleHandle = 0;
    pr::Axis m_scaleAxis = pr::AXIS_A;
    Snap m_snap;
    Matrix4 m_handleFrame;
    Matrix4 m_snapTranslation;
    InvalidJumpTargetMonitor m_invalidTarget;
};

void initialize() {
    CgORVA_SweeperTool::initialize();
}

void CgORVA_SweeperTool::initialize() {
    qk::RegisterTool<CgORVA_SweeperTool>(kServerName);
}

CgORVA_SweeperTool::CgORVA_SweeperTool()
    : qk::ToolFrame({kServerName,
                     {LXsP_TOOL_VIEW_EVENT, LXsP_TOOL_INPUT_EVENT, LXsP_TOOL_EVENTTRANS, LXsP_TOOL_HIT_EVENT,
                      LXsP_TOOL_SCREEN_EVENT, LXsP_TOOL_RAYCAST, LXsP_TOOL_PROFILE, LXsP_TOOL_CONTENT},
                     kModelFlags,
                     SWEEPER_ATTRIBUTES,
                     ATTRs_COUNT}),
      m_session(std::make_unique<Session>(*this)) {}

CgORVA_SweeperTool::~CgORVA_SweeperTool() = default;

// ---- what the tool receives, handed to the activation's session

void CgORVA_SweeperTool::tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) {
    m_session->Initialize(adjust);
}

LxResult CgORVA_SweeperTool::tmod_Drop() {
    return m_session->Drop();
}

LxResult CgORVA_SweeperTool::tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) {
    return m_session->Down(vts, adjust);
}

void CgORVA_SweeperTool::tmod_Up(ILxUnknownID vts, ILxUnknownID adjust) {
    m_session->Up(vts, adjust);
}

bool CgORVA_SweeperTool::HandlePosition(int part, LXtVector pos) {
    return m_session->HandlePosition(part, pos);
}

void CgORVA_SweeperTool::MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust) {
    m_session->MoveHandle(part, pos, adjust);
}

void CgORVA_SweeperTool::tool_Evaluate(ILxUnknownID vts) {
    m_session->Evaluate(vts);
}

void CgORVA_SweeperTool::DrawHandles(qk::ToolDrawContext &ctx) {
    m_session->DrawHandles(ctx);
}

// ---- attributes

bool CgORVA_SweeperTool::TracksChange(unsigned index) const {
    return std::find(std::begin(kActedOn), std::end(kActedOn), index) != std::end(kActedOn);
}

bool CgORVA_SweeperTool::atrui_Enabled(unsigned index, CLxUser_Message &msg) {
    const bool closed = dyna_Bool(ATTRs_CLOSE_LOOP);
    const char *key = nullptr;
    switch (index) {
        case ATTRs_CAP_ENDS:
        case ATTRs_PATH_START_END_TYPE:
        case ATTRs_MIRROR_END_TYPE:
        case ATTRs_EXTEND_PATH_START:
            if (closed) key = "NeedsOpenLoop";
            break;
        case ATTRs_PATH_FINISH_END_TYPE:
        case ATTRs_EXTEND_PATH_END:
            if (closed)
                key = "NeedsOpenLoop";
            else if (dyna_Bool(ATTRs_MIRROR_END_TYPE))
                key = "NeedsMirrorOff";
            break;
        case ATTRs_UVS_STACK:
            if (!dyna_Bool(ATTRs_MAKE_UVS)) key = "NeedsMakeUVs";
            break;
        default:
            break;
    }
    if (!key) return true;
    if (msg.test()) msg.SetMessage(Table(), key, 0);
    return false;
}

std::vector<qk::ToolEnableCheck> CgORVA_SweeperTool::EnableChecks() const {
    return {{&HasVertexSelection, true, "NeedsVertexSelection"},
            {&qk::IsSupportedModoVersion, true, "WrongModoVersion"},
            {&HasItemRefSystem, false, "ItemLocalSpaceRefIsSet"}};
}

pr::ProfileSize CgORVA_SweeperTool::Session::Sizes() {
    return {m_tool.dyna_Float(ATTRs_SIZE_X), m_tool.dyna_Float(ATTRs_SIZE_Y)};
}

void CgORVA_SweeperTool::Session::WriteSizes(const pr::ProfileSize &size) {
    m_tool.SetOwnFloat(ATTRs_SIZE_X, size.a);
    m_tool.SetOwnFloat(ATTRs_SIZE_Y, size.b);
}

// ---- activation

void CgORVA_SweeperTool::Session::Initialize(ILxUnknownID adjust) {
    CLxUser_AdjustTool adj;
    m_disabled = !adj.set(adjust);
    if (!m_disabled) {
        adj.SetFlt(ATTRs_ROTATION_ANGLE, 0.0);
        adj.SetInt(ATTRs_SPIN_90_CW, 0);
        adj.SetInt(ATTRs_SPIN_90_CCW, 0);
        adj.SetFlt(ATTRs_OFFSET_SNAP_POS_X, 0.0);
        adj.SetFlt(ATTRs_OFFSET_SNAP_POS_Y, 0.0);
    }
    m_pathReady = false;
    m_customCaptured = false;
    m_path = SweepPath();
    m_profile.Initialize();
    m_handleFrame = Matrix4();
    m_snapTranslation = Matrix4();
    m_snap = Snap();
    m_activeCorner = PART_CORNER_TR;
    m_scaleHandle = 0;
    m_scaleAxis = pr::AXIS_A;
    m_invalidTarget.Reset();
    m_tool.m_hotPart = -1;
    m_tool.ForgetLastChanged();
    m_reported = nullptr;
}

LxResult CgORVA_SweeperTool::Session::Drop() {
    m_path = SweepPath();
    m_pathReady = false;
    return LXe_OK;
}

// ---- path set-up (the first press)

void CgORVA_SweeperTool::Session::FirstPress(CLxUser_AdjustTool &adjust, int part) {
    LayerFailure layers = LAYERS_OK;
    const PathFailure path = SetUpPath(layers);
    if (layers != LAYERS_OK || path != PATH_OK) {
        RefuseSetUp(layers != LAYERS_OK ? LayerFailureKey(layers) : PathFailureKey(path));
        return;
    }
    WriteSizes({pr::DefaultProfileSize(m_tool.dyna_IsSet(ATTRs_SIZE_X), m_tool.dyna_Float(ATTRs_SIZE_X)),
                pr::DefaultProfileSize(m_tool.dyna_IsSet(ATTRs_SIZE_Y), m_tool.dyna_Float(ATTRs_SIZE_Y))});
    ChooseProfile();
    m_profile.PlaceProfile(m_placed, m_profilePoints, m_path.StartFrame(), m_snapTranslation);
    m_pathReady = true;
    PlaceHandles(true);
    m_tool.m_hotPart = part;
}

PathFailure CgORVA_SweeperTool::Session::SetUpPath(LayerFailure &layerFailure) {
    SweepLayers layers;
    layerFailure = ChooseSweepLayers(m_tool.m_layerService, m_tool.m_selService, layers);
    if (layerFailure != LAYERS_OK) return PATH_NOT_SET_UP;
    if (layers.hasProfile) {
        if (!pr::ProfileHasArea(layers.profilePoints)) {
            layerFailure = LAYERS_PROFILE_FLAT;
            return PATH_NOT_SET_UP;
        }
        if (!pr::CaptureCustomProfile(m_customProfile, layers.profilePoints, layers.profileNormal)) {
            layerFailure = LAYERS_CUSTOM_PROFILE;
            return PATH_NOT_SET_UP;
        }
        m_customCaptured = true;
        m_tool.SetOwnInt(ATTRs_PROFILE_SHAPE, pr::PROFILE_CUSTOM);
    }
    Matrix4 m[4];
    if (!ReadTargetTransforms(m_tool.m_layerService, m_tool.m_selService, layers.target, m)) {
        layerFailure = LAYERS_TRANSFORMS;
        return PATH_NOT_SET_UP;
    }
    PathFailure failure = m_path.SetWorldTransforms(m[0], m[1], m[2], m[3]);
    std::vector<qk::Point> points = ReadSelectedPathPoints(m_tool.m_selService);
    if (failure == PATH_OK) failure = m_path.GatherPathPoints(points);
    if (failure == PATH_OK) failure = m_path.SetupPathNodes(points);
    m_targetLayer = layers.target;
    return failure;
}

void CgORVA_SweeperTool::Session::ChooseProfile() {
    const int asked = m_tool.dyna_Int(ATTRs_PROFILE_SHAPE);
    const int shape = pr::ChooseProfilePoints(m_profilePoints, asked, m_customProfile, m_customCaptured);
    if (shape != asked) m_tool.SetOwnInt(ATTRs_PROFILE_SHAPE, shape);
    const qk::math::Box box = pr::ProfileBox(m_profilePoints);
    pr::ProfileSize size = Sizes();
    bool uniform = m_tool.dyna_Bool(ATTRs_UNIFORM_SCALING);
    m_profile.SetProfileSize(box, m_tool.dyna_Bool(ATTRs_RESET_SIZE_ON_PROFILE_CHANGE), size, uniform);
    WriteSizes(size);
    m_tool.SetOwnInt(ATTRs_UNIFORM_SCALING, uniform ? 1 : 0);
    m_path.SizeRingTables(m_profilePoints.size());
}

void CgORVA_SweeperTool::Session::RefuseSetUp(const char *key) {
    m_disabled = true;
    m_path = SweepPath();
    // The reason, then that nothing more happens until the tool is activated again.
    CLxUser_MessageService messages;
    CLxUser_Message reason;
    std::string text;
    if (!messages.NewMessage(reason)) return m_tool.ShowWarning(key, kDialogTitle, SWEEPER_HELP_URL);
    reason.SetMessage(m_tool.Table(), key, 0);
    if (LXx_FAIL(messages.GetText(reason, text)) || text.empty()) text = key;
    CLxUser_StdDialogService dialogs;
    CLxUser_Message msg;
    if (!dialogs.MessageAllocate(msg)) return;
    msg.SetCode(qk::kToolMessageCode);
    msg.SetMessage(m_tool.Table(), "SetUpRefused", 0);
    msg.SetArgumentString(1, text.c_str());
    dialogs.MessageOpen(msg, kDialogTitle, SWEEPER_HELP_URL, "");
}

// ---- presses, drags and releases

LxResult CgORVA_SweeperTool::Session::Down(ILxUnknownID vts, ILxUnknownID adjust) {
    const auto *input = m_tool.ReadPacket<LXpToolInputEvent>(vts, LXsP_TOOL_INPUT_EVENT);
    CLxUser_AdjustTool adj;
    if (!input || m_disabled || !adj.set(adjust)) return LXe_FALSE;
    const LXpToolInputEvent event = *input;
    if (!m_pathReady) {
        FirstPress(adj, event.part);
        return LXe_TRUE;
    }
    const int part = m_tool.TakeHotPart(vts);
    StartHandleDrag(vts, part);
    if (IsJumpHandle(part)) {
        m_scaleHandle = part;
        m_scaleAxis = ScaleAxisOfHandle(part);
    }
    if (m_tool.dyna_Bool(ATTRs_SNAP_PROFILE_POINT_TO_PATH))
        PressProfilePoint(part, adj);
    else if (IsMoveHandle(part))
        m_snap.state = SNAP_NONE;  // the profile is moved by hand from here on
    else
        PressBySnapState(vts, event, adj);
    return LXe_TRUE;
}

// A corner takes the drag (it moves nothing, but places the move handles); a move handle drags along
// its axis of the handle frame from the active corner.
void CgORVA_SweeperTool::Session::StartHandleDrag(ILxUnknownID vts, int part) {
    if (IsCorner(part)) m_activeCorner = part;
    if (!IsCorner(part) && !IsMoveHandle(part)) return;
    CLxUser_EventTranslatePacket translate;
    if (!m_tool.ReadEventTranslation(vts, translate)) return;
    Vector3 corner = m_tool.AttrVector(kCornerAttr[m_activeCorner - PART_CORNER_TR]);
    if (IsCorner(part)) {
        translate.HitHandle(vts, corner);
        return;
    }
    const Vector3 axis =
        part == PART_MOVE_X ? qk::math::RightAxis(m_handleFrame) : qk::math::UpAxis(m_handleFrame);
    Vector3 direction = qk::math::Normalized(axis);
    translate.SetLinearConstraint(vts, corner, direction);
}

void CgORVA_SweeperTool::Session::PressProfilePoint(int part, CLxUser_AdjustTool &adjust) {
    if (part < PART_PROFILE_POINT || std::size_t(part - PART_PROFILE_POINT) >= m_placed.size()) return;
    const qk::Point target = m_path.SnapTarget();
    m_snap.source = m_placed[std::size_t(part - PART_PROFILE_POINT)];
    m_snap.target = PositionOf(target);
    m_snap.targetId = target.id;
    m_snap.index = part;
    m_snap.state = SNAP_POINT_CHOSEN;
    adjust.SetInt(ATTRs_SNAP_PROFILE_POINT_TO_PATH, 0);
}

void CgORVA_SweeperTool::Session::PressBySnapState(ILxUnknownID vts, const LXpToolInputEvent &input,
                                                   CLxUser_AdjustTool &adjust) {
    const int part = input.part;
    if (AwaitsJump(m_snap.state)) {
        Jump(vts, adjust);
    } else if (IsCorner(part) && input.input == kLeftButton) {
        if (input.mode == kCtrlMode) {
            m_snap.pending = false;
            return;
        }
        const qk::Point target = m_path.SnapTarget();
        m_snap.source = m_tool.AttrVector(kCornerAttr[part - PART_CORNER_TR]);
        m_snap.target = PositionOf(target);
        m_snap.targetId = target.id;
        m_snap.index = part;
        m_snap.state = SNAP_CORNER_CHOSEN;
    } else if (IsCorner(part) && input.input == kRightButton) {
        m_snap = Snap();
        m_snap.pending = true;
    } else if (m_snap.state == SNAP_SNAPPED) {
        if (part == PART_SIZE_A || part == PART_SIZE_B) m_snap.state = SNAP_JUMP_TURN_SIZE;
        if (part == PART_DIRECTION_A || part == PART_DIRECTION_B) m_snap.state = SNAP_JUMP_TURN;
    }
}

// The press after a direction or size handle: the profile turns (and sizes) onto the vertex of the
// polygon under the mouse that lies in the profile's plane nearest the mouse.
void CgORVA_SweeperTool::Session::Jump(ILxUnknownID vts, CLxUser_AdjustTool &adjust) {
    const auto *hit = m_tool.ReadPacket<LXpToolHitEvent>(vts, LXsP_TOOL_HIT_EVENT);
    if (!hit || !hit->hit.pol) {
        m_snap.state = m_snap.previous;
        return;
    }
    std::vector<qk::Point> points;
    qk::AppendPolygonPoints(points, hit->hit.pol, m_targetLayer);
    const Matrix4 &world = m_path.WorldMatrix();
    for (qk::Point &p : points) {
        const Vector3 w = TransformPoint(world, PositionOf(p));
        p = qk::Point{w.x(), w.y(), w.z(), p.id};
    }
    const Vector3 mouse = TransformPoint(world, Vector3(hit->hit.pos));
    const Matrix4 &start = m_path.StartFrame();
    const Vector3 normal = FwdAxis(start), planePoint = qk::math::TranslationOf(start);
    double found[3] = {0.0, 0.0, 0.0};
    LXtPointID id = nullptr;
    if (points.empty() ||
        !qk::NearestPointInPlane(found, id, points, mouse, normal, planePoint, m_snap.targetId)) {
        m_invalidTarget.StartTimer(qk::SteadySeconds());
    } else {
        ApplyJump(Vector3(found), adjust);
    }
    m_snap.state = SNAP_SNAPPED;
}

void CgORVA_SweeperTool::Session::ApplyJump(const Vector3 &found, CLxUser_AdjustTool &adjust) {
    Vector3 reference(0.0, 1.0, 0.0);
    if (IsJumpHandle(m_scaleHandle)) reference = Layout(0.0).reference[m_scaleAxis == pr::AXIS_B ? 0 : 1];
    const JumpInput in{reference,
                       m_snap.target,
                       found,
                       FwdAxis(m_path.StartFrame()),
                       m_profile.Rotation(),
                       m_snap.state == SNAP_JUMP_TURN_SIZE};
    const JumpResult jump = ComputeJump(in);
    if (jump.rotated) adjust.SetFlt(ATTRs_ROTATION_ANGLE, m_profile.SetProfileRotation(jump.rotation));
    if (!jump.resized) return;
    pr::ProfileSize size = Sizes();
    const bool axisB = m_scaleAxis == pr::AXIS_B;
    (axisB ? size.b : size.a) = jump.size;
    m_profile.SetProfileScale(m_scaleAxis, m_tool.dyna_Bool(ATTRs_UNIFORM_SCALING), size);
    // The handle's own size last: it is the change the evaluation acts on.
    adjust.SetFlt(axisB ? ATTRs_SIZE_X : ATTRs_SIZE_Y, axisB ? size.a : size.b);
    adjust.SetFlt(axisB ? ATTRs_SIZE_Y : ATTRs_SIZE_X, axisB ? size.b : size.a);
}

void CgORVA_SweeperTool::Session::Up(ILxUnknownID vts, ILxUnknownID adjust) {
    CLxUser_AdjustTool adj;
    if (m_snap.state != SNAP_CORNER_CHOSEN || !adj.set(adjust)) return;
    const Vector3 delta = m_snap.target - m_snap.source;
    for (unsigned first : kCornerAttr) m_tool.AdjustAttrVector(adj, first, m_tool.AttrVector(first) + delta);
    m_snap.previous = SNAP_CORNER_CHOSEN;
    m_snap.state = SNAP_SNAPPED;
}

bool CgORVA_SweeperTool::Session::HandlePosition(int part, LXtVector pos) {
    if (!m_pathReady || (!IsCorner(part) && !IsMoveHandle(part))) return false;
    const int corner = IsCorner(part) ? part : m_activeCorner;
    m_tool.AttrVector(kCornerAttr[corner - PART_CORNER_TR]).CopyTo(pos);
    return true;
}

// Dragging a move handle slides the whole profile in its plane; corners do not move by dragging.
void CgORVA_SweeperTool::Session::MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust) {
    if (!IsMoveHandle(part)) return;
    const Vector3 delta = Vector3(pos) - m_tool.AttrVector(kCornerAttr[m_activeCorner - PART_CORNER_TR]);
    for (unsigned first : kCornerAttr)
        m_tool.AdjustAttrVector(adjust, first, m_tool.AttrVector(first) + delta);
    qk::math::SetTranslation(m_snapTranslation, qk::math::TranslationOf(m_snapTranslation) + delta);
}

// ---- evaluation

void CgORVA_SweeperTool::Session::Evaluate(ILxUnknownID vts) {
    if (!vts || !m_tool.IsView3D(vts) || m_path.NodeCount() == 0 || !m_pathReady || m_disabled) return;
    bool refresh = ActOnLastChange();
    const PathFailure ends = RestoreEnds();
    if (m_snap.state >= SNAP_POINT_CHOSEN) {
        const Vector3 offset =
            SnapOffset(m_snap.index, m_snap.target, m_profile, m_profilePoints, m_path.StartFrame());
        m_snapTranslation = qk::math::TranslationMatrix(offset);
        refresh = true;
    }
    PlaceHandles(refresh);
    m_profile.PlaceProfile(m_placed, m_profilePoints, m_path.StartFrame(), m_snapTranslation);
    // While a jump target is awaited the handles follow, but nothing is built.
    if (AwaitsJump(m_snap.state)) return;
    if (ends != PATH_OK) {
        ReportFailure(PathFailureKey(ends));
        return;
    }
    WriteSweep();
}

// Acts on the change recorded since the last evaluation; true when the handles must be placed anew.
bool CgORVA_SweeperTool::Session::ActOnLastChange() {
    const int changed = m_tool.TakeLastChanged();
    pr::ProfileSize size = Sizes();
    switch (changed) {
        case ATTRs_SIZE_X:
        case ATTRs_SIZE_Y:
            m_profile.SetProfileScale(changed == ATTRs_SIZE_X ? pr::AXIS_A : pr::AXIS_B,
                                      m_tool.dyna_Bool(ATTRs_UNIFORM_SCALING), size);
            WriteSizes(size);
            m_tool.SetOwnInt(ATTRs_TIMBER_SIZE_PRESETS_A, 0);
            m_tool.SetOwnInt(ATTRs_TIMBER_SIZE_PRESETS_B, 0);
            return true;
        case ATTRs_ROTATION_ANGLE:
            m_tool.SetOwnFloat(ATTRs_ROTATION_ANGLE,
                               m_profile.SetProfileRotation(m_tool.dyna_Float(ATTRs_ROTATION_ANGLE)));
            return true;
        case ATTRs_PROFILE_SHAPE:
            ChooseProfile();
            if (m_tool.dyna_Bool(ATTRs_RESET_SIZE_ON_PROFILE_CHANGE)) {
                m_profile.ResetProfileScale(size);
                WriteSizes(size);
            }
            return true;
        case ATTRs_TIMBER_SIZE_PRESETS_A:
            ApplyPreset(pr::PRESET_LIST_A);
            return true;
        case ATTRs_TIMBER_SIZE_PRESETS_B:
            ApplyPreset(pr::PRESET_LIST_B);
            return true;
        default:
            return changed >= 0 && ActOnButton(unsigned(changed));
    }
}

// A button acts when it is pressed (set true), and is set back to false.
bool CgORVA_SweeperTool::Session::ActOnButton(unsigned index) {
    if (!m_tool.dyna_Bool(index)) return false;
    pr::ProfileSize size = Sizes();
    bool refresh = true;
    switch (index) {
        case ATTRs_SPIN_90_CW:
        case ATTRs_SPIN_90_CCW:
            m_profile.SetProfileSpin(
                index == ATTRs_SPIN_90_CW ? qk::SPIN_CLOCKWISE : qk::SPIN_COUNTER_CLOCKWISE, size);
            WriteSizes(size);
            break;
        case ATTRs_RESET_SCALING:
            m_profile.ResetProfileScale(size);
            WriteSizes(size);
            m_tool.SetOwnInt(ATTRs_TIMBER_SIZE_PRESETS_A, 0);
            m_tool.SetOwnInt(ATTRs_TIMBER_SIZE_PRESETS_B, 0);
            break;
        case ATTRs_RESET_PATH_ENDS:
            m_tool.SetOwnFloat(ATTRs_EXTEND_PATH_START, 0.0);
            m_tool.SetOwnFloat(ATTRs_EXTEND_PATH_END, 0.0);
            m_tool.SetOwnInt(ATTRs_PATH_START_END_TYPE, END_TYPE_PATH);
            m_tool.SetOwnInt(ATTRs_PATH_FINISH_END_TYPE, END_TYPE_PATH);
            m_tool.SetOwnInt(ATTRs_MIRROR_END_TYPE, 1);
            refresh = false;
            break;
        case ATTRs_PROFILE_FLIP_DIM_A:
        case ATTRs_PROFILE_FLIP_DIM_B:
            m_profile.ToggleFlipProfile(index == ATTRs_PROFILE_FLIP_DIM_A ? pr::FLIP_A : pr::FLIP_B);
            m_tool.SetOwnInt(ATTRs_PROFILE_FLIP_DIM_A, 0);
            m_tool.SetOwnInt(ATTRs_PROFILE_FLIP_DIM_B, 0);
            refresh = false;
            break;
        default:
            return false;
    }
    m_tool.SetOwnInt(index, 0);
    return refresh;
}

void CgORVA_SweeperTool::Session::ApplyPreset(pr::PresetListId list) {
    const bool listA = list == pr::PRESET_LIST_A;
    const unsigned own = listA ? ATTRs_TIMBER_SIZE_PRESETS_A : ATTRs_TIMBER_SIZE_PRESETS_B;
    m_tool.SetOwnInt(listA ? ATTRs_TIMBER_SIZE_PRESETS_B : ATTRs_TIMBER_SIZE_PRESETS_A, 0);
    pr::ProfileSize size = Sizes();
    bool uniform = m_tool.dyna_Bool(ATTRs_UNIFORM_SCALING);
    switch (m_profile.SetProfileSizeToPreset(list, m_tool.dyna_Int(own), size, uniform)) {
        case pr::PRESET_RESET:
            m_tool.SetOwnInt(own, 0);
            break;
        case pr::PRESET_APPLIED:
            WriteSizes(size);
            m_tool.SetOwnInt(ATTRs_UNIFORM_SCALING, uniform ? 1 : 0);
            break;
        default:
            break;
    }
}

// Restores the path ends from the attributes and writes back what the restore changed: the loop
// opened on a two-point path, the finish copied from the start under the mirror.
PathFailure CgORVA_SweeperTool::Session::RestoreEnds() {
    PathEndSettings s;
    s.closeLoop = m_tool.dyna_Bool(ATTRs_CLOSE_LOOP);
    s.mirrorEndType = m_tool.dyna_Bool(ATTRs_MIRROR_END_TYPE);
    s.types = {m_tool.dyna_Int(ATTRs_PATH_START_END_TYPE), m_tool.dyna_Int(ATTRs_PATH_FINISH_END_TYPE)};
    s.extendStart = m_tool.dyna_Float(ATTRs_EXTEND_PATH_START);
    s.extendEnd = m_tool.dyna_Float(ATTRs_EXTEND_PATH_END);
    const PathEndSettings before = s;
    const PathFailure failure = m_path.RestorePathEnds(s);
    if (s.closeLoop != before.closeLoop) m_tool.SetOwnInt(ATTRs_CLOSE_LOOP, s.closeLoop ? 1 : 0);
    if (s.types.finish != before.types.finish) m_tool.SetOwnInt(ATTRs_PATH_FINISH_END_TYPE, s.types.finish);
    if (s.extendEnd != before.extendEnd) m_tool.SetOwnFloat(ATTRs_EXTEND_PATH_END, s.extendEnd);
    m_endTypes = s.types;
    return failure;
}

// Handle frame = rotation x start frame x snap translation; with refresh the corner handles go to the
// spun and scaled profile box's corners in it.
void CgORVA_SweeperTool::Session::PlaceHandles(bool refresh) {
    m_handleFrame = Multiply(Multiply(m_profile.RotationMatrix(), m_path.StartFrame()), m_snapTranslation);
    if (!refresh) return;
    const qk::math::Box box = m_profile.SpinScaledBox();
    for (int c = 0; c < 4; ++c)
        m_tool.SetOwnAttrVector(kCornerAttr[c], TransformPoint(m_handleFrame, pr::ProfileBoxCorner(box, c)));
}

void CgORVA_SweeperTool::Session::WriteSweep() {
    const PathFailure projected = m_path.ProjectPointsAlongPath(m_placed);
    if (projected != PATH_OK) {
        ReportFailure(PathFailureKey(projected));
        return;
    }
    m_profile.CapOutline(m_capOutline, m_profilePoints);
    SweepOutputSettings settings;
    settings.capEnds = m_tool.dyna_Bool(ATTRs_CAP_ENDS);
    settings.makeUVs = m_tool.dyna_Bool(ATTRs_MAKE_UVS);
    settings.uvsStack = m_tool.dyna_Bool(ATTRs_UVS_STACK);
    settings.endTypes = m_endTypes;
    if (!m_output.Build(m_path, m_placed, m_capOutline, settings)) {
        ReportFailure(PathFailureKey(PATH_RESULT_NOT_FINITE));
        return;
    }
    switch (WriteSweptMesh(m_tool.m_layerService, m_targetLayer, m_output, settings.makeUVs, m_pointIds)) {
        case WRITE_OK:
            ReportFailure(nullptr);
            break;
        case WRITE_NO_UV_MAP:
            ReportFailure("NeedsTextureMap");
            break;
        case WRITE_NOT_FINITE:
            ReportFailure(PathFailureKey(PATH_RESULT_NOT_FINITE));
            break;
        default:
            break;
    }
}

// Says once why the sweep is not written, until it is written again.
void CgORVA_SweeperTool::Session::ReportFailure(const char *key) {
    if (key && (!m_reported || std::string(m_reported) != key))
        m_tool.ShowWarning(key, kDialogTitle, SWEEPER_HELP_URL);
    m_reported = key;
}

// ---- drawing

HandleLayout CgORVA_SweeperTool::Session::Layout(double handleSize) const {
    const int snapped = IsCorner(m_snap.index) ? m_snap.index - PART_CORNER_TR : 0;
    return ComputeHandleLayout(m_profile.SpinScaledBox(), m_handleFrame, m_activeCorner - PART_CORNER_TR,
                               snapped, handleSize);
}

void CgORVA_SweeperTool::Session::DrawHandles(qk::ToolDrawContext &ctx) {
    if (!m_pathReady || m_disabled) return;
    const double scale = ctx.view.PixelScale();
    const double handleSize = scale > 0.0 && std::isfinite(scale) ? kHandlePixels / scale : 0.0;
    ctx.stroke.SetPart(LXiHITPART_INVIS);
    ctx.stroke.BeginW(LXiSTROKE_LINE_LOOP, kOutlineColour, 1.0, kOutlineWidth);
    for (const Vector3 &p : m_placed) ctx.Vertex(p);
    if (m_tool.dyna_Bool(ATTRs_SNAP_PROFILE_POINT_TO_PATH))
        DrawProfileHandles(ctx);
    else
        DrawBoxHandles(ctx, handleSize);
}

void CgORVA_SweeperTool::Session::DrawProfileHandles(qk::ToolDrawContext &ctx) {
    for (std::size_t i = 0; i < m_placed.size(); ++i)
        ctx.handles.PointHandle(m_placed[i], PART_PROFILE_POINT + int(i), qk::kHandleFlags);
}

void CgORVA_SweeperTool::Session::DrawBoxHandles(qk::ToolDrawContext &ctx, double handleSize) {
    LXtMatrix rotation;
    qk::math::RotationColumns(m_handleFrame, rotation);
    for (int c = 0; c < 4; ++c)
        ctx.handles.Handle(m_tool.AttrVector(kCornerAttr[c]), rotation, PART_CORNER_TR + c,
                           m_tool.HandleFlags(PART_CORNER_TR + c));
    const HandleLayout h = Layout(handleSize);
    const bool invalid = m_invalidTarget.IsShowing(qk::SteadySeconds());
    ctx.stroke.SetPart(LXiHITPART_INVIS);
    ctx.stroke.BeginWD(LXiSTROKE_LINE_LOOP, invalid ? kInvalidTargetColour : kBoxColour, 1.0, 1.0, kBoxDash);
    for (const Vector3 &p : h.outline) ctx.Vertex(p);
    const Vector3 corner = m_tool.AttrVector(kCornerAttr[m_activeCorner - PART_CORNER_TR]);
    ctx.AxisArrow(corner, h.moveDirection[0], handleSize, PART_MOVE_X, m_tool.HandleFlags(PART_MOVE_X));
    ctx.AxisArrow(corner, h.moveDirection[1], handleSize, PART_MOVE_Y, m_tool.HandleFlags(PART_MOVE_Y));
    if (ShowsJumpHandles(m_snap.state)) {
        const int direction[2] = {PART_DIRECTION_B, PART_DIRECTION_A}, size[2] = {PART_SIZE_B, PART_SIZE_A};
        for (int i = 0; i < 2; ++i) {
            ctx.AxisArrow(h.directionHandle[i], h.reference[i], handleSize, direction[i],
                          m_tool.HandleFlags(direction[i]));
            ctx.handles.PointHandle(h.sizeHandle[i], size[i], m_tool.HandleFlags(size[i]));
        }
    }
    DrawLabels(ctx, h);
}

void CgORVA_SweeperTool::Session::DrawLabels(qk::ToolDrawContext &ctx, const HandleLayout &layout) {
    const bool dims = m_tool.dyna_Bool(ATTRs_SHOW_DIMS);
    const std::string top =
        dims ? m_tool.DistanceLabel(m_tool.Table(), "bbox_size_x", layout.topLength) : "A";
    const std::string left =
        dims ? m_tool.DistanceLabel(m_tool.Table(), "bbox_size_y", layout.leftLength) : "B";
    const std::pair<const std::string *, const Vector3 *> labels[2] = {{&top, &layout.labelTop},
                                                                       {&left, &layout.labelLeft}};
    for (const auto &label : labels) {
        ctx.stroke.Begin(LXiSTROKE_TEXT, kOutlineColour, 1.0);
        ctx.stroke.Text(label.first->c_str(), LXiTEXT_CENTER);
        ctx.Vertex(*label.second);
    }
}

}  // namespace gORVA_Tools_Sweeper
