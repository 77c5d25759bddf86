// The in-memory host seen through the SDK: scans, marks, selection order, transforms, undo.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "tests/support/shapes.hpp"
#include "host/host.hpp"
#include "tests/test_support.hpp"

#include <lx_io.hpp>
#include <lx_item.hpp>
#include <lx_layer.hpp>
#include <lx_mesh.hpp>
#include <lx_select.hpp>
#include <lx_seltypes.hpp>
#include <lx_stddialog.hpp>
#include <lx_action.hpp>
#include <lx_locator.hpp>
#include <lx_value.hpp>
#include <lxu_math.hpp>
#include <lxu_prefvalue.hpp>
#include <lxu_queries.hpp>
#include "qk_visit.hpp"

using namespace gorva::host;

namespace {

/// The index of the element an accessor is on. Edges have no index in the SDK: the host's edge
/// ids are the index + 1.
unsigned IndexOf(CLxUser_Point &p) {
    unsigned i = 0;
    p.Index(&i);
    return i;
}
unsigned IndexOf(CLxUser_Polygon &p) {
    int i = 0;
    p.Index(&i);
    return unsigned(i);
}
unsigned IndexOf(CLxUser_Edge &e) {
    return unsigned(reinterpret_cast<uintptr_t>(e.ID()) - 1);
}

/// The scene, as the scene selection holds it.
bool CurrentScene(CLxUser_Scene &scene) {
    CLxUser_SelectionService sel;
    CLxUser_ScenePacketTranslation tr;
    return tr.autoInit() && tr.GetScene(sel.ByIndex(sel.LookupType(LXsSELTYP_SCENE), 0), scene);
}

/// a = a x b for 4 x 4 matrices.
void MultiplyInto(LXtMatrix4 a, const LXtMatrix4 b) {
    LXtMatrix4 out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            out[i][j] = 0.0;
            for (int k = 0; k < 4; ++k) out[i][j] += a[i][k] * b[k][j];
        }
    std::memcpy(a, out, sizeof out);
}

/// Records the index of each element visited, read through the enumerating accessor.
template <class Accessor>
class IndexVisitor final : public CLxImpl_AbstractVisitor {
public:
    explicit IndexVisitor(Accessor &accessor) : m_accessor(accessor) {}
    std::vector<unsigned> seen;
    LxResult Evaluate() override {
        seen.push_back(IndexOf(m_accessor));
        return LXe_OK;
    }

private:
    Accessor &m_accessor;
};

/// Indices whose marks pass the mode, by testing every element: what a walk under the mode must visit.
template <class Accessor>
std::vector<unsigned> MarkedByTest(Accessor &accessor, unsigned count, LXtMarkMode mode) {
    std::vector<unsigned> out;
    for (unsigned i = 0; i < count; ++i)
        if (LXx_OK(accessor.SelectByIndex(i)) && accessor.TestMarks(mode) == LXe_TRUE) out.push_back(i);
    return out;
}

/// Indices an enumeration under the mode visits, in visiting order.
template <class Accessor>
std::vector<unsigned> Walked(Accessor &accessor, LXtMarkMode mode) {
    IndexVisitor<Accessor> visitor(accessor);
    qk::Visit(accessor, visitor, mode);
    return visitor.seen;
}

}  // namespace

TEST(HostCore, ScanSeesActiveLayersInSceneOrderAndPrimaryOnly) {
    Host host;
    ItemData &a = AddMesh(host, GridShape(1, 1));
    ItemData &hidden = AddMesh(host, GridShape(1, 1));
    ItemData &b = AddMesh(host, BoxShape({0, 0, 0}, {1, 1, 1}));
    host.SetActive(hidden, false);
    host.SetPrimary(&b);

    CLxUser_LayerService svc;
    CLxUser_LayerScan scan;
    ASSERT_TRUE(svc.BeginScan(LXf_LAYERSCAN_ACTIVE, scan));
    ASSERT_EQ(scan.NumLayers(), 2u);
    CLxUser_Item item;
    ASSERT_TRUE(scan.ItemByIndex(0, item));
    EXPECT_EQ(item.GetIdentity(), a.ident);
    ASSERT_TRUE(scan.ItemByIndex(1, item));
    EXPECT_EQ(item.GetIdentity(), b.ident);

    CLxUser_LayerScan primary;
    ASSERT_TRUE(svc.BeginScan(LXf_LAYERSCAN_PRIMARY | LXf_LAYERSCAN_WRITEMESH, primary));
    ASSERT_EQ(primary.NumLayers(), 1u);
    ASSERT_TRUE(primary.ItemByIndex(0, item));
    EXPECT_EQ(item.GetIdentity(), b.ident);
}

