// The commands' ids, keywords and reach from commands.def; statements to JSON and back.
#include "simulator/command.h"

#include <cmath>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "simulator/script.h"

namespace nimsim {
namespace {

using nlohmann::json;

struct Row {
  const char* keywords;
  Where where;
};

constexpr Row kRows[] = {
#define NIMSIM_COMMAND(id, keywords, where, params, options, summary, check) \
  {keywords, Where::where},
#include "simulator/commands.def"
};

// JSON has no NaN or infinities, and a temperature may be one.
json numberJson(double value) {
  if (std::isfinite(value)) return value;
  return std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf";
}

double numberFrom(const json& value) {
  if (value.is_number()) return value.get<double>();
  const std::string text = value.get<std::string>();
  if (text == "nan") return std::numeric_limits<double>::quiet_NaN();
  return text == "inf" ? INFINITY : -INFINITY;
}

json argJson(const Arg& arg) {
  return {
      {"kind", static_cast<int>(arg.kind)}, {"text", arg.text}, {"number", numberJson(arg.number)},
      {"second", numberJson(arg.second)},   {"flag", arg.flag}, {"column", arg.column}};
}

Arg argFrom(const json& value) {
  return {static_cast<TokenKind>(value.at("kind").get<int>()),
          value.at("text").get<std::string>(),
          numberFrom(value.at("number")),
          numberFrom(value.at("second")),
          value.at("flag").get<bool>(),
          value.at("column").get<int>()};
}

}  // namespace

const char* keywordsOf(Command command) {
  return kRows[static_cast<std::size_t>(command)].keywords;
}

Where whereOf(Command command) { return kRows[static_cast<std::size_t>(command)].where; }

std::optional<Command> commandNamed(const std::string& keywords) {
  for (std::size_t i = 0; i < std::size(kRows); ++i)
    if (keywords == kRows[i].keywords) return static_cast<Command>(i);
  return std::nullopt;
}

json statementJson(const Statement& statement) {
  json args = json::array(), options = json::object();
  for (const Arg& arg : statement.args) args.push_back(argJson(arg));
  for (const auto& [key, arg] : statement.options) options[key] = argJson(arg);
  return {{"command", statement.command},
          {"line", statement.line},
          {"args", args},
          {"options", options},
          {"source", statement.source}};
}

Statement statementFromJson(const json& value) {
  try {
    Statement statement;
    statement.command = value.at("command").get<std::string>();
    std::optional<Command> id = commandNamed(statement.command);
    if (!id) throw std::invalid_argument("no command '" + statement.command + "'");
    statement.id = *id;
    statement.line = value.at("line").get<int>();
    statement.source = value.at("source").get<std::string>();
    for (const json& arg : value.at("args")) statement.args.push_back(argFrom(arg));
    for (const auto& [key, arg] : value.at("options").items())
      statement.options[key] = argFrom(arg);
    return statement;
  } catch (const json::exception& e) {
    throw std::invalid_argument(std::string("not a scenario command: ") + e.what());
  }
}

}  // namespace nimsim
