// Sweeper output: vertices, side quads and caps as flat arrays, the UV layout at 5 metres per unit, and
// the interaction geometry (jump, snap offset, handle layout, invalid-target indication).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Tool_Sweeper_Output.hpp"
#include "qk_constants.hpp"

using namespace gORVA_Tools_Sweeper;
using qk::math::Matrix4;
using qk::math::Vector3;

namespace {

constexpr double kTol = 1e-12;
constexpr double kPi = qk::constants::PI;

// A member swept with the 100 mm square at its native size.
struct Member {
    SweepPath path;
    qk::profiles::ProfileState profile;
    std::vector<Vector3> points, placed, capOutline;
    PathEndSettings ends;
    SweepOutputSettings settings;
    SweepOutput out;

    bool Build(const std::vector<Vector3> &positions) {
        std::vector<qk::Point> selected;
        for (const Vector3 &p : positions) selected.push_back({p.x(), p.y(), p.z(), nullptr});
        if (path.SetupPathNodes(selected) != PATH_OK) return false;
        qk::profiles::Rectangle(points);
        qk::profiles::ProfileSize size;
        bool uniform = false;
        const qk::math::Box box = qk::profiles::ProfileBox(points);
        profile.SetProfileSize(box, true, size, uniform);
        path.SizeRingTables(points.size());
        return Evaluate();
    }

    bool Evaluate() {
        if (path.RestorePathEnds(ends) != PATH_OK) return false;
        profile.PlaceProfile(placed, points, path.StartFrame(), Matrix4());
        if (path.ProjectPointsAlongPath(placed) != PATH_OK) return false;
        profile.CapOutline(capOutline, points);
        settings.endTypes = ends.types;
        return out.Build(path, placed, capOutline, settings);
    }

    std::vector<int> Corners(size_t polygon) const {
        const std::vector<int> &starts = out.PolygonStarts();
        return std::vector<int>(out.CornerVertices().begin() + starts[polygon],
                                out.CornerVertices().begin() + starts[polygon + 1]);
    }
    UVPair CornerUV(size_t polygon, size_t corner) const {
        return out.CornerUVs()[out.PolygonStarts()[polygon] + corner];
    }
};

void ExpectUV(const UVPair &uv, double u, double v, double tol = kTol) {
    EXPECT_NEAR(uv.u, u, tol);
    EXPECT_NEAR(uv.v, v, tol);
}

void ExpectVector(const Vector3 &p, double x, double y, double z, double tol = kTol) {
    EXPECT_NEAR(p.x(), x, tol);
    EXPECT_NEAR(p.y(), y, tol);
    EXPECT_NEAR(p.z(), z, tol);
}

// Bounds of the UVs of one polygon: min u, max u, min v, max v.
std::vector<double> UVBounds(const Member &m, size_t polygon) {
    const std::vector<int> &starts = m.out.PolygonStarts();
    std::vector<double> b = {1e9, -1e9, 1e9, -1e9};
    for (int c = starts[polygon]; c < starts[polygon + 1]; ++c) {
        const UVPair &uv = m.out.CornerUVs()[c];
        b = {std::min(b[0], uv.u), std::max(b[1], uv.u), std::min(b[2], uv.v), std::max(b[3], uv.v)};
    }
    return b;
}

void ExpectBounds(const std::vector<double> &b, const std::vector<double> &expected) {
    for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(b[i], expected[i], kTol) << i;
}

// ---- mesh ----

TEST(SweeperOutput, StraightMemberHasEightVerticesAndFourSides) {
    Member m;
    ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(5, 0, 0)}));
    ASSERT_EQ(m.out.Positions().size(), 8u);
    ASSERT_EQ(m.out.PolygonCount(), 4u);
    EXPECT_EQ(m.out.SidePolygonCount(), 4u);
    EXPECT_EQ(m.out.CapPolygonCount(), 0u);
    EXPECT_EQ(m.Corners(0), (std::vector<int>{0, 1, 5, 4}));
    EXPECT_EQ(m.Corners(3), (std::vector<int>{3, 0, 4, 7}));
    // Ring-major: ring 2 point 0 is the square's corner (0.05, 0.05) at the far end.
    ExpectVector(m.out.Positions()[4], 5, 0.05, -0.05);
}

