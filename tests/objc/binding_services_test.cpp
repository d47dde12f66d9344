// Messages to the shell's and the Weather frameworks' objects carry their arguments, and the
// platform's services (views, cities, random draws, alerts, notifications) are the runtime's own.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "objc/binding/bound.h"
#include "objc/runtime/geometry.h"
#include "objc/seam/stand_ins.h"
#include "tests/objc/binding_test.h"

namespace {

using namespace nimbrel::objc;
using namespace nimbrel::objc::test;

// Reads a string property of a test-shell object.
std::string textOf(id object, SEL getter) {
  return stringFrom(send<id>(object, getter)).value_or("(none)");
}

TEST_F(ObjcBinding, MessagesCarryTheirArgumentsToTheObject) {
  auto controller =
      host::lookUpClass<host::PlatterViewControllerClass>("WAWeatherPlatterViewController")->make();
  std::shared_ptr<host::TodayHeaderView> header = controller->headerView();
  ASSERT_NE(header, nullptr);
  struct Row {
    void (host::TodayHeaderView::*setter)(const std::string&);
    SEL getter;
    const char* text;
  } rows[] = {
      {&host::TodayHeaderView::setLocationName, sel<"locationName">(), "Ghent"},
      {&host::TodayHeaderView::setConditionsLine1, sel<"conditionsLine1">(), "line one"},
      {&host::TodayHeaderView::setConditionsLine2, sel<"conditionsLine2">(), "line two"},
      {&host::TodayHeaderView::setTemperature, sel<"temperature">(), "21°"},
      {&host::TodayHeaderView::setTemperatureHigh, sel<"temperatureHigh">(), "25°"},
      {&host::TodayHeaderView::setTemperatureLow, sel<"temperatureLow">(), "-3°"},
  };
  for (const Row& row : rows) {
    ((*header).*row.setter)(row.text);
    EXPECT_EQ(textOf(unwrap(header), row.getter), row.text);
  }

  auto background = host::lookUpClass<host::WeatherBackgroundClass>("WUIDynamicWeatherBackground")
                        ->makeWithFrame(host::makeRect(0, 0, 10, 10));
  for (bool enabled : {true, false}) {
    background->setGradientLayer(enabled);
    EXPECT_EQ(send<BOOL>(unwrap(background), sel<"gradientLayer">()), BOOL(enabled));
  }

  // The subviews of a container in the order they are drawn: the last is in front.
  auto newView = [] {
    return wrapAs<host::View>(Owned(send<id>(classNamed("UIView"), sel<"new">())).get());
  };
  auto container = newView();
  auto first = newView();
  auto last = newView();
  container->addSubview(first);
  container->addSubview(last);
  const host::Subviews drawn = container->subviews();
  ASSERT_EQ(std::vector(drawn.begin(), drawn.end()),
            (std::vector<std::shared_ptr<host::View>>{first, last}));
  container->bringSubviewToFront(first);
  EXPECT_EQ(container->subviews().back(), first);
  container->sendSubviewToBack(last);
  EXPECT_EQ(container->subviews().front(), last);
  EXPECT_TRUE(first->isDescendantOfView(container.get()));
  EXPECT_FALSE(container->isDescendantOfView(first.get()));
}

// A temperature reads in the unit asked for, whichever unit the Weather app shows: each
// reading is the framework's own, and the app's unit is read as it is set.
TEST_F(ObjcBinding, TemperaturesReadInTheUnitAskedForWhicheverUnitTheAppShows) {
  std::shared_ptr<host::City> city = host::platform().factory().newCity();
  id hourly = send<id>(classNamed("NSMutableArray"), sel<"array">());
  for (double celsius : {-4.25, 30.0})
    send<void>(hourly, sel<"addObject:">(),
               send<id>(classNamed("NSNumber"), sel<"numberWithDouble:">(), celsius));
  send<void>(unwrap(city), sel<"setCelsius:hourlyCelsius:">(), 21.5, hourly);
  std::vector<std::shared_ptr<host::Temperature>> temperatures{city->temperature()};
  for (const auto& forecast : city->hourlyForecasts())
    temperatures.push_back(forecast->temperature());
  ASSERT_EQ(temperatures.size(), 3u);

  auto preferences =
      host::lookUpClass<host::WeatherPreferencesClass>("WeatherPreferences")->sharedPreferences();
  for (const bool celsius : {true, false}) {
    SCOPED_TRACE(celsius ? "the app in Celsius" : "the app in Fahrenheit");
    TSSetCelsius(celsius);
    EXPECT_EQ(preferences->isCelsius(), celsius);
    for (const auto& temperature : temperatures) {
      const id reading = unwrap(temperature);
      EXPECT_EQ(temperature->celsius(), send<double>(reading, sel<"celsius">()));
      EXPECT_EQ(temperature->fahrenheit(), send<double>(reading, sel<"fahrenheit">()));
    }
  }
}

// A view's geometry reads as UIKit answers it, and a point converts as UIKit converts it, to
// and from views and the window. The views are moved and one is scaled, so that no two of
// them, nor any and the window, share coordinates.
TEST_F(ObjcBinding, ViewGeometryAndPointsAreUIKitsOwnAnswers) {
  const auto newView = [](const CGRect& frame) {
    return wrapAs<host::View>(Owned(send<id>(send<id>(classNamed("UIView"), sel<"alloc">()),
                                             sel<"initWithFrame:">(), frame))
                                  .get());
  };
  auto window = wrapAs<host::View>(shell_.window);
  auto outer = newView({{10, 20}, {100, 200}});
  auto inner = newView({{3, 5}, {30, 40}});
  auto beside = newView({{40, 7}, {10, 10}});
  window->addSubview(outer);
  window->addSubview(beside);
  outer->addSubview(inner);
  outer->setTransform({2, 0, 0, 2, 0, 0});
  send<void>(unwrap(inner), sel<"setBounds:">(), CGRect{{-6, 4}, {30, 40}});
  inner->setAlpha(0.25);
  inner->setHidden(true);
  inner->setTag(9);

  for (const auto& view : {outer, inner, beside}) {
    const id uikit = unwrap(view);
    EXPECT_EQ(view->frame(), toHost(send<CGRect>(uikit, sel<"frame">())));
    EXPECT_EQ(view->bounds(), toHost(send<CGRect>(uikit, sel<"bounds">())));
    EXPECT_EQ(view->center(), toHost(send<CGPoint>(uikit, sel<"center">())));
    EXPECT_EQ(view->transform(), toHost(send<CGAffineTransform>(uikit, sel<"transform">())));
    EXPECT_EQ(view->alpha(), send<double>(uikit, sel<"alpha">()));
    EXPECT_EQ(view->isHidden(), send<BOOL>(uikit, sel<"isHidden">()) == YES);
    EXPECT_EQ(view->tag(), send<long>(uikit, sel<"tag">()));
  }

  const std::shared_ptr<host::View> none;
  struct Row {
    const char* name;
    std::shared_ptr<host::View> from, to;
  } rows[] = {
      {"inner to outer", inner, outer},   {"outer to inner", outer, inner},
      {"inner to beside", inner, beside}, {"beside to inner", beside, inner},
      {"inner to window", inner, window}, {"window to inner", window, inner},
      {"inner to none", inner, none},
  };
  const host::Point point{1.5, -2};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const CGPoint uikit = send<CGPoint>(unwrap(row.from), sel<"convertPoint:toView:">(),
                                        toPlatform(point), unwrap(row.to));
    EXPECT_EQ(row.from->convertPointToView(point, row.to.get()), toHost(uikit));
  }
}

