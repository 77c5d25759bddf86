// Geometry of the vector scale tool: the reference line chosen from the selected vertices, the decision of
// how to scale from the driving attributes, the scaling rule about a box, and what the viewport shows.
// Positions and lengths in metres, in mesh space (the tool runs only on untransformed items). Pure
// geometry: no host calls.
#pragma once

#include <array>
#include <vector>

#include "lxvmath.h"
#include "qk_math.hpp"
#include "qk_point.hpp"

namespace gORVA_Tools_Scale {

using qk::math::UpAxisFromPreference;
using qk::math::Vector3;

// ---- reference line ----

/// Warnings found while choosing the ends of the reference line (index into TargetLine::flags).
enum TARGETLINE_FLAG : int {
    TARGETLINE_COLOCATED_P1 = 0,   ///< some other selected vertex coincides with p1 (not all of them)
    TARGETLINE_COLOCATED_P2 = 1,   ///< some other vertex coincides with p2
    TARGETLINE_ALL_COLOCATED = 2,  ///< every other selected vertex coincides with p1
    TARGETLINE_NEAR_P1 = 3,        ///< some other vertex lies within 0.005 of p1 without coinciding
    TARGETLINE_NEAR_P2 = 4,        ///< some other vertex lies within 0.005 of p2 without coinciding
    TARGETLINE_FLAG_COUNT = 5
};

/// Distance (metres) below which a vertex counts as close to an end of the line.
inline constexpr double TARGETLINE_NEAR_DISTANCE = 0.005;

/// The reference line: its layer (index in the activation's layer scan), end vertices and positions,
/// length, and warning flags; everything cleared until Setup.
struct TargetLine {
    bool valid = false;
    bool flags[TARGETLINE_FLAG_COUNT] = {};
    unsigned layer = 0;
    double length = 0.0;
    LXtPointID ids[2] = {nullptr, nullptr};
    Vector3 ends[2];

