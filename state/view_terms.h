// The few things every subsystem does to the views and timer it holds, named once.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "state/shared_state.h"

namespace nimbrel {

// Removes a view from its parent; the field holding it keeps it.
inline void detach(const std::shared_ptr<host::View>& view) {
  if (view) view->removeFromSuperview();
}

// Whether the object answers the selector: asked first of a selector that some system may lack
// (no SDK's stubs list WeatherUI's or UIScreen's private methods), where going without it is
// better than the raise of sending it anyway.
inline bool responds(const host::Object& object, std::string_view selector) {
  return host::platform().runtime().respondsToSelector(object, host::Selector{selector});
}

// Binds a background to the city, or to none; one that cannot be bound is left drawing what it
// drew.
inline void setCityIfAnswered(host::WeatherBackground& background,
                              const std::shared_ptr<host::City>& city, bool animate) {
  if (responds(background, "setCity:animate:")) background.setCity(city, animate);
}

// Points a background at the shared city, animated.
inline void bind(const std::shared_ptr<host::WeatherBackground>& background) {
  if (background) setCityIfAnswered(*background, state().city, true);
}

// Leaves a background with no city to draw.
inline void unbind(const std::shared_ptr<host::WeatherBackground>& background) {
  if (background) setCityIfAnswered(*background, nullptr, false);
}

// Turns a background's gradient off, where it has one to turn off.
inline void hideGradientLayer(host::WeatherBackground& background) {
  if (responds(background, "setGradientLayer:")) background.setGradientLayer(false);
}

// The size of the main screen's _nativeDisplayBounds, in pixels; none on a screen without it,
// where the compatibility mode's rescaling, which needs it, is left out.
inline std::optional<host::Size> nativeDisplaySize(const host::Screen& screen) {
  if (!responds(screen, "_nativeDisplayBounds")) return std::nullopt;
  return screen.nativeDisplayBounds().size;
}

inline void bindHomeScreenViews() {
  if (!state().homeScreenViews) return;
  for (const auto& background : *state().homeScreenViews) bind(background);
}

// The layer system raises on geometry that is not finite, and a raise here would bring the shell
// down; a setting such as an offset of 1e308 or a zero-sized wallpaper must not do that, so such
// geometry is left unapplied.
inline void setFrameIfFinite(host::View& view, const host::Rect& frame) {
  if (host::isFinite(frame)) view.setFrame(frame);
}
inline bool setTransformIfFinite(host::View& view, const host::AffineTransform& transform) {
  if (!host::isFinite(transform)) return false;
  view.setTransform(transform);
  return true;
}

// Puts a background's top-left corner at the window's origin, wherever the view it lies in
// sits; its size is kept.
inline void pinToWindowOrigin(host::View& background, const host::View& container) {
  const host::Size size = background.frame().size;
  const host::Point origin = container.convertPointToView({0, 0}, nullptr);
  setFrameIfFinite(background, host::makeRect(-origin.x, -origin.y, size.width, size.height));
}

inline void stopRandomTimer() {
  if (state().randomTimer) state().randomTimer->invalidate();
  state().randomTimer.reset();
}

}  // namespace nimbrel