TEST_F(ObjcBinding, CitySettersReachTheCityAndAnUpdateCompletesOnTheCityAskedFor) {
  host::Factory& factory = host::platform().factory();
  std::shared_ptr<host::City> city = factory.newCity();
  ASSERT_NE(city, nullptr);
  const id object = unwrap(city);
  city->setConditionCode(37);
  EXPECT_EQ(send<long>(object, sel<"conditionCode">()), 37);
  for (bool value : {true, false}) {
    city->setIsDay(value);
    EXPECT_EQ(send<BOOL>(object, sel<"isDay">()), BOOL(value));
    city->setAutoUpdate(value);
    EXPECT_EQ(send<BOOL>(object, sel<"autoUpdate">()), BOOL(value));
  }
  city->setUpdateTime(host::Date{1000});
  EXPECT_EQ(city->updateTime(), host::Date{1000});
  city->setUpdateTime(std::nullopt);
  EXPECT_EQ(send<id>(object, sel<"updateTime">()), nullptr);
  auto location = factory.newLocation(50.5, 4.25);
  city->setLocation(location);
  EXPECT_EQ(city->location(), location);

  static std::shared_ptr<host::City> completed;
  auto updater =
      host::lookUpClass<host::LocationUpdaterClass>("TWCLocationUpdater")->sharedLocationUpdater();
  updater->updateWeatherForLocation(
      location, city, [](std::shared_ptr<host::City> c, host::Id) { completed = std::move(c); });
  TSRunLoop(0.1);
  EXPECT_EQ(TSPendingUpdates(), 0);
  EXPECT_EQ(completed, city) << "the framework updates the city it was given";
  completed.reset();
}

