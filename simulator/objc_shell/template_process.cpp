// The template process: GNUstep started and Foundation's classes initialised once, then one
// fork per boot. A fork copies only the calling thread, so the template checks that it has no
// other first.
#include "simulator/objc_shell/template_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "simulator/objc_shell/runtime_access.h"

namespace nimsim::objcshell {
namespace {

// Foundation's classes the shell process and the add-on use, sent their first message here
// (GNUstep initialises a class then), and a property list written and read, which sets up
// GNUstep's encodings and locale.
void warmUp() {
  const id pool = msg(classNamed("NSAutoreleasePool"), "new");
  for (const char* name :
       {"NSString", "NSNumber", "NSArray", "NSMutableArray", "NSDictionary", "NSMutableDictionary",
        "NSData", "NSDate", "NSTimer", "NSException", "NSPropertyListSerialization", "NSThread"})
    msg(classNamed(name), "class");
  id list = foundationValue({{"name", "warm-up"}, {"values", {1, 2.5, true}}});
  for (unsigned long format : {100ul, 200ul}) {  // XML and binary
    id data = msg(classNamed("NSPropertyListSerialization"),
                  "dataWithPropertyList:format:options:error:", list, format, 0ul,
                  static_cast<id*>(nullptr));
    msg(classNamed("NSPropertyListSerialization"),
        "propertyListWithData:options:format:error:", data, 0ul, static_cast<void*>(nullptr),
        static_cast<id*>(nullptr));
  }
  msg<void>(pool, "drain");
}

std::size_t threadCount() {
  std::error_code ec;
  const std::filesystem::directory_iterator tasks("/proc/self/task", ec);
  return ec ? 1 : static_cast<std::size_t>(std::distance(tasks, {}));
}

// How a child ended, as the simulator names a crash.
std::string endOf(int status) {
  if (WIFSIGNALED(status)) {
    const char* name = sigabbrev_np(WTERMSIG(status));
    return name ? std::string("SIG") + name : "signal " + std::to_string(WTERMSIG(status));
  }
  return "exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

std::string runShellProcess(const std::string& boot, const Session& session) {
  // Nothing buffered may be written twice, once by each side of the fork.
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return std::string("cannot fork: ") + std::strerror(errno);
  if (child == 0) {
    session(boot);
    // A respring ends a shell without tearing anything down: the add-on's hooks and the
    // objects they hold stay to the end, so no leak check is due either.
    std::fflush(nullptr);
    _exit(0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return endOf(status);
}

}  // namespace

int serveBoots(FILE* replies, const Session& session) {
  warmUp();
  if (threadCount() != 1) {
    std::fprintf(stderr, "nimsim-objc-shell: GNUstep started a thread; cannot fork from it\n");
    return 1;
  }
  for (std::string boot; std::getline(std::cin, boot);) {
    const std::string line =
        nlohmann::json{{"ended", runShellProcess(boot, session)}}.dump() + "\n";
    std::fputs(line.c_str(), replies);
    std::fflush(replies);
  }
  return 0;
}

}  // namespace nimsim::objcshell
