// Near-duplicate removal: positions (optionally with a direction each) that agree within a tolerance on
// every component count as one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "qk_vector.hpp"

namespace qk {
namespace math {

/// Remembers what it kept and refuses whatever lies within tol of a kept entry on every component of
/// position and direction. Entries are bucketed by a grid over their positions, so offering n entries
/// costs about n comparisons; NaN never matches, so such entries are always kept.
class NearDuplicateFilter {
public:
    /// tol: the largest difference per component (metres or unitless) that still counts as the same.
    explicit NearDuplicateFilter(double tol) : m_tol(tol) {}

    /// True when nothing kept matches (position, direction); the entry is then kept.
    bool Keep(const Vector3 &position, const Vector3 &direction = Vector3());

private:
    struct Entry {
        Vector3 position;
        Vector3 direction;
    };

    double m_tol;
    std::vector<Entry> m_kept;
    // Cells are keyed by a hash; two cells sharing a key only cost extra comparisons.
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> m_cells;
    std::vector<std::size_t> m_loose;  // positions too large (or not numbers) for the grid
};

/// The indices of the positions that survive near-duplicate removal, in list order: of several
/// positions within tol of each other on every axis, the latest in the list is kept.
std::vector<std::size_t> KeepLastOfNearDuplicates(const std::vector<Vector3> &positions, double tol);

}  // namespace math
}  // namespace qk
