#include "Tool_Vector_Scale_Geometry.hpp"

#include <algorithm>
#include <cmath>

#include "qk_constants.hpp"
#include "qk_box.hpp"

namespace gORVA_Tools_Scale {

using qk::constants::EPSILON;
using qk::math::Distance;
using qk::math::IsFinite;

namespace {

// Shortest target length; a shorter one is raised to it.
constexpr double MIN_TARGET_LENGTH = 0.001;

bool Coincide(const Vector3 &a, const Vector3 &b) {
    return qk::math::NearlyEqual(a, b, EPSILON);
}

Vector3 PositionOf(const qk::Point &p) {
    return {p.x, p.y, p.z};
}

bool Changed(double value, double remembered) {
    return std::fabs(value - remembered) > EPSILON;
}

Vector3 Uniform(double s) {
    return {s, s, s};
}

Vector3 PerAxis(const Vector3 &a, const Vector3 &b) {
    return {a.x() * b.x(), a.y() * b.y(), a.z() * b.z()};
}

bool IsPositive(double value) {
    return std::isfinite(value) && value > 0.0;
}

}  // namespace

// ---- reference line ----

void TargetLine::Setup(unsigned layerIndex, LXtPointID id1, LXtPointID id2, const Vector3 &p1,
                       const Vector3 &p2) {
    layer = layerIndex;
    ids[0] = id1;
    ids[1] = id2;
    ends[0] = p1;
    ends[1] = p2;
    length = Distance(p1, p2);
    valid = true;
}

void TargetLine::SetFlag(int flag) {
    if (flag >= 0 && flag < TARGETLINE_FLAG_COUNT) flags[flag] = true;
}

bool TargetLine::HasFlag(int flag) const {
    return flag >= 0 && flag < TARGETLINE_FLAG_COUNT && flags[flag];
}

bool TargetLine::Usable() const {
    return valid && !flags[TARGETLINE_ALL_COLOCATED] && !flags[TARGETLINE_NEAR_P1] &&
           !flags[TARGETLINE_NEAR_P2] && std::isfinite(length) && length > EPSILON;
}

bool VertexLayerQualifies(int visited, int selected) {
    return visited == selected && visited >= 2;
}

bool EdgeLayerQualifies(int visited, int selected) {
    return visited == 1 && selected == 1;
}

bool TargetLineFromVertices(const std::vector<qk::Point> &visited, unsigned layer, TargetLine &line) {
    const size_t n = visited.size();
    if (n < 2) return false;
    const qk::Point &p1 = visited.back();
    size_t colocatedP1 = 0, colocatedP2 = 0, nearP1 = 0, nearP2 = 0;
    std::vector<const qk::Point *> far;  // from the last but one back to the first
    for (size_t i = n - 1; i-- > 0;) {
        const Vector3 p = PositionOf(visited[i]);
        if (Coincide(p, PositionOf(p1)))
            ++colocatedP1;
        else if (Distance(p, PositionOf(p1)) < TARGETLINE_NEAR_DISTANCE)
            ++nearP1;
        else
            far.push_back(&visited[i]);
    }
    const qk::Point &p2 = far.empty() ? p1 : *far.back();
    for (size_t i = far.size() > 0 ? far.size() - 1 : 0; i-- > 0;) {
        const Vector3 p = PositionOf(*far[i]);
        if (Coincide(p, PositionOf(p2)))
            ++colocatedP2;
        else if (Distance(p, PositionOf(p2)) < TARGETLINE_NEAR_DISTANCE)
            ++nearP2;
    }
    line = TargetLine();
    if (colocatedP1 == n - 1)
        line.SetFlag(TARGETLINE_ALL_COLOCATED);
    else if (colocatedP1 > 0)
        line.SetFlag(TARGETLINE_COLOCATED_P1);
    if (colocatedP2 > 0) line.SetFlag(TARGETLINE_COLOCATED_P2);
    if (nearP1 > 0) line.SetFlag(TARGETLINE_NEAR_P1);
    if (nearP2 > 0) line.SetFlag(TARGETLINE_NEAR_P2);
    line.Setup(layer, p1.id, p2.id, PositionOf(p1), PositionOf(p2));
    return true;
}

// ---- axes popup ----

std::array<bool, 3> ScaleAxesMask(int scaleAxes) {
    switch (scaleAxes) {
        case SCALE_AXES_XY:
            return {true, true, false};
        case SCALE_AXES_YZ:
            return {false, true, true};
        case SCALE_AXES_ZX:
            return {true, false, true};
        case SCALE_AXES_X:
            return {true, false, false};
        case SCALE_AXES_Y:
            return {false, true, false};
        case SCALE_AXES_Z:
            return {false, false, true};
        default:
            return {true, true, true};
    }
}

// ---- evaluation ----

namespace {

// The line follows the factor.
Vector3 FromFactor(ScaleAttributes &w, const ScaleReference &ref) {
    w.length = ref.lineUsable ? ref.lineLength * w.scaleFactor : 0.0;
    return Uniform(w.scaleFactor);
}

// The factor follows the length; without a usable line the length reads 0 and the factor stays.
Vector3 FromLength(ScaleAttributes &w, const ScaleReference &ref) {
    if (ref.lineUsable)
        w.scaleFactor = w.length / ref.lineLength;
    else
        w.length = 0.0;
    return Uniform(w.scaleFactor);
}

// One axis follows its typed size; the others keep their factors.
Vector3 FromSize(ScaleAttributes &w, const ScaleMemory &memory, const ScaleReference &ref, int axis) {
    Vector3 f = memory.factors;
    f.v[axis] = w.dims.v[axis] / ref.boxSize.v[axis];
    w.scaleFactor = 1.0;
    w.length = 0.0;
    return f;
}

int ChangedSizeAxis(const Vector3 &dims, const Vector3 &sizes) {
    for (int axis = 0; axis < 3; ++axis)
        if (Changed(dims.v[axis], sizes.v[axis])) return axis;
    return -1;
}

bool SpansAxis(const ScaleReference &ref, int axis) {
    return std::fabs(ref.boxSize.v[axis]) > EPSILON;
}

ScaleDecision Finish(ScaleAttributes w, int mode, Vector3 f, const ScaleMemory &memory,
                     const ScaleReference &ref) {
    ScaleDecision d;
    d.memory = memory;
    if (mode == SCALE_MODE_LENGTH || mode == SCALE_MODE_FACTOR) {
        const std::array<bool, 3> kept = ScaleAxesMask(ref.scaleAxes);
        for (int axis = 0; axis < 3; ++axis)
            if (!kept[axis]) f.v[axis] = 1.0;
    }
    w.dims = PerAxis(ref.boxSize, f);
    if (!IsFinite(f) || !IsFinite(w.dims) || !std::isfinite(w.length) || !std::isfinite(w.scaleFactor))
        return d;
    d.action = ScaleAction::SCALE;
    d.write = w;
    d.factors = f;
    d.memory = {mode, w.scaleFactor, w.length, w.dims, f, w.length};
    return d;
}

// The remembered mode again, as nothing driving it changed.
ScaleDecision Repeat(ScaleAttributes w, const ScaleMemory &memory, const ScaleReference &ref) {
    const int mode = memory.mode;
    if (mode == SCALE_MODE_LENGTH) {
        // The typed length, not the real one the masked axes left in "length".
        w.length = memory.targetLength;
        return Finish(w, mode, FromLength(w, ref), memory, ref);
    }
    if (mode == SCALE_MODE_FACTOR) return Finish(w, mode, FromFactor(w, ref), memory, ref);
    const int axis = mode - SCALE_MODE_SIZE_X;
    // The reference box may have lost this axis since ("group" changed it): nothing to divide by.
    if (axis < 0 || axis > 2 || !SpansAxis(ref, axis)) {
        ScaleDecision d;
        d.memory = memory;
        return d;
    }
    return Finish(w, mode, FromSize(w, memory, ref, axis), memory, ref);
}

}  // namespace

ScaleMemory ActivationMemory(bool lineValid, double lineLength, const Vector3 &boxSize) {
    const double length = lineValid ? lineLength : 0.0;
    return {SCALE_MODE_FACTOR, 1.0, length, boxSize, Uniform(1.0), length};
}

ScaleDecision DecideScale(const ScaleAttributes &in, const ScaleMemory &memory, const ScaleReference &ref) {
    ScaleAttributes w = in;
    if (Changed(in.scaleFactor, memory.scaleFactor)) {
        w.scaleFactor = std::max(0.0, in.scaleFactor);
        return Finish(w, SCALE_MODE_FACTOR, FromFactor(w, ref), memory, ref);
    }
    if (Changed(in.length, memory.length)) {
        w.length = std::max(MIN_TARGET_LENGTH, in.length);
        return Finish(w, SCALE_MODE_LENGTH, FromLength(w, ref), memory, ref);
    }
    const int axis = ChangedSizeAxis(in.dims, memory.sizes);
    if (axis < 0) return Repeat(w, memory, ref);
    if (!SpansAxis(ref, axis)) {
        ScaleDecision d;
        d.action = ScaleAction::CLEAR_SIZE;
        d.clearedAxis = axis;
        d.write = in;
        d.write.dims.v[axis] = 0.0;
        d.memory = memory;
        d.memory.sizes.v[axis] = 0.0;
        return d;
    }
    w.dims.v[axis] = std::max(0.0, in.dims.v[axis]);
    return Finish(w, SCALE_MODE_SIZE_X + axis, FromSize(w, memory, ref, axis), memory, ref);
}

// ---- boxes and the scaling rule ----

bool ReferenceBox(const std::vector<LXtBBox> &layerBoxes, bool group, int current, ScaleBox &box) {
    if (layerBoxes.empty()) return false;
    if (group) {
        qk::math::Box all;
        for (const LXtBBox &b : layerBoxes) {
            all.Add(Vector3(b.min));
            all.Add(Vector3(b.max));
        }
        box = {all, all.Centre()};
        return true;
    }
    if (current < 0 || static_cast<size_t>(current) >= layerBoxes.size()) return false;
    const LXtBBox &b = layerBoxes[static_cast<size_t>(current)];
    box = {{Vector3(b.min), Vector3(b.max)}, Vector3(b.center)};
    return true;
}

Vector3 BoxSize(const ScaleBox &box) {
    const Vector3 d = box.bounds.max - box.bounds.min;
    return {std::fabs(d.x()), std::fabs(d.y()), std::fabs(d.z())};
}

Vector3 ScaleRule::Apply(const Vector3 &p) const {
    Vector3 out;
    for (int axis = 0; axis < 3; ++axis) {
        const double d = p.v[axis] - centre.v[axis], f = factors.v[axis], at = placement.v[axis];
        // Scaled in place, a point keeps its own digits (a far point must not wipe a near one's); a
        // point placed elsewhere takes the placement's, so that a box resting on the ground sits at 0.
        out.v[axis] = at == centre.v[axis] ? p.v[axis] + d * (f - 1.0) : d * f + at;
    }
    return out;
}

bool ScaleRule::IsIdentity() const {
    for (int axis = 0; axis < 3; ++axis)
        if (factors.v[axis] != 1.0 || placement.v[axis] != centre.v[axis]) return false;
    return true;
}

bool MakeScaleRule(const ScaleBox &box, const Vector3 &factors, bool centreAtOrigin, bool restOnGround,
                   int upAxis, ScaleRule &rule) {
    if (!IsFinite(box.bounds.min) || !IsFinite(box.centre) || !IsFinite(factors)) return false;
    rule.centre = box.centre;
    rule.factors = factors;
    rule.placement = centreAtOrigin ? Vector3() : box.centre;
    if (restOnGround) {
        const int up = UpAxisFromPreference(upAxis);
        rule.placement.v[up] = -(box.bounds.min.v[up] - box.centre.v[up]) * factors.v[up];
    }
    return true;
}

// ---- display ----

LineDisplay TargetLineDisplay(const TargetLine &line, const Vector3 &p1, const Vector3 &p2, double unit) {
    LineDisplay shown;
    if (!line.valid || !IsPositive(unit)) return shown;
    const Vector3 textRaise(0.0, 1.5 * unit, 0.0);
    auto mark = [&](const Vector3 &at, const char *text) {
        shown.markers.push_back({at, unit, text, at + textRaise});
    };
    const bool all = line.HasFlag(TARGETLINE_ALL_COLOCATED);
    const bool nearP1 = line.HasFlag(TARGETLINE_NEAR_P1), nearP2 = line.HasFlag(TARGETLINE_NEAR_P2);
    if (!all && !nearP1 && !nearP2) {
        shown.showLine = true;
        shown.length = Distance(p1, p2);
        shown.labelPosition = (p1 + p2) * 0.5 + Vector3(0.0, unit, 0.0);
        if (line.HasFlag(TARGETLINE_COLOCATED_P1)) mark(p1, TEXT_COLOCATED);
        if (line.HasFlag(TARGETLINE_COLOCATED_P2)) mark(p2, TEXT_COLOCATED);
        return shown;
    }
    if (nearP1 || all) mark(p1, nearP1 ? TEXT_CLOSE_P1 : TEXT_ALL_COLOCATED);
    if (nearP2) mark(p2, TEXT_CLOSE_P2);
    return shown;
}

void ScaledBox(const ScaleBox &box, const Vector3 &factors, const Vector3 &placement, Vector3 &bmin,
               Vector3 &bmax) {
    const Vector3 smin = PerAxis(box.bounds.min, factors), smax = PerAxis(box.bounds.max, factors);
    const Vector3 middle = (smin + smax) * 0.5;
    bmin = smin - middle + placement;
    bmax = smax - middle + placement;
}

std::array<bool, 3> InactiveAxes(int mode, int scaleAxes) {
    if (mode != SCALE_MODE_LENGTH && mode != SCALE_MODE_FACTOR) return {false, false, false};
    const std::array<bool, 3> kept = ScaleAxesMask(scaleAxes);
    return {!kept[0], !kept[1], !kept[2]};
}

namespace {

const char *const DIMENSION_KEYS[3] = {"bbox_axis_length_x", "bbox_axis_length_y", "bbox_axis_length_z"};

// A dimension line from one end to the other, a tick across it at each end along tickAxis from tickStart
// to tickEnd.
Dimension MakeDimension(int axis, const Vector3 &from, const Vector3 &to, int tickAxis, double tickStart,
                        double tickEnd) {
    Dimension d;
    d.axis = axis;
    d.line = {from, to};
    d.length = Distance(from, to);
    const Vector3 ends[2] = {from, to};
    for (int i = 0; i < 2; ++i) {
        d.ticks[i] = {ends[i], ends[i]};
        d.ticks[i].from.v[tickAxis] = tickStart;
        d.ticks[i].to.v[tickAxis] = tickEnd;
    }
    d.key = DIMENSION_KEYS[axis];
    d.labelPosition = (from + to) * 0.5;
    return d;
}

}  // namespace

std::vector<Dimension> BoxDimensions(const Vector3 &bmin, const Vector3 &bmax,
                                     const std::array<bool, 3> &inactive, double unit) {
    std::vector<Dimension> dims;
    if (!IsPositive(unit) || !IsFinite(bmin) || !IsFinite(bmax)) return dims;
    const double z0 = bmax.z() + 3 * unit, x0 = bmin.x() - 3 * unit;
    for (int axis = 0; axis < 3; ++axis) {
        if (!(std::fabs(bmax.v[axis] - bmin.v[axis]) > 0.0)) continue;
        Dimension d;
        if (axis == 0)
            d = MakeDimension(0, {bmin.x(), bmin.y(), z0}, {bmax.x(), bmin.y(), z0}, 2, z0 + unit,
                              z0 - 3 * unit);
        else if (axis == 1)
            d = MakeDimension(1, {x0, bmin.y(), bmin.z()}, {x0, bmax.y(), bmin.z()}, 0, x0 + 3 * unit,
                              x0 - unit);
        else
            d = MakeDimension(2, {x0, bmin.y(), bmin.z()}, {x0, bmin.y(), bmax.z()}, 0, x0 + 3 * unit,
                              x0 - unit);
        if (inactive[axis]) {
            d.lineColour = d.labelColour = COLOUR_INACTIVE_GREY;
        } else {
            d.lineColour = d.length < SHORT_DIMENSION ? COLOUR_CYAN : COLOUR_DIMENSION_PINK;
            d.labelColour = COLOUR_CYAN;
        }
        dims.push_back(d);
    }
    return dims;
}

}  // namespace gORVA_Tools_Scale
