#include "Tool_Sweeper_Path.hpp"

#include <algorithm>
#include <cmath>

#include "qk_constants.hpp"
#include "qk_item_xfrm.hpp"

namespace gORVA_Tools_Sweeper {

using qk::constants::EPSILON;
using qk::math::Cross;
using qk::math::Dot;
using qk::math::FwdAxis;
using qk::math::Normalized;
using qk::math::RightAxis;
using qk::math::UpAxis;

namespace {

const Vector3 kWorldUp(0.0, 1.0, 0.0);

Vector3 PositionOf(const qk::Point &p) {
    return Vector3(p.x, p.y, p.z);
}

bool Near(double a, double b) {
    return std::fabs(a - b) <= EPSILON;
}

bool SamePosition(const qk::Point &a, const qk::Point &b) {
    return qk::math::NearlyEqual(PositionOf(a), PositionOf(b), EPSILON);
}

Matrix4 FrameOf(const Vector3 &x, const Vector3 &y, const Vector3 &z, const Vector3 &translation) {
    Matrix4 m = qk::math::RotationMatrix(x, y, z);
    qk::math::SetTranslation(m, translation);
    return m;
}

bool IsFiniteMatrix(const Matrix4 &m) {
    for (const auto &row : m.m)
        for (double e : row)
            if (!std::isfinite(e)) return false;
    return true;
}

PathNode MakeNode(const qk::Point &p) {
    PathNode node;
    node.position = PositionOf(p);
    node.id = p.id;
    return node;
}

}  // namespace

const char *PathFailureKey(PathFailure failure) {
    switch (failure) {
        case PATH_OK:
            return nullptr;
        case PATH_TOO_FEW_POINTS:
            return "PathNeedsTwoPoints";
        case PATH_NOT_FINITE:
            return "PathNotFinite";
        case PATH_ITEM_TRANSFORM:
            return "ItemTransformUnusable";
        case PATH_TURNS_BACK:
            return "PathTurnsBack";
        case PATH_PLANE_CONTAINS_SEGMENT:
            return "PathCutAlongSegment";
        case PATH_PROFILE_MISMATCH:
            return "ProfileNotSized";
        case PATH_RESULT_NOT_FINITE:
            return "SweepNotFinite";
        default:
            return "PathNotSetUp";
    }
}

void ResetPathEnds(PathEndSettings &settings) {
    settings.extendStart = 0.0;
    settings.extendEnd = 0.0;
    settings.types = PathEndsPlaneAlignment{};
    settings.mirrorEndType = true;
}

void RemoveRepeatedPoints(std::vector<qk::Point> &points) {
    // Only a point that repeats the one selected just before it is doubled: a path that crosses or
    // returns to itself keeps every segment.
    std::size_t kept = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
        if (kept > 0 && SamePosition(points[kept - 1], points[k])) continue;
        points[kept++] = points[k];
    }
    points.resize(kept);
}

Matrix4 FacingFrame(const Vector3 &z, const Vector3 &position) {
    Vector3 x(1.0, 0.0, 0.0), y;
    if (Near(z.y(), 0.0)) {
        y = kWorldUp;
        x = Normalized(Cross(kWorldUp, z));
    } else if (Near(z.y(), 1.0)) {
        y = Vector3(0.0, 0.0, -1.0);
    } else if (Near(z.y(), -1.0)) {
        y = Vector3(0.0, 0.0, 1.0);
    } else {
        x = Normalized(Cross(kWorldUp, z));
        y = Normalized(Cross(z, x));
    }
    return FrameOf(x, y, z, position);
}

void OrientNode(const PathNode &previous, PathNode &node) {
    const Vector3 &prev = previous.direction;
    const Vector3 &cur = node.direction;
    Vector3 x, y, z;
    if (Near(Dot(prev, cur), 1.0)) {
        x = RightAxis(previous.frame);
        z = -prev;
        y = Normalized(Cross(z, x));
    } else {
        x = Normalized(Cross(-prev, cur));
        y = Normalized(prev - cur);
        z = Normalized(Cross(x, y));
    }
    node.frame = FrameOf(x, y, z, node.position);
}

