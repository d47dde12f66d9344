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
  void setProfile(const std::string& name) override { log("profile " + name); }
  void setCustomScreen(double, double, double, double) override { log("custom"); }
  void setClassPresent(const std::string& n, bool p) override {
    log("class " + n + (p ? " +" : " -"));
  }
  void setClassLate(const std::string& n, bool l) override { log("late " + n + (l ? " +" : " -")); }
  void setDateViewMethod(const std::string& n, bool) override { log("method " + n); }
  void setMethodPresent(const std::string& c, const std::string& n, bool) override {
    log("method " + c + " " + n);
  }
  void setPlatterHeader(const std::string& answer) override { log("header-view " + answer); }
  void setHome(const std::string& p) override { log("home " + p); }
  void setSeed(std::uint32_t s) override { log("seed " + std::to_string(s)); }
  void boot(const std::string& bundle, const std::vector<std::string>& args) override {
    booted_ = true;
    ++generation_;
    log("boot " + bundle + " " + std::to_string(args.size()));
  }
  void respring() override { log("respring"); }
  bool booted() const override { return booted_; }
  int generation() const override { return generation_; }
  void setPreference(const std::string& k, const host::Value& v) override {
    log("pref " + k + (v.is<bool>() ? " bool" : v.is<std::int64_t>() ? " int" : " other"));
  }
  void deletePreference(const std::string& k) override { log("delete " + k); }
  void clearPreferences() override { log("clear"); }
  void setPlistKey(const std::string& p, const std::string& k, const host::Value&) override {
    log("plist " + p + " " + k);
  }
  void deletePlistKey(const std::string&, const std::string&) override { log("plist delete"); }
  void setPlistBinary(const std::string&, bool b) override { log(b ? "binary" : "xml"); }
  void writeFile(const std::string& p, const std::string&) override { log("write " + p); }
  void appendFile(const std::string& p, const std::string&, std::size_t times) override {
    log("append " + p + " " + std::to_string(times));
  }
  void deleteFile(const std::string& p) override { log("rm " + p); }
  void createFolder(const std::string& p) override { log("mkdir " + p); }
  void removeFolder(const std::string& p) override { log("rmdir " + p); }
  void failNextWrite(sim::WriteFault f) override {
    log(std::string("fail write ") + (f == sim::WriteFault::noSpace         ? "noSpace"
                                      : f == sim::WriteFault::renameRefused ? "renameRefused"
                                                                            : "temporaryFile"));
  }
  void setLocalCity(LocalCity a, const CitySetup& c) override {
    log("local " + c.name + (a == LocalCity::onceAppOpens ? " on-open" : ""));
  }
  void addSavedCity(const std::optional<CitySetup>& c) override {
    log("saved " + (c ? c->name : std::string("invalid")));
  }
  void setSavedCities(bool present) override { log(present ? "cities empty" : "cities missing"); }
  void setCelsius(bool c) override { log(c ? "celsius" : "fahrenheit"); }
  void openWeatherApp() override { log("open app"); }
  void queueUpdate(const UpdateSetup& u) override { log(u.error ? "update error" : "update ok"); }
  void postNotification(const std::string& n) override { log("post " + n); }
  void setNotifyState(const std::string& n, std::uint64_t s) override {
    log("state " + n + " " + std::to_string(s));
  }
  void failNotify(const std::string& c, std::uint32_t s) override {
    log("fail " + c + " " + std::to_string(s));
  }
  void requestDateView() override {
    log("dateView");
    if (crashOnDateView) throw host::PlatformException("NSInvalidArgumentException", "boom");
  }
  void finishUnlock() override { log("unlock"); }
  void requestContentView(std::optional<std::size_t> i) override {
    log("contentView " + (i ? std::to_string(*i) : std::string("all")));
  }
  void layoutWallpaper() override { log("layout"); }
  void rotate(bool l) override { log(l ? "landscape" : "portrait"); }
  bool askAllowsParallax() override {
    log("parallax");
    return true;
  }
  std::optional<std::string> assetName(std::int64_t, bool) override { return std::nullopt; }
  void dismissAlert() override { log("dismiss"); }
  void setAsset(std::int64_t c, bool day, std::optional<std::string> name) override {
    log("asset " + std::to_string(c) + (day ? " day " : " night ") + name.value_or("none"));
  }
  void setConditionImage(const std::string& n, bool p) override {
    log("image " + n + (p ? " +" : " -"));
  }
  void raiseAtNextBind() override { log("raise at bind"); }
  void raiseAtNextContentView() override { log("raise at content view"); }
  void setTimeLabelAlpha(double a) override { log("time alpha " + std::to_string(a)); }
  void moveView(const std::string& v, std::optional<std::size_t> i, double x, double y) override {
    log("move " + v + (i ? " " + std::to_string(*i) : "") + " " + std::to_string(int(x)) + " " +
        std::to_string(int(y)));
  }
  void scrollView(const std::string& v, std::optional<std::size_t> i, double x, double y) override {
    log("scroll " + v + (i ? " " + std::to_string(*i) : "") + " " + std::to_string(int(x)) + " " +
        std::to_string(int(y)));
  }
  void embedWallpaperWindow() override { log("embed"); }
  void loadLateFrameworks() override { log("frameworks"); }
  void rebuildDateView() override { log("rebuild"); }
  void addToDateView(const std::string& c) override { log("add " + c); }
  void scriptRandom(const std::vector<std::uint32_t>& values) override {
    std::string line = "random";
    for (auto v : values) line += " " + std::to_string(v);
    log(line);
  }
  void advance(double s) override {
    if (s > eventLimitSeconds) throw SimulationLimit("too many events");
    clock_ += s;
    log("advance " + std::to_string(static_cast<int>(s)));
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
  std::vector<std::string> expected = {"pref enabled bool",
                                       "boot com.apple.springboard 1",
                                       "post com.apple.springboard.lockcomplete",
                                       "state com.apple.iokit.hid.displayStatus 0",
                                       "post com.apple.iokit.hid.displayStatus",
                                       "state com.apple.iokit.hid.displayStatus 1",
                                       "post com.apple.iokit.hid.displayStatus",
                                       "dateView",
                                       "unlock",
                                       "contentView all",
                                       "layout"};
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
  EXPECT_EQ(world.calls.back(), "dateView");
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
  std::vector<std::string> expected = {"asset 26 day none",
                                       "asset 27 night mostly-cloudy-night@2x-667h",
                                       "asset 0 day x.png",
                                       "image cloudy-nc -",
                                       "image cloudy-nc +",
                                       "boot com.apple.springboard 1",
                                       "random 12 1 0",
                                       "time alpha 0.250000",
                                       "move date-view -12 30",
                                       "move host 1 5 -6",
                                       "scroll date-container 0 40",
                                       "scroll host 0 7 8",
                                       "embed",
                                       "scroll window-grandparent 3 4",
                                       "rebuild",
                                       "add WUIDynamicWeatherBackgroundSubclass"};
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

TEST(ScenarioRunner, AFileWriteFaultBootsTheShellAndReachesTheWorldAsItsFault) {
  ScriptedWorld world;
  RunOutcome r = run(world,
                     "file fail-next-write no-space\nfile fail-next-write rename\n"
                     "file fail-next-write temp-file\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
  std::vector<std::string> expected = {"boot com.apple.springboard 1", "fail write noSpace",
                                       "fail write renameRefused", "fail write temporaryFile"};
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
