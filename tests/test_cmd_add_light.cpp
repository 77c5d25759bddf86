// "gORVA.Cmd.AddLightAtPolyPos" run end to end through the in-memory host.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "host/bridge/attributes_ref.hpp"
#include "tests/support/shapes.hpp"
#include "host/host.hpp"
#include "lx_wrap.hpp"
#include "lx_command.hpp"
#include "lx_value.hpp"
#include "tests/test_support.hpp"

namespace {

namespace gh = gorva::host;
using Vec = std::array<double, 3>;

const char *const kCmd = "gORVA.Cmd.AddLightAtPolyPos";

class AddLightTest : public CommandTest {
protected:
    AddLightTest() : CommandTest(kCmd) {}

    std::vector<gh::ItemData *> ItemsOfType(const char *typeName) const {
        std::vector<gh::ItemData *> out;
        const int type = gh::ItemTypeCode(typeName);
        for (const auto &item : host.scene.Items())
            if (item->type == type) out.push_back(item.get());
        return out;
    }
};

/// A mesh item holding one quad per corner list (four points each, in the order given).
gh::ItemData &AddQuads(gh::Host &host, const std::vector<std::array<std::array<float, 3>, 4>> &quads,
                       const gh::MeshShape &base = gh::MeshShape()) {
    gh::MeshShape shape = base;
    for (const auto &quad : quads) {
        gh::PolygonShape polygon;
        for (const auto &p : quad) {
            polygon.vertices.push_back(uint32_t(shape.points.size()));
            shape.points.push_back(p);
        }
        shape.polygons.push_back(polygon);
    }
    return gh::AddMesh(host, shape);
}

// Upright 2 x 1 quad in the XY plane, facing +Z, level top edge.
const std::array<std::array<float, 3>, 4> kWallQuad = {{{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}};
// Unit floor quad facing +Y whose first edge runs along +X.
const std::array<std::array<float, 3>, 4> kFloorQuad = {{{0, 0, 0}, {1, 0, 0}, {1, 0, -1}, {0, 0, -1}}};

Vec Row(const gh::Matrix4 &m, int row) {
    return {m[row][0], m[row][1], m[row][2]};
}
Vec RotationRow(const gh::ItemData &light, int row) {
    return Row(light.MatrixChannelValue(gh::MatrixChannel::WorldRotation), row);
}
Vec Position(const gh::ItemData &light) {
    return Row(light.WorldMatrix(), 3);
}

void ExpectVec(const Vec &actual, const Vec &expected, double tol = 1e-6) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], tol) << "component " << i;
}

/// Everything about the scene and the selection that a failed run must leave as it was.
struct Snapshot {
    std::vector<std::tuple<std::string, std::string, int, std::string, std::vector<double>, size_t>> items;
    std::vector<std::pair<const void *, uint32_t>> polygons;
    std::vector<const void *> selectedItems;

    static Snapshot Of(gh::Host &host) {
        Snapshot s;
        for (const auto &item : host.scene.Items())
            s.items.emplace_back(item->ident, item->name, item->type, item->parent ? item->parent->ident : "",
                                 item->channelValues, item->children.size());
        for (const auto &p : host.selection.Polygons()) s.polygons.emplace_back(p.mesh, p.polygon);
        for (const auto &i : host.selection.ItemList()) s.selectedItems.push_back(i.item);
        return s;
    }
    bool operator==(const Snapshot &o) const {
        return items == o.items && polygons == o.polygons && selectedItems == o.selectedItems;
    }
};

