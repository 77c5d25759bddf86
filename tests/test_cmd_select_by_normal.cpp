// "gORVA.Cmd.SelectbyNormal" run end to end through the in-memory host.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/shapes.hpp"
#include "host/host.hpp"
#include "lx_wrap.hpp"
#include "lx_command.hpp"
#include "tests/test_support.hpp"

namespace {

using gorva::host::AddMesh;
using gorva::host::BoxShape;
using gorva::host::CommandResult;
using gorva::host::GridShape;
using gorva::host::Host;
using gorva::host::ItemData;
using gorva::host::MeshShape;
using gorva::host::SelectPolygons;

constexpr const char *kCommand = "gORVA.Cmd.SelectbyNormal";
constexpr double kHalfTurn = 3.141592653589793;

std::set<uint32_t> AllOf(const ItemData &item) {
    std::set<uint32_t> out;
    for (uint32_t i = 0; i < item.mesh->PolygonCount(); ++i) out.insert(i);
    return out;
}

/// One square of the given side in the XZ plane facing +Y, at the item position `at`.
MeshShape SquareSpec(float side, std::array<double, 3> at, const std::string &material = "",
                     const std::string &part = "") {
    MeshShape shape;
    shape.name = "Square";
    shape.points = {{0, 0, 0}, {0, 0, side}, {side, 0, side}, {side, 0, 0}};
    shape.polygons = {{{0, 1, 2, 3}, material, part}};
    shape.position = at;
    return shape;
}

class SelectByNormal : public CommandTest {
protected:
    SelectByNormal() : CommandTest(kCommand) {}

    /// Selects polygons of one item and makes polygons the current selection type.
    void Select(ItemData &item, const std::vector<uint32_t> &polygons) {
        SelectPolygons(host, item, polygons);
        host.selection.SetCurrent(gorva::host::kSelPolygon);
    }

    CommandResult Run(const std::string &mode) { return CommandTest::Run({{"match_mode", mode}}); }
};

// ---- fast mode

TEST_F(SelectByNormal, FastModeSelectsEqualNormalsAtAnyHeightInEveryLayer) {
    ItemData &floor = AddMesh(host, GridShape(3, 3));
    ItemData &upper = AddMesh(host, GridShape(2, 2, 5.0f, 10.0f));
    ItemData &box = AddMesh(host, BoxShape({20, -4, 0}, {21, -3, 1}));
    Select(floor, {4});

    ASSERT_TRUE(Run("0").ok());

    EXPECT_EQ(SelectedPolygons(floor), AllOf(floor));
    EXPECT_EQ(SelectedPolygons(upper), AllOf(upper));
    EXPECT_EQ(SelectedPolygons(box), (std::set<uint32_t>{1}));  // the top only
}

TEST_F(SelectByNormal, FastModeWithTwoTargetsKeepsToTheirPlaneWithinTolerance) {
    ItemData &floor = AddMesh(host, GridShape(3, 3));
    ItemData &nearFloor = AddMesh(host, GridShape(1, 1, 5e-7f, 20.0f));
    ItemData &justAbove = AddMesh(host, GridShape(1, 1, 2e-6f, 30.0f));
    ItemData &raised = AddMesh(host, GridShape(2, 2, 2.0f, 40.0f));
    Select(floor, {0, 1});

    ASSERT_TRUE(Run("0").ok());

    EXPECT_EQ(SelectedPolygons(floor), AllOf(floor));
    EXPECT_EQ(SelectedPolygons(nearFloor).size(), 1u);
    EXPECT_TRUE(SelectedPolygons(justAbove).empty());
    EXPECT_TRUE(SelectedPolygons(raised).empty());
}

TEST_F(SelectByNormal, FastModeIgnoresTheFullModeLimits) {
    ItemData &box = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    ItemData &far = AddMesh(host, SquareSpec(3.0f, {5, 9, 5}, "Other", "Other"));
    SetValue("gORVA_01_SelectbyNormal_IncludeFlipNormals", "1");
    SetValue("gORVA_01_SelectbyNormal_LimitBySize", "1");
    SetValue("gORVA_01_SelectbyNormal_LimitToMaterial", "1");
    Select(box, {1});

    ASSERT_TRUE(Run("0").ok());

    EXPECT_EQ(SelectedPolygons(box), (std::set<uint32_t>{1}));
    EXPECT_EQ(SelectedPolygons(far).size(), 1u);
}

// ---- match mode values

struct ModeCase {
    const char *mode;
    bool full;
};

void PrintTo(const ModeCase &c, std::ostream *os) {
    *os << "match_mode " << c.mode;
}

class MatchModeValue : public SelectByNormal, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(MatchModeValue, OnlyOneSelectsFullMode) {
    ItemData &box = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    SetValue("gORVA_01_SelectbyNormal_IncludeFlipNormals", "1");
    Select(box, {1});

