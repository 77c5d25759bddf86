// glTF scenes: every demo scene and the awkward scene back as they were (items, hierarchy, world
// positions, polygons, tags, UVs, lights), the up axis turned out and back, files of the kinds other
// tools write opened at the right world positions, and bad files refused with the scene unchanged.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/io/gltf_io.hpp"
#include "host/io/obj_io.hpp"
#include "tests/support/shapes.hpp"
#include "host/scripting/script_runner.hpp"
#include <lxmesh.h>
#include "tests/test_files.hpp"
#include "tests/test_gltf_support.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;
namespace fs = std::filesystem;

namespace {

std::string TypeName(const ItemData &item) {
    return ItemTypes()[size_t(item.type)].name;
}

bool IsLightMaterial(const ItemData &item) {
    return TypeName(item) == "lightMaterial";
}

Vec3 WorldOf(const ItemData &item, const Float3 &p) {
    return TransformPoint(item.WorldMatrix(), {p[0], p[1], p[2]});
}

/// Checks that two scenes hold the same items (order, names, types, parents, lights), the same
/// world positions to single precision and the same polygons, tags and UVs.
void ExpectSameScene(const Host &a, const Host &b, const std::string &what) {
    std::vector<const ItemData *> x, y;
    for (const auto &i : a.scene.Items())
        if (!IsLightMaterial(*i)) x.push_back(i.get());
    for (const auto &i : b.scene.Items())
        if (!IsLightMaterial(*i)) y.push_back(i.get());
    ASSERT_EQ(x.size(), y.size()) << what;
    for (size_t k = 0; k < x.size(); ++k) {
        const ItemData &p = *x[k], &q = *y[k];
        SCOPED_TRACE(what + ": item " + p.name);
        EXPECT_EQ(p.name, q.name);
        EXPECT_EQ(TypeName(p), TypeName(q));
        EXPECT_EQ(p.parent ? p.parent->name : "", q.parent ? q.parent->name : "");
        EXPECT_EQ(p.instanceOf != nullptr, q.instanceOf != nullptr);
        for (const char *c : {"radiance", "cone", "width", "height"})
            EXPECT_NEAR(p.Channel(c, -1), q.Channel(c, -1), 1e-9) << c;
        auto origin = TransformPoint(p.WorldMatrix(), {0, 0, 0}),
             back = TransformPoint(q.WorldMatrix(), {0, 0, 0});
        auto forward = TransformDirection(p.WorldMatrix(), {0, 0, 1}),
             forwardBack = TransformDirection(q.WorldMatrix(), {0, 0, 1});
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(origin[i], back[i], 1e-6 * (1 + std::fabs(origin[i])));
            EXPECT_NEAR(forward[i], forwardBack[i], 1e-6 * (1 + std::fabs(forward[i])));
        }
        ASSERT_EQ(p.mesh != nullptr, q.mesh != nullptr);
        if (!p.mesh) continue;
        const MeshData &m = *p.mesh, &n = *q.mesh;
        ASSERT_EQ(m.PointCount(), n.PointCount());
        for (uint32_t i = 0; i < m.PointCount(); ++i) {
            Vec3 u = WorldOf(p, m.Positions()[i]), v = WorldOf(q, n.Positions()[i]);
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(u[c], v[c], 2e-6 * (1 + std::fabs(u[c]))) << "point " << i;
        }
        ASSERT_EQ(m.PolygonStarts(), n.PolygonStarts());
        ASSERT_EQ(m.Corners(), n.Corners());
        for (uint32_t poly = 0; poly < m.PolygonCount(); ++poly)
            for (LXtID4 tag : {LXi_PTAG_PART, LXi_PTAG_MATR}) {
                const char *s = m.Tag(poly, tag), *t = n.Tag(poly, tag);
                ASSERT_EQ(std::string(s ? s : ""), std::string(t ? t : "")) << "polygon " << poly;
            }
        const MeshMap *uv = m.FindMap(LXi_VMAP_TEXTUREUV, "Texture");
        const MeshMap *uvBack = n.FindMap(LXi_VMAP_TEXTUREUV, "Texture");
        ASSERT_TRUE(uv && uvBack);
        for (uint32_t c = 0; c < m.CornerCount(); ++c) {
            const float *s = uv->values.Find(c), *t = uvBack->values.Find(c);
            ASSERT_EQ(s != nullptr, t != nullptr) << "corner " << c;
            if (!s) continue;
            ASSERT_EQ(s[0], t[0]) << "corner " << c;
            ASSERT_EQ(s[1], t[1]) << "corner " << c;
        }
    }
}

