// The command-line options and their errors, the language the user reads them in, and what a
// start from the desktop says of a wrong settings file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include "driver/CommandLine.h"
#include "driver/Messages.h"
#include "driver/Program.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_platform.h"
#include "platform/locale.h"
#include "platform/window.h"

namespace {

// The marks {1}, {2} ... that a text holds.
std::multiset<std::string> marks(std::string_view text)
{
    std::multiset<std::string> found;
    for (std::size_t at = text.find('{'); at != std::string_view::npos && at + 2 < text.size(); at = text.find('{', at + 1))
        if (text[at + 2] == '}') found.emplace(text.substr(at, 3));
    return found;
}

TEST(Language, TheLocaleChoosesIt)
{
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        bool german;
    } cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", true},
        {nullptr, nullptr, "de_AT", true},
        {nullptr, nullptr, "C", false},
        {nullptr, nullptr, "en_US", false},
        {nullptr, nullptr, nullptr, false},
        {nullptr, nullptr, "", false},
        // The first one set and not empty decides, as the C library takes them.
        {"en_US.UTF-8", nullptr, "de_DE.UTF-8", false},
        {"", "de_CH.UTF-8", "en_GB", true},
        {nullptr, "C", "de_DE", false},
        {"", "", "de_LU", true},
        {"dk_DK", nullptr, nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::localeNamesGerman(c.lcAll, c.lcMessages, c.lang), c.german)
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " " << (c.lang ? c.lang : "-");

    // Windows: the user's UI language, German in every country.
    const std::pair<unsigned short, bool> languages[] = {
        {0x0407, true}, {0x0C07, true}, {0x0807, true}, {0x1407, true}, {0x0007, true},
        {0x0409, false}, {0x0809, false}, {0x040C, false}, {0x0413, false}, {0x0000, false},
    };
    for (const auto& [id, german] : languages) EXPECT_EQ(platform::localeUiLanguageGerman(id), german) << std::hex << id;
}

TEST(Language, EveryMessageHasItsGermanTwin)
{
    ASSERT_EQ(messageRows.size(), static_cast<std::size_t>(MessageId::count));
    for (std::size_t k = 0; k < messageRows.size(); ++k) {
        const MessageRow& row = messageRows[k];
        EXPECT_EQ(static_cast<std::size_t>(row.id), k) << "out of order: " << row.english;
        ASSERT_TRUE(row.english && *row.english && row.german && *row.german) << k;
        EXPECT_EQ(marks(row.english), marks(row.german)) << row.english;
        // A text that ends a line in one language ends it in the other.
        EXPECT_EQ(std::string_view(row.english).ends_with('\n'), std::string_view(row.german).ends_with('\n'))
            << row.english;
    }
    // The settings' own words: both or neither.
    for (const SettingRow& row : settingRows) {
        EXPECT_EQ(row.wrong.english == nullptr, row.wrong.german == nullptr) << row.key;
        if (row.wrong.english) {
            EXPECT_EQ(marks(row.wrong.english), marks(row.wrong.german)) << row.key;
        }
    }
    // The start-up problems as the window's users have always read them.
    const std::pair<MessageId, const char*> quoted[] = {
        {MessageId::networkFailed, "Das Netzwerk kann nicht initialisiert werden!"},
        {MessageId::boardNotFound, "Das AVR-NET-IO-Board kann nicht gefunden werden!"},
        {MessageId::intervalInvalid, "Es wurde kein g\xFCltiger Zeitintervall eingegeben!"},
    };
    for (const auto& [id, text] : quoted) EXPECT_EQ(message(id).german, text);
    EXPECT_EQ(message(MessageId::logFileFailed, {"C:\\AVR-NET-IO.CSV"}).german,
              "Die Ausgabedatei 'C:\\AVR-NET-IO.CSV' kann nicht erzeugt werden!");
    // An argument's own braces are no marks.
    EXPECT_EQ(message(MessageId::optionTakes, {"--port", {"a port", "ein Port ist n\xF6tig"}, "{1}{2}"}).german,
              "--port: {1}{2} geht nicht; ein Port ist n\xF6tig");
}

// What the program says on a terminal, in the locale's language, and in UTF-8.
TEST(Language, TheConsoleGetsTheLocalesLanguage)
{
    struct Case {
        std::vector<std::string> arguments;
        bool german;
        const char* said;
    } cases[] = {
        {{"--port", "0"}, false, "Usage: avrnetio-logger"},
        {{"--port", "0"}, false, "--port takes a port from 1 to 65535: 0\n"},
        {{"--port", "0"}, true, "Aufruf: avrnetio-logger"},
        {{"--port", "0"}, true, "--port: 0 geht nicht; ein Port von 1 bis 65535 ist n\xC3\xB6tig\n"},
        {{"--gr\xC3\xBC\xC3\x9F" "e"}, true, "Unbekannte Option: --gr\xC3\xBC\xC3\x9F" "e\n"},
        {{"--gr\xE2\x82\xAC\x1B"}, false, "Unknown option: --gr\\u20AC\\u001B\n"},
        // The MQTT settings' problems, of the settings and of the files they name.
        {{"--mqtt", "http://broker"}, true, "Keine MQTT-URL: http://broker (mqtt://[BENUTZER@]RECHNER[:PORT] oder"},
        {{"--mqtt", "mqtt://broker", "--name", "a/b"}, true,
         "--name nimmt Buchstaben A-Z und a-z, Ziffern, '_' und '-': a/b\n"},
        {{"--mqtt", "mqtt://logger@broker", "--mqtt-password-file", "/nonexistent/pw"}, true,
         "Die Passwortdatei /nonexistent/pw kann nicht gelesen werden: es gibt sie nicht\n"},
        {{"--mqtt", "mqtt://logger@broker", "--mqtt-password-file", "/nonexistent/pw"}, false,
         "Cannot read the password file /nonexistent/pw: it does not exist\n"},
        {{"--mqtt", "mqtts://broker", "--mqtt-ca", "/"}, true, "Die CA-Datei / ist keine gew\xC3\xB6hnliche Datei\n"},
    };
    for (const Case& c : cases) {
        resetFake();
        fake().german = c.german;
        testing::internal::CaptureStderr();
        EXPECT_EQ(runProgram(c.arguments), 2);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
    }
}

