// The shared tool frame and the host side of tools: registration, enable chain, popup tables,
// drawing only in 3D views, presses away from handles, the undo step of the active tool.
#include <gtest/gtest.h>

#include <cstring>

#include "Tool_Arches_032.hpp"
#include "tests/support/shapes.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "lx_wrap.hpp"
#include "lx_message.hpp"
#include "lx_value.hpp"
#include "lx_vmodel.hpp"
#include "qk_tool_frame.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;
using gORVA_Tools_Arch::CgORVA_ArchTool;

namespace {

bool g_pass = true, g_fail = false;
bool Pass() {
    return g_pass;
}
bool FailTest() {
    return g_fail;
}

/// The message's table and key; empty texts when none is set.
std::string TableOf(CLxUser_Message &msg) {
    const char *text = nullptr;
    return LXx_OK(msg.Table(&text)) && text ? text : "";
}
std::string KeyOf(CLxUser_Message &msg) {
    const char *text = nullptr;
    return LXx_OK(msg.Name(&text)) && text ? text : "";
}

class ToolFrameTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        mesh = &AddMesh(host, MeshShape{});
        host.selection.SetCurrent(kSelPolygon);
    }
    void Line(const std::string &line) {
        CommandResult r = host.RunLine(line);
        ASSERT_TRUE(r.ok()) << line << ": " << r.message;
    }
    CgORVA_ArchTool &Arch() {
        CgORVA_ArchTool *tool = nullptr;
        lx::CastServer("gORVA.Arch", reinterpret_cast<ILxUnknownID>(host.Tools().ActiveObject()), tool);
        return *tool;
    }
    Vec3 AttrVec(const std::string &prefix) {
        return {std::stod(host.Tools().Attribute(prefix + "X")),
                std::stod(host.Tools().Attribute(prefix + "Y")),
                std::stod(host.Tools().Attribute(prefix + "Z"))};
    }
    ItemData *mesh = nullptr;
};

}  // namespace

TEST(ToolFrame, PopupTableEndsWithTypeRowThenEndRow) {
    qk::PopupHints hints({"a", "b", "c"}, "gorva-test");
    const LXtTextValueHint *t = hints.Table();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(t[i].value, i);
    EXPECT_STREQ(t[1].text, "b");
    EXPECT_EQ(t[3].value, -1);
    EXPECT_STREQ(t[3].text, "=gorva-test");
    EXPECT_EQ(t[4].value, -1);
    EXPECT_EQ(t[4].text, nullptr);
}

TEST_F(ToolFrameTest, EnableChainPassingLeavesTheMessageUntouched) {
    CLxUser_MessageService svc;
    CLxUser_Message msg;
    ASSERT_TRUE(svc.NewMessage(msg));
    msg.SetCode(0x1234);
    LxResult r = qk::RunToolEnableChain(msg, "gORVA.Arch", {{&Pass, true, "A"}, {&FailTest, false, "B"}});
    EXPECT_EQ(r, LXe_OK);
    EXPECT_EQ(msg.Code(), 0x1234u);
    EXPECT_EQ(KeyOf(msg), "");
}

TEST_F(ToolFrameTest, EnableChainStopsAtTheFirstFailingCheck) {
    CLxUser_MessageService svc;
    CLxUser_Message msg;
    ASSERT_TRUE(svc.NewMessage(msg));
    LxResult r = qk::RunToolEnableChain(msg, "gORVA.Arch",
                                        {{&Pass, true, "A"}, {&Pass, false, "B"}, {&FailTest, true, "C"}});
    EXPECT_EQ(r, 0x80000019u);
    EXPECT_EQ(msg.Code(), 0x84800004u);
    EXPECT_EQ(TableOf(msg), "gORVA.Arch");
    EXPECT_EQ(KeyOf(msg), "B");
}

TEST_F(ToolFrameTest, ArchIsTheFirstServerWithTheFourToolInterfacesInOrder) {
    ASSERT_FALSE(host.Servers().empty());
    const ServerInfo &first = host.Servers().front();
    EXPECT_EQ(first.name, "gORVA.Arch");
    EXPECT_EQ(first.interfaces,
              (std::vector<std::string>{"ILxTool", "ILxToolModel", "ILxAttributes", "ILxAttributesUI"}));
}

struct EnableCase {
    const char *name;
    SelType type;
    int version;
    bool refOther;
    LxResult result;
    const char *key;
};

class ArchEnable : public ToolFrameTest, public ::testing::WithParamInterface<EnableCase> {};

