// The vector scale tool driven by command lines as a script would: the reference line and its
// warnings, the factor, length and size modes with the axes popup, grouping and placement, and what
// the viewport shows, against hand-computed positions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

#include "Tool_Vector_Scale_020.hpp"
#include "tests/support/shapes.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;

namespace {

constexpr double kTol = 2e-6;  // mesh positions are single precision

/// A bar 2 x 4 x 1 from the origin; point 0 is (0, 0, 0), point 1 (2, 0, 0), point 5 (2, 4, 0).
MeshShape Bar(const char *name = "Bar", std::array<float, 3> lo = {0, 0, 0},
              std::array<float, 3> hi = {2, 4, 1}) {
    MeshShape s = BoxShape(lo, hi);
    s.name = name;
    return s;
}

std::string Num(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

class ScaleToolTest : public ToolSceneTest {
protected:
    void SetUp() override {
        ToolSceneTest::SetUp();
        host.SetActive(*mesh, false);  // the fixture's empty layer plays no part
    }
    void Attr(const std::string &name, const std::string &value) {
        Line("tool.attr gORVA.Scale " + name + " " + value);
    }
    void SelectVertices(const std::vector<int> &points) {
        Line("select.typeFrom vertex");
        for (size_t i = 0; i < points.size(); ++i)
            Line("select.element 0 vertex " + std::string(i ? "add " : "set ") + std::to_string(points[i]));
    }
    static void ExpectAt(const Vec3 &p, double x, double y, double z, const std::string &what) {
        EXPECT_NEAR(p[0], x, kTol) << what;
        EXPECT_NEAR(p[1], y, kTol) << what;
        EXPECT_NEAR(p[2], z, kTol) << what;
    }
    static double Distance(const Vec3 &a, const Vec3 &b) { return std::sqrt(Dot(Sub(a, b), Sub(a, b))); }
    /// True when the mesh holds exactly the points it was built with.
    static void ExpectUnchanged(const ItemData &item, const MeshShape &shape) {
        for (uint32_t i = 0; i < shape.points.size(); ++i)
            ExpectAt(WorldPoint(item, i), shape.points[i][0], shape.points[i][1], shape.points[i][2],
                     "point " + std::to_string(i));
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const DrawnText &t : host.Tools().Drawing().texts) texts.push_back(t.text);
        return texts;
    }
};

}  // namespace

TEST_F(ScaleToolTest, EnableChainReportsTheFirstFailingCheck) {
    const struct {
        const char *key;
        std::function<void(Host &, ItemData &)> setup;
    } cases[] = {
        {"WrongSelectionType", [](Host &h, ItemData &) { h.selection.SetCurrent(kSelItem); }},
        {"NoGeometrySelected", [](Host &h, ItemData &m) { h.SetActive(m, false); }},
        {"ItemTransformsFound", [](Host &h, ItemData &m) { m.SetChannel("pos.X", 2e-6); }},
        {"ItemLocalSpaceRefIsSet", [](Host &h, ItemData &m) { h.refSystem = m.ident; }},
        {"WrongModoVersion", [](Host &h, ItemData &) { h.version = 701; }},
    };
    ItemData &bar = AddMesh(host, Bar());
    for (const auto &c : cases) {
        c.setup(host, bar);
        CommandResult r = host.RunLine("tool.set gORVA.Scale on");
        EXPECT_FALSE(r.ok()) << c.key;
        EXPECT_EQ(r.message, host.MessageText("gORVA.Scale", c.key, {})) << c.key;
        host.selection.SetCurrent(kSelPolygon);
        host.SetActive(bar, true);
        bar.SetChannel("pos.X", 5e-7);  // within the tolerance: not a transform
        host.refSystem.clear();
        host.version = 801;
    }
    EXPECT_TRUE(host.RunLine("tool.set gORVA.Scale on").ok());
}

