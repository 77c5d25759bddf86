// The Sweeper's profiles: the built-in outlines, the timber size presets, the captured custom outline,
// and the profile state that spins, flips, scales and rotates an outline before it is carried along the
// path. A profile is a closed loop of points in its own XY plane (z = 0), the last point joined back to
// the first. Lengths in metres, angles in radians. Pure geometry: no host calls.
#pragma once

#include <cstddef>
#include <vector>

#include "qk_math.hpp"
#include "qk_tool_spin_angle_tracker.hpp"

namespace qk {
namespace profiles {

using qk::math::Matrix4;
using qk::math::Vector3;

/// Values of the "profile_shape" popup: the seven built-in outlines, then the captured polygon.
enum ProfileShape : int {
    PROFILE_RECTANGLE = 0,
    PROFILE_ANGLE = 1,
    PROFILE_BOLTEL = 2,
    PROFILE_CAVETTO = 3,
    PROFILE_HALF_ROUND = 4,
    PROFILE_OVOLO = 5,
    PROFILE_QUARTER_ROUND = 6,
    PROFILE_CUSTOM = 7
};

/// A built-in shape choice: one shape index, 0..6.
struct ProfileShapes {
    int shape = PROFILE_RECTANGLE;
};

/// Internal names of the "profile_shape" popup items, indexed by ProfileShape (the spaces belong to them).
inline constexpr const char *PROFILE_SHAPE_NAMES[] = {
    "Rectangle  (100mm)",  "Angle      (100mm)",  "Boltel     (25.4mm)",    "Cavetto    (25.4mm)",
    "Half Round (25.4mm)", "Ovolo      (25.4mm)", "Quarter Round (25.4mm)", "Custom"};
/// Number of "profile_shape" items (values 0..7).
inline constexpr int PROFILE_SHAPE_COUNT = 8;

/// Appends the 100 mm square, 4 points.
void Rectangle(std::vector<Vector3> &points);
/// Appends the L section with 100 mm legs, 50 mm thick, 6 points.
void Angle(std::vector<Vector3> &points);
/// Appends the 25.4 mm boltel, 38 points.
void Boltel(std::vector<Vector3> &points);
/// Appends the 25.4 mm cavetto, 14 points.
void Cavetto(std::vector<Vector3> &points);
/// Appends the 12.7 mm by 25.4 mm half round, 17 points.
void HalfRound(std::vector<Vector3> &points);
/// Appends the 25.4 mm ovolo, 16 points.
void Ovolo(std::vector<Vector3> &points);
/// Appends the 25.4 mm quarter round, 10 points.
void QuarterRound(std::vector<Vector3> &points);

/// Empties points and fills them with the shape's outline; any value outside 1..6 (0 included) gives the
/// Rectangle.
void FillBuiltInProfile(std::vector<Vector3> &points, ProfileShapes shape);

/// Fills points with the outline "profile_shape" selects: a copy of customStore for 7 when a custom
/// profile is captured, else the built-in shape. Returns the shape value in use, which the caller writes
/// back: 0 when 7 was asked for with nothing captured, and for any value outside 0..7.
int ChooseProfilePoints(std::vector<Vector3> &points, int shape, const std::vector<Vector3> &customStore,
                        bool customCaptured);

// ---- timber presets ----

/// One sawn-timber section: size a along the profile's X and size b along its Y, metres.
struct TimberSize {
    double a;
    double b;
};

/// Popup type names of the two preset lists.
inline constexpr const char *TIMBER_PRESETS_A_TYPE = "gorva-timber-presets-a";
inline constexpr const char *TIMBER_PRESETS_B_TYPE = "gorva-timber-presets-b";

/// Last popup value of each list (entry 0 is "none").
inline constexpr int TIMBER_PRESET_LAST_A = 41;
inline constexpr int TIMBER_PRESET_LAST_B = 39;

/// Item names of "timber_presets_a", indexed by popup value: "none", then "sAxB" for a by b millimetres.
extern const char *const TIMBER_PRESET_NAMES_A[TIMBER_PRESET_LAST_A + 1];
/// Item names of "timber_presets_b", indexed by popup value.
extern const char *const TIMBER_PRESET_NAMES_B[TIMBER_PRESET_LAST_B + 1];
/// Sizes of list A by popup value, metres; entry 0 is (0, 0).
extern const TimberSize TIMBER_PRESET_SIZES_A[TIMBER_PRESET_LAST_A + 1];
/// Sizes of list B by popup value, metres; entry 0 is (0, 0).
extern const TimberSize TIMBER_PRESET_SIZES_B[TIMBER_PRESET_LAST_B + 1];

// ---- profile state ----

/// The user's profile axes: A along the profile's X ("size_a"), B along its Y ("size_b").
enum Axis : int { AXIS_A = 0, AXIS_B = 1 };
/// The two timber preset lists.
enum PresetListId : int { PRESET_LIST_A = 0, PRESET_LIST_B = 1 };
/// The two flip buttons, in the user's axes (after the spin).
enum FLIP : int { FLIP_A = 0, FLIP_B = 1 };

/// What SetProfileSizeToPreset did, so the caller knows what to write back.
enum PresetOutcome : int {
    PRESET_NONE = 0,     ///< "none" chosen: nothing changes
    PRESET_RESET = 1,    ///< value outside the list: the list's attribute goes back to 0, nothing else
    PRESET_APPLIED = 2,  ///< sizes and scale set; "uniform_scaling" goes to false
};

/// Smallest profile size, metres.
inline constexpr double PROFILE_MIN_SIZE = 0.001;
/// Size given to an unset or too small size at path set-up, metres.
inline constexpr double PROFILE_DEFAULT_SIZE = 0.1;

/// The attribute values "size_a" and "size_b", metres; operations read them and leave in them what the
/// caller writes back.
struct ProfileSize {
    double a = PROFILE_DEFAULT_SIZE;
    double b = PROFILE_DEFAULT_SIZE;
};

/// The size used at path set-up: value when it is set and at least 0.001, else 0.1.
double DefaultProfileSize(bool isSet, double value);

/// The flat box of the points' x and y (z stays 0).
qk::math::Box ProfileBox(const std::vector<Vector3> &points);

/// A corner of a flat box: 0 (max x, max y), 1 (max x, min y), 2 (min x, max y), 3 (min x, min y), with
/// z = 0; (0, 0, 0) for any other value.
Vector3 ProfileBoxCorner(const qk::math::Box &box, int corner);

/// centre = the mean of the points (x, y and z); an empty list leaves centre untouched.
void CentreOfPoints(Vector3 &centre, const std::vector<Vector3> &points);

/// Resizes out to the size of points, each point transformed by frame (row-vector convention).
void AlignProfilePointsToPath(std::vector<Vector3> &out, const std::vector<Vector3> &points,
                              const Matrix4 &frame);

/// False when the points of a polygon lie on one line (within 1e-6 m of the line through the two
/// farthest apart) or are fewer than three or not finite: such an outline has no width or height.
bool ProfileHasArea(const std::vector<Vector3> &polygonPoints);

/// Turns a polygon into a custom profile: empties store, then fills it with the points centred on their
/// mean, turned so that the polygon's unit normal lies on +Z, and centred on their 2D box. Returns false
/// with store empty for fewer than 3 points, a non-finite point, a normal off the six axis directions
/// (tolerance 1e-6 per component), or an outline without width or height.
bool CaptureCustomProfile(std::vector<Vector3> &store, const std::vector<Vector3> &polygonPoints,
                          const Vector3 &normal);

/// The profile's size, spin, flips and rotation, and the matrices built from them. Point transforms use
/// the row-vector convention, so spin x scale x rotation spins first.
class ProfileState {
public:
    /// Tool-model initialisation: sx = sy = 1, rotation 0, scale, spin and rotation matrices identity.
    /// The spin tracker, the flips and the base size are kept.
    void Initialize();

