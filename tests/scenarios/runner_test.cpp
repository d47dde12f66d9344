// The runner's own rules, on a scripted world: order, implicit boot, exit statuses, limits.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "host/object.h"
#include "simulator/parser.h"
#include "simulator/runner.h"

namespace nimsim {
namespace {

using nlohmann::json;

// Writes every call it gets into a list and into its record, so a test sees the order.
class ScriptedWorld : public World {
 public:
  ScriptedWorld() : record_([this] { return clock_; }) {}

  std::vector<std::string> calls;
  json state = json::object();
  double clock_ = 1000;
  bool crashOnDateView = false;
  double eventLimitSeconds = 1e18;

  void log(const std::string& call) {
    calls.push_back(call);
    if (booted_) record_.add("shell", call);
  }

  void checkProfile(const std::string& name) override {
    if (name != "iphone-6") throw BadDeviceSetup("no device profile \"" + name + "\"");
  }
  void setSeed(std::uint32_t s) override { log("seed " + std::to_string(s)); }
  void boot(const std::string& bundle, const std::vector<std::string>& args) override {
    booted_ = true;
    ++generation_;
    log("boot " + bundle + " " + std::to_string(args.size()));
  }
  bool booted() const override { return booted_; }
  int generation() const override { return generation_; }
  // Each command as it arrived: its keywords and its arguments as written.
  void perform(const Statement& s) override {
    if (s.id == Command::bootShell) return boot(kShellBundle, {kShellExecutable});
    std::string line = s.command;
    for (const Arg& a : s.args) line += " " + a.text;
    log(line);
    if (crashOnDateView && s.id == Command::shellDateView)
      throw host::PlatformException("NSInvalidArgumentException", "boom");
    if (s.id != Command::advance) return;
    if (s.args[0].number > eventLimitSeconds) throw SimulationLimit("too many events");
    clock_ += s.args[0].number;
  }
  void setPreference(const std::string& k, const host::Value& v) override {
    log("pref " + k + (v.is<bool>() ? " bool" : v.is<std::int64_t>() ? " int" : " other"));
  }
  void postNotification(const std::string& n) override { log("post " + n); }
  void setNotifyState(const std::string& n, std::uint64_t s) override {
    log("state " + n + " " + std::to_string(s));
  }
  double now() const override { return clock_; }
  const sim::Record* record() const override { return booted_ ? &record_ : nullptr; }
  json snapshot(double) override { return state; }
  std::string showText(const std::string& what, double) override { return "show " + what + "\n"; }

