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

std::optional<CheckError> checkCustomScreen(Statement& s) {
  if (!s.option("screen") || !s.option("native"))
    return error(s.column, "'device custom' needs both screen=WxH and native=WxH");
  for (const char* key : {"screen", "native"}) {
    const Arg* a = s.option(key);
    if (a->number <= 0 || a->second <= 0)
      return error(a->column, std::string(key) + " needs a positive width and height");
  }
  return std::nullopt;
}

std::optional<CheckError> typedValueAfterKey(Statement& s) { return checkTypedValue(s, 1); }
std::optional<CheckError> typedValueAfterPathAndKey(Statement& s) { return checkTypedValue(s, 2); }

std::optional<CheckError> checkAppendTimes(Statement& s) {
  const Arg* times = s.option("times");
  if (!times || (times->number >= 1 && times->number <= kMaxAppendTimes)) return std::nullopt;
  return error(times->column, "expected a whole number from 1 to " +
                                  std::to_string(static_cast<long>(kMaxAppendTimes)));
}

std::optional<CheckError> checkAlpha(Statement& s) {
  if (s.args[0].number < 0 || s.args[0].number > 1)
    return error(s.args[0].column, "expected an alpha from 0 to 1");
  return std::nullopt;
}

std::vector<CommandForm> buildForms() {
  using K = ParamKind;
#define NIMSIM_PARAMS(...) \
  std::vector<Param> { __VA_ARGS__ }
#define NIMSIM_COMMAND(id, keywords, where, params, options, summary, check) \
  {Command::id, keywords, NIMSIM_PARAMS params, NIMSIM_PARAMS options, summary, check},
  return {
#include "simulator/commands.def"
  };
#undef NIMSIM_PARAMS
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
