#include "Tool_BBox_Move_019.hpp"

#include <algorithm>
#include <string>

#include "lx_wrap.hpp"
#include "lx_action.hpp"
#include "lx_item.hpp"
#include "qk_general_utils.hpp"
#include "qk_item_xfrm.hpp"
#include "qk_tool_enable.hpp"
#include "qk_visit.hpp"

namespace gORVA_Tools_BBox {

namespace {

const char *const kServerName = "gORVA.BBox";
const char *const kDialogTitle = "BBox tool disabled.";
const char *const kUpAxisPreference = "units.upAxis";
const unsigned kModelFlags = LXfTMOD_DRAW_3D | LXfTMOD_I0_INPUT;
// Active layers with marked elements of the selection's type, writable.
const unsigned kVertexScanFlags = LXf_LAYERSCAN_EDIT_VERTS;
const unsigned kEdgeScanFlags = LXf_LAYERSCAN_EDIT_EDGES;
const unsigned kPolygonScanFlags = LXf_LAYERSCAN_EDIT_POLYS;
const unsigned kMoveScanFlags = LXf_LAYERSCAN_EDIT_POLVRT;
// The selection types the box is gathered from; polygons unless edges or vertices are current.
const LXtID4 kBoxSelectionTypes[] = {LXiSEL_POLYGON, LXiSEL_EDGE, LXiSEL_VERTEX, 0};
// Colours (RGB) of the box's edges and, while the height is locked, of its bottom face.
constexpr Vector3 kEdgeColour{0.99, 0.79, 0.99};
constexpr Vector3 kLockedColour{0.9, 0.2, 0.2};

// First attribute of corner handle k (0..7).
unsigned CornerAttr(int k) {
    return ATTR_P0X + 3u * unsigned(k);
}

// One active layer's world transforms, read from its item at activation (identity matrices when
// they cannot be read), and the item's name for messages.
struct LayerTransforms : qk::ItemXfrm {
    std::string name;
};

unsigned ScanFlagsFor(LXtID4 type) {
    return type == LXiSEL_VERTEX ? kVertexScanFlags
           : type == LXiSEL_EDGE ? kEdgeScanFlags
                                 : kPolygonScanFlags;
}

bool IsZero(const Vector3 &v) {
    return v.x() == 0.0 && v.y() == 0.0 && v.z() == 0.0;
}

/// Shared part of the box visitors: a running world box of the visited elements' points, a count of
/// visited elements and, when asked for, the ids of the points (with repeats).
class CToolBoxVisitor : public CLxImpl_AbstractVisitor {
public:
    /// Empties the box and the count; positions go to world space through `world`; ids are kept
    /// only when `keepIds`.
    void Reset(const Matrix4 &world, bool keepIds = false);
    /// The world box of the points visited since Reset; empty when none.
    const qk::math::Box &GetBBox() const { return m_box; }
    /// Elements visited since Reset.
    unsigned Count() const { return m_count; }
    /// Point ids visited since Reset (when kept), in visiting order with repeats.
    std::vector<LXtPointID> &Ids() { return m_ids; }

    CLxUser_Point points;

protected:
    /// Adds the point with this id (the point accessor is moved onto it).
    void AddPoint(LXtPointID id);
    /// Adds the point the point accessor is on.
    void AddCurrentPoint();

    qk::math::Box m_box;
    Matrix4 m_world;
    unsigned m_count = 0;
    bool m_keepIds = false;
    std::vector<LXtPointID> m_ids;
};

/// Visits selected points: adds each point.
class CToolVertexVisitor final : public CToolBoxVisitor {
public:
    LxResult Evaluate() override;
};

/// Visits selected edges: adds both end points of each edge.
class CToolEdgeVisitor final : public CToolBoxVisitor {
public:
    LxResult Evaluate() override;
    CLxUser_Edge edges;
};

/// Visits selected polygons: adds every vertex of each polygon.
class CToolPolygonVisitor final : public CToolBoxVisitor {
public:
    LxResult Evaluate() override;
    CLxUser_Polygon polygons;
};

// The three box visitors; Run walks one layer's selected elements of a type with the matching one.
struct BoxVisitors {
    CToolVertexVisitor vertices;
    CToolEdgeVisitor edges;
    CToolPolygonVisitor polygons;

