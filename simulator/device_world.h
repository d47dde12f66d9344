// What both worlds share: the device (its profile, system version and launch options, applied
// at the next boot) and its files in a temporary folder, which outlast every process.
#pragma once

#include <filesystem>
#include <memory>
#include <set>

#include "sim/process/device.h"
#include "sim/process/process.h"
#include "sim/record.h"
#include "sim/services/device_files.h"
#include "sim/weather/city_data.h"
#include "simulator/value_json.h"
#include "simulator/world.h"

namespace nimsim {

inline constexpr const char* kDomain = "be.quorvane.nimbrel";

// A scenario's city as the Weather app holds it, its data updated `age` seconds before `now`.
sim::CityData cityData(const CitySetup& setup, double now);

class DeviceWorld : public World {
 public:
  void checkProfile(const std::string& name) override;
  void setProfile(const std::string& name) override;
  void setCustomScreen(double w, double h, double nw, double nh) override;
  void setClassPresent(const std::string& name, bool present) override;
  void setClassLate(const std::string& name, bool late) override;
  void setDateViewMethod(const std::string& selector, bool present) override;
  void setMethodPresent(const std::string& className, const std::string& selector,
                        bool present) override;
  void setPlatterHeader(const std::string& answer) override;
  void setHome(const std::string& path) override;
  void setSeed(std::uint32_t seed) override;
  void setPreference(const std::string& key, const host::Value& value) override;
  void deletePreference(const std::string& key) override;
  void clearPreferences() override;
  void setPlistKey(const std::string& path, const std::string& key,
                   const host::Value& value) override;
  void deletePlistKey(const std::string& path, const std::string& key) override;
  void setPlistBinary(const std::string& path, bool binary) override;
  void writeFile(const std::string& path, const std::string& text) override;
  void appendFile(const std::string& path, const std::string& text, std::size_t times) override;
  void deleteFile(const std::string& path) override;
  void createFolder(const std::string& path) override;
  void removeFolder(const std::string& path) override;
  void boot(const std::string& bundle, const std::vector<std::string>& arguments) override {
    launch_.bundleIdentifier = bundle;
    launch_.arguments = arguments;
    start();
  }
  void respring() override { start(); }
  int generation() const override { return generation_; }

 protected:
  DeviceWorld();
  using json = nlohmann::json;
  using path = std::filesystem::path;

  sim::PreferencesStore preferences();
  path hostPath(const std::string& devicePath) const;
  static void makeFolder(const path& folder, const std::string& devicePath);
  void writeBytes(const std::string& devicePath, const std::string& bytes);
  void writePlist(const std::string& path, const host::Dictionary& dictionary);
  json deviceJson() const;
  // Every class the system version lacks: Weather classes not defined and others hidden.
  std::set<std::string> absentClassNames();
  json filesJson() const;

  std::unique_ptr<sim::TemporaryDevice> device_;
  sim::Record paneRecord_{nullptr};
  sim::LaunchOptions launch_;
  std::set<std::string> binaryFiles_;
  int generation_ = 0;  // the boots so far

 private:
  // A new process on the device, booted with launch_ (each counts a generation).
  virtual void start() = 0;
};

}  // namespace nimsim
