// The scenario language's commands by id (expanded from commands.def), and a parsed command as
// the shell process of the Objective-C platform receives it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace nimsim {

struct Statement;

enum class Command {
#define NIMSIM_COMMAND(id, keywords, where, params, options, summary, check) id,
#include "simulator/commands.def"
};

// Who carries a command out.
enum class Where {
  device,             // the world, with or without a process (the device, its files, its apps)
  process,            // the world, in the running process (booting the shell first)
  runner,             // the runner itself, with or without a process
  runnerWithProcess,  // the runner itself, booting the shell first
};

// The status `notify fail` makes a call answer when the scenario gives none.
inline constexpr std::uint32_t kDefaultNotifyFailure = 1000000;

// The command's keywords, joined by one space: "settings set".
const char* keywordsOf(Command command);
Where whereOf(Command command);
// The command with these keywords, or none.
std::optional<Command> commandNamed(const std::string& keywords);

// A statement as one JSON object and back, for the shell process of the Objective-C platform.
// Raises std::invalid_argument for an object that is not one.
nlohmann::json statementJson(const Statement& statement);
Statement statementFromJson(const nlohmann::json& json);

}  // namespace nimsim
