/* The shell's classes, and the controls that change how their original methods behave. */
#import "objc/test_shell/springboard.h"

#include <math.h>
#include <stdio.h>
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
static int raisesAtContentView;

void TSRaiseAtNextContentView(void) { ++raisesAtContentView; }
void TSForgetContentViewRaises(void) { raisesAtContentView = 0; }

/* The date view in its container, and its labels in it, as the shell lays them out. */
enum { kDateViewTop = 28, kDateViewHeight = 120, kTimeLabelHeight = 82 };
enum { kDateLineTop = 86, kDateLineHeight = 26 };

/* Whole days since 1970 and seconds into the day; 0 for a moment the calendar cannot hold. */
static void TSDaysAndSeconds(double secondsSince1970, long* days, long* seconds) {
  const double limit = 1e14; /* about three million years either way */
  *days = *seconds = 0;
  if (!isfinite(secondsSince1970) || fabs(secondsSince1970) > limit) return;
  const double wholeDays = floor(secondsSince1970 / 86400.0);
  *days = (long)wholeDays;
  *seconds = (long)floor(secondsSince1970 - wholeDays * 86400.0);
}

/* "Tuesday, 14 November" for days since 1970 (the proleptic Gregorian calendar). */
static void TSDateText(long days, char* text, size_t size) {
  static const char* const weekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                         "Thursday", "Friday", "Saturday"};
  static const char* const months[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};
  const long weekday = ((days + 4) % 7 + 7) % 7; /* 1 January 1970 was a Thursday */
  /* Days to a civil date, counted in 400-year eras from 1 March of year 0. */
  const long shifted = days + 719468;
  const long era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
  const long dayOfEra = shifted - era * 146097;
  const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long monthFromMarch = (5 * dayOfYear + 2) / 153;
  const long day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
  const long month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  snprintf(text, size, "%s, %ld %s", weekdays[weekday], day, months[month - 1]);
}

/* The big clock of the lock screen, across the top of `dateView`. */
static UILabel* TSNewTimeLabel(UIView* dateView) {
  UILabel* label = [[UILabel alloc]
      initWithFrame:TSRectMake(0, 0, [dateView bounds].size.width, kTimeLabelHeight)];
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
  _dateLine = [[UILabel alloc]
      initWithFrame:TSRectMake(0, kDateLineTop, [self bounds].size.width, kDateLineHeight)];
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

- (void)setDate:(NSDate*)date {
  long days, seconds;
  TSDaysAndSeconds([date timeIntervalSince1970], &days, &seconds);
  char text[64];
  snprintf(text, sizeof text, "%ld:%02ld", seconds / 3600, seconds / 60 % 60);
  [_timeLabel setText:[NSString stringWithUTF8String:text]];
  TSDateText(days, text, sizeof text);
  [_dateLine setText:[NSString stringWithUTF8String:text]];
}

@end

@implementation SBLockScreenDateViewController

- (id)initWithScreenBounds:(CGRect)screenBounds dateViewClass:(Class)dateViewClass {
  self = [super init];
  if (!self) return nil;
  _lockScreenView = [[UIView alloc] initWithFrame:screenBounds];
  _dateContainer = _lockScreenView;
  _dateViewClass = dateViewClass;
  return self;
}

- (void)dealloc {
  [_dateView release];
  [_lockScreenView release];
  [super dealloc];
}

- (id)dateView {
  const BOOL build = !_dateView;
  if (build) {
    const double width = [_dateContainer bounds].size.width;
    _dateView =
        [[_dateViewClass alloc] initWithFrame:TSRectMake(0, kDateViewTop, width, kDateViewHeight)];
    [_dateContainer addSubview:_dateView];
  }
  /* Told with `flag` set when this call built the view. */
  TSRecordCall("dateView", self, 0, build, _dateView);
  [_dateView setDate:[NSDate date]];
  return _dateView;
}

- (void)setDateContainer:(UIView*)container {
  _dateContainer = container ? container : _lockScreenView;
}

- (void)discardDateView {
  [_dateView removeFromSuperview];
  [_dateView release];
  _dateView = nil;
}

@end

@implementation SBFStaticWallpaperView

+ (BOOL)_allowsParallax {
  TSRecordCall("_allowsParallax", self, 0, allowsParallax, nil);
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
  if (raisesAtContentView > 0) {
    --raisesAtContentView;
    TSTellCallObserver("raise contentView", self, 0, NO, nil);
    [NSException raise:NSInternalInconsistencyException
                format:@"The wallpaper view cannot answer its content view now"];
  }
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

- (void)lockUIFromSource:(int)source withOptions:(id)options {
  (void)source;
  (void)options;
  _uiLocked = YES;
}

- (void)_finishUIUnlockFromSource:(int)source withOptions:(id)options {
  TSRecordCall("_finishUIUnlockFromSource:withOptions:", self, source, NO, options);
  _uiLocked = NO;
}

- (BOOL)isUILocked {
  return _uiLocked;
}

@end
