// What the scenario runner drives: the simulated device and its process, behind one seam so
// that the runner's own rules (order, limits, exit statuses) are testable on their own.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/value.h"
#include "sim/foundation/property_list.h"
#include "sim/record.h"

namespace nimsim {

// The notifications the shell posts when the device locks and when the display turns.
inline constexpr const char* kLockCompleteName = "com.apple.springboard.lockcomplete";
inline constexpr const char* kDisplayStatusName = "com.apple.iokit.hid.displayStatus";

// A run-loop limit was reached, or the scenario asked for something not modelled.
class SimulationLimit : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A scenario command the platform cannot honour (the Objective-C platform has no counterpart
// for a few): never a fault of the scenario, so it has an exit status of its own.
class NotOnPlatform : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A device set-up the simulation cannot honour (an unknown profile name): bad input.
class BadDeviceSetup : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

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

class World {
 public:
  virtual ~World() = default;

  // The device, applied at the next boot. Unknown names raise BadDeviceSetup.
  virtual void checkProfile(const std::string& name) = 0;
  virtual void setProfile(const std::string& name) = 0;
  virtual void setCustomScreen(double w, double h, double nativeW, double nativeH) = 0;
  // Any class may be absent: an optional Weather class is then never defined, any other is
  // hidden from the add-on's lookups by name.
  virtual void setClassPresent(const std::string& name, bool present) = 0;
  // A class of a framework that loads after the add-on; loadLateFrameworks loads them.
  virtual void setClassLate(const std::string& name, bool late) = 0;
  virtual void setDateViewMethod(const std::string& selector, bool present) = 0;
  // Any class's method, instance or class method, absent from the next boot on: the class
  // does not respond to it and sending it raises NSInvalidArgumentException.
  virtual void setMethodPresent(const std::string& className, const std::string& selector,
                                bool present) = 0;
  // What a platter controller's -headerView answers: "header", "nil" or "plain-view".
  virtual void setPlatterHeader(const std::string& answer) = 0;
  virtual void setHome(const std::string& path) = 0;
  virtual void setSeed(std::uint32_t seed) = 0;

  // Processes.
  virtual void boot(const std::string& bundle, const std::vector<std::string>& arguments) = 0;
  virtual void respring() = 0;
  virtual bool booted() const = 0;
  // Counts boots: a new process's record starts a new trace even at a reused address.
  virtual int generation() const = 0;

  // Files of the device.
  virtual void setPreference(const std::string& key, const host::Value& value) = 0;
  virtual void deletePreference(const std::string& key) = 0;
  virtual void clearPreferences() = 0;
  virtual void setPlistKey(const std::string& path, const std::string& key,
                           const host::Value& value) = 0;
  virtual void deletePlistKey(const std::string& path, const std::string& key) = 0;
  virtual void setPlistBinary(const std::string& path, bool binary) = 0;
  virtual void writeFile(const std::string& path, const std::string& text) = 0;
  virtual void appendFile(const std::string& path, const std::string& text, std::size_t times) = 0;
  virtual void deleteFile(const std::string& path) = 0;
  virtual void createFolder(const std::string& path) = 0;
  virtual void removeFolder(const std::string& path) = 0;
  // The process's next property-list write fails with this fault.
  virtual void failNextWrite(sim::WriteFault fault) = 0;

  // The Weather app.
  virtual void setLocalCity(LocalCity availability, const CitySetup& city) = 0;
  virtual void addSavedCity(const std::optional<CitySetup>& city) = 0;  // none: invalid entry
  virtual void setSavedCities(bool present) = 0;                        // empty list, or no key
  virtual void setCelsius(bool celsius) = 0;
  virtual void openWeatherApp() = 0;
  virtual void queueUpdate(const UpdateSetup& update) = 0;
  // The system's catalogues, which survive resprings: a background asset by condition and
  // day flag (none removes it), and a condition image by name.
  virtual void setAsset(std::int64_t condition, bool isDay, std::optional<std::string> name) = 0;
  virtual void setConditionImage(const std::string& name, bool present) = 0;
  // The process's next setCity:animate: of a weather background raises; each call adds one.
  virtual void raiseAtNextBind() = 0;
  // The shell's own -contentView of a wallpaper view raises at its next call.
  virtual void raiseAtNextContentView() = 0;

  // The shell.
  virtual void postNotification(const std::string& name) = 0;
  virtual void setNotifyState(const std::string& name, std::uint64_t state) = 0;
  virtual void failNotify(const std::string& call, std::uint32_t status) = 0;
  virtual void requestDateView() = 0;
  virtual void finishUnlock() = 0;
  virtual void requestContentView(std::optional<std::size_t> index) = 0;
  virtual void layoutWallpaper() = 0;
  virtual void rotate(bool landscape) = 0;
  virtual bool askAllowsParallax() = 0;
  virtual std::optional<std::string> assetName(std::int64_t condition, bool isDay) = 0;
  virtual void dismissAlert() = 0;
  // The lock screen's date view and the shell's trees. A view is named as in the scenario
  // language ("date-view", "host" with an index, ...); moving sets its frame's origin in its
  // superview, scrolling its bounds' origin. A view that does not exist yet is bad input.
  virtual void setTimeLabelAlpha(double alpha) = 0;
  virtual void moveView(const std::string& view, std::optional<std::size_t> index, double x,
                        double y) = 0;
  virtual void scrollView(const std::string& view, std::optional<std::size_t> index, double x,
                          double y) = 0;
  virtual void embedWallpaperWindow() = 0;
  virtual void loadLateFrameworks() = 0;
  virtual void rebuildDateView() = 0;
  // Places a new view of that class at the back of the date view's subviews.
  virtual void addToDateView(const std::string& className) = 0;
  // The next values arc4random_uniform answers in the current process.
  virtual void scriptRandom(const std::vector<std::uint32_t>& values) = 0;
  // Runs due run-loop events for that long; raises SimulationLimit past the event limit.
  virtual void advance(double seconds) = 0;

  // Observation.
  virtual double now() const = 0;
  virtual const sim::Record* record() const = 0;  // the current process's, or none
  virtual nlohmann::json snapshot(double start) = 0;
  virtual std::string showText(const std::string& what, double start) = 0;
};

}  // namespace nimsim
