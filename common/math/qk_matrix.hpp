// The 4x4 transform as a value, in the host's conventions: M[row][column], points are row vectors
// transformed as p' = (x, y, z, 1) * M, rows 0..2 are the right, up and forward axes and row 3 the
// translation. Angles in radians.
#pragma once

#include "lxvmath.h"
#include "qk_vector.hpp"

namespace qk {
namespace math {

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
};

// Address comparison through the conversion is never meant; use NearlyEqual with a tolerance.
bool operator==(const Matrix4 &, const Matrix4 &) = delete;
bool operator!=(const Matrix4 &, const Matrix4 &) = delete;

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

/// The frame with the upper-left 3x3 block taken from rotation (as an SDK packet gives it) and row 3 =
/// translation.
Matrix4 FrameMatrix(const LXtMatrix rotation, const Vector3 &translation);

/// Rotation by angle about principal axis 0, 1 or 2 that turns points clockwise for a positive angle
/// (for Z, (1,0,0) goes to (0,-1,0) at +90 degrees); the identity for any other axis.
Matrix4 AxisRotationMatrix(int axis, double angle);

/// m with the upper-left 3x3 block transposed (the inverse of a pure rotation); row 3 is kept.
Matrix4 TransposedRotation(const Matrix4 &m);

/// m with its translation row negated; the rotation block is not taken into account.
Matrix4 NegatedTranslation(const Matrix4 &m);

/// The inverse of a diagonal scale: m with M[0][0], M[1][1], M[2][2] replaced by their reciprocals.
/// Returns false, leaving inverse unchanged, when any of them is zero or its reciprocal is not finite.
bool InvertedScale(const Matrix4 &m, Matrix4 &inverse);

/// True when all 16 elements differ by at most tol; a NaN difference fails.
bool NearlyEqual(const Matrix4 &a, const Matrix4 &b, double tol);

/// True when m is the identity within 1e-6 on every one of its 16 elements.
bool Matrix4IsIdentity(const Matrix4 &m);

/// Writes the upper-left 3x3 block of m transposed (the axes as columns) into out, the form the SDK's
/// handle calls take.
void RotationColumns(const Matrix4 &m, LXtMatrix out);

}  // namespace math
}  // namespace qk
