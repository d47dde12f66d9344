// The binding of host/ on GCC's Objective-C runtime and GNUstep, against the test shell:
// hook outcomes, trampolines and previous implementations, identity and ownership,
// exceptions, Foundation values and services.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "host/methods.h"
#include "host/platform.h"
#include "objc/binding/bound.h"
#include "objc/binding/hooks.h"
#include "objc/binding/pointer_map.h"
#include "objc/binding/registry.h"
#include "objc/runtime/exception.h"
#include "objc/runtime/exceptions_shim.h"
#include "objc/runtime/foundation.h"
#include "objc/runtime/geometry.h"
#include "objc/runtime/message.h"
#include "objc/seam/stand_ins.h"
#include "objc/test_shell/test_shell.h"
#include "tests/objc/completion_threads.h"

// GNUstep's hook for where NSLog's lines go.
extern "C" void (*_NSLog_printf_handler)(id line);

namespace {
// This thread's heap allocations: a background thread's do not disturb a count.
thread_local long allocations = 0;
}  // namespace

// (GCC takes the replacement pair below for a mismatch.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace nimbrel::objc;
namespace methods = host::methods;

id classNamed(const char* name) { return reinterpret_cast<id>(objc_getClass(name)); }

long retainCount(id object) { return send<unsigned long>(object, sel<"retainCount">()); }

class ObjcBinding : public ::testing::Test {
 protected:
  void SetUp() override { TSBoot(&shell_, 375, 667, 2, NO); }
  void TearDown() override { TSShutdown(&shell_); }
  host::Runtime& runtime() { return host::platform().runtime(); }
  host::Class* hostClass(const char* name) { return runtime().getClass(name); }

  PoolScope pool_;
  TSShell shell_{};
};

// Replacements that record what reached them and call the implementation they replaced.
struct Seen {
  host::Id receiver;
  long source = 0;
  host::Id options;
};
Seen seen;
methods::LayoutSubviews::Imp previousLayout = nullptr;
methods::LayoutSubviews::Imp previousWindowLayout = nullptr;
methods::DateView::Imp previousDateView = nullptr;
methods::ContentView::Imp previousContentView = nullptr;
methods::AllowsParallax::Imp previousParallax = nullptr;
methods::FinishUIUnlock::Imp previousUnlock = nullptr;
methods::FilenameForCondition::Imp previousFilename = nullptr;

void layout(const std::shared_ptr<host::View>& self, host::Selector s) {
  seen.receiver = self;
  previousLayout(self, s);
}
void windowLayout(const std::shared_ptr<host::View>& self, host::Selector s) {
  seen.receiver = self;
  previousWindowLayout(self, s);
}
std::shared_ptr<host::DateView> dateView(const host::Id& self, host::Selector s) {
  seen.receiver = self;
  return previousDateView(self, s);
}
std::shared_ptr<host::View> contentView(const std::shared_ptr<host::View>& self, host::Selector s) {
  return previousContentView(self, s);
}
bool allowsParallax(host::Class& self, host::Selector s) { return !previousParallax(self, s); }
void finishUnlock(const host::Id& self, host::Selector s, long source, const host::Id& options) {
  seen = {self, source, options};
  previousUnlock(self, s, source + 1, options);
}
std::optional<std::string> filename(host::AssetLoader& self, host::Selector s, std::int64_t c,
                                    bool isDay) {
  auto name = previousFilename(self, s, c + 1, !isDay);
  return name ? "x-" + *name : name;
}
int ticks = 0;
void tick(const host::Id&, host::Selector) { ++ticks; }

// A view whose -layoutSubviews answers an int: the name of a replaced method, another type.
void oddlyTypedView() {
  if (objc_getClass("TSOddlyTypedView")) return;
  Class cls = objc_allocateClassPair(objc_getClass("UIView"), "TSOddlyTypedView", 0);
  class_addMethod(cls, sel_registerName("layoutSubviews"), asImp(+[](id, SEL) { return 7; }),
                  "i@:");
  objc_registerClassPair(cls);
}

TEST_F(ObjcBinding, EachHookRowReportsWhatItChangedAndOnlyThat) {
  const host::Imp untouched = reinterpret_cast<host::Imp>(&tick);
  struct Row {
    const char* cls;
    host::Selector selector;
    host::HookOutcome outcome;
  } rows[] = {
      {"SBFStaticWallpaperView", methods::LayoutSubviews::selector, host::HookOutcome::replaced},
      {"_SBWallpaperWindow", methods::LayoutSubviews::selector,
       host::HookOutcome::overrodeInherited},
      {"UILabel", methods::ContentView::selector, host::HookOutcome::noSuchMethod},
      {"NoSuchShellClass", methods::DateView::selector, host::HookOutcome::noSuchClass},
      // Same name, another type: the trampoline would pass the wrong arguments.
      {"TSOddlyTypedView", methods::LayoutSubviews::selector, host::HookOutcome::typeMismatch},
      {"UIView", {"setFrame:"}, host::HookOutcome::typeMismatch},
  };
  oddlyTypedView();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.cls);
    Class cls = objc_getClass(row.cls);
    SEL selector = sel_registerName(std::string(row.selector.name).c_str());
    const auto implementation = [&] {
      Method method = cls ? class_getInstanceMethod(cls, selector) : nullptr;
      return method ? method_getImplementation(method) : nullptr;
    };
    IMP before = implementation();
    host::Imp previous = untouched;
    EXPECT_EQ(runtime().hookMessage(hostClass(row.cls), row.selector, untouched, &previous),
              row.outcome);
    const bool changed = row.outcome == host::HookOutcome::replaced ||
                         row.outcome == host::HookOutcome::overrodeInherited;
    EXPECT_EQ(previous != untouched, changed);
    EXPECT_EQ(implementation() != before, changed);
  }
  // The inherited method was overridden, not replaced: other views keep UIView's.
  id plainView = send<id>(send<id>(classNamed("UIView"), sel<"alloc">()), sel<"init">());
  send<void>(plainView, sel<"layoutSubviews">());
  EXPECT_EQ(TSLastCall("layoutSubviews").receiver, plainView);
  release(plainView);
}

