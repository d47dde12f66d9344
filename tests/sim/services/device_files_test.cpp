// Preferences domains and property-list files under the device folder.
#include "sim/services/device_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "sim/foundation/property_list.h"

namespace {

namespace fs = std::filesystem;
using host::Array;
using host::Dictionary;
using host::Value;
using testing::ElementsAre;

constexpr const char* domain = "be.quorvane.nimbrel";

class DeviceFolderTest : public testing::Test {
 protected:
  DeviceFolderTest() {
    std::string pattern = (fs::temp_directory_path() / "nimbrel-device-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    root_ = pattern;
  }
  ~DeviceFolderTest() override { fs::remove_all(root_); }

  fs::path root_;
  sim::Record record_{nullptr};
};

TEST_F(DeviceFolderTest, DevicePathsMapUnderTheRootAndUserIsMobile) {
  const std::pair<const char*, std::optional<fs::path>> cases[] = {
      {"/var/mobile/Library/Preferences/x.plist", root_ / "var/mobile/Library/Preferences/x.plist"},
      {"/User/Library/Preferences/x.plist", root_ / "var/mobile/Library/Preferences/x.plist"},
      {"/Library/Application Support/N/c.plist", root_ / "Library/Application Support/N/c.plist"},
      {"//Library/./a/../b.plist", root_ / "Library/b.plist"},
      {"/Users/x", root_ / "Users/x"},
      {"/User", root_ / "var/mobile"},
      {"/User/../x.plist", root_ / "x.plist"},
      {"/Library/../User/./x.plist", root_ / "var/mobile/x.plist"},
      {"/../etc/passwd", std::nullopt},
      {"/Library/../../etc/passwd", std::nullopt},
  };
  for (const auto& [device, expected] : cases)
    EXPECT_EQ(sim::mapDevicePath(root_, device), expected) << device;
  EXPECT_THROW(sim::mapDevicePath(root_, "relative/x.plist"), std::invalid_argument);
}

TEST_F(DeviceFolderTest, FilesAreReadAndWrittenUnderTheRootAndRecorded) {
  sim::PropertyListFileSystem files(root_, record_);
  const std::string cache = "/Library/Application Support/Nimbrel/cache.plist";
  EXPECT_FALSE(files.dictionaryWithContentsOfFile(cache));
  EXPECT_FALSE(files.writeToFile({{"a", Value(1)}}, cache, true)) << "the folder does not exist";
  fs::create_directories(root_ / "Library/Application Support/Nimbrel");
  EXPECT_TRUE(files.writeToFile({{"a", Value(1)}, {"b", Value(2)}}, cache, true));
  EXPECT_EQ(files.dictionaryWithContentsOfFile(cache),
            (Dictionary{{"a", Value(1)}, {"b", Value(2)}}));
  EXPECT_TRUE(fs::exists(root_ / "Library/Application Support/Nimbrel/cache.plist"));
  EXPECT_FALSE(files.writeToFile({}, "/../outside.plist", false));
  EXPECT_FALSE(fs::exists(root_.parent_path() / "outside.plist"));
  EXPECT_THAT(record_.textsIn("file"),
              ElementsAre("read " + cache + ": none", "failed to write " + cache,
                          "wrote " + cache + " (2 keys)", "read " + cache + " (2 keys)",
                          "refused /../outside.plist"));
}

TEST_F(DeviceFolderTest, MissingOrEmptyDomainHasNoKeyList) {
  sim::PreferencesStore preferences(root_, record_);
  EXPECT_EQ(preferences.copyKeyList(domain), std::nullopt);
  preferences.setDomain(domain, {});
  EXPECT_TRUE(fs::exists(preferences.domainFile(domain)));
  EXPECT_EQ(preferences.copyKeyList(domain), std::nullopt);
  preferences.set(domain, "b", Value(2));
  preferences.set(domain, "a", Value(true));
  EXPECT_EQ(preferences.copyKeyList(domain), (Array{Value("a"), Value("b")}));
}

TEST_F(DeviceFolderTest, CopyMultipleHoldsOnlyPresentKeys) {
  sim::PreferencesStore preferences(root_, record_);
  const Array keys{Value("a"), Value("zz")};
  EXPECT_EQ(preferences.copyMultiple(&keys, domain), Dictionary{})
      << "missing domain: empty, not none";
  EXPECT_EQ(preferences.copyMultiple(nullptr, domain), std::nullopt);
  preferences.set(domain, "a", Value(1));
  preferences.set(domain, "other", Value("x"));
  EXPECT_EQ(preferences.copyMultiple(&keys, domain), (Dictionary{{"a", Value(1)}}));
  preferences.remove(domain, "a");
  EXPECT_EQ(preferences.copyMultiple(&keys, domain), Dictionary{});
  EXPECT_EQ(preferences.domainValues(domain), (Dictionary{{"other", Value("x")}}));
}

TEST_F(DeviceFolderTest, DomainIsTheFileTheFallbackPathNames) {
  sim::PreferencesStore preferences(root_, record_);
  sim::PropertyListFileSystem files(root_, record_);
  preferences.set(domain, "enabled", Value(false));
  EXPECT_EQ(
      files.dictionaryWithContentsOfFile("/User/Library/Preferences/be.quorvane.nimbrel.plist"),
      (Dictionary{{"enabled", Value(false)}}));
  EXPECT_EQ(preferences.domainFile(domain),
            root_ / "var/mobile/Library/Preferences/be.quorvane.nimbrel.plist");
}

TEST_F(DeviceFolderTest, UnreadableDomainFileCountsAsEmpty) {
  sim::PreferencesStore preferences(root_, record_);
  fs::create_directories(preferences.domainFile(domain).parent_path());
  std::ofstream(preferences.domainFile(domain)) << "not a property list {";
  EXPECT_EQ(preferences.copyKeyList(domain), std::nullopt);
  const Array keys{Value("a")};
  EXPECT_EQ(preferences.copyMultiple(&keys, domain), Dictionary{});
}

TEST_F(DeviceFolderTest, DomainNamesThatAreNotFileNamesAreNotModelled) {
  sim::PreferencesStore preferences(root_, record_);
  for (const char* bad : {"", ".", "..", "a/b"})
    EXPECT_THROW(preferences.copyKeyList(bad), std::invalid_argument) << bad;
}

TEST_F(DeviceFolderTest, PreferenceQueriesAreRecordedAndAFetchCanBeMadeToFail) {
  sim::PreferencesStore preferences(root_, record_);
  preferences.set(domain, "a", Value(1));
  const auto keys = preferences.copyKeyList(domain);
  ASSERT_TRUE(keys);
  preferences.failNextCopyMultiple();
  EXPECT_EQ(preferences.copyMultiple(&*keys, domain), std::nullopt);
  EXPECT_EQ(preferences.copyMultiple(&*keys, domain), (Dictionary{{"a", Value(1)}}));
  const std::string name(domain);
  EXPECT_THAT(record_.textsIn("preferences"),
              ElementsAre("key list of " + name + " (1 keys)", "no values for " + name,
                          "values of " + name + " (1 keys)"));
}

}  // namespace
