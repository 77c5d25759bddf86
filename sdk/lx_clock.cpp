#include "lx_clock.hpp"

#include <chrono>

namespace lx {

double WallClockSeconds() {
    void *obj = nullptr;
    if (LXx_OK(GetGlobal(ILxClockService::IID, &obj)) && obj) {
        auto *clock = static_cast<ILxClockService *>(obj);
        double seconds = 0.0;
        LxResult r = clock->Seconds(&seconds);
        clock->Release();
        if (LXx_OK(r)) return seconds;
    }
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace lx
