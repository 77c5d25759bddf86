// The bounding-box move tool driven by command lines as a script would: the box and its handles,
// corner drags with and without the height switches, the work plane check, and what the mesh and
// the viewport show afterwards, against hand-computed positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "Tool_BBox_Move_019.hpp"
#include "tests/support/shapes.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;
using gORVA_Tools_BBox::Vector3;

namespace {

constexpr double kTol = 2e-6;  // mesh positions are single precision
constexpr double kC = 0.7071067811865476;

/// Two unit squares side by side in the XY plane (x 0..2, y 0..1), sharing the edge at x = 1.
MeshShape TwoSquares() {
    MeshShape s;
    s.name = "Squares";
    s.points = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
    s.polygons = {{{0, 1, 4, 3}, "", ""}, {{1, 2, 5, 4}, "", ""}};
    return s;
}

class BBoxToolTest : public ToolSceneTest {
protected:
    void SetUp() override {
        ToolSceneTest::SetUp();
        host.SetActive(*mesh, false);  // the fixture's empty layer plays no part
    }
    void Attr(const std::string &name, const std::string &value) {
        Line("tool.attr gORVA.BBox " + name + " " + value);
    }
    Vector3 Corner(int k) {
        const std::string p = "P" + std::to_string(k);
        return {AttrNumber(p + "x"), AttrNumber(p + "y"), AttrNumber(p + "z")};
    }
    /// Presses corner k and drags it to a world position.
    void DragCorner(int k, const Vector3 &to) {
        Line("tool.press part:" + std::to_string(10000 + k));
        Line("tool.drag " + Num(to.x()) + " " + Num(to.y()) + " " + Num(to.z()));
        Line("tool.release");
    }
    static std::string Num(double v) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", v);
        return buf;
    }
    static void ExpectAt(const Vec3 &p, double x, double y, double z, const std::string &what) {
        EXPECT_NEAR(p[0], x, kTol) << what;
        EXPECT_NEAR(p[1], y, kTol) << what;
        EXPECT_NEAR(p[2], z, kTol) << what;
    }
    static void ExpectVec(const Vector3 &v, double x, double y, double z, const std::string &what) {
        ExpectAt({v.x(), v.y(), v.z()}, x, y, z, what);
    }
    bool LoggedUndeclaredEdit() const {
        for (const LogLine &l : host.log)
            if (l.text.find("without declaring") != std::string::npos) return true;
        return false;
    }
};

}  // namespace

TEST_F(BBoxToolTest, EnableChainReportsTheFirstFailingCheck) {
    const struct {
        const char *key;
        std::function<void(Host &, ItemData &)> setup;
    } cases[] = {
        {"WrongSelectionType", [](Host &h, ItemData &) { h.selection.SetCurrent(kSelItem); }},
        {"NoGeometrySelected", [](Host &h, ItemData &m) { h.SetActive(m, false); }},
        {"ItemLocalSpaceRefIsSet", [](Host &h, ItemData &m) { h.refSystem = m.ident; }},
        {"WrongModoVersion", [](Host &h, ItemData &) { h.version = 701; }},
    };
    ItemData &squares = AddMesh(host, TwoSquares());
    for (const auto &c : cases) {
        c.setup(host, squares);
        CommandResult r = host.RunLine("tool.set gORVA.BBox on");
        EXPECT_FALSE(r.ok()) << c.key;
        EXPECT_EQ(r.message, host.MessageText("gORVA.BBox", c.key, {})) << c.key;
        host.selection.SetCurrent(kSelPolygon);
        host.SetActive(squares, true);
        host.refSystem.clear();
        host.version = 801;
    }
    EXPECT_TRUE(host.RunLine("tool.set gORVA.BBox on").ok());
}

