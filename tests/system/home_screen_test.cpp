// The home-screen background: kept in each wallpaper's host view by the -contentView
// replacement, bound to the shared city, pinned to the window's origin and in front.
#include "homescreen/content_view.h"

#include "startup/install_hooks.h"

#include <gtest/gtest.h>

#include <cmath>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/system/shell_fixture.h"

namespace {

using nimbrel::state;
using sim::Shell;

constexpr std::size_t kHome = Shell::homeScreenWallpaper;
constexpr std::size_t kLock = Shell::lockScreenWallpaper;

sim::CityData named(const char* name) {
  sim::CityData data;
  data.name = name;
  return data;
}

// Installed in the shell with the home-screen background switched on and nothing else that
// touches it.
class HomeScreenBackground : public ShellFixture {
 protected:
  HomeScreenBackground() { install(); }

  void install() {
    nimbrel::installHooks();
    state().settings.homescreenBackground = true;
    state().settings.useLocalCity = false;
  }
  // A respring on a device with that screen, installed again.
  void useProfile(sim::DeviceProfile profile) {
    device().setProfile(std::move(profile));
    relaunch();
    install();
  }
  void useScreen(host::Size points, host::Size pixels) {
    useProfile(sim::customProfile(points, pixels));
  }

  std::shared_ptr<host::City> giveCity(const char* name = "Ghent") {
    state().city = process().weather().newCity(named(name));
    return state().city;
  }
  std::shared_ptr<host::View> ask(std::size_t index) {
    return process().shell().requestContentView(index);
  }
  std::shared_ptr<host::View> ownContent(std::size_t index) {
    return process().shell().wallpaperView(index)->ownContentView();
  }
  std::shared_ptr<host::View> hostView(std::size_t index) {
    return process().shell().hostView(index);
  }
  std::size_t listed() const {
    return state().homeScreenViews ? state().homeScreenViews->size() : 0;
  }
  std::shared_ptr<sim::SimWeatherBackground> listedAt(std::size_t at) const {
    return std::dynamic_pointer_cast<sim::SimWeatherBackground>(state().homeScreenViews->at(at));
  }
  std::vector<std::string> texts(const char* category) {
    return process().record().textsIn(category);
  }
};

struct GateCase {
  const char* label;
  bool locked;
  bool switchedOn;
  bool localCityKnown;  // otherwise no local city is used and no city is saved
};

TEST_F(HomeScreenBackground, LockedOrSwitchedOffReturnsTheContentViewAndTouchesNothing) {
  const GateCase cases[] = {
      {"locked, local city known", true, true, true},
      {"locked, no saved cities", true, true, false},
      {"switched off, local city known", false, false, true},
      {"switched off, no saved cities", false, false, false},
  };
  for (const GateCase& c : cases) {
    SCOPED_TRACE(c.label);
    relaunch();
    install();
    state().screenLocked = c.locked;
    state().settings.homescreenBackground = c.switchedOn;
    state().settings.useLocalCity = c.localCityKnown;
    if (c.localCityKnown)
      process().weather().preferences()->setLocalCity(process().weather().newCity(named("Liège")),
                                                      sim::LocalCityAvailability::known);
    auto earlier = process().weather().backgroundClass()->make(host::makeRect(0, 0, 1, 1));
    state().weatherView = earlier;
    process().record().clear();

    EXPECT_EQ(ask(kHome), ownContent(kHome));
    EXPECT_EQ(state().city, nullptr) << "no city was resolved";
    EXPECT_FALSE(state().alertShown);
    EXPECT_TRUE(texts("alert").empty());
    EXPECT_TRUE(texts("view").empty());
    EXPECT_TRUE(texts("bind").empty());
    EXPECT_FALSE(state().homeScreenViews.has_value());
    EXPECT_EQ(state().weatherView, earlier);
  }
}

TEST_F(HomeScreenBackground, NoSavedCitiesWarnsOnceAndMakesNoBackground) {
  for (const bool listPresent : {false, true}) {
    SCOPED_TRACE(listPresent ? "empty list" : "no list");
    relaunch();
    install();
    if (listPresent) process().weather().preferencesClass()->setSavedCities({});

    for (std::size_t index : {kHome, kHome, kLock, kHome}) EXPECT_EQ(ask(index), ownContent(index));

    EXPECT_EQ(texts("alert").size(), 1u);
    const auto& shown = process().alerts().visibleAlerts();
    ASSERT_EQ(shown.size(), 1u);
    const sim::SimAlertView& alert = *shown.front();
    EXPECT_EQ(alert.title(), "No weather cities");
    EXPECT_EQ(alert.message(),
              "You disabled local city but have no cities added in the weather app. Please "
              "enable local city in the settings or add a city in the weather app.");
    EXPECT_EQ(alert.buttonTitles(), std::vector<std::string>{"OK"});
    EXPECT_EQ(alert.cancelButtonIndex(), 0);
    EXPECT_EQ(alert.tag(), 8472);
    EXPECT_EQ(alert.delegate(), process().shell().wallpaperView(kHome));
    EXPECT_EQ(state().city, nullptr);
    EXPECT_TRUE(texts("view").empty());
    EXPECT_FALSE(state().homeScreenViews.has_value());
  }
}

TEST_F(HomeScreenBackground, NoLocalCityEndsSilentlyWithoutReadingTheCachedCoordinates) {
  // The coordinates the lock screen would fall back on are there; the home screen must not.
  const std::filesystem::path folder =
      device().hostPath("/Library/Application Support/Nimbrel/nimbrelResources.bundle");
  std::filesystem::create_directories(folder);
  ASSERT_TRUE(process().files().writeToFile(
      host::Dictionary{{"lastLocalCityLatitude", 50.85}, {"lastLocalCityLongitude", 4.35}},
      "/Library/Application Support/Nimbrel/nimbrelResources.bundle/nimbrelCache.plist", true));
  state().settings.useLocalCity = true;
  state().settings.noReminder = false;
  process().record().clear();

  EXPECT_EQ(ask(kHome), ownContent(kHome));
  EXPECT_EQ(ask(kHome), ownContent(kHome));
  EXPECT_TRUE(texts("file").empty());
  EXPECT_TRUE(texts("alert").empty());
  EXPECT_FALSE(state().alertShown);
  EXPECT_EQ(state().city, nullptr);
  EXPECT_TRUE(texts("view").empty());
}

TEST_F(HomeScreenBackground, SavedCityThatDoesNotConvertEndsSilently) {
  process().weather().preferencesClass()->setSavedCities({host::Dictionary{{"Name", "Nowhere"}}});
  EXPECT_EQ(ask(kHome), ownContent(kHome));
  EXPECT_TRUE(texts("alert").empty());
  EXPECT_EQ(state().city, nullptr);
  EXPECT_FALSE(state().homeScreenViews.has_value());
}

TEST_F(HomeScreenBackground, ResolvedCityIsTheOneTheBackgroundShows) {
  // The local city when it is used, else the first saved city.
  process().weather().preferences()->setLocalCity(process().weather().newCity(named("Liège")),
                                                  sim::LocalCityAvailability::known);
  process().weather().preferencesClass()->setSavedCities({
      host::Dictionary{{"Name", "Antwerp"}, {"Lat", 51.2}, {"Lon", 4.4}},
      host::Dictionary{{"Name", "Bruges"}, {"Lat", 51.2}, {"Lon", 3.2}},
  });
  for (const auto& [useLocal, expected] : {std::pair{true, "Liège"}, std::pair{false, "Antwerp"}}) {
    SCOPED_TRACE(expected);
    state().city.reset();
    state().settings.useLocalCity = useLocal;
    process().record().clear();
    ask(kHome);
    ASSERT_NE(state().city, nullptr);
    EXPECT_EQ(sim::describeCity(state().city.get()), expected);
    EXPECT_EQ(listedAt(0)->city(), state().city);
    EXPECT_EQ(texts("bind"),
              std::vector<std::string>{"background 1 bound to " + std::string(expected) +
                                       " (condition 0, night), animated"});
  }
  EXPECT_TRUE(texts("alert").empty());
}

TEST_F(HomeScreenBackground, TwoCallsForTheSameWallpaperViewListOneBackground) {
  giveCity();
  ask(kHome);
  ASSERT_EQ(listed(), 1u);
  auto background = listedAt(0);
  const std::shared_ptr<host::View> home = hostView(kHome);
  // Between the calls something covers it and it drifts.
  auto cover = process().viewClasses().makeView(host::makeRect(0, 0, 375, 667));
  home->addSubview(cover);
  background->setFrame(host::makeRect(9, 9, 375, 667));

  ask(kHome);
  EXPECT_EQ(listed(), 1u);
  EXPECT_EQ(state().weatherView, background);
  EXPECT_EQ(texts("view"), std::vector<std::string>{
                               "made WUIDynamicWeatherBackground 1 with frame (0, 0, 375, 667)"});
  EXPECT_EQ(texts("bind"), std::vector<std::string>(2,
                                                    "background 1 bound to Ghent (condition "
                                                    "0, night), animated"));
  EXPECT_EQ(background->frame(), host::makeRect(0, 0, 375, 667));
  const auto subviews = home->subviews();
  ASSERT_EQ(subviews.size(), 3u) << "wallpaper view, cover, background: inserted once";
  EXPECT_EQ(subviews[1], cover);
  EXPECT_EQ(subviews[2], background);
}

TEST_F(HomeScreenBackground, BackgroundFoundDeeperInTheHostViewIsNotInsertedAgain) {
  giveCity();
  ask(kHome);
  auto background = listedAt(0);
  auto nested = process().viewClasses().makeView(host::makeRect(0, 0, 375, 667));
  hostView(kHome)->addSubview(nested);
  nested->addSubview(background);

  ask(kHome);
  EXPECT_EQ(background->superview(), nested);
  EXPECT_EQ(listed(), 1u);
  EXPECT_EQ(background->bindCount(), 2u);
  EXPECT_EQ(state().weatherView, background);
}

TEST_F(HomeScreenBackground, FirstListedBackgroundInsideTheHostViewIsReused) {
  giveCity();
  auto make = [&] {
    auto made = process().weather().backgroundClass()->make(host::makeRect(0, 0, 375, 667));
    hostView(kHome)->addSubview(made);
    return made;
  };
  auto outside = process().weather().backgroundClass()->make(host::makeRect(0, 0, 375, 667));
  hostView(kLock)->addSubview(outside);
  auto first = make();
  auto second = make();
  state().homeScreenViews = nimbrel::BackgroundList{outside, first, second};

  ask(kHome);
  EXPECT_EQ(state().weatherView, first);
  EXPECT_EQ(first->bindCount(), 1u);
  EXPECT_EQ(second->bindCount(), 0u);
  EXPECT_EQ(outside->bindCount(), 0u);
  EXPECT_EQ(listed(), 3u);
  EXPECT_EQ(hostView(kHome)->subviews().back(), first);
}

TEST_F(HomeScreenBackground, EachWallpaperViewGetsItsOwnBackground) {
  giveCity();
  ask(kHome);
  ask(kLock);
  ASSERT_EQ(listed(), 2u);
  auto home = listedAt(0);
  auto lock = listedAt(1);
  EXPECT_EQ(home->superview(), hostView(kHome));
  EXPECT_EQ(lock->superview(), hostView(kLock));
  EXPECT_EQ(state().weatherView, lock);

  ask(kHome);
  EXPECT_EQ(state().weatherView, home) << "the background of the wallpaper just asked";
  EXPECT_EQ(listed(), 2u);
  EXPECT_EQ(texts("view"), (std::vector<std::string>{
                               "made WUIDynamicWeatherBackground 1 with frame (0, 0, 375, 667)",
                               "made WUIDynamicWeatherBackground 2 with frame (0, 0, 375, 667)",
                           }));
  EXPECT_EQ(texts("bind"), (std::vector<std::string>{
                               "background 1 bound to Ghent (condition 0, night), animated",
                               "background 2 bound to Ghent (condition 0, night), animated",
                               "background 1 bound to Ghent (condition 0, night), animated",
                           }));
}

struct CreationCase {
  const char* label;
  host::Size points;
  host::Size pixels;
  bool compatibility;
  const char* made;
  host::AffineTransform transform;
};

TEST_F(HomeScreenBackground, NewBackgroundIsSizedForTheScreen) {
  const CreationCase cases[] = {
      {"compatibility, smaller screen",
       {320, 568},
       {750, 1334},
       true,
       "made WUIDynamicWeatherBackground 1 with frame (0, 0, 375, 667)",
       host::AffineTransform::makeScale(320.0 / 375.0, 568.0 / 667.0)},
      {"compatibility, half native height is the screen's",
       {375, 667},
       {750, 1334},
       true,
       "made WUIDynamicWeatherBackground 1 with frame (0, 0, 375, 667)",
       {}},
      {"compatibility, only the widths differ",
       {320, 667},
       {750, 1334},
       true,
       "made WUIDynamicWeatherBackground 1 with frame (0, 0, 375, 667)",
       {}},
      {"no compatibility",
       {320, 568},
       {750, 1334},
       false,
       "made WUIDynamicWeatherBackground 1 with frame (0, 0, 320, 568)",
       {}},
      {"no compatibility, tall screen",
       {375, 812},
       {1125, 2436},
       false,
       "made WUIDynamicWeatherBackground 1 with frame (0, 0, 375, 812)",
       {}},
  };
  for (const CreationCase& c : cases) {
    SCOPED_TRACE(c.label);
    useScreen(c.points, c.pixels);
    state().settings.reScaleCompatibility = c.compatibility;
    giveCity();
    const std::shared_ptr<host::View> content = ask(kHome);
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content, ownContent(kHome)) << "the shell's own content view, on this path too";
    EXPECT_EQ(texts("view"), std::vector<std::string>{c.made});
    ASSERT_EQ(listed(), 1u);
    EXPECT_EQ(listedAt(0)->transform(), c.transform);
    // Scaled about its centre, a background made larger than the screen would sit inside it.
    EXPECT_EQ(listedAt(0)->frame().origin, (host::Point{0, 0}));
  }
}

