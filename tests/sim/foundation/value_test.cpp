// Foundation's numeric readings of numbers, booleans and strings, from the platform's tables.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "host/object.h"
#include "host/value.h"

namespace {

using host::Value;

struct IntCase {
  const char* text;
  std::int32_t expected;
};

TEST(StringIntValue, ScansDecimalWithWhitespaceSignAndClamping) {
  const IntCase cases[] = {
      {"42", 42},
      {" 42", 42},
      {"\n\t42", 42},
      {"+123", 123},
      {"-123a", -123},
      {"007", 7},
      {"3.9", 3},
      {"-3.9", -3},
      {"1e3", 1},
      {"0x1A", 0},
      {"++123", 0},
      {"--123", 0},
      {"a123", 0},
      {"", 0},
      {"YES", 0},
      {"999999999999999999999999999999", INT_MAX},
      {"-999999999999999999999999999999", INT_MIN},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},
      {"-2147483648", INT_MIN},
      {"-2147483649", INT_MIN},
      {"- 5", -5},
      {"\x7f"
       "8",
       8},  // DEL is whitespace to the scanner
      {"\xc2\xa0"
       "9",
       9},  // no-break space U+00A0
      {"\xe2\x80\x8b"
       "10",
       10},  // zero-width space U+200B
      {"\xe3\x80\x80"
       "11",
       11},  // ideographic space U+3000
      {"\xe2\x80\x8c"
       "12",
       0},                  // U+200C is not whitespace
      {"\xef\xbc\x91", 0},  // a full-width digit is not a digit
  };
  for (const auto& c : cases)
    EXPECT_EQ(Value(c.text).intValue(), c.expected) << '"' << c.text << '"';
}

struct DoubleCase {
  const char* text;
  double expected;
};

TEST(StringDoubleValue, CollectsNumberCharactersAndReadsThemInTheCLocale) {
  const DoubleCase cases[] = {
      {" 1.5", 1.5},   {"+.2", 0.2},       {"12.", 12.0},     {"-12.3015e02", -1230.15},
      {"1E3", 1000.0}, {"2e3.12", 2000.0}, {"1.2.3.4", 1.2},  {".e12", 0.0},
      {"", 0.0},       {"abc", 0.0},       {"-", 0.0},        {"1e", 1.0},
      {"1,5", 1.0},    {"0x1A", 0.0},      {"inf", 0.0},      {"nan", 0.0},
      {"1e-400", 0.0}, {"\t 7", 7.0},      {"12.75%", 12.75},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Value(c.text).doubleValue(), c.expected) << c.text;
  EXPECT_EQ(Value("1e400").doubleValue(), HUGE_VAL);
  EXPECT_EQ(Value("-1e400").doubleValue(), -HUGE_VAL);
}

TEST(StringBoolValue, LooksAtTheFirstCharacterThenOneSignZerosAndADigit) {
  const char* yes[] = {"YES", "yes", "Y",  "true", "TRUE",    "T", "t",
                       "1",   "9",   "10", " 2",   "+000009", "-1"};
  const char* no[] = {"NO", "no", "false", "on", "0", "00",  "-00000", "0.5", ".5",
                      "0t", "+t", "+",     "++", "",  "abc", "<true>", "--1", "000-1"};
  for (const char* text : yes) EXPECT_TRUE(Value(text).boolValue()) << text;
  for (const char* text : no) EXPECT_FALSE(Value(text).boolValue()) << text;
}

struct NumberCase {
  Value number;
  std::int32_t intValue;
  bool boolValue;
  double doubleValue;
};

TEST(NumberReadings, IntegersWrapDoublesTruncateAndSaturate) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const NumberCase cases[] = {
      {Value(150.7), 150, true, 150.7},
      {Value(-3.9), -3, true, -3.9},
      {Value(0.4), 0, true, 0.4},
      {Value(-0.0), 0, false, -0.0},
      {Value(1e20), INT_MAX, true, 1e20},
      {Value(-1e20), INT_MIN, true, -1e20},
      {Value(2147483647.9), INT_MAX, true, 2147483647.9},
      {Value(-2147483648.9), INT_MIN, true, -2147483648.9},
      {Value(std::numeric_limits<double>::infinity()), INT_MAX, true,
       std::numeric_limits<double>::infinity()},
      {Value(std::int64_t{(1LL << 32) + 5}), 5, true, 4294967301.0},
      {Value(std::int64_t{3000000000}), -1294967296, true, 3e9},
      {Value(std::int64_t{INT64_MAX}), -1, true, 9223372036854775807.0},
      {Value(std::int64_t{INT64_MIN}), 0, true, -9223372036854775808.0},
      {Value(std::int64_t{1LL << 32}), 0, true, 4294967296.0},
      {Value(host::UnsignedInteger{UINT64_MAX}), -1, true, 18446744073709551615.0},
      {Value(host::UnsignedInteger{(1ULL << 63) + 7}), 7, true, 9223372036854775815.0},
      {Value(true), 1, true, 1.0},
      {Value(false), 0, false, 0.0},
      {Value(0), 0, false, 0.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.number.intValue(), c.intValue) << c.doubleValue;
    EXPECT_EQ(c.number.boolValue(), c.boolValue) << c.doubleValue;
    EXPECT_EQ(c.number.doubleValue(), c.doubleValue);
    EXPECT_TRUE(c.number.hasNumericReading());
  }
  EXPECT_EQ(Value(nan).intValue(), 0);
  EXPECT_TRUE(Value(nan).boolValue());
  EXPECT_TRUE(std::isnan(Value(nan).doubleValue()));
}

struct ForeignCase {
  Value value;
  const char* className;
};

TEST(ForeignReadings, OtherClassesRaiseUnrecognizedSelector) {
  const ForeignCase cases[] = {
      {Value(host::Array{Value(1)}), "__NSArrayI"},
      {Value(host::Dictionary{{"a", Value(1)}}), "__NSDictionaryI"},
      {Value(host::Date{100}), "__NSDate"},
      {Value(host::Data{{1, 2}}), "NSConcreteData"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(c.value.hasNumericReading());
    const std::pair<const char*, void (*)(const Value&)> selectors[] = {
        {"boolValue", [](const Value& v) { (void)v.boolValue(); }},
        {"intValue", [](const Value& v) { (void)v.intValue(); }},
        {"doubleValue", [](const Value& v) { (void)v.doubleValue(); }},
    };
    for (const auto& [selector, send] : selectors) {
      try {
        send(c.value);
        ADD_FAILURE() << c.className << " answered " << selector;
      } catch (const host::PlatformException& exception) {
        EXPECT_EQ(exception.name(), "NSInvalidArgumentException");
        const std::string expected = std::string("-[") + c.className + " " + selector +
                                     "]: unrecognized selector sent to instance 0x";
        EXPECT_EQ(std::string(exception.what()).substr(0, expected.size()), expected);
      }
    }
  }
}

}  // namespace
