// The FLTK window layer without a display: bitmap checks, the fallbacks of the dialogs, and
// termination signals turned into close requests; on a display (AVRNETIO_TEST_DISPLAY, as the
// test that runs it under xvfb-run sets it), the settings window's controls and the course
// window, whose pixels and events FLTK itself hands the test.
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

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

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
    EXPECT_FALSE(platform::uiOpenCourseWindow("Verlauf", 500, 350));
    platform::uiSetCourseTitle("Verlauf - Keller");
    platform::uiDrawCourse({{}});
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
    EXPECT_FALSE(platform::uiOpenCourseWindow("Verlauf", 500, 350));
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

// ---- The course window, beside a main window on the private display

// The shown window whose title is utf8, or null.
Fl_Window* shownWindow(const char* utf8)
{
    for (Fl_Window* window = Fl::first_window(); window != nullptr; window = Fl::next_window(window))
        if (window->label() != nullptr && std::string(window->label()) == utf8) return window;
    return nullptr;
}

// Takes events for a while, so that the windows are exposed and painted: the events taken.
std::vector<platform::UiEvent> settle(std::chrono::milliseconds span = 300ms)
{
    std::vector<platform::UiEvent> taken;
    const auto end = Clock::now() + span;
    while (Clock::now() < end) {
        const platform::UiEvent event = platform::uiTakeEvent(20);
        if (event.code != platform::uiEventNone) taken.push_back(event);
    }
    return taken;
}

// The first event of that code within two seconds; none when it never came.
platform::UiEvent nextEvent(int code)
{
    const auto end = Clock::now() + 2s;
    while (Clock::now() < end) {
        const platform::UiEvent event = platform::uiTakeEvent(50);
        if (event.code == code) return event;
    }
    return {};
}

constexpr const char* courseTitle = "Verlauf - Keller";

class FltkCourseWindow : public FltkWindowOnDisplay {
protected:
    Fl_Window* course = nullptr;

    void SetUp() override
    {
        FltkWindowOnDisplay::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(platform::uiOpenMainWindow("Datenlogger", 440, 600));
        ASSERT_TRUE(platform::uiOpenCourseWindow(courseTitle, 500, 350));
        const platform::UiEvent size = nextEvent(platform::uiEventCourseSize);
        EXPECT_EQ(size.x, 500);
        EXPECT_EQ(size.y, 350);
        course = shownWindow(courseTitle);
        ASSERT_NE(course, nullptr);
    }
};

struct PlacementCase {
    const char* name;
    int mainWidth;
    bool beside;
};

// The private display is 1024 pixels wide and has no window manager to place a window itself.
const PlacementCase placementCases[] = {
    {"room on the right", 100, true},
    {"no room: where the window manager puts it", 440, false},
};

TEST_F(FltkWindowOnDisplay, CourseWindowGoesRightOfTheMainWindowWhereThereIsRoom)
{
    for (const PlacementCase& test : placementCases) {
        ASSERT_TRUE(platform::uiOpenMainWindow("Datenlogger", test.mainWidth, 200));
        ASSERT_TRUE(platform::uiOpenCourseWindow(courseTitle, 400, 300));
        settle(100ms);
        const Fl_Window* main = shownWindow("Datenlogger");
        const Fl_Window* course = shownWindow(courseTitle);
        ASSERT_TRUE(main != nullptr && course != nullptr) << test.name;
        EXPECT_EQ(course->x() == main->x() + main->w() && course->y() == main->y(), test.beside) << test.name;
        platform::uiCloseWindows();
    }
}

struct Pixel {
    const char* name;
    int x, y;
    std::uint32_t rgb;  // 0xRRGGBB as read back
};

// A red box [20,20)-(60,50), a blue line three pixels wide along y = 100, on white.
const Pixel pixelCases[] = {
    {"ground", 5, 5, 0xFFFFFF},
    {"box's first pixel", 20, 20, 0xFF0000},
    {"box's last pixel", 59, 49, 0xFF0000},
    {"right of the box", 60, 30, 0xFFFFFF},
    {"below the box", 30, 50, 0xFFFFFF},
    {"line's middle", 100, 100, 0x0000FF},
    {"line's width", 100, 101, 0x0000FF},
    {"beside the line", 100, 103, 0xFFFFFF},
};

struct AnchorCase {
    platform::UiAnchor anchor;
    int y;
    // Where the text's ink may start and end, given the anchor at x = 250.
    int firstFrom, firstTo, lastFrom, lastTo;
};

const AnchorCase anchorCases[] = {
    {platform::UiAnchor::left, 150, 250, 253, 262, 400},
    {platform::UiAnchor::centre, 180, 200, 246, 254, 300},
    {platform::UiAnchor::right, 210, 100, 240, 246, 250},
};

