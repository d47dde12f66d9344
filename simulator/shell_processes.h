// The shell processes of the Objective-C platform, as the simulator drives them: a template
// process (nimsim-objc-shell) forks one shell process per boot, which answers one JSON line per
// request on the same pipes until its session is ended (simulator/objc_shell/).
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

namespace nimsim {

class ShellProcesses {
 public:
  // A template not in use since an earlier world of this simulator process, or a new one.
  // A template keeps nothing of a world (the device's folder comes with each boot), so its
  // start-up is paid once per simulator process.
  static std::unique_ptr<ShellProcesses> take(const std::string& executable);
  // Kept for the next world, its running session ended; a template that went away is not.
  static void giveBack(std::unique_ptr<ShellProcesses> processes);

  explicit ShellProcesses(const std::string& executable);
  ~ShellProcesses();
  ShellProcesses(const ShellProcesses&) = delete;
  ShellProcesses& operator=(const ShellProcesses&) = delete;

  // A new shell process, the running one ended first, as a respring does.
  nlohmann::json boot(const nlohmann::json& message);
  // One request, one reply; a shell process that ended instead of answering, or had ended
  // before, is a crash of the shell (host::PlatformException named by how it ended). So is one
  // that gives no answer within a minute (NIMSIM_SHELL_ANSWER_SECONDS, if set): it is killed
  // with its template.
  nlohmann::json request(const nlohmann::json& message);

 private:
  void endSession();
  void send(const nlohmann::json& message);
  nlohmann::json receive();

  std::string executable_;
  pid_t pid_ = -1;
  FILE* in_ = nullptr;
  int out_ = -1;
  std::string unread_;    // what was read past the last line taken
  bool running_ = false;  // a shell process is serving requests
  bool templateGone_ = false;
  std::string ended_;  // how the last one ended
};

}  // namespace nimsim
