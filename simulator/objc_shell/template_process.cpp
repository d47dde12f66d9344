// The template process: GNUstep started and Foundation's classes initialised once, then one
// fork per boot, made ahead of it. A fork copies only the calling thread, so the template
// checks that it has no other before the first.
#include "simulator/objc_shell/template_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

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

namespace {

// A shell process forked ahead of its boot. It waits on a pipe of its own for the boot request
// and says on another when the simulator has ended its session, which leaves only the exit.
struct Spare {
  pid_t pid = -1;
  int boot = -1;    // the template writes the boot request here
  int status = -1;  // and reads the shell process's word here
};

constexpr char ending = 'e';

// A fork leaves the template's pages to be copied on the child's first write to each. Most of
// a shell process's writes land in the heap, among malloc's lists, so a spare copies the heap
// while it waits rather than page by page as it boots; a piece at a time, so that a boot
// request arriving meanwhile is not kept waiting. Other areas are left: copying each library's
// data too costs more than it saves.
void copyHeapUntilBoot(int boot) {
#ifdef MADV_POPULATE_WRITE  // Linux 5.14; on an older kernel the call fails and costs nothing
  std::ifstream maps("/proc/self/maps");
  std::uintptr_t start = 0, end = 0;
  for (std::string line; std::getline(maps, line);)
    if (line.find("[heap]") != std::string::npos &&
        std::sscanf(line.c_str(), "%" SCNxPTR "-%" SCNxPTR, &start, &end) == 2)
      break;
  constexpr std::uintptr_t piece = 128 * 1024;
  pollfd request{boot, POLLIN, 0};
  for (std::uintptr_t at = start; at < end && poll(&request, 1, 0) == 0; at += piece)
    madvise(reinterpret_cast<void*>(at), std::min(piece, end - at), MADV_POPULATE_WRITE);
#else
  (void)boot;
#endif
}

// Everything written to `fd` until its writer closes it.
std::string readToEnd(int fd) {
  std::string text;
  char chunk[65536];
  for (ssize_t got; (got = read(fd, chunk, sizeof chunk)) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    text.append(chunk, static_cast<std::size_t>(got));
  }
  return text;
}

void say(int fd, char word) {
  while (write(fd, &word, 1) < 0 && errno == EINTR) {
  }
}

// The shell process's next word; none once it has closed the pipe, by exiting or crashing.
std::optional<char> hear(int fd) {
  char word = 0;
  for (;;) {
    const ssize_t got = read(fd, &word, 1);
    if (got == 1) return word;
    if (got < 0 && errno == EINTR) continue;
    return std::nullopt;
  }
}

// Waits for the boot request, the one line the template writes on `boot` before closing it;
// an empty pipe ends the spare.
[[noreturn]] void waitAsSpare(int boot, int status, LineReader& requests, const Session& session) {
  copyHeapUntilBoot(boot);
  std::string first = readToEnd(boot);
  close(boot);
  if (!first.empty() && first.back() == '\n') first.pop_back();
  if (!first.empty()) session(first, requests);
  say(status, ending);
  // What is left is the exit's tearing down, which the next boot need not wait for.
  setpriority(PRIO_PROCESS, 0, 19);
  // A respring ends a shell without tearing anything down: the add-on's hooks and the objects
  // they hold stay to the end, so no leak check is due either.
  std::fflush(nullptr);
  _exit(0);
}

std::optional<Spare> forkSpare(LineReader& requests, const Session& session) {
  int boot[2], status[2];
  if (pipe2(boot, O_CLOEXEC) != 0) return std::nullopt;
  if (pipe2(status, O_CLOEXEC) != 0) {
    close(boot[0]);
    close(boot[1]);
    return std::nullopt;
  }
  const pid_t child = fork();
  if (child == 0) {
    close(boot[1]);
    close(status[0]);
    waitAsSpare(boot[0], status[1], requests, session);
  }
  close(boot[0]);
  close(status[1]);
  if (child < 0) {
    close(boot[1]);
    close(status[0]);
    return std::nullopt;
  }
  return Spare{child, boot[1], status[0]};
}

// Hands `boot` to the spare, which becomes that boot's shell process.
bool startBoot(const Spare& spare, const std::string& boot) {
  const std::string line = boot + "\n";
  const bool sent =
      write(spare.boot, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  close(spare.boot);
  return sent;
}

int waitFor(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// The simulator's end of a session, sent alone on its line. A boot request is left to the
// shell process to read.
bool isEnd(const std::string& line) {
  if (line.size() > 64) return false;
  const nlohmann::json request = nlohmann::json::parse(line, nullptr, false);
  return request.is_object() && request.value("command", "") == "end";
}

}  // namespace

int serveBoots(FILE* replies, const Session& session) {
  warmUp();
  if (threadCount() != 1) {
    std::fprintf(stderr, "nimsim-objc-shell: GNUstep started a thread; cannot fork from it\n");
    return 1;
  }
  LineReader requests(STDIN_FILENO);
  // Nothing buffered may be written twice, once by each side of a fork.
  std::fflush(nullptr);
  std::optional<Spare> spare = forkSpare(requests, session);
  std::vector<pid_t> exiting;
  while (std::optional<std::string> boot = requests.next()) {
    // The end of a shell process that had already crashed: nothing is left to end.
    if (isEnd(*boot)) continue;
    if (!spare) spare = forkSpare(requests, session);
    if (!spare) {
      writeLine(replies, {{"ended", std::string("cannot fork: ") + std::strerror(errno)}});
      continue;
    }
    const Spare shell = *std::exchange(spare, std::nullopt);
    if (!startBoot(shell, *boot)) kill(shell.pid, SIGKILL);
    spare = forkSpare(requests, session);
    const bool ended = hear(shell.status) == ending;
    close(shell.status);
    // A session ended by the simulator leaves only the exit, which need not be waited for: the
    // next boot goes ahead of it.
    if (ended) {
      writeLine(replies, {{"ended", "exit status 0"}});
      exiting.push_back(shell.pid);
    } else {
      writeLine(replies, {{"ended", endOf(waitFor(shell.pid))}});
    }
    std::erase_if(exiting, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
  }
  if (spare) {
    close(spare->boot);
    close(spare->status);
    waitFor(spare->pid);
  }
  for (pid_t pid : exiting) waitFor(pid);
  return 0;
}

}  // namespace nimsim::objcshell