/// Writes the scene as glTF and reads it into `back`; fails the test on a refusal.
void RoundTrip(Host &host, Host &back, bool binary, int upAxis = 1) {
    std::string bytes, error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(WriteGltf(host.scene, binary, upAxis, bytes, warnings, error)) << error;
    back.SetPreference("units.upAxis", std::to_string(upAxis));
    ASSERT_TRUE(ReadGltf(back, bytes, "scene.glb", ".", error)) << error;
    for (const auto &line : back.log)
        EXPECT_EQ(line.text.find("do not match"), std::string::npos) << line.text;
}

class GltfFiles : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        // The process id keeps two test runs at once (two builds) out of each other's folders.
        dir = fs::path(::testing::TempDir()) / ("gorva_gltf_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    /// Writes bytes to a file in the test's folder and returns its path.
    std::string Put(const std::string &name, const std::string &bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    }
    /// Opens a file into `host`; fails the test on a refusal.
    void Open(const std::string &path) {
        std::string error;
        ASSERT_TRUE(OpenGltfScene(host, path, error)) << error;
    }
    /// The world position of point i of the named item.
    Vec3 World(const std::string &item, uint32_t i) {
        const ItemData *found = host.scene.Find(item);
        if (!found || !found->mesh || i >= found->mesh->PointCount()) {
            ADD_FAILURE() << "no point " << i << " of " << item;
            return {0, 0, 0};
        }
        return WorldOf(*found, found->mesh->Positions()[i]);
    }

    fs::path dir;
};

void ExpectNear(const Vec3 &a, const Vec3 &b, const std::string &what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(a[i], b[i], 1e-6) << what << " axis " << i;
}

}  // namespace

TEST_F(GltfFiles, EveryDemoSceneComesBackTheSameAsTextAndAsBinary) {
    auto scripts = ListDemoScripts(std::string(GORVA_EXAMPLES_DIR) + "/scripts");
    ASSERT_FALSE(scripts.empty());
    for (const auto &script : scripts) {
        SCOPED_TRACE(script.name);
        host.NewScene();
        ScriptOptions opts;
        opts.variables = {{"EXAMPLES", GORVA_EXAMPLES_DIR}, {"OUT", dir.string()}};
        std::ifstream in(script.path);
        std::ostringstream err;
        ScriptStats stats;
        ASSERT_TRUE(RunScript(host, in, script.name, opts, err, stats)) << err.str();
        for (bool binary : {true, false}) {
            Host back;
            RoundTrip(host, back, binary);
            ExpectSameScene(host, back, script.name + (binary ? " (glb)" : " (gltf)"));
        }
    }
}

