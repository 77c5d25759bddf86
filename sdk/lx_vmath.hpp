// The SDK's small vector helpers that plug-ins use as they stand.
#pragma once

#include "lx_types.hpp"

namespace lx {

/// Row-vector transform of a point: out = (p, 1) * m, summed row 0..3 in order; out may alias p.
inline void Matrix4Multiply(LXtVector out, const LXtMatrix4 m, const LXtVector p) {
    double r[3];
    for (int i = 0; i < 3; ++i) r[i] = p[0] * m[0][i] + p[1] * m[1][i] + p[2] * m[2][i] + 1.0 * m[3][i];
    out[0] = r[0];
    out[1] = r[1];
    out[2] = r[2];
}

/// 4x4 product out = a * b (a applies first under the row-vector convention); out may alias a or b.
inline void Matrix4Multiply(LXtMatrix4 out, const LXtMatrix4 a, const LXtMatrix4 b) {
    double r[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out[i][j] = r[i][j];
}

}  // namespace lx
