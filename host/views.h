// Views, labels, colours, images and the main screen, as UIKit offers them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/geometry.h"
#include "host/object.h"

namespace host {

class Color : public Object {};
class Image : public Object {};

// A view in the shell's tree: it holds its subviews strongly and its superview weakly.
// Frame is derived from bounds, center and transform; setting a frame or transform that is
// not finite raises the platform exception, as the layer system does.
class View : public Object {
 public:
  virtual Rect frame() const = 0;
  virtual void setFrame(const Rect& frame) = 0;
  virtual Rect bounds() const = 0;
  virtual Point center() const = 0;
  virtual AffineTransform transform() const = 0;
  virtual void setTransform(const AffineTransform& transform) = 0;

  virtual double alpha() const = 0;
  virtual void setAlpha(double alpha) = 0;
  virtual bool isHidden() const = 0;
  virtual void setHidden(bool hidden) = 0;
  virtual long tag() const = 0;
  virtual void setTag(long tag) = 0;

  virtual std::shared_ptr<View> superview() const = 0;
  virtual std::vector<std::shared_ptr<View>> subviews() const = 0;
  // Moves the view from its old superview to the top of this one; adding a view to itself
  // raises the platform exception.
  virtual void addSubview(const std::shared_ptr<View>& view) = 0;
  virtual void removeFromSuperview() = 0;
  virtual void bringSubviewToFront(const std::shared_ptr<View>& view) = 0;
  virtual void sendSubviewToBack(const std::shared_ptr<View>& view) = 0;
  // A view is its own descendant; no view (none) contains nothing.
  virtual bool isDescendantOfView(const View* view) const = 0;
  // With no target view the point is converted to window coordinates (the root of the tree).
  virtual Point convertPointToView(Point point, const View* view) const = 0;
};

class Label : public View {
 public:
  virtual std::string text() const = 0;
  virtual std::shared_ptr<Color> textColor() const = 0;
  virtual void setTextColor(const std::shared_ptr<Color>& color) = 0;
};

// UIScreen mainScreen: bounds in points, _nativeDisplayBounds in pixels.
class Screen : public Object {
 public:
  virtual Rect bounds() const = 0;
  virtual Rect nativeDisplayBounds() const = 0;
};

}  // namespace host