TEST(HostCore, EnumerationFollowsSelectMarkAndSelectionOrder) {
    Host host;
    ItemData &grid = AddMesh(host, GridShape(3, 1));
    SelectPolygons(host, grid, {2, 0});
    CLxUser_MeshService meshSvc;
    LXtMarkMode selected = meshSvc.SetMode("select");

    CLxUser_LayerService svc;
    CLxUser_LayerScan scan;
    ASSERT_TRUE(svc.BeginScan(LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_MARKPOLYS, scan));
    CLxUser_Mesh mesh;
    ASSERT_TRUE(scan.BaseMeshByIndex(0, mesh));
    CLxUser_Polygon poly;
    ASSERT_TRUE(mesh.GetPolygons(poly));
    EXPECT_EQ(Walked(poly, selected), (std::vector<unsigned>{0, 2}));  // enumeration runs in element order

    CLxUser_SelectionService sel;
    CLxUser_PolygonPacketTranslation tr;
    ASSERT_TRUE(tr.autoInit());
    LXtID4 type = sel.LookupType("polygon");
    ASSERT_EQ(sel.Count(type), 2u);
    LXtPolygonID id = nullptr;
    tr.Polygon(sel.ByIndex(type, 0), &id);
    poly.Select(id);
    EXPECT_EQ(IndexOf(poly), 2u);  // the selection keeps the order of selecting

    // Marks set through an accessor with the select mark go through the selection.
    poly.SelectByIndex(1);
    poly.SetMarks(selected);
    EXPECT_EQ(sel.Count(type), 3u);
    poly.SetMarks(meshSvc.ClearMode("select"));
    EXPECT_EQ(sel.Count(type), 2u);
    EXPECT_EQ(poly.TestMarks(selected), LXe_FALSE);  // LXe_TRUE, which is 0, when the marks pass
}

// A walk over selected elements may go through the selection list instead of every mark; either
// way it visits exactly the marked elements of its own mesh, in element order, each once.
TEST(HostCore, SelectedWalkVisitsTheMarkedElementsInElementOrder) {
    for (unsigned picks : {3u, 40u, 1500u}) {  // short lists and one that is not
        Host host;
        ItemData &a = AddMesh(host, GridShape(120, 120));
        ItemData &b = AddMesh(host, GridShape(120, 120));
        MeshData &m = *a.mesh;
        std::mt19937 rng(picks);
        for (unsigned k = 0; k < picks; ++k) {
            for (MeshData *mesh : {a.mesh.get(), b.mesh.get()}) {
                host.selection.SelectVertex(*mesh, rng() % mesh->PointCount());
                host.selection.SelectPolygon(*mesh, rng() % mesh->PolygonCount());
                const auto &ends = mesh->Edges().ends[rng() % mesh->EdgeCount()];
                host.selection.SelectEdge(*mesh, ends[1], ends[0]);
            }
        }
        // Deselected entries may linger in the lists until they are compacted.
        host.selection.DeselectVertex(m, host.selection.Vertices().front().point);
        host.selection.DeselectPolygon(m, host.selection.Polygons().front().polygon);

        CLxUser_MeshService meshSvc;
        const LXtMarkMode selected = meshSvc.SetMode("select");
        CLxUser_LayerService svc;
        CLxUser_LayerScan scan;
        CLxUser_Mesh mesh;
        ASSERT_TRUE(svc.BeginScan(LXf_LAYERSCAN_ACTIVE, scan));
        ASSERT_TRUE(scan.BaseMeshByIndex(0, mesh));
        CLxUser_Point point;
        CLxUser_Polygon polygon;
        CLxUser_Edge edge;
        ASSERT_TRUE(mesh.GetPoints(point) && mesh.GetPolygons(polygon) && mesh.GetEdges(edge));

        const auto points = MarkedByTest(point, m.PointCount(), selected);
        const auto polygons = MarkedByTest(polygon, m.PolygonCount(), selected);
        std::vector<unsigned> edges;
        for (unsigned e = 0; e < m.EdgeCount(); ++e)
            if (m.Edges().marks[e] & kMarkSelect) edges.push_back(e);
        EXPECT_FALSE(points.empty());
        EXPECT_EQ(Walked(point, selected), points) << picks;
        EXPECT_EQ(Walked(polygon, selected), polygons) << picks;
        EXPECT_EQ(Walked(edge, selected), edges) << picks;
    }
}

