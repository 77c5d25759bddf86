#include "host/io/gltf_common.hpp"

#include <cmath>

namespace gorva::host::gltf {

Trs TrsOfItem(const ItemData &item) {
    Trs t;
    t.translation = {item.Channel("pos.X"), item.Channel("pos.Y"), item.Channel("pos.Z")};
    t.scale = {item.Channel("scl.X", 1.0), item.Channel("scl.Y", 1.0), item.Channel("scl.Z", 1.0)};
    Matrix4 m = RotationFromEuler({item.Channel("rot.X"), item.Channel("rot.Y"), item.Channel("rot.Z")});
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t.rotation[i][j] = m[i][j];
    return t;
}

std::array<double, 3> EulerOf(const Rows &rotation) {
    double r[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = rotation[i][j];
    return EulerFromRows(r);
}

std::array<double, 4> QuaternionOf(const Rows &rows) {
    // The column-vector matrix is the transpose of the rows.
    auto m = [&rows](int i, int j) { return rows[j][i]; };
    double trace = m(0, 0) + m(1, 1) + m(2, 2);
    std::array<double, 4> q;
    if (trace > 0) {
        double s = 2.0 * std::sqrt(trace + 1.0);
        q = {(m(2, 1) - m(1, 2)) / s, (m(0, 2) - m(2, 0)) / s, (m(1, 0) - m(0, 1)) / s, 0.25 * s};
    } else if (m(0, 0) > m(1, 1) && m(0, 0) > m(2, 2)) {
        double s = 2.0 * std::sqrt(1.0 + m(0, 0) - m(1, 1) - m(2, 2));
        q = {0.25 * s, (m(0, 1) + m(1, 0)) / s, (m(0, 2) + m(2, 0)) / s, (m(2, 1) - m(1, 2)) / s};
    } else if (m(1, 1) > m(2, 2)) {
        double s = 2.0 * std::sqrt(1.0 + m(1, 1) - m(0, 0) - m(2, 2));
        q = {(m(0, 1) + m(1, 0)) / s, 0.25 * s, (m(1, 2) + m(2, 1)) / s, (m(0, 2) - m(2, 0)) / s};
    } else {
        double s = 2.0 * std::sqrt(1.0 + m(2, 2) - m(0, 0) - m(1, 1));
        q = {(m(0, 2) + m(2, 0)) / s, (m(1, 2) + m(2, 1)) / s, 0.25 * s, (m(1, 0) - m(0, 1)) / s};
    }
    double len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    for (double &v : q) v /= len;
    if (q[3] < 0)
        for (double &v : q) v = -v;  // one of the two quaternions of a rotation, always the same
    return q;
}

bool RowsOfQuaternion(std::array<double, 4> q, Rows &rows) {
    double len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (!(len > 0) || !std::isfinite(len)) return false;
    for (double &v : q) v /= len;
    double x = q[0], y = q[1], z = q[2], w = q[3];
    double m[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                      {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                      {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) rows[i][j] = m[j][i];
    return true;
}

Rows Multiply(const Rows &a, const Rows &b) {
    Rows r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r[i][j] += a[i][k] * b[k][j];
    return r;
}

Rows Transposed(const Rows &r) {
    Rows t;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t[i][j] = r[j][i];
    return t;
}

Rows UpTurn(int upAxis) {
    if (upAxis == 2) return {{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}};  // (x, y, z) to (x, z, -y)
    if (upAxis == 0) return {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}};  // (x, y, z) to (-y, x, z)
    return {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

Trs FollowedBy(const Trs &trs, const Rows &turn) {
    Trs t = trs;
    t.rotation = Multiply(trs.rotation, turn);
    for (int j = 0; j < 3; ++j)
        t.translation[j] = trs.translation[0] * turn[0][j] + trs.translation[1] * turn[1][j] +
                           trs.translation[2] * turn[2][j];
    return t;
}

}  // namespace gorva::host::gltf
