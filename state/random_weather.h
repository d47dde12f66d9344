// Random weather: drawing a condition that has a background asset, and the timer's redraw.
#pragma once

#include "host/object.h"

namespace nimbrel {

// One draw: a random condition and day flag for the shared city. True when the asset loader
// has a background for what the city then reports.
bool drawRandomWeather();

// Draws until a condition with an asset comes up. Binds nothing; the caller does.
void pickRandomWeather();

// The random-weather timer's action, added to the lock-screen date-view controller: one draw,
// and on success every background is bound again.
void tickTock(const host::Id& self, host::Selector selector);

// The lock-screen build's random-or-custom step: a placeholder city when none is held, the
// random timer (targeting controller) in timer mode, or the custom condition at night.
void prepareRandomOrCustomWeather(const host::Id& controller);

}  // namespace nimbrel
