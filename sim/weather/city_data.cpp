// The dictionary form of a city.
#include "sim/weather/city_data.h"

namespace sim {

namespace {

// A number read as the framework stores it: a real or an integer; anything else is none.
std::optional<double> readNumber(const host::Value* value) {
  if (!value) return std::nullopt;
  if (auto real = value->get<double>()) return *real;
  if (auto integer = value->get<std::int64_t>()) return static_cast<double>(*integer);
  return std::nullopt;
}

std::optional<std::int64_t> readInteger(const host::Value* value) {
  if (!value) return std::nullopt;
  if (auto integer = value->get<std::int64_t>()) return *integer;
  return std::nullopt;
}

std::optional<bool> readBoolean(const host::Value* value) {
  if (!value) return std::nullopt;
  if (auto flag = value->get<bool>()) return *flag;
  return std::nullopt;
}

std::vector<double> readTemperatures(const host::Value* value) {
  std::vector<double> temperatures;
  const host::Array* list = value ? value->get<host::Array>() : nullptr;
  if (!list) return temperatures;
  for (const auto& entry : *list)
    if (auto celsius = readNumber(&entry)) temperatures.push_back(*celsius);
  return temperatures;
}

}  // namespace

host::Dictionary toDictionary(const CityData& city) {
  host::Dictionary dictionary;
  if (!city.name.empty()) dictionary.emplace(cityKeys::name, city.name);
  if (city.location) {
    dictionary.emplace(cityKeys::latitude, city.location->latitude);
    dictionary.emplace(cityKeys::longitude, city.location->longitude);
  }
  if (city.conditionCode != 0) dictionary.emplace(cityKeys::conditionCode, city.conditionCode);
  if (city.isDay) dictionary.emplace(cityKeys::isDay, true);
  if (city.autoUpdate) dictionary.emplace(cityKeys::autoUpdate, true);
  if (city.updateTime) dictionary.emplace(cityKeys::updateTime, *city.updateTime);
  if (city.temperatureCelsius) dictionary.emplace(cityKeys::temperature, *city.temperatureCelsius);
  if (!city.hourlyCelsius.empty()) {
    host::Array hourly(city.hourlyCelsius.begin(), city.hourlyCelsius.end());
    dictionary.emplace(cityKeys::hourlyForecasts, std::move(hourly));
  }
  return dictionary;
}

CityData cityDataFromDictionary(const host::Dictionary& dictionary) {
  auto field = [&](const char* key) { return host::objectForKey(&dictionary, key); };
  CityData city;
  if (auto name = field(cityKeys::name); name && name->is<std::string>())
    city.name = *name->get<std::string>();
  auto latitude = readNumber(field(cityKeys::latitude));
  auto longitude = readNumber(field(cityKeys::longitude));
  if (latitude && longitude) city.location = host::Coordinate{*latitude, *longitude};
  city.conditionCode = readInteger(field(cityKeys::conditionCode)).value_or(0);
  city.isDay = readBoolean(field(cityKeys::isDay)).value_or(false);
  city.autoUpdate = readBoolean(field(cityKeys::autoUpdate)).value_or(false);
  if (auto time = field(cityKeys::updateTime); time && time->is<host::Date>())
    city.updateTime = *time->get<host::Date>();
  city.temperatureCelsius = readNumber(field(cityKeys::temperature));
  city.hourlyCelsius = readTemperatures(field(cityKeys::hourlyForecasts));
  return city;
}

}  // namespace sim
