#include "bench_scenes.hpp"

#include "lx_wrap.hpp"

// The SDK's module entry, in its common library.
extern "C" ILxModuleID _ILxModule_Create(void);

namespace gorva::bench {

std::unique_ptr<host::Host> NewHost() {
    auto h = std::make_unique<host::Host>();
    h->AttachModule(_ILxModule_Create());
    return h;
}

host::MeshShape FlatGrid(unsigned side) {
    return host::GridShape(side, side);
}

host::MeshShape RampGrid(unsigned side) {
    host::MeshShape shape = host::GridShape(side, side);
    for (size_t k = 0; k < shape.points.size(); ++k) {
        size_t row = k / (side + 1);
        // Rows climb a millimetre each; a scrambled jitter of up to 13 mm gives the quads normals
        // that differ by far more than the 1e-6 the commands compare with.
        float jitter = float((uint32_t(k) * 2654435761u) % 1009u) * 1.3e-5f;
        shape.points[k][1] = float(row) * 0.001f + jitter;
    }
    return shape;
}

}  // namespace gorva::bench
