// The one module-wide record every routine of the add-on reads and writes.
#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "host/platform.h"
#include "startup/settings.h"

// The nine fields an outside observer can read, exported under their own names.
namespace nimbrel::exported {
extern "C" {
extern std::shared_ptr<host::WeatherBackground> weatherView;
extern std::shared_ptr<host::City> city;
extern std::shared_ptr<host::City> backupCity;
extern std::optional<host::Date> lastUpdate;
extern std::shared_ptr<host::WeatherBackground> weatherBackground;
extern std::shared_ptr<host::Timer> randomTimer;
extern std::shared_ptr<host::PlatterViewController> wthrView;
extern std::shared_ptr<host::TodayHeaderView> weatherHeaderView;
extern bool alertShown;
}
}  // namespace nimbrel::exported

namespace nimbrel {

// A class looked up by name the first time a routine needs it, then kept.
template <class TypedClass>
class CachedClass {
 public:
  explicit constexpr CachedClass(std::string_view name) : name_(name) {}
  TypedClass* get() {
    if (!cls_) cls_ = host::lookUpClass<TypedClass>(name_);
    return cls_;
  }
  void reset() { cls_ = nullptr; }

 private:
  std::string_view name_;
  TypedClass* cls_ = nullptr;
};

struct ClassCache {
  CachedClass<host::AssetLoaderClass> assetLoader{"WUIAsynchronousAssetLoader"};
  CachedClass<host::WeatherPreferencesClass> weatherPreferences{"WeatherPreferences"};
  CachedClass<host::WeatherBackgroundClass> weatherBackground{"WUIDynamicWeatherBackground"};
  CachedClass<host::PlatterViewControllerClass> platterViewController{
      "WAWeatherPlatterViewController"};
  CachedClass<host::LocationUpdaterClass> locationUpdater{"TWCLocationUpdater"};
  CachedClass<host::Class> label{"UILabel"};
  CachedClass<host::ImageLoaderClass> imageLoader{"WeatherImageLoader"};
};

// The implementations the hook engine replaced, each called by its replacement.
struct PreviousImplementations {
  host::methods::FilenameForCondition::Imp filenameForCondition = nullptr;
  host::methods::DateView::Imp dateView = nullptr;
  host::methods::ContentView::Imp contentView = nullptr;
  host::methods::LayoutSubviews::Imp wallpaperViewLayoutSubviews = nullptr;
  host::methods::AllowsParallax::Imp allowsParallax = nullptr;
  host::methods::LayoutSubviews::Imp wallpaperWindowLayoutSubviews = nullptr;
  host::methods::FinishUIUnlock::Imp finishUIUnlock = nullptr;
};

using BackgroundList = std::vector<std::shared_ptr<host::WeatherBackground>>;

struct SharedState {
  // Every home-screen background made so far; none until the first is made.
  std::optional<BackgroundList> homeScreenViews;
  PreviousImplementations previous;
  Settings settings;
  bool screenLocked = false;
  ClassCache classes;

  std::shared_ptr<host::WeatherBackground>& weatherView = exported::weatherView;
  std::shared_ptr<host::City>& city = exported::city;
  std::shared_ptr<host::City>& backupCity = exported::backupCity;
  std::optional<host::Date>& lastUpdate = exported::lastUpdate;
  std::shared_ptr<host::WeatherBackground>& weatherBackground = exported::weatherBackground;
  std::shared_ptr<host::Timer>& randomTimer = exported::randomTimer;
  std::shared_ptr<host::PlatterViewController>& wthrView = exported::wthrView;
  std::shared_ptr<host::TodayHeaderView>& weatherHeaderView = exported::weatherHeaderView;
  bool& alertShown = exported::alertShown;
};

// The module's one record.
SharedState& state();

// Back to the values at load: every field zero, false or none. Tests call it between cases.
void resetState();

}  // namespace nimbrel
