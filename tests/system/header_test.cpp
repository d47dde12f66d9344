// The temperature-and-condition header: its controller, its place and what it
// shows.
#include "lockscreen/header.h"

#include <gtest/gtest.h>

#include <cmath>

#include "state/weather_refresh.h"
#include "tests/system/addon_fixture.h"

namespace {

using nimbrel::state;

class Header : public AddonFixture {
 protected:
  Header() {
    settings().showTemperatureAndCondition = true;
    background_ = process().weather().backgroundClass()->make(host::makeRect(0, 0, 375, 667));
    state().weatherBackground = background_;
    dateView_ = process().shell().requestDateView();
  }

  // The header as the first completed update finds it: made at insertion, then
  // taken.
  std::shared_ptr<sim::SimTodayHeaderView> takeHeader(sim::CityData data = cityData("X", 0, 0)) {
    nimbrel::createHeaderController(dateView_);
    state().city = makeCity(std::move(data));
    nimbrel::fillHeader();
    return std::dynamic_pointer_cast<sim::SimTodayHeaderView>(state().weatherHeaderView);
  }
  std::string colorOf(const std::shared_ptr<host::View>& view) {
    auto color = std::dynamic_pointer_cast<host::Label>(view)->textColor();
    return color ? dynamic_cast<sim::Color&>(*color).name() : "none";
  }
  std::string imageName(const sim::SimTodayHeaderView& header) {
    const auto& image = header.conditionsImage();
    return image ? dynamic_cast<sim::Image&>(*image).name() : "none";
  }
  sim::ImageCatalog& images() { return process().weather().imageLoaderClass()->catalog(); }

