#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "qk_align.hpp"
#include "qk_item_xfrm.hpp"

using namespace qk::align;
using qk::math::Matrix4;

namespace {

void ExpectVec(const Vector3 &v, double x, double y, double z, double tol = 1e-12) {
    EXPECT_NEAR(v.x(), x, tol);
    EXPECT_NEAR(v.y(), y, tol);
    EXPECT_NEAR(v.z(), z, tol);
}

// A quarter turn about Z (counter-clockwise: X goes to Y) and the scale (2, 4, 1).
const Matrix4 kQuarterTurn = qk::math::RotationMatrix({0, 1, 0}, {-1, 0, 0}, {0, 0, 1});
const Matrix4 kScale = qk::math::ScaleMatrix(2, 4, 1);

AlignView View(const Vector3 &a, const Vector3 &b, const Vector3 &t) {
    AlignView v;
    v.source = a;
    v.destination = b;
    v.target = t;
    v.unit = 2.0;
    return v;
}

}  // namespace

TEST(AlignOffsets, AdjustFromDestination) {
    const Vector3 a(1, 2, 3), b(4, 6, 8), level(4, 2 + 5e-7, 3);
    const struct {
        int axis;
        Vector3 b;
        bool on;
        double expected;
    } cases[] = {
        {AXIS_X, b, true, 0.0},      {AXIS_X, b, false, -3.0},    {AXIS_Y, b, false, -4.0},
        {AXIS_Z, b, false, -5.0},    {AXIS_Y, level, false, 0.7}, {AXIS_Y, level, true, 0.0},
        {AXIS_Z, level, false, 0.0}, {5, b, false, 0.7},
    };
    for (const auto &c : cases)
        EXPECT_NEAR(AdjustOffsetFromDestination(c.axis, a, c.b, c.on, 0.7), c.expected, 1e-12) << c.axis;

    // An axis switched off keeps A where it is.
    AlignMove move;
    const Vector3 offsets(AdjustOffsetFromDestination(AXIS_X, a, b, false, 0), 0,
                          AdjustOffsetFromDestination(AXIS_Z, a, b, false, 0));
    ASSERT_TRUE(AlignTarget(a, b, offsets, move));
    ExpectVec(move.target, 1, 6, 3);
    ExpectVec(move.displacement, 0, 4, 0);
}

TEST(AlignOffsets, TypedOffsetsToggleSwitches) {
    const auto next = SwitchesFollowingOffsets({0.5, 0.0, 5e-7}, {true, false, false});
    EXPECT_EQ(next, (std::array<bool, 3>{false, true, true}));
    const auto kept = SwitchesFollowingOffsets({NAN, 2e-6, -2e-6}, {true, true, true});
    EXPECT_EQ(kept, (std::array<bool, 3>{true, false, false}));
}

TEST(AlignOffsets, TargetAndDisplacements) {
    AlignMove move;
    ASSERT_TRUE(AlignTarget({1, 0, 0}, {3, 3, 3}, {0, 1, 0}, move));
    ExpectVec(move.target, 3, 4, 3);
    ExpectVec(move.displacement, 2, 4, 3);
    ExpectVec(PointDisplacement(move, true, {9, 9, 9}), 2, 4, 3);
    ExpectVec(PointDisplacement(move, false, {9, 9, 9}), -6, -5, -6);
    EXPECT_FALSE(AlignTarget({1, 0, 0}, {3, 3, 3}, {INFINITY, 0, 0}, move));
    ExpectVec(move.target, 3, 4, 3);
}

TEST(AlignPoints, NearestPointLimits) {
    std::size_t index = 99;
    double distance = -1;
    EXPECT_FALSE(FindNearestPoint({}, {0, 0, 0}, index, distance));
    EXPECT_EQ(distance, 0.0);

    // Ties go to the earlier point; NaN never qualifies.
    const std::vector<Vector3> points = {{10, 0, 0}, {NAN, 0, 0}, {3, 0, 0}, {0, -3, 0}, {200000, 0, 0}};
    ASSERT_TRUE(FindNearestPoint(points, {0, 0, 0}, index, distance));
    EXPECT_EQ(index, 2u);
    EXPECT_EQ(distance, 3.0);

    EXPECT_FALSE(FindNearestPoint({{100000, 0, 0}, {0, 0, -300000}}, {0, 0, 0}, index, distance));
    EXPECT_EQ(distance, 100000.0);
    ASSERT_TRUE(FindNearestPoint({{100000, 0, 0}, {99999.5, 0, 0}}, {0, 0, 0}, index, distance));
    EXPECT_EQ(index, 1u);
}

