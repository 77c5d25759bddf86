#include "host/tool_runtime/tool_pick.hpp"

#include <cmath>

#include "host/model/scene.hpp"

namespace gorva::host {

namespace {

Vec3 PointOf(const MeshData &mesh, uint32_t vertex) {
    const Float3 &p = mesh.Positions()[vertex];
    return {p[0], p[1], p[2]};
}

/// Crossing test of p against the polygon projected along its dominant normal axis.
bool Inside(const MeshData &mesh, uint32_t poly, const Vec3 &p, const Vec3 &normal) {
    size_t drop = 0;
    for (size_t i = 1; i < 3; ++i)
        if (std::fabs(normal[i]) > std::fabs(normal[drop])) drop = i;
    size_t ax = drop == 0 ? 1 : 0, ay = drop == 2 ? 1 : 2;
    const uint32_t *v = mesh.Vertices(poly);
    uint32_t count = mesh.VertexCount(poly);
    bool inside = false;
    for (uint32_t i = 0, j = count - 1; i < count; j = i++) {
        Vec3 a = PointOf(mesh, v[i]), b = PointOf(mesh, v[j]);
        if ((a[ay] > p[ay]) != (b[ay] > p[ay]) &&
            p[ax] < (b[ax] - a[ax]) * (p[ay] - a[ay]) / (b[ay] - a[ay]) + a[ax])
            inside = !inside;
    }
    return inside;
}

/// The nearest hit on one mesh, in the mesh's coordinates, closer than `best`.
bool PickInMesh(const MeshData &mesh, const Vec3 &o, const Vec3 &d, double &best, uint32_t &polygon,
                Vec3 &normal) {
    bool found = false;
    for (uint32_t poly = 0; poly < mesh.PolygonCount(); ++poly) {
        if (mesh.VertexCount(poly) < 3) continue;
        Vec3 n = mesh.PolygonAreaNormal(poly);
        double denom = Dot(n, d);
        if (!(std::fabs(denom) > 1e-300)) continue;
        double t = Dot(n, Sub(PointOf(mesh, mesh.Vertices(poly)[0]), o)) / denom;
        if (!(t >= 0.0 && t < best) || !Inside(mesh, poly, Add(o, Scale(d, t)), n)) continue;
        best = t, polygon = poly, normal = n, found = true;
    }
    return found;
}

}  // namespace

bool PickPolygon(const Host &host, const Vec3 &origin, const Vec3 &direction, PolygonHit &hit) {
    double best = HUGE_VAL;
    bool found = false;
    for (ItemData *item : host.ActiveLayers()) {
        Matrix4 toLocal;
        if (!item->mesh || !AffineInverse(item->WorldMatrix(), toLocal)) continue;
        // The same ray parameter in every mesh: the direction is carried over unnormalised.
        Vec3 o = TransformPoint(toLocal, origin), d = TransformDirection(toLocal, direction);
        uint32_t polygon = 0;
        Vec3 normal{};
        if (!PickInMesh(*item->mesh, o, d, best, polygon, normal)) continue;
        hit = {item, polygon, Add(o, Scale(d, best)), Normalize(normal, {0, 1, 0}), best};
        found = true;
    }
    return found;
}

bool NamedPolygonHit(ItemData &item, uint32_t polygon, PolygonHit &hit) {
    if (!item.mesh || polygon >= item.mesh->PolygonCount()) return false;
    const MeshData &mesh = *item.mesh;
    Vec3 centre{0, 0, 0};
    uint32_t count = mesh.VertexCount(polygon);
    for (uint32_t i = 0; i < count; ++i) centre = Add(centre, PointOf(mesh, mesh.Vertices(polygon)[i]));
    if (count > 0) centre = Scale(centre, 1.0 / count);
    hit = {&item, polygon, centre, Normalize(mesh.PolygonAreaNormal(polygon), {0, 1, 0}), 0.0};
    return true;
}

bool NamedPolygonHit(ItemData &item, uint32_t polygon, const Vec3 &origin, const Vec3 &direction,
                     PolygonHit &hit) {
    if (!NamedPolygonHit(item, polygon, hit)) return false;
    Matrix4 toLocal;
    if (!AffineInverse(item.WorldMatrix(), toLocal)) return true;
    const Vec3 o = TransformPoint(toLocal, origin), d = TransformDirection(toLocal, direction);
    const Vec3 n = item.mesh->PolygonAreaNormal(polygon);
    const double denom = Dot(n, d);
    // A ray along the plane, or one that meets it behind the eye, keeps the centre.
    if (!(std::fabs(denom) > 1e-300)) return true;
    const double t = Dot(n, Sub(hit.pos, o)) / denom;
    const Vec3 onPlane = Add(o, Scale(d, t));
    if (!(t >= 0.0) || !std::isfinite(onPlane[0]) || !std::isfinite(onPlane[1]) || !std::isfinite(onPlane[2]))
        return true;
    hit.pos = onPlane;
    hit.t = t;
    return true;
}

}  // namespace gorva::host
