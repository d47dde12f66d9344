// The settings pane as installed, read the way the phone reads it, against the add-on's own
// table of settings (startup/settings.def): a cell for each row, of its kind, label, default
// and values, and no other; and every value a cell can write read back by loadSettings as the
// field the cell then shows.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "sim/settings_app/pane.h"
#include "startup/load_settings.h"
#include "startup/settings_table.h"
#include "tests/system/shell_fixture.h"

namespace {

using nimbrel::SettingRow;
using sim::CellKind;
using sim::PaneCell;

const sim::SettingsPane& installedPane() {
  static const sim::SettingsPane pane = sim::loadPane(NIMBREL_STAGED_PANE);
  return pane;
}

// The field as loadSettings left it, as a number: booleans read 0 or 1.
double fieldValue(const SettingRow& setting) {
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

sim::CellKind kindOf(nimbrel::PaneControl control) {
  switch (control) {
    case nimbrel::PaneControl::toggle:
      return CellKind::toggle;
    case nimbrel::PaneControl::list:
      return CellKind::list;
    case nimbrel::PaneControl::slider:
      break;
  }
  return CellKind::slider;
}

// The numbers a list offers, or a slider's positions: as the pane has them, and as the table.
std::vector<double> offeredNumbers(const PaneCell& cell) {
  std::vector<double> numbers;
  for (const host::Value& value : sim::writableValues(cell)) numbers.push_back(value.doubleValue());
  return numbers;
}
std::vector<double> offeredNumbers(const nimbrel::PaneRow& row) {
  std::vector<double> numbers;
  for (double n = row.minimum; n <= row.maximum; n += row.step) numbers.push_back(n);
  return numbers;
}

TEST(SettingsPane, HasTheCellOfEachRowOfTheAddonsTableAndNoOther) {
  std::set<std::string> tableKeys, paneKeys;
  for (const SettingRow& setting : nimbrel::kSettings) {
    SCOPED_TRACE(setting.key);
    tableKeys.emplace(setting.key);
    const PaneCell* cell = installedPane().cell(setting.key);
    ASSERT_NE(cell, nullptr) << "the pane has no cell for this key";
    EXPECT_EQ(std::holds_alternative<bool>(setting.absent),
              setting.cell.control == nimbrel::PaneControl::toggle)
        << "a switch for each boolean, and only for one";
    EXPECT_EQ(cell->kind, kindOf(setting.cell.control));
    EXPECT_EQ(cell->label, setting.cell.label);
    EXPECT_EQ(cell->domain, nimbrel::kPreferencesDomain);
    EXPECT_EQ(cell->notification, nimbrel::kSettingsChangedNotification);
    std::visit(
        [&](auto absent) { EXPECT_EQ(cell->fallback.doubleValue(), static_cast<double>(absent)); },
        setting.absent);
    if (cell->kind == CellKind::toggle) {
      EXPECT_TRUE(cell->fallback.is<bool>()) << "a switch shows a boolean";
      continue;
    }
    EXPECT_EQ(offeredNumbers(*cell), offeredNumbers(setting.cell));
    EXPECT_EQ(cell->showsValue, cell->kind == CellKind::slider);
  }
  for (const PaneCell* cell : installedPane().cells()) paneKeys.insert(cell->key);
  EXPECT_EQ(paneKeys, tableKeys);
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
  for (const SettingRow& setting : nimbrel::kSettings) {
    ASSERT_NE(installedPane().cell(setting.key), nullptr) << setting.key;
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
