// Weather requests and their scripted completions.
#include "sim/weather/location_updater.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "sim/services/run_loop.h"
#include "sim/weather/city.h"

namespace sim {

namespace {

std::optional<facts::Coordinate> coordinateOf(const host::Location* location) {
  if (!location) return std::nullopt;
  const host::Coordinate at = location->coordinate();
  return facts::Coordinate{at.latitude, at.longitude};
}

}  // namespace

UpdaterEnvironment runLoopEnvironment(RunLoop& runLoop) {
  return {[&runLoop] { return runLoop.seconds(); },
          [&runLoop](double time, std::function<void()> action, std::string description) {
            runLoop.post(time, std::move(action), std::move(description));
          }};
}

SimLocationUpdater::SimLocationUpdater(host::Class& cls, CityClass& cityClass,
                                       host::Class& errorClass, Record& record,
                                       UpdaterEnvironment environment)
    : Instance(cls),
      cityClass_(cityClass),
      errorClass_(errorClass),
      record_(record),
      environment_(std::move(environment)) {
  if (!environment_.now || !environment_.post)
    throw std::invalid_argument("the location updater needs a clock and a run loop");
}

void SimLocationUpdater::setDelay(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0)
    throw std::invalid_argument("a weather update delay must be a finite, non-negative time");
  delay_ = seconds;
}

UpdateOutcome SimLocationUpdater::nextOutcome() {
  if (scripted_.empty()) return default_;
  UpdateOutcome outcome = std::move(scripted_.front());
  scripted_.pop_front();
  return outcome;
}

void SimLocationUpdater::updateWeatherForLocation(const std::shared_ptr<host::Location>& location,
                                                  const std::shared_ptr<host::City>& city,
                                                  host::WeatherUpdateHandler handler) {
  if (!handler)
    throw std::logic_error(
        "not modelled: a weather request without a completion handler (the framework would "
        "call a nil block)");
  record_.add([&] {
    return facts::WeatherRequested{describeCity(city.get()), coordinateOf(location.get())};
  });

  std::shared_ptr<host::City> target = city;
  if (!target && location) {
    auto made = std::make_shared<SimCity>(cityClass_);
    made->setLocation(location);
    target = made;
  }
  // Without a location the service has nothing to look up: the request fails without
  // reaching it, so no scripted outcome is used.
  UpdateOutcome outcome =
      location ? nextOutcome() : UpdateOutcome::failure("no location to update the weather for");
  ++pending_;
  std::weak_ptr<bool> alive = alive_;
  environment_.post(
      environment_.now() + delay_,
      [this, alive, target, location, outcome = std::move(outcome), handler] {
        if (alive.expired()) return;
        complete(target, location, outcome, handler);
      },
      "weather update for " + describeCity(target.get()));
}

void SimLocationUpdater::complete(std::shared_ptr<host::City> city,
                                  const std::shared_ptr<host::Location>& location,
                                  const UpdateOutcome& outcome,
                                  host::WeatherUpdateHandler handler) {
  --pending_;
  const std::string name = describeCity(city.get());
  const std::optional<facts::Coordinate> at = coordinateOf(location.get());
  const bool second = outcome.onSecondThread;
  if (outcome.failed()) {
    record_.add([&] { return facts::WeatherFailed{name, at, outcome.error, second}; });
    deliver(handler, std::move(city), std::make_shared<SimError>(errorClass_, outcome.error),
            second);
    return;
  }
  applyReport(*city, location, *outcome.report, environment_.now());
  record_.add([&] {
    const WeatherReport& report = *outcome.report;
    return facts::WeatherCompleted{
        name, at, {report.conditionCode, report.isDay, report.temperatureCelsius}, second};
  });
  deliver(handler, std::move(city), nullptr, second);
}

// A handler called on a second thread hands itself over to the interface thread, where it runs
// behind whatever is already due at this instant.
void SimLocationUpdater::deliver(host::WeatherUpdateHandler handler,
                                 std::shared_ptr<host::City> city, host::Id error,
                                 bool onSecondThread) {
  if (!onSecondThread) return handler(std::move(city), std::move(error));
  environment_.post(
      environment_.now(), [handler, city, error] { handler(city, error); },
      "weather completion handed over to the interface thread");
}

void SimLocationUpdater::applyReport(host::City& city,
                                     const std::shared_ptr<host::Location>& location,
                                     const WeatherReport& report, double time) {
  auto* sim = dynamic_cast<SimCity*>(&city);
  if (!sim) throw std::logic_error("not modelled: updating the weather of a foreign city");
  // Through the setters, which redraw the backgrounds bound to the city, as the framework's do.
  sim->setConditionCode(report.conditionCode);
  sim->setIsDay(report.isDay);
  CityData data = sim->data();
  data.temperatureCelsius = report.temperatureCelsius;
  data.hourlyCelsius = report.hourlyCelsius;
  data.updateTime = host::Date{time};
  // The report is for the place asked about: the city now stands at that very location.
  sim->setData(std::move(data));
  sim->setLocation(location);
}

std::shared_ptr<SimLocationUpdater> LocationUpdaterClassImpl::shared() {
  if (!shared_)
    shared_ =
        std::make_shared<SimLocationUpdater>(*this, cityClass_, errorClass_, record_, environment_);
  return shared_;
}

}  // namespace sim