TEST(SweeperOutput, CapsCloseAnOpenMember) {
    Member m;
    m.settings.capEnds = true;
    ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(5, 0, 0)}));
    ASSERT_EQ(m.out.PolygonCount(), 6u);
    EXPECT_EQ(m.out.CapPolygonCount(), 2u);
    EXPECT_EQ(m.Corners(4), (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(m.Corners(5), (std::vector<int>{4, 5, 6, 7}));
    EXPECT_EQ(m.out.CornerUVs().size(), m.out.CornerVertices().size());
}

TEST(SweeperOutput, UnknownEndTypeBuildsNoCaps) {
    Member m;
    m.settings.capEnds = true;
    m.ends.types.finish = 3;
    ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(5, 0, 0)}));
    EXPECT_EQ(m.out.PolygonCount(), 4u);
}

TEST(SweeperOutput, ClosedSquareHasSixteenSidesAndNoCaps) {
    Member m;
    m.settings.capEnds = true;
    m.ends.closeLoop = true;
    ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(1, 0, 1), Vector3(0, 0, 1)}));
    EXPECT_EQ(m.out.Positions().size(), 16u);
    EXPECT_EQ(m.out.PolygonCount(), 16u);
    EXPECT_EQ(m.out.SidePolygonCount(), 16u);
    // The closing strip runs from ring 4 back to ring 1.
    EXPECT_EQ(m.Corners(12), (std::vector<int>{12, 13, 1, 0}));
    EXPECT_EQ(m.Corners(15), (std::vector<int>{15, 12, 0, 3}));
}

TEST(SweeperOutput, WithoutUVsThePolygonsRemain) {
    Member m;
    m.settings.makeUVs = false;
    m.settings.capEnds = true;
    ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(5, 0, 0)}));
    EXPECT_EQ(m.out.PolygonCount(), 6u);
    EXPECT_TRUE(m.out.CornerUVs().empty());
}

TEST(SweeperOutput, MismatchedProfileIsRefused) {
    Member m;
    ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(5, 0, 0)}));
    std::vector<Vector3> three(3);
    EXPECT_FALSE(m.out.Build(m.path, m.placed, three, m.settings));
    EXPECT_FALSE(m.out.Build(m.path, three, m.capOutline, m.settings));
}

TEST(SweeperOutput, EvaluationsReuseTheArrays) {
    Member m;
    m.settings.capEnds = true;
    ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(5, 0, 0), Vector3(5, 0, 5)}));
    const Vector3 *positions = m.out.Positions().data();
    const int *corners = m.out.CornerVertices().data();
    const UVPair *uvs = m.out.CornerUVs().data();
    m.ends.extendStart = 0.5;
    ASSERT_TRUE(m.Evaluate());
    EXPECT_EQ(m.out.Positions().data(), positions);
    EXPECT_EQ(m.out.CornerVertices().data(), corners);
    EXPECT_EQ(m.out.CornerUVs().data(), uvs);
}

// ---- UVs ----

TEST(SweeperUVs, FiveMetreMemberSpansOneUnit) {
    Member m;
    ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(5, 0, 0)}));
    for (double e : m.out.EdgeLengths()) EXPECT_NEAR(e, 0.02, kTol);
    for (double u : m.out.U(1)) EXPECT_NEAR(u, 0.0, kTol);
    ExpectUV(m.CornerUV(0, 0), 0, 1);
    ExpectUV(m.CornerUV(0, 1), 0, 0.98);
    ExpectUV(m.CornerUV(0, 2), 1, 0.98);
    ExpectUV(m.CornerUV(0, 3), 1, 1);
    ExpectUV(m.CornerUV(3, 2), 1, 0.92);
    EXPECT_NEAR(m.out.EndUVPerimeter(), 0.08, kTol);
    ExpectUV(m.out.Cursor(), 0, 0.91);
}

