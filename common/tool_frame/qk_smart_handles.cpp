#include "qk_smart_handles.hpp"

#include <cmath>

#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"

namespace qk {

namespace {

// Active layers with their vertices and polygons marked.
constexpr unsigned kScanHitPolygon = LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_MARKVERTS | LXf_LAYERSCAN_MARKPOLYS;

// Farther than this counts as no candidate at all.
constexpr double kFarAway = 1000000.0;

// Points farther than this from the plane are not in it.
constexpr double kPlaneTolerance = 1e-6;

double Distance(const Point &p, const double target[3]) {
    const double dx = p.x - target[0];
    const double dy = p.y - target[1];
    const double dz = p.z - target[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

bool IsInPlane(const Point &p, const double normal[3], const double planePoint[3]) {
    const double d = (p.x - planePoint[0]) * normal[0] + (p.y - planePoint[1]) * normal[1] +
                     (p.z - planePoint[2]) * normal[2];
    return std::fabs(d) <= kPlaneTolerance;
}

void AppendPolygonVertices(std::vector<Point> &points, CLxUser_Polygon &poly, CLxUser_Point &acc) {
    unsigned count = 0;
    if (LXx_FAIL(poly.VertexCount(&count))) return;
    for (unsigned i = 0; i < count; ++i) {
        LXtPointID id = nullptr;
        LXtFVector pos = {0.0f, 0.0f, 0.0f};
        if (LXx_FAIL(poly.VertexByIndex(i, &id)) || LXx_FAIL(acc.Select(id)) || LXx_FAIL(acc.Pos(pos)))
            continue;
        points.push_back(Point{double(pos[0]), double(pos[1]), double(pos[2]), id});
    }
}

}  // namespace

void AppendPolygonPoints(std::vector<Point> &points, LXtPolygonID polygon, unsigned layerIndex) {
    CLxUser_LayerService layers;
    CLxUser_LayerScan scan;
    if (!layers.BeginScan(kScanHitPolygon, scan)) return;
    CLxUser_Mesh mesh;
    CLxUser_Point pointAcc;
    CLxUser_Polygon polyAcc;
    if (scan.BaseMeshByIndex(layerIndex, mesh) && mesh.GetPoints(pointAcc) && mesh.GetPolygons(polyAcc) &&
        LXx_OK(polyAcc.Select(polygon)))
        AppendPolygonVertices(points, polyAcc, pointAcc);
    scan.Apply();
}

bool NearestPoint(Point &out, const std::vector<Point> &points, const double target[3]) {
    if (points.size() < 2) return false;
    double best = kFarAway;
    bool chosen = false;
    for (const Point &p : points) {
        const double d = Distance(p, target);
        if (best > d) {
            out = p;
            best = d;
            chosen = true;
        }
    }
    return chosen;
}

bool NearestPointInPlane(double outPos[3], LXtPointID &outId, const std::vector<Point> &points,
                         const double target[3], const double normal[3], const double planePoint[3],
                         LXtPointID exclude) {
    double best = kFarAway;
    bool chosen = false;
    for (const Point &p : points) {
        if (p.id == exclude || !IsInPlane(p, normal, planePoint)) continue;
        const double d = Distance(p, target);
        if (best > d) {
            outPos[0] = p.x;
            outPos[1] = p.y;
            outPos[2] = p.z;
            outId = p.id;
            best = d;
            chosen = true;
        }
    }
    return chosen;
}

}  // namespace qk
