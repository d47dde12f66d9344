// settings.def as data, for what checks or feeds the settings from outside the add-on: the
// settings pane's test, the reaction tests, the fuzz and bench inputs. The add-on's own loader
// expands settings.def itself and does not carry this table.
#pragma once

#include <cstdint>
#include <string_view>
#include <variant>

#include "startup/settings.h"

namespace nimbrel {

enum class PaneControl { toggle, list, slider };

// The cell the settings pane shows for a key. A list offers the whole numbers from `minimum`
// to `maximum`; a slider's positions are `step` apart; a slider has no label of its own, so
// `label` is its group's header.
struct PaneRow {
  PaneControl control;
  std::string_view label;
  double minimum = 0, maximum = 0, step = 0;
};

namespace pane_cells {
constexpr PaneRow toggle(std::string_view label) { return {PaneControl::toggle, label}; }
constexpr PaneRow list(std::string_view label, double first, double last) {
  return {PaneControl::list, label, first, last, 1};
}
constexpr PaneRow slider(std::string_view header, double minimum, double maximum, double step) {
  return {PaneControl::slider, header, minimum, maximum, step};
}
}  // namespace pane_cells

struct SettingRow {
  std::string_view key;
  std::variant<Relaxed<bool> Settings::*, Relaxed<std::int32_t> Settings::*,
               Relaxed<double> Settings::*>
      field;
  std::variant<bool, std::int32_t, double> absent;
  bool reacts;
  PaneRow cell;
};

#define NIMBREL_REACTS_react true
#define NIMBREL_REACTS_none false
inline constexpr SettingRow kSettings[] = {
#define NIMBREL_SETTING(key, type, absent, reaction, cell) \
  {#key, &Settings::key, type{absent}, NIMBREL_REACTS_##reaction, pane_cells::cell},
#include "startup/settings.def"
};
#undef NIMBREL_REACTS_react
#undef NIMBREL_REACTS_none

}  // namespace nimbrel
