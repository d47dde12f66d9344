// notify(3) status codes, tokens and state lifetime.
#include "sim/services/notify_state.h"

#include <gtest/gtest.h>

namespace {

namespace notify = host::notify;

class NotifyStateTest : public testing::Test {
 protected:
  int registered(const char* name) {
    int token = 12345;
    EXPECT_EQ(state_.registerCheck(name, &token), notify::ok);
    return token;
  }

  sim::Record record_{nullptr};
  sim::NotifyState state_{record_};
};

TEST_F(NotifyStateTest, RegisterChecksNameThenOutParameter) {
  int token = 7;
  EXPECT_EQ(state_.registerCheck(nullptr, &token), notify::invalidName);
  EXPECT_EQ(token, 7);
  EXPECT_EQ(state_.registerCheck("x", nullptr), notify::nullInput);
  EXPECT_EQ(state_.registerCheck("x", &token), notify::ok);
  EXPECT_GE(token, 0);
  EXPECT_NE(registered("x"), token);
}

TEST_F(NotifyStateTest, StateDefaultsToZeroAndFollowsTheSystem) {
  const int token = registered("com.apple.iokit.hid.displayStatus");
  std::uint64_t value = 99;
  EXPECT_EQ(state_.getState(token, &value), notify::ok);
  EXPECT_EQ(value, 0u);
  state_.setState("com.apple.iokit.hid.displayStatus", 1);
  EXPECT_EQ(state_.getState(token, &value), notify::ok);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(state_.getState(token, nullptr), notify::nullInput);
}

TEST_F(NotifyStateTest, InvalidTokenLeavesTheOutParameterUntouched) {
  std::uint64_t value = 42;
  for (int bad : {-1, 0, 999}) {
    EXPECT_EQ(state_.getState(bad, &value), notify::invalidToken);
    EXPECT_EQ(value, 42u);
  }
}

TEST_F(NotifyStateTest, CancelSucceedsOnceThenReportsAnInvalidToken) {
  const int token = registered("x");
  EXPECT_EQ(state_.cancel(token), notify::ok);
  EXPECT_EQ(state_.cancel(token), notify::invalidToken);
  EXPECT_EQ(state_.cancel(notify::tokenInvalid), notify::invalidToken);
  std::uint64_t value = 5;
  EXPECT_EQ(state_.getState(token, &value), notify::invalidToken);
  EXPECT_EQ(value, 5u);
}

TEST_F(NotifyStateTest, StateIsDroppedWithTheLastRegistrationUnlessTheSystemHoldsIt) {
  state_.setState("held", 3);
  const int held = registered("held");
  const int first = registered("own");
  const int second = registered("own");
  state_.setState("own", 8);
  state_.releaseSystemState("own");
  EXPECT_EQ(state_.cancel(first), notify::ok);
  EXPECT_EQ(state_.stateOf("own"), 8u) << "another token still holds the name";
  EXPECT_EQ(state_.cancel(second), notify::ok);
  EXPECT_EQ(state_.stateOf("own"), std::nullopt);
  std::uint64_t value = 0;
  const int again = registered("own");
  EXPECT_EQ(state_.getState(again, &value), notify::ok);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(state_.cancel(held), notify::ok);
  EXPECT_EQ(state_.stateOf("held"), 3u);
}

TEST_F(NotifyStateTest, InjectedFailuresAffectOnlyTheNextCall) {
  state_.failNextRegister(notify::serverNotFound);
  int token = 77;
  EXPECT_EQ(state_.registerCheck("x", &token), notify::serverNotFound);
  EXPECT_EQ(token, notify::tokenInvalid) << "the token is set to -1 before anything else";
  token = registered("x");
  state_.failNextGetState(notify::failed);
  std::uint64_t value = 6;
  EXPECT_EQ(state_.getState(token, &value), notify::failed);
  EXPECT_EQ(value, 6u);
  EXPECT_EQ(state_.getState(token, &value), notify::ok);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(state_.liveTokens(), 1u);
}

}  // namespace
