// Sweeper path: gathering, the start frame, node planes and mitres, the path ends, the projection of
// the profile from ring to ring, and the paths that cannot be swept.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "Tool_Sweeper_Path.hpp"
#include "Tool_Sweeper_Profiles_01.hpp"
#include "qk_math.hpp"

using namespace gORVA_Tools_Sweeper;
using qk::math::Matrix4;
using qk::math::Vector3;

namespace {

constexpr double kTol = 1e-12;
const double kRoot2 = std::sqrt(2.0);

LXtPointID FakeId(int i) {
    return reinterpret_cast<LXtPointID>(static_cast<std::uintptr_t>(i + 1));
}

std::vector<qk::Point> Points(const std::vector<Vector3> &positions) {
    std::vector<qk::Point> points;
    for (size_t i = 0; i < positions.size(); ++i)
        points.push_back({positions[i].x(), positions[i].y(), positions[i].z(), FakeId(int(i))});
    return points;
}

void ExpectVector(const Vector3 &v, double x, double y, double z, double tol = kTol) {
    EXPECT_NEAR(v.x(), x, tol);
    EXPECT_NEAR(v.y(), y, tol);
    EXPECT_NEAR(v.z(), z, tol);
}

// Builds the path, then sweeps the 100 mm square placed in the start frame.
PathFailure Sweep(SweepPath &path, const std::vector<Vector3> &positions, PathEndSettings &settings) {
    const PathFailure setup = path.SetupPathNodes(Points(positions));
    if (setup != PATH_OK) return setup;
    std::vector<Vector3> profile, placed;
    qk::profiles::Rectangle(profile);
    path.SizeRingTables(profile.size());
    const PathFailure ends = path.RestorePathEnds(settings);
    if (ends != PATH_OK) return ends;
    qk::profiles::AlignProfilePointsToPath(placed, profile, path.StartFrame());
    return path.ProjectPointsAlongPath(placed);
}

PathFailure Sweep(SweepPath &path, const std::vector<Vector3> &positions) {
    PathEndSettings settings;
    return Sweep(path, positions, settings);
}

// ---- gathering ----

TEST(SweeperPathPoints, OnlyARepeatOfThePointBeforeGoes) {
    struct Case {
        const char *name;
        std::vector<Vector3> positions;
        std::vector<int> kept;  // indices of the points left, in order
    } cases[] = {
        {"figure of eight",
         {Vector3(0, 0, 0), Vector3(2, 0, 2), Vector3(2, 0, -2), Vector3(0, 0, 0), Vector3(-2, 0, 2)},
         {0, 1, 2, 3, 4}},
        {"back to its start",
         {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(1, 0, 1), Vector3(0, 0, 0)},
         {0, 1, 2, 3}},
        {"doubled in a row",
         {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(1, 0, 5e-7), Vector3(2, 0, 0)},
         {0, 1, 3}},
        {"three in a row", {Vector3(0, 0, 0), Vector3(0, 0, 0), Vector3(0, 0, 0), Vector3(1, 0, 0)}, {0, 3}},
        {"just beyond the tolerance", {Vector3(0, 0, 0), Vector3(0, 2e-6, 0), Vector3(1, 0, 0)}, {0, 1, 2}},
    };
    for (const Case &c : cases) {
        std::vector<qk::Point> points = Points(c.positions);
        RemoveRepeatedPoints(points);
        ASSERT_EQ(points.size(), c.kept.size()) << c.name;
        for (size_t i = 0; i < c.kept.size(); ++i) EXPECT_EQ(points[i].id, FakeId(c.kept[i])) << c.name;
    }
}

TEST(SweeperPathPoints, APathBackOnItsStartClosesOnItsFirstPoint) {
    SweepPath path;
    PathEndSettings settings;
    const std::vector<Vector3> square = {Vector3(0, 0, 0), Vector3(2, 0, 0), Vector3(2, 0, 2),
                                         Vector3(0, 0, 2), Vector3(0, 0, 0)};
    ASSERT_EQ(Sweep(path, square, settings), PATH_OK);
    EXPECT_EQ(path.PointCount(), 5u);  // open: four segments, ending on the start
    settings.closeLoop = true;
    ASSERT_EQ(path.RestorePathEnds(settings), PATH_OK);
    EXPECT_TRUE(settings.closeLoop);
    EXPECT_EQ(path.PointCount(), 4u);
    EXPECT_EQ(path.NodeCount(), 6u);
    std::vector<Vector3> placed, profile;
    qk::profiles::Rectangle(profile);
    qk::profiles::AlignProfilePointsToPath(placed, profile, path.StartFrame());
    ASSERT_EQ(path.ProjectPointsAlongPath(placed), PATH_OK);
    // The first corner is mitred between the last side and the first, as for a loop of four points.
    for (const Vector3 &p : path.Ring(1)) EXPECT_NEAR(p.x(), p.z(), 1e-12);
    settings.closeLoop = false;
    ASSERT_EQ(path.RestorePathEnds(settings), PATH_OK);
    EXPECT_EQ(path.PointCount(), 5u);
    EXPECT_EQ(path.NodeCount(), 7u);
}

TEST(SweeperPathPoints, GatheringGoesToWorldSpaceAndNeedsTwoPoints) {
    SweepPath path;
    const Matrix4 pos = qk::math::TranslationMatrix(Vector3(10, 0, 0));
    ASSERT_EQ(path.SetWorldTransforms(pos, Matrix4(), Matrix4(), pos), PATH_OK);
    std::vector<qk::Point> points = Points({Vector3(0, 1, 0), Vector3(0, 2, 0)});
    ASSERT_EQ(path.GatherPathPoints(points), PATH_OK);
    EXPECT_EQ(points[0].x, 10.0);
    EXPECT_EQ(points[1].y, 2.0);
    std::vector<qk::Point> same = Points({Vector3(0, 1, 0), Vector3(0, 1, 0)});
    EXPECT_EQ(path.GatherPathPoints(same), PATH_TOO_FEW_POINTS);
}

TEST(SweeperPathPoints, ItemTransformsMustInvert) {
    SweepPath path;
    EXPECT_EQ(path.SetWorldTransforms(Matrix4(), qk::math::ScaleMatrix(1, 0, 1), Matrix4(), Matrix4()),
              PATH_ITEM_TRANSFORM);
    Matrix4 bad;
    bad.m[3][0] = std::numeric_limits<double>::infinity();
    EXPECT_EQ(path.SetWorldTransforms(bad, Matrix4(), Matrix4(), Matrix4()), PATH_NOT_FINITE);
}

// ---- frames ----

TEST(SweeperStartFrame, HorizontalSegmentKeepsYUp) {
    SweepPath path;
    ASSERT_EQ(path.SetupPathNodes(Points({Vector3(1, 2, 3), Vector3(1, 2, 7)})), PATH_OK);
    const Matrix4 &f = path.StartFrame();
    ExpectVector(qk::math::FwdAxis(f), 0, 0, 1);
    ExpectVector(qk::math::UpAxis(f), 0, 1, 0);
    ExpectVector(qk::math::RightAxis(f), 1, 0, 0);
    ExpectVector(qk::math::TranslationOf(f), 1, 2, 3);
}

TEST(SweeperStartFrame, VerticalFirstSegmentUpAndDown) {
    SweepPath up, down;
    ASSERT_EQ(up.SetupPathNodes(Points({Vector3(0, 0, 0), Vector3(0, 2, 0)})), PATH_OK);
    ExpectVector(qk::math::RightAxis(up.StartFrame()), 1, 0, 0);
    ExpectVector(qk::math::UpAxis(up.StartFrame()), 0, 0, -1);
    ExpectVector(qk::math::FwdAxis(up.StartFrame()), 0, 1, 0);
    ASSERT_EQ(down.SetupPathNodes(Points({Vector3(0, 2, 0), Vector3(0, 0, 0)})), PATH_OK);
    ExpectVector(qk::math::RightAxis(down.StartFrame()), 1, 0, 0);
    ExpectVector(qk::math::UpAxis(down.StartFrame()), 0, 0, 1);
    ExpectVector(qk::math::FwdAxis(down.StartFrame()), 0, -1, 0);
}

TEST(SweeperStartFrame, SlopedSegmentKeepsXLevel) {
    const Matrix4 f = FacingFrame(Vector3(0.6, 0.8, 0), Vector3());
    ExpectVector(qk::math::RightAxis(f), 0, 0, -1);
    ExpectVector(qk::math::UpAxis(f), -0.8, 0.6, 0);
}

// ---- nodes and rings ----

TEST(SweeperPath, TwoPointsGiveSquarePlanes) {
    SweepPath path;
    PathEndSettings settings;
    settings.closeLoop = true;
    ASSERT_EQ(Sweep(path, {Vector3(0, 0, 0), Vector3(5, 0, 0)}, settings), PATH_OK);
    EXPECT_FALSE(settings.closeLoop);
    EXPECT_FALSE(path.IsClosedLoop());
    ASSERT_EQ(path.NodeCount(), 4u);
    EXPECT_EQ(path.EndIndex(), 2u);
    EXPECT_EQ(path.ClosingIndex(), 3u);
    ExpectVector(path.Nodes()[0].position, -1, 0, 0);
    for (size_t k : {1, 2}) ExpectVector(qk::math::FwdAxis(path.Nodes()[k].frame), -1, 0, 0);
    const double x[] = {-5, 0, 5, 6}, distance[] = {0, 5, 5, 1};
    for (size_t k = 0; k < 4; ++k) {
        for (const Vector3 &p : path.Ring(k)) EXPECT_NEAR(p.x(), x[k], kTol) << "ring " << k;
        ASSERT_EQ(path.RingDistances(k).size(), 5u);
        for (double d : path.RingDistances(k)) EXPECT_NEAR(d, distance[k], kTol) << "ring " << k;
        EXPECT_NEAR(path.MaxDistance(k), distance[k], kTol);
    }
    // The square's corner (0.05, 0.05) sits at right (0, 0, -1) and up.
    ExpectVector(path.Ring(2)[0], 5, 0.05, -0.05);
    EXPECT_EQ(path.SnapTarget().id, FakeId(0));
}

TEST(SweeperPath, RightAngledCornerGetsAHalfwayMitre) {
    SweepPath path;
    ASSERT_EQ(Sweep(path, {Vector3(0, 0, 0), Vector3(2, 0, 0), Vector3(2, 0, 2)}), PATH_OK);
    const Vector3 z = qk::math::FwdAxis(path.Nodes()[2].frame);
    ExpectVector(z, -1 / kRoot2, 0, -1 / kRoot2);
    for (const Vector3 &p : path.Ring(2)) EXPECT_NEAR(p.x() + p.z(), 2.0, kTol);
    // The outer side (z = -0.05) runs 2.05 to the mitre and 2.05 on to the end; the inner one 1.95.
    const std::vector<double> &toCorner = path.RingDistances(2), &toEnd = path.RingDistances(3);
    for (size_t j = 0; j < 4; ++j) {
        const double expected = path.Ring(1)[j].z() < 0 ? 2.05 : 1.95;
        EXPECT_NEAR(toCorner[j], expected, kTol) << j;
        EXPECT_NEAR(toEnd[j], expected, kTol) << j;
    }
    EXPECT_NEAR(path.MaxDistance(2), 2.05, kTol);
    for (const Vector3 &p : path.Ring(3)) EXPECT_NEAR(p.z(), 2.0, kTol);
}

TEST(SweeperPath, StraightRunKeepsASquarePlane) {
    SweepPath path;
    ASSERT_EQ(Sweep(path, {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(3, 0, 0)}), PATH_OK);
    const Matrix4 &f = path.Nodes()[2].frame;
    ExpectVector(qk::math::FwdAxis(f), -1, 0, 0);
    ExpectVector(qk::math::RightAxis(f), 0, 0, 1);
    for (const Vector3 &p : path.Ring(2)) EXPECT_NEAR(p.x(), 1.0, kTol);
    for (double d : path.RingDistances(3)) EXPECT_NEAR(d, 2.0, kTol);
}

TEST(SweeperPath, ClosedSquareHasFourMitresAndNoGap) {
    SweepPath path;
    PathEndSettings settings;
    settings.closeLoop = true;
    settings.extendStart = 0.5;  // ignored on a loop
    settings.types.start = END_TYPE_VERTICAL;
    ASSERT_EQ(Sweep(path, {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(1, 0, 1), Vector3(0, 0, 1)}, settings),
              PATH_OK);
    EXPECT_TRUE(path.IsClosedLoop());
    ASSERT_EQ(path.NodeCount(), 6u);
    // Each corner's ring lies in the plane that halves it: x = z or x + z = 1.
    const struct { double a, b, c; } planes[] = {{1, -1, 0}, {1, 1, 1}, {1, -1, 0}, {1, 1, 1}};
    for (size_t k = 1; k <= 4; ++k)
        for (const Vector3 &p : path.Ring(k))
            EXPECT_NEAR(planes[k - 1].a * p.x() + planes[k - 1].b * p.z(), planes[k - 1].c, kTol) << k;
    for (size_t j = 0; j < 4; ++j) {
        const Vector3 &a = path.Ring(5)[j], &b = path.Ring(1)[j];
        ExpectVector(a, b.x(), b.y(), b.z());
    }
}

TEST(SweeperPath, OpeningALoopAgainRestoresSquareEnds) {
    SweepPath path;
    PathEndSettings settings;
    settings.closeLoop = true;
    const std::vector<Vector3> square = {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(1, 0, 1),
                                         Vector3(0, 0, 1)};
    ASSERT_EQ(Sweep(path, square, settings), PATH_OK);
    settings.closeLoop = false;
    ASSERT_EQ(path.RestorePathEnds(settings), PATH_OK);
    ExpectVector(qk::math::FwdAxis(path.Nodes()[1].frame), -1, 0, 0);
    ExpectVector(qk::math::FwdAxis(path.Nodes()[4].frame), 1, 0, 0);
    ExpectVector(path.Nodes()[5].position, -1, 0, 1);
}

// ---- ends ----

TEST(SweeperPathEnds, ExtendedVerticalStartCutsBeforeTheFirstPoint) {
    SweepPath path;
    PathEndSettings settings;
    settings.extendStart = 0.1;
    settings.types.start = END_TYPE_VERTICAL;
    ASSERT_EQ(Sweep(path, {Vector3(0, 0, 0), Vector3(4, 3, 0)}, settings), PATH_OK);
    // 0.1 m back along (0.8, 0.6, 0) is x = -0.08; the cut there is the vertical plane x = -0.08.
    ExpectVector(path.Nodes()[1].position, -0.08, -0.06, 0);
    ExpectVector(qk::math::FwdAxis(path.Nodes()[1].frame), -1, 0, 0);
    for (const Vector3 &p : path.Ring(1)) EXPECT_NEAR(p.x(), -0.08, kTol);
    // The finish keeps its square cut through the last point.
    for (const Vector3 &p : path.Ring(2)) EXPECT_NEAR(0.8 * p.x() + 0.6 * p.y(), 5.0, kTol);
}

TEST(SweeperPathEnds, MirrorCopiesTheStartToTheFinish) {
    SweepPath path;
    PathEndSettings settings;
    settings.mirrorEndType = true;
    settings.extendStart = 0.1;
    settings.extendEnd = 3.0;
    settings.types.start = END_TYPE_VERTICAL;
    ASSERT_EQ(Sweep(path, {Vector3(0, 0, 0), Vector3(4, 3, 0)}, settings), PATH_OK);
    EXPECT_EQ(settings.types.finish, END_TYPE_VERTICAL);
    EXPECT_EQ(settings.extendEnd, 0.1);
    for (const Vector3 &p : path.Ring(2)) EXPECT_NEAR(p.x(), 4.08, kTol);
}

TEST(SweeperPathEnds, HorizontalCutOnASlope) {
    SweepPath path;
    PathEndSettings settings;
    settings.types.finish = END_TYPE_HORIZONTAL;
    ASSERT_EQ(Sweep(path, {Vector3(0, 0, 0), Vector3(4, 3, 0)}, settings), PATH_OK);
    ExpectVector(qk::math::FwdAxis(path.Nodes()[2].frame), 0, -1, 0);
    for (const Vector3 &p : path.Ring(2)) EXPECT_NEAR(p.y(), 3.0, kTol);
}

TEST(SweeperPathEnds, CutsAlreadyLevelAreLeftSquare) {
    SweepPath path;
    PathEndSettings settings;
    settings.types = {END_TYPE_HORIZONTAL, END_TYPE_VERTICAL};
    ASSERT_EQ(Sweep(path, {Vector3(0, 0, 0), Vector3(0, 0, 2)}, settings), PATH_OK);
    ExpectVector(qk::math::FwdAxis(path.Nodes()[1].frame), 0, 0, -1);
    ExpectVector(qk::math::FwdAxis(path.Nodes()[2].frame), 0, 0, -1);
}

TEST(SweeperPathEnds, ResetRestoresDefaultsWithTheMirrorOn) {
    PathEndSettings settings{true, false, {END_TYPE_VERTICAL, END_TYPE_HORIZONTAL}, 0.3, -0.2};
    ResetPathEnds(settings);
    EXPECT_TRUE(settings.closeLoop);
    EXPECT_TRUE(settings.mirrorEndType);
    EXPECT_EQ(settings.types.start, END_TYPE_PATH);
    EXPECT_EQ(settings.types.finish, END_TYPE_PATH);
    EXPECT_EQ(settings.extendStart, 0.0);
    EXPECT_EQ(settings.extendEnd, 0.0);
}

// ---- item space and tables ----

TEST(SweeperPath, RingsReturnToItemSpace) {
    SweepPath path;
    const Matrix4 pos = qk::math::TranslationMatrix(Vector3(0, 0, 10));
    const Matrix4 scl = qk::math::ScaleMatrix(2, 2, 2);
    ASSERT_EQ(path.SetWorldTransforms(qk::math::Multiply(scl, pos), scl, Matrix4(), pos), PATH_OK);
    std::vector<qk::Point> points = Points({Vector3(0, 0, 0), Vector3(1, 0, 0)});
    ASSERT_EQ(path.GatherPathPoints(points), PATH_OK);
    EXPECT_EQ(points[1].x, 2.0);
    EXPECT_EQ(points[1].z, 10.0);
    std::vector<Vector3> profile, placed, positions;
    qk::profiles::Rectangle(profile);
    ASSERT_EQ(path.SetupPathNodes(points), PATH_OK);
    path.SizeRingTables(4);
    PathEndSettings settings;
    ASSERT_EQ(path.RestorePathEnds(settings), PATH_OK);
    qk::profiles::AlignProfilePointsToPath(placed, profile, path.StartFrame());
    ASSERT_EQ(path.ProjectPointsAlongPath(placed), PATH_OK);
    ASSERT_TRUE(path.ItemSpaceRings(positions));
    ASSERT_EQ(positions.size(), 8u);
    // World (2, 0.05, 9.95) is item (1, 0.025, -0.025).
    ExpectVector(positions[4], 1, 0.025, -0.025);
    ExpectVector(positions[0], 0, 0.025, -0.025);
}

TEST(SweeperPath, EvaluationsReuseTheRingTables) {
    SweepPath path;
    ASSERT_EQ(Sweep(path, {Vector3(0, 0, 0), Vector3(2, 0, 0), Vector3(2, 0, 2)}), PATH_OK);
    const Vector3 *ring = path.Ring(2).data();
    const double *distances = path.RingDistances(2).data();
    std::vector<Vector3> profile, placed;
    qk::profiles::Rectangle(profile);
    qk::profiles::AlignProfilePointsToPath(placed, profile, path.StartFrame());
    PathEndSettings settings;
    settings.extendEnd = 1.0;
    ASSERT_EQ(path.RestorePathEnds(settings), PATH_OK);
    ASSERT_EQ(path.ProjectPointsAlongPath(placed), PATH_OK);
    EXPECT_EQ(path.Ring(2).data(), ring);
    EXPECT_EQ(path.RingDistances(2).data(), distances);
    for (const Vector3 &p : path.Ring(3)) EXPECT_NEAR(p.z(), 3.0, kTol);
}

// ---- refused paths ----

TEST(SweeperPathRefusal, TooFewOrNonFinitePoints) {
    SweepPath path;
    EXPECT_EQ(path.SetupPathNodes(Points({Vector3(1, 1, 1)})), PATH_TOO_FEW_POINTS);
    EXPECT_EQ(path.SetupPathNodes(Points({Vector3(0, 0, 0), Vector3(NAN, 0, 0)})), PATH_NOT_FINITE);
    PathEndSettings settings;
    EXPECT_EQ(path.RestorePathEnds(settings), PATH_NOT_SET_UP);
    EXPECT_EQ(path.ProjectPointsAlongPath({}), PATH_NOT_SET_UP);
}

TEST(SweeperPathRefusal, PathTurningBackOnItself) {
    SweepPath path;
    ASSERT_EQ(Sweep(path, {Vector3(0, 0, 0), Vector3(1, 0, 0)}), PATH_OK);
    EXPECT_EQ(path.SetupPathNodes(Points({Vector3(0, 0, 0), Vector3(2, 0, 0), Vector3(1, 0, 0)})),
              PATH_TURNS_BACK);
    EXPECT_EQ(path.PointCount(), 0u);
    PathEndSettings settings;
    EXPECT_EQ(path.RestorePathEnds(settings), PATH_NOT_SET_UP);
    EXPECT_STREQ(PathFailureKey(PATH_TURNS_BACK), "PathTurnsBack");
    EXPECT_EQ(PathFailureKey(PATH_OK), nullptr);
}

TEST(SweeperPathRefusal, LoopThatWouldTurnBackIsRefusedOnlyWhenClosed) {
    SweepPath path;
    PathEndSettings settings;
    const std::vector<Vector3> line = {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(2, 0, 0)};
    ASSERT_EQ(Sweep(path, line, settings), PATH_OK);
    settings.closeLoop = true;
    EXPECT_EQ(path.RestorePathEnds(settings), PATH_TURNS_BACK);
    EXPECT_TRUE(settings.closeLoop);
    settings.closeLoop = false;
    EXPECT_EQ(path.RestorePathEnds(settings), PATH_OK);
}

TEST(SweeperPathRefusal, EndPlaneAlongItsSegment) {
    // A start node whose frame is tilted off its incoming direction: turned horizontal, the plane would
    // contain the horizontal segment.
    std::vector<PathNode> nodes(4);
    for (PathNode &node : nodes) node.direction = Vector3(1, 0, 0);
    nodes[1].frame = qk::math::RotationMatrix(Vector3(0, 0, 1), Vector3(0.6, 0.8, 0), Vector3(-0.8, 0.6, 0));
    nodes[2].frame = qk::math::RotationMatrix(Vector3(0, 0, 1), Vector3(0, 1, 0), Vector3(-1, 0, 0));
    PathEndSettings settings;
    EXPECT_EQ(AdjustPlanes(nodes, 1, 2, settings), PATH_OK);
    settings.types.start = END_TYPE_HORIZONTAL;
    EXPECT_EQ(AdjustPlanes(nodes, 1, 2, settings), PATH_PLANE_CONTAINS_SEGMENT);
}

TEST(SweeperPathRefusal, ProfileMustMatchTheTablesAndStayFinite) {
    SweepPath path;
    ASSERT_EQ(Sweep(path, {Vector3(0, 0, 0), Vector3(1, 0, 0)}), PATH_OK);
    EXPECT_EQ(path.ProjectPointsAlongPath({Vector3(), Vector3(), Vector3()}), PATH_PROFILE_MISMATCH);
    const std::vector<Vector3> bad = {Vector3(), Vector3(0, 1, 0), Vector3(0, 1, NAN), Vector3(0, 0, 1)};
    EXPECT_EQ(path.ProjectPointsAlongPath(bad), PATH_RESULT_NOT_FINITE);
}

TEST(SweeperPathRefusal, ItemSpaceOverflowIsReported) {
    SweepPath path;
    const Matrix4 tiny = qk::math::ScaleMatrix(1e-300, 1e-300, 1e-300);
    ASSERT_EQ(path.SetWorldTransforms(tiny, tiny, Matrix4(), Matrix4()), PATH_OK);
    ASSERT_EQ(Sweep(path, {Vector3(0, 0, 0), Vector3(1e9, 0, 0)}), PATH_OK);
    std::vector<Vector3> positions;
    EXPECT_FALSE(path.ItemSpaceRings(positions));
}

}  // namespace
