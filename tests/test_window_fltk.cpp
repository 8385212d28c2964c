// The FLTK window layer without a display: bitmap checks, the fallbacks of the dialogs, and
// termination signals turned into close requests; on a display (AVRNETIO_TEST_DISPLAY, as the
// test that runs it under xvfb-run sets it), the settings window's controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/window.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct BitmapShape {
    int width = 2;
    int height = 2;
    int bitsPerPixel = 24;
    int compression = 0;
    std::uint32_t pixelOffset = 54;
    const char* signature = "BM";
};

void put(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A bitmap file image with rows padded to four bytes; the height may be negative.
std::vector<unsigned char> bitmapFile(const BitmapShape& shape)
{
    const auto width = static_cast<std::size_t>(std::max(shape.width, 0));
    const auto rows = static_cast<std::size_t>(std::abs(shape.height));
    const std::size_t row = (width * 3 + 3) / 4 * 4;
    std::vector<unsigned char> bytes(54 + row * rows, 0x7F);
    bytes[0] = static_cast<unsigned char>(shape.signature[0]);
    bytes[1] = static_cast<unsigned char>(shape.signature[1]);
    put(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    put(bytes, 6, 0, 4);
    put(bytes, 10, shape.pixelOffset, 4);
    put(bytes, 14, 40, 4);
    put(bytes, 18, static_cast<std::uint32_t>(shape.width), 4);
    put(bytes, 22, static_cast<std::uint32_t>(shape.height), 4);
    put(bytes, 26, 1, 2);
    put(bytes, 28, static_cast<std::uint32_t>(shape.bitsPerPixel), 2);
    put(bytes, 30, static_cast<std::uint32_t>(shape.compression), 4);
    put(bytes, 34, static_cast<std::uint32_t>(row * rows), 4);
    return bytes;
}

struct BitmapCase {
    const char* name;
    BitmapShape shape;
    int sizeChange;  // bytes cut off (negative) from the image handed over
    bool loads;
};

const BitmapCase bitmapCases[] = {
    {"board size", {120, 160}, 0, true},
    {"padded rows", {3, 2}, 0, true},
    {"top row first", {2, -2}, 0, true},
    {"wrong signature", {2, 2, 24, 0, 54, "MB"}, 0, false},
    {"palette image", {2, 2, 8}, 0, false},
    {"compressed", {2, 2, 24, 1}, 0, false},
    {"zero width", {0, 2}, 0, false},
    {"zero height", {2, 0}, 0, false},
    {"pixel data cut short", {3, 2}, -1, false},
    {"pixel offset beyond the end", {2, 2, 24, 0, 1000}, 0, false},
    {"header only", {2, 2}, -16, false},
    {"shorter than a header", {2, 2}, -30, false},
};

TEST(FltkWindow, LoadsOnlyWellFormedBitmaps)
{
    for (const BitmapCase& test : bitmapCases) {
        std::vector<unsigned char> bytes = bitmapFile(test.shape);
        bytes.resize(static_cast<std::size_t>(static_cast<int>(bytes.size()) + test.sizeChange));
        platform::UiPicture* picture = platform::uiLoadPicture(bytes.data(), bytes.size());
        EXPECT_EQ(picture != nullptr, test.loads) << test.name;
        platform::uiFreePicture(picture);
    }
    EXPECT_EQ(platform::uiLoadPicture(nullptr, 100), nullptr);
}

// Every case runs without a display, as on a text console.
class FltkWindowWithoutDisplay : public testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("DISPLAY");
        if (platform::uiStart()) GTEST_SKIP() << "a display was found although DISPLAY is unset";
    }
};

