// Home Assistant's device classes, the units and state classes it takes for each, for checking
// the settings before anything is published: since 2025.7 Home Assistant leaves out a sensor
// whose unit its class does not take.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "driver/Messages.h"
#include "settings/Settings.h"

struct SensorClass {
    std::string_view name;
    // As Home Assistant spells them, in UTF-8, separated by '|'; an empty one stands for no unit,
    // "*" for any (a currency's code).
    std::string_view units;
    // Separated by '|', in the order of Home Assistant's SensorStateClass.
    std::string_view stateClasses;
};
extern const std::span<const SensorClass> sensorClasses;

// The unit as Home Assistant spells it, in UTF-8: the micro sign (0xB5) becomes the Greek mu
// (U+03BC) that Home Assistant writes, so that a unit typed as µV is Home Assistant's μV.
std::string haUnitText(std::string_view latin1);
// What Home Assistant gets for the input: the volt by its symbol; empty for no unit.
std::string haUnitOf(const AnalogInput& input);

// Empty when Home Assistant takes the sensor class with this unit (as haUnitOf gives it), else
// why not.
Message sensorClassProblem(std::string_view deviceClass, std::string_view haUnit);
// Empty when Home Assistant takes the state class for a sensor of the class (none: "") and unit.
Message stateClassProblem(std::string_view deviceClass, std::string_view stateClass, std::string_view haUnit);
// The first state class that the class allows; measurement for none or a class not known.
std::string defaultStateClass(std::string_view deviceClass);

// Empty when Home Assistant knows the binary sensor class, else why not.
Message binarySensorClassProblem(std::string_view deviceClass);
