// Select by height, run through the in-memory host on scenes built from the test shapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "CMD_SelectbyHeight_009.hpp"
#include "tests/support/shapes.hpp"
#include "host/host.hpp"
#include "tests/test_support.hpp"
#include "qk_select_sweep.hpp"

namespace {

using namespace gorva::host;
namespace height = gORVA_Cmds_SelectbyHeight;

constexpr const char *kCommand = "gORVA.Cmd.SelectbyHeight";

class SelectByHeightTest : public CommandTest {
protected:
    SelectByHeightTest() : CommandTest(kCommand) {}
    CommandResult Run(int mode) { return CommandTest::Run({{"match_mode", std::to_string(mode)}}); }
};

/// Points only, one per height along the up axis (Y unless `axis` says otherwise), spread along X/Z.
MeshShape PointsAt(const std::vector<float> &heights, int axis = 1) {
    MeshShape shape;
    for (size_t i = 0; i < heights.size(); ++i) {
        std::array<float, 3> p{float(i), float(i), float(i)};
        p[axis] = heights[i];
        shape.points.push_back(p);
    }
    return shape;
}

// Reference first; then values just inside and outside 1e-6 of the band ends and of the 1e7 limits.
const std::vector<float> kHeights = {2.0f,      1.5f,       1.499999f,  1.499998f,  3.0f,
                                     3.000001f, 3.000002f,  2.5f,       1.0f,       100.0f,
                                     -100.0f,   10000001.f, 10000003.f, -9999997.f, -9999999.f};

struct ModeCase {
    int mode;
    std::set<uint32_t> expected;
};

TEST_F(SelectByHeightTest, ModesSelectTheirBandWithEndsWithinTolerance) {
    const ModeCase cases[] = {
        {0, {0}},  {1, {0, 1, 2, 4, 5, 7}}, {2, {0, 4, 5, 6, 7, 9, 11}}, {3, {0, 1, 2, 3, 8, 10, 13}},
        {7, {0}},   // out of range: same height
        {-1, {0}},  // out of range: same height
    };
    SetValue("gORVA_01_SelectbyHeight_RangeUpper", "1.0");
    SetValue("gORVA_01_SelectbyHeight_RangeLower", "0.5");
    for (const ModeCase &c : cases) {
        host.NewScene();
        ItemData &mesh = AddMesh(host, PointsAt(kHeights));
        SelectPoints(host, mesh, {0});
        ASSERT_TRUE(Run(c.mode).ok()) << "mode " << c.mode;
        EXPECT_EQ(SelectedPoints(mesh), c.expected) << "mode " << c.mode;
    }
}

TEST_F(SelectByHeightTest, SameHeightToleranceIsOneMillionth) {
    ItemData &mesh = AddMesh(host, PointsAt({0.0f, 5e-7f, -5e-7f, 2e-6f, -2e-6f}));
    SelectPoints(host, mesh, {0});
    ASSERT_TRUE(Run(0).ok());
    EXPECT_EQ(SelectedPoints(mesh), (std::set<uint32_t>{0, 1, 2}));
}

TEST_F(SelectByHeightTest, ReferenceIsFirstSelectedInMeshOrderNotSelectionOrder) {
    ItemData &mesh = AddMesh(host, PointsAt({1.0f, 2.0f, 1.0f, 2.0f}));
    SelectPoints(host, mesh, {3, 0});
    ASSERT_TRUE(Run(0).ok());
    EXPECT_EQ(SelectedPoints(mesh), (std::set<uint32_t>{0, 2}));
}

TEST_F(SelectByHeightTest, UpAxisPreferenceChoosesTheCoordinate) {
    // Point 1 shares the reference's Z, point 2 its Y, point 3 its X.
    MeshShape shape;
    shape.points = {{1, 2, 3}, {9, 8, 3}, {7, 2, 6}, {1, 5, 4}};
    const struct {
        const char *axis;
        std::set<uint32_t> expected;
    } cases[] = {{"2", {0, 1}}, {"1", {0, 2}}, {"0", {0, 3}}, {"5", {0, 2}}};
    for (const auto &c : cases) {
        host.NewScene();
        host.SetPreference("units.upAxis", c.axis);
        ItemData &mesh = AddMesh(host, shape);
        SelectPoints(host, mesh, {0});
        ASSERT_TRUE(Run(0).ok());
        EXPECT_EQ(SelectedPoints(mesh), c.expected) << "up axis " << c.axis;
    }
}

TEST_F(SelectByHeightTest, ItemTransformsCompareLayersInWorldSpace) {
    MeshShape low = PointsAt({1.0f, 3.0f});
    MeshShape high = PointsAt({1.0f, -4.0f, 3.0f});
    high.name = "High";
    high.position = {0.0, 5.0, 0.0};
    ItemData &a = AddMesh(host, low);
    ItemData &b = AddMesh(host, high);

    SelectPoints(host, a, {0});
    SetValue("gORVA_01_SelectbyHeight_UseItemXfrms", "1");
    ASSERT_TRUE(Run(0).ok());
    EXPECT_EQ(SelectedPoints(a), (std::set<uint32_t>{0}));
    EXPECT_EQ(SelectedPoints(b), (std::set<uint32_t>{1}));  // local -4 sits at world 1

    SetValue("gORVA_01_SelectbyHeight_UseItemXfrms", "0");
    host.selection.Clear(kSelVertex);
    SelectPoints(host, a, {0});
    ASSERT_TRUE(Run(0).ok());
    EXPECT_EQ(SelectedPoints(a), (std::set<uint32_t>{0}));
    EXPECT_EQ(SelectedPoints(b), (std::set<uint32_t>{0}));  // local 1 in both meshes
}

TEST_F(SelectByHeightTest, ReferenceComesFromTheFirstLayerWithASelection) {
    ItemData &a = AddMesh(host, PointsAt({1.0f, 2.0f}));
    ItemData &b = AddMesh(host, PointsAt({2.0f, 1.0f}));
    SelectPoints(host, b, {1});
    ASSERT_TRUE(Run(0).ok());
    EXPECT_EQ(SelectedPoints(a), (std::set<uint32_t>{0}));
    EXPECT_EQ(SelectedPoints(b), (std::set<uint32_t>{1}));
}

TEST_F(SelectByHeightTest, EdgeHeightIsTheMidpoint) {
    // A wall quad 2 high: its two vertical edges have their midpoints at 1, where no point lies.
    MeshShape shape;
    shape.points = {{0, 0, 0}, {1, 0, 0}, {1, 2, 0}, {0, 2, 0}};
    shape.polygons = {{{0, 1, 2, 3}, "", ""}};
    ItemData &mesh = AddMesh(host, shape);
    SelectEdges(host, mesh, {{1, 2}});
    ASSERT_TRUE(Run(0).ok());
    EXPECT_EQ(SelectedEdges(mesh), (std::set<std::pair<uint32_t, uint32_t>>{{1, 2}, {0, 3}}));
}

TEST_F(SelectByHeightTest, PolygonHeightIsTheSinglePrecisionVertexAverage) {
    // 2^24 + 1 rounds back to 2^24 in single precision, so the order of the corners decides the sum:
    // (2^24, 1, 1) sums to 2^24, while (1, 1, 2^24) and (2^24, 2, 0) sum to 2^24 + 2.
    const float big = 16777216.0f;
    MeshShape shape;
    shape.points = {{0, big, 0}, {1, 2, 0},  {0, 0, 1},  {0, big, 5}, {1, 1, 5},
                    {0, 1, 6},   {0, 1, 10}, {1, 1, 10}, {0, big, 11}};
    shape.polygons = {{{0, 1, 2}, "", ""}, {{3, 4, 5}, "", ""}, {{6, 7, 8}, "", ""}};
    ItemData &mesh = AddMesh(host, shape);
    SelectPolygons(host, mesh, {0});
    ASSERT_TRUE(Run(0).ok());
    EXPECT_EQ(SelectedPolygons(mesh), (std::set<uint32_t>{0, 2}));
}

TEST_F(SelectByHeightTest, ReplacesOnlyTheSelectionOfTheCurrentType) {
    ItemData &mesh = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    SelectPoints(host, mesh, {0, 1});
    SelectPolygons(host, mesh, {0});
    ItemData &other = AddMesh(host, BoxShape({0, 5, 0}, {1, 6, 1}));
    SelectEdges(host, other, {{0, 1}});  // an old edge selection at another height
    SelectEdges(host, mesh, {{0, 1}});   // the reference: the first selected edge of the first layer
    const unsigned vertices = host.selection.Count(kSelVertex);
    const unsigned polygons = host.selection.Count(kSelPolygon);

    ASSERT_TRUE(Run(0).ok());
    EXPECT_EQ(host.selection.Count(kSelVertex), vertices);
    EXPECT_EQ(host.selection.Count(kSelPolygon), polygons);
    EXPECT_TRUE(SelectedEdges(other).empty());
    // The four bottom edges of the box lie at the reference height.
    EXPECT_EQ(SelectedEdges(mesh).size(), 4u);
}

TEST_F(SelectByHeightTest, NoSelectedReferenceChangesNothing) {
    ItemData &mesh = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    SelectPolygons(host, mesh, {0});
    host.selection.Clear(kSelPolygon);
    ASSERT_TRUE(Run(0).ok());
    EXPECT_EQ(host.selection.Count(kSelPolygon), 0u);
    EXPECT_TRUE(host.monitors.empty());
}

TEST_F(SelectByHeightTest, DisabledStatesCarryTheLastFailingKey) {
    MeshShape pointsOnly = PointsAt({0.0f, 1.0f});
    MeshShape empty;

    // No vertices at all in vertex mode.
    ItemData &e = AddMesh(host, empty);
    SelectPoints(host, e, {});
    host.selection.SetCurrent(kSelVertex);
    CommandResult r = host.TestEnable(kCommand, {});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, Text("NoItemsorItemsHaveNoGeometry"));