void OrientNodes(std::vector<PathNode> &nodes, std::size_t first, std::size_t last) {
    for (std::size_t k = std::max<std::size_t>(first, 1); k <= last && k < nodes.size(); ++k)
        OrientNode(nodes[k - 1], nodes[k]);
}

PathFailure CheckCuttingPlane(const Vector3 &incoming, const PathNode &node) {
    if (qk::math::LengthSquared(node.direction) > 0.0 && Dot(incoming, node.direction) <= -1.0 + EPSILON)
        return PATH_TURNS_BACK;
    const double cosine = Dot(FwdAxis(node.frame), incoming);
    // The projection divides by this cosine: a plane along its segment has no crossing point.
    if (!std::isfinite(cosine) || std::fabs(cosine) <= EPSILON) return PATH_PLANE_CONTAINS_SEGMENT;
    return PATH_OK;
}

namespace {

bool IsAxisAlignedNormal(double zy) {
    return Near(zy, 0.0) || Near(zy, 1.0) || Near(zy, -1.0);
}

// Turns the node's cutting plane vertical or horizontal, keeping its X row and translation.
void ApplyEndType(PathNode &node, int type) {
    if (type != END_TYPE_VERTICAL && type != END_TYPE_HORIZONTAL) return;
    Vector3 z = FwdAxis(node.frame);
    if (IsAxisAlignedNormal(z.y())) return;
    if (type == END_TYPE_VERTICAL) {
        z.v[1] = 0.0;
        z = Normalized(z);
    } else {
        z = Vector3(0.0, z.y() < 0.0 ? -1.0 : 1.0, 0.0);
    }
    const Vector3 x = RightAxis(node.frame);
    node.frame = FrameOf(x, Normalized(Cross(z, x)), z, qk::math::TranslationOf(node.frame));
}

bool UsableExtension(double e) {
    return std::isfinite(e) && std::fabs(e) > EPSILON;
}

}  // namespace

PathFailure AdjustPlanes(std::vector<PathNode> &nodes, std::size_t start, std::size_t end,
                         const PathEndSettings &settings) {
    if (start < 1 || end <= start || end >= nodes.size()) return PATH_NOT_SET_UP;
    PathNode &first = nodes[start];
    PathNode &last = nodes[end];
    if (UsableExtension(settings.extendStart)) first.position -= nodes[0].direction * settings.extendStart;
    if (UsableExtension(settings.extendEnd)) last.position += last.direction * settings.extendEnd;
    ApplyEndType(first, settings.types.start);
    ApplyEndType(last, settings.types.finish);
    const PathFailure failure = CheckCuttingPlane(nodes[start - 1].direction, first);
    if (failure != PATH_OK) return failure;
    return CheckCuttingPlane(nodes[end - 1].direction, last);
}

// ---- SweepPath ----

PathFailure SweepPath::SetWorldTransforms(const Matrix4 &world, const Matrix4 &wscl, const Matrix4 &wrot,
                                          const Matrix4 &wpos) {
    if (!IsFiniteMatrix(world) || !IsFiniteMatrix(wscl) || !IsFiniteMatrix(wrot) || !IsFiniteMatrix(wpos))
        return PATH_NOT_FINITE;
    Matrix4 inverse;
    if (!qk::InverseItemWorld({world, wrot, wscl, wpos}, inverse)) return PATH_ITEM_TRANSFORM;
    m_world = world;
    m_inverseWorld = inverse;
    return PATH_OK;
}

PathFailure SweepPath::GatherPathPoints(std::vector<qk::Point> &points) const {
    RemoveRepeatedPoints(points);
    if (points.size() < 2) return PATH_TOO_FEW_POINTS;
    for (qk::Point &p : points) {
        const Vector3 w = qk::math::TransformPoint(m_world, PositionOf(p));
        if (!qk::math::IsFinite(w)) return PATH_NOT_FINITE;
        p.x = w.x();
        p.y = w.y();
        p.z = w.z();
    }
    return PATH_OK;
}

