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
inline constexpr const char* kFallbackFile = "/User/Library/Preferences/be.quorvane.nimbrel.plist";

// A city as a scenario describes it.
struct CitySetup {
  std::string name;
  double latitude = 0, longitude = 0;
  std::int64_t conditionCode = 26;
  bool isDay = true;
  std::optional<double> temperature = 18.0;
  std::vector<double> hourly = {16.0, 18.0, 21.0, 19.0};
  std::optional<double> age;  // seconds since its data was updated
};

enum class LocalCity { none, known, onceAppOpens };

// How one weather request completes.
struct UpdateSetup {
  bool error = false;
  std::optional<double> delay;
  std::optional<std::int64_t> conditionCode;
  std::optional<bool> isDay;
  std::optional<double> temperature;
  std::optional<std::vector<double>> hourly;
  // The framework calls the completion handler on a thread of its own.
  bool secondThread = false;
};

// A scenario's city as the Weather app holds it, its data updated `age` seconds before `now`.
sim::CityData cityData(const CitySetup& setup, double now);

// Carries out the `device` commands alike on both platforms, and hands each platform what it
// keeps its own way: the Weather app's data, the catalogues, and the `process` commands.
class DeviceWorld : public World {
 public:
  void checkProfile(const std::string& name) override;
  void setSeed(std::uint32_t seed) override;
  void perform(const Statement& command) override;
  void setPreference(const std::string& key, const host::Value& value) override;
  void boot(const std::string& bundle, const std::vector<std::string>& arguments) override;
  int generation() const override { return generation_; }

 protected:
  DeviceWorld();
  using json = nlohmann::json;
  using path = std::filesystem::path;

  // The Weather app and the system's catalogues, which outlast every process.
  virtual void setLocalCity(LocalCity availability, const CitySetup& city) = 0;
  virtual void addSavedCity(const std::optional<CitySetup>& city) = 0;  // none: invalid entry
  virtual void setSavedCities(bool present) = 0;                        // empty list, or no key
  virtual void setCelsius(bool celsius) = 0;
  virtual void queueUpdate(const UpdateSetup& update) = 0;
  virtual void setAsset(std::int64_t condition, bool isDay, std::optional<std::string> name) = 0;
  virtual void setConditionImage(const std::string& name, bool present) = 0;
  // A `process` command, the process running.
  virtual void performInProcess(const Statement& command) = 0;

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

  void performWeatherApp(const Statement& command);
  void performOnFiles(const Statement& command);
  void setClassPresent(const std::string& name, bool present);
  void setClassLate(const std::string& name, bool late);
  // A class and a selector, or one of the date view's methods alone.
  void setMethodPresent(const Statement& command, bool present);
  void setPlatterHeader(const std::string& answer);
  void setPlistKey(const std::string& path, const std::string& key, const host::Value& value);
  void deletePlistKey(const std::string& path, const std::string& key);
  void setPlistBinary(const std::string& path, bool binary);
  void appendFile(const std::string& path, const std::string& text, std::size_t times);
  void deleteFile(const std::string& path);
  void removeFolder(const std::string& path);
};

}  // namespace nimsim
