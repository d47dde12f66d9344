#include "state/backgrounds.h"

#include "state/shared_state.h"
#include "state/view_terms.h"

namespace nimbrel {

namespace {

host::Size half(const host::Size& size) { return {size.width * 0.5, size.height * 0.5}; }

}  // namespace

std::shared_ptr<host::WeatherBackground> makeScreenBackground() {
  SharedState& s = state();
  host::WeatherBackgroundClass* backgroundClass = s.classes.weatherBackground.get();
  if (!backgroundClass ||
      !host::platform().runtime().instancesRespondToSelector(*backgroundClass, {"initWithFrame:"}))
    return nullptr;
  host::Screen& screen = host::platform().mainScreen();
  const std::optional<host::Size> native =
      s.settings.reScaleCompatibility ? nativeDisplaySize(screen) : std::nullopt;
  const bool compatible = native.has_value();
  const host::Size points = screen.bounds().size;
  const host::Size size = compatible ? half(*native) : points;
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