    CToolBoxVisitor &Run(CLxUser_Mesh &mesh, LXtID4 type, LXtMarkMode mode, const Matrix4 &world, bool ids) {
        if (type == LXiSEL_VERTEX) {
            vertices.Reset(world, ids);
            if (mesh.GetPoints(vertices.points)) qk::Visit(vertices.points, vertices, mode);
            return vertices;
        }
        if (type == LXiSEL_EDGE) {
            edges.Reset(world, ids);
            if (mesh.GetPoints(edges.points) && mesh.GetEdges(edges.edges))
                qk::Visit(edges.edges, edges, mode);
            return edges;
        }
        polygons.Reset(world, ids);
        if (mesh.GetPoints(polygons.points) && mesh.GetPolygons(polygons.polygons))
            qk::Visit(polygons.polygons, polygons, mode);
        return polygons;
    }
};

}  // namespace

// ---- visitors

void CToolBoxVisitor::Reset(const Matrix4 &world, bool keepIds) {
    m_box = qk::math::Box();
    m_world = world;
    m_count = 0;
    m_keepIds = keepIds;
    m_ids.clear();
}

void CToolBoxVisitor::AddPoint(LXtPointID id) {
    if (m_keepIds) {
        m_ids.push_back(id);
        return;
    }
    if (LXx_OK(points.Select(id))) AddCurrentPoint();
}

void CToolBoxVisitor::AddCurrentPoint() {
    if (m_keepIds) {
        m_ids.push_back(points.ID());
        return;
    }
    LXtFVector p;
    if (LXx_OK(points.Pos(p))) AddWorldPosition(m_box, Vector3(p), m_world);
}

LxResult CToolVertexVisitor::Evaluate() {
    ++m_count;
    AddCurrentPoint();
    return LXe_OK;
}

LxResult CToolEdgeVisitor::Evaluate() {
    ++m_count;
    LXtPointID a = nullptr, b = nullptr;
    if (LXx_FAIL(edges.Endpoints(&a, &b))) return LXe_OK;
    AddPoint(a);
    AddPoint(b);
    return LXe_OK;
}

LxResult CToolPolygonVisitor::Evaluate() {
    ++m_count;
    unsigned n = 0;
    if (LXx_FAIL(polygons.VertexCount(&n))) return LXe_OK;
    for (unsigned i = 0; i < n; ++i) {
        LXtPointID id = nullptr;
        if (LXx_OK(polygons.VertexByIndex(i, &id))) AddPoint(id);
    }
    return LXe_OK;
}

// ---- the activation's state

// What an activation builds up; it reaches the attributes and services through the tool.
struct CgORVA_BBoxTool::Session {
    explicit Session(CgORVA_BBoxTool &tool);

    // activation and events, as the tool receives them
    void Reset();
    void Initialize(ILxUnknownID vts, ILxUnknownID adjust);
    bool HandlePosition(int part, LXtVector pos);
    void MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust);
    void Evaluate(ILxUnknownID vts);
    void DrawHandles(qk::ToolDrawContext &ctx);
    // reading the scene
    void ReadLayerTransforms();
    LXtID4 SelectionType();
    qk::math::Box SelectionBox();
    bool WorkPlaneDisables(ILxUnknownID vts);
    // handles
    void PlaceHandlesOnBox(const qk::math::Box &box);
    void AdjustHandlesOnBox(const qk::math::Box &box, CLxUser_AdjustTool &adjust);
    Corners HandleCorners();
    // the mesh edit
    void MoveSelection(const Vector3 &offset);
    std::string MoveLayer(CLxUser_LayerScan &scan, unsigned layer, LXtID4 type, const Vector3 &offset);
    // drawing
    void DrawEdges(qk::ToolDrawContext &ctx, const Corners &corners);

