// The select-by-height command's pure rules: which heights match the reference, in which band.
// Heights in metres; no host calls.
#pragma once

#include <cmath>

#include "qk_constants.hpp"

namespace gORVA_Cmds_SelectbyHeight {

/// How heights are compared with the reference height.
enum MATCH_MODE : int {
    MATCH_SAME = 0,   ///< within 1e-6 of the reference
    MATCH_RANGE = 1,  ///< from reference - RangeLower to reference + RangeUpper
    MATCH_ABOVE = 2,  ///< at or above the reference (up to 1e7 above)
    MATCH_BELOW = 3   ///< at or below the reference (down to 1e7 below)
};

/// The coordinate that is the height: 0 X, 1 Y, 2 Z.
enum WORLD_UP_AXIS : int { UP_AXIS_X = 0, UP_AXIS_Y = 1, UP_AXIS_Z = 2 };

/// Match mode of an argument value; anything outside 0..3 is MATCH_SAME.
MATCH_MODE ToMatchMode(int value);
/// Up axis of a preference value; anything other than 0 or 2 is Y.
WORLD_UP_AXIS ToUpAxis(int value);

/// The heights (metres) a mode matches between, besides the reference itself.
struct HeightBand {
    double lower = 0.0;
    double upper = 0.0;
};

/// The band of a mode around `reference`; MATCH_SAME gives both bounds at the reference.
HeightBand BoundsFor(MATCH_MODE mode, double reference, double rangeLower, double rangeUpper);

/// True when height h matches: within 1e-6 of the reference in MATCH_SAME; in the other modes strictly
/// inside (lower, upper) or within 1e-6 of the reference or of either bound. NaN never matches.
/// Inline: it runs once per element of a match pass.
inline bool HeightMatches(MATCH_MODE mode, double h, double reference, const HeightBand &band) {
    const auto within = [](double a, double b) { return std::fabs(a - b) <= qk::constants::EPSILON; };
    if (within(h, reference)) return true;
    if (mode == MATCH_SAME) return false;
    return (band.lower < h && h < band.upper) || within(h, band.upper) || within(h, band.lower);
}

}  // namespace gORVA_Cmds_SelectbyHeight