PathFailure SweepPath::SetupPathNodes(const std::vector<qk::Point> &points) {
    m_pointCount = 0;
    m_openCount = 0;
    m_closedCount = 0;
    m_nodes.clear();
    const std::size_t n = points.size();
    if (n < 2) return PATH_TOO_FEW_POINTS;
    for (const qk::Point &p : points)
        if (!qk::math::IsFinite(PositionOf(p))) return PATH_NOT_FINITE;
    // A last point on the first one ends the open path there; the closed loop closes on the first point
    // itself rather than on a segment of no length.
    const std::size_t c = n > 2 && SamePosition(points[n - 1], points[0]) ? n - 1 : n;

    // Working list: lead-in, the loop's points, then the first two points again so the loop's closing
    // corner gets its mitre.
    const Vector3 p0 = PositionOf(points[0]), p1 = PositionOf(points[1]);
    std::vector<PathNode> nodes;
    nodes.reserve(c + 3);
    nodes.push_back(MakeNode(qk::Point{}));
    nodes[0].position = p0 + Normalized(p0 - p1) * PATH_LEAD_LENGTH;
    for (std::size_t k = 0; k < c; ++k) nodes.push_back(MakeNode(points[k]));
    nodes.push_back(MakeNode(points[0]));
    nodes.push_back(MakeNode(points[1]));
    for (std::size_t k = 0; k + 1 < nodes.size(); ++k)
        nodes[k].direction = Normalized(nodes[k + 1].position - nodes[k].position);

    nodes[0].frame = FacingFrame(-nodes[0].direction, nodes[0].position);
    nodes[1].direction = nodes[0].direction;
    OrientNodes(nodes, 1, c + 1);
    for (std::size_t k = 2; k < n; ++k) {
        const PathFailure failure = CheckCuttingPlane(nodes[k - 1].direction, nodes[k]);
        if (failure != PATH_OK) return failure;
    }

    m_nodes = std::move(nodes);
    m_pointCount = n;
    m_openCount = n;
    m_closedCount = c;
    m_startFrame = FacingFrame(Normalized(p1 - p0), p0);
    m_ends.openStart = m_nodes[1];
    m_ends.closedStart = m_nodes[c + 1];
    m_ends.closedEnd = m_nodes[c];
    m_ends.closedClosing = m_nodes[c + 1];
    SaveOpenEnd(MakeNode(points[n - 1]));
    CheckClosedLoop();
    m_nodes.resize(n + 2);
    m_nodes[n] = m_ends.openEnd;
    m_nodes[n + 1] = m_ends.openClosing;
    m_closed = false;
    if (m_ringSize > 0) SizeRingTables(m_ringSize);
    return PATH_OK;
}

// The open end is square to the last segment, X carried on from the node before it.
void SweepPath::SaveOpenEnd(PathNode end) {
    const std::size_t n = m_openCount;
    const Vector3 last = m_nodes[n - 1].direction;
    end.direction = last;
    OrientNode(m_nodes[n - 1], end);
    m_ends.openEnd = end;
    PathNode closing = end;
    closing.position += last * PATH_LEAD_LENGTH;
    qk::math::SetTranslation(closing.frame, closing.position);
    m_ends.openClosing = closing;
}

// The loop's two extra corners (last point, first point again) are only cut when the loop is closed.
void SweepPath::CheckClosedLoop() {
    const std::size_t c = m_closedCount;
    m_closedFailure = PATH_OK;
    if (c <= 2) return;
    m_closedFailure = CheckCuttingPlane(m_nodes[c - 1].direction, m_nodes[c]);
    if (m_closedFailure == PATH_OK) m_closedFailure = CheckCuttingPlane(m_nodes[c].direction, m_nodes[c + 1]);
}

qk::Point SweepPath::SnapTarget() const {
    const PathNode &start = m_ends.openStart;
    return qk::Point{start.position.x(), start.position.y(), start.position.z(), start.id};
}

