// The selection's undo record: a failed command takes back any mix of selection changes exactly,
// and growing a selection across shared edges reaches every connected polygon and no other.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "host/host.hpp"
#include "lx_mesh.hpp"
#include "tests/support/shapes.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;

namespace {

/// The selection as a list of (type, mesh, element) in selection order, with every select mark.
struct Snapshot {
    std::vector<std::tuple<int, const void *, uint32_t, uint32_t>> entries;
    std::vector<uint32_t> pointMarks, edgeMarks, polyMarks;
    std::array<unsigned, 5> counts{};
    LXtID4 current = 0;

    static Snapshot Of(Host &host, MeshData &mesh) {
        Snapshot s;
        for (const auto &p : host.selection.Vertices()) s.entries.emplace_back(0, p.mesh, p.point, p.polygon);
        for (const auto &p : host.selection.EdgeList()) s.entries.emplace_back(1, p.mesh, p.a, p.b);
        for (const auto &p : host.selection.Polygons()) s.entries.emplace_back(2, p.mesh, p.polygon, 0);
        for (const auto &p : host.selection.ItemList()) s.entries.emplace_back(4, p.item, 0, 0);
        for (uint32_t m : mesh.PointMarks()) s.pointMarks.push_back(m & kMarkSelect);
        for (uint32_t m : mesh.MarksOf(1)) s.edgeMarks.push_back(m & kMarkSelect);
        for (uint32_t m : mesh.PolygonMarks()) s.polyMarks.push_back(m & kMarkSelect);
        for (SelType t : {kSelVertex, kSelEdge, kSelPolygon, kSelItem}) s.counts[t] = host.selection.Count(t);
        const LXtID4 codes[] = {SelTypeCode(kSelVertex), SelTypeCode(kSelEdge), SelTypeCode(kSelPolygon),
                                SelTypeCode(kSelItem), 0};
        s.current = host.selection.CurrentType(codes);
        return s;
    }
    bool operator==(const Snapshot &o) const {
        return std::tie(entries, pointMarks, edgeMarks, polyMarks, counts, current) ==
               std::tie(o.entries, o.pointMarks, o.edgeMarks, o.polyMarks, o.counts, o.current);
    }
};

/// One random change of the selection (or of the mesh, with its new elements selected).
void RandomChange(Host &h, ItemData &item, std::mt19937 &rng) {
    MeshData &mesh = *item.mesh;
    auto pick = [&](uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng); };
    uint32_t point = pick(mesh.PointCount()), polygon = pick(mesh.PolygonCount()),
             edge = pick(mesh.EdgeCount());
    const auto ends = mesh.Edges().ends[edge];
    switch (pick(12)) {
        case 0:
            h.selection.SelectVertex(mesh, point);
            break;
        case 1:
            h.selection.DeselectVertex(mesh, point);
            break;
        case 2:
            h.selection.SelectEdge(mesh, ends[0], ends[1]);
            break;
        case 3:
            h.selection.DeselectEdge(mesh, ends[1], ends[0]);
            break;
        case 4:
            h.selection.SelectPolygon(mesh, polygon);
            break;
        case 5:
            h.selection.DeselectPolygon(mesh, polygon);
            break;
        case 6:
            h.selection.Clear(SelType(pick(3)));
            break;
        case 7:
            h.selection.SetCurrent(SelType(pick(3)));
            break;
        case 8:
            h.selection.SelectItem(item);
            break;
        case 9:
            h.selection.DeselectItem(item);
            break;
        case 10:
            h.selection.Vertices();
            h.selection.Polygons();
            break;  // reading compacts
        default: {
            // A new polygon over new points, selected: gone again when the command is taken back.
            uint32_t first = mesh.PointCount();
            for (int i = 0; i < 3; ++i) mesh.AddPoint({float(first + i), 1, 0});
            const uint32_t verts[3] = {first, first + 1, first + 2};
            uint32_t added = mesh.AddPolygon(LXiPTYP_FACE, verts, 3);
            h.selection.SelectVertex(mesh, first + 1);
            h.selection.SelectPolygon(mesh, added);
            h.selection.SelectEdge(mesh, first, first + 1);
        }
    }
}

}  // namespace

TEST(SelectionJournal, AFailedCommandTakesBackAnyMixOfChangesExactly) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        Host host;
        ItemData &item = AddMesh(host, GridShape(4, 3));
        std::mt19937 rng(seed);
        // A selection with history: entries deselected but still listed, several types in use.
        for (int i = 0; i < 30; ++i) RandomChange(host, item, rng);
        const Snapshot before = Snapshot::Of(host, *item.mesh);
        host.RegisterCommand({"test.changeThenFail",
                              {},
                              [&](Host &h, const std::vector<std::string> &) {
                                  for (int i = 0; i < 40; ++i) {
                                      RandomChange(h, item, rng);
                                      // The count always agrees with the marks.
                                      uint32_t marked = 0;
                                      for (uint32_t m : item.mesh->PolygonMarks()) marked += m & kMarkSelect;
                                      EXPECT_EQ(h.selection.Count(kSelPolygon), marked) << "step " << i;
                                  }
                                  return CommandResult{LXe_FAILED, "failed"};
                              },
                              {}});
        EXPECT_FALSE(host.Run("test.changeThenFail", {}).ok());
        EXPECT_TRUE(Snapshot::Of(host, *item.mesh) == before) << "seed " << seed;
    }
}