// The window's -layoutSubviews is UIView's: its override calls UIView's as it is at each call,
// with the method's own selector.
TEST_F(ObjcBinding, AnOverriddenInheritedMethodCallsTheSuperclassImplementationOfTheMoment) {
  methods::hookMessage<methods::LayoutSubviews>(runtime(), hostClass("_SBWallpaperWindow"),
                                                windowLayout, &previousWindowLayout);
  static int laterLayouts = 0;
  static SEL calledAs = nullptr;
  Method viewLayout = class_getInstanceMethod(objc_getClass("UIView"), sel<"layoutSubviews">());
  IMP shellLayout = method_setImplementation(viewLayout, asImp(+[](id, SEL cmd) {
                                               ++laterLayouts;
                                               calledAs = cmd;
                                             }));
  send<void>(shell_.window, sel<"layoutSubviews">());
  method_setImplementation(viewLayout, shellLayout);
  EXPECT_EQ(laterLayouts, 1);
  EXPECT_TRUE(sel_isEqual(calledAs, sel<"layoutSubviews">()));
  EXPECT_EQ(unwrap(seen.receiver), shell_.window);
  seen = {};
}

// Each signature has a few trampolines; once all are taken a further hook is refused as such
// and changes nothing. In a process of its own, so that other tests keep theirs.
TEST_F(ObjcBinding, RunningOutOfTrampolinesIsItsOwnOutcome) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        int hooked = 0;
        host::HookOutcome outcome = host::HookOutcome::replaced;
        const char* refused = nullptr;
        for (const char* cls :
             {"UIView", "UIWindow", "UILabel", "WATodayHeaderView", "WUIDynamicWeatherBackground",
              "SBFLegacyLockScreenDateView", "SBFLockScreenDateView", "SBFStaticWallpaperView",
              "_SBWallpaperWindow"}) {
          methods::LayoutSubviews::Imp previous = nullptr;
          outcome = methods::hookMessage<methods::LayoutSubviews>(runtime(), hostClass(cls), layout,
                                                                  &previous);
          if (outcome != host::HookOutcome::replaced &&
              outcome != host::HookOutcome::overrodeInherited) {
            refused = cls;
            break;
          }
          ++hooked;
        }
        // Still inherited: no method of its own was added.
        Class cls = objc_getClass(refused ? refused : "UIView");
        const bool untouched = refused && class_getInstanceMethod(cls, sel<"layoutSubviews">()) ==
                                              class_getInstanceMethod(class_getSuperclass(cls),
                                                                      sel<"layoutSubviews">());
        std::_Exit(outcome == host::HookOutcome::noFreeTrampoline &&
                           hooked == ObjcRuntime::kTrampolinesPerSignature && untouched
                       ? 0
                       : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ObjcBinding, PreviousImplementationsGetTheReceiverAndArgumentsAndTheirResultsComeBack) {
  // What the loader answers, unhooked, for the arguments the replacement passes on.
  id loader = send<id>(classNamed("WUIAsynchronousAssetLoader"), sel<"sharedAssetLoader">());
  const std::optional<std::string> unhookedName =
      stringFrom(send<id>(loader, sel<"filenameForCondition:isDay:">(), 12l, BOOL(NO)));
  ASSERT_NE(unhookedName, std::nullopt);
  methods::hookMessage<methods::LayoutSubviews>(runtime(), hostClass("SBFStaticWallpaperView"),
                                                layout, &previousLayout);
  methods::hookMessage<methods::LayoutSubviews>(runtime(), hostClass("_SBWallpaperWindow"),
                                                windowLayout, &previousWindowLayout);
  methods::hookMessage<methods::DateView>(runtime(), hostClass("SBLockScreenDateViewController"),
                                          dateView, &previousDateView);
  methods::hookMessage<methods::ContentView>(runtime(), hostClass("SBFStaticWallpaperView"),
                                             contentView, &previousContentView);
  methods::hookMessage<methods::AllowsParallax>(
      runtime(), host::metaclassOf(hostClass("SBFStaticWallpaperView")), allowsParallax,
      &previousParallax);
  methods::hookMessage<methods::FinishUIUnlock>(runtime(), hostClass("SBLockScreenManager"),
                                                finishUnlock, &previousUnlock);
  methods::hookMessage<methods::FilenameForCondition>(
      runtime(), hostClass("WUIAsynchronousAssetLoader"), filename, &previousFilename);

  send<void>(shell_.wallpaperView, sel<"layoutSubviews">());
  EXPECT_EQ(unwrap(seen.receiver), shell_.wallpaperView);
  EXPECT_EQ(TSLastCall("layoutSubviews").receiver, shell_.wallpaperView);
  send<void>(shell_.window, sel<"layoutSubviews">());
  EXPECT_EQ(unwrap(seen.receiver), shell_.window);
  EXPECT_EQ(TSLastCall("layoutSubviews").receiver, shell_.window);

  id view = send<id>(shell_.dateViewController, sel<"dateView">());
  EXPECT_EQ(unwrap(seen.receiver), shell_.dateViewController);
  EXPECT_EQ(TSLastCall("dateView").receiver, shell_.dateViewController);
  EXPECT_EQ(view, TSLastCall("dateView").object);

  id content = send<id>(shell_.wallpaperView, sel<"contentView">());
  EXPECT_EQ(send<id>(content, sel<"superview">()), shell_.wallpaperView);

  EXPECT_FALSE(send<BOOL>(classNamed("SBFStaticWallpaperView"), sel<"_allowsParallax">()));
  EXPECT_EQ(TSLastCall("_allowsParallax").receiver, classNamed("SBFStaticWallpaperView"));

  id options = send<id>(classNamed("NSObject"), sel<"new">());
  send<void>(shell_.lockScreenManager, sel<"_finishUIUnlockFromSource:withOptions:">(), 7, options);
  EXPECT_EQ(seen.source, 7);
  EXPECT_EQ(unwrap(seen.options), options);
  TSCall unlock = TSLastCall("_finishUIUnlockFromSource:withOptions:");
  EXPECT_EQ(unlock.receiver, shell_.lockScreenManager);
  EXPECT_EQ(unlock.integer, 8);
  EXPECT_EQ(unlock.object, options);
  seen = {};
  release(options);

  id name = send<id>(loader, sel<"filenameForCondition:isDay:">(), 11l, BOOL(YES));
  TSCall asked = TSLastCall("filenameForCondition:isDay:");
  EXPECT_EQ(asked.integer, 12);
  EXPECT_FALSE(asked.flag);
  EXPECT_EQ(stringFrom(name), "x-" + *unhookedName);
}

