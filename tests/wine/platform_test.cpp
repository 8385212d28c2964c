// Checks the Windows platform services under Wine: the log file's sharing and positions, the
// bounded socket calls against simulators on 127.0.0.1, the clock, a sound start that may fail, and
// the statically linked MQTT client and TLS libraries with the Windows root certificates.
// Usage: avrnetio-platform-test FOLDER STEADY_PORT SILENT_PORT CLOSED_PORT
//   FOLDER is empty and ends in a backslash; the steady simulator answers "GETADC 1" with 512 CR LF
//   and closes each connection after two commands; the silent one never answers; nothing listens
//   on CLOSED_PORT.
// Or: --full-disk FILE, run with a file size limit of 1024 bytes; --open PATH, which hands PATH to
// the shell service; --default-log, which prints the default log path; --course, which opens a small
// main window and the course window with sample shapes laid out for its size, prints every event it
// takes and ends when the main window is closed; and no arguments at all,
// as the shell starts a program, or one path, as the shell hands a page to a browser: it leaves
// PROGRAM.started with that path.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "assets/Assets.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/sockets.h"
#include "platform/sound.h"
#include "platform/win32/tlsroots.h"
#include "platform/window.h"

// The libraries themselves, to show that they link and start.
#include <mosquitto.h>
#include <openssl/ssl.h>

