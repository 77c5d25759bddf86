// What reading a million-element mesh costs: plain loops over the host's arrays (the raw
// baselines) and the host's own enumeration through a visitor and the SDK.
#include <benchmark/benchmark.h>

#include "bench_scenes.hpp"
#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "qk_visit.hpp"

using namespace gorva;

namespace {

struct Fixture {
    std::unique_ptr<host::Host> h;
    host::ItemData *item = nullptr;
    explicit Fixture(unsigned side) {
        h = bench::NewHost();
        item = &host::AddMesh(*h, bench::RampGrid(side));
        item->mesh->Edges();
    }
};

Fixture &Shared(unsigned side) {
    static std::unique_ptr<Fixture> fixture;
    static unsigned built = 0;
    if (built != side) {
        fixture.reset();
        fixture = std::make_unique<Fixture>(side);
        built = side;
    }
    fixture->h->Install();
    return *fixture;
}

void BM_RawPoints(benchmark::State &state) {
    host::MeshData &m = *Shared(unsigned(state.range(0))).item->mesh;
    for (auto _ : state) {
        double sum = 0;
        for (const auto &p : m.Positions()) sum += double(p[0]) + p[1] + p[2];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * m.PointCount());
    state.SetLabel("points raw");
}

void BM_RawEdges(benchmark::State &state) {
    host::MeshData &m = *Shared(unsigned(state.range(0))).item->mesh;
    const auto &ends = m.Edges().ends;
    for (auto _ : state) {
        double sum = 0;
        for (const auto &e : ends) {
            const auto &a = m.Positions()[e[0]];
            const auto &b = m.Positions()[e[1]];
            sum += double(a[1]) + b[1];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(ends.size()));
    state.SetLabel("edges raw");
}

void BM_RawPolygons(benchmark::State &state) {
    host::MeshData &m = *Shared(unsigned(state.range(0))).item->mesh;
    for (auto _ : state) {
        double sum = 0;
        for (uint32_t p = 0; p < m.PolygonCount(); ++p) {
            const uint32_t *v = m.Vertices(p);
            for (uint32_t i = 0, n = m.VertexCount(p); i < n; ++i) sum += m.Positions()[v[i]][1];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * m.PolygonCount());
    state.SetLabel("polygons raw");
}

class PointVisitor final : public CLxImpl_AbstractVisitor {
public:
    CLxUser_Point pt;
    double sum = 0;
    LxResult Evaluate() override {
        LXtFVector p;
        pt.Pos(p);
        sum += double(p[0]) + p[1] + p[2];
        return LXe_OK;
    }
};

class EdgeVisitor final : public CLxImpl_AbstractVisitor {
public:
    CLxUser_Point pt;
    CLxUser_Edge edge;
    double sum = 0;
    LxResult Evaluate() override {
        LXtPointID a, b;
        LXtFVector pa, pb;
        edge.Endpoints(&a, &b);
        pt.Select(a);
        pt.Pos(pa);
        pt.Select(b);
        pt.Pos(pb);
        sum += double(pa[1]) + pb[1];
        return LXe_OK;
    }
};

class PolygonVisitor final : public CLxImpl_AbstractVisitor {
public:
    CLxUser_Point pt;
    CLxUser_Polygon poly;
    double sum = 0;
    LxResult Evaluate() override {
        unsigned n = 0;
        poly.VertexCount(&n);
        for (unsigned i = 0; i < n; ++i) {
            LXtPointID id;
            LXtFVector p;
            poly.VertexByIndex(i, &id);
            pt.Select(id);
            pt.Pos(p);
            sum += p[1];
        }
        return LXe_OK;
    }
};

/// Visits without reading: the cost of the enumeration itself.
class CountingVisitor final : public CLxImpl_AbstractVisitor {
public:
    unsigned count = 0;
    LxResult Evaluate() override {
        ++count;
        return LXe_OK;
    }
};

bool BaseMesh(CLxUser_Mesh &mesh) {
    CLxUser_LayerService svc;
    CLxUser_LayerScan scan;
    return svc.BeginScan(LXf_LAYERSCAN_ACTIVE, scan) && scan.BaseMeshByIndex(0, mesh);
}

void BM_HostPoints(benchmark::State &state) {
    Fixture &f = Shared(unsigned(state.range(0)));
    CLxUser_Mesh mesh;
    BaseMesh(mesh);
    PointVisitor v;
    mesh.GetPoints(v.pt);
    for (auto _ : state) {
        qk::Visit(v.pt, v);
        benchmark::DoNotOptimize(v.sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * f.item->mesh->PointCount());
    state.SetLabel("points host");
}

void BM_HostEdges(benchmark::State &state) {
    Fixture &f = Shared(unsigned(state.range(0)));
    CLxUser_Mesh mesh;
    BaseMesh(mesh);
    EdgeVisitor v;
    mesh.GetPoints(v.pt);
    mesh.GetEdges(v.edge);
    for (auto _ : state) {
        qk::Visit(v.edge, v);
        benchmark::DoNotOptimize(v.sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * f.item->mesh->EdgeCount());
    state.SetLabel("edges host");
}

void BM_HostPolygons(benchmark::State &state) {
    Fixture &f = Shared(unsigned(state.range(0)));
    CLxUser_Mesh mesh;
    BaseMesh(mesh);
    PolygonVisitor v;
    mesh.GetPoints(v.pt);
    mesh.GetPolygons(v.poly);
    for (auto _ : state) {
        qk::Visit(v.poly, v);
        benchmark::DoNotOptimize(v.sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * f.item->mesh->PolygonCount());
    state.SetLabel("polygons host");
}

void BM_HostVisitPolygons(benchmark::State &state) {
    Fixture &f = Shared(unsigned(state.range(0)));
    CLxUser_Mesh mesh;
    BaseMesh(mesh);
    CLxUser_Polygon poly;
    mesh.GetPolygons(poly);
    CountingVisitor v;
    for (auto _ : state) {
        qk::Visit(poly, v);
        benchmark::DoNotOptimize(v.count);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * f.item->mesh->PolygonCount());
    state.SetLabel("polygons host-visit-only");
}

/// One point moved in every one of many small layers through one writable scan, then applied:
/// the cost of a scan's bookkeeping as the layer count grows (a scale over many items).
void BM_ScanApplyOverManyLayers(benchmark::State &state) {
    auto h = bench::NewHost();
    for (int64_t i = 0; i < state.range(0); ++i) host::AddMesh(*h, host::GridShape(1, 1));
    h->Install();
    CLxUser_LayerService service;
    for (auto _ : state) {
        CLxUser_LayerScan scan;
        service.BeginScan(LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_WRITEMESH, scan);
        const unsigned layers = scan.NumLayers();
        for (unsigned i = 0; i < layers; ++i) {
            CLxUser_Mesh mesh;
            CLxUser_Point point;
            scan.EditMeshByIndex(i, mesh);
            mesh.GetPoints(point);
            point.SelectByIndex(0);
            LXtVector pos = {0.5, double(i), 0.0};
            point.SetPos(pos);
            scan.SetMeshChange(i, LXf_MESHEDIT_POSITION);
        }
        benchmark::DoNotOptimize(scan.Apply());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
    state.SetLabel("layers");
}

}  // namespace

BENCHMARK(BM_ScanApplyOverManyLayers)->Arg(8000)->Arg(16000)->Arg(32000)->Unit(benchmark::kMillisecond);

#define GORVA_SIZES Arg(707)->Arg(1000)->Arg(1414)->Unit(benchmark::kMillisecond)->GORVA_MEDIAN_OF_3
BENCHMARK(BM_RawPoints)->GORVA_SIZES;
BENCHMARK(BM_RawEdges)->GORVA_SIZES;
BENCHMARK(BM_RawPolygons)->GORVA_SIZES;
BENCHMARK(BM_HostPoints)->GORVA_SIZES;
BENCHMARK(BM_HostEdges)->GORVA_SIZES;
BENCHMARK(BM_HostPolygons)->GORVA_SIZES;
BENCHMARK(BM_HostVisitPolygons)->GORVA_SIZES;
