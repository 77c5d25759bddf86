// The component and mesh align tools driven through the host as a script drives them: activation,
// presses on the target and switch handles, typed offsets, swap and origin target, apply, drawing.
// Expected positions are worked out by hand; turned, scaled and parented items are in the end-to-end
// align scripts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/shapes.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;

namespace {

constexpr double kTol = 2e-5;  // mesh positions are single precision
const char *const kComponent = "gORVA.ComponentAlignAToB";
const char *const kMesh = "gORVA.MeshAlignAToB";

class AlignToolTest : public ToolSceneTest {
protected:
    void SetUp() override {
        ToolSceneTest::SetUp();
        host.selection.SetCurrent(kSelVertex);
    }
    ItemData &Mesh(const std::string &name, const std::vector<std::array<float, 3>> &points,
                   const std::array<double, 3> &position = {0, 0, 0}) {
        MeshShape shape;
        shape.name = name;
        shape.points = points;
        shape.position = position;
        return AddMesh(host, shape);
    }
    void Select(ItemData &item, std::vector<uint32_t> points) {
        for (uint32_t p : points) host.selection.SelectVertex(*item.mesh, p);
    }
    void Attr(const std::string &tool, const std::string &name, const std::string &value) {
        Line("tool.attr " + std::string(tool) + " " + name + " " + value);
    }
    bool Flag(const std::string &attr) { return AttrNumber(attr) != 0.0; }
    void ExpectAt(const ItemData &item, uint32_t i, const Vec3 &expected, const std::string &what) {
        Vec3 p = WorldPoint(item, i);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], expected[k], kTol) << what << " axis " << k;
    }
    void ExpectNoErrors() {
        for (const LogLine &l : host.log) EXPECT_NE(l.level, 0u) << l.text;
    }
    bool LogMentions(const std::string &text) {
        for (const LogLine &l : host.log)
            if (l.text.find(text) != std::string::npos) return true;
        return false;
    }
    const ToolDrawing &Drawn() { return host.Tools().Redraw(); }
};

using ComponentAlignTest = AlignToolTest;
using MeshAlignTest = AlignToolTest;

}  // namespace

// ---- component align

TEST_F(ComponentAlignTest, PressOnTheTargetPutsAOnBAndASecondPressWithdrawsIt) {
    ItemData &m = Mesh("Pieces", {{1, 0, 0}, {4, 2, -1}, {0, 5, 0}});
    Select(m, {0, 1});
    Line(std::string("tool.set ") + kComponent + " on");
    EXPECT_NEAR(AttrNumber("offset_x"), 0.0, 0.0);
    EXPECT_TRUE(Flag("align_x") && Flag("align_y") && Flag("align_z"));
    ExpectAt(m, 0, {1, 0, 0}, "pending");
    Line("tool.press part:10000");
    ExpectAt(m, 0, {4, 2, -1}, "A on B");
    ExpectAt(m, 1, {4, 2, -1}, "B stays");
    ExpectAt(m, 2, {0, 5, 0}, "unselected");
    Line("tool.press part:10000");
    ExpectAt(m, 0, {1, 0, 0}, "withdrawn");
    Line("tool.press part:10000");
    Line("tool.doApply");
    ExpectAt(m, 0, {4, 2, -1}, "applied");
    ExpectNoErrors();
}

TEST_F(ComponentAlignTest, BIsLastAIsNearestAndTheGroupKeepsItsShape) {
    // B = (3, 1, 0) is selected last; (2, 0, 0) is nearest to it, so the move is (1, 1, 0).
    const struct {
        bool group;
        std::vector<Vec3> expected;
    } cases[] = {
        {true, {{1, 1, 0}, {3, 1, 0}, {1, 4, 0}, {3, 1, 0}}},
        {false, {{3, 1, 0}, {3, 1, 0}, {3, 1, 0}, {3, 1, 0}}},
    };
    for (const auto &c : cases) {
        host.NewScene();
        host.selection.SetCurrent(kSelVertex);
        ItemData &m = Mesh("Group", {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {3, 1, 0}});
        Select(m, {0, 1, 2, 3});
        Line(std::string("tool.set ") + kComponent + " on");
        Attr(kComponent, "move_as_group", c.group ? "on" : "off");
        Line("tool.press part:10000");
        for (uint32_t i = 0; i < 4; ++i) ExpectAt(m, i, c.expected[i], "point " + std::to_string(i));
        Line("tool.drop");
    }
}

