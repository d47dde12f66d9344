// Timings of the shell's methods the add-on replaces: the shell's own implementation alone
// against the add-on's replacement in front of it, as the shell sends them.
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>

#include "host/methods.h"
#include "sim/process/process.h"
#include "startup/install_hooks.h"
#include "startup/load_settings.h"
#include "state/shared_state.h"

namespace {

namespace methods = host::methods;

// A shell process on a throw-away device, with the add-on's state zero before and after.
class BenchShell {
 public:
  explicit BenchShell(bool withAddon) {
    nimbrel::resetState();
    process_.emplace(device_);
    if (withAddon) nimbrel::installHooks();
  }
  ~BenchShell() {
    process_.reset();
    nimbrel::resetState();
  }

  sim::Process& process() { return *process_; }

  // Sets settings in the preferences domain and reads them, as the settings pane's
  // notification would.
  void setSetting(const std::string& key, host::Value value) {
    process_->preferences().set(nimbrel::kPreferencesDomain, key, std::move(value));
    nimbrel::loadSettings(nullptr, nullptr, nullptr, nullptr, nullptr);
  }

  // Lists backgrounds as the home screen makes them: all but the last elsewhere, the last in
  // the home-screen wallpaper's host view, so a look-up walks the whole list.
  void listBackgrounds(int count) {
    sim::WeatherBackgroundClassImpl* backgrounds = process_->weather().backgroundClass();
    nimbrel::BackgroundList listed;
    for (int i = 0; i < count; ++i) {
      auto background = backgrounds->makeWithFrame(host::makeRect(0, 0, 375, 667));
      const std::size_t wallpaper =
          i + 1 == count ? sim::Shell::homeScreenWallpaper : sim::Shell::lockScreenWallpaper;
      process_->shell().hostView(wallpaper)->addSubview(background);
      listed.push_back(background);
    }
    nimbrel::state().homeScreenViews = std::move(listed);
  }

