// The template process and the shell processes forked from it, driven over a socket (requests)
// and a pipe (replies).
#include "simulator/shell_processes.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

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
  // Requests go through a socket, so that a shell process can read exactly one line from it
  // and leave the next boot request to the template. Close-on-exec: no other process the
  // simulator starts may hold these, or the template would never read the end of its input.
  int requests[2], replies[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, requests) != 0 ||
      pipe2(replies, O_CLOEXEC) != 0)
    throw std::runtime_error("cannot make the pipes to the shell process");
  // Spawned, not forked: a fork of the simulator would leave its pages to copy on write.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, requests[1], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, replies[1], STDOUT_FILENO);
  char* argv[] = {const_cast<char*>(executable.c_str()), nullptr};
  const int spawned = posix_spawn(&pid_, executable.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(requests[1]);
  close(replies[1]);
  if (spawned != 0) {
    close(requests[0]);
    close(replies[0]);
    throw std::runtime_error("cannot start the shell process " + executable);
  }
  in_ = fdopen(requests[0], "w");
  out_ = fdopen(replies[0], "r");
}

ShellProcesses::~ShellProcesses() {
  // The end of its input ends the running shell process, then the template.
  if (in_) std::fclose(in_);
  if (out_) std::fclose(out_);
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
  // The template's word that the last shell process ended comes first.
  if (std::exchange(endPending_, false)) receive();
  json reply = receive();
  if (reply.contains("ended")) {
    running_ = false;
    ended_ = reply["ended"].get<std::string>();
    throw host::PlatformException(ended_, "the shell process ended without answering " + command);
  }
  return reply;
}

// Asked for and not waited for: the template says so before it answers the next boot.
void ShellProcesses::endSession() {
  if (!running_) return;
  running_ = false;
  ended_ = "ended";
  send({{"command", "end"}});
  endPending_ = true;
}

void ShellProcesses::send(const json& message) {
  const std::string line = message.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
  std::fputs(line.c_str(), in_);
  std::fflush(in_);
}

// One line; a template that went away reads as the end of the session.
json ShellProcesses::receive() {
  char* line = nullptr;
  std::size_t capacity = 0;
  const ssize_t length = getline(&line, &capacity, out_);
  json parsed = length > 0 ? json::parse(line, line + length, nullptr, false) : json();
  std::free(line);
  if (!parsed.is_object()) {
    templateGone_ = true;
    return {{"ended", "SIGABRT"}};
  }
  return parsed;
}

}  // namespace nimsim