TEST_F(ComponentAlignTest, SwitchHandleOffKeepsAOnThatAxis) {
    ItemData &m = Mesh("Pieces", {{1, 2, 3}, {4, 6, 8}});
    Select(m, {0, 1});
    Line(std::string("tool.set ") + kComponent + " on");
    Line("tool.press part:10001");  // X switch off: the offset keeps A's own X
    EXPECT_FALSE(Flag("align_x"));
    EXPECT_NEAR(AttrNumber("offset_x"), -3.0, 1e-12);
    Line("tool.press part:10000");
    ExpectAt(m, 0, {1, 6, 8}, "A keeps its X");
    Line("tool.press part:10001");  // on again: B's X
    EXPECT_TRUE(Flag("align_x"));
    EXPECT_NEAR(AttrNumber("offset_x"), 0.0, 1e-12);
    ExpectAt(m, 0, {4, 6, 8}, "A on B");
}

TEST_F(ComponentAlignTest, TypedOffsetsDriveTheSwitchesAndYKeepsItsOffsetWhenLevel) {
    // A typed offset switches its axis off; switching it off again recomputes the offset from A and B,
    // except on Y when A and B are level, where the typed offset stays.
    const struct {
        const char *axis;
        Vec3 b;
        double expectedOffset;
        Vec3 expectedA;
    } cases[] = {
        {"y", {2, 0, 1}, 0.5, {2, 0.5, 1}},
        {"y", {2, 1, 1}, -1.0, {2, 0, 1}},
        {"x", {2, 0, 1}, -2.0, {0, 0, 1}},
    };
    for (const auto &c : cases) {
        host.NewScene();
        host.selection.SetCurrent(kSelVertex);
        ItemData &m = Mesh("Pair", {{0, 0, 0}, {float(c.b[0]), float(c.b[1]), float(c.b[2])}});
        Select(m, {0, 1});
        Line(std::string("tool.set ") + kComponent + " on");
        const std::string axis = c.axis;
        Attr(kComponent, "offset_" + axis, "0.5");
        EXPECT_FALSE(Flag("align_" + axis)) << axis;
        Attr(kComponent, "align_" + axis, "off");
        EXPECT_NEAR(AttrNumber("offset_" + axis), c.expectedOffset, 1e-12) << axis;
        Line("tool.press part:10000");
        ExpectAt(m, 0, c.expectedA, axis);
        Attr(kComponent, "offset_" + axis, "0");  // typing 0 switches the axis on again
        EXPECT_TRUE(Flag("align_" + axis)) << axis;
        Line("tool.drop");
    }
}

TEST_F(ComponentAlignTest, TargetAtTheOriginMovesTheFormerBToo) {
    // A = (2, 2, 2) is nearest to B = (3, 1, 1); A lands on the origin and the others follow by -A.
    ItemData &m = Mesh("Trio", {{1, 1, 1}, {2, 2, 2}, {3, 1, 1}});
    Select(m, {0, 1, 2});
    Line(std::string("tool.set ") + kComponent + " on");
    Attr(kComponent, "offset_x", "0.5");
    Attr(kComponent, "target_is_origin", "on");
    EXPECT_FALSE(Flag("target_is_origin"));
    EXPECT_TRUE(Flag("align_x"));
    EXPECT_NEAR(AttrNumber("offset_x"), 0.0, 1e-12);
    Line("tool.press part:10000");
    ExpectAt(m, 0, {-1, -1, -1}, "other");
    ExpectAt(m, 1, {0, 0, 0}, "A");
    ExpectAt(m, 2, {1, -1, -1}, "former B");
    Attr(kComponent, "target_is_origin", "on");  // again: B's vertex is not taken twice
    ExpectAt(m, 2, {1, -1, -1}, "former B once");
    Attr(kComponent, "move_as_group", "off");
    for (uint32_t i = 0; i < 3; ++i) ExpectAt(m, i, {0, 0, 0}, "every point on the target");
}

