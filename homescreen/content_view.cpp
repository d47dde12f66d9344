#include "homescreen/content_view.h"

#include "homescreen/wallpaper_layout.h"
#include "state/backgrounds.h"
#include "state/city_resolution.h"
#include "state/shared_state.h"
#include "state/view_terms.h"

namespace nimbrel {

namespace {

// A new background, listed once so that updates, layouts and the lock find it.
std::shared_ptr<host::WeatherBackground> makeListedBackground() {
  std::shared_ptr<host::WeatherBackground> background = makeScreenBackground();
  if (!background) return nullptr;
  SharedState& s = state();
  if (!s.homeScreenViews) s.homeScreenViews.emplace();
  s.homeScreenViews->push_back(background);
  return background;
}

void removeGradientLayers() {
  for (const auto& background : *state().homeScreenViews)
    if (background) hideGradientLayer(*background);
}

}  // namespace

std::shared_ptr<host::View> contentView(const std::shared_ptr<host::View>& self,
                                        host::Selector selector) {
  SharedState& s = state();
  std::shared_ptr<host::View> content =
      s.previous.contentView ? s.previous.contentView(self, selector) : nullptr;
  if (!s.settings.homescreenBackground || s.screenLocked) return content;
  if (!s.city && !resolveCity(false, self)) return content;
  // Without a host view the background could never be inserted: making one anyway would list a
  // new, never shown background at every such call.
  const std::shared_ptr<host::View> hostView = content ? grandparentOf(*content) : nullptr;
  s.weatherView = hostView ? listedBackgroundInside(hostView.get()) : nullptr;
  if (!hostView) return content;

  const bool found = s.weatherView != nullptr;
  if (!found) s.weatherView = makeListedBackground();
  const std::shared_ptr<host::WeatherBackground> background = s.weatherView;
  if (!background) return content;

  bind(background);
  if (!found) hostView->addSubview(background);
  pinToWindowOrigin(*background, *hostView);
  hostView->bringSubviewToFront(background);
  if (s.settings.showOwnHomescreenWallpaper) removeGradientLayers();
  return content;
}

}  // namespace nimbrel
