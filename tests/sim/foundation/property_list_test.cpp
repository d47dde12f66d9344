// Property-list files: fixtures written by another writer, hostile input, and writes.
#include "sim/foundation/property_list.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "plist/limits.h"
#include "tests/support/fixtures.h"
#include "tests/support/nested_plists.h"

namespace {

namespace fs = std::filesystem;
using host::Array;
using host::Dictionary;
using host::Value;
using testing_support::fixturePath;

std::optional<Dictionary> readFixture(const std::string& name) {
  return sim::readDictionary(fixturePath(name));
}

class TemporaryFolder : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "nimbrel-plist-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  std::vector<std::string> fileNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  void writeText(const std::string& name, const std::string& text) const {
    std::ofstream(path(name), std::ios::binary) << text;
  }

  fs::path folder_;
};

TEST(PropertyListFixtures, BinaryAndXmlSettingsReadIdentically) {
  const auto binary = readFixture("prefs-pane-binary.plist");
  const auto xml = readFixture("prefs-pane-xml.plist");
  ASSERT_TRUE(binary && xml);
  EXPECT_EQ(*binary, *xml);
  EXPECT_EQ(binary->size(), 20u);
  EXPECT_EQ(binary->at("enabled"), Value(true));
  EXPECT_EQ(binary->at("hideWithTime"), Value(false));
  EXPECT_EQ(binary->at("updateInterval"), Value(300.0));
  EXPECT_EQ(binary->at("customWeather"), Value(12));
  EXPECT_EQ(binary->at("homeScreenVerticalOffsetBackground"), Value(-12.5));
  EXPECT_EQ(binary->at("someOtherKeyThatIsIgnored"), Value("hello"));
}

TEST(PropertyListFixtures, TypedTextStaysTextForTheStringReadings) {
  const auto prefs = readFixture("prefs-strings.plist");
  ASSERT_TRUE(prefs);
  EXPECT_EQ(prefs->at("enabled"), Value("NO"));
  EXPECT_FALSE(prefs->at("enabled").boolValue());
  EXPECT_TRUE(prefs->at("hideTimeDate").boolValue());
  EXPECT_TRUE(prefs->at("homescreenBackground").boolValue());
  EXPECT_EQ(prefs->at("disableParallax").intValue(), 7);
  EXPECT_EQ(prefs->at("updateInterval").intValue(), 42);
  EXPECT_EQ(prefs->at("customWeather").intValue(), -3);
  EXPECT_EQ(prefs->at("lockScreenVerticalOffsetTemperatureCondition").doubleValue(), 12.75);
  EXPECT_EQ(prefs->at("lockScreenHorizontalOffsetTemperatureCondition").doubleValue(), 100.0);
  EXPECT_EQ(prefs->at("homeScreenVerticalOffsetBackground").doubleValue(), 0.0);
}

TEST(PropertyListFixtures, UnusableTypesKeepTheirKinds) {
  const auto prefs = readFixture("prefs-unusable-types.plist");
  ASSERT_TRUE(prefs);
  EXPECT_EQ(prefs->at("enabled"), Value(Array{Value(true)}));
  EXPECT_EQ(prefs->at("useLocalCity"), Value(Dictionary{{"value", Value(true)}}));
  EXPECT_EQ(prefs->at("updateInterval"), Value(host::Data{{0, 1}}));
  EXPECT_EQ(prefs->at("lockScreenVerticalOffsetTemperatureCondition"),
            Value(host::Date{1577836800}));
  EXPECT_EQ(prefs->at("customWeather"), Value(Array{}));
  EXPECT_EQ(prefs->at("showTemperatureAndCondition"), Value(Dictionary{}));
}

TEST(PropertyListFixtures, ExtremeNumbersArriveUnchanged) {
  const auto prefs = readFixture("prefs-extreme-numbers.plist");
  ASSERT_TRUE(prefs);
  EXPECT_EQ(prefs->at("updateInterval"), Value(1e20));
  EXPECT_EQ(prefs->at("customWeather"), Value(std::int64_t{INT32_MIN}));
  EXPECT_EQ(prefs->at("lockScreenVerticalOffsetTemperatureCondition"), Value(HUGE_VAL));
  EXPECT_TRUE(
      std::isnan(*prefs->at("lockScreenHorizontalOffsetTemperatureCondition").get<double>()));
  EXPECT_EQ(prefs->at("homeScreenVerticalOffsetBackground"), Value(-1e308));
}