    ASSERT_TRUE(Run(GetParam().mode).ok());

    const std::set<uint32_t> expected = GetParam().full ? std::set<uint32_t>{0, 1} : std::set<uint32_t>{1};
    EXPECT_EQ(SelectedPolygons(box), expected);
}

INSTANTIATE_TEST_SUITE_P(Values, MatchModeValue,
                         ::testing::Values(ModeCase{"0", false}, ModeCase{"1", true}, ModeCase{"fast", false},
                                           ModeCase{"FULL", true}));

TEST_F(SelectByNormal, AMatchModeThatIsNoChoiceIsRefusedAndSelectsNothing) {
    ItemData &box = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    Select(box, {1});
    for (const char *mode : {"5", "-1", "2", "1.5"}) {
        EXPECT_FALSE(Run(mode).ok()) << mode;
        EXPECT_EQ(SelectedPolygons(box), (std::set<uint32_t>{1})) << mode;
    }
}

// ---- full mode: normals

struct TiltCase {
    double tilt;  // radians about X
    bool selected;
};

void PrintTo(const TiltCase &c, std::ostream *os) {
    *os << "tilt " << c.tilt << " rad";
}

class NormalVariation : public SelectByNormal, public ::testing::WithParamInterface<TiltCase> {};

TEST_P(NormalVariation, AcceptsTiltsUpToTheVariation) {
    ItemData &target = AddMesh(host, GridShape(1, 1));
    MeshShape tilted = GridShape(1, 1, 0.0f, 5.0f);
    tilted.rotation = {GetParam().tilt, 0, 0};
    ItemData &candidate = AddMesh(host, tilted);
    SetValue("gORVA_01_SelectbyNormal_NormalVariation", "0.1");
    Select(target, {0});

    ASSERT_TRUE(Run("1").ok());

    EXPECT_EQ(SelectedPolygons(candidate).size(), GetParam().selected ? 1u : 0u);
    EXPECT_EQ(SelectedPolygons(target).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Tilts, NormalVariation,
                         ::testing::Values(TiltCase{0.05, true}, TiltCase{-0.05, true}, TiltCase{0.1, true},
                                           TiltCase{0.1 + 5e-7, true}, TiltCase{0.1 + 5e-6, false},
                                           TiltCase{0.2, false}));

TEST_F(SelectByNormal, FullModeWithoutVariationNeedsEqualNormals) {
    ItemData &target = AddMesh(host, GridShape(1, 1));
    MeshShape tilted = GridShape(1, 1, 0.0f, 5.0f);
    tilted.rotation = {0.01, 0, 0};
    ItemData &candidate = AddMesh(host, tilted);
    Select(target, {0});

    ASSERT_TRUE(Run("1").ok());

    EXPECT_TRUE(SelectedPolygons(candidate).empty());
}

TEST_F(SelectByNormal, FlippedNormalsReachTheUndersideInFullModeOnly) {
    ItemData &box = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    SetValue("gORVA_01_SelectbyNormal_IncludeFlipNormals", "1");

    Select(box, {1});
    ASSERT_TRUE(Run("1").ok());
    EXPECT_EQ(SelectedPolygons(box), (std::set<uint32_t>{0, 1}));

    host.selection.Clear(gorva::host::kSelPolygon);
    Select(box, {1});
    ASSERT_TRUE(Run("0").ok());
    EXPECT_EQ(SelectedPolygons(box), (std::set<uint32_t>{1}));
}

// ---- full mode: size

struct SizeCase {
    const char *variation;
    float targetSide;
    float candidateSide;
    bool selected;
};

void PrintTo(const SizeCase &c, std::ostream *os) {
    *os << "variation " << c.variation << ", sides " << c.targetSide << " and " << c.candidateSide;
}

class LimitBySize : public SelectByNormal, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(LimitBySize, ComparesPerimetersWithinTheVariation) {
    const SizeCase &c = GetParam();
    ItemData &target = AddMesh(host, SquareSpec(c.targetSide, {0, 0, 0}));
    ItemData &candidate = AddMesh(host, SquareSpec(c.candidateSide, {10, 0, 0}));
    SetValue("gORVA_01_SelectbyNormal_LimitBySize", "1");
    SetValue("gORVA_01_SelectbyNormal_SizeVariation", c.variation);
    Select(target, {0});

    ASSERT_TRUE(Run("1").ok());

    EXPECT_EQ(SelectedPolygons(candidate).size(), c.selected ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Perimeters, LimitBySize,
    ::testing::Values(
        // No variation: perimeters equal within 1e-6 (sides within 2.5e-7).
        SizeCase{"0", 0.25f, 0.25f, true}, SizeCase{"0", 0.25f, 0.2500001f, true},
        SizeCase{"0", 0.25f, 0.2500005f, false}, SizeCase{"0", 0.25f, 0.5f, false},
        // Variation 0.5 m around the candidate's perimeter, both ends included.
        SizeCase{"0.5", 0.25f, 0.3f, true}, SizeCase{"0.5", 0.25f, 0.125f, true},
        SizeCase{"0.5", 0.25f, 0.375f, true}, SizeCase{"0.5", 0.25f, 0.4f, false},
        SizeCase{"0.5", 0.25f, 0.1f, false},
        // Variation beyond the candidate's perimeter: the lower bound is 0.001 m, not below zero.
        SizeCase{"5", 0.0002f, 1.0f, false}, SizeCase{"5", 0.0005f, 1.0f, true}));

// ---- full mode: tags

TEST_F(SelectByNormal, LimitToPartNameNeverSelectsAnUntaggedCandidate) {
    ItemData &target = AddMesh(host, SquareSpec(1.0f, {0, 0, 0}));
    ItemData &untagged = AddMesh(host, SquareSpec(1.0f, {2, 0, 0}));
    ItemData &namedDefault = AddMesh(host, SquareSpec(1.0f, {4, 0, 0}, "", "Default"));
    ItemData &other = AddMesh(host, SquareSpec(1.0f, {6, 0, 0}, "", "Roof"));
    SetValue("gORVA_01_SelectbyNormal_LimitToPartName", "1");
    Select(target, {0});

    ASSERT_TRUE(Run("1").ok());

    EXPECT_TRUE(SelectedPolygons(untagged).empty());
    EXPECT_TRUE(SelectedPolygons(target).empty());
    EXPECT_EQ(SelectedPolygons(namedDefault).size(), 1u);
    EXPECT_TRUE(SelectedPolygons(other).empty());
}

TEST_F(SelectByNormal, LimitToPartNameWithNoMatchLeavesTheSelection) {
    ItemData &target = AddMesh(host, SquareSpec(1.0f, {0, 0, 0}));
    ItemData &untagged = AddMesh(host, SquareSpec(1.0f, {2, 0, 0}));
    SetValue("gORVA_01_SelectbyNormal_LimitToPartName", "1");
    Select(target, {0});

    ASSERT_TRUE(Run("1").ok());

    EXPECT_EQ(SelectedPolygons(target).size(), 1u);
    EXPECT_TRUE(SelectedPolygons(untagged).empty());
}

TEST_F(SelectByNormal, LimitToMaterialComparesTagsExactly) {
    ItemData &target = AddMesh(host, SquareSpec(1.0f, {0, 0, 0}, "Wood"));
    ItemData &same = AddMesh(host, SquareSpec(1.0f, {2, 0, 0}, "Wood"));
    ItemData &otherCase = AddMesh(host, SquareSpec(1.0f, {4, 0, 0}, "wood"));
    ItemData &untagged = AddMesh(host, SquareSpec(1.0f, {6, 0, 0}));
    SetValue("gORVA_01_SelectbyNormal_LimitToMaterial", "1");
    Select(target, {0});

    ASSERT_TRUE(Run("1").ok());

    EXPECT_EQ(SelectedPolygons(target).size(), 1u);
    EXPECT_EQ(SelectedPolygons(same).size(), 1u);
    EXPECT_TRUE(SelectedPolygons(otherCase).empty());
    EXPECT_TRUE(SelectedPolygons(untagged).empty());
}

TEST_F(SelectByNormal, LimitsMaySeverallyBeMetByDifferentTargets) {
    // One target gives the size, the other the material: a candidate passes on both counts.
    ItemData &small = AddMesh(host, SquareSpec(1.0f, {0, 0, 0}, "Stone"));
    ItemData &large = AddMesh(host, SquareSpec(2.0f, {3, 0, 0}, "Wood"));
    ItemData &candidate = AddMesh(host, SquareSpec(1.0f, {7, 0, 0}, "Wood"));
    SetValue("gORVA_01_SelectbyNormal_LimitBySize", "1");
    SetValue("gORVA_01_SelectbyNormal_LimitToMaterial", "1");
    Select(small, {0});
    Select(large, {0});

    ASSERT_TRUE(Run("1").ok());

    EXPECT_EQ(SelectedPolygons(candidate).size(), 1u);
}

// ---- world space

TEST_F(SelectByNormal, LayersAreComparedInWorldSpace) {
    ItemData &floor = AddMesh(host, GridShape(2, 2));
    MeshShape upsideDown = BoxShape({0, 0, 0}, {1, 1, 1});
    upsideDown.rotation = {kHalfTurn, 0, 0};
    upsideDown.position = {10, 7, 0};
    ItemData &box = AddMesh(host, upsideDown);
    MeshShape lowered = GridShape(1, 1, -3.0f, 20.0f);
    lowered.position = {0, 3, 0};
    ItemData &backOnFloor = AddMesh(host, lowered);
    MeshShape lifted = GridShape(1, 1, 0.0f, 30.0f);
    lifted.position = {0, 3, 0};
    ItemData &raised = AddMesh(host, lifted);
    Select(floor, {0, 1});

    ASSERT_TRUE(Run("0").ok());

    EXPECT_EQ(SelectedPolygons(floor), AllOf(floor));
    EXPECT_TRUE(SelectedPolygons(box).empty());  // faces up in world space but lies off the plane
    EXPECT_EQ(SelectedPolygons(backOnFloor).size(), 1u);
    EXPECT_TRUE(SelectedPolygons(raised).empty());
}

TEST_F(SelectByNormal, RotatedLayerMatchesByWorldNormal) {
    ItemData &floor = AddMesh(host, GridShape(2, 2));
    MeshShape upsideDown = BoxShape({0, 0, 0}, {1, 1, 1});
    upsideDown.rotation = {kHalfTurn, 0, 0};
    upsideDown.position = {10, 7, 0};
    ItemData &box = AddMesh(host, upsideDown);
    Select(floor, {0});

    ASSERT_TRUE(Run("0").ok());

    EXPECT_EQ(SelectedPolygons(box), (std::set<uint32_t>{0}));  // the local bottom now faces up
}

// ---- contiguous region

TEST_F(SelectByNormal, ContiguousFullModeStaysInTheConnectedRegion) {
    ItemData &box = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    ItemData &floor = AddMesh(host, GridShape(2, 2, 0.0f, 5.0f));
    SetValue("gORVA_01_SelectbyNormal_LimitToContiguous", "1");
    SetValue("gORVA_01_SelectbyNormal_IncludeFlipNormals", "1");
    Select(box, {1});

    ASSERT_TRUE(Run("1").ok());

    EXPECT_EQ(SelectedPolygons(box), (std::set<uint32_t>{0, 1}));
    EXPECT_TRUE(SelectedPolygons(floor).empty());
}

TEST_F(SelectByNormal, ContiguousMarksEveryGrownPolygonInTheLog) {
    ItemData &box = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    SetValue("gORVA_01_SelectbyNormal_LimitToContiguous", "1");
    Select(box, {1});

    ASSERT_TRUE(Run("1").ok());

    unsigned lines = 0;
    for (const auto &line : host.log)
        if (line.text == "Set mark on a polygon \n" && line.level == 2) ++lines;
    EXPECT_EQ(lines, 6u);
}

TEST_F(SelectByNormal, ASecondContiguousRunSearchesOnlyItsOwnRegion) {
    ItemData &first = AddMesh(host, GridShape(3, 3));
    ItemData &second = AddMesh(host, GridShape(3, 3, 0.0f, 10.0f));
    SetValue("gORVA_01_SelectbyNormal_LimitToContiguous", "1");

    Select(first, {0});
    ASSERT_TRUE(Run("1").ok());
    EXPECT_EQ(SelectedPolygons(first), AllOf(first));
    EXPECT_TRUE(SelectedPolygons(second).empty());

    host.selection.Clear(gorva::host::kSelPolygon);
    Select(second, {4});
    ASSERT_TRUE(Run("1").ok());
    EXPECT_TRUE(SelectedPolygons(first).empty());
    EXPECT_EQ(SelectedPolygons(second), AllOf(second));
}

TEST_F(SelectByNormal, ContiguousRunLeavesNoScratchMarksAndIgnoresStaleOnes) {
    ItemData &first = AddMesh(host, GridShape(2, 2));
    ItemData &second = AddMesh(host, GridShape(2, 2, 0.0f, 10.0f));
    const uint32_t user1 = gorva::host::MarkBitByName("user1");
    ASSERT_NE(user1, 0u);
    for (uint32_t p = 0; p < first.mesh->PolygonCount(); ++p)
        first.mesh->ChangeMarks(2, p, user1, 0);  // left by someone else
    SetValue("gORVA_01_SelectbyNormal_LimitToContiguous", "1");
    Select(second, {0});

    ASSERT_TRUE(Run("1").ok());

    EXPECT_TRUE(SelectedPolygons(first).empty());
    EXPECT_EQ(SelectedPolygons(second), AllOf(second));
    for (const ItemData *item : {&first, &second})
        for (uint32_t marks : item->mesh->PolygonMarks()) EXPECT_EQ(marks & user1, 0u);
}

TEST_F(SelectByNormal, ContiguousFastModeStillSearchesEveryPolygon) {
    ItemData &box = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    ItemData &floor = AddMesh(host, GridShape(2, 2, 0.0f, 5.0f));
    SetValue("gORVA_01_SelectbyNormal_LimitToContiguous", "1");
    Select(box, {1});

    ASSERT_TRUE(Run("0").ok());

    EXPECT_EQ(SelectedPolygons(box), (std::set<uint32_t>{1}));
    EXPECT_EQ(SelectedPolygons(floor), AllOf(floor));
}

TEST_F(SelectByNormal, ContiguousRunWithoutMatchLeavesTheSelection) {
    ItemData &box = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    SetValue("gORVA_01_SelectbyNormal_LimitToContiguous", "1");
    SetValue("gORVA_01_SelectbyNormal_LimitToPartName", "1");  // untagged polygons never match
    Select(box, {1});

    ASSERT_TRUE(Run("1").ok());

    EXPECT_EQ(SelectedPolygons(box), (std::set<uint32_t>{1}));
}

// A wall target and a floor target: a polygon facing like the wall whose centre happens to lie in the
// floor's plane is not in the plane of a target it faces like.
TEST_F(SelectByNormal, FastModeKeepsEachPolygonToThePlaneOfATargetFacingLikeIt) {
    ItemData &floor = AddMesh(host, GridShape(2, 2));
    MeshShape walls;
    walls.name = "Walls";
    // Facing +X: one in the plane x = 0, one at x = 5 standing across the floor's plane y = 0.
    walls.points = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}, {5, -1, 0}, {5, 1, 0}, {5, 1, 1}, {5, -1, 1}};
    walls.polygons = {{{0, 1, 2, 3}, "", ""}, {{4, 5, 6, 7}, "", ""}};
    ItemData &wall = AddMesh(host, walls);
    ASSERT_NEAR(wall.mesh->Positions()[4][1] + wall.mesh->Positions()[5][1], 0.0, 1e-12);
    Select(floor, {0});
    Select(wall, {0});

    ASSERT_TRUE(Run("0").ok());

    EXPECT_EQ(SelectedPolygons(floor), AllOf(floor));
    EXPECT_EQ(SelectedPolygons(wall), (std::set<uint32_t>{0}));
}

// ---- nothing to do

TEST_F(SelectByNormal, WithoutSelectedPolygonsNothingChanges) {
    ItemData &floor = AddMesh(host, GridShape(2, 2));
    host.selection.SetCurrent(gorva::host::kSelPolygon);

    ASSERT_TRUE(Run("0").ok());

    EXPECT_TRUE(SelectedPolygons(floor).empty());
    EXPECT_TRUE(host.monitors.empty());
}

// ---- enable

struct EnableCase {
    const char *name;
    gorva::host::SelType type;
    bool withPolygons;
    int version;
    const char *key;  // null when enabled
};

void PrintTo(const EnableCase &c, std::ostream *os) {
    *os << c.name;
}

class EnableState : public SelectByNormal, public ::testing::WithParamInterface<EnableCase> {};

TEST_P(EnableState, LastFailingCheckNamesTheReason) {
    const EnableCase &c = GetParam();
    MeshShape shape = GridShape(1, 1);
    if (!c.withPolygons) shape.polygons.clear();
    AddMesh(host, shape);
    host.selection.SetCurrent(c.type);
    host.version = c.version;

    const CommandResult r = host.TestEnable(kCommand, {{"match_mode", "0"}});

    if (!c.key) {
        EXPECT_TRUE(r.ok()) << r.message;
        return;
    }
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, Text(c.key));
}

