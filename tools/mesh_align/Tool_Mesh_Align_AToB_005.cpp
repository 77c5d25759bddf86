#include "Tool_Mesh_Align_AToB_005.hpp"

#include <string>
#include <utility>

#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "qk_constants.hpp"
#include "qk_near_duplicates.hpp"
#include "qk_tool_enable.hpp"

namespace gORVA_Tools_MeshAlignAToB {

using qk::align::AlignMove;
using qk::math::Matrix4;
using qk::math::Vector3;

namespace {

const char *const kServerName = "gORVA.MeshAlignAToB";
// Active layers with their marked vertices, writable.
const unsigned kEvaluateScanFlags = LXf_LAYERSCAN_EDIT_VERTS;

// True when every point of the mesh still fits single precision after moving by v: the corners of
// its box bound every moved point.
bool MovedMeshFits(CLxUser_Mesh &mesh, const Vector3 &v) {
    LXtBBox box;
    if (LXx_FAIL(mesh.BoundingBox(LXiMARK_ANY, &box))) return false;
    return qk::math::FitsSinglePrecision(Vector3(box.min) + v) &&
           qk::math::FitsSinglePrecision(Vector3(box.max) + v);
}

}  // namespace

// What an activation builds up; it reaches the attributes, services and the frame's A and B through
// the tool.
struct CgORVA_MeshAlignAToB::Session {
    explicit Session(CgORVA_MeshAlignAToB &tool) : m_tool(tool) {}

    bool Activate();
    void ActOnLastChange();
    void SwapSourceAndDestinationPoints();
    void SetTargetToOrigin();
    void MoveSourceMesh(const Vector3 &displacement);
    std::string MoveLayer(CLxUser_LayerScan &scan, unsigned layer, CLxUser_Item &item, double time,
                          const Vector3 &displacement);

