// Plane geometry in the platform's floating-point points, as the view system relates it.
#pragma once

#include <cmath>

namespace host {

struct Point {
  double x = 0;
  double y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  double width = 0;
  double height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  Point origin;
  Size size;
  friend bool operator==(const Rect&, const Rect&) = default;
};

constexpr Rect makeRect(double x, double y, double width, double height) {
  return Rect{{x, y}, {width, height}};
}

// The affine matrix [a b 0; c d 0; tx ty 1], applied to row vectors as Core Graphics does.
struct AffineTransform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  friend bool operator==(const AffineTransform&, const AffineTransform&) = default;

  static constexpr AffineTransform identity() { return {}; }
  // CGAffineTransformMakeScale: horizontal factor first.
  static constexpr AffineTransform makeScale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  constexpr bool isIdentity() const { return *this == identity(); }
  constexpr Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
};

inline bool isFinite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }
inline bool isFinite(Size s) { return std::isfinite(s.width) && std::isfinite(s.height); }
inline bool isFinite(const Rect& r) { return isFinite(r.origin) && isFinite(r.size); }
inline bool isFinite(const AffineTransform& t) {
  return std::isfinite(t.a) && std::isfinite(t.b) && std::isfinite(t.c) && std::isfinite(t.d) &&
         std::isfinite(t.tx) && std::isfinite(t.ty);
}

}  // namespace host
