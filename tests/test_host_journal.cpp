// The host's undo journal: nested savepoints, and what rolling back removes from edges and selection.
#include <gtest/gtest.h>

#include <string>

#include "host/model/builders.hpp"
#include "host/host.hpp"
#include "lx_mesh.hpp"

using namespace gorva::host;

TEST(HostJournal, InnerCommitStillRollsBackWithTheOuterSavepoint) {
    Host host;
    ItemData &grid = AddMesh(host, GridSpec(1, 1));
    MeshData &mesh = *grid.mesh;
    Journal::Token outer = host.journal.Begin();
    Journal::Token inner = host.journal.Begin();
    mesh.SetPosition(0, {5, 5, 5});
    mesh.SetTag(0, LXi_PTAG_PART, "Moved");
    host.journal.Commit(inner);
    EXPECT_EQ(mesh.positions[0][0], 5.0f);
    host.journal.Rollback(outer);
    EXPECT_EQ(mesh.positions[0][0], 0.0f);
    EXPECT_EQ(mesh.Tag(0, LXi_PTAG_PART), nullptr);
    EXPECT_FALSE(host.journal.Recording());
}

TEST(HostJournal, RollingBackPolygonsDropsTheirEdgesAndTheirSelection) {
    Host host;
    ItemData &grid = AddMesh(host, GridSpec(1, 1));
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
    ItemData &grid = AddMesh(host, GridSpec(1, 1));
    grid.mesh->SetPosition(0, {1, 1, 1});
    Journal::Token token = host.journal.Begin();
    host.journal.Rollback(token);
    EXPECT_EQ(grid.mesh->positions[0][0], 1.0f);
}

TEST(HostJournal, TagsMapValuesAndOtherChangesComeBackInTurn) {
    Host host;
    ItemData &grid = AddMesh(host, GridSpec(1, 1));
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
