// Calls from the platform on threads other than the interface thread: the asset loader asks
// for artwork names on a queue of its own, and the Weather framework completes on one. Run
// under ThreadSanitizer by the test command, where any race between threads fails the test.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "host/object.h"
#include "objc/binding/registry.h"
#include "objc/runtime/exceptions_shim.h"
#include "objc/runtime/foundation.h"
#include "tests/objc/shell_process.h"

namespace {

using nimbrel::objc::borrow;
using nimbrel::objc::CallScope;
using shell_process::classNamed;
using shell_process::msg;
using shell_process::Pool;
using shell_process::text;

constexpr int kWorkers = 4;
constexpr long kConditions = 48;

unsigned long retainCount(id object) { return msg<unsigned long>(object, "retainCount"); }

// Runs `work` on a thread of its own, with the autorelease pool a platform thread has.
std::thread onThread(std::function<void()> work) {
  return std::thread([work = std::move(work)] {
    Pool pool;
    work();
  });
}

std::string assetName(id loader, long condition, bool isDay) {
  Pool pool;
  return text(msg(loader, "filenameForCondition:isDay:", condition, BOOL(isDay)));
}

using AddonOnThreads = shell_process::ShellProcess;

// Every answer from the loader's own threads is the one the interface thread got, while the
// interface thread locks, wakes and unlocks through the replaced methods, and the Weather
// framework completes on a second thread. Fresh loaders made and let go on every thread keep
// the binding's table growing and sweeping under the calls in progress.
TEST_F(AddonOnThreads, ReplacedMethodsAnswerOnAnyThreadAsOnTheInterfaceThread) {
  writeSettings(
      "<key>enabled</key><true/><key>reScaleCompatibility</key><true/>"
      "<key>useLocalCity</key><true/><key>updateInterval</key><integer>1</integer>");
  TSSetScreenNativeSize(828, 1792);
  TSSetUpdatesCompleteOnSecondThread(YES);
  load();
  // Read afresh: in one process the library loads once, maybe with an earlier test's settings.
  nimbrel_darwin_post("be.quorvane.nimbrel/preferences.changed");
  Pool pool;
  id loader = msg(classNamed("WUIAsynchronousAssetLoader"), "sharedAssetLoader");
  id wallpaperClass = classNamed("SBFStaticWallpaperView");
  std::vector<std::string> expected;
  for (long condition = 0; condition < kConditions; ++condition)
    for (bool isDay : {false, true}) expected.push_back(assetName(loader, condition, isDay));
  // The add-on's rewrite is in the answers, not just the shell's own names.
  ASSERT_EQ(expected[2 * 11 + 1], "Condition11896h");
  const BOOL allowsParallax = msg<BOOL>(wallpaperClass, "_allowsParallax");

  std::atomic<bool> done{false};
  std::atomic<long> asked{0};
  std::atomic<long> wrong{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w)
    workers.push_back(onThread([&, w] {
      for (int round = 0; round < 12 || !done; ++round) {
        id fresh = msg(msg(classNamed("WUIAsynchronousAssetLoader"), "alloc"), "init");
        for (long condition = w; condition < kConditions; condition += kWorkers)
          for (bool isDay : {false, true}) {
            const std::string& answer = expected[2 * condition + isDay];
            wrong += assetName(loader, condition, isDay) != answer;
            wrong += assetName(fresh, condition, isDay) != answer;
            wrong += msg<BOOL>(wallpaperClass, "_allowsParallax") != allowsParallax;
            asked += 3;
          }
        msg<void>(fresh, "release");
      }
    }));
  for (int cycle = 0; cycle < 30; ++cycle) {
    Pool turn;
    lock();
    wake();
    setDisplay(false);
    wake();
    unlock();
    TSRunLoop(0);
  }
  done = true;
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_GE(asked, kWorkers * 12 * (kConditions / kWorkers) * 2 * 3);
  // The interface thread's own answers did not change meanwhile.
  EXPECT_EQ(assetName(loader, 11, true), expected[2 * 11 + 1]);
}

// Reloads on the interface thread write the settings the loader's queue and the wallpaper
// class read meanwhile: each answer is the one of the settings before or after a reload.
TEST_F(AddonOnThreads, ReloadsWhileOtherThreadsReadTheSettingsGiveTheirAnswersOldOrNew) {
  const std::string rescaled =
      "<key>reScaleCompatibility</key><true/><key>disableParallax</key><true/>";
  const auto reload = [&](const std::string& settings) {
    writeSettings(settings);
    nimbrel_darwin_post("be.quorvane.nimbrel/preferences.changed");
  };
  TSSetScreenNativeSize(828, 1792);
  load();
  reload(rescaled);
  Pool pool;
  id loader = msg(classNamed("WUIAsynchronousAssetLoader"), "sharedAssetLoader");
  const std::string tagged = assetName(loader, 11, true);
  reload("");
  const std::string plain = assetName(loader, 11, true);
  ASSERT_NE(tagged, plain);

  std::atomic<bool> done{false};
  std::atomic<long> neither{0};
  std::latch asking(kWorkers);
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w)
    workers.push_back(onThread([&] {
      asking.count_down();
      while (!done) {
        const std::string name = assetName(loader, 11, true);
        neither += name != tagged && name != plain;
        msg<BOOL>(classNamed("SBFStaticWallpaperView"), "_allowsParallax");
      }
    }));
  asking.wait();
  for (int turn = 0; turn < 40; ++turn) reload(turn % 2 ? "" : rescaled);
  done = true;
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(neither, 0);
}

