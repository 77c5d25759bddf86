#include "CMD_SelectbyNormal_Targets.hpp"

#include <algorithm>
#include <cmath>
#include <functional>

#include "qk_constants.hpp"

namespace gORVA_Cmds_SelectbyNormal {

using qk::constants::EPSILON;
using qk::math::Vector3;

namespace {

// Two normals within EPSILON per component lie in the same or a neighbouring cell.
constexpr double kCell = 2.0 * EPSILON;
const double kRoot3 = std::sqrt(3.0);

bool Finite(const double v[3]) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

std::array<std::int64_t, 3> CellOf(const Vector3 &n) {
    return {std::int64_t(std::floor(n.x() / kCell)), std::int64_t(std::floor(n.y() / kCell)),
            std::int64_t(std::floor(n.z() / kCell))};
}

// How far a target's plane offset may lie from normal . point when the target's normal differs from
// `normal` by `spread` (Euclidean) and the point lies within EPSILON of its plane; with room for rounding.
double Window(const Vector3 &point, double spread) {
    const double reach = qk::math::Length(point);
    return (EPSILON + spread * reach) * (1.0 + 1e-9) + 1e-12 * (1.0 + reach);
}

}  // namespace

bool SameNormal(const Vector3 &normal, const SelectedPolygonInfo &target) {
    return qk::math::NearlyEqual(normal, Vector3(target.normal), EPSILON);
}

bool LiesInPlane(const Vector3 &point, const SelectedPolygonInfo &target) {
    const Vector3 offset = point - Vector3(target.centre);
    return std::fabs(qk::math::Dot(offset, Vector3(target.normal))) <= EPSILON;
}

bool FacesWithin(const Vector3 &normal, const SelectedPolygonInfo &target, double variation) {
    if (SameNormal(normal, target)) return true;
    if (!(variation > 0.0)) return false;
    const double cosine = std::clamp(qk::math::Dot(normal, Vector3(target.normal)), -1.0, 1.0);
    const double angle = std::acos(cosine);
    return variation > angle || std::fabs(angle - variation) <= EPSILON;
}

TargetIndex::TargetIndex(const std::vector<SelectedPolygonInfo> &targets) : m_targets(targets) {
    struct Keyed {
        Cell cell;
        Entry entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const SelectedPolygonInfo &t = targets[i];
        if (!Finite(t.normal) || !Finite(t.centre)) continue;
        const Vector3 n(t.normal);
        if (qk::math::Length(n) > 2.0) continue;  // not a normal: faces nothing within reach
        const double offset = qk::math::Dot(n, Vector3(t.centre));
        if (!std::isfinite(offset)) continue;
        keyed.push_back({CellOf(n), {offset, i}});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        return a.cell != b.cell ? a.cell < b.cell : a.entry.offset < b.entry.offset;
    });
    for (const Keyed &k : keyed) {
        if (m_groups.empty() || m_groups.back().cell != k.cell)
            m_groups.push_back({k.cell, Vector3(targets[k.entry.index].normal), {}});
        m_groups.back().entries.push_back(k.entry);
    }
}

const TargetIndex::Group *TargetIndex::Find(const Cell &cell) const {
    auto it = std::lower_bound(m_groups.begin(), m_groups.end(), cell,
                               [](const Group &g, const Cell &c) { return g.cell < c; });
    return it != m_groups.end() && it->cell == cell ? &*it : nullptr;
}

double TargetIndex::PlaneWindow(const Vector3 &centre) {
    return Window(centre, kRoot3 * kCell);
}

bool TargetIndex::AnySameNormal(const Vector3 &normal) const {
    if (!qk::math::IsFinite(normal) || qk::math::Length(normal) > 2.0) return false;
    return AnyNeighbourGroup(CellOf(normal), [&](const Group &g) {
        for (const Entry &e : g.entries)
            if (SameNormal(normal, m_targets[e.index])) return true;
        return false;
    });
}

