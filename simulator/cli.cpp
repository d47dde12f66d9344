// The command line of nimsim (CLI11).
#include "simulator/cli.h"

#include <unistd.h>
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "sim/device/profiles.h"
#include "simulator/compare.h"
#include "simulator/default_scenario.h"
#include "simulator/grammar.h"
#include "simulator/objc_world.h"
#include "simulator/page.h"
#include "simulator/parser.h"
#include "simulator/runner.h"
#include "simulator/sim_world.h"

namespace nimsim {
namespace {

// Scenario files are small; anything larger is refused before it is read.
constexpr std::uintmax_t kMaxScenarioBytes = 4 * 1024 * 1024;

// Reads at most one byte past the limit, so a huge file or an endless pipe is refused without
// being read whole.
std::optional<std::string> readBounded(std::istream& in, const std::string& name,
                                       std::string& error) {
  std::string text(kMaxScenarioBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) {
    error = name + ": cannot read the scenario";
    return std::nullopt;
  }
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kMaxScenarioBytes) {
    error = name + ": a scenario file is at most 4 MiB";
    return std::nullopt;
  }
  return text;
}

// A file, or standard input for "-".
std::optional<std::string> readScenario(const std::string& path, std::string& error) {
  if (path == "-") return readBounded(std::cin, "<stdin>", error);
  if (std::filesystem::is_directory(path)) {
    error = path + ": cannot read the scenario: it is a folder";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot read the scenario: " + std::strerror(errno);
    return std::nullopt;
  }
  return readBounded(in, path, error);
}

struct ScenarioSource {
  std::string name;  // as runs and pages show it
  std::string text;
};

// A file, "-" for standard input, or the built-in default for none; none when the file cannot
// be read, the reason printed.
std::optional<ScenarioSource> loadScenario(const std::string& file) {
  if (file.empty()) return ScenarioSource{"<default>", std::string(defaultScenario())};
  std::string error;
  auto read = readScenario(file, error);
  if (!read) {
    std::cerr << error << "\n";
    return std::nullopt;
  }
  return ScenarioSource{file == "-" ? "<stdin>" : file, std::move(*read)};
}

// A scenario that does not parse still gets its page, saying why nothing ran.
void writeUnrunPage(const std::string& name, const std::string& message,
                    const RunOptions& options) {
  if (!options.page) return;
  RunReport report;
  report.scenario = name;
  report.device = "none: nothing ran";
  report.seed = options.seed ? std::to_string(*options.seed) : "none: nothing ran";
  report.exitStatus = exitStatus::badInput;
  report.error = message;
  try {
    std::string file = writePage(report, options.outDir);
    if (!options.json) std::cout << "page: " << file << "\n";
  } catch (const std::invalid_argument& e) {
    std::cerr << e.what() << "\n";
  }
}

int runCommand(const std::string& file, const RunOptions& options) {
  std::optional<ScenarioSource> source = loadScenario(file);
  if (!source) return exitStatus::badInput;
  const std::string& name = source->name;
  ParseResult parsed = parseScenario(source->text, name);
  if (!parsed.ok()) {
    std::ostringstream message;
    for (const ParseError& e : parsed.errors) message << e.format() << "\n";
    message << "nothing was run: " << parsed.errors.size() << " malformed line"
            << (parsed.errors.size() == 1 ? "" : "s");
    std::cerr << message.str() << "\n";
    writeUnrunPage(name, message.str(), options);
    return exitStatus::badInput;
  }
  std::unique_ptr<World> world;
  try {
    world = options.platform == "objc" ? makeObjcWorld(defaultObjcPaths()) : makeSimWorld();
  } catch (const std::invalid_argument& e) {
    std::cerr << "nimsim: " << e.what() << "\n";
    return exitStatus::badInput;
  }
  return runScenario(parsed.script, *world, options, std::cout, std::cerr);
}

// Exit status 0 when the runs agree, 1 when they differ (each difference printed).
int compareCommand(const std::string& file) {
  std::optional<ScenarioSource> source = loadScenario(file);
  if (!source) return exitStatus::badInput;
  const std::string& name = source->name;
  ParseResult parsed = parseScenario(source->text, name);
  if (!parsed.ok()) {
    for (const ParseError& e : parsed.errors) std::cerr << e.format() << "\n";
    return exitStatus::badInput;
  }
  const std::filesystem::path out =
      std::filesystem::temp_directory_path() / ("nimsim-compare-" + std::to_string(::getpid()));
  std::vector<RunDifference> differences;
  try {
    differences = compareOnPlatforms(parsed.script, defaultObjcPaths(), out.string());
  } catch (const std::invalid_argument& e) {
    std::cerr << "nimsim: " << e.what() << "\n";
    return exitStatus::badInput;
  }
  std::error_code ec;
  std::filesystem::remove_all(out, ec);
  for (const RunDifference& d : differences)
    std::cout << d.pointer << "\n  sim:  " << d.sim.dump() << "\n  objc: " << d.objc.dump() << "\n";
  std::cout << name << ": " << differences.size() << " difference"
            << (differences.size() == 1 ? "" : "s") << " between the platforms\n";
  return differences.empty() ? 0 : 1;
}

void printProfiles() {
  for (const sim::DeviceProfile& p : sim::deviceProfiles())
    std::cout << p.name << "  " << p.points.width << "x" << p.points.height << " points, "
              << p.pixels.width << "x" << p.pixels.height << " pixels\n";
}

void printCommands() {
  for (const CommandForm& form : commandForms()) {
    std::string line = form.keywords;
    for (const Param& p : form.params) {
      if (p.kind == ParamKind::integers)
        line += " " + p.name + "...";
      else
        line +=
            p.optional ? " [" + p.name + (p.kind == ParamKind::rest ? "...]" : "]") : " " + p.name;
    }
    for (const Param& o : form.options) line += " [" + o.name + "=]";
    std::cout << line << "\n    " << form.summary << "\n";
  }
}

}  // namespace

