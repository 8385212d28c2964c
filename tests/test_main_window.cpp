// The window's controls at creation and after a refresh, through the fake toolkit.
#include <gtest/gtest.h>

#include "display/MainWindow.h"
#include "driver/LoggerState.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_platform.h"
#include "logging/DateText.h"
#include "logging/LogInterval.h"

namespace {

constexpr std::int64_t red = 0x0000FF;
constexpr std::int64_t blue = 0xFF0000;
constexpr std::int64_t none = -1;

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetFake();
        resetLoggerState(state);
        state.settings.logFilePath = "/tmp/j\xC3\xBCrgen/AVR-NET-IO.CSV";
        state.reading.momentMs = wallClockMs();  // the fake clock's 07.12.2026 09:05:03
        state.intervalMs = parseInterval("m1.5").ms;
    }
    FakeControl& control(int number) { return fake().controls[number]; }
    LoggerState state;
};

TEST_F(MainWindow, CreatesEveryControlWithItsFirstText)
{
    state.boardVersion = "v1\r\n";
    state.boardIp = "192.0.2.90";  // no line end: "Subnetz: " follows on the same line
    state.boardMask = "";
    state.boardGateway = "192.0.2.1\r\n";
    // Only the closed input's own text is red: not the same word in small letters.
    state.settings.digital[2].openText = "geschlossen";
    state.reading.digitalClosed = {true, std::nullopt, false, false};
    createMainWindow(state, nullptr);

    EXPECT_EQ(fake().controls.size(), 50u);
    struct Expected {
        int number;
        std::string text;
        std::int64_t colour;
    } expected[] = {
        {1, "Analog-Eingang Nr. 1", none},
        {8, "Digital-Eingang Nr. 4", none},
        {10, "Datum    Uhrzeit", none},
        {15, "Status", none},
        {16, "Daten aus dem Board:\r\r\rv1\r\n\r\rIP: 192.0.2.90Subnetz: Gateway: 192.0.2.1\r\n", blue},
        {17, "Programmende:", none},
        {18, "07.12.2026", none},
        {33, "09:05:03", none},
        {34, "--.--", blue},
        {38, "GESCHLOSSEN", red},
        {39, "---", blue},
        {40, "geschlossen", blue},
        {41, "OFFEN", blue},
        {45, "Volt", none},
        {46, "Letzter  Log: --.--.-- / --:--:--", none},
        {47, "N\xE4" "chster Log: --.--.-- / --:--:--", none},
        {48, "Die Logbuch-Datei wird unter: /tmp/j\xFCrgen/AVR-NET-IO.CSV erzeugt/erweitert!", none},
        {49, "Die Datenaufzeichnung erfolgt alle\r90 Sekunde(n)  =  1 Minute(n)  =  0 Stunde(n)  =  0 Tag(e)", none},
        {50, "QUIT", none},
    };
    for (const Expected& e : expected) {
        EXPECT_EQ(control(e.number).text, e.text) << "control " << e.number;
        EXPECT_EQ(control(e.number).colour, e.colour) << "control " << e.number;
    }
    for (int heading = 9; heading <= 15; ++heading) EXPECT_TRUE(control(heading).systemFont);
    EXPECT_FALSE(control(16).systemFont);
    EXPECT_GE(tracePosition("openWindow Datenlogger f\xFCr AVR-NET-IO-Board 440x600"), 0);
    EXPECT_EQ(tracePosition("drawPicture"), -1) << "no picture loaded, none drawn";
}

TEST_F(MainWindow, FollowsTheCreationOrderAndGeometry)
{
    createMainWindow(state, reinterpret_cast<platform::UiPicture*>(&state));
    const std::vector<std::string> order = traced("create");
    ASSERT_EQ(order.size(), 50u);
    EXPECT_EQ(order[0], "createText 1 20,30 130x20 sunken left");
    EXPECT_EQ(order[8], "createText 9 20,10 130x20 plain centre");
    EXPECT_EQ(order[15], "createText 16 290,430 130x160 sunken left");
    EXPECT_EQ(order[36], "createText 17 170,540 90x20 sunken centre");
    EXPECT_EQ(order[37], "createButton 50 180,570 70x20");
    EXPECT_EQ(order[46], "createText 49 20,350 400x30 plain centre");
    EXPECT_EQ(order[49], "createText 47 220,320 200x20 plain centre");
    EXPECT_GT(tracePosition("drawPicture 20,430"), tracePosition("createText 47"));
}

TEST_F(MainWindow, RefreshShowsTheReadingAndTheStateColours)
{
    createMainWindow(state, nullptr);
    fakeClockScript({{2026, 12, 8, 10, 0, 0}});
    state.reading.momentMs = wallClockMs();
    state.lastLogDate = "08.12.2026";
    state.lastLogTime = "10:00:00";
    state.nextLogDate = "08.12.2026";
    state.nextLogTime = "10:01:30";
    state.reading.taken = true;
    state.reading.analogRaw = {512, 1023, 0, 9999};
    state.reading.digitalClosed = {true, false, std::nullopt, true};
    refreshDisplay(state);

    for (int date = 18; date <= 25; ++date) EXPECT_EQ(control(date).text, "08.12.2026");
    for (int time = 26; time <= 33; ++time) EXPECT_EQ(control(time).text, "10:00:00");
    EXPECT_EQ(control(37).text, "48.8");
    const std::int64_t stateColours[] = {red, blue, blue, red};
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(control(37 + n).colour, stateColours[n - 1]) << n;
    EXPECT_EQ(control(46).text, "Letzter Log: 08.12.2026 / 10:00:00");
    EXPECT_EQ(control(46).colour, blue);
    EXPECT_EQ(control(47).text, "N\xE4" "chster Log: 08.12.2026 / 10:01:30");
    EXPECT_EQ(control(47).colour, red);

    // A state that changes back turns its control blue in the same refresh.
    state.reading.digitalClosed[0] = false;
    refreshDisplay(state);
    EXPECT_EQ(control(38).colour, blue);
    // Colour before text, for each digital control.
    EXPECT_LT(tracePosition("setColour 38"), tracePosition("setText 38"));
}

TEST_F(MainWindow, WithoutAWindowNothingIsCreatedOrDescribed)
{
    fake().windowOpens = false;
    createMainWindow(state, nullptr);
    refreshDisplay(state);
    EXPECT_TRUE(fake().controls.empty());
    EXPECT_EQ(state.intervalSecondsText, "");
}

}  // namespace
