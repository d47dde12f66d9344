// The whole-system fuzzer's inputs as scenarios: the same launch bytes and event bytes as
// shell_events (fuzz/README.md), each event written as the scenario commands that do it, so
// that one sequence can be played on both platforms and the runs compared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// The scenario of an input: its launch (device, absent classes, home, seed, the Weather
// app's data), then up to 256 events. Every input gives a scenario that parses.
std::string scenarioFromEvents(const std::uint8_t* data, std::size_t size);

}  // namespace fuzzing