TEST_F(ObjcBinding, AddedTickTockRunsOnARealTimerAndAnExistingMethodIsKept) {
  host::Class* controller = hostClass("SBLockScreenDateViewController");
  // A type other than the trampoline's is refused.
  EXPECT_FALSE(runtime().addMethod(controller, methods::TickTock::selector,
                                   reinterpret_cast<host::Imp>(&tick), "v@:@"));
  EXPECT_TRUE(methods::addMethod<methods::TickTock>(runtime(), controller, tick));
  EXPECT_FALSE(methods::addMethod<methods::TickTock>(runtime(), controller, tick));
  EXPECT_FALSE(methods::addMethod<methods::TickTock>(runtime(), nullptr, tick));

  auto target = wrap(shell_.dateViewController);
  auto userInfo = wrap(shell_.screen);
  auto timer =
      host::platform().runLoop().scheduledTimer(0.02, target, {"tickTock"}, userInfo, true);
  EXPECT_EQ(send<id>(unwrap(timer), sel<"userInfo">()), shell_.screen);
  TSRunLoop(0.11);
  timer->invalidate();
  EXPECT_GE(ticks, 3);
  EXPECT_FALSE(timer->isValid());
}

// A completion the Weather framework calls on a thread of its own is handed to the interface
// thread: the handler runs there, with the updated city, once the main run loop turns.
TEST_F(ObjcBinding, ACompletionFromASecondThreadRunsOnTheInterfaceThread) {
  static std::thread::id ranOn;
  static int completions = 0;
  static long conditionCode = -1;
  host::Factory& factory = host::platform().factory();
  auto city = factory.newCity();
  city->setLocation(factory.newLocation(50.85, 4.35));
  TSSetUpdatesCompleteOnSecondThread(YES);
  TSSetUpdateResult(7, NO, 12.5, NO);
  const CompletionThreads arrivals;
  host::lookUpClass<host::LocationUpdaterClass>("TWCLocationUpdater")
      ->sharedLocationUpdater()
      ->updateWeatherForLocation(city->location(), city,
                                 [](std::shared_ptr<host::City> updated, host::Id error) {
                                   ranOn = std::this_thread::get_id();
                                   conditionCode = updated ? updated->conditionCode() : -2;
                                   completions += error ? 100 : 1;
                                 });
  for (int turn = 0; turn < 200 && completions == 0; ++turn) TSRunLoop(0.01);
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(arrivals.offMainThread.load(), 1);
  EXPECT_EQ(arrivals.onMainThread.load(), 0);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(conditionCode, 7);
}

