// The time left until a deadline, for a wait with a time-out in milliseconds on any platform.
#pragma once

#include <algorithm>
#include <chrono>
#include <limits>

namespace platform {

// Rounded up, so that a wait never ends before its deadline; clamped to what poll() takes.
inline int msUntil(std::chrono::steady_clock::time_point deadline,
                   std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now())
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::clamp<decltype(left)>(left, 0, std::numeric_limits<int>::max()));
}

}  // namespace platform
