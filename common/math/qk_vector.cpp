#include "qk_vector.hpp"

namespace qk {
namespace math {

bool NearlyEqual(const Vector3 &a, const Vector3 &b, double tol) {
    // Written as d <= tol so that a NaN difference counts as out of tolerance.
    for (int i = 0; i < 3; ++i)
        if (!(std::fabs(a.v[i] - b.v[i]) <= tol)) return false;
    return true;
}

bool Normalize(Vector3 &v) {
    if (!IsFinite(v)) return false;
    const double sum = LengthSquared(v);
    if (sum >= DBL_MIN && sum <= DBL_MAX) {
        const double inv = 1.0 / std::sqrt(sum);
        for (double &c : v.v) c = c * inv + 0.0;  // + 0.0 turns -0 into +0
        return true;
    }
    // The squares overflowed or underflowed: bring the largest component to 1 first.
    const double largest = std::fmax(std::fabs(v.v[0]), std::fmax(std::fabs(v.v[1]), std::fabs(v.v[2])));
    if (largest == 0.0) return false;
    const Vector3 s(v.v[0] / largest, v.v[1] / largest, v.v[2] / largest);
    const double length = std::sqrt(LengthSquared(s));
    for (int i = 0; i < 3; ++i) v.v[i] = s.v[i] / length + 0.0;
    return true;
}

}  // namespace math
}  // namespace qk
