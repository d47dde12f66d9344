// arc4random_uniform from a seed, so that a scenario draws the same numbers every run, with
// values a test may script ahead of the seeded ones.
#pragma once

#include <cstdint>
#include <deque>
#include <random>
#include <vector>

#include "host/services.h"

namespace sim {

// 0 for an upper bound of 0 or 1; otherwise uniform below the bound, by rejection rather than
// a plain modulo, so there is no bias. The generator is std::mt19937, whose sequence the
// C++ standard fixes, so a seed gives the same draws everywhere.
//
// Scripted values are drawn first, one per call whatever the bound, in the order given. A
// scripted value must be one the platform could answer: below the bound (0 for a bound of 0
// or 1); any other raises std::invalid_argument when it is drawn, since no seed would give it.
class SeededRandom final : public host::Random {
 public:
  explicit SeededRandom(std::uint32_t seed) : generator_(seed) {}

  std::uint32_t uniform(std::uint32_t upperBound) override;

  // Set-up by tests and the simulator: the next draws answer these values.
  void scriptNext(const std::vector<std::uint32_t>& values);
  // Starts again from a seed, with nothing scripted.
  void reseed(std::uint32_t seed) {
    generator_.seed(seed);
    scripted_.clear();
  }
  // Scripted values not drawn yet, next first.
  const std::deque<std::uint32_t>& scripted() const { return scripted_; }

 private:
  std::mt19937 generator_;
  std::deque<std::uint32_t> scripted_;
};

}  // namespace sim