TEST_F(ComponentAlignTest, AutoJumpWritesWithoutAPressAndHidesTheTarget) {
    ItemData &m = Mesh("Pieces", {{1, 0, 0}, {4, 2, -1}});
    Select(m, {0, 1});
    Line(std::string("tool.set ") + kComponent + " on");
    Attr(kComponent, "offset_z", "1");
    ExpectAt(m, 0, {1, 0, 0}, "pending");
    Attr(kComponent, "auto_jump_mode", "on");
    ExpectAt(m, 0, {4, 2, 0}, "written");
    for (const DrawnHandle &h : Drawn().handles) EXPECT_NE(h.part, 10000);
    int markers = 0;
    for (const DrawnStroke &s : Drawn().strokes) markers += s.type == 9;
    EXPECT_EQ(markers, 2) << "only the A and B markers";
}

TEST_F(ComponentAlignTest, OneVertexGoesToTheEarlierDestination) {
    ItemData &m = Mesh("Pieces", {{1, 0, 0}, {4, 2, -1}, {7, 7, 7}});
    Select(m, {2});
    CommandResult refused = host.RunLine(std::string("tool.set ") + kComponent + " on");
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.message.find("at least two vertices"), std::string::npos) << refused.message;

    host.selection.Clear(kSelVertex);
    Select(m, {0, 1});
    Line(std::string("tool.set ") + kComponent + " on");
    Line("tool.press part:10000");
    Line("tool.doApply");
    host.selection.Clear(kSelVertex);
    Select(m, {2});
    Line(std::string("tool.set ") + kComponent + " on");
    Line("tool.press part:10000");
    Line("tool.doApply");
    ExpectAt(m, 2, {4, 2, -1}, "sent to the earlier B");
    ExpectAt(m, 0, {4, 2, -1}, "earlier A stays");
}

TEST_F(ComponentAlignTest, NoSourceWithinReachMakesTheActivationInvalid) {
    ItemData &m = Mesh("Far", {{100000, 0, 0}, {0, 0, 0}});
    Select(m, {0, 1});
    Line(std::string("tool.set ") + kComponent + " on");
    EXPECT_TRUE(LogMentions("100000")) << "the log says why";
    EXPECT_TRUE(Drawn().handles.empty());
    EXPECT_TRUE(Drawn().strokes.empty());
    Line("tool.press part:10000");
    Line("tool.doApply");
    ExpectAt(m, 0, {100000, 0, 0}, "not moved");
}

TEST_F(ComponentAlignTest, RefusedOutsideVertexModeAndWritesNothingOutside3DViews) {
    ItemData &m = Mesh("Pieces", {{1, 0, 0}, {4, 2, -1}});
    Select(m, {0, 1});
    host.selection.SetCurrent(kSelPolygon);
    CommandResult refused = host.RunLine(std::string("tool.set ") + kComponent + " on");
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.message.find("vertex selection mode"), std::string::npos) << refused.message;

    host.selection.SetCurrent(kSelVertex);
    Line(std::string("tool.set ") + kComponent + " on");
    Line("tool.view uv");
    Line("tool.press part:10000");
    ExpectAt(m, 0, {1, 0, 0}, "uv view");
    EXPECT_TRUE(Drawn().handles.empty());
    Line("tool.view 3d");
    ExpectAt(m, 0, {4, 2, -1}, "3d view");
}

