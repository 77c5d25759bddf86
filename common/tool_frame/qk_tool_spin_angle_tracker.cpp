#include "qk_tool_spin_angle_tracker.hpp"

#include "qk_constants.hpp"

namespace qk {

namespace {

bool IsSector(int index) {
    return index >= 0 && index <= 3;
}

}  // namespace

void SpinAngleTracker::SetSectorAngleIndex(int quarterTurns) {
    // The remainder keeps the sign of the count; wrapping it (not the count) cannot overflow.
    const int wrapped = quarterTurns % 4;
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
    if (direction != SPIN_CLOCKWISE && direction != SPIN_COUNTER_CLOCKWISE) return;
    const int from = IsSector(m_sectorIndex) ? m_sectorIndex : 0;
    if (direction == SPIN_CLOCKWISE) {
        m_sectorIndex = (from == 3) ? 0 : from + 1;
    } else {
        m_sectorIndex = (from == 0) ? 3 : from - 1;
    }
}

}  // namespace qk
