// Timings of the simulator on long scenarios: parsing, and running simple shell commands with
// the trace printed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include "simulator/parser.h"
#include "simulator/runner.h"
#include "simulator/sim_world.h"

namespace {

// Takes every character and keeps none, so the trace is formatted as for a terminal but the
// timing is not a terminal's.
class DiscardingBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

std::string repeated(const std::string& line, std::int64_t times) {
  std::string text;
  text.reserve(line.size() * static_cast<std::size_t>(times));
  for (std::int64_t i = 0; i < times; ++i) text += line;
  return text;
}

// Lines of the kinds scenarios are made of: keywords alone, typed values, options, strings,
// durations and expectations.
const char* const kMixedLines =
    "settings set updateInterval real 300\n"
    "weather local-city Brussels lat=50.85 lon=4.35 condition=26 day=yes temp=18\n"
    "plist set \"/var/mobile/Library/Caches/cache.plist\" latitude real 50.85\n"
    "shell content-view 0\n"
    "advance 250ms\n"
    "expect addon.city.conditionCode == 26\n"
    "lock\n"
    "note \"a line of the trace\"\n";

void BM_ParseScenario(benchmark::State& state, const std::string& line) {
  const std::string text = repeated(line, state.range(0));
  for (auto _ : state) {
    nimsim::ParseResult parsed = nimsim::parseScenario(text, "bench.scn");
    if (!parsed.ok()) throw std::logic_error(parsed.errors[0].format());
    benchmark::DoNotOptimize(parsed);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) *
                          static_cast<std::int64_t>(std::count(line.begin(), line.end(), '\n')));
}
BENCHMARK_CAPTURE(BM_ParseScenario, shell_parallax, std::string("shell parallax\n"))
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ParseScenario, mixed, std::string(kMixedLines))
    ->Arg(1250)
    ->Unit(benchmark::kMillisecond);

// N `shell parallax` commands on a booted shell, each with its trace lines printed.
void BM_RunShellParallax(benchmark::State& state) {
  const nimsim::ParseResult boot = nimsim::parseScenario("boot shell\n", "boot.scn");
  const nimsim::ParseResult commands =
      nimsim::parseScenario(repeated("shell parallax\n", state.range(0)), "bench.scn");
  DiscardingBuffer buffer;
  std::ostream out(&buffer);
  nimsim::RunOptions options;
  options.outDir = "";
  for (auto _ : state) {
    state.PauseTiming();
    auto world = nimsim::makeSimWorld();
    if (nimsim::runScenario(boot.script, *world, options, out, out) != nimsim::exitStatus::ok)
      throw std::logic_error("the shell did not boot");
    state.ResumeTiming();
    if (nimsim::runScenario(commands.script, *world, options, out, out) != nimsim::exitStatus::ok)
      throw std::logic_error("the run failed");
    state.PauseTiming();
    world.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RunShellParallax)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