TEST_F(GltfFiles, TheAwkwardSceneAndLightsOfEveryKindComeBack) {
    auto items = AddDegenerateScene(host);
    ItemData *group = host.scene.AddItem(ItemTypeCode("groupLocator"), "Group");
    const char *lights[] = {"pointLight", "spotLight", "sunLight", "areaLight", "portal", "photometryLight"};
    double value = 0.25;
    for (const char *type : lights) {
        ItemData *light = host.scene.AddItem(ItemTypeCode(type), type);
        light->SetChannel("rot.X", value);
        light->SetChannel("pos.Y", value * 4);
        light->SetChannel("radiance", value * 10);
        light->SetChannel("cone", value);
        light->SetChannel("width", value * 3);
        light->children[0]->SetChannel("lightCol.G", value * 7);  // above one: kept all the same
        host.scene.SetParent(*light, group);
        value += 0.25;
    }
    // A locator under a light keeps its place.
    ItemData *under = host.scene.AddItem(ItemTypeCode("locator"), "Under");
    under->SetChannel("pos.Z", 2.0);
    host.scene.SetParent(*under, host.scene.Find("spotLight"));
    host.scene.AddInstance(*items[2]);
    for (int up : {0, 1, 2}) {
        Host back;
        RoundTrip(host, back, true, up);
        ExpectSameScene(host, back, "up axis " + std::to_string(up));
        for (const char *type : lights) {
            const ItemData *a = host.scene.Find(type), *b = back.scene.Find(type);
            ASSERT_TRUE(b) << type;
            EXPECT_NEAR(a->children[0]->Channel("lightCol.G"), b->children[0]->Channel("lightCol.G"), 1e-9)
                << type;
        }
    }
}

TEST_F(GltfFiles, AreaLightsAndPortalsGiveOneWarningPerFile) {
    for (const char *type : {"areaLight", "areaLight", "portal", "pointLight"})
        host.scene.AddItem(ItemTypeCode(type));
    std::string error, path = (dir / "lights.glb").string();
    ASSERT_TRUE(SaveGltfScene(host, path, error)) << error;
    std::vector<std::string> warnings;
    for (const auto &line : host.log)
        if (line.level == 1) warnings.push_back(line.text);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(path), std::string::npos);
    EXPECT_NE(warnings[0].find("3 area lights and portals"), std::string::npos) << warnings[0];
}

TEST_F(GltfFiles, ALightShinesTheSameWayInTheFileAsInTheHost) {
    // Both shine down their -Z axis: a light's node carries the item's own rotation.
    ItemData *spot = host.scene.AddItem(ItemTypeCode("spotLight"), "Spot");
    spot->SetChannel("rot.X", 0.7);
    spot->SetChannel("rot.Y", -1.9);
    std::string bytes, error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(WriteGltf(host.scene, false, 1, bytes, warnings, error)) << error;
    const nlohmann::json node = nlohmann::json::parse(bytes)["nodes"][0];
    ASSERT_EQ(node["name"], "Spot");
    const std::vector<double> q = node["rotation"].get<std::vector<double>>();  // x, y, z, w
    // The quaternion turning (0, 0, -1): minus the third column of its rotation matrix.
    const Vec3 file{-2 * (q[0] * q[2] + q[3] * q[1]), -2 * (q[1] * q[2] - q[3] * q[0]),
                    -(1 - 2 * (q[0] * q[0] + q[1] * q[1]))};
    const Matrix4 world = spot->WorldMatrix();
    ExpectNear(file, {-world[2][0], -world[2][1], -world[2][2]}, "the light's aim");
}

TEST_F(GltfFiles, AZUpSceneIsTurnedToYUpAndBack) {
    MeshShape shape = BoxShape({0, 0, 0}, {1, 2, 3});
    shape.position = {5, 6, 7};
    AddMesh(host, shape);
    host.SetPreference("units.upAxis", "2");
    std::string error, path = (dir / "z.glb").string();
    ASSERT_TRUE(SaveGltfScene(host, path, error)) << error;
    // Read as Y-up, the file's own frame: the host's +Z (up) is glTF's +Y, the host's +Y glTF's -Z.
    Host plain;
    ASSERT_TRUE(OpenGltfScene(plain, path, error)) << error;
    ASSERT_TRUE(plain.scene.Find("Box"));
    const ItemData &box = *plain.scene.Find("Box");
    const ItemData &original = *host.scene.Find("Box");
    for (uint32_t i = 0; i < original.mesh->PointCount(); ++i) {
        Vec3 z = WorldOf(original, original.mesh->Positions()[i]);
        ExpectNear(WorldOf(box, box.mesh->Positions()[i]), {z[0], z[2], -z[1]}, "point " + std::to_string(i));
    }
    Host back;
    back.SetPreference("units.upAxis", "2");
    ASSERT_TRUE(OpenGltfScene(back, path, error)) << error;
    ExpectSameScene(host, back, "Z up");
}

