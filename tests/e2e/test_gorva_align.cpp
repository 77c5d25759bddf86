// End-to-end: the component and mesh align tools run by the gorva program on scripts, checked in the
// saved scene (OBJ points in world space). Expected positions are worked out by hand from the items'
// transforms (world = scale x rotation x position x parent's world; rotations counter-clockwise).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/e2e/e2e_support.hpp"

namespace {

using Point = std::array<double, 3>;
using Objects = std::map<std::string, std::vector<Point>>;

const double kRoot2 = std::sqrt(2.0);

/// The points of each object of an OBJ file, by object name.
Objects ReadObjects(const std::string &text) {
    Objects objects;
    std::istringstream in(text);
    std::string current;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string tag;
        words >> tag;
        if (tag == "o") words >> current;
        if (tag != "v") continue;
        Point p{};
        words >> p[0] >> p[1] >> p[2];
        objects[current].push_back(p);
    }
    return objects;
}

/// An OBJ scene of point-only objects, in the given order (the active layers' order).
std::string SceneText(const std::vector<std::pair<std::string, std::vector<Point>>> &objects) {
    std::ostringstream out;
    for (const auto &o : objects) {
        out << "o " << o.first << "\n";
        for (const Point &p : o.second) out << "v " << p[0] << ' ' << p[1] << ' ' << p[2] << "\n";
    }
    return out.str();
}

struct Expected {
    std::string object;
    size_t index;
    Point at;
};

struct AlignCase {
    const char *name;
    std::vector<std::pair<std::string, std::vector<Point>>> scene;
    std::string script;
    std::vector<Expected> expected;
};

// "Turned" sits at (3, -1, 2), a quarter turn about Z, scale (2, 4, 1): its (1, 2, 3) is at (-5, 1, 5)
// and its (0, 0, 0) at (3, -1, 2). "Other" sits at (10, 0, 0), a quarter turn about Y, scale (1, 2, 3):
// its (1, 1, 1) is at (13, 2, -1) and its (0, 0, 0) at (10, 0, 0).
const std::vector<std::pair<std::string, std::vector<Point>>> kTurnedScene = {
    {"Turned", {{1, 2, 3}, {0, 0, 0}}}, {"Other", {{1, 1, 1}, {0, 0, 0}}}};
const std::string kTurnedTransforms =
    "item.transform Turned pos 3 -1 2\nitem.transform Turned rot 0 0 90\nitem.transform Turned scl 2 4 1\n"
    "item.transform Other pos 10 0 0\nitem.transform Other rot 0 90 0\nitem.transform Other scl 1 2 3\n";

// "Leaf" turns 45 degrees about Z at (0, 1, 0) under "Base", stretched twice along X at (1, 0, 0): its
// (1, 0, 0) is at (1 + 2c, 1 + c, 0) and its (2, 0, 0) at (1 + 4c, 1 + 2c, 0), c = sqrt 2 / 2.
const std::vector<std::pair<std::string, std::vector<Point>>> kParentedScene = {
    {"Base", {{0, 0, 0}}}, {"Leaf", {{1, 0, 0}, {2, 0, 0}}}, {"Target", {{5, 5, 5}}}};
const std::string kParentedTransforms =
    "item.transform Base pos 1 0 0\nitem.transform Base scl 2 1 1\nitem.transform Leaf pos 0 1 0\n"
    "item.transform Leaf rot 0 0 45\nitem.parent Leaf Base\n";

const char *const kSelectFirstOfEach = "select.typeFrom vertex\nselect.element 0 vertex set 0\n";

