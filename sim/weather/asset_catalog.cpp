// The standard background catalogue and its look-up.
#include "sim/weather/asset_catalog.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "sim/weather/condition_names.h"

namespace sim {

namespace {

// Conditions for which the framework ships no animated background at all.
constexpr std::array<std::int64_t, 6> withoutBackground = {0, 2, 19, 22, 25, 36};
// Conditions that name a time of day: a background exists for that time only.
constexpr std::array<std::int64_t, 4> nightOnly = {27, 29, 31, 33};
constexpr std::array<std::int64_t, 4> dayOnly = {28, 30, 32, 34};

template <std::size_t N>
bool contains(const std::array<std::int64_t, N>& codes, std::int64_t condition) {
  return std::find(codes.begin(), codes.end(), condition) != codes.end();
}

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// "<slug>-<day|night>@2x-667h"; a slug that already names its time of day keeps it alone.
std::string standardName(std::string_view slug, bool isDay) {
  std::string name(slug);
  if (!endsWith(slug, "-day") && !endsWith(slug, "-night")) name += isDay ? "-day" : "-night";
  return name + "@2x-667h";
}

}  // namespace

AssetCatalog AssetCatalog::standard() {
  static const Names names = [] {
    Names built;
    for (std::int64_t condition = 0; condition < conditions::count; ++condition) {
      if (contains(withoutBackground, condition)) continue;
      auto slug = *conditions::slug(condition);
      if (!contains(nightOnly, condition)) built[{condition, true}] = standardName(slug, true);
      if (!contains(dayOnly, condition)) built[{condition, false}] = standardName(slug, false);
    }
    return built;
  }();
  AssetCatalog catalog;
  catalog.base_ = &names;
  return catalog;
}

std::optional<std::string> AssetCatalog::filename(std::int64_t condition, bool isDay) const {
  if (auto edit = edits_.find({condition, isDay}); edit != edits_.end()) return edit->second;
  if (!base_) return std::nullopt;
  auto found = base_->find({condition, isDay});
  if (found == base_->end()) return std::nullopt;
  return found->second;
}

void AssetCatalog::set(std::int64_t condition, bool isDay, std::optional<std::string> filename) {
  edits_.insert_or_assign(Key{condition, isDay}, std::move(filename));
}

std::size_t AssetCatalog::size() const {
  std::size_t count = 0;
  for (const auto& [key, name] : edits_)
    if (name) ++count;
  if (base_)
    for (const auto& entry : *base_)
      if (!edits_.contains(entry.first)) ++count;
  return count;
}

}  // namespace sim