TEST(HostCore, EdgesAreDerivedOnceAndSharedEdgesCountOnce) {
    Host host;
    ItemData &grid = AddMesh(host, GridShape(2, 2));
    // 2x2 grid: 12 edges; a two-vertex polygon adds one edge, not two.
    EXPECT_EQ(grid.mesh->EdgeCount(), 12u);
    uint32_t pts[2] = {0, 8};
    grid.mesh->AddPolygon(LXiPTYP_FACE, pts, 2);
    EXPECT_EQ(grid.mesh->EdgeCount(), 13u);
    EXPECT_EQ(grid.mesh->FindEdge(8, 0), 12u);
    EXPECT_EQ(grid.mesh->FindEdge(0, 4), MeshData::kNone);
}

TEST(HostCore, WorldMatrixFollowsParentChainInRowConvention) {
    Host host;
    MeshShape shape = GridShape(1, 1);
    shape.position = {1, 2, 3};
    shape.rotation = {0, 0, M_PI / 2};
    ItemData &child = AddMesh(host, shape);
    ItemData &parent = *host.scene.AddItem(ItemTypeCode("locator"));
    parent.SetChannel("pos.X", 10.0);
    host.scene.SetParent(child, &parent);

    auto p = TransformPoint(child.WorldMatrix(), {1, 0, 0});
    // Rotated 90 degrees about Z (x -> y), moved by (1, 2, 3), then by the parent's (10, 0, 0).
    EXPECT_NEAR(p[0], 11.0, 1e-12);
    EXPECT_NEAR(p[1], 3.0, 1e-12);
    EXPECT_NEAR(p[2], 3.0, 1e-12);

    CLxUser_SceneService sceneSvc;
    CLxUser_SelectionService sel;
    CLxUser_Scene scene;
    ASSERT_TRUE(CurrentScene(scene));
    CLxUser_Item item;
    ASSERT_TRUE(scene.ItemLookup(child.ident.c_str(), item));
    CLxUser_ChannelRead chan;
    ASSERT_TRUE(chan.from(item, sel.GetTime()));
    CLxUser_Matrix rot, pos, scl, world;
    ASSERT_TRUE(chan.Object(item, "wrotMatrix", rot));
    ASSERT_TRUE(chan.Object(item, "wposMatrix", pos));
    ASSERT_TRUE(chan.Object(item, "wsclMatrix", scl));
    ASSERT_TRUE(chan.Object(item, "worldMatrix", world));
    LXtMatrix4 r, t, w, prod;
    rot.Get4(r), pos.Get4(t), scl.Get4(prod), world.Get4(w);
    MultiplyInto(prod, r);
    MultiplyInto(prod, t);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(prod[i][j], w[i][j], 1e-12) << i << "," << j;
}

