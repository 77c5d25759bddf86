// End-to-end: the bounding-box move tool and the vector scale tool driven by scripts through the real
// gorva program, checked in the saved scene (points in world space).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

#include "tests/e2e/e2e_support.hpp"

namespace {

using Point = std::array<double, 3>;
using Objects = std::map<std::string, std::vector<Point>>;

constexpr double kTol = 1e-5;

/// The points of each object of an OBJ file, in file order.
Objects ReadObjects(const fs::path &path) {
    Objects objects;
    std::istringstream in(Slurp(path));
    std::string line, current;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string tag;
        words >> tag;
        if (tag == "o") std::getline(words >> std::ws, current);
        if (tag != "v") continue;
        Point p{};
        words >> p[0] >> p[1] >> p[2];
        objects[current].push_back(p);
    }
    return objects;
}

double Lowest(const std::vector<Point> &points, int axis) {
    double low = INFINITY;
    for (const Point &p : points) low = std::min(low, p[size_t(axis)]);
    return low;
}

double Highest(const std::vector<Point> &points, int axis) {
    double high = -INFINITY;
    for (const Point &p : points) high = std::max(high, p[size_t(axis)]);
    return high;
}

void ExpectPoint(const Point &p, double x, double y, double z, const std::string &what) {
    EXPECT_NEAR(p[0], x, kTol) << what;
    EXPECT_NEAR(p[1], y, kTol) << what;
    EXPECT_NEAR(p[2], z, kTol) << what;
}

double Distance(const Point &a, const Point &b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

// Two unit squares side by side (x 0..2, y 0..1), a 2 x 4 x 1 bar and a unit cube at x = 5.
const char *const kScene = R"(o Squares
v 0 0 0
v 1 0 0
v 2 0 0
v 0 1 0
v 1 1 0
v 2 1 0
f 1 2 5 4
f 2 3 6 5
o Bar
v 0 0 0
v 2 0 0
v 2 0 1
v 0 0 1
v 0 4 0
v 2 4 0
v 2 4 1
v 0 4 1
f 7 8 9 10
f 11 14 13 12
f 7 11 12 8
f 10 9 13 14
f 7 10 14 11
f 8 12 13 9
o Cube
v 5 0 0
v 6 0 0
v 6 0 1
v 5 0 1
v 5 1 0
v 6 1 0
v 6 1 1
v 5 1 1
f 15 16 17 18
f 19 22 21 20
f 15 19 20 16
f 18 17 21 22
f 15 18 22 19
f 16 20 21 17
)";

class GorvaBBoxScale : public GorvaProgram {
protected:
    /// Runs the script on the scene and reads the saved result.
    Objects Run(const std::string &script) {
        Script("scene.obj", kScene);
        Script("s.gorva", "scene.open scene.obj\n" + script + "scene.saveAs out.obj\n");
        Outcome o = Gorva("run s.gorva");
        EXPECT_EQ(o.status, 0) << o.err;
        return ReadObjects(dir / "out.obj");
    }
};

}  // namespace

TEST_F(GorvaBBoxScale, ACornerDragMovesTheSelection) {
    Objects out = Run(
        "select.typeFrom polygon\nselect.element 0 polygon set 0\n"
        "tool.set gORVA.BBox on\ntool.press part:10007\ntool.drag 2 1.5 0.25\ntool.release\ntool.doApply\n");
    const auto &sq = out["Squares"];
    ASSERT_EQ(sq.size(), 6u);
    ExpectPoint(sq[0], 1, 0.5, 0.25, "moved by the drag");
    ExpectPoint(sq[4], 2, 1.5, 0.25, "shared point moved once");
    ExpectPoint(sq[2], 2, 0, 0, "unselected point stays");
}

TEST_F(GorvaBBoxScale, LockHeightMovesOnlySideways) {
    Objects out =
        Run("select.typeFrom vertex\nselect.element 0 vertex set 0\nselect.element 0 vertex add 4\n"
            "tool.set gORVA.BBox on\ntool.attr gORVA.BBox Lock_Height 1\n"
            "tool.press part:10000\ntool.drag 0.5 3 1\ntool.release\ntool.doApply\n");
    ExpectPoint(out["Squares"][0], 0.5, 0, 1, "no vertical move");
    ExpectPoint(out["Squares"][4], 1.5, 1, 1, "no vertical move");
}

