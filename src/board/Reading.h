// One reading of the eight inputs, as the board gave it; each output formats it where it writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "settings/Settings.h"

struct Reading {
    bool taken = false;  // false until the first cycle; moment is then the start-up's
    std::int64_t momentMs = 0;  // local wall clock, as if it were UTC, in ms since 1970
    PerInput<std::optional<int>> analogRaw;       // none: no digit among the reply's first four bytes
    PerInput<std::optional<bool>> digitalClosed;  // none: no reply has told the state yet
    // Whether the reply was empty: published as null, not as a value.
    PerInput<bool> analogReplyEmpty{};
    PerInput<bool> digitalReplyEmpty{};
};

// Whether any of the eight replies held something: else the board is away.
inline bool boardAnswered(const Reading& reading)
{
    for (std::size_t i = 0; i < 4; ++i)
        if (!reading.analogReplyEmpty[i] || !reading.digitalReplyEmpty[i]) return true;
    return false;
}
