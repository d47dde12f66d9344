// Every property-list read the binding makes in the shell's process keeps the limits: the
// settings and cache files and the preferences domain read to the depth limit, and one level
// deeper, or a few hundred thousand levels deeper, read as no file instead of ending the
// process inside Foundation's reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "host/platform.h"
#include "objc/runtime/foundation.h"
#include "plist/limits.h"
#include "tests/support/nested_plists.h"

namespace {

using nimbrel::plist::maxDepth;

class PropertyListLimits : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(root_ / "var/mobile/Library/Preferences");
    setenv("NIMBREL_DEVICE_ROOT", root_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("NIMBREL_DEVICE_ROOT");
    std::filesystem::remove_all(root_);
  }

  void write(const std::string& bytes) {
    std::ofstream(root_ / "var/mobile/Library/Preferences/d.plist", std::ios::binary) << bytes;
  }
  // What each reader makes of the file: the file read whole, and the domain "d" it holds.
  bool fileReads() {
    return host::platform().files().dictionaryWithContentsOfFile(
               "/var/mobile/Library/Preferences/d.plist") != std::nullopt;
  }
  bool domainReads() { return host::platform().preferences().copyKeyList("d") != std::nullopt; }

  std::filesystem::path root_ = std::filesystem::temp_directory_path() /
                                ("nimbrel-plist-limits-" + std::to_string(::getpid()));
  nimbrel::objc::PoolScope pool_;
};

TEST_F(PropertyListLimits, EachFormReadsAtTheDepthLimitAndAsNoFileBeyondIt) {
  const std::pair<const char*, std::function<std::string(std::size_t)>> forms[] = {
      {"xml", nested_plists::xml},
      {"openStep", nested_plists::openStep},
      {"binary", nested_plists::binary}};
  for (const auto& [name, nested] : forms) {
    write(nested(maxDepth));
    EXPECT_TRUE(fileReads()) << name;
    EXPECT_TRUE(domainReads()) << name;
    for (std::size_t depth : {maxDepth + 1, std::size_t{300000}}) {
      write(nested(depth));
      EXPECT_FALSE(fileReads()) << name << " " << depth;
      EXPECT_FALSE(domainReads()) << name << " " << depth;
    }
  }
}

TEST_F(PropertyListLimits, TheDeepFixturesReadAsNoFile) {
  for (const char* fixture : {"deep-nesting-binary.plist", "deep-nesting-xml.plist"}) {
    std::filesystem::copy_file(std::filesystem::path(NIMBREL_FIXTURES_DIR) / fixture,
                               root_ / "var/mobile/Library/Preferences/d.plist",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_FALSE(fileReads()) << fixture;
    EXPECT_FALSE(domainReads()) << fixture;
  }
}

}  // namespace