TEST_F(ComponentAlignTest, APositionBeyondSinglePrecisionWritesNothing) {
    // Both values fit single precision; their sum does not.
    ItemData &m = Mesh("Pieces", {{1, 0, 0}, {2, 0, 0}, {3e38, 2, -1}});
    Select(m, {0, 1, 2});
    Line(std::string("tool.set ") + kComponent + " on");
    Line("tool.press part:10000");
    Attr(kComponent, "offset_x", "3e38");
    ExpectAt(m, 0, {1, 0, 0}, "first");
    ExpectAt(m, 1, {2, 0, 0}, "A");
    ExpectNoErrors();
}

TEST_F(ComponentAlignTest, DrawsTargetSwitchesGuideAndLabels) {
    // Pixel scale 100: the unit is 0.25 m; the view looks down -Z, so the screen's right is +X.
    ItemData &m = Mesh("Pair", {{0, 0, 0}, {4, 0, 0}});
    Select(m, {0, 1});
    Line(std::string("tool.set ") + kComponent + " on");
    Attr(kComponent, "offset_y", "1");
    const ToolDrawing &d = Drawn();
    const struct {
        int part;
        Vec3 at;
        int flags;
    } handles[] = {{10000, {4, 1, 0}, 0x10000},
                   {10001, {-0.375, 0.375, 0}, 0x1000000},
                   {10002, {0, 0.375, 0}, 0x10000},
                   {10003, {0.375, 0.375, 0}, 0x3000000}};
    ASSERT_EQ(d.handles.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(d.handles[i].part, handles[i].part);
        EXPECT_EQ(d.handles[i].flags, handles[i].flags) << handles[i].part;
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(d.handles[i].pos[k], handles[i].at[k], 1e-9) << handles[i].part;
    }
    const DrawnStroke *guide = nullptr;
    for (const DrawnStroke &s : d.strokes)
        if (s.dash == 0x3333) guide = &s;
    ASSERT_NE(guide, nullptr);
    EXPECT_EQ(guide->part, -2000000000);
    EXPECT_NEAR(guide->verts[0][1], 10001.0, 1e-6);
    EXPECT_NEAR(guide->verts[1][1], -10000.0, 1e-6);
    ASSERT_EQ(d.texts.size(), 2u);
    EXPECT_EQ(d.texts[0].text, "Target to B: 1 m");
    EXPECT_NEAR(d.texts[0].pos[1], 0.5625, 1e-9);
    EXPECT_EQ(d.texts[1].text, "A to target: 4.123 m");
    EXPECT_NEAR(d.texts[1].pos[0], 2.0, 1e-9);
    Attr(kComponent, "show_dims", "off");
    EXPECT_EQ(Drawn().texts.size(), 1u) << "the distance to B is not a dimension switch's label";
}

// ---- mesh align

TEST_F(MeshAlignTest, MovesAsWholeMeshOntoBAndLeavesBsMeshAlone) {
    ItemData &a = Mesh("Frame", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {5, 0, 2});
    ItemData &b = Mesh("Wall", {{0, 0, 0}, {2, 1, 0}});
    Select(a, {1});
    Select(b, {1});
    Select(a, {2});  // a third vertex plays no part
    Line(std::string("tool.set ") + kMesh + " on");
    Line("tool.press part:10000");
    Line("tool.doApply");
    // A = (6, 0, 2) goes to B = (2, 1, 0): every point of the frame moves by (-4, 1, -2).
    ExpectAt(a, 0, {1, 1, 0}, "frame 0");
    ExpectAt(a, 1, {2, 1, 0}, "A");
    ExpectAt(a, 2, {2, 2, 0}, "frame 2");
    ExpectAt(b, 0, {0, 0, 0}, "wall 0");
    ExpectAt(b, 1, {2, 1, 0}, "B");
    ExpectNoErrors();
}

