// The simulated Weather frameworks: cities and their dictionary form, the app's
// preferences, scripted weather updates, the asset and image catalogues, the background and
// the header.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "host/methods.h"
#include "sim/services/run_loop.h"
#include "sim/views/classes.h"
#include "sim/weather/catalog.h"

namespace {

using sim::CityData;

class Weather : public ::testing::Test {
 protected:
  explicit Weather(sim::WeatherClassSet present = {})
      : catalog(runtime, views, record, sim::runLoopEnvironment(loop), present) {}

  sim::Record record{[this] { return loop.seconds(); }};
  sim::Runtime runtime{record};
  sim::RunLoop loop{record, runtime, 1000};
  sim::ViewClasses views = sim::defineViewClasses(runtime);
  sim::WeatherCatalog catalog;
};

CityData fullCity() {
  CityData city;
  city.name = "Lisbon";
  city.location = host::Coordinate{38.7223, -9.1393};
  city.conditionCode = 30;
  city.isDay = true;
  city.autoUpdate = true;
  city.updateTime = host::Date{1700000000.5};
  city.temperatureCelsius = 21.5;
  city.hourlyCelsius = {19.0, 22.25, -3.5};
  return city;
}

TEST_F(Weather, ACityBuiltFromAnotherCitysDictionaryHasEveryFieldAndADistinctIdentity) {
  auto original = catalog.newCity(fullCity());
  auto copy = catalog.newCity(original->dictionaryRepresentation());
  EXPECT_NE(copy, original);
  EXPECT_EQ(copy->data(), fullCity());
  EXPECT_EQ(copy->dictionaryRepresentation(), original->dictionaryRepresentation());
  EXPECT_EQ(copy->location()->coordinate(), (host::Coordinate{38.7223, -9.1393}));
  ASSERT_EQ(copy->hourlyForecasts().size(), 3u);
  EXPECT_EQ(copy->hourlyForecasts()[2]->temperature()->celsius(), -3.5);
}

TEST_F(Weather, AnEmptyCityHasAnEmptyDictionaryAndNoLocationTemperatureOrForecasts) {
  auto city = catalog.newCity();
  EXPECT_TRUE(city->dictionaryRepresentation().empty());
  EXPECT_EQ(city->location(), nullptr);
  EXPECT_EQ(city->temperature(), nullptr);
  EXPECT_TRUE(city->hourlyForecasts().empty());
  EXPECT_EQ(city->updateTime(), std::nullopt);
}

TEST_F(Weather, AMalformedDictionaryLeavesTheUnreadableFieldsEmpty) {
  struct Case {
    const char* what;
    host::Dictionary dictionary;
    CityData expected;
  };
  CityData latitudeOnly;
  CityData named;
  named.name = "Oslo";
  CityData integerCoordinates;
  integerCoordinates.location = host::Coordinate{50, 10};
  const std::vector<Case> cases = {
      {"latitude without longitude", {{"Lat", 10.0}}, latitudeOnly},
      {"values of the wrong types",
       {{"Name", "Oslo"},
        {"Lat", "ten"},
        {"Lon", host::Array{}},
        {"ConditionCode", "12"},
        {"IsDay", 1.0},
        {"UpdateTime", 5.0},
        {"Temperature", host::Dictionary{}},
        {"HourlyForecasts", "warm"}},
       named},
      {"integer coordinates", {{"Lat", 50}, {"Lon", 10}}, integerCoordinates},
      {"unknown keys only", {{"Woeid", 12345}}, CityData{}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(catalog.newCity(c.dictionary)->data(), c.expected) << c.what;
}

TEST_F(Weather, ForecastEntriesThatAreNotNumbersAreSkipped) {
  auto city = catalog.newCity(
      host::Dictionary{{"HourlyForecasts", host::Array{12.5, "x", 14, host::Array{}}}});
  EXPECT_EQ(city->data().hourlyCelsius, (std::vector<double>{12.5, 14.0}));
}

TEST_F(Weather, TemperaturesAnswerInBothUnitsConsistently) {
  const std::vector<std::pair<double, double>> celsiusToFahrenheit = {
      {-40, -40}, {0, 32}, {100, 212}, {21.5, 70.7}, {-3.7, 25.34}};
  for (auto [celsius, fahrenheit] : celsiusToFahrenheit) {
    CityData data;
    data.temperatureCelsius = celsius;
    auto temperature = catalog.newCity(data)->temperature();
    EXPECT_DOUBLE_EQ(temperature->celsius(), celsius);
    EXPECT_NEAR(temperature->fahrenheit(), fahrenheit, 1e-9) << celsius;
  }
}

TEST_F(Weather, SettingALocationKeepsThatVeryObject) {
  auto city = catalog.newCity();
  auto location = catalog.newLocation(1.0, 103.0);
  city->setLocation(location);
  EXPECT_EQ(city->location(), location);
  EXPECT_EQ(city->dictionaryRepresentation().at("Lat"), host::Value(1.0));
}

TEST_F(Weather, TheLocalCityFollowsItsAvailability) {
  auto preferences = catalog.preferences();
  auto local = catalog.newCity(fullCity());
  EXPECT_EQ(preferences->localWeatherCity(), nullptr);

  preferences->setLocalCity(local, sim::LocalCityAvailability::onceAppOpens);
  EXPECT_EQ(preferences->localWeatherCity(), nullptr);
  preferences->openWeatherApp();
  EXPECT_EQ(preferences->localWeatherCity(), local);
  EXPECT_EQ(preferences->localWeatherCity(), local);

  preferences->setLocalCity(local, sim::LocalCityAvailability::none);
  EXPECT_EQ(preferences->localWeatherCity(), nullptr);
}

TEST_F(Weather, TheSharedPreferencesAreOneObjectOfTheirClass) {
  auto* cls = catalog.preferencesClass();
  EXPECT_EQ(cls->sharedPreferences(), cls->sharedPreferences());
  EXPECT_TRUE(cls->sharedPreferences()->isMemberOfClass(cls));
  EXPECT_EQ(runtime.getClass("WeatherPreferences"), cls);
}

TEST_F(Weather, SavedCitiesLiveUnderCitiesAndMayBeMissing) {
  auto* cls = catalog.preferencesClass();
  EXPECT_EQ(cls->userDefaultsObjectForKey("Cities"), std::nullopt);
  cls->setSavedCities({});
  EXPECT_EQ(cls->userDefaultsObjectForKey("Cities"), host::Value(host::Array{}));
  cls->setSavedCities({toDictionary(fullCity())});
  auto saved = cls->userDefaultsObjectForKey("Cities");
  ASSERT_TRUE(saved && saved->is<host::Array>());
  auto city =
      catalog.preferences()->cityFromPreferencesDictionary(saved->get<host::Array>()->at(0));
  ASSERT_NE(city, nullptr);
  EXPECT_EQ(std::dynamic_pointer_cast<sim::SimCity>(city)->data(), fullCity());
  cls->removeSavedCities();
  EXPECT_EQ(cls->userDefaultsObjectForKey("Cities"), std::nullopt);
}

TEST_F(Weather, ASavedEntryWithoutNameOrCoordinatesConvertsToNoCity) {
  const std::vector<host::Value> malformed = {
      host::Value("Lisbon"),
      host::Value(host::Array{}),
      host::Value(host::Dictionary{}),
      host::Value(host::Dictionary{{"Name", "Lisbon"}, {"Lat", 38.7}}),
      host::Value(host::Dictionary{{"Lat", 38.7}, {"Lon", -9.1}}),
      host::Value(host::Dictionary{{"Name", 5}, {"Lat", 38.7}, {"Lon", -9.1}}),
  };
  for (const auto& entry : malformed)
    EXPECT_EQ(catalog.preferences()->cityFromPreferencesDictionary(entry), nullptr);
}

// Completion handlers are plain functions; they report here.
struct Completion {
  std::shared_ptr<host::City> city;
  host::Id error;
  double time;
};
std::vector<Completion> completions;
sim::RunLoop* handlerLoop = nullptr;
void recordCompletion(std::shared_ptr<host::City> city, host::Id error) {
  completions.push_back({std::move(city), std::move(error), handlerLoop->seconds()});
}

class Updater : public Weather {
 protected:
  void SetUp() override {
    completions.clear();
    handlerLoop = &loop;
  }
  std::shared_ptr<sim::SimCity> request(const char* name) {
    CityData data;
    data.name = name;
    data.location = host::Coordinate{1, 2};
    auto city = catalog.newCity(data);
    catalog.updaterClass()->sharedLocationUpdater()->updateWeatherForLocation(
        city->location(), city, &recordCompletion);
    return city;
  }
};

TEST_F(Updater, ARequestCompletesOnceAfterTheDelayWithTheUpdatedCity) {
  catalog.updater()->setDelay(3);
  sim::WeatherReport report{12, false, -2.5, {-1, -4}};
  catalog.updater()->enqueue(sim::UpdateOutcome::success(report));
  auto city = request("Oslo");
  EXPECT_TRUE(completions.empty());

  loop.advance(2.9);
  EXPECT_TRUE(completions.empty());
  loop.advance(7.1);
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0].city, city);
  EXPECT_EQ(completions[0].error, nullptr);
  EXPECT_EQ(completions[0].time, 1003);
  EXPECT_EQ(city->conditionCode(), 12);
  EXPECT_FALSE(city->isDay());
  EXPECT_EQ(city->temperature()->celsius(), -2.5);
  EXPECT_EQ(city->data().hourlyCelsius, (std::vector<double>{-1, -4}));
  EXPECT_EQ(city->updateTime(), host::Date{1003});
  EXPECT_EQ(catalog.updater()->pendingCount(), 0u);
}

TEST_F(Updater, RequestsCompleteInOrderWithScriptedOutcomesThenTheDefault) {
  auto* updater = catalog.updater().get();
  updater->enqueue(sim::UpdateOutcome::failure("offline"));
  updater->enqueue(sim::UpdateOutcome::success({3, true, 30, {}}));
  sim::WeatherReport fallback{44, false, 5, {4, 6}};
  updater->setDefaultOutcome(sim::UpdateOutcome::success(fallback));
  auto first = request("A");
  auto second = request("B");
  auto third = request("C");
  EXPECT_EQ(updater->pendingCount(), 3u);
  loop.advance(1000);

  ASSERT_EQ(completions.size(), 3u);
  EXPECT_EQ(completions[0].city, first);
  auto* error = dynamic_cast<sim::SimError*>(completions[0].error.get());
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->description(), "offline");
  EXPECT_EQ(error->objectClass().name(), "NSError");
  EXPECT_EQ(first->updateTime(), std::nullopt) << "a failed update leaves the city as it was";
  EXPECT_EQ(completions[1].city, second);
  EXPECT_EQ(second->conditionCode(), 3);
  EXPECT_EQ(completions[2].city, third);
  EXPECT_EQ(third->conditionCode(), 44);
  EXPECT_EQ(
      record.textsIn("weather"),
      (std::vector<std::string>{"requested for A at (1, 2)", "requested for B at (1, 2)",
                                "requested for C at (1, 2)", "failed for A at (1, 2): offline",
                                "completed for B at (1, 2): condition 3 day 30°C",
                                "completed for C at (1, 2): condition 44 night 5°C"}));
}