TEST(PropertyListFixtures, CacheFilesReadWithTheirOtherKeys) {
  const auto full = readFixture("cache-with-other-keys.plist");
  ASSERT_TRUE(full);
  EXPECT_EQ(*full, (Dictionary{{"lastLocalCityLatitude", Value(48.8566)},
                               {"lastLocalCityLongitude", Value(2.3522)},
                               {"installedVersion", Value("1.4.2")},
                               {"launchCount", Value(17)}}));
  EXPECT_EQ(readFixture("cache-latitude-only.plist"),
            (Dictionary{{"lastLocalCityLatitude", Value(48.8566)}}));
}

TEST(PropertyListFixtures, UnusableFilesReadAsNone) {
  for (const char* name : {"root-array.plist", "truncated-binary.plist", "empty.plist",
                           "garbage.plist", "no-such-file.plist"})
    EXPECT_FALSE(readFixture(name)) << name;
  // A root that is not a dictionary is still a property list.
  const auto array = sim::readPropertyList(fixturePath("root-array.plist"));
  ASSERT_TRUE(array);
  EXPECT_EQ(*array, Value(Array{Value("enabled"), Value(false)}));
}

TEST(PropertyListFixtures, DeepNestingIsRefusedWithoutCrashing) {
  EXPECT_FALSE(readFixture("deep-nesting-binary.plist"));
  EXPECT_FALSE(readFixture("deep-nesting-xml.plist"));
}

TEST(PropertyListFixtures, AllFilterFormsReadToTheSameStructure) {
  const Dictionary bundles{
      {"Filter", Value(Dictionary{{"Bundles", Value(Array{Value("com.apple.springboard")})}})}};
  for (const char* name : {"filter-xml.plist", "filter-binary.plist", "filter-text.plist"})
    EXPECT_EQ(readFixture(name), bundles) << name;
  const Dictionary executables{
      {"Filter", Value(Dictionary{
                     {"Executables", Value(Array{Value("SpringBoard"), Value("backboardd")})}})}};
  EXPECT_EQ(readFixture("filter-text-executables.plist"), executables);
}

TEST(PropertyListNesting, IsBoundedAtTheDocumentedDepth) {
  EXPECT_TRUE(sim::parsePropertyList(nested_plists::xml(nimbrel::plist::maxDepth)));
  EXPECT_FALSE(sim::parsePropertyList(nested_plists::xml(nimbrel::plist::maxDepth + 1)));
  EXPECT_TRUE(sim::parsePropertyList(nested_plists::openStep(nimbrel::plist::maxDepth)));
  EXPECT_FALSE(sim::parsePropertyList(nested_plists::openStep(nimbrel::plist::maxDepth + 1)));
  EXPECT_TRUE(sim::parsePropertyList(nested_plists::binary(nimbrel::plist::maxDepth)));
  EXPECT_FALSE(sim::parsePropertyList(nested_plists::binary(nimbrel::plist::maxDepth + 1)));
}

TEST(XmlIntegers, ReadTheWayApplesParserDoes) {
  const std::pair<const char*, std::optional<Value>> cases[] = {
      {"010", Value(10)},
      {"0x1A", Value(26)},
      {"-0x10", Value(-16)},
      {"+7", Value(7)},
      {" 42 ", Value(42)},
      {"-0", Value(0)},
      {"9223372036854775807", Value(std::int64_t{INT64_MAX})},
      {"-9223372036854775808", Value(std::int64_t{INT64_MIN})},
      {"18446744073709551615", Value(host::UnsignedInteger{UINT64_MAX})},
      {"18446744073709551616", std::nullopt},
      {"-9223372036854775809", std::nullopt},
      {"12abc", std::nullopt},
      {"1.5", std::nullopt},
      {"", std::nullopt},
      {"0X1A", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    const std::string xml = std::string("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>") +
                            "<key>n</key><integer>" + text + "</integer></dict></plist>";
    const auto parsed = sim::parsePropertyList(xml);
    if (!expected) {
      EXPECT_FALSE(parsed) << text;
      continue;
    }
    ASSERT_TRUE(parsed) << text;
    EXPECT_EQ(*parsed, Value(Dictionary{{"n", *expected}})) << text;
  }
}

TEST(OpenStepText, ReadsCommentsEscapesDataAndNesting) {
  const auto parsed = sim::parsePropertyList(
      "// settings\n{ a = \"x\\ty\\\"\"; /* block */ b = ( 1, two, (), {}, ); c = <0aff 10>;"
      " 'single' = bare-string.1; d; }");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed,
            Value(Dictionary{
                {"a", Value("x\ty\"")},
                {"b", Value(Array{Value("1"), Value("two"), Value(Array{}), Value(Dictionary{})})},
                {"c", Value(host::Data{{0x0a, 0xff, 0x10}})},
                {"single", Value("bare-string.1")},
                {"d", Value("d")}}));
}

