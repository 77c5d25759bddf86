// One Sweeper evaluation along a long path: a helix of 10,000 (and 20,000) selected vertices swept with
// the 38-point Boltel (and the 4-point Rectangle), vertices, quads, part tags and UVs written through
// the SDK. Beside the tool's evaluation: the same evaluation into a mesh without a "Texture" map
// (everything but the writes), the module's geometry alone (projection and output arrays), the SDK
// floor (a loop that only makes the same point, polygon, tag and UV calls), and on small paths the
// host's whole refresh, which first takes the previous sweep back.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>

#include "Tool_Sweeper_Output.hpp"
#include "Tool_Sweeper_Path.hpp"
#include "Tool_Sweeper_Profiles_01.hpp"
#include "bench_scenes.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "lx_tool.hpp"
#include "lx_value.hpp"

using namespace gorva;
namespace sw = gORVA_Tools_Sweeper;
namespace pr = qk::profiles;

namespace {

/// A helix of radius 10 m rising 2 mm a step, 500 steps a turn: a long spiral handrail.
host::MeshShape Helix(unsigned points) {
    host::MeshShape shape;
    shape.name = "Helix";
    for (unsigned i = 0; i < points; ++i) {
        const double a = i * 2.0 * 3.141592653589793 / 500.0;
        shape.points.push_back({float(10.0 * std::cos(a)), float(0.002 * i), float(10.0 * std::sin(a))});
    }
    return shape;
}

int ShapeOf(unsigned profilePoints) {
    return profilePoints == 38 ? pr::PROFILE_BOLTEL : pr::PROFILE_RECTANGLE;
}

std::string Label(unsigned profilePoints, const char *what) {
    return std::string(profilePoints == 38 ? "boltel" : "rectangle") + what;
}

/// The tool on a selected helix, its path built and the profile chosen with UVs on, then applied so
/// that no savepoint stays open; the tool keeps its path and is evaluated directly from here on.
struct ToolFixture {
    std::unique_ptr<host::Host> h;
    host::ItemData *helix = nullptr;
    uint32_t points = 0, polygons = 0;
    CLxLoc_Tool tool;
    ILxUnknownID vts = nullptr;
    bool ok = false;

