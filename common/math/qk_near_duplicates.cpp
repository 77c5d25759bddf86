#include "qk_near_duplicates.hpp"

#include <array>
#include <cmath>

namespace qk {
namespace math {

namespace {

// Far above any tolerance in use, so that the neighbour cells cover it.
constexpr double kCell = 1e-3;
constexpr double kHashLimit = 1e12;

bool CellOf(const Vector3 &p, std::array<std::int64_t, 3> &cell) {
    for (int i = 0; i < 3; ++i) {
        if (!(std::fabs(p.v[i]) < kHashLimit)) return false;  // huge or not a number
        cell[i] = std::int64_t(std::floor(p.v[i] / kCell));
    }
    return true;
}

std::uint64_t Key(std::int64_t x, std::int64_t y, std::int64_t z) {
    std::uint64_t h = std::uint64_t(x) * 0x9E3779B97F4A7C15ull;
    h ^= std::uint64_t(y) + 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
    h ^= std::uint64_t(z) + 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
    return h;
}

}  // namespace

bool NearDuplicateFilter::Keep(const Vector3 &position, const Vector3 &direction) {
    const auto matches = [&](const std::vector<std::size_t> &candidates) {
        for (std::size_t k : candidates)
            if (NearlyEqual(m_kept[k].position, position, m_tol) &&
                NearlyEqual(m_kept[k].direction, direction, m_tol))
                return true;
        return false;
    };
    std::array<std::int64_t, 3> cell;
    const bool hashed = m_tol < kCell && CellOf(position, cell);
    if (!hashed) {
        if (matches(m_loose)) return false;
        m_loose.push_back(m_kept.size());
    } else {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dz = -1; dz <= 1; ++dz) {
                    const auto it = m_cells.find(Key(cell[0] + dx, cell[1] + dy, cell[2] + dz));
                    if (it != m_cells.end() && matches(it->second)) return false;
                }
        m_cells[Key(cell[0], cell[1], cell[2])].push_back(m_kept.size());
    }
    m_kept.push_back({position, direction});
    return true;
}

std::vector<std::size_t> KeepLastOfNearDuplicates(const std::vector<Vector3> &positions, double tol) {
    NearDuplicateFilter filter(tol);
    std::vector<std::size_t> kept;
    for (std::size_t i = positions.size(); i-- > 0;)
        if (filter.Keep(positions[i])) kept.push_back(i);
    return {kept.rbegin(), kept.rend()};
}

}  // namespace math
}  // namespace qk
