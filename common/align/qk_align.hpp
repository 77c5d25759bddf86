// Geometry shared by the two align tools: which selected vertices are the source A and the destination B,
// the target T that A is brought to (B plus per-axis offsets, an axis with its align switch on taking B's
// coordinate), the displacement of each moved point, and what the viewport shows. Positions in world space
// (metres) unless stated. Pure geometry: no host calls.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "lxhandles.h"
#include "qk_math.hpp"

namespace qk {
namespace align {

using qk::math::Matrix4;
using qk::math::Vector3;

/// Axis of an offset and its align switch.
enum Axis : int { AXIS_X = 0, AXIS_Y = 1, AXIS_Z = 2 };

/// Vertices this far (metres) or farther from B are never chosen as A.
inline constexpr double NEAREST_POINT_LIMIT = 100000.0;

/// The offset of axis for source a and destination b: 0 with the align switch on; otherwise a's own
/// coordinate minus b's, so that A stays where it is on that axis. For Y alone, when a and b are level
/// (within 1e-6) the current offset is kept, so that a typed height survives. An axis outside 0..2 keeps
/// the current offset.
double AdjustOffsetFromDestination(int axis, const Vector3 &a, const Vector3 &b, bool alignOn,
                                   double currentOffset);

/// The align switches after the user typed offsets: an offset within 1e-6 of 0 switches its axis on, any
/// other switches it off; a NaN offset leaves its switch as it is.
std::array<bool, 3> SwitchesFollowingOffsets(const Vector3 &offsets, const std::array<bool, 3> &align);

/// The move: target T = b + offsets and the group displacement D = T - a.
struct AlignMove {
    Vector3 target;
    Vector3 displacement;
};

/// The move for source a, destination b and the offsets. Returns false, leaving move unchanged, when
/// anything is not finite.
bool AlignTarget(const Vector3 &a, const Vector3 &b, const Vector3 &offsets, AlignMove &move);

/// The world displacement of a moved point: D with "move_as_group", else T minus the point itself.
Vector3 PointDisplacement(const AlignMove &move, bool moveAsGroup, const Vector3 &point);

/// The index of the position nearest to reference (Euclidean), strictly nearer than 100000 and than every
/// earlier one (on a tie the earlier wins), and its distance. Returns false when none qualifies, with
/// distance 0 for an empty list and 100000 otherwise; NaN positions never qualify.
bool FindNearestPoint(const std::vector<Vector3> &positions, const Vector3 &reference, std::size_t &index,
                      double &distance);

/// How an activation chose its points. SOURCE_AND_DESTINATION: both from this selection. SOURCE_ONLY: one
/// point, A, aligned to the destination kept from an earlier activation. The others make the activation
/// invalid: NO_POINTS (nothing selected), NO_DESTINATION (one point and no earlier destination), NO_SOURCE
/// (no other vertex nearer to B than 100000).
enum class Pick { SOURCE_AND_DESTINATION, SOURCE_ONLY, NO_POINTS, NO_DESTINATION, NO_SOURCE };

/// The outcome of a pick: source index, and destination index for SOURCE_AND_DESTINATION.
struct PickResult {
    Pick pick = Pick::NO_POINTS;
    std::size_t source = 0;
    std::size_t destination = 0;
};

/// The component align pick over the selected vertices' world positions in selection order: B is the last
/// (the tool removes it from the points it moves), A the nearest of the others to B.
PickResult PickComponentPoints(const std::vector<Vector3> &positions, bool destinationSet);

/// The mesh align pick over the count of points left by duplicate removal: A is the first, B the second.
PickResult PickMeshPoints(std::size_t count, bool destinationSet);

/// True when p lies on q within 1e-6 on every axis (as "T at A" and "T at B").
bool IsAt(const Vector3 &p, const Vector3 &q);

// ---- display ----

/// Colours (RGB, alpha 1) of the handles, markers, lines and labels.
inline constexpr Vector3 COLOUR_CYAN{0.4, 1.0, 1.0};
inline constexpr Vector3 COLOUR_RED{1.0, 0.0, 0.0};
inline constexpr Vector3 COLOUR_LABEL_GREY{0.99, 0.99, 0.99};
inline constexpr Vector3 COLOUR_SWITCH_ON[3] = {{0.9, 0.2, 0.2}, {0.2, 0.8, 0.2}, {0.2, 0.4, 1.0}};
/// Part numbers: the target handle, the X, Y, Z switches, and the part under which strokes are never hit.
inline constexpr int PART_TARGET = 10000;
inline constexpr int PART_SWITCH_X = 10001;
inline constexpr int PART_NO_HIT = -2000000000;
/// Handle flags: a plain handle, and the X, Y, Z switches when on.
inline constexpr unsigned HANDLE_FLAGS = LXi_THANDf_SMALL;
inline constexpr unsigned SWITCH_ON_FLAGS[3] = {LXi_THANDf_AXIS_X, LXi_THANDf_AXIS_Y, LXi_THANDf_AXIS_Z};
/// The align guide: dash pattern, and how far (metres) it runs past T and B.
inline constexpr unsigned GUIDE_DASH_PATTERN = 0x3333;
inline constexpr double GUIDE_REACH = 10000.0;
/// Label keys, both from the mesh align tool's table "gORVA.MeshAlignAToB".
inline constexpr const char *LABEL_TABLE = "gORVA.MeshAlignAToB";
inline constexpr const char *KEY_SOURCE_TO_TARGET = "dist_source_to_target";
inline constexpr const char *KEY_DEST_TO_TARGET = "dist_dest_to_target";

/// Which tool draws: the two differ in when the target, guide and labels are shown.
enum class AlignTool { COMPONENT, MESH };

/// What the drawing reads: A, B and T in world space, the align switches, "show_dims", "auto_jump_mode"
/// (component align only), the world length of 25 pixels, and the screen's right direction in world space.
struct AlignView {
    Vector3 source;
    Vector3 destination;
    Vector3 target;
    std::array<bool, 3> align{true, true, true};
    bool showDims = true;
    bool autoJump = false;
    double unit = 0.0;
    Vector3 right{1.0, 0.0, 0.0};
};

/// A circle marker: a vertex at centre and one at centre + radius * the eye direction there.
struct Marker {
    bool shown = false;
    Vector3 centre;
    double radius = 0.0;
    Vector3 colour;
};

/// A switch handle with the short line along its axis drawn through it.
struct SwitchHandle {
    int part = 0;
    unsigned flags = 0;
    Vector3 position;
    Vector3 lineFrom;
    Vector3 lineTo;
    Vector3 colour;
};

/// A distance label, drawn in label grey at position.
struct Label {
    bool shown = false;
    Vector3 position;
    double distance = 0.0;
    const char *key = nullptr;
};

/// Everything the align tools draw, in their drawing order: target handle (at T), target marker, dashed
/// align guide, source marker, the three switches, destination marker, move line (A to T), labels.
struct AlignDrawing {
    bool targetHandle = false;
    Marker targetMarker;
    bool guide = false;
    Vector3 guideFrom;
    Vector3 guideTo;
    Marker sourceMarker;
    std::array<SwitchHandle, 3> switches;
    Marker destinationMarker;
    Label sourceLabel;       ///< "dist_source_to_target": |T - A| above the middle of A and T
    Label destinationLabel;  ///< "dist_dest_to_target": |B - T| above the middle of T and B
};

/// The screen's right direction for the switches: the view's right vector normalised, or (1, 0, 0) with a
/// work plane in force or for a vector without direction.
Vector3 SwitchRightVector(const Vector3 &viewRight, bool workPlane);

/// The eye direction for markers: the negated, normalised eye vector, which is (0, 0, -1) with a work plane
/// in force; a vector without direction gives the zero vector.
Vector3 EyeDirection(const Vector3 &eyeVector, bool workPlane);

/// The drawing of tool for view. Returns false, leaving drawing unchanged, when the unit is not finite and
/// positive or a position is not finite.
bool BuildAlignDrawing(AlignTool tool, const AlignView &view, AlignDrawing &drawing);

}  // namespace align
}  // namespace qk
