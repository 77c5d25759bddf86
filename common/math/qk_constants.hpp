// Shared numeric constants of the toolkit.
#pragma once

namespace qk {
namespace constants {

/// Tolerance (metres, radians or unitless) for every geometric comparison with zero, one or another value.
inline constexpr double EPSILON = 1e-6;

/// Half-turn in radians.
inline constexpr double PI = 3.141592653589793;

/// Quarter-turn in radians.
inline constexpr double HALF_PI = 1.5707963267948966;

/// Minimum of an empty bounding box on every axis (1e37 in single precision, widened); the maximum is its
/// negative, so the first point added becomes both.
inline constexpr double EMPTY_BOX_LIMIT = static_cast<double>(1e37f);

}  // namespace constants
}  // namespace qk