TEST_F(ScaleToolTest, TargetLengthScalesEachLayerAboutItsOwnCentre) {
    ItemData &bar = AddMesh(host, Bar());
    ItemData &cube = AddMesh(host, Bar("Cube", {5, 0, 0}, {6, 1, 1}));
    SelectVertices({0, 1});
    Line("tool.set gORVA.Scale on");
    EXPECT_NEAR(AttrNumber("length"), 2.0, 1e-12);
    Attr("length", "3");
    EXPECT_NEAR(AttrNumber("scale_factor"), 1.5, 1e-12);
    EXPECT_NEAR(AttrNumber("dims_x"), 3.0, 1e-12);
    EXPECT_NEAR(AttrNumber("dims_y"), 6.0, 1e-12);
    Line("tool.doApply");
    ExpectAt(WorldPoint(bar, 0), -0.5, -1, -0.25, "bar about (1, 2, 0.5)");
    ExpectAt(WorldPoint(cube, 0), 4.75, -0.25, -0.25, "cube about (5.5, 0.5, 0.5)");
    EXPECT_NEAR(Distance(WorldPoint(bar, 0), WorldPoint(bar, 1)), 3.0, kTol);
    for (const LogLine &l : host.log)
        EXPECT_EQ(l.text.find("without declaring"), std::string::npos) << l.text;
}

TEST_F(ScaleToolTest, AxesPopupLimitsTheScaleAndTheLengthReadsTheRealDistance) {
    ItemData &bar = AddMesh(host, Bar());
    SelectVertices({0, 5});  // (0, 0, 0) to (2, 4, 0): sqrt(20) long
    Line("tool.set gORVA.Scale on");
    Attr("scale_axes", "X");
    Attr("length", Num(2 * std::sqrt(20.0)));
    EXPECT_NEAR(AttrNumber("scale_factor"), 2.0, 1e-12);
    // Only x doubles about x = 1: the ends are (-1, 0, 0) and (3, 4, 0).
    EXPECT_NEAR(AttrNumber("length"), std::sqrt(32.0), 1e-6);
    EXPECT_NEAR(AttrNumber("dims_y"), 4.0, 1e-12);
    Line("tool.doApply");
    ExpectAt(WorldPoint(bar, 0), -1, 0, 0, "point 0");
    ExpectAt(WorldPoint(bar, 5), 3, 4, 0, "point 5");
}

TEST_F(ScaleToolTest, CoincidingAndClosePointsWarnAndMayDisableTheLength) {
    const struct {
        const char *name;
        float third;  // x of point 2; points 0 and 1 are at x = 0 and x = 2
        std::vector<int> chosen;
        const char *text;
        bool lineShown;
        double lineLength;  // from p1 (the last selected point) to p2
    } cases[] = {
        {"two coincide", 2.0f, {0, 1, 2}, "Co-Located Points", true, 2.0},
        {"all coincide", 2.0f, {1, 2}, "All Points Co-Located. Target Length Disabled", false, 0.0},
        {"close to an end",
         2.003f,
         {0, 1, 2},
         "Multiple Points in Close Proximity. Target Length Disabled",
         false,
         double(2.003f)},
    };
    for (const auto &c : cases) {
        host.NewScene();
        MeshShape s;
        s.name = "Line";
        s.points = {{0, 0, 0}, {2, 0, 0}, {c.third, 0, 0}, {0, 1, 0}};
        s.polygons = {{{0, 1, 3}, "", ""}};
        ItemData &item = AddMesh(host, s);
        SelectVertices(c.chosen);
        Line("tool.set gORVA.Scale on");
        Attr("length", "3");
        const ToolDrawing &d = host.Tools().Drawing();
        EXPECT_EQ(d.handles.size(), c.lineShown ? 2u : 0u) << c.name;
        ASSERT_FALSE(d.texts.empty()) << c.name;
        const DrawnText &warning = d.texts[c.lineShown ? 1 : 0];
        EXPECT_EQ(warning.text, c.text) << c.name;
        // Beside p1 (the last selected point, where the scale put it), 1.5 x 25 pixels up at 100 pixels a
        // metre.
        const Vec3 p1 = AttrTriple("p1");
        ExpectAt(warning.pos, p1[0], p1[1] + 0.375, p1[2], c.name);
        if (!c.lineShown) {
            EXPECT_NEAR(p1[0], c.third, 1e-6) << c.name;
        }
        ASSERT_FALSE(d.strokes.empty());
        const DrawnStroke *circle = nullptr;
        for (const DrawnStroke &stroke : d.strokes)
            if (stroke.type == LXiSTROKE_CIRCLES) circle = &stroke;
        ASSERT_NE(circle, nullptr) << c.name;
        ASSERT_EQ(circle->verts.size(), 2u);
        // Round the end, 25 pixels towards the eye (at (0, 0, 10) by default).
        const Vec3 rim = Sub(circle->verts[1], circle->verts[0]);
        const Vec3 toEye = Sub(Vec3{0, 0, 10}, circle->verts[0]);
        EXPECT_NEAR(std::sqrt(Dot(rim, rim)), 0.25, 1e-9) << c.name;
        EXPECT_NEAR(Dot(rim, toEye), 0.25 * std::sqrt(Dot(toEye, toEye)), 1e-9) << c.name;
        if (c.lineShown) {
            EXPECT_NEAR(AttrNumber("scale_factor"), 1.5, 1e-6) << c.name;
            Line("tool.drop");
            continue;
        }
        // The typed length is ignored: nothing scales, and the length reads the line as it is.
        EXPECT_EQ(AttrNumber("scale_factor"), 1.0) << c.name;
        EXPECT_NEAR(AttrNumber("length"), c.lineLength, 1e-6) << c.name;
        Line("tool.doApply");
        ExpectUnchanged(item, s);
    }
}

