// The standard condition image catalogue.
#include "sim/weather/image_catalog.h"

#include <array>

#include "sim/weather/condition_names.h"

namespace sim {

namespace {

// Conditions whose image is missing from the catalogue altogether.
constexpr std::array<std::string_view, 2> withoutImage = {"smoke", "frigid"};
// Images of a time of day stored under the hyphenated spelling too, not only the underscored.
constexpr std::array<std::string_view, 1> hyphenatedToo = {"clear-night"};

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& names, std::string_view name) {
  for (auto entry : names)
    if (entry == name) return true;
  return false;
}

// "partly-cloudy-day" → "partly-cloudy_day": the spelling the images of a time of day use.
std::string underscoredTimeOfDay(std::string_view name) {
  for (std::string_view time : {std::string_view("-day"), std::string_view("-night")}) {
    if (endsWith(name, time)) {
      std::string spelled(name.substr(0, name.size() - time.size()));
      return spelled + "_" + std::string(time.substr(1));
    }
  }
  return std::string(name);
}

}  // namespace

ImageCatalog ImageCatalog::standard() {
  static const Images images = [] {
    Images stored;
    for (std::int64_t index = 0; index < conditions::count; ++index) {
      auto slug = *conditions::slug(index);
      if (listed(withoutImage, slug)) continue;
      stored.insert(underscoredTimeOfDay(slug) + "-nc");
      if (listed(hyphenatedToo, slug)) stored.insert(std::string(slug) + "-nc");
    }
    return stored;
  }();
  ImageCatalog catalog;
  catalog.base_ = &images;
  return catalog;
}

std::optional<std::string> ImageCatalog::nameForIndex(std::int64_t index) const {
  if (auto renamed = renamed_.find(index); renamed != renamed_.end()) return renamed->second;
  auto slug = conditions::slug(index);
  if (!slug) return std::nullopt;
  return std::string(*slug);
}

bool ImageCatalog::hasImage(std::string_view name) const {
  if (auto edit = edits_.find(name); edit != edits_.end()) return edit->second;
  return base_ && base_->contains(name);
}

std::vector<std::string> ImageCatalog::imageNames() const {
  std::set<std::string, std::less<>> names;
  if (base_) names = *base_;
  for (const auto& [name, present] : edits_) {
    if (present)
      names.insert(name);
    else
      names.erase(name);
  }
  return {names.begin(), names.end()};
}

void ImageCatalog::setImage(std::string name, bool present) {
  edits_.insert_or_assign(std::move(name), present);
}

void ImageCatalog::setNameForIndex(std::int64_t index, std::string name) {
  renamed_.insert_or_assign(index, std::move(name));
}

}  // namespace sim
