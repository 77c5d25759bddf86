#include "Tool_Component_Align_AB_005.hpp"

#include <map>
#include <string>

#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "qk_tool_enable.hpp"

namespace gORVA_Tools_ComponentAlignAToB {

using qk::align::AlignMove;
using qk::math::Vector3;

namespace {

const char *const kServerName = "gORVA.ComponentAlignAToB";
// Active layers with their marked vertices and polygons, writable.
const unsigned kEvaluateScanFlags = LXf_LAYERSCAN_EDIT_POLVRT;

// A selected vertex: its mesh position, world position, identifier and item identity.
using SelectedPoint = qk::SelectedVertex;
// An item's world, rotation, scale and position matrices.
using ItemTransform = qk::ItemXfrm;
// Item transforms by item identity.
using ItemTransformMap = std::map<std::string, ItemTransform>;

// One layer's moved vertices: where each goes, in the layer's own space.
struct LayerEdit {
    unsigned layer = 0;
    CLxUser_Point points;
    std::vector<std::pair<LXtPointID, Vector3>> moves;
};

// True when every selected vertex could be read, and there is one.
bool AllRead(const std::vector<SelectedPoint> &points) {
    if (points.empty()) return false;
    for (const SelectedPoint &p : points)
        if (!p.read) return false;
    return true;
}

// World positions from the items' world matrices; false when a point's item has no entry or either
// list is empty.
bool TransformPointsToWorldSpace(const ItemTransformMap &items, std::vector<SelectedPoint> &points) {
    if (items.empty() || points.empty()) return false;
    for (SelectedPoint &p : points) {
        const auto it = items.find(p.item);
        if (it == items.end()) return false;
        p.world = qk::math::TransformPoint(it->second.world, p.local);
    }
    return true;
}

}  // namespace

// What an activation builds up; it reaches the attributes, services and the frame's A and B through
// the tool.
struct CgORVA_ComponentAlignAToB::Session {
    explicit Session(CgORVA_ComponentAlignAToB &tool) : m_tool(tool) {}

    bool Activate();
    bool ReadItemTransforms(ItemTransformMap &items);
    void ActOnLastChange();
    void SetTargetToOrigin();
    bool ReadCurrentDestination(SelectedPoint &point);
    void WriteMove(const AlignMove &move, bool asGroup);
    std::string PlanLayer(const std::string &identity, const AlignMove &move, bool asGroup,
                          LayerEdit &edit) const;

