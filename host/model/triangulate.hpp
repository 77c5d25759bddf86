// Triangulation of polygons for pictures: ear clipping in the polygon's own plane.
#pragma once
#include "host/guard.hpp"

#include <array>
#include <cstddef>
#include <vector>

#include "host/model/vec3.hpp"

namespace gorva::host {

/// Triangles (indices into pts, wound like the polygon) covering a simple polygon, by ear clipping
/// in the plane across `normal`; what clipping cannot split (a polygon that folds over itself) is
/// covered by a fan. Fewer than three points give no triangle.
std::vector<std::array<size_t, 3>> Triangulate(const std::vector<Vec3> &pts, const Vec3 &normal);

}  // namespace gorva::host
