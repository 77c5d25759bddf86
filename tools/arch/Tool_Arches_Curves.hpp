// Arch curves in the arch's own frame: x along the span, y the rise, z = 0. The span start is the origin
// and the span end (L, 0, 0); every curve runs from the span end over the crown to the span start.
// Lengths in metres, angles in radians. Pure geometry: no host calls.
#pragma once

#include <vector>

#include "qk_math.hpp"

namespace gORVA_Tools_Arch {

using qk::math::Vector3;

/// Arch types, the values of the "arch_type" popup; a value outside 0..8 is built as ARCH_SEMI.
enum ArchType : int {
    ARCH_SEMI = 0,
    ARCH_SEGMENTAL = 1,
    ARCH_EQUILATERAL = 2,
    ARCH_LANCET = 3,
    ARCH_OGEE_EQUILATERAL = 4,
    ARCH_OGEE_SEMI = 5,
    ARCH_OGEE_SEMI_REVERSE = 6,
    ARCH_PARABOLIC = 7,
    ARCH_ELLIPTICAL = 8
};

/// Geometry modes, the values of the "arch_geometry_mode" popup; any other value writes nothing.
enum ArchGeometryMode : int {
    ARCH_GEO_POLYGON = 0,
    ARCH_GEO_KNOCKOUT = 1,
    ARCH_GEO_POLYGON_KNOCKOUT = 2,
    ARCH_GEO_POLYLINE = 3,
    ARCH_GEO_POLYGON_STRIP = 4
};

/// Internal names of the arch types, indexed by ArchType.
inline constexpr const char *ARCH_TYPE_NAMES[] = {
    "semi",      "segmental",         "equilateral", "lancet",    "ogee_equilateral",
    "ogee_semi", "ogee_semi_reverse", "parabolic",   "elliptical"};
/// Internal names of the geometry modes, indexed by ArchGeometryMode.
inline constexpr const char *ARCH_GEOMETRY_MODE_NAMES[] = {"polygon", "knockout", "polygon-knockout",
                                                           "polyline", "polygon-strip"};

/// Segment count of a one-step arc.
inline constexpr int SINGLE_SEGMENT = 1;
/// Smallest span, height and intrados-to-extrados distance (metres).
inline constexpr double ARCH_MIN_DISTANCE = 0.001;
/// Segment count limits before the type's rounding.
inline constexpr int ARCH_MIN_SEGMENTS = 2;
inline constexpr int ARCH_MAX_SEGMENTS = 512;
/// Fewest segments of the polygon-strip equilateral arch, so that both halves keep a full segment.
inline constexpr int ARCH_MIN_STRIP_EQUILATERAL_SEGMENTS = 4;
/// The square root of 3 as every arch recipe uses it.
inline constexpr double ARCH_SQRT3 = 1.7320508075688767;

/// The tool's arch inputs: type, geometry mode, segment count, and height, span and intrados-to-extrados
/// distance ("intra_extrados_dist") in metres.
struct ArchInputs {
    int type;
    int mode;
    int segments;
    double height, span, depth;
};

/// Returns the inputs as the arch is built: span and height at least 0.001 (NaN and infinities become
/// 0.001), then the type's height rule, segments clamped to 2..512 and rounded by the type, raised to 4 for
/// the polygon-strip equilateral, depth at least 0.001 (likewise), and a type outside 0..8 set to semi.
/// The mode is returned unchanged.
ArchInputs ClampArchInputs(ArchInputs in);

/// Appends segments + 1 points of the circle about centre (its z ignored) with radius, from startAngle to
/// endAngle in equal steps (the angle accumulates step by step), less the first and/or last point when
/// skipped; z = 0. Zero segments is the single point at startAngle; negative segments append nothing.
void GenCircleSegmentPoints(std::vector<Vector3> &points, int segments, double radius, double startAngle,
                            double endAngle, const Vector3 &centre, bool skipFirst, bool skipLast);

/// Appends end, the half circle of the given radius about the midpoint of start and end from angle 0 to
/// pi (segments - 1 inner points), and start. Appends nothing for segments < 1, start = end or radius <= 0
/// (or NaN).
void SemiCircularArch(std::vector<Vector3> &points, const Vector3 &start, const Vector3 &end, double radius,
                      int segments);

/// Appends the circular arc from end to start rising height (limited to half the chord) at its middle,
/// segments + 1 points; with offset > 0 the concentric arc offset further out, its ends on the rays from
/// the centre through end and start. Appends nothing for segments < 1, a zero chord or height <= 0 (or NaN).
void SegmentalArch(const Vector3 &start, const Vector3 &end, double height, int segments, double offset,
                   std::vector<Vector3> &points);

/// Appends the equilateral arch between start and end as the polygon-strip mode pairs it (segments + 1
/// points, segments even), the two points beside the apex an angle (pi/3)/segments from it; with
/// offset > 0 the extrados, radii grown by offset and the apex at the two circles' intersection.
/// Appends nothing for segments < 4 (the raise the strip mode applies) or a zero span.
void EquilateralArchPolyStrip(const Vector3 &start, const Vector3 &end, int segments, double offset,
                              std::vector<Vector3> &points);

// The remaining types take start and end on the frame's x axis (end to the right of start), the height
// (metres) where the type's height is not fixed by its span, and the segment count after the type's
// rounding. Each appends nothing for a zero span, a height <= 0 where it is used, or too few segments.

/// Two arcs of radius L about the span ends meeting at (L/2, sqrt3 L/2); segments + 1 points (even
/// segments >= 2; height unused).
void EquilateralArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                     std::vector<Vector3> &points);
/// Two arcs of equal radius centred on the springing line meeting at (L/2, height); segments + 1 points
/// (even segments >= 2).
void LancetArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                std::vector<Vector3> &points);
/// S-shaped halves of radius L/2 meeting at the apex (L/2, height = sqrt3 L/2); segments + 1 points
/// (segments a multiple of 4, at least 4).
void OgeeEquilateralArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                         std::vector<Vector3> &points);
/// S-shaped halves of quarter circles of radius L/4, convex at the springing (height = L/2); segments + 1
/// points (segments a multiple of 4, at least 4).
void OgeeSemiArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                  std::vector<Vector3> &points);
/// S-shaped halves of quarter circles of radius L/4, concave at the springing (height = L/2); segments + 1
/// points (segments a multiple of 4, at least 4).
void OgeeSemiReverseArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                         std::vector<Vector3> &points);
/// Parabola through both ends and the apex (L/2, height); 2 * (segments / 2) + 1 points, so an odd count
/// builds one segment fewer (segments >= 2).
void ParabolicArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                   std::vector<Vector3> &points);
/// Half ellipse with semi-axes L/2 and height; segments + 1 points, the last at angle pi (segments >= 1).
void EllipticalArch(const Vector3 &start, const Vector3 &end, double height, int segments,
                    std::vector<Vector3> &points);

