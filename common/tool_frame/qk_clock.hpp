// The module's own wall clock for what is timed on screen (an indication shown for a second): the
// standard library's steady clock, read in seconds. Timing rules take the time as a value, so they
// are tested with times of their own.
#pragma once

#include <chrono>

namespace qk {

/// Seconds from the steady clock's epoch to t (fractions kept); never runs backwards.
double ToSeconds(std::chrono::steady_clock::time_point t);
/// The steady clock now, in seconds (see ToSeconds).
double SteadySeconds();

}  // namespace qk
