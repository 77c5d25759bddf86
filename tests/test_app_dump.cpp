// The JSON dump of the scene state.
#include <gtest/gtest.h>

#include "tests/support/shapes.hpp"
#include "host/host.hpp"
#include "host/scripting/scene_dump.hpp"
#include "lx_mesh.hpp"

using namespace gorva::host;

TEST(AppDump, ListsItemsMeshesSelectionAndRecords) {
    Host host;
    MeshShape shape = GridShape(2, 1);
    shape.polygons[1].material = "Brick";
    ItemData &grid = AddMesh(host, shape);
    float uv[2] = {0.25f, 0.1f};
    grid.mesh->SetMapValue(grid.mesh->AddMap(LXi_VMAP_TEXTUREUV, "Texture", 2), 1, uv);
    ASSERT_TRUE(host.RunLine("item.create locator Pivot").ok());
    ASSERT_TRUE(host.RunLine("item.transform Pivot rot 0 90 0").ok());
    ASSERT_TRUE(host.RunLine("item.parent Pivot @" + grid.ident).ok());
    SelectPolygons(host, grid, {1, 0});
    SelectEdges(host, grid, {{1, 0}});
    ASSERT_TRUE(host.RunLine("select.typeFrom polygon").ok());
    host.dialogs.push_back({"Title", "table", "key", "Some text", {}, 0});

    nlohmann::json j = DumpScene(host);
    ASSERT_EQ(j["items"].size(), 2u);
    const auto &pivot = j["items"][1];
    EXPECT_EQ(pivot["name"], "Pivot");
    EXPECT_EQ(pivot["type"], "locator");
    EXPECT_EQ(pivot["parent"], grid.ident);
    EXPECT_NEAR(pivot["rotation"][1].get<double>(), 90.0, 1e-9);
    EXPECT_EQ(pivot["worldMatrix"].size(), 4u);
    EXPECT_TRUE(j["items"][0]["parent"].is_null());

    const auto &mesh = j["meshes"][grid.ident];
    EXPECT_EQ(mesh["points"].size(), 6u);
    EXPECT_EQ(mesh["points"][1], nlohmann::json::array({1.0, 0.0, 0.0}));
    EXPECT_EQ(mesh["polygons"][1]["tags"]["MATR"], "Brick");
    EXPECT_EQ(mesh["polygons"][0]["type"], "FACE");
    EXPECT_EQ(mesh["polygons"][0]["vertices"], nlohmann::json::array({0, 3, 4, 1}));
    const auto &corners = mesh["polygons"][0]["uv"]["Texture"];
    ASSERT_EQ(corners.size(), 4u);
    EXPECT_TRUE(corners[0].is_null());
    EXPECT_EQ(corners[1], nlohmann::json::array({0.25, 0.1}));  // shortest decimal of the float

    EXPECT_EQ(j["selection"]["type"], "polygon");
    EXPECT_EQ(j["selection"]["polygon"],
              nlohmann::json::parse("[[\"" + grid.ident + "\",1],[\"" + grid.ident + "\",0]]"));
    EXPECT_EQ(j["selection"]["edge"][0], nlohmann::json::array({grid.ident, 1, 0}));
    EXPECT_TRUE(j["userValues"].contains("gORVA_01_SelectbyHeight_RangeUpper"));
    EXPECT_EQ(j["dialogs"][0]["text"], "Some text");
    EXPECT_TRUE(j["log"].is_array());
}

TEST(AppDump, ShortestDoubleReadsBackToTheSameFloat) {
    for (float f : {0.1f, 1.0f / 3.0f, 123456.789f, -7.5e-8f, 3.4e38f, 0.0f})
        EXPECT_EQ(float(ShortestDouble(f)), f);
    EXPECT_EQ(ShortestDouble(0.1f), 0.1);
}
