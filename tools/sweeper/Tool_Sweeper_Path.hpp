// The Sweeper's path: the selected points as nodes with directions and cutting planes, the two path ends
// (extension and end type) and the closed loop, and the rings of profile points carried from plane to
// plane along the path. World space throughout; lengths in metres. Pure geometry: no host calls.
#pragma once

#include <cstddef>
#include <vector>

#include "qk_math.hpp"
#include "qk_point.hpp"

namespace gORVA_Tools_Sweeper {

using qk::math::Matrix4;
using qk::math::Vector3;

/// One path node: position, the vertex it came from, the unit direction to the next node (zero for the
/// last one) and the frame whose XY plane is the node's cutting plane (rows X, Y, Z = plane normal,
/// facing back along the path, and the translation).
struct PathNode {
    Vector3 position;
    LXtPointID id = nullptr;
    Vector3 direction;
    Matrix4 frame;
};

/// The end nodes saved at set-up, restored before every evaluation.
struct PathEnds {
    PathNode openStart;
    PathNode openEnd;
    PathNode closedStart;
    PathNode closedEnd;
    PathNode openClosing;
    PathNode closedClosing;
};

/// Values of the "start_end_type" and "finish_end_type" popups.
enum PathEndType : int { END_TYPE_PATH = 0, END_TYPE_HORIZONTAL = 1, END_TYPE_VERTICAL = 2 };
/// Internal names of the end-type popup items, indexed by PathEndType.
inline constexpr const char *PATH_END_TYPE_NAMES[] = {"Path (default)", "Horizontal", "Vertical"};

/// The end types of the path's start and finish.
struct PathEndsPlaneAlignment {
    int start = END_TYPE_PATH;
    int finish = END_TYPE_PATH;
};

/// The attributes that shape the path ends: "close_loop", "mirror_end_type", the end types and
/// "extend_path_start"/"extend_path_end" (metres). Operations leave in them what the caller writes back.
struct PathEndSettings {
    bool closeLoop = false;
    bool mirrorEndType = false;
    PathEndsPlaneAlignment types;
    double extendStart = 0.0;
    double extendEnd = 0.0;
};

/// Why a path cannot be built or swept; PATH_OK when it can.
enum PathFailure : int {
    PATH_OK = 0,
    PATH_TOO_FEW_POINTS,          ///< fewer than two distinct points
    PATH_NOT_FINITE,              ///< a point or the item transform is not finite
    PATH_ITEM_TRANSFORM,          ///< the item's scale cannot be inverted
    PATH_TURNS_BACK,              ///< two consecutive segments run in opposite directions
    PATH_PLANE_CONTAINS_SEGMENT,  ///< a cutting plane contains its incoming segment
    PATH_PROFILE_MISMATCH,        ///< the rings are not sized for the profile
    PATH_RESULT_NOT_FINITE,       ///< the swept points would not be finite
    PATH_NOT_SET_UP,              ///< no path has been built
};

/// Message key of a failure in the tool's table; null for PATH_OK.
const char *PathFailureKey(PathFailure failure);

/// Distance (metres) of the lead-in node before the first point and of the open path's closing node
/// beyond the last.
inline constexpr double PATH_LEAD_LENGTH = 1.0;
/// Distance (metres) behind the start from which the first ring is projected.
inline constexpr double PATH_RING0_DISTANCE = 5.0;

/// Sets both extensions to 0, both end types to "Path (default)" and the mirror on.
void ResetPathEnds(PathEndSettings &settings);

/// Drops a point that repeats (1e-6 per component) the one kept just before it, in linear time; a
/// position that recurs later in the path is kept.
void RemoveRepeatedPoints(std::vector<qk::Point> &points);

/// A frame at position whose Z row is the unit vector z, Y as near world up as z allows: straight up
/// gives X = (1, 0, 0), Y = (0, 0, -1); straight down X = (1, 0, 0), Y = (0, 0, 1).
Matrix4 FacingFrame(const Vector3 &z, const Vector3 &position);

/// Sets node's frame from the turn between previous.direction and node.direction: square to the
/// path (X kept from previous) without a turn, else the mitre plane that bisects the corner. A path that
/// turns back leaves zero axes.
void OrientNode(const PathNode &previous, PathNode &node);

/// OrientNode for every node from first to last (inclusive), each from the one before.
void OrientNodes(std::vector<PathNode> &nodes, std::size_t first, std::size_t last);

/// PATH_TURNS_BACK when node turns back on incoming (cosine within 1e-6 of -1), PATH_PLANE_CONTAINS_SEGMENT
/// when its plane normal is not finite or at most 1e-6 off perpendicular to incoming, else PATH_OK.
PathFailure CheckCuttingPlane(const Vector3 &incoming, const PathNode &node);

/// Moves the start node back by extendStart along nodes[0]'s direction and the end node on by extendEnd
/// along its own, then turns their planes by the end types (a plane already horizontal, vertical or
/// square to a vertical segment is left as it is). Fails when a plane ends up containing its segment.
PathFailure AdjustPlanes(std::vector<PathNode> &nodes, std::size_t start, std::size_t end,
                         const PathEndSettings &settings);

/// The path of one activation: nodes 0 (lead-in), 1..n (the points), n + 1 (closing), the saved ends, the
/// item transforms and the ring tables.
class SweepPath {
public:
    /// Keeps the item's world matrix and its inverse (inverse wpos x inverse wrot x inverse wscl). Fails
    /// for a non-finite matrix or a zero scale.
    PathFailure SetWorldTransforms(const Matrix4 &world, const Matrix4 &wscl, const Matrix4 &wrot,
                                   const Matrix4 &wpos);
    /// Removes repeated points and takes the rest into world space. Fails for fewer than two distinct
    /// points or a non-finite result.
    PathFailure GatherPathPoints(std::vector<qk::Point> &points) const;
    /// Builds the nodes, frames, start frame and saved ends of the world points (a last point on the first
    /// ends the open path there and is left out of the closed loop). Fails, leaving
    /// no path, for fewer than two points, a non-finite point, or an open path that turns back or would
    /// cut along a segment; a closed loop that would do so is refused later, by RestorePathEnds.
    PathFailure SetupPathNodes(const std::vector<qk::Point> &points);
    /// Restores the ends before an evaluation: closeLoop goes to false for two points; a closed loop takes
    /// the mitred ends; an open path takes the square ends, copies the start settings to the finish when
    /// mirrored, and runs AdjustPlanes. Fails when the resulting cuts cannot be swept.
    PathFailure RestorePathEnds(PathEndSettings &settings);
    /// Sizes the ring and distance tables for profiles of m points (once per profile or path change).
    void SizeRingTables(std::size_t m);
    /// Fills the rings from the placed profile: ring 0 five metres behind the start, then each ring
    /// projected along the incoming direction onto its node's plane, with per-point distances (entry m
    /// repeats entry 0) and each ring's greatest distance. Fails, the tables then unusable, when the
    /// profile does not match the tables or a point would not be finite.
    PathFailure ProjectPointsAlongPath(const std::vector<Vector3> &placedProfile);
    /// Writes rings 1..n, ring-major, through the inverse world matrix into positions (resized to n x m).
    /// Returns false when a position is not finite.
    bool ItemSpaceRings(std::vector<Vector3> &positions) const;

