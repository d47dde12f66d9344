// Scaling and shifting the home-screen backgrounds when the shell lays out its wallpaper, and
// the parallax switch.
#pragma once

#include "host/platform.h"

namespace nimbrel {

// The view's superview's superview, or none.
std::shared_ptr<host::View> grandparentOf(const host::View& view);

// The first listed home-screen background inside the container, or none.
std::shared_ptr<host::WeatherBackground> listedBackgroundInside(const host::View* container);

// Replaces -[SBFStaticWallpaperView layoutSubviews]: scales the background for the wallpaper's
// orientation and tags it 0 (portrait) or 1 (landscape).
void wallpaperViewLayoutSubviews(const std::shared_ptr<host::View>& self, host::Selector selector);

// Replaces -[_SBWallpaperWindow layoutSubviews]: pins the background to the window's origin,
// shifted by the vertical offset when it was laid out in landscape.
void wallpaperWindowLayoutSubviews(const std::shared_ptr<host::View>& self,
                                   host::Selector selector);

// Replaces +[SBFStaticWallpaperView _allowsParallax].
bool allowsParallax(host::Class& self, host::Selector selector);

}  // namespace nimbrel
