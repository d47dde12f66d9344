// The temperature-and-condition header: the Weather app's own header view, taken from its
// controller, placed inside the lock-screen background and filled from the shown city.
#pragma once

#include <memory>
#include <string>

#include "host/platform.h"

namespace nimbrel {

// While no header exists: a new Weather app controller whose view goes behind everything in the
// date view, so that the first completed update can take its header.
void createHeaderController(const std::shared_ptr<host::View>& dateView);

// Places the header inside the lock-screen background by the two percentage offsets, cut off
// right after its temperature label.
void layoutHeader();

// Takes the header on first use, attaches it to the lock-screen background when it is not there
// (its plain labels white), and shows the city's condition image and temperatures.
void fillHeader();

// "21°", "-3°": a temperature truncated toward zero.
std::string degreesText(double temperature);

}  // namespace nimbrel
