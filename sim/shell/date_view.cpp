// The date view's methods, the clock texts and the controller's original -dateView.
#include "sim/shell/date_view.h"

#include <array>
#include <chrono>
#include <cmath>
#include <stdexcept>

#include "sim/originals.h"

namespace sim {

namespace {

struct TimeLabelMethod {
  static constexpr host::Selector selector{"_timeLabel"};
  using Imp = std::shared_ptr<host::Label> (*)(const host::DateView& self, host::Selector);
};
struct SetSubtitleHiddenMethod {
  static constexpr host::Selector selector{"setSubtitleHidden:"};
  using Imp = void (*)(host::DateView& self, host::Selector, bool hidden);
};
struct SetDateHiddenMethod {
  static constexpr host::Selector selector{"setDateHidden:"};
  using Imp = void (*)(host::DateView& self, host::Selector, bool hidden);
};

const SimDateView& simDateView(const host::DateView& view) {
  auto* sim = dynamic_cast<const SimDateView*>(&view);
  if (!sim) throw std::logic_error("not modelled: a date view from outside the simulation");
  return *sim;
}
SimDateView& simDateView(host::DateView& view) {
  return const_cast<SimDateView&>(simDateView(static_cast<const host::DateView&>(view)));
}

std::shared_ptr<host::Label> ownTimeLabel(const host::DateView& self, host::Selector) {
  return simDateView(self).timeLabelView();
}
void ownSetSubtitleHidden(host::DateView& self, host::Selector, bool hidden) {
  simDateView(self).hideSubtitle(hidden);
}
void ownSetDateHidden(host::DateView& self, host::Selector, bool hidden) {
  simDateView(self).hideDate(hidden);
}

// Whole days and seconds into the day; 0 for a moment the calendar cannot hold.
std::pair<long, long> daysAndSeconds(double secondsSince1970) {
  constexpr double limit = 1e14;  // about three million years either way
  if (!std::isfinite(secondsSince1970) || std::fabs(secondsSince1970) > limit) return {0, 0};
  const double days = std::floor(secondsSince1970 / 86400.0);
  const double seconds = secondsSince1970 - days * 86400.0;
  return {static_cast<long>(days), static_cast<long>(std::floor(seconds))};
}

}  // namespace

std::string clockTimeText(double secondsSince1970) {
  const long seconds = daysAndSeconds(secondsSince1970).second;
  const long minutes = seconds / 60 % 60;
  return std::to_string(seconds / 3600) + (minutes < 10 ? ":0" : ":") + std::to_string(minutes);
}

std::string clockDateText(double secondsSince1970) {
  static constexpr std::array<const char*, 7> weekdays = {
      "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  static constexpr std::array<const char*, 12> months = {
      "January", "February", "March",     "April",   "May",      "June",
      "July",    "August",   "September", "October", "November", "December"};
  const std::chrono::sys_days day{std::chrono::days{daysAndSeconds(secondsSince1970).first}};
  const std::chrono::year_month_day date{day};
  const std::chrono::weekday weekday{day};
  return std::string(weekdays[weekday.c_encoding()]) + ", " +
         std::to_string(static_cast<unsigned>(date.day())) + " " +
         months[static_cast<unsigned>(date.month()) - 1];
}

SimDateView::SimDateView(host::Class& cls, const host::Rect& frame, Runtime& runtime,
                         std::shared_ptr<Label> timeLabel, std::shared_ptr<Label> dateLabel)
    : ViewImpl(cls, frame),
      runtime_(runtime),
      time_(std::move(timeLabel)),
      date_(std::move(dateLabel)) {}

std::shared_ptr<host::Label> SimDateView::timeLabel() const {
  const host::DateView& self = *this;
  return runtime_.send<TimeLabelMethod>(self);
}

void SimDateView::setSubtitleHidden(bool hidden) {
  host::DateView& self = *this;
  runtime_.send<SetSubtitleHiddenMethod>(self, hidden);
}

void SimDateView::setDateHidden(bool hidden) {
  host::DateView& self = *this;
  runtime_.send<SetDateHiddenMethod>(self, hidden);
}

void SimDateView::hideSubtitle(bool hidden) {
  subtitleHidden_ = hidden;
  updateDateLine();
}

void SimDateView::hideDate(bool hidden) {
  dateHidden_ = hidden;
  updateDateLine();
}

void SimDateView::updateDateLine() { date_->setHidden(subtitleHidden_ || dateHidden_); }

void SimDateView::showTime(double secondsSince1970) {
  time_->setText(clockTimeText(secondsSince1970));
  date_->setText(clockDateText(secondsSince1970));
}

void defineDateViewMethods(Runtime& runtime, host::Class& dateViewClass,
                           const DateViewMethods& methods) {
  if (methods.timeLabel) runtime.defineMethod<TimeLabelMethod>(dateViewClass, &ownTimeLabel);
  if (methods.setSubtitleHidden)
    runtime.defineMethod<SetSubtitleHiddenMethod>(dateViewClass, &ownSetSubtitleHidden);
  if (methods.setDateHidden)
    runtime.defineMethod<SetDateHiddenMethod>(dateViewClass, &ownSetDateHidden);
}

std::shared_ptr<SimDateView> SimDateViewController::builtDateView() {
  if (!dateView_) {
    dateView_ = build_();
    record_.add(facts::DateViewBuilt{});
  }
  dateView_->showTime(clock_.now().secondsSince1970);
  return dateView_;
}

void SimDateViewController::discardDateView() {
  if (!dateView_) return;
  dateView_->removeFromSuperview();
  dateView_.reset();
}

std::shared_ptr<host::DateView> originals::dateView(const host::Id& self, host::Selector) {
  auto* controller = dynamic_cast<SimDateViewController*>(self.get());
  if (!controller)
    throw std::logic_error("not modelled: -dateView sent to something not a date view controller");
  return controller->builtDateView();
}

}  // namespace sim
