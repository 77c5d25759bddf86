// The mesh's storage: map values kept only where set, in any order of setting, and every change
// through the mesh recorded and seen by caches.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "host/io/obj_io.hpp"
#include "host/model/corner_values.hpp"
#include "host/model/journal.hpp"
#include "host/model/mesh_data.hpp"
#include "tests/support/shapes.hpp"

using namespace gorva::host;

namespace {

using Reference = std::map<uint32_t, std::vector<float>>;

void ExpectSame(const CornerValues &values, const Reference &expected, uint32_t corners,
                const std::string &what) {
    ASSERT_EQ(values.Count(), expected.size()) << what;
    for (uint32_t c = 0; c < corners; ++c) {
        const float *value = values.Find(c);
        auto it = expected.find(c);
        ASSERT_EQ(value != nullptr, it != expected.end()) << what << ": corner " << c;
        if (value) {
            EXPECT_EQ(std::vector<float>(value, value + values.Dim()), it->second) << what;
        }
    }
    Reference visited;
    uint32_t previous = 0;
    values.ForEach([&](uint32_t c, const float *value) {
        EXPECT_TRUE(visited.empty() || c > previous) << what << ": not in corner order";
        previous = c;
        visited[c] = std::vector<float>(value, value + values.Dim());
    });
    EXPECT_EQ(visited, expected) << what;
}

struct SetOrder {
    const char *name;
    std::function<std::vector<uint32_t>(uint32_t corners)> corners;
};

}  // namespace

TEST(CornerValues, HoldWhatWasSetInAnyOrderThroughClearsAndTruncation) {
    const uint32_t kCorners = 20000;
    const std::vector<SetOrder> orders = {
        {"every corner in order",
         [](uint32_t n) {
             std::vector<uint32_t> c(n);
             for (uint32_t i = 0; i < n; ++i) c[i] = i;
             return c;
         }},
        {"every corner backwards",
         [](uint32_t n) {
             std::vector<uint32_t> c(n);
             for (uint32_t i = 0; i < n; ++i) c[i] = n - 1 - i;
             return c;
         }},
        {"a dense start, then a few far on",
         [](uint32_t n) {
             std::vector<uint32_t> c;
             for (uint32_t i = 0; i < 1000; ++i) c.push_back(i);
             for (uint32_t i = n - 10; i < n; ++i) c.push_back(i);
             return c;
         }},
        {"a few spread out", [](uint32_t n) { return std::vector<uint32_t>{n - 1, 7, 4000, 3, n / 2, 7}; }},
        {"every third, shuffled",
         [](uint32_t n) {
             std::vector<uint32_t> c;
             for (uint32_t i = 0; i < n; i += 3) c.push_back(i);
             std::shuffle(c.begin(), c.end(), std::mt19937(5));
             return c;
         }},
        {"random with repeats",
         [](uint32_t n) {
             std::mt19937 rng(11);
             std::vector<uint32_t> c(n / 2);
             for (uint32_t &x : c) x = rng() % n;
             return c;
         }},
    };
    for (const SetOrder &order : orders) {
        for (unsigned dim : {1u, 2u, 3u}) {
            CornerValues values(dim);
            Reference expected;
            const std::string what = std::string(order.name) + ", dim " + std::to_string(dim);
            float next = 0.5f;
            for (uint32_t c : order.corners(kCorners)) {
                std::vector<float> v(dim);
                for (float &x : v) x = next++;
                values.Set(c, v.data());
                expected[c] = v;
            }
            ExpectSame(values, expected, kCorners, what);
            for (uint32_t c = 0; c < kCorners; c += 5) {
                values.Clear(c);
                expected.erase(c);
            }
            ExpectSame(values, expected, kCorners, what + " after clearing");
            values.Truncate(kCorners / 3);
            expected.erase(expected.lower_bound(kCorners / 3), expected.end());
            ExpectSame(values, expected, kCorners, what + " after truncating");
            values.Truncate(0);
            ExpectSame(values, {}, kCorners, what + " after emptying");
            const float again[3] = {1, 2, 3};
            values.Set(kCorners - 1, again);
            ExpectSame(values, {{kCorners - 1, std::vector<float>(again, again + dim)}}, kCorners,
                       what + " set again");
        }
    }
}

