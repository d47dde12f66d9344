// The command line of nimsim: run, profiles, commands, default.
#pragma once

namespace nimsim {

// Parses the command line and runs the chosen subcommand; returns the exit status.
int runCommandLine(int argc, char** argv);

}  // namespace nimsim
