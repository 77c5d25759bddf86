// The host's undo journal: nested savepoints, and what rolling back removes from edges and selection.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/shapes.hpp"
#include "host/host.hpp"
#include "lx_mesh.hpp"

using namespace gorva::host;

TEST(HostJournal, InnerCommitStillRollsBackWithTheOuterSavepoint) {
    Host host;
    ItemData &grid = AddMesh(host, GridShape(1, 1));
    MeshData &mesh = *grid.mesh;
    Journal::Token outer = host.journal.Begin();
    Journal::Token inner = host.journal.Begin();
    mesh.SetPosition(0, {5, 5, 5});
    mesh.SetTag(0, LXi_PTAG_PART, "Moved");
    host.journal.Commit(inner);
    EXPECT_EQ(mesh.Positions()[0][0], 5.0f);
    host.journal.Rollback(outer);
    EXPECT_EQ(mesh.Positions()[0][0], 0.0f);
    EXPECT_EQ(mesh.Tag(0, LXi_PTAG_PART), nullptr);
    EXPECT_FALSE(host.journal.Recording());
}

TEST(HostJournal, RollingBackPolygonsDropsTheirEdgesAndTheirSelection) {
    Host host;
    ItemData &grid = AddMesh(host, GridShape(1, 1));
    MeshData &mesh = *grid.mesh;
    ASSERT_EQ(mesh.EdgeCount(), 4u);
    SelectEdges(host, grid, {{0, 1}});

    Journal::Token token = host.journal.Begin();
    uint32_t p = mesh.AddPoint({3, 0, 3});
    uint32_t tri[3] = {1, 3, p};
    ASSERT_NE(mesh.AddPolygon(LXiPTYP_FACE, tri, 3), MeshData::kNone);
    ASSERT_EQ(mesh.EdgeCount(), 6u);
    uint32_t edgeBefore = mesh.FindEdge(3, p);
    SelectEdges(host, grid, {{3, p}});
    ASSERT_EQ(host.selection.Count(kSelEdge), 2u);

    host.journal.Rollback(token);
    EXPECT_EQ(mesh.PolygonCount(), 1u);
    EXPECT_EQ(mesh.PointCount(), 4u);
    EXPECT_EQ(mesh.EdgeCount(), 4u);
    EXPECT_EQ(mesh.FindEdge(3, 4), MeshData::kNone);
    // The edge selected before the savepoint stays; the one on the removed triangle is gone.
    ASSERT_EQ(host.selection.Count(kSelEdge), 1u);
    EXPECT_EQ(host.selection.EdgeList()[0].a, 0u);
    // The edge table grows again the same way, so an edge keeps its index.
    uint32_t again = mesh.AddPoint({3, 0, 3});
    uint32_t tri2[3] = {1, 3, again};
    mesh.AddPolygon(LXiPTYP_FACE, tri2, 3);
    EXPECT_EQ(mesh.FindEdge(3, again), edgeBefore);
}

TEST(HostJournal, NothingIsRecordedOutsideASavepoint) {
    Host host;
    ItemData &grid = AddMesh(host, GridShape(1, 1));
    grid.mesh->SetPosition(0, {1, 1, 1});
    Journal::Token token = host.journal.Begin();
    host.journal.Rollback(token);
    EXPECT_EQ(grid.mesh->Positions()[0][0], 1.0f);
}

TEST(HostJournal, TagsMapValuesAndOtherChangesComeBackInTurn) {
    Host host;
    ItemData &grid = AddMesh(host, GridShape(1, 1));
    MeshData &mesh = *grid.mesh;
    const uint32_t uv = mesh.AddMap(LXi_VMAP_TEXTUREUV, "Texture", 2);
    const float first[2] = {0.25f, 0.5f}, second[2] = {1.0f, 1.0f};
    mesh.SetMapValue(uv, 0, first);
    mesh.SetTag(0, LXi_PTAG_PART, "Before");
    std::string name = "unchanged";

    Journal::Token token = host.journal.Begin();
    mesh.SetTag(0, LXi_PTAG_PART, "After");
    mesh.SetMapValue(uv, 0, second);
    host.journal.Record([&name] { name = "unchanged"; });
    name = "changed";
    mesh.SetMapValue(uv, 2, second);
    mesh.SetTag(0, LXi_PTAG_PART, "Last");
    host.journal.Rollback(token);

    EXPECT_STREQ(mesh.Tag(0, LXi_PTAG_PART), "Before");
    float value[2] = {0, 0};
    ASSERT_TRUE(mesh.MapValue(uv, 0, value));
    EXPECT_EQ(value[0], 0.25f);
    EXPECT_EQ(value[1], 0.5f);
    EXPECT_FALSE(mesh.MapValue(uv, 2, value));
    EXPECT_EQ(name, "unchanged");
}

