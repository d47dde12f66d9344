// The add-on's state lives as long as its process: the shell's objects it holds are released
// when the add-on lets them go or the state is reset, never by the process's exit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "state/shared_state.h"

namespace {

using nimbrel::state;

// A held object that says so on the error stream when it is released.
template <class T>
std::shared_ptr<T> announcedOnRelease(const char* name) {
  return std::shared_ptr<T>(nullptr, [name](T*) { std::fprintf(stderr, "released %s\n", name); });
}

// Fills every object-holding field of the state with objects that announce their release.
void holdAnnouncingObjects() {
  nimbrel::SharedState& s = state();
  s.weatherView = announcedOnRelease<host::WeatherBackground>("weatherView");
  s.city = announcedOnRelease<host::City>("city");
  s.backupCity = announcedOnRelease<host::City>("backupCity");
  s.weatherBackground = announcedOnRelease<host::WeatherBackground>("weatherBackground");
  s.randomTimer = announcedOnRelease<host::Timer>("randomTimer");
  s.wthrView = announcedOnRelease<host::PlatterViewController>("wthrView");
  s.weatherHeaderView = announcedOnRelease<host::TodayHeaderView>("weatherHeaderView");
  s.homeScreenViews.emplace({announcedOnRelease<host::WeatherBackground>("homeScreenViews")});
}

TEST(SharedStateLifetime, ResettingTheStateReleasesEveryObjectItHolds) {
  holdAnnouncingObjects();
  ::testing::internal::CaptureStderr();
  nimbrel::resetState();
  const std::string released = ::testing::internal::GetCapturedStderr();
  for (const char* field : {"weatherView", "city", "backupCity", "weatherBackground", "randomTimer",
                            "wthrView", "weatherHeaderView", "homeScreenViews"})
    EXPECT_THAT(released, ::testing::HasSubstr(std::string("released ") + field + "\n"));
}

TEST(SharedStateLifetime, TheProcessExitsWithoutReleasingAnyObjectTheStateHolds) {
  EXPECT_EXIT(
      {
        holdAnnouncingObjects();
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), ::testing::Not(::testing::HasSubstr("released")));
  nimbrel::resetState();
}

}  // namespace