TEST_F(ObjcBinding, RandomDrawsSpreadBelowTheirBound) {
  std::set<std::uint32_t> drawn;
  for (int i = 0; i < 500; ++i) {
    const std::uint32_t value = host::platform().random().uniform(48);
    ASSERT_LT(value, 48u);
    drawn.insert(value);
  }
  EXPECT_GT(drawn.size(), 24u);
}

// The initialiser is variadic: called through its own type, every title arrives, the first
// further one through the nil-terminated list and the rest added after.
TEST_F(ObjcBinding, AnAlertCarriesItsTitlesAndEveryButton) {
  auto delegate = wrap(shell_.dateViewController);
  auto alert = host::platform().alerts().makeAlert("No weather cities", "Add one", delegate, "OK",
                                                   {"Settings", "Later", "Never"});
  ASSERT_NE(alert, nullptr);
  id made = unwrap(alert);
  EXPECT_EQ(stringFrom(send<id>(made, sel<"title">())), "No weather cities");
  EXPECT_EQ(send<id>(made, sel<"delegate">()), shell_.dateViewController);
  ASSERT_EQ(send<long>(made, sel<"numberOfButtons">()), 4);
  std::vector<std::string> titles;
  for (long i = 0; i < 4; ++i)
    titles.push_back(stringFrom(send<id>(made, sel<"buttonTitleAtIndex:">(), i)).value_or("?"));
  EXPECT_EQ(titles, (std::vector<std::string>{"OK", "Settings", "Later", "Never"}));
}