TEST(OpenStepText, RefusesMalformedText) {
  for (const char* text : {"{ a = b }", "{ a = \"open; }", "{ a = (1 2); }", "{ a = b; } junk",
                           "{ a = <0g>; }", "{ = b; }", "{"})
    EXPECT_FALSE(sim::parsePropertyList(text)) << text;
}

// A binary property list of the given objects (already encoded, references one byte
// wide), object 0 at the root.
std::string binaryPlist(const std::vector<std::string>& objects) {
  std::string bytes = "bplist00";
  std::string table;
  for (const auto& object : objects) {
    table += static_cast<char>(bytes.size());
    bytes += object;
  }
  const std::size_t tableOffset = bytes.size();
  bytes += table;
  bytes += std::string(6, '\0') + "\x01\x01" + std::string(7, '\0') +
           static_cast<char>(objects.size()) + std::string(8, '\0') + std::string(7, '\0') +
           static_cast<char>(tableOffset);
  return bytes;
}

std::string bytes(std::initializer_list<int> values) {
  std::string result;
  for (int v : values) result += static_cast<char>(v);
  return result;
}

// Arrays each holding the next one twice, ending in `true`.
std::string doublingArrays(int levels) {
  std::vector<std::string> objects;
  for (int i = 0; i + 1 < levels; ++i) objects.push_back(bytes({0xA2, i + 1, i + 1}));
  objects.push_back(bytes({0x09}));
  return binaryPlist(objects);
}

TEST(BinaryPropertyLists, ReadSharedObjectsButRefuseCycles) {
  EXPECT_EQ(sim::parsePropertyList(binaryPlist({bytes({0xA1, 1}), bytes({0xA0})})),
            Value(Array{Value(Array{})}));
  EXPECT_FALSE(sim::parsePropertyList(binaryPlist({bytes({0xA1, 0})})));
  EXPECT_FALSE(sim::parsePropertyList(binaryPlist({bytes({0xA1, 1}), bytes({0xA1, 0})})));
}

TEST(BinaryPropertyLists, RefuseSharingThatExpandsBeyondTheLimit) {
  const auto small = sim::parsePropertyList(doublingArrays(10));
  ASSERT_TRUE(small);
  EXPECT_EQ(small->get<Array>()->size(), 2u);
  EXPECT_FALSE(sim::parsePropertyList(doublingArrays(64)));  // 2^63 objects once expanded
}

TEST(BinaryPropertyLists, RefuseBadReferencesOffsetsAndKeys) {
  const std::string cases[] = {
      binaryPlist({bytes({0xA1, 5})}),                       // reference past the last object
      binaryPlist({bytes({0xD1, 1, 1}), bytes({0x10, 1})}),  // a dictionary keyed by a number
      binaryPlist({bytes({0x5F, 0x10, 100}), bytes({})}),    // a string longer than the file
      binaryPlist({bytes({0x80, 1})}),                       // a UID, not a property-list value
  };
  for (const auto& bytes : cases) EXPECT_FALSE(sim::parsePropertyList(bytes));
}

TEST(BinaryPropertyLists, ReadUnsignedAboveInt64AsUnsigned) {
  // {"u": 2^64-1} as plistlib writes it: a 16-byte integer.
  // Built by appending: "\x14" + std::string(...) trips a false -Wrestrict in g++ 12 at -O3.
  const std::string unsignedMax = std::string(1, '\x14').append(8, '\0').append(8, '\xff');
  const auto parsed =
      sim::parsePropertyList(binaryPlist({bytes({0xD1, 1, 2}), bytes({0x51, 'u'}), unsignedMax}));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed, Value(Dictionary{{"u", Value(host::UnsignedInteger{UINT64_MAX})}}));
  const std::string minusOne = std::string(1, '\x13').append(8, '\xff');
  EXPECT_EQ(
      sim::parsePropertyList(binaryPlist({bytes({0xD1, 1, 2}), bytes({0x51, 'u'}), minusOne})),
      Value(Dictionary{{"u", Value(-1)}}));
}

using PropertyListWriting = TemporaryFolder;

TEST_F(PropertyListWriting, EveryKindRoundTrips) {
  const Dictionary written{
      {"bool", Value(true)},
      {"int", Value(std::int64_t{-5})},
      {"big", Value(std::int64_t{INT64_MIN})},
      {"unsigned", Value(host::UnsignedInteger{UINT64_MAX})},
      {"real", Value(0.1)},
      {"infinite", Value(-HUGE_VAL)},
      {"string", Value("caf\xc3\xa9 & <b>")},
      {"data", Value(host::Data{{0, 1, 254, 255}})},
      {"date", Value(host::Date{1577836800})},
      {"array", Value(Array{Value(1), Value("two"), Value(Array{})})},
      {"dict", Value(Dictionary{{"nested", Value(false)}})},
  };
  for (bool atomically : {true, false}) {
    ASSERT_TRUE(sim::writePropertyList(Value(written), path("round.plist"), atomically));
    EXPECT_EQ(sim::readDictionary(path("round.plist")), written);
  }
}