// Handed to the interface thread, a completion runs as a work item of the main queue, with
// nothing above it but the queue, which ends the process on any exception: what the handler
// lets through ends there, in the log, and the run loop turns on.
TEST_F(ObjcBinding, WhatACompletionLetsThroughOnTheInterfaceThreadEndsInTheLog) {
  static std::vector<std::string> logged;
  _NSLog_printf_handler = [](id line) { logged.push_back(stringFrom(line).value_or("")); };
  static int completions = 0;
  host::Factory& factory = host::platform().factory();
  auto city = factory.newCity();
  city->setLocation(factory.newLocation(50.85, 4.35));
  TSSetUpdatesCompleteOnSecondThread(YES);
  host::lookUpClass<host::LocationUpdaterClass>("TWCLocationUpdater")
      ->sharedLocationUpdater()
      ->updateWeatherForLocation(city->location(), city, [](std::shared_ptr<host::City>, host::Id) {
        ++completions;
        throw host::PlatformException("NSRangeException", "The handler raised");
      });
  for (int turn = 0; turn < 200 && completions == 0; ++turn) TSRunLoop(0.01);
  TSRunLoop(0.01);
  _NSLog_printf_handler = nullptr;
  EXPECT_EQ(completions, 1);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("Nimbrel: the weather update's completion let NSException "
                           "NSRangeException through, dropped at the main queue: The handler "
                           "raised"),
            std::string::npos)
      << logged[0];
}

TEST_F(ObjcBinding, AnObjectIsOneHostObjectRetainedOnceWhileHeld) {
  id label = send<id>(send<id>(classNamed("UILabel"), sel<"alloc">()), sel<"init">());
  const long before = retainCount(label);
  {
    auto first = wrap(label);
    auto second = wrap(label);
    EXPECT_EQ(first, second);
    EXPECT_EQ(retainCount(label), before + 1);
    EXPECT_NE(std::dynamic_pointer_cast<host::Label>(first), nullptr);
    auto host = wrapAs<host::View>(shell_.wallpaperView)->superview();
    EXPECT_EQ(host->subviews().front(), wrap(shell_.wallpaperView));
  }
  EXPECT_EQ(retainCount(label), before);
  // Made again after the last holder let go, the host object is the one the table kept, and
  // its holding's bookkeeping is recycled: after the first time, wrapping it again allocates
  // nothing.
  const std::size_t made = hostObjectsMade();
  int unwrappedAsItself = unwrap(wrap(label)) == label;
  const long allocated = allocations;
  for (int i = 1; i < 100; ++i) unwrappedAsItself += unwrap(wrap(label)) == label;
  EXPECT_EQ(allocations - allocated, 0);
  EXPECT_EQ(unwrappedAsItself, 100);
  EXPECT_EQ(hostObjectsMade(), made);
  EXPECT_EQ(retainCount(label), before);
  // Objects coming and going make the table sweep, and a newcomer may take a gone object's
  // address: each gets the host type of its own class, and a held object keeps its host object.
  {
    auto held = wrap(label);
    for (int i = 0; i < 600; ++i) {
      id other = send<id>(send<id>(classNamed(i % 2 ? "UILabel" : "UIView"), sel<"alloc">()),
                          sel<"init">());
      auto host = wrap(other);
      EXPECT_EQ(unwrap(host), other);
      EXPECT_EQ(std::dynamic_pointer_cast<host::Label>(host) != nullptr, i % 2 == 1) << i;
      host.reset();
      release(other);
    }
    EXPECT_EQ(wrap(label), held);
    EXPECT_EQ(retainCount(label), before + 1);
  }
  release(label);
}

// A replaced method's receiver and the subviews it walks are borrowed for the call: nothing
// is retained unless the add-on keeps an object past the call, which then holds one retain.
TEST_F(ObjcBinding, ACallBorrowsItsObjectsAndRetainsOnlyThoseKeptPastIt) {
  static long countDuringCall = 0;
  static host::Id kept;
  static bool keep = false;
  methods::hookMessage<methods::LayoutSubviews>(
      runtime(), hostClass("SBFStaticWallpaperView"),
      [](const std::shared_ptr<host::View>& self, host::Selector) {
        countDuringCall = retainCount(unwrap(self));
        auto subviews = self->subviews();
        if (keep) kept = subviews.empty() ? nullptr : subviews.front();
      },
      &previousLayout);
  id content = send<id>(shell_.wallpaperView, sel<"contentView">());
  // Each call in a pool of its own, as a run-loop turn: the subviews array goes with it.
  const auto layOut = [&] {
    PoolScope turn;
    send<void>(shell_.wallpaperView, sel<"layoutSubviews">());
  };
  const long viewCount = retainCount(shell_.wallpaperView);
  const long contentCount = retainCount(content);
  const std::size_t made = hostObjectsMade();

  layOut();
  EXPECT_EQ(countDuringCall, viewCount);
  EXPECT_EQ(retainCount(content), contentCount);

  keep = true;
  layOut();
  ASSERT_EQ(unwrap(kept), content);
  EXPECT_EQ(retainCount(content), contentCount + 1);
  layOut();  // held: found, not retained again
  EXPECT_EQ(retainCount(content), contentCount + 1);
  kept.reset();
  EXPECT_EQ(retainCount(content), contentCount);
  EXPECT_EQ(retainCount(shell_.wallpaperView), viewCount);
  // Made on the first call, found again afterwards.
  EXPECT_LE(hostObjectsMade(), made + 2);
  keep = false;
}

