// Differential replay: the whole-system fuzzer's event sequences played on both platforms,
// the simulated one and the real Objective-C runtime, and their runs compared whole (trace,
// shows, pictures, final state, exit status). Each input is a corpus file, or one of `count`
// sequences drawn from a seed. A difference is printed with the sequence's scenario, and fails
// the replay (exit status 1).
//
//   fuzz_differential_replay [--generate COUNT] [--seed SEED] [CORPUS_DIR_OR_FILE...]
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "fuzz/event_scenario.h"
#include "simulator/compare.h"
#include "simulator/parser.h"

namespace {

namespace fs = std::filesystem;

struct Tally {
  std::size_t sequences = 0, lines = 0, differing = 0;
};

std::vector<std::uint8_t> readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Plays one sequence; false when the platforms' runs differ.
bool replay(const std::vector<std::uint8_t>& bytes, const std::string& name, Tally& tally) {
  const std::string scenario = fuzzing::scenarioFromEvents(bytes.data(), bytes.size());
  nimsim::ParseResult parsed = nimsim::parseScenario(scenario, name);
  ++tally.sequences;
  if (!parsed.ok()) {
    std::cerr << name << ": the sequence's scenario does not parse: " << parsed.errors[0].format()
              << "\n"
              << scenario;
    ++tally.differing;
    return false;
  }
  tally.lines += parsed.script.statements.size();
  const fs::path out =
      fs::temp_directory_path() / ("nimbrel-differential-" + std::to_string(::getpid()));
  const std::vector<nimsim::RunDifference> differences =
      nimsim::compareOnPlatforms(parsed.script, nimsim::defaultObjcPaths(), out.string());
  fs::remove_all(out);
  if (differences.empty()) return true;
  ++tally.differing;
  std::cerr << name << ": " << differences.size() << " differences\n" << scenario;
  for (const nimsim::RunDifference& d : differences)
    std::cerr << "  " << d.pointer << "\n    sim:  " << d.sim.dump()
              << "\n    objc: " << d.objc.dump() << "\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t generate = 0;
  std::uint32_t seed = 1;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--generate" || arg == "--seed") && i + 1 < argc) {
      const unsigned long value = std::strtoul(argv[++i], nullptr, 10);
      if (arg == "--generate")
        generate = value;
      else
        seed = static_cast<std::uint32_t>(value);
    } else if (fs::is_directory(arg)) {
      for (const auto& entry : fs::directory_iterator(arg))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    } else {
      inputs.push_back(arg);
    }
  }
  Tally tally;
  bool same = true;
  for (const fs::path& input : inputs)
    same = replay(readFile(input), input.filename().string(), tally) && same;
  std::mt19937 random(seed);
  for (std::size_t n = 0; n < generate; ++n) {
    std::vector<std::uint8_t> bytes(16 + random() % 240);
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
    same = replay(bytes, "generated-" + std::to_string(n), tally) && same;
  }
  std::cout << tally.sequences << " sequences, " << tally.lines << " scenario lines, "
            << tally.differing << " with differences between the platforms\n";
  return same ? 0 : 1;
}