TEST_F(HomeScreenBackground, ZeroNativeSizeLeavesTheNewBackgroundUnscaled) {
  // A scale by W ÷ 0 is infinite, which the layer system would refuse.
  for (const host::Size pixels : {host::Size{0, 0}, host::Size{750, 0}}) {
    SCOPED_TRACE(pixels.width);
    useProfile(sim::DeviceProfile{"no-native-size", {375, 667}, pixels, 2});
    state().settings.reScaleCompatibility = true;
    giveCity();
    ask(kHome);
    ASSERT_EQ(listed(), 1u);
    auto background = listedAt(0);
    EXPECT_TRUE(background->transform().isIdentity());
    EXPECT_EQ(background->superview(), hostView(kHome));
    EXPECT_EQ(background->city(), state().city);
  }
}

TEST_F(HomeScreenBackground, NonFiniteNativeSizeMakesNoBackgroundInsteadOfRaising) {
  for (const double pixels : {NAN, INFINITY}) {
    SCOPED_TRACE(pixels);
    useProfile(sim::DeviceProfile{"broken-native-size", {375, 667}, {750, pixels}, 2});
    state().settings.reScaleCompatibility = true;
    giveCity();
    ask(kHome);
    EXPECT_EQ(listed(), 0u);
  }
}

struct OffsetCase {
  const char* label;
  host::Point container;  // the host view's superview, in the window
  host::Point host;       // the host view, in its superview
  host::Point wallpaper;  // the wallpaper view, in the host view (parallax moves it)
};

