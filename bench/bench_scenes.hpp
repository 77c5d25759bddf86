// Meshes the benchmarks run on, built once per size and shared by every benchmark.
#pragma once

#include <memory>

#include "host/builders.hpp"
#include "host/host.hpp"

namespace gorva::bench {

/// A host with the in-process module attached and nothing in the scene.
std::unique_ptr<host::Host> NewHost();

/// A side x side grid of quads in the XZ plane (side^2 polygons, about 2 side^2 edges).
host::MeshSpec FlatGrid(unsigned side);
/// The same grid with every row of quads one millimetre higher than the one before, and every
/// quad tilted a little differently, so that heights and normals vary.
host::MeshSpec RampGrid(unsigned side);

}  // namespace gorva::bench
