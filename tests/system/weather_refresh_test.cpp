// When the weather is fetched, and what a finished fetch changes.
#include "state/weather_refresh.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/system/addon_fixture.h"

namespace {

using nimbrel::state;
using ::testing::HasSubstr;

class WeatherRefresh : public AddonFixture {
 protected:
  std::vector<std::string> requests() { return process().record().textsIn("weather"); }
  bool refresh() { return nimbrel::refreshWeatherIfDue(controller()); }
};

TEST_F(WeatherRefresh, FirstCallRequestsTheLocalCityWithItsLocation) {
  auto local = setLocalCity("Cupertino");
  local->setAutoUpdate(true);
  local->setUpdateTime(host::Date{5});
  EXPECT_FALSE(refresh());
  EXPECT_EQ(requests(), std::vector<std::string>{"requested for Cupertino at (48.85, 2.35)"});
  EXPECT_EQ(state().lastUpdate, host::Date{now()});
  EXPECT_FALSE(local->autoUpdate());
  EXPECT_EQ(local->updateTime(), std::nullopt);
  EXPECT_EQ(state().city, nullptr) << "only the completion stores a city";
}

TEST_F(WeatherRefresh, IsDueOnlyStrictlyAfterTheInterval) {
  setLocalCity("Cupertino");
  refresh();
  advance(100);
  refresh();
  EXPECT_EQ(process().record().textsIn("weather").size(), 2u) << "the request and its completion";
  advance(0.001);
  refresh();
  EXPECT_EQ(requests().back(), "requested for Cupertino at (48.85, 2.35)");
  EXPECT_EQ(state().lastUpdate, host::Date{now()});
}

TEST_F(WeatherRefresh, ZeroIntervalRequestsAtEveryCallOnceTimeMoves) {
  settings().updateInterval = 0;
  setLocalCity("Cupertino");
  refresh();
  refresh();
  EXPECT_EQ(requests().size(), 1u);
  advance(0.5);
  refresh();
  EXPECT_EQ(requests().back(), "requested for Cupertino at (48.85, 2.35)");
}

TEST_F(WeatherRefresh, GateNeedsASwitchOrTheHeaderClasses) {
  setLocalCity("Cupertino");
  settings().enabled = false;
  settings().showTemperatureAndCondition = true;
  device().version().weatherClasses.hourlyForecast = false;
  relaunch();
  loadDefaultSettings();
  setLocalCity("Cupertino");
  settings().enabled = false;
  settings().showTemperatureAndCondition = true;
  EXPECT_FALSE(refresh());
  EXPECT_TRUE(requests().empty());

  settings().homescreenBackground = true;
  refresh();
  EXPECT_EQ(requests().size(), 1u);
}

TEST_F(WeatherRefresh, WithoutALocalCityTheShownCityItselfIsRefreshed) {
  auto shown = makeCity("Cached", 37.3, -122.0);
  shown->setAutoUpdate(true);
  state().city = shown;
  refresh();
  EXPECT_EQ(requests(), std::vector<std::string>{"requested for Cached at (37.3, -122)"});
  EXPECT_FALSE(shown->autoUpdate());
}

TEST_F(WeatherRefresh, NoSavedCityEndsTheRequestWithOneAlertAndNoRequest) {
  settings().useLocalCity = false;
  EXPECT_TRUE(refresh());
  EXPECT_TRUE(refresh());
  EXPECT_EQ(alertTitles(), std::vector<std::string>{"No weather cities"});
  const auto& alert = *process().alerts().visibleAlerts().front();
  EXPECT_EQ(alert.delegate(), controller());
  EXPECT_THAT(alert.message(), HasSubstr("add a city in the weather app"));
  EXPECT_TRUE(requests().empty());
  EXPECT_EQ(state().lastUpdate, std::nullopt);
}

TEST_F(WeatherRefresh, FirstSavedCityIsTheTargetWhenLocalCityIsOff) {
  settings().useLocalCity = false;
  setSavedCities({cityData("Brussels", 50.85, 4.35)});
  EXPECT_FALSE(refresh());
  EXPECT_EQ(requests(), std::vector<std::string>{"requested for Brussels at (50.85, 4.35)"});
}

TEST_F(WeatherRefresh, NoTargetMakesNoRequestAndLeavesLastUpdate) {
  EXPECT_FALSE(refresh());  // no local city and no shown city
  settings().useLocalCity = false;
  setUnconvertibleSavedCity();
  EXPECT_FALSE(refresh());
  EXPECT_TRUE(requests().empty());
  EXPECT_EQ(state().lastUpdate, std::nullopt);
}

class WeatherCompletion : public AddonFixture {
 protected:
  host::Id error() {
    return std::make_shared<sim::SimError>(process().weather().errorClass(), "offline");
  }
  std::shared_ptr<sim::SimWeatherBackground> background() {
    return process().weather().backgroundClass()->make(host::makeRect(0, 0, 375, 667));
  }
  void complete(std::shared_ptr<host::City> city, host::Id failure = nullptr) {
    nimbrel::onWeatherUpdated(std::move(city), std::move(failure));
  }
  sim::CityData dataOf(const std::shared_ptr<host::City>& city) {
    return dynamic_cast<sim::SimCity&>(*city).data();
  }
};

TEST_F(WeatherCompletion, SuccessShowsTheCityEverywhereAndMakesABackup) {
  auto lock = background();
  auto home = background();
  state().weatherBackground = lock;
  state().homeScreenViews = nimbrel::BackgroundList{home};
  auto updated = makeCity("Cupertino");
  complete(updated);
  EXPECT_EQ(state().city, updated);
  ASSERT_NE(state().backupCity, nullptr);
  EXPECT_NE(state().backupCity, updated);
  EXPECT_EQ(dataOf(state().backupCity), dataOf(updated));
  EXPECT_EQ(lock->city(), updated);
  EXPECT_EQ(home->city(), updated);
  EXPECT_TRUE(lock->lastBindAnimated() && home->lastBindAnimated());
}

TEST_F(WeatherCompletion, ErrorWithABackupShowsAFreshCopyOfIt) {
  auto backup = makeCity("Backup");
  state().backupCity = backup;
  state().city = makeCity("Old");
  complete(makeCity("Ignored"), error());
  ASSERT_NE(state().city, nullptr);
  EXPECT_NE(state().city, backup);
  EXPECT_EQ(dataOf(state().city), dataOf(backup));
  EXPECT_EQ(state().backupCity, backup);
}

TEST_F(WeatherCompletion, ErrorWithoutABackupKeepsTheCityAndStillCachesItsLocation) {
  createCacheFolder();
  auto shown = makeCity("Shown", 10.5, 20.25);
  state().city = shown;
  complete(makeCity("Ignored"), error());
  EXPECT_EQ(state().city, shown);
  EXPECT_EQ(state().backupCity, nullptr);
  EXPECT_EQ(cacheFile(),
            (host::Dictionary{{"lastLocalCityLatitude", 10.5}, {"lastLocalCityLongitude", 20.25}}));
}

TEST_F(WeatherCompletion, BackupIsRenewedOnlyWhenMoreThan600SecondsOld) {
  struct Case {
    std::optional<double> backupAge;
    bool renewed;
  };
  for (const Case& c :
       {Case{600, false}, Case{0, false}, Case{600.001, true}, Case{std::nullopt, true}}) {
    auto backup = makeCity("Backup");
    if (c.backupAge) backup->setUpdateTime(host::Date{now() - *c.backupAge});
    state().backupCity = backup;
    complete(makeCity("New"));
    EXPECT_EQ(state().backupCity != backup, c.renewed) << c.backupAge.value_or(-1);
  }
}

TEST_F(WeatherCompletion, CacheWriteKeepsEveryOtherKey) {
  const host::Dictionary others{{"owner", "someone else"},
                                {"count", 3},
                                {"nested", host::Dictionary{{"list", host::Array{1, "two"}}}},
                                {"lastLocalCityLatitude", 1.0}};
  writeCacheFile(others);
  complete(makeCity("Here", -33.9, 151.2));
  host::Dictionary expected = others;
  expected.insert_or_assign("lastLocalCityLatitude", -33.9);
  expected.insert_or_assign("lastLocalCityLongitude", 151.2);
  EXPECT_EQ(cacheFile(), expected);
}

TEST_F(WeatherCompletion, CacheIsWrittenOnlyWithItsFolderALocalCityAndALocationInRange) {
  complete(makeCity("Here"));
  EXPECT_FALSE(cacheFolderExists());
  EXPECT_EQ(cacheFile(), std::nullopt);

  createCacheFolder();
  sim::CityData nowhere = cityData("Nowhere", 0, 0);
  nowhere.location.reset();
  for (const sim::CityData& data :
       {nowhere, cityData("NaN", NAN, 2), cityData("Infinite", 1, INFINITY),
        cityData("PastThePole", 90.5, 2), cityData("PastTheDateLine", 1, -180.5)}) {
    complete(makeCity(data));
    EXPECT_EQ(cacheFile(), std::nullopt) << data.name;
  }
  complete(makeCity("OnBothEdges", -90, 180));
  EXPECT_EQ(cacheFile(), (host::Dictionary{{"lastLocalCityLatitude", -90.0},
                                           {"lastLocalCityLongitude", 180.0}}));
  std::filesystem::remove(device().hostPath(nimbrel::kCacheFile));
  settings().useLocalCity = false;
  complete(makeCity("Here"));
  EXPECT_EQ(cacheFile(), std::nullopt);
}

TEST_F(WeatherCompletion, CustomConditionIsAppliedBeforeTheLockScreenIsBound) {
  settings().customWeather = 5;
  auto lock = background();
  state().weatherBackground = lock;
  complete(makeCity("Here"));
  EXPECT_EQ(state().city->conditionCode(), 4);
  EXPECT_EQ(lock->drawnCondition(), 4);
  // The background drew the city as it was bound, as the record says.
  EXPECT_EQ(process().record().textsIn("bind"),
            std::vector<std::string>{"background 1 bound to Here (condition 4, night), animated"});
}

TEST_F(WeatherCompletion, DisabledLeavesTheConditionAndLockScreenButBindsTheHomeScreen) {
  settings().enabled = false;
  settings().customWeather = 5;
  auto lock = background();
  auto home = background();
  state().weatherBackground = lock;
  state().homeScreenViews = nimbrel::BackgroundList{home};
  auto updated = makeCity("Here");
  updated->setConditionCode(30);
  complete(updated);
  EXPECT_EQ(updated->conditionCode(), 30);
  EXPECT_EQ(lock->bindCount(), 0u);
  EXPECT_EQ(home->city(), updated);
}

TEST_F(WeatherCompletion, CustomWeatherOfTheLowestSettingWrapsInsteadOfOverflowing) {
  settings().customWeather = INT32_MIN;
  complete(makeCity("Here"));
  EXPECT_EQ(state().city->conditionCode(), INT32_MAX);
}

TEST_F(WeatherCompletion, NoCityAtAllWritesNothingAndRebindsNothing) {
  createCacheFolder();
  auto lock = background();
  auto home = background();
  state().weatherBackground = lock;
  state().homeScreenViews = nimbrel::BackgroundList{home};
  complete(nullptr, error());
  complete(nullptr);
  EXPECT_EQ(cacheFile(), std::nullopt);
  EXPECT_EQ(lock->bindCount(), 0u);
  EXPECT_EQ(home->bindCount(), 0u);
  EXPECT_EQ(state().backupCity, nullptr);
}

TEST_F(WeatherCompletion, ARequestCompletesThroughTheUpdaterOnTheRunLoop) {
  auto local = setLocalCity("Cupertino");
  auto lock = background();
  state().weatherBackground = lock;
  process().weather().updater()->enqueue(sim::UpdateOutcome::success({.conditionCode = 12}));
  nimbrel::refreshWeatherIfDue(controller());
  EXPECT_EQ(lock->bindCount(), 0u);
  advance(process().weather().updater()->delay());
  EXPECT_EQ(state().city, local);
  EXPECT_EQ(lock->drawnCondition(), 12);
}

}  // namespace

