// The weather update's completion handler as the block the location updater takes.
#pragma once

#include <objc/objc.h>

#include "host/weather.h"

namespace nimbrel::objc {

// A block that calls `handler` with the host objects of the updated city and the error, on the
// interface thread: a call that arrives on another thread is handed over to it, so that the
// add-on's state and the shell's views are touched from one thread only. Made once per
// handler and never freed.
id completionBlock(host::WeatherUpdateHandler handler);

}  // namespace nimbrel::objc
