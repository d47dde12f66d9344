// Property-list values as the snapshot's JSON shows them.
#include "simulator/value_json.h"

#include "facts/snapshot.h"

namespace nimsim {

using facts::number;
using nlohmann::json;

json valueJson(const host::Value& value, int depth) {
  if (depth > 64) return "…";
  const auto& v = value.storage();
  if (auto b = std::get_if<bool>(&v)) return *b;
  if (auto i = std::get_if<std::int64_t>(&v)) return *i;
  if (auto u = std::get_if<host::UnsignedInteger>(&v)) return u->value;
  if (auto d = std::get_if<double>(&v)) return number(*d);
  if (auto s = std::get_if<std::string>(&v)) return *s;
  if (auto data = std::get_if<host::Data>(&v)) {
    static const char* hex = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : data->bytes) {
      text += hex[byte >> 4];
      text += hex[byte & 15];
    }
    return {{"data", text}};
  }
  if (auto date = std::get_if<host::Date>(&v)) return {{"date", number(date->secondsSince1970)}};
  if (auto array = std::get_if<host::Array>(&v)) {
    json out = json::array();
    for (const auto& element : *array) out.push_back(valueJson(element, depth + 1));
    return out;
  }
  json out = json::object();
  for (const auto& [key, element] : std::get<host::Dictionary>(v))
    out[key] = valueJson(element, depth + 1);
  return out;
}

}  // namespace nimsim
