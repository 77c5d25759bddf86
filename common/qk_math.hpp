// Vector, 3x3 and 4x4 matrix helpers and the 2D box, in the host's conventions: matrices are
// M[row][column], points are row vectors transformed as p' = (x, y, z, 1) * M, rows 0..2 of a transform
// are its right, up and forward axes and row 3 its translation. Lengths in metres, angles in radians.
#pragma once

#include <cfloat>
#include <cmath>

#include "lxvmath.h"

namespace qk {
namespace math {

/// Three doubles (x, y, z) as a value for lists; converts to `double*` wherever an LXtVector is expected.
struct Vector3 {
    double v[3];

    /// The zero vector.
    constexpr Vector3() : v{0.0, 0.0, 0.0} {}
    /// The vector (x, y, z).
    constexpr Vector3(double x, double y, double z) : v{x, y, z} {}
    /// Copies three doubles from p (an LXtVector).
    explicit constexpr Vector3(const double *p) : v{p[0], p[1], p[2]} {}
    /// Widens three floats from p (an LXtFVector, as host meshes store positions).
    explicit constexpr Vector3(const float *p) : v{p[0], p[1], p[2]} {}

    constexpr operator double *() { return v; }
    constexpr operator const double *() const { return v; }

    constexpr double x() const { return v[0]; }
    constexpr double y() const { return v[1]; }
    constexpr double z() const { return v[2]; }

    /// Copies the three components into out (an LXtVector).
    constexpr void CopyTo(double *out) const {
        out[0] = v[0];
        out[1] = v[1];
        out[2] = v[2];
    }

    constexpr Vector3 &operator+=(const Vector3 &b) {
        v[0] += b.v[0];
        v[1] += b.v[1];
        v[2] += b.v[2];
        return *this;
    }
    constexpr Vector3 &operator-=(const Vector3 &b) {
        v[0] -= b.v[0];
        v[1] -= b.v[1];
        v[2] -= b.v[2];
        return *this;
    }
    constexpr Vector3 &operator*=(double s) {
        v[0] *= s;
        v[1] *= s;
        v[2] *= s;
        return *this;
    }
};

constexpr Vector3 operator+(const Vector3 &a, const Vector3 &b) {
    return {a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2]};
}
constexpr Vector3 operator-(const Vector3 &a, const Vector3 &b) {
    return {a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2]};
}
constexpr Vector3 operator-(const Vector3 &a) {
    return {-a.v[0], -a.v[1], -a.v[2]};
}
constexpr Vector3 operator*(const Vector3 &a, double s) {
    return {a.v[0] * s, a.v[1] * s, a.v[2] * s};
}
constexpr Vector3 operator*(double s, const Vector3 &a) {
    return a * s;
}

// The pointer conversion would otherwise turn these into pointer arithmetic or address comparison;
// compare vectors with LxtVectorCompareAbs and a tolerance instead.
template <class T>
Vector3 operator+(const Vector3 &, const T &) = delete;
template <class T>
Vector3 operator+(const T &, const Vector3 &) = delete;
template <class T>
Vector3 operator-(const Vector3 &, const T &) = delete;
bool operator==(const Vector3 &, const Vector3 &) = delete;
bool operator!=(const Vector3 &, const Vector3 &) = delete;

/// Dot product.
constexpr double Dot(const Vector3 &a, const Vector3 &b) {
    return a.v[0] * b.v[0] + a.v[1] * b.v[1] + a.v[2] * b.v[2];
}

/// Cross product a x b (right-handed).
constexpr Vector3 Cross(const Vector3 &a, const Vector3 &b) {
    return {a.v[1] * b.v[2] - a.v[2] * b.v[1], a.v[2] * b.v[0] - a.v[0] * b.v[2],
            a.v[0] * b.v[1] - a.v[1] * b.v[0]};
}

/// Squared Euclidean length.
constexpr double LengthSquared(const Vector3 &a) {
    return Dot(a, a);
}

/// Euclidean length; overflow-safe for huge components.
inline double Length(const Vector3 &a) {
    return std::hypot(a.v[0], a.v[1], a.v[2]);
}

