// The default scenario and each example, run whole on the simulated platform and on the real
// Objective-C runtime side by side in one run: `BM_Scenario/<name>/sim` and `.../objc`. The
// Objective-C runs include their shell processes' start-ups, one per boot, as a scenario does.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>

#include "simulator/compare.h"
#include "simulator/objc_world.h"
#include "simulator/parser.h"
#include "simulator/runner.h"
#include "simulator/sim_world.h"

namespace {

namespace fs = std::filesystem;

class DiscardingBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// Parsed in the benchmark, not at registration: the grammar's tables are other files' statics.
void BM_Scenario(benchmark::State& state, const std::string& name, const std::string& text,
                 bool objc) {
  nimsim::ParseResult parsed = nimsim::parseScenario(text, name);
  if (!parsed.ok()) {
    state.SkipWithError("the scenario does not parse");
    return;
  }
  const nimsim::Script* script = &parsed.script;
  DiscardingBuffer discard;
  std::ostream out(&discard);
  nimsim::RunOptions options;
  options.outDir = (fs::temp_directory_path() / "nimbrel-platforms-bench").string();
  for (auto _ : state) {
    auto world = objc ? nimsim::makeObjcWorld(nimsim::defaultObjcPaths()) : nimsim::makeSimWorld();
    const int status = nimsim::runScenario(*script, *world, options, out, out);
    if (status != nimsim::exitStatus::ok) state.SkipWithError("the scenario did not run through");
  }
  state.SetLabel(std::to_string(script->statements.size()) + " lines");
}

void registerScenario(const std::string& name, const std::string& text) {
  // A build without the Objective-C binding has only the simulation to time.
  const bool withObjc = !nimsim::defaultObjcPaths().shell.empty();
  for (bool objc : {false, true}) {
    if (objc && !withObjc) continue;
    benchmark::RegisterBenchmark(("BM_Scenario/" + name + (objc ? "/objc" : "/sim")).c_str(),
                                 BM_Scenario, name, text, objc)
        ->Unit(benchmark::kMillisecond);
  }
}

const bool registered = [] {
  for (const auto& [name, text] : nimsim::defaultAndExamples(NIMBREL_EXAMPLES_DIR))
    registerScenario(name, text);
  return true;
}();

}  // namespace
