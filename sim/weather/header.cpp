// The header's subviews and the controller that holds it.
#include "sim/weather/header.h"

#include <stdexcept>

#include "facts/weather_header.h"

namespace sim {

namespace {

host::Rect rectOf(const WeatherHeaderFrame& f) {
  return host::makeRect(f.x, f.y, f.width, f.height);
}

// A label in UIKit's default black text, added on top of parent.
std::shared_ptr<Label> addLabel(ViewState& parent, host::Class& cls, host::Class& colorClass,
                                const WeatherHeaderFrame& frame) {
  auto label =
      std::make_shared<Label>(cls, rectOf(frame), std::make_shared<Color>(colorClass, "black"));
  parent.addSubview(label);
  return label;
}

}  // namespace

SimTodayHeaderView::SimTodayHeaderView(host::Class& cls)
    : ViewImpl(cls, rectOf(kWeatherHeaderFrame)) {}

std::shared_ptr<SimTodayHeaderView> SimTodayHeaderView::make(const HeaderClasses& classes) {
  auto header = std::make_shared<SimTodayHeaderView>(classes.header);
  header->location_ = addLabel(*header, classes.label, classes.color, kWeatherHeaderLocation);
  header->line1_ = addLabel(*header, classes.label, classes.color, kWeatherHeaderLine1);
  header->temperature_ = addLabel(*header, classes.label, classes.color, kWeatherHeaderTemperature);
  header->high_ = addLabel(*header, classes.labelSubclass, classes.color, kWeatherHeaderHigh);
  header->low_ = addLabel(*header, classes.labelSubclass, classes.color, kWeatherHeaderLow);
  auto details = std::make_shared<sim::View>(classes.plainView, rectOf(kWeatherHeaderDetails));
  header->addSubview(details);
  header->line2_ = addLabel(*details, classes.label, classes.color, kWeatherHeaderLine2);
  return header;
}

std::optional<std::string> SimTodayHeaderView::conditionsImageName() const {
  if (!image_) return std::nullopt;
  auto* named = dynamic_cast<const Image*>(image_.get());
  if (!named) throw std::logic_error("not modelled: a condition image from outside the simulation");
  return named->name();
}

std::vector<std::pair<std::string, std::shared_ptr<Label>>> SimTodayHeaderView::labels() const {
  return {{"location", location_}, {"line1", line1_}, {"temperature", temperature_},
          {"high", high_},         {"low", low_},     {"line2", line2_}};
}

std::string SimTodayHeaderView::describeContents() const {
  return "header " + temperature_->text() + " high " + high_->text() + " low " + low_->text();
}

std::shared_ptr<host::PlatterViewController> PlatterViewControllerClassImpl::make() {
  auto view = std::make_shared<sim::View>(plainView_, rectOf(kWeatherPlatterFrame));
  std::shared_ptr<SimTodayHeaderView> header;
  if (header_ && answer_ == PlatterHeader::todayHeader) {
    header = SimTodayHeaderView::make(*header_);
    view->addSubview(header);
  } else if (header_ && answer_ == PlatterHeader::plainView) {
    view->addSubview(std::make_shared<sim::View>(plainView_, rectOf(kWeatherHeaderFrame)));
  }
  return std::make_shared<SimPlatterViewController>(*this, std::move(view), std::move(header));
}

}  // namespace sim
