// The binding's hook engine on GCC's Objective-C runtime, against the test shell: each hook
// row's outcome, the trampolines and the previous implementations they call, an added method on
// a real timer, and the weather completion handed to the interface thread.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/methods.h"
#include "objc/binding/blocks.h"
#include "objc/binding/bound.h"
#include "objc/binding/hooks.h"
#include "objc/runtime/exception.h"
#include "tests/objc/binding_test.h"
#include "tests/objc/completion_threads.h"

// GNUstep's hook for where NSLog's lines go.
extern "C" void (*_NSLog_printf_handler)(id line);

namespace {

using namespace nimbrel::objc;
using namespace nimbrel::objc::test;
namespace methods = host::methods;

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

// The completion block as the phone's blocks runtime reads it, by the block ABI's flags
// (Block_private.h): global, with a signature, and nothing else (no helpers, nothing to free,
// no reference count); its descriptor gives its size, then the compiler's signature for
// void (^)(id, id); its invoke function calls the handler.
TEST_F(ObjcBinding, TheCompletionBlockIsAGlobalBlockWithTheSignatureTheBlockABIReads) {
  enum : int { kHasCopyDispose = 1 << 25, kIsGlobal = 1 << 28, kHasSignature = 1 << 30 };
  struct Descriptor {
    unsigned long reserved, size;
  };
  struct Block {
    void* isa;
    int flags, reserved;
    void (*invoke)(Block*, id, id);
    const Descriptor* descriptor;
  };
  static int calls = 0;
  auto* block = reinterpret_cast<Block*>(
      completionBlock([](std::shared_ptr<host::City>, host::Id) { ++calls; }));
  EXPECT_EQ(block->flags, kIsGlobal | kHasSignature);
  EXPECT_EQ(block->descriptor->reserved, 0u);
  EXPECT_GE(block->descriptor->size, sizeof(Block));
  // As _Block_signature finds it: after the size, and after the helpers when flagged.
  const auto* signature = reinterpret_cast<const char* const*>(block->descriptor + 1) +
                          (block->flags & kHasCopyDispose ? 2 : 0);
  EXPECT_STREQ(block->flags & kHasSignature ? *signature : nullptr, "v24@?0@8@16");
  block->invoke(block, nullptr, nullptr);
  EXPECT_EQ(calls, 1);
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

}  // namespace
