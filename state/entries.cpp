#include "state/entries.h"

#include <string>

#include "host/platform.h"

namespace nimbrel {

void logCaughtException(std::string_view entry, const host::PlatformException& raised) {
  std::string line = "Nimbrel: caught ";
  line += raised.className();
  line += " ";
  line += raised.name();
  line += " in ";
  line += entry;
  line += ": ";
  line += raised.what();
  host::platform().systemLog().write(line);
}

}  // namespace nimbrel