    CgORVA_MeshAlignAToB &m_tool;
    // True once B was sent to the origin: there is no vertex to swap with A.
    bool m_originTarget = false;
};

void initialize() {
    CgORVA_MeshAlignAToB::initialize();
}

void CgORVA_MeshAlignAToB::initialize() {
    qk::RegisterTool<CgORVA_MeshAlignAToB>(kServerName);
}

CgORVA_MeshAlignAToB::CgORVA_MeshAlignAToB()
    : qk::AlignToolFrame(kServerName, MESH_ALIGN_ATTRIBUTES, ATTR_COUNT, qk::align::AlignTool::MESH),
      m_session(std::make_unique<Session>(*this)) {
    tool_Reset();
}

CgORVA_MeshAlignAToB::~CgORVA_MeshAlignAToB() = default;

// ---- attributes

void CgORVA_MeshAlignAToB::tool_Reset() {
    // The current activation's picks (and whether it found any) stay: only the defaults and the
    // destination offered to the next activation are reset.
    ResetSharedAttributes();
    m_destinationSet = false;
}

std::vector<qk::ToolEnableCheck> CgORVA_MeshAlignAToB::EnableChecks() const {
    // With a destination left by an earlier activation, one selected vertex is enough to align.
    return {{m_destinationSet ? &qk::HasOneSelectedVertex : &qk::HasTwoSelectedVertices, true,
             "NeedsVertexSelection"},
            {&qk::IsSupportedModoVersion, true, "WrongModoVersion"},
            // The tool draws at world positions; in a reference item's space they would be misplaced.
            {&qk::IsSetItemRefSystem, false, "ItemLocalSpaceRefIsSet"}};
}

bool CgORVA_MeshAlignAToB::TracksChange(unsigned index) const {
    return (index >= ATTR_ALIGN_X && index <= ATTR_SWAP_DIRECTION) || index == ATTR_TARGET_IS_ORIGIN;
}

// ---- activation

bool CgORVA_MeshAlignAToB::Session::Activate() {
    // A vertex that cannot be read is left out rather than taken for a point at the origin.
    std::vector<qk::SelectedVertex> points;
    std::vector<Vector3> positions;
    for (const qk::SelectedVertex &v : m_tool.ReadVertexSelection()) {
        if (!v.read) continue;
        points.push_back(v);
        positions.push_back(v.world);
    }
    const std::vector<std::size_t> kept =
        qk::math::KeepLastOfNearDuplicates(positions, qk::constants::EPSILON);
    const qk::align::PickResult pick = qk::align::PickMeshPoints(kept.size(), m_tool.m_destinationSet);
    switch (pick.pick) {
        case qk::align::Pick::NO_POINTS:
        case qk::align::Pick::NO_SOURCE:
            return m_tool.Invalidate("no selected vertex can be read");
        case qk::align::Pick::NO_DESTINATION:
            return m_tool.Invalidate(
                "the selected vertices lie on one point and no earlier activation left a destination");
        case qk::align::Pick::SOURCE_ONLY:
            m_tool.m_source = points[kept[pick.source]];
            break;
        case qk::align::Pick::SOURCE_AND_DESTINATION:
            m_tool.m_source = points[kept[pick.source]];
            m_tool.m_destination = points[kept[pick.destination]];
            m_tool.m_destinationSet = true;
            m_originTarget = false;
            break;
    }
    m_tool.m_invalid = false;
    return true;
}

void CgORVA_MeshAlignAToB::tmod_Initialize(ILxUnknownID vts, ILxUnknownID adjust, unsigned flags) {
    ForgetLoggedError();
    if (!m_session->Activate()) return;
    AdjustOffsets();
    TakeLastChanged();
    m_apply = false;
}

void CgORVA_MeshAlignAToB::Session::SwapSourceAndDestinationPoints() {
    std::swap(m_tool.m_source, m_tool.m_destination);
    m_tool.AdjustOffsets();
    m_tool.SetOwnBool(ATTR_SWAP_DIRECTION, false);
}

void CgORVA_MeshAlignAToB::Session::SetTargetToOrigin() {
    m_tool.m_destination.world = Vector3();
    m_originTarget = true;
    m_tool.SetOwnBool(ATTR_TARGET_IS_ORIGIN, false);
    m_tool.AlignAllAxes();
}

// ---- evaluation

void CgORVA_MeshAlignAToB::Session::ActOnLastChange() {
    const int changed = m_tool.TakeLastChanged();
    if (changed >= int(ATTR_ALIGN_X) && changed <= int(ATTR_ALIGN_Z))
        m_tool.AdjustOffsetFromDestination(changed - int(ATTR_ALIGN_X));
    if (changed == int(ATTR_SWAP_DIRECTION) && m_tool.IsOn(ATTR_SWAP_DIRECTION)) {
        // A target at the origin has no vertex to take A's place.
        if (m_originTarget)
            m_tool.SetOwnBool(ATTR_SWAP_DIRECTION, false);
        else
            SwapSourceAndDestinationPoints();
    }
    if (changed == int(ATTR_TARGET_IS_ORIGIN) && m_tool.IsOn(ATTR_TARGET_IS_ORIGIN)) SetTargetToOrigin();
}

void CgORVA_MeshAlignAToB::tool_Evaluate(ILxUnknownID vts) {
    if (m_invalid || !vts || !IsView3D(vts)) return;
    m_session->ActOnLastChange();
    AlignMove move;
    if (!FollowOffsets(move) || !m_apply) return;
    m_session->MoveSourceMesh(move.displacement);
}

void CgORVA_MeshAlignAToB::Session::MoveSourceMesh(const Vector3 &displacement) {
    CLxUser_LayerScan scan;
    if (!m_tool.m_layerService.BeginScan(kEvaluateScanFlags, scan)) return;
    const double time = m_tool.m_selService.GetTime();
    std::string refused;
    for (unsigned layer = 0; layer < scan.NumLayers(); ++layer) {
        CLxUser_Item item;
        if (!scan.ItemByIndex(layer, item) || item.PackageTest(LXsITYPE_MESH) != LXe_TRUE ||
            item.GetIdentity() != m_tool.m_source.item)
            continue;
        const std::string why = MoveLayer(scan, layer, item, time, displacement);
        if (!why.empty()) refused = "\"" + qk::ItemName(item) + "\" not moved: " + why;
    }
    scan.Apply();
    if (refused.empty())
        m_tool.ForgetLoggedError();
    else
        m_tool.LogErrorOnce(refused);
}

std::string CgORVA_MeshAlignAToB::Session::MoveLayer(CLxUser_LayerScan &scan, unsigned layer,
                                                     CLxUser_Item &item, double time,
                                                     const Vector3 &displacement) {
    // Identity matrices for an item whose channels cannot be read.
    qk::ItemXfrm xf;
    qk::ReadItemXfrm(item, time, xf);
    Vector3 v;
    const qk::ItemMove solved = qk::WorldToItemDisplacement(displacement, xf.rotation, xf.scale, v);
    if (solved != qk::ItemMove::MOVED) return qk::ItemMoveReason(solved);
    CLxUser_Mesh mesh;
    CLxUser_Point point;
    unsigned count = 0;
    if (!scan.EditMeshByIndex(layer, mesh) || !mesh.GetPoints(point) || LXx_FAIL(mesh.PointCount(&count)))
        return std::string();
    if (count > 0 && !MovedMeshFits(mesh, v)) return "a moved point would leave single precision";
    for (unsigned i = 0; i < count; ++i) {
        LXtFVector p;
        if (LXx_FAIL(point.SelectByIndex(i)) || LXx_FAIL(point.Pos(p))) continue;
        point.SetPos(Vector3(p) + v);
    }
    scan.SetMeshChange(layer, LXf_MESHEDIT_POSITION);
    return std::string();
}

}  // namespace gORVA_Tools_MeshAlignAToB
