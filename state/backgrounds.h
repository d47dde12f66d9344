// Making a weather background the size of the screen, for the lock and the home screen alike.
#pragma once

#include <memory>

#include "host/platform.h"

namespace nimbrel {

// A new background covering the screen: at the screen's size, or with the compatibility mode
// at half the native size, scaled back to the screen unless the heights already agree. None
// when the system has no background class.
std::shared_ptr<host::WeatherBackground> makeScreenBackground();

}  // namespace nimbrel