TEST_F(FltkCourseWindow, PaintsItsShapesOnWhite)
{
    using platform::UiShapeKind;
    std::vector<platform::UiShape> shapes = {
        {UiShapeKind::box, 20, 20, 60, 50, 0x0000FF, 1, platform::UiAnchor::left, ""},
        {UiShapeKind::line, 20, 100, 200, 100, 0xFF0000, 3, platform::UiAnchor::left, ""},
    };
    for (const AnchorCase& test : anchorCases)
        shapes.push_back({UiShapeKind::text, 250, test.y, 0, 0, 0, 1, test.anchor, "Au\xDF" "en 21,5 \xB0" "C"});
    platform::uiDrawCourse(shapes);
    settle();
    course->make_current();
    const int width = course->w();
    const int height = course->h();
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width * height * 3));
    ASSERT_NE(fl_read_image(rgb.data(), 0, 0, width, height), nullptr);
    const auto at = [&](int x, int y) {
        const unsigned char* p = &rgb[static_cast<std::size_t>((y * width + x) * 3)];
        return static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
    };
    for (const Pixel& test : pixelCases) EXPECT_EQ(at(test.x, test.y), test.rgb) << test.name;
    for (const AnchorCase& test : anchorCases) {
        int first = width, last = -1, top = height;
        for (int y = test.y - 5; y < test.y + 20; ++y)
            for (int x = 0; x < width; ++x)
                if (at(x, y) != 0xFFFFFF) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                    top = std::min(top, y);
                }
        EXPECT_TRUE(first >= test.firstFrom && first <= test.firstTo) << test.y << ": starts at " << first;
        EXPECT_TRUE(last >= test.lastFrom && last <= test.lastTo) << test.y << ": ends at " << last;
        EXPECT_TRUE(top >= test.y && top <= test.y + 4) << test.y << ": top at " << top;
    }
}

TEST_F(FltkCourseWindow, ReportsItsNewSize)
{
    XResizeWindow(fl_display, fl_xid(course), 620, 410);
    const platform::UiEvent size = nextEvent(platform::uiEventCourseSize);
    EXPECT_EQ(size.x, 620);
    EXPECT_EQ(size.y, 410);
    XMoveWindow(fl_display, fl_xid(course), 30, 40);
    for (const platform::UiEvent& event : settle()) EXPECT_NE(event.code, platform::uiEventCourseSize);
}

TEST_F(FltkCourseWindow, CloseBoxHidesItAndTheMainWindowStays)
{
    Fl::handle(FL_CLOSE, course);
    const std::vector<platform::UiEvent> taken = settle();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].code, platform::uiEventCourseClose);
    EXPECT_EQ(shownWindow(courseTitle), nullptr);
    EXPECT_NE(shownWindow("Datenlogger"), nullptr);
    platform::uiDrawCourse({{}});
    ASSERT_TRUE(platform::uiOpenCourseWindow(courseTitle, 500, 350));
    EXPECT_EQ(nextEvent(platform::uiEventCourseSize).x, 500);
    platform::uiCloseWindows();
    EXPECT_EQ(shownWindow(courseTitle), nullptr);
}

struct PointerInput {
    int event;
    int x, y;
};

struct PointerCase {
    const char* name;
    std::vector<PointerInput> inputs;
    std::vector<platform::UiEvent> queued;  // code, control, x, y
};

const PointerCase pointerCases[] = {
    {"moves become the last one",
     {{FL_MOVE, 10, 10}, {FL_MOVE, 20, 15}, {FL_MOVE, 30, 25}},
     {{platform::uiEventCoursePointer, 0, 30, 25}}},
    {"a press is kept, the move after it last",
     {{FL_MOVE, 10, 10}, {FL_PUSH, 40, 12}, {FL_RELEASE, 40, 12}, {FL_MOVE, 50, 60}, {FL_MOVE, 55, 61}},
     {{platform::uiEventCoursePointer, 1, 40, 12}, {platform::uiEventCoursePointer, 0, 55, 61}}},
    {"presses are never merged",
     {{FL_PUSH, 1, 2}, {FL_RELEASE, 1, 2}, {FL_PUSH, 3, 4}, {FL_RELEASE, 3, 4}, {FL_MOVE, 5, 6}},
     {{platform::uiEventCoursePointer, 1, 1, 2}, {platform::uiEventCoursePointer, 1, 3, 4},
      {platform::uiEventCoursePointer, 0, 5, 6}}},
};

TEST_F(FltkCourseWindow, QueuesPressesAndOnlyTheLatestMove)
{
    settle();
    for (const PointerCase& test : pointerCases) {
        for (const PointerInput& input : test.inputs) {
            Fl::e_x = input.x;
            Fl::e_y = input.y;
            Fl::e_x_root = course->x() + input.x;
            Fl::e_y_root = course->y() + input.y;
            Fl::e_state = input.event == FL_PUSH ? FL_BUTTON1 : 0;
            Fl::e_keysym = FL_Button + 1;
            Fl::handle(input.event, course);
        }
        std::vector<platform::UiEvent> taken;
        for (platform::UiEvent event; (event = platform::uiTakeEvent(0)).code != platform::uiEventNone;)
            taken.push_back(event);
        ASSERT_EQ(taken.size(), test.queued.size()) << test.name;
        for (std::size_t i = 0; i < taken.size(); ++i) {
            EXPECT_EQ(taken[i].code, test.queued[i].code) << test.name;
            EXPECT_EQ(taken[i].control, test.queued[i].control) << test.name;
            EXPECT_EQ(taken[i].x, test.queued[i].x) << test.name;
            EXPECT_EQ(taken[i].y, test.queued[i].y) << test.name;
        }
    }
}

}  // namespace
