// What the host hands a tool with a press besides the handle part: the polygon under the mouse,
// the button and modifier keys, and the wall clock; and the UV map every new mesh carries.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "tests/support/shapes.hpp"
#include "host/io/obj_io.hpp"
#include "host/bridge/services.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "host/tool_runtime/tool_pick.hpp"
#include "lx_mesh.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;

namespace {

/// An L-shaped floor polygon (a unit square with its +X+Z quarter cut away) at height 0.
MeshShape LShape() {
    MeshShape shape;
    shape.name = "L";
    shape.points = {{0, 0, 0}, {1, 0, 0}, {1, 0, 0.5f}, {0.5f, 0, 0.5f}, {0.5f, 0, 1}, {0, 0, 1}};
    shape.polygons = {{{0, 5, 4, 3, 2, 1}, "", ""}};
    return shape;
}

}  // namespace

TEST(HostPick, NearestPolygonAlongTheRayInTheMeshsOwnSpace) {
    Host host;
    AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    MeshShape moved = BoxShape({0, 0, 0}, {1, 1, 1});
    moved.name = "Moved";
    moved.position = {0, 0, -3};
    moved.scale = {2, 1, 1};
    ItemData &far = AddMesh(host, moved);
    PolygonHit hit;
    ASSERT_TRUE(PickPolygon(host, {0.5, 0.5, 10}, {0, 0, -1}, hit));
    EXPECT_EQ(hit.item->name, "Box");
    EXPECT_NEAR(hit.pos[2], 1.0, 1e-12);  // the near box's front face
    EXPECT_NEAR(hit.t, 9.0, 1e-12);
    EXPECT_NEAR(hit.normal[2], 1.0, 1e-12);

    ASSERT_TRUE(PickPolygon(host, {1.5, 0.5, 10}, {0, 0, -1}, hit));  // beside the first box
    EXPECT_EQ(hit.item, &far);
    EXPECT_NEAR(hit.pos[0], 0.75, 1e-12);  // world x 1.5 in an item scaled 2 along X
    EXPECT_NEAR(hit.pos[2], 1.0, 1e-12);
    EXPECT_FALSE(PickPolygon(host, {0.5, 0.5, 10}, {0, 0, 1}, hit));  // looking away
    EXPECT_FALSE(PickPolygon(host, {5, 5, 10}, {0, 0, -1}, hit));
}

TEST(HostPick, AConcavePolygonIsMissedInItsNotch) {
    Host host;
    AddMesh(host, LShape());
    PolygonHit hit;
    EXPECT_TRUE(PickPolygon(host, {0.25, 5, 0.75}, {0, -1, 0}, hit));
    EXPECT_TRUE(PickPolygon(host, {0.75, 5, 0.25}, {0, -1, 0}, hit));
    EXPECT_FALSE(PickPolygon(host, {0.75, 5, 0.75}, {0, -1, 0}, hit));  // the cut-away quarter
}

class ToolEventsTest : public ToolSceneTest {};

TEST_F(ToolEventsTest, APressCarriesThePolygonUnderTheMouseUntilRelease) {
    MeshShape floor = GridShape(2, 2);
    floor.position = {0, 0, 0};
    ItemData &grid = AddMesh(host, floor);
    Line("tool.view 3d 100 0.5 10 1.5");
    Line("tool.set gORVA.Arch on");
    Line("tool.press part:-1 button:2");  // the first press places the arch
    Line("tool.release");
    Line("tool.press 0.5 0 1.5 button:2");
    const LXtHitPolygon &hit = host.Tools().Packets().hit.hit;
    ASSERT_NE(hit.pol, nullptr);
    EXPECT_EQ(FromId(hit.pol), 2u);  // the quad over x 0..1, z 1..2
    EXPECT_EQ(ItemOf(hit.item), &grid);
    EXPECT_NEAR(hit.pos[0], 0.5, 1e-9);
    EXPECT_NEAR(hit.pos[2], 1.5, 1e-9);
    Line("tool.release");
    EXPECT_EQ(host.Tools().Packets().hit.hit.pol, nullptr);

    Line("tool.press part:-1 hitMesh:Grid hitPolygon:3 button:2");
    ASSERT_NE(host.Tools().Packets().hit.hit.pol, nullptr);
    EXPECT_EQ(FromId(host.Tools().Packets().hit.hit.pol), 3u);
    EXPECT_NEAR(host.Tools().Packets().hit.hit.pos[0], 1.5, 1e-9);  // the named quad's centre
    Line("tool.release");
    EXPECT_FALSE(host.RunLine("tool.press part:-1 hitMesh:Grid hitPolygon:4").ok());
    EXPECT_FALSE(host.RunLine("tool.press part:-1 hitMesh:Grid").ok());
}

