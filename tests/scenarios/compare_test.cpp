// Two runs compared as the platforms' comparison compares them: the pictures by what they draw,
// wherever each run drew them, and the snapshots' platform names set aside.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "simulator/compare.h"

namespace nimsim {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// A run that drew one picture into its own folder, and named its platform.
json runWithPicture(const std::string& platform, const std::string& svg) {
  const fs::path folder = fs::path(testing::TempDir()) / ("nimsim-compare-" + platform);
  fs::create_directories(folder);
  std::ofstream(folder / "lock.svg", std::ios::binary) << svg;
  return {{"status", 0},
          {"final", {{"platform", platform}, {"time", 1}}},
          {"shows", json::array()},
          {"pictures", {{{"line", 3}, {"file", (folder / "lock.svg").string()}}}}};
}

TEST(RunComparison, PicturesAreComparedLineByLineAndOnlyTheirFoldersAndPlatformsDiffer) {
  const std::string drawn = "<svg>\n<g class=\"glyph\"/>\n<text>9°</text>\n</svg>\n";
  EXPECT_TRUE(runDifferences(runWithPicture("sim", drawn), runWithPicture("objc", drawn)).empty());

  const std::string noGlyph = "<svg>\n<text>9°</text>\n</svg>\n";
  const std::vector<RunDifference> found =
      runDifferences(runWithPicture("sim", drawn), runWithPicture("objc", noGlyph));
  std::vector<std::string> pointers;
  for (const RunDifference& d : found) pointers.push_back(d.pointer);
  ASSERT_EQ(pointers, (std::vector<std::string>{"/pictures/0/svg/1", "/pictures/0/svg/2",
                                                "/pictures/0/svg/3"}));
  EXPECT_EQ(found[0].sim, "<g class=\"glyph\"/>");
  EXPECT_EQ(found[0].objc, "<text>9°</text>");
}

}  // namespace
}  // namespace nimsim
