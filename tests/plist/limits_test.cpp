// The limits a property list keeps before any reader sees it: nesting to the limit passes in
// every form and one level more does not, and nothing in the text hides a level from the scan.
#include "plist/limits.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/nested_plists.h"

namespace {

using nimbrel::plist::maxDepth;
using nimbrel::plist::withinLimits;

struct Form {
  const char* name;
  std::function<std::string(std::size_t)> nested;
};

TEST(PlistLimits, EachFormPassesAtTheDepthLimitAndIsRefusedOneLevelDeeper) {
  const Form forms[] = {{"xml", nested_plists::xml},
                        {"openStep", nested_plists::openStep},
                        {"binary", nested_plists::binary}};
  for (const Form& form : forms) {
    EXPECT_TRUE(withinLimits(form.nested(maxDepth))) << form.name;
    EXPECT_FALSE(withinLimits(form.nested(maxDepth + 1))) << form.name;
    EXPECT_FALSE(withinLimits(form.nested(300000))) << form.name;
  }
}

TEST(PlistLimits, SizePassesAtTheLimitAndIsRefusedOneByteOver) {
  EXPECT_TRUE(withinLimits(std::string(nimbrel::plist::maxBytes, ' ')));
  EXPECT_FALSE(withinLimits(std::string(nimbrel::plist::maxBytes + 1, ' ')));
}

TEST(PlistLimits, TheScansCountOnlyWhatAReaderNests) {
  const struct {
    const char* text;
    std::size_t xml, openStep;
  } cases[] = {
      {"<array><array></array><array></array></array>", 2, 0},
      {"<array/><dict/><array><dict  ></dict></array>", 2, 0},
      // A close inside a comment, a CDATA section or a quoted attribute closes nothing.
      {"<array><!-- </array> --><array>", 2, 0},
      {"<array><string><![CDATA[</array>]]></string><array>", 2, 0},
      {"<array a=\"></array>\"><array b='</array>'><array>", 3, 0},
      {"<plist version=\"1.0\"><dict><key>k</key><string>x</string></dict></plist>", 1, 0},
      {"( { a = (1, 2); }, ( ) )", 0, 3},
      {"( \")\" ( '}' ( \"\\\")\" (", 0, 4},
      {"( /* ) */ ( // )\n ( <29> (", 0, 4},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(nimbrel::plist::xmlNestingDepth(c.text), c.xml) << c.text;
    EXPECT_EQ(nimbrel::plist::openStepNestingDepth(c.text), c.openStep) << c.text;
  }
}

// Each text is scanned in the one form that can nest in it: "(" in an XML string and tags in
// an OpenStep string nest nothing, and text that may be read as XML is scanned as XML whatever
// comes before its first tag.
TEST(PlistLimits, EachTextIsScannedInTheFormThatCanNestInIt) {
  const std::string parentheses(600, '(');
  std::string tags;
  for (int i = 0; i < 600; ++i) tags += "<array>";
  const struct {
    const char* name;
    std::string text;
    bool within;
  } cases[] = {
      {"XML string of parentheses",
       "<?xml version=\"1.0\"?><plist version=\"1.0\"><string>" + parentheses + "</string></plist>",
       true},
      {"OpenStep string of tags", "{ a = \"" + tags + "\"; }", true},
      {"XML after a byte-order mark and white space", "\xEF\xBB\xBF \f\n<plist>" + tags, false},
      {"OpenStep after a comment", "/* <plist> */ " + parentheses, false},
  };
  for (const auto& c : cases) EXPECT_EQ(withinLimits(c.text), c.within) << c.name;
}

TEST(PlistLimits, ABinaryListMustBeSound) {
  EXPECT_TRUE(withinLimits(nested_plists::binary(2)));
  std::string truncated = nested_plists::binary(3);
  truncated.pop_back();
  EXPECT_FALSE(withinLimits(truncated));
  // Any other "bplist" version is not taken for text.
  std::string otherVersion = nested_plists::binary(3);
  otherVersion[7] = '1';
  EXPECT_FALSE(withinLimits(otherVersion));
}

}  // namespace
