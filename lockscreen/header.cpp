#include "lockscreen/header.h"

#include <vector>

#include "state/city_resolution.h"
#include "state/conversions.h"
#include "state/shared_state.h"
#include "state/view_terms.h"

namespace nimbrel {

namespace {

// Takes the header out of the controller made at insertion; the controller is not kept.
bool takeHeader() {
  SharedState& s = state();
  if (s.weatherHeaderView) return true;
  if (!s.wthrView) return false;
  s.weatherHeaderView = s.wthrView->headerView();
  detach(s.wthrView->view());
  s.wthrView.reset();
  layoutHeader();
  return s.weatherHeaderView != nullptr;
}

// Only the header's own plain labels: subclasses and nested labels keep their colours.
void whitenPlainLabels(const host::View& header) {
  const host::Class* labelClass = state().classes.label.get();
  std::shared_ptr<host::Color> white;
  for (const std::shared_ptr<host::View>& subview : header.subviews()) {
    auto label = std::dynamic_pointer_cast<host::Label>(subview);
    if (!label || !label->isMemberOfClass(labelClass)) continue;
    if (!white) white = host::platform().factory().whiteColor();
    label->setTextColor(white);
  }
}

void attachToBackground(const std::shared_ptr<host::TodayHeaderView>& header) {
  const std::shared_ptr<host::WeatherBackground>& background = state().weatherBackground;
  if (!background || header->isDescendantOfView(background.get())) return;
  background->addSubview(header);
  whitenPlainLabels(*header);
}

// The condition's image, tried as named and then with its time of day spelt "_day" or
// "_night", each from the same base name.
std::shared_ptr<host::Image> conditionImage(std::int64_t condition) {
  host::ImageLoaderClass* loader = state().classes.imageLoader.get();
  if (!loader) return nullptr;
  const std::optional<std::string> name = loader->conditionImageNameWithConditionIndex(condition);
  if (!name) return nullptr;
  const std::string base = *name + "-nc";
  if (auto image = loader->conditionImageNamed(base)) return image;
  if (auto image =
          loader->conditionImageNamed(host::strings::replacingOccurrences(base, "-day", "_day")))
    return image;
  return loader->conditionImageNamed(host::strings::replacingOccurrences(base, "-night", "_night"));
}

bool unitIsCelsius() {
  std::shared_ptr<host::WeatherPreferences> preferences = weatherPreferences();
  return preferences && preferences->isCelsius();
}

double reading(const std::shared_ptr<host::Temperature>& temperature, bool celsius) {
  if (!temperature) return 0;
  return celsius ? temperature->celsius() : temperature->fahrenheit();
}

void showTemperatures(host::TodayHeaderView& header, const host::City& city) {
  const bool celsius = unitIsCelsius();
  std::vector<double> hourly;
  for (const auto& forecast : city.hourlyForecasts())
    hourly.push_back(reading(forecast ? forecast->temperature() : nullptr, celsius));
  header.setTemperature(degreesText(reading(city.temperature(), celsius)));
  if (hourly.empty()) {
    // No forecast gives no high or low; an empty text rather than a made-up 0°.
    header.setTemperatureHigh("");
    header.setTemperatureLow("");
    return;
  }
  double high = hourly.front();
  double low = hourly.front();
  for (double value : hourly) {
    if (value > high) high = value;
    if (value < low) low = value;
  }
  header.setTemperatureHigh(degreesText(high));
  header.setTemperatureLow(degreesText(low));
}

}  // namespace

std::string degreesText(double temperature) {
  return std::to_string(truncateToInt32(temperature)) + "\u00B0";
}

void createHeaderController(const std::shared_ptr<host::View>& dateView) {
  SharedState& s = state();
  if (s.weatherHeaderView || !s.settings.showTemperatureAndCondition ||
      !host::platform().runtime().classExists("WAWeatherPlatterViewController"))
    return;
  host::PlatterViewControllerClass* controllerClass = s.classes.platterViewController.get();
  // A controller from an earlier insertion whose header no completed update has taken yet
  // goes with its view: left in the date view, one more would pile up at every lock.
  if (s.wthrView) detach(s.wthrView->view());
  s.wthrView = controllerClass ? controllerClass->make() : nullptr;
  std::shared_ptr<host::View> view = s.wthrView ? s.wthrView->view() : nullptr;
  if (!dateView || !view) return;
  dateView->addSubview(view);
  dateView->sendSubviewToBack(view);
}

void layoutHeader() {
  SharedState& s = state();
  const std::shared_ptr<host::TodayHeaderView>& header = s.weatherHeaderView;
  if (!header) return;
  const double headerHeight = header->frame().size.height;
  const std::shared_ptr<host::Label> label = header->temperatureLabel();
  const host::Rect labelFrame = label ? label->frame() : host::Rect{};
  const host::Rect backgroundFrame =
      s.weatherBackground ? s.weatherBackground->frame() : host::Rect{};
  const double headerWidth = labelFrame.origin.x + labelFrame.size.width;
  const double horizontal = s.settings.lockScreenHorizontalOffsetTemperatureCondition;
  const double vertical = s.settings.lockScreenVerticalOffsetTemperatureCondition;
  setFrameIfFinite(*header,
                   host::makeRect(horizontal * (backgroundFrame.size.width - headerWidth) / 100,
                                  vertical * (backgroundFrame.size.height - headerHeight) / 100,
                                  headerWidth, headerHeight));
}

void fillHeader() {
  if (!takeHeader()) return;
  SharedState& s = state();
  const std::shared_ptr<host::TodayHeaderView> header = s.weatherHeaderView;
  attachToBackground(header);
  if (!s.city) return;
  header->setConditionsImage(conditionImage(s.city->conditionCode()));
  header->setLocationName("");
  header->setConditionsLine1("");
  header->setConditionsLine2("");
  showTemperatures(*header, *s.city);
}

}  // namespace nimbrel
