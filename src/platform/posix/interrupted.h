// What every POSIX service does about signals: a system call retried after one, a write that one
// cuts short carried on, and a wait that one ends early taking its time anew from the deadline.
#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <string_view>

#include <unistd.h>

namespace platform {

// Not for a call that a signal leaves half done, as close() or connect().
template <typename Call>
auto retryInterrupted(Call call)
{
    auto result = call();
    while (result < 0 && errno == EINTR) result = call();
    return result;
}

// Writes the whole text, a part at a time; false when a write fails or takes nothing.
inline bool writeAll(int fd, std::string_view text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t wrote = retryInterrupted([&] { return ::write(fd, text.data() + done, text.size() - done); });
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Rounded up, so that a wait never ends before its deadline; clamped to what poll() takes.
inline int msUntil(std::chrono::steady_clock::time_point deadline,
                   std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now())
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::clamp<decltype(left)>(left, 0, std::numeric_limits<int>::max()));
}

}  // namespace platform
