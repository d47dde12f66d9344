// The built-in default scenario, written in the scenario language itself.
#include "simulator/default_scenario.h"

namespace nimsim {

std::string_view defaultScenario() {
  return R"(# nimsim's default scenario: a day of use on an iPhone 8.
device iphone-8
seed 1

# What the user set before the day begins, as the settings domain holds it: the lock-screen
# background with the temperature header, and the home-screen background too.
settings set enabled bool true
settings set showTemperatureAndCondition bool true
settings set homescreenBackground bool true
settings set updateInterval int 300
folder create "/Library/Application Support/Nimbrel/nimbrelResources.bundle"

# The Weather app knows the local city once it has been opened.
weather local-city "Cupertino" lat=37.3318 lon=-122.0312 condition=30 day=yes temp=21.4 hourly="19,21,23,22" when=on-open
weather saved-city "Brussels" lat=50.8503 lon=4.3517 condition=12 day=no temp=9.5
weather next-update ok delay=3s condition=32 day=yes temp=23.6 hourly="22,24,25,23"

boot shell
weather open-app
note "the shell is up and the add-on's hooks are in place"

# Lock, and the screen comes on: the lock screen builds its date view, and the weather
# background of Cupertino (partly cloudy) goes in behind the clock, covering the screen.
lock
wake
expect addon.weatherBackground.id in lockScreen.dateView.subviewIds
expect addon.weatherBackground.city == "Cupertino"
expect addon.weatherBackground.windowFrame.y == 0
expect addon.weatherBackground.windowFrame.height == 667
picture lock-before-update lock-screen
show state

# The weather update arrives: sunny, 23.6 °C, and the header shows it over the background.
advance 5s
expect addon.weatherBackground.drawnCondition == 32
expect addon.weatherHeaderView.texts.temperature == "23°"
expect addon.weatherHeaderView.texts.high == "25°"
expect addon.weatherHeaderView.texts.low == "22°"
expect addon.weatherHeaderView.id in addon.weatherBackground.subviewIds
expect "files[/Library/Application Support/Nimbrel/nimbrelResources.bundle/nimbrelCache.plist].lastLocalCityLatitude" == 37.3318
picture lock-after-update lock-screen

# The display goes off and on again.
sleep
expect addon.weatherBackground.tree == null
advance 1m
wake
expect addon.weatherBackground.id in lockScreen.dateView.subviewIds

# Unlock: the home screen asks its wallpaper views for content and lays them out; the
# weather is behind the icons too.
unlock
expect addon.weatherBackground.tree == null
expect homeScreen.wallpaperViews[0].backgrounds[0].city == "Cupertino"
expect homeScreen.wallpaperViews[0].backgrounds[0].drawnCondition == 32
picture home-portrait home-screen

# Turned to landscape with "Fill Landscape Wallpaper" switched on in the settings pane: the
# background is scaled to fill the wide wallpaper, and the offset of 50 shows its middle band.
settings toggle plusLandscape
settings slide homeScreenVerticalOffsetBackground 50
shell rotate landscape
expect homeScreen.wallpaperViews[0].backgrounds[0].frame.width ~= 667
expect homeScreen.wallpaperViews[0].backgrounds[0].frame.y ~= -259.685
picture home-landscape home-screen
shell rotate portrait

# Where a user changes settings: the add-on's pane in the Settings app. Tapping "Hide Time
# and Date" writes the domain and posts the notification; the add-on hides them live.
settings toggle hideTimeDate
expect settings.hideTimeDate == true
picture settings settings-pane
lock
wake
expect lockScreen.timeLabel.hidden == true
expect lockScreen.dateLine.hidden == true
picture lock-hidden-time lock-screen
advance 10m

# A respring: the local city is not known until the Weather app opens again, so the lock
# screen falls back on the cached coordinates.
respring
lock
wake
expect addon.city.latitude == 37.3318
expect addon.city.longitude == -122.0312
advance 5s
expect addon.weatherBackground.drawnCondition == 26
picture lock-after-respring lock-screen
show all
)";
}

}  // namespace nimsim