    CgORVA_BBoxTool &m_tool;
    // Up axis index (0 X, 1 Y, 2 Z), read from the preference when the tool is created.
    int m_upAxis = 1;
    // Corner 0's up coordinate when the handles were placed.
    double m_baseHeight = 0.0;
    // True when the handles show a box (something was selected when they were placed).
    bool m_hasBox = false;
    std::vector<LayerTransforms> m_layers;
    // True once the work plane check disabled the tool for this activation.
    bool m_disabled = false;
    bool m_firstActivation = true;
    LXtMarkMode m_selectMode = LXiMARK_ANY;
};

// ---- registration and attributes

void initialize() {
    CgORVA_BBoxTool::initialize();
}

void CgORVA_BBoxTool::initialize() {
    qk::RegisterTool<CgORVA_BBoxTool>(kServerName);
}

CgORVA_BBoxTool::CgORVA_BBoxTool()
    : qk::ToolFrame({kServerName,
                     {LXsP_TOOL_VIEW_EVENT, LXsP_TOOL_INPUT_EVENT, LXsP_TOOL_EVENTTRANS, LXsP_TOOL_XFRM},
                     kModelFlags,
                     BBOX_ATTRIBUTES,
                     ATTR_COUNT}),
      m_session(std::make_unique<Session>(*this)) {}

CgORVA_BBoxTool::~CgORVA_BBoxTool() = default;

CgORVA_BBoxTool::Session::Session(CgORVA_BBoxTool &tool) : m_tool(tool) {
    m_upAxis = UpAxisFromPreference(qk::GetPreferenceInt(kUpAxisPreference, 1));
    m_tool.m_meshService.ModeCompose(LXsMARK_SELECT, nullptr, &m_selectMode);
}

std::vector<qk::ToolEnableCheck> CgORVA_BBoxTool::EnableChecks() const {
    return {{&qk::IsComponentModeSelected, true, "WrongSelectionType"},
            {&qk::DoMeshItemsContainPolygons, true, "NoGeometrySelected"},
            {&qk::IsSetItemRefSystem, false, "ItemLocalSpaceRefIsSet"},
            {&qk::IsSupportedModoVersion, true, "WrongModoVersion"}};
}

bool CgORVA_BBoxTool::atrui_Enabled(unsigned index, CLxUser_Message &msg) {
    if ((index != ATTR_SET_HEIGHT && index != ATTR_HEIGHT) || !dyna_Bool(ATTR_LOCK_HEIGHT)) return true;
    if (msg.test()) msg.SetMessage(Table(), "NeedsLockHeightDisabled", 0);
    return false;
}

void CgORVA_BBoxTool::tool_Reset() {
    attr_SetBool(ATTR_LOCK_HEIGHT, false);
    attr_SetBool(ATTR_SET_HEIGHT, false);
    attr_SetFlt(ATTR_HEIGHT, 0.0);
    SetAttrVector(ATTR_DX, Vector3());
    m_session->Reset();
}

// ---- what the tool receives, handed to the activation's session

void CgORVA_BBoxTool::tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) {
    m_session->Initialize(vts, adjust);
}

LxResult CgORVA_BBoxTool::tmod_Down(ILxUnknownID vts, ILxUnknownID adjust) {
    if (m_session->m_disabled) return LXe_FALSE;
    return qk::ToolFrame::tmod_Down(vts, adjust);
}

bool CgORVA_BBoxTool::HandlePosition(int part, LXtVector pos) {
    return m_session->HandlePosition(part, pos);
}

void CgORVA_BBoxTool::MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust) {
    m_session->MoveHandle(part, pos, adjust);
}

void CgORVA_BBoxTool::tool_Evaluate(ILxUnknownID vts) {
    m_session->Evaluate(vts);
}

void CgORVA_BBoxTool::DrawHandles(qk::ToolDrawContext &ctx) {
    m_session->DrawHandles(ctx);
}

