/* UIKit's views, labels, colours, images, screen and alerts, as the shell and the add-on use
 * them. Geometry follows Core Animation: the anchor is the centre of the bounds. */
#import "objc/test_shell/uikit.h"

#include <math.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

static NSString* const TSInvalidGeometry = @"CALayerInvalidGeometry";

static BOOL TSRectIsFinite(CGRect r) {
  return isfinite(r.origin.x) && isfinite(r.origin.y) && isfinite(r.size.width) &&
         isfinite(r.size.height);
}

static BOOL TSTransformIsFinite(CGAffineTransform t) {
  return isfinite(t.a) && isfinite(t.b) && isfinite(t.c) && isfinite(t.d) && isfinite(t.tx) &&
         isfinite(t.ty);
}

static void TSRequireFiniteRect(CGRect r, const char* what) {
  if (TSRectIsFinite(r)) return;
  [NSException raise:TSInvalidGeometry
              format:@"CALayer %s contains NaN or infinity: [%g %g %g %g]", what, r.origin.x,
                     r.origin.y, r.size.width, r.size.height];
}

static CGPoint TSApply(CGAffineTransform t, double x, double y) {
  return TSPointMake(t.a * x + t.c * y + t.tx, t.b * x + t.d * y + t.ty);
}

/* The bounding box of the bounds turned by `t` about their centre, placed at `center`. */
static CGRect TSFrameOf(CGSize size, CGPoint center, CGAffineTransform t) {
  const double halfW = size.width / 2, halfH = size.height / 2;
  const double xs[4] = {-halfW, halfW, -halfW, halfW}, ys[4] = {-halfH, -halfH, halfH, halfH};
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (int i = 0; i < 4; ++i) {
    CGPoint p = TSApply(t, xs[i], ys[i]);
    minX = fmin(minX, p.x);
    maxX = fmax(maxX, p.x);
    minY = fmin(minY, p.y);
    maxY = fmax(maxY, p.y);
  }
  return TSRectMake(center.x + minX, center.y + minY, maxX - minX, maxY - minY);
}

/* Rotations built from sin and cos leave residues near 1e-16 where a quarter turn has zeros. */
static BOOL TSNegligible(double value, double reference) {
  return fabs(value) <= 1e-12 * fabs(reference);
}

/* The bounds size that shows as `frame` under `t`. A transform that is neither a scale nor a
 * quarter turn keeps the size it had: only the position then follows the frame. */
static CGSize TSBoundsSizeForFrame(CGRect frame, CGAffineTransform t, CGSize current) {
  CGSize size = current;
  if (t.a != 0 && t.d != 0 && TSNegligible(t.b, t.a) && TSNegligible(t.c, t.d)) {
    size.width = frame.size.width / fabs(t.a);
    size.height = frame.size.height / fabs(t.d);
  } else if (t.b != 0 && t.c != 0 && TSNegligible(t.a, t.b) && TSNegligible(t.d, t.c)) {
    size.width = frame.size.height / fabs(t.b);
    size.height = frame.size.width / fabs(t.c);
  }
  return size;
}

static CGRect TSStandardized(CGRect r) {
  if (r.size.width < 0) {
    r.origin.x += r.size.width;
    r.size.width = -r.size.width;
  }
  if (r.size.height < 0) {
    r.origin.y += r.size.height;
    r.size.height = -r.size.height;
  }
  return r;
}

@interface UIView ()
- (void)placeFrame:(CGRect)frame;
- (void)moveSubview:(UIView*)view toIndex:(NSUInteger)index;
- (CGPoint)toSuperview:(CGPoint)point;
- (CGPoint)fromSuperview:(CGPoint)point;
- (CGPoint)fromRoot:(CGPoint)point;
@end

@implementation UIView

- (id)init {
  return [self initWithFrame:TSRectMake(0, 0, 0, 0)];
}

- (id)initWithFrame:(CGRect)frame {
  self = [super init];
  if (!self) return nil;
  _transform = TSTransformIdentity();
  _alpha = 1;
  _subviews = [NSMutableArray new];
  if (!TSRectIsFinite(frame)) {
    [self release];
    TSRequireFiniteRect(frame, "frame");
  }
  [self placeFrame:frame];
  return self;
}

