#include "bench_scenes.hpp"

#include "lx_module.hpp"

namespace gorva::bench {

std::unique_ptr<host::Host> NewHost() {
    auto h = std::make_unique<host::Host>();
    void *module = nullptr;
    lx::CreateModule(h->Root(), &module, &initialize);
    h->AttachModule(static_cast<ILxModule *>(module));
    return h;
}

host::MeshSpec FlatGrid(unsigned side) {
    return host::GridSpec(side, side);
}

host::MeshSpec RampGrid(unsigned side) {
    host::MeshSpec shape = host::GridSpec(side, side);
    for (size_t k = 0; k < shape.points.size(); ++k) {
        size_t row = k / (side + 1);
        // Rows climb a millimetre each; a scrambled micrometre jitter gives every quad its own normal.
        float jitter = float((uint32_t(k) * 2654435761u) % 1000u) * 1e-6f;
        shape.points[k][1] = float(row) * 0.001f + jitter;
    }
    return shape;
}

}  // namespace gorva::bench
