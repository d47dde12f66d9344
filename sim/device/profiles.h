// Device profiles: the screens of every 64-bit iPhone and iPad that runs the supported system
// versions, plus custom sizes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/geometry.h"

namespace sim {

struct DeviceProfile {
  std::string name;   // stable, lower case: "iphone-6-plus"
  host::Size points;  // UIScreen bounds in portrait
  host::Size pixels;  // UIScreen native display bounds in portrait: the panel's own pixels
  double scale = 2;   // UIScreen scale; points × scale exceeds pixels on downsampled panels
};

// Every known device, phones first, each family in release order.
const std::vector<DeviceProfile>& deviceProfiles();

// The profile of that name; raises std::invalid_argument listing every name when unknown.
const DeviceProfile& deviceProfile(std::string_view name);

// A profile of explicit sizes, named "custom-<w>x<h>"; raises std::invalid_argument unless
// every size is finite and positive. Points and pixels need not agree, so odd pairings
// can be tried.
DeviceProfile customProfile(host::Size points, host::Size pixels);

}  // namespace sim