TEST(CornerValues, TakeRoomInProportionToTheValuesNotTheCorners) {
    const float uv[2] = {0.25f, 0.75f};
    CornerValues none(2);
    none.Reserve(1000000);
    EXPECT_EQ(none.Bytes(), 0u);

    CornerValues few(2);
    for (uint32_t c = 0; c < 1000000; c += 1000) few.Set(c, uv);
    EXPECT_LE(few.Bytes(), 1000u * 12 * 2) << "a thousand values over a million corners";

    CornerValues dense(2);
    dense.Reserve(1000000);
    for (uint32_t c = 0; c < 1000000; ++c) dense.Set(c, uv);
    EXPECT_LE(dense.Bytes(), 1000000u * 9) << "two floats and a flag per corner";
}

TEST(MeshStorage, AMeshOfPointLinesHoldsNoTextureValues) {
    std::string text = "v 0 0 0\n";
    for (int i = 0; i < 50000; ++i) text += "p 1\n";
    std::istringstream in(text);
    ObjFile file;
    std::string error;
    ASSERT_TRUE(ParseObj(in, "points.obj", "Points", file, error)) << error;
    Host host;
    ItemData *item = AddObjObjects(host, file);
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(item->mesh->PolygonCount(), 50000u);
    const MeshMap *uv = item->mesh->FindMap(LXi_VMAP_TEXTUREUV, "Texture");
    ASSERT_NE(uv, nullptr);
    EXPECT_EQ(uv->values.Bytes(), 0u);
}

TEST(MeshStorage, EveryChangeThroughTheMeshMovesItsVersion) {
    Host host;
    MeshData &mesh = *AddMesh(host, GridShape(2, 2)).mesh;
    const uint32_t uv = mesh.MapIndex(LXi_VMAP_TEXTUREUV, "Texture");
    ASSERT_NE(uv, MeshData::kNone);
    const float value[2] = {0.5f, 0.5f};
    const uint32_t tri[3] = {0, 1, 4};
    const std::vector<std::pair<const char *, std::function<void()>>> changes = {
        {"add a point",
         [&] {
             mesh.AddPoint({9, 9, 9});
         }},
        {"move a point",
         [&] {
             mesh.SetPosition(0, {1, 1, 1});
         }},
        {"add a polygon", [&] { mesh.AddPolygon(LXiPTYP_FACE, tri, 3); }},
        {"tag a polygon", [&] { mesh.SetTag(0, LXi_PTAG_PART, "Part"); }},
        {"add a map", [&] { mesh.AddMap(LXi_VMAP_WEIGHT, "Weight", 1); }},
        {"set a map value", [&] { mesh.SetMapValue(uv, 2, value); }},
        {"remove a map", [&] { mesh.RemoveMap(mesh.MapIndex(LXi_VMAP_WEIGHT, "Weight")); }},
        {"cut polygons", [&] { mesh.Truncate(mesh.PointCount(), 1); }},
    };
    for (const auto &change : changes) {
        const uint64_t before = mesh.Version();
        change.second();
        EXPECT_GT(mesh.Version(), before) << change.first;
    }
}

TEST(MeshStorage, UndoTakesBackMapValuesAndRemovedMapsAsTheyWere) {
    Host host;
    MeshData &mesh = *AddMesh(host, GridShape(2, 2)).mesh;
    const uint32_t uv = mesh.MapIndex(LXi_VMAP_TEXTUREUV, "Texture");
    const float first[2] = {0.25f, 0.5f}, second[2] = {0.75f, 1.0f};
    mesh.SetMapValue(uv, 5, first);
    const uint32_t weight = mesh.AddMap(LXi_VMAP_WEIGHT, "Weight", 1);

    const Journal::Token token = host.journal.Begin();
    mesh.SetMapValue(uv, 5, second);  // had a value
    mesh.SetMapValue(uv, 9, second);  // had none
    mesh.SetMapValue(uv, 0, second);  // had none, before the others
    mesh.RemoveMap(uv);
    EXPECT_EQ(mesh.MapIndex(LXi_VMAP_WEIGHT, "Weight"), weight - 1);
    host.journal.Rollback(token);

    ASSERT_EQ(mesh.MapIndex(LXi_VMAP_TEXTUREUV, "Texture"), uv);
    EXPECT_EQ(mesh.MapIndex(LXi_VMAP_WEIGHT, "Weight"), weight);
    float value[2] = {};
    ASSERT_TRUE(mesh.MapValue(uv, 5, value));
    EXPECT_EQ(value[0], first[0]);
    EXPECT_EQ(value[1], first[1]);
    EXPECT_FALSE(mesh.MapValue(uv, 9, value));
    EXPECT_FALSE(mesh.MapValue(uv, 0, value));
    EXPECT_EQ(mesh.Map(uv).values.Count(), 1u);
}
