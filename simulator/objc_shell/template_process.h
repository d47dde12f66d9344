// The template the shell processes are forked from: started once per simulator process (and
// kept from one world to the next), it does what is the same for every boot (the dynamic
// linker, GNUstep's start-up, the first use of Foundation's classes), then forks one shell
// process per boot and waits for its end. It never loads the add-on: the hook engine loads it
// into each new shell process, and its initialiser must run in each.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace nimsim::objcshell {

// A shell process's session: it answers the boot request `first`, then every further line of
// standard input until the simulator ends the session.
using Session = std::function<void(const std::string& first)>;

// Forks a shell process for each line of standard input (a boot request) and waits for its
// exit, then writes one line to `replies` saying how it ended: {"ended": "exit status 0"} or
// {"ended": "SIGSEGV"}. The simulator sends nothing more until it has read that line, so the
// template reads only boot requests. Returns at the end of input.
int serveBoots(FILE* replies, const Session& session);

}  // namespace nimsim::objcshell
