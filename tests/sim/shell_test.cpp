// The simulated shell: its classes' original implementations, the view trees it builds, and
// its calls going through the method tables so that replacements intercept them.
#include "sim/shell/shell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "host/methods.h"
#include "sim/originals.h"
#include "sim/runtime/instance.h"
#include "tests/support/clock_texts.h"

namespace {

class TestScreen final : public sim::Instance<host::Screen> {
 public:
  using Instance::Instance;
  host::Rect bounds() const override { return host::makeRect(0, 0, width, height); }
  host::Rect nativeDisplayBounds() const override {
    return host::makeRect(0, 0, width * 2, height * 2);
  }
  double width = 375;
  double height = 667;
};

class TestClock final : public host::Clock {
 public:
  host::Date now() const override { return {seconds}; }
  double seconds = 1700000000;  // Tuesday, 14 November 2023, 22:13:20 UTC
};

class ShellTest : public ::testing::Test {
 protected:
  explicit ShellTest(sim::ShellOptions options = {})
      : shell(runtime, views, record, screen, clock, options) {}

  TestClock clock;
  sim::Record record{[this] { return clock.seconds; }};
  sim::Runtime runtime{record};
  sim::ViewClasses views = sim::defineViewClasses(runtime);
  TestScreen screen{runtime.defineClass("TestScreen", nullptr)};
  sim::Shell shell;
};

TEST_F(ShellTest, TheDateViewIsBuiltOnceInsideTheLockScreenAwayFromTheWindowOrigin) {
  auto first = shell.requestDateView();
  auto second = shell.requestDateView();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->objectClass().name(), "SBFLockScreenDateView");
  EXPECT_EQ(first->superview(), shell.dateContainer());
  EXPECT_TRUE(first->isDescendantOfView(shell.lockScreenWindow().get()));
  EXPECT_EQ(first->convertPointToView({0, 0}, nullptr), (host::Point{0, 48}));
  EXPECT_EQ(record.textsIn("shell"),
            (std::vector<std::string>{"asks -[SBLockScreenDateViewController dateView]",
                                      "asks -[SBLockScreenDateViewController dateView]"}));
  EXPECT_EQ(
      record.textsIn("original"),
      (std::vector<std::string>{"-[SBLockScreenDateViewController dateView] built the date view"}));
}

TEST_F(ShellTest, TheTimeLabelShowsTheTimeOfEachRequest) {
  auto dateView = shell.requestDateView();
  auto time = dateView->timeLabel();
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->objectClass().name(), "UILabel");
  EXPECT_EQ(time->superview(), dateView);
  EXPECT_EQ(time->text(), "22:13");
  clock.seconds += 3600 * 2;
  shell.requestDateView();
  EXPECT_EQ(time->text(), "0:13");
}

TEST_F(ShellTest, HidingTheSubtitleOrTheDateHidesTheDateLine) {
  auto dateView = std::dynamic_pointer_cast<sim::SimDateView>(shell.requestDateView());
  EXPECT_EQ(dateView->dateLine()->text(), "Tuesday, 14 November");
  EXPECT_FALSE(dateView->dateLine()->isHidden());
  dateView->setSubtitleHidden(true);
  EXPECT_TRUE(dateView->dateLine()->isHidden());
  EXPECT_TRUE(dateView->subtitleHidden());
  EXPECT_FALSE(dateView->dateHidden());
  dateView->setSubtitleHidden(false);
  EXPECT_FALSE(dateView->dateLine()->isHidden());
  dateView->setDateHidden(true);
  EXPECT_TRUE(dateView->dateLine()->isHidden());
  EXPECT_FALSE(dateView->timeLabel()->isHidden());
}

TEST(ClockTexts, AreThoseOfTheMomentInUtcWithAFallbackForImpossibleMoments) {
  for (const auto& c : nimbrel::testing::kClockTextCases) {
    EXPECT_EQ(sim::clockTimeText(c.seconds), c.time) << c.seconds;
    EXPECT_EQ(sim::clockDateText(c.seconds), c.date) << c.seconds;
  }
}

class OlderShell : public ShellTest {
 protected:
  OlderShell() : ShellTest(withoutSubtitleHidden()) {}
  static sim::ShellOptions withoutSubtitleHidden() {
    sim::ShellOptions options;
    options.dateView.setSubtitleHidden = false;
    return options;
  }
};

