// The report's reader: which lines are rows, headers or skipped, what the figures make of a
// sequence of rows, and that its shortcuts agree with the plain reading.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "driver/LoggerState.h"
#include "driver/TextCodec.h"
#include "logging/LogFormat.h"
#include "report/FixedRow.h"
#include "report/ReportPage.h"
#include "report_reference.h"

namespace {

const std::string header =
    "Datum,Uhrzeit,Analog-Eingang Nr. 1,Analog-Eingang Nr. 2,Analog-Eingang Nr. 3,Analog-Eingang Nr. 4,"
    "Digital-Eingang Nr. 1,Digital-Eingang Nr. 2,Digital-Eingang Nr. 3,Digital-Eingang Nr. 4\r\n";

// Two inputs in the quantity form, one with an empty unit, one in the voltage form; Latin-1.
const std::string quantityHeader =
    "Datum,Uhrzeit,Keller [\xb0" "C],Druck [hPa],A3 [],Analog-Eingang Nr. 4,D1,D2,D3,D4\r\n";

std::unique_ptr<LogFigures> read(const std::string& bytes) { return readInChunks(bytes, 7); }

TEST(LogReader, EachLineIsARowAHeaderOrSkipped)
{
    struct Case {
        const char* name;
        std::string line;
        char kind;  // r row, a row of an absent board, h header, j header after a cut row, s skipped
        std::array<AnalogValue, 4> value;  // in millionths
        const char* digital;  // the four codes, '-' for one never read
        std::uint32_t noValue = 0;  // bit n: analog input n+1 has none
    } cases[] = {
        {"usual row",
         "07.12.2026,09:05:03,2.50,-0.0,4.99,0.00,1,0,0,0\r\n",
         'r',
         {2'500'000, 0, 4'990'000, 0},
         "1000"},
        {"line feed alone",
         "07.12.2026,09:05:03,2.50,-0.0,4.99,0.00,1,0,0,0\n",
         'r',
         {2'500'000, 0, 4'990'000, 0},
         "1000"},
        {"no reply at all", "07.12.2026,09:05:03,-0.0,-0.0,-0.0,-0.0,1,1,1,1\r\n", 'a', {}, ""},
        {"zero readings", "07.12.2026,09:05:03,-0.0,-0.0,-0.0,-0.0,1,1,1,0\r\n", 'r', {0, 0, 0, 0}, "1110"},
        {"no reply, a digital input not read yet", "07.12.2026,09:05:03,-0.0,-0.0,-0.0,-0.0,1,1,1,\r\n", 'a', {}, ""},
        {"10 V and more",
         "07.12.2026,09:05:03,48.8,10.0,0.01,5.00,0,1,0,1\r\n",
         'r',
         {48'800'000, 10'000'000, 10'000, 5'000'000},
         "0101"},
        {"inputs never read",
         "31.12.2026,23:59:59,2.50,2.50,2.50,2.50,,,,\r\n",
         'r',
         {2'500'000, 2'500'000, 2'500'000, 2'500'000},
         "----"},
        {"leap day",
         "29.02.2028,00:00:00,1.00,1.00,1.00,1.00,0,0,0,0\r\n",
         'r',
         {1'000'000, 1'000'000, 1'000'000, 1'000'000},
         "0000"},
        {"header", "Datum,Uhrzeit,A1,A2,A3,A4,D1,D2,D3,D4\r\n", 'h', {}, ""},
        {"header after a cut row", "07.12.2026,09:05:03,2.5Datum,Uhrzeit,A1,A2,A3,A4,D1,D2,D3,D4\r\n", 'j', {}, ""},
        {"cut last line", "07.12.2026,09:05:03,2.50,-0.0,4.99,0.00,1,0,0,0", 's', {}, ""},
        {"cut after CR", "07.12.2026,09:05:03,2.50,-0.0,4.99,0.00,1,0,0,0\r", 's', {}, ""},
        {"nine fields", "07.12.2026,09:05:03,2.50,-0.0,4.99,0.00,1,0,0\r\n", 's', {}, ""},
        {"eleven fields", "07.12.2026,09:05:03,2.50,-0.0,4.99,0.00,1,0,0,0,0\r\n", 's', {}, ""},
        {"header of nine", "Datum,Uhrzeit,A1,A2,A3,A4,D1,D2,D3\r\n", 's', {}, ""},
        {"letter in a value", "07.12.2026,09:05:03,2.5x,-0.0,4.99,0.00,1,0,0,0\r\n", 's', {}, ""},
        {"value never read", "07.12.2026,09:05:03,--.--,-0.0,4.99,0.00,1,0,0,0\r\n", 's', {}, ""},
        {"four decimals", "07.12.2026,09:05:03,2.5000,-0.0,4.99,0.00,1,0,0,0\r\n", 'r', {2'500'000, 0, 4'990'000, 0},
         "1000"},
        {"the quantity form",
         "07.12.2026,09:05:03,21.5,-3.25,1013,0.000001,0,1,0,0\r\n",
         'r',
         {21'500'000, -3'250'000, 1'013'000'000, 1},
         "0100"},
        {"the largest values",
         "07.12.2026,09:05:03,999999999999.999999,-999999999999,12345.6,-0.5,0,0,0,0\r\n",
         'r',
         {999'999'999'999'999'999, -999'999'999'999'000'000, 12'345'600'000, -500'000},
         "0000"},
        {"empty fields",
         "07.12.2026,09:05:03,,21.5,,-0.0,1,0,1,1\r\n",
         'r',
         {0, 21'500'000, 0, 0},
         "1011",
         0b0101},
        {"no reply in the quantity form", "07.12.2026,09:05:03,,,,,1,1,1,1\r\n", 'a', {}, ""},
        {"no reply in both forms, no input read yet", "07.12.2026,09:05:03,,-0.0,,-0.00,,,,\r\n", 'a', {}, ""},
        {"10^12", "07.12.2026,09:05:03,1000000000000,1,1,1,0,0,0,0\r\n", 's', {}, ""},
        {"seven decimals", "07.12.2026,09:05:03,0.0000001,1,1,1,0,0,0,0\r\n", 's', {}, ""},
        {"a minus alone", "07.12.2026,09:05:03,-,1,1,1,0,0,0,0\r\n", 's', {}, ""},
        {"a point without decimals", "07.12.2026,09:05:03,2.,1,1,1,0,0,0,0\r\n", 's', {}, ""},
        {"a plus", "07.12.2026,09:05:03,+2.5,1,1,1,0,0,0,0\r\n", 's', {}, ""},
        {"blank before a value", "07.12.2026,09:05:03, 2.50,-0.0,4.99,0.00,1,0,0,0\r\n", 's', {}, ""},
        {"decimal comma", "07.12.2026;09:05:03;2,50;-0,0;4,99;0,00;1;0;0;0\r\n", 's', {}, ""},
        {"code 2", "07.12.2026,09:05:03,2.50,-0.0,4.99,0.00,1,2,0,0\r\n", 's', {}, ""},
        {"30 February", "30.02.2026,09:05:03,2.50,-0.0,4.99,0.00,1,0,0,0\r\n", 's', {}, ""},
        {"29 February 2027", "29.02.2027,09:05:03,2.50,-0.0,4.99,0.00,1,0,0,0\r\n", 's', {}, ""},
        {"clock before 1970", "00.00.0000,00:00:00,2.50,-0.0,4.99,0.00,1,0,0,0\r\n", 's', {}, ""},
        {"hour 24", "07.12.2026,24:00:00,2.50,-0.0,4.99,0.00,1,0,0,0\r\n", 's', {}, ""},
        {"minute 60", "07.12.2026,09:60:03,2.50,-0.0,4.99,0.00,1,0,0,0\r\n", 's', {}, ""},
        {"one-digit day", "7.12.2026,09:05:03,2.50,-0.0,4.99,0.00,1,0,0,0\r\n", 's', {}, ""},
        {"empty line", "\r\n", 's', {}, ""},
        {"zero bytes", std::string(47, '\0') + "\r\n", 's', {}, ""},
        {"overlong line", std::string(5000, '7') + "\r\n", 's', {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto figures = read(header + c.line);
        const bool row = c.kind == 'r' || c.kind == 'a';
        EXPECT_EQ(figures->rows, row ? 1 : 0);
        EXPECT_EQ(figures->awayRows, c.kind == 'a' ? 1 : 0);
        EXPECT_EQ(figures->skippedLines, c.kind == 's' || c.kind == 'j' ? 1 : 0);
        EXPECT_EQ(figures->runs, c.kind == 'h' || c.kind == 'j' ? 2 : 1);
        if (c.kind != 'r') continue;
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(figures->analog[i].values, (c.noValue >> i & 1u) == 0 ? 1 : 0);
            EXPECT_EQ(figures->analog[i].last, c.value[i]);
            EXPECT_EQ(figures->digital[i].last, c.digital[i] == '-' ? -1 : c.digital[i] - '0');
        }
    }
}

// Rows of one run, one a line: "hh:mm:ss a1 a2 a3 a4 d1d2d3d4" on 07.12.2026.
std::string rows(std::initializer_list<const char*> lines)
{
    std::string log = header;
    for (const char* line : lines) {
        std::string text = line;
        log += "07.12.2026," + text.substr(0, 8) + ",";
        for (std::size_t at = 9; at < text.size(); ++at) log += text[at] == ' ' ? ',' : text[at];
        log += "\r\n";
    }
    return log;
}

// "dd.mm.yyyy,hh:mm:ss," of a count of seconds since 1970 on the log's own clock.
std::string stampFields(long long second)
{
    const auto date = std::chrono::year_month_day{std::chrono::sys_days{std::chrono::days{second / 86400}}};
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02u.%02u.%04d,%02lld:%02lld:%02lld,", static_cast<unsigned>(date.day()),
                  static_cast<unsigned>(date.month()), static_cast<int>(date.year()), second % 86400 / 3600,
                  second / 60 % 60, second % 60);
    return stamp;
}

// A run with a row at each of the given seconds, all with the same values.
std::string rowsAt(std::initializer_list<long long> seconds, const char* values = "1.00,1.00,1.00,1.00,1,0,0,0")
{
    std::string log = header;
    for (long long second : seconds) log += stampFields(second) + values + "\r\n";
    return log;
}

// A run of 40 rows every 90 minutes from a moment in UTC, stamped in German local time as the
// logger writes them: on 25.10.2026 at 01:00 UTC the clock goes back from 03:00 to 02:00.
std::string rowsInLocalTime(long long utc, const char* values)
{
    constexpr long long clockBack = 1792890000;  // 25.10.2026 01:00 UTC
    std::string log = header;
    for (int n = 0; n < 40; ++n, utc += 5400)
        log += stampFields(utc + (utc < clockBack ? 7200 : 3600)) + values + "\r\n";
    return log;
}

std::string rowsOnly(std::initializer_list<const char*> lines) { return rows(lines).substr(header.size()); }

std::string withCommas(const char* codes)
{
    return std::string{codes[0], ',', codes[1], ',', codes[2], ',', codes[3]};
}

TEST(LogReader, FiguresOfASequence)
{
    const std::string oneValue =
        "\t1\t1.000\t1.000\t1.000\t1.000\t07.12.2026 09:00:00\t07.12.2026 09:00:00\t07.12.2026 09:00:00";
    struct Case {
        const char* name;
        std::string log;
        std::vector<std::string> summaryLines;
    } cases[] = {
        {"a board away is left out of the figures and counted",
         rows({"09:00:00 1.00 2.00 0.50 4.00 1 0 0 0", "09:00:01 -0.0 -0.0 -0.0 -0.0 1 1 1 1",
               "09:00:02 3.00 2.00 0.50 4.00 0 0 0 0"}),
         {"away\t1",
          "analog\t1\tAnalog-Eingang Nr. 1\t2\t1.000\t3.000\t2.000\t3.000\t07.12.2026 09:00:00\t"
          "07.12.2026 09:00:02\t07.12.2026 09:00:02",
          "digital\t1\tDigital-Eingang Nr. 1\t2\t1\t50.0\t0\t07.12.2026 09:00:02"}},
        {"the clock put back neither folds the span nor makes a gap",
         rows({"02:59:58 1.00 1.00 1.00 1.00 0 0 0 0", "02:59:59 1.00 1.00 1.00 1.00 0 0 0 0",
               "02:00:00 2.00 1.00 1.00 1.00 0 0 0 0", "02:00:01 1.00 1.00 1.00 1.00 0 0 0 0"}),
         {"rows\t4", "gaps\t0", "from\t07.12.2026 02:00:00", "to\t07.12.2026 02:59:59",
          "analog\t1\tAnalog-Eingang Nr. 1\t4\t1.000\t2.000\t1.250\t1.000\t07.12.2026 02:59:58\t"
          "07.12.2026 02:00:00\t07.12.2026 02:00:01"}},
        {"a step of more than twice the spacing is a gap",
         rows({"09:00:00 1.00 1.00 1.00 1.00 0 0 0 0", "09:00:10 1.00 1.00 1.00 1.00 0 0 0 0",
               "09:00:21 1.00 1.00 1.00 1.00 0 0 0 0", "09:00:56 1.00 1.00 1.00 1.00 0 0 0 0",
               "09:01:06 1.00 1.00 1.00 1.00 0 0 0 0"}),
         {"gaps\t1"}},
        {"each row weighs its run's spacing",
         rows({"09:00:00 1.00 1.00 1.00 1.00 1 0 0 0", "09:00:01 1.00 1.00 1.00 1.00 1 0 0 0"}) +
             rows({"10:00:00 1.00 1.00 1.00 1.00 0 0 0 0", "10:00:10 1.00 1.00 1.00 1.00 0 0 0 0"}),
         {"runs\t2", "gaps\t0", "digital\t1\tDigital-Eingang Nr. 1\t4\t1\t9.1\t0\t07.12.2026 10:00:10"}},
        {"the spacing is the most common step, the smallest one last",
         rowsAt({0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 28}), {"gaps\t0"}},
        {"the spacing is the most common step, the smallest one first",
         rowsAt({0, 1, 4, 7, 10, 13, 16, 19, 22, 25, 28}), {"gaps\t0"}},
        {"gaps among many steps of the spacing",
         rowsAt({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 26, 27, 40}),
         {"gaps\t2"}},
        {"the clock put back an hour in a run of 90-minute rows",
         rowsInLocalTime(1792756800, "1.00,1.00,1.00,1.00,1,0,0,0") +
             rowsInLocalTime(1793534400, "1.00,1.00,1.00,1.00,0,0,0,0"),
         {"runs\t2", "gaps\t0", "digital\t1\tDigital-Eingang Nr. 1\t80\t1\t50.0\t0\t03.11.2026 23:30:00"}},
        {"an empty digital field fits an absent board",
         rows({"09:00:00 1.00 1.00 1.00 1.00 1 1 1 ", "09:00:01 -0.0 -0.0 -0.0 -0.0 1 1 1 ",
               "09:00:02 1.00 1.00 1.00 1.00 1 1 1 "}),
         {"away\t1", "analog\t1\tAnalog-Eingang Nr. 1\t2\t1.000\t1.000\t1.000\t1.000\t07.12.2026 09:00:00\t"
                     "07.12.2026 09:00:00\t07.12.2026 09:00:02"}},
        {"readings cut by an outage are shaded with it; a 0 V elsewhere is real",
         rows({"09:00:00 1.00 2.00 3.00 4.00 0 0 0 0", "09:00:01 1.50 2.50 -0.0 -0.0 1 1 1 1",
               "09:00:02 -0.0 -0.0 -0.0 -0.0 1 1 1 1", "09:00:03 -0.0 2.20 3.00 4.00 1 1 1 1",
               "09:00:04 1.00 2.00 3.00 4.00 0 0 0 0", "09:00:05 1.00 -0.0 3.00 4.00 1 1 1 1"}),
         {"away\t3",
          "analog\t1\tAnalog-Eingang Nr. 1\t4\t1.000\t1.500\t1.125\t1.000\t07.12.2026 09:00:00\t"
          "07.12.2026 09:00:01\t07.12.2026 09:00:05",
          "analog\t2\tAnalog-Eingang Nr. 2\t5\t0.000\t2.500\t1.740\t0.000\t07.12.2026 09:00:05\t"
          "07.12.2026 09:00:01\t07.12.2026 09:00:05",
          "analog\t3\tAnalog-Eingang Nr. 3\t4\t3.000\t3.000\t3.000\t3.000\t07.12.2026 09:00:00\t"
          "07.12.2026 09:00:00\t07.12.2026 09:00:05",
          "digital\t1\tDigital-Eingang Nr. 1\t3\t1\t33.3\t1\t07.12.2026 09:00:05"}},
        {"the quantity form: the input's decimals, negative values, empty fields as no reading",
         quantityHeader + rowsOnly({"09:00:00 -5.5 1013 2.125 1.00 0 0 0 0", "09:00:01  1014 2.1 1.00 0 0 0 0",
                                    "09:00:02 -4.4  2.25 2.00 0 0 0 0"}),
         {"away\t0",
          "analog\t1\tKeller [\xc2\xb0" "C]\t2\t-5.5\t-4.4\t-5.0\t-4.4\t07.12.2026 09:00:00\t07.12.2026 09:00:02\t"
          "07.12.2026 09:00:02",
          "analog\t2\tDruck [hPa]\t2\t1013\t1014\t1014\t1014\t07.12.2026 09:00:00\t07.12.2026 09:00:01\t"
          "07.12.2026 09:00:01",
          "analog\t3\tA3 []\t3\t2.100\t2.250\t2.158\t2.250\t07.12.2026 09:00:01\t07.12.2026 09:00:02\t"
          "07.12.2026 09:00:02",
          "analog\t4\tAnalog-Eingang Nr. 4\t3\t1.000\t2.000\t1.333\t2.000\t07.12.2026 09:00:00\t"
          "07.12.2026 09:00:02\t07.12.2026 09:00:02"}},
        {"empty fields at an outage's edge are left out as -0.0 is",
         quantityHeader + rowsOnly({"09:00:00 21.5 1013 2.1 1.00 0 0 0 0", "09:00:01 21.6  2.2 -0.0 1 1 1 1",
                                    "09:00:02     1 1 1 1", "09:00:03 21.7 1014 2.3 1.00 0 0 0 0"}),
         {"away\t2",
          "analog\t1\tKeller [\xc2\xb0" "C]\t3\t21.5\t21.7\t21.6\t21.7\t07.12.2026 09:00:00\t"
          "07.12.2026 09:00:03\t07.12.2026 09:00:03",
          "analog\t2\tDruck [hPa]\t2\t1013\t1014\t1014\t1014\t07.12.2026 09:00:00\t07.12.2026 09:00:03\t"
          "07.12.2026 09:00:03",
          "digital\t1\tD1\t2\t0\t0.0\t0\t07.12.2026 09:00:03"}},
        {"the first header names the columns, the most decimals show",
         quantityHeader + rowsOnly({"09:00:00 21.5 1013 2.1 1.00 0 0 0 0"}) +
             "Datum,Uhrzeit,Keller [K],Druck [Pa],A3,A4 [mV],D1,D2,D3,D4\r\n" +
             rowsOnly({"09:00:01 294.65 101300 2 1000 0 0 0 0"}),
         {"runs\t2",
          "analog\t1\tKeller [\xc2\xb0" "C]\t2\t21.50\t294.65\t158.08\t294.65\t07.12.2026 09:00:00\t"
          "07.12.2026 09:00:01\t07.12.2026 09:00:01",
          "analog\t4\tAnalog-Eingang Nr. 4\t2\t1.000\t1000.000\t500.500\t1000.000\t07.12.2026 09:00:00\t"
          "07.12.2026 09:00:01\t07.12.2026 09:00:01"}},
        {"titles in UTF-8, Latin-1 ones converted, with DEL and C1 controls blanked",
         "Datum,Uhrzeit,T \xb0" "C\x7f,A\x85" "B,A3\r,A4,D1,D2,D3,D4\r\n" +
             rowsOnly({"09:00:00 1.00 1.00 1.00 1.00 0 0 0 0"}) + "Datum,Uhrzeit,A1,A2,A3,A4,D1,D2,D3,D4\r\n",
         {"analog\t1\tT \xc2\xb0" "C " + oneValue, "analog\t2\tA B" + oneValue, "analog\t3\tA3 " + oneValue}},
        {"C1 controls in a UTF-8 title",
         "Datum,Uhrzeit,T \xc2\xb0" "C,A\xc2\x85" "B,A3,A4,D1,D2,D3,D4\r\n" +
             rowsOnly({"09:00:00 1.00 1.00 1.00 1.00 0 0 0 0"}),
         {"analog\t1\tT \xc2\xb0" "C" + oneValue, "analog\t2\tA B" + oneValue}},
        {"control characters in a label",
         "Datum,Uhrzeit,A" + std::string(1, '\0') + "1,A\t2,A3,A4,D1,D2,D3,D4\r\n" +
             rowsOnly({"09:00:00 1.00 1.00 1.00 1.00 0 0 0 0"}),
         {"analog\t1\tA 1\t1\t1.000\t1.000\t1.000\t1.000\t07.12.2026 09:00:00\t07.12.2026 09:00:00\t"
          "07.12.2026 09:00:00",
          "analog\t2\tA 2\t1\t1.000\t1.000\t1.000\t1.000\t07.12.2026 09:00:00\t07.12.2026 09:00:00\t"
          "07.12.2026 09:00:00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string summary = summaryText(*read(c.log));
        for (const std::string& line : c.summaryLines)
            EXPECT_NE(summary.find(line + "\n"), std::string::npos) << line << "\nin\n" << summary;
    }

    // Files follow one another as one log: only a header starts a run.
    const std::string first = rows({"09:00:00 1.00 1.00 1.00 1.00 0 0 0 0", "09:00:01 1.00 1.00 1.00 1.00 0 0 0 0"});
    const std::string second =
        rowsOnly({"09:00:02 1.00 1.00 1.00 1.00 0 0 0 0", "09:00:30 1.00 1.00 1.00 1.00 0 0 0 0"});
    const std::string together = summaryText(*read(first + second));
    EXPECT_NE(together.find("runs\t1\n"), std::string::npos);
    EXPECT_NE(together.find("gaps\t1\n"), std::string::npos);
    EXPECT_EQ(summaryText(*readFiles({first, second})), together);

    // The chart keeps the file's order: the row from before the clock went back comes first.
    const auto putBack = read(rows({"02:59:59 1.00 1.00 1.00 1.00 0 0 0 0", "02:00:00 1.00 1.00 1.00 1.00 0 0 0 0"}));
    EXPECT_GT(putBack->buckets[0].firstStamp, putBack->buckets[1].firstStamp);
}

// The log read in chunks, and its German copy's bytes in copyText.
std::unique_ptr<LogFigures> readWithCopy(const std::string& log, std::size_t chunkBytes, std::string& copyText)
{
    const std::string path = ::testing::TempDir() + "german.csv";
    GermanCsv copy;
    EXPECT_TRUE(openGermanCsv(copy, path, {}));
    auto figures = readInChunks(log, chunkBytes, &copy);
    EXPECT_TRUE(closeGermanCsv(copy));
    std::ifstream written(path, std::ios::binary);
    copyText.assign(std::istreambuf_iterator<char>(written), {});
    std::remove(path.c_str());
    return figures;
}

TEST(LogReader, TheGermanCopyLeavesACellEmptyWhereTheFiguresHaveNoReading)
{
    struct Case {
        const char* name;
        std::string log;
        const char* copy;  // its rows after the header, "hh:mm:ss;..." on 07.12.2026
    } cases[] = {
        {"an outage, its edges and a 0 V that is real",
         rows({"09:00:00 1.00 2.00 3.00 4.00 0 0 0 0", "09:00:01 1.50 2.50 -0.0 -0.0 1 1 1 1",
               "09:00:02 -0.0 -0.0 -0.0 -0.0 1 1 1 1", "09:00:03 -0.0 2.20 3.00 4.00 1 1 1 1",
               "09:00:04 1.00 -0.0 3.00 4.00 0 0 1 1", "09:00:05 1.00 -0.0 3.00 4.00 1 1 1 1"}),
         "09:00:00;1,00;2,00;3,00;4,00;0;0;0;0\n09:00:01;1,50;2,50;;;;;;\n09:00:02;;;;;;;;\n"
         "09:00:03;;2,20;3,00;4,00;;;;\n09:00:04;1,00;-0,0;3,00;4,00;0;0;1;1\n"
         "09:00:05;1,00;-0,0;3,00;4,00;1;1;1;1\n"},
        {"the quantity form's empty fields, and inputs not read yet",
         quantityHeader + rowsOnly({"09:00:00 21.5 1013 2.1 1.00 0 0 0 ", "09:00:01 21.6  2.2 -0.0 1 1 1 ",
                                    "09:00:02     1 1 1 ", "09:00:03 21.7 1014 2.3 1.00 0 0 0 0"}),
         "09:00:00;21,5;1013;2,1;1,00;0;0;0;\n09:00:01;21,6;;2,2;;;;;\n09:00:02;;;;;;;;\n"
         "09:00:03;21,7;1014;2,3;1,00;0;0;0;0\n"},
        {"a new run: an outage there is no edge of the row before",
         rows({"09:00:00 1.00 -0.0 3.00 4.00 1 1 1 1"}) + rows({"09:00:01 -0.0 -0.0 -0.0 -0.0 1 1 1 1"}),
         "09:00:00;1,00;-0,0;3,00;4,00;1;1;1;1\n09:00:01;;;;;;;;\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string expected;
        for (std::string_view rest = c.copy; !rest.empty(); rest.remove_prefix(rest.find('\n') + 1))
            expected += "07.12.2026;" + std::string(rest.substr(0, rest.find('\n'))) + "\r\n";
        // Through the shortcut of the usual row and, in chunks of 7 bytes, field by field.
        for (std::size_t chunk : {c.log.size(), std::size_t{7}}) {
            std::string copy;
            readWithCopy(c.log, chunk, copy);
            EXPECT_EQ(copy.substr(copy.find('\n') + 1), expected) << chunk;
        }
    }
}

// A long log of every kind of line, made up from a fixed seed.
std::string mixedLog(std::size_t lines, unsigned seed)
{
    std::mt19937 random(seed);
    const auto chance = [&](unsigned percent) { return random() % 1000 < percent; };
    std::string log;
    long long second = 1'800'000'000;  // 2027
    long long spacing = 1;
    // Runs in the quantity form, the first one among them, with their decimals.
    bool quantity = true;
    int places = 1;
    for (std::size_t n = 0; n < lines; ++n) {
        if (n == 0 || chance(1)) {
            if (n > 0) quantity = chance(300);
            places = static_cast<int>(random() % 7);
            log += quantity ? quantityHeader : header;
            spacing = 1 + random() % 20;
        }
        second += chance(2) ? 100 * spacing : chance(1) ? -3600 : spacing + (chance(100) ? 1 : 0);
        std::string line = stampFields(second);
        const bool away = chance(30);
        // A reading that the board left part of the way, the later values silent.
        const int silentFrom = away ? 0 : chance(20) ? static_cast<int>(random() % 4) : 4;
        for (int i = 0; i < 4; ++i) {
            const unsigned reading = chance(20) ? 0 : chance(5) ? 9999 : (n * (i + 1) / 7 + random() % 3) % 1024;
            char value[48];
            if (quantity) {
                const double large = chance(5) ? 1e9 : chance(1) ? 1e12 : 0;
                std::snprintf(value, sizeof value, "%.*f", places, reading * 0.48828 - 50 + large);
                line += i >= silentFrom ? std::string(",") : std::string(value) + ",";
                continue;
            }
            std::snprintf(value, sizeof value, "%.3f", std::floor(reading * 4.8828 + 0.5) / 1000);
            line += i >= silentFrom || reading == 0 ? "-0.0," : std::string(value, 4) + ",";
        }
        const bool silent = silentFrom < 4;
        const char codes[] = {silent || n % 997 < 400 ? '1' : '0', silent || n % 61 < 30 ? '1' : '0',
                              chance(2) ? '0' : '1', silent ? '1' : '0'};
        line += n < 3 ? std::string(",,,") : silent && chance(100) ? withCommas(codes).substr(0, 6) : withCommas(codes);
        if (chance(3)) line.insert(random() % line.size(), 1, "x,.:-\0"[random() % 6]);
        log += line + (chance(2) ? "\n" : "\r\n");
    }
    return log + "07.12.2026,09:05:03,2.5";
}

TEST(LogReader, ShortcutsAgreeWithThePlainReading)
{
    // Past a thousand buckets' worth of rows, so that they merge, with every kind of line.
    const std::string log = mixedLog(300'000, 10);
    const std::string plain = describe(*readPlainly(log));
    std::string firstCopy;
    for (std::size_t chunk : {std::size_t{1} << 18, std::size_t{4093}, std::size_t{48}}) {
        SCOPED_TRACE(chunk);
        std::string copy;
        EXPECT_EQ(describe(*readWithCopy(log, chunk, copy)), plain);
        // Rows with and without the shortcut leave the same cells empty.
        if (firstCopy.empty()) firstCopy = copy;
        EXPECT_TRUE(copy == firstCopy);
    }

    // Decimals that only the usual rows, through the shortcut, bring: two, "-0.0" among them.
    std::string usual = quantityHeader + "07.12.2026,09:00:00,21,1013,2,1.00,0,0,0,0\r\n";
    for (int n = 1; n < 200; ++n) usual += stampFields(1796634000 + n) + "2.50,-0.0,1.25,3.00,0,0,0,0\r\n";
    const std::string summary = summaryText(*readInChunks(usual, usual.size()));
    EXPECT_EQ(summary, summaryText(*readPlainly(usual)));
    EXPECT_NE(summary.find("\t200\t0.00\t1013.00\t5.07\t0.00\t"), std::string::npos) << summary;
}

TEST(LogReader, ReadsWhatTheLoggerWrites)
{
    LoggerState state;
    resetLoggerState(state);
    const auto quantity = [&](std::size_t input, const char* label, const char* unit, double scale, double offset,
                              int decimals) {
        state.settings.analog[input] = {label, unit, scale, offset, decimals, true, "", "measurement", 0, 0, 0, ""};
    };
    quantity(0, "Keller", "\xb0" "C", 0.48828, 0, 1);   // an LM35
    quantity(1, "Aussen", "\xb0" "C", 0.48828, -50, 2);  // a TMP36
    quantity(2, "Z\xe4hler", "kWh", 10, 0, 0);
    // Input 4 stays in the voltage form.
    struct Reading {
        std::array<std::optional<int>, 4> raw;
        std::array<std::optional<bool>, 4> closed;
    } readings[] = {
        {{44, 100, 9999, 512}, {true, false, false, false}},
        {{std::nullopt, 0, 0, std::nullopt}, {true, true, true, true}},  // left by the board: its edge
        {{}, {true, true, true, true}},                                  // the board away
        {{45, 200, 1, 1023}, {false, true, false, true}},
    };
    std::string log = logHeaderRow(state.settings);
    const auto day = std::chrono::sys_days{std::chrono::year{2026} / 12 / 7}.time_since_epoch().count();
    std::int64_t second = day * 86400 + 9 * 3600;
    for (const Reading& reading : readings) {
        state.reading.taken = true;
        state.reading.momentMs = second++ * 1000;
        state.reading.analogRaw = reading.raw;
        state.reading.digitalClosed = reading.closed;
        log += logDataRow(state.reading, state.settings, state.analogRoundFactor, state.analogTextWidth);
    }
    const std::string summary = summaryText(*read(log));
    for (const std::string line : {
             "away\t2",
             "analog\t1\tKeller [\xc2\xb0" "C]\t2\t21.5\t22.0\t21.8\t22.0\t07.12.2026 09:00:00\t07.12.2026 09:00:03\t"
             "07.12.2026 09:00:03",
             "analog\t2\tAussen [\xc2\xb0" "C]\t3\t-50.00\t47.66\t-1.17\t47.66\t07.12.2026 09:00:01\t"
             "07.12.2026 09:00:03\t07.12.2026 09:00:03",
             "analog\t3\tZ\xc3\xa4hler [kWh]\t3\t0\t99990\t33333\t10\t07.12.2026 09:00:01\t07.12.2026 09:00:00\t"
             "07.12.2026 09:00:03",
             "analog\t4\tAnalog-Eingang Nr. 4\t2\t2.500\t4.990\t3.745\t4.990\t07.12.2026 09:00:00\t"
             "07.12.2026 09:00:03\t07.12.2026 09:00:03",
         })
        EXPECT_NE(summary.find(line + "\n"), std::string::npos) << line << "\nin\n" << summary << "\nof\n" << log;
}

TEST(LogReader, BothReadersReadEveryFormTheLoggerWrites)
{
    constexpr auto none = std::nullopt;
    struct Case {
        const char* name;
        char settings;  // v the defaults, s input 1 scaled past 10 V, q inputs 1 to 3 in the quantity form
        std::array<std::optional<int>, 4> raw;
        std::array<std::optional<bool>, 4> closed;
        std::int64_t second;  // of the moment, since 1970
        bool fast;            // the usual row's shortcut takes it; the field parser reads every row
        std::array<AnalogValue, 4> value;  // in millionths
        std::uint32_t emptyFields;
        const char* codes;  // '-' for none
        std::uint32_t silent;
    } cases[] = {
        {"the usual row", 'v', {512, 1023, 1, 300}, {true, false, false, true}, 1796634303, true,
         {2'500'000, 4'990'000, 0, 1'460'000}, 0, "1001", 0},
        {"readings of 0", 'v', {0, 512, 512, 0}, {false, true, true, true}, 1835481599, true,
         {0, 2'500'000, 2'500'000, 0}, 0, "0111", 0},
        {"no reply", 'v', {}, {true, true, true, true}, 1798718400, true, {}, 0, "1111", 0b1111},
        {"no reply from some inputs", 'v', {512, none, none, 512}, {true, true, true, true}, 1798718401, true,
         {2'500'000, 0, 0, 2'500'000}, 0, "1111", 0b0110},
        {"the first second of 1970", 'v', {512, 512, 512, 512}, {false, false, false, false}, 0, true,
         {2'500'000, 2'500'000, 2'500'000, 2'500'000}, 0, "0000", 0},
        {"digital inputs never read", 'v', {512, 512, 512, 512}, {}, 1796634303, false,
         {2'500'000, 2'500'000, 2'500'000, 2'500'000}, 0, "----", 0},
        {"no reply before any digital input was read", 'v', {}, {}, 1796634303, false, {}, 0, "----", 0b1111},
        {"10 V and more", 's', {1023, 512, 512, 512}, {false, true, false, true}, 1796634303, false,
         {10'200'000, 2'500'000, 2'500'000, 2'500'000}, 0, "0101", 0},
        {"quantities", 'q', {44, 100, 9999, 1023}, {true, false, false, false}, 1796634303, false,
         {21'500'000, -1'170'000, 99'990'000'000, 4'990'000}, 0, "1000", 0},
        {"quantities in the usual row's length", 'q', {44, 110, 101, 512}, {false, true, false, true}, 1796634303,
         false, {21'500'000, 3'710'000, 1'010'000'000, 2'500'000}, 0, "0101", 0},
        {"no reply in the quantity form", 'q', {}, {true, true, true, true}, 1796634303, false, {}, 0b0111, "1111",
         0b1111},
        {"a quantity without a reading", 'q', {44, none, 101, 512}, {true, false, true, true}, 1796634303, false,
         {21'500'000, 0, 1'010'000'000, 2'500'000}, 0b0010, "1011", 0},
    };
    const auto fieldsOf = [](const LogRow& row) {
        return std::tuple(row.stamp, row.analog, row.emptyFields, row.places, row.knownInputs, row.closedInputs,
                          row.silentInputs);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoggerState state;
        resetLoggerState(state);
        if (c.settings == 's') state.settings.analog[0].scale = 0.01;
        if (c.settings == 'q') {
            state.settings.analog[0] = {"Keller", "\xb0" "C", 0.48828, 0, 1, true, "", "measurement", 0, 0, 0, ""};   // an LM35
            state.settings.analog[1] = {"Aussen", "\xb0" "C", 0.48828, -50, 2, true, "", "measurement", 0, 0, 0, ""};  // a TMP36
            state.settings.analog[2] = {"Z\xe4hler", "kWh", 10, 0, 0, true, "", "measurement", 0, 0, 0, ""};
        }
        state.reading = {true, c.second * 1000 + 999, c.raw, c.closed, {}, {}};
        const std::string row = logDataRow(state.reading, state.settings, state.analogRoundFactor,
                                           state.analogTextWidth);
        SCOPED_TRACE(row);
        RowCache cache;
        LogRow plain;
        std::array<std::string_view, 8> titles;
        ASSERT_EQ(parseLogLine(std::string_view(row).substr(0, row.size() - logLineEnd.size()), cache, plain, titles),
                  LineKind::row);
        EXPECT_EQ(plain.stamp, c.second);
        EXPECT_EQ(plain.analog, c.value);
        EXPECT_EQ(plain.emptyFields, c.emptyFields);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ((plain.knownInputs >> i & 1u) == 1, c.codes[i] != '-');
            EXPECT_EQ((plain.closedInputs >> i & 1u) == 1, c.codes[i] == '1');
        }
        EXPECT_EQ(plain.silentInputs, c.silent);
        // Only where the reader's loop finds the line end at the usual row's length does it try the shortcut.
        RowCache fastCache;
        UsualRow usual;
        EXPECT_EQ(row.size() == usualRowBytes + logLineEnd.size() && parseFixedRow(row.data(), fastCache, usual),
                  c.fast);
        if (c.fast) {
            EXPECT_EQ(fieldsOf(logRowOf(usual)), fieldsOf(plain));
        }

        // The header names each input as its settings do.
        const std::string header = logHeaderRow(state.settings);
        ASSERT_EQ(parseLogLine(std::string_view(header).substr(0, header.size() - logLineEnd.size()), cache, plain,
                               titles),
                  LineKind::header);
        for (std::size_t i = 0; i < 4; ++i) {
            const AnalogInput& input = state.settings.analog[i];
            EXPECT_EQ(splitColumnTitle(titles[i]).label, input.label);
            EXPECT_EQ(splitColumnTitle(titles[i]).unit, input.quantity ? input.unit : "");
            EXPECT_EQ(titles[4 + i], state.settings.digital[i].label);
        }
    }
}

TEST(LogReader, ThePageStaysSmallWhateverTheLog)
{
    // An absent board in every other bucket, a gap in every other, values that differ in every
    // column, and labels as long as they come.
    std::string log = "Datum,Uhrzeit";
    for (int i = 0; i < 8; ++i) log += "," + std::string(500, '\xe4');
    log += "\r\n";
    long second = 0;
    for (int n = 0; n < 200'000; ++n) {
        second += n % 512 == 0 ? 100 : 1;
        char line[64];
        std::snprintf(line, sizeof line, "%02ld.12.2026,%02ld:%02ld:%02ld,", 7 + second / 86400, second / 3600 % 24,
                      second / 60 % 60, second % 60);
        log += line;
        if (n / 256 % 2 != 0) {
            log += "-0.0,-0.0,-0.0,-0.0,1,1,1,1\r\n";
            continue;
        }
        std::snprintf(line, sizeof line, "%d.%02d,0.01,2.50,1.00,%d,1,0,1\r\n", n % 5, n % 97, n / 300 % 2);
        log += line;
    }
    const std::string page = renderPage(*read(log), {"log.csv"});
    EXPECT_LT(page.size(), 2'000'000u);
    const auto count = [&](const std::string& text) {
        std::size_t found = 0;
        for (std::size_t at = page.find(text); at != std::string::npos; at = page.find(text, at + 1)) ++found;
        return found;
    };
    EXPECT_EQ(count("class=\"chart analog\""), 4u);
    EXPECT_EQ(count("class=\"chart digital\""), 4u);
    EXPECT_EQ(count("class=\"band away\""), 8u);
    EXPECT_EQ(count("class=\"band gap\""), 8u);
    // Each label twice, cut and in UTF-8.
    EXPECT_EQ(count("\xc3\xa4"), 8u * 2 * 120);

    // Thousands of long file names: the first few, and how many more.
    const std::vector<std::string> names(3000, std::string(250, 'n') + ".csv");
    const std::string manyNames = renderPage(*read(log), names);
    EXPECT_LT(manyNames.size(), 2'000'000u);
    EXPECT_NE(manyNames.find(" und 2.997 weitere</h1>"), std::string::npos);
}

TEST(LogReader, ThePageSaysWhatItShows)
{
    const std::string oneRow = "09:00:00 1.00 1.00 1.00 1.00 0 0 0 0";
    struct Case {
        const char* name;
        std::string log;
        std::vector<std::string> parts;  // each on the page
    } cases[] = {
        {"a label in UTF-8", "Datum,Uhrzeit,K\xc3\xbc" "che,A2,A3,A4,D1,D2,D3,D4\r\n" + rowsOnly({oneRow.c_str()}),
         {"<h2>K\xc3\xbc" "che <small>"}},
        {"a label in Latin-1", "Datum,Uhrzeit,K\xfc" "che,A2,A3,A4,D1,D2,D3,D4\r\n" + rowsOnly({oneRow.c_str()}),
         {"<h2>K\xc3\xbc" "che <small>"}},
        // Bytes that only look like UTF-8 are Latin-1, its C1 controls shown as '?'.
        {"an overlong form", "Datum,Uhrzeit,A\xc0\xaf,A2,A3,A4,D1,D2,D3,D4\r\n" + rowsOnly({oneRow.c_str()}),
         {"<h2>A\xc3\x80\xc2\xaf <small>"}},
        {"a surrogate", "Datum,Uhrzeit,A\xed\xa0\x80,A2,A3,A4,D1,D2,D3,D4\r\n" + rowsOnly({oneRow.c_str()}),
         {"<h2>A\xc3\xad\xc2\xa0? <small>"}},
        {"past U+10FFFF", "Datum,Uhrzeit,A\xf4\x90\x80\x80,A2,A3,A4,D1,D2,D3,D4\r\n" + rowsOnly({oneRow.c_str()}),
         {"<h2>A\xc3\xb4??? <small>"}},
        {"units on the charts and in the figures",
         quantityHeader + rowsOnly({"09:00:00 21.5 1013 2.125 1.00 0 0 0 0", "09:00:01 21.6 1013 2.1 1.00 0 0 0 0"}),
         {"<h2>Keller <small>(\xc2\xb0" "C)</small></h2>", "aria-label=\"Keller in \xc2\xb0" "C\"", ">21,0</text>",
          ">21,6&nbsp;\xc2\xb0" "C<", ">21,55&nbsp;\xc2\xb0" "C<", "<h2>Druck <small>(hPa)</small>",
          ">1013,0&nbsp;hPa<", "<h2>A3</h2>", "aria-label=\"A3\"", ">2,125<",
          "<h2>Analog-Eingang Nr. 4 <small>(Volt)</small>", "aria-label=\"Analog-Eingang Nr. 4 in Volt\"",
          ">1,00&nbsp;V<"}},
        {"one row", rows({oneRow.c_str()}), {"aus 1 Messwert<"}},
        {"no rows", header, {"Keine Messwerte: das Log hat keine Zeilen."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string page = renderPage(*read(c.log), {"log.csv"});
        for (const std::string& part : c.parts) EXPECT_NE(page.find(part), std::string::npos) << part;
        EXPECT_EQ(page.find("in keiner Zeile"), std::string::npos);
        EXPECT_TRUE(isUtf8(page));
    }

    // Two units, the smaller one rounded.
    const std::pair<DateValue, const char*> durations[] = {
        {0, "0 s"}, {59, "59 s"}, {3599, "59 min 59 s"}, {7170, "2 h"}, {3 * 86400 + 3 * 3600 + 3599, "3 Tage 4 h"},
        {86400 - 1, "1 Tag"}, {90 * 60, "1 h 30 min"}};
    for (const auto& [seconds, text] : durations) EXPECT_EQ(durationText(seconds), text) << seconds;
}

// The alarm log's rows, "hh:mm:ss,Eingang,Ereignis,Wert,Grenze" on 07.12.2026, after its header.
std::string alarmLog(std::initializer_list<const char*> lines)
{
    std::string log(alarmLogHeader);
    log += "\r\n";
    for (const char* line : lines) log += std::string("07.12.2026,") + line + "\r\n";
    return log;
}

// A row of the page's table of alarms, its start and end on 07.12.2026, or without an end.
std::string alarmRowOf(const std::string& input, const std::string& start, const std::string& end,
                       const std::string& duration, const std::string& extreme)
{
    return "<tr><td>" + input + "</td><td>07.12.2026 " + start + "</td><td>" +
           (end.empty() ? "kein Ende verzeichnet" : "07.12.2026 " + end) + "</td><td class=\"n\">" + duration +
           "</td><td class=\"n\">" + extreme + "</td></tr>\n";
}

TEST(LogReader, TheAlarmLogBesideTheLog)
{
    // Two runs; the board away at 09:00:05, which counts for no value.
    const std::string quantities =
        quantityHeader + rowsOnly({"09:00:00 21.5 1013 2.1 1.00 0 0 0 0", "09:00:01 25.5 1013 2.1 1.00 0 0 0 0",
                                   "09:00:02 27.25 1013 2.1 1.00 1 0 0 0", "09:00:03 26.0 1012 2.1 1.00 1 0 0 0",
                                   "09:00:04 21.0 1001 2.1 1.00 0 0 0 0", "09:00:05 -0.0 -0.0 -0.0 -0.0 1 1 1 1",
                                   "09:00:06 21.0 990 2.1 1.00 0 0 0 0", "09:00:07 21.0 995 2.1 1.00 0 0 0 0"}) +
        quantityHeader + rowsOnly({"09:00:20 30.0 1013 2.1 1.00 0 0 0 0", "09:00:21 31.0 1013 2.1 1.00 0 0 0 0"});
    // Usual rows, which the reader takes a stretch at a time after a bucket's first row once a
    // bucket holds several: input 2 rises by 0.01 V a second from 0 to 4.99 V, and again.
    std::string usual = header;
    for (int n = 0; n < 3000; ++n) {
        char values[64];
        std::snprintf(values, sizeof values, "1.00,%d.%02d,1.00,1.00,0,0,0,0\r\n", n % 500 / 100, n % 100);
        usual += stampFields(1796634000 + n) + values;  // from 07.12.2026 09:00:00
    }
    const std::string keller = "Keller [\xc2\xb0" "C]";
    const std::string degrees = "&nbsp;\xc2\xb0" "C";
    struct Case {
        const char* name;
        const std::string* log;
        std::string alarms;
        const char* summary;  // the line "alarms"
        std::size_t bands;    // the charts with an alarm shaded
        std::vector<std::string> rows;
    } cases[] = {
        {"above its limit until its end", &quantities,
         alarmLog({"09:00:01,Keller [\xb0" "C],Alarm,25.5,25.0", "09:00:04,Keller [\xb0" "C],Ende,21.0,25.0"}),
         "alarms\t1\t0\t0", 1, {alarmRowOf(keller, "09:00:01", "09:00:04", "3 s", "max. 27,25" + degrees)}},
        {"below its limit, an absent board's value left out", &quantities,
         alarmLog({"09:00:04,Druck [hPa],Alarm,1001,1005", "09:00:07,Druck [hPa],Ende,1013,1005"}),
         "alarms\t1\t0\t0", 1, {alarmRowOf("Druck [hPa]", "09:00:04", "09:00:07", "3 s", "min. 990&nbsp;hPa")}},
        {"a digital input, and a silent board on every chart", &quantities,
         alarmLog({"09:00:02,D1,Alarm,1,", "09:00:04,D1,Ende,0,", "09:00:05,Board,Alarm,,S1",
                   "09:00:06,Board,Ende,,S1"}),
         "alarms\t2\t0\t0", 8,
         {alarmRowOf("D1", "09:00:02", "09:00:04", "2 s", "&ndash;"),
          alarmRowOf("Board", "09:00:05", "09:00:06", "1 s", "&ndash;")}},
        {"without an end to the last row of its run, and again after a restart", &quantities,
         alarmLog({"09:00:03,Keller [\xb0" "C],Alarm,26.0,25.0", "09:00:20,Keller [\xb0" "C],Alarm,30.0,25.0",
                   "09:00:21,Keller [\xb0" "C],Ende,31.0,25.0"}),
         "alarms\t2\t1\t0", 1,
         {alarmRowOf(keller, "09:00:03", "", "mindestens 4 s", "max. 26,00" + degrees),
          alarmRowOf(keller, "09:00:20", "09:00:21", "1 s", "max. 31,00" + degrees)}},
        {"a second start without an end between ends the first", &quantities,
         alarmLog({"09:00:01,Keller [\xb0" "C],Alarm,25.5,25.0", "09:00:03,Keller [\xb0" "C],Alarm,26.0,25.0"}),
         "alarms\t2\t2\t0", 1,
         {alarmRowOf(keller, "09:00:01", "", "mindestens 1 s", "max. 27,25" + degrees),
          alarmRowOf(keller, "09:00:03", "", "mindestens 4 s", "max. 26,00" + degrees)}},
        {"rows that do not fit are skipped and counted, a repeated header is not", &quantities,
         alarmLog({"09:00:01,D2,Start,1,", "09:00:01,D2,Alarm,1", "09:00:01,D2,Alarm,1,5,", "09:00:01,D2,Alarm,x,",
                   "09:00:01,D2,Ende,0,", "09:00:01,Board,Alarm,x,S1", "31.02.2026,09:00:01,D2,Alarm,1,",
                   "09:00:02,D3,Alarm,1,"}) +
             std::string(alarmLogHeader) + "\r\n07.12.2026,09:00:03,D3,Ende,0,\r\n07.12.2026,09:00:04,D3,Al",
         "alarms\t1\t0\t8", 1, {alarmRowOf("D3", "09:00:02", "09:00:03", "1 s", "&ndash;")}},
        {"within the usual rows", &usual,
         alarmLog({"09:18:20,Analog-Eingang Nr. 2,Alarm,1.00,0.99", "09:20:51,Analog-Eingang Nr. 2,Ende,2.51,0.99"}),
         "alarms\t1\t0\t0", 1,
         {alarmRowOf("Analog-Eingang Nr. 2", "09:18:20", "09:20:51", "2 min 31 s", "max. 2,51&nbsp;V")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Through the shortcuts, and in chunks of a few bytes.
        for (std::size_t chunk : {std::size_t{1} << 20, std::size_t{7}}) {
            AlarmLog alarms;
            for (std::size_t at = 0; at < c.alarms.size(); at += chunk)
                feedAlarmLog(alarms, c.alarms.data() + at, std::min(chunk, c.alarms.size() - at));
            endAlarmLogFile(alarms);
            finishAlarmLog(alarms);
            const auto figures = readInChunks(*c.log, chunk, nullptr, &alarms);
            EXPECT_NE(summaryText(*figures).find(std::string("\n") + c.summary + "\n"), std::string::npos);
            const std::string page = renderPage(*figures, {"log.csv"});
            std::size_t bands = 0;
            for (std::size_t at = page.find("class=\"band alarm\""); at != std::string::npos;
                 at = page.find("class=\"band alarm\"", at + 1))
                ++bands;
            EXPECT_EQ(bands, c.bands) << chunk;
            for (const std::string& row : c.rows) EXPECT_NE(page.find(row), std::string::npos) << row << chunk;
            EXPECT_NE(page.find("<tr><th>Alarme</th><td>"), std::string::npos);
        }
    }

    const std::pair<const char*, const char*> paths[] = {{"AVR-NET-IO.CSV", "AVR-NET-IO-alarme.CSV"},
                                                         {"/tmp/keller.csv", "/tmp/keller-alarme.csv"},
                                                         {"/tmp/v1.2/log", "/tmp/v1.2/log-alarme"},
                                                         {"C:\\v1.2\\.csv", "C:\\v1.2\\.csv-alarme"}};
    for (const auto& [log, alarms] : paths) EXPECT_EQ(alarmLogPathBeside(log), alarms);
}

}  // namespace
