// Every message of the console, the journal and the report, English and German side by side.
#include "driver/Messages.h"

#include <string_view>

namespace {

using M = MessageId;

constexpr MessageRow rows[] = {
    {M::usageSynopsis,
     "Usage: avrnetio-logger [--settings FILE] [--host HOST] [--port PORT] [--log-file PATH]\n"
     "                       [--interval TEXT] [--schedule drift|aligned] [--course]\n",
     "Aufruf: avrnetio-logger [--settings DATEI] [--host RECHNER] [--port PORT] [--log-file PFAD]\n"
     "                        [--interval TEXT] [--schedule drift|aligned] [--course]\n"},
    {M::usageSynopsisMqtt,
     "                       [--mqtt URL [--mqtt-password-file FILE] [--mqtt-ca FILE] [--name NAME]\n"
     "                        [--ha-discovery PREFIX|off]]\n",
     "                        [--mqtt URL [--mqtt-password-file DATEI] [--mqtt-ca DATEI] [--name NAME]\n"
     "                         [--ha-discovery PR\xC4" "FIX|off]]\n"},
    {M::usageSynopsisSetup, "       avrnetio-logger --setup [--settings FILE]\n",
     "        avrnetio-logger --setup [--settings DATEI]\n"},
    {M::usageSynopsisForget, "       avrnetio-logger --forget [--settings FILE] [--mqtt URL ...] [--name NAME]\n",
     "        avrnetio-logger --forget [--settings DATEI] [--mqtt URL ...] [--name NAME]\n"},
    {M::usageSynopsisService, "       avrnetio-logger --service NAME\n", "        avrnetio-logger --service NAME\n"},
    {M::usageOptions,
     "\n"
     "Logs the inputs of an AVR-NET-IO board to a CSV file once per interval.\n"
     "\n"
     "  --settings FILE  the settings file (default {1},\n"
     "                   read when it exists); an option given here wins over the file\n"
     "  --setup          opens the settings window, which edits that file\n"
     "  --host HOST      the board's address or host name (default {2})\n"
     "  --port PORT      the board's TCP port (default {3})\n"
     "  --log-file PATH  the CSV log file (default {4})\n"
     "  --interval TEXT  answers the interval prompt, e.g. S10, M1.5, H2 or D1\n"
     "  --schedule drift|aligned  a row an interval after the last one's work (default), or\n"
     "                   on the whole multiples of the interval (on the second, on the minute)\n"
     "  --course         opens the window Verlauf: the course of the inputs over the whole log\n",
     "\n"
     "Schreibt die Eing\xE4nge eines AVR-NET-IO-Boards einmal je Intervall in eine CSV-Datei.\n"
     "\n"
     "  --settings DATEI  die Einstellungsdatei (Vorgabe {1},\n"
     "                    gelesen, wenn es sie gibt); eine Option hier gilt vor der Datei\n"
     "  --setup           \xF6" "ffnet das Einstellungsfenster, das diese Datei bearbeitet\n"
     "  --host RECHNER    Adresse oder Rechnername des Boards (Vorgabe {2})\n"
     "  --port PORT       TCP-Port des Boards (Vorgabe {3})\n"
     "  --log-file PFAD   die CSV-Logdatei (Vorgabe {4})\n"
     "  --interval TEXT   beantwortet die Frage nach dem Intervall, z. B. S10, M1.5, H2 oder D1\n"
     "  --schedule drift|aligned  eine Zeile ein Intervall nach der Arbeit der letzten (Vorgabe)\n"
     "                    oder auf ganzen Vielfachen des Intervalls (zur vollen Sekunde, Minute)\n"
     "  --course          \xF6" "ffnet das Fenster Verlauf: der Verlauf der Eing\xE4nge \xFC" "ber die ganze Logdatei\n"},
    {M::usageOptionsMqtt,
     "  --mqtt URL       also publishes every row to an MQTT broker:\n"
     "                   mqtt://[USER@]HOST[:PORT] or mqtts://[USER@]HOST[:PORT] (TLS)\n"
     "  --mqtt-password-file FILE  the broker password for USER, the file's first line\n"
     "  --mqtt-ca FILE   CA certificates for mqtts (default: the system's)\n"
     "  --name NAME      the logger's name in topics (default: the host, e.g. {1}{2})\n"
     "  --ha-discovery PREFIX|off  Home Assistant discovery prefix (default {3})\n"
     "  --forget         removes the logger of that name from the broker and Home Assistant,\n"
     "                   then ends; before a new name or discovery off, with the old settings\n",
     "  --mqtt URL        sendet au\xDF" "erdem jede Zeile an einen MQTT-Broker:\n"
     "                    mqtt://[BENUTZER@]RECHNER[:PORT] oder mqtts://[BENUTZER@]RECHNER[:PORT] (TLS)\n"
     "  --mqtt-password-file DATEI  das Passwort des BENUTZERs beim Broker, die erste Zeile der Datei\n"
     "  --mqtt-ca DATEI   CA-Zertifikate f\xFCr mqtts (Vorgabe: die des Systems)\n"
     "  --name NAME       der Name des Loggers in den Topics (Vorgabe: aus dem Host,\n"
     "                    z. B. {1}{2})\n"
     "  --ha-discovery PR\xC4" "FIX|off  Discovery-Pr\xE4" "fix von Home Assistant (Vorgabe {3})\n"
     "  --forget          entfernt den Logger dieses Namens vom Broker und aus Home Assistant und\n"
     "                    endet; vor einem neuen Namen oder discovery off, mit den alten Einstellungen\n"},
    {M::usageServiceName, "; the service's: NAME", "; beim Dienst: NAME"},
    {M::usageOptionsService,
     "  --service NAME   runs as the service instance NAME: its settings in\n"
     "                   {1}, its log\n"
     "                   {2},\n"
     "                   every 10 seconds unless the settings say otherwise\n",
     "  --service NAME    l\xE4uft als Dienst-Instanz NAME: ihre Einstellungen in\n"
     "                    {1}, ihr Log\n"
     "                    {2},\n"
     "                    alle 10 Sekunden, wenn die Einstellungen nichts anderes sagen\n"},
    {M::usageEnd,
     "  --desktop        a start from the desktop, as the menu entry makes it: the settings\n"
     "                   window at the first start, this text in a box\n"
     "  --help           shows this text\n"
     "\n"
     "Exit status: 0 when the logger ends after logging (QUIT, the close box, Ctrl+C, SIGTERM),\n"
     "1 when it cannot start (no network, no board, no valid interval, no usable log file),\n"
     "2 for a usage error (a wrong option or setting).\n",
     "  --desktop         ein Start vom Desktop, wie ihn der Men\xFC" "eintrag macht: beim ersten Start\n"
     "                    das Einstellungsfenster, dieser Text in einem Fenster\n"
     "  --help            zeigt diesen Text\n"
     "\n"
     "R\xFC" "ckgabewert: 0, wenn der Logger nach dem Aufzeichnen endet (QUIT, Fenster schlie\xDF" "en,\n"
     "Strg+C, SIGTERM), 1, wenn er nicht starten kann (kein Netzwerk, kein Board, kein g\xFCltiges\n"
     "Intervall, keine nutzbare Logdatei), 2 bei einem Aufruffehler (falsche Option oder Einstellung).\n"},

    {M::optionTwice, "{1} is given twice", "{1} ist zweimal angegeben"},
    {M::optionUnknown, "Unknown option: {1}", "Unbekannte Option: {1}"},
    {M::optionNeedsValue, "{1} needs a value", "{1} braucht einen Wert"},
    // {2}: what the option takes in English, what is needed in German.
    {M::optionTakes, "{1} takes {2}: {3}", "{1}: {3} geht nicht; {2}"},
    {M::optionRefused, "{1} {2}: {3}", "{1} {2}: {3}"},
    {M::serviceName, "--service takes letters A-Z and a-z, digits, '_', '.' and '-': {1}",
     "--service nimmt Buchstaben A-Z und a-z, Ziffern, '_', '.' und '-': {1}"},
    {M::noService, "This build runs no service: --service cannot be used.",
     "Dieses Programm l\xE4uft nicht als Dienst: --service geht hier nicht."},
    {M::forgetNeedsBroker, "--forget needs the broker: --mqtt URL, or url in the settings file's [mqtt]",
     "--forget braucht den Broker: --mqtt URL oder url im Abschnitt [mqtt] der Einstellungsdatei"},
    {M::settingsNeedDisplay, "The settings window needs a display; the settings file is {1}\n",
     "Das Einstellungsfenster braucht eine grafische Oberfl\xE4" "che; die Einstellungsdatei ist {1}\n"},
    {M::forgetUnconfirmed, "Nothing was removed: the broker did not confirm the removal within 15 s.\n",
     "Nichts wurde entfernt: der Broker hat das Entfernen nicht binnen 15 s best\xE4tigt.\n"},
    {M::forgotten, "Removed from the broker, and so from Home Assistant, the logger {1}:\n",
     "Vom Broker und damit aus Home Assistant entfernt, der Logger {1}:\n"},
    {M::forgottenPassword, "and the password stored for it in Windows' Credential Manager.\n",
     "und das daf\xFCr in der Windows-Anmeldeinformationsverwaltung gespeicherte Passwort.\n"},

    {M::networkFailed, "The network cannot be initialised!", "Das Netzwerk kann nicht initialisiert werden!"},
    {M::boardNotFound, "The AVR-NET-IO board cannot be found!", "Das AVR-NET-IO-Board kann nicht gefunden werden!"},
    {M::intervalInvalid, "No valid time interval was entered!", "Es wurde kein g\xFCltiger Zeitintervall eingegeben!"},
    {M::logFileFailed, "The output file '{1}' cannot be created!", "Die Ausgabedatei '{1}' kann nicht erzeugt werden!"},
    {M::alarmDelayShort, "{1} ({2}) is shorter than the logging interval: a condition shows only once a row",
     "{1} ({2}) ist k\xFCrzer als das Intervall der Aufzeichnung: eine Bedingung zeigt sich nur einmal je Zeile"},
    {M::alarmLogFailed, "The alarm file '{1}' cannot be created!", "Die Alarmdatei '{1}' kann nicht erzeugt werden!"},
    {M::alarmStarted, "Alarm: {1} is {2}, the limit {3}\n", "Alarm: {1} ist {2}, die Grenze {3}\n"},
    {M::alarmEnded, "Alarm over: {1} is {2}, the limit {3}\n", "Alarm vorbei: {1} ist {2}, die Grenze {3}\n"},
    {M::boardSilentStarted, "Alarm: no reading from the board for {1}\n", "Alarm: seit {1} keine Messung vom Board\n"},
    {M::boardSilentEnded, "Alarm over: the board answers again\n", "Alarm vorbei: das Board antwortet wieder\n"},
    {M::alarmCommandNotStarted, "The alarm command {1} cannot be started: {2}; said only once\n",
     "Der Alarmbefehl {1} kann nicht starten: {2}; nur einmal gesagt\n"},
    {M::alarmCommandFailed, "The alarm command ended with exit code {1}; said only once\n",
     "Der Alarmbefehl endete mit dem Code {1}; nur einmal gesagt\n"},
    {M::alarmCommandKilled, "The alarm command still ran after {1} s and was ended; said only once\n",
     "Der Alarmbefehl lief nach {1} s noch und wurde beendet; nur einmal gesagt\n"},
    {M::alarmCommandBusy, "The alarm command of {1} still runs, so none starts for this change; said only once\n",
     "Der Alarmbefehl von {1} l\xE4uft noch, daher startet f\xFCr diesen Wechsel keiner; nur einmal gesagt\n"},

    {M::mqttNoConnection, "no connection to the broker at {1} ({2}); rows wait in memory, up to {3}, until it is back",
     "keine Verbindung zum Broker unter {1} ({2}); Zeilen warten im Speicher, bis zu {3}, bis er wieder da ist"},
    {M::mqttStillUnreachable, "the broker at {1} still cannot be reached: {2}",
     "der Broker unter {1} ist weiter nicht erreichbar: {2}"},
    {M::mqttBack, "connected to the broker at {1} again; {2} messages follow, {3} rows were dropped",
     "wieder mit dem Broker unter {1} verbunden; {2} Nachrichten folgen, {3} Zeilen wurden verworfen"},
    {M::mqttQueueFull,
     "{1} messages wait for the broker at {2}, as many as are kept: from now on the oldest row goes for each new "
     "one, counted",
     "{1} Nachrichten warten auf den Broker unter {2}, so viele, wie gehalten werden: ab jetzt weicht f\xFCr jede neue "
     "Zeile die \xE4lteste, gez\xE4hlt"},
    {M::mqttStandAside,
     "another logger of this name is online at the broker at {1} (client id {2}): this one publishes nothing while "
     "it is",
     "ein anderer Logger dieses Namens ist beim Broker unter {1} online (Client-ID {2}): dieser sendet nichts, "
     "solange er es ist"},
    {M::mqttDropped, "a message to {1} is dropped, since the library refused it: {2}; any further ones are counted",
     "eine Nachricht an {1} wird verworfen, da die Bibliothek sie ablehnte: {2}; weitere werden gez\xE4hlt"},
    {M::mqttOtherGone, "the other logger of this name (client id {1}) is gone: this one publishes",
     "der andere Logger dieses Namens (Client-ID {1}) ist fort: dieser sendet"},
    {M::mqttReadRefused,
     "the broker at {1} refuses this logger the reading of {2}, so it cannot see another logger of its name; "
     "it publishes",
     "der Broker unter {1} l\xE4sst diesen Logger {2} nicht lesen, so dass er einen anderen Logger seines Namens "
     "nicht sehen kann; er sendet"},
    {M::mqttRefusedInAll, "{1} messages were refused by the library in all",
     "{1} Nachrichten hat die Bibliothek insgesamt abgelehnt"},
    {M::mqttCannotStart, "cannot start publishing: {1}", "das Senden kann nicht beginnen: {1}"},
    {M::mqttNoThread, "cannot start the network thread: {1}", "der Netzwerk-Thread kann nicht starten: {1}"},
    {M::mqttStatusConnecting, "MQTT: connecting to {1} ...", "MQTT: verbinde mit {1} ..."},
    {M::mqttStatusConnected, "MQTT: connected to {1}", "MQTT: verbunden mit {1}"},
    {M::mqttStatusDisconnected, "MQTT: disconnected: {1}", "MQTT: getrennt: {1}"},
    {M::mqttStatusAside, "MQTT: another logger (client id {1}) publishes under this name",
     "MQTT: ein anderer Logger (Client-ID {1}) sendet unter diesem Namen"},

    {M::mqttNameUnknown, "the name {1} cannot be looked up", "der Name {1} l\xE4sst sich nicht aufl\xF6sen"},
    {M::mqttConnectionClosed, "the broker closed the connection", "der Broker hat die Verbindung geschlossen"},
    {M::mqttStoppedAnswering, "the broker stopped answering: nothing came back within two keep-alives of {1} s",
     "der Broker antwortet nicht mehr: binnen zweier Keep-alives von {1} s kam nichts zur\xFC" "ck"},
    {M::mqttNoAnswer, "no answer from the broker within {1} s", "keine Antwort vom Broker binnen {1} s"},
    {M::mqttNotMqtt, "the server's answer is not MQTT", "die Antwort des Servers ist kein MQTT"},
    {M::mqttNoTls, "the server does not answer in TLS (is the port right?)",
     "der Server antwortet nicht mit TLS (stimmt der Port?)"},
    {M::mqttTlsFailed, "TLS failed", "TLS ist gescheitert"},
    {M::mqttCertificateExpired, "the broker's certificate has expired", "das Zertifikat des Brokers ist abgelaufen"},
    {M::mqttCertificateNotYetValid, "the broker's certificate is not valid yet (is the clock right?)",
     "das Zertifikat des Brokers gilt noch nicht (geht die Uhr richtig?)"},
    {M::mqttCertificateUnknownCa,
     "the broker's certificate is signed by a CA this system does not know (name it with --mqtt-ca)",
     "das Zertifikat des Brokers ist von einer CA signiert, die dieses System nicht kennt (mit --mqtt-ca angeben)"},
    {M::mqttCertificateOtherCa, "the broker's certificate is not signed by the CA in {1}",
     "das Zertifikat des Brokers ist nicht von der CA in {1} signiert"},
    {M::mqttCertificateOtherHost, "the broker's certificate is not for {1}",
     "das Zertifikat des Brokers gilt nicht f\xFCr {1}"},
    {M::mqttCertificateRefused, "the broker's certificate is not accepted: {1}",
     "das Zertifikat des Brokers wird nicht angenommen: {1}"},
    {M::mqttConnectionRefused, "the broker refused the connection: {1}", "der Broker hat die Verbindung abgelehnt: {1}"},
    {M::mqttRefusedProtocol, "it does not take MQTT 3.1.1", "er nimmt kein MQTT 3.1.1"},
    {M::mqttRefusedClientId, "it does not take the client id {1}", "er nimmt die Client-ID {1} nicht"},
    {M::mqttRefusedUnavailable, "it is not available", "er ist nicht verf\xFCgbar"},
    {M::mqttBadLogin, "bad user name or password", "Benutzername oder Passwort falsch"},
    {M::mqttNotAuthorised, "not authorised", "nicht berechtigt"},
    // {2}: what is odd about the password, or nothing.
    {M::mqttCheckLogin, "{1}; check the user name and the password{2}",
     "{1}; bitte Benutzername und Passwort pr\xFC" "fen{2}"},
    {M::mqttPasswordEndsInBlank, ", which ends in a blank that is part of it",
     ", das auf ein Leerzeichen endet, das dazugeh\xF6rt"},
    {M::mqttPasswordByteOrderMark, ", which begins with a byte-order mark that is part of it",
     ", das mit einer Byte-Order-Mark beginnt, die dazugeh\xF6rt"},
    {M::mqttSettingsRefused, "the library does not take the settings: {1}",
     "die Bibliothek nimmt die Einstellungen nicht an: {1}"},
    {M::mqttNoClient, "the client cannot be made", "der Client kann nicht angelegt werden"},
    {M::mqttNoAnswerWithin, "no answer within {1} s", "keine Antwort binnen {1} s"},

    {M::brokerFree, "MQTT: broker reached, no other logger named {1} is there.",
     "MQTT: Broker erreicht, kein anderer Logger namens {1} ist dort."},
    {M::brokerHeld, "MQTT: another logger named {1} is online; this one publishes nothing while that one runs.",
     "MQTT: ein anderer Logger namens {1} ist online; dieser ver\xF6" "ffentlicht nichts, solange jener l\xE4uft."},
    {M::brokerUnreachable, "MQTT: no connection to the broker ({1}).", "MQTT: keine Verbindung zum Broker ({1})."},

    {M::mqttTextNotUtf8, "is not valid UTF-8", "ist kein g\xFCltiges UTF-8"},
    {M::mqttTextControl, "holds a control character", "enth\xE4lt ein Steuerzeichen"},
    {M::mqttTextNoncharacter, "holds a noncharacter", "enth\xE4lt ein Nichtzeichen"},
    {M::prefixTooLong, "The discovery prefix is longer than {1} bytes",
     "Das Discovery-Pr\xE4" "fix ist l\xE4nger als {1} Bytes"},
    {M::prefixTooDeep, "The discovery prefix has more than {1} levels", "Das Discovery-Pr\xE4" "fix hat mehr als {1} Ebenen"},
    {M::prefixText, "The discovery prefix {1}", "Das Discovery-Pr\xE4" "fix {1}"},
    {M::prefixOfBroker, "The discovery prefix begins with $, which marks the broker's own topics: {1}",
     "Das Discovery-Pr\xE4" "fix beginnt mit $, das die eigenen Topics des Brokers kennzeichnet: {1}"},
    {M::prefixInvalid, "Not a discovery prefix: {1}", "Kein Discovery-Pr\xE4" "fix: {1}"},
    {M::nameTooLong, "is longer than {1} characters", "ist l\xE4nger als {1} Zeichen"},
    {M::nameLetters, "takes letters A-Z and a-z, digits, '_' and '-': {1}",
     "nimmt Buchstaben A-Z und a-z, Ziffern, '_' und '-': {1}"},
    {M::nameOption, "--name {1}", "--name {1}"},
    {M::nameFromHostTooLong, "The name made from --host is longer than {1} characters: give one with --name",
     "Der aus --host gebildete Name ist l\xE4nger als {1} Zeichen: bitte einen mit --name angeben"},
    {M::urlPassword,
     "The URL holds a password after the user name, where ps shows it to everyone: put it in a file for "
     "--mqtt-password-file",
     "Die URL enth\xE4lt nach dem Benutzernamen ein Passwort, das ps allen zeigt: es geh\xF6rt in eine Datei f\xFCr "
     "--mqtt-password-file"},
    {M::urlUserTooLong, "The user name in the URL is longer than 65535 bytes",
     "Der Benutzername in der URL ist l\xE4nger als 65535 Bytes"},
    {M::urlUserText, "The user name in the URL {1}", "Der Benutzername in der URL {1}"},
    {M::urlHostControl, "The broker's host in the URL holds a control character",
     "Der Rechner des Brokers in der URL enth\xE4lt ein Steuerzeichen"},
    {M::urlHostTooLong, "The broker's host in the URL is longer than {1} bytes",
     "Der Rechner des Brokers in der URL ist l\xE4nger als {1} Bytes"},
    {M::urlInvalid, "not an MQTT URL (mqtt://[USER@]HOST[:PORT] or mqtts://[USER@]HOST[:PORT])",
     "keine MQTT-URL (mqtt://[BENUTZER@]RECHNER[:PORT] oder mqtts://[BENUTZER@]RECHNER[:PORT])"},
    {M::urlInvalidOption, "Not an MQTT URL: {1} (mqtt://[USER@]HOST[:PORT] or mqtts://...)",
     "Keine MQTT-URL: {1} (mqtt://[BENUTZER@]RECHNER[:PORT] oder mqtts://...)"},
    {M::caNeedsTls, "{1}needs an mqtts:// URL", "{1}braucht eine mqtts://-URL"},
    {M::passwordFileNeedsUser, "{1}needs a user in the URL (mqtt://USER@HOST)",
     "{1}braucht einen Benutzer in der URL (mqtt://BENUTZER@RECHNER)"},

    // Each a feminine noun in German, for the rows below.
    {M::passwordFileKind, "password file", "Passwortdatei"},
    {M::caFileKind, "CA file", "CA-Datei"},
    {M::credentialKind, "password credential", "Passwortdatei des Dienstes"},
    {M::fileMissing, "Cannot read the {1} {2}: it does not exist", "Die {1} {2} kann nicht gelesen werden: es gibt sie nicht"},
    {M::fileUnreadableBecause, "Cannot read the {1} {2}: {3}", "Die {1} {2} kann nicht gelesen werden: {3}"},
    {M::fileNotRegular, "The {1} {2} is not a regular file", "Die {1} {2} ist keine gew\xF6hnliche Datei"},
    {M::fileUnreadable, "Cannot read the {1} {2}", "Die {1} {2} kann nicht gelesen werden"},
    {M::passwordFileEmpty, "The {1} {2} is empty", "Die {1} {2} ist leer"},
    {M::passwordBlank, "The first line of the {1} {2} is blank", "Die erste Zeile der {1} {2} ist leer"},
    {M::passwordTooLong, "The password in the {1} {2} is longer than 65535 bytes",
     "Das Passwort in der {1} {2} ist l\xE4nger als 65535 Bytes"},
    {M::passwordNul, "The password in the {1} {2} holds a NUL byte", "Das Passwort in der {1} {2} enth\xE4lt ein NUL-Byte"},
    {M::caNoCertificate, "The CA file {1} holds no certificate (a PEM block -----BEGIN CERTIFICATE-----)",
     "Die CA-Datei {1} enth\xE4lt kein Zertifikat (einen PEM-Block -----BEGIN CERTIFICATE-----)"},

    {M::haNoMeasurement, "Home Assistant's class {1} is no measurement", "Home Assistants Klasse {1} ist kein Messwert"},
    {M::haNoSensorClass, "Home Assistant has no sensor class {1}", "Home Assistant kennt keine Sensorklasse {1}"},
    {M::haTakesNoUnit, "Home Assistant takes {1} without a unit", "Home Assistant nimmt {1} ohne Einheit"},
    // {3}: haInUnit or haWithoutUnit.
    {M::haTakesUnits, "Home Assistant takes {1} in {2}, not {3}", "Home Assistant nimmt {1} in {2}, nicht {3}"},
    {M::haInUnit, "{1}", "in {1}"},
    {M::haWithoutUnit, "without a unit", "ohne Einheit"},
    {M::haOrWithoutUnit, ", or without a unit", " oder ohne Einheit"},
    {M::haCurrency, "a currency", "einer W\xE4hrung"},
    {M::haStateClasses, "Home Assistant takes {1} as {2}, not as {3}", "Home Assistant nimmt {1} als {2}, nicht als {3}"},
    {M::haAngleOnly, "Home Assistant takes {1} in \xB0 only", "Home Assistant nimmt {1} nur in \xB0"},
    {M::haNoBinarySensorClass, "Home Assistant has no binary sensor class {1}",
     "Home Assistant kennt keine Bin\xE4rsensorklasse {1}"},

    {M::reportUsage,
     "Usage: avrnetio-report LOG.CSV [LOG.CSV...] [-o REPORT.html] [--summary] [--german-csv OUT.csv]\n"
     "\n"
     "Reads the AVR-NET-IO logger's CSV logs (several are read as one, in the order given) and\n"
     "writes a page of charts and figures. The first header row names the columns: an analog one\n"
     "titled LABEL [UNIT] is shown in that unit with its values' decimals, any other in volts.\n"
     "\n"
     "  -o REPORT.html          the page (default: the first log's name with .html; with --summary\n"
     "                          or --german-csv only when asked for)\n"
     "  --summary               the figures as tab-separated text on standard output\n"
     "  --german-csv OUT.csv    a copy of the rows with semicolons and decimal commas\n"
     "  --desktop               a start from the desktop, as the menu entry makes it: a chooser when\n"
     "                          no log is given, the page and the German copy beside the first log\n"
     "                          (or in Documents), the page in the browser, problems in a box\n"
     "  --help                  shows this text\n",
     "Aufruf: avrnetio-report LOG.CSV [LOG.CSV...] [-o BERICHT.html] [--summary] [--german-csv KOPIE.csv]\n"
     "\n"
     "Liest die CSV-Logdateien des AVR-NET-IO-Loggers (mehrere als eine, in der angegebenen\n"
     "Reihenfolge) und schreibt eine Seite mit Diagrammen und Kennzahlen. Die erste Kopfzeile\n"
     "benennt die Spalten: eine analoge mit dem Titel NAME [EINHEIT] erscheint in dieser Einheit\n"
     "mit den Nachkommastellen ihrer Werte, jede andere in Volt.\n"
     "\n"
     "  -o BERICHT.html         die Seite (Vorgabe: der Name der ersten Logdatei mit .html; mit\n"
     "                          --summary oder --german-csv nur auf Wunsch)\n"
     "  --summary               die Kennzahlen als Text mit Tabulatoren auf der Standardausgabe\n"
     "  --german-csv KOPIE.csv  eine Kopie der Zeilen mit Semikolons und Dezimalkommas\n"
     "  --desktop               ein Start vom Desktop, wie ihn der Men\xFC" "eintrag macht: ohne Logdatei\n"
     "                          eine Dateiauswahl, die Seite und die deutsche Kopie neben der ersten\n"
     "                          Logdatei (oder in Dokumente), die Seite im Browser, Probleme in einem\n"
     "                          Fenster\n"
     "  --help                  zeigt diesen Text\n"},
    {M::reportSameAsLog, "Output and log are the same file: '{1}'", "Ausgabe und Logdatei sind dieselbe Datei: '{1}'"},
    {M::reportPageIsCopy, "The page and the German copy are the same file: '{1}'",
     "Seite und deutsche Kopie sind dieselbe Datei: '{1}'"},
    {M::reportCannotWrite, "The file cannot be written: '{1}'", "Die Datei kann nicht geschrieben werden: '{1}'"},
    {M::reportCannotRead, "The log cannot be read: '{1}'", "Die Logdatei kann nicht gelesen werden: '{1}'"},
    {M::reportPageCannotWrite, "The page cannot be written: '{1}'", "Die Seite kann nicht geschrieben werden: '{1}'"},
    {M::reportPageInstead, "The page is not beside the log but in '{1}'",
     "Die Seite steht statt neben der Logdatei in '{1}'"},
    {M::reportSummaryCannotWrite, "The summary cannot be written", "Die Zusammenfassung kann nicht geschrieben werden"},
};
static_assert(std::size(rows) == static_cast<std::size_t>(MessageId::count));

// One pass over the text, so that what an argument holds is never taken for a mark.
std::string filled(std::string_view text, std::initializer_list<Message> arguments, Language language)
{
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::size_t number = at + 2 < text.size() && text[at] == '{' && text[at + 2] == '}'
                                       ? static_cast<std::size_t>(text[at + 1] - '1')
                                       : arguments.size();
        if (number >= arguments.size()) {
            out += text[at];
            continue;
        }
        out += arguments.begin()[number].in(language);
        at += 2;
    }
    return out;
}

}  // namespace

const std::span<const MessageRow> messageRows = rows;

Message message(MessageId id, std::initializer_list<Message> arguments)
{
    const MessageRow& row = rows[static_cast<std::size_t>(id)];
    return {filled(row.english, arguments, Language::english), filled(row.german, arguments, Language::german)};
}
