// UIAlertView: alerts the add-on makes and shows, kept until a button dismisses them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/services.h"
#include "sim/record.h"
#include "sim/runtime/instance.h"
#include "sim/runtime/runtime.h"

namespace sim {

class Alerts;

// One alert. It holds its delegate weakly; the tag starts at 0. Buttons are numbered with
// the cancel button first, then the others in order.
class SimAlertView final : public Instance<host::AlertView>,
                           public std::enable_shared_from_this<SimAlertView> {
 public:
  SimAlertView(host::Class& cls, Alerts& alerts, std::string title, std::string message,
               const host::Id& delegate, std::optional<std::string> cancelButtonTitle,
               std::vector<std::string> otherButtonTitles);

  long tag() const override { return tag_; }
  void setTag(long tag) override { tag_ = tag; }
  // Shows the alert (once: showing a visible alert again does nothing).
  void show() override;

  const std::string& title() const { return title_; }
  const std::string& message() const { return message_; }
  std::vector<std::string> buttonTitles() const;
  // -1 when there is no cancel button.
  long cancelButtonIndex() const { return cancelButtonTitle_ ? 0 : -1; }
  // -1 when there are no other buttons.
  long firstOtherButtonIndex() const;
  host::Id delegate() const { return delegate_.lock(); }
  bool isVisible() const { return visible_; }
  facts::AlertShown shownFact() const;

 private:
  friend class Alerts;

  Alerts& alerts_;
  std::string title_;
  std::string message_;
  std::weak_ptr<host::Object> delegate_;
  std::optional<std::string> cancelButtonTitle_;
  std::vector<std::string> otherButtonTitles_;
  long tag_ = 0;
  bool visible_ = false;
};

// The alerts of one process. Shown alerts stay on screen (held here) until dismissed with a
// button. Records "alert" entries: "shown ..." (see SimAlertView::description) and
// "dismissed "<title>" with button <index> (<title>)".
class Alerts final : public host::Alerts {
 public:
  // The alert class is the runtime's "UIAlertView", defined here (under "UIView" when that
  // exists) if the runtime lacks it. In a process that lacks it by name (Runtime::hideClass)
  // no alert is made.
  Alerts(Record& record, Runtime& runtime);

  std::shared_ptr<host::AlertView> makeAlert(const std::string& title, const std::string& message,
                                             const host::Id& delegate,
                                             std::optional<std::string> cancelButtonTitle,
                                             std::vector<std::string> otherButtonTitles) override;

  // The alerts on screen, oldest first.
  const std::vector<std::shared_ptr<SimAlertView>>& visibleAlerts() const { return visible_; }
  // Lets go of every alert on screen, as when the process ends.
  void reset() { visible_.clear(); }
  // Taps a button: the alert goes away. Delegate callbacks are not modelled: a delegate that
  // implements one raises std::logic_error, as does a button index the alert does not have
  // or an alert that is not visible.
  void dismiss(SimAlertView& alert, long buttonIndex);

 private:
  friend class SimAlertView;
  void shown(SimAlertView& alert);

  Record& record_;
  Runtime& runtime_;
  host::Class& alertClass_;
  std::vector<std::shared_ptr<SimAlertView>> visible_;
};

}  // namespace sim