TEST_F(GorvaBBoxScale, SetHeightLevelsATurnedScaledItemsLowestVertex) {
    Objects out =
        Run("item.transform Bar rot 30 0 45\nitem.transform Bar scl 2 1 0.5\nitem.transform Bar pos 0 5 0\n"
            "select.typeFrom polygon\nselect.element 1 polygon set 0\n"
            "tool.set gORVA.BBox on\ntool.attr gORVA.BBox Height 1\ntool.attr gORVA.BBox Set_Height 1\n"
            "tool.press part:10001\ntool.drag 7 2 3\ntool.release\ntool.doApply\n");
    // The bottom face (points 0 to 3) is what was selected; its lowest vertex lands at height 1.
    std::vector<Point> face(out["Bar"].begin(), out["Bar"].begin() + 4);
    EXPECT_NEAR(Lowest(face, 1), 1.0, kTol);
}

TEST_F(GorvaBBoxScale, SetHeightWithZUpLevelsAlongZ) {
    Objects out =
        Run("pref.value units.upAxis 2\nselect.typeFrom polygon\nselect.element 2 polygon set 0\n"
            "select.element 2 polygon add 1\n"
            "tool.set gORVA.BBox on\ntool.attr gORVA.BBox Height -2\ntool.attr gORVA.BBox Set_Height 1\n"
            "tool.press part:10000\ntool.drag 6 1 9\ntool.release\ntool.doApply\n");
    // The cube's bottom and top faces hold all its points: the whole cube moves, its least z at -2.
    EXPECT_NEAR(Lowest(out["Cube"], 2), -2.0, kTol);
    EXPECT_NEAR(Highest(out["Cube"], 2), -1.0, kTol);
    EXPECT_NEAR(Lowest(out["Cube"], 0), 6.0, kTol);
}

TEST_F(GorvaBBoxScale, GetHeightCarriesOneTopToAnotherSelection) {
    Objects out =
        Run("select.typeFrom polygon\nselect.element 1 polygon set 2\n"  // a side of the bar: y 0..4
            "tool.set gORVA.BBox on\ntool.attr gORVA.BBox Get_Height 1\ntool.doApply\n"
            "select.element 2 polygon set 0\nselect.element 2 polygon add 1\n"
            "tool.set gORVA.BBox on\ntool.attr gORVA.BBox Set_Height 1\n"
            "tool.press part:10000\ntool.drag 5 0 0\ntool.release\ntool.doApply\n");
    EXPECT_NEAR(Lowest(out["Cube"], 1), 4.0, kTol) << "the cube sits on the bar's top";
    EXPECT_NEAR(Highest(out["Cube"], 1), 5.0, kTol);
    EXPECT_NEAR(Lowest(out["Bar"], 1), 0.0, kTol) << "the bar stays";
}

TEST_F(GorvaBBoxScale, ATargetLengthScalesEachLayerAboutItsOwnCentre) {
    Objects out =
        Run("select.typeFrom vertex\nselect.element 1 vertex set 0\nselect.element 1 vertex add 1\n"
            "tool.set gORVA.Scale on\ntool.attr gORVA.Scale length 3\ntool.doApply\n");
    EXPECT_NEAR(Distance(out["Bar"][0], out["Bar"][1]), 3.0, kTol);
    ExpectPoint(out["Bar"][0], -0.5, -1, -0.25, "bar about (1, 2, 0.5)");
    ExpectPoint(out["Cube"][0], 4.75, -0.25, -0.25, "cube about (5.5, 0.5, 0.5)");
    ExpectPoint(out["Squares"][0], -0.5, -0.25, 0, "squares about (1, 0.5, 0)");
}

