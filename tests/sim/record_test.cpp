// The record: bounded, time-stamped, and free while nobody keeps it.
#include "sim/record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Record, KeepsTextsWithTheirTimeAndDropsTheOldestPastItsCapacity) {
  double now = 5;
  sim::Record record([&] { return now; });
  record.add("shell", "plain");
  now = 6;
  record.add([] { return facts::FileRefused{"/later"}; });
  ASSERT_EQ(record.entries().size(), 2u);
  EXPECT_EQ(record.entries()[1].time, 6);
  EXPECT_EQ(record.textsIn("file"), std::vector<std::string>{"refused /later"});
  for (std::size_t i = 0; i < sim::Record::capacity; ++i) record.add("fill", "x");
  EXPECT_EQ(record.entries().size(), sim::Record::capacity);
  EXPECT_EQ(record.dropped(), 2u);
  EXPECT_TRUE(record.textsIn("shell").empty());
}

TEST(Record, WhileNotKeepingAddsNothingAndBuildsNoText) {
  sim::Record record([] { return 0.0; });
  record.setKeeping(false);
  int built = 0;
  record.add([&] {
    ++built;
    return facts::FileRefused{"/never"};
  });
  record.add("shell", "plain");
  EXPECT_EQ(built, 0);
  EXPECT_TRUE(record.entries().empty());
  record.setKeeping(true);
  record.add([&] {
    ++built;
    return facts::FileRefused{"/kept"};
  });
  EXPECT_EQ(built, 1);
  EXPECT_EQ(record.textsIn("file"), std::vector<std::string>{"refused /kept"});
}

// What both platforms write for what they saw: the parts a fact may lack are left out, and the
// method's own answer is what the line says.
TEST(Record, WritesEachFactsLineWithOnlyThePartsItHas) {
  sim::Record record([] { return 0.0; });
  record.add(facts::ParallaxAnswered{false});
  record.add(facts::FileWritten{"/a.plist", 1});
  record.add(facts::FileWriteFailed{"/a.plist"});
  record.add(facts::AlertDismissed{"T", 0});
  record.add(facts::WeatherRequested{"no city"});
  record.add(facts::MethodHooked{facts::HookResult::overrodeInherited, {"A", "b:", true}});
  std::vector<std::string> texts;
  for (const auto& entry : record.entries()) texts.push_back(entry.text);
  EXPECT_EQ(texts,
            (std::vector<std::string>{
                "+[SBFStaticWallpaperView _allowsParallax] answered NO", "wrote /a.plist (1 key)",
                "failed to write /a.plist", "dismissed \"T\" with button 0",
                "requested for no city at no location", "overrode inherited +[A b:]"}));
}

}  // namespace
