// What a Sweeper evaluation writes, as flat arrays a writer turns into vertices, polygons and UVs in one
// loop: the ring vertices, the side quads and end caps, and per-corner UVs at 1 UV unit per 5 metres.
// Also the interaction geometry: the jump that turns and sizes the profile onto a picked point, the snap
// offset, the on-screen handle and label positions, and the invalid-target indication. Lengths in
// metres, angles in radians. Pure geometry: no host calls.
#pragma once

#include <cstddef>
#include <vector>

#include "Tool_Sweeper_Path.hpp"
#include "Tool_Sweeper_Profiles_01.hpp"
#include "qk_math.hpp"

namespace gORVA_Tools_Sweeper {

/// Part tag of every polygon the tool writes.
inline constexpr const char *SWEEPER_PART_NAME = "gORVA__Sweeper_Geometry";
/// The UV map the tool writes.
inline constexpr const char *SWEEPER_UV_MAP_NAME = "Texture";
/// Metres of path or profile per UV unit.
inline constexpr double UV_METRES_PER_UNIT = 5.0;
/// Gap between UV islands that are not stacked.
inline constexpr double UV_ISLAND_GAP = 0.01;

/// One UV coordinate pair.
struct UVPair {
    double u = 0.0;
    double v = 0.0;
};

/// The attributes the output reads: "cap_ends", "make_uvs", "uvs_stack", and the end types as
/// RestorePathEnds left them.
struct SweepOutputSettings {
    bool capEnds = false;
    bool makeUVs = true;
    bool uvsStack = false;
    PathEndsPlaneAlignment endTypes;
};

/// Projection axes of a cap's planar UVs for a "Horizontal" or "Vertical" end type; z is the Z row of the
/// cap node's frame. Returns false, axes untouched, for other types.
bool CapProjectionAxes(int type, const Vector3 &z, bool endCap, Vector3 &a0, Vector3 &a1);

/// Resizes out to ring and sets out[j] = (ring[j] . a0, ring[j] . a1).
void PlanarCapUVs(std::vector<UVPair> &out, const std::vector<Vector3> &ring, const Vector3 &a0,
                  const Vector3 &a1);

/// The swept mesh of one evaluation. Arrays keep their storage between evaluations.
class SweepOutput {
public:
    /// Builds vertices (rings 1..n, item space, ring-major), side quads, end caps and UVs from a path whose
    /// ends are restored and rings projected; placedProfile is the profile on the path and capOutline the
    /// flipped, spun and scaled profile. Returns false, the arrays then unusable, when the ring tables do
    /// not match the profiles or a position or UV is not finite.
    bool Build(const SweepPath &path, const std::vector<Vector3> &placedProfile,
               const std::vector<Vector3> &capOutline, const SweepOutputSettings &settings);

    /// New vertex positions in the target item's space; vertex r * m + j is point j of ring r + 1.
    const std::vector<Vector3> &Positions() const { return m_positions; }
    /// Polygon p uses corners PolygonStarts()[p] up to PolygonStarts()[p + 1]; PolygonCount() + 1 entries.
    const std::vector<int> &PolygonStarts() const { return m_polygonStarts; }
    /// Vertex index (into Positions()) of every corner, polygon by polygon, in the order to create them.
    const std::vector<int> &CornerVertices() const { return m_cornerVertices; }
    /// UV of every corner, parallel to CornerVertices(); empty when UVs are off.
    const std::vector<UVPair> &CornerUVs() const { return m_cornerUVs; }
    std::size_t PolygonCount() const { return m_polygonStarts.empty() ? 0 : m_polygonStarts.size() - 1; }
    /// Side quads come first, then the start cap and the end cap.
    std::size_t SidePolygonCount() const { return m_sideCount; }
    std::size_t CapPolygonCount() const { return PolygonCount() - m_sideCount; }

    /// U of ring r's points, m + 1 entries (entry m repeats entry 0).
    const std::vector<double> &U(std::size_t ring) const { return m_u[ring]; }
    /// Profile edge lengths / 5; entry m - 1 is the closing edge.
    const std::vector<double> &EdgeLengths() const { return m_edgeLengths; }
    /// UV perimeter of the last open segment's far edge: the size the caps are scaled to.
    double EndUVPerimeter() const { return m_endUVPerimeter; }
    /// Where the next UV island goes.
    const UVPair &Cursor() const { return m_cursor; }

private:
    /// Index of point j of ring `ring` (from 1) among the written vertices; j = m_m is point 0 again.
    int Vertex(std::size_t ring, std::size_t j) const;
    void ComputeRingU(const SweepPath &path);
    void MeasureEdgeLengths(const std::vector<Vector3> &placedProfile);
    void BuildPolygons(const SweepPath &path, bool makeUVs, bool uvsStack);
    void BuildSegment(const SweepPath &path, std::size_t a, std::size_t next, bool makeUVs, double &v);
    void BuildPolygonEndCaps(const SweepPath &path, const std::vector<Vector3> &capOutline,
                             const SweepOutputSettings &settings);
    void CapIsland(std::vector<UVPair> &island, const SweepPath &path, const std::vector<Vector3> &capOutline,
                   bool endCap, int type) const;
    void PlaceIsland(std::vector<UVPair> &island, double u, double v, double &width) const;
    void AddPolygonCorner(int vertex, const UVPair &uv, bool makeUVs);
    bool AllFinite() const;

