// The user's settings as the settings pane stores them, one field per preference key.
#pragma once

#include <cstdint>

namespace nimbrel {

// Field order is the order in which loadSettings reads the keys. Before the first load
// every field is false or 0.
struct Settings {
  bool enabled = false;
  bool hideWithTime = false;
  bool hideTimeDate = false;
  bool noReminder = false;
  bool reScaleCompatibility = false;
  bool showOwnWallpaper = false;
  bool homescreenBackground = false;
  bool showOwnHomescreenWallpaper = false;
  bool disableParallax = false;
  bool useLocalCity = false;
  std::int32_t updateInterval = 0;
  bool randomWeather = false;
  bool randomWeatherUnLock = false;
  bool showTemperatureAndCondition = false;
  double lockScreenVerticalOffsetTemperatureCondition = 0;
  std::int32_t customWeather = 0;
  double lockScreenHorizontalOffsetTemperatureCondition = 0;
  bool plusLandscape = false;
  double homeScreenVerticalOffsetBackground = 0;

  friend bool operator==(const Settings&, const Settings&) = default;
};

}  // namespace nimbrel