PathFailure SweepPath::RestorePathEnds(PathEndSettings &settings) {
    const std::size_t n = m_openCount, c = m_closedCount;
    if (n < 2 || m_nodes.size() < c + 2) return PATH_NOT_SET_UP;
    if (c <= 2) settings.closeLoop = false;
    m_closed = settings.closeLoop;
    if (m_closed) {
        m_pointCount = c;
        m_nodes.resize(c + 2);
        m_nodes[1] = m_ends.closedStart;
        m_nodes[c] = m_ends.closedEnd;
        m_nodes[c + 1] = m_ends.closedClosing;
        return m_closedFailure;
    }
    m_pointCount = n;
    m_nodes.resize(n + 2);
    m_nodes[1] = m_ends.openStart;
    m_nodes[n] = m_ends.openEnd;
    m_nodes[n + 1] = m_ends.openClosing;
    if (settings.mirrorEndType) {
        settings.types.finish = settings.types.start;
        settings.extendEnd = settings.extendStart;
    }
    return AdjustPlanes(m_nodes, 1, n, settings);
}

void SweepPath::SizeRingTables(std::size_t m) {
    m_ringSize = m;
    const std::size_t count = m_openCount > 0 ? m_openCount + 2 : 0;
    m_rings.resize(count);
    m_distances.resize(count);
    m_maxDistances.assign(count, 0.0);
    for (std::size_t k = 0; k < count; ++k) {
        m_rings[k].resize(m);
        m_distances[k].assign(m + 1, 0.0);
    }
}

PathFailure SweepPath::ProjectPointsAlongPath(const std::vector<Vector3> &placedProfile) {
    const std::size_t m = m_ringSize;
    if (m_pointCount < 2) return PATH_NOT_SET_UP;
    if (m == 0 || placedProfile.size() != m || m_rings.size() < m_nodes.size()) return PATH_PROFILE_MISMATCH;
    const Vector3 back = m_nodes[0].direction * -PATH_RING0_DISTANCE;
    for (std::size_t j = 0; j < m; ++j) {
        m_rings[0][j] = placedProfile[j] + back;
        if (!qk::math::IsFinite(m_rings[0][j])) return PATH_RESULT_NOT_FINITE;
    }
    for (std::size_t k = 1; k < m_nodes.size(); ++k) {
        const PathFailure failure = ProjectRing(k);
        if (failure != PATH_OK) return failure;
    }
    return PATH_OK;
}

// Carries ring k - 1 along the incoming direction onto node k's plane (through the node's position).
PathFailure SweepPath::ProjectRing(std::size_t k) {
    const Vector3 normal = FwdAxis(m_nodes[k].frame);
    const Vector3 &d = m_nodes[k - 1].direction;
    const double cosine = Dot(normal, d);
    if (!std::isfinite(cosine) || std::fabs(cosine) <= EPSILON) return PATH_PLANE_CONTAINS_SEGMENT;
    const double c = Dot(normal, m_nodes[k].position);
    const std::vector<Vector3> &from = m_rings[k - 1];
    std::vector<Vector3> &to = m_rings[k];
    std::vector<double> &distances = m_distances[k];
    for (std::size_t j = 0; j < m_ringSize; ++j) {
        const double t = (c - Dot(normal, from[j])) / cosine;
        to[j] = from[j] + d * t;
        if (!std::isfinite(t) || !qk::math::IsFinite(to[j])) return PATH_RESULT_NOT_FINITE;
        distances[j] = t;
    }
    distances[m_ringSize] = distances[0];
    m_maxDistances[k] = *std::max_element(distances.begin(), distances.end() - 1);
    return PATH_OK;
}

bool SweepPath::ItemSpaceRings(std::vector<Vector3> &positions) const {
    const std::size_t m = m_ringSize;
    positions.resize(m_pointCount * m);
    for (std::size_t k = 1; k <= m_pointCount; ++k)
        for (std::size_t j = 0; j < m; ++j) {
            Vector3 &p = positions[(k - 1) * m + j];
            p = qk::math::TransformPoint(m_inverseWorld, m_rings[k][j]);
            if (!qk::math::IsFinite(p)) return false;
        }
    return true;
}

}  // namespace gORVA_Tools_Sweeper