    /// Stores the layer and both ends, computes the length and marks the line valid.
    void Setup(unsigned layerIndex, LXtPointID id1, LXtPointID id2, const Vector3 &p1, const Vector3 &p2);
    /// Sets one warning flag; values outside 0..4 are ignored.
    void SetFlag(int flag);
    /// True when the warning flag is set.
    bool HasFlag(int flag) const;
    /// True when the line can drive a target length: valid, flags 2, 3 and 4 clear, and a finite length
    /// above 1e-6 (a zero-length edge cannot be scaled to a length).
    bool Usable() const;
};

/// True when a layer's selected vertices (visited) are all the selected vertices (selected) and at least
/// two: the layer then gives the line.
bool VertexLayerQualifies(int visited, int selected);
/// True when a layer holds the only selected edge (visited == selected == 1).
bool EdgeLayerQualifies(int visited, int selected);

/// Chooses the line from one layer's selected vertices in visiting order: p1 is the last visited, p2 the
/// earliest visited vertex 0.005 or more from p1 (p1 again when there is none), with the warning flags for
/// coinciding (within 1e-6 per axis) and close vertices. Returns false, leaving line unchanged, for fewer
/// than two vertices.
bool TargetLineFromVertices(const std::vector<qk::Point> &visited, unsigned layer, TargetLine &line);

// ---- axes popup ----

/// Values of the "scale_axes" popup.
enum ScaleAxes : int {
    SCALE_AXES_XYZ = 0,
    SCALE_AXES_XY = 1,
    SCALE_AXES_YZ = 2,
    SCALE_AXES_ZX = 3,
    SCALE_AXES_X = 4,
    SCALE_AXES_Y = 5,
    SCALE_AXES_Z = 6
};

/// Internal names of the "scale_axes" entries, in value order, and the popup's type.
inline constexpr const char *SCALE_AXES_NAMES[] = {"XYZ", "XY", "YZ", "ZX", "X", "Y", "Z"};
inline constexpr const char *SCALE_AXES_POPUP_TYPE = "gorva-scaletool-axes-options";

/// Which axes (X, Y, Z) keep their factor for a "scale_axes" value; a value outside 0..6 keeps all three.
std::array<bool, 3> ScaleAxesMask(int scaleAxes);

// ---- evaluation ----

/// How the factors were derived.
enum ScaleMode : int {
    SCALE_MODE_LENGTH = 1,
    SCALE_MODE_FACTOR = 2,
    SCALE_MODE_SIZE_X = 3,
    SCALE_MODE_SIZE_Y = 4,
    SCALE_MODE_SIZE_Z = 5
};

/// The driving attributes: "length" (metres), "scale_factor", and "dims_x", "dims_y", "dims_z" (metres).
struct ScaleAttributes {
    double length = 0.0;
    double scaleFactor = 1.0;
    Vector3 dims;
};

/// What the last evaluation wrote (or activation and reset set): the mode, "scale_factor", "length", the
/// three sizes and the per-axis factors. A change of an attribute against these tells what the user did.
/// targetLength is the length length mode scales the line to: the one typed, even where the masked
/// axes leave the line's real length (what "length" then shows) short of it.
struct ScaleMemory {
    int mode = SCALE_MODE_FACTOR;
    double scaleFactor = 0.0;
    double length = 0.0;
    Vector3 sizes;
    Vector3 factors{1.0, 1.0, 1.0};
    double targetLength = 0.0;
};

/// What the attributes act on: whether the reference line is usable and its length, the reference box's
/// size per axis, and the "scale_axes" value.
struct ScaleReference {
    bool lineUsable = false;
    double lineLength = 0.0;
    Vector3 boxSize;
    int scaleAxes = SCALE_AXES_XYZ;
};

/// SCALE: write the attributes and scale by the factors. CLEAR_SIZE: a size was typed for an axis the box
/// does not span; write 0 into that axis's "dims" and scale nothing. NOTHING: leave everything as it is.
enum class ScaleAction { SCALE, CLEAR_SIZE, NOTHING };

/// The outcome of one evaluation.
struct ScaleDecision {
    ScaleAction action = ScaleAction::NOTHING;
    int clearedAxis = -1;   ///< CLEAR_SIZE: the axis (0..2)
    ScaleAttributes write;  ///< SCALE: the values to write back
    Vector3 factors;        ///< SCALE: the per-axis factors
    ScaleMemory memory;     ///< the memory to keep for the next evaluation
};

/// The memory after activation: factor mode, factor 1, the line's length when a line was found (else 0),
/// the box size as the sizes, factors 1.
ScaleMemory ActivationMemory(bool lineValid, double lineLength, const Vector3 &boxSize);

/// Decides what changed, first match wins: the factor (negative counts as 0), the length (at least
/// 0.001), a size X, Y or Z (negative counts as 0; a zero box size clears it), or else the remembered mode
/// again. Length and factor modes keep only the factors of the "scale_axes" mask. Returns NOTHING when a
/// repeated size mode meets a zero box size, for an unknown mode, or when a result would not be finite.
ScaleDecision DecideScale(const ScaleAttributes &in, const ScaleMemory &memory, const ScaleReference &ref);

// ---- boxes and the scaling rule ----

/// The box the tool scales and the centre it scales about (not always the box's middle).
struct ScaleBox {
    qk::math::Box bounds;
    Vector3 centre;
};

/// The reference box: with group, the union of the minimum and maximum corners of all layer boxes (centre
/// midway); otherwise the box of layer current with the centre the host stored. Returns false for no
/// boxes or a current layer out of range.
bool ReferenceBox(const std::vector<LXtBBox> &layerBoxes, bool group, int current, ScaleBox &box);

/// |max - min| per axis.
Vector3 BoxSize(const ScaleBox &box);

/// A per-point scale: p -> (p - centre) scaled by factors per axis, plus placement.
struct ScaleRule {
    Vector3 centre;
    Vector3 factors{1.0, 1.0, 1.0};
    Vector3 placement;

