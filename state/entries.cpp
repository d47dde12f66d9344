#include "state/entries.h"

#include <string>

#include "host/platform.h"

namespace nimbrel {

namespace {

// The line goes to the platform's log inside a step that expects a raise, so that nothing the
// platform raises while logging escapes as what it was.
template <class Compose>
void writeLine(Compose&& compose) noexcept {
  try {
    host::ExpectPlatformException expected;
    host::platform().systemLog().write(compose());
  } catch (...) {
  }
}

}  // namespace

void logCaughtException(std::string_view entry, const host::PlatformException& raised) noexcept {
  writeLine([&] {
    std::string line = "Nimbrel: caught ";
    line += raised.className();
    line += " ";
    line += raised.name();
    line += " in ";
    line += entry;
    line += ": ";
    line += raised.what();
    return line;
  });
}

void logCaughtOther(std::string_view entry, std::string_view what) noexcept {
  writeLine([&] {
    std::string line = "Nimbrel: caught ";
    line += what;
    line += " in ";
    line += entry;
    return line;
  });
}

}  // namespace nimbrel