TEST_F(MeshAlignTest, SwapExchangesRolesButNotAfterAnOriginTarget) {
    ItemData &a = Mesh("First", {{1, 0, 0}});
    ItemData &b = Mesh("Second", {{3, 2, 0}});
    Select(a, {0});
    Select(b, {0});
    Line(std::string("tool.set ") + kMesh + " on");
    Attr(kMesh, "swap_direction", "on");
    EXPECT_FALSE(Flag("swap_direction"));
    Line("tool.press part:10000");
    ExpectAt(b, 0, {1, 0, 0}, "the second moves to the first");
    ExpectAt(a, 0, {1, 0, 0}, "the first stays");

    Attr(kMesh, "target_is_origin", "on");
    EXPECT_FALSE(Flag("target_is_origin"));
    ExpectAt(b, 0, {0, 0, 0}, "to the origin");
    Attr(kMesh, "swap_direction", "on");
    EXPECT_FALSE(Flag("swap_direction"));
    ExpectAt(b, 0, {0, 0, 0}, "swap refused");
    ExpectAt(a, 0, {1, 0, 0}, "the first still stays");
    Line("tool.reset " + std::string(kMesh));  // B is still at the origin after a reset
    Attr(kMesh, "swap_direction", "on");
    ExpectAt(b, 0, {0, 0, 0}, "swap still refused");
}

TEST_F(MeshAlignTest, DuplicatesKeepOneAndOnePointWithoutDestinationIsInvalid) {
    ItemData &a = Mesh("Twins", {{1, 1, 1}, {1, 1, 1}});
    Select(a, {0, 1});
    Line(std::string("tool.set ") + kMesh + " on");
    EXPECT_TRUE(LogMentions("one point"));
    EXPECT_TRUE(Drawn().strokes.empty());
    Line("tool.press part:10000");
    Line("tool.reset " + std::string(kMesh));  // a reset does not bring the activation back
    EXPECT_TRUE(Drawn().strokes.empty());
    Line("tool.doApply");
    ExpectAt(a, 0, {1, 1, 1}, "not moved");
}

TEST_F(MeshAlignTest, ResetForgetsTheDestinationButKeepsApplying) {
    ItemData &a = Mesh("First", {{1, 0, 0}, {2, 0, 0}});
    ItemData &b = Mesh("Second", {{3, 2, 0}});
    Select(a, {0});
    Select(b, {0});
    Line(std::string("tool.set ") + kMesh + " on");
    Attr(kMesh, "offset_z", "1");
    Line("tool.press part:10000");
    ExpectAt(a, 0, {3, 2, 1}, "with the offset");
    Line("tool.reset " + std::string(kMesh));
    EXPECT_NEAR(AttrNumber("offset_z"), 0.0, 1e-12);
    ExpectAt(a, 0, {3, 2, 0}, "still applying, offsets reset");
    Line("tool.doApply");
    host.selection.Clear(kSelVertex);
    Select(a, {1});
    CommandResult refused = host.RunLine(std::string("tool.set ") + kMesh + " on");
    EXPECT_FALSE(refused.ok()) << "the destination is forgotten";
}

TEST_F(MeshAlignTest, OneVertexGoesToTheEarlierDestination) {
    ItemData &a = Mesh("First", {{1, 0, 0}});
    ItemData &b = Mesh("Second", {{3, 2, 0}});
    ItemData &c = Mesh("Third", {{0, 0, 9}, {1, 0, 9}});
    Select(a, {0});
    Select(b, {0});
    Line(std::string("tool.set ") + kMesh + " on");
    Line("tool.drop");
    host.selection.Clear(kSelVertex);
    Select(c, {1});
    Line(std::string("tool.set ") + kMesh + " on");
    Line("tool.press part:10000");
    Line("tool.doApply");
    ExpectAt(c, 1, {3, 2, 0}, "A on the earlier B");
    ExpectAt(c, 0, {2, 2, 0}, "its mesh follows");
    ExpectAt(a, 0, {1, 0, 0}, "the first never moved");
}

