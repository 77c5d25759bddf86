// Host commands for scripts, and pictures written by the render command.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "tests/support/shapes.hpp"
#include "host/host.hpp"
#include "host/pictures/render.hpp"

using namespace gorva::host;

namespace {

/// Width and height from a PNG header, or zeros.
std::pair<unsigned, unsigned> PngSize(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char h[24] = {};
    if (!in.read(reinterpret_cast<char *>(h), 24) || h[1] != 'P' || h[2] != 'N' || h[3] != 'G') return {0, 0};
    auto be = [&](int at) {
        return unsigned(h[at]) << 24 | unsigned(h[at + 1]) << 16 | unsigned(h[at + 2]) << 8 | h[at + 3];
    };
    return {be(16), be(20)};
}

}  // namespace

TEST(AppCommands, ItemTransformTakesDegreesAndParentRefusesCycles) {
    Host host;
    ASSERT_TRUE(host.RunLine("item.create locator Base").ok());
    ASSERT_TRUE(host.RunLine("item.create groupLocator Top").ok());
    ASSERT_TRUE(host.RunLine("item.transform Base rot 90 0 -45").ok());
    ItemData *base = host.scene.Find("Base");
    EXPECT_NEAR(base->Channel("rot.X"), M_PI / 2, 1e-12);
    EXPECT_NEAR(base->Channel("rot.Z"), -M_PI / 4, 1e-12);
    ASSERT_TRUE(host.RunLine("item.parent Top Base").ok());
    EXPECT_FALSE(host.RunLine("item.parent Base Top").ok());
    EXPECT_EQ(host.scene.Find("Top")->parent, base);
    ASSERT_TRUE(host.RunLine("item.parent Top \"\"").ok());
    EXPECT_EQ(host.scene.Find("Top")->parent, nullptr);
}

struct BadLine {
    const char *line;
    const char *reason;
};

class AppCommandErrors : public ::testing::TestWithParam<BadLine> {};

TEST_P(AppCommandErrors, RefuseWithAReasonAndChangeNothing) {
    Host host;
    ItemData &grid = AddMesh(host, GridShape(2, 1));
    grid.name = "Grid";
    SelectPolygons(host, grid, {0});
    CommandResult r = host.RunLine(GetParam().line);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.message.find(GetParam().reason), std::string::npos) << r.message;
    EXPECT_EQ(host.scene.Items().size(), 1u);
    EXPECT_EQ(host.selection.Count(kSelPolygon), 1u);
    EXPECT_EQ(grid.Channel("pos.X"), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Cases, AppCommandErrors,
                         ::testing::Values(BadLine{"item.create teapot T", "unknown item type"},
                                           BadLine{"item.transform Grid pos 1 two 3", "not a decimal number"},
                                           BadLine{"item.transform Grid move 1 2 3", "pos, rot or scl"},
                                           BadLine{"item.transform Nobody pos 1 2 3", "no item"},
                                           BadLine{"select.element 3 polygon set 0", "active layers"},
                                           BadLine{"select.element 0 polygon set 9", "out of range"},
                                           BadLine{"select.element 0 edge set 0 4", "no edge"},
                                           BadLine{"select.element 0 edge set 0", "two vertex indices"},
                                           BadLine{"select.element 0 polygon toggle 1", "set, add or remove"},
                                           BadLine{"select.typeFrom faces", "unknown selection type"},
                                           BadLine{"host.abortAt soon", "whole number"},
                                           BadLine{"render out.jpg", ".png or .svg"},
                                           BadLine{"render out.png view:iso", "persp, top, front or side"},
                                           BadLine{"render out.png width:5", "width must be"},
                                           BadLine{"render out.png eye:1,2", "three numbers"},
                                           BadLine{"scene.open /no/such/file.obj", "cannot open"}));

TEST(AppCommands, SelectElementSetsAddsAndRemovesInOrder) {
    Host host;
    AddMesh(host, GridShape(2, 2));
    AddMesh(host, GridShape(1, 1));
    ASSERT_TRUE(host.RunLine("select.element 0 polygon set 3").ok());
    ASSERT_TRUE(host.RunLine("select.element 1 polygon add 0").ok());
    ASSERT_TRUE(host.RunLine("select.element 0 polygon add 1").ok());
    ASSERT_TRUE(host.RunLine("select.element 1 polygon remove 0").ok());
    const auto &polys = host.selection.Polygons();
    ASSERT_EQ(polys.size(), 2u);
    EXPECT_EQ(polys[0].polygon, 3u);
    EXPECT_EQ(polys[1].polygon, 1u);
    ASSERT_TRUE(host.RunLine("select.element 0 edge set 1 0").ok());
    ASSERT_EQ(host.selection.EdgeList().size(), 1u);
    EXPECT_EQ(host.selection.EdgeList()[0].a, 1u);
    ASSERT_TRUE(host.RunLine("select.drop polygon").ok());
    EXPECT_EQ(host.selection.Count(kSelPolygon), 0u);
}

TEST(AppCommands, LayerCommandsChangeActiveAndPrimary) {
    Host host;
    ItemData &a = AddMesh(host, GridShape(1, 1));
    ItemData &b = AddMesh(host, GridShape(1, 1));
    ASSERT_TRUE(host.RunLine("layer.primary @" + b.ident).ok());
    EXPECT_EQ(host.Primary(), &b);
    ASSERT_TRUE(host.RunLine("layer.active @" + a.ident + " off").ok());
    EXPECT_EQ(host.ActiveLayers(), std::vector<ItemData *>{&b});
    ASSERT_TRUE(host.RunLine("item.create mesh Fresh").ok());
    EXPECT_EQ(host.ActiveLayers().size(), 2u);
}

TEST(AppCommands, HostSwitchesReachTheHost) {
    Host host;
    ASSERT_TRUE(host.RunLine("host.abortAt 3").ok());
    ASSERT_TRUE(host.RunLine("host.version 701").ok());
    EXPECT_EQ(host.abortAtStep, 3);
    EXPECT_EQ(host.version, 701);
}

TEST(AppRender, WritesAPictureOfTheRequestedSize) {
    Host host;
    AddMesh(host, BoxShape({0, 0, 0}, {2, 1, 1}));
    host.RunLine("item.create pointLight Lamp");
    std::string png = ::testing::TempDir() + "gorva_render.png",
                svg = ::testing::TempDir() + "gorva_render.svg";
    ASSERT_TRUE(host.RunLine("render " + png + " width:321 height:123").ok());
    EXPECT_EQ(PngSize(png), (std::pair<unsigned, unsigned>{321, 123}));
    ASSERT_TRUE(host.RunLine("render " + svg + " view:top").ok());
    std::ifstream in(svg);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("<svg"), std::string::npos);
}

TEST(AppRender, AnUnwritablePathFailsWithAReason) {
    Host host;
    std::string error;
    EXPECT_FALSE(RenderScene(host, "/no/such/folder/x.png", ViewOptions(), error));
    EXPECT_NE(error.find("cannot write"), std::string::npos);
}
