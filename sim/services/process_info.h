// NSProcessInfo's arguments and NSHomeDirectory of a simulated process.
#pragma once

#include <string>
#include <vector>

#include "host/services.h"

namespace sim {

class ProcessInfoImpl final : public host::ProcessInfo {
 public:
  // Element 0 of the arguments is the executable path
  // ("/System/Library/CoreServices/SpringBoard.app/SpringBoard" for the shell).
  ProcessInfoImpl(std::vector<std::string> arguments, std::string homeDirectory)
      : arguments_(std::move(arguments)), homeDirectory_(std::move(homeDirectory)) {}

  std::vector<std::string> arguments() const override { return arguments_; }
  std::string homeDirectory() const override { return homeDirectory_; }

 private:
  std::vector<std::string> arguments_;
  std::string homeDirectory_;
};

}  // namespace sim