INSTANTIATE_TEST_SUITE_P(
    Checks, EnableState,
    ::testing::Values(EnableCase{"Enabled", gorva::host::kSelPolygon, true, 801, nullptr},
                      EnableCase{"VertexMode", gorva::host::kSelVertex, true, 801, "WrongSelectionType"},
                      EnableCase{"EdgeMode", gorva::host::kSelEdge, true, 801, "WrongSelectionType"},
                      EnableCase{"ItemMode", gorva::host::kSelItem, true, 801, "WrongSelectionType"},
                      EnableCase{"NoPolygons", gorva::host::kSelPolygon, false, 801, "WrongSelectionType"},
                      EnableCase{"OtherVersion", gorva::host::kSelPolygon, true, 901, "WrongModoVersion"},
                      EnableCase{"BothFail", gorva::host::kSelVertex, false, 701, "WrongModoVersion"}),
    [](const ::testing::TestParamInfo<EnableCase> &param) { return std::string(param.param.name); });

TEST_F(SelectByNormal, CommandReportsTheSelectFlags) {
    AddMesh(host, GridShape(1, 1));
    ILxUnknownID obj = static_cast<ILxUnknownID>(host.SpawnServer(kCommand));
    ASSERT_NE(obj, nullptr);
    CLxUser_Command cmd;
    ASSERT_TRUE(cmd.set(obj));
    unsigned flags = 0;
    EXPECT_TRUE(LXx_OK(cmd.Flags(&flags)));
    EXPECT_EQ(flags, 0x6000080u);
    cmd.clear();
    lx::ObjRelease(obj);
}

