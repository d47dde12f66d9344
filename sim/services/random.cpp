// arc4random_uniform from a seed.
#include "sim/services/random.h"

namespace sim {

// As arc4random_uniform does: draws below 2^32 mod n are rejected, leaving a range that is a
// whole multiple of n.
std::uint32_t SeededRandom::uniform(std::uint32_t upperBound) {
  if (upperBound < 2) return 0;
  const std::uint32_t rejectBelow = static_cast<std::uint32_t>(-upperBound) % upperBound;
  for (;;) {
    const auto draw = static_cast<std::uint32_t>(generator_());
    if (draw >= rejectBelow) return draw % upperBound;
  }
}

}  // namespace sim
