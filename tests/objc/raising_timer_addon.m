/* An add-on library that schedules, as it loads, a repeating timer of its own, whose target
 * raises each time it fires: nothing of this add-on's catches it. */
#import <Foundation/Foundation.h>

@interface NBRaisingTimerTarget : NSObject
+ (void)load;
- (void)tick:(NSTimer*)timer;
@end

@implementation NBRaisingTimerTarget

/* When the library's classes are registered: a module initialiser may run before them. */
+ (void)load {
  NBRaisingTimerTarget* target = [self new];
  [NSTimer scheduledTimerWithTimeInterval:1
                                   target:target
                                 selector:@selector(tick:)
                                 userInfo:nil
                                  repeats:YES];
  [target release];
}

- (void)tick:(NSTimer*)timer {
  (void)timer;
  [NSException raise:NSInternalInconsistencyException format:@"The timer's target raised"];
}

@end
