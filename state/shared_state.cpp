#include "state/shared_state.h"

namespace nimbrel::exported {
extern "C" {
constinit NeverDestroyed<std::shared_ptr<host::WeatherBackground>> weatherView;
constinit NeverDestroyed<std::shared_ptr<host::City>> city;
constinit NeverDestroyed<std::shared_ptr<host::City>> backupCity;
constinit NeverDestroyed<std::optional<host::Date>> lastUpdate;
constinit NeverDestroyed<std::shared_ptr<host::WeatherBackground>> weatherBackground;
constinit NeverDestroyed<std::shared_ptr<host::Timer>> randomTimer;
constinit NeverDestroyed<std::shared_ptr<host::PlatterViewController>> wthrView;
constinit NeverDestroyed<std::shared_ptr<host::TodayHeaderView>> weatherHeaderView;
bool alertShown = false;
}
}  // namespace nimbrel::exported

namespace nimbrel {

namespace {
// Constant-initialised, so the module initialiser, which may run before any dynamic
// initialiser of this library, finds it ready and no later initialiser wipes what it wrote.
constinit NeverDestroyed<SharedState> theState;
}  // namespace

SharedState& state() { return theState.value; }

void resetState() {
  SharedState& s = theState.value;
  s.homeScreenViews.reset();
  s.previous = {};
  s.settings = {};
  s.screenLocked = false;
  s.classes = {};
  s.weatherView.reset();
  s.city.reset();
  s.backupCity.reset();
  s.lastUpdate.reset();
  s.weatherBackground.reset();
  s.randomTimer.reset();
  s.wthrView.reset();
  s.weatherHeaderView.reset();
  s.alertShown = false;
}

}  // namespace nimbrel
