// The simulator's outputs: trace lines, expect evaluation against a snapshot, SVG pictures.
#include <gtest/gtest.h>

#include "simulator/expect.h"
#include "simulator/parser.h"
#include "simulator/picture.h"
#include "simulator/trace.h"

namespace nimsim {
namespace {

using nlohmann::json;

TEST(TraceFormat, PutsVirtualTimeSinceTheStartThenCategoryThenText) {
  sim::RecordEntry entry{1000012.5, "hook", "replaced SBLockScreenDateViewController -dateView"};
  EXPECT_EQ(formatTraceLine(entry, 1000000.0),
            "     12.500s  hook         replaced SBLockScreenDateViewController -dateView");
}

TEST(TraceFormat, KeepsAMultiLineTextOnOneLine) {
  sim::RecordEntry entry{5, "alert", "shown \"A\"\nline two"};
  EXPECT_EQ(formatTraceLine(entry, 5).find('\n'), std::string::npos);
}

TEST(TraceFormat, StepLinesNameTheScenarioLine) {
  ParseResult r = parseScenario("\n   lock   \n", "s");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(formatStepLine(r.script.statements[0]), "line 2: lock");
}

Statement expectLine(const std::string& text) {
  ParseResult r = parseScenario("expect " + text, "s");
  EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.errors[0].format());
  return r.ok() ? r.script.statements[0] : Statement{};
}

const json kSnapshot = json::parse(R"({
  "addon": {"city": {"name": "Cupertino", "conditionCode": 26, "temperature": 21.4999},
            "weatherBackground": null, "alertShown": false},
  "alerts": [{"title": "No local city available"}],
  "files": {"/Library/a.b/c.plist": {"lastLocalCityLatitude": 37.33}},
  "trace": ["hook replaced X -dateView", "view inserted Y"]
})");

struct ExpectCase {
  std::string line;
  bool held;
};

void PrintTo(const ExpectCase& c, std::ostream* out) { *out << c.line; }

class ExpectLines : public testing::TestWithParam<ExpectCase> {};

TEST_P(ExpectLines, HoldOrFailAsTheSnapshotSays) {
  Statement s = expectLine(GetParam().line);
  ASSERT_FALSE(s.args.empty());
  EXPECT_EQ(evaluateExpect(s, kSnapshot).held, GetParam().held) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExpectLines,
    testing::Values(
        ExpectCase{"addon.city.name == \"Cupertino\"", true},
        ExpectCase{"addon.city.name == \"Paris\"", false},
        ExpectCase{"addon.city.conditionCode == 26", true},
        ExpectCase{"addon.city.conditionCode != 26", false},
        ExpectCase{"addon.city.temperature ~= 21.5", true},
        ExpectCase{"addon.city.temperature == 21.5", false},
        ExpectCase{"addon.city.conditionCode < 27", true},
        ExpectCase{"addon.city.conditionCode >= 27", false},
        ExpectCase{"addon.weatherBackground == null", true},
        ExpectCase{"addon.weatherBackground == none", true},
        ExpectCase{"addon.alertShown == false", true},
        ExpectCase{"addon.alertShown == true", false}, ExpectCase{"addon.alertShown == 0", false},
        ExpectCase{"alerts.length == 1", true},
        ExpectCase{"alerts[0].title contains \"local city\"", true},
        ExpectCase{"trace contains \"-dateView\"", true},
        ExpectCase{"trace excludes \"-dateView\"", false},
        ExpectCase{"trace excludes \"removed\"", true},
        ExpectCase{"\"files[/Library/a.b/c.plist].lastLocalCityLatitude\" ~= 37.33", true},
        ExpectCase{"files contains \"/Library/a.b/c.plist\"", true},
        ExpectCase{"files excludes \"/Library/a.b/c.plist\"", false},
        ExpectCase{"files excludes \"/var/mobile/x.plist\"", true},
        ExpectCase{"addon.city.missing == 1", false}, ExpectCase{"alerts[3].title == \"x\"", false},
        ExpectCase{"addon.weatherBackground.frame == null", false}));

TEST(ExpectEvaluation, SaysWhatWasFoundAndWhyNothingWas) {
  ExpectOutcome wrong = evaluateExpect(expectLine("addon.city.conditionCode == 3"), kSnapshot);
  EXPECT_EQ(wrong.expected, "== 3");
  EXPECT_EQ(wrong.actual, "26");
  ExpectOutcome nothing =
      evaluateExpect(expectLine("addon.weatherBackground.frame == null"), kSnapshot);
  EXPECT_EQ(nothing.actual, "no value: 'addon.weatherBackground' is null");
  ExpectOutcome outOfRange = evaluateExpect(expectLine("alerts[3].title == \"x\""), kSnapshot);
  EXPECT_EQ(outOfRange.actual, "no value: 'alerts' has 1 elements");
}

TEST(ExpectEvaluation, MalformedPathsAreRejectedWhenParsing) {
  for (const char* bad : {"a..b == 1", "a[ == 1", "a. == 1", "[] == 1"}) {
    ParseResult r = parseScenario(std::string("expect ") + bad, "s");
    EXPECT_FALSE(r.ok()) << bad;
  }
}

