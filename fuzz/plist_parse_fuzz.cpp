// Arbitrary bytes as a property-list file: the reader never crashes, every value it yields
// answers the platform's numeric readings, and what the XML writer makes of it reads back
// as the same tree.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "sim/foundation/property_list.h"

namespace {

void touchReadings(const host::Value& value) {
  if (value.hasNumericReading()) {
    volatile bool b = value.boolValue();
    volatile std::int32_t i = value.intValue();
    volatile double d = value.doubleValue();
    (void)b, (void)i, (void)d;
  }
  if (const auto* array = value.get<host::Array>())
    for (const auto& element : *array) touchReadings(element);
  if (const auto* dictionary = value.get<host::Dictionary>())
    for (const auto& [key, element] : *dictionary) touchReadings(element);
}

// An integer's value whichever of the two integer kinds holds it: the XML form does not keep
// the kind, as Foundation's does not.
// The sign and the 64 bits of its two's-complement form tell every such value apart.
std::optional<std::pair<bool, std::uint64_t>> integerOf(const host::Value& value) {
  if (const auto* i = value.get<std::int64_t>())
    return std::pair{*i < 0, static_cast<std::uint64_t>(*i)};
  if (const auto* u = value.get<host::UnsignedInteger>()) return std::pair{false, u->value};
  return std::nullopt;
}

// Same tree, with the XML form's known losses allowed: dates keep whole seconds, a real that
// is NaN stays NaN.
bool sameTree(const host::Value& a, const host::Value& b) {
  if (auto x = integerOf(a)) return integerOf(b) == x;
  if (a.storage().index() != b.storage().index()) return false;
  if (const auto* x = a.get<double>()) {
    const double y = *b.get<double>();
    return std::isnan(*x) ? std::isnan(y) : *x == y;
  }
  if (a.is<host::Date>()) return true;
  if (const auto* x = a.get<host::Array>()) {
    const auto& y = *b.get<host::Array>();
    if (x->size() != y.size()) return false;
    for (std::size_t i = 0; i < x->size(); ++i)
      if (!sameTree((*x)[i], y[i])) return false;
    return true;
  }
  if (const auto* x = a.get<host::Dictionary>()) {
    const auto& y = *b.get<host::Dictionary>();
    if (x->size() != y.size()) return false;
    for (auto i = x->begin(), j = y.begin(); i != x->end(); ++i, ++j)
      if (i->first != j->first || !sameTree(i->second, j->second)) return false;
    return true;
  }
  return a == b;
}

[[noreturn]] void finding(const char* what) {
  std::fprintf(stderr, "plist_parse: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<host::Value> value = sim::parsePropertyList(bytes);
  if (!value) return 0;
  touchReadings(*value);
  const std::optional<std::string> xml = sim::xmlPropertyList(*value);
  if (!xml) return 0;
  const std::optional<host::Value> reread = sim::parsePropertyList(*xml);
  if (!reread) finding("the XML writer's output does not read back");
  if (!sameTree(*value, *reread)) finding("the XML writer's output reads back as another tree");
  return 0;
}