TEST_F(Updater, ARequestWithoutACityUpdatesANewCityAtTheLocation) {
  auto location = catalog.newLocation(50, 10);
  catalog.updater()->updateWeatherForLocation(location, nullptr, &recordCompletion);
  loop.advance(100);
  ASSERT_EQ(completions.size(), 1u);
  ASSERT_NE(completions[0].city, nullptr);
  EXPECT_EQ(completions[0].city->location(), location);
}

TEST_F(Updater, ASuccessfulReportIsForTheRequestedLocationNotTheCitysOwn) {
  CityData data;
  data.name = "Paris";
  data.location = host::Coordinate{48.85, 2.35};
  auto city = catalog.newCity(data);
  auto elsewhere = catalog.newLocation(1, 103);
  catalog.updater()->updateWeatherForLocation(elsewhere, city, &recordCompletion);
  loop.advance(10);

  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0].error, nullptr);
  EXPECT_EQ(city->location(), elsewhere) << "the city stands where the report was made";
  EXPECT_EQ(record.textsIn("weather"),
            (std::vector<std::string>{"requested for Paris at (1, 103)",
                                      "completed for Paris at (1, 103): condition 26 day 18°C"}));
}

TEST_F(Updater, AFailedRequestLeavesTheCityWhereItWas) {
  catalog.updater()->enqueue(sim::UpdateOutcome::failure("offline"));
  CityData data;
  data.location = host::Coordinate{48.85, 2.35};
  auto city = catalog.newCity(data);
  auto before = city->location();
  catalog.updater()->updateWeatherForLocation(catalog.newLocation(1, 103), city, &recordCompletion);
  loop.advance(10);
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_NE(completions[0].error, nullptr);
  EXPECT_EQ(city->location(), before);
}