// ---- progress monitor

TEST_F(SelectByNormal, AbortSkipsTheRestOfThatLayerOnly) {
    ItemData &first = AddMesh(host, GridShape(10, 10));
    ItemData &second = AddMesh(host, GridShape(10, 10, 0.0f, 20.0f));
    host.abortAtStep = 3;  // 200 matches in 50 steps of 4: the abort comes at the 12th
    Select(first, {0});

    ASSERT_TRUE(Run("0").ok());

    EXPECT_EQ(SelectedPolygons(first).size(), 12u);
    EXPECT_EQ(SelectedPolygons(second), AllOf(second));
    ASSERT_EQ(host.monitors.size(), 1u);
    EXPECT_EQ(host.monitors[0].title, "Selecting geometry...");
    EXPECT_EQ(host.monitors[0].total, 50u);
    EXPECT_EQ(host.monitors[0].steps, 3u);
    EXPECT_TRUE(host.monitors[0].aborted);
}

struct MonitorCase {
    unsigned nx, nz;
    unsigned steps;  // min(matches, 50): announced and taken
};

void PrintTo(const MonitorCase &c, std::ostream *os) {
    *os << c.nx << " x " << c.nz << " grid";
}

class MonitorSteps : public SelectByNormal, public ::testing::WithParamInterface<MonitorCase> {};

