// A device's folder on the host, its add-on installs, and throw-away devices for tests.
#include "sim/process/device.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "sim/services/device_files.h"

namespace sim {

namespace {

// 2026-01-01 09:00 UTC: a fixed start makes every run alike.
constexpr double kDefaultStartTime = 1767258000.0;

std::filesystem::path makeTemporaryFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "nimbrel-device-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("cannot make a temporary device folder under " +
                             std::filesystem::temp_directory_path().string());
  return pattern;
}

}  // namespace

Device::Device(std::filesystem::path root, DeviceProfile profile, SystemVersion version)
    : root_(std::move(root)),
      profile_(std::move(profile)),
      version_(version),
      clock_(kDefaultStartTime) {
  std::filesystem::create_directories(root_);
}

std::filesystem::path Device::hostPath(std::string_view devicePath) const {
  std::optional<std::filesystem::path> mapped = mapDevicePath(root_, devicePath);
  if (!mapped)
    throw std::invalid_argument("device path leaves the device: " + std::string(devicePath));
  return *mapped;
}

void Device::installAddon(const std::filesystem::path& library, const std::filesystem::path& filter,
                          std::string_view name) {
  const std::filesystem::path folder = hostPath(addonFolder);
  std::filesystem::create_directories(folder);
  const auto overwrite = std::filesystem::copy_options::overwrite_existing;
  std::filesystem::copy_file(library, folder / (std::string(name) + ".so"), overwrite);
  std::filesystem::copy_file(filter, folder / (std::string(name) + ".plist"), overwrite);
}

void Device::installAddons(const std::filesystem::path& installedFolder) {
  const std::filesystem::path folder = hostPath(addonFolder);
  std::filesystem::create_directories(folder);
  const auto overwrite = std::filesystem::copy_options::overwrite_existing;
  for (const auto& entry : std::filesystem::directory_iterator(installedFolder))
    if (entry.is_regular_file())
      std::filesystem::copy_file(entry.path(), folder / entry.path().filename(), overwrite);
}

TemporaryDevice::TemporaryDevice(DeviceProfile profile, SystemVersion version)
    : Device(makeTemporaryFolder(), std::move(profile), version) {}

TemporaryDevice::~TemporaryDevice() {
  std::error_code ignored;
  std::filesystem::remove_all(root(), ignored);
}

}  // namespace sim
