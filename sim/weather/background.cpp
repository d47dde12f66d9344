// The weather background's binding, gradient layer and record entries.
#include "sim/weather/background.h"

#include <cstdio>

#include "sim/runtime/runtime.h"
#include "sim/weather/city.h"

namespace sim {

namespace {

facts::Weather weatherOf(const host::City& city) {
  return {describeCity(&city), city.conditionCode(), city.isDay()};
}

std::optional<facts::Weather> weatherOf(const std::shared_ptr<host::City>& city) {
  return city ? std::optional(weatherOf(*city)) : std::nullopt;
}

}  // namespace

SimWeatherBackground::SimWeatherBackground(host::Class& cls, const host::Rect& frame,
                                           Record& record, std::shared_ptr<BackgroundFamily> family)
    : ViewImpl(cls, frame), record_(record), family_(std::move(family)), number_(++family_->made) {
  record_.add([&] {
    const facts::Frame at{frame.origin.x, frame.origin.y, frame.size.width, frame.size.height};
    return facts::BackgroundMade{std::string(cls.name()), number_, at};
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
    record_.add(facts::BackgroundRaisedAtBind{number_});
    throw host::PlatformException("NSInternalInconsistencyException",
                                  "The background cannot bind now");
  }
  unbindFromCity();
  city_ = city;
  if (auto* bound = dynamic_cast<SimCity*>(city_.get())) bound->addBoundBackground(*this);
  lastAnimated_ = animate;
  ++binds_;
  draw();
  record_.add([&] { return facts::BackgroundBound{number_, weatherOf(city), animate}; });
}

void SimWeatherBackground::redraw() {
  draw();
  record_.add([&] { return facts::BackgroundRedrawn{number_, weatherOf(*city_)}; });
}

void SimWeatherBackground::leftWindow() {
  record_.add([&] { return facts::BackgroundLeftWindow{number_, weatherOf(city_)}; });
  ViewImpl::leftWindow();
}

void SimWeatherBackground::setGradientLayer(bool enabled) {
  requireMethod(*this, {"setGradientLayer:"});
  gradientLayer_ = enabled;
  record_.add(facts::GradientLayerSet{number_, enabled});
}

void SimWeatherBackground::draw() {
  drawnCondition_ = city_ ? std::optional(city_->conditionCode()) : std::nullopt;
  drawnIsDay_ = city_ ? std::optional(city_->isDay()) : std::nullopt;
}

std::string SimWeatherBackground::describeContents() const {
  std::string text = "background " + std::to_string(number_) + ": ";
  text += city_ ? facts::describe(weatherOf(*city_)) : std::string("no city");
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
