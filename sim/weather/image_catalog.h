// The catalogue behind WeatherImageLoader: condition image names and the images that exist.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// Condition index → image name, and the set of image names that have an image. As on the
// phone, an image of a time of day is often stored only under its "_day"/"_night" spelling,
// so the name the loader gives for an index does not always find an image as it stands.
class ImageCatalog {
 public:
  // The catalogue a fresh system installs (see sim/weather/README.md).
  static ImageCatalog standard();
  ImageCatalog() = default;

  // conditionImageNameWithConditionIndex: none outside 0..47.
  std::optional<std::string> nameForIndex(std::int64_t index) const;
  // Whether conditionImageNamed: finds an image of exactly this name.
  bool hasImage(std::string_view name) const;
  // Adds or removes one stored image.
  void setImage(std::string name, bool present);
  // Every stored image's name, in order.
  std::vector<std::string> imageNames() const;
  // Gives an index another image name, as a system version with other artwork does.
  void setNameForIndex(std::int64_t index, std::string name);

 private:
  using Images = std::set<std::string, std::less<>>;

  // The standard images are listed once and shared, so a copy or a reset of a catalogue (one
  // per relaunched process) costs only its edits.
  const Images* base_ = nullptr;
  std::map<std::string, bool, std::less<>> edits_;
  std::map<std::int64_t, std::string> renamed_;
};

}  // namespace sim