TEST_F(ObjcBinding, DormantHostObjectsAreSweptSoTheTableStaysBounded) {
  Owned kept(send<id>(classNamed("NSMutableArray"), sel<"new">()));
  const auto wrapNewLabels = [&] {
    for (int i = 0; i < 1000; ++i) {
      Owned label(send<id>(classNamed("UILabel"), sel<"new">()));
      send<void>(kept.get(), sel<"addObject:">(), label.get());
      wrap(label.get());  // held for this statement only, then dormant
    }
  };
  wrapNewLabels();
  EXPECT_LT(hostObjectsKept(), 500u);
  // Not while a call has an object on loan, even one nobody holds: its entry stays until the
  // call ends, which sweeps.
  {
    CallScope call;
    borrow(shell_.wallpaperView);
    wrapNewLabels();
    EXPECT_GT(hostObjectsKept(), 1000u);
  }
  EXPECT_LT(hostObjectsKept(), 500u);
}

// Whatever addresses collide in the hash, every key inserted is found again with its value.
TEST(ObjcPointerMap, EveryKeyInsertedIsFoundAgainWithItsValueAndNoOther) {
  for (const std::uintptr_t stride : {8u, 16u, 48u, 4096u}) {
    SCOPED_TRACE(stride);
    const auto key = [stride](std::uintptr_t i) {
      return reinterpret_cast<const void*>(i * stride);
    };
    PointerMap<const void*, std::uintptr_t> map;
    for (std::uintptr_t i = 1; i <= 300; ++i)
      map.insert(key(i), std::make_unique<std::uintptr_t>(i));
    int found = 0;
    for (std::uintptr_t i = 1; i <= 300; ++i) {
      const std::uintptr_t* value = map.find(key(i));
      found += value && *value == i;
    }
    EXPECT_EQ(found, 300);
    EXPECT_EQ(map.find(key(301)), nullptr);
  }
}

TEST_F(ObjcBinding, HostTypesFollowTheClass) {
  auto background = host::lookUpClass<host::WeatherBackgroundClass>("WUIDynamicWeatherBackground")
                        ->makeWithFrame(host::makeRect(1, 2, 30, 40));
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(background->frame(), host::makeRect(1, 2, 30, 40));
  EXPECT_NE(std::dynamic_pointer_cast<host::City>(host::platform().factory().newCity()), nullptr);
  // Key-value observing swaps an object's class underneath it: each ask sees the class of the
  // moment.
  const host::Id window = wrap(shell_.window);
  EXPECT_EQ(window->objectClass().name(), "_SBWallpaperWindow");
  Class wallpaperWindow = object_setClass(shell_.window, objc_getClass("UIView"));
  EXPECT_EQ(window->objectClass().name(), "UIView");
  object_setClass(shell_.window, wallpaperWindow);
  EXPECT_EQ(window->objectClass().name(), "_SBWallpaperWindow");
  EXPECT_TRUE(host::metaclassOf(hostClass("City"))->isMetaclass());
  // A metaclass shares its class's name, but answers none of the class's own messages.
  EXPECT_EQ(dynamic_cast<host::WeatherBackgroundClass*>(
                host::metaclassOf(hostClass("WUIDynamicWeatherBackground"))),
            nullptr);
  EXPECT_EQ(wrap(classNamed("City")).get(), hostClass("City")) << "a class is its host class";
  EXPECT_EQ(hostClass("City")->superclass()->name(), "TSObject");
}

// What the replaced -layoutSubviews of the wallpaper view does, set by each case.
std::function<void()> duringLayout;

id newObject(const char* cls) {
  return send<id>(send<id>(classNamed(cls), sel<"alloc">()), sel<"init">());
}

// An NSException of a class of the shell's own, as a framework would raise it.
id newServiceException(const std::string& reason, id userInfo) {
  Class cls = objc_getClass("TSWeatherServiceException");
  if (!cls) {
    cls = objc_allocateClassPair(objc_getClass("NSException"), "TSWeatherServiceException", 0);
    objc_registerClassPair(cls);
  }
  Owned name = makeString("WeatherServiceDown");
  Owned text = makeString(reason);
  return send<id>(send<id>(reinterpret_cast<id>(cls), sel<"alloc">()),
                  sel<"initWithName:reason:userInfo:">(), name.get(), text.get(), userInfo);
}