// ---- reading the scene

void CgORVA_BBoxTool::Session::Reset() {
    ReadLayerTransforms();
    PlaceHandlesOnBox(SelectionBox());
}

void CgORVA_BBoxTool::Session::ReadLayerTransforms() {
    m_layers.clear();
    CLxUser_LayerScan scan;
    if (!m_tool.m_layerService.BeginScan(LXf_LAYERSCAN_ACTIVE, scan)) return;
    const double time = m_tool.m_selService.GetTime();
    for (unsigned i = 0, n = scan.NumLayers(); i < n; ++i) {
        LayerTransforms xf;
        CLxUser_Item item;
        if (scan.ItemByIndex(i, item)) {
            qk::ReadItemXfrm(item, time, xf);
            xf.name = qk::ItemName(item);
        }
        m_layers.push_back(xf);
    }
    scan.Apply();
}

LXtID4 CgORVA_BBoxTool::Session::SelectionType() {
    const LXtID4 type = m_tool.m_selService.CurrentType(kBoxSelectionTypes);
    return type == LXiSEL_EDGE || type == LXiSEL_VERTEX ? type : LXiSEL_POLYGON;
}

// The world box of the selected elements (type from the current selection, polygons by default) over
// every active layer; empty when nothing is selected.
qk::math::Box CgORVA_BBoxTool::Session::SelectionBox() {
    qk::math::Box box;
    const LXtID4 type = SelectionType();
    CLxUser_LayerScan scan;
    if (!m_tool.m_layerService.BeginScan(ScanFlagsFor(type), scan)) return box;
    BoxVisitors visitors;
    for (unsigned i = 0, n = scan.NumLayers(); i < n; ++i) {
        CLxUser_Mesh mesh;
        if (!scan.BaseMeshByIndex(i, mesh)) continue;
        // World positions, so that the box hugs the selection of a turned item.
        const Matrix4 world = i < m_layers.size() ? m_layers[i].world : Matrix4();
        const CToolBoxVisitor &layer = visitors.Run(mesh, type, m_selectMode, world, false);
        if (layer.Count() == 0 || layer.GetBBox().IsEmpty()) continue;
        box.Add(layer.GetBBox().min);
        box.Add(layer.GetBBox().max);
    }
    scan.Apply();
    return box;
}

bool CgORVA_BBoxTool::Session::WorkPlaneDisables(ILxUnknownID vts) {
    const auto *xfrm = m_tool.ReadPacket<LXpToolXfrm>(vts, LXsP_TOOL_XFRM);
    if (!xfrm) return false;
    // The rows of mInv are the work plane's axes in world space.
    const Matrix4 first = m_layers.empty() ? Matrix4() : m_layers.front().world;
    return WorkPlaneDisablesTool(qk::IsWorkPlaneActive(xfrm), Vector3(xfrm->mInv[0]), Vector3(xfrm->mInv[1]),
                                 Vector3(xfrm->mInv[2]), Vector3(xfrm->v), first);
}

// ---- handles

// Writes the box's corners into the handle attributes directly and keeps corner 0's height as the base
// height; an empty box leaves the attributes and hides the handles.
void CgORVA_BBoxTool::Session::PlaceHandlesOnBox(const qk::math::Box &box) {
    Corners corners;
    m_hasBox = BoxCorners(box, corners);
    if (!m_hasBox) return;
    for (int k = 0; k < 8; ++k) m_tool.SetAttrVector(CornerAttr(k), corners[size_t(k)]);
    m_baseHeight = corners[0].v[m_upAxis];
}

// As PlaceHandlesOnBox, through the adjust-tool object.
void CgORVA_BBoxTool::Session::AdjustHandlesOnBox(const qk::math::Box &box, CLxUser_AdjustTool &adjust) {
    Corners corners;
    m_hasBox = BoxCorners(box, corners);
    if (!m_hasBox) return;
    for (int k = 0; k < 8; ++k) AdjustAttrVector(adjust, CornerAttr(k), corners[size_t(k)]);
    m_baseHeight = corners[0].v[m_upAxis];
}

