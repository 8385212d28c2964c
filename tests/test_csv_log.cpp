// The CSV log against real files in a fresh folder per test, with the wall clock scripted.
#include "logging/CsvLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>

#include "driver/LoggerState.h"
#include "fakes/fake_clock.h"
#include "logging/Alarms.h"
#include "logging/DateText.h"
#include "logging/LogFormat.h"
#include "settings/SettingsFile.h"
#include "platform/files.h"

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

const std::string defaultHeader =
    "Datum,Uhrzeit,Analog-Eingang Nr. 1,Analog-Eingang Nr. 2,Analog-Eingang Nr. 3,"
    "Analog-Eingang Nr. 4,Digital-Eingang Nr. 1,Digital-Eingang Nr. 2,Digital-Eingang Nr. 3,"
    "Digital-Eingang Nr. 4\r\n";

std::string readWhole(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeWhole(const fs::path& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

class CsvLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() /
                 ("csvlog-" + std::to_string(std::random_device{}()) + "-" + test->name());
        fs::create_directories(folder);
        resetLoggerState(state);
        state.settings.logFilePath = (folder / "AVR-NET-IO.CSV").string();
        state.intervalMs = 10000.0;
    }
    void TearDown() override
    {
        closeLog(log);
        fs::remove_all(folder);
    }

    std::string content() const { return readWhole(state.settings.logFilePath); }
    // The row of a reading taken now, by the scripted clock.
    void appendRow()
    {
        state.reading.momentMs = wallClockMs();
        appendLogRow(log, state);
    }
    void takeReading(const PerInput<std::optional<int>>& raw, const PerInput<std::optional<bool>>& closed)
    {
        state.reading.taken = true;
        state.reading.analogRaw = raw;
        state.reading.digitalClosed = closed;
    }

    fs::path folder;
    LoggerState state;
    CsvLog log;
};

TEST_F(CsvLogTest, NewFileStartsWithTheHeader)
{
    ASSERT_TRUE(openLog(log, state));
    EXPECT_EQ(content(), defaultHeader);
}

