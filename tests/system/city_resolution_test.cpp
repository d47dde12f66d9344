// Which city the backgrounds show, and the one warning a process may show when there is none.
#include "state/city_resolution.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "tests/system/addon_fixture.h"

namespace {

using nimbrel::state;

enum class Saved { missing, empty, unconvertible, valid };
enum class Cache { none, latitudeOnly, both, outOfRange };

struct ResolutionCase {
  const char* label;
  bool forLockScreen;
  bool useLocalCity;
  bool localCity;
  Saved saved;
  Cache cache;
  bool noReminder;
  bool resolves;
  const char* alert;  // none when no alert is expected
};

void PrintTo(const ResolutionCase& c, std::ostream* out) { *out << c.label; }

class CityResolution : public AddonFixture, public ::testing::WithParamInterface<ResolutionCase> {
 protected:
  void arrange(const ResolutionCase& c) {
    settings().useLocalCity = c.useLocalCity;
    settings().noReminder = c.noReminder;
    if (c.localCity) setLocalCity("Cupertino");
    switch (c.saved) {
      case Saved::missing:
        process().weather().preferencesClass()->removeSavedCities();
        break;
      case Saved::empty:
        setSavedCities({});
        break;
      case Saved::unconvertible:
        setUnconvertibleSavedCity();
        break;
      case Saved::valid:
        setSavedCities({cityData("Brussels", 50.85, 4.35)});
        break;
    }
    switch (c.cache) {
      case Cache::none:
        break;
      case Cache::latitudeOnly:
        writeCacheFile({{"lastLocalCityLatitude", 37.3}});
        break;
      case Cache::both:
        writeCacheFile({{"lastLocalCityLatitude", 37.3}, {"lastLocalCityLongitude", -122.0}});
        break;
      case Cache::outOfRange:
        writeCacheFile({{"lastLocalCityLatitude", 137.3}, {"lastLocalCityLongitude", -122.0}});
        break;
    }
  }
};

TEST_P(CityResolution, FollowsTheAlertTable) {
  const ResolutionCase& c = GetParam();
  arrange(c);
  const host::Id receiver = controller();

  EXPECT_EQ(nimbrel::resolveCity(c.forLockScreen, receiver), c.resolves);
  EXPECT_EQ(state().city != nullptr, c.resolves);
  const std::vector<std::string> expected =
      c.alert ? std::vector<std::string>{c.alert} : std::vector<std::string>{};
  EXPECT_EQ(alertTitles(), expected);
  EXPECT_EQ(state().alertShown, c.alert != nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CityResolution,
    ::testing::Values(
        ResolutionCase{"LockNoSavedListWarnsOfNoCities", true, false, false, Saved::missing,
                       Cache::none, false, false, "No weather cities"},
        ResolutionCase{"LockEmptyListWarnsEvenWithNoReminder", true, false, false, Saved::empty,
                       Cache::none, true, false, "No weather cities"},
        ResolutionCase{"LockUnconvertibleEntryWarnsOfNoLocalCity", true, false, false,
                       Saved::unconvertible, Cache::none, false, false, "No local city available"},
        ResolutionCase{"LockUnconvertibleEntryWithNoReminderIsSilent", true, false, false,
                       Saved::unconvertible, Cache::none, true, false, nullptr},
        ResolutionCase{"LockFirstSavedCity", true, false, false, Saved::valid, Cache::none, false,
                       true, nullptr},
        ResolutionCase{"LockLocalCity", true, true, true, Saved::missing, Cache::none, false, true,
                       nullptr},
        ResolutionCase{"LockNoLocalCityAndOnlyALatitudeCached", true, true, false, Saved::valid,
                       Cache::latitudeOnly, false, false, "No local city available"},
        ResolutionCase{"LockNoLocalCityFallsBackOnTheCache", true, true, false, Saved::missing,
                       Cache::both, false, true, nullptr},
        ResolutionCase{"LockCachedLatitudeOutOfRangeCountsAsMissing", true, true, false,
                       Saved::missing, Cache::outOfRange, false, false, "No local city available"},
        ResolutionCase{"LockLocalCityOffNeverReadsTheCache", true, false, false,
                       Saved::unconvertible, Cache::both, false, false, "No local city available"},
        ResolutionCase{"LockLocalCityNeverReadsTheSavedList", true, true, false, Saved::empty,
                       Cache::none, false, false, "No local city available"},
        ResolutionCase{"HomeNoSavedListWarnsOfNoCities", false, false, false, Saved::missing,
                       Cache::none, false, false, "No weather cities"},
        ResolutionCase{"HomeUnconvertibleEntryIsSilent", false, false, false, Saved::unconvertible,
                       Cache::none, false, false, nullptr},
        ResolutionCase{"HomeNeverReadsTheCache", false, true, false, Saved::missing, Cache::both,
                       false, false, nullptr},
        ResolutionCase{"HomeLocalCity", false, true, true, Saved::missing, Cache::none, false, true,
                       nullptr}),
    [](const auto& info) { return std::string(info.param.label); });

class Alerts : public AddonFixture {};

struct AlertCase {
  bool useLocalCity;
  std::string title, message;
};

TEST_F(Alerts, EitherAlertCarriesItsTextsOneOkButtonAndTheReceiverAsDelegateAndIsTaggedWhenShown) {
  const AlertCase cases[] = {
      {false, "No weather cities",
       "You disabled local city but have no cities added in the weather app. Please enable local "
       "city in the settings or add a city in the weather app."},
      {true, "No local city available",
       "This is common after a respring. Open the weather app or widget and a background will "
       "start to show. This tweak will cache the local city's location after that.\n"
       "This warning can be disabled in the settings.\n"
       "Other weather cities are not affected by resprings."},
  };
  for (const AlertCase& c : cases) {
    SCOPED_TRACE(c.title);
    relaunch();
    loadDefaultSettings();
    settings().useLocalCity = c.useLocalCity;
    const host::Id receiver = controller();
    nimbrel::resolveCity(true, receiver);
    ASSERT_EQ(process().alerts().visibleAlerts().size(), 1u);
    const auto& alert = *process().alerts().visibleAlerts().front();
    EXPECT_EQ(alert.title(), c.title);
    EXPECT_EQ(alert.message(), c.message);
    EXPECT_EQ(alert.buttonTitles(), std::vector<std::string>{"OK"});
    EXPECT_EQ(alert.cancelButtonIndex(), 0);
    EXPECT_EQ(alert.firstOtherButtonIndex(), -1);
    EXPECT_EQ(alert.tag(), 8472);
    EXPECT_EQ(alert.delegate(), receiver);
    // The record describes the alert as it was shown: a delegate answering it then must
    // already find the tag.
    const auto shown = process().record().textsIn("alert");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown.front().find(" tag 8472 delegate "), std::string::npos) << shown.front();
  }
}

TEST_F(Alerts, AtMostOneAlertOfEitherKindPerProcessAndAgainAfterARespring) {
  nimbrel::resolveCity(true, controller());  // no local city
  settings().useLocalCity = false;
  nimbrel::resolveCity(true, controller());  // no saved cities
  nimbrel::resolveCity(false, controller());
  EXPECT_EQ(alertTitles(), std::vector<std::string>{"No local city available"});

  relaunch();
  loadDefaultSettings();
  settings().useLocalCity = false;
  nimbrel::resolveCity(false, controller());
  EXPECT_EQ(alertTitles(), std::vector<std::string>{"No weather cities"});

  // A process where no alert can be made: the one try still counts.
  device().version().absentClasses = {"UIAlertView"};
  relaunch();
  loadDefaultSettings();
  nimbrel::resolveCity(true, controller());
  EXPECT_TRUE(alertTitles().empty());
  EXPECT_TRUE(state().alertShown);
}

TEST_F(Alerts, TheAlertDoesNotKeepItsDelegateAlive) {
  settings().useLocalCity = false;
  auto delegate = process().weather().newCity();
  std::weak_ptr<host::Object> watched = delegate;
  nimbrel::resolveCity(false, delegate);
  delegate.reset();
  EXPECT_TRUE(watched.expired());
}

class CachedLocation : public AddonFixture {};

TEST_F(CachedLocation, BuildsACityWithOnlyThatLocation) {
  writeCacheFile({{"lastLocalCityLatitude", 37.3}, {"lastLocalCityLongitude", "-122.5"}});
  ASSERT_TRUE(nimbrel::resolveCity(true, controller()));
  const auto* city = dynamic_cast<sim::SimCity*>(state().city.get());
  ASSERT_NE(city, nullptr);
  EXPECT_EQ(city->location()->coordinate(), (host::Coordinate{37.3, -122.5}));
  EXPECT_TRUE(city->name().empty());
  EXPECT_EQ(city->conditionCode(), 0);
}

TEST_F(CachedLocation, EntriesWithoutAFiniteNumericReadingCountAsMissing) {
  for (const host::Value& latitude : {host::Value(std::nan("")), host::Value(INFINITY),
                                      host::Value(host::Array{}), host::Value(host::Date{5})}) {
    writeCacheFile({{"lastLocalCityLatitude", latitude}, {"lastLocalCityLongitude", 4.0}});
    EXPECT_FALSE(nimbrel::resolveCity(true, controller()));
    EXPECT_EQ(state().city, nullptr);
  }
}

TEST_F(CachedLocation, AMalformedCacheFileReadsAsNoEntries) {
  createCacheFolder();
  std::ofstream(device().hostPath(nimbrel::kCacheFile)) << "<plist><dict><key>lastLocal";
  EXPECT_FALSE(nimbrel::resolveCity(true, controller()));
  EXPECT_EQ(alertTitles(), std::vector<std::string>{"No local city available"});
}

class SavedCities : public AddonFixture {};

TEST_F(SavedCities, FirstEntryIsConverted) {
  setSavedCities({cityData("Brussels", 50.85, 4.35), cityData("Ghent", 51.05, 3.72)});
  const nimbrel::SavedCityLookup saved = nimbrel::firstSavedCity();
  EXPECT_FALSE(saved.listEmpty);
  ASSERT_NE(saved.city, nullptr);
  EXPECT_EQ(saved.city->location()->coordinate(), (host::Coordinate{50.85, 4.35}));
}

TEST_F(SavedCities, AListOfAnotherTypeOrNoPreferencesClassCountsAsEmpty) {
  process().weather().preferencesClass()->setUserDefaults({{"Cities", "Brussels"}});
  EXPECT_TRUE(nimbrel::firstSavedCity().listEmpty);

  device().version().weatherClasses.weatherPreferences = false;
  relaunch();
  const nimbrel::SavedCityLookup saved = nimbrel::firstSavedCity();
  EXPECT_TRUE(saved.listEmpty);
  EXPECT_EQ(saved.city, nullptr);
}

}  // namespace