    ToolFixture(unsigned pathPoints, unsigned profilePoints, bool textureMap) {
        h = bench::NewHost();
        helix = &host::AddMesh(*h, Helix(pathPoints));
        if (!textureMap) helix->mesh->RemoveMap(helix->mesh->MapIndex(LXi_VMAP_TEXTUREUV, "Texture"));
        for (unsigned i = 0; i < pathPoints; ++i) h->selection.SelectVertex(*helix->mesh, i);
        points = helix->mesh->PointCount();
        polygons = helix->mesh->PolygonCount();
        // Set before activation, and one press without a release: each further refresh would first
        // take the previous sweep back, element by element.
        const std::string shape = std::to_string(ShapeOf(profilePoints));
        ok = h->RunLine("tool.attr gORVA.Sweeper profile_shape " + shape).ok() &&
             h->RunLine("tool.attr gORVA.Sweeper make_uvs true").ok() &&
             h->RunLine("tool.set gORVA.Sweeper on").ok() && h->RunLine("tool.press part:-1").ok();
        ok = ok && tool.set(h->Tools().ActiveObject()) && h->RunLine("tool.doApply").ok();
        vts = static_cast<ILxUnknownID>(host::NewVectorStack(h->Tools()));
    }
    ~ToolFixture() {
        if (vts) lx::ObjRelease(vts);
    }
    /// Drops what the evaluations wrote, in one step.
    void Clear() { helix->mesh->Truncate(points, polygons); }
};

ToolFixture &SharedTool(unsigned points, unsigned profilePoints, bool textureMap) {
    // Never destroyed at exit: the tool instance would outlive the module's own statics.
    static ToolFixture *fixture = nullptr;
    static std::string built;
    const std::string key =
        std::to_string(points) + "/" + std::to_string(profilePoints) + "/" + std::to_string(textureMap);
    if (built != key) {
        delete fixture;
        fixture = new ToolFixture(points, profilePoints, textureMap);
        built = key;
    }
    fixture->h->Install();
    return *fixture;
}

/// One evaluation of the tool (its geometry and its writes through the SDK into the host); what the
/// evaluation wrote is dropped between runs, untimed.
void RunEvaluation(benchmark::State &state, bool textureMap, const char *what) {
    const unsigned points = unsigned(state.range(0)), profilePoints = unsigned(state.range(1));
    ToolFixture &f = SharedTool(points, profilePoints, textureMap);
    if (!f.ok) {
        state.SkipWithError("the tool did not start on the helix");
        return;
    }
    const uint32_t expected = textureMap ? f.points + points * profilePoints : f.points;
    for (auto _ : state) {
        state.PauseTiming();
        f.Clear();
        state.ResumeTiming();
        f.tool.Evaluate(f.vts);
    }
    if (f.helix->mesh->PointCount() != expected) state.SkipWithError("unexpected point count");
    state.SetItemsProcessed(int64_t(state.iterations()) * points * profilePoints);
    state.SetLabel(Label(profilePoints, what));
}

void BM_SweeperEvaluate(benchmark::State &state) {
    RunEvaluation(state, true, "");
}

void BM_SweeperWithoutWrites(benchmark::State &state) {
    RunEvaluation(state, false, " no-writes");
}

/// What the host adds around an evaluation after an attribute change: the previous sweep taken back
/// through the undo journal, then the evaluation and the draw passes.
void BM_SweeperHostRefresh(benchmark::State &state) {
    const unsigned points = unsigned(state.range(0)), profilePoints = unsigned(state.range(1));
    std::unique_ptr<host::Host> h = bench::NewHost();
    host::ItemData &helix = host::AddMesh(*h, Helix(points));
    for (unsigned i = 0; i < points; ++i) h->selection.SelectVertex(*helix.mesh, i);
    const std::string shape = std::to_string(ShapeOf(profilePoints));
    if (!h->RunLine("tool.attr gORVA.Sweeper profile_shape " + shape).ok() ||
        !h->RunLine("tool.attr gORVA.Sweeper make_uvs true").ok() ||
        !h->RunLine("tool.set gORVA.Sweeper on").ok() || !h->RunLine("tool.press part:-1").ok()) {
        state.SkipWithError("the tool did not start on the helix");
        return;
    }
    for (auto _ : state) h->Tools().Refresh();
    state.SetItemsProcessed(int64_t(state.iterations()) * points * profilePoints);
    state.SetLabel(Label(profilePoints, " host-refresh"));
}

/// The module's geometry without the host: a path on the helix in world space and a placed profile.
struct GeometryFixture {
    sw::SweepPath path;
    pr::ProfileState profile;
    std::vector<qk::math::Vector3> points, placed, cap;
    sw::SweepOutputSettings settings;
    sw::SweepOutput output;

