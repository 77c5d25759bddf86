// The add-light command's pure geometry: how a light faces and is sized on its polygon. World space,
// metres; no host calls.
#pragma once

#include <vector>

#include "qk_math.hpp"

namespace gORVA_Cmds_AddLightAtPolyPos {

using qk::math::Vector3;

/// A light's axes on its polygon (unit vectors, world space); the light shines along -facing.
struct LightAxes {
    Vector3 right;
    Vector3 up;
    Vector3 facing;
};

/// The light's axes for a polygon with world normal `normal` and points in polygon order. The facing is
/// the reversed normal (the normal itself with flipFacing). An upright polygon with a level top edge
/// gives an upright light; one facing straight up or down follows the axes when its first edge lies on X
/// or Z, else that edge; otherwise right follows a level top edge, or the two highest points. Axes are
/// right-handed; a normal of zero leaves them degenerate, never NaN from this rule alone.
LightAxes OrientToPolygon(const Vector3 &normal, std::vector<Vector3> points, bool flipFacing);

/// The scale of a light sized to its polygon: the polygon's extent along the light's right and up
/// axes, and 1 in depth. No points give a scale of (0, 0, 1).
Vector3 SizeToPolygon(const std::vector<Vector3> &points, const Vector3 &centre, const LightAxes &axes);

/// The rotation the light's locator takes: rows right, up and facing.
qk::math::Matrix4 LightRotation(const LightAxes &axes);

}  // namespace gORVA_Cmds_AddLightAtPolyPos
