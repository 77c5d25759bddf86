// The add-light command's pure geometry: how a light faces and is sized on its polygon.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "CMD_AddLightAtPolyPos_Geometry.hpp"

namespace {

namespace al = gORVA_Cmds_AddLightAtPolyPos;
using qk::math::Vector3;

void ExpectVec(const Vector3 &v, double x, double y, double z, double tol = 1e-12) {
    EXPECT_NEAR(v.x(), x, tol);
    EXPECT_NEAR(v.y(), y, tol);
    EXPECT_NEAR(v.z(), z, tol);
}

// Right-handed unit axes, facing away from the normal unless flipped.
void ExpectFrame(const al::LightAxes &axes, const Vector3 &normal, bool flip) {
    ExpectVec(axes.facing, flip ? normal.x() : -normal.x(), flip ? normal.y() : -normal.y(),
              flip ? normal.z() : -normal.z());
    EXPECT_NEAR(qk::math::Length(axes.right), 1.0, 1e-12);
    EXPECT_NEAR(qk::math::Length(axes.up), 1.0, 1e-12);
    EXPECT_NEAR(qk::math::Dot(axes.right, axes.up), 0.0, 1e-12);
    const Vector3 handed = qk::math::Cross(axes.right, axes.up);
    ExpectVec(handed, axes.facing.x(), axes.facing.y(), axes.facing.z(), 1e-12);
}

struct OrientCase {
    const char *name;
    std::vector<Vector3> points;
    Vector3 normal;
    Vector3 right, up;  // expected for the unflipped light
};

class LightOrientation : public testing::TestWithParam<OrientCase> {};

TEST_P(LightOrientation, FollowsThePolygonAndStaysRightHanded) {
    const OrientCase &c = GetParam();
    const al::LightAxes axes = al::OrientToPolygon(c.normal, c.points, false);
    ExpectFrame(axes, c.normal, false);
    ExpectVec(axes.right, c.right.x(), c.right.y(), c.right.z());
    ExpectVec(axes.up, c.up.x(), c.up.y(), c.up.z());
    // Flipped, the light faces along the normal and is still right-handed.
    ExpectFrame(al::OrientToPolygon(c.normal, c.points, true), c.normal, true);
}

const double kC = std::sqrt(0.5);

INSTANTIATE_TEST_SUITE_P(
    Polygons, LightOrientation,
    testing::Values(
        // A 2 x 1 wall facing +Z with a level top: the light stands upright.
        OrientCase{"Wall", {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}, {0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},
        // A floor facing +Y whose first edge runs along X: the axes follow X and Z.
        OrientCase{
            "FloorOnAxes", {{0, 0, 0}, {1, 0, 0}, {1, 0, -1}, {0, 0, -1}}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}},
        // A floor turned 45 degrees: right follows the first edge.
        OrientCase{"FloorTurned",
                   {{0, 0, 0}, {kC, 0, kC}, {0, 0, 2 * kC}, {-kC, 0, kC}},
                   {0, 1, 0},
                   {kC, 0, kC},
                   {-kC, 0, kC}},
        // A ramp rising along -Z: right is level, up climbs the slope.
        OrientCase{
            "Ramp", {{0, 0, 0}, {1, 0, 0}, {1, 1, -1}, {0, 1, -1}}, {0, kC, kC}, {-1, 0, 0}, {0, kC, -kC}}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(LightSize, IsThePolygonsExtentAlongTheLightsAxes) {
    const std::vector<Vector3> wall = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}};
    const al::LightAxes axes = al::OrientToPolygon({0, 0, 1}, wall, false);
    ExpectVec(al::SizeToPolygon(wall, {1, 0.5, 0}, axes), 2, 1, 1);
    // Where the centre lies does not change the size.
    ExpectVec(al::SizeToPolygon(wall, {50, -3, 7}, axes), 2, 1, 1, 1e-12);
    // A turned floor quad of side 1 measures 1 x 1 along its own edges.
    const std::vector<Vector3> turned = {{0, 0, 0}, {kC, 0, kC}, {0, 0, 2 * kC}, {-kC, 0, kC}};
    ExpectVec(al::SizeToPolygon(turned, {0, 0, kC}, al::OrientToPolygon({0, 1, 0}, turned, false)), 1, 1, 1,
              1e-12);
    ExpectVec(al::SizeToPolygon({}, {}, axes), 0, 0, 1, 0);
}

TEST(LightRotation, RowsAreTheLightsAxes) {
    const al::LightAxes axes{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}};
    const qk::math::Matrix4 m = al::LightRotation(axes);
    ExpectVec(qk::math::RightAxis(m), 1, 0, 0, 0);
    ExpectVec(qk::math::UpAxis(m), 0, 0, 1, 0);
    ExpectVec(qk::math::FwdAxis(m), 0, -1, 0, 0);
}

}  // namespace