TEST_F(FltkWindowWithoutDisplay, OpensNothingAndAnswersNo)
{
    EXPECT_FALSE(platform::uiOpenMainWindow("Titel", 440, 600));
    platform::uiCreateText(1, 0, 0, 10, 10, "x", platform::UiFrame::sunken,
                           platform::UiAlign::left);
    platform::uiCreateButton(50, 0, 0, 10, 10, "QUIT");
    platform::uiSetText(1, "y");
    platform::uiSetTextColour(1, 0xFF0000);
    platform::uiSetSystemFont(1);
    EXPECT_FALSE(platform::uiAskYesNo("Logdatei sofort \xF6" "ffnen?", "Ja?"));
    EXPECT_EQ(platform::uiPrompt("Zeitintervall", "Format", "S10"), "");
    EXPECT_FALSE(platform::uiOpenDialogWindow("Einstellungen", 500, 400));
    platform::uiCreateLabel(2, 0, 0, 10, 10, "&Adresse:");
    platform::uiCreateEdit(3, 0, 0, 10, 10, "127.0.0.1");
    platform::uiCreateCheck(4, 0, 0, 10, 10, "&fragen", true);
    platform::uiCreateChoice(5, 0, 0, 10, 10, {"drift", "aligned"}, 1);
    platform::uiSetDefaultButton(50);
    platform::uiSetEnabled(3, false);
    platform::uiSetFocus(3);
    EXPECT_EQ(platform::uiGetText(3), "");
    EXPECT_FALSE(platform::uiGetCheck(4));
    EXPECT_EQ(platform::uiGetChoice(5), -1);
    EXPECT_EQ(platform::uiAskSavePath("Logdatei", "/tmp/AVR-NET-IO.CSV"), "");
    platform::uiCloseWindows();
    platform::uiCloseWindows();
}

TEST_F(FltkWindowWithoutDisplay, MessageGoesToStandardErrorInUtf8)
{
    testing::internal::CaptureStderr();
    platform::uiMessage("Problem", "Es wurde kein g\xFCltiger Zeitintervall eingegeben!");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Problem: Es wurde kein g\xC3\xBCltiger Zeitintervall eingegeben!\n");
}

TEST_F(FltkWindowWithoutDisplay, WaitsTheTimeOutWhenNothingHappens)
{
    const auto started = Clock::now();
    const platform::UiEvent event = platform::uiTakeEvent(150);
    EXPECT_EQ(event.code, platform::uiEventNone);
    EXPECT_GE(Clock::now() - started, 140ms);
}

TEST_F(FltkWindowWithoutDisplay, SignalsBecomeOneCloseRequest)
{
    std::raise(SIGTERM);
    std::raise(SIGINT);
    const platform::UiEvent event = platform::uiTakeEvent(0);
    EXPECT_EQ(event.code, platform::uiEventClose);
    EXPECT_EQ(event.control, 0);
    EXPECT_EQ(platform::uiTakeEvent(0).code, platform::uiEventNone);
}

TEST_F(FltkWindowWithoutDisplay, SignalEndsAWaitEarly)
{
    std::thread sender([] {
        std::this_thread::sleep_for(100ms);
        std::raise(SIGTERM);
    });
    const auto started = Clock::now();
    const platform::UiEvent event = platform::uiTakeEvent(10000);
    const auto waited = Clock::now() - started;
    sender.join();
    EXPECT_EQ(event.code, platform::uiEventClose);
    EXPECT_LT(waited, 5s);
}

// Every case opens and closes its own settings window on the private display.
class FltkWindowOnDisplay : public testing::Test {
protected:
    static constexpr const char* dumpPath = "avrnetio-window-test-controls.txt";

    void SetUp() override
    {
        if (std::getenv("AVRNETIO_TEST_DISPLAY") == nullptr) GTEST_SKIP() << "needs the test's own X server";
        setenv("AVRNETIO_DUMP_CONTROLS", dumpPath, 1);
        if (!platform::uiStart()) GTEST_SKIP() << "the toolkit started without a display in this process";
    }
    void TearDown() override { platform::uiCloseWindows(); }

    // The control dump as the window writes it when it next takes events: number -> line.
    static std::map<int, std::string> dump()
    {
        platform::uiTakeEvent(0);
        std::ifstream in(dumpPath, std::ios::binary);
        std::map<int, std::string> lines;
        for (std::string line; std::getline(in, line);) lines[std::stoi(line)] = line.substr(line.find('\t') + 1);
        return lines;
    }
};

struct ControlCase {
    const char* name;
    int control;
    void (*create)(int control);
    std::string read;    // uiGetText once made
    const char* dumped;  // colour and text in the dump
};