TEST_F(GltfFiles, ATriangleStripOpensAsTrianglesFacingTheSameWay) {
    GltfSketch g;
    int pos = g.Positions({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 2, 0});
    g.Node({{"name", "Strip"},
            {"mesh", g.Mesh({{"attributes", {{"POSITION", pos}}}, {"mode", 5}})},
            {"translation", {5, 0, 0}}});
    g.Scene({0});
    Open(Put("strip.gltf", g.Text()));
    const ItemData &strip = *host.scene.Find("Strip");
    ASSERT_EQ(strip.mesh->PolygonCount(), 3u);
    for (uint32_t p = 0; p < 3; ++p) EXPECT_GT(strip.mesh->PolygonNormal(p)[2], 0.99) << "triangle " << p;
    ExpectNear(World("Strip", 3), {6, 1, 0}, "corner");
    EXPECT_TRUE(host.IsActive(strip));
}

TEST_F(GltfFiles, ABinaryFileWithItsBufferInsideOpensWithItsHierarchy) {
    GltfSketch g;
    int pos = g.Positions({0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1});
    int idx = g.Accessor(std::vector<uint16_t>{0, 2, 1, 0, 3, 2}, 5123, "SCALAR", 1);
    std::vector<float> uv = {0, 0, 1, 0, 1, 1, 0, 1};
    int tex = g.Accessor(uv, 5126, "VEC2", 2);
    g.doc["materials"] = {{{"name", "Floor"}}};
    int mesh =
        g.Mesh({{"attributes", {{"POSITION", pos}, {"TEXCOORD_0", tex}}}, {"indices", idx}, {"material", 0}});
    g.Node({{"name", "Parent"}, {"translation", {0, 2, 0}}, {"children", {1}}});
    g.Node({{"name", "Child"}, {"mesh", mesh}, {"scale", {2, 2, 2}}});
    g.Scene({0});
    Open(Put("embedded.glb", g.Binary()));
    const ItemData &child = *host.scene.Find("Child");
    ASSERT_EQ(child.parent, host.scene.Find("Parent"));
    ASSERT_EQ(child.mesh->PolygonCount(), 2u);  // the shared corners make one point each
    EXPECT_EQ(child.mesh->PointCount(), 4u);
    ExpectNear(World("Child", 2), {2, 2, 2}, "corner");
    EXPECT_STREQ(child.mesh->Tag(0, LXi_PTAG_PART), "Floor");
    float value[2];
    ASSERT_TRUE(child.mesh->MapValue(0, 1, value));  // corner 1 is vertex 2: (1, 1) in glTF, V up here
    EXPECT_EQ(value[0], 1.0f);
    EXPECT_EQ(value[1], 0.0f);
}

TEST_F(GltfFiles, QuaternionsAndMatricesPlaceNestedNodes) {
    GltfSketch g;
    int pos = g.Positions({1, 0, 0, 0, 1, 0, 0, 0, 1});
    int mesh = g.Mesh({{"attributes", {{"POSITION", pos}}}});
    const double h = std::sqrt(0.5);
    g.Node({{"name", "Turned"}, {"rotation", {0, h, 0, h}}, {"children", {1}}});  // a quarter turn about +Y
    g.Node({{"name", "Moved"}, {"translation", {1, 0, 0}}, {"children", {2}}});
    // Scale 2 along X and a move of (0, 3, 0), as a column-major matrix.
    g.Node({{"name", "Leaf"}, {"mesh", mesh}, {"matrix", {2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 3, 0, 1}}});
    g.Scene({0});
    Open(Put("nested.gltf", g.Text()));
    // Leaf point (1, 0, 0) -> (2, 3, 0) -> moved (3, 3, 0) -> turned about Y: (0, 3, -3).
    ExpectNear(World("Leaf", 0), {0, 3, -3}, "point 0");
    ExpectNear(World("Leaf", 2), {1, 3, -1}, "point 2");
}

