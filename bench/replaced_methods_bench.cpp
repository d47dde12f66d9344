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

}  // namespace