TEST(SweeperUVs, IslandsStackOrStepDown) {
    for (bool stack : {false, true}) {
        Member m;
        m.settings.uvsStack = stack;
        ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(5, 0, 0), Vector3(10, 0, 0)}));
        ASSERT_EQ(m.out.PolygonCount(), 8u);
        // The second segment's island starts at v = 1, or 0.01 below the first island's 0.08.
        ExpectUV(m.CornerUV(4, 0), 0, stack ? 1.0 : 0.91);
        ExpectUV(m.CornerUV(4, 3), 1, stack ? 1.0 : 0.91);
        ExpectUV(m.out.Cursor(), 0, stack ? 1.0 : 0.82);
    }
}

TEST(SweeperUVs, ClosedLoopUsesTheClosingRingsU) {
    Member m;
    m.ends.closeLoop = true;
    ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(1, 0, 1), Vector3(0, 0, 1)}));
    const std::vector<double> &u1 = m.out.U(1), &u5 = m.out.U(5);
    for (size_t j = 0; j < u1.size(); ++j) EXPECT_EQ(u1[j], u5[j]);
    // From ring 0 to ring 2 the outer side runs 4.95 + 1.1 m and the inner one 5.05 + 0.9 m, so the
    // second strip's inner points start 0.1 m (0.02 units) further along.
    const std::vector<double> &u2 = m.out.U(2);
    for (size_t j = 0; j < 4; ++j) {
        const bool outer = m.path.Ring(1)[j].z() < 0;
        EXPECT_NEAR(u2[j], outer ? 0.0 : 0.02, kTol) << j;
    }
    EXPECT_EQ(u2[4], u2[0]);
}

TEST(SweeperUVs, CapIslandsTakeTheSideDensity) {
    Member m;
    m.settings.capEnds = true;
    ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(5, 0, 0)}));
    // The 0.4 m outline scaled to the 0.08 UV perimeter: a 0.02 square. End cap first, below the sides.
    ExpectBounds(UVBounds(m, 5), {0.0, 0.02, 0.89, 0.91});
    ExpectUV(m.CornerUV(5, 0), 0.02, 0.91);  // vertex 4, profile corner (0.05, 0.05)
    ExpectUV(m.CornerUV(5, 2), 0.0, 0.89);
    // The start cap to its right after a 0.01 gap; its first corner is vertex 3, (0.05, -0.05).
    const std::vector<double> start = UVBounds(m, 4);
    EXPECT_NEAR(start[0], 0.03, kTol);
    EXPECT_NEAR(start[1], 0.05, kTol);
    EXPECT_NEAR(start[3], 0.91, kTol);
    ExpectUV(m.CornerUV(4, 0), 0.05, 0.89);
    EXPECT_NEAR(m.out.Cursor().u, 0.03, kTol);
}

TEST(SweeperUVs, StackedCapsSitAtTheTop) {
    Member m;
    m.settings.capEnds = true;
    m.settings.uvsStack = true;
    ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(5, 0, 0)}));
    for (size_t cap : {4, 5}) {
        const std::vector<double> b = UVBounds(m, cap);
        EXPECT_NEAR(b[0], 0.0, kTol);
        EXPECT_NEAR(b[1], 0.02, kTol);
        EXPECT_NEAR(b[3], 1.0, kTol);
    }
}

TEST(SweeperUVs, VerticalStartCapIsProjected) {
    Member m;
    m.settings.capEnds = true;
    m.ends.types.start = END_TYPE_VERTICAL;
    ASSERT_TRUE(m.Build({Vector3(0, 0, 0), Vector3(4, 3, 0)}));
    // The cut at x = 0 stretches the square to 0.1 by 0.125 (perimeter 0.45), shown on (z, y).
    EXPECT_NEAR(m.out.EndUVPerimeter(), 0.08, kTol);
    const double s = 0.08 / 0.45;
    const std::vector<double> b = UVBounds(m, 4);
    EXPECT_NEAR(b[1] - b[0], 0.1 * s, kTol);
    EXPECT_NEAR(b[3] - b[2], 0.125 * s, kTol);
    EXPECT_NEAR(b[0], 0.03, kTol);
    EXPECT_NEAR(b[3], 0.91, kTol);
    ExpectUV(m.CornerUV(4, 3), 0.03, 0.91);  // vertex 0: z = -0.05 and the top
}

