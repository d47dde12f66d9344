// The shell's wallpaper views and window, and the lock screen manager.
#pragma once

#include <memory>
#include <string>

#include "host/methods.h"
#include "sim/record.h"
#include "sim/runtime/class.h"
#include "sim/views/view.h"

namespace sim {

// SBFStaticWallpaperView: a wallpaper view holding its content view, which it fills.
// variant names it in the record ("home screen", "lock screen").
class SimWallpaperView final : public ViewImpl<host::View> {
 public:
  SimWallpaperView(host::Class& cls, const host::Rect& frame, std::string variant, Record& record)
      : ViewImpl(cls, frame), variant_(std::move(variant)), record_(record) {}

  const std::string& variant() const { return variant_; }
  // Set once when the shell builds the wallpaper.
  void setContentView(std::shared_ptr<host::View> contentView) {
    contentView_ = std::move(contentView);
  }
  const std::shared_ptr<host::View>& ownContentView() const { return contentView_; }
  Record& record() const { return record_; }
  int layoutCount() const { return layouts_; }
  void countLayout() { ++layouts_; }

 private:
  std::string variant_;
  Record& record_;
  std::shared_ptr<host::View> contentView_;
  int layouts_ = 0;
};

// The class object of SBFStaticWallpaperView, which answers +_allowsParallax.
class WallpaperViewClass final : public ClassImpl<host::Class> {
 public:
  WallpaperViewClass(ClassSetup setup, Record& record)
      : ClassImpl(std::move(setup)), record_(record) {}
  Record& record() const { return record_; }
  // The next so many calls of -contentView, the shell's own, raise.
  int raisesAtContentView = 0;
  // What the original +_allowsParallax answers.
  bool allowsParallax = true;

 private:
  Record& record_;
};

// _SBWallpaperWindow: the window the wallpaper views live in.
class SimWallpaperWindow final : public ViewImpl<host::View> {
 public:
  SimWallpaperWindow(host::Class& cls, const host::Rect& frame, Record& record)
      : ViewImpl(cls, frame), record_(record) {}
  Record& record() const { return record_; }
  int layoutCount() const { return layouts_; }
  void countLayout() { ++layouts_; }

 private:
  Record& record_;
  int layouts_ = 0;
};

// SBLockScreenManager.
class SimLockScreenManager final : public Instance<host::Object> {
 public:
  SimLockScreenManager(host::Class& cls, Record& record) : Instance(cls), record_(record) {}
  Record& record() const { return record_; }
  int unlockCount() const { return unlocks_; }
  // The device locks: the lock screen is up until the shell's own unlock finishes.
  void lockUI() { uiLocked_ = true; }
  void finishUnlock() {
    ++unlocks_;
    uiLocked_ = false;
  }
  bool isUILocked() const { return uiLocked_; }

 private:
  Record& record_;
  int unlocks_ = 0;
  bool uiLocked_ = false;
};

}  // namespace sim
