// What every POSIX service does about signals: a system call retried after one, a write that one
// cuts short carried on, and a wait that one ends early taking its time anew from the deadline.
#pragma once

#include <cerrno>
#include <string_view>

#include <unistd.h>

#include "platform/deadline.h"

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

}  // namespace platform
