// The built-in default scenario, written in the scenario language itself.
#include "simulator/default_scenario.h"

namespace nimsim {

std::string_view defaultScenario() {
  return R"(# nimsim's default scenario: a day of use on an iPhone 8.
device iphone-8
seed 1

# The settings pane: the lock-screen background with the temperature header, and the
# home-screen background too.
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

# Lock, and the screen comes on: the lock screen builds its date view.
lock
wake
picture lock-before-update lock-screen
show state

# The weather update arrives.
advance 5s
picture lock-after-update lock-screen

# The display goes off and on again.
sleep
advance 1m
wake

# Unlock: the home screen asks its wallpaper views for content and lays them out.
unlock
picture home-portrait home-screen
shell rotate landscape
picture home-landscape home-screen
shell rotate portrait

# A settings change, applied live: hide the lock-screen time and date.
settings set hideTimeDate bool true
settings post
lock
wake
picture lock-hidden-time lock-screen
advance 10m

# A respring: the local city is not known until the Weather app opens again, so the lock
# screen falls back on the cached coordinates.
respring
lock
wake
advance 5s
picture lock-after-respring lock-screen
show all
)";
}

}  // namespace nimsim
