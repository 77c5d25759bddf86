#include "Tool_BBox_Move_Geometry.hpp"

#include <cmath>

#include "qk_constants.hpp"

namespace gORVA_Tools_BBox {

using qk::constants::EPSILON;
using qk::math::IsFinite;
using qk::math::TransformPoint;

void AddWorldPosition(qk::math::Box &box, const Vector3 &position, const Matrix4 &world) {
    const Vector3 w = TransformPoint(world, position);
    if (IsFinite(w)) box.Add(w);
}

void AddWorldPositions(qk::math::Box &box, const std::vector<Vector3> &positions, const Matrix4 &world) {
    for (const Vector3 &p : positions) AddWorldPosition(box, p, world);
}

bool BoxCorners(const qk::math::Box &box, Corners &corners) {
    if (box.IsEmpty()) return false;
    for (int k = 0; k < 8; ++k) corners[k] = box.Corner(k);
    return true;
}

bool DragCorner(const DragState &state, int corner, const Vector3 &newPosition, DragResult &result) {
    if (corner < 0 || corner > 7) return false;
    const int up = UpAxisFromPreference(state.upAxis);
    Vector3 delta = newPosition - state.corners[corner];
    Vector3 offset = state.offset + delta;
    bool setHeight = state.setHeight;
    if (state.lockHeight) {
        delta.v[up] = 0.0;
        offset.v[up] = state.offset.v[up];
        setHeight = false;
    }
    if (setHeight) {
        // Levels every drag: the offset is measured from where the box started, the handles from now.
        offset.v[up] = state.height - state.baseHeight;
        delta.v[up] = state.height - state.corners[0].v[up];
    }
    if (!IsFinite(delta) || !IsFinite(offset)) return false;
    for (int k = 0; k < 8; ++k) result.corners[k] = state.corners[k] + delta;
    result.offset = offset;
    result.setHeight = setHeight;
    return true;
}

double TopHeight(const Corners &corners, int upAxis) {
    return corners[7].v[UpAxisFromPreference(upAxis)];
}

bool WorkPlaneDisablesTool(bool workPlane, const Vector3 &right, const Vector3 &up, const Vector3 &fwd,
                           const Vector3 &position, const Matrix4 &firstLayerWorld) {
    if (!workPlane) return false;
    Matrix4 plane = qk::math::RotationMatrix(right, up, fwd);
    qk::math::SetTranslation(plane, position);
    return !qk::math::NearlyEqual(plane, firstLayerWorld, EPSILON);
}

std::array<CornerEdge, 12> BoxEdges() {
    std::array<CornerEdge, 12> edges;
    int n = 0;
    for (int bit = 1; bit <= 4; bit <<= 1)
        for (int k = 0; k < 8; ++k)
            if (!(k & bit)) edges[n++] = {k, k | bit};
    return edges;
}

std::array<CornerEdge, 4> BottomFaceEdges(int upAxis) {
    const int upBit = 1 << UpAxisFromPreference(upAxis);
    std::array<CornerEdge, 4> edges;
    int n = 0;
    for (const CornerEdge &e : BoxEdges())
        if (!(e.first & upBit) && !(e.second & upBit)) edges[n++] = e;
    return edges;
}

}  // namespace gORVA_Tools_BBox
