/* Just enough of UIKit for the shell and the add-on: views with their geometry, labels,
 * colours, images, the screen and alerts. */
#ifndef NIMBREL_OBJC_TEST_SHELL_UIKIT_H
#define NIMBREL_OBJC_TEST_SHELL_UIKIT_H

#import "objc/test_shell/ts_object.h"

@interface UIView : TSObject {
  CGRect _bounds;
  CGPoint _center;
  CGAffineTransform _transform;
  CGFloat _alpha;
  BOOL _hidden;
  NSInteger _tag;
  UIView* _superview;
  NSMutableArray* _subviews;
}
- (id)initWithFrame:(CGRect)frame;
/* The window the view is, or lies inside; nil for none. */
- (UIView*)window;
/* Sent to the view and to each view inside it once it has left its window (and only then:
 * the test shell tells no arrival). */
- (void)didMoveToWindow;
- (CGRect)frame;
- (void)setFrame:(CGRect)frame;
- (CGRect)bounds;
/* Its origin scrolls the content; the centre stays where it is. */
- (void)setBounds:(CGRect)bounds;
- (CGPoint)center;
- (CGAffineTransform)transform;
- (void)setTransform:(CGAffineTransform)transform;
- (CGFloat)alpha;
- (void)setAlpha:(CGFloat)alpha;
- (BOOL)isHidden;
- (void)setHidden:(BOOL)hidden;
- (NSInteger)tag;
- (void)setTag:(NSInteger)tag;
- (UIView*)superview;
- (NSArray*)subviews;
- (void)addSubview:(UIView*)view;
- (void)removeFromSuperview;
- (void)bringSubviewToFront:(UIView*)view;
- (void)sendSubviewToBack:(UIView*)view;
- (BOOL)isDescendantOfView:(UIView*)view;
- (CGPoint)convertPoint:(CGPoint)point toView:(UIView*)view;
- (void)layoutSubviews;
@end

@interface UIWindow : UIView
@end

@class UIColor;

@interface UILabel : UIView {
  NSString* _text;
  UIColor* _textColor;
}
- (NSString*)text;
- (void)setText:(NSString*)text;
- (UIColor*)textColor;
- (void)setTextColor:(UIColor*)color;
@end

@interface UIColor : TSObject
+ (UIColor*)whiteColor;
+ (UIColor*)blackColor;
@end

@interface UIImage : TSObject {
  NSString* _name;
}
- (id)initWithName:(NSString*)name;
- (NSString*)name;
@end

@interface UIScreen : TSObject {
  CGRect _bounds;
  CGFloat _scale;
  CGSize _native; /* the panel's pixels, whatever the orientation; zero: bounds times scale */
  BOOL _landscape;
}
+ (UIScreen*)mainScreen;
- (CGRect)bounds;
- (CGRect)_nativeDisplayBounds;
- (CGFloat)scale;
- (void)setNativeSize:(CGSize)native;
/* Whether the interface is turned across the panel, as the last rotation left it. */
- (BOOL)isLandscape;
@end

@interface UIAlertView : UIView {
  NSString* _title;
  NSString* _message;
  id _delegate;
  NSString* _cancelButtonTitle;
  NSMutableArray* _otherButtonTitles;
  BOOL _visible;
}
- (id)initWithTitle:(NSString*)title
              message:(NSString*)message
             delegate:(id)delegate
    cancelButtonTitle:(NSString*)cancelButtonTitle
    otherButtonTitles:(NSString*)firstOtherTitle, ...;
- (NSString*)title;
- (NSString*)message;
- (id)delegate;
- (NSString*)cancelButtonTitle;
- (NSInteger)numberOfButtons;
/* Buttons count from the cancel button, then the others in the order they were added. */
- (NSInteger)addButtonWithTitle:(NSString*)title;
- (NSString*)buttonTitleAtIndex:(NSInteger)index;
- (void)show;
/* Takes the alert off the screen as a tap on that button does, telling the call observer. */
- (void)dismissWithClickedButtonIndex:(NSInteger)index animated:(BOOL)animated;
- (BOOL)isVisible;
@end

/* The screen TSBoot makes becomes the main screen; nil forgets it (without releasing it). */
void TSSetMainScreen(UIScreen* screen);
/* A screen of width x height points at `scale` pixels per point (not autoreleased). */
UIScreen* TSNewScreen(double width, double height, double scale);
void TSRotateScreen(UIScreen* screen);

#endif