TEST_F(AddLightTest, CoincidentPolygonsGiveOneLightTheLastSelected) {
    // Quads 0 and 1 coincide within the tolerance (1 is 4e-7 higher); quad 2 stands apart.
    auto lifted = kFloorQuad;
    for (auto &p : lifted) p[1] = 4e-7f;
    auto apart = kFloorQuad;
    for (auto &p : apart) p[0] += 5.0f;
    auto &mesh = AddQuads(host, {kFloorQuad, lifted, apart});

    gh::SelectPolygons(host, mesh, {1, 2, 0});
    ASSERT_TRUE(Run({{"light_type", "2"}}).ok());
    auto lights = ItemsOfType("pointLight");
    ASSERT_EQ(lights.size(), 2u);
    // Selection order kept: the apart quad first, then quad 0 (selected after its twin).
    ExpectVec(Position(*lights[0]), {5.5, 0.0, -0.5});
    EXPECT_EQ(Position(*lights[1])[1], 0.0);

    host.NewScene();
    auto &again = AddQuads(host, {kFloorQuad, lifted});
    gh::SelectPolygons(host, again, {0, 1});
    ASSERT_TRUE(Run({{"light_type", "2"}}).ok());
    lights = ItemsOfType("pointLight");
    ASSERT_EQ(lights.size(), 1u);
    EXPECT_NEAR(Position(*lights[0])[1], double(4e-7f), 1e-12);
}

TEST_F(AddLightTest, SixteenHundredPolygonsWorkAndOneMoreFails) {
    auto &mesh = gh::AddMesh(host, gh::GridShape(41, 40));
    std::vector<uint32_t> polygons;
    for (uint32_t i = 0; i < 1601; ++i) polygons.push_back(i);

    gh::SelectPolygons(host, mesh, polygons);
    const size_t before = host.scene.Items().size();
    ExpectFailure(Run({{"light_type", "2"}}), "NeedsFewerPolygons");
    EXPECT_EQ(host.scene.Items().size(), before);

    host.selection.Clear(gh::kSelPolygon);
    polygons.pop_back();
    gh::SelectPolygons(host, mesh, polygons);
    ASSERT_TRUE(Run({{"light_type", "2"}}).ok());
    EXPECT_EQ(ItemsOfType("pointLight").size(), 1600u);
}

TEST_F(AddLightTest, UprightQuadGivesUprightLight) {
    auto &mesh = AddQuads(host, {kWallQuad});
    gh::SelectPolygons(host, mesh, {0});
    ASSERT_TRUE(Run({{"light_type", "0"}}).ok());
    auto lights = ItemsOfType("areaLight");
    ASSERT_EQ(lights.size(), 1u);
    // Facing against the +Z normal; right lies in the ground plane, across the normal.
    ExpectVec(RotationRow(*lights[0], 1), {0, 1, 0});
    ExpectVec(RotationRow(*lights[0], 0), {-1, 0, 0});
    ExpectVec(RotationRow(*lights[0], 2), {0, 0, -1});
    ExpectVec(Position(*lights[0]), {1.0, 0.5, 0.0});
}

struct FloorCase {
    const char *name;
    bool ceiling;  // the quad faces down instead of up
    bool flip;
    Vec right, up, forward;
};