TEST_F(BBoxToolTest, HandlesSitOnTheWorldBoxOfTheSelectionInEveryMode) {
    MeshShape moved = TwoSquares();
    moved.name = "Moved";
    moved.position = {0, 0, 3};
    AddMesh(host, TwoSquares());
    ItemData &second = AddMesh(host, moved);
    // Polygon 1 of the first layer (x 1..2) and polygon 0 of the second (x 0..1, z 3).
    Line("select.element 0 polygon set 1");
    Line("select.element 1 polygon add 0");
    Line("tool.set gORVA.BBox on");
    ExpectVec(Corner(0), 0, 0, 0, "minimum corner");
    ExpectVec(Corner(1), 2, 0, 0, "corner 1: max x");
    ExpectVec(Corner(6), 0, 1, 3, "corner 6: max y, max z");
    ExpectVec(Corner(7), 2, 1, 3, "maximum corner");
    for (int k = 0; k < 8; ++k) {
        Vector3 c = Corner(k);
        ExpectAt(HandleAt(10000 + k), c.x(), c.y(), c.z(), "handle " + std::to_string(k));
    }
    Line("tool.drop");

    Line("select.typeFrom edge");
    Line("select.element 1 edge set 2 5");  // x = 2, y 0..1, z = 3
    Line("tool.set gORVA.BBox on");
    ExpectVec(Corner(0), 2, 0, 3, "edge box minimum");
    ExpectVec(Corner(7), 2, 1, 3, "edge box maximum");
    Line("tool.drop");

    Line("select.typeFrom vertex");
    Line("select.element 0 vertex set 0");
    Line("select.element 1 vertex add 5");
    Line("tool.set gORVA.BBox on");
    ExpectVec(Corner(0), 0, 0, 0, "vertex box minimum");
    ExpectVec(Corner(7), 2, 1, 3, "vertex box maximum");
    (void)second;
}

TEST_F(BBoxToolTest, DragMovesTheSelectedPolygonsPointsOnce) {
    ItemData &squares = AddMesh(host, TwoSquares());
    Line("select.element 0 polygon set 0");
    Line("select.element 0 polygon add 1");
    Line("select.element 0 vertex set 0");  // a stale vertex selection must not be what moves
    Line("select.typeFrom polygon");
    Line("tool.set gORVA.BBox on");
    DragCorner(7, {3, 1.5, 0.25});  // from (2, 1, 0): by (1, 0.5, 0.25)
    EXPECT_NEAR(AttrNumber("dx"), 1.0, 1e-12);
    EXPECT_NEAR(AttrNumber("dy"), 0.5, 1e-12);
    EXPECT_NEAR(AttrNumber("dz"), 0.25, 1e-12);
    ExpectVec(Corner(0), 1, 0.5, 0.25, "handles follow the drag");
    Line("tool.doApply");
    // The shared points 1 and 4 move once, like every other.
    ExpectAt(WorldPoint(squares, 0), 1, 0.5, 0.25, "point 0");
    ExpectAt(WorldPoint(squares, 1), 2, 0.5, 0.25, "shared point 1");
    ExpectAt(WorldPoint(squares, 4), 2, 1.5, 0.25, "shared point 4");
    ExpectAt(WorldPoint(squares, 5), 3, 1.5, 0.25, "point 5");
    EXPECT_FALSE(LoggedUndeclaredEdit());
}

TEST_F(BBoxToolTest, OnlyTheSelectionMovesAndAgainFromWhereItStarted) {
    ItemData &squares = AddMesh(host, TwoSquares());
    Line("select.element 0 polygon set 0");
    Line("tool.set gORVA.BBox on");
    DragCorner(0, {0.5, 0, 0});
    DragCorner(0, {0.5, 2, 0});  // a second drag adds to the first
    Line("tool.doApply");
    ExpectAt(WorldPoint(squares, 0), 0.5, 2, 0, "moved twice");
    ExpectAt(WorldPoint(squares, 4), 1.5, 3, 0, "moved twice");
    ExpectAt(WorldPoint(squares, 2), 2, 0, 0, "unselected");
    ExpectAt(WorldPoint(squares, 5), 2, 1, 0, "unselected");
}