TEST_F(ObjcBinding, AnExceptionCrossesTheBindingWholeInBothDirections) {
  auto legacy =
      wrapAs<host::DateView>(send<id>(classNamed("SBFLegacyLockScreenDateView"), sel<"new">()));
  try {
    legacy->setSubtitleHidden(true);
    ADD_FAILURE() << "an unknown selector raised nothing";
  } catch (const host::PlatformException& e) {
    EXPECT_EQ(e.name(), "NSInvalidArgumentException");
  }
  EXPECT_THROW(legacy->setFrame(host::makeRect(0, 0, NAN, 1)), host::PlatformException);
  release(unwrap(legacy));

  methods::hookMessage<methods::LayoutSubviews>(
      runtime(), hostClass("SBFStaticWallpaperView"),
      [](const std::shared_ptr<host::View>&, host::Selector) { duringLayout(); }, &previousLayout);

  // Inside a step that expects it, the add-on reads the whole reason (a character straddles
  // byte 255); outside one, the raise unwinds through the add-on's frames as itself. Either
  // way the shell gets the very object back: its class, name, reason and user info.
  const std::string reason = std::string(254, 'r') + "\u20AC, then more: " + std::string(100, 'x');
  id userInfo = newObject("NSMutableDictionary");
  id raised = newServiceException(reason, userInfo);
  for (const bool expected : {true, false}) {
    SCOPED_TRACE(expected ? "inside a step" : "outside any step");
    std::string seenByAddon = "nothing";
    bool unwound = false;
    duringLayout = [&] {
      std::optional<host::ExpectPlatformException> step;
      if (expected) step.emplace();
      const std::shared_ptr<void> addonState(nullptr, [&](void*) { unwound = true; });
      try {
        send<void>(raised, sel<"raise">());
      } catch (const host::PlatformException& e) {
        seenByAddon = e.name() + ": " + e.what();
        throw;
      }
    };
    try {
      send<void>(shell_.wallpaperView, sel<"layoutSubviews">());
      ADD_FAILURE() << "the exception did not reach the shell";
    } catch (const RaisedException& e) {
      EXPECT_EQ(e.object(), raised);
      EXPECT_EQ(object_getClass(e.object()), objc_getClass("TSWeatherServiceException"));
      EXPECT_EQ(send<id>(e.object(), sel<"userInfo">()), userInfo);
      EXPECT_EQ(e.what(), reason);
    }
    EXPECT_EQ(seenByAddon, expected ? "WeatherServiceDown: " + reason : "nothing");
    EXPECT_TRUE(unwound);
    EXPECT_STREQ(TSSendCatchingException(shell_.wallpaperView, "layoutSubviews"),
                 "WeatherServiceDown");
  }
  // Raised past every shim, the exception is none of C++'s: it goes on as it is.
  duringLayout = [&] { nimbrel_objc_raise(raised); };
  id reached = nimbrel_objc_try(
      [](void* view) { sendUnguarded<void>(static_cast<id>(view), sel<"layoutSubviews">()); },
      shell_.wallpaperView);
  EXPECT_EQ(reached, raised);
  release(reached);
  release(raised);
  release(userInfo);

  // Any other exception stops at the trampoline and goes on as an NSException saying what it
  // was; a text that is not UTF-8 arrives with its broken bytes replaced, not as nothing.
  struct Row {
    std::function<void()> thrown;
    std::string name;
    std::string reason;
  } rows[] = {
      {[] { throw std::bad_alloc(); }, "NSInternalInconsistencyException",
       "C++ exception std::bad_alloc: std::bad_alloc"},
      {[] { throw 42; }, "NSInternalInconsistencyException", "C++ exception int"},
      {[] { throw host::PlatformException("CALayerInvalidGeometry", "cut \xE2\x82"); },
       "CALayerInvalidGeometry", "cut \uFFFD\uFFFD"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reason);
    duringLayout = row.thrown;
    try {
      send<void>(shell_.wallpaperView, sel<"layoutSubviews">());
      ADD_FAILURE() << "nothing reached the shell";
    } catch (const RaisedException& e) {
      EXPECT_TRUE(isKindOfClass(e.object(), classNamed("NSException")));
      EXPECT_EQ(e.name(), row.name);
      EXPECT_EQ(e.what(), row.reason);
    }
  }
  duringLayout = [] {};
}

// An initialiser that raises frees what alloc made whether or not it let go of it first: one
// that raises as it is (a class of the test's own) and one that releases itself first (a view
// with a frame that is not finite).
TEST_F(ObjcBinding, AnInitialiserThatRaisesLeavesNoObjectBehind) {
  Class raising = objc_getClass("TSRaisingInit");
  if (!raising) {
    raising = objc_allocateClassPair(objc_getClass("TSObject"), "TSRaisingInit", 0);
    class_addMethod(raising, sel<"init">(), asImp(+[](id, SEL) -> id {
                      id raised = newServiceException("no init today", nullptr);
                      nimbrel_objc_raise(send<id>(raised, sel<"autorelease">()));
                    }),
                    "@@:");
    objc_registerClassPair(raising);
  }
  const long live = TSLiveObjects();
  EXPECT_THROW(makeInstance<host::Object>(reinterpret_cast<id>(raising), sel<"init">()),
               host::PlatformException);
  EXPECT_EQ(TSLiveObjects(), live);
  EXPECT_THROW(host::lookUpClass<host::WeatherBackgroundClass>("WUIDynamicWeatherBackground")
                   ->makeWithFrame(host::makeRect(0, 0, NAN, 1)),
               host::PlatformException);
  EXPECT_EQ(TSLiveObjects(), live);
}

