// The host's wall clock. Plug-ins that time something on screen (an indication shown for a second)
// read it here rather than from the operating system, so that a host can drive it: a scripted or
// recorded session sets and advances it. Without a host clock the system's steady clock is used.
#pragma once

#include "lx_com.hpp"

/// The host's clock: seconds since an arbitrary start, never running backwards.
class ILxClockService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxClockService";
    virtual LxResult Seconds(double *seconds) = 0;

protected:
    ~ILxClockService() = default;
};

namespace lx {

/// Seconds on the host's wall clock; the system's steady clock when the host offers none.
double WallClockSeconds();

}  // namespace lx