TEST_F(BBoxToolTest, LockHeightKeepsTheHeightAndDrawsTheBottomRed) {
    ItemData &squares = AddMesh(host, TwoSquares());
    Line("select.element 0 polygon set 0");
    Line("tool.set gORVA.BBox on");
    Attr("Set_Height", "1");
    Attr("Lock_Height", "1");
    CommandResult refused = host.RunLine("tool.attr gORVA.BBox Height 3");
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.message, host.MessageText("gORVA.BBox", "NeedsLockHeightDisabled", {}));
    DragCorner(7, {2, 4, 0.5});  // up by 3, sideways by (1, 0.5)
    EXPECT_EQ(host.Tools().Attribute("Set_Height"), "0");
    EXPECT_NEAR(AttrNumber("dy"), 0.0, 1e-12);

    const ToolDrawing &d = host.Tools().Drawing();
    ASSERT_EQ(d.strokes.size(), 2u);
    EXPECT_EQ(d.strokes[0].verts.size(), 16u);
    EXPECT_EQ(d.strokes[1].verts.size(), 8u);
    EXPECT_NEAR(d.strokes[1].colour[0], 0.9, 1e-12);
    EXPECT_NEAR(d.strokes[1].colour[1], 0.2, 1e-12);
    for (const auto &s : d.strokes) EXPECT_LT(s.part, 0) << "box edges are never hit";
    for (const Vec3 &v : d.strokes[1].verts) EXPECT_NEAR(v[1], 0.0, kTol) << "bottom face";
    Line("tool.doApply");
    ExpectAt(WorldPoint(squares, 0), 1, 0, 0.5, "sideways only");
    ExpectAt(WorldPoint(squares, 4), 2, 1, 0.5, "sideways only");
}

TEST_F(BBoxToolTest, SetHeightPutsTheLowestVertexOfATurnedScaledItemAtHeight) {
    // Scaled by (2, 1, 1), turned 45 degrees about Z, raised 5: the item's own box has a lowest corner
    // where no vertex is, so the world box must come from the vertices.
    MeshShape turned;
    turned.name = "Turned";
    turned.points = {{1, -1, 0}, {0, 1, 0}, {1, 1, 1}};
    turned.polygons = {{{0, 1, 2}, "", ""}};
    turned.scale = {2, 1, 1};
    turned.rotation = {0, 0, M_PI / 4};
    turned.position = {0, 5, 0};
    ItemData &item = AddMesh(host, turned);
    Line("select.element 0 polygon set 0");
    Line("tool.set gORVA.BBox on");
    EXPECT_NEAR(Corner(0).y(), 5 + kC, 1e-9);  // world points (3c, 5 + c), (-c, 5 + c), (c, 5 + 3c)
    Attr("Height", "1");
    Attr("Set_Height", "1");
    DragCorner(3, Corner(3) + Vector3(0.5, 2, 0));
    Line("tool.doApply");
    double lowest = 1e9;
    for (uint32_t i = 0; i < 3; ++i) lowest = std::min(lowest, WorldPoint(item, i)[1]);
    EXPECT_NEAR(lowest, 1.0, 1e-5);
    EXPECT_NEAR(WorldPoint(item, 2)[0], kC + 0.5, 1e-5);  // sideways by the drag
}

TEST_F(BBoxToolTest, GetHeightCopiesTheBoxTop) {
    MeshShape tall = BoxShape({0, 0, 0}, {1, 2.5, 1});
    AddMesh(host, tall);
    Line("select.element 0 polygon set 2");  // a side face: y 0..2.5
    Line("tool.set gORVA.BBox on");
    Attr("Get_Height", "1");
    EXPECT_NEAR(AttrNumber("Height"), 2.5, 1e-6);
    EXPECT_EQ(host.Tools().Attribute("Get_Height"), "0");
}

