/* The geometry types of the phone's frameworks, laid out as the phone lays them out, so that
 * the binding passes and returns them by value exactly as it would there. */
#ifndef NIMBREL_OBJC_TEST_SHELL_GEOMETRY_H
#define NIMBREL_OBJC_TEST_SHELL_GEOMETRY_H

typedef double CGFloat;
typedef long NSInteger;

typedef struct CGPoint {
  double x, y;
} CGPoint;

typedef struct CGSize {
  double width, height;
} CGSize;

typedef struct CGRect {
  CGPoint origin;
  CGSize size;
} CGRect;

typedef struct CGAffineTransform {
  double a, b, c, d, tx, ty;
} CGAffineTransform;

typedef struct CLLocationCoordinate2D {
  double latitude, longitude;
} CLLocationCoordinate2D;

static inline CGPoint TSPointMake(double x, double y) {
  CGPoint point = {x, y};
  return point;
}

static inline CGRect TSRectMake(double x, double y, double width, double height) {
  CGRect rect = {{x, y}, {width, height}};
  return rect;
}

static inline CGAffineTransform TSTransformIdentity(void) {
  CGAffineTransform identity = {1, 0, 0, 1, 0, 0};
  return identity;
}

#endif
