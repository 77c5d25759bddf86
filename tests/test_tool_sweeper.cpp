// The Sweeper tool driven by command lines as a script would: path set-up, profile, sizes, presets,
// spins, flips, rotation, path ends, loop, caps and UVs, snapping, the jump onto a polygon, and the
// refusals, checked against hand-computed positions in the path mesh.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <thread>

#include "Tool_Sweeper_037.hpp"
#include "Tool_Sweeper_Layers.hpp"
#include "Tool_Sweeper_Output.hpp"
#include "tests/support/shapes.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "lx_mesh.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;
using namespace gORVA_Tools_Sweeper;

namespace {

constexpr double kTol = 2e-6;  // mesh positions are single precision
constexpr double kPi = 3.141592653589793;

class SweeperToolTest : public ToolSceneTest {
protected:
    void SetUp() override {
        ToolSceneTest::SetUp();
        host.SetActive(*mesh, false);
    }
    /// An active mesh "Path" with these points and polygons.
    ItemData &PathMesh(const std::vector<Float3> &points, const std::vector<PolygonShape> &polygons = {}) {
        MeshShape shape;
        shape.name = "Path";
        shape.points = points;
        shape.polygons = polygons;
        path = &AddMesh(host, shape);
        base = path->mesh->PointCount();
        basePolygons = path->mesh->PolygonCount();
        return *path;
    }
    /// Selects the path points in order, activates the tool and builds the path with a first press.
    void Start(const std::vector<uint32_t> &order) {
        SelectPoints(host, *path, order);
        Line("tool.set gORVA.Sweeper on");
        Line("tool.press part:-1");
        Line("tool.release");
    }
    void Attr(const std::string &name, const std::string &value) {
        Line("tool.attr gORVA.Sweeper " + name + " " + value);
    }
    MeshData &M() { return *path->mesh; }
    uint32_t NewPoints() { return M().PointCount() - base; }
    uint32_t NewPolygons() { return M().PolygonCount() - basePolygons; }
    /// Point j of ring r (from 1), as written.
    Vector3 Ring(uint32_t r, uint32_t j, uint32_t m = 4) {
        return Vector3(M().Positions()[base + (r - 1) * m + j].data());
    }
    void ExpectAt(const Vector3 &p, const Vector3 &expected, const std::string &what) {
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(p.v[i], expected.v[i], kTol) << what << " axis " << i;
    }
    /// The message (table "gORVA.Sweeper") of the last dialog, empty when none opened.
    Vector3 AttrVec(const std::string &prefix) {
        return {AttrNumber(prefix + "X"), AttrNumber(prefix + "Y"), AttrNumber(prefix + "Z")};
    }
    std::string LastDialogKey() { return host.dialogs.empty() ? std::string() : host.dialogs.back().key; }
    /// A world position as a command line's three numbers.
    static std::string Pos(const Vector3 &p) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%.17g %.17g %.17g", p.x(), p.y(), p.z());
        return buf;
    }
    /// The last dialog refused the set-up for this reason and says the tool stays disabled.
    void ExpectRefusal(const std::string &reasonKey) {
        ASSERT_FALSE(host.dialogs.empty());
        const std::string reason = host.MessageText("gORVA.Sweeper", reasonKey, {});
        ASSERT_FALSE(reason.empty()) << reasonKey;
        EXPECT_EQ(host.dialogs.back().key, "SetUpRefused");
        EXPECT_EQ(host.dialogs.back().text, host.MessageText("gORVA.Sweeper", "SetUpRefused", {reason}));
        EXPECT_NE(host.dialogs.back().text.find(reason), std::string::npos);
        EXPECT_NE(host.dialogs.back().text.find("disabled until"), std::string::npos);
    }
    const DrawnStroke *DashedBox() {
        for (const DrawnStroke &s : host.Tools().Redraw().strokes)
            if (s.dash == 0x3333) return &s;
        return nullptr;
    }
    bool Drawn(int part) {
        const auto &handles = host.Tools().Drawing().handles;
        return std::any_of(handles.begin(), handles.end(),
                           [part](const DrawnHandle &h) { return h.part == part; });
    }

    ItemData *path = nullptr;
    uint32_t base = 0, basePolygons = 0;
};