TEST_F(GltfFiles, SparseAccessorsFansAndBuffersBesideTheFileAreRead) {
    GltfSketch g;
    // Five points on a fan; the base data puts the last one at the origin, the sparse part moves it.
    int pos = g.Positions({0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0, 0, 0});
    int sparseIdx = g.View(std::vector<uint8_t>{4, 0, 0, 0});
    int sparseVal = g.View(std::vector<float>{-1, 0, 0.5f});
    g.doc["accessors"][size_t(pos)]["sparse"] = {
        {"count", 1},
        {"indices", {{"bufferView", sparseIdx}, {"componentType", 5121}}},
        {"values", {{"bufferView", sparseVal}}}};
    g.doc["accessors"][size_t(pos)]["min"] = {-1, 0, 0};
    int idx = g.Accessor(std::vector<uint32_t>{0, 4, 3, 2, 1}, 5125, "SCALAR", 1);
    g.Node({{"name", "Fan"},
            {"mesh", g.Mesh({{"attributes", {{"POSITION", pos}}}, {"indices", idx}, {"mode", 6}})}});
    g.Scene({0});
    Put("fan data.bin", g.bin);
    Open(Put("fan.gltf", g.Text("fan%20data.bin")));
    ASSERT_EQ(host.scene.Find("Fan")->mesh->PolygonCount(), 3u);
    ExpectNear(World("Fan", 4), {-1, 0, 0.5}, "the sparse point");
}

TEST_F(GltfFiles, AnimationsSkinsAndMorphTargetsAreSkippedInOneLine) {
    GltfSketch g;
    int pos = g.Positions({0, 0, 0, 1, 0, 0, 0, 1, 0});
    g.Node({{"name", "Tri"},
            {"mesh", g.Mesh({{"attributes", {{"POSITION", pos}}}, {"targets", {{{"POSITION", pos}}}}})}});
    g.Scene({0});
    g.doc["animations"] = nlohmann::json::array(
        {{{"channels", nlohmann::json::array()}, {"samplers", nlohmann::json::array()}}});
    Open(Put("animated.gltf", g.Text()));
    std::vector<std::string> lines;
    for (const auto &line : host.log)
        if (line.level == 1) lines.push_back(line.text);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("1 animations"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("1 morph targets"), std::string::npos) << lines[0];
    EXPECT_EQ(host.scene.Find("Tri")->mesh->PolygonCount(), 1u);
}

namespace {

struct BadFile {
    const char *name;
    const char *file;  // file name in the test folder
    std::function<std::string(GltfSketch &)> make;
    const char *reason;
    const char *fifo = nullptr;  // a named pipe to make in the folder first
};

GltfSketch Triangle(std::vector<float> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0},
                    std::vector<uint32_t> idx = {0, 1, 2}) {
    GltfSketch g;
    int pos = g.Positions(xyz);
    int ind = g.Accessor(idx, 5125, "SCALAR", 1);
    g.Node({{"name", "T"}, {"mesh", g.Mesh({{"attributes", {{"POSITION", pos}}}, {"indices", ind}})}});
    g.Scene({0});
    return g;
}

class GltfRefusal : public GltfFiles, public ::testing::WithParamInterface<BadFile> {};

}  // namespace

