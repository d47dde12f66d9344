#include "state/backgrounds.h"

#include "state/shared_state.h"
#include "state/view_terms.h"

namespace nimbrel {

namespace {

host::Size halfNativeSize(const host::Screen& screen) {
  const host::Size native = screen.nativeDisplayBounds().size;
  return {native.width * 0.5, native.height * 0.5};
}

}  // namespace

std::shared_ptr<host::WeatherBackground> makeScreenBackground() {
  SharedState& s = state();
  host::WeatherBackgroundClass* backgroundClass = s.classes.weatherBackground.get();
  if (!backgroundClass) return nullptr;
  host::Screen& screen = host::platform().mainScreen();
  const bool compatible = s.settings.reScaleCompatibility;
  const host::Size points = screen.bounds().size;
  const host::Size size = compatible ? halfNativeSize(screen) : points;
  // The layer system raises on a frame that is not finite; no background beats a crashed shell.
  if (!host::isFinite(size)) return nullptr;
  auto background = backgroundClass->makeWithFrame(host::makeRect(0, 0, size.width, size.height));
  // A native size of 0 would give an infinite scale, which the layer system refuses.
  if (compatible && background && size.height != points.height)
    setTransformIfFinite(*background, host::AffineTransform::makeScale(
                                          points.width / size.width, points.height / size.height));
  return background;
}

}  // namespace nimbrel