TEST(HostCore, LocatorRotationRoundTripsThroughEuler) {
    Host host;
    ItemData &light = *host.scene.AddItem(ItemTypeCode("areaLight"));
    ASSERT_EQ(light.children.size(), 1u);  // its light material
    // Axes as columns: right = (0,0,-1), up = (0,1,0), forward = (1,0,0).
    LXtMatrix m = {{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}};
    CLxUser_SelectionService sel;
    CLxUser_Scene scene;
    CurrentScene(scene);
    CLxUser_Item item;
    ASSERT_TRUE(scene.ItemLookup(light.ident.c_str(), item));
    CLxUser_Locator loc;
    ASSERT_TRUE(loc.set(item));
    CLxUser_ChannelRead r;
    CLxUser_ChannelWrite w;
    ASSERT_TRUE(scene.GetChannels(r, 0.0));
    ASSERT_TRUE(scene.SetChannels(w, "edit", 0.0));
    ASSERT_EQ(loc.SetRotation(r, w, m, 1, 0), LXe_OK);
    Matrix4 world = light.WorldMatrix();
    for (int axis = 0; axis < 3; ++axis)
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(world[axis][k], m[k][axis], 1e-12);

    CLxUser_Item material;
    ASSERT_TRUE(item.SubByIndex(0, material));
    CLxUser_Locator notLocator;
    EXPECT_FALSE(notLocator.set(material));
}

TEST(HostCore, UnappliedWritableScanTakesItsEditsBack) {
    Host host;
    ItemData &grid = AddMesh(host, GridShape(1, 1));
    CLxUser_LayerService svc;
    {
        CLxUser_LayerScan scan;
        ASSERT_TRUE(svc.BeginScan(LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_WRITEMESH, scan));
        CLxUser_Mesh mesh;
        ASSERT_TRUE(scan.EditMeshByIndex(0, mesh));
        CLxUser_Point pt;
        mesh.GetPoints(pt);
        LXtVector pos = {5, 5, 5};
        LXtPointID id;
        pt.New(pos, &id);
        pt.SelectByIndex(0);
        pt.SetPos(pos);
        EXPECT_EQ(grid.mesh->PointCount(), 5u);
    }
    EXPECT_EQ(grid.mesh->PointCount(), 4u);
    EXPECT_EQ(grid.mesh->Positions()[0][0], 0.0f);

    CLxUser_LayerScan scan;
    ASSERT_TRUE(svc.BeginScan(LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_WRITEMESH, scan));
    CLxUser_Mesh mesh;
    scan.EditMeshByIndex(0, mesh);
    CLxUser_Point pt;
    mesh.GetPoints(pt);
    LXtVector pos = {5, 5, 5};
    pt.New(pos, nullptr);
    scan.SetMeshChange(0, LXf_MESHEDIT_POINTS);
    EXPECT_EQ(scan.Apply(), LXe_OK);
    scan.clear();
    EXPECT_EQ(grid.mesh->PointCount(), 5u);

    // A base mesh refuses geometry edits.
    CLxUser_LayerScan readOnly;
    svc.BeginScan(LXf_LAYERSCAN_ACTIVE, readOnly);
    readOnly.BaseMeshByIndex(0, mesh);
    mesh.GetPoints(pt);
    EXPECT_TRUE(LXx_FAIL(pt.New(pos, nullptr)));
}

TEST(HostCore, SelectingASelectedVertexKeepsOneEntry) {
    Host host;
    ItemData &grid = AddMesh(host, GridShape(1, 1));
    SelectPoints(host, grid, {2, 1});
    // Again directly, as a packet through the service, and as a mark through an accessor.
    EXPECT_TRUE(host.selection.SelectVertex(*grid.mesh, 2));
    CLxUser_SelectionService sel;
    const LXtID4 type = sel.LookupType("vertex");
    CLxUser_VertexPacketTranslation tr;
    ASSERT_TRUE(tr.autoInit());
    CLxUser_LayerService svc;
    CLxUser_LayerScan scan;
    ASSERT_TRUE(svc.BeginScan(LXf_LAYERSCAN_ACTIVE, scan));
    CLxUser_Mesh mesh;
    ASSERT_TRUE(scan.BaseMeshByIndex(0, mesh));
    CLxUser_Point points;
    ASSERT_TRUE(mesh.GetPoints(points));
    points.SelectByIndex(2);
    sel.Select(type, tr.Packet(points.ID(), nullptr, mesh));
    CLxUser_MeshService meshSvc;
    points.SetMarks(meshSvc.SetMode("select"));

    EXPECT_EQ(sel.Count(type), 2u);
    ASSERT_EQ(host.selection.Vertices().size(), 2u);
    EXPECT_EQ(host.selection.Vertices()[0].point, 2u);
    EXPECT_EQ(host.selection.Vertices()[1].point, 1u);
    // One deselection empties the place the vertex held.
    host.selection.DeselectVertex(*grid.mesh, 2);
    EXPECT_EQ(sel.Count(type), 1u);
    EXPECT_EQ(host.selection.Vertices().size(), 1u);
}

