// The 3D vector as a value, in the host's conventions: lengths in metres, right-handed axes.
#pragma once

#include <cfloat>
#include <cmath>

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

    /// Copies the three components into out (an LXtVector, at an SDK call).
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
// compare vectors with NearlyEqual and a tolerance instead.
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

/// True when |a[i] - b[i]| <= tol for x, y and z; a NaN difference fails.
bool NearlyEqual(const Vector3 &a, const Vector3 &b, double tol);

/// Scales v to unit length, turning -0 components into +0. Returns false and leaves v unchanged for a
/// zero vector or any infinite or NaN component; huge or tiny finite components are handled without
/// overflow.
bool Normalize(Vector3 &v);

/// v scaled to unit length, or v unchanged when it has no direction (see Normalize).
inline Vector3 Normalized(Vector3 v) {
    Normalize(v);
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

}  // namespace math
}  // namespace qk