TEST_F(OlderShell, ADateViewWithoutSetSubtitleHiddenRaisesUnrecognizedSelector) {
  auto dateView = shell.requestDateView();
  try {
    dateView->setSubtitleHidden(true);
    FAIL() << "setSubtitleHidden: was accepted";
  } catch (const host::PlatformException& exception) {
    EXPECT_EQ(exception.name(), "NSInvalidArgumentException");
    EXPECT_EQ(std::string(exception.what()),
              "-[SBFLockScreenDateView setSubtitleHidden:]: unrecognized selector sent to "
              "instance");
  }
  EXPECT_FALSE(std::dynamic_pointer_cast<sim::SimDateView>(dateView)->dateLine()->isHidden());
  dateView->setDateHidden(true);
  EXPECT_TRUE(std::dynamic_pointer_cast<sim::SimDateView>(dateView)->dateLine()->isHidden());
}

TEST_F(ShellTest, EachWallpaperViewsContentViewHasTheHostViewAsGrandparent) {
  ASSERT_EQ(shell.wallpaperViewCount(), 2u);
  auto window = shell.wallpaperWindow();
  EXPECT_EQ(window->objectClass().name(), "_SBWallpaperWindow");
  EXPECT_EQ(window->superview(), nullptr);
  for (std::size_t index : {sim::Shell::homeScreenWallpaper, sim::Shell::lockScreenWallpaper}) {
    auto content = shell.requestContentView(index);
    ASSERT_NE(content, nullptr);
    auto wallpaper = content->superview();
    EXPECT_EQ(wallpaper, shell.wallpaperView(index));
    EXPECT_EQ(wallpaper->objectClass().name(), "SBFStaticWallpaperView");
    auto hostView = wallpaper->superview();
    EXPECT_EQ(hostView, shell.hostView(index));
    auto container = hostView->superview();
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(container->superview(), window);
    EXPECT_EQ(content->frame(), host::makeRect(0, 0, 375, 667));
  }
  auto home = shell.hostView(sim::Shell::homeScreenWallpaper);
  auto lock = shell.hostView(sim::Shell::lockScreenWallpaper);
  EXPECT_NE(home, lock);
  EXPECT_FALSE(home->isDescendantOfView(lock.get()));
  EXPECT_FALSE(lock->isDescendantOfView(home.get()));
  EXPECT_THROW(shell.requestContentView(2), std::out_of_range);
}

TEST_F(ShellTest, LayoutRunsTheWallpaperViewsThenTheWindow) {
  shell.layoutWallpaper();
  EXPECT_EQ(record.textsIn("shell"),
            (std::vector<std::string>{
                "lays out -[SBFStaticWallpaperView layoutSubviews] of the home screen wallpaper",
                "lays out -[SBFStaticWallpaperView layoutSubviews] of the lock screen wallpaper",
                "lays out -[_SBWallpaperWindow layoutSubviews]"}));
  EXPECT_EQ(record.textsIn("original"),
            (std::vector<std::string>{
                "-[SBFStaticWallpaperView layoutSubviews] laid out the home screen wallpaper",
                "-[SBFStaticWallpaperView layoutSubviews] laid out the lock screen wallpaper",
                "-[_SBWallpaperWindow layoutSubviews] laid out the window"}));
}

TEST_F(ShellTest, RotationResizesTheWallpaperToTheScreenInThatOrientationAndLaysItOut) {
  shell.rotate(true);
  EXPECT_TRUE(shell.isLandscape());
  EXPECT_EQ(shell.wallpaperWindow()->frame(), host::makeRect(0, 0, 667, 375));
  for (std::size_t index = 0; index < shell.wallpaperViewCount(); ++index) {
    EXPECT_EQ(shell.wallpaperView(index)->frame(), host::makeRect(0, 0, 667, 375));
    EXPECT_EQ(shell.hostView(index)->frame(), host::makeRect(0, 0, 667, 375));
    EXPECT_EQ(shell.wallpaperView(index)->ownContentView()->frame(),
              host::makeRect(0, 0, 667, 375));
    EXPECT_EQ(shell.wallpaperView(index)->layoutCount(), 1);
  }
  EXPECT_EQ(shell.wallpaperWindow()->layoutCount(), 1);
  screen.width = 667;  // a screen that reports its bounds rotated gives the same result
  screen.height = 375;
  shell.rotate(false);
  EXPECT_EQ(shell.wallpaperView(0)->frame(), host::makeRect(0, 0, 375, 667));
}

TEST_F(ShellTest, RotationKeepsTheOffsetsGivenToTheWallpapersViews) {
  shell.hostView(1)->setFrame(host::makeRect(-30, 12, 375, 667));
  shell.wallpaperWindow()->setFrame(host::makeRect(7, 0, 375, 667));
  shell.rotate(true);
  EXPECT_EQ(shell.hostView(1)->frame(), host::makeRect(-30, 12, 667, 375));
  EXPECT_EQ(shell.wallpaperWindow()->frame(), host::makeRect(7, 0, 667, 375));
  EXPECT_EQ(shell.hostView(0)->frame(), host::makeRect(0, 0, 667, 375));
}

