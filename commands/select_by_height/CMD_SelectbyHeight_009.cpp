#include "CMD_SelectbyHeight_009.hpp"

#include <cmath>
#include <type_traits>

#include "lx_wrap.hpp"
#include "lx_action.hpp"
#include "lx_item.hpp"
#include "lxidef.h"
#include "lxu_prefvalue.hpp"
#include "qk_constants.hpp"
#include "qk_general_utils.hpp"
#include "qk_item_xfrm.hpp"
#include "qk_math.hpp"
#include "qk_tool_enable.hpp"
#include "qk_select_sweep.hpp"

namespace gORVA_Cmds_SelectbyHeight {

namespace {

constexpr const char *kServerName = "gORVA.Cmd.SelectbyHeight";
constexpr const char *kTable = "gORVA.Cmd.SelectbyHeight";

void Widen(const LXtFVector in, LXtVector out) {
    for (int i = 0; i < 3; ++i) out[i] = double(in[i]);
}

}  // namespace

// ---- visitors ----

template <class Element>
void HeightVisitorBase<Element>::SetItemXfrm(const LXtMatrix4 m) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m_xfrm[i][j] = m[i][j];
}

template <class Element>
double HeightVisitorBase<Element>::HeightOf(const LXtVector position) const {
    if (!m_useXfrm) return position[m_upAxis];
    const int i = m_upAxis;
    return position[0] * m_xfrm[0][i] + position[1] * m_xfrm[1][i] + position[2] * m_xfrm[2][i] +
           1.0 * m_xfrm[3][i];
}

template <class Element>
bool HeightVisitorBase<Element>::Matches(const LXtVector position) {
    const double h = HeightOf(position);
    if (!m_hasReference) {
        m_reference = h;
        m_hasReference = true;
        return false;
    }
    return HeightMatches(m_mode, h, m_reference, m_band);
}

template class HeightVisitorBase<LXtPointID>;
template class HeightVisitorBase<Edge>;
template class HeightVisitorBase<LXtPolygonID>;

LxResult SelectVertexByHeightVisitor::Evaluate() {
    LXtFVector pos;
    if (LXx_FAIL(m_point.Pos(pos))) return LXe_OK;
    LXtVector p;
    Widen(pos, p);
    if (Matches(p)) Collect(m_point.ID());
    return LXe_OK;
}

bool SelectEdgeByHeightVisitor::Bind(CLxUser_Mesh &mesh) {
    return m_mesh.set(mesh) && m_point.fromMesh(mesh) && m_edge.fromMesh(mesh);
}

LxResult SelectEdgeByHeightVisitor::Evaluate() {
    Edge edge{nullptr, nullptr};
    LXtFVector fa, fb;
    if (LXx_FAIL(m_edge.Endpoints(&edge.a, &edge.b))) return LXe_OK;
    if (LXx_FAIL(m_point.Select(edge.a)) || LXx_FAIL(m_point.Pos(fa))) return LXe_OK;
    if (LXx_FAIL(m_point.Select(edge.b)) || LXx_FAIL(m_point.Pos(fb))) return LXe_OK;
    LXtVector mid;
    for (int i = 0; i < 3; ++i) mid[i] = (double(fa[i]) + double(fb[i])) * 0.5;
    if (Matches(mid)) Collect(edge);
    return LXe_OK;
}

bool SelectPolygonByHeightVisitor::Bind(CLxUser_Mesh &mesh) {
    return m_mesh.set(mesh) && m_point.fromMesh(mesh) && m_polygon.fromMesh(mesh);
}

LxResult SelectPolygonByHeightVisitor::Evaluate() {
    unsigned count = 0;
    if (LXx_FAIL(m_polygon.VertexCount(&count)) || count == 0) return LXe_OK;
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (unsigned v = 0; v < count; ++v) {
        LXtPointID point = nullptr;
        LXtFVector pos;
        if (LXx_FAIL(m_polygon.VertexByIndex(v, &point)) || LXx_FAIL(m_point.Select(point)) ||
            LXx_FAIL(m_point.Pos(pos)))
            return LXe_OK;
        for (int i = 0; i < 3; ++i) sum[i] += pos[i];
    }
    const double inv = 1.0 / double(count);
    LXtVector average;
    for (int i = 0; i < 3; ++i) average[i] = double(sum[i]) * inv;
    if (Matches(average)) Collect(m_polygon.ID());
    return LXe_OK;
}

// ---- command ----

struct gORVA_Command_SelectbyHeight::Settings {
    MATCH_MODE mode = MATCH_SAME;
    WORLD_UP_AXIS upAxis = UP_AXIS_Y;
    double rangeUpper = 0.0;
    double rangeLower = 0.0;
    int useItemXfrms = 0;
    std::vector<qk::math::Matrix4> layerXfrms;
};

namespace {

// World transform of a layer's item; the identity when the item or its channel cannot be read.
qk::math::Matrix4 LayerWorldMatrix(CLxUser_LayerScan &scan, unsigned layer, double time) {
    qk::math::Matrix4 world;
    CLxUser_Item item;
    if (!scan.ItemByIndex(layer, item) || !qk::ReadWorldMatrix(item, time, world)) return qk::math::Matrix4();
    return world;
}

}  // namespace

gORVA_Command_SelectbyHeight::gORVA_Command_SelectbyHeight() {
    dyna_Add("match_mode", LXsTYPE_INTEGER);
}

void gORVA_Command_SelectbyHeight::initialize() {
    qk::RegisterCommand<gORVA_Command_SelectbyHeight>(kServerName);
}

