// The main screen (UIScreen) made from a device profile in an orientation.
#pragma once

#include <string_view>

#include "host/views.h"
#include "sim/device/profiles.h"
#include "sim/runtime/instance.h"

namespace sim {

enum class Orientation { portrait, landscape };

// "portrait" or "landscape"; raises std::invalid_argument for anything else.
Orientation parseOrientation(std::string_view text);

// UIScreen. Its bounds follow the interface orientation (width and height swap in landscape,
// as since iOS 8); the native display bounds are the panel's and never change.
class Screen final : public Instance<host::Screen> {
 public:
  Screen(host::Class& cls, DeviceProfile profile, Orientation orientation = Orientation::portrait)
      : Instance(cls), profile_(std::move(profile)), orientation_(orientation) {}

  host::Rect bounds() const override;
  host::Rect nativeDisplayBounds() const override;

  const DeviceProfile& profile() const { return profile_; }
  void setProfile(DeviceProfile profile) { profile_ = std::move(profile); }
  Orientation orientation() const { return orientation_; }
  void setOrientation(Orientation orientation) { orientation_ = orientation; }

 private:
  DeviceProfile profile_;
  Orientation orientation_;
};

}  // namespace sim