 private:
  sim::TemporaryDevice device_;
  std::optional<sim::Process> process_;
};

// What a benchmark puts in front of the shell's method.
enum Setup : int64_t {
  originalOnly = 0,
  replacedLandscapeOff = 1,
  replacedLandscapeOn = 2,
};

void prepare(BenchShell& shell, int64_t setup, int backgrounds) {
  if (setup == replacedLandscapeOn) shell.setSetting("plusLandscape", true);
  if (setup != originalOnly) shell.listBackgrounds(backgrounds);
}

void labelFor(benchmark::State& state, int64_t setup) {
  static const char* labels[] = {"original only", "replaced, plusLandscape off",
                                 "replaced, plusLandscape on"};
  state.SetLabel(labels[setup]);
}

// -[SBFStaticWallpaperView layoutSubviews] of the home-screen wallpaper view, in landscape.
void BM_WallpaperViewLayoutSubviews(benchmark::State& state) {
  const int64_t setup = state.range(0);
  BenchShell shell(setup != originalOnly);
  shell.process().rotate(sim::Orientation::landscape);
  prepare(shell, setup, static_cast<int>(state.range(1)));
  std::shared_ptr<host::View> view = shell.process().shell().wallpaperView(0);
  sim::Runtime& runtime = shell.process().runtime();
  for (auto _ : state) runtime.send<methods::LayoutSubviews>(view);
  labelFor(state, setup);
}

// -[_SBWallpaperWindow layoutSubviews], after the wallpaper view tagged the background.
void BM_WallpaperWindowLayoutSubviews(benchmark::State& state) {
  const int64_t setup = state.range(0);
  BenchShell shell(setup != originalOnly);
  prepare(shell, setup, static_cast<int>(state.range(1)));
  shell.setSetting("homeScreenVerticalOffsetBackground", 50.0);
  shell.process().rotate(sim::Orientation::landscape);
  std::shared_ptr<host::View> window = shell.process().shell().wallpaperWindow();
  sim::Runtime& runtime = shell.process().runtime();
  for (auto _ : state) runtime.send<methods::LayoutSubviews>(window);
  labelFor(state, setup);
}

void layoutArguments(benchmark::internal::Benchmark* bench) {
  bench->ArgNames({"setup", "backgrounds"});
  bench->Args({originalOnly, 0});
  bench->Args({replacedLandscapeOff, 3});
  for (int backgrounds : {1, 3, 8}) bench->Args({replacedLandscapeOn, backgrounds});
}

BENCHMARK(BM_WallpaperViewLayoutSubviews)->Apply(layoutArguments);
BENCHMARK(BM_WallpaperWindowLayoutSubviews)->Apply(layoutArguments);

// +[SBFStaticWallpaperView _allowsParallax]: 0 the shell's own, 1 the replacement passing
// through, 2 the replacement answering NO itself (disableParallax).
void BM_AllowsParallax(benchmark::State& state) {
  const int64_t setup = state.range(0);
  BenchShell shell(setup != 0);
  if (setup == 2) shell.setSetting("disableParallax", true);
  host::Class& cls = *shell.process().runtime().getClass("SBFStaticWallpaperView");
  sim::Runtime& runtime = shell.process().runtime();
  for (auto _ : state) benchmark::DoNotOptimize(runtime.send<methods::AllowsParallax>(cls));
  static const char* labels[] = {"original only", "replaced, passes through",
                                 "replaced, disableParallax"};
  state.SetLabel(labels[setup]);
}
BENCHMARK(BM_AllowsParallax)->ArgName("setup")->Arg(0)->Arg(1)->Arg(2);

// -[SBLockScreenManager _finishUIUnlockFromSource:withOptions:]: 0 the shell's own, 1 the
// replacement with the default settings, 2 with random weather on unlock, a city and three
// listed backgrounds (a draw and a rebind at every unlock).
void BM_FinishUIUnlock(benchmark::State& state) {
  const int64_t setup = state.range(0);
  BenchShell shell(setup != 0);
  if (setup == 2) {
    shell.setSetting("randomWeather", true);
    shell.setSetting("randomWeatherUnLock", true);
    nimbrel::state().city = shell.process().factory().newCity();
    shell.listBackgrounds(3);
  }
  host::Id manager = shell.process().shell().lockScreenManager();
  sim::Runtime& runtime = shell.process().runtime();
  for (auto _ : state) runtime.send<methods::FinishUIUnlock>(manager, 1L, host::Id{});
  static const char* labels[] = {"original only", "replaced, default settings",
                                 "replaced, random weather on unlock"};
  state.SetLabel(labels[setup]);
}
BENCHMARK(BM_FinishUIUnlock)->ArgName("setup")->Arg(0)->Arg(1)->Arg(2);

// -[SBLockScreenDateViewController dateView] in steady state: locked, the background made and
// bound, the refresh not due. 0 the shell's own, 1 the replacement, 2 with the header, alpha
// following the clock and the time hidden.
void BM_DateView(benchmark::State& state) {
  const int64_t setup = state.range(0);
  BenchShell shell(setup != 0);
  if (setup == 2) {
    shell.setSetting("showTemperatureAndCondition", true);
    shell.setSetting("hideWithTime", true);
    shell.setSetting("hideTimeDate", true);
  }
  auto& weather = shell.process().weather();
  weather.preferences()->setLocalCity(weather.newCity(), sim::LocalCityAvailability::known);
  nimbrel::state().screenLocked = true;
  host::Id controller = shell.process().shell().dateViewController();
  sim::Runtime& runtime = shell.process().runtime();
  runtime.send<methods::DateView>(controller);
  shell.process().runLoop().advance(5);  // the first request completes, filling the header
  for (auto _ : state) benchmark::DoNotOptimize(runtime.send<methods::DateView>(controller));
  static const char* labels[] = {"original only", "replaced, steady state",
                                 "replaced, header, alpha and hidden time"};
  state.SetLabel(labels[setup]);
}
BENCHMARK(BM_DateView)->ArgName("setup")->Arg(0)->Arg(1)->Arg(2);

// -[SBFStaticWallpaperView contentView] of the home-screen wallpaper in steady state: the
// background found among `backgrounds` listed ones, rebound, pinned and brought to front.
void BM_ContentView(benchmark::State& state) {
  const int64_t setup = state.range(0);
  BenchShell shell(setup != 0);
  if (setup != 0) {
    shell.setSetting("homescreenBackground", true);
    shell.listBackgrounds(static_cast<int>(state.range(1)));
    nimbrel::state().city = shell.process().factory().newCity();
  }
  std::shared_ptr<host::View> view = shell.process().shell().wallpaperView(0);
  sim::Runtime& runtime = shell.process().runtime();
  for (auto _ : state) benchmark::DoNotOptimize(runtime.send<methods::ContentView>(view));
  state.SetLabel(setup == 0 ? "original only" : "replaced, steady state");
}
BENCHMARK(BM_ContentView)
    ->ArgNames({"setup", "backgrounds"})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({1, 8});

// -[WUIAsynchronousAssetLoader filenameForCondition:isDay:]: 0 the framework's own, 1 the
// replacement passing through, 2 rewriting the name for a Plus-sized native screen.
void BM_FilenameForCondition(benchmark::State& state) {
  const int64_t setup = state.range(0);
  BenchShell shell(setup != 0);
  if (setup == 2) shell.setSetting("reScaleCompatibility", true);
  std::shared_ptr<host::AssetLoader> loader = shell.process().weather().assetLoader();
  for (auto _ : state) benchmark::DoNotOptimize(loader->filenameForCondition(26, true));
  static const char* labels[] = {"original only", "replaced, passes through",
                                 "replaced, compatibility rewrite"};
  state.SetLabel(labels[setup]);
}
BENCHMARK(BM_FilenameForCondition)->ArgName("setup")->Arg(0)->Arg(1)->Arg(2);

// -[SBLockScreenDateViewController tickTock]: one draw and, when it has an asset, a rebind of
// the lock-screen background and `backgrounds` home-screen ones.
void BM_TickTock(benchmark::State& state) {
  BenchShell shell(true);
  nimbrel::state().city = shell.process().factory().newCity();
  nimbrel::state().weatherBackground =
      shell.process().weather().backgroundClass()->makeWithFrame(host::makeRect(0, 0, 375, 667));
  shell.listBackgrounds(static_cast<int>(state.range(0)));
  host::Id controller = shell.process().shell().dateViewController();
  sim::Runtime& runtime = shell.process().runtime();
  for (auto _ : state) runtime.sendVoid(controller, methods::TickTock::selector);
}
BENCHMARK(BM_TickTock)->ArgName("backgrounds")->Arg(0)->Arg(3);

}  // namespace