namespace {

std::string fileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CacheWriteFault : public WeatherCompletion,
                        public ::testing::WithParamInterface<sim::WriteFault> {};

TEST_P(CacheWriteFault, LeavesTheOldFileWholeAndTheCompletionOtherwiseUnchanged) {
  writeCacheFile(
      {{"owner", "someone else"}, {"lastLocalCityLatitude", 1.5}, {"lastLocalCityLongitude", 2.5}});
  const auto cachePath = device().hostPath(nimbrel::kCacheFile);
  const std::string before = fileBytes(cachePath);
  auto lock = background();
  state().weatherBackground = lock;

  process().files().failNextWrite(GetParam());
  auto updated = makeCity("Here", 10, 20);
  complete(updated);

  EXPECT_EQ(fileBytes(cachePath), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cachePath.parent_path()),
                          std::filesystem::directory_iterator()),
            1)
      << "no temporary file is left";
  EXPECT_EQ(state().city, updated);
  ASSERT_NE(state().backupCity, nullptr);
  EXPECT_EQ(dataOf(state().backupCity), dataOf(updated));
  EXPECT_EQ(lock->city(), updated);

  complete(updated);  // the next write goes through
  EXPECT_EQ(cacheFile(), (host::Dictionary{{"owner", "someone else"},
                                           {"lastLocalCityLatitude", 10.0},
                                           {"lastLocalCityLongitude", 20.0}}));
}

INSTANTIATE_TEST_SUITE_P(Faults, CacheWriteFault,
                         ::testing::Values(sim::WriteFault::noSpace, sim::WriteFault::renameRefused,
                                           sim::WriteFault::temporaryFile),
                         [](const auto& info) {
                           switch (info.param) {
                             case sim::WriteFault::noSpace:
                               return "NoSpace";
                             case sim::WriteFault::renameRefused:
                               return "RenameRefused";
                             default:
                               return "NoTemporaryFile";
                           }
                         });

}  // namespace