    /// Takes the base size from the new profile's box. With autoSize the current size and size become
    /// the base size; otherwise uniformScaling goes to false and both axes are rescaled to size.
    void SetProfileSize(const qk::math::Box &box, bool autoSize, ProfileSize &size, bool &uniformScaling);
    /// Raises a size below 0.001 (or NaN) to 0.001, then sets the axis' factor from its size; with uniform
    /// the other factor follows and the other size is rewritten. A base extent of zero keeps factor 1.
    void SetProfileScale(Axis axis, bool uniform, ProfileSize &size);
    /// sx = sy = 1; size and the current size become the base size.
    void ResetProfileScale(ProfileSize &size);
    /// Exchanges the two sizes, the base width and height and the two factors (a quarter turn's effect).
    void SwapProfileScaleAxes(ProfileSize &size);
    /// Spins 90 degrees in direction and rebuilds the spin matrix, then swaps the axes
    /// (SwapProfileScaleAxes); the caller does not swap again.
    void SetProfileSpin(qk::SPIN_DIRECTION direction, ProfileSize &size);
    /// Wraps angle (radians) into [0, 2pi), keeps it as the rotation and rebuilds the rotation matrix.
    /// Returns the wrapped value to write back; a non-finite angle becomes 0.
    double SetProfileRotation(double angle);
    /// Applies entry value of the list to size and rescales. See PresetOutcome; negative values and values
    /// past the list's end reset the list.
    PresetOutcome SetProfileSizeToPreset(PresetListId list, int value, ProfileSize &size,
                                         bool &uniformScaling);
    /// Toggles flip X or flip Y: the user's axis A is the profile's X at spin 0 and 180 degrees and its Y
    /// at 90 and 270 degrees, and B the other.
    void ToggleFlipProfile(FLIP flip);

