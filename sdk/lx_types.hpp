// Plain value types of the host SDK: vectors, matrices, ids and opaque element handles.
#pragma once

#include "lx_result.hpp"

typedef double LXtVector[3];
typedef float LXtFVector[3];
typedef double LXtVector4[4];
typedef double LXtMatrix[3][3];
typedef double LXtMatrix4[4][4];

/// Four characters packed into 32 bits, the first in the most significant byte ('VERX' = 0x56455258).
typedef unsigned LXtID4;
typedef unsigned LXtMarkMode;
typedef int LXtItemType;

#define LXxID4(a, b, c, d) \
    ((LXtID4)(((unsigned)(a) << 24) | ((unsigned)(b) << 16) | ((unsigned)(c) << 8) | (unsigned)(d)))

/// Opaque element handles; only meaningful together with the mesh that handed them out.
typedef struct st_LXtPointID *LXtPointID;
typedef struct st_LXtPolygonID *LXtPolygonID;
typedef struct st_LXtEdgeID *LXtEdgeID;
typedef struct st_LXtMeshMapID *LXtMeshMapID;

/// Axis-aligned box as the host reports it.
struct LXtBBox {
    LXtVector min;
    LXtVector max;
    LXtVector extent;
    LXtVector center;
};

/// One row of a text-value hint table; a table ends with {-1, nullptr}.
struct LXtTextValueHint {
    int value;
    const char *name;
};
