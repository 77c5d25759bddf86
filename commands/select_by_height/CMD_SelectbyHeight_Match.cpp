#include "CMD_SelectbyHeight_Match.hpp"

namespace gORVA_Cmds_SelectbyHeight {

namespace {

// How far modes 2 and 3 reach above or below the reference, in metres.
constexpr double kOpenRange = 10000000.0;

}  // namespace

MATCH_MODE ToMatchMode(int value) {
    return (value >= MATCH_SAME && value <= MATCH_BELOW) ? MATCH_MODE(value) : MATCH_SAME;
}

WORLD_UP_AXIS ToUpAxis(int value) {
    if (value == UP_AXIS_X) return UP_AXIS_X;
    if (value == UP_AXIS_Z) return UP_AXIS_Z;
    return UP_AXIS_Y;
}

HeightBand BoundsFor(MATCH_MODE mode, double reference, double rangeLower, double rangeUpper) {
    switch (mode) {
        case MATCH_RANGE:
            return {reference - rangeLower, reference + rangeUpper};
        case MATCH_ABOVE:
            return {reference, reference + kOpenRange};
        case MATCH_BELOW:
            return {reference - kOpenRange, reference};
        default:
            return {reference, reference};
    }
}

}  // namespace gORVA_Cmds_SelectbyHeight
