// Every command and every tool's apply on the canned scene of awkward geometry (an empty mesh,
// one- and two-point polygons, a polygon without area, coincident corners, an item scaled to
// nothing): what each does there, and that nothing it leaves behind is broken.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/shapes.hpp"
#include "host/model/scene.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;

namespace {

/// Every mesh index in range, every position finite, every item matrix finite.
void ExpectSoundScene(Host &host, const std::string &what) {
    for (const auto &item : host.scene.Items()) {
        for (const auto &row : item->WorldMatrix())
            for (double v : row) EXPECT_TRUE(std::isfinite(v)) << what << ": " << item->name << " matrix";
        if (!item->mesh) continue;
        const MeshData &mesh = *item->mesh;
        for (const auto &p : mesh.Positions())
            for (float c : p) EXPECT_TRUE(std::isfinite(c)) << what << ": " << item->name << " position";
        for (uint32_t c = 0; c < mesh.CornerCount(); ++c)
            EXPECT_LT(mesh.Corners()[c], mesh.PointCount()) << what << ": " << item->name << " corner " << c;
    }
    for (const VertexPacket &p : host.selection.Vertices()) EXPECT_LT(p.point, p.mesh->PointCount()) << what;
    for (const PolygonPacket &p : host.selection.Polygons())
        EXPECT_LT(p.polygon, p.mesh->PolygonCount()) << what;
}

/// A command line run on a reference selection, which must run, and how many elements of its
/// selection type are selected after it.
struct CommandCase {
    const char *name;
    const char *selectionType;  // "vertex", "edge" or "polygon"
    const char
        *reference;     // "slivers-quad" (the plain quad of Slivers, or its first corner or edge) or "all"
    const char *setup;  // a line run first, or empty
    const char *line;
    int selectedAfter;
};

class DegenerateScene : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        items = AddDegenerateScene(host);
    }
    std::array<ItemData *, 3> items{};
};

class DegenerateCommand : public DegenerateScene, public ::testing::WithParamInterface<CommandCase> {};

}  // namespace

