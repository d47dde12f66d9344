// Counts of live simulated objects.
#include "sim/runtime/instance.h"

#include <array>
#include <atomic>

namespace sim {

namespace {
std::array<std::atomic<long>, 5> counts{};
}  // namespace

void detail::countLive(ObjectKind kind, long delta) {
  counts[static_cast<std::size_t>(kind)].fetch_add(delta, std::memory_order_relaxed);
}

LiveObjects liveObjects() {
  auto count = [](ObjectKind kind) {
    return counts[static_cast<std::size_t>(kind)].load(std::memory_order_relaxed);
  };
  return {count(ObjectKind::view), count(ObjectKind::city), count(ObjectKind::timer),
          count(ObjectKind::alert), count(ObjectKind::other)};
}

}  // namespace sim
