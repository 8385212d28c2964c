// The driver's flow over fake platform services: start-up order, failure paths, the cycle,
// the wait and the shutdown.
#include <gtest/gtest.h>

#include <algorithm>

#include "display/MainWindow.h"
#include "driver/CommandLine.h"
#include "driver/Driver.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_platform.h"

namespace {

const std::string getAdc1 = "GETADC 1 \\r\\n";
constexpr platform::UiEvent endButton{platform::uiEventControl, 50};
constexpr platform::UiEvent closeBox{platform::uiEventClose, 0};

// The settings of a command line that names the simulator, and more options.
Settings simulatorOptions(const char* interval = nullptr, std::vector<std::string_view> more = {})
{
    // The log file's name is UTF-8, as the file system has it.
    more.insert(more.begin(), {"--host", "127.0.0.1", "--port", "50290", "--log-file", "/tmp/M\xC3\xBC" "ll.csv"});
    if (interval) more.insert(more.end(), {"--interval", interval});
    Settings settings = defaultSettings();
    StartOptions start;
    EXPECT_EQ(parseCommandLine(more, start, settings), CommandLineAction::run);
    return settings;
}

// Entries in the order they must appear in the trace (others may stand between them).
void expectInOrder(const std::vector<std::string>& prefixes)
{
    int last = -1;
    for (const std::string& prefix : prefixes) {
        auto& trace = fake().trace;
        auto it = std::find_if(trace.begin() + (last + 1), trace.end(),
                               [&](const std::string& entry) { return entry.starts_with(prefix); });
        ASSERT_NE(it, trace.end()) << "missing after position " << last << ": " << prefix;
        last = static_cast<int>(it - trace.begin());
    }
}

class Driver : public ::testing::Test {
protected:
    void SetUp() override { resetFake(); }
};

TEST_F(Driver, StartsUpInOrderAndShutsDownOnTheEndButton)
{
    fake().events = {{5000, endButton}};
    fake().yesNoAnswer = true;
    EXPECT_EQ(runLogger(simulatorOptions()).exitCode, 0);

    expectInOrder({"uiStart", "loadPicture", "soundStart", "netStart", "connect 127.0.0.1:50290",
                   "prompt Zeitintervall f\xFCr Messdatenerfassung | Format: [Ex.x] S=Sek., M=Min., "
                   "H=Std., D=Tag) | S10",
                   "fileOpen /tmp/M\xC3\xBC" "ll.csv", "fileWrite Datum,Uhrzeit,", "send Version \\r\\n",
                   "send Getip \\r\\n", "send Getgw \\r\\n", "send Getmask \\r\\n",
                   "openWindow Datenlogger f\xFCr AVR-NET-IO-Board 440x600", "drawPicture 20,430", "drawNow",
                   "send " + getAdc1, "fileWrite 07.12.2026", "setText 18", "event 273 50",
                   "fileClose", "netClose",
                   "ask Logdatei sofort \xF6" "ffnen?: M\xF6" "chten Sie die Datei /tmp/M\xFC" "ll.csv mit "
                   "verkn\xFCpfter Anwendung \xF6" "ffnen?",
                   "open /tmp/M\xC3\xBC" "ll.csv", "netStop", "freePicture", "closeWindows"});
    EXPECT_EQ(fake().rowTicks.size(), 1u) << "the end button in a wait ends it in the same pass";
    EXPECT_EQ(tracePosition("click"), -1) << "no sound device, no click";
    EXPECT_EQ(tracePosition("soundStop"), -1);
    EXPECT_EQ(tracePosition("mqtt"), -1) << "nothing is published without --mqtt";
    EXPECT_EQ(fake().controls.count(mqttStatusControl), 0u) << "no connection state without --mqtt";
}

TEST_F(Driver, PublishesEachRowAfterLoggingItAndOfflineBeforeTheFinalPrompt)
{
    fake().events = {{1500, closeBox}};
    EXPECT_EQ(runLogger(simulatorOptions("S1", {"--mqtt", "mqtt://127.0.0.1:1884", "--ha-discovery", "off"})).exitCode, 0);

    // The fake board gives empty replies only: an absent board.
    const std::string payload = " {\"time\":\"2026-12-07T09:05:03+00:00\",\"board\":\"away\","
                                "\"analog\":[null,null,null,null],\"digital\":[null,null,null,null]}";
    const std::string row = "mqttPublish avrnetio/127-0-0-1/rows" + payload;
    const std::string state = "mqttLatest avrnetio/127-0-0-1/state" + payload;
    expectInOrder({"send Getmask", "mqttConnectMessage avrnetio/127-0-0-1/availability",
                   "mqttStart 127.0.0.1:1884 will avrnetio/127-0-0-1/availability offline", "fileWrite 07.12.2026", row,
                   state, "fileWrite 07.12.2026", row, state, "netClose",
                   "mqttStop avrnetio/127-0-0-1/availability offline 2000", "ask"});
    EXPECT_EQ(traced("mqttConnectMessage").size(), 1u) << "no discovery when it is off";
    EXPECT_EQ(fake().controls[mqttStatusControl].text, "MQTT: verbunden mit broker:1883") << "in the free space";
}

TEST_F(Driver, AnAlarmIsOnTheDiskBeforeTheWindowShowsItAndTheEndPathWritesNoEnd)
{
    fake().replies = {{getAdc1, "1023\r\n"}};  // 4.99 V
    fake().events = {{2500, closeBox}};
    Settings settings = simulatorOptions("S1");
    settings.analog[0].alarmAbove = 4.5;
    settings.given.set(givenBit(settingRows, *rowOf(&AnalogInput::alarmAbove), 0));
    settings.alarmCommand = "alarm-mail\x1F" "Keller";
    fake().soundWorks = true;
    EXPECT_EQ(runLogger(settings).exitCode, 0);

    const auto written = [](const std::string& part) {
        return std::ranges::find_if(fake().trace, [&](const std::string& entry) {
            return entry.starts_with("fileWrite") && entry.find(part) != std::string::npos;
        }) - fake().trace.begin();
    };
    const auto at = [](const std::string& prefix) { return tracePosition(prefix); };
    ASSERT_GE(at("fileOpen /tmp/M\xC3\xBC" "ll-alarme.csv"), 0);
    const auto alarm = written(",Analog-Eingang Nr. 1,Alarm,4.99,4.5\r\n");
    EXPECT_LT(alarm, at("setColour 34 0x0080FF"));
    EXPECT_LT(alarm, at("title ALARM - Datenlogger f\xFCr AVR-NET-IO-Board"));
    EXPECT_EQ(written(",Ende,"), static_cast<std::ptrdiff_t>(fake().trace.size())) << "QUIT during an alarm ends none";
    EXPECT_EQ(traced("title").size(), 1u) << "the title changes once, not every row";
    EXPECT_GT(at("start alarm-mail Keller AVRNETIO_ALARM_INPUT=analog.1 AVRNETIO_ALARM_LABEL=Analog-Eingang Nr. 1 "
                 "AVRNETIO_ALARM_EVENT=start AVRNETIO_ALARM_VALUE=4.99 AVRNETIO_ALARM_LIMIT=4.5 "
                 "AVRNETIO_ALARM_TIME=2026-12-07T09:05:0"),
              alarm);
    EXPECT_GT(at("notify ALARM - Datenlogger f\xFCr AVR-NET-IO-Board: Alarm: Analog-Eingang Nr. 1 ist 4.99, "
                 "die Grenze 4.5 (urgent)"),
              alarm);
    EXPECT_GT(at("alarmTone"), alarm) << "the alarm's tone in place of its row's click";
    EXPECT_EQ(traced("alarmTone").size(), 1u) << "at its start only";
    EXPECT_GT(at("notifyStop"), at("alarmTone"));

    // Both turned off: the click as in every row, and no notification.
    resetFake();
    fake().replies = {{getAdc1, "1023\r\n"}};
    fake().events = {{2500, closeBox}};
    fake().soundWorks = true;
    settings.alarmSound = settings.alarmNotify = false;
    EXPECT_EQ(runLogger(settings).exitCode, 0);
    EXPECT_TRUE(traced("alarmTone").empty() && traced("loadAlarmTone").empty() && traced("notify ").empty());
    EXPECT_GE(at("title ALARM - "), 0) << "the window still shows it";
}

TEST_F(Driver, EachStartUpFailureShowsItsMessageAndTakesTheEndPath)
{
    struct Case {
        const char* name;
        void (*script)(FakePlatform&);
        const char* message;
        const char* notReached;  // the next start-up step, which must not run
    } cases[] = {
        {"network", [](FakePlatform& f) { f.netStartWorks = false; },
         "message Problem: Das Netzwerk kann nicht initialisiert werden!", "connect"},
        {"board", [](FakePlatform& f) { f.connectWorks = false; },
         "message Problem: Das AVR-NET-IO-Board kann nicht gefunden werden!", "prompt"},
        {"interval", [](FakePlatform& f) { f.promptAnswer = "X5"; },
         "message Problem: Es wurde kein g\xFCltiger Zeitintervall eingegeben!", "fileOpen"},
        {"cancelled prompt", [](FakePlatform& f) { f.promptAnswer = ""; },
         "message Problem: Es wurde kein g\xFCltiger Zeitintervall eingegeben!", "fileOpen"},
        {"log file", [](FakePlatform& f) { f.fileOpenWorks = false; },
         "message Problem: Die Ausgabedatei '/tmp/M\xFC" "ll.csv' kann nicht erzeugt werden!", "send"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetFake();
        fake().soundWorks = true;
        c.script(fake());
        EXPECT_EQ(runLogger(simulatorOptions()).exitCode, 1);
        expectInOrder({c.message, "soundStop", "freePicture", "closeWindows"});
        EXPECT_EQ(tracePosition(c.notReached), -1);
        EXPECT_EQ(tracePosition("openWindow"), -1);
        EXPECT_EQ(tracePosition("ask"), -1);
        EXPECT_EQ(fake().fileContent, "");
        // The socket service is stopped only when it had started.
        EXPECT_EQ(tracePosition("netStop") >= 0, fake().netStartWorks);
    }
}

TEST_F(Driver, OnePassOrderReadLogClickRefreshThenWait)
{
    fake().soundWorks = true;
    fake().events = {{5000, closeBox}};
    runLogger(simulatorOptions());

    expectInOrder({"send GETADC 1", "send GETADC 2", "send GETADC 3", "send GETADC 4",
                   "send GETPORT 1", "send GETPORT 2", "send GETPORT 3", "send GETPORT 4",
                   "fileWrite 07.12.2026", "click", "setText 18", "setText 47", "event 16",
                   "click", "fileClose", "netClose", "ask", "soundStop", "netStop"});
    EXPECT_EQ(fake().rowTicks, std::vector<std::int64_t>{0});
    EXPECT_EQ(tracePosition("open "), -1) << "answered No";
}

TEST_F(Driver, RowsFollowTheIntervalPlusTheCycleDuration)
{
    // Each exchange takes 10 ticks (the four of start-up too) and the click pause 100, so a
    // cycle takes 180 ticks and rows come every 1180.
    fake().soundWorks = true;
    fake().exchangeMs = 10;
    fake().events = {{3500, closeBox}};
    runLogger(simulatorOptions("S1"));
    EXPECT_EQ(fake().rowTicks, (std::vector<std::int64_t>{120, 1300, 2480}));
}

TEST_F(Driver, TheAlignedScheduleWaitsForTheSlotEvenBeforeTheFirstRow)
{
    // The wall clock stands at 09:05:03.000: the S10 slots are at 09:05:10, 7 s of ticks on.
    struct Case {
        std::initializer_list<FakeWallAhead> wallAhead;
        std::int64_t quitAt;
        std::vector<std::int64_t> rows;
        const char* stamp;  // of the row, if any
    } const cases[] = {
        {{{0, 0}}, 3000, {}, nullptr},
        {{{0, 0}}, 7500, {7000}, ",09:05:10,"},
        // The ticks reach 7000 while the wall clock reads 09:05:09.999.
        {{{0, 600}, {3500, -400}}, 7500, {7001}, ",09:05:10,"},
        // Set back by an hour meanwhile: the next slot of the clock as it reads now, not one an hour on.
        {{{0, 0}, {3500, -3'600'000'400}}, 7500, {7001}, ",08:05:10,"},
    };
    for (const Case& c : cases) {
        resetFake();
        fakeClockFollowTicks(c.wallAhead);
        fake().events = {{c.quitAt, endButton}};
        EXPECT_EQ(runLogger(simulatorOptions("S10", {"--schedule", "aligned"})).exitCode, 0);
        EXPECT_EQ(fake().rowTicks, c.rows) << "quit at " << c.quitAt;
        if (c.stamp) {
            EXPECT_NE(fake().fileContent.find(c.stamp), std::string::npos) << fake().fileContent;
        }
        EXPECT_GE(tracePosition("setText 47 N\xE4" "chster Log: 07.12.2026 / 09:05:10"), 0);
        EXPECT_GE(tracePosition("ask Logdatei sofort"), 0) << "the shutdown as after any wait";
    }
}

TEST_F(Driver, ACloseRequestDuringACycleTakesEffectInTheFollowingWait)
{
    fake().exchangeMs = 10;
    // Arrives while the second cycle reads the board (from tick 1120 to 1200).
    fake().events = {{1150, endButton}};
    runLogger(simulatorOptions("S1"));
    EXPECT_EQ(fake().rowTicks.size(), 2u) << "the cycle under way is completed";
    expectInOrder({"fileWrite", "fileWrite", "setText 47", "event 273 50", "fileClose"});
}

TEST_F(Driver, ACloseRequestWinsOverAnElapsedInterval)
{
    fake().events = {{1000, closeBox}};  // due exactly when the interval is over
    runLogger(simulatorOptions("S1"));
    EXPECT_EQ(fake().rowTicks.size(), 1u);
}

TEST_F(Driver, OtherEventsDoNotEndTheWait)
{
    fake().events = {{300, {platform::uiEventControl, 17}}, {400, {42, 0}}, {2500, endButton}};
    runLogger(simulatorOptions("S1"));
    EXPECT_EQ(fake().rowTicks, (std::vector<std::int64_t>{0, 1000, 2000}));
}

TEST_F(Driver, WithoutAWindowTheCycleGoesOnUntilATerminationRequest)
{
    fake().windowOpens = false;
    fake().events = {{2500, closeBox}};  // a termination signal arrives as a close request
    runLogger(simulatorOptions("S1"));
    EXPECT_EQ(fake().rowTicks.size(), 3u);
    EXPECT_EQ(tracePosition("createText"), -1);
    EXPECT_EQ(tracePosition("setText"), -1);
    EXPECT_EQ(tracePosition("drawPicture"), -1);
    EXPECT_EQ(tracePosition("open "), -1);
}

TEST_F(Driver, DecodedReadingsAreLoggedAndShown)
{
    fake().replies = {{getAdc1, "512\r\n"}, {"GETADC 2 \\r\\n", "1023\r\n"},
                      {"GETPORT 1 \\r\\n", "1\r\n"}, {"GETPORT 2 \\r\\n", "0\r\n"},
                      {"GETPORT 3 \\r\\n", "7"}, {"Version \\r\\n", "AVR-NET-IO v1\r\n"}};
    fake().events = {{100, endButton}};
    runLogger(simulatorOptions());
    EXPECT_NE(fake().fileContent.find("\r\n07.12.2026,09:05:03,2.50,4.99,-0.0,-0.0,0,1,,1\r\n"),
              std::string::npos)
        << fake().fileContent;
    EXPECT_EQ(fake().controls[34].text, "2.50");
    EXPECT_EQ(fake().controls[38].text, "OFFEN");
    EXPECT_EQ(fake().controls[39].text, "GESCHLOSSEN");
    EXPECT_EQ(fake().controls[40].text, "---");
    EXPECT_EQ(fake().controls[16].text.find("Daten aus dem Board:\r\r\rAVR-NET-IO v1\r\n\r\rIP: "), 0u);
}

TEST_F(Driver, TheWaitSurvivesAnIntervalLongerThanTheToolkitTimeOut)
{
    // 30 days: longer than one toolkit wait can be asked to last.
    fake().events = {{2'592'000'000LL + 5, endButton}};
    runLogger(simulatorOptions("D30"));
    EXPECT_EQ(fake().rowTicks, (std::vector<std::int64_t>{0, 2'592'000'000LL}));
}

TEST_F(Driver, ABrokenLinkIsConnectedAgainBeforeTheNextCycle)
{
    fake().replies = {{getAdc1, "512"}};
    fake().exchangesBeforeLinkDrops = 4 + 8 + 2;  // start-up, one cycle, then mid-cycle
    fake().events = {{2500, closeBox}};
    runLogger(simulatorOptions("S1"));

    EXPECT_EQ(traced("connect").size(), 2u);
    expectInOrder({"connect", "fileWrite 07", "send GETADC 3", "fileWrite 07", "connect",
                   "send GETADC 1", "fileWrite 07"});
    const std::string content = fake().fileContent;
    EXPECT_NE(content.find(",2.50,-0.0,-0.0,-0.0,1,1,1,1\r\n"), std::string::npos) << "before";
    EXPECT_EQ(content.rfind(",2.50,-0.0,-0.0,-0.0,1,1,1,1\r\n"), content.size() - 30) << "after";
}

TEST_F(Driver, AReadThatOnlyTimesOutDoesNotReconnect)
{
    fake().readsTimeOut = true;
    fake().events = {{2500, closeBox}};
    runLogger(simulatorOptions("S1"));
    EXPECT_EQ(traced("connect").size(), 1u);
    EXPECT_EQ(fake().rowTicks.size(), 3u);
}

TEST_F(Driver, AFailedReconnectionIsTriedAgainNextCycle)
{
    fake().exchangesBeforeLinkDrops = 4;  // lost at the first cycle's first read
    fake().connectsThatWork = 1;
    fake().events = {{2500, closeBox}};
    runLogger(simulatorOptions("S1"));
    // One attempt before each later cycle; without a connection nothing is sent.
    EXPECT_EQ(traced("connect").size(), 3u);
    EXPECT_EQ(traced("send GETADC 1").size(), 1u);
    EXPECT_EQ(fake().rowTicks.size(), 3u);
}

}  // namespace
