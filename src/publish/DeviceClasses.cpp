// The tables as Home Assistant's sensor and binary sensor integrations define them. A class
// whose units are many or open (data sizes, currencies) takes any unit here.
#include "publish/DeviceClasses.h"

#include <algorithm>
#include <iterator>

#include "driver/TextCodec.h"

namespace {

struct SensorClass {
    std::string_view name;
    // Units separated by '|', Latin-1 ("\xB0" is the degree sign); empty: any unit; "-": none.
    std::string_view units;
};

constexpr std::string_view energyUnits = "J|kJ|MJ|GJ|mWh|Wh|kWh|MWh|GWh|TWh|cal|kcal|Mcal|Gcal";
constexpr std::string_view volumeUnits = "L|mL|gal|fl. oz.|m\xB3|ft\xB3|CCF|MCF";
constexpr std::string_view pressureUnits = "Pa|hPa|kPa|MPa|bar|cbar|mbar|mmHg|inHg|psi";
constexpr std::string_view microgramsPerCubicMetre = "\xB5g/m\xB3";

constexpr SensorClass sensorClasses[] = {
    {"apparent_power", "VA|mVA|kVA"},
    {"aqi", "-"},
    {"area", ""},
    {"atmospheric_pressure", pressureUnits},
    {"battery", "%"},
    {"blood_glucose_concentration", "mg/dL|mmol/L"},
    {"carbon_dioxide", "ppm"},
    {"carbon_monoxide", "ppm"},
    {"conductivity", "S/cm|mS/cm|\xB5S/cm"},
    {"current", "A|mA"},
    {"data_rate", ""},
    {"data_size", ""},
    {"distance", "km|m|cm|mm|mi|nmi|yd|ft|in"},
    {"duration", "d|h|min|s|ms"},
    {"energy", energyUnits},
    {"energy_distance", "kWh/100km|mi/kWh|km/kWh"},
    {"energy_storage", energyUnits},
    {"frequency", "Hz|kHz|MHz|GHz"},
    {"gas", "m\xB3|ft\xB3|CCF"},
    {"humidity", "%"},
    {"illuminance", "lx"},
    {"irradiance", "W/m\xB2"},
    {"moisture", "%"},
    {"monetary", ""},
    {"nitrogen_dioxide", microgramsPerCubicMetre},
    {"nitrogen_monoxide", microgramsPerCubicMetre},
    {"nitrous_oxide", microgramsPerCubicMetre},
    {"ozone", microgramsPerCubicMetre},
    {"ph", "-"},
    {"pm1", microgramsPerCubicMetre},
    {"pm10", microgramsPerCubicMetre},
    {"pm25", microgramsPerCubicMetre},
    {"power", "mW|W|kW|MW|GW|TW|BTU/h"},
    {"power_factor", "%"},
    {"precipitation", "cm|in|mm"},
    {"precipitation_intensity", "in/d|in/h|mm/d|mm/h"},
    {"pressure", pressureUnits},
    {"reactive_power", "var|mvar|kvar"},
    {"signal_strength", "dB|dBm"},
    {"sound_pressure", "dB|dBA"},
    {"speed", "ft/s|in/d|in/h|in/s|km/h|kn|m/s|mph|mm/d|mm/h|mm/s|Beaufort"},
    {"sulphur_dioxide", microgramsPerCubicMetre},
    {"temperature", "\xB0" "C|\xB0" "F|K"},
    {"temperature_delta", "\xB0" "C|\xB0" "F|K"},
    {"volatile_organic_compounds", microgramsPerCubicMetre},
    {"volatile_organic_compounds_parts", "ppm|ppb"},
    {"voltage", "V|mV|\xB5V|kV|MV"},
    {"volume", volumeUnits},
    {"volume_flow_rate", "m\xB3/h|ft\xB3/min|L/min|gal/min|mL/s"},
    {"volume_storage", volumeUnits},
    {"water", "L|gal|m\xB3|ft\xB3|CCF|MCF"},
    {"weight", "g|kg|mg|\xB5g|oz|lb|st"},
    {"wind_direction", "\xB0"},
    {"wind_speed", "ft/s|km/h|kn|m/s|mph|Beaufort"},
};

// Values that are no measurement: a date, a time, one of a list of words.
constexpr std::string_view nonNumericClasses[] = {"date", "enum", "timestamp"};

constexpr std::string_view binarySensorClasses[] = {
    "battery", "battery_charging", "carbon_monoxide", "cold", "connectivity", "door", "garage_door",
    "gas", "heat", "light", "lock", "moisture", "motion", "moving", "occupancy", "opening", "plug",
    "power", "presence", "problem", "running", "safety", "smoke", "sound", "tamper", "update",
    "vibration", "window"};

bool listed(std::string_view units, std::string_view unit)
{
    while (!units.empty()) {
        const std::size_t bar = units.find('|');
        if (units.substr(0, bar) == unit) return true;
        units.remove_prefix(bar == std::string_view::npos ? units.size() : bar + 1);
    }
    return false;
}

std::string readable(std::string_view units)
{
    std::string text;
    for (char c : units) text += c == '|' ? std::string(", ") : std::string(1, c);
    return text;
}

}  // namespace

std::string sensorClassProblem(std::string_view deviceClass, std::string_view unit, bool german)
{
    const std::string name(deviceClass);
    if (std::ranges::find(nonNumericClasses, deviceClass) != std::end(nonNumericClasses))
        return german ? "Home Assistants Klasse " + name + " ist kein Messwert"
                      : "Home Assistant's class " + name + " is no measurement";
    const auto* known = std::ranges::find(sensorClasses, deviceClass, &SensorClass::name);
    if (known == std::end(sensorClasses))
        return german ? "Home Assistant kennt keine Sensorklasse " + name
                      : "Home Assistant has no sensor class " + name;
    if (known->units.empty() || listed(known->units, unit)) return {};
    if (known->units == "-")
        return german ? "Home Assistant nimmt " + name + " ohne Einheit"
                      : "Home Assistant takes " + name + " without a unit";
    if (german) return "Home Assistant nimmt " + name + " in " + readable(known->units) + ", nicht in " + std::string(unit);
    return utf8FromLatin1("Home Assistant takes " + name + " in " + readable(known->units) + ", not " +
                          std::string(unit));
}

std::string binarySensorClassProblem(std::string_view deviceClass, bool german)
{
    if (std::ranges::find(binarySensorClasses, deviceClass) != std::end(binarySensorClasses)) return {};
    return (german ? "Home Assistant kennt keine Bin\xE4rsensorklasse " : "Home Assistant has no binary sensor class ") +
           std::string(deviceClass);
}

std::string haUnitOf(const AnalogInput& input)
{
    return !input.quantity || input.unit == "Volt" ? "V" : input.unit;
}
