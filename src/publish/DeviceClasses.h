// Home Assistant's device classes and the units it takes for each, for checking the settings
// before anything is published: a class it does not know, or a unit it refuses for the class,
// would leave the entity out.
#pragma once

#include <string>
#include <string_view>

#include "settings/Settings.h"

// Empty when Home Assistant takes the sensor class with this unit (Latin-1), else why not: in
// English as UTF-8, in German as Latin-1.
std::string sensorClassProblem(std::string_view deviceClass, std::string_view unit, bool german);
// The unit that Home Assistant gets for the input (Latin-1): the volt by its symbol.
std::string haUnitOf(const AnalogInput& input);

// Empty when Home Assistant knows the binary sensor class, else why not.
std::string binarySensorClassProblem(std::string_view deviceClass, bool german);
