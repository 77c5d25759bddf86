// The page's copy of the scene: which changes travel as an update and which need the scene again,
// and an update replayed on the loaded scene giving the host's points and polygons.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "app/serve/page_scene.hpp"
#include "tests/serve/scene_answer.hpp"
#include "tests/support/shapes.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;
using namespace gorva::host::page_test;
using Json = nlohmann::json;

namespace {

std::string FromBase64(const std::string &text) {
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        const char *digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const char *at = std::strchr(digits, c);
        if (c == '=' || !at) continue;
        bits = (bits << 6) | uint32_t(at - digits);
        if ((count += 6) >= 8) out += char((bits >> (count -= 8)) & 0xFF);
    }
    return out;
}

/// An update's layer read back as the page reads it.
struct MeshUpdate {
    uint32_t first = 0;
    std::vector<uint32_t> moved, points, sizes, corners, triangles, owners;
    std::vector<float> movedAt, positions;
};

MeshUpdate Decode(const Json &update, int layer) {
    const std::string bytes = FromBase64(update["data"].get<std::string>());
    size_t at = 0;
    MeshUpdate out;
    auto take = [&](auto &values, size_t count) {
        values.resize(count);
        if (count) std::memcpy(values.data(), bytes.data() + at, count * 4);
        at += count * 4;
    };
    for (const Json &m : update["meshes"]) {
        MeshUpdate u;
        u.first = m["first"];
        take(u.moved, m["moved"]), take(u.movedAt, 3 * size_t(m["moved"]));
        take(u.points, m["points"]), take(u.positions, 3 * size_t(m["points"]));
        take(u.sizes, m["polygons"]), take(u.corners, m["corners"]);
        take(u.triangles, 3 * size_t(m["triangles"])), take(u.owners, m["triangles"]);
        if (m["layer"] == layer) out = u;
    }
    EXPECT_EQ(at, bytes.size());
    return out;
}

/// The answer's mesh holds the host's points and polygons, each face as n - 2 triangles over its
/// own corners, the host's edges, its two-point polygons and its points without polygons as dots.
void ExpectSameMesh(const SceneAnswerMesh &m, MeshData &mesh) {
    ASSERT_EQ(m.positions.size(), 3 * size_t(mesh.PointCount()));
    // An empty mesh's arrays may hold no storage at all.
    if (!m.positions.empty()) {
        EXPECT_EQ(std::memcmp(m.positions.data(), mesh.Positions().data(), m.positions.size() * 4), 0);
    }
    ASSERT_EQ(m.starts.size(), size_t(mesh.PolygonCount()) + 1);
    std::vector<uint32_t> expectLines, expectDots;
    std::vector<uint8_t> used(mesh.PointCount(), 0);
    size_t triangle = 0;
    for (uint32_t poly = 0; poly < mesh.PolygonCount(); ++poly) {
        const uint32_t n = mesh.VertexCount(poly);
        ASSERT_EQ(m.starts[poly + 1] - m.starts[poly], n);
        const uint32_t *ring = mesh.Vertices(poly);
        for (uint32_t i = 0; i < n; ++i) {
            EXPECT_EQ(m.corners[m.starts[poly] + i], ring[i]);
            used[ring[i]] = 1;
        }
        if (n == 2) expectLines.insert(expectLines.end(), ring, ring + 2);
        if (n == 1) expectDots.push_back(ring[0]);
        for (uint32_t t = 0; n >= 3 && t < n - 2; ++t, ++triangle) {
            ASSERT_LT(triangle, m.owners.size());
            EXPECT_EQ(m.owners[triangle], poly);
            for (int k = 0; k < 3; ++k)
                EXPECT_NE(std::find(ring, ring + n, m.triangles[3 * triangle + k]), ring + n);
        }
    }
    EXPECT_EQ(triangle, m.owners.size());
    for (uint32_t p = 0; p < mesh.PointCount(); ++p)
        if (!used[p]) expectDots.push_back(p);
    EXPECT_EQ(m.lines, expectLines);
    EXPECT_EQ(m.dots, expectDots);
    ASSERT_EQ(m.edges.size(), 2 * size_t(mesh.EdgeCount()));
    for (uint32_t e = 0; e < mesh.EdgeCount(); ++e)
        EXPECT_TRUE(mesh.IsEdge(e, m.edges[2 * e], m.edges[2 * e + 1])) << "edge " << e;
}

