// In steady state a replaced method reads no file, makes no view or timer, and allocates
// nothing in the add-on's own code. Allocations are attributed by the first caller outside the
// C and C++ runtimes, so the platform's own work (a record line, a copied subview list) is not
// counted against the add-on.
#include <dlfcn.h>
#include <execinfo.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>

#include "host/methods.h"
#include "sim/process/process.h"

namespace {

std::atomic<bool> counting{false};
thread_local bool inHook = false;
long addonAllocations = 0;

bool isRuntimeLibrary(const char* path) {
  return std::strstr(path, "libstdc++") || std::strstr(path, "libc.so") ||
         std::strstr(path, "libc++") || std::strstr(path, "libasan") ||
         std::strstr(path, "libubsan") || std::strstr(path, "libgcc");
}

// Whether the first frame above operator new that is not the runtime's own lies in the add-on.
bool calledFromAddon() {
  void* frames[24];
  const int depth = backtrace(frames, 24);
  bool aboveOperatorNew = false;
  for (int i = 0; i < depth; ++i) {
    Dl_info info{};
    if (!dladdr(frames[i], &info) || !info.dli_fname) return false;
    if (!aboveOperatorNew) {
      aboveOperatorNew = info.dli_sname && std::strcmp(info.dli_sname, "_Znwm") == 0;
      continue;
    }
    if (std::strstr(info.dli_fname, "DynamicLibraries/Nimbrel")) return true;
    if (!isRuntimeLibrary(info.dli_fname)) return false;
  }
  return false;
}

void noteAllocation() {
  if (!counting.load(std::memory_order_relaxed) || inHook) return;
  inHook = true;
  if (calledFromAddon()) ++addonAllocations;
  inHook = false;
}

}  // namespace

void* operator new(std::size_t size) {
  noteAllocation();
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  throw std::bad_alloc();
}
// The pair above allocates with malloc, so free is the matching release; gcc cannot see that
// through the replacement.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#pragma GCC diagnostic pop

namespace {

namespace methods = host::methods;

class SteadyState : public ::testing::Test {
 protected:
  SteadyState() {
    device_.installAddons(NIMBREL_STAGED_ADDONS);
    void* warm[2];
    backtrace(warm, 2);  // its first call loads the unwinder, which allocates
  }

  sim::Process& launch(const host::Dictionary& settings) {
    process_.reset();
    process_ = std::make_unique<sim::Process>(device_);
    process_->preferences().setDomain("be.quorvane.nimbrel", settings);
    process_->loadAddons();
    auto& weather = process_->weather();
    sim::CityData local;
    local.name = "Cupertino";
    local.location = host::Coordinate{37.33, -122.03};
    weather.preferences()->setLocalCity(weather.newCity(local), sim::LocalCityAvailability::known);
    return *process_;
  }

  // Runs the call a few times to reach steady state, then once more while counting.
  void expectSteady(const char* what, const std::function<void()>& call) {
    for (int i = 0; i < 3; ++i) call();
    sim::Record& record = process_->record();
    record.clear();
    const sim::LiveObjects before = sim::liveObjects();
    addonAllocations = 0;
    counting = true;
    call();
    counting = false;
    EXPECT_EQ(addonAllocations, 0) << what;
    EXPECT_EQ(sim::liveObjects().views, before.views) << what;
    EXPECT_EQ(sim::liveObjects().timers, before.timers) << what;
    EXPECT_TRUE(record.textsIn("file").empty()) << what;
    for (const auto& line : record.textsIn("view"))
      EXPECT_NE(line.rfind("made ", 0), 0u) << what << ": " << line;
  }

  void lockAndLetTheWeatherArrive() {
    process_->darwinNotifyCenter().post("com.apple.springboard.lockcomplete");
    process_->setDisplay(true);
    process_->runLoop().runUntilIdle();
    process_->shell().requestDateView();
    process_->runLoop().advance(5);
  }

  sim::TemporaryDevice device_;
  std::unique_ptr<sim::Process> process_;
};

TEST_F(SteadyState, TheLockScreenDateViewAllocatesNothingOfItsOwn) {
  launch({{"showTemperatureAndCondition", true},
          {"hideWithTime", true},
          {"hideTimeDate", true},
          {"updateInterval", 3600}});
  lockAndLetTheWeatherArrive();
  expectSteady("-dateView", [&] { process_->shell().requestDateView(); });
}

TEST_F(SteadyState, TheRandomTimerTickAllocatesNothingOfItsOwn) {
  launch({{"randomWeather", true}, {"updateInterval", 3600}});
  lockAndLetTheWeatherArrive();
  host::Id controller = process_->shell().dateViewController();
  expectSteady("-tickTock",
               [&] { process_->runtime().sendVoid(controller, methods::TickTock::selector); });
}

TEST_F(SteadyState, TheHomeScreenMethodsAllocateNothingOfTheirOwn) {
  launch({{"homescreenBackground", true},
          {"plusLandscape", true},
          {"showOwnHomescreenWallpaper", true},
          {"homeScreenVerticalOffsetBackground", 20.0}});
  process_->shell().requestContentView(sim::Shell::homeScreenWallpaper);
  process_->rotate(sim::Orientation::landscape);
  sim::Shell& shell = process_->shell();
  expectSteady("-contentView", [&] { shell.requestContentView(sim::Shell::homeScreenWallpaper); });
  expectSteady("-layoutSubviews", [&] { shell.layoutWallpaper(); });
  expectSteady("+_allowsParallax", [&] { shell.askAllowsParallax(); });
}

TEST_F(SteadyState, UnlockAndAssetNamesAllocateNothingOfTheirOwn) {
  launch({});
  std::shared_ptr<host::AssetLoader> loader = process_->weather().assetLoader();
  expectSteady("-filenameForCondition:isDay:", [&] { loader->filenameForCondition(26, true); });
  expectSteady("-_finishUIUnlockFromSource:withOptions:",
               [&] { process_->shell().finishUnlock(1, nullptr); });
}

TEST_F(SteadyState, TheCounterSeesAnAllocationMadeByTheAddOn) {
  // Filling the header collects the hourly temperatures: an allocation of the add-on's own.
  launch({{"showTemperatureAndCondition", true}});
  process_->darwinNotifyCenter().post("com.apple.springboard.lockcomplete");
  process_->runLoop().runUntilIdle();
  process_->shell().requestDateView();
  addonAllocations = 0;
  counting = true;
  process_->runLoop().advance(5);
  counting = false;
  EXPECT_GT(addonAllocations, 0);
}

}  // namespace