/// Euclidean distance between two positions.
inline double Distance(const Vector3 &a, const Vector3 &b) {
    return Length(a - b);
}

/// A 4x4 transform M[row][column] as a value for lists; converts wherever an LXtMatrix4 is expected.
struct Matrix4 {
    using Row = double[4];
    double m[4][4];

    /// The identity.
    constexpr Matrix4() : m{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}} {}
    /// Copies the sixteen elements of src.
    explicit constexpr Matrix4(const LXtMatrix4 src) : m{} {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) m[i][j] = src[i][j];
    }

    constexpr operator Row *() { return m; }
    constexpr operator const Row *() const { return m; }

    /// Copies the sixteen elements into out.
    constexpr void CopyTo(LXtMatrix4 out) const {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) out[i][j] = m[i][j];
    }
};

// Address comparison through the conversion is never meant; use Matrix4Compare with a tolerance.
bool operator==(const Matrix4 &, const Matrix4 &) = delete;
bool operator!=(const Matrix4 &, const Matrix4 &) = delete;

/// Layout of the 3x3 block that Matrix4GetRotation returns.
enum MatrixOrder : int {
    MATRIX_ORDER_ROWS = 0,    ///< as stored: the axes are the rows
    MATRIX_ORDER_COLUMNS = 1  ///< transposed: the axes are the columns (what every caller uses)
};

// ---- vectors ----

/// Scales v to unit length, turning -0 components into +0. Returns false and leaves v unchanged for a
/// zero vector or any infinite or NaN component; huge or tiny finite components are handled without
/// overflow.
bool LXtVectorNormalize(LXtVector v);

/// True when |a[i] - b[i]| <= tol for x, y and z; a NaN difference fails.
bool LxtVectorCompareAbs(const LXtVector a, const LXtVector b, double tol);

// ---- 3x3 matrices ----

/// M = identity.
void Matrix3SetIdentity(LXtMatrix M);
/// a, b and c become the columns of M.
void Matrix3Construct(LXtMatrix M, const LXtVector a, const LXtVector b, const LXtVector c);
/// Transposes M in place.
void Matrix3Transpose(LXtMatrix M);
/// M = diagonal (sx, sy, sz), zero elsewhere.
void Matrix3SetScale(LXtMatrix M, double sx, double sy, double sz);
/// a, b and c receive the columns 0, 1 and 2 of M (the inverse of Matrix3Construct).
void Matrix3GetAxisVectors(LXtVector a, LXtVector b, LXtVector c, const LXtMatrix M);

// ---- 4x4 builders: each starts from the identity ----

/// M = identity.
void Matrix4SetIdentity(LXtMatrix4 M);
/// Upper-left 3x3 = R, row 3 = (t, 1).
void Matrix4Construct(LXtMatrix4 M, const LXtMatrix R, const LXtVector t);
/// M = diagonal (sx, sy, sz, 1).
void Matrix4SetScale(LXtMatrix4 M, double sx, double sy, double sz);
/// Rows 0, 1, 2 = a, b, c (the right, up and forward axes).
void Matrix4SetRotation(LXtMatrix4 M, const LXtVector a, const LXtVector b, const LXtVector c);
/// Row 3 = (x, y, z, 1).
void Matrix4SetTranslation(LXtMatrix4 M, double x, double y, double z);
/// Rotation by angle (radians) about principal axis 0, 1 or 2 that turns points clockwise for a positive
/// angle (for Z, (1,0,0) goes to (0,-1,0) at +90 degrees); any other axis gives the identity.
void Matrix4SetRotationByAxisAngle(LXtMatrix4 M, int axis, double angle);
/// Rotation by angle (radians) about principal axis 0, 1 or 2 that turns points counter-clockwise (right
/// hand) for a positive angle; any other axis gives the identity.
void Matrix4SetCCWRotationByAxisAngle(LXtMatrix4 M, const int &axis, const double &angle);

// ---- 4x4 modifiers, in place ----

