// The lock screen's date view and the controller that builds it.
#pragma once

#include <functional>
#include <memory>

#include "host/services.h"
#include "host/shell.h"
#include "sim/record.h"
#include "sim/runtime/runtime.h"
#include "sim/views/view.h"

namespace sim {

// Which of the date view's methods the system version has. Sending a missing one raises
// NSInvalidArgumentException ("unrecognized selector"), as it does on the phone.
struct DateViewMethods {
  bool timeLabel = true;          // _timeLabel
  bool setSubtitleHidden = true;  // setSubtitleHidden:, missing on older versions
  bool setDateHidden = true;      // setDateHidden:
};

// The date view: the time label on top, the date line below it. Its three methods are
// sent through its class's method table.
class SimDateView final : public ViewImpl<host::DateView> {
 public:
  SimDateView(host::Class& cls, const host::Rect& frame, Runtime& runtime,
              std::shared_ptr<Label> timeLabel, std::shared_ptr<Label> dateLabel);

  std::shared_ptr<host::Label> timeLabel() const override;
  void setSubtitleHidden(bool hidden) override;
  void setDateHidden(bool hidden) override;

  // What the methods' own implementations act on, and inspection.
  const std::shared_ptr<Label>& timeLabelView() const { return time_; }
  const std::shared_ptr<Label>& dateLine() const { return date_; }
  void hideSubtitle(bool hidden);
  void hideDate(bool hidden);
  bool subtitleHidden() const { return subtitleHidden_; }
  bool dateHidden() const { return dateHidden_; }
  // Sets the clock's texts for that moment (UTC): "9:41" and "Tuesday, 14 November".
  void showTime(double secondsSince1970);

 private:
  void updateDateLine();

  Runtime& runtime_;
  std::shared_ptr<Label> time_;
  std::shared_ptr<Label> date_;
  bool subtitleHidden_ = false;
  bool dateHidden_ = false;
};

// Gives the date view class the methods the system version has.
void defineDateViewMethods(Runtime& runtime, host::Class& dateViewClass,
                           const DateViewMethods& methods);

// SBLockScreenDateViewController. Its -dateView (original) builds the date view the first
// time (the builder places it in the lock screen), shows the current time on it, and returns
// the same view at every call until the lock screen rebuilds it.
class SimDateViewController final : public Instance<host::Object> {
 public:
  using Builder = std::function<std::shared_ptr<SimDateView>()>;
  SimDateViewController(host::Class& cls, Builder build, const host::Clock& clock, Record& record)
      : Instance(cls), build_(std::move(build)), clock_(clock), record_(record) {}

  std::shared_ptr<SimDateView> builtDateView();
  // What the lock screen does when it rebuilds: the date view leaves the lock screen and is
  // forgotten, so the next -dateView builds and places a fresh one. Nothing when none is built.
  void discardDateView();
  // The date view if the controller has built it, otherwise none.
  const std::shared_ptr<SimDateView>& dateViewIfBuilt() const { return dateView_; }

 private:
  Builder build_;
  const host::Clock& clock_;
  Record& record_;
  std::shared_ptr<SimDateView> dateView_;
};

// "9:41" and "Tuesday, 14 November" for a moment in UTC; a moment that is not finite or out
// of the calendar's range reads as 1970's first moment.
std::string clockTimeText(double secondsSince1970);
std::string clockDateText(double secondsSince1970);

}  // namespace sim
