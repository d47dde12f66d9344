// The one module-wide record every routine of the add-on reads and writes.
#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "host/platform.h"
#include "startup/settings.h"

namespace nimbrel {

// A value that is never destroyed, laid out as the value alone. The add-on's state lives as
// long as its process: at exit the shell is going down, and releasing its objects then could
// reach code already torn down.
template <class T>
union NeverDestroyed {
  constexpr NeverDestroyed() : value() {}
  ~NeverDestroyed() {}
  T value;
};

}  // namespace nimbrel

// The nine fields an outside observer can read, exported under their own names, each read
// as the value it holds.
namespace nimbrel::exported {
extern "C" {
extern NeverDestroyed<std::shared_ptr<host::WeatherBackground>> weatherView;
extern NeverDestroyed<std::shared_ptr<host::City>> city;
extern NeverDestroyed<std::shared_ptr<host::City>> backupCity;
extern NeverDestroyed<std::optional<host::Date>> lastUpdate;
extern NeverDestroyed<std::shared_ptr<host::WeatherBackground>> weatherBackground;
extern NeverDestroyed<std::shared_ptr<host::Timer>> randomTimer;
extern NeverDestroyed<std::shared_ptr<host::PlatterViewController>> wthrView;
extern NeverDestroyed<std::shared_ptr<host::TodayHeaderView>> weatherHeaderView;
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

// The implementations the hook engine replaced, each called by its replacement: one field per
// replaced row of host/methods.def, named as the row.
struct PreviousImplementations {
#define NIMBREL_REPLACED(row, Signature, cls, sign) host::methods::Signature::Imp row = nullptr;
#define NIMBREL_ADDED(row, Signature, cls, sign)
#include "host/methods.def"
};

using BackgroundList = std::vector<std::shared_ptr<host::WeatherBackground>>;

struct SharedState {
  // Every home-screen background made so far; none until the first is made.
  std::optional<BackgroundList> homeScreenViews;
  PreviousImplementations previous;
  Settings settings;
  bool screenLocked = false;
  ClassCache classes;

  std::shared_ptr<host::WeatherBackground>& weatherView = exported::weatherView.value;
  std::shared_ptr<host::City>& city = exported::city.value;
  std::shared_ptr<host::City>& backupCity = exported::backupCity.value;
  std::optional<host::Date>& lastUpdate = exported::lastUpdate.value;
  std::shared_ptr<host::WeatherBackground>& weatherBackground = exported::weatherBackground.value;
  std::shared_ptr<host::Timer>& randomTimer = exported::randomTimer.value;
  std::shared_ptr<host::PlatterViewController>& wthrView = exported::wthrView.value;
  std::shared_ptr<host::TodayHeaderView>& weatherHeaderView = exported::weatherHeaderView.value;
  bool& alertShown = exported::alertShown;
};

// The module's one record, never destroyed.
SharedState& state();

// Back to the values at load: every field zero, false or none. Tests call it between cases.
void resetState();

}  // namespace nimbrel
