// The add-on library built with the Objective-C binding, loaded into a process named
// SpringBoard the way the hook engine loads it, driven through a day by the test shell. Only
// messages, the test shell's controls and the add-on's exported symbols are used to observe.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "host/services.h"
#include "host/weather.h"
#include "objc/runtime/geometry.h"
#include "tests/objc/completion_threads.h"
#include "tests/objc/shell_process.h"

namespace {

using shell_process::classNamed;
using shell_process::msg;
using shell_process::Pool;
using shell_process::text;

id subviewAt(id view, unsigned long index) {
  id subviews = msg(view, "subviews");
  return index < msg<unsigned long>(subviews, "count") ? msg(subviews, "objectAtIndex:", index)
                                                       : nullptr;
}

bool isMember(id object, const char* cls) {
  return object && msg<BOOL>(object, "isMemberOfClass:", classNamed(cls));
}

// The index of the first subview of exactly that class, or -1.
long indexOf(id view, const char* cls) {
  for (unsigned long i = 0; id subview = subviewAt(view, i); ++i)
    if (isMember(subview, cls)) return static_cast<long>(i);
  return -1;
}

// The header's and the labels' setters and the backgrounds' binding, watched: UIKit allows a
// view to change on the interface thread only.
struct InterfaceCalls {
  std::atomic<long> onMainThread{0};
  std::atomic<long> offMainThread{0};
  std::map<std::string, IMP> originals;  // by selector name; filled before any second thread
} interfaceCalls;

void noteThread() {
  const bool onMain = msg<BOOL>(classNamed("NSThread"), "isMainThread");
  ++(onMain ? interfaceCalls.onMainThread : interfaceCalls.offMainThread);
}

void watchedSetter(id self, SEL selector, id value) {
  noteThread();
  nimbrel::objc::impAs<void, id>(interfaceCalls.originals.at(sel_getName(selector)))(self, selector,
                                                                                     value);
}

void watchedBind(id self, SEL selector, id city, BOOL animate) {
  noteThread();
  nimbrel::objc::impAs<void, id, BOOL>(interfaceCalls.originals.at(sel_getName(selector)))(
      self, selector, city, animate);
}

void watchInterfaceSetters() {
  if (!interfaceCalls.originals.empty()) return;
  const auto watch = [](const char* cls, const char* selector, IMP replacement) {
    SEL name = sel_registerName(selector);
    interfaceCalls.originals[selector] =
        method_setImplementation(class_getInstanceMethod(objc_getClass(cls), name), replacement);
  };
  for (const char* setter :
       {"setLocationName:", "setConditionsLine1:", "setConditionsLine2:", "setTemperature:",
        "setTemperatureHigh:", "setTemperatureLow:", "setConditionsImage:"})
    watch("WATodayHeaderView", setter, nimbrel::objc::asImp(&watchedSetter));
  watch("UILabel", "setText:", nimbrel::objc::asImp(&watchedSetter));
  watch("UILabel", "setTextColor:", nimbrel::objc::asImp(&watchedSetter));
  watch("WUIDynamicWeatherBackground", "setCity:animate:", nimbrel::objc::asImp(&watchedBind));
}

id subviewOf(id view, const char* cls) {
  const long index = indexOf(view, cls);
  return index < 0 ? nullptr : subviewAt(view, static_cast<unsigned long>(index));
}

id string(const char* utf8) { return msg(classNamed("NSString"), "stringWithUTF8String:", utf8); }

// A property-list file's dictionary, read through Foundation, or nil.
id readPlist(const std::filesystem::path& path) {
  id data = msg(classNamed("NSData"), "dataWithContentsOfFile:", string(path.c_str()));
  if (!data) return nullptr;
  return msg(classNamed("NSPropertyListSerialization"),
             "propertyListWithData:options:format:error:", data, 0ul, nullptr, nullptr);
}

double numberIn(id dictionary, const char* key) {
  id number = msg(dictionary, "objectForKey:", string(key));
  return number ? msg<double>(number, "doubleValue") : NAN;
}

// GNUstep's allocation statistics: live instances per class since they were switched on.
extern "C" BOOL GSDebugAllocationActive(BOOL active);
extern "C" int GSDebugAllocationCount(Class cls);
extern "C" Class* GSDebugAllocationClassList(void);

// Live instances of every class with any: Foundation's strings, numbers, dates and timers as
// well as the shell's own objects.
std::map<std::string, int> liveByClass() {
  std::map<std::string, int> counts;
  Class* classes = GSDebugAllocationClassList();
  for (Class* cls = classes; cls && *cls; ++cls)
    if (const int count = GSDebugAllocationCount(*cls)) counts[class_getName(*cls)] = count;
  free(classes);
  return counts;
}

using ShellDay = shell_process::ShellProcess;

constexpr const char* kDaySettings =
    "<key>enabled</key><true/><key>homescreenBackground</key><true/>"
    "<key>showTemperatureAndCondition</key><true/><key>hideTimeDate</key><true/>"
    "<key>useLocalCity</key><true/><key>plusLandscape</key><true/>"
    "<key>updateInterval</key><integer>600</integer>";

TEST_F(ShellDay, AWholeDayRunsThroughTheBinding) {
  writeSettings(kDaySettings);
  load();
  Pool pool;
  auto& city = exported<std::shared_ptr<host::City>>("city");
  auto& lastUpdate = exported<std::optional<host::Date>>("lastUpdate");

  // Locked, the shell asks for its date view: the background goes behind the clock.
  lock();
  id dateView = wake();
  EXPECT_EQ(dateView, TSLastCall("dateView").object);
  id background = subviewOf(dateView, "WUIDynamicWeatherBackground");
  ASSERT_NE(background, nullptr);
  EXPECT_LT(indexOf(dateView, "WUIDynamicWeatherBackground"), indexOf(dateView, "UILabel"));
  EXPECT_EQ(text(msg(msg(background, "city"), "name")), "Brussels");
  EXPECT_TRUE(msg<BOOL>(dateView, "subtitleHidden"));
  EXPECT_EQ(TSUpdateRequests(), 1);
  EXPECT_TRUE(lastUpdate.has_value());

  // The update completes on the run loop: the city is the updated one, and the header, on the
  // background, shows it.
  TSSetUpdateResult(32, YES, 21.0, NO);
  TSRunLoop(0.1);
  EXPECT_EQ(TSPendingUpdates(), 0);
  ASSERT_NE(city, nullptr);
  EXPECT_EQ(city->conditionCode(), 32);
  EXPECT_EQ(msg<long>(msg(background, "city"), "conditionCode"), 32);
  id header = subviewOf(background, "WATodayHeaderView");
  ASSERT_NE(header, nullptr);
  EXPECT_NE(text(msg(header, "temperature")).find("21"), std::string::npos);
  // The local city's coordinates are cached, each under its own key.
  id cache = readPlist(root_ /
                       "Library/Application Support/Nimbrel/nimbrelResources.bundle/"
                       "nimbrelCache.plist");
  ASSERT_NE(cache, nullptr);
  EXPECT_EQ(msg<unsigned long>(cache, "count"), 2u);
  EXPECT_EQ(numberIn(cache, "lastLocalCityLatitude"), 50.85);
  EXPECT_EQ(numberIn(cache, "lastLocalCityLongitude"), 4.35);

  // Asked again, the date view keeps one background and no new request goes out.
  const long count = msg<long>(msg(dateView, "subviews"), "count");
  EXPECT_EQ(wake(), dateView);
  EXPECT_EQ(subviewOf(dateView, "WUIDynamicWeatherBackground"), background);
  EXPECT_EQ(msg<long>(msg(dateView, "subviews"), "count"), count);
  EXPECT_EQ(TSUpdateRequests(), 1);

  // Display off: the background leaves the date view and draws nothing.
  setDisplay(false);
  EXPECT_EQ(msg(background, "superview"), nullptr);
  EXPECT_EQ(msg(background, "city"), nullptr);

  // Unlocked, the home screen gets its own background, in portrait then landscape.
  wake();
  unlock();
  EXPECT_EQ(TSLastCall("_finishUIUnlockFromSource:withOptions:").receiver,
            shell_.lockScreenManager);
  EXPECT_EQ(msg(background, "superview"), nullptr);
  EXPECT_EQ(msg(msg(shell_.wallpaperView, "contentView"), "superview"), shell_.wallpaperView);
  id hostView = msg(shell_.wallpaperView, "superview");
  id homeBackground = subviewOf(hostView, "WUIDynamicWeatherBackground");
  ASSERT_NE(homeBackground, nullptr);
  EXPECT_EQ(msg<long>(msg(homeBackground, "city"), "conditionCode"), 32);
  using nimbrel::objc::CGAffineTransform;
  using nimbrel::objc::CGRect;
  EXPECT_EQ(msg<CGAffineTransform>(homeBackground, "transform").a, 1);
  EXPECT_EQ(msg<long>(homeBackground, "tag"), 0);
  TSRotate(&shell_);
  msg<void>(shell_.wallpaperView, "layoutSubviews");
  msg<void>(shell_.window, "layoutSubviews");
  EXPECT_EQ(TSLastCall("layoutSubviews").receiver, shell_.window);
  EXPECT_DOUBLE_EQ(msg<CGAffineTransform>(homeBackground, "transform").a, 667.0 / 375.0);
  EXPECT_EQ(msg<long>(homeBackground, "tag"), 1);
  EXPECT_EQ(msg<CGRect>(homeBackground, "frame").origin.x, 0);

  // Random weather on a real timer: the settings change arrives as a notification.
  writeSettings(std::string(kDaySettings) +
                "<key>randomWeather</key><true/><key>updateInterval</key><integer>1</integer>");
  nimbrel_darwin_post("be.quorvane.nimbrel/preferences.changed");
  lock();
  wake();
  // The timer itself is held here: the add-on lets go of it when it stops it.
  const std::shared_ptr<host::Timer> timer = exported<std::shared_ptr<host::Timer>>("randomTimer");
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->timeInterval(), 1);
  const long bindsBefore = TSLastCall("setCity:animate:").count;
  TSRunLoop(2.3);
  EXPECT_GE(TSLastCall("setCity:animate:").count, bindsBefore + 2);
  EXPECT_TRUE(timer->isValid());
  setDisplay(false);
  EXPECT_FALSE(timer->isValid());
  EXPECT_EQ(exported<std::shared_ptr<host::Timer>>("randomTimer"), nullptr);
}

