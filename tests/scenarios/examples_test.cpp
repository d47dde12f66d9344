// The shipped scenarios: each parses, and the device example boots every profile.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "sim/device/profiles.h"
#include "simulator/default_scenario.h"
#include "simulator/parser.h"

namespace nimsim {
namespace {

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A new user sees where settings live: the default day changes one through the pane, then
// shows the pane.
TEST(ShippedScenarios, TheDefaultScenarioParsesAndTapsTheSettingsPaneBeforeDrawingIt) {
  ParseResult r = parseScenario(defaultScenario(), "<default>");
  ASSERT_TRUE(r.ok()) << r.errors[0].format();
  EXPECT_GT(r.script.statements.size(), 20u);
  std::vector<std::string> paneSteps;
  for (const Statement& s : r.script.statements)
    if (s.command == "settings toggle" ||
        (s.command == "picture" && s.args.size() > 1 && s.args[1].text == "settings-pane"))
      paneSteps.push_back(s.command);
  ASSERT_GE(paneSteps.size(), 2u);
  EXPECT_EQ(paneSteps.front(), "settings toggle");
  EXPECT_EQ(paneSteps.back(), "picture");
}

TEST(ShippedScenarios, EveryExampleParses) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(NIMBREL_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".scn") continue;
    ++count;
    ParseResult r = parseScenario(readFile(entry.path()), entry.path().filename().string());
    EXPECT_TRUE(r.ok()) << r.errors[0].format();
  }
  EXPECT_GE(count, 6);
}

TEST(ShippedScenarios, TheDeviceExampleBootsEveryProfile) {
  ParseResult r = parseScenario(
      readFile(std::filesystem::path(NIMBREL_EXAMPLES_DIR) / "device-profiles.scn"), "d");
  ASSERT_TRUE(r.ok());
  std::set<std::string> named;
  for (const Statement& s : r.script.statements)
    if (s.command == "device") named.insert(s.args[0].text);
  for (const sim::DeviceProfile& p : sim::deviceProfiles())
    EXPECT_TRUE(named.count(p.name)) << p.name << " is not booted by device-profiles.scn";
}

}  // namespace
}  // namespace nimsim
