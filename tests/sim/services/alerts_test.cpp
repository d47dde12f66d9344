// UIAlertView: what is shown, the weak delegate, dismissal by button.
#include "sim/services/alerts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using testing::ElementsAre;

class Plain final : public sim::Instance<host::Object> {
 public:
  using Instance::Instance;
};

void clicked(const host::Id&, host::Selector) {}

class AlertsTest : public testing::Test {
 protected:
  AlertsTest() : delegateClass_(runtime_.defineClass("SBLockScreenDateViewController", nullptr)) {}

  std::shared_ptr<sim::SimAlertView> make(const host::Id& delegate,
                                          std::optional<std::string> cancel = "OK",
                                          std::vector<std::string> others = {}) {
    return std::static_pointer_cast<sim::SimAlertView>(
        alerts_.makeAlert("No weather cities", "Add a city in Weather.", delegate,
                          std::move(cancel), std::move(others)));
  }

  sim::Record record_{nullptr};
  sim::Runtime runtime_{record_};
  sim::Alerts alerts_{record_, runtime_};
  host::Class& delegateClass_;
};

TEST_F(AlertsTest, ShownAlertIsRecordedAndKeptUntilDismissed) {
  auto delegate = std::make_shared<Plain>(delegateClass_);
  auto alert = make(delegate);
  EXPECT_EQ(alert->tag(), 0);
  alert->setTag(8472);
  EXPECT_TRUE(alerts_.visibleAlerts().empty());
  alert->show();
  alert->show();
  std::weak_ptr<sim::SimAlertView> held = alert;
  alert.reset();
  ASSERT_EQ(alerts_.visibleAlerts().size(), 1u);
  EXPECT_FALSE(held.expired()) << "the screen holds a shown alert";
  alerts_.dismiss(*alerts_.visibleAlerts().front(), 0);
  EXPECT_TRUE(alerts_.visibleAlerts().empty());
  EXPECT_TRUE(held.expired());
  EXPECT_THAT(record_.textsIn("alert"),
              ElementsAre("shown \"No weather cities\": \"Add a city in Weather.\" buttons [OK] "
                          "tag 8472 delegate SBLockScreenDateViewController",
                          "dismissed \"No weather cities\" with button 0 (OK)"));
  EXPECT_EQ(
      std::string(alerts_.makeAlert("t", "m", nullptr, std::nullopt, {})->objectClass().name()),
      "UIAlertView");
}

TEST_F(AlertsTest, DelegateIsHeldWeaklyAndMayBeNil) {
  auto delegate = std::make_shared<Plain>(delegateClass_);
  auto alert = make(delegate);
  EXPECT_EQ(alert->delegate(), delegate);
  delegate.reset();
  EXPECT_EQ(alert->delegate(), nullptr);
  alert->show();
  alerts_.dismiss(*alert, 0);
  EXPECT_THAT(record_.textsIn("alert").front(), testing::EndsWith("delegate nil"));
}

TEST_F(AlertsTest, ButtonIndexesPutTheCancelButtonFirst) {
  auto both = make(nullptr, "Cancel", {"A", "B"});
  EXPECT_THAT(both->buttonTitles(), ElementsAre("Cancel", "A", "B"));
  EXPECT_EQ(both->cancelButtonIndex(), 0);
  EXPECT_EQ(both->firstOtherButtonIndex(), 1);
  auto othersOnly = make(nullptr, std::nullopt, {"A"});
  EXPECT_EQ(othersOnly->cancelButtonIndex(), -1);
  EXPECT_EQ(othersOnly->firstOtherButtonIndex(), 0);
  auto cancelOnly = make(nullptr);
  EXPECT_EQ(cancelOnly->firstOtherButtonIndex(), -1);
}

TEST_F(AlertsTest, DismissRefusesWhatItCannotModel) {
  auto alert = make(nullptr);
  EXPECT_THROW(alerts_.dismiss(*alert, 0), std::logic_error) << "not shown";
  alert->show();
  EXPECT_THROW(alerts_.dismiss(*alert, 1), std::logic_error) << "no such button";
  host::Class& answering = runtime_.defineClass("Answering", nullptr);
  runtime_.defineMethod(answering, host::Selector{"alertView:clickedButtonAtIndex:"},
                        reinterpret_cast<host::Imp>(&clicked));
  auto delegate = std::make_shared<Plain>(answering);
  auto delegated = make(delegate);
  delegated->show();
  EXPECT_THROW(alerts_.dismiss(*delegated, 0), std::logic_error);
}

}  // namespace
