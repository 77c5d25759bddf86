#include "qk_matrix.hpp"

#include <cmath>
#include <utility>

#include "qk_constants.hpp"

namespace qk {
namespace math {

Matrix4 FrameMatrix(const LXtMatrix rotation, const Vector3 &translation) {
    Matrix4 m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.m[i][j] = rotation[i][j];
    SetTranslation(m, translation);
    return m;
}

Matrix4 AxisRotationMatrix(int axis, double angle) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    Matrix4 m;
    if (axis == 0) {
        m.m[1][1] = c, m.m[1][2] = -s;
        m.m[2][1] = s, m.m[2][2] = c;
    } else if (axis == 1) {
        m.m[0][0] = c, m.m[0][2] = s;
        m.m[2][0] = -s, m.m[2][2] = c;
    } else if (axis == 2) {
        m.m[0][0] = c, m.m[0][1] = -s;
        m.m[1][0] = s, m.m[1][1] = c;
    }
    return m;
}

Matrix4 TransposedRotation(const Matrix4 &m) {
    Matrix4 r = m;
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) std::swap(r.m[i][j], r.m[j][i]);
    return r;
}

Matrix4 NegatedTranslation(const Matrix4 &m) {
    Matrix4 r = m;
    for (int j = 0; j < 3; ++j) r.m[3][j] = 0.0 - m.m[3][j];
    return r;
}

bool InvertedScale(const Matrix4 &m, Matrix4 &inverse) {
    Matrix4 r = m;
    for (int i = 0; i < 3; ++i) {
        r.m[i][i] = 1.0 / m.m[i][i] + 0.0;
        // A zero scale has no inverse; infinities would spread into every transformed point.
        if (m.m[i][i] == 0.0 || !std::isfinite(r.m[i][i])) return false;
    }
    inverse = r;
    return true;
}

bool NearlyEqual(const Matrix4 &a, const Matrix4 &b, double tol) {
    // Written as d <= tol so that a NaN difference counts as out of tolerance.
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (!(std::fabs(a.m[i][j] - b.m[i][j]) <= tol)) return false;
    return true;
}

bool Matrix4IsIdentity(const Matrix4 &m) {
    return NearlyEqual(m, Matrix4(), constants::EPSILON);
}

void RotationColumns(const Matrix4 &m, LXtMatrix out) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out[i][j] = m.m[j][i];
}

}  // namespace math
}  // namespace qk
