// Mesh align at a million points: one evaluation of the applied move (the host takes the previous
// evaluation back first, as a viewport does), against the floor of a visitor that only reads and
// writes the same positions through the SDK in a writable scan, taken back the same way.
#include <benchmark/benchmark.h>

#include "bench_scenes.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "qk_visit.hpp"

using namespace gorva;

namespace {

struct AlignFixture {
    std::unique_ptr<host::Host> h;
    host::ItemData *grid = nullptr;
    host::ItemData *target = nullptr;
};

/// A ramp grid (layer 0) and a one-point target mesh (layer 1), built once per size.
AlignFixture &Shared(unsigned side) {
    static std::unique_ptr<AlignFixture> fixture;
    static unsigned built = 0;
    if (!fixture || built != side) {
        fixture.reset();
        fixture = std::make_unique<AlignFixture>();
        fixture->h = bench::NewHost();
        fixture->grid = &host::AddMesh(*fixture->h, bench::RampGrid(side));
        host::MeshShape target;
        target.name = "Target";
        target.points = {{3.0f, 2.0f, -1.0f}};
        fixture->target = &host::AddMesh(*fixture->h, target);
        built = side;
    }
    fixture->h->Install();
    return *fixture;
}

/// Reads each position and writes it back moved by a fixed displacement.
class MoveVisitor final : public CLxImpl_AbstractVisitor {
public:
    CLxUser_Point pt;
    LXtVector by = {0.25, 0.5, -0.125};
    LxResult Evaluate() override {
        LXtFVector p;
        pt.Pos(p);
        const LXtVector moved = {p[0] + by[0], p[1] + by[1], p[2] + by[2]};
        pt.SetPos(moved);
        return LXe_OK;
    }
};

void BM_MeshAlignEvaluate(benchmark::State &state) {
    AlignFixture &f = Shared(unsigned(state.range(0)));
    host::Host &h = *f.h;
    h.selection.ClearAll();
    h.selection.SetCurrent(host::kSelVertex);
    h.selection.SelectVertex(*f.grid->mesh, 0);
    h.selection.SelectVertex(*f.target->mesh, 0);
    host::CommandResult r = h.RunLine("tool.set gORVA.MeshAlignAToB on");
    if (r.ok()) r = h.RunLine("tool.press part:10000");
    if (r.ok()) r = h.RunLine("tool.release");
    if (!r.ok()) {
        state.SkipWithError(r.message.c_str());
        return;
    }
    for (auto _ : state) h.Tools().Refresh();
    h.RunLine("tool.drop");
    state.SetItemsProcessed(int64_t(state.iterations()) * f.grid->mesh->PointCount());
    state.SetLabel("points mesh-align");
}

void BM_MeshAlignFloor(benchmark::State &state) {
    AlignFixture &f = Shared(unsigned(state.range(0)));
    host::Host &h = *f.h;
    CLxUser_LayerService layers;
    for (auto _ : state) {
        const auto token = h.journal.Begin();
        CLxUser_LayerScan scan;
        CLxUser_Mesh mesh;
        MoveVisitor v;
        if (!layers.BeginScan(LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_WRITEMESH, scan) ||
            !scan.EditMeshByIndex(0, mesh) || !mesh.GetPoints(v.pt)) {
            state.SkipWithError("no writable grid");
            break;
        }
        qk::Visit(v.pt, v);
        scan.SetMeshChange(0, LXf_MESHEDIT_POSITION);
        scan.Apply();
        h.journal.Rollback(token);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * f.grid->mesh->PointCount());
    state.SetLabel("points floor read-write");
}

}  // namespace

// Side 1000 gives a million points, side 1414 two million: the cost should double with them.
#define GORVA_ALIGN_SIZES \
    Arg(1000)->Arg(1414)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.3)->MinTime(0.5)->GORVA_MEDIAN_OF_3
BENCHMARK(BM_MeshAlignEvaluate)->GORVA_ALIGN_SIZES;
BENCHMARK(BM_MeshAlignFloor)->GORVA_ALIGN_SIZES;
