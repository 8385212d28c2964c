// Fuzzes the report's reader with any bytes: no crash and no hang; chunks of any size, two files
// split at a line end, and the shortcuts (the usual row read at fixed places, rows added a batch
// at a time) give what the plain reading gives; the page holds its eight charts, stays under 2 MB
// and is valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "driver/TextCodec.h"
#include "report/ReportPage.h"
#include "report_reference.h"

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

std::size_t count(const std::string& text, std::string_view part)
{
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first byte sets the chunk size, the rest is the file.
    if (size < 1) return 0;
    const std::size_t chunk = 1 + data[0] % 64;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    const auto plain = readPlainly(bytes);
    const std::string expected = describe(*plain);
    const auto whole = readInChunks(bytes, bytes.size() + 1);
    check(describe(*whole) == expected);
    check(describe(*readInChunks(bytes, chunk)) == expected);
    // Two files split after a line end read as the one: a file without a header continues the run.
    if (const std::size_t split = bytes.find('\n', bytes.size() / 2); split != std::string_view::npos)
        check(describe(*readFiles({bytes.substr(0, split + 1), bytes.substr(split + 1)})) == expected);

    const LogFigures& figures = *whole;
    check(figures.awayRows <= figures.rows && figures.gaps < figures.rows + 1);
    check(figures.rows == 0 || figures.firstStamp <= figures.lastStamp);
    for (const AnalogFigures& analog : figures.analog) {
        const AnalogValue mean = meanValue(analog, valuePlaces);
        check(analog.values == 0 || (analog.minimum <= analog.last && analog.last <= analog.maximum &&
                                     analog.minimum <= mean && mean <= analog.maximum));
    }

    const std::string page = renderPage(figures, {"log.csv"});
    check(page.size() < 2'000'000 && isUtf8(page));
    check(count(page, "class=\"chart analog\"") == 4 && count(page, "class=\"chart digital\"") == 4);
    check((figures.awayRows > 0) == (count(page, "class=\"band away\"") == 8));
    return 0;
}
