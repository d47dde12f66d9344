// TWCLocationUpdater: weather requests that complete later on the run loop, as scripted.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/weather.h"
#include "sim/record.h"
#include "sim/runtime/class.h"
#include "sim/runtime/instance.h"
#include "sim/weather/city.h"

namespace sim {

// What the weather service reports for a city.
struct WeatherReport {
  std::int64_t conditionCode = 26;
  bool isDay = true;
  std::optional<double> temperatureCelsius = 18.0;
  std::vector<double> hourlyCelsius = {16.0, 18.0, 21.0, 19.0};
  friend bool operator==(const WeatherReport&, const WeatherReport&) = default;
};

// How one request ends: with a report, or with an error of that description; on a second
// thread, the handler reaches the interface thread in a run-loop turn of its own.
struct UpdateOutcome {
  std::optional<WeatherReport> report;
  std::string error;
  bool onSecondThread = false;

  static UpdateOutcome success(WeatherReport report) { return {std::move(report), {}}; }
  static UpdateOutcome failure(std::string description) {
    return {std::nullopt, std::move(description)};
  }
  bool failed() const { return !report; }
};

// NSError, as handed to a completion handler.
class SimError final : public Instance<host::Object> {
 public:
  SimError(host::Class& cls, std::string description)
      : Instance(cls), description_(std::move(description)) {}
  const std::string& description() const { return description_; }

 private:
  std::string description_;
};

class RunLoop;

// What the updater needs of its process: the virtual time, and a way to run an action at a
// later time on the run loop.
struct UpdaterEnvironment {
  std::function<double()> now;
  std::function<void(double time, std::function<void()> action, std::string description)> post;
};

// The environment of a process's run loop, which must outlive the updater.
UpdaterEnvironment runLoopEnvironment(RunLoop& runLoop);

// The shared updater. The service answers for the location it is handed, not for the city:
//  - a request without a location takes no scripted outcome and completes, after the delay,
//    with the unchanged city (or none) and an NSError;
//  - otherwise it takes the next scripted outcome (the default one when none is queued) and
//    completes after the delay, calling its handler once. Success gives the city the
//    requested location, the report's values and the completion time as update time, and
//    hands it over with no error; failure hands the unchanged city and an NSError.
// A request without a city gets a new city at the location. The record names the requested
// coordinates on the request and on its completion, so a report for the wrong place shows.
class SimLocationUpdater final : public Instance<host::LocationUpdater> {
 public:
  SimLocationUpdater(host::Class& cls, CityClass& cityClass, host::Class& errorClass,
                     Record& record, UpdaterEnvironment environment);

  void updateWeatherForLocation(const std::shared_ptr<host::Location>& location,
                                const std::shared_ptr<host::City>& city,
                                host::WeatherUpdateHandler handler) override;

  // Set-up by tests and the simulator.
  void setDelay(double seconds);
  double delay() const { return delay_; }
  void enqueue(UpdateOutcome outcome) { scripted_.push_back(std::move(outcome)); }
  void setDefaultOutcome(UpdateOutcome outcome) { default_ = std::move(outcome); }
  // Requests made whose handler has not run yet.
  std::size_t pendingCount() const { return pending_; }

 private:
  UpdateOutcome nextOutcome();
  void complete(std::shared_ptr<host::City> city, const std::shared_ptr<host::Location>& location,
                const UpdateOutcome& outcome, host::WeatherUpdateHandler handler);
  void deliver(host::WeatherUpdateHandler handler, std::shared_ptr<host::City> city, host::Id error,
               bool onSecondThread);
  void applyReport(host::City& city, const std::shared_ptr<host::Location>& location,
                   const WeatherReport& report, double time);

  CityClass& cityClass_;
  host::Class& errorClass_;
  Record& record_;
  UpdaterEnvironment environment_;
  double delay_ = 2.0;
  std::deque<UpdateOutcome> scripted_;
  UpdateOutcome default_ = UpdateOutcome::success({});
  std::size_t pending_ = 0;
  // Completions still on the run loop check it, so none runs after the updater is gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class LocationUpdaterClassImpl final : public ClassImpl<host::LocationUpdaterClass> {
 public:
  LocationUpdaterClassImpl(ClassSetup setup, CityClass& cityClass, host::Class& errorClass,
                           Record& record, UpdaterEnvironment environment)
      : ClassImpl(std::move(setup)),
        cityClass_(cityClass),
        errorClass_(errorClass),
        record_(record),
        environment_(std::move(environment)) {}

  std::shared_ptr<host::LocationUpdater> sharedLocationUpdater() override { return shared(); }
  std::shared_ptr<SimLocationUpdater> shared();
  // As at definition: the shared updater, its script and its requests are let go.
  void reset() { shared_.reset(); }

 private:
  CityClass& cityClass_;
  host::Class& errorClass_;
  Record& record_;
  UpdaterEnvironment environment_;
  std::shared_ptr<SimLocationUpdater> shared_;
};

}  // namespace sim