TEST_F(ShellTest, AHostViewAwayFromTheWindowOriginUnderAScrolledContainerConverts) {
  shell.hostView(0)->setFrame(host::makeRect(25, -40, 375, 667));
  sim::viewState(*shell.wallpaperContainer()).setBoundsOrigin({5, -10});
  EXPECT_EQ(shell.hostView(0)->convertPointToView({0, 0}, nullptr), (host::Point{20, -30}));
  EXPECT_EQ(shell.hostView(1)->convertPointToView({0, 0}, nullptr), (host::Point{-5, 10}));
}

TEST_F(ShellTest, AnEmbeddedWallpaperWindowHasTwoHoldersAboveItUnderOneRoot) {
  EXPECT_FALSE(shell.wallpaperWindowHolders().has_value());
  EXPECT_EQ(shell.wallpaperRoot(), shell.wallpaperWindow());
  const auto& holders = shell.embedWallpaperWindow();
  EXPECT_EQ(&shell.embedWallpaperWindow(), &holders) << "embedding twice changes nothing";
  EXPECT_EQ(shell.wallpaperWindow()->superview(), holders.parent);
  EXPECT_EQ(holders.parent->superview(), holders.grandparent);
  EXPECT_EQ(holders.grandparent->superview(), shell.wallpaperRoot());
  EXPECT_EQ(shell.wallpaperRoot()->superview(), nullptr);

  holders.grandparent->setFrame(host::makeRect(-16, 30, 375, 667));
  sim::viewState(*holders.grandparent).setBoundsOrigin({4, 0});
  EXPECT_EQ(holders.grandparent->convertPointToView({0, 0}, nullptr), (host::Point{-20, 30}));
  shell.wallpaperWindow()->setFrame(host::makeRect(3, 9, 375, 667));
  EXPECT_EQ(shell.hostView(0)->convertPointToView({0, 0}, nullptr), (host::Point{-17, 39}));
}

TEST_F(ShellTest, ARebuiltLockScreenHandsOutAFreshDateViewAndDropsTheOld) {
  EXPECT_THROW(shell.rebuildDateView(), std::invalid_argument);
  auto old = shell.requestDateView();
  auto held = views.makeView(host::makeRect(0, 0, 10, 10));
  old->addSubview(held);
  shell.rebuildDateView();
  EXPECT_EQ(old->superview(), nullptr) << "the old date view left the lock screen";
  EXPECT_EQ(shell.dateViewController()->dateViewIfBuilt(), nullptr);

  auto fresh = shell.requestDateView();
  EXPECT_NE(fresh, old);
  EXPECT_EQ(fresh->superview(), shell.dateContainer());
  EXPECT_FALSE(held->isDescendantOfView(fresh.get()));
  EXPECT_EQ(shell.dateContainer()->subviews().size(), 1u);
  EXPECT_EQ(
      record.textsIn("original"),
      (std::vector<std::string>{"-[SBLockScreenDateViewController dateView] built the date view",
                                "-[SBLockScreenDateViewController dateView] built the date view"}));
}

class LandscapeShell : public ShellTest {
 protected:
  LandscapeShell() : ShellTest(sim::ShellOptions{{}, true}) {}
};

TEST_F(LandscapeShell, StartsWithEveryTreeInLandscape) {
  EXPECT_TRUE(shell.isLandscape());
  EXPECT_EQ(shell.wallpaperWindow()->frame(), host::makeRect(0, 0, 667, 375));
  EXPECT_EQ(shell.wallpaperView(0)->frame(), host::makeRect(0, 0, 667, 375));
  EXPECT_EQ(shell.lockScreenWindow()->frame(), host::makeRect(0, 0, 667, 375));
}

TEST_F(ShellTest, TheOriginalsAllowParallaxAndFinishTheUnlock) {
  EXPECT_TRUE(shell.askAllowsParallax());
  shell.finishUnlock(3, nullptr);
  EXPECT_EQ(shell.lockScreenManager()->unlockCount(), 1);
  EXPECT_EQ(record.textsIn("shell"),
            (std::vector<std::string>{
                "asks +[SBFStaticWallpaperView _allowsParallax]",
                "finishes -[SBLockScreenManager _finishUIUnlockFromSource:3 withOptions:none]"}));
  EXPECT_EQ(record.textsIn("original"),
            (std::vector<std::string>{
                "+[SBFStaticWallpaperView _allowsParallax] answered YES",
                "-[SBLockScreenManager _finishUIUnlockFromSource:withOptions:] finished the "
                "unlock from source 3"}));
}

