// The default scenario and every example, run on the simulated platform and on the real
// Objective-C runtime, give the same run: the same exit status and error, the same trace line
// by line, the same shows and pictures, and the same final state. Two things must differ and
// are normalised away: the snapshot's "platform" (present on the runtime only, in the final
// state and each shown snapshot), and the
// pictures' folders (each platform draws into its own). Any other difference is either listed,
// with its cause, in docs/device.md's table of differences between the platforms, or fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "simulator/default_scenario.h"
#include "simulator/objc_world.h"
#include "simulator/parser.h"
#include "simulator/runner.h"
#include "simulator/sim_world.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct Scenario {
  std::string name;
  std::string text;
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

std::vector<Scenario> scenarios() {
  std::vector<Scenario> all{{"default", std::string(nimsim::defaultScenario())}};
  std::set<fs::path> files;
  for (const auto& entry : fs::directory_iterator(NIMBREL_EXAMPLES_DIR))
    if (entry.path().extension() == ".scn") files.insert(entry.path());
  for (const fs::path& file : files) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    std::string name = file.stem().string();
    for (char& c : name)
      if (c == '-') c = '_';
    all.push_back({name, text.str()});
  }
  return all;
}

// The run as one JSON document, its pictures drawn into `outDir`.
json runOn(nimsim::World& world, const Scenario& scenario, const fs::path& outDir) {
  nimsim::ParseResult parsed = nimsim::parseScenario(scenario.text, scenario.name);
  EXPECT_TRUE(parsed.ok()) << scenario.name;
  nimsim::RunOptions options;
  options.json = true;
  options.outDir = outDir.string();
  std::ostringstream out, err;
  nimsim::runScenario(parsed.script, world, options, out, err);
  return json::parse(out.str());
}

// What must differ, taken out: the platform's name, and where the pictures went.
void normalise(json& run) {
  if (run["final"].is_object()) run["final"].erase("platform");
  for (json& show : run["shows"])
    if (show["snapshot"].is_object()) show["snapshot"].erase("platform");
  for (json& picture : run["pictures"])
    picture["file"] = fs::path(picture["file"].get<std::string>()).filename().string();
}

// Every place two documents differ, as JSON pointers ("/trace/12/text").
void differences(const json& a, const json& b, const std::string& at,
                 std::set<std::string>& found) {
  if (a.type() != b.type() || (!a.is_structured() && a != b)) {
    found.insert(at.empty() ? "/" : at);
    return;
  }
  if (a.is_object()) {
    std::set<std::string> keys;
    for (const auto& [key, value] : a.items()) keys.insert(key);
    for (const auto& [key, value] : b.items()) keys.insert(key);
    for (const std::string& key : keys) {
      const std::string path = at + "/" + key;
      if (!a.contains(key) || !b.contains(key))
        found.insert(path);
      else
        differences(a[key], b[key], path, found);
    }
  } else if (a.is_array()) {
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
      const std::string path = at + "/" + std::to_string(i);
      if (i >= a.size() || i >= b.size())
        found.insert(path);
      else
        differences(a[i], b[i], path, found);
    }
  }
}

// The listed differences of one scenario: rows "| `scenario` | `/pointer` | cause |" of the
// table under "## Differences between the platforms" in docs/device.md.
std::set<std::string> listedDifferences(const std::string& scenario) {
  std::ifstream in(NIMBREL_DEVICE_DOC);
  std::set<std::string> listed;
  bool inTable = false;
  const std::regex row(R"(^\|\s*`([^`]+)`\s*\|\s*`([^`]+)`\s*\|)");
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("## ")) inTable = line == "## Differences between the platforms";
    std::smatch match;
    if (inTable && std::regex_search(line, match, row) && match[1] == scenario)
      listed.insert(match[2]);
  }
  return listed;
}

// The value at a pointer, for the message; none where the document has nothing there.
std::string at(const json& document, const std::string& pointer) {
  try {
    return document.at(json::json_pointer(pointer)).dump();
  } catch (const json::exception&) {
    return "(none)";
  }
}

class BothPlatforms : public ::testing::TestWithParam<Scenario> {};

TEST_P(BothPlatforms, GiveTheSameRunApartFromTheListedDifferences) {
  const Scenario& scenario = GetParam();
  const fs::path out = fs::temp_directory_path() / ("nimbrel-platforms-" + scenario.name + "-" +
                                                    std::to_string(::getpid()));
  auto simWorld = nimsim::makeSimWorld();
  json sim = runOn(*simWorld, scenario, out / "sim");
  simWorld.reset();
  auto objcWorld = nimsim::makeObjcWorld(nimsim::defaultObjcPaths());
  json objc = runOn(*objcWorld, scenario, out / "objc");
  objcWorld.reset();
  fs::remove_all(out);

  // The runtime's run states its platform; the simulation's does not.
  ASSERT_TRUE(objc["final"].is_null() || objc["final"]["platform"] == "objc");
  normalise(sim);
  normalise(objc);
  std::set<std::string> found;
  differences(sim, objc, "", found);
  const std::set<std::string> listed = listedDifferences(scenario.name);
  for (const std::string& path : found)
    EXPECT_TRUE(listed.count(path)) << scenario.name << ": not listed: " << path
                                    << "\n  sim:  " << at(sim, path)
                                    << "\n  objc: " << at(objc, path);
  for (const std::string& path : listed)
    EXPECT_TRUE(found.count(path)) << scenario.name << ": listed but gone: " << path;
  // Both ran to the end of their expectations, or stopped at the same one.
  EXPECT_EQ(sim["exit"], objc["exit"]) << objc["error"].dump();
}

INSTANTIATE_TEST_SUITE_P(DefaultAndExamples, BothPlatforms, ::testing::ValuesIn(scenarios()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
