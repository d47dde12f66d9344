// Core Graphics' structures as the platform passes them by value, and the host's equivalents.
#pragma once

#include "host/geometry.h"
#include "host/weather.h"

namespace nimbrel::objc {

struct CGPoint {
  double x, y;
};
struct CGSize {
  double width, height;
};
struct CGRect {
  CGPoint origin;
  CGSize size;
};
struct CGAffineTransform {
  double a, b, c, d, tx, ty;
};
struct CLLocationCoordinate2D {
  double latitude, longitude;
};

inline CGPoint toPlatform(host::Point p) { return {p.x, p.y}; }
inline CGRect toPlatform(const host::Rect& r) {
  return {{r.origin.x, r.origin.y}, {r.size.width, r.size.height}};
}
inline CGAffineTransform toPlatform(const host::AffineTransform& t) {
  return {t.a, t.b, t.c, t.d, t.tx, t.ty};
}
inline host::Point toHost(CGPoint p) { return {p.x, p.y}; }
inline host::Rect toHost(const CGRect& r) {
  return host::makeRect(r.origin.x, r.origin.y, r.size.width, r.size.height);
}
inline host::AffineTransform toHost(const CGAffineTransform& t) {
  return {t.a, t.b, t.c, t.d, t.tx, t.ty};
}
inline host::Coordinate toHost(CLLocationCoordinate2D c) { return {c.latitude, c.longitude}; }

}  // namespace nimbrel::objc