TEST_F(BBoxToolTest, AScaledItemMovesByTheFullOffsetInWorldSpace) {
    MeshShape big = TwoSquares();
    big.scale = {2, 2, 2};
    ItemData &item = AddMesh(host, big);
    Line("select.element 0 polygon set 0");
    Line("tool.set gORVA.BBox on");
    DragCorner(0, {1, 1, 1});
    Line("tool.doApply");
    ExpectAt(WorldPoint(item, 0), 1, 1, 1, "world move");
    EXPECT_NEAR(item.mesh->Positions()[0][0], 0.5f, 1e-6) << "half the offset in item space";
}

TEST_F(BBoxToolTest, WithZUpTheLockKeepsDzAndTheLowestZFaceIsRed) {
    Line("pref.value units.upAxis 2");  // read when the tool is created
    ItemData &item = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    Line("select.element 0 polygon set 1");  // the top face (y = 1)
    Line("tool.set gORVA.BBox on");
    Attr("Lock_Height", "1");
    DragCorner(7, {2, 3, 4});
    EXPECT_NEAR(AttrNumber("dz"), 0.0, 1e-12);
    EXPECT_NEAR(AttrNumber("dy"), 2.0, 1e-12);
    const ToolDrawing &d = host.Tools().Drawing();
    ASSERT_EQ(d.strokes.size(), 2u);
    for (const Vec3 &v : d.strokes[1].verts) EXPECT_NEAR(v[2], 0.0, kTol);
    Line("tool.doApply");
    ExpectAt(WorldPoint(item, 4), 1, 3, 0, "top face moved in x and y");
}

TEST_F(BBoxToolTest, AWorkPlaneOffTheItemDisablesTheTool) {
    ItemData &item = AddMesh(host, TwoSquares());
    Line("select.element 0 polygon set 0");
    Line("tool.workPlane 0 1 0");
    Line("tool.set gORVA.BBox on");
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_EQ(host.dialogs[0].title, "BBox tool disabled.");
    EXPECT_EQ(host.dialogs[0].key, "WorkPlaneIsSet");
    EXPECT_EQ(host.dialogs[0].table, "gORVA.BBox");
    DragCorner(0, {5, 5, 5});
    EXPECT_NEAR(AttrNumber("dx"), 0.0, 1e-12);
    Line("tool.doApply");
    ExpectAt(WorldPoint(item, 0), 0, 0, 0, "nothing moves");

    // A work plane on the item's own frame leaves the tool enabled.
    Line("item.transform Squares pos 0 1 0");
    Line("tool.set gORVA.BBox on");
    EXPECT_EQ(host.dialogs.size(), 1u);
    DragCorner(0, {1, 1, 0});
    Line("tool.doApply");
    ExpectAt(WorldPoint(item, 0), 1, 1, 0, "moved by the drag");
}

TEST_F(BBoxToolTest, OutsideA3DViewNothingIsDrawnOrWritten) {
    ItemData &item = AddMesh(host, TwoSquares());
    Line("select.element 0 polygon set 0");
    Line("tool.set gORVA.BBox on");
    DragCorner(0, {1, 0, 0});
    Line("tool.view uv");
    EXPECT_TRUE(host.Tools().Drawing().handles.empty());
    EXPECT_TRUE(host.Tools().Drawing().strokes.empty());
    Line("tool.doApply");
    ExpectAt(WorldPoint(item, 0), 0, 0, 0, "not moved in a UV view");
}

TEST_F(BBoxToolTest, PressesAwayFromTheHandlesMoveNothing) {
    ItemData &item = AddMesh(host, TwoSquares());
    Line("select.element 0 polygon set 0");
    Line("tool.set gORVA.BBox on");
    Line("tool.press 5 5 5");
    EXPECT_LT(host.Tools().Packets().input.part, 10000);
    Line("tool.drag 6 6 6");
    Line("tool.release");
    EXPECT_EQ(AttrNumber("dx"), 0.0);
    Line("tool.doApply");
    ExpectAt(WorldPoint(item, 4), 1, 1, 0, "unchanged");
}