TEST_F(PropertyListWriting, WritesXmlWithSortedKeys) {
  ASSERT_TRUE(sim::writePropertyList(Value(Dictionary{{"b", Value(1)}, {"a", Value(2)}}),
                                     path("x.plist"), true));
  std::ifstream file(path("x.plist"));
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(text.starts_with("<?xml"));
  EXPECT_LT(text.find("<key>a</key>"), text.find("<key>b</key>"));
}

TEST_F(PropertyListWriting, AtomicWriteReplacesTheFileAndLeavesNoTemporary) {
  writeText("x.plist", "old");
  ASSERT_TRUE(sim::writePropertyList(Value(Dictionary{{"k", Value(1)}}), path("x.plist"), true));
  EXPECT_EQ(fileNames(), std::vector<std::string>{"x.plist"});
  EXPECT_EQ(sim::readDictionary(path("x.plist")), (Dictionary{{"k", Value(1)}}));
}

TEST_F(PropertyListWriting, OtherKeysSurviveAReadModifyWrite) {
  fs::copy_file(fixturePath("cache-with-other-keys.plist"), path("cache.plist"));
  auto cache = sim::readDictionary(path("cache.plist"));
  ASSERT_TRUE(cache);
  (*cache).insert_or_assign("lastLocalCityLatitude", Value(51.5));
  ASSERT_TRUE(sim::writePropertyList(Value(*cache), path("cache.plist"), true));
  const auto reread = sim::readDictionary(path("cache.plist"));
  ASSERT_TRUE(reread);
  EXPECT_EQ(reread->at("lastLocalCityLatitude"), Value(51.5));
  EXPECT_EQ(reread->at("installedVersion"), Value("1.4.2"));
  EXPECT_EQ(reread->at("launchCount"), Value(17));
}

// Reads remember recent parses by the file's bytes: a file rewritten in place in the same
// instant, at the same size, must still read as what it now holds, and damage as none.
TEST_F(PropertyListWriting, AFileReadAgainReadsAsWhatItNowHolds) {
  const std::vector<std::pair<std::string, std::optional<Dictionary>>> contents = {
      {"{ a = 1; }", Dictionary{{"a", Value("1")}}}, {"{ a = 2; }", Dictionary{{"a", Value("2")}}},
      {"{ a = 1; }", Dictionary{{"a", Value("1")}}}, {"{ a = 1;  ", std::nullopt},
      {"{ b = 1; }", Dictionary{{"b", Value("1")}}},
  };
  for (int round = 0; round < 2; ++round) {
    for (const auto& [text, expected] : contents) {
      writeText("x.plist", text);
      EXPECT_EQ(sim::readDictionary(path("x.plist")), expected) << text;
      EXPECT_EQ(sim::readDictionary(path("x.plist")), expected) << text << " again";
    }
  }
  fs::remove(path("x.plist"));
  EXPECT_EQ(sim::readDictionary(path("x.plist")), std::nullopt);
  EXPECT_EQ(sim::readDictionary(folder_.string()), std::nullopt);
}

TEST_F(PropertyListWriting, WriteIntoAMissingFolderFailsAndCreatesNothing) {
  for (bool atomically : {true, false}) {
    EXPECT_FALSE(sim::writePropertyList(Value(Dictionary{}), path("missing/x.plist"), atomically));
  }
  EXPECT_TRUE(fileNames().empty());
}

TEST_F(PropertyListWriting, UnwritableValuesFailTheWholeWrite) {
  writeText("x.plist", "kept");
  EXPECT_FALSE(sim::writePropertyList(Value(Dictionary{{"d", Value(host::Date{1e300})}}),
                                      path("x.plist"), true));
  EXPECT_FALSE(sim::writePropertyList(Value(Dictionary{{"s", Value(std::string("a\0b", 3))}}),
                                      path("x.plist"), false));
  EXPECT_EQ(fileNames(), std::vector<std::string>{"x.plist"});
  std::ifstream file(path("x.plist"));
  std::string text;
  file >> text;
  EXPECT_EQ(text, "kept");
}

TEST_F(PropertyListWriting, OversizedFilesReadAsNone) {
  writeText("big.plist", "{ a = \"" + std::string(nimbrel::plist::maxBytes, 'x') + "\"; }");
  EXPECT_FALSE(sim::readDictionary(path("big.plist")));
}

}  // namespace
