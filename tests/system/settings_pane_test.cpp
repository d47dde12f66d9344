// The settings pane as installed, read the way the phone reads it, against the add-on's own
// table of settings: the same keys, types and defaults, and every value a cell can write read
// back by loadSettings as the field the cell then shows.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <type_traits>
#include <variant>

#include "sim/settings_app/pane.h"
#include "startup/load_settings.h"
#include "tests/system/shell_fixture.h"

namespace {

using nimbrel::SettingDescription;
using sim::CellKind;
using sim::PaneCell;

const sim::SettingsPane& installedPane() {
  static const sim::SettingsPane pane = sim::loadPane(NIMBREL_STAGED_PANE);
  return pane;
}

// The field as loadSettings left it, as a number: booleans read 0 or 1.
double fieldValue(const SettingDescription& setting) {
  const nimbrel::Settings& settings = nimbrel::state().settings;
  return std::visit([&](auto field) { return static_cast<double>(settings.*field); },
                    setting.field);
}

// What the cell shows for the domain, as a number of the field's kind.
double shownValue(const PaneCell& cell, const host::Dictionary& domain) {
  switch (cell.kind) {
    case CellKind::toggle:
      return sim::shownSwitch(cell, domain) ? 1 : 0;
    case CellKind::list: {
      std::optional<std::size_t> title = sim::shownChoice(cell, domain);
      return title ? cell.values[*title].doubleValue() : std::nan("");
    }
    case CellKind::slider:
      break;
  }
  return sim::shownSliderValue(cell, domain);
}

TEST(SettingsPane, OffersEachKeyOfTheAddonsTableOnceWithItsTypeAndDefault) {
  std::set<std::string> tableKeys, paneKeys;
  for (const SettingDescription& setting : nimbrel::settingDescriptions()) {
    SCOPED_TRACE(setting.key);
    tableKeys.emplace(setting.key);
    const PaneCell* cell = installedPane().cell(setting.key);
    ASSERT_NE(cell, nullptr) << "the pane has no cell for this key";
    EXPECT_EQ(cell->domain, nimbrel::kPreferencesDomain);
    EXPECT_EQ(cell->notification, nimbrel::kSettingsChangedNotification);
    EXPECT_FALSE(cell->label.empty());
    // Booleans are switches, floating-point offsets sliders, the integers a list or a slider;
    // whichever, the cell's default reads as the add-on's.
    std::visit(
        [&](auto fallback) {
          using T = decltype(fallback);
          if constexpr (std::is_same_v<T, bool>) {
            EXPECT_EQ(cell->kind, CellKind::toggle);
            EXPECT_EQ(cell->fallback, host::Value(fallback));
          } else if constexpr (std::is_same_v<T, double>) {
            EXPECT_EQ(cell->kind, CellKind::slider);
            EXPECT_EQ(cell->fallback.doubleValue(), fallback);
          } else {
            EXPECT_NE(cell->kind, CellKind::toggle);
            EXPECT_EQ(cell->fallback.intValue(), fallback);
            EXPECT_EQ(cell->fallback.doubleValue(), fallback) << "a whole number";
          }
        },
        setting.fallback);
  }
  for (const PaneCell* cell : installedPane().cells()) paneKeys.insert(cell->key);
  EXPECT_EQ(paneKeys, tableKeys);
  EXPECT_EQ(tableKeys.size(), 19u);
}

TEST(SettingsPane, IsTheLoadersEntryNamedAfterItsLabelWithCustomWeatherOffFirst) {
  EXPECT_EQ(installedPane().entryLabel, "Nimbrel");
  EXPECT_EQ(installedPane().title, "Nimbrel");
  const PaneCell& custom = *installedPane().cell("customWeather");
  ASSERT_EQ(custom.titles.size(), 49u);
  EXPECT_EQ(custom.titles[0], "Off");
  EXPECT_EQ(custom.titles[33], "Sunny");
  for (std::size_t n = 0; n < custom.values.size(); ++n)
    EXPECT_EQ(custom.values[n], host::Value(static_cast<std::int64_t>(n))) << "code n - 1";
}

class SettingsPaneOnThePhone : public ShellFixture {};

TEST_F(SettingsPaneOnThePhone, EveryValueACellWritesReadsBackAsTheFieldTheCellShows) {
  for (const SettingDescription& setting : nimbrel::settingDescriptions()) {
    const PaneCell& cell = *installedPane().cell(setting.key);
    for (const host::Value& written : sim::writableValues(cell)) {
      process().preferences().set(nimbrel::kPreferencesDomain, cell.key, written);
      nimbrel::loadSettings(nullptr, nullptr, nullptr, nullptr, nullptr);
      const host::Dictionary domain =
          process().preferences().domainValues(nimbrel::kPreferencesDomain);
      ASSERT_EQ(fieldValue(setting), shownValue(cell, domain))
          << cell.key << " written as " << written.doubleValue();
    }
    // And with the key absent, the field and the cell both fall back to their defaults.
    process().preferences().remove(nimbrel::kPreferencesDomain, cell.key);
    nimbrel::loadSettings(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(fieldValue(setting), shownValue(cell, {})) << cell.key << " absent";
  }
}

}  // namespace