TEST(AlignPoints, ComponentAndMeshPicks) {
    PickResult r = PickComponentPoints({{5, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 0, 0}}, false);
    EXPECT_EQ(r.pick, Pick::SOURCE_AND_DESTINATION);
    EXPECT_EQ(r.destination, 3u);
    EXPECT_EQ(r.source, 1u);
    EXPECT_EQ(PickComponentPoints({{100000, 0, 0}, {0, 0, 0}}, true).pick, Pick::NO_SOURCE);
    EXPECT_EQ(PickComponentPoints({{1, 0, 0}}, false).pick, Pick::NO_DESTINATION);
    EXPECT_EQ(PickComponentPoints({{1, 0, 0}}, true).pick, Pick::SOURCE_ONLY);
    EXPECT_EQ(PickComponentPoints({}, true).pick, Pick::NO_POINTS);

    r = PickMeshPoints(3, false);
    EXPECT_EQ(r.pick, Pick::SOURCE_AND_DESTINATION);
    EXPECT_EQ(r.source, 0u);
    EXPECT_EQ(r.destination, 1u);
    EXPECT_EQ(PickMeshPoints(1, false).pick, Pick::NO_DESTINATION);
    EXPECT_EQ(PickMeshPoints(1, true).pick, Pick::SOURCE_ONLY);
    EXPECT_EQ(PickMeshPoints(0, true).pick, Pick::NO_POINTS);
}

TEST(AlignLocal, DisplacementUndoesRotationThenScale) {
    Vector3 v;
    ASSERT_EQ(qk::WorldToItemDisplacement({1, 0, 0}, kQuarterTurn, kScale, v), qk::ItemMove::MOVED);
    // World X is item -Y after the turn, a quarter as long after the scale of 4 along Y.
    ExpectVec(v, 0, -0.25, 0);
}

TEST(AlignLocal, SourceLandsOnTargetInTurnedScaledItem) {
    const Matrix4 world =
        qk::math::Multiply(qk::math::Multiply(kScale, kQuarterTurn), qk::math::TranslationMatrix({3, -1, 2}));
    const Vector3 local(1, 2, 3);
    const Vector3 a = qk::math::TransformPoint(world, local);
    ExpectVec(a, -5, 1, 5);  // (2, 8, 3) turned to (-8, 2, 3), then moved
    AlignMove move;
    ASSERT_TRUE(AlignTarget(a, {7, -2, 5}, {0, 0.5, 0}, move));
    Vector3 v;
    ASSERT_EQ(qk::WorldToItemDisplacement(PointDisplacement(move, true, a), kQuarterTurn, kScale, v),
              qk::ItemMove::MOVED);
    ExpectVec(qk::math::TransformPoint(world, local + v), 7, -1.5, 5);
}

TEST(AlignLocal, IsAtMeansWithinTheToleranceOnEveryAxis) {
    EXPECT_TRUE(IsAt({1, 1, 1}, {1 + 5e-7, 1, 1}));
    EXPECT_FALSE(IsAt({1, 1, 1}, {1, 1 + 2e-6, 1}));
}

TEST(AlignDisplay, ViewDirections) {
    ExpectVec(SwitchRightVector({0, 0, 2}, false), 0, 0, 1);
    ExpectVec(SwitchRightVector({0, 0, 2}, true), 1, 0, 0);
    ExpectVec(SwitchRightVector({0, 0, 0}, false), 1, 0, 0);
    ExpectVec(EyeDirection({0, 0, 2}, false), 0, 0, -1);
    ExpectVec(EyeDirection({0, 3, 0}, true), 0, 0, 1);
    ExpectVec(EyeDirection({0, 0, 0}, false), 0, 0, 0);
}

