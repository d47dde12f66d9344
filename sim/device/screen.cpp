// Screen bounds by orientation.
#include "sim/device/screen.h"

#include "sim/runtime/runtime.h"

#include <stdexcept>
#include <string>

namespace sim {

Orientation parseOrientation(std::string_view text) {
  if (text == "portrait") return Orientation::portrait;
  if (text == "landscape") return Orientation::landscape;
  throw std::invalid_argument("unknown orientation \"" + std::string(text) +
                              "\"; use portrait or landscape");
}

host::Rect Screen::bounds() const {
  requireMethod(*this, {"bounds"});
  const host::Size size = profile_.points;
  if (orientation_ == Orientation::landscape) return host::makeRect(0, 0, size.height, size.width);
  return host::makeRect(0, 0, size.width, size.height);
}

host::Rect Screen::nativeDisplayBounds() const {
  requireMethod(*this, {"_nativeDisplayBounds"});
  return host::makeRect(0, 0, profile_.pixels.width, profile_.pixels.height);
}

}  // namespace sim