TEST_F(CsvLogTest, HeaderFollowsWhateverTheFileHolds)
{
    struct Case {
        const char* old;
        const char* beforeHeader;
    } const cases[] = {
        {"", ""},
        {"a,b\r\nc,d\r\n", "a,b\r\nc,d\r\n"},
        {"a,b\r\nc,d", "a,b\r\nc,d\r\n"},     // last line without its line end
        {"a,b\nc,d\n", "a,b\nc,d\n"},         // LF-only line ends count as ended
        {"x", "x\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.old);
        writeWhole(state.settings.logFilePath, c.old);
        ASSERT_TRUE(openLog(log, state));
        EXPECT_EQ(content(), std::string(c.beforeHeader) + defaultHeader);
        closeLog(log);
    }
}

TEST_F(CsvLogTest, TwoRunsAppendHeaderAndRowsByteForByte)
{
    takeReading({512, 0, 1023, 1}, {true, false, false, std::nullopt});  // input 4 never read

    ASSERT_TRUE(openLog(log, state));
    fakeClockScript({{2026, 12, 7, 9, 5, 3}});
    appendRow();
    fakeClockScript({{2026, 12, 7, 9, 5, 13}});
    appendRow();
    closeLog(log);

    state.reading.digitalClosed[3] = true;
    ASSERT_TRUE(openLog(log, state));
    fakeClockScript({{2026, 12, 8, 0, 0, 0}});
    appendRow();
    closeLog(log);

    EXPECT_EQ(content(), defaultHeader +
                             "07.12.2026,09:05:03,2.50,-0.0,4.99,0.00,1,0,0,\r\n"
                             "07.12.2026,09:05:13,2.50,-0.0,4.99,0.00,1,0,0,\r\n" +
                             defaultHeader +
                             "08.12.2026,00:00:00,2.50,-0.0,4.99,0.00,1,0,0,1\r\n");
}

TEST_F(CsvLogTest, RowIsOnDiskBeforeClose)
{
    ASSERT_TRUE(openLog(log, state));
    EXPECT_EQ(content(), defaultHeader);
    fakeClockScript({{2026, 12, 7, 9, 5, 3}});
    appendRow();
    EXPECT_EQ(content(), defaultHeader + "07.12.2026,09:05:03,--.--,--.--,--.--,--.--,,,,\r\n");
}

TEST_F(CsvLogTest, SecondLoggerIsRefusedUntilTheFirstCloses)
{
    ASSERT_TRUE(openLog(log, state));
    fakeClockScript({{2026, 12, 7, 9, 5, 3}});
    appendRow();
    const std::string held = content();

    CsvLog second;
    EXPECT_FALSE(openLog(second, state));
    EXPECT_EQ(content(), held);

    closeLog(log);
    ASSERT_TRUE(openLog(second, state));
    EXPECT_EQ(content(), held + defaultHeader);
    closeLog(second);
}

TEST_F(CsvLogTest, WhatHoldsNoRowsFails)
{
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    // A missing folder, a folder, a pipe, a device, a file of the kernel's.
    for (const fs::path& path : {folder / "nowhere" / "AVR-NET-IO.CSV", folder, folder / "pipe", fs::path("/dev/full"),
                                 fs::path("/proc/self/status")}) {
        state.settings.logFilePath = path.string();
        EXPECT_FALSE(openLog(log, state)) << path;
    }
    EXPECT_FALSE(fs::exists(folder / "nowhere"));
}

TEST_F(CsvLogTest, SettingsAreReplacedThroughALinkInTheirMode)
{
    const fs::path real = folder / "real.toml";
    const fs::path link = folder / "logger.toml";
    writeWhole(real, "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real, link);
    ASSERT_TRUE(platform::fileReplace(link.string(), "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readWhole(real), "new");
    EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2) << "nothing left beside";
}

TEST_F(CsvLogTest, StampsAndNextLogTexts)
{
    // One clock reading stamps the row, and one more tells the next log (none when aligned).
    struct Case {
        const char* name;
        double intervalMs;
        Schedule schedule;
        std::initializer_list<platform::LocalTime> readings;
        const char* readingDate;
        const char* readingTime;
        const char* nextDate;
        const char* nextTime;
    } const cases[] = {
        {"S10 before midnight", 10000.0, Schedule::drift, {{2026, 12, 7, 23, 59, 55}},
         "07.12.2026", "23:59:55", "08.12.2026", "00:00:05"},
        {"new year", 10000.0, Schedule::drift, {{2026, 12, 31, 23, 59, 58}},
         "31.12.2026", "23:59:58", "01.01.2027", "00:00:08"},
        {"12.5 s rounds down to even", 2500.0, Schedule::drift, {{2026, 12, 7, 12, 0, 10}},
         "07.12.2026", "12:00:10", "07.12.2026", "12:00:12"},
        {"13.5 s rounds up to even", 2500.0, Schedule::drift, {{2026, 12, 7, 12, 0, 11}},
         "07.12.2026", "12:00:11", "07.12.2026", "12:00:14"},
        {"one day, leap day", 86400000.0, Schedule::drift, {{2028, 2, 28, 8, 0, 0}},
         "28.02.2028", "08:00:00", "29.02.2028", "08:00:00"},
        {"midnight between the readings: date and time of one moment", 1000.0, Schedule::drift,
         {{2026, 12, 7, 23, 59, 59}, {2026, 12, 8, 0, 0, 0}, {2026, 12, 8, 0, 0, 1}},
         "07.12.2026", "23:59:59", "08.12.2026", "00:00:01"},
        {"aligned: the next whole ten seconds", 10000.0, Schedule::aligned,
         {{2026, 12, 7, 12, 0, 3, 0, 250}}, "07.12.2026", "12:00:03", "07.12.2026", "12:00:10"},
        {"aligned: on a slot, the one after", 60000.0, Schedule::aligned, {{2026, 12, 7, 23, 59, 0}},
         "07.12.2026", "23:59:00", "08.12.2026", "00:00:00"},
        {"aligned: hours from midnight", 3600000.0, Schedule::aligned, {{2026, 12, 31, 23, 10, 0}},
         "31.12.2026", "23:10:00", "01.01.2027", "00:00:00"},
    };
    ASSERT_TRUE(openLog(log, state));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.intervalMs = c.intervalMs;
        state.settings.schedule = c.schedule;
        fakeClockScript(c.readings);
        appendRow();
        EXPECT_EQ(state.lastLogDate, c.readingDate);
        EXPECT_EQ(state.lastLogTime, c.readingTime);
        EXPECT_EQ(state.nextLogDate, c.nextDate);
        EXPECT_EQ(state.nextLogTime, c.nextTime);
        const std::string text = content();
        EXPECT_NE(text.find(std::string(c.readingDate) + "," + c.readingTime + ","),
                  std::string::npos);
    }
}

TEST_F(CsvLogTest, TextsAreWrittenAsRawBytes)
{
    state.settings.analog[0].label = "Temperatur";
    state.settings.analog[0].unit = "\xB0" "C";
    state.settings.analog[0].quantity = true;
    state.settings.digital[3].label = "T\xFCr \"innen\"";
    takeReading({44, 512, std::nullopt, 0}, {});
    ASSERT_TRUE(openLog(log, state));
    fakeClockScript({{2026, 12, 7, 9, 5, 3}});
    appendRow();
    EXPECT_EQ(content(),
              "Datum,Uhrzeit,Temperatur [\xB0" "C],Analog-Eingang Nr. 2,Analog-Eingang Nr. 3,"
              "Analog-Eingang Nr. 4,Digital-Eingang Nr. 1,Digital-Eingang Nr. 2,"
              "Digital-Eingang Nr. 3,T\xFCr \"innen\"\r\n"
              "07.12.2026,09:05:03,0.21,2.50,-0.0,-0.0,,,,\r\n");
}

TEST_F(CsvLogTest, LinesAroundTheBufferSizeArriveWhole)
{
    // Header lengths just under, at and over the 4096-byte buffer, and far beyond it.
    const std::size_t headerRest = defaultHeader.size() - state.settings.analog[0].label.size();
    const std::string row = "07.12.2026,09:05:03,--.--,--.--,--.--,--.--,,,,\r\n";
    for (std::size_t headerSize : {4095u, 4096u, 4097u, 9000u}) {
        SCOPED_TRACE(headerSize);
        fs::remove(state.settings.logFilePath);
        state.settings.analog[0].label = std::string(headerSize - headerRest, 'A');
        ASSERT_TRUE(openLog(log, state));
        fakeClockScript({{2026, 12, 7, 9, 5, 3}});
        appendRow();
        appendRow();
        closeLog(log);
        const std::string header =
            defaultHeader.substr(0, 14) + state.settings.analog[0].label + defaultHeader.substr(34);
        ASSERT_EQ(header.size(), headerSize);
        EXPECT_EQ(content(), header + row + row);
    }
}

TEST_F(CsvLogTest, FailedWritesLeaveTheCycleRunning)
{
    ASSERT_TRUE(openLog(log, state));
    // Full from here on: the file may grow no more.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit full = saved;
    full.rlim_cur = static_cast<rlim_t>(fs::file_size(state.settings.logFilePath));
    setrlimit(RLIMIT_FSIZE, &full);
    fakeClockScript({{2026, 12, 7, 9, 5, 3}});
    appendRow();
    appendRow();
    closeLog(log);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(state.lastLogTime, "09:05:03");
    EXPECT_EQ(state.nextLogTime, "09:05:13");
    EXPECT_EQ(content(), defaultHeader);
}

// The alarm rules over a scripted row every 10 s, written through the alarm log: analog input 1
// is "T" in °C (a tenth per step), digital input 1 "Tür"; -1 is an empty reply, and a row whose
// replies are all empty is a silent board.
TEST_F(CsvLogTest, AlarmsStartAndEndByTheirRulesInTheAlarmLog)
{
    struct Step {
        int analog;
        int digital;
    };
    struct Case {
        const char* what;
        const char* settings;
        std::vector<Step> steps;
        const char* rows;  // after the header, each with its second of the minute
    } const cases[] = {
        {"above, and back at the limit", "[analog.1]\nalarm_above = 25\n", {{240, 0}, {251, 0}, {260, 0}, {250, 0}},
         "10,T [\xB0" "C],Alarm,25.1,25.0|30,T [\xB0" "C],Ende,25.0,25.0|"},
        {"below, ended only past the hysteresis", "[analog.1]\nalarm_below = 10\nalarm_hysteresis = 1\n",
         {{95, 0}, {105, 0}, {110, 0}}, "00,T [\xB0" "C],Alarm,9.5,10.0|20,T [\xB0" "C],Ende,11.0,10.0|"},
        {"held for a minute, a break starts it over", "[analog.1]\nalarm_above = 25\nalarm_after = \"M1\"\n",
         {{260, 0}, {260, 0}, {240, 0}, {260, 0}, {260, 0}, {260, 0}, {260, 0}, {260, 0}, {260, 0}, {260, 0}},
         "30,T [\xB0" "C],Alarm,26.0,25.0|"},
        {"an empty reply neither starts nor ends", "[analog.1]\nalarm_above = 25\n", {{260, 0}, {-1, 0}, {240, 0}, {-1, 0}},
         "00,T [\xB0" "C],Alarm,26.0,25.0|20,T [\xB0" "C],Ende,24.0,25.0|"},
        {"a digital input while closed", "[digital.1]\nalarm_when = \"closed\"\n", {{0, 0}, {0, 1}, {0, 1}, {0, 0}},
         "10,T\xFCr,Alarm,1,1|30,T\xFCr,Ende,0,1|"},
        {"a digital input while open, after 20 s", "[digital.1]\nalarm_when = \"open\"\nalarm_after = \"S20\"\n",
         {{0, 0}, {0, 0}, {0, 0}, {0, -1}, {0, 1}}, "20,T\xFCr,Alarm,0,0|40,T\xFCr,Ende,1,0|"},
        {"a board silent for half a minute, counted from its last answer", "[alarms]\nboard_silent_after = \"S30\"\n",
         {{0, 0}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {240, 0}}, "30,Board,Alarm,,S30|50,Board,Ende,,S30|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        SettingsProblem problem;
        // Each case's keys stand in their section beside the inputs' own.
        const std::string own = c.settings;
        const std::string analog = "label = \"T\"\nunit = \"\xC2\xB0" "C\"\nscale = 0.1\ndecimals = 1\n";
        const std::string digital = "label = \"T\xC3\xBCr\"\n";
        const std::string text = own.starts_with("[analog.1]")    ? own + analog + "[digital.1]\n" + digital
                                 : own.starts_with("[digital.1]") ? "[analog.1]\n" + analog + own + digital
                                                                  : "[analog.1]\n" + analog + "[digital.1]\n" + digital + own;
        Settings& settings = state.settings;
        ASSERT_TRUE(readSettingsText(text, "alarms.toml", settings, problem)) << problemText(problem);
        settings.logFilePath = (folder / "AVR-NET-IO.CSV").string();
        ASSERT_TRUE(openAlarmLog(log, alarmLogPath(settings)));
        // On a minute's start, whatever the tests before left the clock at.
        fakeClockScript({{2026, 12, 7, 9, 5, 0}});
        const std::int64_t start = wallClockMs();
        startAlarms(state.alarms, settings, start);
        for (std::size_t k = 0; k < c.steps.size(); ++k) {
            Reading& reading = state.reading;
            reading = {};
            reading.taken = true;
            reading.momentMs = start + static_cast<std::int64_t>(k) * 10000;
            reading.analogReplyEmpty.fill(c.steps[k].analog < 0);
            reading.digitalReplyEmpty.fill(c.steps[k].digital < 0);
            if (c.steps[k].analog >= 0) reading.analogRaw.fill(c.steps[k].analog);
            if (c.steps[k].digital >= 0) reading.digitalClosed.fill(c.steps[k].digital == 1);
            for (const AlarmEvent& event : judgeAlarms(state.alarms, reading, settings))
                appendAlarmRow(log, alarmLogRow(event, settings, reading.momentMs));
        }
        closeLog(log);
        std::string rows;
        const std::string written = readWhole(folder / "AVR-NET-IO-alarme.CSV");
        for (std::size_t at = written.find("\r\n") + 2; at < written.size(); at = written.find("\r\n", at) + 2)
            rows += written.substr(at + 17, written.find("\r\n", at) - at - 17) + "|";
        EXPECT_EQ(written.substr(0, written.find("\r\n")), alarmLogHeader);
        EXPECT_EQ(rows, c.rows);
        TearDown();
    }
}

}  // namespace
