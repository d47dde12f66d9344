// Where the platform calls the add-on with no code of the shell's above it to catch: a timer,
// a Darwin notification, the weather update's completion.
#pragma once

#include <string_view>

#include "host/object.h"

namespace nimbrel {

// Writes "Nimbrel: caught CLASS NAME in ENTRY: REASON" to the system log. Never throws: a
// failure to log is dropped, since the caller is already on its way out of a failure.
void logCaughtException(std::string_view entry, const host::PlatformException& raised) noexcept;

// The same for an exception that is not the platform's: "Nimbrel: caught WHAT in ENTRY".
void logCaughtOther(std::string_view entry, std::string_view what) noexcept;

// Runs the body of such an entry. A platform exception escaping it would end the shell where it
// lands (the run loop has no handler, the main queue ends the process), so it ends here instead:
// logged, what the body did before it kept, and the next call starts afresh. The body is one step
// that expects a raise, so the platform hands over whatever its messages raise. Anything else,
// such as the simulation's refusal of what it does not model, goes on.
template <class Body>
void catchAtEntry(std::string_view entry, Body&& body) {
  host::ExpectPlatformException expected;
  try {
    body();
  } catch (const host::PlatformException& raised) {
    logCaughtException(entry, raised);
  }
}

}  // namespace nimbrel
