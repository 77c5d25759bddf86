// The page's copy of the scene: which changes travel as an update and which need the scene again,
// and an update replayed on the loaded scene giving the host's points and polygons.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "app/serve/page_scene.hpp"
#include "tests/support/shapes.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;
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