TEST_F(MeshAlignTest, DrawsTheGuideAlwaysAndBothLabelsWithTheDimensions) {
    ItemData &m = Mesh("Pair", {{0, 0, 0}, {4, 0, 0}});
    Select(m, {0, 1});
    Line(std::string("tool.set ") + kMesh + " on");
    for (const char *axis : {"x", "y", "z"}) Attr(kMesh, std::string("offset_") + axis, "1");
    EXPECT_FALSE(Flag("align_x") || Flag("align_y") || Flag("align_z"));
    // T = (5, 1, 1): sqrt 27 from A, sqrt 3 from B.
    const ToolDrawing &d = Drawn();
    bool guide = false;
    for (const DrawnStroke &s : d.strokes) guide = guide || s.dash == 0x3333;
    EXPECT_TRUE(guide) << "drawn with every switch off";
    ASSERT_EQ(d.texts.size(), 2u);
    EXPECT_EQ(d.texts[0].text, "A to target: 5.196 m");
    EXPECT_EQ(d.texts[1].text, "Target to B: 1.732 m");
    Attr(kMesh, "show_dims", "off");
    EXPECT_TRUE(Drawn().texts.empty());

    // T on A: the target marker turns red and the target handle goes.
    Attr(kMesh, "show_dims", "on");
    Attr(kMesh, "offset_x", "-4");
    Attr(kMesh, "offset_y", "0");
    Attr(kMesh, "offset_z", "0");
    const ToolDrawing &onA = Drawn();
    ASSERT_FALSE(onA.strokes.empty());
    EXPECT_EQ(onA.strokes.front().type, 9);
    EXPECT_EQ(onA.strokes.front().colour[0], 1.0);
    EXPECT_EQ(onA.strokes.front().colour[1], 0.0);
    for (const DrawnHandle &h : onA.handles) EXPECT_NE(h.part, 10000);
    EXPECT_TRUE(onA.texts.empty());
}

TEST(AlignToolsUnderAReferenceSystem, AreRefusedWithTheirReason) {
    for (const char *tool : {"gORVA.ComponentAlignAToB", "gORVA.MeshAlignAToB"}) {
        gorva::host::Host host;
        host.AttachModule(InProcessModule());
        gorva::host::MeshShape shape = gorva::host::GridShape(1, 1);
        gorva::host::ItemData &grid = gorva::host::AddMesh(host, shape);
        gorva::host::SelectPoints(host, grid, {0, 3});
        host.selection.SetCurrent(gorva::host::kSelVertex);
        ASSERT_TRUE(host.RunLine(std::string("tool.set ") + tool + " on").ok()) << tool;
        ASSERT_TRUE(host.RunLine("tool.drop").ok());
        host.refSystem = grid.ident;
        gorva::host::CommandResult r = host.RunLine(std::string("tool.set ") + tool + " on");
        EXPECT_FALSE(r.ok()) << tool;
        EXPECT_EQ(r.message, host.MessageText(tool, "ItemLocalSpaceRefIsSet", {})) << tool;
    }
}

// ---- flattened items, the former destination, swaps with a switch off

