// The template the shell processes are forked from: started once per run, it does what is the
// same for every boot (the dynamic linker, GNUstep's start-up, the first use of Foundation's
// classes), then forks one shell process per boot, ahead of it. It never loads the add-on: the hook
// engine loads it into each new shell process, and its initialiser must run in each.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace nimsim::objcshell {

// Lines from a file descriptor, read exactly: never a byte past the line, so that what follows
// stays for the next reader (the template's next boot request after a shell process's end).
// From a socket a line takes two reads; from anything else, one per byte.
class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd) {}
  // The next line without its newline; none at the end of input.
  std::optional<std::string> next();

 private:
  int fd_;
  bool peek_ = true;
};

// A shell process's session: it answers the boot request `first`, then every further line
// of `requests` until the simulator ends the session.
using Session = std::function<void(const std::string& first, LineReader& requests)>;

// Hands each line read from standard input (a boot request) to a shell process forked ahead
// of it, and waits for its session; once that has ended, writes one line to `replies` saying
// how: {"ended": "exit status 0"} or {"ended": "SIGSEGV"}. Returns at the end of input.
int serveBoots(FILE* replies, const Session& session);

}  // namespace nimsim::objcshell