TEST_F(Updater, ARequestWithoutALocationCompletesAfterTheDelayWithAnErrorAndKeepsTheScript) {
  catalog.updater()->setDelay(4);
  catalog.updater()->enqueue(sim::UpdateOutcome::success({7, true, 1, {}}));
  CityData data;
  data.name = "Oslo";
  auto city = catalog.newCity(data);
  catalog.updater()->updateWeatherForLocation(nullptr, city, &recordCompletion);
  EXPECT_TRUE(completions.empty()) << "the error comes on the run loop, not at once";
  loop.advance(3.9);
  EXPECT_TRUE(completions.empty());
  loop.advance(0.1);

  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0].city, city);
  auto* error = dynamic_cast<sim::SimError*>(completions[0].error.get());
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->description(), "no location to update the weather for");
  EXPECT_EQ(city->conditionCode(), 0) << "the city is untouched";
  EXPECT_EQ(record.textsIn("weather").back(),
            "failed for Oslo at no location: no location to update the weather for");

  request("Bergen");
  loop.advance(10);
  ASSERT_EQ(completions.size(), 2u);
  EXPECT_EQ(completions[1].city->conditionCode(), 7) << "the scripted outcome was still queued";
}

TEST_F(Updater, ARequestWithNeitherLocationNorCityHandsBackNoCityAndAnError) {
  catalog.updater()->updateWeatherForLocation(nullptr, nullptr, &recordCompletion);
  loop.advance(10);
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0].city, nullptr);
  EXPECT_NE(completions[0].error, nullptr);
}