    // Points but no polygons in polygon mode.
    host.NewScene();
    AddMesh(host, pointsOnly);
    host.selection.SetCurrent(kSelPolygon);
    r = host.TestEnable(kCommand, {});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, Text("NoItemsorItemsHaveNoGeometry"));

    // The same points are enough in vertex mode.
    host.selection.SetCurrent(kSelVertex);
    EXPECT_TRUE(host.TestEnable(kCommand, {}).ok());

    // Item mode is refused without a key of its own; a wrong version then stands.
    host.selection.SetCurrent(kSelItem);
    EXPECT_FALSE(host.TestEnable(kCommand, {}).ok());
    host.version = 700;
    r = host.TestEnable(kCommand, {});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, Text("WrongModoVersion"));

    // A geometry failure and a version failure: the version key stands.
    host.selection.SetCurrent(kSelPolygon);
    r = host.TestEnable(kCommand, {});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, Text("WrongModoVersion"));
}

TEST_F(SelectByHeightTest, AbortSkipsTheRestOfThatLayerOnly) {
    ItemData &a = AddMesh(host, GridShape(10, 10));
    ItemData &b = AddMesh(host, GridShape(10, 10, 0.0f, 20.0f));
    SelectPolygons(host, a, {0});
    host.abortAtStep = 5;  // 200 matches: one step every 4, so the abort comes at the 20th
    ASSERT_TRUE(Run(0).ok());
    EXPECT_EQ(SelectedPolygons(a).size(), 20u);
    EXPECT_EQ(SelectedPolygons(b).size(), 100u);
    ASSERT_EQ(host.monitors.size(), 1u);
    EXPECT_EQ(host.monitors[0].title, "Selecting geometry...");
    EXPECT_TRUE(host.monitors[0].aborted);
    EXPECT_LE(host.monitors[0].steps, 5u);
}