- (void)dealloc {
  for (NSUInteger i = 0; i < [_subviews count]; ++i) {
    UIView* subview = [_subviews objectAtIndex:i];
    subview->_superview = nil;
  }
  [_subviews release];
  [super dealloc];
}

- (void)placeFrame:(CGRect)frame {
  TSRequireFiniteRect(frame, "frame");
  frame = TSStandardized(frame);
  CGSize size = TSBoundsSizeForFrame(frame, _transform, _bounds.size);
  TSRequireFiniteRect(TSRectMake(_bounds.origin.x, _bounds.origin.y, size.width, size.height),
                      "bounds");
  CGRect placed = TSFrameOf(size, TSPointMake(0, 0), _transform);
  CGPoint center = TSPointMake(frame.origin.x - placed.origin.x, frame.origin.y - placed.origin.y);
  if (!isfinite(center.x) || !isfinite(center.y))
    [NSException raise:TSInvalidGeometry
                format:@"CALayer position contains NaN or infinity: [%g %g]", center.x, center.y];
  _bounds.size = size;
  _center = center;
}

- (CGRect)frame {
  return TSFrameOf(_bounds.size, _center, _transform);
}

- (void)setFrame:(CGRect)frame {
  [self placeFrame:frame];
}

- (CGRect)bounds {
  return _bounds;
}

- (void)setBounds:(CGRect)bounds {
  _bounds = bounds;
}

- (CGPoint)center {
  return _center;
}

- (CGAffineTransform)transform {
  return _transform;
}

- (void)setTransform:(CGAffineTransform)transform {
  if (!TSTransformIsFinite(transform))
    [NSException
         raise:TSInvalidGeometry
        format:@"CALayer transform contains NaN or infinity: [%g %g %g %g %g %g]", transform.a,
               transform.b, transform.c, transform.d, transform.tx, transform.ty];
  _transform = transform;
}

- (CGFloat)alpha {
  return _alpha;
}

- (void)setAlpha:(CGFloat)alpha {
  _alpha = alpha;
}

- (BOOL)isHidden {
  return _hidden;
}

- (void)setHidden:(BOOL)hidden {
  _hidden = hidden;
}

- (NSInteger)tag {
  return _tag;
}

- (void)setTag:(NSInteger)tag {
  _tag = tag;
}

- (UIView*)superview {
  return _superview;
}

- (NSArray*)subviews {
  return [NSArray arrayWithArray:_subviews];
}

- (UIView*)window {
  for (UIView* at = self; at; at = at->_superview)
    if ([at isKindOfClass:[UIWindow class]]) return at;
  return nil;
}

- (void)didMoveToWindow {
}

/* Out of the superview's list, telling no one. */
static void TSDetach(UIView* view) {
  UIView* parent = view->_superview;
  if (!parent) return;
  view->_superview = nil;
  [parent->_subviews removeObjectIdenticalTo:view];
}

/* As UIKit tells a subtree that has left its window: the view, then each view inside it. */
static void TSTellLeftWindow(UIView* view) {
  [view didMoveToWindow];
  NSArray* inside = [NSArray arrayWithArray:view->_subviews];
  for (NSUInteger i = 0; i < [inside count]; ++i) TSTellLeftWindow([inside objectAtIndex:i]);
}

- (void)addSubview:(UIView*)view {
  if (!view) return;
  /* A view inside itself would make a loop that owns itself and never ends a walk up. */
  if ([self isDescendantOfView:view])
    [NSException raise:NSInvalidArgumentException
                format:@"Can't add self as subview, nor a view it lies inside"];
  [view retain];
  const BOOL wasInWindow = [view window] != nil;
  TSDetach(view);
  [_subviews addObject:view];
  view->_superview = self;
  if (wasInWindow && ![view window]) TSTellLeftWindow(view);
  [view release];
}

- (void)removeFromSuperview {
  if (!_superview) return;
  [self retain];
  const BOOL wasInWindow = [self window] != nil;
  TSDetach(self);
  if (wasInWindow && ![self window]) TSTellLeftWindow(self);
  [self release];
}