    std::size_t m_m = 0;
    std::vector<Vector3> m_positions;
    std::vector<int> m_polygonStarts;
    std::vector<int> m_cornerVertices;
    std::vector<UVPair> m_cornerUVs;
    std::size_t m_sideCount = 0;
    std::vector<std::vector<double>> m_u;
    std::vector<double> m_edgeLengths;
    std::vector<UVPair> m_startIsland;
    std::vector<UVPair> m_endIsland;
    double m_endUVPerimeter = 0.0;
    UVPair m_cursor;
};

// ---- interaction geometry ----

/// Handle parts of the tool: the profile box corners, the two move handles, the direction and size
/// handles of the jump, and the profile point handles (20000 + point index).
enum SweeperHandle : int {
    PART_CORNER_TR = 10000,
    PART_CORNER_BR = 10001,
    PART_CORNER_TL = 10002,
    PART_CORNER_BL = 10003,
    PART_MOVE_X = 10004,
    PART_MOVE_Y = 10005,
    PART_DIRECTION_B = 10006,
    PART_DIRECTION_A = 10007,
    PART_SIZE_B = 10008,
    PART_SIZE_A = 10009,
    PART_PROFILE_POINT = 20000
};

/// The profile axis a direction or size handle works on: AXIS_B for 10006 and 10008, else AXIS_A.
qk::profiles::Axis ScaleAxisOfHandle(int part);

/// A jump onto a picked point, in world space.
struct JumpInput {
    Vector3 reference;    ///< unit direction kept for the pressed handle, or (0, 1, 0)
    Vector3 snapTarget;   ///< where the profile is snapped
    Vector3 found;        ///< the point picked in the start frame's plane
    Vector3 startFrameZ;  ///< Z row of the start frame
    double rotation;      ///< current profile rotation
    bool resize;          ///< after a size handle: also take the size from the distance
};

/// What a jump changes.
struct JumpResult {
    bool rotated = false;
    double rotation = 0.0;  ///< new rotation (unwrapped), when rotated
    bool resized = false;
    double size = 0.0;  ///< new size of the handle's axis, when resized
};

/// Turns the profile so that reference points from the snap target to the found point: u = unit(found -
/// target), t = reference . u clamped to [-1, 1], angle = atan2(sqrt(1 - t^2), t), added when
/// unit(u x reference) is the start frame's Z (1e-6 per component) and subtracted otherwise; no turn when
/// u matches reference within 1e-6. With resize the size is the distance when above 1e-6. A found point
/// on the target changes nothing.
JumpResult ComputeJump(const JumpInput &in);

/// The snap translation for snapIndex: target minus, for 10000 + c, corner c of the spun and scaled
/// profile box through rotation x startFrame, or for 20000 + i, flipped profile point i through
/// spin x scale x rotation x startFrame. Any other index (or i past the profile) gives zero.
Vector3 SnapOffset(int snapIndex, const Vector3 &target, const qk::profiles::ProfileState &profile,
                   const std::vector<Vector3> &profilePoints, const Matrix4 &startFrame);

/// Where the handles and labels go, world space.
struct HandleLayout {
    Vector3 corners[4];          ///< box corners 0..3 (TR, BR, TL, BL) through the handle frame
    Vector3 outline[4];          ///< the box outline: top-left, bottom-left, bottom-right, top-right
    Vector3 moveOrigin;          ///< the active corner
    Vector3 moveDirection[2];    ///< unit axes of 10004 (X) and 10005 (Y), pointing out of the box
    Vector3 directionHandle[2];  ///< 10006 and 10007
    Vector3 sizeHandle[2];       ///< 10008 and 10009
    Vector3 reference[2];        ///< unit edge directions away from the snapped corner: along B, along A
    Vector3 labelTop;            ///< the size label of the top edge
    Vector3 labelLeft;           ///< the size label of the left edge
    double topLength = 0.0;      ///< top edge length (top-right to top-left)
    double leftLength = 0.0;     ///< left edge length (top-left to bottom-left)
};

/// Direction handles sit 1.5 handle sizes beyond the corners next to the snapped corner, size handles 3.
inline constexpr double DIRECTION_HANDLE_OFFSET = 1.5;
inline constexpr double SIZE_HANDLE_OFFSET = 3.0;
/// Labels sit 1.5 handle sizes outside the box.
inline constexpr double LABEL_OFFSET = 1.5;

/// Lays out the handles of box (profile space) in handleFrame (rotation x start frame x snap); corners
/// are 0..3 (outside values count as 0), handleSize is 25 / the view's pixel size. A box edge of no length
/// gives zero directions.
HandleLayout ComputeHandleLayout(const qk::math::Box &box, const Matrix4 &handleFrame, int activeCorner,
                                 int snappedCorner, double handleSize);

/// Shows an invalid jump target for a while; times are seconds on the caller's clock.
class InvalidJumpTargetMonitor {
public:
    /// How long the indication lasts, seconds.
    static constexpr double DISPLAY_SECONDS = 1.0;

    /// Starts the indication at now.
    void StartTimer(double now);
    /// True while started and less than DISPLAY_SECONDS have passed; clears itself once they have (or
    /// when the clock went back).
    bool IsShowing(double now);
    /// Clears the indication.
    void Reset() { m_active = false; }

private:
    double m_start = 0.0;
    bool m_active = false;
};

}  // namespace gORVA_Tools_Sweeper