TEST_P(GltfRefusal, NamesTheFileAndTheReasonAndLeavesTheSceneAsItWas) {
    const BadFile &c = GetParam();
    AddMesh(host, GridShape(2, 2));
    GltfSketch g = Triangle();
    if (c.fifo) {
        ASSERT_EQ(::mkfifo((dir / c.fifo).c_str(), 0600), 0);
    }
    std::string path = Put(c.file, c.make(g));
    std::string error;
    EXPECT_FALSE(OpenGltfScene(host, path, error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    ASSERT_EQ(host.scene.Items().size(), 1u);
    EXPECT_EQ(host.scene.Items()[0]->mesh->PolygonCount(), 4u);
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, GltfRefusal,
    ::testing::Values(BadFile{"Truncated", "cut.glb",
                              [](GltfSketch &g) {
                                  std::string b = g.Binary();
                                  return b.substr(0, b.size() / 2);
                              },
                              "truncated"},
                      BadFile{"NotJson", "junk.gltf",
                              [](GltfSketch &) { return std::string("{\"asset\": [1, 2"); },
                              "not valid glTF JSON"},
                      BadFile{"ViewBeyondBuffer", "view.glb",
                              [](GltfSketch &g) {
                                  g.doc["bufferViews"][0]["byteLength"] = 4000;
                                  return g.Binary();
                              },
                              "beyond the end of buffer"},
                      BadFile{"IndexOutOfRange", "index.glb",
                              [](GltfSketch &) {
                                  return Triangle({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 7}).Binary();
                              },
                              "index 7 is out of range"},
                      BadFile{"NotFinite", "nan.glb",
                              [](GltfSketch &) {
                                  return Triangle({0, 0, 0, NAN, 0, 0, 0, 1, 0}).Binary();
                              },
                              "not finite"},
                      BadFile{"HugeTranslation", "far.gltf",
                              [](GltfSketch &g) {
                                  g.doc["nodes"][0]["translation"] = {1e300, 0, 0};
                                  return g.Text();
                              },
                              "beyond single precision"},
                      BadFile{"UriOutsideTheFolder", "up.gltf",
                              [](GltfSketch &g) { return g.Text("../secret.bin"); },
                              "outside the file's folder"},
                      BadFile{"AbsoluteUri", "abs.gltf", [](GltfSketch &g) { return g.Text("/dev/zero"); },
                              "outside the file's folder"},
                      BadFile{"UriToAPipe", "pipe.gltf", [](GltfSketch &g) { return g.Text("pipe.bin"); },
                              "not a regular file", "pipe.bin"},
                      BadFile{"MissingBuffer", "missing.gltf",
                              [](GltfSketch &g) { return g.Text("nowhere.bin"); }, "does not exist"},
                      BadFile{"Cycle", "cycle.gltf",
                              [](GltfSketch &g) {
                                  g.doc["nodes"][0]["children"] = {1};
                                  g.Node({{"name", "B"}, {"children", {0}}});
                                  g.doc["scenes"][0]["nodes"] = nlohmann::json::array();
                                  return g.Text();
                              },
                              "cycle"},
                      BadFile{"RequiredExtension", "draco.gltf",
                              [](GltfSketch &g) {
                                  g.doc["extensionsUsed"] = {"KHR_draco_mesh_compression"};
                                  g.doc["extensionsRequired"] = {"KHR_draco_mesh_compression"};
                                  return g.Text();
                              },
                              "KHR_draco_mesh_compression"}),
    [](const ::testing::TestParamInfo<BadFile> &param) { return std::string(param.param.name); });

TEST_F(GltfFiles, TheReferenceValidatorFindsNoErrorOrWarningInTheAwkwardScene) {
    if (std::string(GORVA_NODE).empty())
        GTEST_SKIP() << "node is not installed: the glTF validator cannot run";
    auto items = AddDegenerateScene(host);
    SelectEverything(host);
    ASSERT_TRUE(host.RunLine("select.typeFrom polygon").ok());
    ASSERT_TRUE(host.RunLine("gORVA.Cmd.AddLightAtPolyPos light_type:0 group_lights:true").ok());
    for (const char *type : {"pointLight", "spotLight", "sunLight", "portal", "photometryLight"})
        host.scene.SetParent(*host.scene.AddItem(ItemTypeCode(type)), items[1]);
    std::string files;
    for (int up : {0, 1, 2})
        for (const char *ext : {"glb", "gltf"}) {
            host.SetPreference("units.upAxis", std::to_string(up));
            std::string path = (dir / ("awkward" + std::to_string(up) + "." + ext)).string(), error;
            ASSERT_TRUE(SaveGltfScene(host, path, error)) << error;
            files += " \"" + path + "\"";
        }
    std::string command =
        std::string("\"") + GORVA_NODE + "\" \"" + GORVA_GLTF_VALIDATOR + "\"" + files + " 2>&1";
    FILE *pipe = ::popen(command.c_str(), "r");
    ASSERT_TRUE(pipe);
    std::string report;
    char buf[512];
    while (size_t n = std::fread(buf, 1, sizeof buf, pipe)) report.append(buf, n);
    int status = ::pclose(pipe);
    EXPECT_EQ(status, 0) << report;
}

TEST_F(GltfFiles, EveryByteOfAFileChangedOpensOrIsRefusedAndLeavesASoundScene) {
    MeshShape quad = GridShape(1, 1);
    quad.polygons[0].part = "Floor";
    AddMesh(host, quad);
    host.scene.SetParent(*host.scene.AddItem(ItemTypeCode("spotLight"), "Spot"), host.scene.Find("Mesh"));
    std::string bytes, error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(WriteGltf(host.scene, true, 1, bytes, warnings, error)) << error;
    size_t opened = 0, refused = 0;
    Host target;
    for (size_t at = 0; at < bytes.size(); ++at)
        for (int change : {1, 0x80, 0xFF}) {
            if (target.scene.Items().size() != 1 || target.scene.Items()[0]->name != "Keep") {
                target.NewScene();
                MeshShape keep = BoxShape({0, 0, 0}, {1, 1, 1});
                keep.name = "Keep";
                AddMesh(target, keep);
            }
            std::string changed = bytes, why;
            changed[at] = char(uint8_t(changed[at]) ^ change);
            if (!ReadGltf(target, changed, "changed.glb", dir.string(), why)) {
                ++refused;
                ASSERT_EQ(why.rfind("changed.glb: ", 0), 0u) << why;
                ASSERT_EQ(target.scene.Items().size(), 1u) << "byte " << at;
                continue;
            }
            ++opened;
            for (const auto &item : target.scene.Items()) {
                for (const auto &row : item->WorldMatrix())
                    for (double v : row) ASSERT_TRUE(std::isfinite(v)) << "byte " << at;
                if (!item->mesh) continue;
                for (uint32_t c : item->mesh->Corners())
                    ASSERT_LT(c, item->mesh->PointCount()) << "byte " << at;
            }
        }
    EXPECT_GT(opened, 0u);
    EXPECT_GT(refused, 0u);
}

TEST_F(GltfFiles, RecordsThatDoNotMatchTheMeshAreReadAsTrianglesWithANote) {
    MeshShape grid = GridShape(2, 1);
    grid.name = "Grid";
    AddMesh(host, grid);
    std::string bytes, error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(WriteGltf(host.scene, false, 1, bytes, warnings, error)) << error;
    for (int points : {2000000000, 5}) {  // far beyond the data, and fewer than the corners name
        auto doc = nlohmann::json::parse(bytes);
        doc["meshes"][0]["extras"]["gorva"]["points"] = points;
        Host back;
        ASSERT_TRUE(ReadGltf(back, doc.dump(), "edited.gltf", dir.string(), error)) << error;
        ASSERT_TRUE(back.scene.Find("Grid"));
        const ItemData &mesh = *back.scene.Find("Grid");
        EXPECT_EQ(mesh.mesh->PolygonCount(), 4u) << points;  // two quads as four triangles
        EXPECT_EQ(mesh.mesh->PointCount(), 6u) << points;
        ASSERT_FALSE(back.log.empty());
        EXPECT_NE(back.log.back().text.find("do not match"), std::string::npos) << back.log.back().text;
    }
}

TEST_F(GltfFiles, AnEmptySceneSavesAndOpensAgainAsEmpty) {
    for (bool binary : {true, false}) {
        std::string bytes, error;
        std::vector<std::string> warnings;
        ASSERT_TRUE(WriteGltf(Host().scene, binary, 1, bytes, warnings, error)) << error;
        Host back;
        AddMesh(back, GridShape(1, 1));
        ASSERT_TRUE(ReadGltf(back, bytes, "empty", dir.string(), error)) << error;
        EXPECT_TRUE(back.scene.Items().empty()) << (binary ? "binary" : "text");
    }
}
