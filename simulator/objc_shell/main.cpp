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
#include "simulator/objc_shell/describe.h"
#include "simulator/objc_shell/file_watch.h"
#include "simulator/objc_shell/process_report.h"
#include "simulator/objc_shell/process_state.h"
#include "simulator/objc_shell/runtime_access.h"
#include "simulator/objc_shell/runtime_watch.h"
#include "simulator/objc_shell/shell_layout.h"
#include "simulator/objc_shell/template_process.h"

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
                        u.value("error", false));
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
    s.add("loader",
          admitted ? "skipped Nimbrel (filter does not match)" : "skipped Nimbrel (no filter)");
    return;
  }
  s.add("loader", "loading Nimbrel");
  const std::string& library = deviceNames().library;
  const id pool = msg(classNamed("NSAutoreleasePool"), "new");
  traceHooksFrom(library, true);
  s.addon = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  traceHooksFrom(library, false);
  msg<void>(pool, "drain");
  if (!s.addon) {
    const char* reason = dlerror();
    s.add("loader", std::string("refused Nimbrel: ") + (reason ? reason : "unknown error"));
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

void postNotification(const std::string& name) {
  ProcessState& s = state();
  // The shell has locked when it tells that locking is complete.
  if (name == deviceNames().lockComplete)
    msg<void>(s.shell.lockScreenManager, "lockUIFromSource:withOptions:", 0,
              static_cast<id>(nullptr));
  s.add("notification", "posted " + name);
  s.add("notification", "delivered " + name + " to " +
                            std::to_string(TSDarwinObserverCount(name.c_str())) + " observers");
  // What an observer lets through reaches the shell process as any raise of the shell's would.
  nimbrel::objc::guarded([&] { nimbrel_darwin_post(name.c_str()); });
}

void shellLine(const std::string& text) { state().add("shell", text); }

json handle(const std::string& command, const json& r) {
  ProcessState& s = state();
  const id pool = msg(classNamed("NSAutoreleasePool"), "new");
  json result = nullptr;
  if (command == "weather") {
    applyWeather(r);
  } else if (command == "post") {
    postNotification(r["name"].get<std::string>());
  } else if (command == "notifyState") {
    TSSetNotifyState(r["name"].get<std::string>().c_str(), r["state"].get<std::uint64_t>());
  } else if (command == "failNotify") {
    TSFailNextNotify(r["call"].get<std::string>().c_str(), r["status"].get<std::uint32_t>());
  } else if (command == "dateView") {
    shellLine("asks -[SBLockScreenDateViewController dateView]");
    msg(s.shell.dateViewController, "dateView");
  } else if (command == "unlock") {
    shellLine("finishes -[SBLockScreenManager _finishUIUnlockFromSource:0 withOptions:none]");
    msg<void>(s.shell.lockScreenManager, "_finishUIUnlockFromSource:withOptions:", 0,
              static_cast<id>(nullptr));
  } else if (command == "contentView") {
    const std::size_t count = s.layout.wallpapers.size();
    if (r.contains("index") && r["index"].get<std::size_t>() >= count)
      throw std::invalid_argument("the shell has " + std::to_string(count) +
                                  " wallpaper views, numbered from 0");
    for (std::size_t i = 0; i < count; ++i) {
      if (r.contains("index") && r["index"].get<std::size_t>() != i) continue;
      shellLine("asks -[SBFStaticWallpaperView contentView] of the " + variantName(i) +
                " wallpaper");
      msg(s.layout.wallpapers[i], "contentView");
    }
  } else if (command == "layout") {
    for (std::size_t i = 0; i < s.layout.wallpapers.size(); ++i) {
      shellLine("lays out -[SBFStaticWallpaperView layoutSubviews] of the " + variantName(i) +
                " wallpaper");
      msg<void>(s.layout.wallpapers[i], "layoutSubviews");
    }
    shellLine("lays out -[_SBWallpaperWindow layoutSubviews]");
    msg<void>(s.shell.window, "layoutSubviews");
  } else if (command == "rotate") {
    const bool landscape = r["landscape"].get<bool>();
    shellLine(landscape ? "rotates to landscape" : "rotates to portrait");
    if (landscape != s.landscape) TSRotate(nullptr);
    s.landscape = landscape;
    const auto bounds =
        msg<nimbrel::objc::CGRect>(msg(classNamed("UIScreen"), "mainScreen"), "bounds");
    resizeShell(s.layout, bounds.size.width, bounds.size.height);
    handle("layout", json::object());
  } else if (command == "parallax") {
    shellLine("asks +[SBFStaticWallpaperView _allowsParallax]");
    result = msg<BOOL>(msg(s.shell.wallpaperView, "class"), "_allowsParallax") != 0;
  } else if (command == "assetName") {
    id loaderClass = deviceClass("WUIAsynchronousAssetLoader");
    if (!loaderClass)
      throw std::invalid_argument("this system version has no WUIAsynchronousAssetLoader");
    id loader = msg(loaderClass, "sharedAssetLoader");
    result = text(msg(loader, "filenameForCondition:isDay:", r["condition"].get<long>(),
                      BOOL(r["isDay"].get<bool>())))
                 .value_or("");
  } else if (command == "timeLabelAlpha") {
    msg<void>(ivarObject(dateViewOf(s.shell.dateViewController), "_timeLabel"),
              "setAlpha:", r["alpha"].get<double>());
  } else if (command == "move" || command == "scroll") {
    std::optional<std::size_t> index;
    if (r.contains("index")) index = r["index"].get<std::size_t>();
    id view = shellView(s.layout, r["view"].get<std::string>(), index);
    const nimbrel::objc::CGPoint to{r["x"].get<double>(), r["y"].get<double>()};
    if (command == "move") {
      auto frame = msg<nimbrel::objc::CGRect>(view, "frame");
      frame.origin = to;
      msg<void>(view, "setFrame:", frame);
    } else {
      auto bounds = msg<nimbrel::objc::CGRect>(view, "bounds");
      bounds.origin = to;
      msg<void>(view, "setBounds:", bounds);
    }
  } else if (command == "embed") {
    embedWallpaperWindow(s.layout);
  } else if (command == "rebuildDateView") {
    rebuildDateView();
  } else if (command == "addToDateView") {
    addToDateView(s.layout, r["class"].get<std::string>());
  } else if (command == "dismissAlert") {
    id alerts = TSVisibleAlerts();
    const auto count = msg<unsigned long>(alerts, "count");
    if (count == 0) throw std::invalid_argument("no alert is on screen to dismiss");
    id alert = msg(msg(alerts, "objectAtIndex:", count - 1), "retain");
    TSDismissAlert(alert);
    const std::vector<std::string> buttons = alertButtons(alert);
    s.add("alert", "dismissed \"" + text(msg(alert, "title")).value_or("") + "\" with button 0" +
                       (buttons.empty() ? std::string() : " (" + buttons[0] + ")"));
    msg<void>(alert, "release");
  } else if (command == "failNextWrite") {
    failNextWrite(r["fault"].get<std::string>());
  } else if (command == "artwork") {
    TSSetWeatherArtwork(foundationValue(r["assets"]), foundationValue(r["imageNames"]),
                        foundationValue(r["images"]));
  } else if (command == "loadLateFrameworks") {
    loadLateClasses();
  } else if (command == "raiseAtNextBind") {
    TSRaiseAtNextBind();
  } else if (command == "raiseAtNextContentView") {
    TSRaiseAtNextContentView();
  } else if (command == "random") {
    s.random.scriptNext(r["values"].get<std::vector<std::uint32_t>>());
  } else if (command == "advance") {
    advanceTo(s.now + r["seconds"].get<double>());
  } else if (command == "snapshot") {
    result = processSnapshot(r["start"].get<double>());
  } else {
    throw Refused(command);
  }
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
