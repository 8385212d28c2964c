// The tables as Home Assistant 2025.5 defines them: DEVICE_CLASS_UNITS and
// DEVICE_CLASS_STATE_CLASSES of homeassistant/components/sensor/const.py (core commit 3fd1a330),
// each unit as homeassistant/const.py 2025.5 spells it, the micro sign as the Greek mu that
// Home Assistant writes since core PR #144853; binary sensor classes from binary_sensor/__init__.py.
// tests/ha_device_classes.h holds a copy of them that the tests hold this table to.
#include "publish/DeviceClasses.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "driver/TextCodec.h"

namespace {

// Every state class, and every one but the angle's, which needs degrees.
constexpr std::string_view allStates = "measurement|measurement_angle|total|total_increasing";
constexpr std::string_view measurement = "measurement";
constexpr std::string_view totals = "total|total_increasing";

constexpr std::string_view energyUnits = "J|kJ|MJ|GJ|mWh|Wh|kWh|MWh|GWh|TWh|cal|kcal|Mcal|Gcal";
constexpr std::string_view volumeUnits = "ft\u00B3|CCF|m\u00B3|L|mL|gal|fl. oz.";
constexpr std::string_view pressureUnits = "Pa|hPa|kPa|bar|cbar|mbar|mmHg|inHg|psi";
constexpr std::string_view speedUnits = "Beaufort|ft/s|in/s|m/s|km/h|kn|mph|mm/s";
constexpr std::string_view fluxUnits = "in/d|in/h|mm/d|mm/h";
constexpr std::string_view microgramsPerCubicMetre = "\u03BCg/m\u00B3";
constexpr std::string_view temperatureUnits = "\u00B0" "C|\u00B0" "F|K";

constexpr SensorClass table[] = {
    {"apparent_power", "VA", measurement},
    {"aqi", "", measurement},
    {"area", "m\u00B2|cm\u00B2|km\u00B2|mm\u00B2|in\u00B2|ft\u00B2|yd\u00B2|mi\u00B2|ac|ha", allStates},
    {"atmospheric_pressure", pressureUnits, measurement},
    {"battery", "%", measurement},
    {"blood_glucose_concentration", "mg/dL|mmol/L", measurement},
    {"carbon_dioxide", "ppm", measurement},
    {"carbon_monoxide", "ppm", measurement},
    {"conductivity", "S/cm|\u03BCS/cm|mS/cm", measurement},
    {"current", "mA|A", measurement},
    {"data_rate", "bit/s|kbit/s|Mbit/s|Gbit/s|B/s|kB/s|MB/s|GB/s|KiB/s|MiB/s|GiB/s", measurement},
    {"data_size", "bit|kbit|Mbit|Gbit|B|kB|MB|GB|TB|PB|EB|ZB|YB|KiB|MiB|GiB|TiB|PiB|EiB|ZiB|YiB", allStates},
    {"distance", "mm|cm|m|km|in|ft|yd|mi|nmi", allStates},
    {"duration", "d|h|min|s|ms|\u03BCs", allStates},
    {"energy", energyUnits, totals},
    {"energy_distance", "kWh/100km|mi/kWh|km/kWh", measurement},
    {"energy_storage", energyUnits, measurement},
    {"frequency", "Hz|kHz|MHz|GHz", measurement},
    {"gas", "CCF|ft\u00B3|m\u00B3|L", totals},
    {"humidity", "%", measurement},
    {"illuminance", "lx", measurement},
    {"irradiance", "W/m\u00B2|BTU/(h\u22C5ft\u00B2)", measurement},
    {"moisture", "%", measurement},
    {"monetary", "*", "total"},
    {"nitrogen_dioxide", microgramsPerCubicMetre, measurement},
    {"nitrogen_monoxide", microgramsPerCubicMetre, measurement},
    {"nitrous_oxide", microgramsPerCubicMetre, measurement},
    {"ozone", microgramsPerCubicMetre, measurement},
    {"ph", "", measurement},
    {"pm1", microgramsPerCubicMetre, measurement},
    {"pm10", microgramsPerCubicMetre, measurement},
    {"pm25", microgramsPerCubicMetre, measurement},
    {"power", "mW|W|kW|MW|GW|TW", measurement},
    {"power_factor", "%|", measurement},
    {"precipitation", "in|mm|cm", allStates},
    {"precipitation_intensity", fluxUnits, measurement},
    {"pressure", pressureUnits, measurement},
    {"reactive_power", "var|kvar", measurement},
    {"signal_strength", "dB|dBm", measurement},
    {"sound_pressure", "dB|dBA", measurement},
    {"speed", "Beaufort|ft/s|in/s|m/s|km/h|kn|mph|mm/s|in/d|in/h|mm/d|mm/h", measurement},
    {"sulphur_dioxide", microgramsPerCubicMetre, measurement},
    {"temperature", temperatureUnits, measurement},
    {"volatile_organic_compounds", microgramsPerCubicMetre, measurement},
    {"volatile_organic_compounds_parts", "ppb|ppm", measurement},
    {"voltage", "\u03BCV|mV|V|kV|MV", measurement},
    {"volume", volumeUnits, totals},
    {"volume_flow_rate", "m\u00B3/h|m\u00B3/s|ft\u00B3/min|L/h|L/min|L/s|gal/min|mL/s", measurement},
    {"volume_storage", volumeUnits, measurement},
    {"water", "CCF|ft\u00B3|m\u00B3|gal|L", totals},
    {"weight", "g|kg|mg|\u03BCg|oz|lb|st", "measurement|total|total_increasing"},
    {"wind_direction", "\u00B0", "measurement_angle"},
    {"wind_speed", speedUnits, measurement},
};

// Values that are no measurement: a date, a time, one of a list of words.
constexpr std::string_view nonNumericClasses[] = {"date", "enum", "timestamp"};

// The angle's state class takes degrees only, whatever the class (STATE_CLASS_UNITS).
constexpr std::string_view angleState = "measurement_angle";
constexpr std::string_view degree = "\u00B0";

constexpr std::string_view binarySensorClasses[] = {
    "battery", "battery_charging", "carbon_monoxide", "cold", "connectivity", "door", "garage_door",
    "gas", "heat", "light", "lock", "moisture", "motion", "moving", "occupancy", "opening", "plug",
    "power", "presence", "problem", "running", "safety", "smoke", "sound", "tamper", "update",
    "vibration", "window"};

// The entries of a '|' list, an empty one included.
std::vector<std::string_view> entries(std::string_view list)
{
    std::vector<std::string_view> parts;
    for (std::size_t bar = 0; bar != std::string_view::npos; list.remove_prefix(bar + 1)) {
        bar = list.find('|');
        parts.push_back(list.substr(0, bar));
        if (bar == std::string_view::npos) break;
    }
    return parts;
}

// A UTF-8 text of Home Assistant's in Latin-1, as the messages hold it: the mu as the micro sign,
// the dot operator as the middle dot.
std::string latin1Shown(std::string_view utf8)
{
    std::string out;
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t code = nextCodePoint(utf8, at).value_or(U'?');
        out += code <= 0xFF ? static_cast<char>(code) : code == 0x3BC ? '\xB5' : code == 0x22C5 ? '\xB7' : '?';
    }
    return out;
}