- (void)moveSubview:(UIView*)view toIndex:(NSUInteger)index {
  if (!view || view->_superview != self) return;
  [view retain];
  [_subviews removeObjectIdenticalTo:view];
  [_subviews insertObject:view atIndex:(index == NSNotFound ? [_subviews count] : index)];
  [view release];
}

- (void)bringSubviewToFront:(UIView*)view {
  [self moveSubview:view toIndex:NSNotFound];
}

- (void)sendSubviewToBack:(UIView*)view {
  [self moveSubview:view toIndex:0];
}

- (BOOL)isDescendantOfView:(UIView*)view {
  if (!view) return NO;
  for (UIView* v = self; v; v = v->_superview)
    if (v == view) return YES;
  return NO;
}

- (CGPoint)toSuperview:(CGPoint)p {
  CGPoint moved = TSApply(_transform, p.x - _bounds.origin.x - _bounds.size.width / 2,
                          p.y - _bounds.origin.y - _bounds.size.height / 2);
  return TSPointMake(_center.x + moved.x, _center.y + moved.y);
}

/* A singular transform has no inverse: the point lands nowhere, as (NaN, NaN). */
- (CGPoint)fromSuperview:(CGPoint)p {
  const CGAffineTransform t = _transform;
  const double determinant = t.a * t.d - t.b * t.c;
  if (determinant == 0 || !isfinite(determinant)) return TSPointMake(NAN, NAN);
  const double x = p.x - _center.x - t.tx, y = p.y - _center.y - t.ty;
  return TSPointMake(
      (x * t.d - y * t.c) / determinant + _bounds.size.width / 2 + _bounds.origin.x,
      (y * t.a - x * t.b) / determinant + _bounds.size.height / 2 + _bounds.origin.y);
}

/* The root's own coordinates are the window coordinates. */
- (CGPoint)fromRoot:(CGPoint)p {
  if (!_superview) return p;
  return [self fromSuperview:[_superview fromRoot:p]];
}

- (CGPoint)convertPoint:(CGPoint)point toView:(UIView*)view {
  for (UIView* v = self; v->_superview; v = v->_superview) point = [v toSuperview:point];
  return view ? [view fromRoot:point] : point;
}

- (void)layoutSubviews {
  TSRecordCall("layoutSubviews", self, 0, NO, nil);
}

@end

@implementation UIWindow
@end

@implementation UILabel

- (void)dealloc {
  [_text release];
  [_textColor release];
  [super dealloc];
}

- (NSString*)text {
  return _text;
}

- (void)setText:(NSString*)text {
  NSString* copy = [text copy];
  [_text release];
  _text = copy;
}

/* Black until set, as UIKit's labels are. */
- (UIColor*)textColor {
  return _textColor ? _textColor : [UIColor blackColor];
}

- (void)setTextColor:(UIColor*)color {
  [color retain];
  [_textColor release];
  _textColor = color;
}

@end

static UIColor* white;
static UIColor* black;

@implementation UIColor

+ (UIColor*)whiteColor {
  if (!white) white = [UIColor new];
  return white;
}

+ (UIColor*)blackColor {
  if (!black) black = [UIColor new];
  return black;
}

@end

@implementation UIImage

- (id)initWithName:(NSString*)name {
  self = [super init];
  if (self) _name = [name copy];
  return self;
}

- (void)dealloc {
  [_name release];
  [super dealloc];
}

- (NSString*)name {
  return _name;
}

@end

static UIScreen* mainScreen;

@interface UIScreen ()
- (void)rotate;
- (void)setBounds:(CGRect)bounds scale:(double)scale;
@end

@implementation UIScreen

+ (UIScreen*)mainScreen {
  return mainScreen;
}

- (CGRect)bounds {
  return _bounds;
}

- (CGRect)_nativeDisplayBounds {
  if (_native.width > 0) return TSRectMake(0, 0, _native.width, _native.height);
  return TSRectMake(0, 0, _bounds.size.width * _scale, _bounds.size.height * _scale);
}

- (void)setNativeSize:(CGSize)native {
  _native = native;
}

- (CGFloat)scale {
  return _scale;
}

- (BOOL)isLandscape {
  return _landscape;
}

