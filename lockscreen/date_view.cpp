#include "lockscreen/date_view.h"

#include "lockscreen/header.h"
#include "state/backgrounds.h"
#include "state/city_resolution.h"
#include "state/random_weather.h"
#include "state/shared_state.h"
#include "state/view_terms.h"
#include "state/weather_refresh.h"

namespace nimbrel {

namespace {

// Older system versions lack some of the date view's methods and raise when sent them; a raise
// is swallowed so that the rest still runs.
template <class Message>
bool sendGuarded(Message&& message) {
  host::ExpectPlatformException expected;
  try {
    message();
    return true;
  } catch (const host::PlatformException&) {
    return false;
  }
}

std::shared_ptr<host::Label> timeLabelOf(host::DateView& dateView) {
  std::shared_ptr<host::Label> label;
  sendGuarded([&] { label = dateView.timeLabel(); });
  return label;
}

void hideTimeAndDate(host::DateView& dateView) {
  sendGuarded([&] {
    if (auto label = dateView.timeLabel()) label->setHidden(true);
  });
  if (!sendGuarded([&] { dateView.setSubtitleHidden(true); }))
    sendGuarded([&] { dateView.setDateHidden(true); });
}

// Adopts the first direct subview of exactly the background class (a subclass is someone
// else's view); otherwise the held background stays.
void findLockScreenBackground(const host::View& dateView) {
  SharedState& s = state();
  const host::Class* backgroundClass = s.classes.weatherBackground.get();
  for (const std::shared_ptr<host::View>& subview : dateView.subviews()) {
    if (subview && subview->isMemberOfClass(backgroundClass)) {
      s.weatherBackground = std::dynamic_pointer_cast<host::WeatherBackground>(subview);
      return;
    }
  }
}

void insertBehindDateView(const std::shared_ptr<host::DateView>& dateView) {
  const std::shared_ptr<host::WeatherBackground>& background = state().weatherBackground;
  if (background->isDescendantOfView(dateView.get())) return;
  dateView->addSubview(background);
  dateView->sendSubviewToBack(background);
  createHeaderController(dateView);
}

void finishAppearance(host::WeatherBackground& background, host::DateView& dateView) {
  const Settings& settings = state().settings;
  if (settings.hideWithTime) {
    if (auto label = timeLabelOf(dateView)) background.setAlpha(label->alpha());
  }
  if (settings.showOwnWallpaper || (!settings.enabled && settings.showTemperatureAndCondition))
    hideGradientLayer(background);
}

}  // namespace

std::shared_ptr<host::DateView> dateView(const host::Id& self, host::Selector selector) {
  SharedState& s = state();
  std::shared_ptr<host::DateView> view =
      s.previous.dateView ? s.previous.dateView(self, selector) : nullptr;
  const Settings& settings = s.settings;
  if (!view || !(settings.enabled || settings.showTemperatureAndCondition) || !s.screenLocked)
    return view;

  if (settings.hideTimeDate) hideTimeAndDate(*view);
  prepareRandomOrCustomWeather(self);
  if (!s.city && !resolveCity(true, self)) return view;

  findLockScreenBackground(*view);
  if (!s.weatherBackground) s.weatherBackground = makeScreenBackground();
  const std::shared_ptr<host::WeatherBackground> background = s.weatherBackground;
  // Without a background (a system without its class) there is nothing to insert or bind, and
  // no header controller either, whose view would lie alone in the date view; the weather is
  // still kept current for the home screen and the cache file.
  if (background) {
    insertBehindDateView(view);
    setCityIfAnswered(*background, settings.enabled ? s.city : nullptr, true);
  }
  if (refreshWeatherIfDue(self)) return view;

  if (background) pinToWindowOrigin(*background, *view);
  // Also without a background: the header is then placed as in one of width and height 0.
  if (settings.showTemperatureAndCondition && s.weatherHeaderView) layoutHeader();
  if (background) finishAppearance(*background, *view);
  return view;
}

}  // namespace nimbrel