Corners CgORVA_BBoxTool::Session::HandleCorners() {
    Corners corners;
    for (int k = 0; k < 8; ++k) corners[size_t(k)] = m_tool.AttrVector(CornerAttr(k));
    return corners;
}

bool CgORVA_BBoxTool::Session::HandlePosition(int part, LXtVector pos) {
    const int k = part - FIRST_CORNER_PART;
    if (!m_hasBox || k < 0 || k > 7) return false;
    m_tool.AttrVector(CornerAttr(k)).CopyTo(pos);
    return true;
}

// ---- activation and interaction

void CgORVA_BBoxTool::Session::Initialize(ILxUnknownID vts, ILxUnknownID adjust) {
    m_tool.ForgetLoggedError();
    m_disabled = false;
    m_tool.m_hotPart = -1;
    CLxUser_AdjustTool adj;
    const bool adjustable = adj.set(adjust);
    if (adjustable) {
        AdjustAttrVector(adj, ATTR_DX, Vector3());
        adj.SetInt(ATTR_GET_HEIGHT, 0);
    }
    ReadLayerTransforms();
    if (WorkPlaneDisables(vts)) {
        m_disabled = true;
        m_tool.ShowWarning("WorkPlaneIsSet", kDialogTitle, BBOX_HELP_URL);
    }
    if (adjustable) AdjustHandlesOnBox(SelectionBox(), adj);
    if (m_firstActivation && adjustable) adj.SetInt(ATTR_SET_HEIGHT, 0);
    m_firstActivation = false;
}

void CgORVA_BBoxTool::Session::MoveHandle(int part, const LXtVector pos, CLxUser_AdjustTool &adjust) {
    DragState state;
    state.corners = HandleCorners();
    state.offset = m_tool.AttrVector(ATTR_DX);
    state.lockHeight = m_tool.dyna_Bool(ATTR_LOCK_HEIGHT);
    state.setHeight = m_tool.dyna_Bool(ATTR_SET_HEIGHT);
    state.height = m_tool.dyna_Float(ATTR_HEIGHT);
    state.baseHeight = m_baseHeight;
    state.upAxis = m_upAxis;
    DragResult result;
    if (!DragCorner(state, part - FIRST_CORNER_PART, Vector3(pos), result)) return;
    AdjustAttrVector(adjust, ATTR_DX, result.offset);
    for (int k = 0; k < 8; ++k) AdjustAttrVector(adjust, CornerAttr(k), result.corners[size_t(k)]);
    if (result.setHeight != state.setHeight) adjust.SetInt(ATTR_SET_HEIGHT, result.setHeight ? 1 : 0);
}

// ---- evaluation

void CgORVA_BBoxTool::Session::Evaluate(ILxUnknownID vts) {
    if (m_disabled || !vts || !m_tool.IsView3D(vts)) return;
    if (m_tool.dyna_Bool(ATTR_GET_HEIGHT)) {
        if (m_hasBox) m_tool.attr_SetFlt(ATTR_HEIGHT, TopHeight(HandleCorners(), m_upAxis));
        m_tool.attr_SetBool(ATTR_GET_HEIGHT, false);
    }
    const Vector3 offset = m_tool.AttrVector(ATTR_DX);
    if (IsZero(offset) || !qk::math::IsFinite(offset)) return;
    MoveSelection(offset);
}

void CgORVA_BBoxTool::Session::MoveSelection(const Vector3 &offset) {
    const LXtID4 type = SelectionType();
    CLxUser_LayerScan scan;
    if (!m_tool.m_layerService.BeginScan(kMoveScanFlags, scan)) return;
    std::string refused;
    for (unsigned i = 0, n = scan.NumLayers(); i < n; ++i) {
        const std::string why = MoveLayer(scan, i, type, offset);
        if (why.empty()) continue;
        const std::string name = i < m_layers.size() ? m_layers[i].name : std::string();
        refused += (refused.empty() ? "" : "; ") + std::string("\"") + name + "\" not moved: " + why;
    }
    scan.Apply();
    if (refused.empty())
        m_tool.ForgetLoggedError();
    else
        m_tool.LogErrorOnce(refused);
}

