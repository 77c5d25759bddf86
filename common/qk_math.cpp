#include "qk_math.hpp"

#include <cfloat>
#include <utility>

#include "qk_constants.hpp"

namespace qk {
namespace math {

namespace {

// Written as d <= tol so that a NaN difference counts as out of tolerance.
bool WithinTolerance(double a, double b, double tol) {
    return std::fabs(a - b) <= tol;
}

void SetRotationRows(LXtMatrix4 M, const double (&rows)[3][3]) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) M[i][j] = rows[i][j];
}

}  // namespace

// ---- vectors ----

bool LXtVectorNormalize(LXtVector v) {
    if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2])) return false;
    const double sum = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    if (sum >= DBL_MIN && sum <= DBL_MAX) {
        const double inv = 1.0 / std::sqrt(sum);
        for (int i = 0; i < 3; ++i) v[i] = v[i] * inv + 0.0;  // + 0.0 turns -0 into +0
        return true;
    }
    // The squares overflowed or underflowed: bring the largest component to 1 first.
    const double largest = std::fmax(std::fabs(v[0]), std::fmax(std::fabs(v[1]), std::fabs(v[2])));
    if (largest == 0.0) return false;
    const double s[3] = {v[0] / largest, v[1] / largest, v[2] / largest};
    const double length = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    for (int i = 0; i < 3; ++i) v[i] = s[i] / length + 0.0;
    return true;
}

bool LxtVectorCompareAbs(const LXtVector a, const LXtVector b, double tol) {
    for (int i = 0; i < 3; ++i)
        if (!WithinTolerance(a[i], b[i], tol)) return false;
    return true;
}

// ---- 3x3 matrices ----

void Matrix3SetIdentity(LXtMatrix M) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) M[i][j] = (i == j) ? 1.0 : 0.0;
}

void Matrix3Construct(LXtMatrix M, const LXtVector a, const LXtVector b, const LXtVector c) {
    for (int i = 0; i < 3; ++i) {
        M[i][0] = a[i];
        M[i][1] = b[i];
        M[i][2] = c[i];
    }
}

void Matrix3Transpose(LXtMatrix M) {
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) std::swap(M[i][j], M[j][i]);
}

void Matrix3SetScale(LXtMatrix M, double sx, double sy, double sz) {
    Matrix3SetIdentity(M);
    M[0][0] = sx;
    M[1][1] = sy;
    M[2][2] = sz;
}

void Matrix3GetAxisVectors(LXtVector a, LXtVector b, LXtVector c, const LXtMatrix M) {
    for (int i = 0; i < 3; ++i) {
        a[i] = M[i][0];
        b[i] = M[i][1];
        c[i] = M[i][2];
    }
}

// ---- 4x4 builders ----

void Matrix4SetIdentity(LXtMatrix4 M) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) M[i][j] = (i == j) ? 1.0 : 0.0;
}

void Matrix4Construct(LXtMatrix4 M, const LXtMatrix R, const LXtVector t) {
    Matrix4SetIdentity(M);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) M[i][j] = R[i][j];
    for (int j = 0; j < 3; ++j) M[3][j] = t[j];
}

void Matrix4SetScale(LXtMatrix4 M, double sx, double sy, double sz) {
    Matrix4SetIdentity(M);
    M[0][0] = sx;
    M[1][1] = sy;
    M[2][2] = sz;
}

void Matrix4SetRotation(LXtMatrix4 M, const LXtVector a, const LXtVector b, const LXtVector c) {
    Matrix4SetIdentity(M);
    for (int j = 0; j < 3; ++j) {
        M[0][j] = a[j];
        M[1][j] = b[j];
        M[2][j] = c[j];
    }
}

void Matrix4SetTranslation(LXtMatrix4 M, double x, double y, double z) {
    Matrix4SetIdentity(M);
    M[3][0] = x;
    M[3][1] = y;
    M[3][2] = z;
}

void Matrix4SetRotationByAxisAngle(LXtMatrix4 M, int axis, double angle) {
    Matrix4SetIdentity(M);
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    switch (axis) {
        case 0:
            SetRotationRows(M, {{1, 0, 0}, {0, c, -s}, {0, s, c}});
            break;
        case 1:
            SetRotationRows(M, {{c, 0, s}, {0, 1, 0}, {-s, 0, c}});
            break;
        case 2:
            SetRotationRows(M, {{c, -s, 0}, {s, c, 0}, {0, 0, 1}});
            break;
        default:
            break;
    }
}

Matrix4 AxisRotationMatrix(int axis, double angle) {
    Matrix4 m;
    Matrix4SetRotationByAxisAngle(m, axis, angle);
    return m;
}

void Matrix4SetCCWRotationByAxisAngle(LXtMatrix4 M, const int &axis, const double &angle) {
    Matrix4SetIdentity(M);
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    switch (axis) {
        case 0:
            SetRotationRows(M, {{1, 0, 0}, {0, c, s}, {0, -s, c}});
            break;
        case 1:
            SetRotationRows(M, {{c, 0, -s}, {0, 1, 0}, {s, 0, c}});
            break;
        case 2:
            SetRotationRows(M, {{c, s, 0}, {-s, c, 0}, {0, 0, 1}});
            break;
        default:
            break;
    }
}

// ---- 4x4 modifiers ----

void Matrix4ZeroiseTranslation(LXtMatrix4 M) {
    for (int j = 0; j < 3; ++j) M[3][j] = 0.0;
}

void Matrix4AddTranslation(LXtMatrix4 M, double x, double y, double z) {
    M[3][0] += x;
    M[3][1] += y;
    M[3][2] += z;
}

