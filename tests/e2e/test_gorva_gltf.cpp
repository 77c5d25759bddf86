// glTF through the real program: the demo's .glb files pass the Khronos reference validator and
// hold the same world positions, polygons, tags and UVs as the OBJ files written beside them; a
// .glb opens with --scene, and a bad one is refused with its name and line.
#include <cmath>
#include <sstream>

#include "host/host.hpp"
#include "host/io/gltf_io.hpp"
#include "host/io/obj_io.hpp"
#include "tests/e2e/e2e_support.hpp"
#include "tests/test_gltf_support.hpp"

namespace {

std::vector<fs::path> GlbFiles(const fs::path &folder) {
    std::vector<fs::path> files;
    for (const auto &e : fs::directory_iterator(folder))
        if (e.path().extension() == ".glb") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

/// The OBJ text of a scene read from a glTF file.
std::string ObjOfGltf(const fs::path &glb) {
    gorva::host::Host host;
    std::string error;
    EXPECT_TRUE(gorva::host::OpenGltfScene(host, glb.string(), error)) << error;
    std::ostringstream out;
    gorva::host::WriteObj(host.scene, out);
    return out.str();
}

gorva::host::ObjFile ParsedObj(const std::string &text, const std::string &label) {
    std::istringstream in(text);
    gorva::host::ObjFile file;
    std::string error;
    EXPECT_TRUE(gorva::host::ParseObj(in, label, "Mesh", file, error)) << error;
    return file;
}

}  // namespace

TEST_F(GorvaProgram, TheReferenceValidatorFindsNoErrorOrWarningInTheDemosGlbFiles) {
    if (std::string(GORVA_NODE).empty())
        GTEST_SKIP() << "node is not installed: the glTF validator cannot run";
    Outcome o = Gorva("demo --out result");
    ASSERT_EQ(o.status, 0) << o.out << o.err;
    // The lights that glTF cannot hold are named once for their file.
    EXPECT_NE(o.err.find("40_add_lights.glb: 3 area lights and portals written as empty nodes"),
              std::string::npos)
        << o.err;
    auto files = GlbFiles(dir / "result");
    ASSERT_GE(files.size(), 7u);
    std::string command = std::string("'") + GORVA_NODE + "' '" + GORVA_GLTF_VALIDATOR + "'";
    for (const auto &f : files) command += " '" + f.string() + "'";
    command += " > validator.txt 2>&1";
    int raw = std::system(("cd '" + dir.string() + "' && " + command).c_str());
    std::string report = Slurp(dir / "validator.txt");
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << report;
    for (const auto &f : files)
        EXPECT_NE(report.find(f.string() + ": 0 errors, 0 warnings"), std::string::npos) << report;
}

TEST_F(GorvaProgram, TheDemosGlbFilesHoldWhatTheirObjFilesHold) {
    Outcome o = Gorva("demo --out result");
    ASSERT_EQ(o.status, 0) << o.out << o.err;
    for (const auto &glb : GlbFiles(dir / "result")) {
        SCOPED_TRACE(glb.filename().string());
        fs::path obj = fs::path(glb).replace_extension(".obj");
        ASSERT_TRUE(fs::exists(obj));
        auto want = ParsedObj(Slurp(obj), obj.string()), got = ParsedObj(ObjOfGltf(glb), "from glTF");
        ASSERT_EQ(want.objects.size(), got.objects.size());
        for (size_t k = 0; k < want.objects.size(); ++k) {
            const auto &a = want.objects[k], &b = got.objects[k];
            EXPECT_EQ(a.name, b.name);
            ASSERT_EQ(a.points.size(), b.points.size()) << a.name;
            for (size_t i = 0; i < a.points.size(); ++i)
                for (int c = 0; c < 3; ++c)
                    ASSERT_NEAR(a.points[i][c], b.points[i][c], 2e-6 * (1 + std::fabs(a.points[i][c])))
                        << a.name << " point " << i;
            const auto pa = want.Polygons(a), pb = got.Polygons(b);
            ASSERT_EQ(pa.size(), pb.size()) << a.name;
            for (size_t p = 0; p < pa.size(); ++p) {
                EXPECT_EQ(pa[p].vertices, pb[p].vertices) << a.name << " polygon " << p;
                EXPECT_EQ(pa[p].part, pb[p].part) << a.name << " polygon " << p;
                EXPECT_EQ(pa[p].material, pb[p].material) << a.name << " polygon " << p;
                EXPECT_EQ(pa[p].uvs, pb[p].uvs) << a.name << " polygon " << p;
            }
        }
    }
}

TEST_F(GorvaProgram, ASceneOpensFromAGlbAndABadOneIsRefusedWithItsName) {
    Script("make.gorva", "scene.open \"" GORVA_EXAMPLES_DIR "/facade.obj\"\nscene.saveAs facade.glb\n");
    ASSERT_EQ(Gorva("run make.gorva").status, 0);
    Script("save.gorva", "scene.saveAs again.obj\n");
    Outcome o = Gorva("run --scene facade.glb save.gorva");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ParsedObj(Slurp(dir / "again.obj"), "again.obj").objects.size(),
              ParsedObj(Slurp(GORVA_EXAMPLES_DIR "/facade.obj"), "facade.obj").objects.size());
    std::string glb = Slurp(dir / "facade.glb");
    std::ofstream(dir / "cut.glb", std::ios::binary) << glb.substr(0, glb.size() - 100);
    Script("bad.gorva", "scene.open facade.glb\nscene.open cut.glb\nscene.saveAs never.obj\n");
    o = Gorva("run bad.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("bad.gorva:2: scene.open: cut.glb: the file is truncated"), std::string::npos)
        << o.err;
    EXPECT_FALSE(fs::exists(dir / "never.obj"));
}

TEST_F(GorvaProgram, WhatAFileCouldNotHoldOrSkippedIsPrintedAsAWarningOfItsLine) {
    Script("lights.gorva",
           "scene.new\nitem.create areaLight A\nitem.create portal P\nscene.saveAs lights.glb\n"
           "scene.open lights.glb\n");
    Outcome o = Gorva("run lights.gorva");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find("lights.gorva:4: warning: lights.glb: 2 area lights and portals"), std::string::npos)
        << o.err;
    // Reading back the file skips nothing: no second warning.
    EXPECT_EQ(o.err.find("lights.gorva:5:"), std::string::npos) << o.err;
    GltfSketch g;
    g.Node({{"name", "Empty"}});
    g.Scene({0});
    g.doc["animations"] = nlohmann::json::array(
        {{{"channels", nlohmann::json::array()}, {"samplers", nlohmann::json::array()}}});
    std::ofstream(dir / "animated.gltf") << g.Text();
    Script("open.gorva", "scene.open animated.gltf\n");
    o = Gorva("run open.gorva");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(
        o.err.find("open.gorva:1: warning: animated.gltf: skipped (not part of a gorva scene): 1 animations"),
        std::string::npos)
        << o.err;
}
