// The default scenario and every example, run on the simulated platform and on the real
// Objective-C runtime, give the same run: the same exit status and error (so the same
// expectations held), the same trace line by line, the same shows and pictures, and the same
// final state, apart from what must differ (simulator/compare.h). Any other difference is
// listed, with its cause, in docs/device.md's table of differences between the platforms, or
// the test fails; so does a listed one that went away.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "simulator/compare.h"
#include "simulator/default_scenario.h"
#include "simulator/objc_world.h"
#include "simulator/parser.h"
#include "simulator/runner.h"
#include "simulator/sim_world.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct Scenario {
  std::string name;
  std::string text;
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

std::vector<Scenario> scenarios() {
  std::vector<Scenario> all;
  for (auto [name, text] : nimsim::defaultAndExamples(NIMBREL_EXAMPLES_DIR)) {
    for (char& c : name)
      if (c == '-') c = '_';
    all.push_back({name, text});
  }
  return all;
}

// The listed differences by scenario: rows "| `scenario` | `/pointer` | cause |" of the table
// under "## Differences between the platforms" in docs/device.md. A row of another form is kept
// whole under "", which names no scenario, so that it fails rather than being passed over.
std::map<std::string, std::set<std::string>> listedDifferences() {
  std::ifstream in(NIMBREL_DEVICE_DOC);
  std::map<std::string, std::set<std::string>> listed;
  bool inTable = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("## ")) inTable = line == "## Differences between the platforms";
    if (!inTable || !line.starts_with("|") || line.starts_with("|---") ||
        line == "| scenario | where | cause |")
      continue;
    // "| `scenario` | `/pointer` | cause |": the quoted pieces are the 2nd and 4th parts.
    std::vector<std::string> parts;
    std::stringstream row(line);
    for (std::string part; std::getline(row, part, '`');) parts.push_back(part);
    if (parts.size() > 4 && parts[0] == "| " && parts[2] == " | " && parts[4].starts_with(" | "))
      listed[parts[1]].insert(parts[3]);
    else
      listed[""].insert(line);
  }
  return listed;
}

class BothPlatforms : public ::testing::TestWithParam<Scenario> {};

TEST_P(BothPlatforms, GiveTheSameRunApartFromTheListedDifferences) {
  const Scenario& scenario = GetParam();
  nimsim::ParseResult parsed = nimsim::parseScenario(scenario.text, scenario.name);
  ASSERT_TRUE(parsed.ok()) << scenario.name;
  const fs::path out = fs::temp_directory_path() /
                       ("nimbrel-platforms-" + scenario.name + "-" + std::to_string(::getpid()));
  const std::vector<nimsim::RunDifference> found =
      nimsim::compareOnPlatforms(parsed.script, nimsim::defaultObjcPaths(), out.string());
  fs::remove_all(out);

  const std::set<std::string> listed = listedDifferences()[scenario.name];
  std::set<std::string> pointers;
  for (const nimsim::RunDifference& d : found) {
    pointers.insert(d.pointer);
    EXPECT_TRUE(listed.count(d.pointer))
        << scenario.name << ": not listed: " << d.pointer << "\n  sim:  " << d.sim.dump()
        << "\n  objc: " << d.objc.dump();
  }
  for (const std::string& pointer : listed)
    EXPECT_TRUE(pointers.count(pointer)) << scenario.name << ": listed but gone: " << pointer;
}

// A listed difference of a scenario that no longer runs (renamed, removed), or a row the test
// cannot read, would never be checked: each names a scenario that runs.
TEST(ObjcPlatform, EveryListedDifferenceNamesAScenarioThatRuns) {
  std::set<std::string> run;
  for (const Scenario& scenario : scenarios()) run.insert(scenario.name);
  for (const auto& [scenario, pointers] : listedDifferences())
    EXPECT_TRUE(run.count(scenario))
        << "no such scenario: \"" << scenario << "\", listing " << *pointers.begin();
}