namespace {

int failures = 0;
int checks = 0;

void check(bool passed, const std::string& what)
{
    ++checks;
    if (passed) return;
    ++failures;
    std::fprintf(stderr, "FAIL: %s\n", what.c_str());
}

std::string numberText(std::int64_t value)
{
    char digits[24];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

constexpr std::string_view command = "GETADC 1 \\r\\n";

std::string receive(platform::NetSocket* socket, std::size_t limit, bool& broken, int timeoutMs = 2000)
{
    char buffer[100] = {};
    platform::NetReceive got = platform::netReceive(socket, buffer, limit, timeoutMs);
    broken = got.broken;
    return std::string(buffer, got.size);
}

std::string readAt(platform::LogFile* file, std::int64_t offset, std::size_t size)
{
    char buffer[16] = {};
    std::int64_t got = platform::fileReadAt(file, offset, buffer, size);
    return got < 0 ? "<failed>" : std::string(buffer, static_cast<std::size_t>(got));
}

void checkFiles(const std::string& folder)
{
    const bool existed = platform::fileExists("C:\\AVR-NET-IO.CSV");
    check(platform::fileDefaultLogPath() == "C:\\AVR-NET-IO.CSV" &&
              platform::fileExists("C:\\AVR-NET-IO.CSV") == existed,
          "default log path in C:\\, and asking for it leaves no file");
    const std::string path = folder + "platform.csv";
    platform::LogFile* file = platform::fileOpen(path);
    check(file != nullptr, "a missing file is created");
    if (file == nullptr) return;
    check(platform::fileLength(file) == 0 && platform::fileWrite(file, "abc\r\n", 5) &&
              platform::fileLength(file) == 5,
          "write and length");
    check(readAt(file, 5, 1).empty() && readAt(file, 1, 2) == "bc", "reads at the end and at an offset");
    // The log reads its last byte before writing: the read must not move the write position.
    check(platform::fileWrite(file, "x", 1) && readAt(file, 5, 1) == "x", "a read leaves the write position");
    check(platform::fileOpen(path) == nullptr, "a second writer is refused while the file is open");
    check(platform::fileSync(file), "sync");
    platform::fileClose(file);

    file = platform::fileOpen(path);
    check(file != nullptr && platform::fileLength(file) == 6, "reopening keeps the content");
    check(platform::fileSeek(file, 0) && platform::fileWrite(file, "Z", 1) && readAt(file, 0, 6) == "Zbc\r\nx",
          "a write lands at the position set");
    platform::fileClose(file);
    check(platform::fileOpen(folder + "missing\\platform.csv") == nullptr, "a missing folder fails");
}

void checkSockets(int steadyPort, int silentPort, int closedPort)
{
    check(platform::netStart(), "socket service starts");
    struct Unreachable {
        const char* host;
        int port;
        const char* what;
    };
    const Unreachable unreachable[] = {
        {"", steadyPort, "an empty host"},
        {"255.255.255.255", steadyPort, "the all-ones address"},
        {"127.0.0.1", closedPort, "a port nobody listens on"},
        {"127.0.0.1", 70000, "a port beyond 65535"},
    };
    for (const Unreachable& target : unreachable)
        check(platform::netConnect(target.host, target.port, 2000) == nullptr,
              std::string("no connection to ") + target.what);

    bool broken = false;
    platform::NetSocket* steady = platform::netConnect("localhost", steadyPort, 2000);
    check(steady != nullptr, "connects by host name");
    check(platform::netSend(steady, command.data(), command.size()) && receive(steady, 100, broken) == "512\r\n" &&
              !broken,
          "one exchange");
    // A read takes at most its limit; the rest is the start of the next read.
    check(platform::netSend(steady, command.data(), command.size()) && receive(steady, 3, broken) == "512" &&
              receive(steady, 100, broken) == "\r\n",
          "a reply longer than the limit");
    check(receive(steady, 100, broken).empty() && broken, "the peer's close is broken");
    platform::netClose(steady);

    platform::NetSocket* silent = platform::netConnect("127.0.0.1", silentPort, 2000);
    check(silent != nullptr, "connects by dotted address");
    const std::int64_t start = platform::clockTicksMs();
    check(platform::netSend(silent, command.data(), command.size()) && receive(silent, 100, broken, 300).empty() &&
              !broken,
          "a silent peer times out without being broken");
    const std::int64_t waited = platform::clockTicksMs() - start;
    check(waited >= 250 && waited < 2000, "the receive waits its time-out: " + numberText(waited));
    // Left open on purpose: stopping the service drops it.
    platform::netStop();
}

void checkClock()
{
    const std::int64_t before = platform::clockTicksMs();
    platform::clockSleepMs(100);
    const std::int64_t slept = platform::clockTicksMs() - before;
    // The tick count moves in steps of up to 16 ms.
    check(slept >= 80 && slept < 1000, "a 100 ms pause on the tick count: " + numberText(slept));
    platform::LocalTime now = platform::clockLocalTime();
    check(now.year >= 2020 && now.month >= 1 && now.month <= 12 && now.day >= 1 && now.day <= 31 &&
              now.hour >= 0 && now.hour < 24 && now.minute >= 0 && now.minute < 60 && now.second >= 0 &&
              now.second < 61,
          "local time fields in range");
}

// A write that the limit cuts short, as a full disk would, leaves no part of itself behind.
void checkFullDisk(const std::string& path)
{
    platform::LogFile* file = platform::fileOpen(path);
    check(file != nullptr, "the file opens");
    if (file == nullptr) return;
    const std::string row(100, 'a');
    const std::string tooLong(5000, 'b');
    check(platform::fileWrite(file, row.data(), row.size()), "a write within the limit");
    check(!platform::fileWrite(file, tooLong.data(), tooLong.size()) && platform::fileLength(file) == 100,
          "a write beyond the limit fails and is taken back: length " + numberText(platform::fileLength(file)));
    check(platform::fileWrite(file, "cc", 2) && platform::fileLength(file) == 102 &&
              readAt(file, 100, 2) == "cc",
          "the next write follows the last complete one");
    platform::fileClose(file);
}

bool soundRuns()
{
    if (!platform::soundStart()) return false;
    platform::soundLoad(platform::Tone::click, clickWave, clickWaveSize);
    platform::soundLoad(platform::Tone::alarm, alarmWave, alarmWaveSize);
    platform::soundPlay(platform::Tone::click);
    platform::clockSleepMs(100);
    platform::soundPlay(platform::Tone::alarm);
    platform::soundStop();
    return true;
}

// Two boxes, one at a fixed place and one at the bottom right corner, a line below them and the
// three anchors of text on the middle of the window, each on a row of its own.
std::vector<platform::UiShape> courseSample(int width, int height)
{
    using platform::UiAnchor;
    using platform::UiShapeKind;
    const int middle = width / 2;
    return {
        {UiShapeKind::box, 20, 40, 120, 100, 0xFF8000, 1, UiAnchor::left, ""},
        {UiShapeKind::box, width - 60, height - 60, width - 20, height - 20, 0x00A000, 1, UiAnchor::left, ""},
        {UiShapeKind::line, 20, height - 10, width - 20, height - 10, 0x0000C0, 3, UiAnchor::left, ""},
        {UiShapeKind::text, middle, 120, 0, 0, 0, 1, UiAnchor::left, "links"},
        {UiShapeKind::text, middle, 150, 0, 0, 0, 1, UiAnchor::centre, "Mitte"},
        {UiShapeKind::text, middle, 180, 0, 0, 0, 1, UiAnchor::right, "rechts"},
    };
}

int runCourse()
{
    if (!platform::uiStart() || !platform::uiOpenMainWindow("Datenlogger Probe", 100, 100) ||
        !platform::uiOpenCourseWindow("Verlauf", 400, 300)) {
        std::fputs("no course window\n", stderr);
        return 1;
    }
    platform::uiSetCourseTitle("Verlauf - Probe");
    // Early returns of a wait without an event: what wakes a loop that should sleep.
    int wakes = 0;
    for (int waits = 0; waits < 120; ++waits) {
        const std::int64_t start = platform::clockTicksMs();
        const platform::UiEvent event = platform::uiTakeEvent(1000);
        if (event.code == platform::uiEventNone) {
            wakes += platform::clockTicksMs() - start < 900 ? 1 : 0;
            continue;
        }
        std::printf("event %d %d %d %d\n", event.code, event.control, event.x, event.y);
        std::fflush(stdout);
        if (event.code == platform::uiEventCourseSize) platform::uiDrawCourse(courseSample(event.x, event.y));
        if (event.code == platform::uiEventClose) break;
    }
    std::printf("wakes without an event %d\n", wakes);
    platform::uiCloseWindows();
    return 0;
}

int portOf(const char* text)
{
    std::string_view digits = text;
    int port = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), port);
    return port;
}

}  // namespace