TEST_F(GorvaBBoxScale, GroupScalesAboutOneCentre) {
    Objects out =
        Run("select.typeFrom vertex\nselect.element 1 vertex set 0\nselect.element 1 vertex add 1\n"
            "tool.set gORVA.Scale on\ntool.attr gORVA.Scale group 1\ntool.attr gORVA.Scale length 3\n"
            "tool.doApply\n");
    // All three layers about (3, 2, 0.5), the centre of (0, 0, 0)..(6, 4, 1).
    EXPECT_NEAR(Distance(out["Bar"][0], out["Bar"][1]), 3.0, kTol);
    ExpectPoint(out["Bar"][0], -1.5, -1, -0.25, "bar");
    ExpectPoint(out["Cube"][0], 6, -1, -0.25, "cube");
    ExpectPoint(out["Squares"][5], 1.5, 0.5, -0.25, "squares");
}

TEST_F(GorvaBBoxScale, ABoxScaledToATypedSizeRestsOnTheGround) {
    Objects out = Run(
        "select.typeFrom polygon\nlayer.active Squares off\nlayer.active Cube off\n"
        "tool.set gORVA.Scale on\ntool.attr gORVA.Scale rest_on_ground 1\ntool.attr gORVA.Scale dims_y 3\n"
        "tool.attr gORVA.Scale dims_x 1\ntool.doApply\n");
    EXPECT_NEAR(Lowest(out["Bar"], 1), 0.0, kTol);
    EXPECT_NEAR(Highest(out["Bar"], 1), 3.0, kTol);
    EXPECT_NEAR(Lowest(out["Bar"], 0), 0.5, kTol) << "x about its centre 1";
    EXPECT_NEAR(Highest(out["Bar"], 0), 1.5, kTol);
    EXPECT_NEAR(Highest(out["Bar"], 2), 1.0, kTol) << "z untouched";
    ExpectPoint(out["Cube"][0], 5, 0, 0, "inactive layers stay");
}

TEST_F(GorvaBBoxScale, TheAxesPopupLimitsTheScale) {
    Objects out =
        Run("select.typeFrom polygon\ntool.set gORVA.Scale on\ntool.attr gORVA.Scale scale_axes YZ\n"
            "tool.attr gORVA.Scale scale_factor 2\ntool.doApply\n");
    ExpectPoint(out["Bar"][6], 2, 6, 1.5, "y and z doubled about (1, 2, 0.5), x kept");
    ExpectPoint(out["Cube"][6], 6, 1.5, 1.5, "y and z doubled about (5.5, 0.5, 0.5)");
}

TEST_F(GorvaBBoxScale, CoLocatedPointsWarnCloseOnesDisableTheLength) {
    // Point 2 of the squares is moved onto point 1 (co-located) or 3 mm from it (close); the selection
    // is points 0, 1 and 2, so p1 is point 2 and p2 point 0.
    for (const char *x : {"1", "1.003"}) {
        const bool close = std::string(x) != "1";
        std::string scene = kScene;
        scene.replace(scene.find("v 2 0 0"), 7, std::string("v ") + x + " 0 0");
        Script("scene.obj", scene);
        Script("s.gorva",
               "scene.open scene.obj\nlayer.active Bar off\nlayer.active Cube off\nselect.typeFrom vertex\n"
               "select.element 0 vertex set 0\nselect.element 0 vertex add 1\nselect.element 0 vertex add 2\n"
               "tool.view 3d 200 0.5 0.5 4\ntool.set gORVA.Scale on\ntool.attr gORVA.Scale length 2\n"
               "render warn.png width:400 height:300\ntool.doApply\nscene.saveAs out.obj\n");
        Outcome o = Gorva("run s.gorva");
        ASSERT_EQ(o.status, 0) << o.err;
        EXPECT_GT(fs::file_size(dir / "warn.png"), 1000u);
        Objects out = ReadObjects(dir / "out.obj");
        const double expected = close ? 1.003 : 2.0;  // ignored when close, else scaled from 1 to 2
        EXPECT_NEAR(Distance(out["Squares"][0], out["Squares"][2]), expected, kTol) << x;
    }
}
