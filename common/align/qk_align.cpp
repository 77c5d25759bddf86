#include "qk_align.hpp"

#include <cmath>

#include "qk_constants.hpp"

namespace qk {
namespace align {

using qk::constants::EPSILON;
using qk::math::Distance;
using qk::math::IsFinite;

double AdjustOffsetFromDestination(int axis, const Vector3 &a, const Vector3 &b, bool alignOn,
                                   double currentOffset) {
    if (axis < AXIS_X || axis > AXIS_Z) return currentOffset;
    if (alignOn) return 0.0;
    const double d = b.v[axis] - a.v[axis];
    if (axis == AXIS_Y && std::fabs(d) <= EPSILON) return currentOffset;
    return -d;
}

std::array<bool, 3> SwitchesFollowingOffsets(const Vector3 &offsets, const std::array<bool, 3> &align) {
    std::array<bool, 3> next = align;
    for (int axis = 0; axis < 3; ++axis) {
        const double size = std::fabs(offsets.v[axis]);
        if (size <= EPSILON) next[axis] = true;
        if (size > EPSILON) next[axis] = false;
    }
    return next;
}

bool AlignTarget(const Vector3 &a, const Vector3 &b, const Vector3 &offsets, AlignMove &move) {
    const Vector3 target = b + offsets;
    const Vector3 displacement = target - a;
    if (!IsFinite(target) || !IsFinite(displacement)) return false;
    move = {target, displacement};
    return true;
}

Vector3 PointDisplacement(const AlignMove &move, bool moveAsGroup, const Vector3 &point) {
    return moveAsGroup ? move.displacement : move.target - point;
}

bool FindNearestPoint(const std::vector<Vector3> &positions, const Vector3 &reference, std::size_t &index,
                      double &distance) {
    distance = 0.0;
    if (positions.empty()) return false;
    double best = NEAREST_POINT_LIMIT;
    bool found = false;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const double d = Distance(positions[i], reference);
        if (d < best) {
            best = d;
            index = i;
            found = true;
        }
    }
    distance = best;
    return found;
}

PickResult PickComponentPoints(const std::vector<Vector3> &positions, bool destinationSet) {
    PickResult r;
    if (positions.empty()) return r;
    if (positions.size() == 1) {
        r.pick = destinationSet ? Pick::SOURCE_ONLY : Pick::NO_DESTINATION;
        return r;
    }
    r.destination = positions.size() - 1;
    const std::vector<Vector3> others(positions.begin(), positions.end() - 1);
    double distance = 0.0;
    r.pick = FindNearestPoint(others, positions.back(), r.source, distance) ? Pick::SOURCE_AND_DESTINATION
                                                                            : Pick::NO_SOURCE;
    return r;
}

PickResult PickMeshPoints(std::size_t count, bool destinationSet) {
    PickResult r;
    if (count == 0) return r;
    if (count == 1) {
        r.pick = destinationSet ? Pick::SOURCE_ONLY : Pick::NO_DESTINATION;
        return r;
    }
    r.pick = Pick::SOURCE_AND_DESTINATION;
    r.destination = 1;
    return r;
}

bool IsAt(const Vector3 &p, const Vector3 &q) {
    return qk::math::NearlyEqual(p, q, EPSILON);
}

// ---- display ----

namespace {

bool IsPositive(double value) {
    return std::isfinite(value) && value > 0.0;
}

// Above the middle of p and q by a quarter of the unit, where the distance labels go.
Vector3 LabelPosition(const Vector3 &p, const Vector3 &q, double unit) {
    return (p + q) * 0.5 + Vector3(0.0, 0.25 * unit, 0.0);
}

// The switches stand 1.5 units above A, X and Z to either side along the screen's right direction.
std::array<SwitchHandle, 3> Switches(const AlignView &view) {
    const double h = 1.5 * view.unit, k = view.unit / 1.8;
    const Vector3 &a = view.source, &r = view.right;
    const Vector3 at[3] = {{a.x() - h * r.x(), a.y() + h, a.z() - h * r.z()},
                           {a.x(), a.y() + h, a.z()},
                           {a.x() + h * r.x(), a.y() + h, a.z() + h * r.z()}};
    std::array<SwitchHandle, 3> switches;
    for (int axis = 0; axis < 3; ++axis) {
        const bool on = view.align[axis];
        Vector3 half;
        half.v[axis] = k;
        switches[axis] = {
            PART_SWITCH_X + axis, on ? SWITCH_ON_FLAGS[axis] : HANDLE_FLAGS, at[axis], at[axis] - half,
            at[axis] + half,      on ? COLOUR_SWITCH_ON[axis] : COLOUR_CYAN};
    }
    return switches;
}

}  // namespace

Vector3 SwitchRightVector(const Vector3 &viewRight, bool workPlane) {
    Vector3 r = viewRight;
    if (workPlane || !qk::math::Normalize(r)) return {1.0, 0.0, 0.0};
    return r;
}

Vector3 EyeDirection(const Vector3 &eyeVector, bool workPlane) {
    Vector3 e = workPlane ? Vector3(0.0, 0.0, -1.0) : eyeVector;
    if (!qk::math::Normalize(e)) return {};
    return -e;
}

bool BuildAlignDrawing(AlignTool tool, const AlignView &view, AlignDrawing &drawing) {
    const Vector3 &a = view.source, &b = view.destination, &t = view.target;
    if (!IsPositive(view.unit) || !IsFinite(a) || !IsFinite(b) || !IsFinite(t) || !IsFinite(view.right))
        return false;
    const double unit = view.unit;
    const bool component = (tool == AlignTool::COMPONENT);
    const bool atA = IsAt(t, a), atB = IsAt(t, b);
    const bool anyAlign = view.align[0] || view.align[1] || view.align[2];
    AlignDrawing d;
    d.targetHandle = !atA && !(component && view.autoJump);
    d.targetMarker = {!(component && view.autoJump), t, 0.5 * unit, atA ? COLOUR_RED : COLOUR_CYAN};
    // T on B leaves the guide without a direction.
    d.guide = (!component || anyAlign) && !atB;
    if (d.guide) {
        const Vector3 u = qk::math::Normalized(b - t);
        d.guideFrom = t - u * GUIDE_REACH;
        d.guideTo = b + u * GUIDE_REACH;
    }
    d.sourceMarker = {true, a, 0.27 * unit, COLOUR_CYAN};
    d.switches = Switches(view);
    d.destinationMarker = {true, b, 0.27 * unit, COLOUR_CYAN};
    d.sourceLabel = {view.showDims && !atA, LabelPosition(a, t, unit), Distance(t, a), KEY_SOURCE_TO_TARGET};
    const bool destinationLabel = component ? (anyAlign && !atB) : (view.showDims && !atA && !atB);
    d.destinationLabel = {destinationLabel, LabelPosition(t, b, unit), Distance(b, t), KEY_DEST_TO_TARGET};
    drawing = d;
    return true;
}

}  // namespace align
}  // namespace qk