TEST_F(SelectByHeightTest, MonitorTakesExactlyTheStepsItAnnounces) {
    // Rows of 10 matches: min(total, 50) steps of total / steps, never one past the announced count.
    const struct { unsigned rows, steps; } cases[] = {{1, 10}, {5, 50}, {12, 50}, {13, 50}, {99, 50}};
    for (const auto &c : cases) {
        host.NewScene();
        ItemData &mesh = AddMesh(host, GridShape(10, c.rows));
        SelectPolygons(host, mesh, {0});
        ASSERT_TRUE(Run(0).ok());
        ASSERT_EQ(host.monitors.size(), 1u);
        const MonitorRecord &m = host.monitors[0];
        EXPECT_EQ(m.total, c.steps) << c.rows;
        EXPECT_EQ(m.steps, c.steps) << c.rows;
        EXPECT_EQ(SelectedPolygons(mesh).size(), 10u * c.rows);
    }
}

TEST_F(SelectByHeightTest, HundredAndOneMatchesTakeFiftySteps) {
    // 101 matches: stride 101 / 50 = 2, so 50 steps (at 2, 4, ..., 100).
    ItemData &mesh = AddMesh(host, GridShape(101, 1));
    SelectPolygons(host, mesh, {0});
    ASSERT_TRUE(Run(0).ok());
    ASSERT_EQ(host.monitors.size(), 1u);
    EXPECT_EQ(host.monitors[0].total, 50u);
    EXPECT_EQ(host.monitors[0].steps, 50u);
}