bool gORVA_Command_SelectbyHeight::basic_Enable(CLxUser_Message &msg) {
    qk::EnableReport report(msg, kTable);
    const LXtID4 type = m_selection.CurrentType(qk::kSelectionTypes);
    if (type == LXiSEL_VERTEX)
        report.Check(qk::DoMeshItemsContainVertices(), "NoItemsorItemsHaveNoGeometry");
    else if (type == LXiSEL_EDGE || type == LXiSEL_POLYGON)
        report.Check(qk::DoMeshItemsContainPolygons(), "NoItemsorItemsHaveNoGeometry");
    else
        report.Check(false, "WrongSelectionType");  // says why, where a bare "disabled" would not
    return report.Finish();
}

template <class Visitor, class PacketOf>
void gORVA_Command_SelectbyHeight::SelectMatching(Visitor &visitor, LXtID4 type, const char *typeName,
                                                  CLxUser_LayerScan &scan, const Settings &settings,
                                                  PacketOf packetOf) {
    visitor.SetUpAxis(settings.upAxis);
    visitor.SetMatchMode(settings.mode);
    visitor.SetItemXfrmMode(settings.useItemXfrms);
    const unsigned layers = unsigned(settings.layerXfrms.size());

    // The reference is the first selected element of the first layer that has one.
    for (unsigned layer = 0; layer < layers && !visitor.HasReference(); ++layer) {
        CLxUser_Mesh mesh;
        if (!scan.BaseMeshByIndex(layer, mesh) || !visitor.Bind(mesh)) continue;
        visitor.SetItemXfrm(settings.layerXfrms[layer]);
        visitor.Enumerate(m_selectedMode);
    }
    if (!visitor.HasReference()) return;

    visitor.SetBounds(
        BoundsFor(settings.mode, visitor.Reference(), settings.rangeLower, settings.rangeUpper));

    using Element = typename std::decay_t<decltype(visitor.Matched())>::value_type;
    std::vector<std::vector<Element>> perLayer(layers);
    for (unsigned layer = 0; layer < layers; ++layer) {
        visitor.Reset();
        CLxUser_Mesh mesh;
        if (!scan.BaseMeshByIndex(layer, mesh) || !visitor.Bind(mesh)) continue;
        visitor.Reserve(qk::ElementCount(mesh, type));
        visitor.SetItemXfrm(settings.layerXfrms[layer]);
        visitor.Enumerate(m_allMode);
        perLayer[layer] = visitor.TakeMatched();
    }
    // Nothing matches only when the reference height is not a number; the selection then stays.
    if (qk::TotalCount(perLayer) == 0) return;

    m_selection.Clear(m_selection.LookupType(typeName));
    qk::SelectInOneSweep(m_selection, type, scan, perLayer, packetOf);
}

void gORVA_Command_SelectbyHeight::cmd_Execute(unsigned flags) {
    Settings settings;
    settings.upAxis = ToUpAxis(qk::GetPreferenceInt(LXsPREFERENCE_VALUE_ACCURACY_UP_AXIS, 1));
    settings.mode = ToMatchMode(dyna_Int(0, MATCH_SAME));
    settings.rangeUpper = qk::GetUserValueFloat("gORVA_01_SelectbyHeight_RangeUpper", 0.0);
    settings.rangeLower = qk::GetUserValueFloat("gORVA_01_SelectbyHeight_RangeLower", 0.0);
    settings.useItemXfrms = qk::GetUserValueInt("gORVA_01_SelectbyHeight_UseItemXfrms", 0);

    static const LXtID4 kExecuteTypes[] = {LXiSEL_VERTEX, LXiSEL_EDGE, LXiSEL_POLYGON, LXiSEL_ITEM, 0};
    const LXtID4 type = m_selection.CurrentType(kExecuteTypes);

    CLxUser_LayerService layers;
    CLxUser_LayerScan scan;
    if (!layers.BeginScan(LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_MARKVERTS | LXf_LAYERSCAN_MARKEDGES |
                              LXf_LAYERSCAN_MARKPOLYS,
                          scan))
        return;
    const unsigned count = scan.NumLayers();
    const double time = m_selection.GetTime();
    for (unsigned layer = 0; layer < count; ++layer)
        settings.layerXfrms.push_back(LayerWorldMatrix(scan, layer, time));

    if (type == LXiSEL_VERTEX) {
        SelectVertexByHeightVisitor visitor;
        CLxUser_VertexPacketTranslation packets;
        packets.autoInit();
        SelectMatching(visitor, type, LXsSELTYP_VERTEX, scan, settings,
                       [&packets](CLxUser_Mesh &mesh, LXtPointID point) -> void * {
                           return packets.test() ? packets.Packet(point, nullptr, mesh) : nullptr;
                       });
    } else if (type == LXiSEL_EDGE) {
        SelectEdgeByHeightVisitor visitor;
        CLxUser_EdgePacketTranslation packets;
        packets.autoInit();
        SelectMatching(visitor, type, LXsSELTYP_EDGE, scan, settings,
                       [&packets](CLxUser_Mesh &mesh, const Edge &edge) -> void * {
                           return packets.test() ? packets.Packet(edge.a, edge.b, nullptr, mesh) : nullptr;
                       });
    } else if (type == LXiSEL_POLYGON) {
        SelectPolygonByHeightVisitor visitor;
        CLxUser_PolygonPacketTranslation packets;
        packets.autoInit();
        SelectMatching(visitor, type, LXsSELTYP_POLYGON, scan, settings,
                       [&packets](CLxUser_Mesh &mesh, LXtPolygonID polygon) -> void * {
                           return packets.test() ? packets.Packet(polygon, mesh) : nullptr;
                       });
    }
    scan.Apply();
}

void initialize() {
    gORVA_Command_SelectbyHeight::initialize();
}

}  // namespace gORVA_Cmds_SelectbyHeight
