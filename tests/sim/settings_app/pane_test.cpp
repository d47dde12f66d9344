// The Settings app's reading of a pane: what each cell needs, what it shows for the domain,
// and which taps it refuses.
#include "sim/settings_app/pane.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>

#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>

#include "sim/foundation/property_list.h"

namespace {

using host::Array;
using host::Dictionary;
using host::Value;
using testing::HasSubstr;

Dictionary keyed(const char* cell, const char* key, Value fallback) {
  return {{"cell", cell},
          {"key", key},
          {"defaults", "be.quorvane.nimbrel"},
          {"default", std::move(fallback)},
          {"PostNotification", "be.quorvane.nimbrel/preferences.changed"}};
}

// A pane with one cell of each kind: a switch, a list of three, a slider in steps of 10.
Dictionary samplePane() {
  Dictionary toggle = keyed("PSSwitchCell", "enabled", true);
  toggle.emplace("label", "Weather on Lock Screen");
  Dictionary list = keyed("PSLinkListCell", "customWeather", std::int64_t{0});
  list.emplace("label", "Custom Weather");
  list.emplace("detail", "PSListItemsController");
  list.emplace("validTitles", Array{"Off", "Rain", "Sunny"});
  list.emplace("validValues", Array{std::int64_t{0}, std::int64_t{13}, std::int64_t{33}});
  Dictionary slider = keyed("PSSliderCell", "updateInterval", 100.0);
  slider.emplace("min", 10.0);
  slider.emplace("max", 1800.0);
  slider.emplace("isSegmented", true);
  slider.emplace("segmentCount", std::int64_t{179});
  Dictionary lockScreen = {{"cell", "PSGroupCell"}, {"label", "Lock Screen"}};
  Dictionary interval = {{"cell", "PSGroupCell"}, {"label", "Update Interval"}};
  return {{"entry", Dictionary{{"cell", "PSLinkCell"}, {"label", "Nimbrel"}}},
          {"title", "Nimbrel"},
          {"items", Array{lockScreen, toggle, interval, slider, list}}};
}

Dictionary& item(Dictionary& pane, std::size_t index) {
  return *(*pane.at("items").get<Array>())[index].get<Dictionary>();
}

struct BadPane {
  const char* what;
  std::function<void(Dictionary&)> spoil;
  const char* message;
};

class PaneReading : public testing::TestWithParam<BadPane> {};

TEST_P(PaneReading, RefusesAPaneTheSettingsAppCouldNotUseAndSaysWhere) {
  Dictionary pane = samplePane();
  GetParam().spoil(pane);
  try {
    sim::readPane(pane);
    FAIL() << "read without complaint";
  } catch (const sim::PaneError& e) {
    EXPECT_THAT(e.what(), HasSubstr(GetParam().message));
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachMissingOrWrongKey, PaneReading,
    testing::Values(
        BadPane{"entry", [](Dictionary& p) { p.erase("entry"); }, "has no entry"},
        BadPane{"entryCell",
                [](Dictionary& p) {
                  p.at("entry").get<Dictionary>()->insert_or_assign("cell", "PSButtonCell");
                },
                "is not a PSLinkCell"},
        BadPane{"title", [](Dictionary& p) { p.erase("title"); }, "has no title"},
        BadPane{"key", [](Dictionary& p) { item(p, 1).erase("key"); }, "item 1 has no key"},
        BadPane{"domain", [](Dictionary& p) { item(p, 1).erase("defaults"); }, "has no defaults"},
        BadPane{"notification", [](Dictionary& p) { item(p, 1).erase("PostNotification"); },
                "has no PostNotification"},
        BadPane{"label", [](Dictionary& p) { item(p, 1).erase("label"); }, "item 1 has no label"},
        BadPane{"switchDefault",
                [](Dictionary& p) { item(p, 1).insert_or_assign("default", std::int64_t{1}); },
                "needs a boolean default"},
        BadPane{"sliderBounds", [](Dictionary& p) { item(p, 3).insert_or_assign("min", 1800.0); },
                "needs a min below its max"},
        BadPane{"sliderDefault",
                [](Dictionary& p) { item(p, 3).insert_or_assign("default", 105.0); },
                "between two of its positions"},
        BadPane{"segments", [](Dictionary& p) { item(p, 3).erase("segmentCount"); },
                "has no segmentCount"},
        BadPane{"detail", [](Dictionary& p) { item(p, 4).erase("detail"); }, "has no detail"},
        BadPane{"titles",
                [](Dictionary& p) {
                  item(p, 4).insert_or_assign("validTitles", Array{"Off", "Rain"});
                },
                "2 titles for 3 values"},
        BadPane{"sameTitle",
                [](Dictionary& p) {
                  item(p, 4).insert_or_assign("validTitles", Array{"Off", "rain", "Rain"});
                },
                "offers 'Rain' twice"},
        BadPane{"listDefault",
                [](Dictionary& p) { item(p, 4).insert_or_assign("default", std::int64_t{7}); },
                "needs a default among its values"},
        BadPane{"sameKey", [](Dictionary& p) { item(p, 4).insert_or_assign("key", "enabled"); },
                "writes enabled, as an earlier cell does"},
        BadPane{"cellKind",
                [](Dictionary& p) { item(p, 1).insert_or_assign("cell", "PSEditTextCell"); },
                "which this simulation does not model"}),
    [](const testing::TestParamInfo<BadPane>& info) { return std::string(info.param.what); });

class PaneCells : public testing::Test {
 protected:
  sim::SettingsPane pane_ = sim::readPane(samplePane());
  const sim::PaneCell& toggle_ = *pane_.cell("enabled");
  const sim::PaneCell& list_ = *pane_.cell("customWeather");
  const sim::PaneCell& slider_ = *pane_.cell("updateInterval");
};

TEST_F(PaneCells, AreGroupedUnderTheirHeadersAndASliderIsNamedByItsGroup) {
  ASSERT_EQ(pane_.groups.size(), 2u);
  EXPECT_EQ(pane_.groups[0].header, "Lock Screen");
  EXPECT_EQ(pane_.groups[1].cells.size(), 2u);
  EXPECT_EQ(slider_.label, "Update Interval");
  EXPECT_EQ(slider_.step(), 10.0);
  EXPECT_EQ(pane_.cell("noReminder"), nullptr);
}

TEST_F(PaneCells, ShowTheStoredValueOrTheirDefault) {
  EXPECT_TRUE(sim::shownSwitch(toggle_, {}));
  EXPECT_FALSE(sim::shownSwitch(toggle_, {{"enabled", "no"}}));
  EXPECT_TRUE(sim::shownSwitch(toggle_, {{"enabled", Array{}}})) << "no reading: the default";
  EXPECT_EQ(sim::shownChoice(list_, {}), 0u);
  EXPECT_EQ(sim::shownChoice(list_, {{"customWeather", 33.0}}), 2u) << "numbers by value";
  EXPECT_EQ(sim::shownChoice(list_, {{"customWeather", "33"}}), std::nullopt) << "not a number";
  EXPECT_EQ(sim::shownChoice(list_, {{"customWeather", std::int64_t{5}}}), std::nullopt);
  EXPECT_EQ(sim::shownSliderValue(slider_, {}), 100.0);
  EXPECT_EQ(sim::shownSliderValue(slider_, {{"updateInterval", std::int64_t{5000}}}), 1800.0);
  EXPECT_EQ(sim::shownSliderValue(slider_,
                                  {{"updateInterval", std::numeric_limits<double>::quiet_NaN()}}),
            10.0);
}

TEST_F(PaneCells, TapsWriteWhatTheSettingsAppWrites) {
  EXPECT_EQ(sim::toggleValue(toggle_, {}), Value(false));
  EXPECT_EQ(sim::toggleValue(toggle_, {{"enabled", false}}), Value(true));
  EXPECT_EQ(sim::chooseValue(list_, "sunny"), Value(std::int64_t{33}));
  EXPECT_EQ(sim::slideValue(slider_, 300), Value(300.0));
  EXPECT_EQ(sim::writableValues(toggle_).size(), 2u);
  EXPECT_EQ(sim::writableValues(list_), list_.values);
  std::vector<Value> positions = sim::writableValues(slider_);
  ASSERT_EQ(positions.size(), 180u);
  EXPECT_EQ(positions.front(), Value(10.0));
  EXPECT_EQ(positions.back(), Value(1800.0));
}

TEST_F(PaneCells, RefuseTapsThePaneDoesNotOffer) {
  auto message = [](const std::function<void()>& tap) -> std::string {
    try {
      tap();
    } catch (const sim::PaneTapError& e) {
      return e.what();
    }
    return "accepted";
  };
  EXPECT_THAT(message([&] { sim::toggleValue(slider_, {}); }),
              HasSubstr("updateInterval is a slider in the settings pane, not a switch"));
  EXPECT_THAT(
      message([&] { sim::chooseValue(list_, "Blizzard"); }),
      HasSubstr("'Blizzard' is not offered for customWeather; the list offers Off, Rain, Sunny"));
  EXPECT_THAT(message([&] { sim::slideValue(slider_, 105); }),
              HasSubstr("moves in steps of 10 from 10 to 1800: 105 is not one of its positions"));
  EXPECT_THAT(message([&] { sim::slideValue(slider_, 2000); }), HasSubstr("goes from 10 to 1800"));
  EXPECT_THAT(message([&] { sim::slideValue(slider_, std::nan("")); }), HasSubstr("not to nan"));
}

TEST(PaneFile, IsFoundOnlyUnderItsEntrysLabel) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("nimbrel-pane-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const auto xml = sim::xmlPropertyList(samplePane());
  ASSERT_TRUE(xml);
  for (const char* name : {"Nimbrel.plist", "Settings.plist"}) std::ofstream(folder / name) << *xml;
  EXPECT_EQ(sim::loadPane(folder / "Nimbrel.plist").entryLabel, "Nimbrel");
  EXPECT_THROW(
      {
        try {
          sim::loadPane(folder / "Settings.plist");
        } catch (const sim::PaneError& e) {
          EXPECT_THAT(e.what(), HasSubstr("the loader finds it only as Nimbrel.plist"));
          throw;
        }
      },
      sim::PaneError);
  EXPECT_THROW(sim::loadPane(folder / "Missing.plist"), sim::PaneError);
  std::filesystem::remove_all(folder);
}

}  // namespace
