// The MQTT topics and payloads: plain functions of the state record and the reading, in UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "driver/TextCodec.h"

struct LoggerState;

std::string availabilityTopic(const std::string& name);
std::string stateTopic(const std::string& name);

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
