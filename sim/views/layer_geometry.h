// How a layer relates its position, bounds, anchor point and transform to its frame, and how
// points move from a layer's space to its superlayer's.
#pragma once

#include "host/geometry.h"

namespace sim::geometry {

// The state a view keeps; frame is derived from it.
struct LayerGeometry {
  host::Point center;  // the layer's position, in the superview's coordinates
  host::Rect bounds;
  host::AffineTransform transform;
  host::Point anchorPoint{0.5, 0.5};
};

// The bounding box of the transformed bounds, placed at the position.
host::Rect frameOf(const LayerGeometry& layer);

// The geometry whose frame is the given rectangle, keeping the transform, anchor point and
// bounds origin. Raises CALayerInvalidGeometry for a rectangle that is not finite; refuses
// (not modelled) a transform other than a scale, translation or quarter turn, or a singular one.
LayerGeometry withFrame(const LayerGeometry& layer, const host::Rect& frame);

// A point in the layer's bounds coordinates, in its superlayer's coordinates.
host::Point toSuperlayer(const LayerGeometry& layer, host::Point point);
// The inverse of toSuperlayer; refuses (not modelled) a singular transform.
host::Point fromSuperlayer(const LayerGeometry& layer, host::Point point);

// Raise CALayerInvalidGeometry when the value is not finite, naming what was set.
void requireFinite(const host::Rect& rect, const char* what);
void requireFinite(host::Point point, const char* what);
void requireFinite(const host::AffineTransform& transform);

}  // namespace sim::geometry