TEST_F(HomeScreenBackground, BackgroundIsPinnedToTheWindowOriginWhereverTheHostViewIs) {
  const OffsetCase cases[] = {
      {"at the origin", {0, 0}, {0, 0}, {0, 0}},
      {"across", {0, 0}, {30, 0}, {0, 0}},
      {"down", {0, 0}, {0, 45}, {0, 0}},
      {"both, through the container", {10, 20}, {30, 45}, {0, 0}},
      {"negative", {0, 0}, {-12, -7.5}, {0, 0}},
      {"wallpaper moved by parallax", {0, 0}, {0, 45}, {-12, -20}},
  };
  for (const OffsetCase& c : cases) {
    SCOPED_TRACE(c.label);
    relaunch();
    install();
    giveCity();
    const std::shared_ptr<host::View> home = hostView(kHome);
    home->superview()->setFrame(host::makeRect(c.container.x, c.container.y, 375, 667));
    home->setFrame(host::makeRect(c.host.x, c.host.y, 375, 667));
    process().shell().wallpaperView(kHome)->setFrame(
        host::makeRect(c.wallpaper.x, c.wallpaper.y, 375, 667));

    ask(kHome);
    ASSERT_EQ(listed(), 1u);
    auto background = listedAt(0);
    const host::Point p{c.container.x + c.host.x, c.container.y + c.host.y};
    EXPECT_EQ(background->frame(), host::makeRect(-p.x, -p.y, 375, 667));
    EXPECT_EQ(background->convertPointToView({0, 0}, nullptr), (host::Point{0, 0}));
    EXPECT_EQ(background->superview(), home);
    EXPECT_EQ(home->subviews().back(), background);
  }
}

