// Every setting of the logger in one record: the board, the log, each input, MQTT.
#pragma once

#include <array>
#include <string>

// Inputs are numbered 1 to 4 as on the board; entry n - 1 holds input n.
template <typename T>
using PerInput = std::array<T, 4>;

// The settings of one analog input. In the voltage form (quantity false) its value is the board's
// reading in volts, cut to analogTextWidth characters; in the quantity form it is raw * scale +
// offset in unit, rounded to decimals places.
struct AnalogInput {
    std::string label;
    std::string unit;
    double scale = 0.0;  // units per step of the board's reading
    double offset = 0.0;
    int decimals = 0;
    bool quantity = false;
    std::string haDeviceClass;  // empty: none
};

struct DigitalInput {
    std::string label;
    std::string openText;
    std::string closedText;  // also what the colour rule compares with
    std::string haDeviceClass;
};

enum class Schedule { drift, aligned };

// Texts hold Latin-1 bytes, paths the bytes the file system names them with, and the MQTT
// texts UTF-8.
struct Settings {
    std::string boardHost;
    int boardPort = 0;
    std::string logFilePath;  // shown through filePathText
    std::string interval;     // the answer to the interval prompt
    Schedule schedule = Schedule::drift;
    PerInput<AnalogInput> analog;
    PerInput<DigitalInput> digital;
    std::string mqttUrl;  // empty: nothing is published
    std::string mqttPasswordFile;
    std::string mqttCa;
    std::string name;  // the logger's name in topics; empty: made from boardHost
    std::string haDiscovery;
};
