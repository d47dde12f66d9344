// The command table of the scenario language.
#include "simulator/grammar.h"

#include "simulator/expect.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "sim/weather/asset_catalog.h"
#include "simulator/settings_pane.h"

namespace nimsim {
namespace {

Param choice(std::string name, std::vector<std::string> choices, bool optional = false) {
  return {std::move(name), ParamKind::choice, std::move(choices), optional};
}
Param param(std::string name, ParamKind kind, bool optional = false) {
  return {std::move(name), kind, {}, optional};
}

std::optional<CheckError> error(int column, std::string message) {
  return CheckError{column, std::move(message)};
}

bool isHex(const std::string& s) {
  if (s.size() % 2 != 0) return false;
  for (char c : s)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// A typed property-list value written as TYPE [VALUE], at args[typeIndex].
std::optional<CheckError> checkTypedValue(Statement& s, std::size_t typeIndex) {
  const std::string& type = s.args[typeIndex].text;
  bool hasValue = s.args.size() > typeIndex + 1;
  int endColumn = s.args[typeIndex].column + static_cast<int>(type.size());
  if (type == "array" || type == "dict") {
    if (hasValue)
      return error(s.args[typeIndex + 1].column,
                   "an " + type + " is written empty: expected the end of the line");
    return std::nullopt;
  }
  if (!hasValue) return error(endColumn, "expected a " + type + " value after '" + type + "'");
  Arg& v = s.args[typeIndex + 1];
  if (type == "bool") {
    if (v.kind != TokenKind::word ||
        (v.text != "true" && v.text != "false" && v.text != "yes" && v.text != "no"))
      return error(v.column, "expected true or false for a bool");
    v.flag = v.text == "true" || v.text == "yes";
  } else if (type == "int") {
    if (v.kind != TokenKind::number || !isWholeNumber(v.number))
      return error(v.column, "expected a whole number for an int");
  } else if (type == "real" || type == "date") {
    if (v.kind != TokenKind::number) return error(v.column, "expected a number for a " + type);
  } else if (type == "string") {
    if (v.kind != TokenKind::string && v.kind != TokenKind::word)
      return error(v.column, "expected a string in double quotes");
  } else if (type == "data") {
    if (v.kind != TokenKind::string || !isHex(v.text))
      return error(v.column, "expected hexadecimal bytes in quotes, like \"00ff\"");
  }
  if (s.args.size() > typeIndex + 2)
    return error(s.args[typeIndex + 2].column, "expected the end of the line");
  return std::nullopt;
}

// The date-view methods a system version may lack.
const std::vector<std::string> kDateViewMethods = {
    "setSubtitleHidden:", "setDateHidden:", "_timeLabel"};

// `device lacks method` and `device has method`: a class and a selector, or a date-view method
// alone.
std::optional<CheckError> dateViewMethodWhenAlone(Statement& s) {
  if (s.args.size() > 1) return std::nullopt;
  const Arg& method = s.args[0];
  if (std::find(kDateViewMethods.begin(), kDateViewMethods.end(), method.text) !=
      kDateViewMethods.end())
    return std::nullopt;
  return error(method.column,
               "expected a class and a selector, or a date view method (setSubtitleHidden:, "
               "setDateHidden: or _timeLabel)");
}

// `file append ... times=N` at most: a file nested a million levels deep is as hostile as any.
constexpr double kMaxAppendTimes = 1000000;

// What a platter controller's -headerView may answer.
const std::vector<std::string> kPlatterHeaderAnswers = {"header", "nil", "plain-view"};

// The views `shell move` and `shell scroll` name (host views take an index instead).
const std::vector<std::string> kMovableViews = {"date-view",           "date-container",
                                                "wallpaper-container", "wallpaper-window",
                                                "window-parent",       "window-grandparent"};

// Without a file name, the asset put back is the standard one, which must exist.
std::optional<CheckError> checkAssetAdd(Statement& s) {
  if (s.args.size() > 2) return std::nullopt;
  if (!standardAssetName(static_cast<std::int64_t>(s.args[0].number), s.args[1].text == "day"))
    return error(s.args[1].column, "condition " + s.args[0].text + " has no standard " +
                                       s.args[1].text + " asset: give its file name after '" +
                                       s.args[1].text + "'");
  return std::nullopt;
}

const std::vector<std::string> kValueTypes = {"bool", "int",  "real",  "string",
                                              "date", "data", "array", "dict"};

std::vector<Param> cityOptions() {
  return {param("lat", ParamKind::number),        param("lon", ParamKind::number),
          param("condition", ParamKind::integer), param("day", ParamKind::flag),
          param("temp", ParamKind::value),        param("hourly", ParamKind::name),
          param("age", ParamKind::duration),      choice("when", {"always", "on-open"})};
}

// temp= and hourly= take numbers, or nan, inf and -inf: what a broken feed can report.
std::optional<CheckError> checkTemperatures(Statement& s) {
  if (Arg* temp = s.options.count("temp") ? &s.options.at("temp") : nullptr) {
    std::optional<double> value = temperatureValue(*temp);
    if (!value)
      return error(temp->column, "expected a temperature: a number, nan, inf or -inf, found '" +
                                     temp->text + "'");
    temp->kind = TokenKind::number;
    temp->number = *value;
  }
  const Arg* hourly = s.option("hourly");
  if (hourly && !hourlyTemperatures(hourly->text))
    return error(hourly->column,
                 "expected hourly temperatures as numbers (or nan, inf, -inf) separated by commas");
  return std::nullopt;
}

// `PATH in LIST-PATH` and `PATH not in LIST-PATH`: the value is (or is not) an element of a
// list in the snapshot. Folds "not in" into one operator, leaving three arguments.
std::optional<CheckError> checkMembership(Statement& s) {
  if (s.args[1].text == "not") {
    if (s.args[2].kind != TokenKind::word || s.args[2].text != "in")
      return error(s.args[2].column, "expected 'in' after 'not'");
    if (s.args.size() < 4)
      return error(s.args[2].column + 2, "expected the path of a list after 'not in'");
    s.args[1].text = "not in";
    s.args.erase(s.args.begin() + 2);
  }
  if (s.args.size() > 3)
    return error(s.args[3].column, "expected the end of the line, found '" + s.args[3].text + "'");
  const Arg& list = s.args[2];
  if (list.kind != TokenKind::word || !splitPath(list.text) || list.text == "true" ||
      list.text == "false" || list.text == "null" || list.text == "none")
    return error(list.column, "'" + s.args[1].text +
                                  "' looks in a list of the snapshot: expected its path, like "
                                  "lockScreen.dateView.subviewIds");
  return std::nullopt;
}

std::optional<CheckError> checkExpect(Statement& s) {
  Arg& op = s.args[1];
  if (op.kind == TokenKind::word && (op.text == "in" || op.text == "not")) {
    if (auto failure = checkMembership(s)) return failure;
    if (!splitPath(s.args[0].text))
      return error(s.args[0].column, "expected an observation path like addon.weatherView.id");
    return std::nullopt;
  }
  if (s.args.size() > 3)
    return error(s.args[3].column, "expected the end of the line, found '" + s.args[3].text + "'");
  bool isOperator = op.kind == TokenKind::op;
  bool isWordOperator =
      op.kind == TokenKind::word && (op.text == "contains" || op.text == "excludes");
  if (!isOperator && !isWordOperator)
    return error(
        op.column,
        "expected a comparison (== != < <= > >= ~= contains excludes in, not in), found " +
            (op.kind == TokenKind::equals ? std::string("'=' (write ==)") : "'" + op.text + "'"));
  const Arg& value = s.args[2];
  if (value.kind == TokenKind::equals || value.kind == TokenKind::op)
    return error(value.column, "expected a value to compare with, found '" + value.text + "'");
  if (value.kind == TokenKind::word && value.text != "true" && value.text != "false" &&
      value.text != "null" && value.text != "none")
    return error(
        value.column,
        "expected a number, a string in quotes, true, false or null, found '" + value.text + "'");
  bool ordering =
      op.text == "<" || op.text == "<=" || op.text == ">" || op.text == ">=" || op.text == "~=";
  if (ordering && value.kind != TokenKind::number && value.kind != TokenKind::duration)
    return error(value.column, "'" + op.text + "' compares numbers: expected a number");
  if (isWordOperator && value.kind != TokenKind::string)
    return error(value.column, "'" + op.text + "' looks for a text: expected a string in quotes");
  if (!splitPath(s.args[0].text))
    return error(s.args[0].column,
                 "expected an observation path like addon.city.conditionCode or files[/path].key");
  return std::nullopt;
}

std::optional<CheckError> checkPictureName(Statement& s) {
  for (char c : s.args[0].text)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'))
      return error(s.args[0].column,
                   "a picture name uses letters, digits, '-' and '_' only (it names a file)");
  if (s.args[0].text.empty()) return error(s.args[0].column, "expected a picture name");
  return std::nullopt;
}

// A check that the whole number at args[index], when given, lies from `low` to `high`
// (no upper bound when `high` is infinite), so that the runner's conversions are exact.
std::function<std::optional<CheckError>(Statement&)> wholeInRange(std::size_t index, double low,
                                                                  double high) {
  return [=](Statement& s) -> std::optional<CheckError> {
    if (index >= s.args.size()) return std::nullopt;
    const Arg& a = s.args[index];
    if (a.number >= low && a.number <= high) return std::nullopt;
    auto whole = [](double v) { return std::to_string(static_cast<long long>(v)); };
    return error(a.column, "expected a whole number " +
                               (std::isinf(high) ? whole(low) + " or more"
                                                 : "from " + whole(low) + " to " + whole(high)));
  };
}

constexpr double kMaxUnsigned32 = 4294967295.0;

std::vector<CommandForm> buildForms() {
  using K = ParamKind;
  std::vector<CommandForm> forms = {
      // The device and the processes.
      {"device", {param("profile", K::name)}, {}, "use a named device profile", {}},
      {"device custom",
       {},
       {param("screen", K::size), param("native", K::size)},
       "use a custom screen: screen=WxH points, native=WxH pixels",
       [](Statement& s) -> std::optional<CheckError> {
         if (!s.option("screen") || !s.option("native"))
           return error(s.column, "'device custom' needs both screen=WxH and native=WxH");
         for (const char* key : {"screen", "native"}) {
           const Arg* a = s.option(key);
           if (a->number <= 0 || a->second <= 0)
             return error(a->column, std::string(key) + " needs a positive width and height");
         }
         return std::nullopt;
       }},
      {"device lacks class",
       {param("class", K::name)},
       {},
       "the process lacks a class, shell classes included",
       {}},
      {"device late class",
       {param("class", K::name)},
       {},
       "a class of a framework that loads after the add-on: found only after 'frameworks load'",
       {}},
      {"device lacks method",
       {param("class", K::name), param("selector", K::name, true)},
       {},
       "a class lacks a method from the next boot on (a selector alone: the date view's "
       "setSubtitleHidden:, setDateHidden: or _timeLabel, at once)",
       dateViewMethodWhenAlone},
      {"device header-view",
       {choice("answer", kPlatterHeaderAnswers)},
       {},
       "what the Weather platter controller's -headerView answers",
       {}},
      {"device has class", {param("class", K::name)}, {}, "undo 'device lacks class'", {}},
      {"device has method",
       {param("class", K::name), param("selector", K::name, true)},
       {},
       "undo 'device lacks method'",
       dateViewMethodWhenAlone},
      {"seed",
       {param("seed", K::integer)},
       {},
       "seed the random numbers",
       wholeInRange(0, 0, kMaxUnsigned32)},
      {"home", {param("path", K::path)}, {}, "the process's home directory (next boot)", {}},
      {"boot shell", {}, {}, "start the shell with the add-on installed", {}},
      {"boot process",
       {param("bundle", K::name), param("arguments", K::rest, true)},
       {},
       "start another process: its bundle identifier, then its launch arguments",
       {}},
      {"respring", {}, {}, "end the shell process and start a new one on the same device", {}},
      // Settings, as the settings pane stores them.
      {"settings set",
       {param("key", K::name), choice("type", kValueTypes), param("value", K::value, true)},
       {},
       "write a typed value to the preferences domain",
       [](Statement& s) { return checkTypedValue(s, 1); }},
      {"settings delete", {param("key", K::name)}, {}, "delete a key from the domain", {}},
      {"settings clear", {}, {}, "delete every key of the domain", {}},
      {"settings post", {}, {}, "post the settings-changed notification", {}},
      // Settings, as a user taps them in the settings pane.
      {"settings toggle",
       {param("key", K::name)},
       {},
       "tap a switch of the settings pane: write the other boolean and post the notification",
       checkPaneTap},
      {"settings choose",
       {param("key", K::name), param("title", K::name)},
       {},
       "choose a title in a list of the settings pane: write its value and post",
       checkPaneTap},
      {"settings slide",
       {param("key", K::name), param("value", K::number)},
       {},
       "move a slider of the settings pane to a position: write it and post",
       checkPaneTap},
      {"fallback set",
       {param("key", K::name), choice("type", kValueTypes), param("value", K::value, true)},
       {},
       "write a typed value to the fallback settings file",
       [](Statement& s) { return checkTypedValue(s, 1); }},
      {"fallback delete", {param("key", K::name)}, {}, "delete a key from the fallback file", {}},
      {"fallback remove", {}, {}, "delete the fallback file", {}},
      {"fallback format",
       {choice("format", {"xml", "binary"})},
       {},
       "rewrite the fallback file in this format (and keep it for later writes)",
       {}},
      {"plist set",
       {param("path", K::path), param("key", K::name), choice("type", kValueTypes),
        param("value", K::value, true)},
       {},
       "write a typed value into any property-list file of the device",
       [](Statement& s) { return checkTypedValue(s, 2); }},
      {"plist delete",
       {param("path", K::path), param("key", K::name)},
       {},
       "delete a key from a property-list file",
       {}},
      {"file write",
       {param("path", K::path), param("text", K::name)},
       {},
       "write text as the whole content of a device file",
       {}},
      {"file append",
       {param("path", K::path), param("text", K::name)},
       {param("times", K::integer)},
       "append text, times=N over, to a device file (created when missing)",
       [](Statement& s) -> std::optional<CheckError> {
         const Arg* times = s.option("times");
         if (!times || (times->number >= 1 && times->number <= kMaxAppendTimes))
           return std::nullopt;
         return error(times->column, "expected a whole number from 1 to " +
                                         std::to_string(static_cast<long>(kMaxAppendTimes)));
       }},
      {"file delete", {param("path", K::path)}, {}, "delete a device file", {}},
      {"file fail-next-write",
       {choice("fault", {"no-space", "rename", "temp-file"})},
       {},
       "make the process's next property-list write fail: disk full part-way, rename refused, "
       "or no temporary file",
       {}},
      {"folder create", {param("path", K::path)}, {}, "create a device folder", {}},
      {"folder remove", {param("path", K::path)}, {}, "remove a device folder and its content", {}},
      // The Weather app.
      {"weather local-city",
       {param("name", K::name)},
       cityOptions(),
       "the Weather app's local city ('none' for no local city)",
       checkTemperatures},
      {"weather saved-city",
       {param("name", K::name)},
       cityOptions(),
       "append a saved city ('invalid' for an entry that converts to no city)",
       checkTemperatures},
      {"weather saved-cities",
       {choice("state", {"clear", "missing"})},
       {},
       "empty the saved-city list, or remove its key",
       {}},
      {"weather unit", {choice("unit", {"celsius", "fahrenheit"})}, {}, "the temperature unit", {}},
      {"weather open-app", {}, {}, "open the Weather app: a local city on-open becomes known", {}},
      {"weather next-update",
       {choice("outcome", {"ok", "error"})},
       {param("delay", K::duration), param("condition", K::integer), param("day", K::flag),
        param("temp", K::value), param("hourly", K::name), choice("thread", {"main", "second"})},
       "how the next weather request completes",
       checkTemperatures},
      {"weather asset remove",
       {param("condition", K::integer), choice("time", {"day", "night"})},
       {},
       "take a background asset out of the catalogue",
       {}},
      {"weather asset add",
       {param("condition", K::integer), choice("time", {"day", "night"}),
        param("filename", K::name, true)},
       {},
       "put a background asset in the catalogue (its standard name unless given)",
       checkAssetAdd},
      {"weather image remove",
       {param("name", K::name)},
       {},
       "take a condition image out of the image catalogue",
       {}},
      {"weather image add",
       {param("name", K::name)},
       {},
       "put a condition image in the image catalogue",
       {}},
      {"weather background raise-next-bind",
       {},
       {},
       "make the next setCity:animate: of a weather background raise "
       "NSInternalInconsistencyException",
       {}},
      {"random next",
       {param("values", K::integers)},
       {},
       "the next values arc4random_uniform answers, before the seeded ones",
       {}},
      // The shell, step by step.
      {"shell lock-complete", {}, {}, "post the lock-complete notification", {}},
      {"shell display",
       {choice("state", {"on", "off"})},
       {},
       "set the display state and post its notification",
       {}},
      {"shell date-view", {}, {}, "the lock screen asks for its date view", {}},
      {"shell unlock", {}, {}, "the lock screen manager finishes an unlock", {}},
      {"shell content-view",
       {param("index", K::integer, true)},
       {},
       "a wallpaper view (or each) is asked for its content view",
       wholeInRange(0, 0, INFINITY)},
      {"shell content-view raise-next",
       {},
       {},
       "make the shell's own -contentView of a wallpaper view raise at its next call "
       "(NSInternalInconsistencyException)",
       {}},
      {"shell layout", {}, {}, "the wallpaper views and window lay out", {}},
      {"shell rotate", {choice("orientation", {"portrait", "landscape"})}, {}, "rotate", {}},
      {"shell parallax", {}, {}, "the shell asks whether parallax is allowed", {}},
      {"shell time-label alpha",
       {param("alpha", K::number)},
       {},
       "set the alpha of the date view's time label",
       [](Statement& s) -> std::optional<CheckError> {
         if (s.args[0].number < 0 || s.args[0].number > 1)
           return error(s.args[0].column, "expected an alpha from 0 to 1");
         return std::nullopt;
       }},
      {"shell move",
       {choice("view", kMovableViews), param("x", K::number), param("y", K::number)},
       {},
       "move a view of the shell's trees: its frame's origin in its superview",
       {}},
      {"shell move host",
       {param("index", K::integer), param("x", K::number), param("y", K::number)},
       {},
       "move the host view of wallpaper view INDEX",
       wholeInRange(0, 0, INFINITY)},
      {"shell move wallpaper",
       {param("index", K::integer), param("x", K::number), param("y", K::number)},
       {},
       "move wallpaper view INDEX inside its host view, as parallax does",
       wholeInRange(0, 0, INFINITY)},
      {"shell scroll",
       {choice("view", kMovableViews), param("x", K::number), param("y", K::number)},
       {},
       "scroll a view of the shell's trees: its bounds' origin",
       {}},
      {"shell scroll host",
       {param("index", K::integer), param("x", K::number), param("y", K::number)},
       {},
       "scroll the host view of wallpaper view INDEX",
       wholeInRange(0, 0, INFINITY)},
      {"shell embed wallpaper-window",
       {},
       {},
       "put the wallpaper window under two holder views (window-parent, window-grandparent)",
       {}},
      {"frameworks load",
       {},
       {},
       "the frameworks that load late load now: their classes are found by name",
       {}},
      {"shell rebuild date-view",
       {},
       {},
       "the lock screen rebuilds: the date view goes, the next -dateView makes a new one",
       {}},
      {"shell date-view add",
       {choice("class",
               {"WUIDynamicWeatherBackgroundSubclass", "WUIDynamicWeatherBackground", "UIView"})},
       {},
       "place a new view of that class at the back of the date view",
       {}},
      {"shell asset-name",
       {param("condition", K::integer), param("day", K::flag)},
       {},
       "ask the asset loader for a background file name",
       {}},
      // The shell, as a user drives it.
      {"lock", {}, {}, "lock complete, then display off", {}},
      {"wake", {}, {}, "display on, then the lock screen asks for its date view", {}},
      {"sleep", {}, {}, "display off", {}},
      {"unlock", {}, {}, "unlock, then every wallpaper view's content view, then layout", {}},
      {"post", {param("name", K::name)}, {}, "post any Darwin notification", {}},
      {"notify state",
       {param("name", K::name), param("state", K::integer)},
       {},
       "set a notify state without posting",
       wholeInRange(1, 0, INFINITY)},
      {"notify fail",
       {choice("call", {"register", "get"}), param("status", K::integer, true)},
       {},
       "make the next notify_register_check or notify_get_state fail (status 1000000 unless "
       "given)",
       wholeInRange(1, 1, kMaxUnsigned32)},
      {"alert dismiss", {}, {}, "tap the button of the alert on screen", {}},
      // Time.
      {"advance", {param("duration", K::duration)}, {}, "let virtual time pass", {}},
      // Observation.
      {"show",
       {choice("what",
               {"all", "state", "tree", "timers", "alerts", "files", "settings", "bindings"})},
       {},
       "print what an observer sees",
       {}},
      {"picture",
       {param("name", K::name),
        choice("screen", {"lock-screen", "home-screen", "settings-pane"}, true)},
       {},
       "write an SVG picture of the screen, or of the add-on's pane in the Settings app",
       checkPictureName},
      {"expect",
       {param("path", K::name), param("operator", K::value), param("value", K::value),
        param("list", K::value, true)},
       {},
       "check a value; a difference fails the run",
       checkExpect},
      {"note", {param("text", K::name)}, {}, "write a line into the trace", {}},
  };
  return forms;
}

}  // namespace

bool isWholeNumber(double v) {
  return std::isfinite(v) && std::floor(v) == v && std::fabs(v) < 9e15;
}

std::optional<double> temperatureValue(const Arg& arg) {
  if (arg.kind == TokenKind::number) return arg.number;
  if (arg.kind != TokenKind::word) return std::nullopt;
  if (arg.text == "nan") return std::numeric_limits<double>::quiet_NaN();
  if (arg.text == "inf") return std::numeric_limits<double>::infinity();
  if (arg.text == "-inf") return -std::numeric_limits<double>::infinity();
  return std::nullopt;
}

std::optional<std::string> standardAssetName(std::int64_t condition, bool isDay) {
  return sim::AssetCatalog::standard().filename(condition, isDay);
}

std::optional<std::vector<double>> hourlyTemperatures(const std::string& text) {
  std::vector<double> values;
  if (text.empty()) return values;
  std::size_t start = 0;
  while (true) {
    std::size_t comma = text.find(',', start);
    LexResult lexed =
        lexLine(text.substr(start, comma == std::string::npos ? comma : comma - start));
    if (!lexed.errors.empty() || lexed.tokens.size() != 1) return std::nullopt;
    const Token& t = lexed.tokens[0];
    std::optional<double> value = temperatureValue(Arg{t.kind, t.text, t.number, 0, false, 1});
    if (!value) return std::nullopt;
    values.push_back(*value);
    if (comma == std::string::npos) return values;
    start = comma + 1;
  }
}

const std::vector<CommandForm>& commandForms() {
  static const std::vector<CommandForm> forms = buildForms();
  return forms;
}

}  // namespace nimsim
