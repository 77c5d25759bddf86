// Writing and reading a million-polygon scene as a binary glTF file against the same scene as OBJ:
// each a whole save (checks, encoding, the safe write) or a whole open (reading, checks, the new
// scene). The mesh has a part tag on every polygon and a UV on every corner, as the tools leave them.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "bench_scenes.hpp"
#include "host/io/gltf_io.hpp"
#include "host/io/obj_io.hpp"
#include "lx_mesh.hpp"

using namespace gorva;

namespace {

constexpr unsigned kSide = 1000;  // 1,000,000 quads

std::string Path(const char *ext) {
    return (std::filesystem::temp_directory_path() / ("gorva_bench_" + std::to_string(::getpid()) + ext))
        .string();
}

/// The scene, built once, and its files written once for the reading benchmarks.
struct SceneFiles {
    std::unique_ptr<host::Host> h = bench::NewHost();
    std::string glb = Path(".glb"), obj = Path(".obj");
    SceneFiles() {
        host::MeshData &mesh = *host::AddMesh(*h, bench::RampGrid(kSide)).mesh;
        uint32_t uv = 0;
        for (uint32_t p = 0; p < mesh.PolygonCount(); ++p) {
            mesh.SetTag(p, LXi_PTAG_PART, "gORVA__Sweeper_Geometry");
            for (uint32_t i = 0; i < mesh.VertexCount(p); ++i) {
                const auto &pos = mesh.Positions()[mesh.Vertices(p)[i]];
                float value[2] = {pos[0] / kSide, pos[2] / kSide};
                mesh.SetMapValue(uv, mesh.FirstCorner(p) + i, value);
            }
        }
        std::string error;
        if (!host::SaveGltfScene(*h, glb, error) || !host::SaveObjScene(h->scene, obj, error)) std::abort();
    }
    ~SceneFiles() {
        std::remove(glb.c_str());
        std::remove(obj.c_str());
    }
};

SceneFiles &Shared() {
    static SceneFiles files;
    files.h->Install();
    return files;
}

void Save(benchmark::State &state, bool gltf) {
    SceneFiles &f = Shared();
    std::string path = Path(gltf ? "-out.glb" : "-out.obj"), error;
    for (auto _ : state)
        if (!(gltf ? host::SaveGltfScene(*f.h, path, error) : host::SaveObjScene(f.h->scene, path, error)))
            state.SkipWithError(error.c_str());
    state.counters["MB"] = double(std::filesystem::file_size(path)) / 1e6;
    std::remove(path.c_str());
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
    state.SetLabel(gltf ? "polygons save glb" : "polygons save obj");
}

void Open(benchmark::State &state, bool gltf) {
    SceneFiles &f = Shared();
    host::Host target;
    std::string error;
    for (auto _ : state)
        if (!(gltf ? host::OpenGltfScene(target, f.glb, error) : host::OpenObjScene(target, f.obj, error)))
            state.SkipWithError(error.c_str());
    f.h->Install();
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
    state.SetLabel(gltf ? "polygons open glb" : "polygons open obj");
}

/// The bytes of the file alone, without the disk.
void Encode(benchmark::State &state, bool gltf) {
    SceneFiles &f = Shared();
    for (auto _ : state) {
        std::string bytes, error;
        std::vector<std::string> warnings;
        if (gltf) {
            if (!host::WriteGltf(f.h->scene, true, 1, bytes, warnings, error))
                state.SkipWithError(error.c_str());
        } else {
            std::ostringstream out;
            host::WriteObj(f.h->scene, out);
            bytes = out.str();
        }
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
    state.SetLabel(gltf ? "polygons encode glb" : "polygons encode obj");
}

void BM_EncodeGlb(benchmark::State &state) {
    Encode(state, true);
}
void BM_EncodeObj(benchmark::State &state) {
    Encode(state, false);
}
void BM_SaveGlb(benchmark::State &state) {
    Save(state, true);
}
void BM_SaveObj(benchmark::State &state) {
    Save(state, false);
}
void BM_OpenGlb(benchmark::State &state) {
    Open(state, true);
}
void BM_OpenObj(benchmark::State &state) {
    Open(state, false);
}

}  // namespace

BENCHMARK(BM_EncodeGlb)->Unit(benchmark::kMillisecond)->Iterations(1)->GORVA_MEDIAN_OF_3;
BENCHMARK(BM_EncodeObj)->Unit(benchmark::kMillisecond)->Iterations(1)->GORVA_MEDIAN_OF_3;
BENCHMARK(BM_SaveGlb)->Unit(benchmark::kMillisecond)->Iterations(1)->GORVA_MEDIAN_OF_3;
BENCHMARK(BM_SaveObj)->Unit(benchmark::kMillisecond)->Iterations(1)->GORVA_MEDIAN_OF_3;
BENCHMARK(BM_OpenGlb)->Unit(benchmark::kMillisecond)->Iterations(1)->GORVA_MEDIAN_OF_3;
BENCHMARK(BM_OpenObj)->Unit(benchmark::kMillisecond)->Iterations(1)->GORVA_MEDIAN_OF_3;
