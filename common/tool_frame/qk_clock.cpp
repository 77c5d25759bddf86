#include "qk_clock.hpp"

namespace qk {

double ToSeconds(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

double SteadySeconds() {
    return ToSeconds(std::chrono::steady_clock::now());
}

}  // namespace qk
