#include "CMD_AddLightAtPolyPos_Geometry.hpp"

#include <algorithm>
#include <cmath>

#include "qk_constants.hpp"

namespace gORVA_Cmds_AddLightAtPolyPos {

namespace {

using qk::constants::EPSILON;
using qk::math::Cross;
using qk::math::Normalized;

bool SameVector(const Vector3 &a, const Vector3 &b) {
    return qk::math::NearlyEqual(a, b, EPSILON);
}

// Edge rule and handedness: up = f x right, and right flips when (right, up, f) would be left-handed.
void HandedAxes(const Vector3 &f, Vector3 &right, Vector3 &up) {
    up = Normalized(Cross(f, right));
    if (!SameVector(Normalized(Cross(right, up)), f)) {
        right = -right;
        up = Normalized(Cross(f, right));
    }
}

// Right axis level with the ground and perpendicular to the facing f.
Vector3 LevelRight(const Vector3 &f) {
    return Normalized(Vector3(f.z(), 0.0, -f.x()));
}

}  // namespace

LightAxes OrientToPolygon(const Vector3 &normal, std::vector<Vector3> points, bool flipFacing) {
    const Vector3 f = flipFacing ? normal : -normal;
    Vector3 e;
    if (points.size() >= 2) e = Normalized(points[1] - points[0]);
    // Highest first; points of equal height keep their polygon order.
    std::stable_sort(points.begin(), points.end(),
                     [](const Vector3 &a, const Vector3 &b) { return a.y() > b.y(); });
    const bool twoPoints = points.size() >= 2;
    const bool levelTop = twoPoints && std::fabs(points[0].y() - points[1].y()) <= EPSILON;
    const bool edgeOnAxis = SameVector(e, Vector3(1, 0, 0)) || SameVector(e, Vector3(0, 0, 1));

    Vector3 right, up;
    if (levelTop && std::fabs(f.y()) <= EPSILON) {
        // Upright polygon: the light stands upright too.
        up = Vector3(0, 1, 0);
        right = LevelRight(f);
    } else if (std::fabs(f.y() - 1.0) <= EPSILON && edgeOnAxis) {
        right = Vector3(1, 0, 0);
        up = Vector3(0, 0, -1);
    } else if (std::fabs(f.y() + 1.0) <= EPSILON && edgeOnAxis) {
        right = Vector3(1, 0, 0);
        up = Vector3(0, 0, 1);
    } else if (std::fabs(std::fabs(f.y()) - 1.0) <= EPSILON) {
        // Facing straight up or down with a first edge off the axes: follow that edge.
        right = e;
        HandedAxes(f, right, up);
    } else if (levelTop) {
        right = LevelRight(f);
        up = Normalized(Cross(f, right));
    } else {
        right = twoPoints ? Normalized(points[0] - points[1]) : Vector3();
        HandedAxes(f, right, up);
    }
    return {right, up, f};
}

qk::math::Matrix4 LightRotation(const LightAxes &axes) {
    return qk::math::RotationMatrix(axes.right, axes.up, axes.facing);
}

Vector3 SizeToPolygon(const std::vector<Vector3> &points, const Vector3 &centre, const LightAxes &axes) {
    if (points.empty()) return {0.0, 0.0, 1.0};
    // Each point in the light's axes: the rotation's transpose, then the centre taken off.
    qk::math::Matrix4 toLight = qk::math::TransposedRotation(LightRotation(axes));
    qk::math::SetTranslation(toLight, -centre);
    qk::math::Box box;
    for (const Vector3 &p : points) box.Add(qk::math::TransformPoint(toLight, p));
    const Vector3 extent = box.Extent();
    return {extent.x(), extent.y(), 1.0};
}

}  // namespace gORVA_Cmds_AddLightAtPolyPos