// The shell process writes its trace from these reports, so each comes from the stand-in as it
// acts: a post tells how many observers it is about to call, the original +_allowsParallax
// what it answers, an alert its own dismissal.
TEST_F(ObjcBinding, TheStandInsTellWhatTheyDoAsTheyDoIt) {
  static std::vector<std::string> told;
  told.clear();
  TSSetCallObserver([](const char* selector, id, long integer, BOOL flag, id) {
    const std::string name = selector;
    if (name == "_allowsParallax" || name.starts_with("dismiss"))
      told.push_back(name + " " + std::to_string(integer) + (flag ? " YES" : " NO"));
  });
  TSSetNotifyObserver(
      [](const char* call, const char* name, int token, std::uint64_t, std::uint32_t) {
        told.push_back(std::string(call) + " " + name + " " + std::to_string(token));
      });
  host::platform().darwinNotifyCenter().addObserver(
      &told,
      [](host::NotificationCenter*, void*, const char*, const void*, const host::Dictionary*) {
        told.push_back("called");
      },
      "a.b", nullptr, host::SuspensionBehavior::hold);
  nimbrel_darwin_post("a.b");
  nimbrel_darwin_post("nobody");
  TSSetAllowsParallax(NO);
  EXPECT_FALSE(send<BOOL>(classNamed("SBFStaticWallpaperView"), sel<"_allowsParallax">()));
  auto alert = host::platform().alerts().makeAlert("Title", "", nullptr, "OK", {"Later"});
  alert->show();
  id shown = unwrap(alert);
  EXPECT_TRUE(send<BOOL>(shown, sel<"isVisible">()));
  send<void>(shown, sel<"dismissWithClickedButtonIndex:animated:">(), 1l, BOOL(NO));
  EXPECT_FALSE(send<BOOL>(shown, sel<"isVisible">()));
  EXPECT_EQ(send<unsigned long>(TSVisibleAlerts(), sel<"count">()), 0u);
  TSSetCallObserver(nullptr);
  TSSetNotifyObserver(nullptr);
  EXPECT_EQ(told,
            (std::vector<std::string>{"observe a.b 3", "post a.b 0", "deliver a.b 1", "called",
                                      "post nobody 0", "deliver nobody 0", "_allowsParallax 0 NO",
                                      "dismissWithClickedButtonIndex:animated: 1 NO"}));
}

// Which structures Apple's runtime sends with objc_msgSend_stret on x86-64 (the phone's
// simulator): those returned in memory. arm64 has one send for all.
static_assert(returnedInMemoryOnX86_64<CGRect>());
static_assert(returnedInMemoryOnX86_64<CGAffineTransform>());
static_assert(!returnedInMemoryOnX86_64<CGPoint>());
static_assert(!returnedInMemoryOnX86_64<CLLocationCoordinate2D>());
static_assert(!returnedInMemoryOnX86_64<double>());
static_assert(!returnedInMemoryOnX86_64<id>());
static_assert(!returnedInMemoryOnX86_64<void>());

TEST_F(ObjcBinding, NotificationsAndNotifyStateReachTheAddonsCallbacks) {
  static std::vector<std::string> delivered;
  static int observer = 0;
  static int object = 0;
  host::platform().darwinNotifyCenter().addObserver(
      &observer,
      [](host::NotificationCenter* center, void* seenObserver, const char* name,
         const void* seenObject, const host::Dictionary*) {
        EXPECT_EQ(center, &host::platform().darwinNotifyCenter());
        EXPECT_EQ(seenObserver, &observer);
        EXPECT_EQ(seenObject, &object);
        delivered.push_back(name);
      },
      "a.b", &object, host::SuspensionBehavior::deliverImmediately);
  nimbrel_darwin_post("a.b");
  nimbrel_darwin_post("other");
  EXPECT_EQ(delivered, std::vector<std::string>{"a.b"});

  int token = -1;
  int otherToken = -1;
  host::NotifyState& notify = host::platform().notifyState();
  ASSERT_EQ(notify.registerCheck("other state", &otherToken), host::notify::ok);
  ASSERT_EQ(notify.registerCheck("state", &token), host::notify::ok);
  notify_set_state(token, 42);
  std::uint64_t state = 0;
  EXPECT_EQ(notify.getState(token, &state), host::notify::ok);
  EXPECT_EQ(state, 42u);
  EXPECT_EQ(notify.getState(otherToken, &state), host::notify::ok);
  EXPECT_EQ(state, 0u) << "each token reads its own name's state";
  EXPECT_EQ(notify.cancel(token), host::notify::ok);
  EXPECT_EQ(notify.getState(token, &state), host::notify::invalidToken);
}

}  // namespace