// Without its shell process or the add-on library the platform cannot start: said at once,
// naming what is missing and where it was looked for.
TEST(ObjcPlatform, AMissingShellProcessOrLibraryIsSaidByPath) {
  const nimsim::ObjcPaths real = nimsim::defaultObjcPaths();
  for (const nimsim::ObjcPaths& paths :
       {nimsim::ObjcPaths{"/nowhere/nimsim-objc-shell", real.library},
        nimsim::ObjcPaths{real.shell, "/nowhere/libnimbrel_objc.so"}}) {
    const std::string missing = paths.shell != real.shell ? paths.shell : paths.library;
    try {
      nimsim::makeObjcWorld(paths);
      ADD_FAILURE() << "made a world without " << missing;
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
  }
}

int run(const std::string& text, const nimsim::ObjcPaths& paths, std::string& said) {
  nimsim::ParseResult parsed = nimsim::parseScenario(text, "run.scn");
  EXPECT_TRUE(parsed.ok());
  std::ostringstream out;
  auto world = nimsim::makeObjcWorld(paths);
  const int status = nimsim::runScenario(parsed.script, *world, {}, out, out);
  said = out.str();
  return status;
}

// Shell processes are forked from one template per simulator process: one that crashes is a
// shell crash named by its signal, and the template goes on to boot the next worlds afresh:
// each loads the add-on and installs its hooks again, tracing the same run. One that hangs is
// a shell crash once it has answered nothing in time, killed with its template.
TEST(ObjcPlatform, ACrashedOrHungShellProcessIsAShellCrashAndTheNextBootStartsAfresh) {
  const nimsim::ObjcPaths real = nimsim::defaultObjcPaths();
  std::string said;
  EXPECT_EQ(run("boot shell\n", {real.shell, NIMBREL_CRASHING_ADDON}, said),
            nimsim::exitStatus::shellCrash);
  EXPECT_NE(said.find("SIGILL: the shell process ended without answering boot"), std::string::npos)
      << said;
  ::setenv("NIMSIM_SHELL_ANSWER_SECONDS", "3", 1);
  EXPECT_EQ(run("boot shell\n", {real.shell, NIMBREL_HANGING_ADDON}, said),
            nimsim::exitStatus::shellCrash);
  ::unsetenv("NIMSIM_SHELL_ANSWER_SECONDS");
  EXPECT_NE(said.find("no answer within 3 s: the shell process ended without answering boot"),
            std::string::npos)
      << said;
  const std::string twice =
      "boot shell\nexpect process.addonLoaded == true\nexpect process.generation == 1\n"
      "respring\nexpect process.addonLoaded == true\nexpect process.generation == 2\n";
  std::string again;
  EXPECT_EQ(run(twice, real, said), nimsim::exitStatus::ok) << said;
  EXPECT_EQ(run(twice, real, again), nimsim::exitStatus::ok) << again;
  EXPECT_NE(said.find("replaced -[SBLockScreenDateViewController dateView]"), std::string::npos);
  EXPECT_EQ(said, again);
}

// The processes the kernel lists as `pid`'s children, running or not yet waited for.
std::vector<pid_t> childrenOf(pid_t pid) {
  std::vector<pid_t> children;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
    std::ifstream listed(task.path() / "children");
    for (pid_t child; listed >> child;) children.push_back(child);
  }
  return children;
}

// A world's shell processes have all exited and been waited for once the world is gone: the
// template kept for the next world has no child left.
TEST(ObjcPlatform, NoShellProcessOutlivesItsWorld) {
  std::string said;
  ASSERT_EQ(run("boot shell\nrespring\nboot process com.example.other\nrespring\n",
                nimsim::defaultObjcPaths(), said),
            nimsim::exitStatus::ok)
      << said;
  const std::vector<pid_t> templates = childrenOf(::getpid());
  ASSERT_FALSE(templates.empty());
  for (pid_t kept : templates) EXPECT_EQ(childrenOf(kept), std::vector<pid_t>{}) << kept;
}

// What the snapshot says of the add-on is read from the library loaded: an add-on that exports
// only `alertShown` shows it, and the other eight symbols as missing.
TEST(ObjcPlatform, TheAddonsMissingSymbolsAreThoseTheLibraryDoesNotExport) {
  const nimsim::ObjcPaths real = nimsim::defaultObjcPaths();
  std::string said;
  EXPECT_EQ(run("boot shell\nexpect addon.alertShown == true\n"
                "expect addon.missingSymbols.length == 8\n"
                "expect addon.missingSymbols[0] == \"weatherView\"\n"
                "expect addon.missingSymbols[7] == \"weatherHeaderView\"\n"
                "expect addon.city == null\n",
                {real.shell, NIMBREL_BARE_ADDON}, said),
            nimsim::exitStatus::ok)
      << said;
  EXPECT_EQ(run("boot shell\nexpect addon.missingSymbols.length == 0\n", real, said),
            nimsim::exitStatus::ok)
      << said;
}

// The shell process fires a timer as the run loop does, not through -[NSTimer fire], which
// would catch and only log: an exception escaping a target that is not the add-on's is a shell
// crash at the step whose time reached the timer, named as the simulation names one, and the
// timer keeps the date it raised at, its next one set only after a callout that returned.
TEST(ObjcPlatform, AnExceptionEscapingATimersTargetIsAShellCrash) {
  nimsim::ParseResult parsed = nimsim::parseScenario("boot shell\nadvance 5s\n", "run.scn");
  ASSERT_TRUE(parsed.ok());
  const fs::path out = fs::temp_directory_path() / ("nimbrel-timer-" + std::to_string(::getpid()));
  auto world =
      nimsim::makeObjcWorld({nimsim::defaultObjcPaths().shell, NIMBREL_RAISING_TIMER_ADDON});
  const json run = nimsim::runDocument(parsed.script, *world, out.string());
  fs::remove_all(out);
  EXPECT_EQ(run["exit"], nimsim::exitStatus::shellCrash);
  EXPECT_EQ(run["error"],
            "shell crash at run.scn:2 (advance 5s): NSInternalInconsistencyException: The "
            "timer's target raised");
  const json& last = run["trace"].back();
  EXPECT_EQ(last["text"], "fired -[NBRaisingTimerTarget tick:]");
  EXPECT_EQ(last["time"], 1.0);
  EXPECT_EQ(run["final"]["timers"][0]["nextFire"], 1.0);
}

