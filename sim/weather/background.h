// WUIDynamicWeatherBackground: the animated weather view, and what it was told to draw.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "host/weather.h"
#include "sim/record.h"
#include "sim/runtime/class.h"
#include "sim/views/view.h"

namespace sim {

// What WUIDynamicWeatherBackground and its subclass share: how many backgrounds they made, and
// how many of the next binds are scripted to raise.
struct BackgroundFamily {
  int made = 0;
  int raisesAtBind = 0;
};

// Draws the weather of the city bound to it: its condition code and day flag as the city
// reports them at drawing time: when it is bound, and again when the bound city's condition or
// day flag changes. Each setCity:animate: is written to the record under "bind", and so is each
// redraw; creation, gradient changes and leaving the window (bound or not) under "view".
// Backgrounds are numbered in the order they are made, per process, so the record can tell
// them apart. A bind scripted to raise raises NSInternalInconsistencyException before it takes
// the city, recorded under "bind" and not counted as a bind.
class SimWeatherBackground final : public ViewImpl<host::WeatherBackground> {
 public:
  SimWeatherBackground(host::Class& cls, const host::Rect& frame, Record& record,
                       std::shared_ptr<BackgroundFamily> family);
  ~SimWeatherBackground() override;

  void setCity(const std::shared_ptr<host::City>& city, bool animate) override;
  void setGradientLayer(bool enabled) override;
  // The bound city's condition or day flag changed.
  void redraw();

  // Inspection.
  const std::shared_ptr<host::City>& city() const { return city_; }
  // The condition and day flag it drew last; none while no city is bound.
  std::optional<std::int64_t> drawnCondition() const { return drawnCondition_; }
  std::optional<bool> drawnIsDay() const { return drawnIsDay_; }
  bool hasGradientLayer() const { return gradientLayer_; }
  std::size_t bindCount() const { return binds_; }
  bool lastBindAnimated() const { return lastAnimated_; }
  int number() const { return number_; }
  std::string describeContents() const override;

 protected:
  void leftWindow() override;

 private:
  // Takes what its city has now as what it shows.
  void draw();
  void unbindFromCity();

  Record& record_;
  std::shared_ptr<BackgroundFamily> family_;
  int number_;
  std::shared_ptr<host::City> city_;
  bool gradientLayer_ = true;
  bool lastAnimated_ = false;
  std::size_t binds_ = 0;
  std::optional<std::int64_t> drawnCondition_;
  std::optional<bool> drawnIsDay_;
};

// The class object of WUIDynamicWeatherBackground (and of its subclass): initWithFrame:
// makes an instance of exactly this class.
class WeatherBackgroundClassImpl final : public ClassImpl<host::WeatherBackgroundClass> {
 public:
  WeatherBackgroundClassImpl(ClassSetup setup, Record& record,
                             std::shared_ptr<BackgroundFamily> family)
      : ClassImpl(std::move(setup)), record_(record), family_(std::move(family)) {}

  // alloc, initWithFrame:, as the add-on makes one.
  std::shared_ptr<host::WeatherBackground> makeWithFrame(const host::Rect& frame) override;
  std::shared_ptr<SimWeatherBackground> make(const host::Rect& frame);
  // The next background made is numbered 1 again (the count is shared with the subclass), and
  // no bind is scripted to raise.
  void restartFamily() { *family_ = {}; }
  // The next setCity:animate: of any background of the family raises; each call adds one.
  void raiseAtNextBind() { ++family_->raisesAtBind; }

 private:
  Record& record_;
  std::shared_ptr<BackgroundFamily> family_;
};

}  // namespace sim