namespace {

/// A mesh item scaled to 0 along Y at the origin: its points lie in the world's XZ plane.
ItemData &FlatMesh(Host &host, const std::vector<std::array<float, 3>> &points) {
    MeshShape shape;
    shape.name = "Flat";
    shape.points = points;
    shape.scale = {1, 0, 1};
    return AddMesh(host, shape);
}

bool LogErrorMentions(const Host &host, const std::string &text) {
    for (const LogLine &l : host.log)
        if (l.level == 1 && l.text.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST_F(ComponentAlignTest, AFlattenedItemMovesInItsPlaneAndRefusesOnlyMovesOffIt) {
    ItemData &flat = FlatMesh(host, {{0, 0, 0}, {1, 0, 0}});
    ItemData &post = Mesh("Post", {{3, 0, 2}, {3, 1, 2}});
    Select(flat, {0, 1});
    Select(post, {0});  // B; A is the flat item's (1, 0, 0), nearest to it
    Line(std::string("tool.set ") + kComponent + " on");
    Line("tool.press part:10000");
    Line("tool.doApply");
    ExpectAt(flat, 0, {2, 0, 2}, "in the plane: moved");
    ExpectAt(flat, 1, {3, 0, 2}, "A on B");
    EXPECT_FALSE(LogErrorMentions(host, "scaled to 0"));

    host.selection.Clear(kSelVertex);
    Select(flat, {0, 1});
    Select(post, {1});  // B at height 1: the move leaves the flat item's plane
    Line(std::string("tool.set ") + kComponent + " on");
    Line("tool.press part:10000");
    Line("tool.doApply");
    ExpectAt(flat, 1, {3, 0, 2}, "off the plane: stays");
    EXPECT_TRUE(LogErrorMentions(host, "\"Flat\" not moved: the item is scaled to 0"));
}

TEST_F(ComponentAlignTest, TargetAtTheOriginAfterAOneVertexActivationMovesTheFormerBWhereItIsNow) {
    ItemData &m = Mesh("Pieces", {{1, 0, 0}, {4, 2, -1}, {7, 7, 7}});
    Select(m, {0, 1});  // A = point 0, B = point 1
    Line(std::string("tool.set ") + kComponent + " on");
    Line("tool.press part:10000");
    Line("tool.doApply");
    m.mesh->SetPosition(1, {5, 5, 5});  // B's vertex moved since by other means
    host.selection.Clear(kSelVertex);
    Select(m, {2});
    Line(std::string("tool.set ") + kComponent + " on");
    Attr(kComponent, "target_is_origin", "on");
    Line("tool.press part:10000");
    Line("tool.doApply");
    // A = (7, 7, 7) goes to the origin; the former B goes along from where it is now.
    ExpectAt(m, 2, {0, 0, 0}, "A");
    ExpectAt(m, 1, {-2, -2, -2}, "former B");
    ExpectAt(m, 0, {4, 2, -1}, "not selected");
}

TEST_F(MeshAlignTest, AFlattenedItemMovesInItsPlaneAndRefusesOnlyMovesOffIt) {
    ItemData &flat = FlatMesh(host, {{0, 0, 0}, {1, 0, 1}});
    ItemData &wall = Mesh("Wall", {{3, 0, 2}, {3, 1, 2}});
    Select(flat, {1});
    Select(wall, {0});
    Line(std::string("tool.set ") + kMesh + " on");
    Line("tool.press part:10000");
    Line("tool.doApply");
    ExpectAt(flat, 0, {2, 0, 1}, "in the plane: the whole mesh moved");
    ExpectAt(flat, 1, {3, 0, 2}, "A on B");

    host.selection.Clear(kSelVertex);
    Select(flat, {1});
    Select(wall, {1});
    Line(std::string("tool.set ") + kMesh + " on");
    Line("tool.press part:10000");
    Line("tool.doApply");
    ExpectAt(flat, 1, {3, 0, 2}, "off the plane: stays");
    EXPECT_TRUE(LogErrorMentions(host, "\"Flat\" not moved: the item is scaled to 0"));
}

TEST_F(MeshAlignTest, SwapWithAnAxisSwitchOffKeepsTheMovedMeshsOwnCoordinate) {
    ItemData &a = Mesh("First", {{1, 0, 0}});
    ItemData &b = Mesh("Second", {{3, 2, 5}});
    Select(a, {0});
    Select(b, {0});
    Line(std::string("tool.set ") + kMesh + " on");
    Attr(kMesh, "align_y", "off");
    Attr(kMesh, "swap_direction", "on");
    Line("tool.press part:10000");
    Line("tool.doApply");
    ExpectAt(b, 0, {1, 2, 0}, "the second moves to the first but keeps its own height");
    ExpectAt(a, 0, {1, 0, 0}, "the first stays");
}
