// A copy of Home Assistant 2025.5's DEVICE_CLASS_UNITS and DEVICE_CLASS_STATE_CLASSES
// (homeassistant/components/sensor/const.py, core commit 3fd1a330), each unit constant written
// out as homeassistant/const.py 2025.5 spells it, the micro sign as the Greek mu (U+03BC) that
// Home Assistant writes since core PR #144853. A class in neither list is left out: monetary,
// whose units are the currencies and whose only state class is total, stands apart below.
#pragma once

#include <vector>

struct HaSensorClass {
    const char* name;
    std::vector<const char*> units;  // nullptr: None, no unit
    std::vector<const char*> stateClasses;
};

namespace ha {
inline const std::vector<const char*> all = {"measurement", "measurement_angle", "total", "total_increasing"};
inline const std::vector<const char*> measurement = {"measurement"};
inline const std::vector<const char*> totals = {"total", "total_increasing"};
inline const std::vector<const char*> energy = {"J", "kJ", "MJ", "GJ", "mWh", "Wh", "kWh", "MWh", "GWh", "TWh",
                                                "cal", "kcal", "Mcal", "Gcal"};
inline const std::vector<const char*> volume = {"ft³", "CCF", "m³", "L", "mL", "gal", "fl. oz."};
inline const std::vector<const char*> pressure = {"Pa", "hPa", "kPa", "bar", "cbar", "mbar", "mmHg", "inHg", "psi"};
inline const std::vector<const char*> microgramsPerCubicMetre = {"μg/m³"};
inline const std::vector<const char*> temperature = {"°C", "°F", "K"};
}  // namespace ha

inline const std::vector<HaSensorClass> haSensorClasses = {
    {"apparent_power", {"VA"}, ha::measurement},
    {"aqi", {nullptr}, ha::measurement},
    {"area", {"m²", "cm²", "km²", "mm²", "in²", "ft²", "yd²", "mi²", "ac", "ha"}, ha::all},
    {"atmospheric_pressure", ha::pressure, ha::measurement},
    {"battery", {"%"}, ha::measurement},
    {"blood_glucose_concentration", {"mg/dL", "mmol/L"}, ha::measurement},
    {"carbon_monoxide", {"ppm"}, ha::measurement},
    {"carbon_dioxide", {"ppm"}, ha::measurement},
    {"conductivity", {"S/cm", "μS/cm", "mS/cm"}, ha::measurement},
    {"current", {"mA", "A"}, ha::measurement},
    {"data_rate", {"bit/s", "kbit/s", "Mbit/s", "Gbit/s", "B/s", "kB/s", "MB/s", "GB/s", "KiB/s", "MiB/s", "GiB/s"},
     ha::measurement},
    {"data_size", {"bit", "kbit", "Mbit", "Gbit", "B", "kB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB", "KiB", "MiB",
                   "GiB", "TiB", "PiB", "EiB", "ZiB", "YiB"}, ha::all},
    {"distance", {"mm", "cm", "m", "km", "in", "ft", "yd", "mi", "nmi"}, ha::all},
    {"duration", {"d", "h", "min", "s", "ms", "μs"}, ha::all},
    {"energy", ha::energy, ha::totals},
    {"energy_distance", {"kWh/100km", "mi/kWh", "km/kWh"}, ha::measurement},
    {"energy_storage", ha::energy, ha::measurement},
    {"frequency", {"Hz", "kHz", "MHz", "GHz"}, ha::measurement},
    {"gas", {"CCF", "ft³", "m³", "L"}, ha::totals},
    {"humidity", {"%"}, ha::measurement},
    {"illuminance", {"lx"}, ha::measurement},
    {"irradiance", {"W/m²", "BTU/(h⋅ft²)"}, ha::measurement},
    {"moisture", {"%"}, ha::measurement},
    {"nitrogen_dioxide", ha::microgramsPerCubicMetre, ha::measurement},
    {"nitrogen_monoxide", ha::microgramsPerCubicMetre, ha::measurement},
    {"nitrous_oxide", ha::microgramsPerCubicMetre, ha::measurement},
    {"ozone", ha::microgramsPerCubicMetre, ha::measurement},
    {"ph", {nullptr}, ha::measurement},
    {"pm1", ha::microgramsPerCubicMetre, ha::measurement},
    {"pm10", ha::microgramsPerCubicMetre, ha::measurement},
    {"pm25", ha::microgramsPerCubicMetre, ha::measurement},
    {"power_factor", {"%", nullptr}, ha::measurement},
    {"power", {"mW", "W", "kW", "MW", "GW", "TW"}, ha::measurement},
    {"precipitation", {"in", "mm", "cm"}, ha::all},
    {"precipitation_intensity", {"in/d", "in/h", "mm/d", "mm/h"}, ha::measurement},
    {"pressure", ha::pressure, ha::measurement},
    {"reactive_power", {"var", "kvar"}, ha::measurement},
    {"signal_strength", {"dB", "dBm"}, ha::measurement},
    {"sound_pressure", {"dB", "dBA"}, ha::measurement},
    {"speed", {"Beaufort", "ft/s", "in/s", "m/s", "km/h", "kn", "mph", "mm/s", "in/d", "in/h", "mm/d", "mm/h"},
     ha::measurement},
    {"sulphur_dioxide", ha::microgramsPerCubicMetre, ha::measurement},
    {"temperature", ha::temperature, ha::measurement},
    {"volatile_organic_compounds", ha::microgramsPerCubicMetre, ha::measurement},
    {"volatile_organic_compounds_parts", {"ppb", "ppm"}, ha::measurement},
    {"voltage", {"μV", "mV", "V", "kV", "MV"}, ha::measurement},
    {"volume", ha::volume, ha::totals},
    {"volume_flow_rate", {"m³/h", "m³/s", "ft³/min", "L/h", "L/min", "L/s", "gal/min", "mL/s"}, ha::measurement},
    {"volume_storage", ha::volume, ha::measurement},
    {"water", {"CCF", "ft³", "m³", "gal", "L"}, ha::totals},
    {"weight", {"g", "kg", "mg", "μg", "oz", "lb", "st"}, {"measurement", "total", "total_increasing"}},
    {"wind_direction", {"°"}, {"measurement_angle"}},
    {"wind_speed", {"Beaufort", "ft/s", "in/s", "m/s", "km/h", "kn", "mph", "mm/s"}, ha::measurement},
};