 private:
  bool booted_ = false;
  int generation_ = 0;
  sim::Record record_;
};

struct RunOutcome {
  int status;
  std::string out, err;
};

RunOutcome run(ScriptedWorld& world, const std::string& text, RunOptions options = {}) {
  ParseResult parsed = parseScenario(text, "s.scn");
  EXPECT_TRUE(parsed.ok()) << (parsed.ok() ? "" : parsed.errors[0].format());
  std::ostringstream out, err;
  int status = runScenario(parsed.script, world, options, out, err);
  return {status, out.str(), err.str()};
}

TEST(ScenarioRunner, SetUpRunsBeforeTheImplicitBootAndCompoundCommandsExpandInOrder) {
  ScriptedWorld world;
  RunOutcome r = run(world, "settings set enabled bool true\nlock\nwake\nunlock\n");
  EXPECT_EQ(r.status, exitStatus::ok);
  std::vector<std::string> expected = {"settings set enabled bool true",
                                       "boot com.apple.springboard 1",
                                       "post com.apple.springboard.lockcomplete",
                                       "state com.apple.iokit.hid.displayStatus 0",
                                       "post com.apple.iokit.hid.displayStatus",
                                       "state com.apple.iokit.hid.displayStatus 1",
                                       "post com.apple.iokit.hid.displayStatus",
                                       "shell date-view",
                                       "shell unlock",
                                       "shell content-view",
                                       "shell layout"};
  EXPECT_EQ(world.calls, expected);
  EXPECT_NE(r.out.find("line 2: lock\n"), std::string::npos);
  EXPECT_NE(r.out.find("shell        post com.apple.springboard.lockcomplete"), std::string::npos);
}

// The pane's taps reach the world only as a preference write and the notification, computed
// from what the world's domain holds (or the pane's default), and its picture shows that too.
TEST(ScenarioRunner, PaneTapsWriteTheDomainThenPostTheCellsNotification) {
  ScriptedWorld world;
  world.state = {{"settings", {{"hideTimeDate", true}}},
                 {"device", {{"profile", "iphone-6"}, {"screen", {{"width", 375}}}}}};
  RunOptions options;
  options.outDir = testing::TempDir() + "nimsim-runner-pane";
  RunOutcome r = run(world,
                     "settings toggle hideTimeDate\nsettings toggle enabled\n"
                     "settings choose customWeather sunny\nsettings slide updateInterval 300\n"
                     "picture pane settings-pane\n",
                     options);
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
  const std::string post = "post be.quorvane.nimbrel/preferences.changed";
  EXPECT_EQ(world.calls,
            (std::vector<std::string>{"boot com.apple.springboard 1", "pref hideTimeDate bool",
                                      post, "pref enabled bool", post, "pref customWeather int",
                                      post, "pref updateInterval other", post}));
  for (const char* line : {"settings     Hide Time and Date switched off (hideTimeDate = false)",
                           "Weather on Lock Screen switched off (enabled = false)",
                           "Custom Weather set to Sunny (customWeather = 33)",
                           "Update Interval (seconds) slider moved to 300 (updateInterval)"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << " not in\n" << r.out;
  std::ifstream picture(options.outDir + "/pane.svg");
  std::stringstream svg;
  svg << picture.rdbuf();
  EXPECT_NE(svg.str().find("data-key=\"hideTimeDate\"><rect"), std::string::npos);
  const std::string cell = svg.str().substr(svg.str().find("data-key=\"hideTimeDate\""), 600);
  EXPECT_NE(cell.find("class=\"switch on\""), std::string::npos) << cell;
  EXPECT_NE(svg.str().find("settings pane · iphone-6 · t=0.000s"), std::string::npos);
}

TEST(ScenarioRunner, AFailingExpectStopsWithStatusOneNamingTheLineAndBothValues) {
  ScriptedWorld world;
  world.state = {{"addon", {{"alertShown", false}}}};
  RunOutcome r = run(world,
                     "boot shell\nexpect addon.alertShown == false\nexpect addon.alertShown == "
                     "true\nlock\n");
  EXPECT_EQ(r.status, exitStatus::expectFailed);
  EXPECT_NE(r.err.find("s.scn:3: expect failed: addon.alertShown"), std::string::npos);
  EXPECT_NE(r.err.find("expected: == true"), std::string::npos);
  EXPECT_NE(r.err.find("actual:   false"), std::string::npos);
  EXPECT_EQ(world.calls.back(), "boot com.apple.springboard 1");
}

TEST(ScenarioRunner, APlatformExceptionIsAShellCrashWithItsMessageAndLine) {
  ScriptedWorld world;
  world.crashOnDateView = true;
  RunOutcome r = run(world, "lock\nwake\nunlock\n");
  EXPECT_EQ(r.status, exitStatus::shellCrash);
  EXPECT_NE(r.err.find("shell crash at s.scn:2 (wake): NSInvalidArgumentException: boom"),
            std::string::npos);
  EXPECT_EQ(world.calls.back(), "shell date-view");
}

TEST(ScenarioRunner, AnUnknownProfileStopsBeforeAnythingRuns) {
  ScriptedWorld world;
  RunOutcome r = run(world, "lock\ndevice \"iphone-99\"\n");
  EXPECT_EQ(r.status, exitStatus::badInput);
  EXPECT_TRUE(world.calls.empty());
  EXPECT_NE(r.err.find("s.scn:2:8: error: no device profile"), std::string::npos);
}

TEST(ScenarioRunner, LimitsStopTheRunWithStatusFour) {
  ScriptedWorld world;
  world.eventLimitSeconds = 10;
  EXPECT_EQ(run(world, "advance 11s\nlock\n").status, exitStatus::limit);
  ScriptedWorld patient;
  RunOutcome r = run(patient, "advance 300d\nadvance 101d\n");
  EXPECT_EQ(r.status, exitStatus::limit);
  EXPECT_NE(r.err.find("400 days"), std::string::npos);
}

TEST(ScenarioRunner, NewCommandsReachTheWorldWithTheirArguments) {
  ScriptedWorld world;
  RunOutcome r = run(world,
                     "weather asset remove 26 day\nweather asset add 27 night\n"
                     "weather asset add 0 day \"x.png\"\nweather image remove \"cloudy-nc\"\n"
                     "weather image add \"cloudy-nc\"\nrandom next 12 1 0\n"
                     "shell time-label alpha 0.25\nshell move date-view -12 30\n"
                     "shell move host 1 5 -6\nshell scroll date-container 0 40\n"
                     "shell scroll host 0 7 8\nshell embed wallpaper-window\n"
                     "shell scroll window-grandparent 3 4\nshell rebuild date-view\n"
                     "shell date-view add WUIDynamicWeatherBackgroundSubclass\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
  std::vector<std::string> expected = {"weather asset remove 26 day",
                                       "weather asset add 27 night",
                                       "weather asset add 0 day x.png",
                                       "weather image remove cloudy-nc",
                                       "weather image add cloudy-nc",
                                       "boot com.apple.springboard 1",
                                       "random next 12 1 0",
                                       "shell time-label alpha 0.25",
                                       "shell move date-view -12 30",
                                       "shell move host 1 5 -6",
                                       "shell scroll date-container 0 40",
                                       "shell scroll host 0 7 8",
                                       "shell embed wallpaper-window",
                                       "shell scroll window-grandparent 3 4",
                                       "shell rebuild date-view",
                                       "shell date-view add WUIDynamicWeatherBackgroundSubclass"};
  EXPECT_EQ(world.calls, expected);
}

TEST(ScenarioRunner, TheCommandLineSeedWinsOverTheScenarios) {
  ScriptedWorld world;
  RunOptions options;
  options.seed = 7;
  run(world, "seed 3\n", options);
  EXPECT_EQ(world.calls, std::vector<std::string>{"seed 7"});
}

TEST(ScenarioRunner, JsonModePrintsOneDocumentWithTraceShowsAndExit) {
  ScriptedWorld world;
  world.state = {{"timers", json::array()}};
  RunOptions options;
  options.json = true;
  RunOutcome r = run(world, "lock\nnote \"hello\"\nshow timers\n", options);
  json doc = json::parse(r.out);
  EXPECT_EQ(doc["exit"], 0);
  EXPECT_EQ(doc["shows"][0]["line"], 3);
  EXPECT_EQ(doc["shows"][0]["snapshot"], json::array());
  EXPECT_EQ(doc["trace"].back()["text"], "hello");
  EXPECT_EQ(doc["trace"][0]["line"], 1);
}

TEST(ScenarioRunner, TraceLinesAreVisibleToExpect) {
  ScriptedWorld world;
  RunOutcome r = run(world,
                     "lock\nexpect trace contains \"post com.apple.springboard.lockcomplete\"\n"
                     "expect trace excludes \"dateView\"\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
}

TEST(ScenarioRunner, AFileWriteFaultBootsTheShellAndReachesTheWorldAsWritten) {
  ScriptedWorld world;
  RunOutcome r = run(world,
                     "file fail-next-write no-space\nfile fail-next-write rename\n"
                     "file fail-next-write temp-file\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
  std::vector<std::string> expected = {
      "boot com.apple.springboard 1", "file fail-next-write no-space",
      "file fail-next-write rename", "file fail-next-write temp-file"};
  EXPECT_EQ(world.calls, expected);
}

TEST(ScenarioRunner, AStoppedRunStillWritesItsPageUpToTheStopAndSaysWhere) {
  ScriptedWorld world;
  world.state = {{"addon", {{"alertShown", false}}}};
  RunOptions options;
  options.page = true;
  options.outDir = testing::TempDir() + "nimsim-runner-page";
  RunOutcome r = run(world, "lock\nexpect addon.alertShown == true\nunlock\n", options);
  EXPECT_EQ(r.status, exitStatus::expectFailed);
  EXPECT_NE(r.out.find("page: " + options.outDir + "/index.html\n"), std::string::npos) << r.out;
  std::ifstream in(options.outDir + "/index.html");
  std::stringstream page;
  page << in.rdbuf();
  EXPECT_NE(page.str().find("<li class=\"expectation failed\" id=\"expect-2\">"),
            std::string::npos);
  EXPECT_NE(page.str().find("post com.apple.springboard.lockcomplete</li>"), std::string::npos);
  EXPECT_NE(page.str().find("<li>line 3: unlock</li>"), std::string::npos);
}

TEST(ScenarioRunner, APageThatCannotBeWrittenFailsARunThatWouldHaveSucceeded) {
  ScriptedWorld world;
  RunOptions options;
  options.page = true;
  options.outDir = testing::TempDir() + "nimsim-page-blocker";
  std::ofstream(options.outDir) << "a file where the folder should be";
  RunOutcome r = run(world, "lock\n", options);
  EXPECT_EQ(r.status, exitStatus::badInput);
  EXPECT_NE(r.err.find("cannot write the page"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace nimsim