// Replacements installed with the hook engine, each noting its call and chaining on.
std::vector<std::string> replaced;
host::methods::DateView::Imp previousDateView;
host::methods::ContentView::Imp previousContentView;
host::methods::LayoutSubviews::Imp previousViewLayout;
host::methods::LayoutSubviews::Imp previousWindowLayout;
host::methods::AllowsParallax::Imp previousAllowsParallax;
host::methods::FinishUIUnlock::Imp previousFinishUnlock;

std::shared_ptr<host::DateView> hookedDateView(const host::Id& self, host::Selector selector) {
  replaced.push_back("dateView");
  return previousDateView(self, selector);
}
std::shared_ptr<host::View> hookedContentView(const std::shared_ptr<host::View>& self,
                                              host::Selector selector) {
  replaced.push_back("contentView");
  return previousContentView(self, selector);
}
void hookedViewLayout(const std::shared_ptr<host::View>& self, host::Selector selector) {
  replaced.push_back("wallpaper view layout");
  previousViewLayout(self, selector);
}
void hookedWindowLayout(const std::shared_ptr<host::View>& self, host::Selector selector) {
  replaced.push_back("window layout");
  previousWindowLayout(self, selector);
}
bool hookedAllowsParallax(host::Class&, host::Selector) {
  replaced.push_back("parallax");
  return false;
}
void hookedFinishUnlock(const host::Id& self, host::Selector selector, long source,
                        const host::Id& options) {
  replaced.push_back("unlock " + std::to_string(source));
  previousFinishUnlock(self, selector, source, options);
}

class HookedShell : public ShellTest {
 protected:
  void SetUp() override {
    replaced.clear();
    using namespace host::methods;
    host::Class* controller = runtime.getClass("SBLockScreenDateViewController");
    host::Class* wallpaper = runtime.getClass("SBFStaticWallpaperView");
    const std::vector<host::HookOutcome> outcomes = {
        hookMessage<DateView>(runtime, controller, &hookedDateView, &previousDateView),
        hookMessage<ContentView>(runtime, wallpaper, &hookedContentView, &previousContentView),
        hookMessage<LayoutSubviews>(runtime, wallpaper, &hookedViewLayout, &previousViewLayout),
        hookMessage<AllowsParallax>(runtime, host::metaclassOf(wallpaper), &hookedAllowsParallax,
                                    &previousAllowsParallax),
        hookMessage<LayoutSubviews>(runtime, runtime.getClass("_SBWallpaperWindow"),
                                    &hookedWindowLayout, &previousWindowLayout),
        hookMessage<FinishUIUnlock>(runtime, runtime.getClass("SBLockScreenManager"),
                                    &hookedFinishUnlock, &previousFinishUnlock),
    };
    for (auto outcome : outcomes) EXPECT_EQ(outcome, host::HookOutcome::replaced);
  }
};

TEST_F(HookedShell, ReplacementsInterceptEveryCallTheShellMakes) {
  auto dateView = shell.requestDateView();
  auto content = shell.requestContentView(sim::Shell::lockScreenWallpaper);
  shell.layoutWallpaper();
  EXPECT_FALSE(shell.askAllowsParallax());
  shell.finishUnlock(7, nullptr);

  EXPECT_EQ(replaced, (std::vector<std::string>{"dateView", "contentView", "wallpaper view layout",
                                                "wallpaper view layout", "window layout",
                                                "parallax", "unlock 7"}));
  EXPECT_NE(dateView, nullptr) << "the replacement chained to the original";
  EXPECT_EQ(content, shell.wallpaperView(sim::Shell::lockScreenWallpaper)->ownContentView());
  EXPECT_EQ(shell.wallpaperView(0)->layoutCount(), 1);
  EXPECT_EQ(shell.wallpaperWindow()->layoutCount(), 1);
  EXPECT_EQ(shell.lockScreenManager()->unlockCount(), 1);
  const auto originals = record.textsIn("original");
  EXPECT_EQ(std::count(originals.begin(), originals.end(),
                       "+[SBFStaticWallpaperView _allowsParallax] answered YES"),
            0)
      << "the parallax replacement did not call the original";
}

TEST_F(HookedShell, TheTwoLayoutReplacementsKeepTheirOwnPreviousImplementations) {
  EXPECT_EQ(previousViewLayout, &sim::originals::wallpaperViewLayoutSubviews);
  EXPECT_EQ(previousWindowLayout, &sim::originals::wallpaperWindowLayoutSubviews);
  EXPECT_EQ(previousAllowsParallax, &sim::originals::allowsParallax);
}

}  // namespace
