// The select commands and add light, run through the host as a user would, at a million
// elements: with one selected reference where few elements match, and where every element matches
// (the selection sweep included).
#include <benchmark/benchmark.h>

#include <cmath>

#include "bench_scenes.hpp"

using namespace gorva;

namespace {

enum class Scene { FlatGrid, RampGrid, MixedEdges, TwoLayers, Lights };

struct CommandFixture {
    std::unique_ptr<host::Host> h;
    std::vector<host::ItemData *> meshes;
};

/// A million edges in mixed directions, about one in fifty off the 15-degree grid: a grid whose
/// every fiftieth row of points is nudged along X.
host::MeshShape MixedEdgeGrid(unsigned side) {
    host::MeshShape shape = host::GridShape(side, side);
    for (size_t k = 0; k < shape.points.size(); ++k)
        if ((k / (side + 1)) % 50 == 1) shape.points[k][0] += 0.3f;
    return shape;
}

CommandFixture &Shared(Scene scene, unsigned side) {
    static std::unique_ptr<CommandFixture> fixture;
    static std::pair<Scene, unsigned> built{Scene::FlatGrid, 0};
    if (!fixture || built != std::make_pair(scene, side)) {
        fixture.reset();
        fixture = std::make_unique<CommandFixture>();
        fixture->h = bench::NewHost();
        host::Host &h = *fixture->h;
        switch (scene) {
            case Scene::FlatGrid:
                fixture->meshes.push_back(&host::AddMesh(h, bench::FlatGrid(side)));
                break;
            case Scene::RampGrid:
                fixture->meshes.push_back(&host::AddMesh(h, bench::RampGrid(side)));
                break;
            case Scene::MixedEdges:
                fixture->meshes.push_back(&host::AddMesh(h, MixedEdgeGrid(side)));
                break;
            case Scene::TwoLayers: {
                host::MeshShape a = bench::RampGrid(side), b = bench::RampGrid(side);
                a.position = {0, 1, 0};
                b.position = {0, 0, 5};
                b.rotation = {0, 0.5, 0};
                fixture->meshes.push_back(&host::AddMesh(h, a));
                fixture->meshes.push_back(&host::AddMesh(h, b));
                break;
            }
            case Scene::Lights:
                fixture->meshes.push_back(&host::AddMesh(h, bench::FlatGrid(side)));
                break;
        }
        for (auto *m : fixture->meshes) m->mesh->Edges();
        built = {scene, side};
    }
    fixture->h->Install();
    return *fixture;
}

/// Runs a command once per iteration after `prepare` sets the selection up (not timed).
template <class Prepare>
void RunCommand(benchmark::State &state, CommandFixture &f, const std::string &line, Prepare prepare,
                int64_t elements, const char *label) {
    for (auto _ : state) {
        state.PauseTiming();
        prepare(*f.h);
        state.ResumeTiming();
        host::CommandResult r = f.h->RunLine(line);
        if (!r.ok()) {
            state.SkipWithError(r.message.c_str());
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * elements);
    state.counters["selected"] =
        double(f.h->selection.Count(host::kSelVertex) + f.h->selection.Count(host::kSelEdge) +
               f.h->selection.Count(host::kSelPolygon));
    state.SetLabel(label);
}

/// Makes one element of the type the whole selection: the command's reference.
void SelectOnly(host::Host &h, host::SelType type, host::ItemData &mesh) {
    h.selection.ClearAll();
    if (type == host::kSelVertex) h.selection.SelectVertex(*mesh.mesh, 5);
    if (type == host::kSelEdge) h.selection.SelectEdge(*mesh.mesh, 0, 1);
    if (type == host::kSelPolygon) h.selection.SelectPolygon(*mesh.mesh, 3);
}

/// A select command on a grid whose side is range 0: few matches on the ramp grid, every element
/// on the flat grid when range 1 is set.
void RunSelect(benchmark::State &state, const char *line, host::SelType type) {
    bool all = state.range(1) != 0;
    CommandFixture &f = Shared(all ? Scene::FlatGrid : Scene::RampGrid, unsigned(state.range(0)));
    host::ItemData &m = *f.meshes[0];
    static const char *const kKinds[] = {"points", "edges", "polygons"};
    int64_t count = type == host::kSelVertex ? m.mesh->PointCount()
                    : type == host::kSelEdge ? m.mesh->EdgeCount()
                                             : m.mesh->PolygonCount();
    std::string label = std::string(kKinds[type]) + (all ? " all-match" : " few-match");
    RunCommand(
        state, f, line, [&](host::Host &h) { SelectOnly(h, type, m); }, count, label.c_str());
}

void BM_HeightVertices(benchmark::State &state) {
    RunSelect(state, "gORVA.Cmd.SelectbyHeight match_mode:0", host::kSelVertex);
}

void BM_HeightEdges(benchmark::State &state) {
    RunSelect(state, "gORVA.Cmd.SelectbyHeight match_mode:0", host::kSelEdge);
}

void BM_HeightPolygons(benchmark::State &state) {
    RunSelect(state, "gORVA.Cmd.SelectbyHeight match_mode:0", host::kSelPolygon);
}

void BM_HeightTwoLayersWorld(benchmark::State &state) {
    CommandFixture &f = Shared(Scene::TwoLayers, unsigned(state.range(0)));
    std::string err;
    f.h->SetUserValue("gORVA_01_SelectbyHeight_UseItemXfrms", "1", err);
    host::ItemData &m = *f.meshes[0];
    RunCommand(
        state, f, "gORVA.Cmd.SelectbyHeight match_mode:0",
        [&](host::Host &h) { SelectOnly(h, host::kSelPolygon, m); }, m.mesh->PolygonCount() * 2,
        "polygons few-match");
    f.h->SetUserValue("gORVA_01_SelectbyHeight_UseItemXfrms", "0", err);
}

void BM_NormalFast(benchmark::State &state) {
    RunSelect(state, "gORVA.Cmd.SelectbyNormal match_mode:0", host::kSelPolygon);
}

/// Every polygon of a flat grid selected as a target (range 0 is the side): each polygon looks for a
/// target facing the same way in the same plane.
void BM_NormalEveryPolygonATarget(benchmark::State &state) {
    CommandFixture &f = Shared(Scene::FlatGrid, unsigned(state.range(0)));
    host::ItemData &m = *f.meshes[0];
    const uint32_t count = m.mesh->PolygonCount();
    RunCommand(
        state, f, "gORVA.Cmd.SelectbyNormal match_mode:0",
        [&](host::Host &h) {
            h.selection.ClearAll();
            for (uint32_t p = 0; p < count; ++p) h.selection.SelectPolygon(*m.mesh, p);
        },
        count, "polygons, every one a target");
}

/// A fan of range 0 triangles around one point, in full mode limited to the region joined to one
/// selected triangle: every edge of the region meets the fan's centre.
void BM_NormalContiguousFan(benchmark::State &state) {
    const uint32_t n = uint32_t(state.range(0));
    auto h = bench::NewHost();
    host::MeshShape fan;
    fan.name = "Fan";
    fan.points.push_back({0, 0, 0});
    for (uint32_t i = 0; i <= n; ++i) {
        const double a = 3.0 * double(i) / n;  // less than a full turn: every triangle faces up
        fan.points.push_back({float(10 * std::cos(a)), 0.0f, float(-10 * std::sin(a))});
    }
    for (uint32_t i = 1; i <= n; ++i) fan.polygons.push_back({{0, i, i + 1}, "", ""});
    host::ItemData &m = host::AddMesh(*h, fan);
    m.mesh->Edges();
    std::string err;
    h->SetUserValue("gORVA_01_SelectbyNormal_LimitToContiguous", "1", err);
    CommandFixture f;
    f.h = std::move(h);
    f.h->Install();
    RunCommand(
        state, f, "gORVA.Cmd.SelectbyNormal match_mode:1",
        [&](host::Host &target) {
            target.selection.ClearAll();
            target.selection.SelectPolygon(*m.mesh, 0);
        },
        n, "fan triangles, contiguous");
}

void BM_EdgeChecker(benchmark::State &state) {
    bool all = state.range(1) != 0;
    CommandFixture &f = Shared(all ? Scene::RampGrid : Scene::MixedEdges, unsigned(state.range(0)));
    host::ItemData &m = *f.meshes[0];
    RunCommand(
        state, f, "gORVA.Cmd.SelectEdgesbyAlignment",
        [&](host::Host &h) {
            h.selection.ClearAll();
            h.selection.SetCurrent(host::kSelEdge);
        },
        m.mesh->EdgeCount(), all ? "edges all-match" : "edges few-match");
}

void BM_AddLights1600(benchmark::State &state) {
    CommandFixture &f = Shared(Scene::Lights, 40);
    host::ItemData &m = *f.meshes[0];
    for (auto _ : state) {
        state.PauseTiming();
        // A fresh scene each time: the lights of the previous run would pile up.
        f.h->NewScene();
        host::ItemData &grid = host::AddMesh(*f.h, host::GridShape(40, 40));
        for (uint32_t p = 0; p < 1600; ++p) f.h->selection.SelectPolygon(*grid.mesh, p);
        state.ResumeTiming();
        host::CommandResult r = f.h->RunLine("gORVA.Cmd.AddLightAtPolyPos light_type:0 group_lights:1");
        if (!r.ok()) {
            state.SkipWithError(r.message.c_str());
            break;
        }
    }
    (void)m;
    state.SetLabel("lights");
}

}  // namespace

// Side 1000 gives a million polygons (two million edges); side 707 about a million edges; the
// second size doubles the element count to show the cost grows linearly. The warm-up runs leave
// out the first runs' page faults and cold caches; the median of three repetitions is reported,
// as single figures on a shared virtual machine vary by half.
#define GORVA_COMMAND_SIZES(side)       \
    Args({side, 0})                     \
        ->Args({side, 1})               \
        ->Unit(benchmark::kMillisecond) \
        ->MinWarmUpTime(0.3)            \
        ->MinTime(0.5)                  \
        ->GORVA_MEDIAN_OF_3
BENCHMARK(BM_HeightVertices)->GORVA_COMMAND_SIZES(1000)->GORVA_COMMAND_SIZES(1414);
BENCHMARK(BM_HeightEdges)->GORVA_COMMAND_SIZES(707)->GORVA_COMMAND_SIZES(1000);
BENCHMARK(BM_HeightPolygons)->GORVA_COMMAND_SIZES(1000)->GORVA_COMMAND_SIZES(1414);
BENCHMARK(BM_HeightTwoLayersWorld)
    ->Arg(707)
    ->Unit(benchmark::kMillisecond)
    ->MinWarmUpTime(0.3)
    ->MinTime(0.5)
    ->GORVA_MEDIAN_OF_3;
BENCHMARK(BM_NormalFast)->GORVA_COMMAND_SIZES(1000)->GORVA_COMMAND_SIZES(1414);
// 1x, 2x and 4x the elements.
BENCHMARK(BM_NormalEveryPolygonATarget)
    ->Arg(100)
    ->Arg(141)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->GORVA_MEDIAN_OF_3;
BENCHMARK(BM_NormalContiguousFan)
    ->Arg(20000)
    ->Arg(40000)
    ->Arg(80000)
    ->Unit(benchmark::kMillisecond)
    ->GORVA_MEDIAN_OF_3;
BENCHMARK(BM_EdgeChecker)->GORVA_COMMAND_SIZES(707)->GORVA_COMMAND_SIZES(1000);
BENCHMARK(BM_AddLights1600)->Unit(benchmark::kMillisecond)->Iterations(3)->GORVA_MEDIAN_OF_3;
