// The test shell's own lock screen, as the shell process's scenarios rely on it: the date view
// controller's original -dateView builds the date view and shows the clock on it, as the
// simulated shell's does.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "objc/runtime/geometry.h"
#include "objc/runtime/message.h"
#include "objc/test_shell/test_shell.h"
#include "tests/support/clock_texts.h"

namespace {

using nimbrel::objc::CGRect;
using nimbrel::objc::sendUnguarded;

template <class R = id, class... Args>
R msg(id receiver, const char* selector, Args... args) {
  return sendUnguarded<R>(receiver, sel_registerName(selector), args...);
}

id classNamed(const char* name) { return reinterpret_cast<id>(objc_getClass(name)); }

std::string text(id string) {
  const char* utf8 = msg<const char*>(string, "UTF8String");
  return utf8 ? utf8 : "";
}

// Whether each -dateView told said it built the view.
std::vector<bool> builtFlags;

void observeDateView(const char* selector, id, long, BOOL flag, id) {
  if (std::string(selector) == "dateView") builtFlags.push_back(flag);
}

class TestShellDateView : public ::testing::Test {
 protected:
  void SetUp() override {
    liveBefore_ = TSLiveObjects();
    pool_ = msg(classNamed("NSAutoreleasePool"), "new");
    TSBoot(&shell_, 375, 667, 2, NO);
    container_ =
        msg(msg(classNamed("UIView"), "alloc"), "initWithFrame:", CGRect{{0, 20}, {375, 200}});
    builtFlags.clear();
    TSSetCallObserver(&observeDateView);
  }
  void TearDown() override {
    TSSetCallObserver(nullptr);
    TSShutdown(&shell_);
    msg<void>(container_, "release");
    msg<void>(pool_, "drain");
    EXPECT_EQ(TSLiveObjects(), liveBefore_) << "the test shell let go of all it made";
  }

  TSShell shell_{};
  id container_ = nullptr;  // where the date view goes, as the shell lays its lock screen out

 private:
  long liveBefore_ = 0;
  id pool_ = nullptr;
};

TEST_F(TestShellDateView, TheFirstDateViewBuildsItIntoItsContainerUntilItIsDiscarded) {
  id controller = shell_.dateViewController;
  msg<void>(controller, "setDateContainer:", container_);
  id first = msg(controller, "dateView");
  EXPECT_EQ(msg(controller, "dateView"), first);
  EXPECT_EQ(msg(first, "superview"), container_);
  const CGRect frame = msg<CGRect>(first, "frame");
  EXPECT_EQ(frame.origin.y, 28);
  EXPECT_EQ(frame.size.width, 375);
  EXPECT_EQ(frame.size.height, 120);

  msg<void>(controller, "discardDateView");
  EXPECT_EQ(msg<unsigned long>(msg(container_, "subviews"), "count"), 0u);
  id second = msg(controller, "dateView");
  EXPECT_EQ(msg(second, "superview"), container_);
  EXPECT_EQ(builtFlags, (std::vector<bool>{true, false, true}));
}

TEST_F(TestShellDateView, EachDateViewShowsTheClocksMomentOnItsLabels) {
  id dateView = msg(shell_.dateViewController, "dateView");
  id timeLabel = msg(dateView, "_timeLabel");
  id dateLine = msg(dateView, "dateLine");
  for (const auto& c : nimbrel::testing::kClockTextCases) {
    if (std::isnan(c.seconds)) continue;  // GNUstep's NSDate refuses to hold one
    msg<void>(dateView,
              "setDate:", msg(classNamed("NSDate"), "dateWithTimeIntervalSince1970:", c.seconds));
    EXPECT_EQ(text(msg(timeLabel, "text")), c.time) << c.seconds;
    EXPECT_EQ(text(msg(dateLine, "text")), c.date) << c.seconds;
  }
}

}  // namespace
