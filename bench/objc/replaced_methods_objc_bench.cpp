// The replaced methods on the real runtime: each message sent to the test shell with its
// own implementation alone, then with the add-on in front of it through the binding, in one
// run. The process is named SpringBoard, so installHooks installs as in the shell.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>

#include "objc/binding/registry.h"
#include "objc/runtime/foundation.h"
#include "objc/runtime/message.h"
#include "objc/seam/stand_ins.h"
#include "objc/test_shell/test_shell.h"
#include "startup/install_hooks.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

// Every heap allocation in the process is counted, the add-on's and the binding's alike.
// (GCC takes the replacement pair below for a mismatch.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace nimbrel::objc;

TSShell shell;
bool addonInstalled = false;

// A locked phone with the background made and its weather fresh: the steady state.
void bootOnce() {
  static bool booted = false;
  if (booted) return;
  booted = true;
  const auto root = std::filesystem::temp_directory_path() / "nimbrel-objc-bench";
  std::filesystem::create_directories(root / "User/Library/Preferences");
  std::filesystem::create_directories(
      root / "Library/Application Support/Nimbrel/nimbrelResources.bundle");
  std::ofstream(root / "User/Library/Preferences/be.quorvane.nimbrel.plist")
      << "<plist version=\"1.0\"><dict><key>enabled</key><true/>"
         "<key>homescreenBackground</key><true/><key>showTemperatureAndCondition</key><true/>"
         "<key>updateInterval</key><integer>100000</integer></dict></plist>";
  setenv("NIMBREL_DEVICE_ROOT", root.c_str(), 1);
  TSBoot(&shell, 375, 667, 2, NO);
}

void installAddon() {
  if (addonInstalled) return;
  addonInstalled = true;
  PoolScope pool;
  nimbrel::installHooks();
  nimbrel_darwin_post("com.apple.springboard.lockcomplete");
  send<id>(shell.dateViewController, sel<"dateView">());
  TSRunLoop(0.05);
}

// Every call timed, in every run of every benchmark, for scripts/instructions-objc, which
// counts instructions inside timedCalls only.
long callsTimed = 0;

template <class Send>
[[gnu::noinline]] void timedCalls(benchmark::State& state, Send& message) {
  for (auto _ : state) {
    PoolScope perCall;
    message();
  }
  callsTimed += static_cast<long>(state.iterations());
}

template <class Send>
void runMessage(benchmark::State& state, bool withAddon, Send&& message) {
  static const bool reportAtExit = [] {
    return std::atexit([] { std::fprintf(stderr, "calls timed: %ld\n", callsTimed); }) == 0;
  }();
  (void)reportAtExit;
  bootOnce();
  if (withAddon) installAddon();
  PoolScope pool;
  message();  // settles what a first call makes
  const long allocationsBefore = allocations.load();
  const std::size_t madeBefore = hostObjectsMade();
  timedCalls(state, message);
  const double calls = static_cast<double>(state.iterations());
  state.counters["allocs/call"] =
      static_cast<double>(allocations.load() - allocationsBefore) / calls;
  state.counters["hostObjects/call"] = static_cast<double>(hostObjectsMade() - madeBefore) / calls;
}

id wallpaperClass() { return cls<"SBFStaticWallpaperView">(); }
id assetLoader() {
  return send<id>(cls<"WUIAsynchronousAssetLoader">(), sel<"sharedAssetLoader">());
}

// Each sent as the shell sends it: a plain message, with no guard of the binding's around it.
#define NIMBREL_MESSAGES(X)                                                                       \
  X(DateView, sendUnguarded<id>(shell.dateViewController, sel<"dateView">()))                     \
  X(ContentView, sendUnguarded<id>(shell.wallpaperView, sel<"contentView">()))                    \
  X(WallpaperViewLayoutSubviews,                                                                  \
    sendUnguarded<void>(shell.wallpaperView, sel<"layoutSubviews">()))                            \
  X(WallpaperWindowLayoutSubviews, sendUnguarded<void>(shell.window, sel<"layoutSubviews">()))    \
  X(AllowsParallax, sendUnguarded<BOOL>(wallpaperClass(), sel<"_allowsParallax">()))              \
  X(FinishUIUnlock,                                                                               \
    sendUnguarded<void>(shell.lockScreenManager, sel<"_finishUIUnlockFromSource:withOptions:">(), \
                        1, nullptr))                                                              \
  X(FilenameForCondition,                                                                         \
    sendUnguarded<id>(assetLoader(), sel<"filenameForCondition:isDay:">(), 12l, BOOL(YES)))

// The shell's implementations alone are registered first: the hooks cannot be taken out.
#define NIMBREL_ALONE(name, expression)           \
  void BM_Alone_##name(benchmark::State& state) { \
    runMessage(state, false, [] { expression; }); \
  }                                               \
  BENCHMARK(BM_Alone_##name);
#define NIMBREL_WITH_ADDON(name, expression)      \
  void BM_Addon_##name(benchmark::State& state) { \
    runMessage(state, true, [] { expression; });  \
  }                                               \
  BENCHMARK(BM_Addon_##name);

NIMBREL_MESSAGES(NIMBREL_ALONE)
NIMBREL_MESSAGES(NIMBREL_WITH_ADDON)

// The added method, as the random-weather timer sends it.
void BM_Addon_TickTock(benchmark::State& state) {
  runMessage(state, true, [] { sendUnguarded<void>(shell.dateViewController, sel<"tickTock">()); });
}
BENCHMARK(BM_Addon_TickTock);

}  // namespace