TEST_P(MonitorSteps, TakesExactlyTheStepsItAnnounces) {
    const MonitorCase &c = GetParam();
    ItemData &floor = AddMesh(host, GridShape(c.nx, c.nz));
    Select(floor, {0});

    ASSERT_TRUE(Run("0").ok());

    EXPECT_EQ(SelectedPolygons(floor).size(), size_t(c.nx) * c.nz);
    ASSERT_EQ(host.monitors.size(), 1u);
    EXPECT_EQ(host.monitors[0].total, c.steps);
    EXPECT_EQ(host.monitors[0].steps, c.steps);
}

// The stride stays total / steps (120 matches: 2); stepping stops at the 50th step rather than
// going on to 60.
INSTANTIATE_TEST_SUITE_P(Totals, MonitorSteps,
                         ::testing::Values(MonitorCase{7, 1, 7}, MonitorCase{10, 5, 50},
                                           MonitorCase{12, 10, 50}, MonitorCase{99, 1, 50},
                                           MonitorCase{101, 1, 50}));

// ---- size

TEST_F(SelectByNormal, MillionPolygonFloorIsSelectedWhole) {
    ItemData &floor = AddMesh(host, GridShape(1000, 1000));
    ItemData &wall = AddMesh(host, BoxShape({-5, 0, -5}, {-4, 1, -4}));
    Select(floor, {123456});

    ASSERT_TRUE(Run("0").ok());

    EXPECT_EQ(host.selection.Count(gorva::host::kSelPolygon), 1000001u);
    EXPECT_EQ(SelectedPolygons(wall), (std::set<uint32_t>{1}));
    ASSERT_EQ(host.monitors.size(), 1u);
    EXPECT_EQ(host.monitors[0].total, 50u);
    EXPECT_EQ(host.monitors[0].steps, 50u);
}

// ---- the host's connect command

TEST_F(SelectByNormal, PolygonConnectGrowsThroughSharedEdgesNotSharedVertices) {
    ASSERT_TRUE(host.HasCommand("select.polygonConnect"));
    // Quads a and b share an edge; c touches b at one corner only; d is apart.
    MeshShape shape;
    shape.points = {{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}, {2, 0, 1}, {2, 0, 0}, {2, 0, 2},
                    {3, 0, 2}, {3, 0, 1}, {5, 0, 0}, {5, 0, 1}, {6, 0, 1}, {6, 0, 0}};
    shape.polygons = {
        {{0, 1, 2, 3}, "", ""}, {{3, 2, 4, 5}, "", ""}, {{4, 6, 7, 8}, "", ""}, {{9, 10, 11, 12}, "", ""}};
    ItemData &mesh = AddMesh(host, shape);
    ItemData &other = AddMesh(host, GridShape(2, 2, 0.0f, 10.0f));
    Select(mesh, {0});

    ASSERT_TRUE(host.RunLine("select.polygonConnect").ok());

    EXPECT_EQ(SelectedPolygons(mesh), (std::set<uint32_t>{0, 1}));
    EXPECT_TRUE(SelectedPolygons(other).empty());
}

}  // namespace
