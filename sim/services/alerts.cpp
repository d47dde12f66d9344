// UIAlertView: alerts the add-on makes and shows, kept until a button dismisses them.
#include "sim/services/alerts.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace sim {

namespace {

host::Class& alertClassOf(Runtime& runtime) {
  if (host::Class* existing = runtime.findClass("UIAlertView")) return *existing;
  return runtime.defineClass("UIAlertView", runtime.findClass("UIView"));
}

// UIAlertViewDelegate's optional methods; none can be sent by this simulation.
constexpr std::string_view delegateSelectors[] = {
    "alertView:clickedButtonAtIndex:", "alertView:willDismissWithButtonIndex:",
    "alertView:didDismissWithButtonIndex:", "alertViewCancel:"};

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

SimAlertView::SimAlertView(host::Class& cls, Alerts& alerts, std::string title, std::string message,
                           const host::Id& delegate, std::optional<std::string> cancelButtonTitle,
                           std::vector<std::string> otherButtonTitles)
    : Instance(cls),
      alerts_(alerts),
      title_(std::move(title)),
      message_(std::move(message)),
      delegate_(delegate),
      cancelButtonTitle_(std::move(cancelButtonTitle)),
      otherButtonTitles_(std::move(otherButtonTitles)) {}

void SimAlertView::show() {
  if (visible_) return;
  alerts_.shown(*this);
}

std::vector<std::string> SimAlertView::buttonTitles() const {
  std::vector<std::string> titles;
  if (cancelButtonTitle_) titles.push_back(*cancelButtonTitle_);
  titles.insert(titles.end(), otherButtonTitles_.begin(), otherButtonTitles_.end());
  return titles;
}

long SimAlertView::firstOtherButtonIndex() const {
  if (otherButtonTitles_.empty()) return -1;
  return cancelButtonTitle_ ? 1 : 0;
}

facts::AlertShown SimAlertView::shownFact() const {
  const host::Id held = delegate();
  return {title_, message_, buttonTitles(), tag_,
          held ? std::optional(std::string(held->objectClass().name())) : std::nullopt};
}

Alerts::Alerts(Record& record, Runtime& runtime)
    : record_(record), runtime_(runtime), alertClass_(alertClassOf(runtime)) {}

std::shared_ptr<host::AlertView> Alerts::makeAlert(const std::string& title,
                                                   const std::string& message,
                                                   const host::Id& delegate,
                                                   std::optional<std::string> cancelButtonTitle,
                                                   std::vector<std::string> otherButtonTitles) {
  // In a process that lacks the class, alloc answers nil and so does every message after it.
  if (!runtime_.getClass("UIAlertView")) return nullptr;
  return std::make_shared<SimAlertView>(alertClass_, *this, title, message, delegate,
                                        std::move(cancelButtonTitle), std::move(otherButtonTitles));
}

void Alerts::shown(SimAlertView& alert) {
  alert.visible_ = true;
  visible_.push_back(alert.shared_from_this());
  record_.add([&] { return alert.shownFact(); });
}

void Alerts::dismiss(SimAlertView& alert, long buttonIndex) {
  if (!alert.visible_) throw std::logic_error("dismissing an alert that is not shown");
  const auto titles = alert.buttonTitles();
  if (buttonIndex < 0 || static_cast<std::size_t>(buttonIndex) >= titles.size())
    throw std::logic_error("the alert " + quoted(alert.title_) + " has no button " +
                           std::to_string(buttonIndex));
  if (const host::Id delegate = alert.delegate()) {
    for (auto selector : delegateSelectors)
      if (runtime_.respondsToSelector(*delegate, host::Selector{selector}))
        throw std::logic_error("not modelled: the alert delegate's " + std::string(selector));
  }
  const auto keepAlive = alert.shared_from_this();
  alert.visible_ = false;
  std::erase(visible_, keepAlive);
  record_.add([&] {
    return facts::AlertDismissed{alert.title_, buttonIndex,
                                 titles[static_cast<std::size_t>(buttonIndex)]};
  });
}

}  // namespace sim