TEST_F(ToolEventsTest, ANamedHitLiesWhereTheViewRayThroughThePressMeetsItsPlane) {
    AddMesh(host, GridShape(2, 2));
    Line("tool.view 3d 100 0.5 10 1.5");
    Line("tool.set gORVA.Arch on");
    Line("tool.press part:-1 button:2");
    Line("tool.release");
    struct Case {
        const char *press;
        double x, z;
    } cases[] = {
        {"1.2 0 1.8", 1.2, 1.8},     // on the named quad (x 1..2, z 1..2)
        {"1.4 1 1.8", 1.5, 1.8 + 0.3 / 9},  // above it: carried on along the ray from the eye
        {"0.2 0 0.3", 0.2, 0.3},     // over another quad: still the named one's plane
        {"part:-1", 1.5, 1.5},       // no position: its centre
    };
    for (const Case &c : cases) {
        Line(std::string("tool.press ") + c.press + " hitMesh:Grid hitPolygon:3 button:2");
        const LXtHitPolygon &hit = host.Tools().Packets().hit.hit;
        ASSERT_NE(hit.pol, nullptr) << c.press;
        EXPECT_EQ(FromId(hit.pol), 3u) << c.press;
        EXPECT_NEAR(hit.pos[0], c.x, 1e-9) << c.press;
        EXPECT_NEAR(hit.pos[1], 0.0, 1e-9) << c.press;
        EXPECT_NEAR(hit.pos[2], c.z, 1e-9) << c.press;
        Line("tool.release");
    }
}

TEST_F(ToolEventsTest, APressCarriesItsButtonAndModifierKeys) {
    Line("tool.set gORVA.Arch on");
    struct Case {
        const char *args;
        unsigned input, mode;
    } cases[] = {
        {"", 0, 0}, {" button:1", 1, 0}, {" mode:ctrl", 0, 8}, {" mode:shift|alt", 0, 5}, {" mode:8", 0, 8}};
    for (const Case &c : cases) {
        Line(std::string("tool.press part:-1") + c.args);
        EXPECT_EQ(host.Tools().Packets().input.input, c.input) << c.args;
        EXPECT_EQ(host.Tools().Packets().input.mode, c.mode) << c.args;
        Line("tool.release");
    }
    EXPECT_EQ(host.Tools().Packets().input.mode, 0u);
    EXPECT_FALSE(host.RunLine("tool.press part:-1 mode:hyper").ok());
    EXPECT_FALSE(host.RunLine("tool.press part:-1 button:5").ok());
}

TEST_F(ToolEventsTest, NewMeshesCarryAnEmptyTextureMapAndSavedUVsComeBack) {
    Line("item.create mesh Fresh");
    ItemData *fresh = host.scene.Find("Fresh");
    ASSERT_NE(fresh, nullptr);
    ASSERT_NE(fresh->mesh->FindMap(LXi_VMAP_TEXTUREUV, "Texture"), nullptr);

    MeshShape quad;
    quad.name = "Quad";
    quad.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    quad.polygons = {{{0, 1, 2, 3}, "", "gORVA__Sweeper_Geometry"}};
    ItemData &item = AddMesh(host, quad);
    const uint32_t uv = item.mesh->MapIndex(LXi_VMAP_TEXTUREUV, "Texture");
    ASSERT_NE(uv, MeshData::kNone);
    const float corner[2] = {0.25f, 0.75f};
    item.mesh->SetMapValue(uv, 2, corner);
    std::ostringstream out;
    WriteObj(host.scene, out);
    EXPECT_NE(out.str().find("vt 0.25 0.75"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("g gORVA__Sweeper_Geometry"), std::string::npos) << out.str();
}
