// The weather background's binding, gradient layer and record entries.
#include "sim/weather/background.h"

#include <cstdio>

#include "sim/runtime/runtime.h"
#include "sim/weather/city.h"

namespace sim {

namespace {

std::string describeFrame(const host::Rect& frame) {
  char text[96];
  std::snprintf(text, sizeof text, "(%g, %g, %g, %g)", frame.origin.x, frame.origin.y,
                frame.size.width, frame.size.height);
  return text;
}

std::string describeWeather(const host::City& city) {
  return describeCity(&city) + " (condition " + std::to_string(city.conditionCode()) +
         (city.isDay() ? ", day)" : ", night)");
}

}  // namespace

SimWeatherBackground::SimWeatherBackground(host::Class& cls, const host::Rect& frame,
                                           Record& record, std::shared_ptr<BackgroundFamily> family)
    : ViewImpl(cls, frame), record_(record), family_(std::move(family)), number_(++family_->made) {
  record_.add("view", [&] {
    return "made " + std::string(cls.name()) + " " + std::to_string(number_) + " with frame " +
           describeFrame(frame);
  });
}

SimWeatherBackground::~SimWeatherBackground() { unbindFromCity(); }

void SimWeatherBackground::unbindFromCity() {
  if (auto* bound = dynamic_cast<SimCity*>(city_.get())) bound->removeBoundBackground(*this);
}

void SimWeatherBackground::setCity(const std::shared_ptr<host::City>& city, bool animate) {
  requireMethod(*this, {"setCity:animate:"});
  if (family_->raisesAtBind > 0) {
    --family_->raisesAtBind;
    record_.add("bind", [&] {
      return "background " + std::to_string(number_) +
             " raised NSInternalInconsistencyException at setCity:animate:";
    });
    throw host::PlatformException("NSInternalInconsistencyException",
                                  "The background cannot bind now");
  }
  unbindFromCity();
  city_ = city;
  if (auto* bound = dynamic_cast<SimCity*>(city_.get())) bound->addBoundBackground(*this);
  lastAnimated_ = animate;
  ++binds_;
  draw();
  record_.add("bind", [&] {
    std::string text = "background " + std::to_string(number_);
    text += city ? " bound to " + describeWeather(*city) : std::string(" unbound");
    return text + (animate ? ", animated" : ", not animated");
  });
}

void SimWeatherBackground::redraw() {
  draw();
  record_.add("bind", [&] {
    return "background " + std::to_string(number_) + " redrawn for " + describeWeather(*city_);
  });
}

void SimWeatherBackground::leftWindow() {
  record_.add("view", [&] {
    return "background " + std::to_string(number_) + " left its window, " +
           (city_ ? "bound to " + describeWeather(*city_) : std::string("unbound"));
  });
  ViewImpl::leftWindow();
}

void SimWeatherBackground::setGradientLayer(bool enabled) {
  requireMethod(*this, {"setGradientLayer:"});
  gradientLayer_ = enabled;
  record_.add("view", [&] {
    return "background " + std::to_string(number_) + " gradient layer " + (enabled ? "on" : "off");
  });
}

void SimWeatherBackground::draw() {
  drawnCondition_ = city_ ? std::optional(city_->conditionCode()) : std::nullopt;
  drawnIsDay_ = city_ ? std::optional(city_->isDay()) : std::nullopt;
}

std::string SimWeatherBackground::describeContents() const {
  std::string text = "background " + std::to_string(number_) + ": ";
  text += city_ ? describeWeather(*city_) : std::string("no city");
  if (!gradientLayer_) text += ", no gradient";
  return text;
}

std::shared_ptr<host::WeatherBackground> WeatherBackgroundClassImpl::makeWithFrame(
    const host::Rect& frame) {
  requireInstanceMethod(*this, {"initWithFrame:"});
  return make(frame);
}

std::shared_ptr<SimWeatherBackground> WeatherBackgroundClassImpl::make(const host::Rect& frame) {
  return std::make_shared<SimWeatherBackground>(*this, frame, record_, family_);
}

}  // namespace sim
