// The catalogue of animated-background asset file names by condition code and day flag.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace sim {

// Which background asset exists for a condition and day flag. The standard catalogue has
// gaps as the real one does: some conditions have no background, and conditions that
// describe a time of day have one only for that time. A scenario may change any entry.
class AssetCatalog {
 public:
  // The catalogue a fresh system installs (see sim/weather/README.md).
  static AssetCatalog standard();
  // An empty catalogue: no condition has a background.
  AssetCatalog() = default;

  // The file name for the pair, or none when no asset exists for it.
  std::optional<std::string> filename(std::int64_t condition, bool isDay) const;
  // Adds, renames or (with none) removes the asset of one pair.
  void set(std::int64_t condition, bool isDay, std::optional<std::string> filename);
  std::size_t size() const;

 private:
  using Key = std::pair<std::int64_t, bool>;
  using Names = std::map<Key, std::string>;

  // The standard table is built once and shared, so a copy or a reset of a catalogue (one
  // per relaunched process) costs only its edits.
  const Names* base_ = nullptr;
  std::map<Key, std::optional<std::string>> edits_;
};

}  // namespace sim
