// The lock cycle: lock complete, display on and off, and the shell's finishing of an unlock.
#pragma once

#include "host/platform.h"

namespace nimbrel {

inline constexpr const char* kLockCompleteNotification = "com.apple.springboard.lockcomplete";
inline constexpr const char* kDisplayStatusNotification = "com.apple.iokit.hid.displayStatus";

// Detaches and unbinds every home-screen background, then forgets them and the current one.
void tearDownHomeScreenViews();

// Notes that the screen is locked and takes the home-screen backgrounds down.
void onLockComplete(host::NotificationCenter* center, void* observer, const char* name,
                    const void* object, const host::Dictionary* userInfo);

// When the display has gone dark: takes the lock-screen background out and stops random weather.
void onDisplayStatus(host::NotificationCenter* center, void* observer, const char* name,
                     const void* object, const host::Dictionary* userInfo);

// Replaces -[SBLockScreenManager _finishUIUnlockFromSource:withOptions:].
void finishUIUnlock(const host::Id& self, host::Selector selector, long source,
                    const host::Id& options);

}  // namespace nimbrel