TEST(PageScene, SceneAnswerHoldsEveryItemByItsIdentifierWithTheHostsMesh) {
    Host host;
    host.AttachModule(InProcessModule());
    ItemData &floor = AddMesh(host, GridShape(2, 2));
    ItemData &other = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    host.scene.SetName(other, floor.name);  // two items of one name
    other.SetChannel("pos.X", 2.0);
    const uint32_t line[] = {0, 5};
    other.mesh->AddPolygon(LXiPTYP_FACE, line, 2);
    other.mesh->AddPoint({4, 4, 4});
    ItemData &empty = *host.scene.AddItem(ItemTypeCode("mesh"), "Empty");
    PageScene page;
    page.Rebase(host);
    const SceneAnswer answer = ReadSceneAnswer(page.SceneBytes());
    EXPECT_EQ(answer.magic, kSceneMagic);
    EXPECT_EQ(answer.version, page.SceneVersion());
    ASSERT_EQ(answer.items.size(), 3u);
    ASSERT_EQ(answer.meshes.size(), 3u);
    const ItemData *items[] = {&floor, &other, &empty};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(items[i]->ident);
        EXPECT_EQ(answer.items[i].ident, items[i]->ident);
        const Matrix4 world = items[i]->WorldMatrix();
        for (size_t k = 0; k < 16; ++k) EXPECT_EQ(answer.items[i].matrix[k], float(world[k / 4][k % 4]));
        ExpectSameMesh(answer.meshes[answer.items[i].mesh], *items[i]->mesh);
    }
    EXPECT_FALSE(answer.meshes[answer.items[1].mesh].lines.empty());

    // A point of the second moved: an update of that item alone, not a new scene.
    other.mesh->SetPosition(1, {0.5f, 3.0f, 0.5f});
    page.Refresh(host);
    EXPECT_EQ(page.SceneVersion(), answer.version);
    const Json update = page.UpdateJson();
    ASSERT_EQ(update["meshes"].size(), 1u);
    EXPECT_EQ(update["meshes"][0]["item"], other.ident);
}

class PageSceneTest : public ToolSceneTest {
protected:
    void SetUp() override {
        ToolSceneTest::SetUp();
        host.SetActive(*mesh, false);  // the arch goes into the grid
        grid = &AddMesh(host, GridShape(3, 3));
        page.Rebase(host);
    }
    MeshData &Grid() { return *grid->mesh; }

    ItemData *grid = nullptr;
    PageScene page;
};

