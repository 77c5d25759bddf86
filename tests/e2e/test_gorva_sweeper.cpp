// End-to-end: the Sweeper tool in the real gorva program. Scripts open paths as OBJ vertices, sweep
// profiles along them and save the scene; the saved OBJ holds what the sweep rules give.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "tests/e2e/e2e_support.hpp"

namespace {

/// The statements of a saved OBJ that matter here.
struct Obj {
    std::vector<std::array<double, 3>> v;
    std::vector<std::array<double, 2>> vt;
    size_t faces = 0;
    std::vector<std::string> groups;
};

Obj ReadObj(const fs::path &path) {
    Obj obj;
    std::istringstream in(Slurp(path));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "v") {
            std::array<double, 3> p{};
            words >> p[0] >> p[1] >> p[2];
            obj.v.push_back(p);
        } else if (keyword == "vt") {
            std::array<double, 2> t{};
            words >> t[0] >> t[1];
            obj.vt.push_back(t);
        } else if (keyword == "f") {
            ++obj.faces;
        } else if (keyword == "g") {
            std::string name;
            words >> name;
            obj.groups.push_back(name);
        }
    }
    return obj;
}

/// A path object of bare vertices (OBJ coordinates, one "x y z" each).
std::string PathObj(const std::vector<std::string> &points) {
    std::string text = "o Path\n";
    for (const std::string &p : points) text += "v " + p + "\n";
    return text;
}

/// Script lines that select the path's first `count` vertices in order, activate the tool and
/// build the path.
std::string StartLines(int count) {
    std::string text = "scene.open path.obj\nselect.typeFrom vertex\nselect.element 0 vertex set 0\n";
    for (int i = 1; i < count; ++i) text += "select.element 0 vertex add " + std::to_string(i) + "\n";
    return text + "tool.set gORVA.Sweeper on\ntool.press part:-1\ntool.release\n";
}

class GorvaSweeper : public GorvaProgram {
protected:
    /// Runs the script on the path and returns the saved scene.
    Obj Sweep(const std::string &pathObj, const std::string &lines) {
        Script("path.obj", pathObj);
        Script("sweep.gorva", lines + "tool.doApply\nscene.saveAs out.obj\n");
        last = Gorva("run sweep.gorva");
        EXPECT_EQ(last.status, 0) << last.err;
        return ReadObj(dir / "out.obj");
    }
    Outcome last;
};

const std::string kStraight = PathObj({"0 0 0", "2 0 0"});

}  // namespace

TEST_F(GorvaSweeper, AStraightMemberHasEightVerticesAndFourSidesSixWithCaps) {
    Obj plain = Sweep(kStraight, StartLines(2));
    EXPECT_EQ(plain.v.size(), 2u + 8u);
    EXPECT_EQ(plain.faces, 4u);
    EXPECT_EQ(plain.groups, std::vector<std::string>{"gORVA__Sweeper_Geometry"});
    Obj capped = Sweep(kStraight, StartLines(2) + "tool.attr gORVA.Sweeper cap_ends true\n");
    EXPECT_EQ(capped.v.size(), 2u + 8u);
    EXPECT_EQ(capped.faces, 6u);
}

TEST_F(GorvaSweeper, AClosedSquareHasSixteenVerticesAndSidesAndNoCaps) {
    Obj obj =
        Sweep(PathObj({"0 0 0", "2 0 0", "2 0 2", "0 0 2"}), StartLines(4) +
                                                                 "tool.attr gORVA.Sweeper cap_ends true\n"
                                                                 "tool.attr gORVA.Sweeper close_loop true\n");
    EXPECT_EQ(obj.v.size(), 4u + 16u);
    EXPECT_EQ(obj.faces, 16u);
}

TEST_F(GorvaSweeper, AFiveMetreMemberSpansOneUVUnitAlongThePath) {
    Obj obj = Sweep(PathObj({"0 0 0", "5 0 0"}), StartLines(2) + "tool.attr gORVA.Sweeper make_uvs true\n");
    ASSERT_EQ(obj.vt.size(), 16u);  // four corners of four sides
    double low = obj.vt[0][0], high = low;
    for (const auto &t : obj.vt) low = std::min(low, t[0]), high = std::max(high, t[0]);
    EXPECT_NEAR(low, 0.0, 1e-6);
    EXPECT_NEAR(high, 1.0, 1e-6);
}

