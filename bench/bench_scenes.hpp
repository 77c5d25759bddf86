// Meshes the benchmarks run on, built once per size and shared by every benchmark.
#pragma once

#include <memory>

#include "tests/support/shapes.hpp"
#include "host/host.hpp"

/// Three repetitions of which only the aggregates are reported; the table reads the median.
#define GORVA_MEDIAN_OF_3 Repetitions(3)->ReportAggregatesOnly(true)

namespace gorva::bench {

/// A host with the in-process module attached and nothing in the scene.
std::unique_ptr<host::Host> NewHost();

/// A side x side grid of quads in the XZ plane (side^2 polygons, about 2 side^2 edges).
host::MeshShape FlatGrid(unsigned side);
/// The same grid with every row of points one millimetre higher than the one before plus a
/// scrambled jitter, so that few elements share a height or a normal.
host::MeshShape RampGrid(unsigned side);

}  // namespace gorva::bench
