// The scenario runner.
#include "simulator/runner.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <ostream>
#include <set>

#include "host/object.h"
#include "sim/process/process.h"
#include "simulator/expect.h"
#include "simulator/grammar.h"
#include "simulator/observe.h"
#include "simulator/page.h"
#include "simulator/picture.h"
#include "simulator/scene.h"
#include "simulator/settings_pane.h"
#include "simulator/trace.h"

namespace nimsim {
namespace {

using nlohmann::json;

constexpr const char* kSettingsChanged = "be.quorvane.nimbrel/preferences.changed";
constexpr const char* kFallbackFile = "/User/Library/Preferences/be.quorvane.nimbrel.plist";
constexpr const char* kShellBundle = "com.apple.springboard";
constexpr const char* kShellExecutable = "/System/Library/CoreServices/SpringBoard.app/SpringBoard";

// A failure that ends the run with a status; the message is already complete.
struct Stop {
  int status;
  std::string message;
};

std::vector<std::uint8_t> hexBytes(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

// The typed value written as TYPE [VALUE] from args[index].
host::Value typedValue(const Statement& s, std::size_t index) {
  const std::string& type = s.args[index].text;
  const Arg* v = s.args.size() > index + 1 ? &s.args[index + 1] : nullptr;
  if (type == "bool") return host::Value(v->flag);
  if (type == "int") return host::Value(static_cast<std::int64_t>(v->number));
  if (type == "real") return host::Value(v->number);
  if (type == "string") return host::Value(v->text);
  if (type == "date") return host::Value(host::Date{v->number});
  if (type == "data") return host::Value(host::Data{hexBytes(v->text)});
  if (type == "array") return host::Value(host::Array{});
  return host::Value(host::Dictionary{});
}

CitySetup citySetup(const Statement& s) {
  CitySetup city;
  city.name = s.args[0].text;
  if (auto a = s.option("lat")) city.latitude = a->number;
  if (auto a = s.option("lon")) city.longitude = a->number;
  if (auto a = s.option("condition")) city.conditionCode = static_cast<std::int64_t>(a->number);
  if (auto a = s.option("day")) city.isDay = a->flag;
  if (auto a = s.option("temp")) city.temperature = a->number;
  if (auto a = s.option("hourly")) city.hourly = *hourlyTemperatures(a->text);
  if (auto a = s.option("age")) city.age = a->number;
  return city;
}

bool needsProcess(const std::string& command) {
  static const std::set<std::string> none = {"device",
                                             "device custom",
                                             "device lacks class",
                                             "device late class",
                                             "device lacks method",
                                             "device header-view",
                                             "device has class",
                                             "device has method",
                                             "seed",
                                             "home",
                                             "boot shell",
                                             "boot process",
                                             "respring",
                                             "settings set",
                                             "settings delete",
                                             "settings clear",
                                             "fallback set",
                                             "fallback delete",
                                             "fallback remove",
                                             "fallback format",
                                             "plist set",
                                             "plist delete",
                                             "file write",
                                             "file append",
                                             "file delete",
                                             "folder create",
                                             "folder remove",
                                             "weather local-city",
                                             "weather saved-city",
                                             "weather saved-cities",
                                             "weather unit",
                                             "weather next-update",
                                             "weather asset remove",
                                             "weather asset add",
                                             "weather image remove",
                                             "weather image add",
                                             "note"};
  return !none.count(command);
}

// "1 step", "2 steps".
std::string counted(std::size_t n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

class Runner {
 public:
  Runner(const Script& script, World& world, const RunOptions& options, std::ostream& out,
         std::ostream& err)
      : script_(script), world_(world), options_(options), out_(out), err_(err) {
    report_.seed = std::to_string(sim::LaunchOptions{}.randomSeed) + " (the default)";
  }

  int run() {
    if (auto stop = preflight()) {
      report_.error = stop->message;
      return finish(*stop, 0);
    }
    start_ = world_.now();
    if (options_.seed) world_.setSeed(*options_.seed);
    report_.steps.reserve(script_.statements.size());
    for (std::size_t i = 0; i < script_.statements.size(); ++i) {
      const Statement& s = script_.statements[i];
      current_ = &s;
      PageStep& step = report_.steps.emplace_back();
      step.line = s.line;
      step.source = trimmed(s);
      if (!options_.json) out_ << formatStepLine(s) << "\n";
      std::optional<Stop> stop = execute(s);
      drainTrace();
      if (stop) {
        // A failed expect shows as the step's failed expectation; anything else as an error.
        if (stop->status != exitStatus::expectFailed) report_.steps.back().error = stop->message;
        return finish(*stop, i + 1);
      }
    }
    return finish({exitStatus::ok, ""}, script_.statements.size());
  }

 private:
  std::string where(const Statement& s) const {
    return script_.file + ":" + std::to_string(s.line);
  }

  // Checks what the parser cannot know (profile names) before anything runs.
  std::optional<Stop> preflight() {
    for (const Statement& s : script_.statements) {
      if (s.command != "device") continue;
      try {
        world_.checkProfile(s.args[0].text);
      } catch (const BadDeviceSetup& e) {
        return Stop{exitStatus::badInput,
                    where(s) + ":" + std::to_string(s.args[0].column) + ": error: " + e.what()};
      }
    }
    return std::nullopt;
  }

  std::optional<Stop> execute(const Statement& s) {
    try {
      if (needsProcess(s.command) && !world_.booted())
        world_.boot(kShellBundle, {kShellExecutable});
      return dispatch(s);
    } catch (const host::PlatformException& e) {
      return Stop{exitStatus::shellCrash, "shell crash at " + where(s) + " (" + trimmed(s) +
                                              "): " + e.name() + ": " + e.what()};
    } catch (const SimulationLimit& e) {
      return Stop{exitStatus::limit, where(s) + ": stopped: " + e.what()};
    } catch (const NotOnPlatform& e) {
      return Stop{exitStatus::notOnPlatform, where(s) + ": not on this platform: " + e.what()};
    } catch (const BadDeviceSetup& e) {
      return Stop{exitStatus::badInput, where(s) + ": error: " + e.what()};
    } catch (const std::invalid_argument& e) {
      return Stop{exitStatus::badInput, where(s) + ": error: " + e.what()};
    } catch (const std::exception& e) {
      return Stop{exitStatus::limit, where(s) + ": not modelled: " + e.what()};
    }
  }

  static std::string trimmed(const Statement& s) {
    std::string text = formatStepLine(s);
    return text.substr(text.find(": ") + 2);
  }

  std::optional<Stop> dispatch(const Statement& s) {
    const std::string& c = s.command;
    const auto& a = s.args;
    if (c == "device")
      world_.setProfile(a[0].text);
    else if (c == "device custom")
      world_.setCustomScreen(s.option("screen")->number, s.option("screen")->second,
                             s.option("native")->number, s.option("native")->second);
    else if (c == "device lacks class")
      world_.setClassPresent(a[0].text, false);
    else if (c == "device has class") {
      world_.setClassPresent(a[0].text, true);
      world_.setClassLate(a[0].text, false);
    } else if (c == "device late class")
      world_.setClassLate(a[0].text, true);
    else if (c == "device lacks method" || c == "device has method")
      setMethodPresent(a, c == "device has method");
    else if (c == "device header-view")
      world_.setPlatterHeader(a[0].text);
    else if (c == "seed") {
      if (!options_.seed) {
        world_.setSeed(static_cast<std::uint32_t>(a[0].number));
        report_.seed = a[0].text;
      }
    } else if (c == "home")
      world_.setHome(a[0].text);
    else if (c == "boot shell")
      world_.boot(kShellBundle, {kShellExecutable});
    else if (c == "boot process") {
      std::vector<std::string> args;
      for (std::size_t i = 1; i < a.size(); ++i) args.push_back(a[i].text);
      world_.boot(a[0].text, args);
    } else if (c == "respring")
      world_.respring();
    else
      return dispatchFiles(s);
    return std::nullopt;
  }

  std::optional<Stop> dispatchFiles(const Statement& s) {
    const std::string& c = s.command;
    const auto& a = s.args;
    if (c == "settings set")
      world_.setPreference(a[0].text, typedValue(s, 1));
    else if (c == "settings delete")
      world_.deletePreference(a[0].text);
    else if (c == "settings clear")
      world_.clearPreferences();
    else if (c == "settings post")
      world_.postNotification(kSettingsChanged);
    else if (c == "settings toggle" || c == "settings choose" || c == "settings slide")
      runnerLine("settings", tapPane(world_, s, start_));
    else if (c == "fallback set")
      world_.setPlistKey(kFallbackFile, a[0].text, typedValue(s, 1));
    else if (c == "fallback delete")
      world_.deletePlistKey(kFallbackFile, a[0].text);
    else if (c == "fallback remove")
      world_.deleteFile(kFallbackFile);
    else if (c == "fallback format")
      world_.setPlistBinary(kFallbackFile, a[0].text == "binary");
    else if (c == "plist set")
      world_.setPlistKey(a[0].text, a[1].text, typedValue(s, 2));
    else if (c == "plist delete")
      world_.deletePlistKey(a[0].text, a[1].text);
    else if (c == "file write")
      world_.writeFile(a[0].text, a[1].text);
    else if (c == "file append") {
      const Arg* times = s.option("times");
      world_.appendFile(a[0].text, a[1].text, times ? static_cast<std::size_t>(times->number) : 1);
    } else if (c == "file delete")
      world_.deleteFile(a[0].text);
    else if (c == "file fail-next-write")
      world_.failNextWrite(a[0].text == "no-space" ? sim::WriteFault::noSpace
                           : a[0].text == "rename" ? sim::WriteFault::renameRefused
                                                   : sim::WriteFault::temporaryFile);
    else if (c == "folder create")
      world_.createFolder(a[0].text);
    else if (c == "folder remove")
      world_.removeFolder(a[0].text);
    else
      return dispatchWeather(s);
    return std::nullopt;
  }

  std::optional<Stop> dispatchWeather(const Statement& s) {
    const std::string& c = s.command;
    const auto& a = s.args;
    bool bare = !a.empty() && a[0].kind == TokenKind::word;
    if (c == "weather local-city") {
      const Arg* when = s.option("when");
      if (bare && a[0].text == "none")
        world_.setLocalCity(LocalCity::none, {});
      else
        world_.setLocalCity(
            when && when->text == "on-open" ? LocalCity::onceAppOpens : LocalCity::known,
            citySetup(s));
    } else if (c == "weather saved-city") {
      if (bare && a[0].text == "invalid")
        world_.addSavedCity(std::nullopt);
      else
        world_.addSavedCity(citySetup(s));
    } else if (c == "weather saved-cities")
      world_.setSavedCities(a[0].text == "clear");
    else if (c == "weather unit")
      world_.setCelsius(a[0].text == "celsius");
    else if (c == "weather open-app")
      world_.openWeatherApp();
    else if (c == "weather next-update")
      world_.queueUpdate(updateSetup(s));
    else if (c == "weather asset remove")
      world_.setAsset(static_cast<std::int64_t>(a[0].number), a[1].text == "day", std::nullopt);
    else if (c == "weather asset add") {
      const auto condition = static_cast<std::int64_t>(a[0].number);
      const bool isDay = a[1].text == "day";
      world_.setAsset(condition, isDay,
                      a.size() > 2 ? a[2].text : *standardAssetName(condition, isDay));
    } else if (c == "weather image remove")
      world_.setConditionImage(a[0].text, false);
    else if (c == "weather image add")
      world_.setConditionImage(a[0].text, true);
    else if (c == "weather background raise-next-bind")
      world_.raiseAtNextBind();
    else if (c == "shell content-view raise-next")
      world_.raiseAtNextContentView();
    else if (c == "random next") {
      std::vector<std::uint32_t> values;
      for (const Arg& v : a) values.push_back(static_cast<std::uint32_t>(v.number));
      world_.scriptRandom(values);
    } else
      return dispatchShell(s);
    return std::nullopt;
  }

  static UpdateSetup updateSetup(const Statement& s) {
    UpdateSetup u;
    u.error = s.args[0].text == "error";
    if (auto o = s.option("delay")) u.delay = o->number;
    if (auto o = s.option("condition")) u.conditionCode = static_cast<std::int64_t>(o->number);
    if (auto o = s.option("day")) u.isDay = o->flag;
    if (auto o = s.option("temp")) u.temperature = o->number;
    if (auto o = s.option("hourly")) u.hourly = *hourlyTemperatures(o->text);
    if (auto o = s.option("thread")) u.secondThread = o->text == "second";
    return u;
  }

  void display(bool on) {
    world_.setNotifyState(kDisplayStatusName, on ? 1 : 0);
    world_.postNotification(kDisplayStatusName);
  }

  // A class and a selector, or one of the date view's methods alone.
  void setMethodPresent(const std::vector<Arg>& a, bool present) {
    if (a.size() > 1)
      world_.setMethodPresent(a[0].text, a[1].text, present);
    else
      world_.setDateViewMethod(a[0].text, present);
  }

  std::optional<Stop> dispatchShell(const Statement& s) {
    const std::string& c = s.command;
    const auto& a = s.args;
    if (c == "shell lock-complete")
      world_.postNotification(kLockCompleteName);
    else if (c == "shell display")
      display(a[0].text == "on");
    else if (c == "shell date-view")
      world_.requestDateView();
    else if (c == "shell unlock")
      world_.finishUnlock();
    else if (c == "shell content-view") {
      std::optional<std::size_t> index;
      if (!a.empty()) index = static_cast<std::size_t>(a[0].number);
      world_.requestContentView(index);
    } else if (c == "shell layout")
      world_.layoutWallpaper();
    else if (c == "shell rotate")
      world_.rotate(a[0].text == "landscape");
    else if (c == "shell parallax")
      world_.askAllowsParallax();
    else if (c == "shell time-label alpha")
      world_.setTimeLabelAlpha(a[0].number);
    else if (c == "shell move" || c == "shell scroll")
      moveOrScroll(c == "shell move", a[0].text, std::nullopt, a[1].number, a[2].number);
    else if (c == "shell move host" || c == "shell scroll host")
      moveOrScroll(c == "shell move host", "host", static_cast<std::size_t>(a[0].number),
                   a[1].number, a[2].number);
    else if (c == "shell move wallpaper")
      moveOrScroll(true, "wallpaper", static_cast<std::size_t>(a[0].number), a[1].number,
                   a[2].number);
    else if (c == "shell embed wallpaper-window")
      world_.embedWallpaperWindow();
    else if (c == "frameworks load")
      world_.loadLateFrameworks();
    else if (c == "shell rebuild date-view")
      world_.rebuildDateView();
    else if (c == "shell date-view add")
      world_.addToDateView(a[0].text);
    else if (c == "shell asset-name")
      world_.assetName(static_cast<std::int64_t>(a[0].number), a[1].flag);
    else if (c == "lock") {
      world_.postNotification(kLockCompleteName);
      display(false);
    } else if (c == "wake") {
      display(true);
      world_.requestDateView();
    } else if (c == "sleep")
      display(false);
    else if (c == "unlock") {
      world_.finishUnlock();
      world_.requestContentView(std::nullopt);
      world_.layoutWallpaper();
    } else if (c == "post")
      world_.postNotification(a[0].text);
    else if (c == "notify state")
      world_.setNotifyState(a[0].text, static_cast<std::uint64_t>(a[1].number));
    else if (c == "notify fail") {
      std::uint32_t status = a.size() > 1 ? static_cast<std::uint32_t>(a[1].number) : 1000000u;
      world_.failNotify(a[0].text, status);
    } else if (c == "alert dismiss")
      world_.dismissAlert();
    else if (c == "advance")
      return advance(a[0].number);
    else
      return dispatchObservation(s);
    return std::nullopt;
  }

  void moveOrScroll(bool move, const std::string& view, std::optional<std::size_t> index, double x,
                    double y) {
    if (move)
      world_.moveView(view, index, x, y);
    else
      world_.scrollView(view, index, x, y);
  }

  std::optional<Stop> advance(double seconds) {
    if (seconds < 0)
      throw std::invalid_argument("time only moves forward: advance a positive duration");
    advanced_ += seconds;
    if (advanced_ > kMaxScenarioSeconds)
      throw SimulationLimit("a scenario may let at most 400 days of virtual time pass");
    world_.advance(seconds);
    return std::nullopt;
  }

  std::optional<Stop> dispatchObservation(const Statement& s) {
    const std::string& c = s.command;
    if (c == "note") {
      traceJson_.push_back({{"time", number(world_.now() - start_)},
                            {"line", s.line},
                            {"category", "note"},
                            {"text", s.args[0].text}});
      if (!options_.json)
        out_ << formatTraceLine({world_.now(), "note", s.args[0].text}, start_) << "\n";
      report_.steps.back().notes.push_back(s.args[0].text);
    } else if (c == "show")
      show(s);
    else if (c == "picture")
      picture(s);
    else if (c == "expect")
      return expect(s);
    return std::nullopt;
  }

  // A line of the runner's own (the Settings app's doings) in the trace, the JSON and the page.
  void runnerLine(const std::string& category, const std::string& text) {
    traceJson_.push_back({{"time", number(world_.now() - start_)},
                          {"line", current_ ? current_->line : 0},
                          {"category", category},
                          {"text", text}});
    if (!options_.json) out_ << formatTraceLine({world_.now(), category, text}, start_) << "\n";
    if (options_.page)
      report_.steps.back().trace.push_back(
          {.time = formatSeconds(world_.now() - start_), .category = category, .text = text});
  }

  void show(const Statement& s) {
    const std::string& what = s.args[0].text;
    if (!options_.json || options_.page) {
      std::string text = world_.showText(what, start_);
      if (!options_.json) out_ << text;
      report_.steps.back().shows.push_back(std::move(text));
      if (!options_.json) return;
    }
    json snapshot = world_.snapshot(start_);
    shows_.push_back({{"line", s.line},
                      {"what", what},
                      {"snapshot", what == "all" || what == "state" || !snapshot.contains(what)
                                       ? snapshot
                                       : snapshot[what]}});
  }

  void picture(const Statement& s) {
    // Ids are numbered by picture so that the page can hold them all.
    std::string prefix = "p" + std::to_string(pictures_.size()) + "-";
    std::string svg;
    bool wide = false;
    if (s.args.size() > 1 && s.args[1].text == "settings-pane") {
      svg = panePicture(world_, start_, prefix);
    } else {
      std::optional<ScreenKind> kind;
      if (s.args.size() > 1)
        kind = s.args[1].text == "home-screen" ? ScreenKind::homeScreen : ScreenKind::lockScreen;
      Scene scene = buildScene(world_.snapshot(start_), kind);
      svg = renderSvg(scene, prefix);
      wide = scene.width > scene.height;
    }
    std::filesystem::path dir(options_.outDir);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::filesystem::path file = dir / (s.args[0].text + ".svg");
    std::ofstream stream(file, std::ios::binary);
    stream << svg;
    stream.close();
    if (!stream) throw std::invalid_argument("cannot write the picture " + file.string());
    pictures_.push_back({{"line", s.line}, {"file", file.string()}});
    if (options_.page)
      report_.steps.back().pictures.push_back({.name = s.args[0].text,
                                               .file = file.string(),
                                               .svg = std::move(svg),
                                               .svgId = prefix + "svg",
                                               .wide = wide});
    if (!options_.json) out_ << "    picture  " << file.string() << "\n";
  }

  std::optional<Stop> expect(const Statement& s) {
    json snapshot = world_.snapshot(start_);
    snapshot["trace"] = processTrace_;
    ExpectOutcome outcome = evaluateExpect(s, snapshot);
    ++expects_;
    report_.steps.back().expectations.push_back(
        {.text = trimmed(s).substr(std::string("expect ").size()),
         .held = outcome.held,
         .expected = outcome.expected,
         .actual = outcome.actual});
    if (outcome.held) return std::nullopt;
    return Stop{exitStatus::expectFailed, where(s) + ": expect failed: " + s.args[0].text +
                                              "\n    expected: " + outcome.expected +
                                              "\n    actual:   " + outcome.actual};
  }

  void drainTrace() {
    const sim::Record* record = world_.record();
    if (record != record_ || world_.generation() != generation_) {
      record_ = record;
      generation_ = world_.generation();
      seen_ = 0;
      processTrace_ = json::array();
    }
    if (!record) return;
    std::size_t total = record->entries().size() + record->dropped();
    std::size_t fresh = total > seen_ ? total - seen_ : 0;
    std::size_t size = record->entries().size();
    for (std::size_t i = size - std::min(fresh, size); i < size; ++i) {
      const sim::RecordEntry& e = record->entries()[i];
      // Only the JSON document holds the whole trace; a text run prints each line once.
      if (options_.json)
        traceJson_.push_back({{"time", number(e.time - start_)},
                              {"line", current_ ? current_->line : 0},
                              {"category", e.category},
                              {"text", e.text}});
      processTrace_.push_back(e.category + " " + e.text);
      if (options_.page && !report_.steps.empty()) keepForPage(e);
      if (!options_.json) out_ << formatTraceLine(e, start_) << "\n";
    }
    seen_ = total;
  }

  void keepForPage(const sim::RecordEntry& e) {
    PageStep& step = report_.steps.back();
    if (step.trace.size() < kPageTraceLinesPerStep)
      step.trace.push_back(
          {.time = formatSeconds(e.time - start_), .category = e.category, .text = e.text});
    else
      ++step.traceLeftOut;
  }

  // The page shows the run up to `ran` statements. Returns its path, or none when it could not
  // be written (said on `err`).
  std::optional<std::string> writeRunPage(int status, std::size_t ran) {
    report_.scenario = script_.file;
    report_.exitStatus = status;
    if (options_.seed) report_.seed = std::to_string(*options_.seed);
    for (std::size_t i = ran; i < script_.statements.size(); ++i)
      report_.notRun.push_back({script_.statements[i].line, trimmed(script_.statements[i])});
    try {
      json state = world_.snapshot(start_);
      report_.device = state["device"]["profile"].get<std::string>();
      // Named by the world that ran: only the real runtime's snapshots name theirs.
      report_.platform = state.value("platform", "sim");
      if (world_.booted()) report_.finalState = std::move(state);
    } catch (const std::exception&) {
      report_.device = report_.platform = "unknown";
    }
    try {
      return writePage(report_, options_.outDir);
    } catch (const std::invalid_argument& e) {
      err_ << e.what() << "\n";
      return std::nullopt;
    }
  }

  // A page that cannot be written fails a run that would otherwise have succeeded.
  int finish(const Stop& stop, std::size_t ran) {
    std::optional<std::string> page;
    if (options_.page) {
      page = writeRunPage(stop.status, ran);
      if (!page && stop.status == exitStatus::ok) return exitStatus::badInput;
    }
    if (!stop.message.empty()) err_ << stop.message << "\n";
    if (options_.json)
      finishJson(stop);
    else if (stop.message.empty())
      printDone();
    if (page && !options_.json) out_ << "page: " << *page << "\n";
    return stop.status;
  }

  void finishJson(const Stop& stop) {
    json doc = {{"scenario", script_.file},
                {"exit", stop.status},
                {"error", stop.message.empty() ? json(nullptr) : json(stop.message)},
                {"trace", traceJson_},
                {"shows", shows_},
                {"pictures", pictures_}};
    try {
      doc["final"] = world_.booted() ? world_.snapshot(start_) : json(nullptr);
    } catch (const std::exception& e) {
      doc["final"] = nullptr;
    }
    out_ << doc.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
  }

  void printDone() {
    out_ << "done: " << counted(script_.statements.size(), "step") << ", "
         << counted(expects_, "expectation") << " held";
    if (!pictures_.empty()) {
      out_ << "; pictures in " << options_.outDir << "/:";
      for (const json& p : pictures_)
        out_ << " " << std::filesystem::path(p["file"].get<std::string>()).filename().string();
    }
    out_ << "\n";
  }

  const Script& script_;
  World& world_;
  const RunOptions& options_;
  std::ostream& out_;
  std::ostream& err_;
  double start_ = 0;
  double advanced_ = 0;
  const Statement* current_ = nullptr;
  const sim::Record* record_ = nullptr;
  std::size_t seen_ = 0;
  int generation_ = 0;
  json traceJson_ = json::array();
  json processTrace_ = json::array();  // the current process's lines, for `expect trace`
  json shows_ = json::array();
  json pictures_ = json::array();
  std::size_t expects_ = 0;
  RunReport report_;
};

}  // namespace

int runScenario(const Script& script, World& world, const RunOptions& options, std::ostream& out,
                std::ostream& err) {
  return Runner(script, world, options, out, err).run();
}

}  // namespace nimsim
