#include "qk_tool_spin_angle_tracker.hpp"

#include "qk_constants.hpp"

namespace qk {

void SpinAngleTracker::SetSectorAngleIndex(int sectorIndex) {
    // Wrapped here so the index always names a sector and a spin always moves it.
    const int wrapped = sectorIndex % 4;
    m_sectorIndex = (wrapped < 0) ? wrapped + 4 : wrapped;
}

double SpinAngleTracker::GetAngleRad() const {
    switch (m_sectorIndex) {
        case 1:
            return constants::HALF_PI;
        case 2:
            return constants::PI;
        case 3:
            return -constants::HALF_PI;
        default:
            return 0.0;
    }
}

void SpinAngleTracker::Spin90(SPIN_DIRECTION direction) {
    if (direction == SPIN_CLOCKWISE) {
        m_sectorIndex = (m_sectorIndex == 3) ? 0 : m_sectorIndex + 1;
    } else if (direction == SPIN_COUNTER_CLOCKWISE) {
        m_sectorIndex = (m_sectorIndex == 0) ? 3 : m_sectorIndex - 1;
    }
}

}  // namespace qk
