// City: stored fields, the objects it hands out and its dictionary form.
#include "sim/weather/city.h"

#include <algorithm>

#include "sim/weather/background.h"

namespace sim {

SimCity::SimCity(CityClass& cls, CityData data) : Instance(cls), class_(cls) { setData(data); }

void SimCity::setLocation(const std::shared_ptr<host::Location>& location) { location_ = location; }

std::shared_ptr<host::Temperature> SimCity::makeTemperature(double celsius) const {
  return std::make_shared<SimTemperature>(class_.temperatureClass(), celsius);
}

std::shared_ptr<host::Temperature> SimCity::temperature() const {
  if (!data_.temperatureCelsius) return nullptr;
  return makeTemperature(*data_.temperatureCelsius);
}

std::vector<std::shared_ptr<host::HourlyForecast>> SimCity::hourlyForecasts() const {
  std::vector<std::shared_ptr<host::HourlyForecast>> forecasts;
  for (double celsius : data_.hourlyCelsius)
    forecasts.push_back(
        std::make_shared<SimHourlyForecast>(class_.forecastClass(), makeTemperature(celsius)));
  return forecasts;
}

CityData SimCity::data() const {
  CityData data = data_;
  if (location_) data.location = location_->coordinate();
  return data;
}

void SimCity::setConditionCode(std::int64_t code) {
  if (data_.conditionCode == code) return;
  data_.conditionCode = code;
  redrawBoundBackgrounds();
}

void SimCity::setIsDay(bool isDay) {
  if (data_.isDay == isDay) return;
  data_.isDay = isDay;
  redrawBoundBackgrounds();
}

void SimCity::addBoundBackground(SimWeatherBackground& background) {
  boundBackgrounds_.push_back(&background);
}

void SimCity::removeBoundBackground(SimWeatherBackground& background) {
  std::erase(boundBackgrounds_, &background);
}

// In the order the backgrounds were made, as a process's views are kept.
void SimCity::redrawBoundBackgrounds() const {
  std::vector<SimWeatherBackground*> bound = boundBackgrounds_;
  std::sort(bound.begin(), bound.end(),
            [](const auto* a, const auto* b) { return a->number() < b->number(); });
  for (SimWeatherBackground* background : bound) background->redraw();
}

void SimCity::setData(CityData data) {
  location_.reset();
  if (data.location)
    location_ = std::make_shared<SimLocation>(class_.locationClass(), *data.location);
  data.location.reset();
  data_ = std::move(data);
}

std::string describeCity(const host::City* city) {
  auto* sim = dynamic_cast<const SimCity*>(city);
  return facts::cityName(city != nullptr, sim ? std::optional(sim->name()) : std::nullopt);
}

}  // namespace sim