TEST_F(HomeScreenBackground, OwnWallpaperSettingTurnsEveryListedGradientOffAtEveryCall) {
  giveCity();
  state().settings.showOwnHomescreenWallpaper = true;
  ask(kHome);
  ask(kLock);
  ask(kHome);
  state().settings.showOwnHomescreenWallpaper = false;
  ask(kLock);
  ask(kHome);
  EXPECT_EQ(texts("view"), (std::vector<std::string>{
                               "made WUIDynamicWeatherBackground 1 with frame (0, 0, 375, 667)",
                               "background 1 gradient layer off",
                               "made WUIDynamicWeatherBackground 2 with frame (0, 0, 375, 667)",
                               "background 1 gradient layer off",
                               "background 2 gradient layer off",
                               "background 1 gradient layer off",
                               "background 2 gradient layer off",
                           }));
}

TEST_F(HomeScreenBackground, ContentViewWithoutAGrandparentGetsNoBackground) {
  for (const bool wallpaperDetached : {true, false}) {
    SCOPED_TRACE(wallpaperDetached ? "wallpaper view detached" : "content view detached");
    relaunch();
    install();
    giveCity();
    state().weatherView = process().weather().backgroundClass()->make({});
    if (wallpaperDetached)
      process().shell().wallpaperView(kHome)->removeFromSuperview();
    else
      ownContent(kHome)->removeFromSuperview();
    EXPECT_EQ(ask(kHome), ownContent(kHome));
    EXPECT_EQ(ask(kHome), ownContent(kHome));
    EXPECT_FALSE(state().homeScreenViews.has_value());
    EXPECT_EQ(state().weatherView, nullptr) << "no background belongs to this wallpaper view";
    EXPECT_EQ(texts("view").size(), 1u) << "only the test's own";
    EXPECT_TRUE(texts("bind").empty());
  }
}

TEST_F(HomeScreenBackground, WithoutTheBackgroundClassNothingIsMadeOrListed) {
  device().version().weatherClasses.dynamicWeatherBackground = false;
  relaunch();
  install();
  giveCity();
  EXPECT_EQ(ask(kHome), ownContent(kHome));
  EXPECT_EQ(ask(kHome), ownContent(kHome));
  EXPECT_FALSE(state().homeScreenViews.has_value());
  EXPECT_EQ(state().weatherView, nullptr);
  EXPECT_EQ(hostView(kHome)->subviews().size(), 1u);
}

}  // namespace