TEST(SweeperUVs, CapProjectionAxes) {
    Vector3 a0, a1;
    ASSERT_TRUE(CapProjectionAxes(END_TYPE_HORIZONTAL, Vector3(0, -1, 0), false, a0, a1));
    ExpectVector(a0, 1, 0, 0);
    ExpectVector(a1, 0, 0, 1);
    ASSERT_TRUE(CapProjectionAxes(END_TYPE_HORIZONTAL, Vector3(0, 1, 0), true, a0, a1));
    ExpectVector(a1, 0, 0, 1);
    ASSERT_TRUE(CapProjectionAxes(END_TYPE_VERTICAL, Vector3(0.6, 0, 0.8), true, a0, a1));
    ExpectVector(a0, -0.8, 0, 0.6);
    ExpectVector(a1, 0, 1, 0);
    EXPECT_FALSE(CapProjectionAxes(END_TYPE_PATH, Vector3(0, 0, 1), false, a0, a1));
}

// ---- jump ----

JumpInput Jump(const Vector3 &found, const Vector3 &reference = Vector3(0, 1, 0)) {
    return JumpInput{reference, Vector3(), found, Vector3(0, 0, 1), 0.5, true};
}

TEST(SweeperJump, TurnsTheReferenceOntoThePickedPoint) {
    JumpResult r = ComputeJump(Jump(Vector3(1, 0, 0)));
    ASSERT_TRUE(r.rotated);
    EXPECT_NEAR(r.rotation, 0.5 + kPi / 2, kTol);
    EXPECT_TRUE(r.resized);
    EXPECT_NEAR(r.size, 1.0, kTol);
    r = ComputeJump(Jump(Vector3(-2, 0, 0)));
    EXPECT_NEAR(r.rotation, 0.5 - kPi / 2, kTol);
    EXPECT_NEAR(r.size, 2.0, kTol);
}

TEST(SweeperJump, AlignedPickOnlySizes) {
    JumpInput in = Jump(Vector3(0, 3, 0));
    in.resize = false;
    JumpResult r = ComputeJump(in);
    EXPECT_FALSE(r.rotated);
    EXPECT_FALSE(r.resized);
    in.resize = true;
    r = ComputeJump(in);
    EXPECT_FALSE(r.rotated);
    EXPECT_NEAR(r.size, 3.0, kTol);
}

TEST(SweeperJump, PickOnTheTargetChangesNothing) {
    const JumpResult r = ComputeJump(Jump(Vector3(0, 0, 5e-7)));
    EXPECT_FALSE(r.rotated);
    EXPECT_FALSE(r.resized);
}

TEST(SweeperJump, DotProductPastOneIsClamped) {
    JumpResult r = ComputeJump(Jump(Vector3(0, 1, 0), Vector3(2e-6, 1.01, 0)));
    ASSERT_TRUE(r.rotated);
    EXPECT_EQ(r.rotation, 0.5);
    r = ComputeJump(Jump(Vector3(0, 1, 0), Vector3(0, -1.01, 0)));
    ASSERT_TRUE(r.rotated);
    EXPECT_NEAR(r.rotation, 0.5 - kPi, kTol);
}

// ---- snap offset ----

