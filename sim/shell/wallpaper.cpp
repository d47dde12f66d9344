// The original implementations of the wallpaper's and the lock screen manager's methods.
#include "sim/shell/wallpaper.h"

#include <stdexcept>

#include "sim/originals.h"

namespace sim {

namespace {

template <class Sim, class Object>
Sim& simObject(Object* object, const char* method) {
  auto* sim = dynamic_cast<Sim*>(object);
  if (!sim)
    throw std::logic_error(std::string("not modelled: ") + method +
                           " sent to an object outside the simulated shell");
  return *sim;
}

}  // namespace

std::shared_ptr<host::View> originals::contentView(const std::shared_ptr<host::View>& self,
                                                   host::Selector) {
  auto& wallpaper =
      simObject<SimWallpaperView>(self.get(), "-[SBFStaticWallpaperView contentView]");
  auto& cls = simObject<WallpaperViewClass>(&wallpaper.objectClass(),
                                            "-[SBFStaticWallpaperView contentView]");
  if (cls.raisesAtContentView > 0) {
    --cls.raisesAtContentView;
    wallpaper.record().add("original", [&] {
      return "-[SBFStaticWallpaperView contentView] of the " + wallpaper.variant() +
             " wallpaper raised NSInternalInconsistencyException";
    });
    throw host::PlatformException("NSInternalInconsistencyException",
                                  "The wallpaper view cannot answer its content view now");
  }
  return wallpaper.ownContentView();
}

// The content view fills the wallpaper view.
void originals::wallpaperViewLayoutSubviews(const std::shared_ptr<host::View>& self,
                                            host::Selector) {
  auto& wallpaper =
      simObject<SimWallpaperView>(self.get(), "-[SBFStaticWallpaperView layoutSubviews]");
  wallpaper.countLayout();
  if (const auto& content = wallpaper.ownContentView()) content->setFrame(wallpaper.bounds());
  wallpaper.record().add("original", [&] {
    return "-[SBFStaticWallpaperView layoutSubviews] laid out the " + wallpaper.variant() +
           " wallpaper";
  });
}

void originals::wallpaperWindowLayoutSubviews(const std::shared_ptr<host::View>& self,
                                              host::Selector) {
  auto& window = simObject<SimWallpaperWindow>(self.get(), "-[_SBWallpaperWindow layoutSubviews]");
  window.countLayout();
  window.record().add("original", "-[_SBWallpaperWindow layoutSubviews] laid out the window");
}

bool originals::allowsParallax(host::Class& self, host::Selector) {
  auto& cls = simObject<WallpaperViewClass>(&self, "+[SBFStaticWallpaperView _allowsParallax]");
  cls.record().add("original", "+[SBFStaticWallpaperView _allowsParallax] answered YES");
  return true;
}

void originals::finishUIUnlock(const host::Id& self, host::Selector, long source,
                               const host::Id& options) {
  auto& manager = simObject<SimLockScreenManager>(
      self.get(), "-[SBLockScreenManager _finishUIUnlockFromSource:withOptions:]");
  manager.finishUnlock();
  manager.record().add("original", [&] {
    return "-[SBLockScreenManager _finishUIUnlockFromSource:withOptions:] finished "
           "the unlock from source " +
           std::to_string(source) + (options ? " with options" : "");
  });
}

}  // namespace sim
