// A mesh vertex position together with the identifier of the vertex it came from.
#pragma once

#include "lxmesh.h"

namespace qk {

/// Position (metres, in the mesh's own coordinates) and the vertex's identifier; id is null when the
/// position does not come from a vertex.
struct Point {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    LXtPointID id = nullptr;
};

}  // namespace qk
