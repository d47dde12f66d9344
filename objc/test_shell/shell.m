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
  TSSetBackgroundBindRaises(NO);
  const CGRect bounds = [screen bounds];
  /* As the shell nests it: window, container, host view, wallpaper view, content view. */
  UIView* window = [[_SBWallpaperWindow alloc] initWithFrame:bounds];
  UIView* container = [[UIView alloc] initWithFrame:bounds];
  UIView* host = [[UIView alloc] initWithFrame:bounds];
  UIView* wallpaper = [[SBFStaticWallpaperView alloc] initWithFrame:bounds];
  [window addSubview:container];
  [container addSubview:host];
  [host addSubview:wallpaper];
  [container release];
  [host release];
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
  TSSetBackgroundBindRaises(NO);
  TSForgetContentViewRaises();
  TSSetDateViewLacks("_timeLabel", NO);
  TSSetDateViewLacks("setSubtitleHidden:", NO);
  TSSetDateViewLacks("setDateHidden:", NO);
  [pool drain];
  if (shell) memset(shell, 0, sizeof *shell);
}

void TSRotate(TSShell* shell) {
  UIScreen* screen = shell && shell->screen ? shell->screen : [UIScreen mainScreen];
  TSRotateScreen(screen);
  if (!shell) return;
  /* The wallpaper turns with the screen, as the shell lays it out again. */
  CGRect bounds = [screen bounds];
  for (UIView* view = shell->wallpaperView; view; view = [view superview]) [view setFrame:bounds];
  [[shell->wallpaperView contentView] setFrame:bounds];
}