/// Row 3 columns 0..2 = 0.
void Matrix4ZeroiseTranslation(LXtMatrix4 M);
/// Adds (x, y, z) to the translation row.
void Matrix4AddTranslation(LXtMatrix4 M, double x, double y, double z);
/// Adds v to the translation row.
void Matrix4AddTranslation(LXtMatrix4 M, const LXtVector v);
/// Replaces M[0][0], M[1][1], M[2][2] by their reciprocals. Returns false and leaves M unchanged when any of
/// them is zero or the reciprocal would not be finite.
bool Matrix4InvertScale(LXtMatrix4 M);
/// Transposes the upper-left 3x3 block (the inverse of a pure rotation).
void Matrix4InvertRotation(LXtMatrix4 M);
/// Negates the translation row only; the rotation block is not taken into account.
void Matrix4InvertTranslation(LXtMatrix4 M);

// ---- 4x4 readers ----

/// v = row 0 (right axis).
void Matrix4GetRightAxis(LXtVector v, const LXtMatrix4 M);
/// v = row 1 (up axis).
void Matrix4GetUpAxis(LXtVector v, const LXtMatrix4 M);
/// v = row 2 (forward axis).
void Matrix4GetFwdAxis(LXtVector v, const LXtMatrix4 M);
/// v = row 3 (translation).
void Matrix4GetTranslation(LXtVector v, const LXtMatrix4 M);
/// Rows 0, 1, 2 and 3 at once.
void Matrix4GetVectors(LXtVector right, LXtVector up, LXtVector fwd, LXtVector translation,
                       const LXtMatrix4 M);
/// R = upper-left 3x3 of M, transposed for MATRIX_ORDER_COLUMNS (axes as columns); any other order copies it
/// as stored.
void Matrix4GetRotation(LXtMatrix R, const LXtMatrix4 M, MatrixOrder order);
/// True when all 16 elements differ by at most tol; a NaN difference fails.
bool Matrix4Compare(const LXtMatrix4 A, const LXtMatrix4 B, double tol);
/// True when the upper-left 3x3 elements differ by at most tol; a NaN difference fails.
bool Matrix4CompareRotation(const LXtMatrix4 A, const LXtMatrix4 B, double tol);
/// True when the translations (row 3, columns 0..2) differ by at most tol; a NaN difference fails.
bool Matrix4CompareTranslation(const LXtMatrix4 A, const LXtMatrix4 B, double tol);

// ---- value forms, for code that composes frames ----

/// a * b: a applies first under the row-vector convention.
constexpr Matrix4 Multiply(const Matrix4 &a, const Matrix4 &b) {
    Matrix4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] =
                a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

/// The point p transformed as the row (p, 1) * m, summed row 0..3 in order (as lx::Matrix4Multiply).
constexpr Vector3 TransformPoint(const Matrix4 &m, const Vector3 &p) {
    Vector3 r;
    for (int i = 0; i < 3; ++i)
        r.v[i] = p.v[0] * m.m[0][i] + p.v[1] * m.m[1][i] + p.v[2] * m.m[2][i] + 1.0 * m.m[3][i];
    return r;
}

/// The direction d transformed as the row (d, 0) * m: rotation and scale only, no translation.
constexpr Vector3 TransformDirection(const Matrix4 &m, const Vector3 &d) {
    Vector3 r;
    for (int i = 0; i < 3; ++i) r.v[i] = d.v[0] * m.m[0][i] + d.v[1] * m.m[1][i] + d.v[2] * m.m[2][i];
    return r;
}

/// Row 0 of m: the right (X) axis.
constexpr Vector3 RightAxis(const Matrix4 &m) {
    return Vector3(m.m[0][0], m.m[0][1], m.m[0][2]);
}
/// Row 1 of m: the up (Y) axis.
constexpr Vector3 UpAxis(const Matrix4 &m) {
    return Vector3(m.m[1][0], m.m[1][1], m.m[1][2]);
}
/// Row 2 of m: the forward (Z) axis.
constexpr Vector3 FwdAxis(const Matrix4 &m) {
    return Vector3(m.m[2][0], m.m[2][1], m.m[2][2]);
}
/// Row 3 of m: the translation.
constexpr Vector3 TranslationOf(const Matrix4 &m) {
    return Vector3(m.m[3][0], m.m[3][1], m.m[3][2]);
}

/// Replaces the translation row of m by t; the rotation block is kept.
constexpr void SetTranslation(Matrix4 &m, const Vector3 &t) {
    for (int i = 0; i < 3; ++i) m.m[3][i] = t.v[i];
}

