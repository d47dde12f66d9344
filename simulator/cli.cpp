// The command line of nimsim (CLI11).
#include "simulator/cli.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <sstream>

#include "simulator/parser.h"

namespace nimsim {

int runCommandLine(int argc, char** argv) {
  CLI::App app{"nimsim: runs scenarios against a simulated shell with the add-on loaded"};
  app.require_subcommand(1);
  std::string file;
  CLI::App* run = app.add_subcommand("run", "run a scenario file (or the built-in default)");
  run->add_option("file", file, "scenario file; none runs the built-in default scenario");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  ParseResult parsed = parseScenario(text.str(), file);
  for (const ParseError& e : parsed.errors) std::cerr << e.format() << "\n";
  return parsed.ok() ? 0 : 2;
}

}  // namespace nimsim