TEST_F(Updater, NegativeOrNonFiniteDelaysAndMissingHandlersAreRefused) {
  EXPECT_THROW(catalog.updater()->setDelay(-1), std::invalid_argument);
  EXPECT_THROW(catalog.updater()->setDelay(std::numeric_limits<double>::quiet_NaN()),
               std::invalid_argument);
  EXPECT_THROW(catalog.updater()->updateWeatherForLocation(nullptr, nullptr, nullptr),
               std::logic_error);
}

TEST_F(Weather, TheAssetCatalogueHasGapsForSomeConditionsAndTimesOfDay) {
  struct Case {
    std::int64_t condition;
    bool isDay;
    std::optional<std::string> name;
  };
  const std::vector<Case> cases = {
      {26, true, "cloudy-day@2x-667h"},
      {26, false, "cloudy-night@2x-667h"},
      {0, true, std::nullopt},    // no background for a tornado
      {36, false, std::nullopt},  // nor for heat
      {32, true, "sunny-day@2x-667h"},
      {32, false, std::nullopt},  // sunny exists by day only
      {31, false, "clear-night@2x-667h"},
      {31, true, std::nullopt},  // clear night by night only
      {47, true, "isolated-thundershowers-day@2x-667h"},
      {-1, true, std::nullopt},
      {48, false, std::nullopt},
      {3200, true, std::nullopt},
  };
  auto loader = catalog.assetLoaderClass()->sharedAssetLoader();
  for (const auto& c : cases)
    EXPECT_EQ(loader->filenameForCondition(c.condition, c.isDay), c.name)
        << c.condition << (c.isDay ? " day" : " night");
  EXPECT_EQ(sim::AssetCatalog::standard().size(), 76u);
}

TEST_F(Weather, AScenarioMayAddAndRemoveAssets) {
  auto loader = catalog.assetLoader();
  loader->catalog().set(0, true, "tornado-day@2x-667h");
  loader->catalog().set(26, true, std::nullopt);
  EXPECT_EQ(loader->filenameForCondition(0, true), "tornado-day@2x-667h");
  EXPECT_EQ(loader->filenameForCondition(26, true), std::nullopt);
}