    CgORVA_ComponentAlignAToB &m_tool;
    // The selected vertices that move (B's own vertex only once the target is the origin).
    std::vector<SelectedPoint> m_points;
    ItemTransformMap m_items;
    // True when this activation picked B from the selection (rather than keeping an earlier one).
    bool m_destinationPicked = false;
};

void initialize() {
    CgORVA_ComponentAlignAToB::initialize();
}

void CgORVA_ComponentAlignAToB::initialize() {
    qk::RegisterTool<CgORVA_ComponentAlignAToB>(kServerName);
}

CgORVA_ComponentAlignAToB::CgORVA_ComponentAlignAToB()
    : qk::AlignToolFrame(kServerName, COMPONENT_ALIGN_ATTRIBUTES, ATTR_COUNT,
                         qk::align::AlignTool::COMPONENT),
      m_session(std::make_unique<Session>(*this)) {
    tool_Reset();
}

CgORVA_ComponentAlignAToB::~CgORVA_ComponentAlignAToB() = default;

// ---- attributes

void CgORVA_ComponentAlignAToB::tool_Reset() {
    ResetSharedAttributes();
    SetOwnBool(ATTR_MOVE_AS_GROUP, true);
    m_apply = false;
}

std::vector<qk::ToolEnableCheck> CgORVA_ComponentAlignAToB::EnableChecks() const {
    // With a destination left by an earlier activation, one selected vertex is enough to align.
    return {{&qk::IsSetVertexMode, true, "NeedsVertexSelectionMode"},
            {m_destinationSet ? &qk::HasOneSelectedVertex : &qk::HasTwoSelectedVertices, true,
             "NeedsVertexSelection"},
            {&qk::IsSupportedModoVersion, true, "WrongModoVersion"},
            // The tool draws at world positions; in a reference item's space they would be misplaced.
            {&qk::IsSetItemRefSystem, false, "ItemLocalSpaceRefIsSet"}};
}

bool CgORVA_ComponentAlignAToB::TracksChange(unsigned index) const {
    return (index >= ATTR_ALIGN_X && index <= ATTR_ALIGN_Z) || index == ATTR_TARGET_IS_ORIGIN;
}

// ---- activation

// The world, rotation and scale matrices of every active layer's item, by identity; false when a
// layer's item, matrices or identity cannot be read, or there is no layer.
bool CgORVA_ComponentAlignAToB::Session::ReadItemTransforms(ItemTransformMap &items) {
    CLxUser_LayerScan scan;
    if (!m_tool.m_layerService.BeginScan(LXf_LAYERSCAN_ACTIVE, scan)) return false;
    const unsigned count = scan.NumLayers();
    const double time = m_tool.m_selService.GetTime();
    ItemTransformMap read;
    bool ok = count > 0;
    for (unsigned i = 0; i < count && ok; ++i) {
        CLxUser_Item item;
        ItemTransform t;
        ok = scan.ItemByIndex(i, item) && qk::ReadItemXfrm(item, time, t);
        const std::string identity = ok ? item.GetIdentity() : std::string();
        ok = ok && !identity.empty();
        if (ok) read[identity] = t;
    }
    scan.Apply();
    if (ok) items = std::move(read);
    return ok;
}

bool CgORVA_ComponentAlignAToB::Session::Activate() {
    if (!qk::IsSetVertexMode()) return m_tool.Invalidate("the selection mode is not vertices");
    ItemTransformMap items;
    if (!ReadItemTransforms(items))
        return m_tool.Invalidate("an active layer's item has no world matrices or no identity");
    std::vector<SelectedPoint> points = m_tool.ReadVertexSelection();
    if (!AllRead(points)) return m_tool.Invalidate("a selected vertex cannot be read");
    if (!TransformPointsToWorldSpace(items, points))
        return m_tool.Invalidate("a selected vertex does not belong to an active mesh layer");

    std::vector<Vector3> positions;
    for (const SelectedPoint &p : points) positions.push_back(p.world);
    const qk::align::PickResult pick = qk::align::PickComponentPoints(positions, m_tool.m_destinationSet);
    switch (pick.pick) {
        case qk::align::Pick::NO_POINTS:
            return m_tool.Invalidate("no vertex is selected");
        case qk::align::Pick::NO_DESTINATION:
            return m_tool.Invalidate("one vertex is selected and no earlier activation left a destination");
        case qk::align::Pick::NO_SOURCE:
            return m_tool.Invalidate(
                "every other selected vertex lies 100000 m or more from the destination");
        case qk::align::Pick::SOURCE_ONLY:
            m_tool.m_source = points.front();
            m_destinationPicked = false;
            break;
        case qk::align::Pick::SOURCE_AND_DESTINATION:
            m_tool.m_source = points[pick.source];
            m_tool.m_destination = points.back();
            points.pop_back();
            m_tool.m_destinationSet = m_destinationPicked = true;
            break;
    }
    m_items = std::move(items);
    m_points = std::move(points);
    m_tool.m_invalid = false;
    return true;
}

void CgORVA_ComponentAlignAToB::tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) {
    ForgetLoggedError();
    if (!m_session->Activate()) return;
    AdjustOffsets();
    TakeLastChanged();
    m_apply = false;
}

bool CgORVA_ComponentAlignAToB::Session::ReadCurrentDestination(SelectedPoint &point) {
    const auto xf = m_items.find(m_tool.m_destination.item);
    if (!m_tool.m_destination.read || xf == m_items.end()) return false;
    CLxUser_LayerScan scan;
    if (!m_tool.m_layerService.BeginScan(LXf_LAYERSCAN_ACTIVE, scan)) return false;
    bool found = false;
    for (unsigned i = 0, n = scan.NumLayers(); i < n && !found; ++i) {
        CLxUser_Item item;
        CLxUser_Mesh mesh;
        CLxUser_Point points;
        LXtFVector pos;
        if (!scan.ItemByIndex(i, item) || item.GetIdentity() != m_tool.m_destination.item ||
            !scan.BaseMeshByIndex(i, mesh) || !mesh.GetPoints(points) ||
            LXx_FAIL(points.Select(m_tool.m_destination.id)) || LXx_FAIL(points.Pos(pos)))
            continue;
        point = m_tool.m_destination;
        point.local = Vector3(pos);
        point.world = qk::math::TransformPoint(xf->second.world, point.local);
        found = true;
    }
    scan.Apply();
    return found;
}

