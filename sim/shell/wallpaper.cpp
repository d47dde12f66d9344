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
    wallpaper.record().add([&] { return facts::ContentViewRaised{wallpaper.variant()}; });
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
  wallpaper.record().add([&] { return facts::WallpaperLaidOut{wallpaper.variant()}; });
}

void originals::wallpaperWindowLayoutSubviews(const std::shared_ptr<host::View>& self,
                                              host::Selector) {
  auto& window = simObject<SimWallpaperWindow>(self.get(), "-[_SBWallpaperWindow layoutSubviews]");
  window.countLayout();
  window.record().add(facts::WindowLaidOut{});
}

bool originals::allowsParallax(host::Class& self, host::Selector) {
  auto& cls = simObject<WallpaperViewClass>(&self, "+[SBFStaticWallpaperView _allowsParallax]");
  cls.record().add(facts::ParallaxAnswered{cls.allowsParallax});
  return cls.allowsParallax;
}

void originals::finishUIUnlock(const host::Id& self, host::Selector, long source,
                               const host::Id& options) {
  auto& manager = simObject<SimLockScreenManager>(
      self.get(), "-[SBLockScreenManager _finishUIUnlockFromSource:withOptions:]");
  manager.finishUnlock();
  manager.record().add(facts::UnlockFinished{source, options != nullptr});
}

}  // namespace sim