host::methods::FilenameForCondition::Imp previousFilename = nullptr;
std::optional<std::string> taggedFilename(host::AssetLoader& self, host::Selector selector,
                                          std::int64_t condition, bool isDay) {
  auto name = previousFilename(self, selector, condition, isDay);
  return name ? "hooked " + *name : name;
}

TEST_F(Weather, FilenameForConditionGoesThroughTheMethodTable) {
  auto outcome = host::methods::hookMessage<host::methods::FilenameForCondition>(
      runtime, runtime.getClass("WUIAsynchronousAssetLoader"), &taggedFilename, &previousFilename);
  EXPECT_EQ(outcome, host::HookOutcome::replaced);
  auto loader = catalog.assetLoaderClass()->sharedAssetLoader();
  EXPECT_EQ(loader->filenameForCondition(26, true), "hooked cloudy-day@2x-667h");
  EXPECT_EQ(loader->filenameForCondition(0, true), std::nullopt);
}

TEST_F(Weather, SomeConditionImagesExistOnlyUnderTheirUnderscoredSpelling) {
  auto* images = catalog.imageLoaderClass();
  struct Case {
    std::int64_t index;
    const char* name;
    const char* found;  // the first of the three spellings with an image, or none
  };
  const std::vector<Case> cases = {
      {26, "cloudy", "cloudy-nc"},
      {30, "partly-cloudy-day", "partly-cloudy_day-nc"},
      {29, "partly-cloudy-night", "partly-cloudy_night-nc"},
      {31, "clear-night", "clear-night-nc"},
      {22, "smoke", nullptr},
  };
  auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
    return text;
  };
  for (const auto& c : cases) {
    auto name = images->conditionImageNameWithConditionIndex(c.index);
    ASSERT_EQ(name, c.name);
    std::string base = *name + "-nc";
    std::optional<std::string> found;
    for (const auto& spelling :
         {base, replaced(base, "-day", "_day"), replaced(base, "-night", "_night")}) {
      if (auto image = images->conditionImageNamed(spelling)) {
        found = dynamic_cast<sim::Image&>(*image).name();
        break;
      }
    }
    EXPECT_EQ(found, c.found ? std::optional<std::string>(c.found) : std::nullopt) << c.index;
  }
  EXPECT_EQ(images->conditionImageNamed("partly-cloudy-day-nc"), nullptr);
  EXPECT_EQ(images->conditionImageNameWithConditionIndex(48), std::nullopt);
}

TEST_F(Weather, ABackgroundDrawsItsCitysWeatherWhenBoundAndAgainWhenTheBoundCityChanges) {
  auto background = catalog.backgroundClass()->make(host::makeRect(0, 0, 375, 667));
  CityData data = fullCity();
  auto city = catalog.newCity(data);
  auto other = catalog.newCity(data);
  EXPECT_EQ(background->drawnCondition(), std::nullopt);
  background->setCity(city, true);
  EXPECT_EQ(background->drawnCondition(), 30);
  other->setConditionCode(12);
  EXPECT_EQ(background->drawnCondition(), 30) << "another city's change draws nothing here";
  city->setConditionCode(4);
  city->setIsDay(false);
  city->setIsDay(false);
  EXPECT_EQ(background->drawnCondition(), 4);
  EXPECT_EQ(background->drawnIsDay(), false);
  background->setCity(other, true);
  EXPECT_EQ(background->drawnCondition(), 12);
  city->setConditionCode(20);
  EXPECT_EQ(background->drawnCondition(), 12) << "the city it left no longer redraws it";
  background->setCity(nullptr, false);
  EXPECT_EQ(background->drawnCondition(), std::nullopt);
  EXPECT_EQ(background->city(), nullptr);
  EXPECT_EQ(background->bindCount(), 3u);
  EXPECT_FALSE(background->lastBindAnimated());
  EXPECT_EQ(record.textsIn("bind"),
            (std::vector<std::string>{"background 1 bound to Lisbon (condition 30, day), animated",
                                      "background 1 redrawn for Lisbon (condition 4, day)",
                                      "background 1 redrawn for Lisbon (condition 4, night)",
                                      "background 1 bound to Lisbon (condition 12, day), animated",
                                      "background 1 unbound, not animated"}));
}

