// The shell's classes, view trees and actions.
#include "sim/shell/shell.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "sim/originals.h"

namespace sim {

namespace names = shellClassNames;

namespace {

constexpr host::Point dateContainerOrigin{0, 20};
constexpr host::Point dateViewOrigin{0, 28};
constexpr double dateContainerHeight = 200;
constexpr double dateViewHeight = 120;
constexpr double timeLabelHeight = 82;
constexpr double dateLineTop = 86;
constexpr double dateLineHeight = 26;

host::Rect filling(host::Size size) { return host::makeRect(0, 0, size.width, size.height); }

}  // namespace

Shell::Shell(Runtime& runtime, const ViewClasses& views, Record& record, const host::Screen& screen,
             const host::Clock& clock, ShellOptions options)
    : runtime_(runtime),
      views_(views),
      record_(record),
      screen_(screen),
      clock_(clock),
      options_(options),
      landscape_(options.landscape) {
  defineClasses(runtime, views);
  buildLockScreen(views);
  buildWallpaper(views);
  manager_ = std::make_shared<SimLockScreenManager>(*managerClass_, record_);
}

void Shell::reset(bool landscape) {
  landscape_ = landscape;
  options_.landscape = landscape;
  wallpapers_.clear();
  holders_.reset();
  holderRoot_.reset();
  buildLockScreen(views_);
  buildWallpaper(views_);
  manager_ = std::make_shared<SimLockScreenManager>(*managerClass_, record_);
}

void Shell::defineClasses(Runtime& runtime, const ViewClasses& views) {
  dateViewControllerClass_ = &runtime.defineClass(names::dateViewController, nullptr);
  dateViewClass_ = &runtime.defineClass(names::dateView, &views.view);
  defineDateViewMethods(runtime, *dateViewClass_, options_.dateView);
  lockScreenViewClass_ = &runtime.defineClass(names::lockScreenView, &views.view);
  wallpaperViewClass_ =
      &runtime.defineClass<WallpaperViewClass>(names::wallpaperView, &views.view, record_);
  wallpaperWindowClass_ = &runtime.defineClass(names::wallpaperWindow, &views.window);
  managerClass_ = &runtime.defineClass(names::lockScreenManager, nullptr);
  for (host::Class* cls : std::initializer_list<host::Class*>{
           dateViewControllerClass_, wallpaperViewClass_, wallpaperWindowClass_, managerClass_})
    originals::defineFor(runtime, *cls);
}

void Shell::buildLockScreen(const ViewClasses& views) {
  const host::Size size = orientedScreenSize();
  lockWindow_ = views.makeWindow(filling(size));
  auto lockScreenView = std::make_shared<View>(*lockScreenViewClass_, filling(size));
  lockWindow_->addSubview(lockScreenView);
  dateContainer_ = views.makeView({dateContainerOrigin, {size.width, dateContainerHeight}});
  lockScreenView->addSubview(dateContainer_);

  // The controller builds its date view on the first -dateView, into the date container.
  std::weak_ptr<View> container = dateContainer_;
  controller_ = std::make_shared<SimDateViewController>(
      *dateViewControllerClass_,
      [this, container] {
        auto dateView = makeDateView();
        if (auto parent = container.lock()) parent->addSubview(dateView);
        return dateView;
      },
      clock_, record_);
}

std::shared_ptr<SimDateView> Shell::makeDateView() {
  const double width = dateContainer_->bounds().size.width;
  auto time = views_.makeLabel(host::makeRect(0, 0, width, timeLabelHeight));
  auto date = views_.makeLabel(host::makeRect(0, dateLineTop, width, dateLineHeight));
  auto dateView = std::make_shared<SimDateView>(
      *dateViewClass_, host::Rect{dateViewOrigin, {width, dateViewHeight}}, runtime_, time, date);
  dateView->addSubview(time);
  dateView->addSubview(date);
  return dateView;
}

void Shell::buildWallpaper(const ViewClasses& views) {
  const host::Rect frame = filling(orientedScreenSize());
  wallpaperWindow_ = std::make_shared<SimWallpaperWindow>(*wallpaperWindowClass_, frame, record_);
  wallpaperContainer_ = views.makeView(frame);
  wallpaperWindow_->addSubview(wallpaperContainer_);
  for (const char* variant : {"home screen", "lock screen"}) {
    auto host = views.makeView(frame);
    wallpaperContainer_->addSubview(host);
    auto wallpaper =
        std::make_shared<SimWallpaperView>(*wallpaperViewClass_, frame, variant, record_);
    host->addSubview(wallpaper);
    auto content = views.makeView(frame);
    wallpaper->addSubview(content);
    wallpaper->setContentView(content);
    wallpapers_.push_back(wallpaper);
  }
}

host::Size Shell::orientedScreenSize() const {
  const host::Size size = screen_.bounds().size;
  const double shorter = std::min(size.width, size.height);
  const double longer = std::max(size.width, size.height);
  return landscape_ ? host::Size{longer, shorter} : host::Size{shorter, longer};
}

const std::shared_ptr<SimWallpaperView>& Shell::wallpaperView(std::size_t index) const {
  if (index >= wallpapers_.size())
    throw std::out_of_range("the shell has " + std::to_string(wallpapers_.size()) +
                            " wallpaper views; there is no wallpaper view " +
                            std::to_string(index));
  return wallpapers_[index];
}

std::shared_ptr<host::View> Shell::hostView(std::size_t index) const {
  return wallpaperView(index)->superview();
}

std::shared_ptr<host::DateView> Shell::requestDateView() {
  record_.add(facts::ShellAsks{facts::ShellCall::dateView});
  host::Id controller = controller_;
  return runtime_.send<host::methods::DateView>(controller);
}

std::shared_ptr<host::View> Shell::requestContentView(std::size_t index) {
  const std::shared_ptr<SimWallpaperView>& wallpaper = wallpaperView(index);
  record_.add([&] { return facts::ShellAsksContentView{wallpaper->variant()}; });
  return runtime_.send<host::methods::ContentView>(std::shared_ptr<host::View>(wallpaper));
}

void Shell::layoutWallpaper() {
  for (const auto& wallpaper : wallpapers_) {
    record_.add([&] { return facts::ShellLaysOutWallpaper{wallpaper->variant()}; });
    std::shared_ptr<host::View> view = wallpaper;
    runtime_.send<host::methods::LayoutSubviews>(view);
  }
  record_.add(facts::ShellAsks{facts::ShellCall::windowLayout});
  std::shared_ptr<host::View> window = wallpaperWindow_;
  runtime_.send<host::methods::LayoutSubviews>(window);
}

bool Shell::askAllowsParallax() {
  record_.add(facts::ShellAsks{facts::ShellCall::allowsParallax});
  host::Class& cls = *wallpaperViewClass_;
  return runtime_.send<host::methods::AllowsParallax>(cls);
}

void Shell::finishUnlock(long source, const host::Id& options) {
  record_.add(facts::ShellFinishesUnlock{source, options != nullptr});
  host::Id manager = manager_;
  runtime_.send<host::methods::FinishUIUnlock>(manager, source, options);
}

void Shell::rotate(bool landscape) {
  landscape_ = landscape;
  record_.add(facts::ShellRotates{landscape});
  // Each view takes the new size where it stands: an offset a test gave it stays.
  const host::Size size = orientedScreenSize();
  auto resize = [size](host::View& view) { view.setFrame({view.frame().origin, size}); };
  if (holders_) {
    resize(*holderRoot_);
    resize(*holders_->grandparent);
    resize(*holders_->parent);
  }
  resize(*wallpaperWindow_);
  resize(*wallpaperContainer_);
  for (const auto& wallpaper : wallpapers_) {
    resize(*wallpaper->superview());
    resize(*wallpaper);
  }
  layoutWallpaper();
}

void Shell::rebuildDateView() {
  if (!controller_->dateViewIfBuilt())
    throw std::invalid_argument(
        "the lock screen has no date view to rebuild yet (the first -dateView builds it)");
  record_.add(facts::ShellAsks{facts::ShellCall::rebuildDateView});
  controller_->discardDateView();
}

const Shell::WindowHolders& Shell::embedWallpaperWindow() {
  if (holders_) return *holders_;
  const host::Rect frame = filling(orientedScreenSize());
  holderRoot_ = views_.makeView(frame);
  WindowHolders holders{views_.makeView(frame), views_.makeView(frame)};
  holderRoot_->addSubview(holders.grandparent);
  holders.grandparent->addSubview(holders.parent);
  holders.parent->addSubview(wallpaperWindow_);
  holders_ = std::move(holders);
  return *holders_;
}

std::shared_ptr<host::View> Shell::wallpaperRoot() const {
  if (holderRoot_) return holderRoot_;
  return wallpaperWindow_;
}

}  // namespace sim
