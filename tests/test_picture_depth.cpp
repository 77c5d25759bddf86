// Pictures checked pixel by pixel at positions computed through the camera: what is nearer covers
// what is farther, the overlay stays on top, and what crosses the eye plane keeps its visible part.
// Materials are told apart by hue: the first material of a scene is tan (red over blue), the
// second blue (blue over red), the background grey.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/shapes.hpp"
#include "host/pictures/render.hpp"

using namespace gorva::host;

namespace {

enum class Hue { Tan, Blue, Other };

struct Rgb {
    int r, g, b;
};

Hue HueOf(const Rgb &c) {
    if (c.r > c.b + 15) return Hue::Tan;
    if (c.b > c.r + 15) return Hue::Blue;
    return Hue::Other;
}

const char *Name(Hue h) {
    return h == Hue::Tan ? "tan" : h == Hue::Blue ? "blue" : "neither";
}

MeshShape Box(const std::string &name, const std::array<float, 3> &min, const std::array<float, 3> &max,
              const std::string &material) {
    MeshShape box = BoxShape(min, max);
    box.name = name;
    for (auto &p : box.polygons) p.material = material;
    return box;
}

/// A quad through four points, of one material.
MeshShape Quad(const std::string &name, const std::vector<std::array<float, 3>> &corners,
               const std::string &material) {
    MeshShape quad;
    quad.name = name;
    quad.points = corners;
    quad.polygons = {{{0, 1, 2, 3}, material, ""}};
    return quad;
}

/// Draws pictures of a host's scene with one painter and reads pixels where world points land.
class PictureProbe : public ::testing::TestWithParam<bool> {
protected:
    bool OpenGl() const { return GetParam(); }

    void Draw(ViewOptions opts, const std::vector<OverlayShape> &overlay = {}) {
        opts.openGl = OpenGl();
        std::string error;
        ASSERT_TRUE(DrawPicture(ReadPictureScene(host), opts, overlay, picture, error)) << error;
        // OpenGL must work where the project's setup ran; cairo's painter says why it painted.
        EXPECT_EQ(picture.painterNote.empty(), OpenGl()) << picture.painterNote;
        camera = Camera::Fit(opts, PictureBounds(host, overlay));
    }
    Rgb PixelAt(double x, double y) const {
        uint32_t argb = picture.At(int(x), int(y));
        return {int((argb >> 16) & 0xff), int((argb >> 8) & 0xff), int(argb & 0xff)};
    }
    /// The pixel where a world point lands; fails the test when it lands outside the picture.
    Rgb PixelOf(const Vec3 &world) const {
        double x = -1, y = -1, depth = 0;
        EXPECT_TRUE(camera.Project(world, x, y, depth));
        EXPECT_TRUE(x >= 0 && x < picture.width && y >= 0 && y < picture.height) << x << ", " << y;
        if (!(x >= 0 && x < picture.width && y >= 0 && y < picture.height)) return {0, 0, 0};
        return PixelAt(x, y);
    }
    void ExpectHue(const Vec3 &world, Hue want, const std::string &what) const {
        Rgb c = PixelOf(world);
        EXPECT_EQ(HueOf(c), want) << what << " at (" << world[0] << ", " << world[1] << ", " << world[2]
                                  << "): rgb " << c.r << " " << c.g << " " << c.b << ", want " << Name(want);
    }

    Host host;
    Picture picture;
    Camera camera;
};

class DepthBuffered : public PictureProbe {};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Painters, PictureProbe, ::testing::Values(true, false),
                         [](const auto &p) { return std::string(p.param ? "OpenGl" : "Cairo"); });
INSTANTIATE_TEST_SUITE_P(Painters, DepthBuffered, ::testing::Values(true),
                         [](const auto &) { return std::string("OpenGl"); });

TEST_P(PictureProbe, ASmallBoxCoversTheLargeFloorItStandsOnSeenFromAbove) {
    AddMesh(host, Quad("Floor", {{-5, 0, -5}, {-5, 0, 5}, {5, 0, 5}, {5, 0, -5}}, "Floor"));
    AddMesh(host, Box("Box", {-1, 0, -1}, {1, 0.5f, 1}, "Box"));
    ViewOptions opts;
    opts.view = "top";
    Draw(opts);
    for (double x : {-0.8, 0.0, 0.8})
        for (double z : {-0.8, 0.0, 0.8}) ExpectHue({x, 0.5, z}, Hue::Blue, "box top");
    for (double x : {-4.0, 3.0}) ExpectHue({x, 0.0, -3.5}, Hue::Tan, "floor");
}