TEST_F(AddLightTest, HorizontalQuadsWithFirstEdgeAlongX) {
    // The light's forward axis is the facing: against the normal, or along it when flipped.
    const FloorCase cases[] = {
        {"floor", false, false, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}},
        {"floor flipped", false, true, {1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
        {"ceiling", true, false, {1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        host.NewScene();
        auto quad = kFloorQuad;
        if (c.ceiling) quad = {{{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}};
        auto &mesh = AddQuads(host, {quad});
        gh::SelectPolygons(host, mesh, {0});
        ASSERT_TRUE(Run({{"light_type", "0"}, {"flip_facing", c.flip ? "1" : "0"}}).ok());
        auto lights = ItemsOfType("areaLight");
        ASSERT_EQ(lights.size(), 1u);
        ExpectVec(RotationRow(*lights[0], 0), c.right);
        ExpectVec(RotationRow(*lights[0], 1), c.up);
        ExpectVec(RotationRow(*lights[0], 2), c.forward);
    }
}

TEST_F(AddLightTest, AreaLightsAndPortalsAreSizedOthersNot) {
    const std::pair<const char *, Vec> cases[] = {
        {"0", {2, 1, 1}}, {"3", {2, 1, 1}}, {"2", {1, 1, 1}}, {"4", {1, 1, 1}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.first);
        host.NewScene();
        auto &mesh = AddQuads(host, {kWallQuad});
        gh::SelectPolygons(host, mesh, {0});
        ASSERT_TRUE(Run({{"light_type", c.first}}).ok());
        const auto &light = *host.scene.Items()[1];
        ExpectVec({light.Channel("scl.X"), light.Channel("scl.Y"), light.Channel("scl.Z")}, c.second);
    }
}

TEST_F(AddLightTest, GroupTakesItsNameOrOneFromTheLightType) {
    const std::tuple<const char *, const char *, const char *> cases[] = {
        {"4", "", "Spot Lights"}, {"0", "", "Area Lights"}, {"3", "", "Portals"}, {"2", "Lamps", "Lamps"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::get<2>(c));
        host.NewScene();
        auto &mesh = AddQuads(host, {kWallQuad, kFloorQuad});
        gh::SelectPolygons(host, mesh, {0, 1});
        ASSERT_TRUE(
            Run({{"light_type", std::get<0>(c)}, {"group_lights", "1"}, {"group_name", std::get<1>(c)}})
                .ok());
        auto groups = ItemsOfType("groupLocator");
        ASSERT_EQ(groups.size(), 1u);
        EXPECT_EQ(groups[0]->name, std::get<2>(c));
        ASSERT_EQ(groups[0]->children.size(), 2u);
        for (auto *light : groups[0]->children) EXPECT_EQ(light->parent, groups[0]);
    }
}

TEST_F(AddLightTest, LightPositionsStayInWorldSpaceUnderAGroup) {
    auto &mesh = AddQuads(host, {kWallQuad});
    gh::SelectPolygons(host, mesh, {0});
    ASSERT_TRUE(Run({{"light_type", "2"}, {"group_lights", "1"}}).ok());
    ExpectVec(Position(*ItemsOfType("pointLight")[0]), {1.0, 0.5, 0.0});
}

TEST_F(AddLightTest, SelectsLightsMaterialsOrBoth) {
    for (const char *mode : {"0", "1", "2", "3"}) {
        SCOPED_TRACE(mode);
        host.NewScene();
        auto &mesh = AddQuads(host, {kWallQuad, kFloorQuad});
        gh::SelectPolygons(host, mesh, {0, 1});
        ASSERT_TRUE(Run({{"light_type", "2"}, {"select_lights", mode}}).ok());
        const int m = mode[0] - '0';
        std::vector<std::string> titles;
        for (const auto &monitor : host.monitors) titles.push_back(monitor.title);
        std::vector<std::string> expected = {"Adding lights to scene..."};
        if (m == 1 || m == 3) expected.push_back("Selecting Lights...");
        if (m == 2 || m == 3) expected.push_back("Selecting Light Materials...");
        EXPECT_EQ(titles, expected);
        for (auto *light : ItemsOfType("pointLight")) {
            EXPECT_EQ(host.selection.IsItemSelected(*light), m == 1 || m == 3);
            ASSERT_EQ(light->children.size(), 1u);
            EXPECT_EQ(host.selection.IsItemSelected(*light->children[0]), m == 2 || m == 3);
        }
    }
}

TEST_F(AddLightTest, InstancesOfOneLightEachPlacedOnItsPolygon) {
    auto apart = kWallQuad;
    for (auto &p : apart) p[2] -= 3.0f;
    auto &mesh = AddQuads(host, {kWallQuad, apart, kFloorQuad});
    gh::SelectPolygons(host, mesh, {0, 1, 2});
    ASSERT_TRUE(Run({{"light_type", "2"}, {"use_instances", "1"}}).ok());
    auto lights = ItemsOfType("pointLight");
    ASSERT_EQ(lights.size(), 3u);
    EXPECT_EQ(lights[0]->instanceOf, nullptr);
    EXPECT_EQ(lights[1]->instanceOf, lights[0]);
    EXPECT_EQ(lights[2]->instanceOf, lights[0]);
    ExpectVec(Position(*lights[0]), {1.0, 0.5, 0.0});
    ExpectVec(Position(*lights[1]), {1.0, 0.5, -3.0});
    ExpectVec(Position(*lights[2]), {0.5, 0.0, -0.5});
}

TEST_F(AddLightTest, OffsetMovesAlongTheNormalWhateverTheFacing) {
    for (const char *flip : {"0", "1"}) {
        SCOPED_TRACE(flip);
        host.NewScene();
        auto &mesh = AddQuads(host, {kWallQuad});
        gh::SelectPolygons(host, mesh, {0});
        ASSERT_TRUE(Run({{"light_type", "2"}, {"offset_distance", "250 mm"}, {"flip_facing", flip}}).ok());
        ExpectVec(Position(*ItemsOfType("pointLight")[0]), {1.0, 0.5, 0.25});
    }
}

TEST_F(AddLightTest, WritesRadianceAndMaterialColour) {
    auto &mesh = AddQuads(host, {kWallQuad, kFloorQuad});
    gh::SelectPolygons(host, mesh, {0, 1});
    ASSERT_TRUE(
        Run({{"light_type", "0"}, {"radiant_emittance", "7.5"}, {"light_colour", "0.25 0.5 0.75"}}).ok());
    auto lights = ItemsOfType("areaLight");
    ASSERT_EQ(lights.size(), 2u);
    for (auto *light : lights) {
        EXPECT_DOUBLE_EQ(light->Channel("radiance"), 7.5);
        const auto &material = *light->children.at(0);
        EXPECT_DOUBLE_EQ(material.Channel("lightCol.R"), 0.25);
        EXPECT_DOUBLE_EQ(material.Channel("lightCol.G"), 0.5);
        EXPECT_DOUBLE_EQ(material.Channel("lightCol.B"), 0.75);
    }
}

TEST_F(AddLightTest, UnsetColourIsWhiteAndUnsetRadianceKeepsTheDefault) {
    double defaultRadiance = -1.0;
    for (const auto &c : gh::ItemTypes()[size_t(gh::ItemTypeCode("pointLight"))].channels)
        if (c.first == "radiance") defaultRadiance = c.second;
    ASSERT_GT(defaultRadiance, 0.0);

    auto &mesh = AddQuads(host, {kWallQuad});
    gh::SelectPolygons(host, mesh, {0});
    ASSERT_TRUE(Run({{"light_type", "2"}}).ok());
    auto lights = ItemsOfType("pointLight");
    ASSERT_EQ(lights.size(), 1u);
    EXPECT_DOUBLE_EQ(lights[0]->Channel("radiance"), defaultRadiance);
    const auto &material = *lights[0]->children.at(0);
    EXPECT_DOUBLE_EQ(material.Channel("lightCol.R"), 1.0);
    EXPECT_DOUBLE_EQ(material.Channel("lightCol.G"), 1.0);
    EXPECT_DOUBLE_EQ(material.Channel("lightCol.B"), 1.0);
}

TEST_F(AddLightTest, LightTypeOutsideTheListFailsWithoutAddingItems) {
    auto &mesh = AddQuads(host, {kWallQuad});
    gh::SelectPolygons(host, mesh, {0});
    for (int type : {5, 7, -1}) {
        SCOPED_TRACE(type);
        // Typed, a number that is no choice of the popup is refused before the command runs...
        EXPECT_FALSE(Run({{"light_type", std::to_string(type)}}).ok());
        // ...and handed to the command as a number, the command refuses it itself.
        ILxUnknownID obj = static_cast<ILxUnknownID>(host.SpawnServer(kCmd));
        CLxUser_Command cmd;
        ASSERT_TRUE(cmd.set(obj));
        lx::ObjRelease(obj);
        CLxUser_Attributes args;
        ASSERT_TRUE(args.set(static_cast<ILxUnknownID>(cmd)));
        ASSERT_EQ(args.SetInt(0, type), LXe_OK);
        cmd.Execute(0);
        CLxUser_Message message;
        LXtObjectID messageObj = nullptr;
        ASSERT_EQ(cmd.Message(&messageObj), LXe_OK);
        ASSERT_TRUE(message.take(messageObj));
        EXPECT_EQ(message.Code(), LXe_FAILED);
        EXPECT_EQ(host.scene.Items().size(), 1u);
    }
}

TEST_F(AddLightTest, FailureAfterItemsWereAddedLeavesTheSceneAsItWas) {
    // The second quad's item is scaled so far that its world points overflow: the first light is
    // placed, the second cannot be, after the group and both lights were created.
    auto &good = AddQuads(host, {kWallQuad});
    gh::MeshShape huge;
    huge.name = "Huge";
    huge.scale = {1e300, 1e300, 1e300};
    auto farQuad = kFloorQuad;
    for (auto &p : farQuad) p[0] += 1e10f;
    auto &bad = AddQuads(host, {farQuad}, huge);
    gh::SelectPolygons(host, good, {0});
    gh::SelectPolygons(host, bad, {0});
    host.selection.SelectItem(good);
    const Snapshot before = Snapshot::Of(host);

    ExpectFailure(
        Run({{"light_type", "0"}, {"group_lights", "1"}, {"select_lights", "3"}, {"radiant_emittance", "9"}}),
        "FailedToSetXfrmChannels");
    EXPECT_TRUE(Snapshot::Of(host) == before);
    EXPECT_TRUE(ItemsOfType("areaLight").empty());
    EXPECT_TRUE(ItemsOfType("groupLocator").empty());

    // The scene still works normally afterwards.
    host.selection.DeselectPolygon(*bad.mesh, 0);
    ASSERT_TRUE(Run({{"light_type", "0"}}).ok());
    EXPECT_EQ(ItemsOfType("areaLight").size(), 1u);
}

TEST_F(AddLightTest, AbortStopsAddingAndPlacesTheLightsAdded) {
    auto &mesh = gh::AddMesh(host, gh::GridShape(10, 1));
    gh::SelectPolygons(host, mesh, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    host.abortAtStep = 3;
    ASSERT_TRUE(Run({{"light_type", "2"}}).ok());
    ASSERT_FALSE(host.monitors.empty());
    EXPECT_EQ(host.monitors[0].title, "Adding lights to scene...");
    EXPECT_EQ(host.monitors[0].total, 10u);
    auto lights = ItemsOfType("pointLight");
    ASSERT_EQ(lights.size(), 3u);
    ExpectVec(Position(*lights[2]), {2.5, 0.0, 0.5});
}

TEST_F(AddLightTest, MonitorsTakeExactlyTheStepsTheyAnnounce) {
    // Adding: min(N, 50) steps of N / steps lights; selecting: min(N, 20) steps of N / steps items.
    // 120 lights step every 2 and 39 every 1: the steps stop at the announced count.
    const struct {
        unsigned polygons, addSteps, selectSteps;
    } cases[] = {{7, 7, 7}, {39, 39, 20}, {120, 50, 20}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.polygons);
        host.NewScene();
        auto &mesh = gh::AddMesh(host, gh::GridShape(c.polygons, 1));
        std::vector<uint32_t> polygons;
        for (uint32_t i = 0; i < c.polygons; ++i) polygons.push_back(i);
        gh::SelectPolygons(host, mesh, polygons);
        ASSERT_TRUE(Run({{"light_type", "2"}, {"select_lights", "1"}}).ok());
        EXPECT_EQ(ItemsOfType("pointLight").size(), c.polygons);
        ASSERT_EQ(host.monitors.size(), 2u);
        EXPECT_EQ(host.monitors[0].title, "Adding lights to scene...");
        EXPECT_EQ(host.monitors[0].total, c.addSteps);
        EXPECT_EQ(host.monitors[0].steps, c.addSteps);
        EXPECT_EQ(host.monitors[1].title, "Selecting Lights...");
        EXPECT_EQ(host.monitors[1].total, c.selectSteps);
        EXPECT_EQ(host.monitors[1].steps, c.selectSteps);
    }
}

TEST_F(AddLightTest, DisabledWithoutPolygonsOrOnAnotherVersion) {
    auto &mesh = AddQuads(host, {kWallQuad});
    auto r = host.TestEnable(kCmd, {});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, Text("NeedsPolygonSelection"));

    host.version = 800;
    r = host.TestEnable(kCmd, {});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, Text("WrongModoVersion"));

    gh::SelectPolygons(host, mesh, {0});
    host.version = 801;
    EXPECT_TRUE(host.TestEnable(kCmd, {}).ok());
}

TEST_F(AddLightTest, MeasuresInWorldSpaceOfATransformedMesh) {
    gh::MeshShape shape;
    shape.position = {10, 2, -4};
    shape.rotation = {0.3, 1.1, -0.4};
    shape.scale = {2, 2, 2};
    auto &mesh = AddQuads(host, {kWallQuad}, shape);
    gh::SelectPolygons(host, mesh, {0});
    ASSERT_TRUE(Run({{"light_type", "2"}, {"flip_facing", "1"}}).ok());
    const auto &light = *ItemsOfType("pointLight")[0];

    const auto world = mesh.WorldMatrix();
    const auto centre = gh::TransformPoint(world, {1.0, 0.5, 0.0});
    const auto rotation = mesh.MatrixChannelValue(gh::MatrixChannel::WorldRotation);
    const auto normal = gh::TransformPoint(rotation, {0.0, 0.0, 1.0});
    ExpectVec(Position(light), {centre[0], centre[1], centre[2]}, 1e-5);
    ExpectVec(RotationRow(light, 2), {normal[0], normal[1], normal[2]}, 1e-5);
}

TEST_F(AddLightTest, NamesAndFlags) {
    ILxUnknownID obj = static_cast<ILxUnknownID>(host.SpawnServer(kCmd));
    ASSERT_NE(obj, nullptr);
    CLxUser_Command cmd;
    ASSERT_TRUE(cmd.set(obj));
    lx::ObjRelease(obj);
    const char *text = nullptr;
    ASSERT_EQ(cmd.UserName(&text), LXe_OK);
    EXPECT_STREQ(text, "Add Light to Poly Pos");
    ASSERT_EQ(cmd.ButtonName(&text), LXe_OK);
    EXPECT_STREQ(text, "Add Light to Poly Pos");
    ASSERT_EQ(cmd.Desc(&text), LXe_OK);
    EXPECT_STREQ(text, "Add a light at the position of- and orientated to- each selected polygon.");
    unsigned flags = 0;
    ASSERT_EQ(cmd.Flags(&flags), LXe_OK);
    EXPECT_EQ(flags, 0x06000000u);

    CLxUser_Attributes args;
    ASSERT_TRUE(args.set(static_cast<ILxUnknownID>(cmd)));
    const char *names[] = {"light_type",   "select_lights",   "radiant_emittance",
                           "light_colour", "offset_distance", "group_lights",
                           "group_name",   "use_instances",   "flip_facing"};
    const char *types[] = {"integer", "integer", "light",   "color",  "distance",
                           "boolean", "string",  "boolean", "boolean"};
    ASSERT_EQ(args.Count(), 9u);
    for (unsigned i = 0; i < 9; ++i) {
        EXPECT_EQ(args.FindIndex(names[i]), int(i));
        const char *type = nullptr;
        ASSERT_EQ(args.TypeName(i, &type), LXe_OK);
        EXPECT_STREQ(type, types[i]);
    }
    // The popups' choices by the names a user types; the values themselves take numbers only.
    gorva::host::AttributesRef typed(static_cast<void *>(static_cast<ILxUnknownID>(cmd)));
    EXPECT_EQ(typed.SetText(0, "spot"), LXe_OK);
    EXPECT_EQ(args.Int(0), 4);
    EXPECT_EQ(typed.SetText(1, "Lights and Light Materials"), LXe_OK);
    EXPECT_EQ(args.Int(1), 3);
    EXPECT_TRUE(LXx_FAIL(args.SetString(0, "Spot")));
}

}  // namespace