TEST(HostCore, FreshSceneHasNoCurrentSelectionType) {
    static const LXtID4 kAll[] = {LXiSEL_VERTEX, LXiSEL_EDGE, LXiSEL_POLYGON, LXiSEL_PTAG, LXiSEL_ITEM, 0};
    {
        Host host;
        CLxUser_SelectionService sel;
        EXPECT_EQ(sel.CurrentType(kAll), 0u);
        ItemData &grid = AddMesh(host, GridShape(1, 1));
        SelectPolygons(host, grid, {0});
        EXPECT_EQ(sel.CurrentType(kAll), LXiSEL_POLYGON);
        host.NewScene();
        EXPECT_EQ(sel.CurrentType(kAll), 0u);
    }
    Host another;
    CLxUser_SelectionService sel;
    EXPECT_EQ(sel.CurrentType(kAll), 0u);
}

TEST(HostCore, UnappliedScanDropsWhatItAddedFromTheSelection) {
    Host host;
    ItemData &grid = AddMesh(host, GridShape(1, 1));
    SelectPoints(host, grid, {1});
    SelectPolygons(host, grid, {0});
    CLxUser_MeshService meshSvc;
    const LXtMarkMode select = meshSvc.SetMode("select");
    CLxUser_LayerService svc;
    {
        CLxUser_LayerScan scan;
        ASSERT_TRUE(svc.BeginScan(LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_WRITEMESH, scan));
        CLxUser_Mesh mesh;
        ASSERT_TRUE(scan.EditMeshByIndex(0, mesh));
        CLxUser_Point points;
        CLxUser_Polygon polygons;
        ASSERT_TRUE(mesh.GetPoints(points) && mesh.GetPolygons(polygons));
        LXtVector pos[2] = {{3, 0, 3}, {4, 0, 3}};
        LXtPointID added[3] = {nullptr, nullptr, nullptr};
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(points.New(pos[i], &added[i]), LXe_OK);
            points.SetMarks(select);
        }
        points.SelectByIndex(3);
        added[2] = points.ID();
        LXtPolygonID triangle = nullptr;
        ASSERT_EQ(polygons.New(LXiPTYP_FACE, added, 3, 0, &triangle), LXe_OK);
        polygons.SetMarks(select);
        ASSERT_EQ(host.selection.Count(kSelVertex), 3u);
        ASSERT_EQ(host.selection.Count(kSelPolygon), 2u);
    }
    EXPECT_EQ(grid.mesh->PointCount(), 4u);
    EXPECT_EQ(host.selection.Count(kSelVertex), 1u);
    ASSERT_EQ(host.selection.Vertices().size(), 1u);
    EXPECT_EQ(host.selection.Vertices()[0].point, 1u);
    EXPECT_EQ(host.selection.Count(kSelPolygon), 1u);
    ASSERT_EQ(host.selection.Polygons().size(), 1u);
    EXPECT_EQ(host.selection.Polygons()[0].polygon, 0u);
    CLxUser_SelectionService sel;
    EXPECT_EQ(sel.ByIndex(sel.LookupType("vertex"), 1), nullptr);
}

