// The simulated City, CLLocation, WFTemperature and hourly forecast objects.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "host/weather.h"
#include "sim/runtime/class.h"
#include "sim/runtime/instance.h"
#include "sim/weather/city_data.h"

namespace sim {

// CLLocation: a fixed coordinate.
class SimLocation final : public Instance<host::Location> {
 public:
  SimLocation(host::Class& cls, host::Coordinate coordinate)
      : Instance(cls), coordinate_(coordinate) {}
  host::Coordinate coordinate() const override { return coordinate_; }

 private:
  host::Coordinate coordinate_;
};

// WFTemperature: one reading kept in Celsius, answered in either unit.
class SimTemperature final : public Instance<host::Temperature> {
 public:
  SimTemperature(host::Class& cls, double celsius) : Instance(cls), celsius_(celsius) {}
  double celsius() const override { return celsius_; }
  double fahrenheit() const override { return fahrenheitFromCelsius(celsius_); }

 private:
  double celsius_;
};

class SimHourlyForecast final : public Instance<host::HourlyForecast> {
 public:
  SimHourlyForecast(host::Class& cls, std::shared_ptr<host::Temperature> temperature)
      : Instance(cls), temperature_(std::move(temperature)) {}
  std::shared_ptr<host::Temperature> temperature() const override { return temperature_; }

 private:
  std::shared_ptr<host::Temperature> temperature_;
};

// The class object of City: it knows the classes of the objects a city hands out.
class CityClass final : public ClassImpl<host::Class> {
 public:
  // forecastClass is WAHourlyForecast where the system has it, otherwise the framework's
  // older forecast class.
  CityClass(ClassSetup setup, host::Class& locationClass, host::Class& temperatureClass,
            host::Class& forecastClass)
      : ClassImpl(std::move(setup)),
        locationClass_(locationClass),
        temperatureClass_(temperatureClass),
        forecastClass_(forecastClass) {}

  host::Class& locationClass() const { return locationClass_; }
  host::Class& temperatureClass() const { return temperatureClass_; }
  host::Class& forecastClass() const { return forecastClass_; }

 private:
  host::Class& locationClass_;
  host::Class& temperatureClass_;
  host::Class& forecastClass_;
};

// City. Temperatures and forecasts are handed out as fresh objects built from the stored
// values; the location is the very object last set (or one made from a dictionary).
class SimWeatherBackground;

class SimCity final : public Instance<host::City> {
 public:
  explicit SimCity(CityClass& cls, CityData data = {});

  std::shared_ptr<host::Location> location() const override { return location_; }
  void setLocation(const std::shared_ptr<host::Location>& location) override;
  std::int64_t conditionCode() const override { return data_.conditionCode; }
  // A change redraws every background bound to the city, as the Weather framework's does.
  void setConditionCode(std::int64_t code) override;
  bool isDay() const override { return data_.isDay; }
  void setIsDay(bool isDay) override;
  void setAutoUpdate(bool autoUpdate) override { data_.autoUpdate = autoUpdate; }
  std::optional<host::Date> updateTime() const override { return data_.updateTime; }
  void setUpdateTime(std::optional<host::Date> time) override { data_.updateTime = time; }
  std::shared_ptr<host::Temperature> temperature() const override;
  std::vector<std::shared_ptr<host::HourlyForecast>> hourlyForecasts() const override;
  host::Dictionary dictionaryRepresentation() const override { return toDictionary(data()); }

  // Inspection and set-up by tests and the simulator.
  CityData data() const;
  void setData(CityData data);
  bool autoUpdate() const { return data_.autoUpdate; }
  const std::string& name() const { return data_.name; }

  // The backgrounds bound to the city, which setCity:animate: keeps.
  void addBoundBackground(SimWeatherBackground& background);
  void removeBoundBackground(SimWeatherBackground& background);

 private:
  std::shared_ptr<host::Temperature> makeTemperature(double celsius) const;
  void redrawBoundBackgrounds() const;

  CityClass& class_;
  CityData data_;  // every field but the location, which location_ holds
  std::shared_ptr<host::Location> location_;
  std::vector<SimWeatherBackground*> boundBackgrounds_;  // each unbinds before it goes
};

// "Paris" for a named city, "unnamed city" otherwise: how the record names a city.
std::string describeCity(const host::City* city);

}  // namespace sim
