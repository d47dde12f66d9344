// The scenario runner.
#include "simulator/runner.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "host/object.h"
#include "sim/process/process.h"
#include "simulator/command.h"
#include "simulator/expect.h"
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

// A failure that ends the run with a status; the message is already complete.
struct Stop {
  int status;
  std::string message;
};

bool needsProcess(Command command) {
  const Where where = whereOf(command);
  return where == Where::process || where == Where::runnerWithProcess;
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
      if (s.id != Command::deviceProfile) continue;
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
      if (needsProcess(s.id) && !world_.booted()) world_.boot(kShellBundle, {kShellExecutable});
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

  // The runner's own commands, and the lines made of others; the world does the rest.
  std::optional<Stop> dispatch(const Statement& s) {
    const auto& a = s.args;
    switch (s.id) {
      case Command::seed:
        if (!options_.seed) {
          world_.setSeed(static_cast<std::uint32_t>(a[0].number));
          report_.seed = a[0].text;
        }
        break;
      case Command::settingsPost:
        world_.postNotification(kSettingsChanged);
        break;
      case Command::settingsToggle:
      case Command::settingsChoose:
      case Command::settingsSlide:
        runnerLine("settings", tapPane(world_, s, start_));
        break;
      case Command::shellLockComplete:
        world_.postNotification(kLockCompleteName);
        break;
      case Command::shellDisplay:
        display(a[0].text == "on");
        break;
      case Command::post:
        world_.postNotification(a[0].text);
        break;
      case Command::notifyState:
        world_.setNotifyState(a[0].text, static_cast<std::uint64_t>(a[1].number));
        break;
      case Command::advance:
        return advance(s);
      default:
        return dispatchUserSteps(s);
    }
    return std::nullopt;
  }

  // What a user does, as the shell's steps.
  std::optional<Stop> dispatchUserSteps(const Statement& s) {
    switch (s.id) {
      case Command::lock:
        world_.postNotification(kLockCompleteName);
        display(false);
        break;
      case Command::wake:
        display(true);
        world_.perform(step(Command::shellDateView));
        break;
      case Command::sleep:
        display(false);
        break;
      case Command::unlock:
        for (Command c : {Command::shellUnlock, Command::shellContentView, Command::shellLayout})
          world_.perform(step(c));
        break;
      default:
        return dispatchObservation(s);
    }
    return std::nullopt;
  }

  // A command without arguments, as a step of the current line.
  Statement step(Command command) const {
    Statement s;
    s.id = command;
    s.command = keywordsOf(command);
    s.line = current_ ? current_->line : 0;
    s.source = s.command;
    return s;
  }

  void display(bool on) {
    world_.setNotifyState(kDisplayStatusName, on ? 1 : 0);
    world_.postNotification(kDisplayStatusName);
  }

  std::optional<Stop> advance(const Statement& s) {
    const double seconds = s.args[0].number;
    if (seconds < 0)
      throw std::invalid_argument("time only moves forward: advance a positive duration");
    advanced_ += seconds;
    if (advanced_ > kMaxScenarioSeconds)
      throw SimulationLimit("a scenario may let at most 400 days of virtual time pass");
    world_.perform(s);
    return std::nullopt;
  }

  std::optional<Stop> dispatchObservation(const Statement& s) {
    switch (s.id) {
      case Command::note:
        note(s);
        break;
      case Command::show:
        show(s);
        break;
      case Command::picture:
        picture(s);
        break;
      case Command::expect:
        return expect(s);
      default:
        world_.perform(s);
    }
    return std::nullopt;
  }

  void note(const Statement& s) {
    traceJson_.push_back({{"time", number(world_.now() - start_)},
                          {"line", s.line},
                          {"category", "note"},
                          {"text", s.args[0].text}});
    if (!options_.json)
      out_ << formatTraceLine({world_.now(), "note", s.args[0].text}, start_) << "\n";
    report_.steps.back().notes.push_back(s.args[0].text);
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
