// arc4random_uniform from a seed, after any scripted values.
#include "sim/services/random.h"

#include <stdexcept>
#include <string>

namespace sim {

void SeededRandom::scriptNext(const std::vector<std::uint32_t>& values) {
  scripted_.insert(scripted_.end(), values.begin(), values.end());
}

// As arc4random_uniform does: draws below 2^32 mod n are rejected, leaving a range that is a
// whole multiple of n.
std::uint32_t SeededRandom::uniform(std::uint32_t upperBound) {
  if (!scripted_.empty()) {
    const std::uint32_t value = scripted_.front();
    scripted_.pop_front();
    const std::uint32_t largest = upperBound < 2 ? 0 : upperBound - 1;
    if (value > largest)
      throw std::invalid_argument("the scripted random value " + std::to_string(value) +
                                  " cannot come from arc4random_uniform(" +
                                  std::to_string(upperBound) + "), which answers 0 to " +
                                  std::to_string(largest));
    return value;
  }
  if (upperBound < 2) return 0;
  const std::uint32_t rejectBelow = static_cast<std::uint32_t>(-upperBound) % upperBound;
  for (;;) {
    const auto draw = static_cast<std::uint32_t>(generator_());
    if (draw >= rejectBelow) return draw % upperBound;
  }
}

}  // namespace sim
