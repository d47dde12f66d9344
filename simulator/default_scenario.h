// The scenario `nimsim run` runs when given no file.
#pragma once

#include <string_view>

namespace nimsim {

// A day of use on an iPhone 8: the lock screen with its background and header, a weather
// update, the display going off and on, the home screen, landscape, a live settings change,
// and a respring after which the cached coordinates stand in for the local city.
std::string_view defaultScenario();

}  // namespace nimsim