    /// Number of path points n (the closed loop leaves out a last point on the first); 0 before set-up.
    std::size_t PointCount() const { return m_pointCount; }
    std::size_t StartIndex() const { return 1; }
    std::size_t EndIndex() const { return m_pointCount; }
    std::size_t ClosingIndex() const { return m_pointCount + 1; }
    std::size_t NodeCount() const { return m_nodes.size(); }
    const std::vector<PathNode> &Nodes() const { return m_nodes; }
    const PathEnds &Ends() const { return m_ends; }
    /// Frame at the first point, Z along the first segment; the profile is placed in it.
    const Matrix4 &StartFrame() const { return m_startFrame; }
    /// The path's first point (the open path's start node), where snapped profiles land.
    qk::Point SnapTarget() const;
    /// True when the last RestorePathEnds closed the loop.
    bool IsClosedLoop() const { return m_closed; }
    const Matrix4 &WorldMatrix() const { return m_world; }
    const Matrix4 &InverseWorldMatrix() const { return m_inverseWorld; }

    /// Profile points per ring, m.
    std::size_t RingSize() const { return m_ringSize; }
    /// Ring k (world space), m points.
    const std::vector<Vector3> &Ring(std::size_t k) const { return m_rings[k]; }
    /// Distances of ring k's points from ring k - 1, m + 1 entries (0 for ring 0).
    const std::vector<double> &RingDistances(std::size_t k) const { return m_distances[k]; }
    /// The greatest distance of ring k.
    double MaxDistance(std::size_t k) const { return m_maxDistances[k]; }

private:
    void SaveOpenEnd(PathNode end);
    void CheckClosedLoop();
    PathFailure ProjectRing(std::size_t k);

    std::vector<PathNode> m_nodes;
    PathEnds m_ends;
    std::size_t m_pointCount = 0;
    std::size_t m_openCount = 0;
    std::size_t m_closedCount = 0;
    PathFailure m_closedFailure = PATH_OK;
    bool m_closed = false;
    Matrix4 m_startFrame;
    Matrix4 m_world;
    Matrix4 m_inverseWorld;

    std::size_t m_ringSize = 0;
    std::vector<std::vector<Vector3>> m_rings;
    std::vector<std::vector<double>> m_distances;
    std::vector<double> m_maxDistances;
};

}  // namespace gORVA_Tools_Sweeper