struct StoppedRun {
  const char* label;
  std::string script;
  int exit;
  std::string error;
};

void PrintTo(const StoppedRun& run, std::ostream* out) { *out << run.label; }

class StoppedOnBothPlatforms : public ::testing::TestWithParam<StoppedRun> {};

// A raise of the shell's own implementation that the add-on hands back to the shell, and a
// scripted draw no arc4random_uniform could answer, wherever it is drawn, stop the run alike on
// both platforms: the same status, error and trace.
TEST_P(StoppedOnBothPlatforms, WithTheSameStatusErrorAndTrace) {
  const StoppedRun& expected = GetParam();
  nimsim::ParseResult parsed = nimsim::parseScenario(expected.script, "run.scn");
  ASSERT_TRUE(parsed.ok());
  const fs::path out =
      fs::temp_directory_path() / ("nimbrel-stopped-" + std::to_string(::getpid()));
  const json sim = nimsim::runDocument(parsed.script, *nimsim::makeSimWorld(), out / "sim");
  const json objc = nimsim::runDocument(
      parsed.script, *nimsim::makeObjcWorld(nimsim::defaultObjcPaths()), out / "objc");
  fs::remove_all(out);
  EXPECT_EQ(sim["exit"], expected.exit);
  EXPECT_NE(sim["error"].get<std::string>().find(expected.error), std::string::npos)
      << sim["error"];
  for (const char* part : {"exit", "error", "trace"}) EXPECT_EQ(objc[part], sim[part]) << part;
}

const std::string kRandomAtLock =
    "settings set randomWeather bool true\nsettings set randomWeatherUnLock bool true\n"
    "boot shell\n";
const std::string kBadDraw =
    "error: the scripted random value 48 cannot come from arc4random_uniform(48)";

INSTANTIATE_TEST_SUITE_P(
    Runs, StoppedOnBothPlatforms,
    ::testing::Values(
        StoppedRun{"ARaiseInTheShellsOwnImplementationOfAReplacedMethod",
                   "settings set homescreenBackground bool true\n"
                   "weather local-city Lima lat=-12.05 lon=-77.04\nboot shell\nlock\nwake\n"
                   "shell content-view raise-next\nunlock\n",
                   nimsim::exitStatus::shellCrash,
                   "shell crash at run.scn:7 (unlock): NSInternalInconsistencyException: The "
                   "wallpaper view cannot answer its content view now"},
        StoppedRun{"ABadDrawInTheTimer",
                   "settings set randomWeather bool true\nboot shell\nlock\nwake\n"
                   "random next 48\nadvance 100s\n",
                   nimsim::exitStatus::badInput, kBadDraw},
        StoppedRun{"ABadDrawInAnObserver", kRandomAtLock + "random next 48\nshell lock-complete\n",
                   nimsim::exitStatus::badInput, kBadDraw},
        StoppedRun{"ABadDrawInAReplacedMethod",
                   kRandomAtLock + "lock\nwake\nrandom next 48\nshell unlock\n",
                   nimsim::exitStatus::badInput, kBadDraw}),
    [](const auto& info) { return std::string(info.param.label); });

// The run's page says which platform the run was played on, whatever the options say.
TEST(ObjcPlatform, ThePageNamesThePlatformThatRan) {
  nimsim::ParseResult parsed = nimsim::parseScenario("boot shell\nlock\nwake\n", "page.scn");
  ASSERT_TRUE(parsed.ok());
  struct Row {
    const char* ran;
    std::unique_ptr<nimsim::World> (*make)();
    const char* option;
  } rows[] = {
      {"objc", [] { return nimsim::makeObjcWorld(nimsim::defaultObjcPaths()); }, "sim"},
      {"sim", [] { return nimsim::makeSimWorld(); }, "objc"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.ran);
    const fs::path out =
        fs::temp_directory_path() / ("nimbrel-page-" + std::to_string(::getpid()) + row.ran);
    nimsim::RunOptions options;
    options.outDir = out.string();
    options.page = true;
    options.platform = row.option;
    std::ostringstream text;
    auto world = row.make();
    EXPECT_EQ(nimsim::runScenario(parsed.script, *world, options, text, text), 0) << text.str();
    std::ifstream page(out / "index.html");
    std::stringstream html;
    html << page.rdbuf();
    fs::remove_all(out);
    EXPECT_NE(html.str().find("<dd id=\"platform\">" + std::string(row.ran) + "</dd>"),
              std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(DefaultAndExamples, BothPlatforms, ::testing::ValuesIn(scenarios()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
