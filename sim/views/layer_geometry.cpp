// Frame, inverse frame and point conversion of a layer, as Core Animation computes them.
#include "sim/views/layer_geometry.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>

#include "host/object.h"

namespace sim::geometry {

namespace {

// The anchor point in bounds-relative offsets: the origin of the transform.
host::Point anchorOffset(const LayerGeometry& layer) {
  return {layer.anchorPoint.x * layer.bounds.size.width,
          layer.anchorPoint.y * layer.bounds.size.height};
}

std::string describe(std::initializer_list<double> values) {
  std::ostringstream text;
  text << '[';
  bool first = true;
  for (double value : values) {
    if (!first) text << ' ';
    text << value;
    first = false;
  }
  text << ']';
  return text.str();
}

// Rotation matrices built from sin and cos leave residues near 1e-16 where a quarter turn
// has zeros; such residues count as zero.
bool negligible(double value, double reference) {
  return std::fabs(value) <= 1e-12 * std::fabs(reference);
}

[[noreturn]] void invalidGeometry(const std::string& reason) {
  throw host::PlatformException("CALayerInvalidGeometry", reason);
}

}  // namespace

void requireFinite(const host::Rect& rect, const char* what) {
  if (host::isFinite(rect)) return;
  invalidGeometry(std::string("CALayer ") + what + " contains NaN or infinity: " +
                  describe({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}));
}

void requireFinite(host::Point point, const char* what) {
  if (host::isFinite(point)) return;
  invalidGeometry(std::string("CALayer ") + what +
                  " contains NaN or infinity: " + describe({point.x, point.y}));
}

void requireFinite(const host::AffineTransform& t) {
  if (host::isFinite(t)) return;
  invalidGeometry("CALayer transform contains NaN or infinity: " +
                  describe({t.a, t.b, t.c, t.d, t.tx, t.ty}));
}

host::Rect frameOf(const LayerGeometry& layer) {
  const host::Point anchor = anchorOffset(layer);
  const double w = layer.bounds.size.width, h = layer.bounds.size.height;
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (host::Point corner :
       {host::Point{0, 0}, host::Point{w, 0}, host::Point{0, h}, host::Point{w, h}}) {
    host::Point moved = layer.transform.apply({corner.x - anchor.x, corner.y - anchor.y});
    minX = std::min(minX, moved.x);
    maxX = std::max(maxX, moved.x);
    minY = std::min(minY, moved.y);
    maxY = std::max(maxY, moved.y);
  }
  return host::makeRect(layer.center.x + minX, layer.center.y + minY, maxX - minX, maxY - minY);
}

LayerGeometry withFrame(const LayerGeometry& layer, const host::Rect& frame) {
  requireFinite(frame, "frame");
  const host::AffineTransform& t = layer.transform;
  LayerGeometry result = layer;
  if (t.a != 0 && t.d != 0 && negligible(t.b, t.a) && negligible(t.c, t.d)) {
    result.bounds.size = {frame.size.width / std::fabs(t.a), frame.size.height / std::fabs(t.d)};
  } else if (t.b != 0 && t.c != 0 && negligible(t.a, t.b) && negligible(t.d, t.c)) {
    // A quarter turn swaps the axes: the frame's width comes from the bounds' height.
    result.bounds.size = {frame.size.height / std::fabs(t.b), frame.size.width / std::fabs(t.c)};
  } else {
    throw std::logic_error(
        "not modelled: setting a frame under a transform that is not a scale, translation or "
        "quarter turn");
  }
  requireFinite(result.bounds, "bounds");
  // Place the position so that the transformed bounds start at the frame's origin.
  result.center = {0, 0};
  const host::Rect placed = frameOf(result);
  result.center = {frame.origin.x - placed.origin.x, frame.origin.y - placed.origin.y};
  requireFinite(result.center, "position");
  return result;
}

host::Point toSuperlayer(const LayerGeometry& layer, host::Point point) {
  const host::Point anchor = anchorOffset(layer);
  host::Point moved = layer.transform.apply(
      {point.x - layer.bounds.origin.x - anchor.x, point.y - layer.bounds.origin.y - anchor.y});
  return {layer.center.x + moved.x, layer.center.y + moved.y};
}

host::Point fromSuperlayer(const LayerGeometry& layer, host::Point point) {
  const host::AffineTransform& t = layer.transform;
  const double determinant = t.a * t.d - t.b * t.c;
  if (determinant == 0 || !std::isfinite(determinant))
    throw std::logic_error(
        "not modelled: converting a point into a view with a singular transform");
  // Undo the position and the translation, then the linear part.
  const double x = point.x - layer.center.x - t.tx, y = point.y - layer.center.y - t.ty;
  const host::Point local{(x * t.d - y * t.c) / determinant, (y * t.a - x * t.b) / determinant};
  const host::Point anchor = anchorOffset(layer);
  return {local.x + anchor.x + layer.bounds.origin.x, local.y + anchor.y + layer.bounds.origin.y};
}

}  // namespace sim::geometry
