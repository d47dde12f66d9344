/* The shell's classes, and the controls that change how their original methods behave. */
#import "objc/test_shell/springboard.h"

#include <string.h>

static BOOL lacksTimeLabel;
static BOOL lacksSetSubtitleHidden;
static BOOL lacksSetDateHidden;

void TSSetDateViewLacks(const char* selector, BOOL lacks) {
  if (!selector) return;
  if (strcmp(selector, "_timeLabel") == 0) lacksTimeLabel = lacks;
  if (strcmp(selector, "setSubtitleHidden:") == 0) lacksSetSubtitleHidden = lacks;
  if (strcmp(selector, "setDateHidden:") == 0) lacksSetDateHidden = lacks;
}
static BOOL allowsParallax = YES;

void TSSetAllowsParallax(BOOL allows) { allowsParallax = allows; }

/* The big clock of the lock screen, across the top of `dateView`. */
static UILabel* TSNewTimeLabel(UIView* dateView) {
  UILabel* label =
      [[UILabel alloc] initWithFrame:TSRectMake(0, 0, [dateView bounds].size.width, 80)];
  [label setText:@"9:41"];
  [dateView addSubview:label];
  return label;
}

@implementation SBFLockScreenDateView

- (void)setSubtitleHidden:(BOOL)hidden {
  if (lacksSetSubtitleHidden) [self doesNotRecognizeSelector:_cmd];
  _subtitleHidden = hidden;
  [_dateLine setHidden:_subtitleHidden || _dateHidden];
}

- (BOOL)subtitleHidden {
  return _subtitleHidden;
}

- (BOOL)subtitleHiddenForDateLine {
  return _subtitleHidden;
}

@end

@implementation SBFLegacyLockScreenDateView

- (id)initWithFrame:(CGRect)frame {
  self = [super initWithFrame:frame];
  if (!self) return nil;
  _timeLabel = TSNewTimeLabel(self);
  _dateLine = [[UILabel alloc] initWithFrame:TSRectMake(0, 86, [self bounds].size.width, 26)];
  [_dateLine setText:@"Thursday, 1 January"];
  [self addSubview:_dateLine];
  return self;
}

- (void)dealloc {
  [_dateLine release];
  [_timeLabel release];
  [super dealloc];
}

/* A method an older date view lacks answers as a missing one does. */
- (BOOL)respondsToSelector:(SEL)selector {
  if ((lacksTimeLabel && sel_isEqual(selector, @selector(_timeLabel))) ||
      (lacksSetSubtitleHidden && sel_isEqual(selector, @selector(setSubtitleHidden:))) ||
      (lacksSetDateHidden && sel_isEqual(selector, @selector(setDateHidden:))))
    return NO;
  return [super respondsToSelector:selector];
}

- (UILabel*)_timeLabel {
  if (lacksTimeLabel) [self doesNotRecognizeSelector:_cmd];
  return _timeLabel;
}

- (UILabel*)dateLine {
  return _dateLine;
}

- (void)setDateHidden:(BOOL)hidden {
  if (lacksSetDateHidden) [self doesNotRecognizeSelector:_cmd];
  _dateHidden = hidden;
  [_dateLine setHidden:_dateHidden || [self subtitleHiddenForDateLine]];
}

- (BOOL)subtitleHiddenForDateLine {
  return NO;
}

- (BOOL)dateHidden {
  return _dateHidden;
}

@end

@implementation SBLockScreenDateViewController

- (id)initWithScreenBounds:(CGRect)screenBounds dateViewClass:(Class)dateViewClass {
  self = [super init];
  if (!self) return nil;
  _lockScreenView = [[UIView alloc] initWithFrame:screenBounds];
  _dateView = [[dateViewClass alloc] initWithFrame:TSRectMake(0, 40, screenBounds.size.width, 160)];
  [_lockScreenView addSubview:_dateView];
  return self;
}

- (void)dealloc {
  [_dateView release];
  [_lockScreenView release];
  [super dealloc];
}

- (id)dateView {
  TSRecordCall("dateView", self, 0, NO, _dateView);
  return _dateView;
}

@end

@implementation SBFStaticWallpaperView

+ (BOOL)_allowsParallax {
  TSRecordCall("_allowsParallax", self, 0, NO, nil);
  return allowsParallax;
}

- (id)initWithFrame:(CGRect)frame {
  self = [super initWithFrame:frame];
  if (!self) return nil;
  _contentView = [[UIView alloc] initWithFrame:[self bounds]];
  [self addSubview:_contentView];
  return self;
}

- (void)dealloc {
  [_contentView release];
  [super dealloc];
}

- (UIView*)contentView {
  return _contentView;
}

/* As the shell's does: the content view fills the wallpaper view. */
- (void)layoutSubviews {
  TSRecordCall("layoutSubviews", self, 0, NO, nil);
  [_contentView setFrame:[self bounds]];
}

@end

@implementation _SBWallpaperWindow
@end

@implementation SBLockScreenManager

- (void)_finishUIUnlockFromSource:(int)source withOptions:(id)options {
  TSRecordCall("_finishUIUnlockFromSource:withOptions:", self, source, NO, options);
}

@end
