// nimsim-objc-shell: the shell process of `nimsim run --platform objc`. Started once per
// simulator process as a template (template_process.h), it forks a shell process for each boot,
// which boots the test shell on the real Objective-C runtime, loads the add-on library with
// dlopen as the hook engine does, and then serves the simulator's requests, one JSON line each
// on standard input, answering each with one JSON line: the result, the trace entries it
// caused, and the virtual time, until the simulator ends its session. Anything else written to
// standard output goes to standard error instead.
#include <dlfcn.h>
#include <unistd.h>
#include <algorithm>

#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#include "host/object.h"
#include "objc/seam/stand_ins.h"
#include "simulator/command.h"
#include "simulator/objc_shell/describe.h"
#include "simulator/objc_shell/file_watch.h"
#include "simulator/objc_shell/process_report.h"
#include "simulator/objc_shell/process_state.h"
#include "simulator/objc_shell/runtime_access.h"
#include "simulator/objc_shell/runtime_watch.h"
#include "simulator/objc_shell/shell_layout.h"
#include "simulator/objc_shell/template_process.h"
#include "simulator/script.h"

// GNUstep's process set-up, called again in each shell process for the arguments of its boot.
extern "C" void GSInitializeProcess(int argc, char** argv, char** envp);

namespace nimsim::objcshell {

ProcessState& state() {
  static ProcessState s;
  return s;
}

std::string ProcessState::idOf(id object) {
  auto found = ids.find(object);
  if (found != ids.end()) return found->second;
  const std::string cls = className(object);
  const int n = idCounters.value(cls, 0) + 1;
  idCounters[cls] = n;
  return ids[object] = cls + "#" + std::to_string(n);
}

id foundationValue(const nlohmann::json& value) {
  if (value.is_boolean())
    return msg(classNamed("NSNumber"), "numberWithBool:", BOOL(value.get<bool>()));
  if (value.is_number_integer())
    return msg(classNamed("NSNumber"), "numberWithLongLong:", value.get<long long>());
  if (value.is_number())
    return msg(classNamed("NSNumber"), "numberWithDouble:", value.get<double>());
  if (value.is_string()) return makeString(value.get<std::string>());
  if (value.is_array()) {
    id array = msg(classNamed("NSMutableArray"), "array");
    for (const auto& element : value) msg<void>(array, "addObject:", foundationValue(element));
    return array;
  }
  if (value.is_object() && value.contains("date") && value.size() == 1)
    return msg(classNamed("NSDate"), "dateWithTimeIntervalSince1970:", value["date"].get<double>());
  if (value.is_object()) {
    id dictionary = msg(classNamed("NSMutableDictionary"), "dictionary");
    for (const auto& [key, element] : value.items())
      msg<void>(dictionary, "setObject:forKey:", foundationValue(element), makeString(key));
    return dictionary;
  }
  return nullptr;
}

namespace {

using nlohmann::json;

// A request the test shell has no counterpart for.
struct Refused : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void queueUpdates(const json& updates) {
  for (const json& u : updates) {
    if (u.contains("delay")) TSSetUpdateDelay(u["delay"].get<double>());
    TSQueueUpdateResult(u.value("condition", 26L), u.value("isDay", true),
                        u.value("temperature", 18.0), foundationValue(u["hourly"]),
                        u.value("error", false), u.value("secondThread", false));
  }
}

void applyWeather(const json& r) {
  if (r.contains("localCity")) {
    const json& local = r["localCity"];
    TSSetLocalCityDictionary(local.is_null() ? nullptr : foundationValue(local["city"]));
    TSSetLocalCityAvailable(!local.is_null() && local.value("available", true));
  }
  // The app opened: a local city known once it opens is known from now on.
  if (r.contains("localCityAvailable"))
    TSSetLocalCityAvailable(r["localCityAvailable"].get<bool>());
  if (r.contains("savedCities"))
    TSSetSavedCityDictionaries(foundationValue(r["savedCities"]), !r["savedCities"].is_null());
  if (r.contains("celsius")) TSSetCelsius(r["celsius"].get<bool>());
  if (r.contains("updates")) queueUpdates(r["updates"]);
}

// The hook engine's part: the library loads into a process its filter admits, and its
// initialiser installs the hooks.
void loadAddon() {
  ProcessState& s = state();
  const std::optional<bool> admitted = filterAdmits("Nimbrel");
  if (!admitted || !*admitted) {
    s.add(facts::AddonLoad{
        "Nimbrel", admitted ? facts::LoadStep::filterDoesNotMatch : facts::LoadStep::noFilter});
    return;
  }
  s.add(facts::AddonLoad{"Nimbrel", facts::LoadStep::loading});
  const std::string& library = deviceNames().library;
  const id pool = msg(classNamed("NSAutoreleasePool"), "new");
  traceHooksFrom(library, true);
  s.addon = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  traceHooksFrom(library, false);
  msg<void>(pool, "drain");
  if (!s.addon) {
    const char* reason = dlerror();
    s.add(facts::AddonLoad{"Nimbrel", facts::LoadStep::refused, reason ? reason : "unknown error"});
    return;
  }
  s.addonLoaded = true;
}

// The process's arguments are the boot's: the add-on looks at the first.
void takeArguments(const json& r) {
  std::vector<std::string> arguments = r.value("arguments", std::vector<std::string>{});
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  GSInitializeProcess(static_cast<int>(arguments.size()), argv.data(), environ);
}

TSPlatterHeader platterHeaderAnswer(const std::string& name) {
  if (name == "nil") return TSPlatterNoHeader;
  return name == "plain-view" ? TSPlatterPlainView : TSPlatterTodayHeader;
}

void takeDeviceNames(const json& r) {
  deviceNames() = {r.value("deviceRoot", ""),    r.value("library", ""),
                   r.value("domain", ""),        r.value("addonFolder", ""),
                   r.value("displayStatus", ""), r.value("lockComplete", ""),
                   r.value("bundle", "")};
  // The device's folder, where the binding and the file watch look.
  setenv("NIMBREL_DEVICE_ROOT", deviceNames().root.c_str(), 1);
}

void boot(const json& r) {
  ProcessState& s = state();
  takeDeviceNames(r);
  takeArguments(r);
  s.now = r["now"].get<double>();
  s.random.reseed(r.value("seed", 1u));
  s.idCounters = r.value("idCounters", json::object());
  s.home = r.value("home", "/var/mobile");
  for (const json& name : r.value("absentClasses", json::array())) setClassAbsent(name, true);
  for (const json& name : r.value("lateClasses", json::array())) setClassLate(name, true);
  const id pool = msg(classNamed("NSAutoreleasePool"), "new");
  TSSetUpdateResult(26, YES, 18.0, NO);
  TSSetUpdateHourly(foundationValue(json::array({16.0, 18.0, 21.0, 19.0})));
  TSSetUpdateDelay(2.0);
  applyWeather(r);
  // The shell starts with the display on.
  TSSetNotifyState(deviceNames().displayStatus.c_str(), 1);
  const json& screen = r["screen"];
  TSBoot(&s.shell, screen["width"].get<double>(), screen["height"].get<double>(),
         screen["scale"].get<double>(), r.value("legacyDateView", false));
  for (const json& selector : r.value("lacksMethods", json::array()))
    TSSetDateViewLacks(selector.get<std::string>().c_str(), YES);
  for (const json& method : r.value("absentMethods", json::array()))
    TSRemoveMethod(method[0].get<std::string>().c_str(), method[1].get<std::string>().c_str());
  // A Weather framework without the header's class lays its platter out without a header.
  const json absent = r.value("absentClasses", json::array());
  const bool headerAbsent =
      std::find(absent.begin(), absent.end(), "WATodayHeaderView") != absent.end();
  TSSetPlatterHeader(headerAbsent ? TSPlatterNoHeader
                                  : platterHeaderAnswer(r.value("platterHeader", "header")));
  TSSetScreenNativeSize(screen["nativeWidth"].get<double>(), screen["nativeHeight"].get<double>());
  // A shell started in landscape lays itself out so from the start.
  double width = screen["width"].get<double>(), height = screen["height"].get<double>();
  if (r.value("landscape", false)) {
    TSRotate(nullptr);
    std::swap(width, height);
    s.landscape = true;
  }
  layOutShell(s.layout, width, height);
  if (s.landscape) {
    resizeShell(s.layout, width, height);
    fillContentViews(s.layout);
  }
  msg<void>(pool, "drain");
  loadAddon();
}

// The notify center tells of the post and of its delivery (watch.cpp).
void postNotification(const std::string& name) {
  // The shell has locked when it tells that locking is complete.
  if (name == deviceNames().lockComplete)
    msg<void>(state().shell.lockScreenManager, "lockUIFromSource:withOptions:", 0,
              static_cast<id>(nullptr));
  // What an observer lets through reaches the shell process as any raise of the shell's would.
  nimbrel::objc::guarded([&] { nimbrel_darwin_post(name.c_str()); });
}

void askContentViews(const Statement& s) {
  const ShellLayout& layout = state().layout;
  const std::size_t count = layout.wallpapers.size();
  std::optional<std::size_t> index;
  if (!s.args.empty()) index = static_cast<std::size_t>(s.args[0].number);
  if (index && *index >= count)
    throw std::invalid_argument("the shell has " + std::to_string(count) +
                                " wallpaper views, numbered from 0");
  for (std::size_t i = 0; i < count; ++i) {
    if (index && *index != i) continue;
    state().add(facts::ShellAsksContentView{variantName(i)});
    msg(layout.wallpapers[i], "contentView");
  }
}

void layOutWallpaper() {
  ProcessState& s = state();
  for (std::size_t i = 0; i < s.layout.wallpapers.size(); ++i) {
    s.add(facts::ShellLaysOutWallpaper{variantName(i)});
    msg<void>(s.layout.wallpapers[i], "layoutSubviews");
  }
  s.add(facts::ShellAsks{facts::ShellCall::windowLayout});
  msg<void>(s.shell.window, "layoutSubviews");
}

void rotate(bool landscape) {
  ProcessState& s = state();
  s.add(facts::ShellRotates{landscape});
  if (landscape != s.landscape) TSRotate(nullptr);
  s.landscape = landscape;
  const auto bounds =
      msg<nimbrel::objc::CGRect>(msg(classNamed("UIScreen"), "mainScreen"), "bounds");
  resizeShell(s.layout, bounds.size.width, bounds.size.height);
  layOutWallpaper();
}

json assetName(const Statement& s) {
  id loaderClass = deviceClass("WUIAsynchronousAssetLoader");
  if (!loaderClass)
    throw std::invalid_argument("this system version has no WUIAsynchronousAssetLoader");
  id loader = msg(loaderClass, "sharedAssetLoader");
  return text(msg(loader, "filenameForCondition:isDay:", static_cast<long>(s.args[0].number),
                  BOOL(s.args[1].flag)))
      .value_or("");
}

// `shell move` and `shell scroll`, of a named view or of a wallpaper view's (by index):
// moving sets the frame's origin, scrolling the bounds'.
void moveOrScroll(const Statement& s) {
  const bool named = s.id == Command::shellMove || s.id == Command::shellScroll;
  const bool move = s.id != Command::shellScroll && s.id != Command::shellScrollHost;
  std::optional<std::size_t> index;
  if (!named) index = static_cast<std::size_t>(s.args[0].number);
  const std::string name = named                                 ? s.args[0].text
                           : s.id == Command::shellMoveWallpaper ? "wallpaper"
                                                                 : "host";
  id view = shellView(state().layout, name, index);
  const nimbrel::objc::CGPoint to{s.args[s.args.size() - 2].number, s.args.back().number};
  const char* getter = move ? "frame" : "bounds";
  auto rect = msg<nimbrel::objc::CGRect>(view, getter);
  rect.origin = to;
  msg<void>(view, move ? "setFrame:" : "setBounds:", rect);
}

void dismissAlert() {
  id alerts = TSVisibleAlerts();
  const auto count = msg<unsigned long>(alerts, "count");
  if (count == 0) throw std::invalid_argument("no alert is on screen to dismiss");
  id alert = msg(msg(alerts, "objectAtIndex:", count - 1), "retain");
  TSDismissAlert(alert);
  msg<void>(alert, "release");
}

// The write fault a `file fail-next-write` word names, as the file watch knows it.
std::string writeFault(const std::string& word) {
  if (word == "no-space") return "no space";
  return word == "rename" ? "rename refused" : "no temporary file";
}

// What the shell's other commands do in the process.
void performOther(const Statement& s) {
  ProcessState& p = state();
  switch (s.id) {
    case Command::shellEmbedWallpaperWindow:
      return embedWallpaperWindow(p.layout);
    case Command::shellRebuildDateView:
      return rebuildDateView();
    case Command::shellDateViewAdd:
      return addToDateView(p.layout, s.args[0].text);
    case Command::frameworksLoad:
      return loadLateClasses();
    case Command::shellContentViewRaiseNext:
      return TSRaiseAtNextContentView();
    case Command::weatherRaiseNextBind:
      return TSRaiseAtNextBind();
    case Command::alertDismiss:
      return dismissAlert();
    case Command::fileFailNextWrite:
      return failNextWrite(writeFault(s.args[0].text));
    case Command::notifyFail:
      return TSFailNextNotify(
          s.args[0].text.c_str(),
          s.args.size() > 1 ? static_cast<std::uint32_t>(s.args[1].number) : kDefaultNotifyFailure);
    case Command::randomNext: {
      std::vector<std::uint32_t> values;
      for (const Arg& v : s.args) values.push_back(static_cast<std::uint32_t>(v.number));
      return p.random.scriptNext(values);
    }
    case Command::advance:
      return advanceTo(p.now + s.args[0].number);
    default:
      throw Refused(s.command);
  }
}

// The commands of the shell, step by step, as the simulator parsed them.
json perform(const Statement& s) {
  ProcessState& p = state();
  switch (s.id) {
    case Command::shellDateView:
      p.add(facts::ShellAsks{facts::ShellCall::dateView});
      msg(p.shell.dateViewController, "dateView");
      return nullptr;
    case Command::shellUnlock:
      p.add(facts::ShellFinishesUnlock{0, false});
      msg<void>(p.shell.lockScreenManager, "_finishUIUnlockFromSource:withOptions:", 0,
                static_cast<id>(nullptr));
      return nullptr;
    case Command::shellContentView:
      askContentViews(s);
      return nullptr;
    case Command::shellLayout:
      layOutWallpaper();
      return nullptr;
    case Command::shellRotate:
      rotate(s.args[0].text == "landscape");
      return nullptr;
    case Command::shellParallax:
      p.add(facts::ShellAsks{facts::ShellCall::allowsParallax});
      return msg<BOOL>(msg(p.shell.wallpaperView, "class"), "_allowsParallax") != 0;
    case Command::shellAssetName:
      return assetName(s);
    case Command::shellTimeLabelAlpha:
      msg<void>(ivarObject(dateViewOf(p.shell.dateViewController), "_timeLabel"),
                "setAlpha:", s.args[0].number);
      return nullptr;
    case Command::shellMove:
    case Command::shellMoveHost:
    case Command::shellMoveWallpaper:
    case Command::shellScroll:
    case Command::shellScrollHost:
      moveOrScroll(s);
      return nullptr;
    default:
      performOther(s);
      return nullptr;
  }
}

json handle(const std::string& command, const json& r) {
  const id pool = msg(classNamed("NSAutoreleasePool"), "new");
  json result = nullptr;
  if (command == "perform")
    result = perform(statementFromJson(r.at("statement")));
  else if (command == "weather")
    applyWeather(r);
  else if (command == "post")
    postNotification(r["name"].get<std::string>());
  else if (command == "notifyState")
    TSSetNotifyState(r["name"].get<std::string>().c_str(), r["state"].get<std::uint64_t>());
  else if (command == "artwork")
    TSSetWeatherArtwork(foundationValue(r["assets"]), foundationValue(r["imageNames"]),
                        foundationValue(r["images"]));
  else if (command == "snapshot")
    result = processSnapshot(r["start"].get<double>());
  else
    throw Refused(command);
  msg<void>(pool, "drain");
  return result;
}

json answer(const json& request) {
  ProcessState& s = state();
  const std::string command = request.value("command", "");
  json reply;
  if (command != "snapshot") s.lastSnapshotStart.reset();
  try {
    if (command == "boot") {
      boot(request);
      // The system's artwork comes with the boot request and is applied as if sent after it,
      // once what is due at boot has run.
      advanceTo(s.now);
      if (request.contains("artwork")) handle("artwork", request["artwork"]);
    } else {
      reply["result"] = handle(command, request);
    }
    // What is due now runs before the shell answers, as a run loop turns after each event.
    if (command != "snapshot") advanceTo(s.now);
    reply["ok"] = true;
  } catch (const host::PlatformException& e) {
    reply = {{"ok", false}, {"kind", "platform"}, {"name", e.name()}, {"message", e.what()}};
  } catch (const Refused& e) {
    reply = {{"ok", false}, {"kind", "refused"}, {"message", e.what()}};
  } catch (const std::invalid_argument& e) {
    reply = {{"ok", false}, {"kind", "invalid"}, {"message", e.what()}};
  } catch (const std::exception& e) {
    reply = {{"ok", false}, {"kind", "limit"}, {"message", e.what()}};
  }
  if (s.refusedDraw)
    reply = {{"ok", false}, {"kind", "invalid"}, {"message", *std::exchange(s.refusedDraw, {})}};
  reply["trace"] = std::exchange(s.trace, json::array());
  reply["now"] = s.now;
  reply["idCounters"] = s.idCounters;
  return reply;
}

// One shell process's session: its boot, then each request until the simulator ends it.
void serveSession(FILE* replies, const std::string& first) {
  std::string line = first;
  do {
    json request = json::parse(line, nullptr, false);
    if (!request.is_discarded() && request.value("command", "") == "end") return;
    json reply = request.is_discarded()
                     ? json{{"ok", false}, {"kind", "invalid"}, {"message", "not JSON"}}
                     : answer(request);
    const std::string text = reply.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
    std::fputs(text.c_str(), replies);
    std::fflush(replies);
  } while (std::getline(std::cin, line));
}

}  // namespace
}  // namespace nimsim::objcshell

int main() {
  // Replies go to the simulator on the first standard output; what the frameworks print goes
  // to standard error.
  const int replies = dup(STDOUT_FILENO);
  dup2(STDERR_FILENO, STDOUT_FILENO);
  FILE* out = fdopen(replies, "w");
  if (!out) return 1;
  // What every boot has alike is done once, in the template.
  nimsim::objcshell::installVirtualTime();
  nimsim::objcshell::watchFiles();
  nimsim::objcshell::watchCalls();
  nimsim::objcshell::installBundleIdentity();
  nimsim::objcshell::defineShellClasses();
  const int status = nimsim::objcshell::serveBoots(
      out, [out](const std::string& first) { nimsim::objcshell::serveSession(out, first); });
  // The simulator let the template go; nothing of its is torn down either.
  std::fflush(nullptr);
  _exit(status);
}
