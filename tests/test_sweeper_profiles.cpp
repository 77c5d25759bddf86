// Sweeper profiles: the built-in outlines, timber presets, custom capture and the profile state's
// scale, spin, flip, rotation and placement rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "Tool_Sweeper_Profiles_01.hpp"
#include "qk_constants.hpp"
#include "qk_math.hpp"

using namespace qk::profiles;
using qk::math::Vector3;

namespace {

constexpr double kTol = 1e-12;
constexpr double kPi = qk::constants::PI;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<Vector3> Shape(int shape) {
    std::vector<Vector3> points;
    FillBuiltInProfile(points, ProfileShapes{shape});
    return points;
}

qk::math::Box BoxOf(const std::vector<Vector3> &points) {
    return ProfileBox(points);
}

Vector3 Extent(const std::vector<Vector3> &points) {
    return BoxOf(points).Extent();
}

// Twice the signed area in XY: positive for a counter-clockwise outline.
double SignedArea2(const std::vector<Vector3> &p) {
    double sum = 0.0;
    for (size_t i = 0; i < p.size(); ++i) {
        const Vector3 &a = p[i], &b = p[(i + 1) % p.size()];
        sum += a.x() * b.y() - b.x() * a.y();
    }
    return sum;
}

void ExpectPoint(const Vector3 &p, double x, double y, double z, double tol = kTol) {
    EXPECT_NEAR(p.x(), x, tol);
    EXPECT_NEAR(p.y(), y, tol);
    EXPECT_NEAR(p.z(), z, tol);
}

// A state holding shape's outline at its native size.
ProfileState NativeState(const std::vector<Vector3> &points, ProfileSize &size) {
    ProfileState state;
    bool uniform = true;
    state.SetProfileSize(BoxOf(points), true, size, uniform);
    return state;
}

struct ShapeCase {
    int shape;
    size_t count;
    double width, height;
};

class BuiltInProfile : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(BuiltInProfile, HasItsPointCountAndCentredBox) {
    const ShapeCase c = GetParam();
    const std::vector<Vector3> points = Shape(c.shape);
    ASSERT_EQ(points.size(), c.count);
    const Vector3 min = BoxOf(points).min, max = BoxOf(points).max;
    EXPECT_NEAR(max[0] - min[0], c.width, kTol);
    EXPECT_NEAR(max[1] - min[1], c.height, kTol);
    EXPECT_NEAR(max[0] + min[0], 0.0, kTol);
    EXPECT_NEAR(max[1] + min[1], 0.0, kTol);
    for (const Vector3 &p : points) EXPECT_EQ(p.z(), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Shapes, BuiltInProfile,
                         ::testing::Values(ShapeCase{PROFILE_RECTANGLE, 4, 0.1, 0.1},
                                           ShapeCase{PROFILE_ANGLE, 6, 0.1, 0.1},
                                           ShapeCase{PROFILE_BOLTEL, 38, 0.0254, 0.0254},
                                           ShapeCase{PROFILE_CAVETTO, 14, 0.0254, 0.0254},
                                           ShapeCase{PROFILE_HALF_ROUND, 17, 0.0127, 0.0254},
                                           ShapeCase{PROFILE_OVOLO, 16, 0.0254, 0.0254},
                                           ShapeCase{PROFILE_QUARTER_ROUND, 10, 0.0254, 0.0254}));

TEST(SweeperProfiles, OtherShapeValuesGiveTheRectangle) {
    for (int shape : {int(PROFILE_CUSTOM), -1, 99}) {
        const std::vector<Vector3> points = Shape(shape);
        ASSERT_EQ(points.size(), 4u) << shape;
        ExpectPoint(points[0], 0.05, 0.05, 0.0);
        ExpectPoint(points[2], -0.05, -0.05, 0.0);
    }
    std::vector<Vector3> points = Shape(PROFILE_BOLTEL);
    FillBuiltInProfile(points, ProfileShapes{PROFILE_ANGLE});
    EXPECT_EQ(points.size(), 6u) << "the list is emptied first";
}

TEST(SweeperProfiles, CustomWithoutCaptureFallsBackToRectangle) {
    const std::vector<Vector3> store = {Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(-1, 0, 0)};
    std::vector<Vector3> points;
    EXPECT_EQ(ChooseProfilePoints(points, PROFILE_CUSTOM, store, false), PROFILE_RECTANGLE);
    EXPECT_EQ(points.size(), 4u);
    EXPECT_EQ(ChooseProfilePoints(points, PROFILE_CUSTOM, store, true), PROFILE_CUSTOM);
    ASSERT_EQ(points.size(), 3u);
    ExpectPoint(points[1], 0, 1, 0);
    EXPECT_EQ(ChooseProfilePoints(points, PROFILE_OVOLO, store, true), PROFILE_OVOLO);
    EXPECT_EQ(points.size(), 16u);
}

// ---- timber presets ----

struct PresetList {
    const char *const *names;
    const TimberSize *sizes;
    int last;
};

class TimberPresets : public ::testing::TestWithParam<PresetList> {};

TEST_P(TimberPresets, SizesAreTheMillimetresOfTheirNames) {
    const PresetList list = GetParam();
    EXPECT_STREQ(list.names[0], "none");
    EXPECT_EQ(list.sizes[0].a, 0.0);
    EXPECT_EQ(list.sizes[0].b, 0.0);
    std::set<std::string> seen;
    for (int i = 1; i <= list.last; ++i) {
        int a = 0, b = 0;
        char tail = 0;
        ASSERT_EQ(std::sscanf(list.names[i], "s%dx%d%c", &a, &b, &tail), 2) << list.names[i];
        EXPECT_EQ(list.sizes[i].a, a / 1000.0) << list.names[i];
        EXPECT_EQ(list.sizes[i].b, b / 1000.0) << list.names[i];
        EXPECT_TRUE(seen.insert(list.names[i]).second) << "repeated " << list.names[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Lists, TimberPresets,
                         ::testing::Values(PresetList{TIMBER_PRESET_NAMES_A, TIMBER_PRESET_SIZES_A, 41},
                                           PresetList{TIMBER_PRESET_NAMES_B, TIMBER_PRESET_SIZES_B, 39}));

TEST(ProfilePresets, ChoosingASectionSetsBothSizesAndTheScale) {
    ProfileSize size;
    ProfileState state = NativeState(Shape(PROFILE_RECTANGLE), size);
    bool uniform = true;
    EXPECT_EQ(state.SetProfileSizeToPreset(PRESET_LIST_B, 1, size, uniform), PRESET_APPLIED);
    EXPECT_DOUBLE_EQ(size.a, 0.038);
    EXPECT_DOUBLE_EQ(size.b, 0.05);
    EXPECT_DOUBLE_EQ(state.ScaleX(), 0.38);
    EXPECT_DOUBLE_EQ(state.ScaleY(), 0.5);
    EXPECT_FALSE(uniform);
    EXPECT_EQ(state.SetProfileSizeToPreset(PRESET_LIST_A, 41, size, uniform), PRESET_APPLIED);
    EXPECT_DOUBLE_EQ(size.a, 0.036);
    EXPECT_DOUBLE_EQ(size.b, 0.125);
}

TEST(ProfilePresets, NoneAndOutOfRangeLeaveTheSizes) {
    ProfileSize size;
    ProfileState state = NativeState(Shape(PROFILE_RECTANGLE), size);
    size = {0.2, 0.3};
    bool uniform = true;
    EXPECT_EQ(state.SetProfileSizeToPreset(PRESET_LIST_A, 0, size, uniform), PRESET_NONE);
    EXPECT_EQ(state.SetProfileSizeToPreset(PRESET_LIST_A, 42, size, uniform), PRESET_RESET);
    EXPECT_EQ(state.SetProfileSizeToPreset(PRESET_LIST_B, 40, size, uniform), PRESET_RESET);
    EXPECT_EQ(state.SetProfileSizeToPreset(PRESET_LIST_B, -1, size, uniform), PRESET_RESET);
    EXPECT_EQ(size.a, 0.2);
    EXPECT_EQ(size.b, 0.3);
    EXPECT_TRUE(uniform);
    EXPECT_EQ(state.ScaleX(), 1.0);
}

// ---- scale ----

TEST(ProfileScale, AutoSizeShowsTheNativeSize) {
    ProfileSize size{0.5, 0.7};
    ProfileState state = NativeState(Shape(PROFILE_HALF_ROUND), size);
    EXPECT_NEAR(size.a, 0.0127, kTol);
    EXPECT_NEAR(size.b, 0.0254, kTol);
    EXPECT_EQ(state.ScaleX(), 1.0);
}

TEST(ProfileScale, KeptSizesRescaleANewShape) {
    ProfileState state;
    ProfileSize size{0.2, 0.05};
    bool uniform = true;
    state.SetProfileSize(BoxOf(Shape(PROFILE_RECTANGLE)), false, size, uniform);
    EXPECT_FALSE(uniform);
    EXPECT_DOUBLE_EQ(state.ScaleX(), 2.0);
    EXPECT_DOUBLE_EQ(state.ScaleY(), 0.5);
    EXPECT_EQ(size.a, 0.2);
}

TEST(ProfileScale, UniformScalingFollowsEitherAxis) {
    ProfileSize size;
    ProfileState state = NativeState(Shape(PROFILE_HALF_ROUND), size);
    size.a = 0.0381;  // three times 12.7 mm
    state.SetProfileScale(AXIS_A, true, size);
    EXPECT_NEAR(state.ScaleX(), 3.0, kTol);
    EXPECT_NEAR(state.ScaleY(), 3.0, kTol);
    EXPECT_NEAR(size.b, 0.0762, kTol);
    size.b = 0.0508;  // twice 25.4 mm
    state.SetProfileScale(AXIS_B, true, size);
    EXPECT_NEAR(state.ScaleY(), 2.0, kTol);
    EXPECT_NEAR(state.ScaleX(), 2.0, kTol);
    EXPECT_NEAR(size.a, 0.0254, kTol);
    EXPECT_NEAR(state.CurrentSize().a, 0.0254, kTol);
    EXPECT_NEAR(state.ScaleMatrix().m[0][0], 2.0, kTol);
    EXPECT_NEAR(state.ScaleMatrix().m[1][1], 2.0, kTol);
}

TEST(ProfileScale, SizesHaveAOneMillimetreFloor) {
    ProfileSize size;
    ProfileState state = NativeState(Shape(PROFILE_RECTANGLE), size);
    size = {0.0002, kNaN};
    state.SetProfileScale(AXIS_A, false, size);
    EXPECT_EQ(size.a, 0.001);
    EXPECT_EQ(size.b, 0.001);
    EXPECT_DOUBLE_EQ(state.ScaleX(), 0.01);
    size.b = -4.0;
    state.SetProfileScale(AXIS_B, false, size);
    EXPECT_EQ(size.b, 0.001);
    EXPECT_DOUBLE_EQ(state.ScaleY(), 0.01);
}

TEST(ProfileScale, ResetReturnsToTheNativeSize) {
    ProfileSize size;
    ProfileState state = NativeState(Shape(PROFILE_ANGLE), size);
    size = {0.4, 0.2};
    state.SetProfileScale(AXIS_A, false, size);
    state.SetProfileScale(AXIS_B, false, size);
    state.ResetProfileScale(size);
    EXPECT_DOUBLE_EQ(size.a, 0.1);
    EXPECT_DOUBLE_EQ(size.b, 0.1);
    EXPECT_EQ(state.ScaleX(), 1.0);
    EXPECT_EQ(state.ScaleY(), 1.0);
}

TEST(ProfileScale, DefaultSizesAtSetUp) {
    EXPECT_EQ(DefaultProfileSize(false, 0.3), 0.1);
    EXPECT_EQ(DefaultProfileSize(true, 0.0005), 0.1);
    EXPECT_EQ(DefaultProfileSize(true, kNaN), 0.1);
    EXPECT_EQ(DefaultProfileSize(true, 0.001), 0.001);
    EXPECT_EQ(DefaultProfileSize(true, 0.3), 0.3);
}

// ---- spin ----

TEST(ProfileSpin, QuarterTurnExchangesTheHalfRoundSizes) {
    ProfileSize size;
    const std::vector<Vector3> points = Shape(PROFILE_HALF_ROUND);
    ProfileState state = NativeState(points, size);
    size.a = 0.0254;  // twice as wide
    state.SetProfileScale(AXIS_A, false, size);
    state.SetProfileSpin(qk::SPIN_CLOCKWISE, size);
    EXPECT_NEAR(size.a, 0.0254, kTol);
    EXPECT_NEAR(size.b, 0.0254, kTol);
    EXPECT_NEAR(state.BaseWidth(), 0.0254, kTol);
    EXPECT_NEAR(state.BaseHeight(), 0.0127, kTol);
    EXPECT_EQ(state.ScaleX(), 1.0);
    EXPECT_DOUBLE_EQ(state.ScaleY(), 2.0);
    EXPECT_EQ(state.Spin().GetSectorAngleIndex(), 1);
    // Clockwise: +X turns to -Y.
    ExpectPoint(qk::math::TransformPoint(state.SpinMatrix(), Vector3(1, 0, 0)), 0, -1, 0);
    std::vector<Vector3> outline;
    state.CapOutline(outline, points);
    ExpectPoint(Extent(outline), 0.0254, 0.0254, 0.0);

    state.SetProfileSpin(qk::SPIN_COUNTER_CLOCKWISE, size);
    EXPECT_NEAR(size.a, 0.0254, kTol);
    EXPECT_NEAR(size.b, 0.0254, kTol);
    EXPECT_NEAR(state.BaseWidth(), 0.0127, kTol);
    EXPECT_DOUBLE_EQ(state.ScaleX(), 2.0);
}

TEST(ProfileSpin, NativeHalfRoundShowsItsSizesExchanged) {
    ProfileSize size;
    const std::vector<Vector3> points = Shape(PROFILE_HALF_ROUND);
    ProfileState state = NativeState(points, size);
    state.SetProfileSpin(qk::SPIN_COUNTER_CLOCKWISE, size);
    EXPECT_NEAR(size.a, 0.0254, kTol);
    EXPECT_NEAR(size.b, 0.0127, kTol);
    std::vector<Vector3> outline;
    state.CapOutline(outline, points);
    ExpectPoint(Extent(outline), 0.0254, 0.0127, 0.0);
}

TEST(ProfileSpin, ANewShapeAfterAQuarterTurnIsMeasuredTurned) {
    ProfileSize size;
    ProfileState state = NativeState(Shape(PROFILE_RECTANGLE), size);
    state.SetProfileSpin(qk::SPIN_CLOCKWISE, size);
    bool uniform = false;
    state.SetProfileSize(BoxOf(Shape(PROFILE_HALF_ROUND)), true, size, uniform);
    EXPECT_NEAR(size.a, 0.0254, kTol);
    EXPECT_NEAR(size.b, 0.0127, kTol);
    size.a = 0.0508;
    state.SetProfileScale(AXIS_A, false, size);
    std::vector<Vector3> outline;
    state.CapOutline(outline, Shape(PROFILE_HALF_ROUND));
    ExpectPoint(Extent(outline), 0.0508, 0.0127, 0.0);
}

TEST(ProfileSpin, InitializeClearsSpinAndRotationButKeepsFlips) {
    ProfileSize size;
    ProfileState state = NativeState(Shape(PROFILE_RECTANGLE), size);
    state.SetProfileSpin(qk::SPIN_CLOCKWISE, size);
    state.SetProfileRotation(1.0);
    state.ToggleFlipProfile(FLIP_B);
    size.a = 0.3;
    state.SetProfileScale(AXIS_A, false, size);
    state.Initialize();
    EXPECT_EQ(state.Spin().GetSectorAngleIndex(), 0);
    EXPECT_EQ(state.Rotation(), 0.0);
    EXPECT_EQ(state.ScaleX(), 1.0);
    EXPECT_TRUE(qk::math::NearlyEqual(state.ProfileMatrix(), qk::math::Matrix4(), 0.0));
    EXPECT_TRUE(state.FlipX());
}

// ---- rotation ----

TEST(ProfileRotation, WrapsIntoOneTurn) {
    const struct {
        double in, out;
    } cases[] = {{0.0, 0.0},           {1.0, 1.0},    {-kPi / 2, 3 * kPi / 2}, {2 * kPi, 0.0},
                 {7.0, 7.0 - 2 * kPi}, {-1e-17, 0.0}, {-7.0, 4 * kPi - 7.0},   {kNaN, 0.0},
                 {INFINITY, 0.0}};
    for (const auto &c : cases) {
        ProfileState state;
        const double wrapped = state.SetProfileRotation(c.in);
        EXPECT_NEAR(wrapped, c.out, 1e-12) << c.in;
        EXPECT_GE(wrapped, 0.0);
        EXPECT_LT(wrapped, 2 * kPi);
        EXPECT_EQ(state.Rotation(), wrapped);
    }
}

// ---- flips ----

TEST(ProfileFlip, TwiceRestoresTheOutline) {
    const std::vector<Vector3> points = Shape(PROFILE_ANGLE);
    ProfileState state;
    std::vector<Vector3> out;
    for (FLIP flip : {FLIP_A, FLIP_B}) {
        state.ToggleFlipProfile(flip);
        state.ToggleFlipProfile(flip);
        state.FlipProfilePoints(out, points);
        ASSERT_EQ(out.size(), points.size());
        for (size_t i = 0; i < points.size(); ++i) ExpectPoint(out[i], points[i].x(), points[i].y(), 0);
    }
}

TEST(ProfileFlip, OneAxisMirrorsAndKeepsTheWinding) {
    const std::vector<Vector3> points = Shape(PROFILE_ANGLE);
    ProfileState state;
    state.ToggleFlipProfile(FLIP_A);
    EXPECT_TRUE(state.FlipX());
    std::vector<Vector3> out;
    state.FlipProfilePoints(out, points);
    ExpectPoint(out[0], -0.05, 0.05, 0);   // first point stays first
    ExpectPoint(out[1], -0.05, -0.05, 0);  // then the old last one, mirrored
    ExpectPoint(out[5], 0.05, 0.05, 0);
    EXPECT_GT(SignedArea2(points) * SignedArea2(out), 0.0);
}

TEST(ProfileFlip, BothAxesTurnHalfWayAndKeepTheOrder) {
    const std::vector<Vector3> points = Shape(PROFILE_CAVETTO);
    ProfileState state;
    state.ToggleFlipProfile(FLIP_A);
    state.ToggleFlipProfile(FLIP_B);
    std::vector<Vector3> out;
    state.FlipProfilePoints(out, points);
    for (size_t i = 0; i < points.size(); ++i) ExpectPoint(out[i], -points[i].x(), -points[i].y(), 0);
}

TEST(ProfileFlip, AfterAQuarterTurnFlipAMirrorsY) {
    ProfileSize size;
    const std::vector<Vector3> points = Shape(PROFILE_ANGLE);
    ProfileState state = NativeState(points, size);
    state.SetProfileSpin(qk::SPIN_CLOCKWISE, size);
    state.ToggleFlipProfile(FLIP_A);
    EXPECT_TRUE(state.FlipY());
    EXPECT_FALSE(state.FlipX());
    std::vector<Vector3> out;
    state.FlipProfilePoints(out, points);
    ExpectPoint(out[0], 0.05, -0.05, 0);
    ExpectPoint(out[1], 0.05, 0.05, 0);  // (0.05, -0.05) mirrored
    state.ToggleFlipProfile(FLIP_B);
    EXPECT_TRUE(state.FlipX());
}

TEST(ProfileFlip, SinglePointsMatchTheFlippedList) {
    const std::vector<Vector3> points = Shape(PROFILE_OVOLO);
    ProfileState state;
    std::vector<Vector3> out;
    for (FLIP flip : {FLIP_A, FLIP_B, FLIP_A, FLIP_B}) {
        state.ToggleFlipProfile(flip);
        state.FlipProfilePoints(out, points);
        for (size_t i = 0; i < points.size(); ++i) {
            const Vector3 p = state.FlippedPoint(points, i);
            ExpectPoint(p, out[i].x(), out[i].y(), out[i].z(), 0.0);
        }
    }
}

// ---- placement ----

TEST(ProfilePlacement, SpinScaleRotationFrameThenSnap) {
    ProfileSize size;
    const std::vector<Vector3> points = Shape(PROFILE_RECTANGLE);
    ProfileState state = NativeState(points, size);
    size.a = 0.2;
    state.SetProfileScale(AXIS_A, false, size);
    state.SetProfileRotation(kPi / 2);
    const qk::math::Matrix4 frame = qk::math::TranslationMatrix(Vector3(1, 2, 3));
    const qk::math::Matrix4 snap = qk::math::TranslationMatrix(Vector3(0, 0, 1));
    std::vector<Vector3> placed;
    state.PlaceProfile(placed, points, frame, snap);
    ASSERT_EQ(placed.size(), 4u);
    // (0.05, 0.05) -> scaled (0.1, 0.05) -> clockwise quarter turn (0.05, -0.1) -> moved.
    ExpectPoint(placed[0], 1.05, 1.9, 4.0);
    ExpectPoint(placed[2], 0.95, 2.1, 4.0);
}

TEST(ProfilePlacement, SpinScaledBoxFollowsTheSpin) {
    ProfileSize size;
    ProfileState state = NativeState(Shape(PROFILE_HALF_ROUND), size);
    size.b = 0.0508;
    state.SetProfileScale(AXIS_B, false, size);
    Vector3 e = state.SpinScaledBox().Extent();
    EXPECT_NEAR(e[0], 0.0127, kTol);
    EXPECT_NEAR(e[1], 0.0508, kTol);
    state.SetProfileSpin(qk::SPIN_CLOCKWISE, size);
    e = state.SpinScaledBox().Extent();
    EXPECT_NEAR(e[0], 0.0508, kTol);
    EXPECT_NEAR(e[1], 0.0127, kTol);
}

// ---- custom capture ----

TEST(CustomProfile, PolygonFacingXIsLaidFlatAndCentred) {
    std::vector<Vector3> store{Vector3(9, 9, 9)};
    const std::vector<Vector3> quad = {Vector3(2, 0, 0), Vector3(2, 1, 0), Vector3(2, 1, 2),
                                       Vector3(2, 0, 2)};
    ASSERT_TRUE(CaptureCustomProfile(store, quad, Vector3(1, 0, 0)));
    ASSERT_EQ(store.size(), 4u);
    // Centred: (0, -0.5, -1) ...; a quarter turn about Y takes (x, y, z) to (-z, y, x).
    ExpectPoint(store[0], 1, -0.5, 0);
    ExpectPoint(store[1], 1, 0.5, 0);
    ExpectPoint(store[2], -1, 0.5, 0);
    ExpectPoint(store[3], -1, -0.5, 0);
}

TEST(CustomProfile, EveryAxisDirectionIsTurnedOntoZ) {
    // A square of side 2 around (1, 1, 1) in the plane facing each direction.
    const Vector3 normals[] = {Vector3(1, 0, 0),  Vector3(-1, 0, 0), Vector3(0, 1, 0),
                               Vector3(0, -1, 0), Vector3(0, 0, 1),  Vector3(0, 0, -1)};
    for (const Vector3 &n : normals) {
        Vector3 u(n.y() + n.z(), n.x(), 0), w = qk::math::Cross(n, u);
        std::vector<Vector3> quad;
        for (double s : {1.0, -1.0})
            for (double t : {1.0, -1.0}) quad.push_back(Vector3(1, 1, 1) + u * s + w * (s * t));
        std::vector<Vector3> store;
        ASSERT_TRUE(CaptureCustomProfile(store, quad, n)) << n.x() << n.y() << n.z();
        for (const Vector3 &p : store) {
            EXPECT_NEAR(p.z(), 0.0, kTol);
            EXPECT_NEAR(std::fabs(p.x()), 1.0, kTol);
            EXPECT_NEAR(std::fabs(p.y()), 1.0, kTol);
        }
    }
}

TEST(CustomProfile, ATriangleIsCentredOnItsBox) {
    std::vector<Vector3> store;
    ASSERT_TRUE(CaptureCustomProfile(store, {Vector3(0, 0, 3), Vector3(2, 0, 3), Vector3(0, 1, 3)},
                                     Vector3(0, 0, 1)));
    ExpectPoint(store[0], -1, -0.5, 0);
    ExpectPoint(store[1], 1, -0.5, 0);
    ExpectPoint(store[2], -1, 0.5, 0);
}

TEST(CustomProfile, UnusablePolygonsAreRefused) {
    const std::vector<Vector3> tri = {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, 1, 0)};
    std::vector<Vector3> store{Vector3(9, 9, 9)};
    EXPECT_FALSE(CaptureCustomProfile(store, tri, qk::math::Normalized(Vector3(0, 1, 1))));
    EXPECT_TRUE(store.empty());
    EXPECT_FALSE(CaptureCustomProfile(store, {Vector3(0, 0, 0), Vector3(1, 0, 0)}, Vector3(0, 0, 1)));
    EXPECT_FALSE(CaptureCustomProfile(store, {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(2, 0, 0)},
                                      Vector3(0, 0, 1)));
    EXPECT_FALSE(CaptureCustomProfile(store, {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, kNaN, 0)},
                                      Vector3(0, 0, 1)));
    EXPECT_TRUE(store.empty());
    EXPECT_TRUE(CaptureCustomProfile(store, tri, Vector3(0, 0, 1 - 5e-7)));
}

}  // namespace