    /// The scaled position of p. On an axis whose placement is the centre it is computed as
    /// p + (p - centre)(factor - 1), so that factor 1 keeps p's own digits however far the centre lies;
    /// on the others as (p - centre) * factor + placement.
    Vector3 Apply(const Vector3 &p) const;
    /// True when every point stays where it is: factors exactly 1 and placement on the centre.
    bool IsIdentity() const;
    Vector3 operator()(const Vector3 &p) const { return Apply(p); }
};

/// The rule for points with box: placement is the centre, or the origin with "centre_at_origin"; with
/// "rest_on_ground" its up component (up axis index, other values Y) puts the scaled box's bottom at 0.
/// Returns false, leaving rule unchanged, when the box or factors are not finite.
bool MakeScaleRule(const ScaleBox &box, const Vector3 &factors, bool centreAtOrigin, bool restOnGround,
                   int upAxis, ScaleRule &rule);

// ---- display ----

/// Colours (RGB) and the alpha and widths the display draws with.
inline constexpr Vector3 COLOUR_CYAN{0.4, 1.0, 1.0};
inline constexpr Vector3 COLOUR_LABEL_GREY{0.99, 0.99, 0.99};
inline constexpr Vector3 COLOUR_DIMENSION_PINK{0.99, 0.79, 0.99};
inline constexpr Vector3 COLOUR_INACTIVE_GREY{0.8, 0.8, 0.8};
inline constexpr double DIMENSION_ALPHA = 0.75;
inline constexpr double DIMENSION_WIDTH = 1.0;
inline constexpr double LINE_WIDTH = 2.0;
/// A dimension shorter than this (metres) is drawn in cyan.
inline constexpr double SHORT_DIMENSION = 0.01;
/// Part numbers of the line's end handles, and the part under which strokes are never hit.
inline constexpr int PART_P1 = 10000;
inline constexpr int PART_P2 = 10001;
inline constexpr int PART_NO_HIT = -2000000000;

/// Warning texts drawn beside the line's ends.
inline constexpr const char *TEXT_COLOCATED = "Co-Located Points";
inline constexpr const char *TEXT_ALL_COLOCATED = "All Points Co-Located. Target Length Disabled";
inline constexpr const char *TEXT_CLOSE_P1 = "Multiple Points in Close Proximity. Target Length Disabled";
inline constexpr const char *TEXT_CLOSE_P2 = "Multiple Points in Close Proximity. Target Length Disabled.";

/// A circle marker at centre (radius along the eye direction) with a fixed text in label grey at
/// textPosition.
struct Marker {
    Vector3 centre;
    double radius = 0.0;
    const char *text = nullptr;
    Vector3 textPosition;
};

/// What the reference line shows. With showLine: handles at p1 and p2, a cyan line between them and the
/// "length" label for length at labelPosition. Markers for the warning flags, in drawing order.
struct LineDisplay {
    bool showLine = false;
    double length = 0.0;
    Vector3 labelPosition;
    std::vector<Marker> markers;
};

/// The line display for the line's flags and the ends p1, p2 as the attributes hold them; unit is the
/// world length of 25 pixels. Shows nothing for an invalid line or a unit that is not finite and positive.
LineDisplay TargetLineDisplay(const TargetLine &line, const Vector3 &p1, const Vector3 &p2, double unit);

/// The box as the last evaluation placed it: min and max scaled by factors, centred on placement.
void ScaledBox(const ScaleBox &box, const Vector3 &factors, const Vector3 &placement, Vector3 &bmin,
               Vector3 &bmax);

/// Axes (X, Y, Z) drawn in inactive grey: in length and factor modes those the "scale_axes" mask forces to
/// 1; none in the size modes.
std::array<bool, 3> InactiveAxes(int mode, int scaleAxes);

/// A straight stroke from one point to another.
struct Segment {
    Vector3 from;
    Vector3 to;
};

/// One drawn dimension: the line, its two end ticks, the label key and position, the measured length and
/// the line and label colours.
struct Dimension {
    int axis = 0;
    double length = 0.0;
    Segment line;
    Segment ticks[2];
    const char *key = nullptr;
    Vector3 labelPosition;
    Vector3 lineColour;
    Vector3 labelColour;
};

/// The dimensions of the scaled box for the axes it spans (size > 0), in the order X, Y, Z; unit is the
/// world length of 25 pixels. Empty for a unit that is not finite and positive or a box that is not finite.
std::vector<Dimension> BoxDimensions(const Vector3 &bmin, const Vector3 &bmax,
                                     const std::array<bool, 3> &inactive, double unit);

}  // namespace gORVA_Tools_Scale