const ControlCase controlCases[] = {
    {"label keeps its mnemonic marks", 1, [](int c) { platform::uiCreateLabel(c, 10, 10, 100, 16, "&Keller && T\xFCr:"); },
     "&Keller && T\xFCr:", "-\t&Keller && T\\xfcr:"},
    {"edit in Latin-1", 2, [](int c) { platform::uiCreateEdit(c, 120, 10, 100, 21, "21 \xB0" "C"); }, "21 \xB0" "C",
     "-\t21 \\xb0C"},
    {"empty edit", 3, [](int c) { platform::uiCreateEdit(c, 120, 40, 100, 21, ""); }, "", "-\t"},
    {"check box ticked", 4, [](int c) { platform::uiCreateCheck(c, 10, 70, 200, 18, "bei jedem Start &fragen", true); },
     "bei jedem Start &fragen", "-\t[x] bei jedem Start &fragen"},
    {"check box clear", 5, [](int c) { platform::uiCreateCheck(c, 10, 90, 200, 18, "&MQTT", false); }, "&MQTT",
     "-\t[ ] &MQTT"},
    {"choice shows its item, '&' and '@' too", 6,
     [](int c) { platform::uiCreateChoice(c, 10, 110, 120, 21, {"drift", "a&b@c", "aligned"}, 1); }, "", "-\ta&b@c"},
    {"button with a mnemonic", 7, [](int c) { platform::uiCreateButton(c, 10, 140, 120, 25, "&Speichern"); },
     "&Speichern", "-\t&Speichern"},
};

TEST_F(FltkWindowOnDisplay, ControlsShowAndGiveBackWhatTheyWereGiven)
{
    ASSERT_TRUE(platform::uiOpenDialogWindow("Einstellungen - Datenlogger f\xFCr AVR-NET-IO-Board", 400, 200));
    for (const ControlCase& test : controlCases) {
        test.create(test.control);
        EXPECT_EQ(platform::uiGetText(test.control), test.read) << test.name;
    }
    const std::map<int, std::string> shown = dump();
    for (const ControlCase& test : controlCases)
        EXPECT_EQ(shown.count(test.control) ? shown.at(test.control) : "(missing)", test.dumped) << test.name;
    EXPECT_TRUE(platform::uiGetCheck(4));
    EXPECT_FALSE(platform::uiGetCheck(5));
    EXPECT_FALSE(platform::uiGetCheck(2));
    EXPECT_EQ(platform::uiGetChoice(6), 1);
    EXPECT_EQ(platform::uiGetChoice(2), -1);
}

TEST_F(FltkWindowOnDisplay, SetTextChangesWithoutAnEvent)
{
    ASSERT_TRUE(platform::uiOpenDialogWindow("Einstellungen", 400, 200));
    platform::uiCreateEdit(2, 10, 10, 100, 21, "127.0.0.1");
    platform::uiCreateCheck(4, 10, 40, 200, 18, "&fragen", true);
    platform::uiSetText(2, "Haust\xFCr");
    platform::uiSetText(4, "&immer");
    platform::uiSetEnabled(2, false);
    platform::uiSetFocus(2);
    EXPECT_EQ(platform::uiTakeEvent(0).code, platform::uiEventNone);
    EXPECT_EQ(platform::uiGetText(2), "Haust\xFCr");
    const std::map<int, std::string> shown = dump();
    EXPECT_EQ(shown.at(2), "-\tHaust\\xfcr");
    EXPECT_EQ(shown.at(4), "-\t[x] &immer");
}

TEST_F(FltkWindowOnDisplay, OneWindowAtATimeAndEachOpensEmpty)
{
    ASSERT_TRUE(platform::uiOpenDialogWindow("Einstellungen", 400, 200));
    platform::uiCreateEdit(2, 10, 10, 100, 21, "alt");
    EXPECT_FALSE(platform::uiOpenMainWindow("Datenlogger", 440, 600));
    EXPECT_FALSE(platform::uiOpenDialogWindow("Einstellungen", 400, 200));
    platform::uiCloseWindows();
    EXPECT_TRUE(dump().empty());
    ASSERT_TRUE(platform::uiOpenMainWindow("Datenlogger", 440, 600));
    EXPECT_FALSE(platform::uiOpenDialogWindow("Einstellungen", 400, 200));
    EXPECT_EQ(platform::uiGetText(2), "");
    platform::uiCloseWindows();
    ASSERT_TRUE(platform::uiOpenDialogWindow("Einstellungen", 400, 200));
    EXPECT_EQ(platform::uiGetText(2), "");
    platform::uiCreateEdit(2, 10, 10, 100, 21, "neu");
    EXPECT_EQ(platform::uiGetText(2), "neu");
}

}  // namespace
