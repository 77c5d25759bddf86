// PNG pictures of 1,400 x 800 pixels, written to a file as `render` writes them: a town of a
// million polygons (boxes of varied heights on a floor) through OpenGL and through cairo's painter
// in the same run, and the demo's facade. The CPU column counts every thread (Mesa rasterises in
// its own), so it holds where other work on the machine stretches the wall-clock time.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench_scenes.hpp"
#include "host/pictures/render.hpp"

namespace {

using namespace gorva;

/// `side` x `side` boxes of six quads each on one floor quad, in one mesh.
host::MeshShape Town(unsigned side) {
    host::MeshShape town;
    town.name = "Town";
    const float pitch = 1.0f, size = 0.7f, extent = side * pitch;
    town.points = {{0, 0, 0}, {0, 0, extent}, {extent, 0, extent}, {extent, 0, 0}};
    town.polygons.push_back({{0, 1, 2, 3}, "Floor", ""});
    for (unsigned i = 0; i < side; ++i)
        for (unsigned j = 0; j < side; ++j) {
            float x = i * pitch + 0.15f, z = j * pitch + 0.15f;
            float height = 0.3f + float((i * 7919u + j * 104729u) % 97u) * 0.05f;
            host::MeshShape box = host::BoxShape({x, 0, z}, {x + size, height, z + size});
            uint32_t base = uint32_t(town.points.size());
            town.points.insert(town.points.end(), box.points.begin(), box.points.end());
            for (auto &poly : box.polygons) {
                for (auto &v : poly.vertices) v += base;
                poly.material = "Block";
                town.polygons.push_back(poly);
            }
        }
    return town;
}

host::ViewOptions Wide(bool openGl) {
    host::ViewOptions opts;
    opts.width = 1400, opts.height = 800;
    opts.openGl = openGl;
    return opts;
}

void Render(benchmark::State &state, host::Host &h, const host::ViewOptions &opts, const std::string &name) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::string error;
    for (auto _ : state)
        if (!host::RenderScene(h, path, opts, error)) state.SkipWithError(error.c_str());
    std::filesystem::remove(path);
}

void BM_PictureOfAMillionPolygons(benchmark::State &state) {
    static auto h = [] {
        auto made = bench::NewHost();
        host::AddMesh(*made, Town(408));  // 408^2 boxes of 6 quads and a floor: 998,785 polygons
        return made;
    }();
    const bool openGl = state.range(0) != 0;
    state.SetLabel(openGl ? "OpenGL" : "cairo painter");
    Render(state, *h, Wide(openGl), "gorva_bench_town.png");
}

void BM_PictureOfTheFacade(benchmark::State &state) {
    static auto h = [] {
        auto made = bench::NewHost();
        made->RunLine("scene.open \"" GORVA_EXAMPLES_DIR "/facade.obj\"");
        return made;
    }();
    const bool openGl = state.range(0) != 0;
    state.SetLabel(openGl ? "OpenGL" : "cairo painter");
    Render(state, *h, Wide(openGl), "gorva_bench_facade.png");
}

}  // namespace

BENCHMARK(BM_PictureOfAMillionPolygons)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_PictureOfTheFacade)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