TEST(ExpectEvaluation, BadUtf8InTheSnapshotDoesNotThrow) {
  json snapshot = {{"name", std::string("caf\xC3", 4)}};
  EXPECT_NO_THROW(compactJson(snapshot));
}

Scene lockScene() {
  Scene scene;
  scene.caption = "lock screen & <test>";
  scene.width = 375;
  scene.height = 667;
  SceneBackground bg;
  bg.label = "WUIDynamicWeatherBackground#7";
  bg.frame = {0, 0, 375, 667};
  bg.city = "Cupertino";
  bg.conditionCode = 32;
  bg.isDay = true;
  scene.backgrounds.push_back(bg);
  scene.time = SceneText{{0, 60, 375, 80}, "9:41", 0.5, false};
  scene.date = SceneText{{0, 140, 375, 20}, "Monday", 1, true};
  return scene;
}

TEST(SvgPicture, DrawsTheScreenAtTheDeviceSizeWithTheBackgroundAndItsCondition) {
  std::string svg = renderSvg(lockScene());
  EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
  EXPECT_NE(svg.find("<rect x=\"0\" y=\"0\" width=\"375\" height=\"667\""), std::string::npos);
  EXPECT_NE(svg.find("sunny, day — Cupertino"), std::string::npos);
  EXPECT_NE(svg.find("lock screen &amp; &lt;test&gt;"), std::string::npos);
  EXPECT_EQ(svg.find("<test>"), std::string::npos);
  // The time fades with its alpha; the hidden date is not drawn, only noted among the
  // annotations, which the file keeps switched off.
  EXPECT_NE(svg.find("<g class=\"clock\" opacity=\"0.5\"><text x=\"187.5\""), std::string::npos)
      << svg;
  EXPECT_NE(svg.find(">9:41<"), std::string::npos);
  EXPECT_EQ(svg.find(">Monday<"), std::string::npos);
  std::size_t annotations = svg.find("<g class=\"annotations\" display=\"none\">");
  ASSERT_NE(annotations, std::string::npos);
  EXPECT_GT(svg.find(">date hidden<"), annotations);
  EXPECT_GT(svg.find("sunny, day — Cupertino"), annotations);
}

TEST(SvgPicture, NightAndDayUseDifferentPalettes) {
  Scene day = lockScene(), night = lockScene();
  night.backgrounds[0].isDay = false;
  night.backgrounds[0].conditionCode = 31;
  std::string a = renderSvg(day), b = renderSvg(night);
  EXPECT_NE(a.find("#2f7fd6"), std::string::npos);
  EXPECT_EQ(b.find("#2f7fd6"), std::string::npos);
  EXPECT_NE(b.find("clear (night), night"), std::string::npos);
}

TEST(SvgPicture, DrawsTheHeaderTextsAndTheAlert) {
  Scene scene = lockScene();
  scene.header =
      SceneHeader{{20, 300, 200, 60}, "21°", "24°", "12°", "Cupertino", "sunny", 1, false};
  scene.alert = SceneAlert{"No local city available", "line one\nline two", {"OK"}};
  std::string svg = renderSvg(scene);
  EXPECT_NE(svg.find(">21°<"), std::string::npos);
  EXPECT_NE(svg.find("H 24°  L 12°"), std::string::npos);
  EXPECT_NE(svg.find("No local city available"), std::string::npos);
  EXPECT_NE(svg.find(">OK<"), std::string::npos);
  EXPECT_NE(svg.find(">line two<"), std::string::npos);
  EXPECT_NE(svg.find(">image sunny<"), std::string::npos);
}

TEST(SvgPicture, AHeaderWithoutHighAndLowShowsNoEmptyHighLowLine) {
  Scene scene = lockScene();
  scene.header = SceneHeader{{20, 300, 200, 60}, "4°", "", "", "", "", 1, false};
  std::string svg = renderSvg(scene);
  EXPECT_NE(svg.find(">4°<"), std::string::npos);
  EXPECT_EQ(svg.find(">H "), std::string::npos);
  EXPECT_EQ(svg.find(">image "), std::string::npos);
}

TEST(SvgPicture, ABackgroundLargerThanTheScreenIsCaptionedWhereItShows) {
  Scene scene = lockScene();
  scene.width = 736;
  scene.height = 414;
  scene.backgrounds[0].frame = {0, -286.22, 736, 1308.44};
  std::string svg = renderSvg(scene);
  // The caption sits 30 points above the screen's bottom edge, not below the screen.
  EXPECT_NE(svg.find("<text x=\"8\" y=\"384\" font-size=\"13\""), std::string::npos) << svg;
}

TEST(SvgPicture, NonFiniteFramesAreDrawnAtZeroAndFlagged) {
  Scene scene = lockScene();
  scene.backgrounds[0].frame.width = std::nan("");
  std::string svg = renderSvg(scene);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
  EXPECT_NE(svg.find("not finite"), std::string::npos);
}

TEST(SvgPicture, ConditionNamesCoverTheCatalogueAndNameOthersByNumber) {
  EXPECT_EQ(conditionName(0), "tornado");
  EXPECT_EQ(conditionName(47), "isolated thundershowers");
  EXPECT_EQ(conditionName(48), "condition 48");
  EXPECT_EQ(conditionName(-1), "condition -1");
}

}  // namespace
}  // namespace nimsim
