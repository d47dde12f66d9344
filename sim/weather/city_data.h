// What a simulated City holds, and its dictionary form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/value.h"
#include "host/weather.h"

namespace sim {

// Every field of a city. An empty city (alloc, init) has every field at its empty value.
struct CityData {
  std::string name;
  std::optional<host::Coordinate> location;
  std::int64_t conditionCode = 0;
  bool isDay = false;
  bool autoUpdate = false;
  std::optional<host::Date> updateTime;
  std::optional<double> temperatureCelsius;
  std::vector<double> hourlyCelsius;
  friend bool operator==(const CityData&, const CityData&) = default;
};

// The keys of the dictionary form; a field at its empty value has no key.
namespace cityKeys {
constexpr const char* name = "Name";
constexpr const char* latitude = "Lat";
constexpr const char* longitude = "Lon";
constexpr const char* conditionCode = "ConditionCode";
constexpr const char* isDay = "IsDay";
constexpr const char* autoUpdate = "AutoUpdate";
constexpr const char* updateTime = "UpdateTime";
constexpr const char* temperature = "Temperature";
constexpr const char* hourlyForecasts = "HourlyForecasts";
}  // namespace cityKeys

// dictionaryRepresentation: every field that is not empty, under its key.
host::Dictionary toDictionary(const CityData& city);
// initWithDictionaryRepresentation: a missing key, or a value of the wrong type, leaves its
// field empty; a location needs both coordinates. Round-trips toDictionary exactly.
CityData cityDataFromDictionary(const host::Dictionary& dictionary);

// Fahrenheit for a Celsius reading, as the framework converts.
constexpr double fahrenheitFromCelsius(double celsius) { return celsius * 9.0 / 5.0 + 32.0; }

}  // namespace sim
