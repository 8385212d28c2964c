// The MQTT topics and payloads: plain functions of the state record and the reading, in UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "driver/TextCodec.h"

struct LoggerState;

std::string availabilityTopic(const std::string& name);
// The newest row alone, retained: what Home Assistant shows.
std::string stateTopic(const std::string& name);
// Every row in order, live or after an outage, not retained: for archivers, which read its time.
std::string rowsTopic(const std::string& name);
// The client id of the logger that holds the name, retained, and the questions whether it still does.
std::string ownerTopic(const std::string& name);
std::string probeTopic(const std::string& name);

// The row just logged: its time with the local UTC offset (minutes east of UTC), the analog values
// as numbers equal to the CSV texts, the digital codes as 1 and 0, null for an empty reply or a
// state not known yet, and board "away" when all eight replies were empty.
std::string statePayload(const LoggerState& state, int utcOffsetMinutes);

struct TopicPayload {
    std::string topic;
    std::string payload;
};

// Home Assistant's eight discovery configs under prefix, one per input, with the device block.
std::vector<TopicPayload> discoveryConfigs(const LoggerState& state, const std::string& name,
                                           const std::string& prefix);
// The topics of those configs, which need no reading of the board.
std::vector<std::string> discoveryTopics(const std::string& name, const std::string& prefix);