TEST_F(BBoxToolTest, AMoveBeyondTheMeshRangeWritesNothing) {
    // The world move fits single precision; in an item scaled by 1/1000 it does not.
    MeshShape tiny = TwoSquares();
    tiny.scale = {1e-3, 1e-3, 1e-3};
    ItemData &item = AddMesh(host, tiny);
    Line("select.element 0 polygon set 0");
    Line("tool.set gORVA.BBox on");
    DragCorner(0, {3e38, 0, 0});
    Line("tool.doApply");
    ExpectAt(WorldPoint(item, 0), 0, 0, 0, "unchanged");
    ExpectAt(WorldPoint(item, 4), 1e-3, 1e-3, 0, "unchanged");
}

TEST_F(BBoxToolTest, NothingSelectedShowsNoBox) {
    AddMesh(host, TwoSquares());
    Line("tool.set gORVA.BBox on");
    EXPECT_TRUE(host.Tools().Drawing().handles.empty());
    EXPECT_TRUE(host.Tools().Drawing().strokes.empty());
}

TEST_F(BBoxToolTest, DegenerateGeometryMovesSoundly) {
    // Everything selected: polygons of one and two points, one without area, coincident corners, and
    // an item scaled to nothing at (5, 0, 0), which has no space to move in.
    for (const char *type : {"vertex", "edge", "polygon"}) {
        host.NewScene();
        std::array<ItemData *, 3> items = AddDegenerateScene(host);
        SelectEverything(host);
        Line(std::string("select.typeFrom ") + type);
        Line("tool.set gORVA.BBox on");
        ExpectVec(Corner(0), 0, 0, 0, type);
        ExpectVec(Corner(7), 5, 0, 3, type);
        DragCorner(0, {1, 2, 0});
        Line("tool.doApply");
        ExpectAt(WorldPoint(*items[1], 0), 1, 2, 0, type);
        ExpectAt(WorldPoint(*items[1], 6), 2, 2, 1, type);
        ExpectAt(WorldPoint(*items[2], 0), 5, 0, 0, type);
    }
    EXPECT_FALSE(LoggedUndeclaredEdit());
}

// ---- items under sheared parents, flattened items and moves beyond single precision

