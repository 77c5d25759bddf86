// Snapping a handle to a vertex of the polygon under the mouse.
#pragma once

#include <vector>

#include "lxmesh.h"
#include "qk_point.hpp"

namespace qk {

/// Appends the polygon's vertices (mesh coordinates, polygon order, with their ids) from the base
/// mesh of layer `layerIndex`; appends nothing when the layer, mesh or polygon cannot be read.
void AppendPolygonPoints(std::vector<qk::Point> &points, LXtPolygonID polygon, unsigned layerIndex);
/// The point nearest to `target` (strictly nearer wins, so ties keep the earlier); false with fewer
/// than 2 points or when every point is 1000000 or more away.
bool NearestPoint(qk::Point &out, const std::vector<qk::Point> &points, const double target[3]);
/// Like NearestPoint, among points within 1e-6 of the plane (normal, planePoint) and not
/// `exclude`; false when none qualifies or the list is empty.
bool NearestPointInPlane(double outPos[3], LXtPointID &outId, const std::vector<qk::Point> &points,
                         const double target[3], const double normal[3], const double planePoint[3],
                         LXtPointID exclude);

}  // namespace qk