// Seen from low at its side, the floor in front of the box lies nearer on screen just below the
// box's face: painted in depth order its pieces cut into the face's lowest strip.
TEST_P(DepthBuffered, ASmallBoxCoversTheLargeFloorItStandsOnSeenFromTheSide) {
    AddMesh(host, Quad("Floor", {{-5, 0, -5}, {-5, 0, 5}, {5, 0, 5}, {5, 0, -5}}, "Floor"));
    AddMesh(host, Box("Box", {-1, 0, -1}, {1, 0.5f, 1}, "Box"));
    ViewOptions opts;
    opts.hasEye = opts.hasTarget = true;
    opts.eye = {0.7, 0.9, 7.0}, opts.target = {0, 0.25, 0};
    Draw(opts);
    for (double x = -0.9; x <= 0.9; x += 0.1) {
        ExpectHue({x, 0.02, 1.0}, Hue::Blue, "lowest strip of the box's face");
        ExpectHue({x, 0.0, 1.3}, Hue::Tan, "floor just in front of the box");
    }
}

TEST_P(DepthBuffered, TwoPolygonsThatIntersectShowTheNearerOnEachSideOfTheirCrossing) {
    AddMesh(host, Quad("Upright", {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}, "Upright"));
    AddMesh(host, Quad("Tilted", {{-1, -1, -0.5f}, {1, -1, 0.5f}, {1, 1, 0.5f}, {-1, 1, -0.5f}}, "Tilted"));
    ViewOptions opts;
    opts.view = "front";  // looks down -Z: the tilted quad is nearer where x > 0
    Draw(opts);
    for (double y : {-0.7, 0.0, 0.7}) {
        for (double x : {0.15, 0.5, 0.85}) ExpectHue({x, y, 0.5 * x}, Hue::Blue, "tilted quad in front");
        for (double x : {-0.15, -0.5, -0.85}) ExpectHue({x, y, 0.0}, Hue::Tan, "upright quad in front");
    }
}

// A member runs behind a wall and out past both its ends: each point of the member shows where
// the ray from the eye to it misses the wall, and the wall shows where the ray meets it.
TEST_P(PictureProbe, AMemberBehindAWallShowsOnlyWhereTheWallDoesNotHideIt) {
    AddMesh(host, Quad("Wall", {{-2, 0, 0}, {2, 0, 0}, {2, 2, 0}, {-2, 2, 0}}, "Wall"));
    AddMesh(host, Box("Member", {-3.5f, 0.9f, -1.2f}, {3.5f, 1.1f, -1.0f}, "Member"));
    Draw(ViewOptions());
    int shown = 0, hidden = 0;
    for (double x = -3.4; x <= 3.4; x += 0.2) {
        Vec3 p{x, 1.0, -1.0};  // on the member's face towards the wall
        Vec3 eye = camera.Eye();
        double t = eye[2] / (eye[2] - p[2]);  // where the ray crosses the wall's plane
        double wx = eye[0] + t * (p[0] - eye[0]), wy = eye[1] + t * (p[1] - eye[1]);
        bool behindWall = wx > -2 && wx < 2 && wy > 0 && wy < 2;
        if (std::fabs(std::fabs(wx) - 2.0) < 0.1) continue;  // too near the wall's end to tell
        ExpectHue(p, behindWall ? Hue::Tan : Hue::Blue, behindWall ? "wall over the member" : "member");
        (behindWall ? hidden : shown)++;
    }
    EXPECT_GT(shown, 3);
    EXPECT_GT(hidden, 3);
}

TEST_P(PictureProbe, AHandleIsDrawnOverTheSurfaceThatHidesItsPosition) {
    AddMesh(host, Quad("Wall", {{-2, 0, 0}, {2, 0, 0}, {2, 2, 0}, {-2, 2, 0}}, "Wall"));
    AddMesh(host, Box("Member", {-1, 0.9f, -1.2f}, {1, 1.1f, -1.0f}, "Member"));
    OverlayShape handle;
    handle.kind = OverlayShape::Points;
    handle.points = {{0, 1, -1.1}};  // inside the member, behind the wall
    handle.square = true;
    handle.width = 11;
    handle.colour = {1, 0, 1, 1};
    Draw(ViewOptions(), {handle});
    Rgb c = PixelOf(handle.points[0]);
    EXPECT_GT(c.r, 240);
    EXPECT_LT(c.g, 15);
    EXPECT_GT(c.b, 240);
}