TEST_P(DegenerateCommand, RunsOrRefusesAndLeavesASoundScene) {
    const CommandCase &c = GetParam();
    if (std::string(c.reference) == "all") {
        SelectEverything(host);
    } else if (std::string(c.selectionType) == "vertex") {
        SelectPoints(host, *items[1], {8});
    } else if (std::string(c.selectionType) == "edge") {
        SelectEdges(host, *items[1], {{8, 11}});
    } else {
        SelectPolygons(host, *items[1], {4});
    }
    ASSERT_TRUE(host.RunLine(std::string("select.typeFrom ") + c.selectionType).ok());
    if (*c.setup) {
        ASSERT_TRUE(host.RunLine(c.setup).ok()) << c.setup;
    }
    CommandResult r = host.RunLine(c.line);
    EXPECT_TRUE(r.ok()) << r.message;
    size_t selected = std::string(c.selectionType) == "vertex" ? host.selection.Vertices().size()
                      : std::string(c.selectionType) == "edge" ? host.selection.EdgeList().size()
                                                               : host.selection.Polygons().size();
    EXPECT_EQ(selected, size_t(c.selectedAfter));
    ExpectSoundScene(host, c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DegenerateCommand,
    ::testing::Values(
        CommandCase{"HeightOfVertices", "vertex", "slivers-quad", "", "gORVA.Cmd.SelectbyHeight match_mode:0",
                    16},
        CommandCase{"HeightOfEdges", "edge", "slivers-quad", "", "gORVA.Cmd.SelectbyHeight match_mode:0", 16},
        CommandCase{"HeightOfPolygons", "polygon", "slivers-quad", "",
                    "gORVA.Cmd.SelectbyHeight match_mode:0", 6},
        CommandCase{"HeightInWorldSpace", "polygon", "slivers-quad",
                    "user.value gORVA_01_SelectbyHeight_UseItemXfrms 1",
                    "gORVA.Cmd.SelectbyHeight match_mode:0", 6},
        CommandCase{"Normal", "polygon", "slivers-quad", "", "gORVA.Cmd.SelectbyNormal match_mode:0", 3},
        CommandCase{"NormalFromEverything", "polygon", "all", "", "gORVA.Cmd.SelectbyNormal match_mode:0", 6},
        CommandCase{"EdgeChecker", "edge", "all", "", "gORVA.Cmd.SelectEdgesbyAlignment", 0},
        CommandCase{"AddLight", "polygon", "all", "", "gORVA.Cmd.AddLightAtPolyPos", 6}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(DegenerateScene, AddLightPutsAFiniteLightOnEveryPolygon) {
    SelectEverything(host);
    ASSERT_TRUE(host.RunLine("select.typeFrom polygon").ok());
    ASSERT_TRUE(host.RunLine("gORVA.Cmd.AddLightAtPolyPos").ok());
    size_t lights = 0;
    for (const auto &item : host.scene.Items())
        if (ItemTypeIsA(item->type, ItemTypeCode("light"))) ++lights;
    EXPECT_EQ(lights, 6u);  // degenerate polygons get a light of no size at their centre
    ExpectSoundScene(host, "lights");
}

namespace {

/// A tool session on the scene: the primary layer it writes into, the selection it starts from, the
/// lines that drive it (ending with the apply), how many points the primary layer gains, and the key
/// of the tool's table its activation is refused with (null when it is not).
struct ToolCase {
    const char *name;
    int primary;  // index into the scene's items: 0 Empty, 1 Slivers, 2 Collapsed
    const char *selectionType;
    std::vector<const char *> lines;
    int pointsAdded;
    const char *refusedWith = nullptr;
    /// Where point 8 of Slivers (at (2, 0, 2) before) is afterwards, in world space.
    Vec3 sliversPoint8{2, 0, 2};
    /// Whether the primary layer is the only active one (the other meshes stay in the scene).
    bool primaryOnly = false;
};

class DegenerateTool : public DegenerateScene, public ::testing::WithParamInterface<ToolCase> {};

}  // namespace

TEST_P(DegenerateTool, AppliesOrWritesNothingAndLeavesASoundScene) {
    const ToolCase &c = GetParam();
    ItemData &primary = *items[size_t(c.primary)];
    host.SetPrimary(&primary);
    if (c.primaryOnly)
        for (ItemData *item : items)
            if (item != &primary) host.SetActive(*item, false);
    SelectEverything(host);
    ASSERT_TRUE(host.RunLine(std::string("select.typeFrom ") + c.selectionType).ok());
    uint32_t before = primary.mesh->PointCount();
    for (const char *line : c.lines) {
        CommandResult r = host.RunLine(line);
        if (c.refusedWith && line == c.lines.front()) {
            std::string server = std::string(line).substr(9, std::string(line).find(' ', 9) - 9);
            EXPECT_EQ(r.message, host.MessageText(server, c.refusedWith, {})) << line;
            break;
        }
        EXPECT_TRUE(r.ok()) << line << ": " << r.message;
    }
    EXPECT_FALSE(host.Tools().Active());
    EXPECT_EQ(int(primary.mesh->PointCount() - before), c.pointsAdded);
    Vec3 p8 = WorldPoint(*items[1], 8);
    for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(p8[i], c.sliversPoint8[i], 1e-6) << "axis " << i;
    ExpectSoundScene(host, c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, DegenerateTool,
    ::testing::Values(
        ToolCase{"ArchIntoAnEmptyMesh",
                 0,
                 "polygon",
                 {"tool.set gORVA.Arch on", "tool.press part:-1", "tool.drag 3 0 0", "tool.release",
                  "tool.doApply"},
                 21},
        ToolCase{"ArchIntoSlivers", 1, "polygon", {"tool.set gORVA.Arch on", "tool.doApply"}, 21},
        // An item scaled to nothing has no space to hold the arch at its handles.
        ToolCase{"ArchIntoACollapsedItem", 2, "polygon", {"tool.set gORVA.Arch on", "tool.doApply"}, 0},
        ToolCase{"BBoxMovesEverySelectedPolygon",
                 1,
                 "polygon",
                 {"tool.set gORVA.BBox on", "tool.press part:10000", "tool.drag 1 0 0", "tool.release",
                  "tool.doApply"},
                 0,
                 nullptr,
                 {3, 0, 2}},  // the box's least corner dragged from the origin to (1, 0, 0)
        // The collapsed item is transformed, which the vector scale tool does not take.
        ToolCase{"ScaleIsRefusedOverTransformedItems",
                 1,
                 "polygon",
                 {"tool.set gORVA.Scale on"},
                 0,
                 "ItemTransformsFound"},
        ToolCase{
            "ComponentAlignOntoCoincidentCorners",
            1,
            "vertex",
            {"tool.set gORVA.ComponentAlignAToB on", "tool.press part:10000", "tool.release", "tool.doApply"},
            0},
        // The path runs through all twelve points; the two on one spot make one ring of four.
        ToolCase{"SweepAlongSlivers",
                 1,
                 "vertex",
                 {"tool.set gORVA.Sweeper on", "tool.press part:-1", "tool.release", "tool.doApply"},
                 44,
                 nullptr,
                 {2, 0, 2},
                 true},
        ToolCase{"MeshAlignOfSlivers",
                 1,
                 "vertex",
                 {"tool.set gORVA.MeshAlignAToB on", "tool.press part:10000", "tool.release", "tool.doApply"},
                 0,
                 nullptr,
                 {3, 0, 2}}),  // A, Slivers' first point, onto B, its second: the whole mesh 1 m along X
    [](const auto &p) { return std::string(p.param.name); });