// As many binds raise as were scripted, across the class and its subclass, each before it takes
// the city; a reset forgets those still scripted.
TEST_F(Weather, ABindScriptedToRaiseRaisesOnceWithoutTakingTheCity) {
  auto background = catalog.backgroundClass()->make(host::makeRect(0, 0, 375, 667));
  auto derived = catalog.backgroundSubclass()->make(host::makeRect(0, 0, 375, 667));
  auto city = catalog.newCity(fullCity());
  catalog.backgroundClass()->raiseAtNextBind();
  catalog.backgroundSubclass()->raiseAtNextBind();
  for (auto* raising : {background.get(), derived.get()}) {
    try {
      raising->setCity(city, true);
      ADD_FAILURE() << "a bind scripted to raise took the city";
    } catch (const host::PlatformException& raised) {
      EXPECT_EQ(raised.className(), "NSException");
      EXPECT_EQ(raised.name(), "NSInternalInconsistencyException");
      EXPECT_STREQ(raised.what(), "The background cannot bind now");
    }
    EXPECT_EQ(raising->city(), nullptr);
    EXPECT_EQ(raising->bindCount(), 0u);
  }
  background->setCity(city, false);
  EXPECT_EQ(background->city(), city);
  catalog.backgroundClass()->raiseAtNextBind();
  catalog.reset();
  background->setCity(nullptr, false);
  EXPECT_EQ(record.textsIn("bind"),
            (std::vector<std::string>{
                "background 1 raised NSInternalInconsistencyException at setCity:animate:",
                "background 2 raised NSInternalInconsistencyException at setCity:animate:",
                "background 1 bound to Lisbon (condition 30, day), not animated",
                "background 1 unbound, not animated"}));
}

TEST_F(Weather, ABackgroundKeepsItsGradientLayerUntilToldOtherwise) {
  auto background = catalog.backgroundClass()->makeWithFrame(host::makeRect(0, 0, 10, 10));
  auto* sim = dynamic_cast<sim::SimWeatherBackground*>(background.get());
  EXPECT_TRUE(sim->hasGradientLayer());
  background->setGradientLayer(false);
  EXPECT_FALSE(sim->hasGradientLayer());
  EXPECT_EQ(background->frame(), host::makeRect(0, 0, 10, 10));
}

TEST_F(Weather, TheBackgroundSubclassIsNotAMemberOfTheBackgroundClass) {
  auto* base = catalog.backgroundClass();
  auto* subclass = catalog.backgroundSubclass();
  auto plain = base->makeWithFrame({});
  auto derived = subclass->makeWithFrame({});
  EXPECT_TRUE(plain->isMemberOfClass(base));
  EXPECT_FALSE(derived->isMemberOfClass(base));
  EXPECT_TRUE(derived->isMemberOfClass(subclass));
  EXPECT_EQ(subclass->superclass(), base);
  EXPECT_EQ(dynamic_cast<sim::SimWeatherBackground&>(*derived).number(), 2);
}

TEST_F(Weather, ThePlatterHoldsAHeaderWithExactLabelsASubclassAndANestedLabel) {
  auto controller = catalog.platterClass()->make();
  auto header = controller->headerView();
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->superview(), controller->view());
  EXPECT_EQ(header->objectClass().name(), "WATodayHeaderView");
  EXPECT_EQ(header->temperatureLabel()->frame(), host::makeRect(20, 40, 110, 58));
  EXPECT_EQ(header->temperatureLabel()->superview(), header);

  std::vector<std::string> classes;
  for (const auto& view : header->subviews()) classes.emplace_back(view->objectClass().name());
  EXPECT_EQ(classes, (std::vector<std::string>{"UILabel", "UILabel", "UILabel", "WAHighLowLabel",
                                               "WAHighLowLabel", "UIView"}));
  auto nested = header->subviews().back()->subviews();
  ASSERT_EQ(nested.size(), 1u);
  EXPECT_EQ(nested[0]->objectClass().name(), "UILabel");
}

