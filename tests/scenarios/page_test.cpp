// The run's page and the phone-like pictures: weather families, scaling, escaping.
#include <gtest/gtest.h>

#include <set>

#include "simulator/page.h"
#include "simulator/picture.h"
#include "simulator/sky.h"

namespace nimsim {
namespace {

TEST(WeatherFamilies, EveryConditionCodeIsDrawnAsOneOfEightDistinctSkies) {
  std::set<WeatherFamily> used;
  for (long long code = 0; code < 48; ++code) used.insert(weatherFamily(code));
  EXPECT_EQ(used.size(), 8u);
  const std::pair<long long, WeatherFamily> samples[] = {
      {32, WeatherFamily::clear}, {30, WeatherFamily::partlyCloudy}, {26, WeatherFamily::cloudy},
      {12, WeatherFamily::rain},  {16, WeatherFamily::snow},         {4, WeatherFamily::storm},
      {20, WeatherFamily::fog},   {24, WeatherFamily::wind},         {48, WeatherFamily::cloudy},
      {-1, WeatherFamily::cloudy}};
  for (auto [code, family] : samples) EXPECT_EQ(weatherFamily(code), family) << code;
  std::set<std::string> skies;
  for (WeatherFamily family : used)
    for (bool day : {true, false}) skies.insert(drawSky(family, day, 667, "p-"));
  EXPECT_EQ(skies.size(), 16u);
  EXPECT_NE(drawSky(WeatherFamily::clear, true, 667, "p-").find("class=\"sun\""),
            std::string::npos);
  EXPECT_NE(drawSky(WeatherFamily::clear, false, 667, "p-").find("class=\"moon\""),
            std::string::npos);
}

Scene sceneWithBackground(Box frame) {
  Scene scene;
  scene.width = 736;
  scene.height = 414;
  SceneBackground bg;
  bg.frame = frame;
  bg.city = "Cupertino";
  bg.conditionCode = 12;
  scene.backgrounds.push_back(bg);
  return scene;
}

TEST(SvgPicture, TheSkyIsScaledAndPlacedAsTheBackgroundsFrame) {
  std::string svg = renderSvg(sceneWithBackground({0, -286.22, 736, 1308.44}), "p2-");
  EXPECT_NE(svg.find("<rect x=\"0\" y=\"-286.22\" width=\"736\" height=\"1308.44\"/></clipPath>"),
            std::string::npos)
      << svg;
  EXPECT_NE(svg.find("transform=\"translate(0 -286.22) scale(1.96)\""), std::string::npos);
  EXPECT_NE(svg.find("data-family=\"rain\""), std::string::npos);
  EXPECT_NE(svg.find("id=\"p2-screen\""), std::string::npos);
  EXPECT_EQ(svg.find("class=\"icon\""), std::string::npos);
}

TEST(SvgPicture, TheHomeScreenHasIconsAndTheHeaderItsConditionGlyph) {
  Scene scene = sceneWithBackground({0, 0, 375, 667});
  scene.homeScreen = true;
  scene.header = SceneHeader{{20, 300, 200, 60}, "9°", "", "", "", "rain-nc", 1, false, 12, false};
  std::string svg = renderSvg(scene);
  EXPECT_NE(svg.find("class=\"icon\""), std::string::npos);
  EXPECT_NE(svg.find("<g class=\"glyph\""), std::string::npos);
}

TEST(Escaping, MarkupIsEscapedAndInvalidUtf8Replaced) {
  EXPECT_EQ(escapeXml("<b>&\"'"), "&lt;b&gt;&amp;&quot;&apos;");
  EXPECT_EQ(escapeXml("Zürich \xE2\x98\x80"), "Zürich \xE2\x98\x80");
  EXPECT_EQ(escapeXml(std::string("caf\xC3", 4) + "\xED\xA0\x80"),
            "caf\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

RunReport failedRun() {
  RunReport report;
  report.scenario = "<x>.scn";
  report.exitStatus = 1;
  PageStep step;
  step.line = 4;
  step.source = "note \"<script>alert(1)</script>\"";
  step.trace.push_back({"0.000s", "hook", "replaced <b>"});
  step.expectations.push_back({"a == 1", false, "== 1", "2"});
  report.steps.push_back(step);
  report.notRun.push_back({5, "lock"});
  report.finalState = {{"addon", {{"city", {{"name", "Cupertino"}}}}}};
  return report;
}

TEST(RunPage, EscapesWhatTheScenarioWroteAndLinksTheFailureFromTheTop) {
  std::string page = renderPage(failedRun());
  EXPECT_EQ(page.find("<script>alert"), std::string::npos);
  EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(page.find("replaced &lt;b&gt;"), std::string::npos);
  EXPECT_NE(page.find("<a class=\"failure-link\" href=\"#expect-4\">line 4: expect a == 1</a>"),
            std::string::npos);
  EXPECT_NE(page.find("<li class=\"expectation failed\" id=\"expect-4\">"), std::string::npos);
  EXPECT_NE(page.find("<li>line 5: lock</li>"), std::string::npos);
  EXPECT_NE(page.find("<span class=\"key\">name</span>: &quot;Cupertino&quot;"), std::string::npos);
  EXPECT_EQ(page.find(" src="), std::string::npos);
}

TEST(RunPage, AStoppedStepShowsItsErrorLinkedFromTheTop) {
  RunReport report = failedRun();
  report.steps[0].expectations.clear();
  report.steps[0].error = "s.scn:4: error: <no such view>";
  std::string page = renderPage(report);
  EXPECT_NE(page.find("<li class=\"step stopped\" id=\"step-4\""), std::string::npos);
  EXPECT_NE(page.find("<div class=\"error\" id=\"error\">s.scn:4: error: &lt;no such view&gt;"),
            std::string::npos);
  EXPECT_NE(page.find("href=\"#error\""), std::string::npos);
}

}  // namespace
}  // namespace nimsim
