// Writes made to fail part-way: what a full disk, a refused rename or an uncreatable temporary
// file leaves in the folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <set>

#include "sim/foundation/property_list.h"
#include "sim/services/device_files.h"

namespace {

namespace fs = std::filesystem;
using host::Dictionary;
using host::Value;
using sim::WriteFault;
using testing::ElementsAre;

constexpr const char* kCache = "/Library/Caches/cache.plist";

struct FaultCase {
  WriteFault fault;
  const char* name;
  const char* recorded;  // what the record adds to "failed to write <path>"
};

// Names the case by its fault in test listings and failures.
void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

class WriteFaults : public testing::TestWithParam<FaultCase> {
 protected:
  WriteFaults() { fs::create_directories(folder()); }
  ~WriteFaults() override { fs::remove_all(root_); }

  static fs::path temporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "nimbrel-faults-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    return pattern;
  }

  fs::path folder() const { return root_ / "Library/Caches"; }
  fs::path target() const { return folder() / "cache.plist"; }

  std::string bytesOf(const fs::path& path) const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::set<std::string> namesInFolder() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder()))
      names.insert(entry.path().filename().string());
    return names;
  }

  fs::path root_ = temporaryFolder();
  sim::Record record_{nullptr};
  sim::PropertyListFileSystem files_{root_, record_};
  const Dictionary old_{{"latitude", Value(50.85)}, {"longitude", Value(4.35)}};
  const Dictionary new_{
      {"latitude", Value(-33.87)}, {"longitude", Value(151.21)}, {"name", Value("Sydney")}};
};

TEST_P(WriteFaults, AnAtomicWriteFailsAndLeavesTheOldFileByteForByteAndNoTemporaryFile) {
  ASSERT_TRUE(files_.writeToFile(old_, kCache, true));
  const std::string before = bytesOf(target());
  ASSERT_FALSE(before.empty());

  files_.failNextWrite(GetParam().fault);
  EXPECT_FALSE(files_.writeToFile(new_, kCache, true));

  EXPECT_EQ(bytesOf(target()), before);
  EXPECT_EQ(files_.dictionaryWithContentsOfFile(kCache), old_);
  EXPECT_THAT(namesInFolder(), ElementsAre("cache.plist"));
  EXPECT_EQ(record_.textsIn("file").at(1),
            std::string("failed to write ") + kCache + GetParam().recorded);
}

TEST_P(WriteFaults, AnAtomicWriteOfANewFileFailsAndCreatesNothing) {
  files_.failNextWrite(GetParam().fault);
  EXPECT_FALSE(files_.writeToFile(new_, kCache, true));
  EXPECT_TRUE(namesInFolder().empty());
}

TEST_P(WriteFaults, OnlyTheNextWriteFails) {
  ASSERT_TRUE(files_.writeToFile(old_, kCache, true));
  files_.failNextWrite(GetParam().fault);
  EXPECT_FALSE(files_.writeToFile(new_, kCache, true));
  EXPECT_TRUE(files_.writeToFile(new_, kCache, true));
  EXPECT_EQ(files_.dictionaryWithContentsOfFile(kCache), new_);
  EXPECT_THAT(namesInFolder(), ElementsAre("cache.plist"));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WriteFaults,
    testing::Values(FaultCase{WriteFault::noSpace, "noSpace", ": no space"},
                    FaultCase{WriteFault::renameRefused, "renameRefused", ": rename refused"},
                    FaultCase{WriteFault::temporaryFile, "temporaryFile", ": no temporary file"}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

class InPlaceWriteFaults : public WriteFaults {};

TEST_F(InPlaceWriteFaults, RunningOutOfSpaceLeavesTheFileTruncatedToThePartWritten) {
  ASSERT_TRUE(files_.writeToFile(new_, kCache, false));
  const std::string whole = bytesOf(target());
  ASSERT_TRUE(files_.writeToFile(old_, kCache, false));

  files_.failNextWrite(WriteFault::noSpace);
  EXPECT_FALSE(files_.writeToFile(new_, kCache, false));

  const std::string left = bytesOf(target());
  EXPECT_FALSE(left.empty());
  EXPECT_LT(left.size(), whole.size());
  EXPECT_EQ(whole.substr(0, left.size()), left) << "the start of the new file, not the old one";
  EXPECT_FALSE(files_.dictionaryWithContentsOfFile(kCache));
}

TEST_F(InPlaceWriteFaults, WithoutATemporaryFileOrRenameTheOtherFaultsLeaveTheFileAlone) {
  ASSERT_TRUE(files_.writeToFile(old_, kCache, false));
  const std::string before = bytesOf(target());
  for (WriteFault fault : {WriteFault::renameRefused, WriteFault::temporaryFile}) {
    files_.failNextWrite(fault);
    EXPECT_FALSE(files_.writeToFile(new_, kCache, false));
    EXPECT_EQ(bytesOf(target()), before);
  }
  EXPECT_THAT(namesInFolder(), ElementsAre("cache.plist"));
}

}  // namespace
