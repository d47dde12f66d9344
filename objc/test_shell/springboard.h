/* The shell's own classes the add-on reaches: the lock screen's date view and its controller,
 * the wallpaper view and its window, and the lock screen manager. */
#ifndef NIMBREL_OBJC_TEST_SHELL_SPRINGBOARD_H
#define NIMBREL_OBJC_TEST_SHELL_SPRINGBOARD_H

#import "objc/test_shell/uikit.h"

/* The date view of an older system: no subtitle to hide. */
@interface SBFLegacyLockScreenDateView : UIView {
  UILabel* _timeLabel;
  UILabel* _dateLine;
  BOOL _dateHidden;
}
- (UILabel*)_timeLabel;
/* The line of the date under the clock, hidden with the date (or the subtitle). */
- (UILabel*)dateLine;
/* Whether the subtitle hides the date line too: only a date view that has one. */
- (BOOL)subtitleHiddenForDateLine;
- (void)setDateHidden:(BOOL)hidden;
- (BOOL)dateHidden;
/* Shows the clock at that moment (UTC): "9:41" on the time label, "Tuesday, 14 November" on
 * the date line. */
- (void)setDate:(NSDate*)date;
@end

/* Today's date view: the older one with a subtitle to hide. The add-on replaces none of the
 * date view's methods, so sharing them changes nothing it can see. */
@interface SBFLockScreenDateView : SBFLegacyLockScreenDateView {
  BOOL _subtitleHidden;
}
- (void)setSubtitleHidden:(BOOL)hidden;
- (BOOL)subtitleHidden;
@end

@interface SBLockScreenDateViewController : TSObject {
  UIView* _lockScreenView;
  UIView* _dateContainer;
  Class _dateViewClass;
  SBFLegacyLockScreenDateView* _dateView;
}
/* Makes the lock screen covering `screenBounds`; its date view, of `dateViewClass`, is built
 * by the first -dateView. */
- (id)initWithScreenBounds:(CGRect)screenBounds dateViewClass:(Class)dateViewClass;
/* Builds the date view into the date container the first time, then shows the current time on
 * it; the same view at every call until -discardDateView. */
- (id)dateView;
/* Where the date view goes when built: the lock screen's own view until another is set (not
 * retained: the lock screen holds it). */
- (void)setDateContainer:(UIView*)container;
/* The lock screen rebuilds: the date view leaves it and is forgotten, so the next -dateView
 * builds another. */
- (void)discardDateView;
@end

@interface SBFStaticWallpaperView : UIView {
  UIView* _contentView;
}
+ (BOOL)_allowsParallax;
- (UIView*)contentView;
@end

@interface _SBWallpaperWindow : UIWindow
@end

@interface SBLockScreenManager : TSObject {
  BOOL _uiLocked;
}
/* The device locks: the lock screen is up until the shell's own unlock finishes. */
- (void)lockUIFromSource:(int)source withOptions:(id)options;
- (void)_finishUIUnlockFromSource:(int)source withOptions:(id)options;
- (BOOL)isUILocked;
@end

#endif