std::vector<AlignCase> Cases() {
    return {
        {"ComponentAcrossTurnedItemsWithSwitchAndOffset",
         kTurnedScene,
         kTurnedTransforms + kSelectFirstOfEach +
             "select.element 1 vertex add 0\n"
             "tool.set gORVA.ComponentAlignAToB on\n"
             "tool.attr gORVA.ComponentAlignAToB offset_y 0.5\n"
             "tool.press part:10003\n"  // Z off: A keeps its Z of 5
             "tool.press 13 2.5 5\n"    // the target handle, where it is drawn
             "tool.doApply\n",
         {{"Turned", 0, {13, 2.5, 5}}, {"Turned", 1, {3, -1, 2}}, {"Other", 0, {13, 2, -1}}}},
        {"ComponentParentedGroupThenEveryPointOnTheTarget",
         kParentedScene,
         kParentedTransforms +
             "select.typeFrom vertex\nselect.element 1 vertex set 0\nselect.element 1 vertex add 1\n"
             "select.element 2 vertex add 0\n"
             "tool.set gORVA.ComponentAlignAToB on\n"
             "tool.press part:10000\n"
             "tool.doApply\n"
             "select.element 0 vertex set 0\nselect.element 2 vertex add 0\n"
             "tool.set gORVA.ComponentAlignAToB on\n"
             "tool.attr gORVA.ComponentAlignAToB move_as_group off\n"
             "tool.press part:10000\n"
             "tool.doApply\n",
         // The Leaf's (2, 0, 0) is nearer to B and lands on it; (1, 0, 0) keeps its place beside it.
         {{"Leaf", 1, {5, 5, 5}},
          {"Leaf", 0, {5 - kRoot2, 5 - kRoot2 / 2, 5}},
          {"Base", 0, {5, 5, 5}},
          {"Target", 0, {5, 5, 5}}}},
        {"ComponentOneVertexToTheEarlierDestinationAndTheOrigin",
         {{"Blocks", {{1, 0, 0}, {4, 2, -1}, {7, 7, 7}, {2, 2, 2}, {3, 1, 1}}}},
         "select.typeFrom vertex\nselect.element 0 vertex set 0\nselect.element 0 vertex add 1\n"
         "tool.set gORVA.ComponentAlignAToB on\ntool.press part:10000\ntool.doApply\n"
         "select.element 0 vertex set 2\n"
         "tool.set gORVA.ComponentAlignAToB on\ntool.press part:10000\ntool.doApply\n"
         // A = (2, 2, 2) nearest to B = (3, 1, 1); with the target at the origin B moves along by -A.
         "select.element 0 vertex set 3\nselect.element 0 vertex add 4\n"
         "tool.set gORVA.ComponentAlignAToB on\n"
         "tool.attr gORVA.ComponentAlignAToB target_is_origin on\n"
         "tool.press part:10000\ntool.doApply\n",
         {{"Blocks", 0, {4, 2, -1}},
          {"Blocks", 2, {4, 2, -1}},
          {"Blocks", 3, {0, 0, 0}},
          {"Blocks", 4, {1, -1, -1}}}},
        {"MeshAcrossTurnedItems",
         kTurnedScene,
         kTurnedTransforms + kSelectFirstOfEach +
             "select.element 1 vertex add 0\n"
             "tool.set gORVA.MeshAlignAToB on\ntool.press part:10000\ntool.doApply\n",
         // The whole Turned mesh moves by (18, 1, -6); Other, where B lies, stays.
         {{"Turned", 0, {13, 2, -1}},
          {"Turned", 1, {21, 0, -4}},
          {"Other", 0, {13, 2, -1}},
          {"Other", 1, {10, 0, 0}}}},
        {"MeshSwappedWithOffsetAndSwitch",
         kTurnedScene,
         kTurnedTransforms + kSelectFirstOfEach +
             "select.element 1 vertex add 0\n"
             "tool.set gORVA.MeshAlignAToB on\n"
             "tool.attr gORVA.MeshAlignAToB swap_direction on\n"
             "tool.attr gORVA.MeshAlignAToB offset_x 0.25\n"
             "tool.press part:10002\n"  // Y off: Other's A keeps its Y of 2
             "tool.press part:10000\ntool.doApply\n",
         // Other's (1, 1, 1) goes from (13, 2, -1) to (-4.75, 2, 5): a move of (-17.75, 0, 6).
         {{"Other", 0, {-4.75, 2, 5}}, {"Other", 1, {-7.75, 0, 6}}, {"Turned", 0, {-5, 1, 5}}}},
        {"MeshParentedToTheTargetThenTheOrigin",
         kParentedScene,
         kParentedTransforms +
             "select.typeFrom vertex\nselect.element 1 vertex set 0\nselect.element 2 vertex add 0\n"
             "tool.set gORVA.MeshAlignAToB on\ntool.press part:10000\ntool.doApply\n"
             "select.element 1 vertex set 1\nselect.element 2 vertex add 0\n"
             "tool.set gORVA.MeshAlignAToB on\n"
             "tool.attr gORVA.MeshAlignAToB target_is_origin on\n"
             "tool.attr gORVA.MeshAlignAToB swap_direction on\n"  // refused after the origin target
             "tool.press part:10000\ntool.doApply\n",
         // First the Leaf's (1, 0, 0) goes to (5, 5, 5); then its (2, 0, 0), c beside it, to the origin.
         {{"Leaf", 1, {0, 0, 0}},
          {"Leaf", 0, {-kRoot2, -kRoot2 / 2, 0}},
          {"Target", 0, {5, 5, 5}},
          {"Base", 0, {1, 0, 0}}}},
    };
}