const std::vector<Float3> kStraight = {{0, 0, 0}, {2, 0, 0}};

}  // namespace

// ---- what the sweep writes

TEST_F(SweeperToolTest, StraightMemberHasEightVerticesAndFourSidesSixWithCaps) {
    PathMesh(kStraight);
    Start({0, 1});
    EXPECT_EQ(NewPoints(), 8u);
    EXPECT_EQ(NewPolygons(), 4u);
    // The 100 mm square stands square to +X: profile X runs along -Z, profile Y up.
    ExpectAt(Ring(1, 0), {0, 0.05, -0.05}, "first ring, top right");
    ExpectAt(Ring(2, 2), {2, -0.05, 0.05}, "last ring, bottom left");
    for (uint32_t p = basePolygons; p < M().PolygonCount(); ++p)
        EXPECT_STREQ(M().Tag(p, LXi_PTAG_PART), "gORVA__Sweeper_Geometry");
    Attr("cap_ends", "true");
    EXPECT_EQ(NewPoints(), 8u);
    EXPECT_EQ(NewPolygons(), 6u);
    Line("tool.doApply");
    EXPECT_EQ(NewPolygons(), 6u);
}

TEST_F(SweeperToolTest, ClosedSquareHasSixteenVerticesAndSidesAndNoCaps) {
    PathMesh({{0, 0, 0}, {2, 0, 0}, {2, 0, 2}, {0, 0, 2}});
    Start({0, 1, 2, 3});
    Attr("cap_ends", "true");
    Attr("close_loop", "true");
    EXPECT_EQ(NewPoints(), 16u);
    EXPECT_EQ(NewPolygons(), 16u);
    // The first point is mitred between the closing side and the first: x = z through the origin.
    for (uint32_t j = 0; j < 4; ++j) EXPECT_NEAR(Ring(1, j).x(), Ring(1, j).z(), kTol) << j;
}

struct RecurringPath {
    const char *name;
    std::vector<Float3> points;  // selected in this order
    uint32_t openPolygons, closedPolygons;
};

class SweeperRecurringPath : public SweeperToolTest, public ::testing::WithParamInterface<RecurringPath> {};

