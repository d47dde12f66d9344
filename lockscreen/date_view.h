// The lock-screen background behind the date view's clock.
#pragma once

#include <memory>

#include "host/platform.h"

namespace nimbrel {

// Replaces -[SBLockScreenDateViewController dateView]: while locked, puts the weather
// background (and the header's place) behind the date view, bound to the city, and returns the
// shell's date view unchanged.
std::shared_ptr<host::DateView> dateView(const host::Id& self, host::Selector selector);

}  // namespace nimbrel