// The Weather framework may complete on a thread of its own: the add-on's completion still
// runs on the interface thread, where every header text, label and binding is set.
TEST_F(ShellDay, ACompletionFromASecondThreadSetsTheInterfaceOnTheInterfaceThread) {
  writeSettings(kDaySettings);
  watchInterfaceSetters();
  load();
  Pool pool;
  TSSetUpdatesCompleteOnSecondThread(YES);
  TSSetUpdateResult(14, NO, -3.0, NO);
  lock();
  id dateView = wake();
  interfaceCalls.onMainThread = interfaceCalls.offMainThread = 0;
  {
    const CompletionThreads arrivals;
    const long bindsBefore = TSLastCall("setCity:animate:").count;
    for (int turn = 0; turn < 200 && TSLastCall("setCity:animate:").count == bindsBefore; ++turn)
      TSRunLoop(0.01);
    TSRunLoop(0.01);
    EXPECT_EQ(arrivals.offMainThread, 1);
    EXPECT_EQ(arrivals.onMainThread, 0);
  }

  id header = subviewOf(subviewOf(dateView, "WUIDynamicWeatherBackground"), "WATodayHeaderView");
  ASSERT_NE(header, nullptr);
  EXPECT_NE(text(msg(header, "temperature")).find("-3"), std::string::npos);
  EXPECT_EQ(interfaceCalls.offMainThread, 0);
  // The header's seven texts and image, and the lock screen's and home screen's bindings.
  EXPECT_GE(interfaceCalls.onMainThread, 8);
}

