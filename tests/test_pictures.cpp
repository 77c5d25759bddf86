// The parts of pictures that are geometry: the camera's fit and projection, and the triangulation
// that fills polygons.
#include <gtest/gtest.h>

#include <cmath>

#include "host/pictures/camera.hpp"
#include "host/pictures/triangulate.hpp"

using namespace gorva::host;

namespace {

/// Area vector (normal times area) of a polygon or triangle, by Newell's rule.
Vec3 AreaVector(const std::vector<Vec3> &pts) {
    Vec3 n{0, 0, 0};
    for (size_t i = 0; i < pts.size(); ++i) n = Add(n, Cross(pts[i], pts[(i + 1) % pts.size()]));
    return Scale(n, 0.5);
}

struct Outline {
    const char *name;
    std::vector<Vec3> points;
};

/// Outlines in the XZ plane, wound so that they face +Y.
std::vector<Outline> Outlines() {
    return {
        {"Square", {{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}}},
        {"LShape", {{0, 0, 0}, {0, 0, 2}, {1, 0, 2}, {1, 0, 1}, {2, 0, 1}, {2, 0, 0}}},
        {"SquareWithPointsOnItsEdges",
         {{0, 0, 0}, {0, 0, 0.5}, {0, 0, 1}, {0.5, 0, 1}, {1, 0, 1}, {1, 0, 0.5}, {1, 0, 0}, {0.5, 0, 0}}},
        {"Comb",
         {{0, 0, 0},
          {0, 0, 3},
          {1, 0, 3},
          {1, 0, 1},
          {2, 0, 1},
          {2, 0, 3},
          {3, 0, 3},
          {3, 0, 1},
          {4, 0, 1},
          {4, 0, 3},
          {5, 0, 3},
          {5, 0, 0}}},
        {"ReflexAtTheFirstCorner", {{1, 0, 1}, {0, 0, 2}, {2, 0, 2}, {2, 0, 0}, {0, 0, 0}}},
    };
}

}  // namespace

class Triangulation : public ::testing::TestWithParam<Outline> {};

// Triangles that all face the polygon's way and add up to its area cover it exactly once.
TEST_P(Triangulation, CoversThePolygonOnceWithTrianglesFacingItsWay) {
    for (int axis = 0; axis < 3; ++axis) {  // the same outline turned to face +X, +Y and +Z
        std::vector<Vec3> pts = GetParam().points;
        for (Vec3 &p : pts) p = axis == 1 ? p : axis == 0 ? Vec3{p[1], p[2], p[0]} : Vec3{p[2], p[0], p[1]};
        Vec3 area = AreaVector(pts);
        auto tris = Triangulate(pts, area);
        ASSERT_EQ(tris.size(), pts.size() - 2) << "axis " << axis;
        double total = 0.0;
        for (const auto &t : tris) {
            Vec3 a = AreaVector({pts[t[0]], pts[t[1]], pts[t[2]]});
            EXPECT_GE(Dot(a, area), 0.0) << "a triangle folds back, axis " << axis;
            total += Length(a);
        }
        EXPECT_NEAR(total, Length(area), 1e-12) << "axis " << axis;
    }
}

INSTANTIATE_TEST_SUITE_P(Outlines, Triangulation, ::testing::ValuesIn(Outlines()),
                         [](const auto &p) { return std::string(p.param.name); });

TEST(TriangulationOf, FewerThanThreePointsGivesNoTriangle) {
    EXPECT_TRUE(Triangulate({}, {0, 1, 0}).empty());
    EXPECT_TRUE(Triangulate({{0, 0, 0}, {1, 0, 0}}, {0, 1, 0}).empty());
    EXPECT_EQ(Triangulate({{0, 0, 0}, {0, 0, 1}, {1, 0, 0}}, {0, 1, 0}).size(), 1u);
}

class PictureCamera : public ::testing::TestWithParam<const char *> {};

TEST_P(PictureCamera, FitsEveryCornerOfTheBoundsInsideThePicture) {
    ViewOptions opts;
    std::string error;
    ASSERT_TRUE(SetViewOption(opts, "view", GetParam(), error));
    opts.width = 400, opts.height = 200;
    Bounds b;
    b.Add({-3, 0, -1});
    b.Add({5, 7, 0.5});
    Camera cam = Camera::Fit(opts, b);
    for (int i = 0; i < 8; ++i) {
        Vec3 c{i & 1 ? b.max[0] : b.min[0], i & 2 ? b.max[1] : b.min[1], i & 4 ? b.max[2] : b.min[2]};
        double x, y, d;
        ASSERT_TRUE(cam.Project(c, x, y, d));
        EXPECT_GE(x, 0);
        EXPECT_LE(x, 400);
        EXPECT_GE(y, 0);
        EXPECT_LE(y, 200);
    }
}

INSTANTIATE_TEST_SUITE_P(Views, PictureCamera, ::testing::Values("persp", "top", "front", "side"));

TEST(PictureCamera, TheTargetProjectsToTheCentreAndUpIsUp) {
    ViewOptions opts;
    std::string error;
    ASSERT_TRUE(SetViewOption(opts, "eye", "10,4,6", error));
    ASSERT_TRUE(SetViewOption(opts, "target", "1,1,1", error));
    Camera cam = Camera::Fit(opts, Bounds());
    double x, y, d, ux, uy, ud;
    ASSERT_TRUE(cam.Project({1, 1, 1}, x, y, d));
    EXPECT_NEAR(x, opts.width / 2.0, 1e-9);
    EXPECT_NEAR(y, opts.height / 2.0, 1e-9);
    ASSERT_TRUE(cam.Project({1, 2, 1}, ux, uy, ud));
    EXPECT_LT(uy, y);                                 // pixels grow downwards
    EXPECT_FALSE(cam.Project({19, 7, 11}, x, y, d));  // behind the eye
}
