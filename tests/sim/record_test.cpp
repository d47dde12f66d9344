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
  record.add("file", [] { return std::string("built ") + "later"; });
  ASSERT_EQ(record.entries().size(), 2u);
  EXPECT_EQ(record.entries()[1].time, 6);
  EXPECT_EQ(record.textsIn("file"), std::vector<std::string>{"built later"});
  for (std::size_t i = 0; i < sim::Record::capacity; ++i) record.add("fill", "x");
  EXPECT_EQ(record.entries().size(), sim::Record::capacity);
  EXPECT_EQ(record.dropped(), 2u);
  EXPECT_TRUE(record.textsIn("shell").empty());
}

TEST(Record, WhileNotKeepingAddsNothingAndBuildsNoText) {
  sim::Record record([] { return 0.0; });
  record.setKeeping(false);
  int built = 0;
  record.add("file", [&] {
    ++built;
    return std::string("never");
  });
  record.add("shell", "plain");
  EXPECT_EQ(built, 0);
  EXPECT_TRUE(record.entries().empty());
  record.setKeeping(true);
  record.add("file", [&] {
    ++built;
    return std::string("kept");
  });
  EXPECT_EQ(built, 1);
  EXPECT_EQ(record.textsIn("file"), std::vector<std::string>{"kept"});
}

}  // namespace
