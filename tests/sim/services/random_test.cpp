// arc4random_uniform from a seed.
#include "sim/services/random.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <vector>

namespace {

TEST(SeededRandom, BoundsBelowTwoGiveZero) {
  sim::SeededRandom random(1);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(random.uniform(0), 0u);
    EXPECT_EQ(random.uniform(1), 0u);
  }
}

TEST(SeededRandom, DrawsStayBelowTheBoundAndCoverIt) {
  sim::SeededRandom random(7);
  std::map<std::uint32_t, int> seen;
  for (int i = 0; i < 48 * 200; ++i) {
    const auto draw = random.uniform(48);
    ASSERT_LT(draw, 48u);
    ++seen[draw];
  }
  EXPECT_EQ(seen.size(), 48u);
  for (const auto& [value, count] : seen) EXPECT_GT(count, 100) << value;
}

TEST(SeededRandom, HugeBoundsRejectTheBiasedTail) {
  // With a bound of 3 * 2^30, a plain modulo would give values below 2^30 twice as often.
  sim::SeededRandom random(3);
  const std::uint32_t bound = 3u << 30;
  int low = 0;
  const int draws = 30000;
  for (int i = 0; i < draws; ++i)
    if (random.uniform(bound) < (1u << 30)) ++low;
  EXPECT_NEAR(low / static_cast<double>(draws), 1.0 / 3.0, 0.02);
}

TEST(SeededRandom, TheSameSeedGivesTheSameDraws) {
  sim::SeededRandom first(42), second(42), other(43);
  std::vector<std::uint32_t> a, b, c;
  for (int i = 0; i < 20; ++i) {
    a.push_back(first.uniform(1000));
    b.push_back(second.uniform(1000));
    c.push_back(other.uniform(1000));
  }
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
}

TEST(SeededRandom, ScriptedValuesComeFirstInOrderThenTheSeededDrawsCarryOn) {
  sim::SeededRandom scripted(5), plain(5);
  scripted.scriptNext({12, 1});
  scripted.scriptNext({0});
  EXPECT_EQ(scripted.uniform(48), 12u);
  EXPECT_EQ(scripted.uniform(2), 1u);
  EXPECT_EQ(scripted.uniform(1), 0u);
  EXPECT_TRUE(scripted.scripted().empty());
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ(scripted.uniform(48), plain.uniform(48)) << "scripting draws nothing from the seed";
}

TEST(SeededRandom, AScriptedValueTheBoundCannotGiveIsRefusedWhenDrawn) {
  struct Case {
    std::uint32_t value;
    std::uint32_t bound;
  };
  for (Case c : std::vector<Case>{{48, 48}, {2, 2}, {1, 1}, {1, 0}, {4294967295u, 7}}) {
    sim::SeededRandom random(1);
    random.scriptNext({c.value});
    EXPECT_THROW(random.uniform(c.bound), std::invalid_argument) << c.value << " below " << c.bound;
  }
}

}  // namespace