bool TargetIndex::AnyCoplanar(const Vector3 &normal, const Vector3 &centre) const {
    if (!qk::math::IsFinite(normal) || !qk::math::IsFinite(centre) || qk::math::Length(normal) > 2.0)
        return false;
    const double q = qk::math::Dot(normal, centre);
    const double w = Window(centre, kRoot3 * EPSILON);
    return AnyNeighbourGroup(CellOf(normal), [&](const Group &g) {
        return AnyInWindow(g, q - w, q + w, [&](std::size_t i) {
            return SameNormal(normal, m_targets[i]) && LiesInPlane(centre, m_targets[i]);
        });
    });
}

bool TargetIndex::AnyFacing(const Vector3 &normal, double variation) const {
    if (!(variation > 0.0)) return AnySameNormal(normal);
    if (!qk::math::IsFinite(normal)) return false;
    // A group's members lie within kCell per component of its first member: their angle to `normal`
    // differs from the first one's by at most the angle that spread spans.
    const double spread = 2.0 * std::asin(std::min(1.0, kRoot3 * kCell / 2.0)) + 1e-12;
    for (const Group &g : m_groups) {
        const SelectedPolygonInfo &first = m_targets[g.entries.front().index];
        if (FacesWithin(normal, first, variation)) return true;
        // The angles come from plain dot products: only for unit normals do they keep the triangle
        // inequality the skip relies on, with room for their rounding.
        const bool unit = std::fabs(qk::math::Length(g.normal) - 1.0) <= 1e-12 &&
                          std::fabs(qk::math::Length(normal) - 1.0) <= 1e-12;
        const double angle = std::acos(std::clamp(qk::math::Dot(normal, g.normal), -1.0, 1.0));
        if (unit && angle > variation + EPSILON + spread + 2.0 * kRoot3 * EPSILON + 1e-5) continue;
        for (const Entry &e : g.entries)
            if (FacesWithin(normal, m_targets[e.index], variation)) return true;
    }
    return false;
}

std::vector<bool> ConnectedRegion(const PolygonCorners &polygons, const std::vector<bool> &seeds) {
    const std::size_t count = polygons.starts.size() - 1;
    struct EdgeOf {
        const void *a, *b;
        std::size_t polygon;
    };
    std::vector<EdgeOf> edges;
    edges.reserve(polygons.corners.size());
    const auto forEachEdge = [&](std::size_t k, auto visit) {
        const std::size_t first = polygons.starts[k], n = polygons.starts[k + 1] - first;
        for (std::size_t i = 0; n > 1 && i < n; ++i) {
            const void *a = polygons.corners[first + i], *b = polygons.corners[first + (i + 1) % n];
            if (std::less<const void *>()(b, a)) std::swap(a, b);
            visit(a, b);
        }
    };
    for (std::size_t k = 0; k < count; ++k)
        forEachEdge(k, [&](const void *a, const void *b) { edges.push_back({a, b, k}); });
    const auto before = [](const EdgeOf &x, const EdgeOf &y) {
        const std::less<const void *> less;
        return x.a != y.a ? less(x.a, y.a) : less(x.b, y.b);
    };
    std::sort(edges.begin(), edges.end(), before);

    std::vector<bool> region(count, false), edgeDone(edges.size(), false);
    std::vector<std::size_t> stack;
    for (std::size_t k = 0; k < count && k < seeds.size(); ++k)
        if (seeds[k]) region[k] = true, stack.push_back(k);
    while (!stack.empty()) {
        const std::size_t k = stack.back();
        stack.pop_back();
        forEachEdge(k, [&](const void *a, const void *b) {
            const EdgeOf key{a, b, 0};
            auto it = std::lower_bound(edges.begin(), edges.end(), key, before);
            // An edge's polygons are taken in once, however many of them share it.
            const std::size_t at = std::size_t(it - edges.begin());
            if (at == edges.size() || edgeDone[at]) return;
            edgeDone[at] = true;
            for (; it != edges.end() && it->a == a && it->b == b; ++it)
                if (!region[it->polygon]) region[it->polygon] = true, stack.push_back(it->polygon);
        });
    }
    return region;
}

}  // namespace gORVA_Cmds_SelectbyNormal