TEST(SweeperSnap, CornerOrPointLandsOnTheTarget) {
    std::vector<Vector3> points;
    qk::profiles::Rectangle(points);
    qk::profiles::ProfileState state;
    qk::profiles::ProfileSize size;
    bool uniform = false;
    const qk::math::Box box = qk::profiles::ProfileBox(points);
    state.SetProfileSize(box, true, size, uniform);
    const Matrix4 frame = qk::math::TranslationMatrix(Vector3(1, 2, 3));
    ExpectVector(SnapOffset(PART_CORNER_TR, Vector3(), state, points, frame), -1.05, -2.05, -3);
    state.SetProfileRotation(kPi / 2);
    ExpectVector(SnapOffset(PART_CORNER_TR, Vector3(), state, points, frame), -1.05, -1.95, -3);
    state.SetProfileRotation(0);
    size.a = 0.2;
    state.SetProfileScale(qk::profiles::AXIS_A, false, size);
    state.ToggleFlipProfile(qk::profiles::FLIP_A);
    // Flipped point 1 is (0.05, -0.05) mirrored: (-0.05, -0.05), scaled to (-0.1, -0.05).
    ExpectVector(SnapOffset(PART_PROFILE_POINT + 1, Vector3(1, 1, 1), state, points, frame), 0.1, -0.95, -2);
    ExpectVector(SnapOffset(PART_PROFILE_POINT + 4, Vector3(1, 1, 1), state, points, frame), 0, 0, 0);
    ExpectVector(SnapOffset(PART_MOVE_X, Vector3(1, 1, 1), state, points, frame), 0, 0, 0);
}

// ---- handles ----

qk::math::Box SquareBox() {
    return qk::profiles::ProfileBox({{-0.05, -0.05, 0}, {0.05, 0.05, 0}});
}

TEST(SweeperHandles, LayoutAroundTheSnappedCorner) {
    const HandleLayout h =
        ComputeHandleLayout(SquareBox(), qk::math::TranslationMatrix(Vector3(10, 0, 0)), 3, 3, 0.01);
    ExpectVector(h.corners[0], 10.05, 0.05, 0);
    ExpectVector(h.corners[3], 9.95, -0.05, 0);
    ExpectVector(h.outline[0], 9.95, 0.05, 0);
    ExpectVector(h.outline[2], 10.05, -0.05, 0);
    ExpectVector(h.moveOrigin, 9.95, -0.05, 0);
    ExpectVector(h.moveDirection[0], -1, 0, 0);
    ExpectVector(h.moveDirection[1], 0, -1, 0);
    ExpectVector(h.reference[0], 0, 1, 0);
    ExpectVector(h.reference[1], 1, 0, 0);
    ExpectVector(h.directionHandle[0], 9.95, 0.065, 0);
    ExpectVector(h.sizeHandle[0], 9.95, 0.08, 0);
    ExpectVector(h.directionHandle[1], 10.065, -0.05, 0);
    ExpectVector(h.labelTop, 10, 0.065, 0);
    ExpectVector(h.labelLeft, 9.935, 0, 0);
    EXPECT_NEAR(h.topLength, 0.1, kTol);
    EXPECT_NEAR(h.leftLength, 0.1, kTol);
}

TEST(SweeperHandles, MoveHandlesFollowTheFrame) {
    const HandleLayout h =
        ComputeHandleLayout(SquareBox(), qk::math::AxisRotationMatrix(2, kPi / 2), 0, 7, 1);
    ExpectVector(h.moveDirection[0], 0, -1, 0);
    ExpectVector(h.moveDirection[1], 1, 0, 0);
    // An unknown snapped corner counts as the top-right one: its neighbours lie below and left.
    ExpectVector(h.reference[0], -1, 0, 0);
    ExpectVector(h.reference[1], 0, 1, 0);
}

// ---- invalid target ----

TEST(SweeperInvalidTarget, ShowsForOneSecond) {
    InvalidJumpTargetMonitor monitor;
    EXPECT_FALSE(monitor.IsShowing(0.0));
    monitor.StartTimer(10.0);
    EXPECT_TRUE(monitor.IsShowing(10.0));
    EXPECT_TRUE(monitor.IsShowing(10.99));
    EXPECT_FALSE(monitor.IsShowing(11.0));
    EXPECT_FALSE(monitor.IsShowing(10.5));
    monitor.StartTimer(20.0);
    monitor.Reset();
    EXPECT_FALSE(monitor.IsShowing(20.1));
    monitor.StartTimer(30.0);
    EXPECT_FALSE(monitor.IsShowing(29.0));
}

}  // namespace
