// Fuzzes decodeDigital: only the reply's first character decides open, closed or unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "board/Decoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    DigitalState expected = DigitalState::closed;  // empty, or not a digit
    if (size > 0 && reply[0] == '1') expected = DigitalState::open;
    if (size > 0 && reply[0] >= '2' && reply[0] <= '9') expected = DigitalState::unchanged;
    if (decodeDigital(reply) != expected) std::abort();
    return 0;
}