TEST_P(ArchEnable, ReportsTheFirstFailingCheck) {
    const EnableCase &c = GetParam();
    host.selection.SetCurrent(c.type);
    host.version = c.version;
    if (c.refOther) host.refSystem = AddMesh(host, MeshShape{}).ident;
    ILxUnknownID obj = static_cast<ILxUnknownID>(host.SpawnServer("gORVA.Arch"));
    ASSERT_NE(obj, nullptr);
    CLxLoc_ToolModel model;
    ASSERT_TRUE(model.set(obj));
    CLxUser_MessageService svc;
    CLxUser_Message msg;
    ASSERT_TRUE(svc.NewMessage(msg));
    EXPECT_EQ(model.Enable(msg), c.result);
    EXPECT_EQ(KeyOf(msg), c.key);
    EXPECT_EQ(msg.Code(), c.result == LXe_OK ? LXe_OK : 0x84800004u);
    model.clear();
    lx::ObjRelease(obj);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, ArchEnable,
    ::testing::Values(EnableCase{"AllPass", kSelPolygon, 801, false, LXe_OK, ""},
                      EnableCase{"VertexModePasses", kSelVertex, 801, false, LXe_OK, ""},
                      EnableCase{"ItemMode", kSelItem, 801, false, 0x80000019u, "WrongSelectionType"},
                      EnableCase{"ItemModeAndOldHost", kSelItem, 700, false, 0x80000019u,
                                 "WrongSelectionType"},
                      EnableCase{"RefOnOtherItem", kSelEdge, 801, true, 0x80000019u, "ItemRefSecondaryLayer"},
                      EnableCase{"OldHost", kSelPolygon, 700, false, 0x80000019u, "WrongModoVersion"}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(ToolFrameTest, DisabledToolIsNotActivatedAndSaysWhy) {
    host.selection.SetCurrent(kSelItem);
    CommandResult r = host.RunLine("tool.set gORVA.Arch on");
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.message.find("selection mode"), std::string::npos) << r.message;
    EXPECT_FALSE(host.Tools().Active());
}

TEST_F(ToolFrameTest, NonThreeDViewDrawsNothingAndWritesNothing) {
    Line("tool.view uv");
    Line("tool.set gORVA.Arch on");
    EXPECT_TRUE(host.Tools().Drawing().handles.empty());
    EXPECT_TRUE(host.Tools().Drawing().texts.empty());
    Line("tool.attr gORVA.Arch arch_segments 8");
    Line("tool.doApply");
    EXPECT_EQ(mesh->mesh->PointCount(), 0u);
    EXPECT_EQ(mesh->mesh->PolygonCount(), 0u);
}

TEST_F(ToolFrameTest, PressAwayFromHandlesStoresNoHandlePartAndDragsMoveNoHandle) {
    Line("tool.set gORVA.Arch on");
    Line("tool.press 50 0 0");  // the first press places the arch
    Line("tool.release");
    Vec3 start = AttrVec("span_start"), end = AttrVec("span_end"), crown = AttrVec("crown");
    Line("tool.press 40 40 40 button:2");  // a button that hauls no attribute
    EXPECT_LT(Arch().HotPart(), 10000);
    Line("tool.drag 45 45 45");
    Line("tool.release");
    EXPECT_EQ(AttrVec("span_start"), start);
    EXPECT_EQ(AttrVec("span_end"), end);
    EXPECT_EQ(AttrVec("crown"), crown);
}

TEST_F(ToolFrameTest, PressAwayFromHandlesHaulsTheButtonsAttribute) {
    Line("tool.set gORVA.Arch on");
    Line("tool.press 50 0 0");
    Line("tool.release");
    double span = std::stod(host.Tools().Attribute("arch_span"));
    Line("tool.press 40 40 40");  // button 0 hauls "arch_span" along the screen's right
    Line("tool.drag 41.5 40 40");
    Line("tool.release");
    EXPECT_NEAR(std::stod(host.Tools().Attribute("arch_span")), span + 1.5, 1e-9);
}

TEST_F(ToolFrameTest, PressOnAHandlePositionPicksItsPartAndMarksItHot) {
    Line("tool.set gORVA.Arch on");  // default arch: span end at (2, 0, 0)
    EXPECT_EQ(host.Tools().HitTest({2.0, 0.0, 0.0}), 10001);
    EXPECT_EQ(host.Tools().HitTest({2.05, 0.0, 0.0}), 10001);  // 5 pixels away at 100 pixels per metre
    EXPECT_EQ(host.Tools().HitTest({2.2, 0.0, 0.0}), qk::kNoPart);
    Line("tool.press 50 0 0");
    Line("tool.release");
    Line("tool.press part:10001");
    Line("tool.release");
    int hot = 0;
    for (const DrawnHandle &h : host.Tools().Drawing().handles)
        if (h.part == 10001) hot = h.flags;
    EXPECT_EQ(hot, 0x30000);
}

TEST_F(ToolFrameTest, DropLeavesTheMeshAsBefore) {
    AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    host.SetPrimary(mesh);
    Line("tool.set gORVA.Arch on");
    EXPECT_EQ(mesh->mesh->PointCount(), 21u);
    Line("tool.attr gORVA.Arch arch_type segmental");
    Line("tool.drop");
    EXPECT_EQ(mesh->mesh->PointCount(), 0u);
    EXPECT_EQ(mesh->mesh->PolygonCount(), 0u);
    EXPECT_FALSE(host.Tools().Active());
}

TEST_F(ToolFrameTest, AnotherCommandAppliesTheActiveToolFirst) {
    Line("tool.set gORVA.Arch on");
    Line("pref.value units.upAxis 1");
    EXPECT_FALSE(host.Tools().Active());
    EXPECT_EQ(mesh->mesh->PointCount(), 21u);
    // The arch now belongs to the scene: a later tool session's drop keeps it.
    Line("tool.set gORVA.Arch on");
    Line("tool.drop");
    EXPECT_EQ(mesh->mesh->PointCount(), 21u);
}

TEST_F(ToolFrameTest, GreyedOutAttributeIsRefusedWithItsReason) {
    Line("tool.set gORVA.Arch on");
    CommandResult r = host.RunLine("tool.attr gORVA.Arch intra_extrados_dist 0.2");
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.message.find("Polygon Strip"), std::string::npos) << r.message;
    Line("tool.attr gORVA.Arch arch_geometry_mode polygon-strip");
    Line("tool.attr gORVA.Arch intra_extrados_dist 0.2");
    EXPECT_DOUBLE_EQ(std::stod(host.Tools().Attribute("intra_extrados_dist")), 0.2);
}

