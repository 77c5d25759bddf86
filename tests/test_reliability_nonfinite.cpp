// Values beyond single precision are refused where they enter (a file, a script line, an attribute,
// a channel write); a scene whose points leave single precision in world space is not saved, and a
// picture of it leaves out what is not finite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/host.hpp"
#include "host/io/obj_io.hpp"
#include "tests/support/shapes.hpp"
#include "host/pictures/render.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "tests/test_reliability_support.hpp"
#include "tests/test_support.hpp"
#include "tests/test_files.hpp"

using namespace gorva::host;
namespace fs = std::filesystem;

TEST(NonFiniteGeometry, AFileValueBeyondSinglePrecisionIsRefusedWithItsLine) {
    const std::pair<const char *, int> files[] = {
        {"v 0 0 0\nv 1e39 0 0\n", 2}, {"v 0 -3.5e38 0\n", 1}, {"v 0 0 0\nvt 0 1e39\n", 2}};
    for (const auto &f : files) {
        ObjFile file;
        std::string error;
        EXPECT_FALSE(ParseObjText(f.first, file, error));
        EXPECT_NE(error.find("t.obj:" + std::to_string(f.second) + ": "), std::string::npos) << error;
        EXPECT_NE(error.find("beyond single precision"), std::string::npos) << error;
    }
    ObjFile file;
    std::string error;
    ASSERT_TRUE(ParseObjText("v 3.4028234e38 -3.4e38 0\n", file, error)) << error;
    EXPECT_EQ(file.objects.at(0).points.at(0)[0], FLT_MAX);
}

TEST_F(HostTest, AScriptValueBeyondSinglePrecisionIsRefused) {
    ItemData &grid = AddMesh(host, GridShape(1, 1));
    SelectPolygons(host, grid, {0});
    host.selection.SetCurrent(kSelPolygon);
    for (const char *line :
         {"item.transform Grid pos 1e39 0 0", "item.transform Grid scl 1 -1e39 1",
          "item.transform Grid rot 0 0 1e39", "gORVA.Cmd.AddLightAtPolyPos offset_distance:1e39"}) {
        CommandResult r = host.RunLine(line);
        EXPECT_FALSE(r.ok()) << line;
        EXPECT_NE(r.message.find(line[0] == 'i' ? "beyond single precision" : "bad value"), std::string::npos)
            << r.message;
    }
    EXPECT_EQ(host.scene.Items().size(), 1u);
    for (double v : grid.channelValues) EXPECT_TRUE(v == 0.0 || v == 1.0);
}

TEST_F(HostTest, AChannelBeyondSinglePrecisionIsRefused) {
    ItemData &item = *host.scene.AddItem(ItemTypeCode("locator"));
    unsigned pos = unsigned(item.ChannelIndex("pos.X"));
    EXPECT_TRUE(host.scene.SetChannel(item, pos, 3.0e38));
    for (double bad : {1e39, -1e39, double(INFINITY), double(NAN)})
        EXPECT_FALSE(host.scene.SetChannel(item, pos, bad));
    EXPECT_EQ(item.Channel("pos.X"), 3.0e38);
}

TEST_F(ToolSceneTest, ToolPositionsAndAttributesBeyondSinglePrecisionAreRefused) {
    Line("tool.set gORVA.Arch on");
    for (const char *line : {"tool.actionCenter 1e39 0 0", "tool.press 0 0 -1e39", "tool.workPlane 0 1e39 0",
                             "tool.attr gORVA.Arch arch_span 1e39", "tool.attr gORVA.Arch crownX -4e38"}) {
        CommandResult r = host.RunLine(line);
        EXPECT_FALSE(r.ok()) << line;
    }
    EXPECT_EQ(host.Tools().actionCenter, (Vec3{0, 0, 0}));
    Line("tool.drop");
    EXPECT_EQ(mesh->mesh->PointCount(), 0u);
}

namespace {

/// A locator chain in which each level scales by `factor`, with a triangle 1e10 from its origin at the
/// end.
ItemData &ScaledChain(Host &host, int levels, double factor) {
    MeshShape shape;
    shape.name = "Far";
    shape.points = {{1e10f, 1e10f, 1e10f}, {2e10f, 1e10f, 1e10f}, {1e10f, 2e10f, 1e10f}};
    shape.polygons = {{{0, 1, 2}, "", ""}};
    return AddMeshUnderChain(host, levels, {"scl.X", "scl.Y", "scl.Z"}, factor, shape);
}

}  // namespace

