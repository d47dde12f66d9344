// Darwin notifications: registration, delivery on the run loop, coalescing.
#include "sim/services/notification_center.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using testing::ElementsAre;

struct Delivery {
  std::string observer;
  std::string name;
  bool centerMatches;
  bool noObjectOrUserInfo;
};

std::vector<Delivery>* deliveries = nullptr;
host::NotificationCenter* expectedCenter = nullptr;

void remember(host::NotificationCenter* center, void* observer, const char* name,
              const void* object, const host::Dictionary* userInfo) {
  deliveries->push_back({observer ? static_cast<const char*>(observer) : "none", name,
                         center == expectedCenter, object == nullptr && userInfo == nullptr});
}

class DarwinNotificationCenterTest : public testing::Test {
 public:  // the callbacks are plain functions and reach the fixture through a pointer
  DarwinNotificationCenterTest() {
    deliveries = &delivered_;
    expectedCenter = &center_;
  }
  ~DarwinNotificationCenterTest() override {
    deliveries = nullptr;
    expectedCenter = nullptr;
  }

  sim::Record record_{[this] { return loop_.seconds(); }};
  sim::Runtime runtime_{record_};
  sim::RunLoop loop_{record_, runtime_, 0};
  sim::DarwinNotificationCenter center_{record_, loop_};
  std::vector<Delivery> delivered_;
  char first_[6] = "first";
  char second_[7] = "second";
};

TEST_F(DarwinNotificationCenterTest, RegistrationsAreRecordedWithNameAndBehaviour) {
  center_.addObserver(nullptr, &remember, "com.apple.springboard.lockcomplete", nullptr,
                      host::SuspensionBehavior::deliverImmediately);
  center_.addObserver(nullptr, &remember, "be.quorvane.nimbrel/preferences.changed", nullptr,
                      host::SuspensionBehavior::coalesce);
  EXPECT_THAT(record_.textsIn("observer"),
              ElementsAre("registered com.apple.springboard.lockcomplete (deliverImmediately)",
                          "registered be.quorvane.nimbrel/preferences.changed (coalesce)"));
  EXPECT_EQ(center_.observerCount("com.apple.springboard.lockcomplete"), 1u);
}

TEST_F(DarwinNotificationCenterTest, PostIsDeliveredByTheRunLoopToMatchingObserversInOrder) {
  for (auto behavior : {host::SuspensionBehavior::drop, host::SuspensionBehavior::hold})
    center_.addObserver(first_, &remember, "a", nullptr, behavior);
  center_.addObserver(second_, &remember, "a", nullptr, host::SuspensionBehavior::coalesce);
  center_.addObserver(second_, &remember, "b", nullptr, host::SuspensionBehavior::coalesce);
  center_.post("a");
  EXPECT_TRUE(delivered_.empty()) << "delivery waits for the run loop";
  loop_.runUntilIdle();
  ASSERT_EQ(delivered_.size(), 3u);
  EXPECT_EQ(delivered_[0].observer, "first");
  EXPECT_EQ(delivered_[1].observer, "first");
  EXPECT_EQ(delivered_[2].observer, "second");
  for (const auto& d : delivered_) {
    EXPECT_EQ(d.name, "a");
    EXPECT_TRUE(d.centerMatches);
    EXPECT_TRUE(d.noObjectOrUserInfo);
  }
}

TEST_F(DarwinNotificationCenterTest, PendingPostsOfOneNameCoalesce) {
  center_.addObserver(first_, &remember, "a", nullptr, host::SuspensionBehavior::drop);
  center_.post("a");
  center_.post("a");
  center_.post("b");
  loop_.runUntilIdle();
  center_.post("a");
  loop_.runUntilIdle();
  EXPECT_EQ(delivered_.size(), 2u);
  EXPECT_THAT(
      record_.textsIn("notification"),
      ElementsAre("posted a", "posted a (coalesced)", "posted b", "delivered a to 1 observers",
                  "delivered b to 0 observers", "posted a", "delivered a to 1 observers"));
}

TEST_F(DarwinNotificationCenterTest, ObserverAddedDuringDeliveryWaitsForTheNextOne) {
  static DarwinNotificationCenterTest* self = nullptr;
  self = this;
  center_.addObserver(
      first_,
      [](host::NotificationCenter* center, void* observer, const char* name, const void* object,
         const host::Dictionary* userInfo) {
        remember(center, observer, name, object, userInfo);
        if (self->delivered_.size() == 1)
          self->center_.addObserver(self->second_, &remember, "a", nullptr,
                                    host::SuspensionBehavior::drop);
      },
      "a", nullptr, host::SuspensionBehavior::drop);
  center_.post("a");
  loop_.runUntilIdle();
  EXPECT_EQ(delivered_.size(), 1u);
  center_.post("a");
  loop_.runUntilIdle();
  EXPECT_EQ(delivered_.size(), 3u);
  self = nullptr;
}

TEST_F(DarwinNotificationCenterTest, ObservingWithoutANameIsNotModelled) {
  EXPECT_THROW(
      center_.addObserver(nullptr, &remember, nullptr, nullptr, host::SuspensionBehavior::drop),
      std::invalid_argument);
}

}  // namespace
