// Scaling and shifting home-screen backgrounds at wallpaper layout, and the parallax switch.
#include "homescreen/wallpaper_layout.h"

#include "startup/install_hooks.h"
#include "startup/load_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/system/shell_fixture.h"

namespace {

using nimbrel::state;

constexpr host::Selector kLayout = host::methods::LayoutSubviews::selector;

// A wallpaper view two levels below the view a background is inserted into, as the shell
// builds it: container → host → wallpaper view.
class WallpaperLayout : public ShellFixture {
 protected:
  void build(host::Size wallpaperSize) {
    const sim::ViewClasses& views = process().viewClasses();
    container_ = views.makeView(host::makeRect(0, 0, 1000, 1000));
    auto host = views.makeView(host::makeRect(0, 0, 1000, 1000));
    wallpaper_ = views.makeView(host::makeRect(0, 0, wallpaperSize.width, wallpaperSize.height));
    container_->addSubview(host);
    host->addSubview(wallpaper_);
    background_ = process().weather().backgroundClass()->make(host::makeRect(0, 0, 100, 200));
    host->addSubview(background_);
    state().homeScreenViews = nimbrel::BackgroundList{background_};
    state().settings.plusLandscape = true;
  }
  void useScreen(host::Size points, host::Size pixels) {
    device().setProfile(sim::customProfile(points, pixels));
    relaunch();
  }
  host::AffineTransform layOut() {
    nimbrel::wallpaperViewLayoutSubviews(wallpaper_, kLayout);
    return background_->transform();
  }

  std::shared_ptr<host::View> container_;
  std::shared_ptr<host::View> wallpaper_;
  std::shared_ptr<sim::SimWeatherBackground> background_;
};

TEST_F(WallpaperLayout, OffLeavesEverythingAsItWas) {
  build({736, 414});
  state().settings.plusLandscape = false;
  state().weatherView = background_;
  background_->setTag(7);
  EXPECT_TRUE(layOut().isIdentity());
  EXPECT_EQ(background_->tag(), 7);
  EXPECT_EQ(state().weatherView, background_);
}

TEST_F(WallpaperLayout, NoListedBackgroundInsideLeavesWeatherViewNoneInEitherLayout) {
  build({736, 414});
  state().weatherView = background_;
  background_->removeFromSuperview();
  EXPECT_TRUE(layOut().isIdentity());
  EXPECT_EQ(state().weatherView, nullptr);

  state().weatherView = background_;
  nimbrel::wallpaperWindowLayoutSubviews(container_, kLayout);
  EXPECT_EQ(state().weatherView, nullptr);
  EXPECT_EQ(background_->frame(), host::makeRect(0, 0, 100, 200));
}

struct OrientationCase {
  host::Size wallpaper;
  double scale;
  long tag;
};

TEST_F(WallpaperLayout, OrientationSetsScaleAndTag) {
  const OrientationCase cases[] = {
      {{414, 736}, 1.0, 0},
      {{736, 414}, 736.0 / 414.0, 1},
      {{500, 500}, 1.0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wallpaper.width);
    build(c.wallpaper);
    EXPECT_EQ(layOut(), host::AffineTransform::makeScale(c.scale, c.scale));
    EXPECT_EQ(background_->tag(), c.tag);
    EXPECT_EQ(state().weatherView, background_);
  }
}

TEST_F(WallpaperLayout, CompatibilityModeScalesByTheNativeSize) {
  useScreen({320, 568}, {750, 1334});
  process().rotate(sim::Orientation::landscape);
  build({568, 320});
  state().settings.reScaleCompatibility = true;
  const host::AffineTransform t = layOut();
  EXPECT_NEAR(t.a, 1.775 * 320.0 / 375.0, 1e-12);
  EXPECT_NEAR(t.d, 1.775 * 568.0 / 667.0, 1e-12);
  EXPECT_EQ(background_->tag(), 1);
}

TEST_F(WallpaperLayout, CompatibilityModeKeepsScaleWhenHalfNativeHeightIsTheLongerSide) {
  useScreen({320, 667}, {750, 1334});  // even though the widths differ
  build({320, 667});
  state().settings.reScaleCompatibility = true;
  EXPECT_TRUE(layOut().isIdentity());
}

TEST_F(WallpaperLayout, ZeroSizedWallpaperLeavesTheBackgroundAlone) {
  build({0, 0});
  background_->setTag(5);
  EXPECT_TRUE(layOut().isIdentity());
  EXPECT_EQ(background_->tag(), 5);
}

class WindowLayout : public WallpaperLayout {
 protected:
  void layOutWindow() { nimbrel::wallpaperWindowLayoutSubviews(container_, kLayout); }
};

TEST_F(WindowLayout, LandscapeBackgroundMovesByTheOffsetShare) {
  build({736, 414});
  background_->setFrame(host::makeRect(10, 10, 736, 1308));
  background_->setTag(1);
  state().settings.homeScreenVerticalOffsetBackground = 50;
  layOutWindow();
  EXPECT_EQ(background_->frame(), host::makeRect(0, -286, 736, 1308));
}

TEST_F(WindowLayout, PortraitOrZeroOffsetPinsToTheOrigin) {
  for (const auto& [tag, offset] : {std::pair{0L, 50.0}, std::pair{1L, 0.0}}) {
    build({736, 414});
    background_->setFrame(host::makeRect(10, 10, 736, 1308));
    background_->setTag(tag);
    state().settings.homeScreenVerticalOffsetBackground = offset;
    layOutWindow();
    EXPECT_EQ(background_->frame(), host::makeRect(0, 0, 736, 1308));
  }
}

TEST_F(WindowLayout, PinsAgainstWhereTheWindowsGrandparentSits) {
  build({414, 736});
  const sim::ViewClasses& views = process().viewClasses();
  auto root = views.makeView(host::makeRect(0, 0, 1000, 1000));
  auto grandparent = views.makeView(host::makeRect(30, 40, 1000, 1000));
  auto parent = views.makeView(host::makeRect(5, 5, 1000, 1000));
  root->addSubview(grandparent);
  grandparent->addSubview(parent);
  parent->addSubview(container_);
  layOutWindow();
  EXPECT_EQ(background_->frame(), host::makeRect(-30, -40, 100, 200));
}

TEST_F(WindowLayout, NonFiniteOffsetLeavesTheFrameAlone) {
  build({736, 414});
  background_->setFrame(host::makeRect(10, 10, 736, 1308));
  background_->setTag(1);
  state().settings.homeScreenVerticalOffsetBackground = std::numeric_limits<double>::infinity();
  layOutWindow();
  EXPECT_EQ(background_->frame(), host::makeRect(10, 10, 736, 1308));
}

class Parallax : public ShellFixture {
 protected:
  Parallax() { nimbrel::installHooks(); }
};

TEST_F(Parallax, DisabledAnswersNoWithoutAskingTheShell) {
  process().preferences().set("be.quorvane.nimbrel", "disableParallax", true);
  nimbrel::loadSettings(nullptr, nullptr, nullptr, nullptr, nullptr);
  process().record().clear();
  EXPECT_FALSE(process().shell().askAllowsParallax());
  EXPECT_TRUE(process().record().textsIn("original").empty());
}

TEST_F(Parallax, EnabledPassesTheShellsAnswerOnAndWithoutOneAnswersNo) {
  EXPECT_TRUE(process().shell().askAllowsParallax());
  EXPECT_EQ(process().record().textsIn("original").size(), 1u);
  state().previous.allowsParallax = nullptr;
  EXPECT_FALSE(process().shell().askAllowsParallax());
}

}  // namespace
