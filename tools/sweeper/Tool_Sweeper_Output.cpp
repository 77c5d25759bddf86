#include "Tool_Sweeper_Output.hpp"

#include <algorithm>
#include <cmath>

#include "qk_constants.hpp"

namespace gORVA_Tools_Sweeper {

using qk::constants::EPSILON;
using qk::math::Dot;
using qk::math::FwdAxis;
using qk::math::Normalized;
using qk::math::TransformPoint;

namespace {

bool IsKnownEndType(int type) {
    return type >= END_TYPE_PATH && type <= END_TYPE_VERTICAL;
}

double Perimeter(const std::vector<UVPair> &outline) {
    double sum = 0.0;
    for (std::size_t j = 0; j < outline.size(); ++j) {
        const UVPair &a = outline[j], &b = outline[(j + 1) % outline.size()];
        sum += std::hypot(b.u - a.u, b.v - a.v);
    }
    return sum;
}

void ScaleIsland(std::vector<UVPair> &island, double factor) {
    for (UVPair &p : island) {
        p.u *= factor;
        p.v *= factor;
    }
}

}  // namespace

bool CapProjectionAxes(int type, const Vector3 &z, bool endCap, Vector3 &a0, Vector3 &a1) {
    if (type == END_TYPE_HORIZONTAL) {
        a0 = Vector3(1.0, 0.0, 0.0);
        a1 = Vector3(0.0, 0.0, endCap ? -1.0 : 1.0);
        if (qk::math::NearlyEqual(z, Vector3(0.0, 1.0, 0.0), EPSILON)) a1 = -a1;
        return true;
    }
    if (type == END_TYPE_VERTICAL) {
        a1 = Vector3(0.0, 1.0, 0.0);
        a0 = Normalized(endCap ? Vector3(-z.z(), 0.0, z.x()) : Vector3(z.z(), 0.0, -z.x()));
        return true;
    }
    return false;
}

void PlanarCapUVs(std::vector<UVPair> &out, const std::vector<Vector3> &ring, const Vector3 &a0,
                  const Vector3 &a1) {
    out.resize(ring.size());
    for (std::size_t j = 0; j < ring.size(); ++j) out[j] = {Dot(ring[j], a0), Dot(ring[j], a1)};
}

// ---- SweepOutput ----

bool SweepOutput::Build(const SweepPath &path, const std::vector<Vector3> &placedProfile,
                        const std::vector<Vector3> &capOutline, const SweepOutputSettings &settings) {
    const std::size_t m = path.RingSize();
    if (path.PointCount() < 2 || path.NodeCount() != path.PointCount() + 2 || m < 2 ||
        placedProfile.size() != m || capOutline.size() != m)
        return false;
    m_m = m;
    if (!path.ItemSpaceRings(m_positions)) return false;
    MeasureEdgeLengths(placedProfile);
    ComputeRingU(path);
    // A quad per profile edge and segment, and two caps at most: room for all of it at once.
    const std::size_t segments = path.PointCount() - 1 + (path.IsClosedLoop() ? 1 : 0);
    const std::size_t corners = 4 * m * segments + 2 * m;
    m_polygonStarts.assign(1, 0);
    m_polygonStarts.reserve(m * segments + 3);
    m_cornerVertices.clear();
    m_cornerVertices.reserve(corners);
    m_cornerUVs.clear();
    if (settings.makeUVs) m_cornerUVs.reserve(corners);
    BuildPolygons(path, settings.makeUVs, settings.uvsStack);
    m_sideCount = PolygonCount();
    BuildPolygonEndCaps(path, capOutline, settings);
    return AllFinite();
}

int SweepOutput::Vertex(std::size_t ring, std::size_t j) const {
    // j runs to m_m at most: the profile's last edge closes on its first point.
    return static_cast<int>((ring - 1) * m_m + (j < m_m ? j : j - m_m));
}

void SweepOutput::MeasureEdgeLengths(const std::vector<Vector3> &placedProfile) {
    m_edgeLengths.resize(m_m);
    for (std::size_t j = 0; j < m_m; ++j)
        m_edgeLengths[j] =
            qk::math::Distance(placedProfile[j], placedProfile[(j + 1) % m_m]) / UV_METRES_PER_UNIT;
}

// U of every ring: where each point's strip starts along the path, so that the islands of consecutive
// segments meet along their mitres.
void SweepOutput::ComputeRingU(const SweepPath &path) {
    const std::size_t n = path.PointCount(), count = path.NodeCount();
    m_u.resize(count);
    for (std::vector<double> &ring : m_u) ring.assign(m_m + 1, 0.0);
    // dist(k, j): how far ring k + 1's point j travelled from ring k, in UV units.
    auto dist = [&](std::size_t k, std::size_t j) {
        return path.RingDistances(k + 1)[j] / UV_METRES_PER_UNIT;
    };
    auto maxd = [&](std::size_t k) { return path.MaxDistance(k + 1) / UV_METRES_PER_UNIT; };
    std::size_t first = 2;
    if (path.IsClosedLoop()) {
        double a = dist(0, 0) + dist(1, 0);
        for (std::size_t j = 0; j <= m_m; ++j) a = std::max(a, dist(0, j) + dist(1, j));
        for (std::size_t j = 0; j <= m_m; ++j) m_u[2][j] = a - (dist(0, j) + dist(1, j));
        first = 3;
    } else {
        for (std::size_t j = 0; j <= m_m; ++j) m_u[1][j] = dist(0, j) - maxd(0);
    }
    for (std::size_t r = first; r <= n + 1; ++r)
        for (std::size_t j = 0; j <= m_m; ++j) m_u[r][j] = maxd(r - 1) - dist(r - 1, j) - m_u[r - 1][j];
    if (path.IsClosedLoop()) m_u[1] = m_u[n + 1];
    for (std::vector<double> &ring : m_u) ring[m_m] = ring[0];
}

void SweepOutput::BuildPolygons(const SweepPath &path, bool makeUVs, bool uvsStack) {
    const std::size_t n = path.PointCount();
    double v = 1.0;
    m_endUVPerimeter = 0.0;
    auto nextIsland = [&]() { v = uvsStack ? 1.0 : v - UV_ISLAND_GAP; };
    for (std::size_t a = 1; a < n; ++a) {
        BuildSegment(path, a, a + 1, makeUVs, v);
        nextIsland();
    }
    if (path.IsClosedLoop()) {
        BuildSegment(path, n, 1, makeUVs, v);
        nextIsland();
    }
    m_cursor = {0.0, v};
}

// One strip of quads from ring a to ring next (next is 1 for the loop's closing strip); the profile's
// outline runs down V and the path along U.
void SweepOutput::BuildSegment(const SweepPath &path, std::size_t a, std::size_t next, bool makeUVs,
                               double &v) {
    const std::vector<double> &U = m_u[a];
    const std::vector<double> &d = path.RingDistances(a + 1);
    const bool lastOpenSegment = a + 1 == path.PointCount();
    for (std::size_t i = 0; i < m_m; ++i) {
        const double len = m_edgeLengths[i];
        const double farU = U[i] + d[i] / UV_METRES_PER_UNIT;
        const double farU1 = U[i + 1] + d[i + 1] / UV_METRES_PER_UNIT;
        AddPolygonCorner(Vertex(a, i), {U[i], v}, makeUVs);
        AddPolygonCorner(Vertex(a, i + 1), {U[i + 1], v - len}, makeUVs);
        AddPolygonCorner(Vertex(next, i + 1), {farU1, v - len}, makeUVs);
        AddPolygonCorner(Vertex(next, i), {farU, v}, makeUVs);
        m_polygonStarts.push_back(static_cast<int>(m_cornerVertices.size()));
        if (lastOpenSegment) m_endUVPerimeter += std::hypot(farU1 - farU, len);
        v -= len;
    }
}

void SweepOutput::AddPolygonCorner(int vertex, const UVPair &uv, bool makeUVs) {
    m_cornerVertices.push_back(vertex);
    if (makeUVs) m_cornerUVs.push_back(uv);
}

void SweepOutput::BuildPolygonEndCaps(const SweepPath &path, const std::vector<Vector3> &capOutline,
                                      const SweepOutputSettings &settings) {
    const std::size_t n = path.PointCount();
    const PathEndsPlaneAlignment &types = settings.endTypes;
    if (path.IsClosedLoop() || !settings.capEnds || m_m <= 2 || !IsKnownEndType(types.start) ||
        !IsKnownEndType(types.finish))
        return;
    if (settings.makeUVs) {
        const bool stack = settings.uvsStack;
        double width = 0.0;
        CapIsland(m_endIsland, path, capOutline, true, types.finish);
        CapIsland(m_startIsland, path, capOutline, false, types.start);
        PlaceIsland(m_endIsland, 0.0, stack ? 1.0 : m_cursor.v, width);
        m_cursor.u += width + UV_ISLAND_GAP;
        PlaceIsland(m_startIsland, stack ? 0.0 : m_cursor.u, stack ? 1.0 : m_cursor.v, width);
    }
    // The start cap faces back along the path: its ring taken in reverse.
    for (std::size_t j = m_m; j-- > 0;)
        AddPolygonCorner(Vertex(1, j), settings.makeUVs ? m_startIsland[j] : UVPair{}, settings.makeUVs);
    m_polygonStarts.push_back(static_cast<int>(m_cornerVertices.size()));
    for (std::size_t j = 0; j < m_m; ++j)
        AddPolygonCorner(Vertex(n, j), settings.makeUVs ? m_endIsland[j] : UVPair{}, settings.makeUVs);
    m_polygonStarts.push_back(static_cast<int>(m_cornerVertices.size()));
}

// A cap's island before placement, scaled to the sides' texel density: the profile outline for a cut
// square to the path, else the cap's ring projected onto the end type's axes.
void SweepOutput::CapIsland(std::vector<UVPair> &island, const SweepPath &path,
                            const std::vector<Vector3> &capOutline, bool endCap, int type) const {
    const std::size_t k = endCap ? path.PointCount() : 1;
    const PathNode &node = path.Nodes()[k];
    const Vector3 z = FwdAxis(node.frame);
    const bool square = endCap ? qk::math::NearlyEqual(node.direction, -z, EPSILON)
                               : std::fabs(node.direction.y()) <= EPSILON;
    Vector3 a0, a1;
    bool planar = type != END_TYPE_PATH && !square && CapProjectionAxes(type, z, endCap, a0, a1);
    if (planar) {
        PlanarCapUVs(island, path.Ring(k), a0, a1);
        // A projection that collapses the ring (no usable axis) falls back to the outline.
        const double p = Perimeter(island);
        planar = std::isfinite(p) && p > EPSILON;
    }
    if (!planar) {
        island.resize(m_m);
        for (std::size_t j = 0; j < m_m; ++j) island[j] = {capOutline[j].x(), capOutline[j].y()};
    }
    const double perimeter = Perimeter(island);
    ScaleIsland(island, perimeter > EPSILON ? m_endUVPerimeter / perimeter : 1.0);
}

// Moves the island so its corner of least u and greatest v sits at (u, v).
void SweepOutput::PlaceIsland(std::vector<UVPair> &island, double u, double v, double &width) const {
    if (island.empty()) return;
    double minU = island[0].u, maxU = island[0].u, maxV = island[0].v;
    for (const UVPair &p : island) {
        minU = std::min(minU, p.u);
        maxU = std::max(maxU, p.u);
        maxV = std::max(maxV, p.v);
    }
    for (UVPair &p : island) {
        p.u += u - minU;
        p.v += v - maxV;
    }
    width = maxU - minU;
}

bool SweepOutput::AllFinite() const {
    return std::all_of(m_cornerUVs.begin(), m_cornerUVs.end(),
                       [](const UVPair &p) { return std::isfinite(p.u) && std::isfinite(p.v); });
}

// ---- interaction geometry ----

qk::profiles::Axis ScaleAxisOfHandle(int part) {
    return (part == PART_DIRECTION_B || part == PART_SIZE_B) ? qk::profiles::AXIS_B : qk::profiles::AXIS_A;
}

JumpResult ComputeJump(const JumpInput &in) {
    JumpResult result;
    const Vector3 offset = in.found - in.snapTarget;
    const double distance = qk::math::Length(offset);
    // A point on the target gives no direction and no size.
    if (!(distance > EPSILON) || !std::isfinite(distance)) return result;
    const Vector3 u = offset * (1.0 / distance);
    if (!qk::math::NearlyEqual(u, in.reference, EPSILON)) {
        // Rounding can take the dot product just past +-1, where the square root has no value.
        const double t = std::clamp(Dot(in.reference, u), -1.0, 1.0);
        const double angle = std::atan2(std::sqrt(1.0 - t * t), t);
        const Vector3 axis = Normalized(qk::math::Cross(u, in.reference));
        const bool clockwise = qk::math::NearlyEqual(in.startFrameZ, axis, EPSILON);
        result.rotated = true;
        result.rotation = in.rotation + (clockwise ? angle : -angle);
    }
    if (in.resize) {
        result.resized = true;
        result.size = distance;
    }
    return result;
}

Vector3 SnapOffset(int snapIndex, const Vector3 &target, const qk::profiles::ProfileState &profile,
                   const std::vector<Vector3> &profilePoints, const Matrix4 &startFrame) {
    if (snapIndex >= PART_CORNER_TR && snapIndex <= PART_CORNER_BL) {
        const Vector3 corner =
            qk::profiles::ProfileBoxCorner(profile.SpinScaledBox(), snapIndex - PART_CORNER_TR);
        const Matrix4 m = qk::math::Multiply(profile.RotationMatrix(), startFrame);
        return target - TransformPoint(m, corner);
    }
    if (snapIndex >= PART_PROFILE_POINT &&
        static_cast<std::size_t>(snapIndex - PART_PROFILE_POINT) < profilePoints.size()) {
        const Vector3 p = profile.FlippedPoint(profilePoints, snapIndex - PART_PROFILE_POINT);
        return target - TransformPoint(qk::math::Multiply(profile.ProfileMatrix(), startFrame), p);
    }
    return Vector3();
}

namespace {

enum BoxCorner : int { TR = 0, BR = 1, TL = 2, BL = 3 };

int ValidCorner(int corner) {
    return (corner >= TR && corner <= BL) ? corner : TR;
}

}  // namespace

HandleLayout ComputeHandleLayout(const qk::math::Box &box, const Matrix4 &handleFrame, int activeCorner,
                                 int snappedCorner, double handleSize) {
    HandleLayout h;
    for (int c = TR; c <= BL; ++c)
        h.corners[c] = TransformPoint(handleFrame, qk::profiles::ProfileBoxCorner(box, c));
    const Vector3 *corners = h.corners;
    h.outline[0] = corners[TL];
    h.outline[1] = corners[BL];
    h.outline[2] = corners[BR];
    h.outline[3] = corners[TR];

    // Corner bits: 1 marks the bottom corners, 2 the left ones.
    const int active = ValidCorner(activeCorner);
    h.moveOrigin = corners[active];
    h.moveDirection[0] = Normalized(qk::math::RightAxis(handleFrame)) * ((active & 2) ? -1.0 : 1.0);
    h.moveDirection[1] = Normalized(qk::math::UpAxis(handleFrame)) * ((active & 1) ? -1.0 : 1.0);

    // The first neighbour shares the snapped corner's x (the edge along B), the second its y (along A).
    const int snapped = ValidCorner(snappedCorner);
    const int neighbours[2] = {snapped ^ 1, snapped ^ 2};
    for (int i = 0; i < 2; ++i) {
        const Vector3 &corner = corners[neighbours[i]];
        const Vector3 dir = Normalized(corner - corners[snapped]);
        h.reference[i] = dir;
        h.directionHandle[i] = corner + dir * (DIRECTION_HANDLE_OFFSET * handleSize);
        h.sizeHandle[i] = corner + dir * (SIZE_HANDLE_OFFSET * handleSize);
    }

    h.labelTop = (corners[TR] + corners[TL]) * 0.5 +
                 Normalized(corners[TL] - corners[BL]) * (LABEL_OFFSET * handleSize);
    h.labelLeft = (corners[TL] + corners[BL]) * 0.5 +
                  Normalized(corners[TL] - corners[TR]) * (LABEL_OFFSET * handleSize);
    h.topLength = qk::math::Distance(corners[TR], corners[TL]);
    h.leftLength = qk::math::Distance(corners[TL], corners[BL]);
    return h;
}

void InvalidJumpTargetMonitor::StartTimer(double now) {
    m_start = now;
    m_active = true;
}

bool InvalidJumpTargetMonitor::IsShowing(double now) {
    if (!m_active) return false;
    const double elapsed = now - m_start;
    if (elapsed >= 0.0 && elapsed < DISPLAY_SECONDS) return true;
    m_active = false;
    return false;
}

}  // namespace gORVA_Tools_Sweeper
