// nimsim: runs a scenario against the simulated shell with the add-on loaded.
#include "simulator/cli.h"

int main(int argc, char** argv) { return nimsim::runCommandLine(argc, argv); }