// One Objective-C object met by calls on two threads at once is one host object. It is
// borrowed by both and retained only once the second thread keeps it past its call, whichever
// call ends first; the retain goes with the last holder.
TEST(BindingOnThreads, AnObjectBorrowedOnTwoThreadsIsOneHostObjectRetainedOnlyWhenKept) {
  Pool pool;
  id object = msg(classNamed("NSObject"), "new");
  for (const bool interfaceEndsFirst : {true, false}) {
    SCOPED_TRACE(interfaceEndsFirst ? "the interface thread's call ends first"
                                    : "the second thread's call ends first");
    std::shared_ptr<host::Object> kept;
    std::latch borrowedThere(1), mayEndThere(1), endedThere(1);
    std::thread there = onThread([&] {
      {
        CallScope call;
        kept = borrow(object);
        borrowedThere.count_down();
        mayEndThere.wait();
      }
      endedThere.count_down();
    });
    {
      CallScope call;
      borrowedThere.wait();
      std::shared_ptr<host::Object> here = borrow(object);
      EXPECT_EQ(here, kept);
      EXPECT_EQ(retainCount(object), 1u);
      if (!interfaceEndsFirst) {
        mayEndThere.count_down();
        endedThere.wait();
      }
    }
    if (interfaceEndsFirst) mayEndThere.count_down();
    endedThere.wait();
    there.join();
    EXPECT_EQ(retainCount(object), 2u);
    kept.reset();
    EXPECT_EQ(retainCount(object), 1u);
  }
  msg<void>(object, "release");
}

// A step of the add-on that expects the platform to raise is its thread's alone: on another
// thread a raise meanwhile unwinds as itself, and a nested call there expects nothing.
TEST(BindingOnThreads, AStepThatExpectsARaiseGuardsOnlyItsOwnThreadsMessages) {
  Pool pool;
  nimbrel::objc::Owned name = nimbrel::objc::makeString("Raised");
  id raised = msg(classNamed("NSException"), "exceptionWithName:reason:userInfo:", name.get(),
                  nullptr, nullptr);
  const auto raise = [](void* exception) {
    nimbrel::objc::send<void>(static_cast<id>(exception), sel_registerName("raise"));
  };
  // What a raise inside `nimbrel_objc_try` became on this thread: caught by the add-on as a
  // platform exception (guarded), or reaching the shim as the NSException itself.
  const auto raiseHere = [&] {
    try {
      nimbrel::objc::Owned reached(nimbrel_objc_try(raise, raised));
      return reached.get() == raised ? std::string("itself") : "other";
    } catch (const host::PlatformException& e) {
      return "caught " + e.name();
    }
  };
  std::latch stepOpen(1), checked(1);
  std::string inStep, inNestedCall;
  std::thread there = onThread([&] {
    host::ExpectPlatformException step;
    inStep = raiseHere();
    {
      CallScope nested;
      inNestedCall = raiseHere();
    }
    stepOpen.count_down();
    checked.wait();
  });
  stepOpen.wait();
  const std::string here = raiseHere();
  checked.count_down();
  there.join();
  EXPECT_EQ(inStep, "caught Raised");
  EXPECT_EQ(inNestedCall, "itself");
  EXPECT_EQ(here, "itself");
}

}  // namespace