// The header shows the temperatures in the unit the Weather app is set to: the reading, the
// hourly forecasts' high and low, each as the framework gives it in that unit.
struct Unit {
  BOOL celsius;
  const char* temperature;
  const char* high;
  const char* low;
};
void PrintTo(const Unit& unit, std::ostream* out) {
  *out << (unit.celsius ? "Celsius" : "Fahrenheit");
}

class ShellDayInEachUnit : public ShellDay, public ::testing::WithParamInterface<Unit> {};

TEST_P(ShellDayInEachUnit, TheHeaderShowsTheTemperaturesInTheWeatherAppsUnit) {
  const Unit& unit = GetParam();
  writeSettings(kDaySettings);
  TSSetCelsius(unit.celsius);
  load();
  Pool pool;
  id hourly = msg(classNamed("NSMutableArray"), "array");
  for (double celsius : {20.0, 30.0, 24.0})
    msg<void>(hourly, "addObject:", msg(classNamed("NSNumber"), "numberWithDouble:", celsius));
  TSSetUpdateHourly(hourly);
  TSSetUpdateResult(26, YES, 25.0, NO);
  lock();
  id dateView = wake();
  TSRunLoop(0.1);
  id header = subviewOf(subviewOf(dateView, "WUIDynamicWeatherBackground"), "WATodayHeaderView");
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(text(msg(header, "temperature")), unit.temperature);
  EXPECT_EQ(text(msg(header, "temperatureHigh")), unit.high);
  EXPECT_EQ(text(msg(header, "temperatureLow")), unit.low);
}

