// The template process and the shell processes forked from it, driven over two pipes:
// requests in, replies out.
#include "simulator/shell_processes.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "host/object.h"

namespace nimsim {
namespace {

using nlohmann::json;

struct IdleTemplates {
  std::mutex mutex;
  std::vector<std::unique_ptr<ShellProcesses>> kept;
};

IdleTemplates& idle() {
  static IdleTemplates templates;
  return templates;
}

// Long enough for any boot, even under the sanitizers; a test sets less.
int answerLimitSeconds() {
  const char* set = std::getenv("NIMSIM_SHELL_ANSWER_SECONDS");
  const long seconds = set ? std::strtol(set, nullptr, 10) : 0;
  return seconds > 0 && seconds <= 3600 ? static_cast<int>(seconds) : 60;
}

}  // namespace

std::unique_ptr<ShellProcesses> ShellProcesses::take(const std::string& executable) {
  IdleTemplates& templates = idle();
  std::lock_guard lock(templates.mutex);
  for (auto it = templates.kept.begin(); it != templates.kept.end(); ++it) {
    if ((*it)->executable_ != executable) continue;
    std::unique_ptr<ShellProcesses> found = std::move(*it);
    templates.kept.erase(it);
    return found;
  }
  return std::make_unique<ShellProcesses>(executable);
}

void ShellProcesses::giveBack(std::unique_ptr<ShellProcesses> processes) {
  if (!processes || processes->templateGone_) return;
  processes->endSession();
  IdleTemplates& templates = idle();
  std::lock_guard lock(templates.mutex);
  templates.kept.push_back(std::move(processes));
}

ShellProcesses::ShellProcesses(const std::string& executable) : executable_(executable) {
  // Close-on-exec: no other process the simulator starts may hold these, or the template would
  // never read the end of its input.
  int requests[2], replies[2];
  if (pipe2(requests, O_CLOEXEC) != 0 || pipe2(replies, O_CLOEXEC) != 0)
    throw std::runtime_error("cannot make the pipes to the shell process");
  // Spawned, not forked: a fork of the simulator would leave its pages to copy on write.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, requests[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, replies[1], STDOUT_FILENO);
  // A group of its own, with the shell processes it forks, so that a hung one goes with it.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  char* argv[] = {const_cast<char*>(executable.c_str()), nullptr};
  const int spawned = posix_spawn(&pid_, executable.c_str(), &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(requests[0]);
  close(replies[1]);
  if (spawned != 0) {
    close(requests[1]);
    close(replies[0]);
    throw std::runtime_error("cannot start the shell process " + executable);
  }
  in_ = fdopen(requests[1], "w");
  out_ = replies[0];
}

ShellProcesses::~ShellProcesses() {
  // The end of its input ends the running shell process, then the template.
  if (in_) std::fclose(in_);
  if (out_ >= 0) close(out_);
  int status = 0;
  waitpid(pid_, &status, 0);
}

json ShellProcesses::boot(const json& message) {
  endSession();
  running_ = true;
  return request(message);
}

json ShellProcesses::request(const json& message) {
  const std::string command = message.value("command", std::string());
  if (!running_)
    throw host::PlatformException(ended_, "the shell process had ended before " + command);
  send(message);
  json reply = receive();
  if (reply.contains("ended")) {
    running_ = false;
    ended_ = reply["ended"].get<std::string>();
    throw host::PlatformException(ended_, "the shell process ended without answering " + command);
  }
  return reply;
}

// Waited for: the template reads the next line only once the shell process has exited.
void ShellProcesses::endSession() {
  if (!running_) return;
  running_ = false;
  ended_ = "ended";
  send({{"command", "end"}});
  receive();
}

void ShellProcesses::send(const json& message) {
  const std::string line = message.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
  std::fputs(line.c_str(), in_);
  std::fflush(in_);
}

// One line; a template that went away reads as the end of the session, and so does one whose
// shell process answers nothing in time, killed with it.
json ShellProcesses::receive() {
  for (;;) {
    const std::size_t newline = unread_.find('\n');
    if (newline != std::string::npos) {
      json parsed = json::parse(unread_.begin(), unread_.begin() + static_cast<long>(newline),
                                nullptr, false);
      unread_.erase(0, newline + 1);
      if (!parsed.is_object()) break;
      return parsed;
    }
    pollfd answer{out_, POLLIN, 0};
    const int ready = poll(&answer, 1, answerLimitSeconds() * 1000);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      kill(-pid_, SIGKILL);
      templateGone_ = true;
      return {{"ended", "no answer within " + std::to_string(answerLimitSeconds()) + " s"}};
    }
    char chunk[65536];
    const ssize_t got = ready > 0 ? read(out_, chunk, sizeof chunk) : -1;
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    unread_.append(chunk, static_cast<std::size_t>(got));
  }
  templateGone_ = true;
  return {{"ended", "SIGABRT"}};
}

}  // namespace nimsim