TEST_F(Weather, TheHeaderSettersStoreTheirTextsAndImage) {
  auto controller = catalog.platterClass()->make();
  auto header = std::dynamic_pointer_cast<sim::SimTodayHeaderView>(controller->headerView());
  auto image = catalog.imageLoaderClass()->conditionImageNamed("cloudy-nc");
  header->setConditionsImage(image);
  header->setLocationName("Cupertino");
  header->setConditionsLine1("a");
  header->setConditionsLine2("b");
  header->setTemperature("21°");
  header->setTemperatureHigh("23°");
  header->setTemperatureLow("-3°");
  EXPECT_EQ(header->conditionsImage(), image);
  EXPECT_EQ(header->locationName(), "Cupertino");
  EXPECT_EQ(std::dynamic_pointer_cast<sim::Label>(header->subviews().front())->text(), "Cupertino");
  EXPECT_EQ(header->conditionsLine1(), "a");
  EXPECT_EQ(header->conditionsLine2(), "b");
  EXPECT_EQ(header->nestedLabel()->text(), "b");
  EXPECT_EQ(header->temperatureLabel()->text(), "21°");
  EXPECT_EQ(header->highText(), "23°");
  EXPECT_EQ(header->lowText(), "-3°");
}

TEST_F(Weather, TheHeaderRemembersTheNameOfItsConditionImage) {
  auto controller = catalog.platterClass()->make();
  auto header = std::dynamic_pointer_cast<sim::SimTodayHeaderView>(controller->headerView());
  EXPECT_EQ(header->conditionsImageName(), std::nullopt);
  header->setConditionsImage(catalog.imageLoaderClass()->conditionImageNamed("clear_night-nc"));
  EXPECT_EQ(header->conditionsImageName(), "clear_night-nc");
  header->setConditionsImage(nullptr);
  EXPECT_EQ(header->conditionsImageName(), std::nullopt);
}

TEST_F(Weather, TheHeaderNamesEachOfItsLabelsAndTheyStartBlack) {
  auto controller = catalog.platterClass()->make();
  auto header = std::dynamic_pointer_cast<sim::SimTodayHeaderView>(controller->headerView());
  header->setTemperatureHigh("23°");
  std::vector<std::string> names;
  for (const auto& [name, label] : header->labels()) {
    names.push_back(name);
    EXPECT_EQ(sim::colorName(label->textColor().get()), "black") << name;
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"location", "line1", "temperature", "high", "low", "line2"}));
  EXPECT_EQ(header->labels()[3].second->text(), "23°");
}

class WeatherWithoutOptionalClasses : public Weather {
 protected:
  WeatherWithoutOptionalClasses()
      : Weather(sim::WeatherClassSet{false, false, false, false, false, false, false, false}) {}
};

TEST_F(WeatherWithoutOptionalClasses, AbsentClassesAreNotFoundByName) {
  for (const char* name :
       {"WeatherPreferences", "TWCLocationUpdater", "WUIDynamicWeatherBackground",
        "WUIDynamicWeatherBackgroundSubclass", "WUIAsynchronousAssetLoader", "WeatherImageLoader",
        "WAWeatherPlatterViewController", "WATodayHeaderView", "WAHourlyForecast"}) {
    EXPECT_FALSE(runtime.classExists(name)) << name;
    EXPECT_EQ(runtime.getClass(name), nullptr) << name;
  }
  EXPECT_EQ(catalog.preferences(), nullptr);
  EXPECT_EQ(catalog.updater(), nullptr);
  EXPECT_EQ(catalog.assetLoader(), nullptr);
  for (const char* name : {"City", "CLLocation", "WFTemperature", "NSError"})
    EXPECT_TRUE(runtime.classExists(name)) << name;
}

TEST_F(WeatherWithoutOptionalClasses, ForecastsComeFromTheOlderClass) {
  CityData data;
  data.hourlyCelsius = {1};
  EXPECT_EQ(catalog.newCity(data)->hourlyForecasts()[0]->objectClass().name(), "WFHourlyForecast");
}

class WeatherWithoutHeader : public Weather {
 protected:
  WeatherWithoutHeader() : Weather(headerless()) {}
  static sim::WeatherClassSet headerless() {
    sim::WeatherClassSet present;
    present.todayHeaderView = false;
    return present;
  }
};

TEST_F(WeatherWithoutHeader, APlatterControllerHasNoHeader) {
  EXPECT_FALSE(runtime.classExists("WATodayHeaderView"));
  auto controller = catalog.platterClass()->make();
  EXPECT_NE(controller->view(), nullptr);
  EXPECT_EQ(controller->headerView(), nullptr);
}

}  // namespace