// Wine fills its root store from the build machine's certificates: none when it has none.
void checkTlsLibraries()
{
    int major = 0, minor = 0, revision = 0;
    mosquitto_lib_version(&major, &minor, &revision);
    check(major == LIBMOSQUITTO_MAJOR && minor == LIBMOSQUITTO_MINOR && revision == LIBMOSQUITTO_REVISION,
          "libmosquitto is the version of its header: " + numberText(major) + "." + numberText(minor));
    check(mosquitto_lib_init() == MOSQ_ERR_SUCCESS, "libmosquitto starts");
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    check(context != nullptr, "OpenSSL makes a TLS client context");
    if (context == nullptr) return;
    const int roots = platform::tlsAddWindowsRoots(SSL_CTX_get_cert_store(context));
    check(roots >= 0, "the Windows root store opens");
    std::printf("tls: libmosquitto %d.%d.%d, %s, %d Windows root certificates\n", major, minor, revision,
                OpenSSL_version(OPENSSL_VERSION), roots);
    SSL_CTX_free(context);
    mosquitto_lib_cleanup();
}

int main(int argc, char** argv)
{
    // Started by the shell's first stage with no arguments, or as a stand-in browser with the
    // page: leave a mark beside the program, holding what it was given.
    if (argc == 1 || (argc == 2 && argv[1][0] != '-')) {
        platform::LogFile* mark = platform::fileOpen(std::string(argv[0]) + ".started");
        if (argc == 2) platform::fileWrite(mark, argv[1], std::strlen(argv[1]));
        platform::fileClose(mark);
        return 0;
    }
    if (argc == 2 && std::string_view(argv[1]) == "--default-log") {
        std::printf("%s\n", platform::fileDefaultLogPath().c_str());
        return 0;
    }
    if (argc == 2 && std::string_view(argv[1]) == "--course") return runCourse();
    if (argc == 3 && std::string_view(argv[1]) == "--open") {
        platform::shellOpenDocument(argv[2]);
        return 0;
    }
    if (argc == 3 && std::string_view(argv[1]) == "--full-disk") {
        checkFullDisk(argv[2]);
        std::printf("full disk: %d of %d checks passed\n", checks - failures, checks);
        return failures == 0 ? 0 : 1;
    }
    if (argc != 5) {
        std::fputs("usage: avrnetio-platform-test FOLDER STEADY_PORT SILENT_PORT CLOSED_PORT\n"
                   "       avrnetio-platform-test --full-disk FILE | --open PATH | --default-log | --course\n",
                   stderr);
        return 2;
    }
    checkFiles(argv[1]);
    checkSockets(portOf(argv[2]), portOf(argv[3]), portOf(argv[4]));
    checkClock();
    checkTlsLibraries();
    // Without an audio device the start fails; either way nothing may crash or hang.
    const bool sound = soundRuns();
    std::printf("platform: %d of %d checks passed; sound output %s\n", checks - failures, checks,
                sound ? "started" : "not available");
    return failures == 0 ? 0 : 1;
}