- (void)rotate {
  _landscape = !_landscape;
  const double width = _bounds.size.width;
  _bounds.size.width = _bounds.size.height;
  _bounds.size.height = width;
}

- (void)setBounds:(CGRect)bounds scale:(double)scale {
  _bounds = bounds;
  _scale = scale;
}

@end

UIScreen* TSNewScreen(double width, double height, double scale) {
  UIScreen* screen = [UIScreen new];
  [screen setBounds:TSRectMake(0, 0, width, height) scale:scale];
  return screen;
}

void TSSetMainScreen(UIScreen* screen) { mainScreen = screen; }

void TSSetScreenNativeSize(double width, double height) {
  CGSize native = {width, height};
  [mainScreen setNativeSize:native];
}

void TSRotateScreen(UIScreen* screen) { [screen rotate]; }

static NSMutableArray* shownAlerts;
static long alertsShown;
static char* lastAlertTitle;

@implementation UIAlertView

- (id)initWithTitle:(NSString*)title
              message:(NSString*)message
             delegate:(id)delegate
    cancelButtonTitle:(NSString*)cancelButtonTitle
    otherButtonTitles:(NSString*)firstOtherTitle, ... {
  self = [super initWithFrame:TSRectMake(0, 0, 0, 0)];
  if (!self) return nil;
  _title = [title copy];
  _message = [message copy];
  _delegate = delegate;
  _cancelButtonTitle = [cancelButtonTitle copy];
  _otherButtonTitles = [NSMutableArray new];
  va_list others;
  va_start(others, firstOtherTitle);
  for (NSString* other = firstOtherTitle; other; other = va_arg(others, NSString*))
    [_otherButtonTitles addObject:other];
  va_end(others);
  return self;
}

- (void)dealloc {
  [_title release];
  [_message release];
  [_cancelButtonTitle release];
  [_otherButtonTitles release];
  [super dealloc];
}

- (NSString*)title {
  return _title;
}

- (NSString*)message {
  return _message;
}

- (id)delegate {
  return _delegate;
}

- (NSString*)cancelButtonTitle {
  return _cancelButtonTitle;
}

- (NSInteger)numberOfButtons {
  return (NSInteger)[_otherButtonTitles count] + (_cancelButtonTitle ? 1 : 0);
}

- (NSInteger)addButtonWithTitle:(NSString*)title {
  if (!title) return -1;
  [_otherButtonTitles addObject:title];
  return [self numberOfButtons] - 1;
}

- (NSString*)buttonTitleAtIndex:(NSInteger)index {
  if (_cancelButtonTitle) {
    if (index == 0) return _cancelButtonTitle;
    --index;
  }
  if (index < 0 || (NSUInteger)index >= [_otherButtonTitles count]) return nil;
  return [_otherButtonTitles objectAtIndex:(NSUInteger)index];
}

- (void)show {
  if (!shownAlerts) shownAlerts = [NSMutableArray new];
  [shownAlerts addObject:self];
  _visible = YES;
  TSTellCallObserver("show", self, 0, NO, nil);
  ++alertsShown;
  const char* title = _title ? [_title UTF8String] : "";
  char* copy = strdup(title ? title : "");
  if (!copy) return;
  free(lastAlertTitle);
  lastAlertTitle = copy;
}

- (void)dismissWithClickedButtonIndex:(NSInteger)index animated:(BOOL)animated {
  (void)animated;
  if (!_visible) return;
  _visible = NO;
  TSTellCallObserver("dismissWithClickedButtonIndex:animated:", self, index, NO, nil);
  [shownAlerts removeObjectIdenticalTo:self];
}

- (BOOL)isVisible {
  return _visible;
}

@end

long TSAlertsShown(void) { return alertsShown; }

id TSVisibleAlerts(void) { return shownAlerts; }

void TSDismissAlert(id alert) { [alert dismissWithClickedButtonIndex:0 animated:NO]; }

const char* TSLastAlertTitle(void) { return lastAlertTitle; }

void TSUIKitShutdown(void) {
  [shownAlerts release];
  shownAlerts = nil;
  alertsShown = 0;
  free(lastAlertTitle);
  lastAlertTitle = NULL;
  [white release];
  white = nil;
  [black release];
  black = nil;
}
