// Foundation's values as the add-on reads them, and property-list files and preferences through
// Foundation.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "objc/binding/bound.h"
#include "tests/objc/binding_test.h"

namespace {

using namespace nimbrel::objc;
using namespace nimbrel::objc::test;

// Foundation's own readings. GNUstep's differ from the phone's where a value is out of range:
// a string's intValue wraps instead of saturating, its doubleValue keeps 18 integer digits,
// and a real beyond the int range reads as INT_MIN (x86) where the phone saturates (arm64).
TEST_F(ObjcBinding, ValuesAnswerFoundationsOwnReadings) {
  struct Row {
    host::Value value;
    bool boolean;
    int integer;
    double real;
  } rows[] = {
      {"YES", true, 0, 0},
      {"  12abc", true, 12, 12},
      {"-2.9", true, -2, -2.9},
      {"0.5", false, 0, 0.5},
      {"2147483648", true, std::numeric_limits<int>::min(), 2147483648.0},
      {"99999999999999999999", true, -1, 1e18},
      {"0x10", false, 0, 0},
      {true, true, 1, 1},
      {std::int64_t{4294967296}, true, 0, 4294967296.0},
      {-1.5, true, -1, -1.5},
      {1e20, true, std::numeric_limits<int>::min(), 1e20},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.real));
    EXPECT_EQ(row.value.boolValue(), row.boolean);
    EXPECT_EQ(row.value.intValue(), row.integer);
    EXPECT_EQ(row.value.doubleValue(), row.real);
  }
  EXPECT_THROW(host::Value(host::Array{}).boolValue(), host::PlatformException);
  Owned mixed(send<id>(classNamed("NSMutableDictionary"), sel<"new">()));
  Owned unreadable(send<id>(classNamed("NSObject"), sel<"new">()));
  send<void>(mixed.get(), sel<"setObject:forKey:">(), unreadable.get(), makeString("odd").get());
  send<void>(mixed.get(), sel<"setObject:forKey:">(), makeString("x").get(),
             makeString("even").get());
  EXPECT_EQ(dictionaryFrom(mixed.get()), (host::Dictionary{{"even", "x"}}));
  Owned empty(send<id>(classNamed("NSData"), sel<"new">()));
  EXPECT_EQ(valueFrom(empty.get()), host::Value(host::Data{}));
  Owned big = makeValue(host::UnsignedInteger{18446744073709551615u});
  EXPECT_EQ(send<unsigned long long>(big.get(), sel<"unsignedLongLongValue">()),
            18446744073709551615u);
  EXPECT_EQ(host::strings::lastPathComponent("/System/SpringBoard.app/SpringBoard"), "SpringBoard");
  EXPECT_EQ(host::strings::length("é€𝄞"), 4u);
  EXPECT_THROW(host::strings::replacingCharactersInRange("abc", 2, 5, "x"),
               host::PlatformException);
}

TEST_F(ObjcBinding, PropertyListFilesAndPreferencesGoThroughFoundationAndWritesReplaceFilesWhole) {
  const auto root = std::filesystem::temp_directory_path() / "nimbrel-objc-files";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "var/mobile/Library/Preferences");
  setenv("NIMBREL_DEVICE_ROOT", root.c_str(), 1);
  host::PropertyListFiles& files = host::platform().files();
  const host::Dictionary written{{"lat", 48.8566},
                                 {"on", true},
                                 {"n", std::int64_t{-3}},
                                 {"name", "Zürich"},
                                 {"when", host::Date{1000000000}},
                                 {"bytes", host::Data{{1, 2, 3}}},
                                 {"no bytes", host::Data{}},
                                 {"list", host::Array{1, "a"}}};
  ASSERT_TRUE(files.writeToFile(written, "/var/mobile/Library/Preferences/d.plist", true));
  std::ifstream xml(root / "var/mobile/Library/Preferences/d.plist");
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(xml), {}).find("<plist"), std::string::npos);
  EXPECT_EQ(files.dictionaryWithContentsOfFile("/var/mobile/Library/Preferences/d.plist"), written);

  host::Preferences& preferences = host::platform().preferences();
  auto keys = preferences.copyKeyList("d");
  ASSERT_TRUE(keys);
  EXPECT_EQ(keys->size(), written.size());
  host::Array asked{"on", "missing"};
  EXPECT_EQ(preferences.copyMultiple(&asked, "d"), (host::Dictionary{{"on", true}}));
  EXPECT_EQ(preferences.copyKeyList("absent"), std::nullopt);

  std::ofstream(root / "garbage.plist") << "bplist00 this is not a list";
  EXPECT_EQ(files.dictionaryWithContentsOfFile("/garbage.plist"), std::nullopt);
  EXPECT_FALSE(files.writeToFile(written, "/no/such/folder/x.plist", true));

  // Written atomically, a file is replaced whole: a reader that opened it before reads the old
  // contents, never a half-written new file.
  std::ifstream opened(root / "var/mobile/Library/Preferences/d.plist");
  ASSERT_TRUE(files.writeToFile(host::Dictionary{{"on", false}},
                                "/var/mobile/Library/Preferences/d.plist", true));
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(opened), {}).find("Zürich"),
            std::string::npos);
  EXPECT_EQ(files.dictionaryWithContentsOfFile("/var/mobile/Library/Preferences/d.plist"),
            (host::Dictionary{{"on", false}}));
  unsetenv("NIMBREL_DEVICE_ROOT");
  std::filesystem::remove_all(root);
}

}  // namespace