    /// Resizes out to points, mirrored by the flips; each mirror reverses the order after the first point
    /// so the outline keeps its winding.
    void FlipProfilePoints(std::vector<Vector3> &out, const std::vector<Vector3> &points) const;
    /// Point i of the flipped outline (as FlipProfilePoints orders it); i must be below points.size().
    Vector3 FlippedPoint(const std::vector<Vector3> &points, std::size_t i) const;
    /// The flipped outline through spin x scale: the profile as the end caps show it.
    void CapOutline(std::vector<Vector3> &out, const std::vector<Vector3> &points) const;
    /// The flipped outline through spin x scale x rotation x startFrame x snap: the profile on the path.
    void PlaceProfile(std::vector<Vector3> &out, const std::vector<Vector3> &points,
                      const Matrix4 &startFrame, const Matrix4 &snap) const;
    /// The base box's four corners through spin x scale, gathered into a 2D box.
    qk::math::Box SpinScaledBox() const;

    /// spin x scale.
    Matrix4 SpinScaleMatrix() const { return qk::math::Multiply(m_spinMatrix, m_scaleMatrix); }
    /// spin x scale x rotation.
    Matrix4 ProfileMatrix() const { return qk::math::Multiply(SpinScaleMatrix(), m_rotationMatrix); }
    const Matrix4 &ScaleMatrix() const { return m_scaleMatrix; }
    const Matrix4 &SpinMatrix() const { return m_spinMatrix; }
    const Matrix4 &RotationMatrix() const { return m_rotationMatrix; }

    double BaseWidth() const { return m_baseWidth; }
    double BaseHeight() const { return m_baseHeight; }
    const ProfileSize &CurrentSize() const { return m_current; }
    double ScaleX() const { return m_sx; }
    double ScaleY() const { return m_sy; }
    double Rotation() const { return m_rotation; }
    /// Sets the rotation (radians, unwrapped) and its matrix, as a jump leaves it.
    void SetRotation(double angle);
    const qk::SpinAngleTracker &Spin() const { return m_spin; }
    bool FlipX() const { return m_flipX; }
    bool FlipY() const { return m_flipY; }

private:
    void RebuildScaleMatrix() { m_scaleMatrix = qk::math::ScaleMatrix(m_sx, m_sy, 1.0); }

    qk::math::Box m_baseBox;
    double m_baseWidth = 0.0;
    double m_baseHeight = 0.0;
    ProfileSize m_current;
    double m_sx = 1.0;
    double m_sy = 1.0;
    qk::SpinAngleTracker m_spin;
    double m_rotation = 0.0;
    bool m_flipX = false;
    bool m_flipY = false;
    Matrix4 m_scaleMatrix;
    Matrix4 m_spinMatrix;
    Matrix4 m_rotationMatrix;
};

}  // namespace profiles
}  // namespace qk
