/* Booting and shutting down the shell: the objects SpringBoard makes at start-up. */
#import "objc/test_shell/springboard.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

static TSShell booted;

static BOOL TSIsPositive(double value) { return isfinite(value) && value > 0; }

static void TSReleaseShell(void) {
  [booted.lockScreenManager release];
  [booted.dateViewController release];
  [booted.wallpaperView release];
  [booted.window release];
  TSSetMainScreen(nil);
  [booted.screen release];
  memset(&booted, 0, sizeof booted);
}

void TSBoot(TSShell* shell, double width, double height, double scale, BOOL legacyDateView) {
  if (!shell) return;
  memset(shell, 0, sizeof *shell);
  if (!TSIsPositive(width) || !TSIsPositive(height) || !TSIsPositive(scale)) {
    fprintf(stderr, "TSBoot: a screen needs a finite, positive size and scale (%g x %g @%g)\n",
            width, height, scale);
    return;
  }
  if (booted.screen) TSShutdown(NULL);
  NSAutoreleasePool* pool = [NSAutoreleasePool new];
  UIScreen* screen = TSNewScreen(width, height, scale);
  TSSetMainScreen(screen);
  TSSetAllowsParallax(YES);
  TSSetContentViewRaises(NO);
  const CGRect bounds = [screen bounds];
  UIView* window = [[_SBWallpaperWindow alloc] initWithFrame:bounds];
  UIView* wallpaper = [[SBFStaticWallpaperView alloc] initWithFrame:bounds];
  [window addSubview:wallpaper];
  Class dateViewClass =
      legacyDateView ? [SBFLegacyLockScreenDateView class] : [SBFLockScreenDateView class];
  booted.screen = screen;
  booted.window = window;
  booted.wallpaperView = wallpaper;
  booted.dateViewController =
      [[SBLockScreenDateViewController alloc] initWithScreenBounds:bounds
                                                     dateViewClass:dateViewClass];
  booted.lockScreenManager = [SBLockScreenManager new];
  *shell = booted;
  [pool drain];
}

void TSShutdown(TSShell* shell) {
  NSAutoreleasePool* pool = [NSAutoreleasePool new];
  TSWeatherShutdown();
  TSReleaseShell();
  TSUIKitShutdown();
  TSForgetCalls();
  TSSetAllowsParallax(YES);
  TSSetContentViewRaises(NO);
  [pool drain];
  if (shell) memset(shell, 0, sizeof *shell);
}

void TSRotate(TSShell* shell) {
  TSRotateScreen(shell && shell->screen ? shell->screen : [UIScreen mainScreen]);
}
