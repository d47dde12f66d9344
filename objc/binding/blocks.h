// The weather update's completion handler as the block the location updater takes.
#pragma once

#include <objc/objc.h>

#include "host/weather.h"

namespace nimbrel::objc {

// A block that calls `handler` with the host objects of the updated city and the error.
// Made once per handler and never freed, as a global block, so that the updater may keep it
// without copying: GCC's runtime has no blocks runtime to copy one with.
id completionBlock(host::WeatherUpdateHandler handler);

}  // namespace nimbrel::objc