/// Appends the curve of the type (outside 0..8: semi) from (L, 0, 0) to the origin, inputs as
/// ClampArchInputs returns them; the equilateral is the non-strip form. Returns false, appending nothing,
/// for degenerate inputs (L or H <= 0, too few segments).
bool BuildArchCurve(int type, double L, double H, int n, std::vector<Vector3> &out);

/// Appends the intrados of the polygon-strip mode: BuildArchCurve, except that the equilateral takes the
/// strip form. Returns false, appending nothing, for a type other than semi, segmental or equilateral, or
/// degenerate inputs.
bool BuildStripIntrados(int type, double L, double H, int n, std::vector<Vector3> &out);

/// Appends the extrados at distance d (metres) outside the strip intrados of the same inputs, point i on
/// the same ray from its arc's centre as intrados point i (the equilateral apex excepted). Returns false,
/// appending nothing, for a type other than semi, segmental or equilateral, d <= 0 or degenerate inputs.
bool BuildExtrados(int type, double L, double H, int n, double d, std::vector<Vector3> &out);

/// Appends the two top corners (0, T, 0) and (L, T, 0) that close a curve into the knockout outline:
/// T = B + min(0.2, max(0.1, B / 4)) with B = H, or L / 2 for a lancet lower than half its span.
void AppendKnockoutPoints(int type, double L, double H, std::vector<Vector3> &out);

}  // namespace gORVA_Tools_Arch
