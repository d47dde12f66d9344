// The scenario language: what parses, and where and why a bad line fails.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "simulator/command.h"
#include "simulator/grammar.h"
#include "simulator/parser.h"

namespace nimsim {
namespace {

ParseResult parse(const std::string& text) { return parseScenario(text, "s.scn"); }

TEST(ScenarioParser, ReadsCommandsWithTheirArgumentsAndOptions) {
  ParseResult r = parse(
      "# a comment\n"
      "\n"
      "device custom screen=375x667 native=750x1334\n"
      "settings set updateInterval int 300   # trailing comment\n"
      "weather local-city \"San José\" lat=37.3 lon=-121.9 condition=26 day=yes age=10m\n"
      "advance 1.5m\n"
      "expect addon.city.name == \"San José\"\n");
  ASSERT_TRUE(r.ok()) << r.errors[0].format();
  const auto& s = r.script.statements;
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(s[0].command, "device custom");
  EXPECT_EQ(s[0].line, 3);
  EXPECT_EQ(s[0].option("screen")->number, 375);
  EXPECT_EQ(s[0].option("native")->second, 1334);
  EXPECT_EQ(s[1].command, "settings set");
  EXPECT_EQ(s[1].args[0].text, "updateInterval");
  EXPECT_EQ(s[1].args[2].number, 300);
  EXPECT_EQ(s[2].args[0].text, "San José");
  EXPECT_TRUE(s[2].option("day")->flag);
  EXPECT_EQ(s[2].option("age")->number, 600);
  EXPECT_EQ(s[2].option("lon")->number, -121.9);
  EXPECT_EQ(s[3].args[0].number, 90);
  EXPECT_EQ(s[4].args[1].text, "==");
}

TEST(ScenarioParser, PrefersTheLongestKeywordMatch) {
  ParseResult r = parse("device lacks class WAHourlyForecast\ndevice \"iPhone 8\"\n");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.script.statements[0].command, "device lacks class");
  EXPECT_EQ(r.script.statements[0].id, Command::deviceLacksClass);
  EXPECT_EQ(r.script.statements[1].command, "device");
  EXPECT_EQ(r.script.statements[1].id, Command::deviceProfile);
  EXPECT_EQ(r.script.statements[1].args[0].text, "iPhone 8");
}

TEST(ScenarioParser, TypedValuesAreCheckedAgainstTheirType) {
  ParseResult r = parse(
      "settings set a bool yes\nsettings set b string \" 42\"\nsettings set c array\n"
      "settings set d data \"00ff\"\nplist set /x.plist k real 1e3\n");
  ASSERT_TRUE(r.ok()) << r.errors[0].format();
  EXPECT_TRUE(r.script.statements[0].args[2].flag);
  EXPECT_EQ(r.script.statements[1].args[2].text, " 42");
  EXPECT_EQ(r.script.statements[2].args.size(), 2u);
  EXPECT_EQ(r.script.statements[4].args[3].number, 1000);
}

struct BadLine {
  std::string text;
  int column;
  std::string message;  // a part of the message
};

// Names the case by its line in test listings and failures.
void PrintTo(const BadLine& line, std::ostream* out) { *out << '"' << line.text << '"'; }

class ScenarioParserErrors : public testing::TestWithParam<BadLine> {};

TEST_P(ScenarioParserErrors, NameTheColumnAndWhatWasExpected) {
  const BadLine& bad = GetParam();
  ParseResult r = parse("note \"first line is fine\"\n" + bad.text + "\n");
  ASSERT_EQ(r.errors.size(), 1u) << bad.text;
  EXPECT_EQ(r.errors[0].line, 2);
  EXPECT_EQ(r.errors[0].column, bad.column) << r.errors[0].format();
  EXPECT_NE(r.errors[0].message.find(bad.message), std::string::npos) << r.errors[0].format();
  EXPECT_EQ(r.errors[0].format().rfind("s.scn:2:" + std::to_string(bad.column) + ": error: ", 0),
            0u);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ScenarioParserErrors,
    testing::Values(BadLine{"shel lock", 1, "expected a command"},
                    BadLine{"shell", 6, "after 'shell' expected lock-complete"},
                    BadLine{"shell display maybe", 15, "expected state (on or off)"},
                    BadLine{"advance 30", 9, "give the number a unit"},
                    BadLine{"advance 10q", 9, "unit ms, s, m, h or d"},
                    BadLine{"settings set x int 3.5", 20, "whole number"},
                    BadLine{"settings set x real", 20, "expected a real value"},
                    BadLine{"settings set x array 3", 22, "written empty"},
                    BadLine{"settings set x data \"0g\"", 21, "hexadecimal"},
                    BadLine{"lock now", 6, "expected the end of the line"},
                    BadLine{"note \"open", 6, "not closed"},
                    BadLine{"note \"bad \\q\"", 11, "unknown escape"},
                    BadLine{"expect a.b = 3", 12, "expected a comparison"},
                    BadLine{"expect a.b == hello", 15, "true, false or null"},
                    BadLine{"expect a.b < \"x\"", 14, "compares numbers"},
                    BadLine{"expect trace contains 3", 23, "string in quotes"},
                    BadLine{"picture my/pic", 9, "letters, digits"},
                    BadLine{"weather local-city X foo=3", 22, "expected one of the options"},
                    BadLine{"weather local-city X day=yes day=no", 30, "given twice"},
                    BadLine{"weather local-city X hourly=\"1,x\"", 29, "hourly temperatures"},
                    BadLine{"weather local-city X lat=", 26, "expected lat"},
                    BadLine{"device custom screen=375x667", 1, "needs both"},
                    BadLine{"device custom screen=0x667 native=1x1", 22, "positive"},
                    BadLine{"home var/mobile", 6, "device path"}, BadLine{"seed -1", 6, "from 0"},
                    BadLine{"fallback format json", 17, "xml or binary"},
                    BadLine{"settings set", 13, "expected key"},
                    BadLine{"lock $", 6, "unexpected character '$'"},
                    BadLine{"lock \x01", 6, "unexpected character byte 0x01"},
                    BadLine{"note \"a\\\x7f\"", 8, "a backslash before byte 0x7f"},
                    BadLine{"device custom screen=3x", 22, "found '3x'"},
                    BadLine{"advance 1e999s", 9, "out of range"},
                    BadLine{"advance 1e305d", 9, "a duration out of range"},
                    BadLine{"weather local-city X age=1e306h", 26, "a duration out of range"},
                    BadLine{"notify state foo -1", 18, "0 or more"},
                    BadLine{"shell content-view -1", 20, "0 or more"},
                    BadLine{"notify fail get 0", 17, "from 1 to 4294967295"},
                    BadLine{"notify fail register 4294967296", 22, "from 1 to 4294967295"},
                    BadLine{"random next", 12, "expected values (whole numbers"},
                    BadLine{"random next 3 -1", 15, "expected values"},
                    BadLine{"random next 2.5", 13, "expected values"},
                    BadLine{"random next 4294967296", 13, "expected values"},
                    BadLine{"weather asset remove 26 noon", 25, "expected time (day or night)"},
                    BadLine{"weather asset add 0 day", 21, "has no standard day asset"},
                    BadLine{"weather asset add 28 night", 22, "has no standard night asset"},
                    BadLine{"weather image remove", 21, "expected name"},
                    BadLine{"weather local-city X temp=hot", 27, "nan, inf or -inf"},
                    BadLine{"weather next-update ok temp=\"1\"", 29, "nan, inf or -inf"},
                    BadLine{"weather local-city X hourly=\"1,nano\"", 29, "(or nan, inf, -inf)"},
                    BadLine{"shell time-label alpha 1.5", 24, "from 0 to 1"},
                    BadLine{"shell move clock 1 2", 12, "expected view (date-view"},
                    BadLine{"shell move date-view 1", 23, "expected y (a number)"},
                    BadLine{"shell move host -1 0 0", 17, "0 or more"},
                    BadLine{"shell scroll host 0 x 0", 21, "expected x (a number)"},
                    BadLine{"shell date-view add UILabel", 21, "expected class"},
                    BadLine{"shell embed wallpaper-window now", 30, "end of the line"},
                    BadLine{"expect a.id not b", 17, "expected 'in' after 'not'"},
                    BadLine{"expect a.id not in", 19, "a list after 'not in'"},
                    BadLine{"expect a.id in \"x\"", 16, "expected its path"},
                    BadLine{"expect a.id in null", 16, "expected its path"},
                    BadLine{"expect a.id in b c", 18, "end of the line"},
                    BadLine{"expect a.b == 3 4", 17, "end of the line"}));

// A tap the settings pane does not offer fails at parse time, at the key or the value.
INSTANTIATE_TEST_SUITE_P(
    PaneTaps, ScenarioParserErrors,
    testing::Values(
        BadLine{"settings toggle hideTime", 17, "no cell for 'hideTime'; its keys: enabled,"},
        BadLine{"settings toggle updateInterval", 17,
                "is a slider in the settings pane, not a switch: write 'settings slide "
                "updateInterval NUMBER'"},
        BadLine{"settings choose customWeather Sleet-storm", 31,
                "'Sleet-storm' is not offered for customWeather; the list offers Off, Tornado,"},
        BadLine{"settings slide updateInterval 105", 31,
                "moves in steps of 10 from 10 to 1800: 105 is not one of its positions"},
        BadLine{"settings slide homeScreenVerticalOffsetBackground -101", 51,
                "goes from -100 to 100, not to -101"},
        BadLine{"settings choose customWeather", 30, "expected title"}));

TEST(ScenarioParser, NotInBecomesOneOperatorBeforeTheListPath) {
  ParseResult r = parse(
      "expect addon.weatherBackground.id not in lockScreen.dateView.subviewIds\n"
      "expect a in b[0].c\n");
  ASSERT_TRUE(r.ok()) << r.errors[0].format();
  const Statement& notIn = r.script.statements[0];
  ASSERT_EQ(notIn.args.size(), 3u);
  EXPECT_EQ(notIn.args[1].text, "not in");
  EXPECT_EQ(notIn.args[2].text, "lockScreen.dateView.subviewIds");
  EXPECT_EQ(r.script.statements[1].args[1].text, "in");
}

TEST(ScenarioParser, TemperaturesMayBeNotANumberOrInfinite) {
  ParseResult r = parse(
      "weather local-city X temp=-inf hourly=\"nan,inf,-inf,2\"\n"
      "weather next-update ok temp=nan\n");
  ASSERT_TRUE(r.ok()) << r.errors[0].format();
  EXPECT_TRUE(std::isinf(r.script.statements[0].option("temp")->number));
  EXPECT_LT(r.script.statements[0].option("temp")->number, 0);
  EXPECT_TRUE(std::isnan(r.script.statements[1].option("temp")->number));
  auto hourly = hourlyTemperatures("nan,inf,-inf,2");
  ASSERT_TRUE(hourly.has_value());
  ASSERT_EQ(hourly->size(), 4u);
  EXPECT_TRUE(std::isnan((*hourly)[0]));
  EXPECT_EQ((*hourly)[1], std::numeric_limits<double>::infinity());
  EXPECT_EQ((*hourly)[2], -std::numeric_limits<double>::infinity());
  EXPECT_EQ((*hourly)[3], 2);
}

// The shell process of the Objective-C platform gets each command as parsed, as JSON.
TEST(ScenarioParser, AStatementComesBackFromItsJsonAsParsedNanAndInfinitiesIncluded) {
  ParseResult r = parse(
      "weather local-city \"Zürich\" temp=-inf day=no age=2m\nweather next-update ok temp=nan\n"
      "shell move host 1 5 -6\n");
  ASSERT_TRUE(r.ok()) << r.errors[0].format();
  for (const Statement& s : r.script.statements) {
    const Statement back = statementFromJson(nlohmann::json::parse(statementJson(s).dump()));
    EXPECT_EQ(back.id, s.id);
    EXPECT_EQ(back.source, s.source);
    ASSERT_EQ(back.args.size(), s.args.size());
    for (std::size_t i = 0; i < s.args.size(); ++i) {
      EXPECT_EQ(back.args[i].kind, s.args[i].kind);
      EXPECT_EQ(back.args[i].text, s.args[i].text);
      EXPECT_EQ(std::isnan(back.args[i].number), std::isnan(s.args[i].number));
      if (!std::isnan(s.args[i].number)) {
        EXPECT_EQ(back.args[i].number, s.args[i].number);
      }
    }
    ASSERT_EQ(back.options.size(), s.options.size());
  }
  const Statement city = statementFromJson(statementJson(r.script.statements[0]));
  EXPECT_EQ(city.option("temp")->number, -std::numeric_limits<double>::infinity());
  EXPECT_EQ(city.option("age")->number, 120);
  EXPECT_FALSE(city.option("day")->flag);
  EXPECT_TRUE(
      std::isnan(statementFromJson(statementJson(r.script.statements[1])).option("temp")->number));
  EXPECT_THROW(statementFromJson({{"command", "shell fly"}}), std::invalid_argument);
}

TEST(ScenarioParser, ReportsEveryBadLineNotOnlyTheFirst) {
  ParseResult r = parse("lock\nbad one\nunlock\nadvance forever\n");
  ASSERT_EQ(r.errors.size(), 2u);
  EXPECT_EQ(r.errors[0].line, 2);
  EXPECT_EQ(r.errors[1].line, 4);
}

TEST(ScenarioParser, SurvivesArbitraryBytes) {
  std::string junk;
  for (int i = 0; i < 2048; ++i) junk += static_cast<char>((i * 131 + 7) % 256);
  ParseResult r = parse(junk);
  EXPECT_FALSE(r.ok());
  ParseResult nul = parse(std::string("lock\0x", 6));
  ASSERT_EQ(nul.errors.size(), 1u);
  EXPECT_EQ(nul.errors[0].column, 5);
}

TEST(ScenarioParser, AnEmptyFileIsAnEmptyScenario) {
  ParseResult r = parse("");
  EXPECT_TRUE(r.ok());
  EXPECT_TRUE(r.script.statements.empty());
}

}  // namespace
}  // namespace nimsim
