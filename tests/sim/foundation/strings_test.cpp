// NSString's path, length and replacement rules.
#include <gtest/gtest.h>

#include "host/object.h"
#include "host/strings.h"

namespace {

namespace strings = host::strings;

TEST(LastPathComponent, CompressesSlashesAndDropsOneTrailingSlash) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"/", "/"},
      {"//", "/"},
      {"/a/b/", "b"},
      {"//a//b//", "b"},
      {"/tmp/scratch.tiff", "scratch.tiff"},
      {"scratch///", "scratch"},
      {"SpringBoard", "SpringBoard"},
      {"/System/Library/CoreServices/SpringBoard.app/SpringBoard", "SpringBoard"},
  };
  for (const auto& [path, expected] : cases)
    EXPECT_EQ(strings::lastPathComponent(path), expected) << path;
}

TEST(StringLength, CountsUtf16CodeUnits) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"", 0},
      {"abc", 3},
      {"\xc3\xa9", 1},                      // é precomposed
      {"e\xcc\x81", 2},                     // é decomposed
      {"\xf0\x9f\x98\x80", 2},              // 😀
      {"\xe2\x9c\x8c\xf0\x9f\x8f\xbe", 3},  // ✌🏾
      {"\xff", 1},                          // a malformed byte counts once
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(strings::length(text), expected) << text;
}

TEST(ReplacingCharactersInRange, ReplacesByUtf16RangeAndAppendsAtTheEnd) {
  EXPECT_EQ(strings::replacingCharactersInRange("hello", 1, 3, "ipp"), "hippo");
  EXPECT_EQ(strings::replacingCharactersInRange("hello", 5, 0, "!"), "hello!");
  EXPECT_EQ(strings::replacingCharactersInRange("hello", 0, 5, ""), "");
  EXPECT_EQ(strings::replacingCharactersInRange("\xf0\x9f\x98\x80x", 2, 1, "y"),
            "\xf0\x9f\x98\x80y");
  EXPECT_EQ(strings::replacingCharactersInRange("caf\xc3\xa9!", 3, 1, "e"), "cafe!");
}

TEST(ReplacingCharactersInRange, RaisesRangeExceptionBeyondTheEndWithoutOverflow) {
  const std::pair<std::size_t, std::size_t> ranges[] = {
      {6, 0}, {5, 1}, {0, 6}, {1, SIZE_MAX}, {SIZE_MAX, 1}, {SIZE_MAX, SIZE_MAX}};
  for (const auto& [location, length] : ranges) {
    try {
      (void)strings::replacingCharactersInRange("hello", location, length, "x");
      ADD_FAILURE() << location << "," << length << " was accepted";
    } catch (const host::PlatformException& exception) {
      EXPECT_EQ(exception.name(), "NSRangeException");
    }
  }
}

TEST(ReplacingOccurrences, ReplacesEveryNonOverlappingOccurrence) {
  EXPECT_EQ(strings::replacingOccurrences("a-b-c", "-", "+"), "a+b+c");
  EXPECT_EQ(strings::replacingOccurrences("aaa", "aa", "b"), "ba");
  EXPECT_EQ(strings::replacingOccurrences("x.png", "y", "z"), "x.png");
  EXPECT_EQ(strings::replacingOccurrences("abc", "", "z"), "abc");
  EXPECT_EQ(strings::replacingOccurrences("Cloudy-night@2x", "@2x", "@3x"), "Cloudy-night@3x");
}

}  // namespace