TEST_F(ScaleToolTest, OneSelectedEdgeGivesTheLineTwoGiveNone) {
    AddMesh(host, Bar());
    Line("select.typeFrom edge");
    Line("select.element 0 edge set 0 4");  // (0, 0, 0) to (0, 4, 0)
    Line("tool.set gORVA.Scale on");
    EXPECT_NEAR(AttrNumber("length"), 4.0, 1e-12);
    Line("tool.drop");

    Line("select.element 0 edge add 0 1");
    Line("tool.actionCenter 1 2 3");
    Line("tool.set gORVA.Scale on");
    EXPECT_EQ(AttrNumber("length"), 0.0);
    // The unit line from the action centre along the work plane's right, the anchor a quarter up.
    ExpectAt(AttrTriple("p1"), 1, 2, 3, "p1 at the action centre");
    ExpectAt(AttrTriple("p2"), 2, 2, 3, "p2 one metre right");
    ExpectAt(AttrTriple("anchor"), 1, 2, 2.75, "anchor");
    EXPECT_TRUE(host.Tools().Drawing().handles.empty());
}

TEST_F(ScaleToolTest, SizeModesScaleOneAxis) {
    ItemData &bar = AddMesh(host, Bar());
    Line("tool.set gORVA.Scale on");
    Attr("dims_x", "5");
    EXPECT_EQ(AttrNumber("scale_factor"), 1.0);
    EXPECT_EQ(AttrNumber("length"), 0.0);
    Attr("dims_z", "3");  // x keeps its factor of 2.5
    EXPECT_NEAR(AttrNumber("dims_x"), 5.0, 1e-12);
    Line("tool.doApply");
    ExpectAt(WorldPoint(bar, 0), -1.5, 0, -1, "x about 1 by 2.5, z about 0.5 by 3");
    ExpectAt(WorldPoint(bar, 6), 3.5, 4, 2, "opposite corner");
}

TEST_F(ScaleToolTest, ASizeForAnAxisTheBoxDoesNotSpanIsSetBack) {
    MeshShape flat = GridShape(2, 2);
    ItemData &grid = AddMesh(host, flat);
    Line("tool.set gORVA.Scale on");
    Attr("dims_y", "3");
    EXPECT_EQ(AttrNumber("dims_y"), 0.0);
    Line("tool.doApply");
    ExpectUnchanged(grid, flat);
}

TEST_F(ScaleToolTest, ASizeModeLeftWithoutItsAxisByGroupChangesNothing) {
    // Layer 0 (the reference without group) is flat; the union with layer 1 has a height.
    MeshShape flat = GridShape(2, 2);
    ItemData &grid = AddMesh(host, flat);
    AddMesh(host, Bar("Post", {5, 0, 0}, {6, 2, 1}));
    Line("tool.set gORVA.Scale on");
    Attr("group", "1");
    EXPECT_NEAR(AttrNumber("dims_x"), 6.0, 1e-12) << "the union of both boxes";
    Attr("dims_y", "4");
    Attr("group", "0");  // the flat layer's box again: no height to size
    EXPECT_EQ(AttrNumber("dims_y"), 0.0);
    Line("tool.doApply");
    ExpectUnchanged(grid, flat);
}

