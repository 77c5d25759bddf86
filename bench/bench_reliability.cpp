// Inputs that used to cost more than their size: growing a polygon selection across a fan where
// every polygon meets at one point, a long run of selection lines (each one an undo step), and
// reading an OBJ file (time, and the memory it takes against the file's size). Each at 1x, 2x and
// 4x, so that a growth faster than linear shows.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <sstream>
#include <string>

#include "bench_scenes.hpp"
#include "host/io/obj_io.hpp"

using namespace gorva;

// ---- memory accounting: every allocation of the program, current and peak bytes

namespace {
std::atomic<size_t> g_current{0};
std::atomic<size_t> g_peak{0};

void *Counted(size_t size) {
    void *p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    size_t now = g_current.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void Uncounted(void *p) {
    if (!p) return;
    g_current.fetch_sub(malloc_usable_size(p));
    std::free(p);
}
}  // namespace

void *operator new(size_t size) {
    return Counted(size);
}
void *operator new[](size_t size) {
    return Counted(size);
}
void operator delete(void *p) noexcept {
    Uncounted(p);
}
void operator delete[](void *p) noexcept {
    Uncounted(p);
}
void operator delete(void *p, size_t) noexcept {
    Uncounted(p);
}
void operator delete[](void *p, size_t) noexcept {
    Uncounted(p);
}

namespace {

/// A fan of `count` triangles that all meet at the centre point.
host::MeshShape Fan(unsigned count) {
    host::MeshShape shape;
    shape.name = "Fan";
    shape.points.push_back({0, 0, 0});
    for (unsigned i = 0; i <= count; ++i) {
        double angle = 6.283185307179586 * i / (count + 1);
        shape.points.push_back({float(std::cos(angle)), 0.0f, float(std::sin(angle))});
    }
    for (unsigned i = 1; i <= count; ++i) shape.polygons.push_back({{0, i, i + 1}, "", ""});
    return shape;
}

void BM_PolygonConnectFan(benchmark::State &state) {
    auto h = bench::NewHost();
    const unsigned count = unsigned(state.range(0));
    host::ItemData &item = host::AddMesh(*h, Fan(count));
    for (auto _ : state) {
        h->selection.Clear(host::kSelPolygon);
        h->selection.SelectPolygon(*item.mesh, 0);
        if (!h->RunLine("select.polygonConnect").ok()) state.SkipWithError("select.polygonConnect failed");
        benchmark::DoNotOptimize(h->selection.Count(host::kSelPolygon));
    }
    if (h->selection.Count(host::kSelPolygon) != count) state.SkipWithError("not every polygon selected");
    state.SetItemsProcessed(int64_t(state.iterations()) * count);
}

void BM_SelectElementLines(benchmark::State &state) {
    auto h = bench::NewHost();
    const unsigned count = unsigned(state.range(0));
    host::AddMesh(*h, host::GridShape(400, 400));
    std::vector<std::string> lines;
    for (unsigned i = 0; i < count; ++i) lines.push_back("select.element 0 polygon add " + std::to_string(i));
    for (auto _ : state) {
        h->RunLine("select.drop polygon");
        for (const auto &line : lines)
            if (!h->RunLine(line).ok()) state.SkipWithError("select.element failed");
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * count);
}

/// An OBJ text of `count` vertices under one long group and material name: a face, a line and a
/// points element of 16 corners each per 16 vertices.
std::string ObjText(unsigned count) {
    std::string text;
    text += "g A group name as long as exporters write them, kept once\n";
    text += "usemtl A material name of the same kind, kept once as well\n";
    for (unsigned i = 0; i < count; ++i)
        text += "v " + std::to_string(i % 977) + " 0.5 " + std::to_string(i / 977) + "\n";
    for (unsigned i = 0; i + 16 <= count; i += 16) {
        for (const char *kind : {"f", "l", "p"}) {
            text += kind;
            for (unsigned k = 0; k < 16; ++k) text += " " + std::to_string(i + k + 1);
            text += "\n";
        }
    }
    return text;
}

/// The smallest lines that make polygons: one vertex and `count` point elements on it.
std::string PointCloudText(unsigned count) {
    std::string text = "v 0 0 0\n";
    for (unsigned i = 0; i < count; ++i) text += "p 1\n";
    return text;
}

void ObjRead(benchmark::State &state, const std::string &text) {
    size_t parsePeak = 0, openPeak = 0;
    for (auto _ : state) {
        size_t before = g_current.load();
        g_peak.store(before);
        {
            std::istringstream in(text);
            host::ObjFile file;
            std::string error;
            if (!host::ParseObj(in, "bench.obj", "Mesh", file, error)) state.SkipWithError(error.c_str());
            parsePeak = g_peak.load() - before;
            auto h = std::make_unique<host::Host>();
            host::AddObjObjects(*h, file);
            openPeak = g_peak.load() - before;
        }
    }
    state.counters["file_MB"] = double(text.size()) / 1e6;
    state.counters["parse_x_file"] = double(parsePeak) / double(text.size());
    state.counters["open_x_file"] = double(openPeak) / double(text.size());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

void BM_ObjRead(benchmark::State &state) {
    ObjRead(state, ObjText(unsigned(state.range(0))));
}

void BM_ObjReadPointLines(benchmark::State &state) {
    ObjRead(state, PointCloudText(unsigned(state.range(0))));
}

}  // namespace

BENCHMARK(BM_PolygonConnectFan)
    ->Arg(20000)
    ->Arg(40000)
    ->Arg(80000)
    ->Unit(benchmark::kMillisecond)
    ->GORVA_MEDIAN_OF_3;
BENCHMARK(BM_SelectElementLines)
    ->Arg(25000)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->GORVA_MEDIAN_OF_3;
BENCHMARK(BM_ObjRead)
    ->Arg(100000)
    ->Arg(200000)
    ->Arg(400000)
    ->Unit(benchmark::kMillisecond)
    ->GORVA_MEDIAN_OF_3;
BENCHMARK(BM_ObjReadPointLines)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->GORVA_MEDIAN_OF_3;
