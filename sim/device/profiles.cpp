// The device table. Plus-size phones and the mini phones render at 3x and downsample to a
// smaller panel, so their native display bounds are below points × 3.
#include "sim/device/profiles.h"

#include <cmath>
#include <stdexcept>

#include "sim/views/tree.h"

namespace sim {

namespace {

DeviceProfile device(const char* name, double w, double h, double pw, double ph, double scale) {
  return DeviceProfile{name, {w, h}, {pw, ph}, scale};
}

std::vector<DeviceProfile> phones() {
  return {
      device("iphone-5s", 320, 568, 640, 1136, 2),
      device("iphone-6", 375, 667, 750, 1334, 2),
      device("iphone-6-plus", 414, 736, 1080, 1920, 3),
      device("iphone-6s", 375, 667, 750, 1334, 2),
      device("iphone-6s-plus", 414, 736, 1080, 1920, 3),
      device("iphone-se", 320, 568, 640, 1136, 2),
      device("iphone-7", 375, 667, 750, 1334, 2),
      device("iphone-7-plus", 414, 736, 1080, 1920, 3),
      device("iphone-8", 375, 667, 750, 1334, 2),
      device("iphone-8-plus", 414, 736, 1080, 1920, 3),
      device("iphone-x", 375, 812, 1125, 2436, 3),
      device("iphone-xs", 375, 812, 1125, 2436, 3),
      device("iphone-xs-max", 414, 896, 1242, 2688, 3),
      device("iphone-xr", 414, 896, 828, 1792, 2),
      device("iphone-11", 414, 896, 828, 1792, 2),
      device("iphone-11-pro", 375, 812, 1125, 2436, 3),
      device("iphone-11-pro-max", 414, 896, 1242, 2688, 3),
      device("iphone-se-2nd-gen", 375, 667, 750, 1334, 2),
      device("iphone-12-mini", 375, 812, 1080, 2340, 3),
      device("iphone-12", 390, 844, 1170, 2532, 3),
      device("iphone-12-pro", 390, 844, 1170, 2532, 3),
      device("iphone-12-pro-max", 428, 926, 1284, 2778, 3),
      device("iphone-13-mini", 375, 812, 1080, 2340, 3),
      device("iphone-13", 390, 844, 1170, 2532, 3),
      device("iphone-13-pro", 390, 844, 1170, 2532, 3),
      device("iphone-13-pro-max", 428, 926, 1284, 2778, 3),
      device("iphone-se-3rd-gen", 375, 667, 750, 1334, 2),
      device("iphone-14", 390, 844, 1170, 2532, 3),
      device("iphone-14-plus", 428, 926, 1284, 2778, 3),
      device("iphone-14-pro", 393, 852, 1179, 2556, 3),
      device("iphone-14-pro-max", 430, 932, 1290, 2796, 3),
      device("iphone-15", 393, 852, 1179, 2556, 3),
      device("iphone-15-plus", 430, 932, 1290, 2796, 3),
      device("iphone-15-pro", 393, 852, 1179, 2556, 3),
      device("iphone-15-pro-max", 430, 932, 1290, 2796, 3),
      device("iphone-16", 393, 852, 1179, 2556, 3),
      device("iphone-16-plus", 430, 932, 1290, 2796, 3),
      device("iphone-16-pro", 402, 874, 1206, 2622, 3),
      device("iphone-16-pro-max", 440, 956, 1320, 2868, 3),
      device("iphone-16e", 390, 844, 1170, 2532, 3),
      device("iphone-17", 402, 874, 1206, 2622, 3),
      device("iphone-air", 420, 912, 1260, 2736, 3),
      device("iphone-17-pro", 402, 874, 1206, 2622, 3),
      device("iphone-17-pro-max", 440, 956, 1320, 2868, 3),
  };
}

std::vector<DeviceProfile> tablets() {
  return {
      device("ipad-air", 768, 1024, 1536, 2048, 2),
      device("ipad-mini-2", 768, 1024, 1536, 2048, 2),
      device("ipad-mini-3", 768, 1024, 1536, 2048, 2),
      device("ipad-air-2", 768, 1024, 1536, 2048, 2),
      device("ipad-mini-4", 768, 1024, 1536, 2048, 2),
      device("ipad-pro-12-9-1st-gen", 1024, 1366, 2048, 2732, 2),
      device("ipad-pro-9-7", 768, 1024, 1536, 2048, 2),
      device("ipad-5th-gen", 768, 1024, 1536, 2048, 2),
      device("ipad-pro-10-5", 834, 1112, 1668, 2224, 2),
      device("ipad-pro-12-9-2nd-gen", 1024, 1366, 2048, 2732, 2),
      device("ipad-6th-gen", 768, 1024, 1536, 2048, 2),
      device("ipad-pro-11-1st-gen", 834, 1194, 1668, 2388, 2),
      device("ipad-pro-12-9-3rd-gen", 1024, 1366, 2048, 2732, 2),
      device("ipad-air-3", 834, 1112, 1668, 2224, 2),
      device("ipad-mini-5", 768, 1024, 1536, 2048, 2),
      device("ipad-7th-gen", 810, 1080, 1620, 2160, 2),
      device("ipad-pro-11-2nd-gen", 834, 1194, 1668, 2388, 2),
      device("ipad-pro-12-9-4th-gen", 1024, 1366, 2048, 2732, 2),
      device("ipad-8th-gen", 810, 1080, 1620, 2160, 2),
      device("ipad-air-4", 820, 1180, 1640, 2360, 2),
      device("ipad-pro-11-3rd-gen", 834, 1194, 1668, 2388, 2),
      device("ipad-pro-12-9-5th-gen", 1024, 1366, 2048, 2732, 2),
      device("ipad-9th-gen", 810, 1080, 1620, 2160, 2),
      device("ipad-mini-6", 744, 1133, 1488, 2266, 2),
      device("ipad-air-5", 820, 1180, 1640, 2360, 2),
      device("ipad-10th-gen", 820, 1180, 1640, 2360, 2),
      device("ipad-pro-11-4th-gen", 834, 1194, 1668, 2388, 2),
      device("ipad-pro-12-9-6th-gen", 1024, 1366, 2048, 2732, 2),
      device("ipad-air-11-m2", 820, 1180, 1640, 2360, 2),
      device("ipad-air-13-m2", 1024, 1366, 2048, 2732, 2),
      device("ipad-pro-11-m4", 834, 1210, 1668, 2420, 2),
      device("ipad-pro-13-m4", 1032, 1376, 2064, 2752, 2),
      device("ipad-mini-a17-pro", 744, 1133, 1488, 2266, 2),
      device("ipad-a16", 820, 1180, 1640, 2360, 2),
      device("ipad-air-11-m3", 820, 1180, 1640, 2360, 2),
      device("ipad-air-13-m3", 1024, 1366, 2048, 2732, 2),
      device("ipad-pro-11-m5", 834, 1210, 1668, 2420, 2),
      device("ipad-pro-13-m5", 1032, 1376, 2064, 2752, 2),
  };
}

bool usable(host::Size size) {
  return std::isfinite(size.width) && std::isfinite(size.height) && size.width > 0 &&
         size.height > 0;
}

}  // namespace

const std::vector<DeviceProfile>& deviceProfiles() {
  static const std::vector<DeviceProfile> all = [] {
    std::vector<DeviceProfile> list = phones();
    for (DeviceProfile& tablet : tablets()) list.push_back(std::move(tablet));
    return list;
  }();
  return all;
}

const DeviceProfile& deviceProfile(std::string_view name) {
  for (const DeviceProfile& profile : deviceProfiles())
    if (profile.name == name) return profile;
  std::string known;
  for (const DeviceProfile& profile : deviceProfiles())
    known += (known.empty() ? "" : ", ") + profile.name;
  throw std::invalid_argument("unknown device \"" + std::string(name) +
                              "\"; known devices: " + known);
}

DeviceProfile customProfile(host::Size points, host::Size pixels) {
  if (!usable(points) || !usable(pixels))
    throw std::invalid_argument(
        "a custom device needs finite, positive sizes in points and pixels");
  return DeviceProfile{"custom-" + formatNumber(points.width) + "x" + formatNumber(points.height),
                       points, pixels, pixels.width / points.width};
}

}  // namespace sim
