// Sizes a user can load: parent chains tens of thousands deep and polygons of hundreds of
// thousands of corners are read, dumped, saved and pictured with work in proportion to their size
// (quadratic work at these sizes would run for many minutes and time the test out).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "host/host.hpp"
#include "host/io/obj_io.hpp"
#include "host/scripting/scene_dump.hpp"
#include "tests/support/shapes.hpp"
#include "host/pictures/render.hpp"
#include "host/scripting/script_runner.hpp"

using namespace gorva::host;
namespace fs = std::filesystem;

namespace {

const int kDepth = 50000;

/// A chain of locators, each one metre along X from its parent, with a one-triangle mesh at the end.
ItemData &DeepChain(Host &host) {
    MeshShape shape;
    shape.name = "Leaf";
    shape.points = {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}};
    shape.polygons = {{{0, 1, 2}, "", ""}};
    return AddMeshUnderChain(host, kDepth, {"pos.X"}, 1.0, shape);
}

std::string TempFile(const char *name) {
    return (fs::path(::testing::TempDir()) / name).string();
}

}  // namespace

TEST(DeepHierarchy, IsDumpedSavedAndPicturedWhole) {
    Host host;
    ItemData &leaf = DeepChain(host);
    WorldMatrixCache world;
    EXPECT_EQ(world.Of(leaf)[3][0], double(kDepth));
    nlohmann::json dump = DumpScene(host);
    EXPECT_EQ(dump["items"].back()["worldMatrix"][3][0], double(kDepth));
    std::ostringstream obj;
    std::string error;
    ASSERT_TRUE(CheckSavable(host.scene, error)) << error;
    WriteObj(host.scene, obj);
    EXPECT_NE(obj.str().find("v 50000 0 0\nv 50001 0 0\nv 50000 0 1\n"), std::string::npos);
    EXPECT_EQ(SceneBounds(host).max[0], double(kDepth) + 1.0);
    ASSERT_TRUE(RenderScene(host, TempFile("gorva_deep.png"), ViewOptions(), error)) << error;
    fs::remove(TempFile("gorva_deep.png"));
}

TEST(DeepHierarchy, IsBuiltByAScriptOfNamedItems) {
    std::string script;
    const int depth = 100000;
    for (int i = 0; i < depth; ++i) {
        script += "item.create locator L" + std::to_string(i) + "\n";
        if (i) script += "item.parent L" + std::to_string(i) + " L" + std::to_string(i - 1) + "\n";
    }
    script += "item.transform L0 pos 0 2 0\n";
    Host host;
    std::istringstream in(script);
    std::ostringstream err;
    ScriptStats stats;
    ASSERT_TRUE(RunScript(host, in, "deep.gorva", ScriptOptions(), err, stats)) << err.str();
    ItemData *last = host.scene.Find("L" + std::to_string(depth - 1));
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->WorldMatrix()[3][1], 2.0);
    // A loop through the whole chain is still refused.
    EXPECT_FALSE(host.RunLine("item.parent L0 L" + std::to_string(depth - 1)).ok());
}

TEST(HugePolygon, IsPicturedFilled) {
    const uint32_t n = 200000;
    MeshShape shape;
    shape.name = "Disc";
    PolygonShape ring;
    for (uint32_t i = 0; i < n; ++i) {
        // A star: every other corner pulled in, so that most corners are reflex.
        double a = 2.0 * M_PI * i / n, r = i % 2 ? 0.5 : 1.0;
        shape.points.push_back({float(r * std::cos(a)), 0.0f, float(-r * std::sin(a))});
        ring.vertices.push_back(i);
    }
    shape.polygons = {ring};
    Host host;
    AddMesh(host, shape);
    std::string error;
    std::string path = TempFile("gorva_star.png");
    ASSERT_TRUE(RenderScene(host, path, ViewOptions(), error)) << error;
    EXPECT_GT(fs::file_size(path), 1000u);
    fs::remove(path);
}
