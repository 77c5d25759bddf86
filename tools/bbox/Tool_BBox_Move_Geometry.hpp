// Geometry of the bounding-box move tool: the world box of the selected elements, its corner handles, the
// drag rule with its height lock and levelling, and the edges drawn for the box. Positions and lengths in
// metres, in world space unless stated. Pure geometry: no host calls.
#pragma once

#include <array>
#include <utility>
#include <vector>

#include "qk_math.hpp"
#include "qk_box.hpp"

namespace gORVA_Tools_BBox {

using qk::math::Matrix4;
using qk::math::UpAxisFromPreference;
using qk::math::Vector3;

/// The eight corner handles, in qk::math::Box::Corner order: bit 0 of the index picks max x, bit 1 max y,
/// bit 2 max z; corner 0 is the minimum corner and corner 7 the maximum corner.
using Corners = std::array<Vector3, 8>;
/// A pair of corner indices joined by a drawn edge.
using CornerEdge = std::pair<int, int>;

/// Part number of corner handle 0; corner k is FIRST_CORNER_PART + k.
inline constexpr int FIRST_CORNER_PART = 10000;

/// Widens box by one position (mesh coordinates of a layer) taken to world space by the layer's world
/// matrix; a position whose world form is not finite is left out.
void AddWorldPosition(qk::math::Box &box, const Vector3 &position, const Matrix4 &world);

/// Widens box by each position (mesh coordinates of one layer) taken to world space by the layer's world
/// matrix, so that the box hugs the selection however the item is rotated. Positions whose world form is
/// not finite are left out.
void AddWorldPositions(qk::math::Box &box, const std::vector<Vector3> &positions, const Matrix4 &world);

/// The eight corners of box. Returns false, leaving corners unchanged, for an empty box.
bool BoxCorners(const qk::math::Box &box, Corners &corners);

/// The state a corner drag works on: the handles, the total move so far ("dx", "dy", "dz"), "Lock_Height",
/// "Set_Height", "Height", the base height (the up coordinate of corner 0 when the handles were placed)
/// and the up axis index (0 X, 1 Y, 2 Z).
struct DragState {
    Corners corners;
    Vector3 offset;
    bool lockHeight = false;
    bool setHeight = false;
    double height = 0.0;
    double baseHeight = 0.0;
    int upAxis = 1;
};

/// What a drag writes back: the moved handles, the new total move and "Set_Height".
struct DragResult {
    Corners corners;
    Vector3 offset;
    bool setHeight = false;
};

/// Moves the handles by the drag of corner (0..7) to newPosition. With the height locked the up component
/// of the move is dropped and "Set_Height" is cleared; with "Set_Height" the box's bottom goes to
/// "Height". Returns false, writing nothing, for a corner out of range or a result that is not finite.
bool DragCorner(const DragState &state, int corner, const Vector3 &newPosition, DragResult &result);

/// The up coordinate of corner 7, the box's top: what "Get_Height" copies into "Height".
double TopHeight(const Corners &corners, int upAxis);

/// True when a work plane is in force and its frame (rotation rows and position) differs from the
/// first layer's world matrix by more than 1e-6 in any element: the tool is then disabled.
bool WorkPlaneDisablesTool(bool workPlane, const Vector3 &right, const Vector3 &up, const Vector3 &fwd,
                           const Vector3 &position, const Matrix4 &firstLayerWorld);

/// The twelve edges of the box as corner index pairs (each pair differs in one bit).
std::array<CornerEdge, 12> BoxEdges();

/// The four edges of the face with the least up coordinate (up axis index, other values Y).
std::array<CornerEdge, 4> BottomFaceEdges(int upAxis);

}  // namespace gORVA_Tools_BBox