TEST(AlignDisplay, ComponentDrawing) {
    AlignDrawing d;
    ASSERT_TRUE(BuildAlignDrawing(AlignTool::COMPONENT, View({0, 0, 0}, {4, 0, 0}, {4, 0, 0}), d));
    EXPECT_TRUE(d.targetHandle);
    EXPECT_TRUE(d.targetMarker.shown);
    EXPECT_DOUBLE_EQ(d.targetMarker.radius, 1.0);
    ExpectVec(d.targetMarker.colour, 0.4, 1.0, 1.0);
    EXPECT_FALSE(d.guide);  // T on B
    EXPECT_FALSE(d.destinationLabel.shown);
    EXPECT_TRUE(d.sourceLabel.shown);
    EXPECT_DOUBLE_EQ(d.sourceLabel.distance, 4.0);
    ExpectVec(d.sourceLabel.position, 2, 0.5, 0);
    EXPECT_DOUBLE_EQ(d.sourceMarker.radius, 0.54);
    ExpectVec(d.destinationMarker.centre, 4, 0, 0);
    // Switches 1.5 units (3) above A, X and Z to either side along the right direction.
    const double k = 2.0 / 1.8;
    ExpectVec(d.switches[0].position, -3, 3, 0);
    ExpectVec(d.switches[0].lineFrom, -3 - k, 3, 0);
    ExpectVec(d.switches[1].lineTo, 0, 3 + k, 0);
    ExpectVec(d.switches[2].position, 3, 3, 0);
    EXPECT_EQ(d.switches[2].part, 10003);
    EXPECT_EQ(d.switches[1].flags, 0x2000000u);
    ExpectVec(d.switches[2].colour, 0.2, 0.4, 1.0);

    AlignView v = View({0, 0, 0}, {4, 0, 0}, {4, 1, 0});
    ASSERT_TRUE(BuildAlignDrawing(AlignTool::COMPONENT, v, d));
    ASSERT_TRUE(d.guide);
    ExpectVec(d.guideFrom, 4, 10001, 0);
    ExpectVec(d.guideTo, 4, -10000, 0);
    EXPECT_TRUE(d.destinationLabel.shown);
    ExpectVec(d.destinationLabel.position, 4, 1, 0);
    EXPECT_DOUBLE_EQ(d.destinationLabel.distance, 1.0);

    v.align = {false, false, false};
    v.showDims = false;
    v.autoJump = true;
    ASSERT_TRUE(BuildAlignDrawing(AlignTool::COMPONENT, v, d));
    EXPECT_FALSE(d.targetHandle);
    EXPECT_FALSE(d.targetMarker.shown);
    EXPECT_FALSE(d.guide);
    EXPECT_FALSE(d.sourceLabel.shown);
    EXPECT_FALSE(d.destinationLabel.shown);
    EXPECT_EQ(d.switches[0].flags, 0x10000u);
    ExpectVec(d.switches[0].colour, 0.4, 1.0, 1.0);
}

TEST(AlignDisplay, MeshDrawingAndTargetAtSource) {
    AlignView v = View({0, 0, 0}, {4, 0, 0}, {4, 1, 0});
    v.align = {false, false, false};
    v.autoJump = true;  // not a mesh align setting
    AlignDrawing d;
    ASSERT_TRUE(BuildAlignDrawing(AlignTool::MESH, v, d));
    EXPECT_TRUE(d.targetHandle);
    EXPECT_TRUE(d.targetMarker.shown);
    EXPECT_TRUE(d.guide);
    EXPECT_TRUE(d.sourceLabel.shown);
    EXPECT_TRUE(d.destinationLabel.shown);
    v.showDims = false;
    ASSERT_TRUE(BuildAlignDrawing(AlignTool::MESH, v, d));
    EXPECT_FALSE(d.destinationLabel.shown);

    for (AlignTool tool : {AlignTool::COMPONENT, AlignTool::MESH}) {
        ASSERT_TRUE(BuildAlignDrawing(tool, View({1, 1, 1}, {4, 0, 0}, {1, 1, 1 + 5e-7}), d));
        EXPECT_FALSE(d.targetHandle);
        ExpectVec(d.targetMarker.colour, 1, 0, 0);
        EXPECT_FALSE(d.sourceLabel.shown);
    }
    AlignView bad = View({0, 0, 0}, {1, 0, 0}, {1, 0, 0});
    bad.unit = 0.0;
    EXPECT_FALSE(BuildAlignDrawing(AlignTool::MESH, bad, d));
}
