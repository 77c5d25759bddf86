// OBJ scenes: lossless round trips, file order and layers, and malformed files.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "tests/support/shapes.hpp"
#include "host/host.hpp"
#include "host/io/obj_io.hpp"
#include "lx_mesh.hpp"

using namespace gorva::host;

namespace {

std::string TempPath(const std::string &name) {
    return ::testing::TempDir() + "gorva_obj_" + name;
}

void WriteFile(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string WriteText(Host &host) {
    std::ostringstream out;
    WriteObj(host.scene, out);
    return out.str();
}

bool Parse(const std::string &text, ObjFile &file, std::string &error) {
    std::istringstream in(text);
    return ParseObj(in, "t.obj", "Mesh", file, error);
}

/// A scene with n-gons, quads, two- and one-vertex polygons, tags on some polygons, UVs on some
/// corners, and single-precision values that need all nine digits.
void BuildAwkwardScene(Host &host) {
    MeshShape a;
    a.name = "Walls and lines";
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> any(-1000.0f, 1000.0f);
    for (int i = 0; i < 12; ++i) a.points.push_back({any(rng), any(rng) * 1e-3f, any(rng) * 1e-6f});
    a.polygons = {{{0, 1, 2, 3, 4}, "Brick", "Front"},
                  {{4, 3, 5, 6}, "", "Front"},
                  {{7, 8}, "Lead", ""},
                  {{9}, "", ""},
                  {{10, 11, 0}, "Glass pane", "Upper floor"},
                  {{2, 1, 0}, "", ""}};
    ItemData &first = AddMesh(host, a);
    MeshData &m = *first.mesh;
    uint32_t uv = m.AddMap(LXi_VMAP_TEXTUREUV, "Texture", 2);
    for (uint32_t c = 0; c < 5; ++c) {
        float v[2] = {any(rng) * 1e-3f, 0.1f * float(c)};
        m.SetMapValue(uv, c, v);  // first polygon fully mapped
    }
    float half[2] = {0.5f, 0.25f};
    m.SetMapValue(uv, m.FirstCorner(4) + 1, half);  // one corner of the triangle only
    MeshShape b = BoxShape({0, 0, 0}, {1, 2, 3});
    b.name = "Box";
    b.polygons[0].material = "Brick";
    AddMesh(host, b);
}

void ExpectSameMeshes(Host &a, Host &b) {
    ASSERT_EQ(a.scene.Items().size(), b.scene.Items().size());
    for (size_t i = 0; i < a.scene.Items().size(); ++i) {
        const ItemData &x = *a.scene.Items()[i], &y = *b.scene.Items()[i];
        EXPECT_EQ(x.name, y.name);
        MeshData &p = *x.mesh, &q = *y.mesh;
        ASSERT_EQ(p.Positions(), q.Positions()) << x.name;
        ASSERT_EQ(p.PolygonCount(), q.PolygonCount());
        EXPECT_EQ(p.Corners(), q.Corners());
        EXPECT_EQ(p.PolygonStarts(), q.PolygonStarts());
        for (uint32_t poly = 0; poly < p.PolygonCount(); ++poly)
            for (LXtID4 tag : {LXi_PTAG_MATR, LXi_PTAG_PART}) {
                const char *s = p.Tag(poly, tag), *t = q.Tag(poly, tag);
                EXPECT_EQ(std::string(s ? s : ""), std::string(t ? t : "")) << x.name << " polygon " << poly;
            }
        const MeshMap *mu = p.FindMap(LXi_VMAP_TEXTUREUV, "Texture"),
                      *nu = q.FindMap(LXi_VMAP_TEXTUREUV, "Texture");
        ASSERT_EQ(mu != nullptr, nu != nullptr);
        if (!mu) continue;
        for (uint32_t c = 0; c < p.CornerCount(); ++c) {
            const float *s = mu->values.Find(c), *t = nu->values.Find(c);
            ASSERT_EQ(s != nullptr, t != nullptr) << x.name << " corner " << c;
            if (s) {
                EXPECT_EQ(s[0], t[0]);
                EXPECT_EQ(s[1], t[1]);
            }
        }
    }
}

}  // namespace

TEST(AppObj, RoundTripKeepsEverythingBitForBit) {
    Host host;
    BuildAwkwardScene(host);
    std::string path = TempPath("roundtrip.obj");
    std::string error;
    ASSERT_TRUE(SaveObjScene(host.scene, path, error)) << error;

    Host back;
    ASSERT_TRUE(OpenObjScene(back, path, error)) << error;
    ExpectSameMeshes(host, back);
    EXPECT_EQ(WriteText(host), WriteText(back));
}

TEST(AppObj, ObjectsBecomeActiveLayersInFileOrderWithTheFirstPrimary) {
    Host host;
    std::string path = TempPath("order.obj");
    WriteFile(path, "o Zed\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\no Alpha\nv 0 0 1\nv 1 0 1\nl 4 5\n");
    std::string error;
    ASSERT_TRUE(OpenObjScene(host, path, error)) << error;
    auto layers = host.ActiveLayers();
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(layers[0]->name, "Zed");
    EXPECT_EQ(layers[1]->name, "Alpha");
    EXPECT_EQ(host.Primary(), layers[0]);
    EXPECT_EQ(layers[1]->mesh->VertexCount(0), 2u);
}

TEST(AppObj, GroupsAndMaterialsApplyPerFaceAndCarryAcrossObjects) {
    ObjFile file;
    std::string error;
    ASSERT_TRUE(
        Parse("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\no A\nusemtl Stone\ng Base\nf 1 2 3\ng\nf 2 4 3\n"
              "o B\nf 1 2 4\nusemtl\ng Top Part\nf 1 4 3\n",
              file, error))
        << error;
    ASSERT_EQ(file.objects.size(), 2u);
    const auto a = file.Polygons(file.objects[0]), b = file.Polygons(file.objects[1]);
    EXPECT_EQ(a[0].material, "Stone");
    EXPECT_EQ(a[0].part, "Base");
    EXPECT_EQ(a[1].part, "");
    EXPECT_EQ(b[0].material, "Stone");
    EXPECT_EQ(b[1].material, "");
    EXPECT_EQ(b[1].part, "Top Part");
}

TEST(AppObj, PointsSharedByObjectsAreCopiedInFileOrder) {
    ObjFile file;
    std::string error;
    // All points first, then objects that share them (a common exporter layout).
    ASSERT_TRUE(Parse("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\no A\nf 1 2 3\no B\nf 4 3 2\n", file, error))
        << error;
    ASSERT_EQ(file.objects.size(), 2u);
    EXPECT_EQ(file.objects[0].points.size(), 3u);
    ASSERT_EQ(file.objects[1].points.size(), 3u);
    EXPECT_EQ(file.objects[1].points[0], (std::array<float, 3>{1, 0, 0}));
    EXPECT_EQ(file.Polygons(file.objects[1])[0].vertices, (std::vector<uint32_t>{2, 1, 0}));
}

TEST(AppObj, PolylinesBecomeTwoVertexPolygonsAndPointElementsOneVertexPolygons) {
    ObjFile file;
    std::string error;
    ASSERT_TRUE(Parse("v 0 0 0\nv 1 0 0\nv 1 1 0\nl 1 2 3\np 3 1\n", file, error)) << error;
    ASSERT_EQ(file.objects.size(), 1u);
    const auto polys = file.Polygons(file.objects[0]);
    ASSERT_EQ(polys.size(), 4u);
    EXPECT_EQ(polys[0].vertices, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(polys[1].vertices, (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(polys[2].vertices, (std::vector<uint32_t>{2}));
    EXPECT_EQ(polys[3].vertices, (std::vector<uint32_t>{0}));
}

TEST(AppObj, NegativeIndicesCountBackFromTheLastPoint) {
    ObjFile file;
    std::string error;
    ASSERT_TRUE(Parse("v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0 0\nvt 1 1\nf -3/-2 -2/-1 -1\n", file, error)) << error;
    const auto p = file.Polygons(file.objects[0])[0];
    EXPECT_EQ(p.vertices, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(p.uvSet, (std::vector<uint8_t>{1, 1, 0}));
    EXPECT_EQ(p.uvs[1], (std::array<float, 2>{1, 1}));
}

struct BadFile {
    std::string text;
    int line;
    const char *reason;
};

class AppObjMalformed : public ::testing::TestWithParam<BadFile> {};

TEST_P(AppObjMalformed, FailsWithTheLineAndReason) {
    ObjFile file;
    std::string error;
    EXPECT_FALSE(Parse(GetParam().text, file, error));
    EXPECT_NE(error.find("t.obj:" + std::to_string(GetParam().line) + ": "), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
    EXPECT_TRUE(file.objects.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppObjMalformed,
    ::testing::Values(BadFile{"v 1 2\n", 1, "needs 3"}, BadFile{"v 0 0 0\nv 1 x 2\n", 2, "bad number"},
                      BadFile{"v 0 0 0\nv nan 0 0\n", 2, "bad number"},
                      BadFile{"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n", 4, "out of range"},
                      BadFile{"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n", 4, "bad vertex reference"},
                      BadFile{"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 1 2\n", 4, "repeats vertex"},
                      BadFile{"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/2 2 3\n", 4, "texture coordinate index"},
                      BadFile{"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/a 2 3\n", 4, "bad texture coordinate"},
                      BadFile{"v 0 0 0\nf 1\n", 2, "at least 2"},
                      BadFile{"# ok\nbogus 1 2\n", 2, "unknown statement"},
                      BadFile{"v 0 0 0\nf 99999999999999999999 1 1\n", 2, "bad vertex reference"},
                      BadFile{std::string("v 0 0 0\n\x89PNG\0\0", 14), 2, "binary"}));

TEST(AppObj, AFailedOpenLeavesTheSceneAsItWas) {
    Host host;
    ItemData &grid = AddMesh(host, GridShape(2, 2));
    SelectPolygons(host, grid, {1, 2});
    std::string path = TempPath("bad.obj");
    WriteFile(path, "o Fine\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\no Broken\nf 1 2 7\n");

    CommandResult r = host.RunLine("scene.open \"" + path + "\"");
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.message.find(path + ":7:"), std::string::npos) << r.message;
    ASSERT_EQ(host.scene.Items().size(), 1u);
    EXPECT_EQ(host.scene.Items()[0]->ident, grid.ident);
    EXPECT_EQ(host.selection.Count(kSelPolygon), 2u);
    EXPECT_EQ(host.ActiveLayers().size(), 1u);
}

TEST(AppObj, SavingWritesWorldPositions) {
    Host host;
    MeshShape shape = GridShape(1, 1);
    shape.position = {10, 0, 0};
    AddMesh(host, shape);
    ObjFile file;
    std::string error;
    ASSERT_TRUE(Parse(WriteText(host), file, error)) << error;
    EXPECT_EQ(file.objects[0].points[0], (std::array<float, 3>{10, 0, 0}));
}
