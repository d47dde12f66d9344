// A process named SpringBoard with the test shell booted and the add-on library loaded into it
// the way the hook engine loads it; the test observes through messages, the test shell's
// controls and the add-on's exported symbols only.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "objc/runtime/message.h"
#include "objc/seam/stand_ins.h"
#include "objc/test_shell/test_shell.h"

namespace shell_process {

template <class R = id, class... Args>
R msg(id receiver, const char* selector, Args... args) {
  return nimbrel::objc::sendUnguarded<R>(receiver, sel_registerName(selector), args...);
}

inline id classNamed(const char* name) { return reinterpret_cast<id>(objc_getClass(name)); }

struct Pool {
  id pool = msg(classNamed("NSAutoreleasePool"), "new");
  ~Pool() { msg<void>(pool, "drain"); }
};

inline std::string text(id string) {
  const char* utf8 = msg<const char*>(string, "UTF8String");
  return utf8 ? utf8 : "";
}

// A phone's files under a folder of its own, settings in the fallback file (this machine's
// home is not the mobile user's), and the Weather app's local city.
class ShellProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() / ("nimbrel-day-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root_ / "User/Library/Preferences");
    std::filesystem::create_directories(root_ /
                                        "Library/Application Support/Nimbrel/"
                                        "nimbrelResources.bundle");
    setenv("NIMBREL_DEVICE_ROOT", root_.c_str(), 1);
    TSBoot(&shell_, 375, 667, 2, NO);
  }
  void TearDown() override {
    TSShutdown(&shell_);
    std::filesystem::remove_all(root_);
  }

  void writeSettings(const std::string& entries) {
    std::ofstream(root_ / "User/Library/Preferences/be.quorvane.nimbrel.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" << entries
        << "</dict></plist>\n";
  }

  // As the hook engine does: the library's initialiser runs inside dlopen.
  void load() {
    Pool pool;
    addon_ = dlopen(NIMBREL_OBJC_ADDON, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(addon_, nullptr) << dlerror();
  }

  template <class T>
  T& exported(const char* name) {
    return *static_cast<T*>(dlsym(addon_, name));
  }

  void setDisplay(bool on) {
    int token = -1;
    notify_register_check("com.apple.iokit.hid.displayStatus", &token);
    notify_set_state(token, on ? 1 : 0);
    nimbrel_darwin_post("com.apple.iokit.hid.displayStatus");
  }
  void lock() {
    nimbrel_darwin_post("com.apple.springboard.lockcomplete");
    setDisplay(false);
  }
  id wake() {
    setDisplay(true);
    return msg(shell_.dateViewController, "dateView");
  }
  void unlock() {
    msg<void>(shell_.lockScreenManager, "_finishUIUnlockFromSource:withOptions:", 1, nullptr);
    msg(shell_.wallpaperView, "contentView");
    msg<void>(shell_.wallpaperView, "layoutSubviews");
    msg<void>(shell_.window, "layoutSubviews");
  }

  std::filesystem::path root_;
  TSShell shell_{};
  void* addon_ = nullptr;
};

}  // namespace shell_process