// Inside a step that expects a raise, a previous implementation that raises does so as a
// message sent there does: as host::PlatformException, which the step catches.
TEST_F(ObjcBinding, APreviousImplementationRaisesAsAPlatformExceptionInsideAStep) {
  Class raising = objc_getClass("TSRaisingLayoutView");
  if (!raising) {
    raising = objc_allocateClassPair(objc_getClass("UIView"), "TSRaisingLayoutView", 0);
    class_addMethod(raising, sel<"layoutSubviews">(), asImp(+[](id, SEL) {
                      id raised = newServiceException("no layout today", nullptr);
                      nimbrel_objc_raise(send<id>(raised, sel<"autorelease">()));
                    }),
                    "v@:");
    objc_registerClassPair(raising);
  }
  methods::LayoutSubviews::Imp previous = nullptr;
  ASSERT_EQ(methods::hookMessage<methods::LayoutSubviews>(
                runtime(), hostClass("TSRaisingLayoutView"), layout, &previous),
            host::HookOutcome::replaced);
  auto view =
      wrapAs<host::View>(Owned(send<id>(reinterpret_cast<id>(raising), sel<"new">())).get());
  host::ExpectPlatformException step;
  try {
    previous(view, methods::LayoutSubviews::selector);
    ADD_FAILURE() << "nothing raised";
  } catch (const host::PlatformException& e) {
    EXPECT_EQ(e.name(), "WeatherServiceDown");
  }
}

TEST(ObjcExceptionTexts, BrokenUTF8IsReplacedAndWholeCharactersKept) {
  struct Row {
    std::string text;
    std::string valid;
  } rows[] = {
      {"plain", "plain"},
      {"\u00E9\u20AC\U0001D11E", "\u00E9\u20AC\U0001D11E"},
      {"end \xF0\x9D\x84", "end \uFFFD\uFFFD\uFFFD"},
      {"\xC0\xAF overlong", "\uFFFD\uFFFD overlong"},
      {"\xED\xA0\x80 surrogate", "\uFFFD\uFFFD\uFFFD surrogate"},
      {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xFF", "\uFFFD"},
  };
  for (const Row& row : rows) EXPECT_EQ(validUTF8(row.text), row.valid) << row.text;
}

// Apple's runtime throws an NSException as a C++ exception, told apart by rethrowing the one
// being handled into the shim, which catches only objects. A C++ exception is no object there,
// and it stays the exception being handled, the same one.
TEST(ObjcExceptionKinds, ACxxExceptionRethrownIntoTheShimIsNoObjectAndStaysTheOneHandled) {
  const std::function<void()> raises[] = {
      [] { throw std::runtime_error("a C++ exception"); },
      [] { throw host::PlatformException("NSRangeException", "a platform exception"); },
      [] { throw 7; },
  };
  for (const auto& raise : raises) {
    try {
      raise();
    } catch (...) {
      const std::exception_ptr handled = std::current_exception();
      EXPECT_FALSE(rethrownIsObjectiveC());
      EXPECT_EQ(std::current_exception(), handled);
    }
  }
}

// GCC's runtime copies a bucket of its dispatch table into a subclass that adds a method of
// its own there; a replacement must still reach that subclass, as on Apple's runtime.
TEST(ObjcRuntime, AReplacedMethodReachesASubclassAlreadyMessaged) {
  Class base = objc_allocateClassPair(objc_getClass("NSObject"), "TSReplacedBase", 0);
  class_addMethod(base, sel_registerName("tsValue"), asImp(+[](id, SEL) { return 1; }), "i@:");
  objc_registerClassPair(base);
  Class sub = objc_allocateClassPair(base, "TSReplacedSub", 0);
  class_addMethod(sub, sel_registerName("tsOwnValue"), asImp(+[](id, SEL) { return 3; }), "i@:");
  objc_registerClassPair(sub);
  id object = send<id>(send<id>(reinterpret_cast<id>(sub), sel<"alloc">()), sel<"init">());
  ASSERT_EQ(send<int>(object, sel<"tsValue">()), 1);
  replaceImplementation(base, class_getInstanceMethod(base, sel<"tsValue">()),
                        asImp(+[](id, SEL) { return 2; }));
  EXPECT_EQ(send<int>(object, sel<"tsValue">()), 2);
  release(object);
}

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

// An exception whose name and reason answer nil, as the phone's may.
id namelessException() {
  static const Class nameless = [] {
    Class made = objc_allocateClassPair(reinterpret_cast<Class>(classNamed("NSException")),
                                        "TSNamelessException", 0);
    IMP none = asImp(+[](id, SEL) -> id { return nullptr; });
    class_addMethod(made, sel_registerName("name"), none, "@@:");
    class_addMethod(made, sel_registerName("reason"), none, "@@:");
    objc_registerClassPair(made);
    return made;
  }();
  return send<id>(send<id>(reinterpret_cast<id>(nameless), sel<"alloc">()),
                  sel<"initWithName:reason:userInfo:">(), makeString("n").get(),
                  makeString("r").get(), static_cast<id>(nullptr));
}

TEST_F(ObjcBinding, AnExceptionWithoutNameOrReasonReadsAsEmpty) {
  try {
    Owned exception(namelessException());
    guarded([&] { send<void>(exception.get(), sel<"raise">()); });
    ADD_FAILURE() << "nothing raised";
  } catch (const host::PlatformException& e) {
    EXPECT_EQ(e.name(), "");
    EXPECT_STREQ(e.what(), "");
  }
}

// Foundation's own readings. GNUstep's differ from the phone's where a value is out of range:
// a string's intValue wraps instead of saturating, its doubleValue keeps 18 integer digits,
// and a real beyond the int range reads as INT_MIN (x86) where the phone saturates (arm64).
TEST_F(ObjcBinding, ValuesAnswerFoundationsOwnReadings) {
  struct Row {
    host::Value value;
    bool boolean;
    int integer;
    double real;
  } rows[] = {
      {"YES", true, 0, 0},
      {"  12abc", true, 12, 12},
      {"-2.9", true, -2, -2.9},
      {"0.5", false, 0, 0.5},
      {"2147483648", true, std::numeric_limits<int>::min(), 2147483648.0},
      {"99999999999999999999", true, -1, 1e18},
      {"0x10", false, 0, 0},
      {true, true, 1, 1},
      {std::int64_t{4294967296}, true, 0, 4294967296.0},
      {-1.5, true, -1, -1.5},
      {1e20, true, std::numeric_limits<int>::min(), 1e20},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.real));
    EXPECT_EQ(row.value.boolValue(), row.boolean);
    EXPECT_EQ(row.value.intValue(), row.integer);
    EXPECT_EQ(row.value.doubleValue(), row.real);
  }
  EXPECT_THROW(host::Value(host::Array{}).boolValue(), host::PlatformException);
  Owned mixed(send<id>(classNamed("NSMutableDictionary"), sel<"new">()));
  Owned unreadable(send<id>(classNamed("NSObject"), sel<"new">()));
  send<void>(mixed.get(), sel<"setObject:forKey:">(), unreadable.get(), makeString("odd").get());
  send<void>(mixed.get(), sel<"setObject:forKey:">(), makeString("x").get(),
             makeString("even").get());
  EXPECT_EQ(dictionaryFrom(mixed.get()), (host::Dictionary{{"even", "x"}}));
  Owned empty(send<id>(classNamed("NSData"), sel<"new">()));
  EXPECT_EQ(valueFrom(empty.get()), host::Value(host::Data{}));
  Owned big = makeValue(host::UnsignedInteger{18446744073709551615u});
  EXPECT_EQ(send<unsigned long long>(big.get(), sel<"unsignedLongLongValue">()),
            18446744073709551615u);
  EXPECT_EQ(host::strings::lastPathComponent("/System/SpringBoard.app/SpringBoard"), "SpringBoard");
  EXPECT_EQ(host::strings::length("é€𝄞"), 4u);
  EXPECT_THROW(host::strings::replacingCharactersInRange("abc", 2, 5, "x"),
               host::PlatformException);
}