TEST_F(ToolFrameTest, AttributeFieldsHonourTheToolsLimits) {
    Line("tool.set gORVA.Arch on");
    CommandResult r = host.RunLine("tool.attr gORVA.Arch arch_type 12");
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.message.find("elliptical"), std::string::npos) << r.message;  // names the choices
    EXPECT_EQ(host.Tools().Attribute("arch_type"), "0");
    EXPECT_FALSE(host.RunLine("tool.attr gORVA.Arch arch_geometry_mode -1").ok());
    Line("tool.attr gORVA.Arch arch_type 8");
    EXPECT_EQ(host.Tools().Attribute("arch_type"), "8");
    Line("tool.attr gORVA.Arch arch_span 0");  // a field with a minimum takes the minimum
    EXPECT_DOUBLE_EQ(std::stod(host.Tools().Attribute("arch_span")), 0.001);
    Line("tool.attr gORVA.Arch arch_height -3");
    EXPECT_DOUBLE_EQ(std::stod(host.Tools().Attribute("arch_height")), 0.001);
    Line("tool.attr gORVA.Arch arch_segments 9999");  // no limit hint: the tool's own rule applies
    EXPECT_EQ(host.Tools().Attribute("arch_segments"), "512");
}

TEST_F(ToolFrameTest, ToolLinesRejectMalformedInput) {
    EXPECT_FALSE(host.RunLine("tool.set gORVA.Nope on").ok());
    EXPECT_FALSE(host.RunLine("tool.doApply").ok());
    EXPECT_FALSE(host.RunLine("tool.drag 1 2").ok());
    Line("tool.set gORVA.Arch on");
    EXPECT_FALSE(host.RunLine("tool.drag 1 2 3").ok());  // no button down
    EXPECT_FALSE(host.RunLine("tool.axis 3").ok());
    EXPECT_FALSE(host.RunLine("tool.view 3d -5").ok());
    EXPECT_FALSE(host.RunLine("tool.attr gORVA.Arch arch_segments many").ok());
    EXPECT_FALSE(host.RunLine("tool.attr gORVA.Arch no_such_attr 1").ok());
    EXPECT_TRUE(host.Tools().Active());
}

TEST_F(ToolFrameTest, ForgottenInstancesStartAfresh) {
    Line("tool.set gORVA.Arch on");
    Line("tool.attr gORVA.Arch arch_type lancet");
    Line("tool.doApply");
    Line("tool.set gORVA.Arch on");
    EXPECT_EQ(host.Tools().Attribute("arch_type"), "3");  // the same instance keeps its settings
    host.Tools().ForgetInstances();
    EXPECT_FALSE(host.Tools().Active());
    Line("tool.set gORVA.Arch on");
    EXPECT_EQ(host.Tools().Attribute("arch_type"), "0");
}