// From the desktop a wrong settings file is one German box, whatever the locale, with the file,
// the line and what is wrong; the settings window opens where the user wants it.
TEST(Language, ADesktopStartSaysAWrongSettingsFileInOneGermanBox)
{
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "avrnetio-lang-test.toml";
    std::ofstream(file) << "[board]\nport = 0\n";
    for (const bool wanted : {false, true}) {
        resetFake();
        fake().yesNoAnswer = wanted;
        fake().events.push_back({1000, {platform::uiEventClose, 0}});
        EXPECT_EQ(runProgram({"--desktop", "--settings", file.string()}), 2);
        const std::vector<std::string> boxes = traced("ask ");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes.front(), "ask Einstellungen \xF6" "ffnen?: Die Einstellungsdatei " + file.string() +
                                     " hat in Zeile 2 einen Fehler:\nboard.port: ein Port von 1 bis 65535 ist n\xF6tig"
                                     "\n\nM\xF6" "chten Sie die Einstellungen \xF6" "ffnen, um das zu \xE4ndern?");
        EXPECT_TRUE(traced("message ").empty()) << "no usage";
        EXPECT_EQ(traced("openDialog ").size(), wanted ? 1u : 0u);
        EXPECT_EQ(tracePosition("netStart"), -1) << "no board contacted";
    }
    // A file that cannot be read names no line; one that is not there is the first start's.
    resetFake();
    const std::string folder = file.parent_path().string();
    EXPECT_EQ(runProgram({"--desktop", "--settings", folder}), 2);
    ASSERT_EQ(traced("ask ").size(), 1u);
    EXPECT_NE(traced("ask ").front().find("Die Einstellungsdatei " + folder + " kann nicht gelesen werden: sie ist keine"),
              std::string::npos) << traced("ask ").front();
    std::filesystem::remove(file);
}

TEST(CommandLine, OptionsAndErrors)
{
    struct Case {
        std::vector<std::string_view> arguments;
        CommandLineAction action;
        const char* problem = "";
    } cases[] = {
        {{}, CommandLineAction::run},
        {{"--host", "127.0.0.1", "--port", "4000", "--log-file", "/tmp/a b.csv", "--interval", "S1"},
         CommandLineAction::run},
        {{"--setup", "--desktop", "--settings", "/tmp/x.toml"}, CommandLineAction::run},
        {{"--course", "--port", "4000"}, CommandLineAction::run},  // a flag takes no value
        {{"--course", "--course"}, CommandLineAction::usageError, "--course is given twice"},
        {{"--help"}, CommandLineAction::help},
        {{"--port", "1", "--help"}, CommandLineAction::help},
        {{"--host"}, CommandLineAction::usageError, "--host needs a value"},
        {{"--verbose", "1"}, CommandLineAction::usageError, "Unknown option: --verbose"},
        {{"--verbose"}, CommandLineAction::usageError, "Unknown option: --verbose"},
        {{"127.0.0.1"}, CommandLineAction::usageError, "Unknown option: 127.0.0.1"},
        {{"--port", "0"}, CommandLineAction::usageError, "--port takes a port from 1 to 65535: 0"},
        {{"--port", "65536"}, CommandLineAction::usageError, "--port takes a port from 1 to 65535: 65536"},
        {{"--port", "80x"}, CommandLineAction::usageError, "--port takes a port from 1 to 65535: 80x"},
        {{"--port", "-1"}, CommandLineAction::usageError, "--port takes a port from 1 to 65535: -1"},
    };
    for (const Case& c : cases) {
        StartOptions start;
        Settings settings = defaultSettings();
        Message problem;
        EXPECT_EQ(parseCommandLine(c.arguments, start, settings, &problem), c.action)
            << (c.arguments.empty() ? "(none)" : c.arguments.front());
        EXPECT_EQ(problem.english, c.problem);
    }

    StartOptions start;
    Settings settings = defaultSettings();
    const std::vector<std::string_view> all = {"--host", "localhost", "--port", "50291",
                                               "--log-file", "/tmp/a b.csv", "--interval", "m1.5", "--course"};
    ASSERT_EQ(parseCommandLine(all, start, settings), CommandLineAction::run);
    EXPECT_EQ(settings.boardHost, "localhost");
    EXPECT_EQ(settings.boardPort, 50291);
    EXPECT_EQ(settings.logFilePath, "/tmp/a b.csv");
    EXPECT_EQ(settings.interval, "m1.5");
    EXPECT_TRUE(settings.course && isGiven(settings, &Settings::course));

    Settings untouched = defaultSettings();
    ASSERT_EQ(parseCommandLine({}, start, untouched), CommandLineAction::run);
    EXPECT_TRUE(untouched.given.none());
}

}  // namespace
