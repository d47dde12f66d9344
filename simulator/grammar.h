// The scenario language's commands: their keywords, arguments and options.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "simulator/script.h"

namespace nimsim {

enum class ParamKind {
  choice,    // one word out of a list
  name,      // a word or a string
  path,      // a device path: /var/mobile, or a string
  integer,   // a whole number
  number,    // any number
  flag,      // yes/no, true/false, on/off
  duration,  // 30s, 250ms, 5m
  size,      // 375x667
  value,     // any single token; the command's check decides
  rest,      // every remaining word or string
  integers,  // one or more remaining whole numbers from 0 to 4294967295
};

struct Param {
  std::string name;
  ParamKind kind = ParamKind::name;
  std::vector<std::string> choices;  // for choice
  bool optional = false;
};

// An error found while checking a statement: the column and what was expected.
struct CheckError {
  int column = 1;
  std::string message;
};

struct CommandForm {
  Command id = Command::note;
  std::string keywords;        // "settings set"
  std::vector<Param> params;   // positional, in order; optional ones come last
  std::vector<Param> options;  // key=value, any order, each at most once, all optional
  std::string summary;         // one line for `nimsim commands`
  // Checks what the generic pass cannot (a value against its declared type); may normalise.
  std::function<std::optional<CheckError>(Statement&)> check;
};

// Every command of the language, in the order of commands.def, each at its id's index.
const std::vector<CommandForm>& commandForms();

// A finite whole number small enough to be exact in a double and in a 64-bit integer.
bool isWholeNumber(double value);

// hourly="12,13.5,-2,nan": the temperatures of the list, or none when a part is neither a
// number nor nan, inf or -inf.
std::optional<std::vector<double>> hourlyTemperatures(const std::string& text);

// A temperature written as a number, nan, inf or -inf; none for anything else.
std::optional<double> temperatureValue(const Arg& arg);

// The standard catalogue's background asset for the pair, or none.
std::optional<std::string> standardAssetName(std::int64_t condition, bool isDay);

}  // namespace nimsim