void CgORVA_ComponentAlignAToB::Session::SetTargetToOrigin() {
    // B's own vertex moves with the others, once. A destination kept from an earlier activation may
    // have moved since: its vertex is read where it is now.
    SelectedPoint former = m_tool.m_destination;
    bool take = m_destinationPicked;
    if (!take && !(take = ReadCurrentDestination(former)))
        m_tool.LogErrorOnce(
            "the former destination vertex is no longer in an active layer and stays where it is");
    for (const SelectedPoint &p : m_points)
        if (p.id == former.id && p.item == former.item) take = false;
    if (take) m_points.push_back(former);
    m_destinationPicked = false;
    m_tool.m_destination.world = Vector3();
    m_tool.SetOwnBool(ATTR_TARGET_IS_ORIGIN, false);
    m_tool.AlignAllAxes();
}

// ---- evaluation

void CgORVA_ComponentAlignAToB::Session::ActOnLastChange() {
    const int changed = m_tool.TakeLastChanged();
    if (changed >= int(ATTR_ALIGN_X) && changed <= int(ATTR_ALIGN_Z))
        m_tool.AdjustOffsetFromDestination(changed - int(ATTR_ALIGN_X));
    if (changed == int(ATTR_TARGET_IS_ORIGIN) && m_tool.IsOn(ATTR_TARGET_IS_ORIGIN)) SetTargetToOrigin();
}

void CgORVA_ComponentAlignAToB::tool_Evaluate(ILxUnknownID vts) {
    if (m_invalid || !vts || !IsView3D(vts)) return;
    if (AutoJump()) m_apply = true;
    m_session->ActOnLastChange();
    AlignMove move;
    if (!FollowOffsets(move) || !m_apply) return;
    m_session->WriteMove(move, dyna_Bool(ATTR_MOVE_AS_GROUP));
}

void CgORVA_ComponentAlignAToB::Session::WriteMove(const AlignMove &move, bool asGroup) {
    CLxUser_LayerScan scan;
    if (!m_tool.m_layerService.BeginScan(kEvaluateScanFlags, scan)) return;
    std::vector<LayerEdit> edits;
    std::string refused;
    for (unsigned layer = 0; layer < scan.NumLayers(); ++layer) {
        CLxUser_Item item;
        CLxUser_Mesh mesh;
        LayerEdit edit;
        if (!scan.ItemByIndex(layer, item) || item.PackageTest(LXsITYPE_MESH) != LXe_TRUE) continue;
        if (!scan.EditMeshByIndex(layer, mesh) || !mesh.GetPoints(edit.points)) continue;
        edit.layer = layer;
        const std::string why = PlanLayer(item.GetIdentity(), move, asGroup, edit);
        // An item that cannot take the move keeps all its points; the other items move.
        if (!why.empty()) {
            refused += (refused.empty() ? "\"" : "; \"") + qk::ItemName(item) + "\" not moved: " + why;
            continue;
        }
        if (!edit.moves.empty()) edits.push_back(std::move(edit));
    }
    for (LayerEdit &edit : edits) {
        for (const auto &m : edit.moves)
            if (LXx_OK(edit.points.Select(m.first))) edit.points.SetPos(m.second);
        scan.SetMeshChange(edit.layer, LXf_MESHEDIT_POSITION);
    }
    scan.Apply();
    if (refused.empty())
        m_tool.ForgetLoggedError();
    else
        m_tool.LogErrorOnce(refused);
}

std::string CgORVA_ComponentAlignAToB::Session::PlanLayer(const std::string &identity, const AlignMove &move,
                                                          bool asGroup, LayerEdit &edit) const {
    const auto it = m_items.find(identity);
    const ItemTransform t = it != m_items.end() ? it->second : ItemTransform();
    for (const SelectedPoint &p : m_points) {
        if (p.item != identity) continue;
        Vector3 v;
        const Vector3 w = qk::align::PointDisplacement(move, asGroup, p.world);
        const qk::ItemMove solved = qk::WorldToItemDisplacement(w, t.rotation, t.scale, v);
        if (solved != qk::ItemMove::MOVED) return qk::ItemMoveReason(solved);
        if (!qk::math::FitsSinglePrecision(p.local + v)) return "a moved point would leave single precision";
        edit.moves.emplace_back(p.id, p.local + v);
    }
    return std::string();
}

}  // namespace gORVA_Tools_ComponentAlignAToB
