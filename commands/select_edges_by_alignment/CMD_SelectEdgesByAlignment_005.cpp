#include "CMD_SelectEdgesByAlignment_005.hpp"

#include <algorithm>
#include <cmath>

#include "qk_constants.hpp"
#include "qk_general_utils.hpp"
#include "qk_math.hpp"
#include "qk_tool_enable.hpp"
#include "qk_select_sweep.hpp"

namespace gORVA_Cmds_SelectEdgesbyAlignment {

namespace {

constexpr const char *kServerName = "gORVA.Cmd.SelectEdgesbyAlignment";
constexpr const char *kTable = "gORVA.Cmd.SelectEdgesbyAlignment";
constexpr double kTol = qk::constants::EPSILON;
constexpr double kPi = qk::constants::PI;

void StepFor(int multiples, double &step, unsigned &count) {
    if (multiples == 0) {
        step = kPi / 72.0;
        count = 144;
    } else if (multiples == 1) {
        step = kPi / 36.0;
        count = 72;
    } else {
        step = kPi / 12.0;
        count = 24;
    }
}

}  // namespace

// ---- allowed directions ----

AllowedDirections AllowedDirections::Build(int axes, int multiples) {
    // Planes in table order XY, YZ, XZ: (cos axis, sin axis, normal axis).
    static const int kPlanes[3][3] = {{0, 1, 2}, {1, 2, 0}, {0, 2, 1}};
    AllowedDirections result;
    if (axes < 0 || axes > 3) return result;
    double step = 0.0;
    unsigned count = 0;
    StepFor(multiples, step, count);
    for (int plane = 0; plane < 3; ++plane) {
        if (axes != 0 && axes != plane + 1) continue;
        const AngleSeries series{kPlanes[plane][0],
                                 kPlanes[plane][1],
                                 kPlanes[plane][2],
                                 step,
                                 unsigned(result.m_vectors.size()),
                                 count,
                                 1.0 / step};
        double theta = 0.0;
        for (unsigned k = 0; k < count; ++k, theta += step) {
            AngleVector vector{{0.0, 0.0, 0.0}};
            vector.v[series.cosAxis] = std::cos(theta) + 0.0;
            vector.v[series.sinAxis] = std::sin(theta) + 0.0;
            result.m_vectors.push_back(vector);
        }
        result.m_series.push_back(series);
    }
    return result;
}

bool AllowedDirections::MatchesAnyLinear(const LXtVector u) const {
    for (const AngleSeries &series : m_series)
        if (MatchesSeriesLinear(series, u)) return true;
    return false;
}

bool AllowedDirections::MatchesAny(const LXtVector u) const {
    for (const AngleSeries &series : m_series)
        if (MatchesSeries(series, u)) return true;
    return false;
}

bool AllowedDirections::MatchesSeriesLinear(const AngleSeries &series, const LXtVector u) const {
    for (unsigned k = 0; k < series.count; ++k)
        if (qk::math::NearlyEqual(qk::math::Vector3(u), qk::math::Vector3(m_vectors[series.first + k].v),
                                  kTol))
            return true;
    return false;
}

namespace {

// Angle of (a, b) in [0, 2 pi) to within 0.004 radians, for (a, b) near unit length: an octant-folded
// rational approximation of atan, several times cheaper than atan2. It only picks candidates.
double CoarseAngle(double a, double b) {
    const double x = std::fabs(a), y = std::fabs(b);
    const bool steep = y > x;
    const double t = steep ? x / y : y / x;
    double angle = t * (kPi / 4.0 + 0.273 * (1.0 - t));
    if (steep) angle = kPi / 2.0 - angle;
    if (a < 0.0) angle = kPi - angle;
    if (b < 0.0) angle = 2.0 * kPi - angle;
    return angle;
}

}  // namespace

// Every vector of the series has an exact 0 on the plane's normal, so |u.normal| > tol rules the whole
// series out. Otherwise a match lies within about 1.5e-6 radians of u's angle in the plane, and the
// coarse angle is off by at most 0.004, both far less than half a step, so the index nearest the coarse
// angle (with its neighbours for margin) holds every candidate. Inputs far from unit length in the
// plane, and NaN, take the full walk, so the answer is the walk's.
bool AllowedDirections::MatchesSeries(const AngleSeries &series, const LXtVector u) const {
    if (!(std::fabs(u[series.normal]) <= kTol)) return false;
    const double a = u[series.cosAxis];
    const double b = u[series.sinAxis];
    const double radius2 = a * a + b * b;
    if (!(std::fabs(radius2 - 1.0) <= 0.01)) return MatchesSeriesLinear(series, u);
    const long n = long(series.count);
    const long nearest = long(CoarseAngle(a, b) * series.stepsPerRadian + 0.5);
    for (long offset : {0L, -1L, 1L}) {  // the nearest index first: it is the match when there is one
        long k = nearest + offset;
        if (k < 0) k += n;
        if (k >= n) k -= n;
        if (qk::math::NearlyEqual(qk::math::Vector3(u),
                                  qk::math::Vector3(m_vectors[series.first + unsigned(k)].v), kTol))
            return true;
    }
    return false;
}

// ---- visitor ----

bool MatchEdgeVisitor::Bind(CLxUser_Mesh &mesh) {
    return m_mesh.set(mesh) && m_point.fromMesh(mesh) && m_edge.fromMesh(mesh);
}

LxResult MatchEdgeVisitor::Evaluate() {
    Edge edge{nullptr, nullptr};
    LXtFVector fa, fb;
    if (LXx_FAIL(m_edge.Endpoints(&edge.a, &edge.b))) return LXe_OK;
    if (LXx_FAIL(m_point.Select(edge.a)) || LXx_FAIL(m_point.Pos(fa))) return LXe_OK;
    if (LXx_FAIL(m_point.Select(edge.b)) || LXx_FAIL(m_point.Pos(fb))) return LXe_OK;
    LXtVector d;
    for (int i = 0; i < 3; ++i) d[i] = double(fb[i]) - double(fa[i]);
    const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (length < m_minLength || std::fabs(length) <= kTol) return LXe_OK;
    const double inv = 1.0 / length;
    for (int i = 0; i < 3; ++i) d[i] *= inv;
    if (m_directions && m_directions->MatchesAny(d)) return LXe_OK;
    m_collected.push_back(edge);
    return LXe_OK;
}

// ---- command ----

void gORVA_SelectEdgesbyAlignment::initialize() {
    qk::RegisterCommand<gORVA_SelectEdgesbyAlignment>(kServerName);
}

bool gORVA_SelectEdgesbyAlignment::basic_Enable(CLxUser_Message &msg) {
    qk::EnableReport report(msg, kTable);
    const LXtID4 type = m_selection.CurrentType(qk::kSelectionTypes);
    report.Check(type == LXiSEL_EDGE, "WrongSelectionType");
    report.Check(qk::DoMeshItemsContainPolygons(), "NoItemsorItemsHaveNoGeometry");
    return report.Finish();
}

void gORVA_SelectEdgesbyAlignment::cmd_Execute(unsigned flags) {
    const int axes = qk::GetUserValueInt("gORVA_01_EdgeChecker_Axes", 0);
    static const LXtID4 kExecuteTypes[] = {LXiSEL_VERTEX, LXiSEL_EDGE, LXiSEL_POLYGON, 0};
    if (m_selection.CurrentType(kExecuteTypes) != LXiSEL_EDGE) return;

    CLxUser_LayerService layerService;
    CLxUser_LayerScan scan;
    if (!layerService.BeginScan(LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_MARKEDGES | LXf_LAYERSCAN_MARKDVRTS,
                                scan))
        return;
    const unsigned layers = scan.NumLayers();
    m_selection.Clear(m_selection.LookupType(LXsSELTYP_EDGE));

    const int multiples = qk::GetUserValueInt("gORVA_01_EdgeChecker_AngleMultiples", 2);
    const AllowedDirections directions = AllowedDirections::Build(axes, multiples);
    if (directions.Empty()) {
        scan.Apply();
        return;
    }

    MatchEdgeVisitor visitor;
    visitor.SetAngleVectors(&directions);
    visitor.SetMinEdgeLength(std::max(0.0, qk::GetUserValueFloat("gORVA_01_EdgeChecker_MinEdgeLength", 0.0)));
    std::vector<std::vector<Edge>> perLayer(layers);
    for (unsigned layer = 0; layer < layers; ++layer) {
        CLxUser_Mesh mesh;
        if (!scan.BaseMeshByIndex(layer, mesh) || !visitor.Bind(mesh)) continue;
        visitor.Reserve(qk::ElementCount(mesh, LXiSEL_EDGE));
        visitor.Enumerate(m_allMode);
        perLayer[layer] = visitor.TakeCollected();
    }

    if (qk::TotalCount(perLayer) != 0) {
        CLxUser_EdgePacketTranslation packets;
        packets.autoInit();
        qk::SelectInOneSweep(m_selection, LXiSEL_EDGE, scan, perLayer,
                             [&packets](CLxUser_Mesh &mesh, const Edge &edge) -> void * {
                                 return packets.test() ? packets.Packet(edge.a, edge.b, nullptr, mesh)
                                                       : nullptr;
                             });
    }
    scan.Apply();
}

void initialize() {
    gORVA_SelectEdgesbyAlignment::initialize();
}

}  // namespace gORVA_Cmds_SelectEdgesbyAlignment
