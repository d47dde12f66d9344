// arc4random_uniform from a seed, so that a scenario draws the same numbers every run.
#pragma once

#include <cstdint>
#include <random>

#include "host/services.h"

namespace sim {

// 0 for an upper bound of 0 or 1; otherwise uniform below the bound, by rejection rather than
// a plain modulo, so there is no bias. The generator is std::mt19937, whose sequence the
// C++ standard fixes, so a seed gives the same draws everywhere.
class SeededRandom final : public host::Random {
 public:
  explicit SeededRandom(std::uint32_t seed) : generator_(seed) {}

  std::uint32_t uniform(std::uint32_t upperBound) override;

 private:
  std::mt19937 generator_;
};

}  // namespace sim