std::string CgORVA_BBoxTool::Session::MoveLayer(CLxUser_LayerScan &scan, unsigned layer, LXtID4 type,
                                                const Vector3 &offset) {
    const LayerTransforms xf = layer < m_layers.size() ? m_layers[layer] : LayerTransforms();
    CLxUser_Mesh mesh;
    CLxUser_Point points;
    if (!scan.EditMeshByIndex(layer, mesh) || !mesh.GetPoints(points)) return std::string();
    // Each selected point once, whatever the selection type.
    BoxVisitors visitors;
    std::vector<LXtPointID> &ids = visitors.Run(mesh, type, m_selectMode, Matrix4(), true).Ids();
    if (ids.empty()) return std::string();
    std::sort(ids.begin(), ids.end(), std::less<LXtPointID>());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    Vector3 local;
    const qk::ItemMove solved = qk::WorldToItemDisplacement(offset, xf.rotation, xf.scale, local);
    if (solved != qk::ItemMove::MOVED) return qk::ItemMoveReason(solved);
    // All or nothing per layer: every moved point must fit the mesh before any is written.
    std::vector<std::pair<LXtPointID, Vector3>> moves;
    moves.reserve(ids.size());
    for (LXtPointID id : ids) {
        LXtFVector p;
        if (LXx_FAIL(points.Select(id)) || LXx_FAIL(points.Pos(p))) continue;
        const Vector3 moved = Vector3(p) + local;
        if (!qk::math::FitsSinglePrecision(moved)) return "a moved point would leave single precision";
        moves.emplace_back(id, moved);
    }
    for (const auto &m : moves)
        if (LXx_OK(points.Select(m.first))) points.SetPos(m.second);
    scan.SetMeshChange(layer, LXf_MESHEDIT_POSITION);
    return std::string();
}

// ---- drawing

void CgORVA_BBoxTool::Session::DrawHandles(qk::ToolDrawContext &ctx) {
    // Nothing selected: no box to show or drag.
    if (!m_hasBox) return;
    const Corners corners = HandleCorners();
    LXtMatrix axes;
    qk::math::RotationColumns(qk::math::Matrix4(), axes);
    for (int k = 0; k < 8; ++k) {
        const int part = FIRST_CORNER_PART + k;
        ctx.handles.MoveHandle(corners[size_t(k)], axes, qk::kFreeMoveAxis, part, m_tool.HandleFlags(part));
    }
    DrawEdges(ctx, corners);
}

void CgORVA_BBoxTool::Session::DrawEdges(qk::ToolDrawContext &ctx, const Corners &corners) {
    const bool locked = m_tool.dyna_Bool(ATTR_LOCK_HEIGHT);
    const std::array<CornerEdge, 4> bottom = BottomFaceEdges(m_upAxis);
    auto isBottom = [&bottom](const CornerEdge &e) {
        return std::find(bottom.begin(), bottom.end(), e) != bottom.end();
    };
    ctx.stroke.SetPart(LXiHITPART_INVIS);
    ctx.stroke.Begin(LXiSTROKE_LINES, kEdgeColour, 1.0);
    for (const CornerEdge &e : BoxEdges()) {
        if (locked && isBottom(e)) continue;
        ctx.Vertex(corners[size_t(e.first)]);
        ctx.Vertex(corners[size_t(e.second)]);
    }
    if (!locked) return;
    ctx.stroke.Begin(LXiSTROKE_LINES, kLockedColour, 1.0);
    for (const CornerEdge &e : bottom) {
        ctx.Vertex(corners[size_t(e.first)]);
        ctx.Vertex(corners[size_t(e.second)]);
    }
}

}  // namespace gORVA_Tools_BBox
