// Select by normal's targets, indexed for the comparisons: by the cell of their normal and, within a
// cell, by their plane's offset, so that a polygon finds the targets facing like it, or lying in its
// plane, without going through every target. World space; pure: no host calls.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "qk_math.hpp"

namespace gORVA_Cmds_SelectbyNormal {

/// A target polygon measured in world space.
struct SelectedPolygonInfo {
    double centre[3] = {0, 0, 0};  ///< average of the vertex positions, metres
    double normal[3] = {0, 0, 0};  ///< polygon normal turned by the layer's world rotation
    const void *polygon = nullptr;
    std::string material;    ///< 'MATR' tag, empty when the polygon has none
    std::string part;        ///< 'PART' tag, "Default" when the polygon has none
    double perimeter = 0.0;  ///< sum of the edge lengths with the closing edge, metres
};

/// True when each component of the two normals differs by at most 1e-6.
bool SameNormal(const qk::math::Vector3 &normal, const SelectedPolygonInfo &target);

/// True when point lies within 1e-6 m of the target's plane (through its centre, along its normal).
bool LiesInPlane(const qk::math::Vector3 &point, const SelectedPolygonInfo &target);

/// True when normal faces like the target: the same normal, or an angle below `variation` (radians)
/// or within 1e-6 of it. A variation of 0 or less asks for the same normal.
bool FacesWithin(const qk::math::Vector3 &normal, const SelectedPolygonInfo &target, double variation);

/// The targets grouped by the cell of their normal (cells 2e-6 wide per component) and sorted by their
/// plane offset within a group. Targets with a non-finite normal or centre are left out: they match
/// nothing. Building takes n log n; each query below visits only the groups it names.
class TargetIndex {
public:
    explicit TargetIndex(const std::vector<SelectedPolygonInfo> &targets);

    /// A target with the same normal as `normal`: 27 cells.
    bool AnySameNormal(const qk::math::Vector3 &normal) const;
    /// A target with the same normal as `normal` whose plane holds `centre`: 27 cells, then a window
    /// of plane offsets.
    bool AnyCoplanar(const qk::math::Vector3 &normal, const qk::math::Vector3 &centre) const;
    /// A target that faces like `normal` within `variation`: one test per group, members only near the
    /// limit.
    bool AnyFacing(const qk::math::Vector3 &normal, double variation) const;
    /// True when accept(i) holds for a target i whose plane holds `centre`, whatever its normal: a window
    /// of offsets in every group, stopping at the first accepted.
    template <class Accept>
    bool AnyInPlane(const qk::math::Vector3 &centre, Accept accept) const {
        if (!qk::math::IsFinite(centre)) return false;
        const double w = PlaneWindow(centre);
        for (const Group &g : m_groups) {
            const double q = qk::math::Dot(g.normal, centre);
            if (AnyInWindow(g, q - w, q + w,
                            [&](std::size_t i) { return LiesInPlane(centre, m_targets[i]) && accept(i); }))
                return true;
        }
        return false;
    }
    /// Number of normal groups.
    std::size_t GroupCount() const { return m_groups.size(); }

private:
    using Cell = std::array<std::int64_t, 3>;
    struct Entry {
        double offset;      ///< normal . centre
        std::size_t index;  ///< into the targets
    };
    struct Group {
        Cell cell;
        qk::math::Vector3 normal;  ///< its first member's
        std::vector<Entry> entries;
    };
    const Group *Find(const Cell &cell) const;
    /// Calls visit(group) for the groups in the 27 cells around `cell` until one returns true: a
    /// walk over the groups when they are fewer than the cells, else a lookup per cell.
    template <class Visit>
    bool AnyNeighbourGroup(const Cell &cell, Visit visit) const {
        if (m_groups.size() <= 27) {
            for (const Group &g : m_groups)
                if (std::abs(g.cell[0] - cell[0]) <= 1 && std::abs(g.cell[1] - cell[1]) <= 1 &&
                    std::abs(g.cell[2] - cell[2]) <= 1 && visit(g))
                    return true;
            return false;
        }
        for (std::int64_t dx = -1; dx <= 1; ++dx)
            for (std::int64_t dy = -1; dy <= 1; ++dy)
                for (std::int64_t dz = -1; dz <= 1; ++dz)
                    if (const Group *g = Find({cell[0] + dx, cell[1] + dy, cell[2] + dz}); g && visit(*g))
                        return true;
        return false;
    }
    static double PlaneWindow(const qk::math::Vector3 &centre);
    template <class Visit>
    static bool AnyInWindow(const Group &group, double low, double high, Visit visit) {
        auto it = std::lower_bound(group.entries.begin(), group.entries.end(), low,
                                   [](const Entry &e, double v) { return e.offset < v; });
        for (; it != group.entries.end() && it->offset <= high; ++it)
            if (visit(it->index)) return true;
        return false;
    }

    const std::vector<SelectedPolygonInfo> &m_targets;
    std::vector<Group> m_groups;  // sorted by cell
};

/// The polygons of one mesh as corner lists: polygon k's point ids are corners[starts[k]] up to
/// corners[starts[k + 1]] (starts holds one entry more than there are polygons).
struct PolygonCorners {
    std::vector<const void *> corners;
    std::vector<std::size_t> starts{0};
};

/// Which polygons are joined to a seed through a chain of shared edges (an edge: two points next to
/// each other in both polygons, in either order); the seeds included. One sorted table of the edges,
/// n log n in the number of corners.
std::vector<bool> ConnectedRegion(const PolygonCorners &polygons, const std::vector<bool> &seeds);

}  // namespace gORVA_Cmds_SelectbyNormal
