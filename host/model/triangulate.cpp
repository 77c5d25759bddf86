#include "host/model/triangulate.hpp"

#include <cmath>

namespace gorva::host {

std::vector<std::array<size_t, 3>> Triangulate(const std::vector<Vec3> &pts, const Vec3 &normal) {
    std::vector<std::array<size_t, 3>> tris;
    int drop = 0;  // the axis the polygon is flattened along
    for (int i = 1; i < 3; ++i)
        if (std::fabs(normal[size_t(i)]) > std::fabs(normal[size_t(drop)])) drop = i;
    size_t ax = drop == 0 ? 1 : 0, ay = drop == 2 ? 1 : 2;
    double sign = normal[size_t(drop)] >= 0 ? 1.0 : -1.0;
    auto cross = [&](size_t a, size_t b, size_t c) {
        return sign * ((pts[b][ax] - pts[a][ax]) * (pts[c][ay] - pts[a][ay]) -
                       (pts[b][ay] - pts[a][ay]) * (pts[c][ax] - pts[a][ax]));
    };
    if (drop == 1) sign = -sign;  // keeps counter-clockwise positive for every dropped axis
    std::vector<size_t> ring(pts.size());
    for (size_t i = 0; i < ring.size(); ++i) ring[i] = i;
    while (ring.size() > 3) {
        bool clipped = false;
        for (size_t i = 0; i < ring.size() && !clipped; ++i) {
            size_t a = ring[(i + ring.size() - 1) % ring.size()], b = ring[i],
                   c = ring[(i + 1) % ring.size()];
            if (cross(a, b, c) <= 0) continue;
            bool empty = true;
            for (size_t k : ring)
                if (k != a && k != b && k != c && cross(a, b, k) >= 0 && cross(b, c, k) >= 0 &&
                    cross(c, a, k) >= 0)
                    empty = false;
            if (!empty) continue;
            tris.push_back({a, b, c});
            ring.erase(ring.begin() + long(i));
            clipped = true;
        }
        if (!clipped) break;
    }
    for (size_t i = 1; i + 1 < ring.size(); ++i) tris.push_back({ring[0], ring[i], ring[i + 1]});
    return tris;
}

}  // namespace gorva::host
