// One evaluation of the bounding-box tool moving a million selected vertices, and one of the vector
// scale tool scaling a million-point mesh, each against the SDK floor measured in the same run: a
// visitor that only reads every position and writes it back moved, through a writable layer scan. The
// tools are activated and given their move or factor outside the timing; each timed evaluation runs
// inside a journal savepoint that is rolled back untimed, as the host does before the next one.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench_scenes.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "lx_tool.hpp"
#include "qk_visit.hpp"

using namespace gorva;

namespace {

struct Fixture {
    std::unique_ptr<host::Host> h;
    host::ItemData *item = nullptr;
};

/// A side x side grid with every point selected, built once per side.
Fixture &Shared(unsigned side) {
    // The fixture keeps tool instances until the program ends; the module's server table they belong
    // to is built before it, so that it is destroyed after it.
    static const bool moduleFirst = bench::NewHost() != nullptr;
    (void)moduleFirst;
    static std::unique_ptr<Fixture> fixture;
    static unsigned built = 0;
    if (built != side) {
        fixture.reset();
        fixture = std::make_unique<Fixture>();
        fixture->h = bench::NewHost();
        fixture->item = &host::AddMesh(*fixture->h, bench::FlatGrid(side));
        host::MeshData &mesh = *fixture->item->mesh;
        for (uint32_t p = 0; p < mesh.PointCount(); ++p) fixture->h->selection.SelectVertex(mesh, p);
        built = side;
    }
    fixture->h->Install();
    return *fixture;
}

bool Run(host::Host &h, const std::string &line, benchmark::State &state) {
    host::CommandResult r = h.RunLine(line);
    if (!r.ok()) state.SkipWithError((line + ": " + r.message).c_str());
    return r.ok();
}

/// Times the active tool's evaluation, each inside a savepoint rolled back untimed.
void TimeEvaluations(benchmark::State &state, host::Host &h) {
    CLxLoc_Tool tool;
    tool.set(h.Tools().ActiveObject());
    ILxUnknownID vts = static_cast<ILxUnknownID>(host::NewVectorStack(h.Tools()));
    // Before each evaluation the host takes the previous one back (its activation savepoint is the
    // first): the timed ones start from the meshes as activated, with nothing in the journal.
    h.journal.Rollback(0);
    for (auto _ : state) {
        host::Journal::Token token = h.journal.Begin();
        tool.Evaluate(vts);
        state.PauseTiming();
        h.journal.Rollback(token);
        state.ResumeTiming();
    }
    lx::ObjRelease(vts);
}

void Finish(benchmark::State &state, Fixture &f, const char *label) {
    state.SetItemsProcessed(int64_t(state.iterations()) * f.item->mesh->PointCount());
    state.SetLabel(label);
}

void BM_BBoxMoveVertices(benchmark::State &state) {
    Fixture &f = Shared(unsigned(state.range(0)));
    host::Host &h = *f.h;
    if (!Run(h, "select.typeFrom vertex", state) || !Run(h, "tool.set gORVA.BBox on", state) ||
        !Run(h, "tool.press part:10007", state) || !Run(h, "tool.drag 1001 0.5 1002", state) ||
        !Run(h, "tool.release", state))
        return;
    TimeEvaluations(state, h);
    Run(h, "tool.drop", state);
    Finish(state, f, "points bbox-move");
}

void BM_ScaleMesh(benchmark::State &state) {
    Fixture &f = Shared(unsigned(state.range(0)));
    host::Host &h = *f.h;
    if (!Run(h, "select.typeFrom polygon", state) || !Run(h, "tool.set gORVA.Scale on", state) ||
        !Run(h, "tool.attr gORVA.Scale scale_factor 1.5", state))
        return;
    TimeEvaluations(state, h);
    Run(h, "tool.drop", state);
    Finish(state, f, "points scale");
}

/// Reads each visited point and writes it back moved: the least a tool that moves points can do.
class MovePointsVisitor final : public CLxImpl_AbstractVisitor {
public:
    CLxUser_Point points;
    LxResult Evaluate() override {
        LXtFVector p;
        points.Pos(p);
        const LXtVector moved = {p[0] + 0.25, p[1] + 0.5, p[2] + 0.25};
        points.SetPos(moved);
        return LXe_OK;
    }
};

/// The floor: every point (selected ones when `selected`) read and written through a writable scan.
void BM_FloorMovePoints(benchmark::State &state) {
    Fixture &f = Shared(unsigned(state.range(0)));
    host::Host &h = *f.h;
    const bool selected = state.range(1) != 0;
    CLxUser_MeshService meshes;
    const LXtMarkMode mode = selected ? meshes.SetMode(LXsMARK_SELECT) : LXiMARK_ANY;
    CLxUser_LayerService layers;
    for (auto _ : state) {
        host::Journal::Token token = h.journal.Begin();
        CLxUser_LayerScan scan;
        CLxUser_Mesh mesh;
        MovePointsVisitor visitor;
        if (layers.BeginScan(0x151, scan) && scan.EditMeshByIndex(0, mesh) &&
            mesh.GetPoints(visitor.points)) {
            qk::Visit(visitor.points, visitor, mode);
            scan.SetMeshChange(0, LXf_MESHEDIT_POSITION);
            scan.Apply();
        }
        state.PauseTiming();
        h.journal.Rollback(token);
        state.ResumeTiming();
    }
    Finish(state, f, selected ? "points sdk-floor-selected" : "points sdk-floor-all");
}

}  // namespace

// Side 1000 gives a million points, side 1414 two million: the cost grows linearly.
#define GORVA_TOOL_SIZES(side) \
    Arg(side)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.3)->MinTime(0.5)->GORVA_MEDIAN_OF_3
BENCHMARK(BM_BBoxMoveVertices)->GORVA_TOOL_SIZES(1000)->GORVA_TOOL_SIZES(1414);
BENCHMARK(BM_ScaleMesh)->GORVA_TOOL_SIZES(1000)->GORVA_TOOL_SIZES(1414);
#define GORVA_FLOOR_SIZES(side)         \
    Args({side, 1})                     \
        ->Args({side, 0})               \
        ->Unit(benchmark::kMillisecond) \
        ->MinWarmUpTime(0.3)            \
        ->MinTime(0.5)                  \
        ->GORVA_MEDIAN_OF_3
BENCHMARK(BM_FloorMovePoints)->GORVA_FLOOR_SIZES(1000)->GORVA_FLOOR_SIZES(1414);
