// Small 3-vector helpers the host's viewport code (camera, tool events, pictures) shares.
#pragma once
#include "host/guard.hpp"

#include <array>
#include <cmath>
#include <cstdint>

namespace gorva::host {

using Vec3 = std::array<double, 3>;

inline Vec3 Sub(const Vec3 &a, const Vec3 &b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
inline Vec3 Add(const Vec3 &a, const Vec3 &b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
inline Vec3 Scale(const Vec3 &a, double s) {
    return {a[0] * s, a[1] * s, a[2] * s};
}
inline double Dot(const Vec3 &a, const Vec3 &b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
inline Vec3 Cross(const Vec3 &a, const Vec3 &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double Length(const Vec3 &a) {
    return std::sqrt(Dot(a, a));
}
/// Unit vector along a, or `fallback` when a is (near) zero or not finite.
inline Vec3 Normalize(const Vec3 &a, const Vec3 &fallback) {
    double len = Length(a);
    return len > 1e-12 && std::isfinite(len) ? Scale(a, 1.0 / len) : fallback;
}
/// A polygon's normal by Newell's rule, not normalised (twice its area long; zero without area):
/// `corner(i)` gives corner i of `count`, counter-clockwise seen from the front. The one place the
/// host computes a polygon's normal, so that pictures, picking and the mesh agree.
template <class CornerAt>
Vec3 NewellNormal(uint32_t count, const CornerAt &corner) {
    Vec3 n{0, 0, 0};
    for (uint32_t i = 0; i < count; ++i) {
        const Vec3 a = corner(i), b = corner((i + 1) % count);
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    return n;
}

}  // namespace gorva::host
