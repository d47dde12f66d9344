// The home-screen background behind the wallpaper's content.
#pragma once

#include <memory>

#include "host/platform.h"

namespace nimbrel {

// Replaces -[SBFStaticWallpaperView contentView]: while unlocked, keeps one background bound to
// the city in the wallpaper's host view, pinned to the window's origin and in front; returns
// the shell's content view unchanged.
std::shared_ptr<host::View> contentView(const std::shared_ptr<host::View>& self,
                                        host::Selector selector);

}  // namespace nimbrel
