#pragma once
#include <chrono>

#include "run/platform.h"

namespace tindrel {

// The real elapsed-time clock: monotonic, so changes of the time of day do not stretch
// or cut a wait.
class SteadyClock final : public Clock {
public:
    Milliseconds Now() override {
        return std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
    }
};

}  // namespace tindrel
