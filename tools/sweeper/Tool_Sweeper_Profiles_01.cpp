#include "Tool_Sweeper_Profiles_01.hpp"

#include <algorithm>
#include <cmath>

#include "qk_constants.hpp"

namespace qk {
namespace profiles {

using qk::constants::EPSILON;

namespace {

struct XY {
    double x, y;
};

// The outlines as drawn at their native size, each centred on its bounding box.
constexpr XY kRectangle[] = {{0.05, 0.05}, {-0.05, 0.05}, {-0.05, -0.05}, {0.05, -0.05}};
constexpr XY kAngle[] = {{0.05, 0.05}, {-0.05, 0.05}, {-0.05, 0}, {0, 0}, {0, -0.05}, {0.05, -0.05}};
constexpr XY kBoltel[] = {
    {-0.0087, 0.0127},   {-0.0127, 0.0127},   {-0.0127, -0.0127},  {0.0127, -0.0127},   {0.0127, -0.0087},
    {0, -0.0087},        {0, -0.00531},       {0, -0.00501},       {0.00173, -0.00553}, {0.00352, -0.0057},
    {0.00531, -0.00552}, {0.00704, -0.00499}, {0.00862, -0.00414}, {0.01001, -0.003},   {0.01116, -0.0016},
    {0.012, -0.00001},   {0.01252, 0.00171},  {0.0127, 0.00351},   {0.01252, 0.0053},   {0.012, 0.00702},
    {0.01115, 0.00861},  {0.01001, 0.01001},  {0.00861, 0.01115},  {0.00702, 0.012},    {0.0053, 0.01252},
    {0.00351, 0.0127},   {0.00171, 0.01252},  {-0.00001, 0.012},   {-0.0016, 0.01116},  {-0.003, 0.01001},
    {-0.00414, 0.00862}, {-0.00499, 0.00704}, {-0.00552, 0.00531}, {-0.0057, 0.00352},  {-0.00553, 0.00173},
    {-0.00501, 0},       {-0.00531, 0},       {-0.0087, 0}};
constexpr XY kCavetto[] = {
    {0.0127, -0.0127},   {0.0127, -0.009},     {0.0127, -0.0087},   {0.00877, -0.00776}, {0.00504, -0.00622},
    {0.00159, -0.00411}, {-0.00148, -0.00148}, {-0.00411, 0.00159}, {-0.00622, 0.00504}, {-0.00776, 0.00877},
    {-0.0087, 0.0127},   {-0.009, 0.0127},     {-0.0127, 0.0127},   {-0.0127, -0.0127}};
constexpr XY kHalfRound[] = {
    {-0.00635, -0.0127}, {-0.00387, -0.01246}, {-0.00149, -0.01173}, {0.00071, -0.01056}, {0.00263, -0.00898},
    {0.00421, -0.00706}, {0.00538, -0.00486},  {0.00611, -0.00248},  {0.00635, 0},        {0.00611, 0.00248},
    {0.00538, 0.00486},  {0.00421, 0.00706},   {0.00263, 0.00898},   {0.00071, 0.01056},  {-0.00149, 0.01173},
    {-0.00387, 0.01246}, {-0.00635, 0.0127}};
constexpr XY kOvolo[] = {{-0.0127, -0.0127}, {0.0127, -0.0127},   {0.0127, -0.0087},   {0.009, -0.0087},
                         {0.0087, -0.0087},  {0.00786, -0.00554}, {0.00656, -0.00255}, {0.00482, 0.00022},
                         {0.00269, 0.00269}, {0.00022, 0.00482},  {-0.00255, 0.00656}, {-0.00554, 0.00786},
                         {-0.0087, 0.0087},  {-0.0087, 0.009},    {-0.0087, 0.0127},   {-0.0127, 0.0127}};
constexpr XY kQuarterRound[] = {
    {-0.0127, -0.0127}, {0.0127, -0.0127},  {0.01221, -0.00774}, {0.01077, -0.00298}, {0.00842, 0.00141},
    {0.00526, 0.00526}, {0.00141, 0.00842}, {-0.00298, 0.01077}, {-0.00774, 0.01221}, {-0.0127, 0.0127}};

template <std::size_t N>
void AppendOutline(std::vector<Vector3> &points, const XY (&outline)[N]) {
    for (const XY &p : outline) points.emplace_back(p.x, p.y, 0.0);
}

}  // namespace

const char *const TIMBER_PRESET_NAMES_A[TIMBER_PRESET_LAST_A + 1] = {
    "none",    "s12x25",  "s12x38",  "s12x50",  "s12x75",  "s12x100", "s12x150", "s16x50",  "s16x75",
    "s16x100", "s16x125", "s16x150", "s19x25",  "s19x38",  "s19x50",  "s19x75",  "s19x100", "s19x125",
    "s19x150", "s25x25",  "s25x38",  "s25x50",  "s25x75",  "s25x100", "s25x125", "s25x150", "s25x175",
    "s25x200", "s25x225", "s25x250", "s25x300", "s32x75",  "s32x100", "s32x115", "s32x125", "s32x138",
    "s32x150", "s32x175", "s32x200", "s36x75",  "s36x100", "s36x125"};
const TimberSize TIMBER_PRESET_SIZES_A[TIMBER_PRESET_LAST_A + 1] = {
    {0.0, 0.0},     {0.012, 0.025}, {0.012, 0.038}, {0.012, 0.05},  {0.012, 0.075}, {0.012, 0.1},
    {0.012, 0.15},  {0.016, 0.05},  {0.016, 0.075}, {0.016, 0.1},   {0.016, 0.125}, {0.016, 0.15},
    {0.019, 0.025}, {0.019, 0.038}, {0.019, 0.05},  {0.019, 0.075}, {0.019, 0.1},   {0.019, 0.125},
    {0.019, 0.15},  {0.025, 0.025}, {0.025, 0.038}, {0.025, 0.05},  {0.025, 0.075}, {0.025, 0.1},
    {0.025, 0.125}, {0.025, 0.15},  {0.025, 0.175}, {0.025, 0.2},   {0.025, 0.225}, {0.025, 0.25},
    {0.025, 0.3},   {0.032, 0.075}, {0.032, 0.1},   {0.032, 0.115}, {0.032, 0.125}, {0.032, 0.138},
    {0.032, 0.15},  {0.032, 0.175}, {0.032, 0.2},   {0.036, 0.075}, {0.036, 0.1},   {0.036, 0.125}};
const char *const TIMBER_PRESET_NAMES_B[TIMBER_PRESET_LAST_B + 1] = {
    "none",     "s38x50",   "s38x75",   "s38x100",  "s38x115",  "s38x125",  "s38x138",  "s38x150",
    "s38x175",  "s38x200",  "s38x225",  "s38x250",  "s44x75",   "s44x100",  "s45x45",   "s47x75",
    "s47x100",  "s50x50",   "s50x75",   "s50x100",  "s50x150",  "s50x200",  "s50x250",  "s50x300",
    "s70x45",   "s70x70",   "s75x75",   "s75x100",  "s100x100", "s100x150", "s100x200", "s100x250",
    "s100x300", "s100x400", "s150x150", "s150x200", "s150x300", "s200x200", "s250x250", "s300x300"};
const TimberSize TIMBER_PRESET_SIZES_B[TIMBER_PRESET_LAST_B + 1] = {
    {0.0, 0.0},     {0.038, 0.05}, {0.038, 0.075}, {0.038, 0.1},   {0.038, 0.115}, {0.038, 0.125},
    {0.038, 0.138}, {0.038, 0.15}, {0.038, 0.175}, {0.038, 0.2},   {0.038, 0.225}, {0.038, 0.25},
    {0.044, 0.075}, {0.044, 0.1},  {0.045, 0.045}, {0.047, 0.075}, {0.047, 0.1},   {0.05, 0.05},
    {0.05, 0.075},  {0.05, 0.1},   {0.05, 0.15},   {0.05, 0.2},    {0.05, 0.25},   {0.05, 0.3},
    {0.07, 0.045},  {0.07, 0.07},  {0.075, 0.075}, {0.075, 0.1},   {0.1, 0.1},     {0.1, 0.15},
    {0.1, 0.2},     {0.1, 0.25},   {0.1, 0.3},     {0.1, 0.4},     {0.15, 0.15},   {0.15, 0.2},
    {0.15, 0.3},    {0.2, 0.2},    {0.25, 0.25},   {0.3, 0.3}};

void Rectangle(std::vector<Vector3> &points) {
    AppendOutline(points, kRectangle);
}
void Angle(std::vector<Vector3> &points) {
    AppendOutline(points, kAngle);
}
void Boltel(std::vector<Vector3> &points) {
    AppendOutline(points, kBoltel);
}
void Cavetto(std::vector<Vector3> &points) {
    AppendOutline(points, kCavetto);
}
void HalfRound(std::vector<Vector3> &points) {
    AppendOutline(points, kHalfRound);
}
void Ovolo(std::vector<Vector3> &points) {
    AppendOutline(points, kOvolo);
}
void QuarterRound(std::vector<Vector3> &points) {
    AppendOutline(points, kQuarterRound);
}

void FillBuiltInProfile(std::vector<Vector3> &points, ProfileShapes shape) {
    points.clear();
    switch (shape.shape) {
        case PROFILE_ANGLE:
            Angle(points);
            break;
        case PROFILE_BOLTEL:
            Boltel(points);
            break;
        case PROFILE_CAVETTO:
            Cavetto(points);
            break;
        case PROFILE_HALF_ROUND:
            HalfRound(points);
            break;
        case PROFILE_OVOLO:
            Ovolo(points);
            break;
        case PROFILE_QUARTER_ROUND:
            QuarterRound(points);
            break;
        default:
            Rectangle(points);
            break;
    }
}

int ChooseProfilePoints(std::vector<Vector3> &points, int shape, const std::vector<Vector3> &customStore,
                        bool customCaptured) {
    if (shape == PROFILE_CUSTOM && customCaptured && customStore.size() >= 3) {
        points = customStore;
        return PROFILE_CUSTOM;
    }
    const int used = (shape >= PROFILE_RECTANGLE && shape < PROFILE_CUSTOM) ? shape : PROFILE_RECTANGLE;
    FillBuiltInProfile(points, ProfileShapes{used});
    return used;
}

double DefaultProfileSize(bool isSet, double value) {
    return (isSet && std::isfinite(value) && value >= PROFILE_MIN_SIZE) ? value : PROFILE_DEFAULT_SIZE;
}

qk::math::Box ProfileBox(const std::vector<Vector3> &points) {
    qk::math::Box box;
    for (const Vector3 &p : points) box.Add({p.x(), p.y(), 0.0});
    return box;
}

Vector3 ProfileBoxCorner(const qk::math::Box &box, int corner) {
    if (corner < 0 || corner > 3) return {};
    const bool maxX = corner < 2, maxY = corner % 2 == 0;
    Vector3 c = box.Corner((maxX ? 1 : 0) | (maxY ? 2 : 0));
    c.v[2] = 0.0;
    return c;
}

void CentreOfPoints(Vector3 &centre, const std::vector<Vector3> &points) {
    if (points.empty()) return;
    Vector3 sum;
    for (const Vector3 &p : points) sum += p;
    centre = sum * (1.0 / static_cast<double>(points.size()));
}

void AlignProfilePointsToPath(std::vector<Vector3> &out, const std::vector<Vector3> &points,
                              const Matrix4 &frame) {
    out.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) out[i] = qk::math::TransformPoint(frame, points[i]);
}

namespace {

// The turn that lays a polygon facing one of the six axis directions flat, facing +Z.
struct AxisTurn {
    Vector3 normal;
    int axis;
    double angle;
};

constexpr AxisTurn kAxisTurns[] = {{Vector3(1, 0, 0), 1, constants::HALF_PI},
                                   {Vector3(-1, 0, 0), 1, -constants::HALF_PI},
                                   {Vector3(0, 1, 0), 0, -constants::HALF_PI},
                                   {Vector3(0, -1, 0), 0, constants::HALF_PI},
                                   {Vector3(0, 0, 1), 2, 0.0},
                                   {Vector3(0, 0, -1), 1, constants::PI}};

bool TurnOntoPlusZ(const Vector3 &normal, Matrix4 &turn) {
    for (const AxisTurn &t : kAxisTurns) {
        if (!qk::math::NearlyEqual(normal, t.normal, EPSILON)) continue;
        turn = qk::math::AxisRotationMatrix(t.axis, t.angle);
        return true;
    }
    return false;
}

bool AllFinite(const std::vector<Vector3> &points) {
    return std::all_of(points.begin(), points.end(), [](const Vector3 &p) { return qk::math::IsFinite(p); });
}

}  // namespace

bool ProfileHasArea(const std::vector<Vector3> &polygonPoints) {
    if (polygonPoints.size() < 3 || !AllFinite(polygonPoints)) return false;
    // The line runs from the first point to the one farthest from it; every point off it by more than
    // the tolerance gives the outline a width.
    const Vector3 &a = polygonPoints[0];
    std::size_t far = 0;
    for (std::size_t i = 1; i < polygonPoints.size(); ++i)
        if (qk::math::Distance(a, polygonPoints[i]) > qk::math::Distance(a, polygonPoints[far])) far = i;
    const double length = qk::math::Distance(a, polygonPoints[far]);
    if (!(length > EPSILON)) return false;
    const Vector3 along = (polygonPoints[far] - a) * (1.0 / length);
    for (const Vector3 &p : polygonPoints) {
        const Vector3 offset = p - a;
        const Vector3 across = offset - along * qk::math::Dot(offset, along);
        if (qk::math::Length(across) > EPSILON) return true;
    }
    return false;
}

bool CaptureCustomProfile(std::vector<Vector3> &store, const std::vector<Vector3> &polygonPoints,
                          const Vector3 &normal) {
    store.clear();
    Matrix4 turn;
    if (polygonPoints.size() < 3 || !AllFinite(polygonPoints) || !TurnOntoPlusZ(normal, turn)) return false;
    Vector3 centre;
    CentreOfPoints(centre, polygonPoints);
    for (const Vector3 &p : polygonPoints) store.push_back(qk::math::TransformPoint(turn, p - centre));
    const qk::math::Box box = ProfileBox(store);
    const Vector3 boxCentre = box.Centre(), extent = box.Extent();
    // A flat or collinear outline has no size to scale and nothing to sweep.
    if (!(extent[0] > EPSILON && extent[1] > EPSILON)) {
        store.clear();
        return false;
    }
    if (std::fabs(boxCentre[0]) > EPSILON || std::fabs(boxCentre[1]) > EPSILON) {
        const Vector3 shift(boxCentre[0], boxCentre[1], 0.0);
        for (Vector3 &p : store) p -= shift;
    }
    return true;
}

// ---- ProfileState ----

namespace {

constexpr double TWO_PI = 2.0 * constants::PI;

// NaN and infinities fall back to the minimum as well.
double AtLeastMinimumSize(double value) {
    return (std::isfinite(value) && value >= PROFILE_MIN_SIZE) ? value : PROFILE_MIN_SIZE;
}

double ScaleFactor(double size, double base) {
    return base > EPSILON ? size / base : 1.0;
}

void ReverseAfterFirst(std::vector<Vector3> &points) {
    if (points.size() > 2) std::reverse(points.begin() + 1, points.end());
}

}  // namespace

void ProfileState::Initialize() {
    m_sx = m_sy = 1.0;
    RebuildScaleMatrix();
    // The spin matrix starts as the identity, so the tracker starts at no spin to match it.
    m_spin.SetSectorAngleIndex(0);
    m_spinMatrix = Matrix4();
    SetRotation(0.0);
}

void ProfileState::SetProfileSize(const qk::math::Box &box, bool autoSize, ProfileSize &size,
                                  bool &uniformScaling) {
    m_baseBox = box;
    const Vector3 extent = box.Extent();
    m_baseWidth = extent[0];
    m_baseHeight = extent[1];
    // The base size is measured in the profile's unspun axes; a quarter turn shows them exchanged.
    if (m_spin.GetSectorAngleIndex() % 2 == 1) std::swap(m_baseWidth, m_baseHeight);
    if (autoSize) {
        m_current = {m_baseWidth, m_baseHeight};
        size = m_current;
        return;
    }
    uniformScaling = false;
    SetProfileScale(AXIS_A, false, size);
    SetProfileScale(AXIS_B, false, size);
}

void ProfileState::SetProfileScale(Axis axis, bool uniform, ProfileSize &size) {
    size.a = AtLeastMinimumSize(size.a);
    size.b = AtLeastMinimumSize(size.b);
    if (axis == AXIS_A) {
        m_sx = ScaleFactor(size.a, m_baseWidth);
        if (uniform) {
            m_sy = m_sx;
            size.b = m_sy * m_baseHeight;
        }
    } else {
        m_sy = ScaleFactor(size.b, m_baseHeight);
        if (uniform) {
            m_sx = m_sy;
            size.a = m_sx * m_baseWidth;
        }
    }
    RebuildScaleMatrix();
    m_current = size;
}

void ProfileState::ResetProfileScale(ProfileSize &size) {
    m_sx = m_sy = 1.0;
    RebuildScaleMatrix();
    m_current = {m_baseWidth, m_baseHeight};
    size = m_current;
}

void ProfileState::SwapProfileScaleAxes(ProfileSize &size) {
    std::swap(size.a, size.b);
    std::swap(m_current.a, m_current.b);
    std::swap(m_baseWidth, m_baseHeight);
    std::swap(m_sx, m_sy);
    RebuildScaleMatrix();
}

void ProfileState::SetProfileSpin(qk::SPIN_DIRECTION direction, ProfileSize &size) {
    const int before = m_spin.GetSectorAngleIndex();
    m_spin.Spin90(direction);
    if (m_spin.GetSectorAngleIndex() == before) return;
    m_spinMatrix = qk::math::AxisRotationMatrix(2, m_spin.GetAngleRad());
    SwapProfileScaleAxes(size);
}

double ProfileState::SetProfileRotation(double angle) {
    double wrapped = std::isfinite(angle) ? std::fmod(angle, TWO_PI) : 0.0;
    if (wrapped < 0.0) wrapped += TWO_PI;
    // A tiny negative angle plus 2pi rounds to 2pi itself.
    if (wrapped >= TWO_PI) wrapped = 0.0;
    SetRotation(wrapped);
    return wrapped;
}

void ProfileState::SetRotation(double angle) {
    m_rotation = angle;
    m_rotationMatrix = qk::math::AxisRotationMatrix(2, angle);
}

PresetOutcome ProfileState::SetProfileSizeToPreset(PresetListId list, int value, ProfileSize &size,
                                                   bool &uniformScaling) {
    const bool listA = list == PRESET_LIST_A;
    const int last = listA ? TIMBER_PRESET_LAST_A : TIMBER_PRESET_LAST_B;
    if (value == 0) return PRESET_NONE;
    if (value < 0 || value > last) return PRESET_RESET;
    const TimberSize &entry = listA ? TIMBER_PRESET_SIZES_A[value] : TIMBER_PRESET_SIZES_B[value];
    size = {entry.a, entry.b};
    SetProfileScale(AXIS_A, false, size);
    SetProfileScale(AXIS_B, false, size);
    uniformScaling = false;
    return PRESET_APPLIED;
}

void ProfileState::ToggleFlipProfile(FLIP flip) {
    if (flip != FLIP_A && flip != FLIP_B) return;
    const bool quarterTurned = m_spin.GetSectorAngleIndex() % 2 == 1;
    if ((flip == FLIP_A) != quarterTurned) {
        m_flipX = !m_flipX;
    } else {
        m_flipY = !m_flipY;
    }
}

void ProfileState::FlipProfilePoints(std::vector<Vector3> &out, const std::vector<Vector3> &points) const {
    out = points;
    if (m_flipX) {
        for (Vector3 &p : out) p.v[0] = -p.v[0];
        ReverseAfterFirst(out);
    }
    if (m_flipY) {
        for (Vector3 &p : out) p.v[1] = -p.v[1];
        ReverseAfterFirst(out);
    }
}

Vector3 ProfileState::FlippedPoint(const std::vector<Vector3> &points, std::size_t i) const {
    // Each mirror keeps point 0 and reverses the rest: index i comes from n - i.
    const std::size_t n = points.size();
    std::size_t source = i;
    if (m_flipX) source = (n - source) % n;
    if (m_flipY) source = (n - source) % n;
    Vector3 p = points[source];
    if (m_flipX) p.v[0] = -p.v[0];
    if (m_flipY) p.v[1] = -p.v[1];
    return p;
}

void ProfileState::CapOutline(std::vector<Vector3> &out, const std::vector<Vector3> &points) const {
    FlipProfilePoints(out, points);
    const Matrix4 m = SpinScaleMatrix();
    for (Vector3 &p : out) p = qk::math::TransformPoint(m, p);
}

void ProfileState::PlaceProfile(std::vector<Vector3> &out, const std::vector<Vector3> &points,
                                const Matrix4 &startFrame, const Matrix4 &snap) const {
    FlipProfilePoints(out, points);
    const Matrix4 m = qk::math::Multiply(qk::math::Multiply(ProfileMatrix(), startFrame), snap);
    for (Vector3 &p : out) p = qk::math::TransformPoint(m, p);
}

qk::math::Box ProfileState::SpinScaledBox() const {
    const Matrix4 m = SpinScaleMatrix();
    qk::math::Box box;
    for (int corner = 0; corner < 4; ++corner) {
        const Vector3 p = qk::math::TransformPoint(m, ProfileBoxCorner(m_baseBox, corner));
        box.Add({p.x(), p.y(), 0.0});
    }
    return box;
}

}  // namespace profiles
}  // namespace qk
