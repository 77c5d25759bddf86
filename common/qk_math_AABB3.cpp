#include "qk_math_AABB3.hpp"

#include "qk_constants.hpp"

namespace qk {

void AABB3::Reset() {
    for (int i = 0; i < 3; ++i) {
        m_min[i] = constants::EMPTY_BOX_LIMIT;
        m_max[i] = -constants::EMPTY_BOX_LIMIT;
    }
}

void AABB3::Add(const float *p) {
    Add(static_cast<double>(p[0]), static_cast<double>(p[1]), static_cast<double>(p[2]));
}

void AABB3::Add(const double *p) {
    Add(p[0], p[1], p[2]);
}

void AABB3::Add(double x, double y, double z) {
    const double c[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        if (c[i] < m_min[i]) m_min[i] = c[i];
        if (c[i] > m_max[i]) m_max[i] = c[i];
    }
}

bool AABB3::IsEmpty() const {
    return m_min[0] > m_max[0] || m_min[1] > m_max[1] || m_min[2] > m_max[2];
}

void AABB3::Pmin(double *out) const {
    for (int i = 0; i < 3; ++i) out[i] = m_min[i];
}

void AABB3::Pmax(double *out) const {
    for (int i = 0; i < 3; ++i) out[i] = m_max[i];
}

void AABB3::GetCenter(double *out) const {
    for (int i = 0; i < 3; ++i) out[i] = (m_max[i] - m_min[i]) * 0.5 + m_min[i];
}

void AABB3::Corner(int index, double *out) const {
    for (int i = 0; i < 3; ++i) out[i] = (index & (1 << i)) ? m_max[i] : m_min[i];
}

}  // namespace qk