namespace {

/// A unit box turned 30 degrees about Z under a locator scaled (2, 1, 0.5): its world frame is sheared.
ItemData &ShearedBox(Host &host) {
    ItemData *parent = host.scene.AddItem(ItemTypeCode("locator"));
    parent->SetChannel("scl.X", 2.0);
    parent->SetChannel("scl.Z", 0.5);
    MeshShape box = BoxShape({0, 0, 0}, {1, 1, 1});
    box.name = "Sheared";
    box.rotation = {0, 0, M_PI / 6};
    ItemData &item = AddMesh(host, box);
    host.scene.SetParent(item, parent);
    return item;
}

bool LogErrorMentions(const Host &host, const std::string &text) {
    for (const LogLine &l : host.log)
        if (l.level == 1 && l.text.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST_F(BBoxToolTest, UnderAShearedParentTheGeometryFollowsTheHandles) {
    ItemData &item = ShearedBox(host);
    std::vector<Vec3> before;
    for (uint32_t i = 0; i < 8; ++i) before.push_back(WorldPoint(item, i));
    for (uint32_t p = 0; p < 6; ++p) host.selection.SelectPolygon(*item.mesh, p);
    Line("tool.set gORVA.BBox on");
    const Vector3 offset(0.5, 0.7, -0.3);
    DragCorner(7, Corner(7) + offset);
    Line("tool.doApply");
    for (uint32_t i = 0; i < 8; ++i)
        ExpectAt(WorldPoint(item, i), before[i][0] + offset.x(), before[i][1] + offset.y(),
                 before[i][2] + offset.z(), "point " + std::to_string(i) + " moved by the drag");
}

TEST_F(BBoxToolTest, UnderAShearedParentSetHeightPutsTheLowestVertexAtHeight) {
    ItemData &item = ShearedBox(host);
    for (uint32_t p = 0; p < 6; ++p) host.selection.SelectPolygon(*item.mesh, p);
    Line("tool.set gORVA.BBox on");
    Attr("Height", "1.5");
    Attr("Set_Height", "1");
    DragCorner(0, Corner(0) + Vector3(0.2, 0, 0));
    Line("tool.doApply");
    double lowest = 1e9;
    for (uint32_t i = 0; i < 8; ++i) lowest = std::min(lowest, WorldPoint(item, i)[1]);
    EXPECT_NEAR(lowest, 1.5, 1e-5);
}

TEST_F(BBoxToolTest, AFlattenedItemMovesInItsPlaneAndRefusesOnlyMovesOffIt) {
    MeshShape flat = TwoSquares();
    flat.name = "Flat";
    // Y collapsed: the item's XZ plane, which the quarter turn about X stands up as the world's XY
    // plane; the collapsed axis is the world's Z.
    flat.scale = {1, 0, 1};
    flat.rotation = {M_PI / 2, 0, 0};
    ItemData &item = AddMesh(host, flat);
    ItemData &other = AddMesh(host, BoxShape({0, 0, 5}, {1, 1, 6}));
    const Vec3 start = WorldPoint(item, 4);
    Line("select.element 0 polygon set 0");
    Line("select.element 1 polygon add 0");
    Line("tool.set gORVA.BBox on");
    DragCorner(0, Corner(0) + Vector3(1, 0.5, 0));  // in its plane
    Line("tool.doApply");
    ExpectAt(WorldPoint(item, 4), start[0] + 1, start[1] + 0.5, start[2], "moved in its plane");
    EXPECT_FALSE(LogErrorMentions(host, "scaled to 0"));

    Line("tool.set gORVA.BBox on");
    const Vec3 moved = WorldPoint(item, 4), otherStart = WorldPoint(other, 0);
    DragCorner(0, Corner(0) + Vector3(0, 0, 2));  // along the collapsed axis
    Line("tool.doApply");
    ExpectAt(WorldPoint(item, 4), moved[0], moved[1], moved[2], "off its plane: stays");
    ExpectAt(WorldPoint(other, 0), otherStart[0], otherStart[1], otherStart[2] + 2, "the other layer moves");
    EXPECT_TRUE(LogErrorMentions(host, "\"Flat\" not moved: the item is scaled to 0"));
}

TEST_F(BBoxToolTest, ALayerThatWouldLeaveSinglePrecisionStaysAndTheLogSaysWhich) {
    // The world move fits single precision; in the item scaled by 1/1000 it does not.
    MeshShape tiny = TwoSquares();
    tiny.name = "Tiny";
    tiny.scale = {1e-3, 1e-3, 1e-3};
    ItemData &small = AddMesh(host, tiny);
    ItemData &plain = AddMesh(host, TwoSquares());
    Line("select.element 0 polygon set 0");
    Line("select.element 1 polygon add 0");
    Line("tool.set gORVA.BBox on");
    DragCorner(0, {3e38, 0, 0});
    Line("tool.doApply");
    ExpectAt(WorldPoint(small, 4), 1e-3, 1e-3, 0, "unchanged");
    EXPECT_NEAR(WorldPoint(plain, 0)[0] / 3e38, 1.0, 1e-6) << "the layer that can move moves";
    EXPECT_TRUE(LogErrorMentions(host, "\"Tiny\" not moved: a moved point would leave single precision"));
}