struct GroundCase {
    int up;
    bool centre;
    Vec3 lowCorner, highCorner;  // points 0 and 6 after doubling the bar (0, 1, 0)..(2, 5, 1)
};

class ScaleRestOnGround : public ScaleToolTest, public ::testing::WithParamInterface<GroundCase> {};

TEST_P(ScaleRestOnGround, TheScaledBoxBottomLandsOnTheGroundPlane) {
    const GroundCase &c = GetParam();
    Line("pref.value units.upAxis " + std::to_string(c.up));  // read when the tool is created
    ItemData &bar = AddMesh(host, Bar("Bar", {0, 1, 0}, {2, 5, 1}));
    Line("tool.set gORVA.Scale on");
    Attr("rest_on_ground", "1");
    if (c.centre) Attr("centre_at_origin", "1");
    Attr("scale_factor", "2");
    Line("tool.doApply");
    ExpectAt(WorldPoint(bar, 0), c.lowCorner[0], c.lowCorner[1], c.lowCorner[2], "point 0");
    ExpectAt(WorldPoint(bar, 6), c.highCorner[0], c.highCorner[1], c.highCorner[2], "point 6");
}

// About the centre (1, 3, 0.5); the ground is the plane where the up coordinate is 0.
INSTANTIATE_TEST_SUITE_P(UpAxes, ScaleRestOnGround,
                         ::testing::Values(GroundCase{1, false, {-1, 0, -0.5}, {3, 8, 1.5}},
                                           GroundCase{1, true, {-2, 0, -1}, {2, 8, 1}},
                                           GroundCase{2, false, {-1, -1, 0}, {3, 7, 2}},
                                           GroundCase{0, true, {0, -4, -1}, {4, 4, 1}}));

TEST_F(ScaleToolTest, APointBeyondTheMeshRangeWritesNothing) {
    MeshShape bar = Bar();
    ItemData &item = AddMesh(host, bar);
    Line("tool.set gORVA.Scale on");
    Attr("scale_factor", "3e38");  // the bar's half-height of 2 takes its ends past the range
    Line("tool.doApply");
    ExpectUnchanged(item, bar);
}

TEST_F(ScaleToolTest, DimensionsAreDrawnInEveryViewWithInactiveAxesGrey) {
    AddMesh(host, Bar());
    Line("tool.set gORVA.Scale on");  // polygons selected: no line, only the dimensions
    const ToolDrawing &d = host.Tools().Drawing();
    EXPECT_TRUE(d.handles.empty());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"X: 2 m", "Y: 4 m", "Z: 1 m"}));
    EXPECT_EQ(d.strokes.size(), 9u);  // a line and two ticks per axis
    // The X dimension 3 x 25 pixels in front of the box, at 100 pixels a metre; its label in its middle.
    ExpectAt(d.strokes[0].verts[0], 0, 0, 1.75, "X line start");
    ExpectAt(d.texts[0].pos, 1, 0, 1.75, "X label");
    EXPECT_NEAR(d.strokes[0].colour[1], 0.79, 1e-12) << "pink";
    EXPECT_NEAR(d.strokes[0].alpha, 0.75, 1e-12);

    Attr("scale_axes", "Z");
    Attr("scale_factor", "2");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"X: 2 m", "Y: 4 m", "Z: 2 m"}));
    EXPECT_NEAR(d.texts[0].colour[0], 0.8, 1e-12) << "X inactive";
    EXPECT_NEAR(d.texts[1].colour[0], 0.8, 1e-12) << "Y inactive";
    EXPECT_NEAR(d.texts[2].colour[0], 0.4, 1e-12) << "Z label cyan";
    EXPECT_NEAR(d.strokes[6].colour[1], 0.79, 1e-12) << "Z line pink";

    Line("tool.view uv");
    EXPECT_EQ(Texts().size(), 3u);
    Attr("show_dimensions", "0");
    EXPECT_TRUE(host.Tools().Drawing().strokes.empty());
}