TEST(PageScene, ChangesKeepingTheLoadedPolygonsTravelAsUpdates) {
    struct Case {
        const char *what;
        std::function<void(Host &, MeshData &)> edit;
        bool newScene;
    } cases[] = {
        {"a point moved",
         [](Host &, MeshData &m) {
             m.SetPosition(5, {0.5f, 2.0f, 0.5f});
         },
         false},
        {"a polygon added on new points",
         [](Host &, MeshData &m) {
             uint32_t a = m.AddPoint({0, 1, 0}), b = m.AddPoint({1, 1, 0});
             uint32_t quad[] = {a, b, 1, 0};
             m.AddPolygon(LXiPTYP_FACE, quad, 4);
         },
         false},
        {"nothing but the selection", [](Host &h, MeshData &) { h.selection.SetCurrent(kSelVertex); }, false},
        {"a loaded polygon taken away", [](Host &, MeshData &m) { m.Truncate(16, 8); }, true},
        {"a two-point polygon added",
         [](Host &, MeshData &m) {
             uint32_t line[] = {0, 5};
             m.AddPolygon(LXiPTYP_FACE, line, 2);
         },
         true},
        {"a point without a polygon",
         [](Host &, MeshData &m) {
             m.AddPoint({9, 9, 9});
         },
         true},
        {"the item renamed", [](Host &h, MeshData &) { h.ActiveLayers()[0]->name = "Floor"; }, true},
        {"an item added",
         [](Host &h, MeshData &) {
             AddMesh(h, BoxShape({0, 0, 0}, {1, 1, 1}));
         },
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Host host;
        host.AttachModule(InProcessModule());
        ItemData &grid = AddMesh(host, GridShape(3, 3));
        PageScene page;
        page.Rebase(host);
        const unsigned version = page.SceneVersion();
        c.edit(host, *grid.mesh);
        page.Refresh(host);
        EXPECT_EQ(page.SceneVersion() != version, c.newScene);
        if (c.newScene) {
            EXPECT_TRUE(page.UpdateJson()["meshes"].empty());
        }
    }
}

TEST_F(PageSceneTest, UpdateReplayedOnTheLoadedSceneGivesTheHostsMesh) {
    const std::vector<Float3> loaded = Grid().Positions();
    const uint32_t loadedPolygons = Grid().PolygonCount();
    // An arch pulled out on the grid, then one of the grid's points moved while it is shown.
    Line("tool.set gORVA.Arch on");
    Line("tool.press 0.5 0 0.5");
    Line("tool.drag 2.5 0 0.5");
    Grid().SetPosition(2, {2.0f, 0.25f, 0.0f});
    page.Refresh(host);
    Line("tool.drag 2.75 0 0.5");  // the newest update alone holds everything since the load
    page.Refresh(host);
    ASSERT_EQ(page.SceneVersion(), 1u) << "the drag needs no new scene";
    const int layer = 0;
    ASSERT_EQ(host.ActiveLayers()[layer], grid);
    MeshUpdate u = Decode(page.UpdateJson(), layer);

    std::vector<Float3> points = loaded;
    points.resize(Grid().PointCount(), Float3{NAN, NAN, NAN});
    for (size_t i = 0; i < u.moved.size(); ++i)
        points[u.moved[i]] = {u.movedAt[3 * i], u.movedAt[3 * i + 1], u.movedAt[3 * i + 2]};
    for (size_t i = 0; i < u.points.size(); ++i)
        points[u.points[i]] = {u.positions[3 * i], u.positions[3 * i + 1], u.positions[3 * i + 2]};
    EXPECT_EQ(points, Grid().Positions());

    ASSERT_EQ(u.first, loadedPolygons);
    ASSERT_EQ(u.sizes.size(), Grid().PolygonCount() - loadedPolygons);
    ASSERT_GT(u.sizes.size(), 0u) << "the arch's polygons follow the grid's";
    size_t corner = 0;
    for (uint32_t k = 0; k < u.sizes.size(); ++k) {
        const uint32_t poly = u.first + k;
        ASSERT_EQ(u.sizes[k], Grid().VertexCount(poly));
        for (uint32_t i = 0; i < u.sizes[k]; ++i)
            EXPECT_EQ(u.points[u.corners[corner++]], Grid().Vertices(poly)[i]);
    }
    for (size_t t = 0; t < u.owners.size(); ++t) {
        ASSERT_GE(u.owners[t], u.first);
        ASSERT_LT(u.owners[t], Grid().PolygonCount());
        const uint32_t *ring = Grid().Vertices(u.owners[t]);
        for (int k = 0; k < 3; ++k)
            EXPECT_NE(
                std::find(ring, ring + Grid().VertexCount(u.owners[t]), u.points[u.triangles[3 * t + k]]),
                ring + Grid().VertexCount(u.owners[t]))
                << "a triangle's corner is a corner of its polygon";
    }
}

}  // namespace
