// Scenarios against the real simulated device: mistakes in its files are bad input, and odd
// but harmless orders run.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "simulator/parser.h"
#include "simulator/runner.h"
#include "simulator/sim_world.h"

namespace nimsim {
namespace {

struct DeviceCase {
  std::string scenario;
  int status;
  std::string message;  // a part of the error output; empty when the run succeeds
};

void PrintTo(const DeviceCase& c, std::ostream* out) { *out << '"' << c.scenario << '"'; }

class SimulatedDevice : public testing::TestWithParam<DeviceCase> {};

TEST_P(SimulatedDevice, EndsWithTheDocumentedStatusAndSaysWhy) {
  const DeviceCase& c = GetParam();
  ParseResult parsed = parseScenario(c.scenario, "s.scn");
  ASSERT_TRUE(parsed.ok()) << parsed.errors[0].format();
  std::unique_ptr<World> world = makeSimWorld();
  std::ostringstream out, err;
  RunOptions options;
  options.outDir = testing::TempDir() + "nimsim-device-test";
  int status = runScenario(parsed.script, *world, options, out, err);
  EXPECT_EQ(status, c.status) << err.str();
  if (c.message.empty())
    EXPECT_EQ(err.str(), "");
  else
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
  // The host's temporary folder is never shown: paths are the device's.
  EXPECT_EQ(err.str().find("nimbrel-device-"), std::string::npos) << err.str();
}

INSTANTIATE_TEST_SUITE_P(
    Table, SimulatedDevice,
    testing::Values(
        DeviceCase{"file write /a/b \"x\"\nfolder create /a/b/c\n", exitStatus::badInput,
                   "s.scn:2: error: cannot create the folder /a/b/c"},
        DeviceCase{"file write /a/b \"x\"\nfile write /a/b/c \"y\"\n", exitStatus::badInput,
                   "s.scn:2: error: cannot create the folder /a/b"},
        DeviceCase{"file write /a/b \"x\"\nplist set /a/b/c.plist k int 1\n", exitStatus::badInput,
                   "s.scn:2: error: cannot create the folder /a/b"},
        DeviceCase{"settings set x date 1e300\n", exitStatus::badInput,
                   "s.scn:1: error: this value of x cannot be stored in a property list"},
        DeviceCase{"folder remove /\n", exitStatus::badInput, "root folder cannot be removed"},
        DeviceCase{"file delete /no/such/file\nfolder remove /no/such/folder\n", exitStatus::ok,
                   ""},
        DeviceCase{"respring\nexpect process.generation == 1\n", exitStatus::ok, ""},
        DeviceCase{"alert dismiss\n", exitStatus::badInput, "no alert is on screen"}));

// The header in a picture names its condition image, as the add-on chose it.
TEST(SimulatedDevicePicture, TheHeaderShowsItsTemperaturesAndItsImageName) {
  ParseResult parsed = parseScenario(
      "settings set showTemperatureAndCondition bool true\n"
      "weather local-city \"Oslo\" lat=59.9 lon=10.7\n"
      "weather next-update ok delay=1s condition=26 day=yes temp=21.9 hourly=\"12,18\"\n"
      "lock\nwake\nadvance 2s\npicture header lock-screen\n",
      "s.scn");
  ASSERT_TRUE(parsed.ok()) << parsed.errors[0].format();
  std::unique_ptr<World> world = makeSimWorld();
  std::ostringstream out, err;
  RunOptions options;
  options.outDir = testing::TempDir() + "nimsim-header-picture";
  ASSERT_EQ(runScenario(parsed.script, *world, options, out, err), exitStatus::ok) << err.str();
  std::ifstream in(options.outDir + "/header.svg");
  std::stringstream svg;
  svg << in.rdbuf();
  EXPECT_NE(svg.str().find(">21°<"), std::string::npos) << svg.str();
  EXPECT_NE(svg.str().find(">H 18°  L 12°<"), std::string::npos) << svg.str();
  EXPECT_NE(svg.str().find(">image cloudy-nc<"), std::string::npos) << svg.str();
}

// A city built from coordinates has no name: the picture says where it is.
TEST(SimulatedDevicePicture, AnUnnamedCityIsNamedByItsCoordinates) {
  ParseResult parsed = parseScenario(
      "settings set customWeather int 5\nlock\nwake\npicture custom lock-screen\n", "s.scn");
  ASSERT_TRUE(parsed.ok()) << parsed.errors[0].format();
  std::unique_ptr<World> world = makeSimWorld();
  std::ostringstream out, err;
  RunOptions options;
  options.outDir = testing::TempDir() + "nimsim-unnamed-picture";
  ASSERT_EQ(runScenario(parsed.script, *world, options, out, err), exitStatus::ok) << err.str();
  std::ifstream in(options.outDir + "/custom.svg");
  std::stringstream svg;
  svg << in.rdbuf();
  EXPECT_NE(svg.str().find("thunderstorms, night — unnamed city at (50, 10)"), std::string::npos)
      << svg.str();
}

}  // namespace
}  // namespace nimsim