// The list in words, the empty unit as none: "%, or without a unit".
Message readable(std::string_view list)
{
    std::string text;
    bool none = false;
    for (std::string_view entry : entries(list)) {
        if (entry.empty()) none = true;
        else text += (text.empty() ? "" : ", ") + latin1Shown(entry);
    }
    if (!none) return text;
    const Message without = message(MessageId::haOrWithoutUnit);
    return {text + without.english, text + without.german};
}

const SensorClass* known(std::string_view deviceClass)
{
    const auto* found = std::ranges::find(table, deviceClass, &SensorClass::name);
    return found == std::end(table) ? nullptr : found;
}

bool listed(std::string_view list, std::string_view entry) { return std::ranges::count(entries(list), entry) > 0; }

}  // namespace

const std::span<const SensorClass> sensorClasses = table;

std::string haUnitText(std::string_view latin1)
{
    std::string text;
    for (char c : latin1) text += c == '\xB5' ? std::string("\u03BC") : utf8FromLatin1(std::string_view(&c, 1));
    return text;
}

std::string haUnitOf(const AnalogInput& input)
{
    return haUnitText(!input.quantity || input.unit == "Volt" ? "V" : input.unit);
}

Message sensorClassProblem(std::string_view deviceClass, std::string_view haUnit)
{
    const std::string name = printableLatin1(deviceClass, 200);
    if (std::ranges::find(nonNumericClasses, deviceClass) != std::end(nonNumericClasses))
        return message(MessageId::haNoMeasurement, {name});
    const SensorClass* found = known(deviceClass);
    if (!found) return message(MessageId::haNoSensorClass, {name});
    if (found->units == "*" ? !haUnit.empty() : listed(found->units, haUnit)) return {};
    if (found->units.empty()) return message(MessageId::haTakesNoUnit, {name});
    const Message units = found->units == "*" ? message(MessageId::haCurrency) : readable(found->units);
    const Message unit = haUnit.empty() ? message(MessageId::haWithoutUnit)
                                        : message(MessageId::haInUnit, {latin1Shown(haUnit)});
    return message(MessageId::haTakesUnits, {name, units, unit});
}

Message stateClassProblem(std::string_view deviceClass, std::string_view stateClass, std::string_view haUnit)
{
    const std::string state = printableLatin1(stateClass, 200);
    if (const SensorClass* found = known(deviceClass); found && !listed(found->stateClasses, stateClass)) {
        std::string allowed;
        for (std::string_view entry : entries(found->stateClasses)) allowed += (allowed.empty() ? "" : ", ") + std::string(entry);
        return message(MessageId::haStateClasses, {std::string(deviceClass), allowed, state});
    }
    if (stateClass == angleState && haUnit != degree) return message(MessageId::haAngleOnly, {state});
    return {};
}

std::string defaultStateClass(std::string_view deviceClass)
{
    const SensorClass* found = known(deviceClass);
    return std::string(found ? entries(found->stateClasses).front() : measurement);
}

Message binarySensorClassProblem(std::string_view deviceClass)
{
    if (std::ranges::find(binarySensorClasses, deviceClass) != std::end(binarySensorClasses)) return {};
    return message(MessageId::haNoBinarySensorClass, {printableLatin1(deviceClass, 200)});
}