TEST(HostJournal, AnInnerSavepointPutsBackWhatItChangedOnElementsTheOuterOneAdded) {
    Host host;
    MeshData &mesh = *AddMesh(host, GridShape(1, 1)).mesh;
    uint32_t uv = mesh.AddMap(LXi_VMAP_TEXTUREUV, "Texture", 2);
    Journal::Token outer = host.journal.Begin();
    uint32_t p = mesh.AddPoint({7, 0, 7});
    uint32_t tri[3] = {0, 1, p};
    uint32_t poly = mesh.AddPolygon(LXiPTYP_FACE, tri, 3);
    const float first[2] = {0.25f, 0.5f};
    mesh.SetMapValue(uv, mesh.FirstCorner(poly), first);  // on an element this savepoint added
    mesh.SetTag(poly, LXi_PTAG_PART, "New");
    Journal::Token inner = host.journal.Begin();
    mesh.SetPosition(p, {8, 8, 8});
    mesh.SetTag(poly, LXi_PTAG_PART, "Renamed");
    const float second[2] = {0.75f, 1.0f};
    mesh.SetMapValue(uv, mesh.FirstCorner(poly), second);
    host.journal.Rollback(inner);
    EXPECT_EQ(mesh.Positions()[p], (Float3{7, 0, 7}));
    EXPECT_STREQ(mesh.Tag(poly, LXi_PTAG_PART), "New");
    float value[2] = {};
    ASSERT_TRUE(mesh.MapValue(uv, mesh.FirstCorner(poly), value));
    EXPECT_EQ(value[0], 0.25f);
    EXPECT_EQ(value[1], 0.5f);
    host.journal.Rollback(outer);
    EXPECT_EQ(mesh.PointCount(), 4u);
    EXPECT_EQ(mesh.PolygonCount(), 1u);
}

TEST(HostJournal, ChangesToElementsASavepointAddedAreNotListedAsChanges) {
    Host host;
    MeshData &mesh = *AddMesh(host, GridShape(1, 1)).mesh;
    Journal::Token token = host.journal.Begin();
    uint32_t p = mesh.AddPoint({7, 0, 7});
    mesh.SetPosition(p, {9, 9, 9});  // part of the addition
    mesh.SetPosition(0, {1, 1, 1});  // a real move
    uint32_t tri[3] = {0, 1, p};
    uint32_t poly = mesh.AddPolygon(LXiPTYP_FACE, tri, 3);
    mesh.SetTag(poly, LXi_PTAG_PART, "New");  // part of the addition
    mesh.SetTag(0, LXi_PTAG_PART, "Old");     // a real change
    std::vector<std::pair<Journal::Kind, uint32_t>> seen;
    host.journal.ForEachMeshChange(token, [&](Journal::Kind kind, const MeshData &, uint32_t element) {
        seen.push_back({kind, element});
    });
    using K = Journal::Kind;
    EXPECT_EQ(seen,
              (std::vector<std::pair<K, uint32_t>>{
                  {K::PointAdded, p}, {K::PointMoved, 0}, {K::PolygonAdded, poly}, {K::TagChanged, 0}}));
    host.journal.Rollback(token);
    EXPECT_EQ(mesh.Positions()[0], (Float3{0, 0, 0}));
    EXPECT_EQ(mesh.Tag(0, LXi_PTAG_PART), nullptr);
}

TEST(HostJournal, ACommittedInnerSavepointsAdditionsAreTakenBackByTheOuterOne) {
    Host host;
    MeshData &mesh = *AddMesh(host, GridShape(1, 1)).mesh;
    Journal::Token outer = host.journal.Begin();
    Journal::Token inner = host.journal.Begin();
    uint32_t p = mesh.AddPoint({7, 0, 7});
    host.journal.Commit(inner);
    mesh.SetPosition(p, {9, 9, 9});
    mesh.SetPosition(0, {1, 1, 1});
    host.journal.Rollback(outer);
    EXPECT_EQ(mesh.PointCount(), 4u);
    EXPECT_EQ(mesh.Positions()[0], (Float3{0, 0, 0}));
}

TEST(HostJournal, RollingBackManyAdditionsCutsEachMeshOnce) {
    Host host;
    ItemData &a = AddMesh(host, GridShape(2, 2));
    ItemData &b = AddMesh(host, GridShape(1, 1));
    SelectEdges(host, a, {{0, 1}});  // builds a's edge table
    SelectPolygons(host, b, {0});
    int shrunk = 0;
    auto purge = host.journal.onMeshShrunk;
    host.journal.onMeshShrunk = [&](MeshData *mesh) {
        ++shrunk;
        purge(mesh);
    };
    Journal::Token token = host.journal.Begin();
    for (int i = 0; i < 1000; ++i) {
        for (ItemData *item : {&a, &b}) {
            MeshData &mesh = *item->mesh;
            uint32_t p = mesh.AddPoint({float(i), 1, 0});
            uint32_t tri[3] = {0, 1, p};
            uint32_t poly = mesh.AddPolygon(LXiPTYP_FACE, tri, 3);
            if (i % 100 == 0) host.selection.SelectPolygon(mesh, poly);
        }
    }
    host.journal.Rollback(token);
    EXPECT_EQ(shrunk, 2);
    EXPECT_EQ(a.mesh->PointCount(), 9u);
    EXPECT_EQ(a.mesh->PolygonCount(), 4u);
    EXPECT_EQ(a.mesh->EdgeCount(), 12u);
    EXPECT_EQ(b.mesh->PolygonCount(), 1u);
    EXPECT_EQ(host.selection.Polygons().size(), 1u);  // b's own polygon, selected before
    EXPECT_EQ(host.selection.EdgeList().size(), 1u);
}