  std::shared_ptr<sim::SimWeatherBackground> background_;
  std::shared_ptr<host::DateView> dateView_;
};

TEST_F(Header, ControllerViewGoesBehindEverythingInTheDateView) {
  nimbrel::createHeaderController(dateView_);
  ASSERT_NE(state().wthrView, nullptr);
  EXPECT_EQ(dateView_->subviews().front(), state().wthrView->view());
}

TEST_F(Header, NoControllerWithoutTheSettingTheClassOrWhileAHeaderExists) {
  settings().showTemperatureAndCondition = false;
  nimbrel::createHeaderController(dateView_);
  EXPECT_EQ(state().wthrView, nullptr);

  settings().showTemperatureAndCondition = true;
  takeHeader();
  const auto subviews = dateView_->subviews().size();
  nimbrel::createHeaderController(dateView_);
  EXPECT_EQ(state().wthrView, nullptr);
  EXPECT_EQ(dateView_->subviews().size(), subviews);

  device().version().weatherClasses.platterViewController = false;
  relaunch();
  loadDefaultSettings();
  settings().showTemperatureAndCondition = true;
  nimbrel::createHeaderController(process().shell().requestDateView());
  EXPECT_EQ(state().wthrView, nullptr);
}

TEST_F(Header, FirstFillTakesTheHeaderAndLetsTheControllerGo) {
  nimbrel::createHeaderController(dateView_);
  const auto controllerView = state().wthrView->view();
  const auto header = state().wthrView->headerView();
  state().city = makeCity("X");
  nimbrel::fillHeader();
  EXPECT_EQ(state().weatherHeaderView, header);
  EXPECT_EQ(state().wthrView, nullptr);
  EXPECT_EQ(controllerView->superview(), nullptr);
  EXPECT_EQ(header->superview(), background_);
}

TEST_F(Header, FillWithoutAControllerTakesNoHeader) {
  state().city = makeCity("X");
  nimbrel::fillHeader();
  EXPECT_EQ(state().weatherHeaderView, nullptr);
}

struct OffsetCase {
  const char* label;
  double horizontal, vertical;
  host::Rect expected;  // background 375 × 667, header 130 × 106
};

void PrintTo(const OffsetCase& c, std::ostream* out) { *out << c.label; }

class HeaderLayout : public Header, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(HeaderLayout, PlacesTheHeaderByPercentOfTheFreeSpace) {
  settings().lockScreenHorizontalOffsetTemperatureCondition = GetParam().horizontal;
  settings().lockScreenVerticalOffsetTemperatureCondition = GetParam().vertical;
  auto header = takeHeader();
  ASSERT_NE(header, nullptr);
  // As a view reports a frame it was given: the platform keeps a centre and a
  // size.
  auto given = process().viewClasses().makeView(GetParam().expected);
  EXPECT_EQ(header->frame(), given->frame());
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, HeaderLayout,
    ::testing::Values(
        OffsetCase{"TopLeft", 0, 0, host::makeRect(0, 0, 130, 106)},
        OffsetCase{"BottomRight", 100, 100, host::makeRect(245, 561, 130, 106)},
        OffsetCase{"LeftCentred", 0, 50, host::makeRect(0, 280.5, 130, 106)},
        OffsetCase{"BeyondTheEdges", 150, -10, host::makeRect(367.5, -56.1, 130, 106)},
        // 14 × 245 / 100 is 34.3, 14 / 100 × 245 would be 34.300000000000004;
        // 9 × 561 / 100 is 50.49, 9 / 100 × 561 would be 50.489999999999995.
        OffsetCase{"MultipliedBeforeDivided", 14, 9, host::makeRect(34.3, 50.49, 130, 106)},
        OffsetCase{"NonFiniteLeavesTheFrameAsMade", INFINITY, 0, host::makeRect(0, 0, 359, 106)}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(Header, WidthEndsRightAfterTheTemperatureLabel) {
  nimbrel::createHeaderController(dateView_);
  auto header = state().wthrView->headerView();
  header->setFrame(host::makeRect(0, 0, 300, 90));
  header->temperatureLabel()->setFrame(host::makeRect(20, 10, 80, 40));
  state().city = makeCity("X");
  nimbrel::fillHeader();
  EXPECT_EQ(header->frame().size, (host::Size{100, 90}));
}

TEST_F(Header, WithoutABackgroundTheOffsetsMeasureFromZero) {
  state().weatherBackground.reset();
  settings().lockScreenHorizontalOffsetTemperatureCondition = 100;
  auto header = takeHeader();
  EXPECT_EQ(header->frame(), host::makeRect(-130, -53, 130, 106));
  EXPECT_EQ(header->superview(), nullptr);
  EXPECT_EQ(colorOf(header->subviews()[0]), "black") << "recoloured only when attached";
}

TEST_F(Header, OnlyTheDirectPlainLabelsTurnWhite) {
  auto header = takeHeader();
  const auto subviews = header->subviews();
  // location, line 1 and temperature are plain labels; high and low a subclass;
  // then a plain view holding line 2.
  ASSERT_EQ(subviews.size(), 6u);
  for (int i : {0, 1, 2}) EXPECT_EQ(colorOf(subviews[i]), "white") << i;
  for (int i : {3, 4}) EXPECT_EQ(colorOf(subviews[i]), "black") << i;
  EXPECT_EQ(colorOf(header->nestedLabel()), "black");
}

TEST_F(Header, ASecondFillNeitherRecoloursNorMovesButShowsTheNewWeather) {
  auto header = takeHeader(cityData("X", 0, 0));
  const host::Rect frame = header->frame();
  auto temperature = std::dynamic_pointer_cast<host::Label>(header->subviews()[2]);
  temperature->setTextColor(nullptr);
  settings().lockScreenVerticalOffsetTemperatureCondition = 0;

  sim::CityData warmer = cityData("Y", 0, 0);
  warmer.temperatureCelsius = 30.5;
  state().city = makeCity(warmer);
  nimbrel::fillHeader();
  EXPECT_EQ(temperature->textColor(), nullptr);
  EXPECT_EQ(header->frame(), frame);
  EXPECT_EQ(header->temperatureText(), "30°");
}

TEST_F(Header, ADetachedHeaderIsAttachedAndWhitenedAgain) {
  auto header = takeHeader();
  auto location = std::dynamic_pointer_cast<host::Label>(header->subviews()[0]);
  location->setTextColor(nullptr);
  header->removeFromSuperview();
  nimbrel::fillHeader();
  EXPECT_EQ(header->superview(), background_);
  EXPECT_EQ(colorOf(location), "white");
}

TEST_F(Header, ShowsNoLocationOrConditionText) {
  auto header = takeHeader(cityData("Paris", 48.85, 2.35));
  // What the Weather app's own filling would leave there is emptied at every
  // fill.
  header->setLocationName("Paris");
  header->setConditionsLine1("Sunny");
  header->setConditionsLine2("High 20");
  nimbrel::fillHeader();
  EXPECT_EQ(header->locationName(), "");
  EXPECT_EQ(header->conditionsLine1(), "");
  EXPECT_EQ(header->conditionsLine2(), "");
}

struct TemperatureCase {
  const char* label;
  std::optional<double> current;
  std::vector<double> hourly;
  bool celsius;
  const char *currentText, *highText, *lowText;
};

void PrintTo(const TemperatureCase& c, std::ostream* out) { *out << c.label; }

class HeaderTemperatures : public Header, public ::testing::WithParamInterface<TemperatureCase> {};

TEST_P(HeaderTemperatures, AreTruncatedTowardZero) {
  const TemperatureCase& c = GetParam();
  process().weather().preferences()->setCelsius(c.celsius);
  sim::CityData data = cityData("X", 0, 0);
  data.temperatureCelsius = c.current;
  data.hourlyCelsius = c.hourly;
  auto header = takeHeader(data);
  EXPECT_EQ(header->temperatureText(), c.currentText);
  EXPECT_EQ(header->highText(), c.highText);
  EXPECT_EQ(header->lowText(), c.lowText);
}

INSTANTIATE_TEST_SUITE_P(
    Readings, HeaderTemperatures,
    ::testing::Values(
        TemperatureCase{"PositiveAndNegative", 21.9, {-3.7}, true, "21°", "-3°", "-3°"},
        TemperatureCase{"AllBelowZero", -1.0, {-2.5, -7.1, -4.0}, true, "-1°", "-2°", "-7°"},
        TemperatureCase{
            "HighAndLowOverTheForecasts", 15.2, {12.0, 18.6}, true, "15°", "18°", "12°"},
        TemperatureCase{"Fahrenheit", 15.2, {12.0, 18.6}, false, "59°", "65°", "53°"},
        TemperatureCase{"NoForecastsLeaveHighAndLowEmpty", 15.2, {}, true, "15°", "", ""},
        TemperatureCase{"NoReadingIsZero", std::nullopt, {}, true, "0°", "", ""},
        TemperatureCase{"NonFiniteReadingsSaturate",
                        NAN,
                        {INFINITY, -INFINITY, 1e300},
                        true,
                        "0°",
                        "2147483647°",
                        "-2147483648°"}),
    [](const auto& info) { return std::string(info.param.label); });

struct ImageCase {
  const char* label;
  const char* indexName;
  std::vector<const char*> stored;
  const char* found;
};

void PrintTo(const ImageCase& c, std::ostream* out) { *out << c.label; }

class HeaderImage : public Header, public ::testing::WithParamInterface<ImageCase> {};

TEST_P(HeaderImage, FallsThroughFromTheSameBase) {
  const ImageCase& c = GetParam();
  images().setNameForIndex(40, c.indexName);
  for (const char* name : c.stored) images().setImage(name, true);
  sim::CityData data = cityData("X", 0, 0);
  data.conditionCode = 40;
  EXPECT_EQ(imageName(*takeHeader(data)), c.found);
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, HeaderImage,
    ::testing::Values(
        ImageCase{"AsNamed", "dusk-day-night", {"dusk-day-night-nc"}, "dusk-day-night-nc"},
        ImageCase{"UnderscoredDay", "dusk-day-night", {"dusk_day-night-nc"}, "dusk_day-night-nc"},
        ImageCase{"UnderscoredNightFromTheBase",
                  "dusk-day-night",
                  {"dusk-day_night-nc"},
                  "dusk-day_night-nc"},
        ImageCase{"NeverBothUnderscored", "dusk-day-night", {"dusk_day_night-nc"}, "none"},
        ImageCase{"AsNamedFirst",
                  "dusk-day-night",
                  {"dusk-day-night-nc", "dusk_day-night-nc", "dusk-day_night-nc"},
                  "dusk-day-night-nc"},
        ImageCase{"UnderscoredDayBeforeNight",
                  "dusk-day-night",
                  {"dusk_day-night-nc", "dusk-day_night-nc"},
                  "dusk_day-night-nc"},
        ImageCase{"NoneFound", "dusk-day-night", {}, "none"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(Header, ACodeWithoutAnImageNameShowsNoImage) {
  sim::CityData data = cityData("X", 0, 0);
  data.conditionCode = 99;  // custom weather 100: no range check
  data.temperatureCelsius = 18;
  auto header = takeHeader(data);
  EXPECT_EQ(imageName(*header), "none");
  EXPECT_EQ(header->temperatureText(), "18°") << "the rest of the header is still filled";
}

TEST_F(Header, WithoutTheImageLoaderClassTheHeaderShowsNoImageButItsTemperatures) {
  device().version().weatherClasses.imageLoader = false;
  relaunch();
  loadDefaultSettings();
  settings().showTemperatureAndCondition = true;
  background_ = process().weather().backgroundClass()->make(host::makeRect(0, 0, 375, 667));
  state().weatherBackground = background_;
  dateView_ = process().shell().requestDateView();
  sim::CityData data = cityData("X", 0, 0);
  data.temperatureCelsius = 18;
  auto header = takeHeader(data);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(imageName(*header), "none");
  EXPECT_EQ(header->temperatureText(), "18°");
}

TEST_F(Header, StandardCatalogueFindsTimeOfDayImages) {
  sim::CityData data = cityData("X", 0, 0);
  data.conditionCode = 30;  // partly cloudy (day), stored with "_day"
  EXPECT_EQ(imageName(*takeHeader(data)), "partly-cloudy_day-nc");
}

TEST_F(Header, ShowsTheReportedConditionBeforeCustomWeatherApplies) {
  settings().customWeather = 1;
  nimbrel::createHeaderController(dateView_);
  auto updated = makeCity("X");
  updated->setConditionCode(30);
  nimbrel::onWeatherUpdated(updated, nullptr);
  auto header = std::dynamic_pointer_cast<sim::SimTodayHeaderView>(state().weatherHeaderView);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(imageName(*header), "partly-cloudy_day-nc");
  EXPECT_EQ(updated->conditionCode(), 0);
}

TEST_F(Header, CompletionFillsNoHeaderWithoutTheForecastOrTheHeaderClass) {
  for (bool sim::WeatherClassSet::*absent :
       {&sim::WeatherClassSet::hourlyForecast, &sim::WeatherClassSet::todayHeaderView}) {
    device().version().weatherClasses = {};
    device().version().weatherClasses.*absent = false;
    relaunch();
    loadDefaultSettings();
    settings().showTemperatureAndCondition = true;
    nimbrel::createHeaderController(process().shell().requestDateView());
    nimbrel::onWeatherUpdated(makeCity("X"), nullptr);
    EXPECT_EQ(state().weatherHeaderView, nullptr);
    EXPECT_NE(state().wthrView, nullptr) << "the controller is left for a later fill";
  }
}

}  // namespace
