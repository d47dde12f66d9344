// WATodayHeaderView and WAWeatherPlatterViewController, the Weather app's header and its
// controller.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/weather.h"
#include "sim/runtime/class.h"
#include "sim/runtime/instance.h"
#include "sim/views/view.h"

namespace sim {

// The classes a header is made of.
struct HeaderClasses {
  host::Class& header;         // WATodayHeaderView
  host::Class& label;          // UILabel
  host::Class& labelSubclass;  // WAHighLowLabel, a UILabel subclass
  host::Class& plainView;      // UIView
  host::Class& color;          // UIColor
};

// The header, 359 × 106 points as in the app. Its direct subviews, back to front: the
// location label, the first conditions line and the temperature label (each exactly a
// UILabel); the high and the low label (a UILabel subclass); and a plain view holding the
// second conditions line (a nested UILabel). The setters store their text in those labels.
class SimTodayHeaderView final : public ViewImpl<host::TodayHeaderView> {
 public:
  // Makes the header with its subviews; use make, since subviews need a shared owner.
  static std::shared_ptr<SimTodayHeaderView> make(const HeaderClasses& classes);
  explicit SimTodayHeaderView(host::Class& cls);

  std::shared_ptr<host::Label> temperatureLabel() const override { return temperature_; }
  void setConditionsImage(const std::shared_ptr<host::Image>& image) override { image_ = image; }
  void setLocationName(const std::string& text) override { location_->setText(text); }
  void setConditionsLine1(const std::string& text) override { line1_->setText(text); }
  void setConditionsLine2(const std::string& text) override { line2_->setText(text); }
  void setTemperature(const std::string& text) override { temperature_->setText(text); }
  void setTemperatureHigh(const std::string& text) override { high_->setText(text); }
  void setTemperatureLow(const std::string& text) override { low_->setText(text); }

  // Inspection.
  const std::shared_ptr<host::Image>& conditionsImage() const { return image_; }
  // The name of the condition image set last, as the image knows it; none for no image.
  // An image from outside the simulation is not modelled.
  std::optional<std::string> conditionsImageName() const;
  // Every label of the header, by the setter that fills it: location, line1, temperature,
  // high, low, line2.
  std::vector<std::pair<std::string, std::shared_ptr<Label>>> labels() const;
  std::string locationName() const { return location_->text(); }
  std::string conditionsLine1() const { return line1_->text(); }
  std::string conditionsLine2() const { return line2_->text(); }
  std::string temperatureText() const { return temperature_->text(); }
  std::string highText() const { return high_->text(); }
  std::string lowText() const { return low_->text(); }
  std::shared_ptr<Label> nestedLabel() const { return line2_; }
  std::string describeContents() const override;

 private:
  std::shared_ptr<host::Image> image_;
  std::shared_ptr<Label> location_, line1_, temperature_, high_, low_, line2_;
};

// What a platter controller's -headerView answers, where the system has WATodayHeaderView:
// the header, nil, or a plain view in its place. The platform interface answers only a
// header, so the last two both read as none.
enum class PlatterHeader { todayHeader, nil, plainView };

// The platter's controller: its view holds the header, which fills its top.
class SimPlatterViewController final : public Instance<host::PlatterViewController> {
 public:
  SimPlatterViewController(host::Class& cls, std::shared_ptr<host::View> view,
                           std::shared_ptr<SimTodayHeaderView> header)
      : Instance(cls), view_(std::move(view)), header_(std::move(header)) {}

  std::shared_ptr<host::View> view() override { return view_; }
  std::shared_ptr<host::TodayHeaderView> headerView() override { return header_; }

 private:
  std::shared_ptr<host::View> view_;
  std::shared_ptr<SimTodayHeaderView> header_;
};

// The class object of WAWeatherPlatterViewController. Where the system lacks
// WATodayHeaderView, a controller has no header.
class PlatterViewControllerClassImpl final : public ClassImpl<host::PlatterViewControllerClass> {
 public:
  PlatterViewControllerClassImpl(ClassSetup setup, host::Class& plainView,
                                 std::optional<HeaderClasses> header, PlatterHeader answer)
      : ClassImpl(std::move(setup)), plainView_(plainView), header_(header), answer_(answer) {}

  std::shared_ptr<host::PlatterViewController> make() override;

 private:
  host::Class& plainView_;
  std::optional<HeaderClasses> header_;
  PlatterHeader answer_;
};

}  // namespace sim