TEST_F(SelectByHeightTest, AMillionPolygonsAreAllSelected) {
    ItemData &mesh = AddMesh(host, GridShape(1000, 1000));
    SelectPolygons(host, mesh, {123456});
    ASSERT_TRUE(Run(0).ok());
    EXPECT_EQ(host.selection.Count(kSelPolygon), 1000000u);
    ASSERT_EQ(host.monitors.size(), 1u);
    EXPECT_EQ(host.monitors[0].steps, 50u);
}

TEST(SelectByHeightRules, BoundsAndMatchesFollowTheMode) {
    const struct {
        height::MATCH_MODE mode;
        double lower, upper;
    } cases[] = {{height::MATCH_SAME, 2.0, 2.0},
                 {height::MATCH_RANGE, 1.5, 3.0},
                 {height::MATCH_ABOVE, 2.0, 10000002.0},
                 {height::MATCH_BELOW, -9999998.0, 2.0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        const height::HeightBand band = height::BoundsFor(c.mode, 2.0, 0.5, 1.0);
        EXPECT_DOUBLE_EQ(band.lower, c.lower);
        EXPECT_DOUBLE_EQ(band.upper, c.upper);
        EXPECT_TRUE(height::HeightMatches(c.mode, 2.0, 2.0, band));
        EXPECT_FALSE(height::HeightMatches(c.mode, std::nan(""), 2.0, band));
    }
    const height::HeightBand range = height::BoundsFor(height::MATCH_RANGE, 2.0, 0.5, 1.0);
    EXPECT_TRUE(height::HeightMatches(height::MATCH_RANGE, 2.9, 2.0, range));
    EXPECT_FALSE(height::HeightMatches(height::MATCH_RANGE, 3.1, 2.0, range));
    EXPECT_FALSE(height::HeightMatches(height::MATCH_SAME, 2.1, 2.0,
                                       height::BoundsFor(height::MATCH_SAME, 2.0, 0.5, 1.0)));
    EXPECT_EQ(height::ToMatchMode(4), height::MATCH_SAME);
    EXPECT_EQ(height::ToUpAxis(-1), height::UP_AXIS_Y);
}

TEST(SelectionProgress, PlanKeepsTheStrideOfTotalOverSteps) {
    const struct {
        size_t total, steps, stride;
    } cases[] = {{0, 0, 1},    {1, 1, 1},    {50, 50, 1},          {51, 50, 1},         {101, 50, 2},
                 {120, 50, 2}, {200, 50, 4}, {1000000, 50, 20000}, {1000001, 50, 20000}};
    for (const auto &c : cases) {
        const auto plan = qk::PlanProgress(c.total, qk::kMaxProgressSteps);
        EXPECT_EQ(plan.steps, c.steps) << c.total;
        EXPECT_EQ(plan.stride, c.stride) << c.total;
    }
}

}  // namespace