/// Names a case in test output by its name rather than its bytes.
void PrintTo(const AlignCase &c, std::ostream *os) {
    *os << c.name;
}

class GorvaAlign : public GorvaProgram, public ::testing::WithParamInterface<AlignCase> {};

}  // namespace

TEST_P(GorvaAlign, SavedSceneHoldsThePointsWhereTheyWereSent) {
    const AlignCase &c = GetParam();
    Script("scene.obj", SceneText(c.scene));
    Script("align.gorva",
           "scene.open scene.obj\n" + c.script + "scene.saveAs out.obj\nscene.dump out.json\n");
    Outcome o = Gorva("run align.gorva");
    ASSERT_EQ(o.status, 0) << o.err;
    const nlohmann::json dump = nlohmann::json::parse(Slurp(dir / "out.json"));
    for (const auto &line : dump["log"]) EXPECT_NE(line["level"], 0) << line["text"];
    const Objects objects = ReadObjects(Slurp(dir / "out.obj"));
    for (const Expected &e : c.expected) {
        ASSERT_TRUE(objects.count(e.object)) << e.object;
        ASSERT_LT(e.index, objects.at(e.object).size()) << e.object;
        const Point &p = objects.at(e.object)[e.index];
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(p[k], e.at[k], 2e-5) << e.object << " point " << e.index << " axis " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Align, GorvaAlign, ::testing::ValuesIn(Cases()),
                         [](const auto &p) { return std::string(p.param.name); });

TEST_F(GorvaProgram, AlignToolsAreRefusedWithTheirReasons) {
    Script("scene.obj", SceneText({{"Pair", {{0, 0, 0}, {1, 0, 0}}}}));
    Script("refused.gorva",
           "scene.open scene.obj\nselect.typeFrom vertex\nselect.element 0 vertex set 0\n"
           "tool.set gORVA.MeshAlignAToB on\n");
    Outcome o = Gorva("run refused.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("Select two vertices"), std::string::npos) << o.err;
}

TEST_F(GorvaProgram, AlignDemoSetsTheFrameInItsOpeningAndStacksTheBlocks) {
    const std::string examples = GORVA_EXAMPLES_DIR;
    Outcome o =
        Gorva("run --set EXAMPLES=" + examples + " --set OUT=. " + examples + "/scripts/80_align.gorva");
    ASSERT_EQ(o.status, 0) << o.err;
    for (const char *f : {"80_align_frame_tool.png", "80_align_frame_plan_tool.png",
                          "80_align_blocks_tool.png", "80_align.png", "80_align.svg"})
        EXPECT_GT(fs::file_size(dir / f), 100u) << f;
    const Objects objects = ReadObjects(Slurp(dir / "80_align.obj"));
    // The frame's outer corners on the opening's corners (1.4, 0.9) and (2.6, 2.1), 0.1 to 0.2 m deep
    // in the 0.3 m wall; the upper block's front corner on the lower block's, its far corner above.
    const Expected expected[] = {{"WindowFrame", 0, {1.4, 0.9, 0.1}},
                                 {"WindowFrame", 14, {2.6, 2.1, 0.2}},
                                 {"BlockB", 3, {8, 0.5, 0.6}},
                                 {"BlockB", 5, {8.8, 0.9, 0}},
                                 {"BlockA", 7, {8, 0.5, 0.6}}};
    for (const Expected &e : expected) {
        ASSERT_GT(objects.count(e.object), 0u) << e.object;
        const Point &p = objects.at(e.object).at(e.index);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(p[k], e.at[k], 2e-5) << e.object << " " << e.index << " " << k;
    }
}