/// A pure translation by t.
constexpr Matrix4 TranslationMatrix(const Vector3 &t) {
    Matrix4 m;
    SetTranslation(m, t);
    return m;
}

/// A frame with rows right, up and forward and no translation.
constexpr Matrix4 RotationMatrix(const Vector3 &right, const Vector3 &up, const Vector3 &fwd) {
    Matrix4 m;
    const Vector3 *rows[3] = {&right, &up, &fwd};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.m[i][j] = rows[i]->v[j];
    return m;
}

/// The diagonal scale (sx, sy, sz, 1).
constexpr Matrix4 ScaleMatrix(double sx, double sy, double sz) {
    Matrix4 m;
    m.m[0][0] = sx;
    m.m[1][1] = sy;
    m.m[2][2] = sz;
    return m;
}

/// Matrix4SetRotationByAxisAngle as a value: clockwise for a positive angle about axis 0, 1 or 2; the
/// identity for any other axis.
Matrix4 AxisRotationMatrix(int axis, double angle);

/// v scaled to unit length, or v unchanged when it has no direction (see LXtVectorNormalize).
inline Vector3 Normalized(Vector3 v) {
    LXtVectorNormalize(v);
    return v;
}

/// True when every component of v is finite.
inline bool IsFinite(const Vector3 &v) {
    return std::isfinite(v.v[0]) && std::isfinite(v.v[1]) && std::isfinite(v.v[2]);
}

/// True when every component of v is finite and within single precision's range, so that a mesh,
/// which stores positions in single precision, can hold it.
inline bool FitsSinglePrecision(const Vector3 &v) {
    for (double c : v.v)
        if (!(std::fabs(c) <= double(FLT_MAX))) return false;
    return true;
}

/// The up axis index (0 X, 1 Y, 2 Z) for a "units.upAxis" preference value; any other value is Y.
constexpr int UpAxisFromPreference(int value) {
    return (value == 0 || value == 2) ? value : 1;
}

/// The mesh-space displacement that moves a point of an item by the world displacement w, for an item
/// whose world transform is scale * rotation * translation (row vectors): w times the inverse rotation
/// (the transposed 3x3 block), then times the inverse of the scale's diagonal. Returns false, leaving local
/// unchanged, when a scale term is zero or anything is not finite.
bool WorldToLocalDisplacement(const Vector3 &w, const Matrix4 &rotation, const Matrix4 &scale,
                              Vector3 &local);

// ---- 2D box ----

/// Corners of a BBox2, as GetCorner takes them.
enum BBox2Corners : int {
    BBOX2_CORNER_MAXX_MAXY = 0,
    BBOX2_CORNER_MAXX_MINY = 1,
    BBOX2_CORNER_MINX_MAXY = 2,
    BBOX2_CORNER_MINX_MINY = 3
};

/// Axis-aligned 2D box (min x, min y, max x, max y); starts empty (min = 1e37f, max = -1e37f). Outputs are
/// LXtVectors with z = 0. NaN coordinates are ignored by AddPoint.
class BBox2 {
public:
    BBox2() { Reset(); }

    /// Empties the box.
    void Reset();
    /// Widens the box to include (p[0], p[1]).
    void AddPoint(const float *p);
    /// Widens the box to include (p[0], p[1]).
    void AddPoint(const double *p);
    /// Widens the box to include (x, y).
    void AddPoint(double x, double y);

    /// out = (min x, min y, 0); the sentinel 1e37f on an empty box.
    void GetMinPoint(double *out) const;
    /// out = (max x, max y, 0); the sentinel -1e37f on an empty box.
    void GetMaxPoint(double *out) const;
    /// out = centre, 0; (0, 0, 0) on an empty box.
    void GetCenter(double *out) const;
    /// out = (width, height, 0); negative on an empty box.
    void GetExtent(double *out) const;
    /// out = the corner named by a BBox2Corners value; (0, 0, 0) for any other value.
    void GetCorner(double *out, int corner) const;

private:
    double m_min[2];
    double m_max[2];
};

}  // namespace math
}  // namespace qk