TEST_F(ScaleToolTest, ReferenceLineShowsItsLengthAndIgnoresPresses) {
    AddMesh(host, Bar());
    SelectVertices({0, 1});
    Line("tool.set gORVA.Scale on");
    Attr("show_dimensions", "0");
    const ToolDrawing &d = host.Tools().Drawing();
    ASSERT_EQ(d.handles.size(), 2u);
    ExpectAt(d.handles[0].pos, 2, 0, 0, "p1: the last visited vertex");
    ExpectAt(d.handles[1].pos, 0, 0, 0, "p2");
    ASSERT_EQ(d.texts.size(), 1u);
    EXPECT_EQ(d.texts[0].text, "Length: 2 m");
    ExpectAt(d.texts[0].pos, 1, 0.25, 0, "raised 25 pixels above the middle");
    ASSERT_EQ(d.strokes.size(), 1u);
    EXPECT_EQ(d.strokes[0].width, 2.0);
    EXPECT_LT(d.strokes[0].part, 0);
    Line("tool.press part:10000");
    Line("tool.drag 9 9 9");
    Line("tool.release");
    ExpectAt(AttrTriple("p1"), 2, 0, 0, "presses move nothing");
}

TEST_F(ScaleToolTest, DegenerateGeometryScalesSoundly) {
    // An empty mesh first (the reference without a line: a box of no size), then the slivers; the item
    // scaled to nothing is a transform the tool refuses, so it takes no part.
    std::array<ItemData *, 3> items = AddDegenerateScene(host);
    CommandResult refused = host.RunLine("tool.set gORVA.Scale on");
    EXPECT_EQ(refused.message, host.MessageText("gORVA.Scale", "ItemTransformsFound", {}));
    host.SetActive(*items[2], false);
    Line("tool.set gORVA.Scale on");
    EXPECT_EQ(AttrNumber("dims_x"), 0.0);
    Attr("dims_x", "2");
    EXPECT_EQ(AttrNumber("dims_x"), 0.0) << "the empty box spans no axis";
    Attr("scale_factor", "2");
    Line("tool.doApply");
    // The slivers about the centre of their own box (0, 0, 0)..(3, 0, 3).
    ExpectAt(WorldPoint(*items[1], 3), 4.5, 0, -1.5, "sliver point 3");
    ExpectAt(WorldPoint(*items[1], 6), 0.5, 0, 0.5, "coincident corner");
    ExpectAt(WorldPoint(*items[1], 5), 0.5, 0, 0.5, "coincident corner");
}

TEST_F(ScaleToolTest, AMaskedTargetLengthHoldsThroughLaterToggles) {
    ItemData &bar = AddMesh(host, Bar());
    SelectVertices({0, 5});  // sqrt(20) long
    Line("tool.set gORVA.Scale on");
    Attr("scale_axes", "X");
    Attr("length", Num(2 * std::sqrt(20.0)));
    // Toggles that drive no scale repeat the typed target, not the real length the mask left.
    for (const char *shown : {"off", "on", "off"}) {
        Attr("show_dimensions", shown);
        EXPECT_NEAR(AttrNumber("scale_factor"), 2.0, 1e-12) << shown;
        ExpectAt(WorldPoint(bar, 5), 3, 4, 0, std::string("point 5 after show_dimensions ") + shown);
    }
}

TEST_F(ScaleToolTest, AFarPointNeverWipesTheDigitsOfNearOnes) {
    // The box centre is 5e19 in x: c + (p - c) * 1 would turn x = 0.123 into 0.
    MeshShape far;
    far.name = "Far";
    far.points = {{0.123f, 0, 0}, {1e20f, 1, 0}, {0.5f, 2, 1}};
    far.polygons = {{{0, 1, 2}, "", ""}};
    ItemData &item = AddMesh(host, far);
    Line("select.element 0 polygon set 0");
    Line("tool.set gORVA.Scale on");
    Attr("scale_factor", "1");
    Line("tool.doApply");
    EXPECT_EQ(item.mesh->Positions()[0][0], 0.123f) << "factor 1 writes nothing";
    EXPECT_EQ(item.mesh->Positions()[2][0], 0.5f);

    Line("tool.set gORVA.Scale on");
    Attr("scale_axes", "Y");
    Attr("scale_factor", "2");
    Line("tool.doApply");
    EXPECT_EQ(item.mesh->Positions()[0][0], 0.123f) << "an axis left at 1 keeps its digits";
    EXPECT_EQ(item.mesh->Positions()[0][1], -1.0f) << "y doubles about the centre y = 1";
    EXPECT_EQ(item.mesh->Positions()[2][2], 1.0f);
}