namespace {

/// A green guide kilometres long, crossing the eye plane of EyePlaneView 50 m to the left of the eye.
OverlayShape EyePlaneGuide() {
    OverlayShape guide;
    guide.points = {{-3050, 0.5, 3005}, {2950, 0.5, -2995}};
    guide.width = 3;
    guide.colour = {0, 1, 0, 1};
    return guide;
}

/// An eye 1 m up at z = 5 looking down -z.
ViewOptions EyePlaneView() {
    ViewOptions opts;
    opts.hasEye = opts.hasTarget = true;
    opts.eye = {0, 1, 5}, opts.target = {0, 1, 0};
    return opts;
}

}  // namespace

// A guide from far in front of the eye to behind it: the part in front is drawn, all the way to
// where it leaves the picture.
TEST_P(PictureProbe, AGuideCrossingTheEyePlaneShowsItsPartInFront) {
    AddMesh(host, Quad("Floor", {{-1, 0, -1}, {-1, 0, 1}, {1, 0, 1}, {1, 0, -1}}, "Floor"));
    Draw(EyePlaneView(), {EyePlaneGuide()});
    for (double x : {-10.0, 0.0, 20.0}) {
        Rgb c = PixelOf({x, 0.5, -45.0 - x});
        EXPECT_GT(c.g, 200) << "guide at x " << x;
        EXPECT_LT(c.r, 60) << "guide at x " << x;
    }
}

// A floor running on under and behind the eye fills the bottom of the picture instead of losing
// every piece that reaches behind the eye.
TEST_P(PictureProbe, AFloorReachingBehindTheEyeFillsTheBottomOfThePicture) {
    AddMesh(host, Quad("Floor", {{-50, 0, -50}, {-50, 0, 50}, {50, 0, 50}, {50, 0, -50}}, "Floor"));
    ViewOptions opts;
    opts.hasEye = opts.hasTarget = true;
    opts.eye = {0, 1, 0}, opts.target = {0, 0.5, -5};
    Draw(opts);
    for (double x : {5.0, picture.width / 2.0, picture.width - 5.0}) {
        Rgb c = PixelAt(x, picture.height - 3);
        EXPECT_EQ(HueOf(c), Hue::Tan)
            << "bottom row at x " << x << ": rgb " << c.r << " " << c.g << " " << c.b;
    }
}

// An outline of hundreds of corners is filled whole (not cut into ears): its notch stays empty.
TEST_P(PictureProbe, APolygonOfManyCornersIsFilledInsideItsOutlineOnly) {
    const std::vector<std::array<float, 2>> turns{{0, 0}, {3, 0}, {3, 3}, {2, 3},
                                                  {2, 1}, {1, 1}, {1, 3}, {0, 3}};
    MeshShape u;
    u.name = "U";
    PolygonShape outline{{}, "U", ""};
    for (size_t i = 0; i < turns.size(); ++i)
        for (int k = 0; k < 60; ++k) {
            const auto &a = turns[i], &b = turns[(i + 1) % turns.size()];
            float t = k / 60.0f;
            outline.vertices.push_back(uint32_t(u.points.size()));
            u.points.push_back({a[0] + t * (b[0] - a[0]), 0, -(a[1] + t * (b[1] - a[1]))});
        }
    u.polygons = {outline};
    AddMesh(host, u);
    ViewOptions opts;
    opts.view = "top";
    Draw(opts);
    for (const Vec3 &p : {Vec3{0.5, 0, -2.5}, Vec3{2.5, 0, -2.5}, Vec3{1.5, 0, -0.5}})
        ExpectHue(p, Hue::Tan, "inside the outline");
    EXPECT_NE(HueOf(PixelOf({1.5, 0, -2.2})), Hue::Tan) << "the notch";
}

// SVG pictures cut strokes the same way: the guide that crosses the eye plane is in the file.
TEST(VectorPicture, KeepsTheVisiblePartOfAGuideCrossingTheEyePlane) {
    Host host;
    AddMesh(host, Quad("Floor", {{-1, 0, -1}, {-1, 0, 1}, {1, 0, 1}, {1, 0, -1}}, "Floor"));
    const OverlayShape guide = EyePlaneGuide();
    const ViewOptions opts = EyePlaneView();
    const std::string path = ::testing::TempDir() + "gorva_guide_" + std::to_string(::getpid()) + ".svg";
    std::string error;
    ASSERT_TRUE(RenderScene(host, path, opts, error, {guide})) << error;
    std::ifstream in(path);
    std::string svg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    EXPECT_NE(svg.find("stroke:rgb(0%,100%,0%)"), std::string::npos);
}
