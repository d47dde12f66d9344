// Two runs compared as the platforms' comparison compares them: the pictures by what they draw,
// wherever each run drew them, and the snapshots' platform names set aside.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "simulator/compare.h"

namespace nimsim {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// A run that drew one picture into a folder of its platform's and its test's (none: the picture
// is missing), and named its platform.
json runWithPicture(const std::string& platform, const std::optional<std::string>& svg) {
  const fs::path folder = fs::path(testing::TempDir()) /
                          ("nimsim-compare-" + platform +
                           testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::create_directories(folder);
  fs::remove(folder / "lock.svg");
  if (svg) std::ofstream(folder / "lock.svg", std::ios::binary) << *svg;
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

// The comparison cannot vouch for a picture it could not read: missing on one side or on both,
// it is a difference at its drawing.
TEST(RunComparison, APictureMissingOnEitherSideOrBothIsADifference) {
  const std::string drawn = "<svg>\n</svg>\n";
  const std::optional<std::string> missing;
  for (const auto& [sim, objc] :
       {std::pair{missing, std::optional(drawn)}, std::pair{std::optional(drawn), missing},
        std::pair{missing, missing}}) {
    const std::vector<RunDifference> found =
        runDifferences(runWithPicture("sim", sim), runWithPicture("objc", objc));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].pointer, "/pictures/0/svg");
  }
}

}  // namespace
}  // namespace nimsim