int runCommandLine(int argc, char** argv) {
  CLI::App app{
      "nimsim: runs scenarios against a simulated shell with the add-on loaded.\n"
      "Exit status: 0 ok, 1 an expect failed, 2 bad input, 3 shell crash, 4 limit,\n"
      "5 a command the platform cannot honour."};
  app.require_subcommand(1);
  std::string file;
  RunOptions options;
  std::uint32_t seed = 0;
  CLI::App* run = app.add_subcommand("run", "run a scenario file, or the built-in default");
  run->add_option(
      "file", file,
      "scenario file (docs/scenarios.md), - for standard input; none: the default scenario");
  run->add_option("--out", options.outDir, "folder for the pictures and the run's page, index.html")
      ->capture_default_str();
  run->add_flag("--json", options.json, "print one JSON document instead of text");
  run->add_option("--platform", options.platform,
                  "sim: the simulated platform; objc: the test shell on the real Objective-C "
                  "runtime, with the add-on library the binding builds")
      ->check(CLI::IsMember({"sim", "objc"}))
      ->capture_default_str();
  CLI::Option* seedOption = run->add_option("--seed", seed, "random seed, over the scenario's");
  std::string compareFile;
  CLI::App* compare = app.add_subcommand(
      "compare", "run a scenario on both platforms and list where the runs differ");
  compare->add_option("file", compareFile, "scenario file; none: the default scenario");
  CLI::App* profiles = app.add_subcommand("profiles", "list the device profiles");
  CLI::App* commands = app.add_subcommand("commands", "list the scenario commands");
  CLI::App* defaults = app.add_subcommand("default", "print the built-in default scenario");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e);
    return status == 0 ? 0 : exitStatus::badInput;
  }
  if (seedOption->count()) options.seed = seed;
  options.page = true;
  if (profiles->parsed()) {
    printProfiles();
    return 0;
  }
  if (commands->parsed()) {
    printCommands();
    return 0;
  }
  if (compare->parsed()) return compareCommand(compareFile);
  if (defaults->parsed()) {
    std::cout << defaultScenario();
    return 0;
  }
  return runCommand(file, options);
}

}  // namespace nimsim
