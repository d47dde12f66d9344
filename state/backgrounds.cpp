#include "state/backgrounds.h"

#include "state/shared_state.h"
#include "state/view_terms.h"

namespace nimbrel {

std::shared_ptr<host::WeatherBackground> makeScreenBackground() {
  SharedState& s = state();
  host::WeatherBackgroundClass* backgroundClass = s.classes.weatherBackground.get();
  if (!backgroundClass) return nullptr;
  host::Screen& screen = host::platform().mainScreen();
  const host::Size points = screen.bounds().size;
  if (!s.settings.reScaleCompatibility)
    return backgroundClass->makeWithFrame(host::makeRect(0, 0, points.width, points.height));

  const host::Size native = screen.nativeDisplayBounds().size;
  const host::Size half{native.width * 0.5, native.height * 0.5};
  auto background = backgroundClass->makeWithFrame(host::makeRect(0, 0, half.width, half.height));
  // A native size of 0 would give an infinite scale, which the layer system refuses.
  if (background && half.height != points.height)
    setTransformIfFinite(*background, host::AffineTransform::makeScale(
                                          points.width / half.width, points.height / half.height));
  return background;
}

}  // namespace nimbrel