void Matrix4AddTranslation(LXtMatrix4 M, const LXtVector v) {
    Matrix4AddTranslation(M, v[0], v[1], v[2]);
}

bool Matrix4InvertScale(LXtMatrix4 M) {
    double inv[3];
    for (int i = 0; i < 3; ++i) {
        inv[i] = 1.0 / M[i][i] + 0.0;
        // A zero scale has no inverse; infinities would spread into every transformed point.
        if (M[i][i] == 0.0 || !std::isfinite(inv[i])) return false;
    }
    for (int i = 0; i < 3; ++i) M[i][i] = inv[i];
    return true;
}

void Matrix4InvertRotation(LXtMatrix4 M) {
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) std::swap(M[i][j], M[j][i]);
}

void Matrix4InvertTranslation(LXtMatrix4 M) {
    for (int j = 0; j < 3; ++j) M[3][j] = 0.0 - M[3][j];
}

// ---- 4x4 readers ----

namespace {
void GetRow(LXtVector v, const LXtMatrix4 M, int row) {
    for (int j = 0; j < 3; ++j) v[j] = M[row][j];
}
}  // namespace

void Matrix4GetRightAxis(LXtVector v, const LXtMatrix4 M) {
    GetRow(v, M, 0);
}
void Matrix4GetUpAxis(LXtVector v, const LXtMatrix4 M) {
    GetRow(v, M, 1);
}
void Matrix4GetFwdAxis(LXtVector v, const LXtMatrix4 M) {
    GetRow(v, M, 2);
}
void Matrix4GetTranslation(LXtVector v, const LXtMatrix4 M) {
    GetRow(v, M, 3);
}

void Matrix4GetVectors(LXtVector right, LXtVector up, LXtVector fwd, LXtVector translation,
                       const LXtMatrix4 M) {
    GetRow(right, M, 0);
    GetRow(up, M, 1);
    GetRow(fwd, M, 2);
    GetRow(translation, M, 3);
}

void Matrix4GetRotation(LXtMatrix R, const LXtMatrix4 M, MatrixOrder order) {
    const bool transpose = (order == MATRIX_ORDER_COLUMNS);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) R[i][j] = transpose ? M[j][i] : M[i][j];
}

bool Matrix4Compare(const LXtMatrix4 A, const LXtMatrix4 B, double tol) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (!WithinTolerance(A[i][j], B[i][j], tol)) return false;
    return true;
}

bool Matrix4CompareRotation(const LXtMatrix4 A, const LXtMatrix4 B, double tol) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (!WithinTolerance(A[i][j], B[i][j], tol)) return false;
    return true;
}

bool Matrix4CompareTranslation(const LXtMatrix4 A, const LXtMatrix4 B, double tol) {
    for (int j = 0; j < 3; ++j)
        if (!WithinTolerance(A[3][j], B[3][j], tol)) return false;
    return true;
}

// ---- value forms ----

bool WorldToLocalDisplacement(const Vector3 &w, const Matrix4 &rotation, const Matrix4 &scale,
                              Vector3 &local) {
    // The transpose undoes a pure rotation: each component is w projected on one of the rotation's axes.
    Vector3 v(Dot(w, RightAxis(rotation)), Dot(w, UpAxis(rotation)), Dot(w, FwdAxis(rotation)));
    for (int i = 0; i < 3; ++i) {
        const double s = scale.m[i][i];
        if (s == 0.0 || !std::isfinite(s)) return false;
        v.v[i] /= s;
    }
    if (!IsFinite(v)) return false;
    local = v;
    return true;
}

// ---- 2D box ----

void BBox2::Reset() {
    m_min[0] = m_min[1] = constants::EMPTY_BOX_LIMIT;
    m_max[0] = m_max[1] = -constants::EMPTY_BOX_LIMIT;
}

void BBox2::AddPoint(const float *p) {
    AddPoint(static_cast<double>(p[0]), static_cast<double>(p[1]));
}

void BBox2::AddPoint(const double *p) {
    AddPoint(p[0], p[1]);
}

void BBox2::AddPoint(double x, double y) {
    const double c[2] = {x, y};
    for (int i = 0; i < 2; ++i) {
        if (c[i] < m_min[i]) m_min[i] = c[i];
        if (c[i] > m_max[i]) m_max[i] = c[i];
    }
}

void BBox2::GetMinPoint(double *out) const {
    out[0] = m_min[0];
    out[1] = m_min[1];
    out[2] = 0.0;
}

void BBox2::GetMaxPoint(double *out) const {
    out[0] = m_max[0];
    out[1] = m_max[1];
    out[2] = 0.0;
}

void BBox2::GetCenter(double *out) const {
    for (int i = 0; i < 2; ++i) out[i] = (m_max[i] - m_min[i]) * 0.5 + m_min[i];
    out[2] = 0.0;
}

void BBox2::GetExtent(double *out) const {
    for (int i = 0; i < 2; ++i) out[i] = m_max[i] - m_min[i];
    out[2] = 0.0;
}

void BBox2::GetCorner(double *out, int corner) const {
    out[2] = 0.0;
    switch (corner) {
        case BBOX2_CORNER_MAXX_MAXY:
            out[0] = m_max[0], out[1] = m_max[1];
            break;
        case BBOX2_CORNER_MAXX_MINY:
            out[0] = m_max[0], out[1] = m_min[1];
            break;
        case BBOX2_CORNER_MINX_MAXY:
            out[0] = m_min[0], out[1] = m_max[1];
            break;
        case BBOX2_CORNER_MINX_MINY:
            out[0] = m_min[0], out[1] = m_min[1];
            break;
        default:
            out[0] = out[1] = 0.0;
            break;
    }
}

}  // namespace math
}  // namespace qk
