// The parts of pictures that are geometry: the camera's fit and projection, and the triangulation
// that fills polygons.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/pictures/camera.hpp"
#include "host/model/triangulate.hpp"

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

namespace {

/// A perspective camera at (0, 1, 5) looking down -Z, 400 x 300 pixels, about a unit scene.
Camera LookingDownMinusZ() {
    ViewOptions opts;
    opts.width = 400, opts.height = 300;
    opts.hasEye = opts.hasTarget = true;
    opts.eye = {0, 1, 5}, opts.target = {0, 1, 0};
    Bounds b;
    b.Add({-1, 0, -1});
    b.Add({1, 2, 1});
    return Camera::Fit(opts, b);
}

struct SegmentCase {
    const char *name;
    Vec3 a, b;
    bool kept;
};

class SegmentClip : public ::testing::TestWithParam<SegmentCase> {};

}  // namespace

// What is kept lies on the segment, beyond the near plane, and projects to finite pixels at most a
// picture's width or height beyond its edges; nothing of what is dropped was in view.
TEST_P(SegmentClip, KeepsThePartInViewOnTheSegment) {
    const SegmentCase &c = GetParam();
    Camera cam = LookingDownMinusZ();
    Vec3 a = c.a, b = c.b;
    ASSERT_EQ(cam.ClipSegment(a, b), c.kept);
    if (!c.kept) return;
    Vec3 along = Sub(c.b, c.a);
    for (const Vec3 &p : {a, b}) {
        EXPECT_NEAR(Length(Cross(Sub(p, c.a), along)) / Length(along), 0.0, 1e-6 * Length(along));
        double x, y, d;
        ASSERT_TRUE(cam.Project(p, x, y, d));
        EXPECT_GE(d, cam.NearDepth() * (1 - 1e-9));
        EXPECT_LE(std::fabs(x - 200), 400 + 1e-6);
        EXPECT_LE(std::fabs(y - 150), 300 + 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Segments, SegmentClip,
    ::testing::Values(
        SegmentCase{"WhollyInView", {-0.5, 1, 0}, {0.5, 1.5, 0}, true},
        SegmentCase{"FromBehindTheEyeToTheTarget", {0.1, 0.9, 9}, {0, 1, 0}, true},
        SegmentCase{"CrossingTheEyePlaneFarAside", {-3050, 0.5, 3005}, {2950, 0.5, -2995}, true},
        SegmentCase{"KilometresAcrossTheView", {-4000, 1, -1}, {4000, 1, -1}, true},
        SegmentCase{"WhollyBehindTheEye", {-1, 1, 6}, {1, 1, 8}, false},
        SegmentCase{"BesideTheView", {100, 1, 0}, {100, 2, -1}, false},
        SegmentCase{"NotFinite", {0, 1, 0}, {0, 1, -std::numeric_limits<double>::infinity()}, false}),
    [](const auto &p) { return std::string(p.param.name); });

// A triangle with a corner behind the eye becomes the quadrilateral in front of the near plane;
// its two cut edges keep their boundary flags and the edge along the cut has none.
TEST(PolygonClip, ATriangleReachingBehindTheEyeIsCutAtTheNearPlane) {
    Camera cam = LookingDownMinusZ();
    std::vector<Vec3> pts{{-0.5, 0.5, 0}, {0.5, 0.5, 0}, {0, 0.5, 10}};
    std::vector<bool> boundary{true, true, true};
    cam.ClipPolygon(pts, &boundary);
    ASSERT_EQ(pts.size(), 4u);
    ASSERT_EQ(boundary.size(), 4u);
    int onTheCut = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        double depth = cam.ToView(pts[i])[2];
        EXPECT_GE(depth, cam.NearDepth() * (1 - 1e-9));
        bool cut = std::fabs(depth - cam.NearDepth()) < 1e-9 &&
                   std::fabs(cam.ToView(pts[(i + 1) % pts.size()])[2] - cam.NearDepth()) < 1e-9;
        EXPECT_EQ(boundary[i], !cut) << "edge " << i;
        onTheCut += cut;
    }
    EXPECT_EQ(onTheCut, 1);
    std::vector<Vec3> behind{{-1, 1, 6}, {1, 1, 6}, {0, 2, 7}};
    cam.ClipPolygon(behind);
    EXPECT_TRUE(behind.empty());
}
