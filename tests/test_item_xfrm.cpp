// The one rule that turns a world displacement into an item's own space: plain turns, sheared parent
// chains, and items scaled to 0 on one, two or three axes.
#include <gtest/gtest.h>

#include <cmath>

#include "qk_item_xfrm.hpp"

using qk::ItemMove;
using qk::math::Matrix4;
using qk::math::Vector3;

namespace {

// A quarter turn about Z (X goes to Y), and rows (1, 0, 0), (0.6, 0.8, 0), (0, 0, 1): unit but not
// perpendicular, as for a child turned under a parent stretched along X.
const Matrix4 kQuarterTurn = qk::math::RotationMatrix({0, 1, 0}, {-1, 0, 0}, {0, 0, 1});
const Matrix4 kSheared = qk::math::RotationMatrix({1, 0, 0}, {0.6, 0.8, 0}, {0, 0, 1});

struct SolveCase {
    const char *name;
    Vector3 world;
    Matrix4 rotation;
    Vector3 scale;
    ItemMove expected;
};

class ItemDisplacement : public ::testing::TestWithParam<SolveCase> {};

}  // namespace

TEST_P(ItemDisplacement, LandsExactlyOrRefusesOnlyMovesOffTheItem) {
    const SolveCase &c = GetParam();
    const Matrix4 scale = qk::math::ScaleMatrix(c.scale.x(), c.scale.y(), c.scale.z());
    Vector3 local(7, 7, 7);
    ASSERT_EQ(qk::WorldToItemDisplacement(c.world, c.rotation, scale, local), c.expected);
    if (c.expected != ItemMove::MOVED) {
        EXPECT_EQ(local.x(), 7.0) << "left unchanged";
        EXPECT_FALSE(qk::ItemMoveReason(c.expected).empty());
        return;
    }
    // The local move taken back through scale x rotation is the world move.
    const Vector3 back = qk::math::TransformDirection(qk::math::Multiply(scale, c.rotation), local);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(back.v[i], c.world.v[i], 1e-12) << "axis " << i;
        if (c.scale.v[i] == 0.0) {
            EXPECT_EQ(local.v[i], 0.0) << "a collapsed axis gets no component";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ItemDisplacement,
    ::testing::Values(
        SolveCase{"TurnedAndScaled", {1, 0, 0}, kQuarterTurn, {2, 4, 1}, ItemMove::MOVED},
        SolveCase{"ShearedParent", {2, 0.8, 3}, kSheared, {2, 1, 1}, ItemMove::MOVED},
        SolveCase{"FlatInPlane", {1, 0, -2}, Matrix4(), {1, 0, 1}, ItemMove::MOVED},
        SolveCase{"FlatTurnedInPlane", {3, 0, 1}, kQuarterTurn, {0, 2, 1}, ItemMove::MOVED},
        SolveCase{"FlatShearedInPlane", {1.2, 1.6, 0}, kSheared, {2, 2, 0}, ItemMove::MOVED},
        SolveCase{"FlatOffPlane", {1, 0.5, 0}, Matrix4(), {1, 0, 1}, ItemMove::OFF_COLLAPSED_PLANE},
        SolveCase{"FlatShearedOffPlane", {1, 1, 1}, kSheared, {2, 2, 0}, ItemMove::OFF_COLLAPSED_PLANE},
        SolveCase{"LineAlongItself", {0, 0, 5}, Matrix4(), {0, 0, 2}, ItemMove::MOVED},
        SolveCase{"LineSideways", {1, 0, 5}, Matrix4(), {0, 0, 2}, ItemMove::OFF_COLLAPSED_PLANE},
        SolveCase{"PointStill", {0, 0, 0}, Matrix4(), {0, 0, 0}, ItemMove::MOVED},
        SolveCase{"PointMoved", {0, 1e-3, 0}, Matrix4(), {0, 0, 0}, ItemMove::OFF_COLLAPSED_PLANE},
        SolveCase{"NotFinite", {NAN, 0, 0}, Matrix4(), {1, 1, 1}, ItemMove::NOT_SOLVABLE},
        SolveCase{"InfiniteScale", {1, 0, 0}, Matrix4(), {INFINITY, 1, 1}, ItemMove::NOT_SOLVABLE}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(ItemDisplacementDigits, APlainTurnTakesTheTransposeAsBefore) {
    // The solve through scale x rotation would round differently; a pure turn keeps the transpose's digits.
    const Matrix4 turn = qk::math::AxisRotationMatrix(1, 0.3);
    const Matrix4 scale = qk::math::ScaleMatrix(3, 0.7, 1.1);
    const Vector3 w(0.1, -2.3, 4.7);
    Vector3 solved;
    ASSERT_EQ(qk::WorldToItemDisplacement(w, turn, scale, solved), ItemMove::MOVED);
    const Vector3 rows[3] = {qk::math::RightAxis(turn), qk::math::UpAxis(turn), qk::math::FwdAxis(turn)};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(solved.v[i], qk::math::Dot(w, rows[i]) / scale.m[i][i]);
}