TEST(PolygonConnect, ReachesEveryPolygonThroughSharedEdgesAndNoOther) {
    Host host;
    // A fan of triangles around one point, one fan edge shared by a third polygon (a fin), and a
    // triangle that touches the fan at its centre only.
    MeshShape shape;
    shape.points.push_back({0, 0, 0});
    const uint32_t blades = 200;
    for (uint32_t i = 0; i <= blades; ++i) shape.points.push_back({float(i), 0, 1});
    for (uint32_t i = 1; i <= blades; ++i) shape.polygons.push_back({{0, i, i + 1}, "", ""});
    shape.points.push_back({0, 1, 1});  // blades + 2
    shape.polygons.push_back({{0, 1, blades + 2}, "", ""});
    shape.points.push_back({-1, 0, 0});  // blades + 3
    shape.points.push_back({-1, 0, -1});
    shape.polygons.push_back({{0, blades + 3, blades + 4}, "", ""});
    ItemData &mesh = AddMesh(host, shape);
    SelectPolygons(host, mesh, {blades - 1});
    ASSERT_TRUE(host.RunLine("select.polygonConnect").ok());
    EXPECT_EQ(host.selection.Count(kSelPolygon), blades + 1);
    EXPECT_TRUE(mesh.mesh->PolygonMarks()[blades] & kMarkSelect);       // the fin
    EXPECT_FALSE(mesh.mesh->PolygonMarks()[blades + 1] & kMarkSelect);  // the corner-only triangle
}

namespace {

/// Positions of a mesh, for comparing geometry before and after.
std::vector<Float3> PositionsOf(const MeshData &mesh) {
    std::vector<Float3> out;
    for (uint32_t p = 0; p < mesh.PointCount(); ++p) out.push_back(mesh.Positions()[p]);
    return out;
}

/// A step's worth of mixed work: moves and adds geometry, selects old and new elements, and runs a
/// scan whose edits are dropped while the selection it made stays.
void MixedStep(Host &host, MeshData &mesh) {
    host.selection.SelectPolygon(mesh, 1);
    mesh.SetPosition(0, {9, 9, 9});
    const uint32_t first = mesh.AddPoint({5, 5, 0});
    mesh.AddPoint({6, 5, 0});
    mesh.AddPoint({6, 6, 0});
    const uint32_t verts[3] = {first, first + 1, first + 2};
    host.selection.SelectPolygon(mesh, mesh.AddPolygon(LXiPTYP_FACE, verts, 3));
    host.selection.DeselectVertex(mesh, 2);
    const Journal::Token scan = host.journal.Begin();
    mesh.SetPosition(1, {7, 7, 7});
    host.selection.SelectVertex(mesh, 3);
    host.journal.Rollback(scan);
    host.selection.Clear(kSelEdge);
}

}  // namespace

TEST(SelectionJournal, OneStepTakesBackMeshAndSelectionTogetherAndReplaysTheSame) {
    Host host;
    ItemData &item = AddMesh(host, GridShape(3, 2));
    MeshData &mesh = *item.mesh;
    host.selection.SelectVertex(mesh, 2);
    host.selection.SelectEdge(mesh, 0, 1);
    const Snapshot before = Snapshot::Of(host, mesh);
    const std::vector<Float3> positionsBefore = PositionsOf(mesh);
    const uint32_t polygonsBefore = mesh.PolygonCount();

    Journal::Token step = host.journal.Begin(Journal::Scope::Step);
    MixedStep(host, mesh);
    // The scan's rollback took back its move only: the vertex it selected stays.
    EXPECT_EQ(mesh.Positions()[1], positionsBefore[1]);
    EXPECT_TRUE(mesh.PointMarks()[3] & kMarkSelect);
    const Snapshot done = Snapshot::Of(host, mesh);
    const std::vector<Float3> positionsDone = PositionsOf(mesh);
    host.journal.Rollback(step);

    EXPECT_TRUE(Snapshot::Of(host, mesh) == before);
    EXPECT_EQ(PositionsOf(mesh), positionsBefore);
    EXPECT_EQ(mesh.PolygonCount(), polygonsBefore);

    // Done again after the undo, the step gives the same scene and selection, and commits.
    step = host.journal.Begin(Journal::Scope::Step);
    MixedStep(host, mesh);
    host.journal.Commit(step);
    EXPECT_TRUE(Snapshot::Of(host, mesh) == done);
    EXPECT_EQ(PositionsOf(mesh), positionsDone);
    EXPECT_FALSE(host.journal.Recording());
}

TEST(SelectionJournal, RollingBackEditsOnlyLeavesTheSelectionAsItIs) {
    Host host;
    ItemData &item = AddMesh(host, GridShape(3, 2));
    MeshData &mesh = *item.mesh;
    const Journal::Token step = host.journal.Begin(Journal::Scope::Step);
    const Journal::Token edits = host.journal.Begin();
    host.selection.SelectPolygon(mesh, 0);
    host.selection.SelectItem(item);
    host.journal.Rollback(edits);
    EXPECT_EQ(host.selection.Count(kSelPolygon), 1u);
    EXPECT_TRUE(host.selection.IsItemSelected(item));
    // The enclosing step still takes them back.
    host.journal.Rollback(step);
    EXPECT_EQ(host.selection.Count(kSelPolygon), 0u);
    EXPECT_FALSE(host.selection.IsItemSelected(item));
    EXPECT_FALSE(mesh.PolygonMarks()[0] & kMarkSelect);
}