TEST_F(GorvaSweeper, ARightAngledCornerIsMitredAtFortyFiveDegrees) {
    Obj obj = Sweep(PathObj({"0 0 0", "2 0 0", "2 0 2"}), StartLines(3));
    ASSERT_EQ(obj.v.size(), 3u + 12u);
    for (size_t k = 3 + 4; k < 3 + 8; ++k)  // the ring at the corner
        EXPECT_NEAR(obj.v[k][0] + obj.v[k][2], 2.0, 1e-6) << "vertex " << k;
}

TEST_F(GorvaSweeper, ASlopedProfilePolygonDisablesTheTool) {
    const std::string scene = kStraight + "o Profile\nv 0 0 0\nv 1 1 0\nv 1 1 1\nv 0 0 1\nf 3 4 5 6\n";
    Obj obj = Sweep(scene, StartLines(2) + "tool.attr gORVA.Sweeper size_a 0.2\n");
    EXPECT_EQ(obj.v.size(), 2u + 4u);
    EXPECT_EQ(obj.faces, 1u);
    gorva::host::Host host;
    EXPECT_NE(last.out.find("Dialog gORVA Sweeper Tool: " +
                            host.MessageText("gORVA.Sweeper", "CustomProfileUnusable", {})),
              std::string::npos)
        << last.out;
}

// One session through every control of the tool; the box lights red after a jump onto a polygon
// with no vertex in the profile's plane.
TEST_F(GorvaSweeper, EveryControlInOneSession) {
    const std::string scene =
        PathObj({"0 0 0", "3 0 0", "0 0 1", "1 0 1", "1 1 1", "1 2 2"}) + "f 3 4 5\nf 4 5 6\n";
    const std::string lines = StartLines(2) +
                              "tool.attr gORVA.Sweeper auto_size true\n"
                              "tool.attr gORVA.Sweeper profile_shape 2\n"
                              "tool.attr gORVA.Sweeper profile_shape 6\n"
                              "tool.attr gORVA.Sweeper size_a 0.05\n"
                              "tool.attr gORVA.Sweeper timber_presets_a s19x50\n"
                              "tool.attr gORVA.Sweeper timber_presets_b s45x45\n"
                              "tool.attr gORVA.Sweeper spin_cw true\n"
                              "tool.attr gORVA.Sweeper profile_flip_axis_b true\n"
                              "tool.attr gORVA.Sweeper rotation_angle 0.3\n"
                              "tool.attr gORVA.Sweeper mirror_end_type true\n"
                              "tool.attr gORVA.Sweeper start_end_type Vertical\n"
                              "tool.attr gORVA.Sweeper extend_path_start 0.2\n"
                              "tool.attr gORVA.Sweeper close_loop true\n"
                              "tool.attr gORVA.Sweeper cap_ends true\n"
                              "tool.attr gORVA.Sweeper make_uvs true\n"
                              "tool.attr gORVA.Sweeper uvs_stack true\n"
                              "tool.attr gORVA.Sweeper snap_point_to_path true\n"
                              "tool.press part:20003\ntool.release\n"
                              "tool.press part:10000\ntool.release\n"
                              "tool.press part:10006\ntool.release\n"
                              "tool.press part:-1 hitMesh:Path hitPolygon:1\ntool.release\n"
                              "render bad_target.svg\n"
                              "tool.press part:10008\ntool.release\n"
                              "tool.press part:-1 hitMesh:Path hitPolygon:0\ntool.release\n";
    Obj obj = Sweep(scene, lines);
    EXPECT_EQ(obj.v.size(), 6u + 2u * 10u);  // the quarter round has ten points
    EXPECT_EQ(obj.faces, 2u + 10u + 2u);
    EXPECT_EQ(obj.vt.size(), 10u * 4u + 2u * 10u);
    // The jump laid the profile's B edge from the path's start onto the vertex at (0, 0, 1): ring 1
    // reaches from z = 0 to 1, in the plane x = -0.2 of the extended start.
    double farthest = 0.0;
    for (size_t k = 6; k < 16; ++k) {
        EXPECT_NEAR(obj.v[k][0], -0.2, 1e-6) << k;
        EXPECT_GE(obj.v[k][2], -1e-6) << k;
        farthest = std::max(farthest, obj.v[k][2]);
    }
    EXPECT_NEAR(farthest, 1.0, 1e-6);  // the size handle took the distance as size B
    const std::string svg = Slurp(dir / "bad_target.svg");
    EXPECT_NE(svg.find("stroke:rgb(100%,0%,0%);stroke-opacity:1;stroke-dasharray"), std::string::npos);
}