    GeometryFixture(unsigned pathPoints, unsigned profilePoints) {
        const host::MeshShape helix = Helix(pathPoints);
        std::vector<qk::Point> selected;
        for (const auto &p : helix.points) selected.push_back({p[0], p[1], p[2], nullptr});
        const qk::math::Matrix4 identity;
        path.SetWorldTransforms(identity, identity, identity, identity);
        path.GatherPathPoints(selected);
        path.SetupPathNodes(selected);
        pr::FillBuiltInProfile(points, pr::ProfileShapes{ShapeOf(profilePoints)});
        const qk::math::Box box = pr::ProfileBox(points);
        pr::ProfileSize size;
        bool uniform = false;
        profile.Initialize();
        profile.SetProfileSize(box, true, size, uniform);
        path.SizeRingTables(points.size());
        profile.PlaceProfile(placed, points, path.StartFrame(), identity);
        profile.CapOutline(cap, points);
        sw::PathEndSettings ends;
        path.RestorePathEnds(ends);
        settings.makeUVs = true;
    }
    bool Build() {
        return path.ProjectPointsAlongPath(placed) == sw::PATH_OK &&
               output.Build(path, placed, cap, settings);
    }
};

GeometryFixture &SharedGeometry(unsigned points, unsigned profilePoints) {
    static std::unique_ptr<GeometryFixture> fixture;
    static std::pair<unsigned, unsigned> built{0, 0};
    if (built != std::make_pair(points, profilePoints)) {
        fixture = std::make_unique<GeometryFixture>(points, profilePoints);
        built = {points, profilePoints};
    }
    return *fixture;
}

void BM_SweeperGeometry(benchmark::State &state) {
    const unsigned points = unsigned(state.range(0)), profilePoints = unsigned(state.range(1));
    GeometryFixture &g = SharedGeometry(points, profilePoints);
    for (auto _ : state)
        if (!g.Build()) state.SkipWithError("the sweep could not be built");
    state.SetItemsProcessed(int64_t(state.iterations()) * points * profilePoints);
    state.SetLabel(Label(profilePoints, " geometry"));
}

/// The same SDK calls as an evaluation's write and nothing else: points, faces, part tags and corner
/// UVs from ready arrays, in one writable scan; what they made is dropped between runs, untimed.
void BM_SweeperSdkFloor(benchmark::State &state) {
    const unsigned points = unsigned(state.range(0)), profilePoints = unsigned(state.range(1));
    GeometryFixture &g = SharedGeometry(points, profilePoints);
    if (!g.Build()) {
        state.SkipWithError("the sweep could not be built");
        return;
    }
    // One host per size for all runs, so that every run finds the host's arrays grown, as the tool's does.
    static std::unique_ptr<host::Host> h;
    static host::MeshData *target = nullptr;
    static unsigned built = 0;
    if (built != points) {
        h = bench::NewHost();
        target = host::AddMesh(*h, Helix(points)).mesh.get();
        built = points;
    }
    const uint32_t before = points;
    h->Install();
    CLxUser_LayerService layers;
    std::vector<LXtPointID> ids(g.output.Positions().size());
    const std::vector<int> &starts = g.output.PolygonStarts();
    const std::vector<int> &corners = g.output.CornerVertices();
    const std::vector<sw::UVPair> &uvs = g.output.CornerUVs();
    std::vector<LXtPointID> face;
    for (auto _ : state) {
        CLxUser_LayerScan scan;
        CLxUser_Mesh mesh;
        CLxUser_Point pointAcc;
        CLxUser_Polygon polyAcc;
        CLxUser_MeshMap maps;
        CLxUser_StringTag tags;
        layers.BeginScan(LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_WRITEMESH, scan);
        scan.EditMeshByIndex(0, mesh);
        mesh.GetPoints(pointAcc);
        mesh.GetPolygons(polyAcc);
        mesh.GetMaps(maps);
        tags.set(static_cast<ILxUnknownID>(polyAcc));
        maps.SelectByName(LXi_VMAP_TEXTUREUV, "Texture");
        const LXtMeshMapID map = maps.ID();
        for (size_t i = 0; i < ids.size(); ++i) pointAcc.New(g.output.Positions()[i], &ids[i]);
        for (size_t p = 0; p + 1 < starts.size(); ++p) {
            face.clear();
            for (int c = starts[p]; c < starts[p + 1]; ++c) face.push_back(ids[size_t(corners[size_t(c)])]);
            LXtPolygonID polygon = nullptr;
            polyAcc.New(LXiPTYP_FACE, face.data(), unsigned(face.size()), 0, &polygon);
            polyAcc.Select(polygon);
            tags.Set(LXi_PTAG_PART, sw::SWEEPER_PART_NAME);
            for (int c = starts[p]; c < starts[p + 1]; ++c) {
                const float uv[2] = {float(uvs[size_t(c)].u), float(uvs[size_t(c)].v)};
                polyAcc.SetMapValue(face[size_t(c - starts[p])], map, uv);
            }
        }
        scan.SetMeshChange(0, LXf_MESHEDIT_POINTS | LXf_MESHEDIT_POLYGONS);
        scan.Apply();
        state.PauseTiming();
        target->Truncate(before, 0);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * points * profilePoints);
    state.SetLabel(Label(profilePoints, " raw"));
}

}  // namespace

// (path points, profile points): the goal's size, twice the path, and a 4-point profile. The median
// of three repetitions is reported, as single figures on a shared virtual machine vary.
#define GORVA_SWEEP_SIZES               \
    Args({10000, 38})                   \
        ->Args({20000, 38})             \
        ->Args({10000, 4})              \
        ->Unit(benchmark::kMillisecond) \
        ->MinWarmUpTime(0.2)            \
        ->MinTime(0.5)                  \
        ->GORVA_MEDIAN_OF_3
BENCHMARK(BM_SweeperEvaluate)->GORVA_SWEEP_SIZES;
BENCHMARK(BM_SweeperWithoutWrites)->GORVA_SWEEP_SIZES;
BENCHMARK(BM_SweeperGeometry)->GORVA_SWEEP_SIZES;
BENCHMARK(BM_SweeperSdkFloor)->GORVA_SWEEP_SIZES;
// The host's whole refresh at a few sizes, to show that it grows in step with the sweep.
BENCHMARK(BM_SweeperHostRefresh)
    ->Args({1000, 38})
    ->Args({2000, 38})
    ->Args({10000, 38})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
