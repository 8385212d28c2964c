// The programs' messages for a console, the journal and the report, each once in English and in
// German, side by side in one table; and the language that the user's locale chooses.
#pragma once

#include <initializer_list>
#include <span>
#include <string>

enum class Language { english, german };

// The language of a console and of the journal, as the user's locale has it. A box on the
// desktop is German, as the window is.
Language consoleLanguage();

// A Latin-1 text as the console takes it.
std::string consoleText(const std::string& latin1);

enum class MessageId {
    // The logger's usage.
    usageSynopsis,
    usageSynopsisMqtt,
    usageSynopsisSetup,
    usageSynopsisForget,
    usageSynopsisService,
    usageOptions,
    usageOptionsMqtt,
    usageServiceName,
    usageOptionsService,
    usageEnd,
    // Its usage errors.
    optionTwice,
    optionUnknown,
    optionNeedsValue,
    optionTakes,
    optionRefused,
    serviceName,
    noService,
    forgetNeedsBroker,
    settingsNeedDisplay,
    forgetUnconfirmed,
    forgotten,
    forgottenPassword,
    // The start-up failures, on a console where no box can be shown.
    networkFailed,
    boardNotFound,
    intervalInvalid,
    logFileFailed,
    alarmDelayShort,
    alarmLogFailed,
    // An alarm's start and end on standard error.
    alarmStarted,
    alarmEnded,
    boardSilentStarted,
    boardSilentEnded,
    // What goes wrong with an alarm's command, said once a run.
    alarmCommandNotStarted,
    alarmCommandFailed,
    alarmCommandKilled,
    alarmCommandBusy,
    // Publishing's, in the journal.
    mqttNoConnection,
    mqttStillUnreachable,
    mqttBack,
    mqttQueueFull,
    mqttStandAside,
    mqttDropped,
    mqttOtherGone,
    mqttReadRefused,
    mqttRefusedInAll,
    mqttCannotStart,
    mqttNoThread,
    // The connection's state, in the main window.
    mqttStatusConnecting,
    mqttStatusConnected,
    mqttStatusDisconnected,
    mqttStatusAside,
    // Why publishing has no connection, inside the lines above.
    mqttNameUnknown,
    mqttConnectionClosed,
    mqttStoppedAnswering,
    mqttNoAnswer,
    mqttNotMqtt,
    mqttNoTls,
    mqttTlsFailed,
    mqttCertificateExpired,
    mqttCertificateNotYetValid,
    mqttCertificateUnknownCa,
    mqttCertificateOtherCa,
    mqttCertificateOtherHost,
    mqttCertificateRefused,
    mqttConnectionRefused,
    mqttRefusedProtocol,
    mqttRefusedClientId,
    mqttRefusedUnavailable,
    mqttBadLogin,
    mqttNotAuthorised,
    mqttCheckLogin,
    mqttPasswordEndsInBlank,
    mqttPasswordByteOrderMark,
    mqttSettingsRefused,
    mqttNoClient,
    mqttNoAnswerWithin,
    // The settings window's test of the broker.
    brokerFree,
    brokerHeld,
    brokerUnreachable,
    // The MQTT settings' problems.
    mqttTextNotUtf8,
    mqttTextControl,
    mqttTextNoncharacter,
    prefixTooLong,
    prefixTooDeep,
    prefixText,
    prefixOfBroker,
    prefixInvalid,
    nameTooLong,
    nameLetters,
    nameOption,
    nameFromHostTooLong,
    urlPassword,
    urlUserTooLong,
    urlUserText,
    urlHostControl,
    urlHostTooLong,
    urlInvalid,
    urlInvalidOption,
    caNeedsTls,
    passwordFileNeedsUser,
    // The files they name: {1} is one of the three kinds.
    passwordFileKind,
    caFileKind,
    credentialKind,
    fileMissing,
    fileUnreadableBecause,
    fileNotRegular,
    fileUnreadable,
    passwordFileEmpty,
    passwordBlank,
    passwordTooLong,
    passwordNul,
    caNoCertificate,
    // Home Assistant's classes.
    haNoMeasurement,
    haNoSensorClass,
    haTakesNoUnit,
    haTakesUnits,
    haInUnit,
    haWithoutUnit,
    haOrWithoutUnit,
    haCurrency,
    haStateClasses,
    haAngleOnly,
    haNoBinarySensorClass,
    // The report's.
    reportUsage,
    reportSameAsLog,
    reportPageIsCopy,
    reportCannotWrite,
    reportCannotRead,
    reportPageCannotWrite,
    reportPageInstead,
    reportSummaryCannotWrite,
    count
};

struct MessageRow {
    MessageId id;
    const char* english;
    const char* german;
};
// In the order of MessageId.
extern const std::span<const MessageRow> messageRows;

// A message in both languages, Latin-1 both: made where its cause is known, said where its
// reader is known.
struct Message {
    std::string english;
    std::string german;

    Message() = default;
    // A text that is the same in both: a name, a number, a value the user gave.
    Message(std::string both) : english(both), german(std::move(both)) {}
    Message(const char* both) : Message(std::string(both)) {}
    Message(std::string inEnglish, std::string inGerman) : english(std::move(inEnglish)), german(std::move(inGerman)) {}

    const std::string& in(Language language) const { return language == Language::german ? german : english; }
    bool empty() const { return english.empty(); }
};

// The message's text with {1}, {2} and so on replaced by the arguments, in each language.
Message message(MessageId id, std::initializer_list<Message> arguments = {});