TEST(NonFiniteGeometry, ASceneBeyondSinglePrecisionInWorldSpaceIsNotSaved) {
    for (int levels : {2, 10}) {  // world positions of 1e70, then infinite
        Host host;
        AddMesh(host, GridShape(1, 1));
        ScaledChain(host, levels, 1e30);
        fs::path path = fs::path(::testing::TempDir()) / "gorva_far.obj";
        std::ofstream(path) << "old";
        std::string error;
        EXPECT_FALSE(SaveObjScene(host.scene, path.string(), error));
        EXPECT_NE(error.find("point 1 of \"Far\" lies beyond single precision in world space"),
                  std::string::npos)
            << error;
        EXPECT_EQ(Slurp(path), "old");
        fs::remove(path);
    }
}

TEST(NonFiniteGeometry, WhatIsSavedOpensAgainBitForBit) {
    Host host;
    MeshShape shape;
    shape.points = {{FLT_MAX, -FLT_MAX, 1e-40f}, {-FLT_MIN, 0, 3.0e38f}, {1, 2, 3}};
    shape.polygons = {{{0, 1, 2}, "", ""}};
    AddMesh(host, shape);
    fs::path path = fs::path(::testing::TempDir()) / "gorva_edges.obj";
    std::string error;
    ASSERT_TRUE(SaveObjScene(host.scene, path.string(), error)) << error;
    Host again;
    ASSERT_TRUE(OpenObjScene(again, path.string(), error)) << error;
    EXPECT_EQ(again.scene.Items().at(0)->mesh->Positions(), host.scene.Items()[0]->mesh->Positions());
    fs::remove(path);
}

TEST(NonFiniteGeometry, APictureLeavesOutWhatLiesBeyondTheDoubleRange) {
    Host host;
    AddMesh(host, GridShape(1, 1));
    ScaledChain(host, 10, 1e30);  // world positions of 1e310: infinite
    Bounds bounds = SceneBounds(host);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(std::isfinite(bounds.min[size_t(i)]));
        EXPECT_TRUE(std::isfinite(bounds.max[size_t(i)]));
    }
    EXPECT_EQ(bounds.max[0], 1.0);  // the grid, and the chain's locators at the origin
    fs::path path = fs::path(::testing::TempDir()) / "gorva_far.png";
    std::string error;
    EXPECT_TRUE(RenderScene(host, path.string(), ViewOptions(), error)) << error;
    fs::remove(path);
}

TEST_F(HostTest, ATextureCoordinateThatIsNotFiniteIsRefusedAndNeverSaved) {
    ItemData &grid = AddMesh(host, GridShape(1, 1));
    {
        CLxUser_LayerService service;
        CLxUser_LayerScan scan;
        CLxUser_Mesh mesh;
        CLxUser_Polygon polygons;
        CLxUser_Point points;
        CLxUser_MeshMap maps;
        ASSERT_TRUE(service.BeginScan(LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_WRITEMESH, scan) &&
                    scan.EditMeshByIndex(0, mesh) && mesh.GetPolygons(polygons) && mesh.GetPoints(points) &&
                    mesh.GetMaps(maps));
        ASSERT_EQ(maps.SelectByName(LXi_VMAP_TEXTUREUV, "Texture"), LXe_OK);
        polygons.SelectByIndex(0);
        points.SelectByIndex(0);
        for (float bad : {NAN, INFINITY}) {
            const float uv[2] = {0.5f, bad};
            EXPECT_EQ(polygons.SetMapValue(points.ID(), maps.ID(), uv), LXe_INVALIDARG);
        }
        scan.SetMeshChange(0, LXf_MESHEDIT_MAP_UV);
        scan.Apply();
    }
    const MeshMap &uv = *grid.mesh->FindMap(LXi_VMAP_TEXTUREUV, "Texture");
    EXPECT_EQ(uv.values.Count(), 0u);
    // Written past the SDK, such a value still keeps the scene from being saved.
    const float bad[2] = {NAN, 0.0f};
    grid.mesh->SetMapValue(grid.mesh->AddMap(LXi_VMAP_TEXTUREUV, "Texture", 2), 2, bad);
    std::string error;
    EXPECT_FALSE(CheckSavable(host.scene, error));
    EXPECT_NE(error.find("a texture coordinate of \"Grid\" is not finite"), std::string::npos) << error;
}