TEST(HostCore, MonitorAbortsAtTheArrangedStepOfTheNextMonitorOnly) {
    Host host;
    host.abortAtStep = 3;
    CLxUser_StdDialogService dlg;
    CLxUser_Monitor first, second;
    ASSERT_TRUE(dlg.MonitorAllocate("Working...", first));
    first.Init(10);
    EXPECT_FALSE(first.Step());
    EXPECT_FALSE(first.Step());
    EXPECT_TRUE(first.Step());
    ASSERT_TRUE(dlg.MonitorAllocate("Again...", second));
    second.Init(10);
    for (int i = 0; i < 10; ++i) EXPECT_FALSE(second.Step());
    ASSERT_EQ(host.monitors.size(), 2u);
    EXPECT_EQ(host.monitors[0].title, "Working...");
    EXPECT_TRUE(host.monitors[0].aborted);
    EXPECT_EQ(host.monitors[1].steps, 10u);
}

TEST(HostCore, UserValuesPreferencesAndQueries) {
    Host host;
    CLxReadUserValue uv;
    ASSERT_TRUE(uv.Query("gORVA_01_EdgeChecker_AngleMultiples"));
    EXPECT_EQ(uv.GetInt(), 2);
    EXPECT_FALSE(uv.Query("gORVA_01_NoSuchValue"));
    std::string err;
    EXPECT_FALSE(host.SetUserValue("gORVA_01_EdgeChecker_AngleMultiples", "abc", err));
    EXPECT_TRUE(host.RunLine("user.value gORVA_01_EdgeChecker_AngleMultiples 1").ok());
    ASSERT_TRUE(uv.Query("gORVA_01_EdgeChecker_AngleMultiples"));
    EXPECT_EQ(uv.GetInt(), 1);

    CLxReadPreferenceValue pref;
    ASSERT_TRUE(pref.Query("units.upAxis"));
    EXPECT_EQ(pref.GetInt(), 1);
    EXPECT_TRUE(host.RunLine("pref.value units.upAxis 2").ok());
    CLxReadPreferenceValue again;
    ASSERT_TRUE(again.Query("units.upAxis"));
    EXPECT_EQ(again.GetInt(), 2);
    CLxReadPreferenceValue missing;
    EXPECT_FALSE(missing.Query("no.such.pref"));
}

TEST(HostCore, PolygonConnectGrowsThroughSharedEdgesNotSharedPoints) {
    Host host;
    MeshShape shape = GridShape(2, 1);
    // A quad touching the grid at one corner only.
    shape.points.push_back({3, 0, 2});
    shape.points.push_back({3, 0, 3});
    shape.points.push_back({2, 0, 3});
    shape.polygons.push_back({{5, 6, 7, 8}, "", ""});
    ItemData &mesh = AddMesh(host, shape);
    SelectPolygons(host, mesh, {0});
    ASSERT_TRUE(host.RunLine("select.polygonConnect").ok());
    EXPECT_EQ(host.selection.Count(kSelPolygon), 2u);
}

TEST(HostCore, CommandLinesParseNamesQuotesAndComments) {
    std::string name, err;
    std::vector<CommandArg> args;
    ASSERT_TRUE(ParseCommandLine("cmd.x 1 name:\"two words\" \"C:\\\\dir\" # tail", name, args, err));
    EXPECT_EQ(name, "cmd.x");
    ASSERT_EQ(args.size(), 3u);
    EXPECT_EQ(args[0].value, "1");
    EXPECT_EQ(args[1].name, "name");
    EXPECT_EQ(args[1].value, "two words");
    EXPECT_EQ(args[2].name, "");
    EXPECT_EQ(args[2].value, "C:\\dir");
    EXPECT_FALSE(ParseCommandLine("cmd \"open", name, args, err));
    Host host;
    EXPECT_EQ(host.RunLine("no.such.command").code, LXe_NOTFOUND);
    EXPECT_TRUE(host.RunLine("   # only a comment").ok());
}

TEST(HostCore, DistancesReadInSensibleUnits) {
    EXPECT_EQ(FormatDistance(2.0), "2 m");
    EXPECT_EQ(FormatDistance(0.25), "250 mm");
    EXPECT_EQ(FormatDistance(1500.0), "1.5 km");
    EXPECT_EQ(FormatDistance(0.0), "0 m");
}
