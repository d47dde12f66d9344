// The template process: GNUstep started and Foundation's classes initialised once, then one
// fork per boot. A fork copies only the calling thread, so the template checks that it has no
// other before the first.
#include "simulator/objc_shell/template_process.h"

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
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

void writeLine(FILE* out, const nlohmann::json& line) {
  std::fputs((line.dump() + "\n").c_str(), out);
  std::fflush(out);
}

}  // namespace

std::optional<std::string> LineReader::next() {
  std::string line;
  for (;;) {
    char chunk[65536];
    ssize_t got = peek_ ? recv(fd_, chunk, sizeof chunk, MSG_PEEK) : read(fd_, chunk, 1);
    if (got < 0 && errno == ENOTSOCK) {
      peek_ = false;
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return line.empty() ? std::nullopt : std::optional(line);
    const char* newline =
        static_cast<const char*>(std::memchr(chunk, '\n', static_cast<std::size_t>(got)));
    const std::size_t length =
        newline ? static_cast<std::size_t>(newline - chunk) + 1 : static_cast<std::size_t>(got);
    // What was peeked at is taken now, up to the newline.
    if (peek_ && read(fd_, chunk, length) != static_cast<ssize_t>(length)) return std::nullopt;
    line.append(chunk, newline ? length - 1 : length);
    if (newline) return line;
  }
}

int serveBoots(FILE* replies, const Session& session) {
  warmUp();
  if (threadCount() != 1) {
    std::fprintf(stderr, "nimsim-objc-shell: GNUstep started a thread; cannot fork from it\n");
    return 1;
  }
  LineReader requests(STDIN_FILENO);
  // Nothing buffered may be written twice, once by each side of a fork.
  std::fflush(nullptr);
  while (std::optional<std::string> boot = requests.next()) {
    // The end of a shell process that had already crashed: nothing is left to end.
    const nlohmann::json request = nlohmann::json::parse(*boot, nullptr, false);
    if (request.is_object() && request.value("command", "") == "end") continue;
    const pid_t child = fork();
    if (child < 0) {
      writeLine(replies, {{"ended", std::string("cannot fork: ") + std::strerror(errno)}});
      continue;
    }
    if (child == 0) {
      session(*boot, requests);
      // A respring ends a shell without tearing anything down: the add-on's hooks and the
      // objects they hold stay to the end, so no leak check is due either.
      std::fflush(nullptr);
      _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    writeLine(replies, {{"ended", endOf(status)}});
  }
  return 0;
}

}  // namespace nimsim::objcshell
