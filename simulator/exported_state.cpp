// The exported state symbols, found by name.
#include "simulator/exported_state.h"

namespace nimsim {
namespace {

template <class T>
T* symbol(const std::function<void*(const char*)>& lookUp, const char* name,
          std::vector<std::string>& missing) {
  void* found = lookUp ? lookUp(name) : nullptr;
  if (!found) missing.push_back(name);
  return static_cast<T*>(found);
}

}  // namespace

ExportedState readExportedState(const std::function<void*(const char*)>& handle) {
  ExportedState s;
  using host::City;
  using host::WeatherBackground;
  s.weatherView = symbol<std::shared_ptr<WeatherBackground>>(handle, "weatherView", s.missing);
  s.city = symbol<std::shared_ptr<City>>(handle, "city", s.missing);
  s.backupCity = symbol<std::shared_ptr<City>>(handle, "backupCity", s.missing);
  s.lastUpdate = symbol<std::optional<host::Date>>(handle, "lastUpdate", s.missing);
  s.weatherBackground =
      symbol<std::shared_ptr<WeatherBackground>>(handle, "weatherBackground", s.missing);
  s.randomTimer = symbol<std::shared_ptr<host::Timer>>(handle, "randomTimer", s.missing);
  s.wthrView = symbol<std::shared_ptr<host::PlatterViewController>>(handle, "wthrView", s.missing);
  s.weatherHeaderView =
      symbol<std::shared_ptr<host::TodayHeaderView>>(handle, "weatherHeaderView", s.missing);
  s.alertShown = symbol<bool>(handle, "alertShown", s.missing);
  return s;
}

}  // namespace nimsim