TEST_F(ObjcBinding, PropertyListFilesAndPreferencesGoThroughFoundationAndWritesReplaceFilesWhole) {
  const auto root = std::filesystem::temp_directory_path() / "nimbrel-objc-files";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "var/mobile/Library/Preferences");
  setenv("NIMBREL_DEVICE_ROOT", root.c_str(), 1);
  host::PropertyListFiles& files = host::platform().files();
  const host::Dictionary written{{"lat", 48.8566},
                                 {"on", true},
                                 {"n", std::int64_t{-3}},
                                 {"name", "Zürich"},
                                 {"when", host::Date{1000000000}},
                                 {"bytes", host::Data{{1, 2, 3}}},
                                 {"no bytes", host::Data{}},
                                 {"list", host::Array{1, "a"}}};
  ASSERT_TRUE(files.writeToFile(written, "/var/mobile/Library/Preferences/d.plist", true));
  std::ifstream xml(root / "var/mobile/Library/Preferences/d.plist");
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(xml), {}).find("<plist"), std::string::npos);
  EXPECT_EQ(files.dictionaryWithContentsOfFile("/var/mobile/Library/Preferences/d.plist"), written);

  host::Preferences& preferences = host::platform().preferences();
  auto keys = preferences.copyKeyList("d");
  ASSERT_TRUE(keys);
  EXPECT_EQ(keys->size(), written.size());
  host::Array asked{"on", "missing"};
  EXPECT_EQ(preferences.copyMultiple(&asked, "d"), (host::Dictionary{{"on", true}}));
  EXPECT_EQ(preferences.copyKeyList("absent"), std::nullopt);

  std::ofstream(root / "garbage.plist") << "bplist00 this is not a list";
  EXPECT_EQ(files.dictionaryWithContentsOfFile("/garbage.plist"), std::nullopt);
  EXPECT_FALSE(files.writeToFile(written, "/no/such/folder/x.plist", true));

  // Written atomically, a file is replaced whole: a reader that opened it before reads the old
  // contents, never a half-written new file.
  std::ifstream opened(root / "var/mobile/Library/Preferences/d.plist");
  ASSERT_TRUE(files.writeToFile(host::Dictionary{{"on", false}},
                                "/var/mobile/Library/Preferences/d.plist", true));
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(opened), {}).find("Zürich"),
            std::string::npos);
  EXPECT_EQ(files.dictionaryWithContentsOfFile("/var/mobile/Library/Preferences/d.plist"),
            (host::Dictionary{{"on", false}}));
  unsetenv("NIMBREL_DEVICE_ROOT");
  std::filesystem::remove_all(root);
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
