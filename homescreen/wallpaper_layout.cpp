#include "homescreen/wallpaper_layout.h"

#include "state/shared_state.h"
#include "state/view_terms.h"

namespace nimbrel {

namespace {

constexpr long kPortraitTag = 0;
constexpr long kLandscapeTag = 1;

// With the compatibility mode, backgrounds are made at half the native size; these factors
// bring them back to the screen's points.
host::Size compatibilityScale() {
  if (!state().settings.reScaleCompatibility) return {1, 1};
  host::Screen& screen = host::platform().mainScreen();
  const std::optional<host::Size> nativeSize = nativeDisplaySize(screen);
  if (!nativeSize) return {1, 1};
  const host::Size native = *nativeSize;
  const host::Size points = screen.bounds().size;
  const bool tall = points.height > points.width;
  const double shorter = tall ? points.width : points.height;
  const double longer = tall ? points.height : points.width;
  if (native.height * 0.5 == longer) return {1, 1};
  return {shorter / (native.width * 0.5), longer / (native.height * 0.5)};
}

}  // namespace

std::shared_ptr<host::View> grandparentOf(const host::View& view) {
  std::shared_ptr<host::View> parent = view.superview();
  return parent ? parent->superview() : nullptr;
}

std::shared_ptr<host::WeatherBackground> listedBackgroundInside(const host::View* container) {
  if (!state().homeScreenViews) return nullptr;
  for (const auto& background : *state().homeScreenViews)
    if (background && background->isDescendantOfView(container)) return background;
  return nullptr;
}

void wallpaperViewLayoutSubviews(const std::shared_ptr<host::View>& self, host::Selector selector) {
  SharedState& s = state();
  if (s.previous.wallpaperViewLayoutSubviews)
    s.previous.wallpaperViewLayoutSubviews(self, selector);
  if (!s.settings.plusLandscape) return;
  // Cleared and searched anew on every pass: none when no listed background is inside.
  s.weatherView = listedBackgroundInside(self ? grandparentOf(*self).get() : nullptr);
  if (!s.weatherView) return;

  const host::Size wallpaper = self->frame().size;
  const host::Size scale = compatibilityScale();
  const bool portrait = wallpaper.height > wallpaper.width;
  const double ratio = portrait ? 1.0 : wallpaper.width / wallpaper.height;
  const auto transform =
      host::AffineTransform::makeScale(ratio * scale.width, ratio * scale.height);
  if (setTransformIfFinite(*s.weatherView, transform))
    s.weatherView->setTag(portrait ? kPortraitTag : kLandscapeTag);
}

void wallpaperWindowLayoutSubviews(const std::shared_ptr<host::View>& self,
                                   host::Selector selector) {
  SharedState& s = state();
  if (s.previous.wallpaperWindowLayoutSubviews)
    s.previous.wallpaperWindowLayoutSubviews(self, selector);
  if (!s.settings.plusLandscape) return;
  s.weatherView = listedBackgroundInside(self.get());
  if (!s.weatherView) return;

  const host::Size size = s.weatherView->frame().size;
  const std::shared_ptr<host::View> anchor = grandparentOf(*self);
  const host::Point origin = anchor ? anchor->convertPointToView({0, 0}, nullptr) : host::Point{};
  double y = -origin.y;
  if (s.weatherView->tag() == kLandscapeTag)
    y += s.settings.homeScreenVerticalOffsetBackground * (size.height - size.width) / -100;
  setFrameIfFinite(*s.weatherView, host::makeRect(-origin.x, y, size.width, size.height));
}

bool allowsParallax(host::Class& self, host::Selector selector) {
  SharedState& s = state();
  if (s.settings.disableParallax) return false;
  return s.previous.allowsParallax ? s.previous.allowsParallax(self, selector) : false;
}

}  // namespace nimbrel