INSTANTIATE_TEST_SUITE_P(CelsiusAndFahrenheit, ShellDayInEachUnit,
                         ::testing::Values(Unit{YES, "25°", "30°", "20°"},
                                           Unit{NO, "77°", "86°", "68°"}),
                         [](const auto& info) {
                           return info.param.celsius ? "Celsius" : "Fahrenheit";
                         });

TEST_F(ShellDay, LiveObjectsStayFlatOverTenThousandLockCycles) {
  writeSettings(kDaySettings);
  load();
  auto cycle = [&] {
    Pool pool;
    lock();
    wake();
    setDisplay(false);
    wake();
    unlock();
  };
  GSDebugAllocationActive(YES);
  for (int i = 0; i < 100; ++i) cycle();
  TSRunLoop(0.05);
  const long settled = TSLiveObjects();
  const auto settledByClass = liveByClass();
  const long bindsBefore = TSLastCall("setCity:animate:").count;
  for (int i = 0; i < 10000; ++i) cycle();
  TSRunLoop(0.05);
  EXPECT_EQ(TSLiveObjects(), settled);
  // Foundation's objects too: strings, numbers, dates, timers, arrays, dictionaries.
  EXPECT_EQ(liveByClass(), settledByClass);
  EXPECT_TRUE(settledByClass.contains("NSTimer") && settledByClass.contains("NSGDate"));
  // Each cycle really showed and took down the backgrounds.
  EXPECT_GE(TSLastCall("setCity:animate:").count - bindsBefore, 3 * 10000);
}

TEST_F(ShellDay, AnOlderDateViewStillHidesItsDateAndOnlyTheShellsOwnRaiseReachesTheShell) {
  TSShutdown(&shell_);
  TSBoot(&shell_, 375, 667, 2, YES);
  writeSettings(kDaySettings);
  load();
  Pool pool;
  lock();
  id dateView = wake();
  EXPECT_TRUE(msg<BOOL>(dateView, "dateHidden"));
  EXPECT_NE(subviewOf(dateView, "WUIDynamicWeatherBackground"), nullptr);

  // Only the replaced -contentView binds a background: its raise stops there, and the shell
  // gets the content view its own implementation answered.
  unlock();
  TSSetBackgroundBindRaises(YES);
  EXPECT_EQ(TSSendCatchingException(shell_.wallpaperView, "contentView"), nullptr);
  EXPECT_EQ(msg(shell_.wallpaperView, "contentView"), subviewAt(shell_.wallpaperView, 0));
  EXPECT_EQ(TSLastCall("setCity:animate:").receiver,
            subviewOf(msg(shell_.wallpaperView, "superview"), "WUIDynamicWeatherBackground"));
  TSSetBackgroundBindRaises(NO);
  TSRaiseAtNextContentView();
  EXPECT_STREQ(TSSendCatchingException(shell_.wallpaperView, "contentView"),
               "NSInternalInconsistencyException");
}

}  // namespace