// A position met again later in the path keeps every selected segment; only a point on the one
// selected just before it is doubled.
TEST_P(SweeperRecurringPath, KeepsEverySelectedSegmentOpenAndClosed) {
    const RecurringPath &c = GetParam();
    PathMesh(c.points);
    std::vector<uint32_t> order(c.points.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    Start(order);
    EXPECT_EQ(NewPolygons(), c.openPolygons);
    EXPECT_EQ(NewPoints(), c.openPolygons + 4);
    Attr("close_loop", "true");
    EXPECT_EQ(NewPolygons(), c.closedPolygons);
    EXPECT_EQ(NewPoints(), c.closedPolygons);
    for (uint32_t v = base; v < M().PointCount(); ++v)
        for (float x : M().Positions()[v]) ASSERT_TRUE(std::isfinite(x));
    Attr("close_loop", "false");
    EXPECT_EQ(NewPolygons(), c.openPolygons);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SweeperRecurringPath,
    ::testing::Values(
        // Through the origin twice, straight on at the crossing.
        RecurringPath{"FigureOfEight", {{0, 0, 0}, {2, 0, 2}, {2, 0, -2}, {0, 0, 0}, {-2, 0, 2}, {-2, 0, -2}}, 20,
                      24},
        // Back onto its first point: open it ends there, closed the last point is the first.
        RecurringPath{"BackToItsStart", {{0, 0, 0}, {2, 0, 0}, {2, 0, 2}, {0, 0, 2}, {0, 0, 0}}, 16, 16},
        // A point selected twice in a row counts once.
        RecurringPath{"DoubledInARow", {{0, 0, 0}, {2, 0, 0}, {2, 0, 5e-7f}, {2, 0, 2}, {0, 0, 2}}, 12, 16}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(SweeperToolTest, RightAngledCornerIsMitredAtFortyFiveDegrees) {
    PathMesh({{0, 0, 0}, {2, 0, 0}, {2, 0, 2}});
    Start({0, 1, 2});
    for (uint32_t j = 0; j < 4; ++j) EXPECT_NEAR(Ring(2, j).x() + Ring(2, j).z(), 2.0, kTol) << j;
    ExpectAt(Ring(2, 0), {2.05, 0.05, -0.05}, "outer top corner of the mitre");
    ExpectAt(Ring(3, 0), {2.05, 0.05, 2}, "end square to the second side");
}

TEST_F(SweeperToolTest, FiveMetreMemberSpansOneUVUnitAlongThePath) {
    PathMesh({{0, 0, 0}, {5, 0, 0}});
    Start({0, 1});
    Attr("make_uvs", "true");
    const MeshMap *uv = M().FindMap(LXi_VMAP_TEXTUREUV, "Texture");
    ASSERT_NE(uv, nullptr);
    for (uint32_t p = basePolygons; p < M().PolygonCount(); ++p) {
        const uint32_t c = M().FirstCorner(p);
        const float *first = uv->values.Find(c), *next = uv->values.Find(c + 1),
                    *last = uv->values.Find(c + 3);
        ASSERT_TRUE(first && next && last);
        EXPECT_NEAR(first[0], 0.0, 1e-6);
        EXPECT_NEAR(last[0], 1.0, 1e-6);
        // 100 mm of outline is 0.02 down V.
        EXPECT_NEAR(first[1] - next[1], 0.02, 1e-6);
    }
    Attr("make_uvs", "false");
    EXPECT_EQ(NewPolygons(), 4u);
    EXPECT_EQ(uv->values.Find(M().FirstCorner(basePolygons)), nullptr);
}

// ---- the profile: shape, sizes, presets, spin, flips, rotation

TEST_F(SweeperToolTest, SizesScaleTheProfileAndPresetsSetBoth) {
    PathMesh(kStraight);
    Start({0, 1});
    EXPECT_DOUBLE_EQ(AttrNumber("size_a"), 0.1);  // unset sizes start at 100 mm
    Attr("size_a", "0.3");
    ExpectAt(Ring(1, 0), {0, 0.05, -0.15}, "wider along A");
    Attr("timber_presets_b", "s38x50");
    EXPECT_DOUBLE_EQ(AttrNumber("size_a"), 0.038);
    EXPECT_DOUBLE_EQ(AttrNumber("size_b"), 0.05);
    ExpectAt(Ring(1, 0), {0, 0.025, -0.019}, "s38x50");
    Attr("timber_presets_a", "s12x25");  // one list at a time
    EXPECT_EQ(host.Tools().Attribute("timber_presets_b"), "0");
    EXPECT_DOUBLE_EQ(AttrNumber("size_b"), 0.025);
    Attr("size_b", "0.04");
    EXPECT_EQ(host.Tools().Attribute("timber_presets_a"), "0");
    Attr("uniform_scaling", "true");
    Attr("size_a", "0.024");  // the same scale on both axes of the 100 mm square
    EXPECT_NEAR(AttrNumber("size_b"), 0.024, 1e-12);
}

TEST_F(SweeperToolTest, ShapeSpinAndFlipsTurnAndMirrorTheProfile) {
    PathMesh(kStraight);
    Start({0, 1});
    Attr("auto_size", "true");
    Attr("profile_shape", "4");  // Half Round, native 12.7 by 25.4 mm
    EXPECT_EQ(NewPoints(), 2u * 17u);
    EXPECT_DOUBLE_EQ(AttrNumber("size_a"), 0.0127);
    Attr("spin_cw", "true");
    EXPECT_EQ(host.Tools().Attribute("spin_cw"), "0");
    EXPECT_DOUBLE_EQ(AttrNumber("size_a"), 0.0254);
    EXPECT_DOUBLE_EQ(AttrNumber("size_b"), 0.0127);
    Attr("spin_ccw", "true");

    Attr("profile_shape", "1");  // Angle: point 0 at (0.05, 0.05)
    ExpectAt(Ring(1, 0, 6), {0, 0.05, -0.05}, "angle, unflipped");
    Attr("profile_flip_axis_a", "true");
    EXPECT_EQ(host.Tools().Attribute("profile_flip_axis_a"), "0");
    ExpectAt(Ring(1, 0, 6), {0, 0.05, 0.05}, "mirrored across the profile's Y axis");
    ExpectAt(Ring(1, 1, 6), {0, -0.05, 0.05}, "order reversed after the first point");
    Attr("profile_flip_axis_a", "false");  // not a press
    ExpectAt(Ring(1, 0, 6), {0, 0.05, 0.05}, "still mirrored");
}

TEST_F(SweeperToolTest, RotationTurnsTheProfileAndWrapsIntoOneTurn) {
    PathMesh(kStraight);
    Start({0, 1});
    Attr("rotation_angle", "7.853981633974483");  // a quarter turn and a whole one
    EXPECT_NEAR(AttrNumber("rotation_angle"), kPi / 2, 1e-12);
    // A quarter turn clockwise in the profile's plane: (0.05, 0.05) goes to (0.05, -0.05).
    ExpectAt(Ring(1, 0), {0, -0.05, -0.05}, "turned");
}

TEST_F(SweeperToolTest, ChoosingCustomWithoutAPolygonFallsBackToTheRectangle) {
    PathMesh(kStraight);
    Start({0, 1});
    Attr("profile_shape", "2");
    EXPECT_EQ(NewPoints(), 2u * 38u);
    Attr("profile_shape", "Custom");
    EXPECT_EQ(host.Tools().Attribute("profile_shape"), "0");
    EXPECT_EQ(NewPoints(), 8u);
}

// ---- path ends and loop

TEST_F(SweeperToolTest, ExtensionsAndEndTypesMoveAndTurnTheCuts) {
    PathMesh({{0, 0, 0}, {2, 1, 0}});
    Start({0, 1});
    Attr("mirror_end_type", "true");
    Attr("extend_path_start", "0.5");
    EXPECT_NEAR(AttrNumber("extend_path_end"), 0.5, 1e-12);  // mirrored
    Attr("start_end_type", "Vertical");
    EXPECT_EQ(host.Tools().Attribute("finish_end_type"), "2");
    // Both cuts vertical, through points 0.5 m beyond the ends along the slope.
    const double back = 0.5 / std::sqrt(5.0);
    for (uint32_t j = 0; j < 4; ++j) {
        EXPECT_NEAR(Ring(1, j).x(), -2 * back, 1e-5) << j;
        EXPECT_NEAR(Ring(2, j).x(), 2 + 2 * back, 1e-5) << j;
    }
    Attr("reset_path_ends", "true");
    EXPECT_EQ(host.Tools().Attribute("reset_path_ends"), "0");
    EXPECT_EQ(host.Tools().Attribute("start_end_type"), "0");
    EXPECT_EQ(host.Tools().Attribute("mirror_end_type"), "1");
    EXPECT_DOUBLE_EQ(AttrNumber("extend_path_start"), 0.0);
}

TEST_F(SweeperToolTest, CloseLoopOnATwoPointPathIsSwitchedOff) {
    PathMesh(kStraight);
    Start({0, 1});
    Attr("close_loop", "true");
    EXPECT_EQ(host.Tools().Attribute("close_loop"), "0");
    EXPECT_EQ(NewPolygons(), 4u);
}

TEST_F(SweeperToolTest, OptionsAreGreyedWithTheirReasons) {
    PathMesh({{0, 0, 0}, {2, 0, 0}, {2, 0, 2}});
    Start({0, 1, 2});
    auto refused = [&](const std::string &attr, const char *key) {
        CommandResult r = host.Tools().SetAttribute("gORVA.Sweeper", attr, "1");
        EXPECT_FALSE(r.ok()) << attr;
        EXPECT_EQ(r.message, host.MessageText("gORVA.Sweeper", key, {})) << attr;
    };
    refused("uvs_stack", "NeedsMakeUVs");
    Attr("make_uvs", "true");
    Attr("uvs_stack", "true");
    Attr("mirror_end_type", "true");
    refused("finish_end_type", "NeedsMirrorOff");
    refused("extend_path_end", "NeedsMirrorOff");
    Attr("close_loop", "true");
    for (const char *attr : {"cap_ends", "start_end_type", "mirror_end_type", "extend_path_start",
                             "finish_end_type", "extend_path_end"})
        refused(attr, "NeedsOpenLoop");
}

// ---- refusals

TEST_F(SweeperToolTest, EnableNeedsSelectedVerticesAndNoReferenceSystem) {
    PathMesh(kStraight);
    CommandResult r = host.RunLine("tool.set gORVA.Sweeper on");
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, host.MessageText("gORVA.Sweeper", "NeedsVertexSelection", {}));
    SelectPoints(host, *path, {0, 1});
    host.refSystem = path->ident;
    r = host.RunLine("tool.set gORVA.Sweeper on");
    EXPECT_EQ(r.message, host.MessageText("gORVA.Sweeper", "ItemLocalSpaceRefIsSet", {}));
}

struct RefusedPath {
    const char *name;
    std::vector<Float3> points;
    std::vector<uint32_t> order;
    const char *key;
};

class SweeperRefusedPath : public SweeperToolTest, public ::testing::WithParamInterface<RefusedPath> {};

TEST_P(SweeperRefusedPath, DisablesTheToolForTheActivationWithItsReason) {
    PathMesh(GetParam().points);
    Start(GetParam().order);
    ExpectRefusal(GetParam().key);
    const size_t dialogs = host.dialogs.size();
    Line("tool.press part:-1");  // ignored from now on
    Line("tool.release");
    Attr("size_a", "0.2");
    EXPECT_EQ(NewPoints(), 0u);
    EXPECT_TRUE(host.Tools().Drawing().handles.empty());
    EXPECT_EQ(host.dialogs.size(), dialogs);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SweeperRefusedPath,
    ::testing::Values(RefusedPath{"OnePoint", {{0, 0, 0}, {1, 0, 0}}, {0}, "PathNeedsTwoPoints"},
                      RefusedPath{"SamePointTwice", {{0, 0, 0}, {0, 0, 0}}, {0, 1}, "PathNeedsTwoPoints"},
                      RefusedPath{
                          "TurnsBack", {{0, 0, 0}, {2, 0, 0}, {1, 0, 0}}, {0, 1, 2}, "PathTurnsBack"}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(SweeperToolTest, AClosedLoopThatTurnsBackWritesNothingAndSaysWhy) {
    PathMesh({{0, 0, 0}, {2, 0, 0}, {4, 0, 0}});  // closing runs straight back over the path
    Start({0, 1, 2});
    EXPECT_EQ(NewPolygons(), 8u);
    Attr("close_loop", "true");
    EXPECT_EQ(NewPoints(), 0u);
    EXPECT_EQ(LastDialogKey(), "PathTurnsBack");
    Attr("close_loop", "false");
    EXPECT_EQ(NewPolygons(), 8u);
}

TEST_F(SweeperToolTest, ASweepBeyondWhatAMeshHoldsWritesNothing) {
    // A path near the top of the range: the profile's corners go past it.
    PathMesh({{0, 0, 3e38}, {2, 0, 3e38}});
    Start({0, 1});
    Attr("size_a", "3e38");
    EXPECT_EQ(NewPoints(), 0u);
    EXPECT_EQ(NewPolygons(), 0u);
    EXPECT_EQ(LastDialogKey(), "SweepNotFinite");
    Attr("size_a", "0.2");
    EXPECT_EQ(NewPoints(), 8u);
}

TEST_F(SweeperToolTest, AMeshWithoutTextureGetsNoPolygonsAndNoStrayVertices) {
    PathMesh(kStraight);
    M().RemoveMap(M().MapIndex(LXi_VMAP_TEXTUREUV, "Texture"));
    Start({0, 1});
    EXPECT_EQ(NewPoints(), 0u);
    EXPECT_EQ(NewPolygons(), 0u);
    EXPECT_EQ(LastDialogKey(), "NeedsTextureMap");
}

// ---- custom profiles from a second layer

TEST_F(SweeperToolTest, ASecondLayersPolygonBecomesTheProfile) {
    PathMesh(kStraight);
    MeshShape triangle;
    triangle.name = "Profile";
    triangle.points = {{5, 5, 1}, {5.3f, 5, 1}, {5, 5.3f, 1}};  // facing +Z
    triangle.polygons = {{{0, 1, 2}, "", ""}};
    AddMesh(host, triangle);
    Attr("auto_size", "true");  // native size
    Start({0, 1});
    EXPECT_EQ(host.Tools().Attribute("profile_shape"), "7");
    EXPECT_EQ(NewPoints(), 6u);
    EXPECT_EQ(NewPolygons(), 3u);
    // Centred on its box: the right angle at (-0.15, -0.15) in the profile's plane.
    ExpectAt(Ring(1, 0, 3), {0, -0.15, 0.15}, "right-angle corner");
}

TEST_F(SweeperToolTest, ASlopedProfilePolygonDisablesTheTool) {
    PathMesh(kStraight);
    MeshShape sloped;
    sloped.name = "Profile";
    sloped.points = {{0, 0, 0}, {1, 1, 0}, {1, 1, 1}, {0, 0, 1}};
    sloped.polygons = {{{0, 1, 2, 3}, "", ""}};
    AddMesh(host, sloped);
    Start({0, 1});
    ExpectRefusal("CustomProfileUnusable");
    EXPECT_EQ(NewPoints(), 0u);
    Attr("size_a", "0.2");
    EXPECT_EQ(NewPoints(), 0u);
}

TEST_F(SweeperToolTest, AProfilePolygonWithoutWidthOrHeightSaysSo) {
    const std::vector<std::vector<Float3>> flat = {
        {{5, 5, 1}, {5.5f, 5, 1}, {6, 5, 1}},                  // its points on one line
        {{5, 5, 1}, {6, 5, 1}, {6, 5, 1.0000002f}, {5, 5, 1}},  // a sliver of no thickness
    };
    for (const auto &points : flat) {
        host.NewScene();
        PathMesh(kStraight);
        MeshShape profile;
        profile.name = "Profile";
        profile.points = points;
        std::vector<uint32_t> corners(points.size());
        for (uint32_t i = 0; i < corners.size(); ++i) corners[i] = i;
        profile.polygons = {{corners, "", ""}};
        AddMesh(host, profile);
        Start({0, 1});
        ExpectRefusal("CustomProfileFlat");
        EXPECT_EQ(NewPoints(), 0u);
        Line("tool.set gORVA.Sweeper off");
    }
}

// ---- handles: corner snap, profile point snap, moving, the jump

TEST_F(SweeperToolTest, PressingACornerPutsItOnThePathsFirstPoint) {
    PathMesh(kStraight);
    Start({0, 1});
    Line("tool.press part:10000 mode:ctrl");  // Ctrl: no snap source
    Line("tool.release");
    ExpectAt(Ring(1, 0), {0, 0.05, -0.05}, "unmoved after a Ctrl click");
    Line("tool.press part:10003");  // bottom left
    Line("tool.release");
    ExpectAt(Ring(1, 2), {0, 0, 0}, "bottom-left point on the path");
    ExpectAt(AttrVec("bl"), {0, 0, 0}, "bottom-left handle");
    EXPECT_TRUE(Drawn(PART_DIRECTION_A) && Drawn(PART_SIZE_B));
    Attr("size_a", "0.3");  // the snapped corner stays on the path
    ExpectAt(Ring(1, 2), {0, 0, 0}, "after a resize");
    Line("tool.press part:10000 button:1");  // right click: no snap
    Line("tool.release");
    EXPECT_FALSE(Drawn(PART_DIRECTION_A));
}

TEST_F(SweeperToolTest, SnappingAProfilePointShowsOnlyPointHandlesOnce) {
    PathMesh(kStraight);
    Start({0, 1});
    Attr("snap_point_to_path", "true");
    const auto &handles = host.Tools().Drawing().handles;
    ASSERT_EQ(handles.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(handles[i].part, PART_PROFILE_POINT + i);
    Line("tool.press part:20001");
    Line("tool.release");
    EXPECT_EQ(host.Tools().Attribute("snap_point_to_path"), "0");
    ExpectAt(Ring(1, 1), {0, 0, 0}, "point 1 on the path");
    EXPECT_TRUE(Drawn(PART_CORNER_TR));
}

TEST_F(SweeperToolTest, MoveHandlesSlideTheProfileAlongTheirAxis) {
    PathMesh(kStraight);
    Start({0, 1});
    Line("tool.press part:10004");  // along the handle frame's X: world -Z here
    Line("tool.drag 0 3 -0.35");    // from the top-right corner at (0, 0.05, -0.05)
    Line("tool.release");
    ExpectAt(Ring(1, 0), {0, 0.05, -0.35}, "moved 0.3 along -Z only");
    ExpectAt(Ring(2, 0), {2, 0.05, -0.35}, "far ring follows");
}

// Where the active corner and its move arrows overlap, the press takes the one drawn on top (the
// last); along an arrow away from the corner, that arrow.
TEST_F(SweeperToolTest, APressWhereHandlesOverlapTakesTheOneOnTop) {
    PathMesh(kStraight);
    Start({0, 1});
    const auto arrows = [&] {
        std::vector<DrawnHandle> drawn;
        for (const DrawnHandle &h : host.Tools().Redraw().handles)
            if (h.kind == DrawnHandle::Axis) drawn.push_back(h);
        return drawn;
    };
    std::vector<DrawnHandle> drawn = arrows();
    ASSERT_EQ(drawn.size(), 2u);
    ASSERT_GT(drawn[0].length * 0.8, 8.0 / host.Tools().view.pixelScale);  // beyond reach of the corner
    const Vector3 first(drawn[0].axis.data()), second(drawn[1].axis.data());
    const auto pressAndDrag = [&](const Vector3 &at) {
        const Vector3 before = Ring(1, 0);
        Line("tool.press " + Pos(at));
        Line("tool.drag " + Pos(at + (first + second) * 0.2));
        Line("tool.release");
        return Ring(1, 0) - before;
    };
    // Along the first arrow, away from the corner: the profile slides along that arrow only.
    Vector3 moved = pressAndDrag(Vector3(drawn[0].pos.data()) + first * (drawn[0].length * 0.8));
    EXPECT_NEAR(qk::math::Dot(moved, first), 0.2, kTol);
    EXPECT_NEAR(qk::math::Dot(moved, second), 0.0, kTol);
    // On the corner itself the corner and both arrows overlap: the second arrow is drawn last.
    drawn = arrows();
    moved = pressAndDrag(Vector3(drawn[1].pos.data()));
    EXPECT_NEAR(qk::math::Dot(moved, first), 0.0, kTol);
    EXPECT_NEAR(qk::math::Dot(moved, second), 0.2, kTol);
}

class SweeperJumpTest : public SweeperToolTest {
protected:
    // The path along +X with three triangles: one with a vertex at (0, 0, 1) and one at (0, 0, 0.3)
    // in the profile's plane x = 0, and one wholly off it.
    void SetUp() override {
        SweeperToolTest::SetUp();
        PathMesh({{0, 0, 0},
                  {2, 0, 0},
                  {0, 0, 1},
                  {1, 0, 1},
                  {1, 1, 1},
                  {0, 0, 0.3f},
                  {1, 0, 0.3f},
                  {1, 1, 0.3f},
                  {1, 2, 2}},
                 {{{2, 3, 4}, "", ""}, {{5, 6, 7}, "", ""}, {{3, 4, 8}, "", ""}});
        Start({0, 1});
        Line("tool.press part:10000");  // top right onto the first point: the jump handles appear
        Line("tool.release");
    }
    void JumpOnto(int handle, int polygon) {
        Line("tool.press part:" + std::to_string(handle));
        Line("tool.release");
        Line("tool.press part:-1 hitMesh:Path hitPolygon:" + std::to_string(polygon));
        Line("tool.release");
    }
};

TEST_F(SweeperJumpTest, ADirectionHandleTurnsItsEdgeOntoThePickedVertex) {
    Line("tool.press part:10006");  // the B edge, from the top right down
    Line("tool.release");
    EXPECT_EQ(NewPoints(), 0u);  // nothing built while the target is awaited
    Line("tool.press part:-1 hitMesh:Path hitPolygon:0");
    Line("tool.release");
    // The B edge turns from straight down to +Z, a quarter turn.
    EXPECT_NEAR(AttrNumber("rotation_angle"), kPi / 2, 1e-9);
    ExpectAt(Ring(1, 0), {0, 0, 0}, "top right stays on the path");
    ExpectAt(Ring(1, 3), {0, 0, 0.1}, "bottom right towards the picked vertex");
    EXPECT_DOUBLE_EQ(AttrNumber("size_b"), 0.1);
}

TEST_F(SweeperJumpTest, ASizeHandleAlsoTakesTheDistance) {
    JumpOnto(PART_SIZE_B, 1);
    EXPECT_NEAR(AttrNumber("size_b"), 0.3, 1e-6);
    ExpectAt(Ring(1, 3), {0, 0, 0.3}, "bottom right on the picked vertex");
}

TEST_F(SweeperJumpTest, AnUnusableTargetLightsTheBoxRedForOneSecond) {
    ASSERT_NE(DashedBox(), nullptr);
    EXPECT_DOUBLE_EQ(DashedBox()->colour[0], 0.4);
    JumpOnto(PART_DIRECTION_B, 2);
    EXPECT_DOUBLE_EQ(AttrNumber("rotation_angle"), 0.0);
    EXPECT_EQ(NewPoints(), 8u);
    EXPECT_DOUBLE_EQ(DashedBox()->colour[0], 1.0);
    EXPECT_DOUBLE_EQ(DashedBox()->colour[1], 0.0);
    // The tool reads the system's clock: wait out the second (a script line would apply the tool).
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_DOUBLE_EQ(DashedBox()->colour[0], 0.4);
    EXPECT_DOUBLE_EQ(DashedBox()->colour[1], 1.0);
}

TEST_F(SweeperJumpTest, APressOnNothingGoesBackToThePreviousState) {
    Line("tool.press part:10007");
    Line("tool.release");
    Line("tool.press part:-1");  // no polygon under the mouse
    Line("tool.release");
    EXPECT_DOUBLE_EQ(AttrNumber("rotation_angle"), 0.0);
    EXPECT_EQ(NewPoints(), 8u);
}

TEST_F(SweeperToolTest, LabelsReadAAndBOrTheSizes) {
    PathMesh(kStraight);
    Start({0, 1});
    const auto &texts = host.Tools().Drawing().texts;
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "A");
    EXPECT_EQ(texts[1].text, "B");
    Attr("show_dims", "true");
    Attr("size_a", "0.25");
    const auto &labels = host.Tools().Drawing().texts;
    EXPECT_EQ(labels[0].text, host.MessageText("gORVA.Sweeper", "bbox_size_x", {FormatDistance(0.25)}));
    EXPECT_EQ(labels[1].text, host.MessageText("gORVA.Sweeper", "bbox_size_y", {FormatDistance(0.1)}));
}

TEST_F(SweeperToolTest, OnlyA3DViewShowsAndBuildsTheSweepAndADropForgetsThePath) {
    PathMesh(kStraight);
    Start({0, 1});
    Line("tool.view uv");
    EXPECT_EQ(NewPoints(), 0u);
    EXPECT_TRUE(host.Tools().Drawing().handles.empty());
    Line("tool.view 3d");
    EXPECT_EQ(NewPoints(), 8u);
    Line("tool.drop");
    EXPECT_EQ(NewPoints(), 0u);
    Line("tool.set gORVA.Sweeper on");  // a new activation waits for its first press
    EXPECT_EQ(NewPoints(), 0u);
    EXPECT_TRUE(host.Tools().Drawing().handles.empty());
}

TEST(SweeperLayers, TheSinglePolygonLayerSuppliesTheProfile) {
    const bool none[2] = {false, false}, first[2] = {true, false}, both[2] = {true, true};
    const unsigned profileSecond[2] = {12, 1}, bareVertices[2] = {0, 1}, profileFirst[2] = {1, 40};
    const unsigned singles[2] = {1, 1}, noSingle[2] = {0, 3};
    EXPECT_EQ(ChooseTargetLayer(profileSecond, none), 0);
    EXPECT_EQ(ChooseTargetLayer(bareVertices, none), 0);
    EXPECT_EQ(ChooseTargetLayer(profileFirst, none), 1);
    EXPECT_EQ(ChooseTargetLayer(singles, first), 0);
    EXPECT_EQ(ChooseTargetLayer(singles, none), -1);
    EXPECT_EQ(ChooseTargetLayer(singles, both), -1);
    EXPECT_EQ(ChooseTargetLayer(noSingle, first), -1);
}
