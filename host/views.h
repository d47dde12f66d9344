// Views, labels, colours, images and the main screen, as UIKit offers them.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/geometry.h"
#include "host/object.h"

namespace host {

class Color : public Object {};
class Image : public Object {};
class View;

// A view's subviews at one moment, back to front. The first few are kept in place, so that
// asking a view with few subviews for them allocates nothing: the add-on asks at every
// appearance of the lock screen. The places are left unmade until used.
class Subviews {
 public:
  using value_type = std::shared_ptr<View>;
  using const_iterator = const value_type*;
  using iterator = const_iterator;

  Subviews() {}
  template <class Iterator>
  Subviews(Iterator first, Iterator last) {
    for (; first != last; ++first) push_back(*first);
  }
  Subviews(const Subviews& other) : Subviews(other.begin(), other.end()) {}
  Subviews(Subviews&& other) noexcept : spilled_(std::move(other.spilled_)), size_(other.size_) {
    if (size_ <= kInPlace) std::uninitialized_move_n(other.inPlace_, size_, inPlace_);
  }
  Subviews& operator=(Subviews other) noexcept {
    std::destroy_at(this);
    std::construct_at(this, std::move(other));
    return *this;
  }
  ~Subviews() {
    if (size_ <= kInPlace) std::destroy_n(inPlace_, size_);
  }

  void push_back(value_type view) {
    if (size_ < kInPlace) {
      std::construct_at(inPlace_ + size_, std::move(view));
    } else {
      if (size_ == kInPlace) spill();
      spilled_.push_back(std::move(view));
    }
    ++size_;
  }

  const_iterator begin() const { return size_ > kInPlace ? spilled_.data() : inPlace_; }
  const_iterator end() const { return begin() + size_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const value_type& operator[](std::size_t i) const { return begin()[i]; }
  const value_type& front() const { return *begin(); }
  const value_type& back() const { return end()[-1]; }

  friend bool operator==(const Subviews& a, const Subviews& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  static constexpr std::size_t kInPlace = 8;

  // The places' views move to the heap, and the places are unmade again.
  void spill() {
    spilled_.reserve(2 * kInPlace);
    std::move(inPlace_, inPlace_ + kInPlace, std::back_inserter(spilled_));
    std::destroy_n(inPlace_, kInPlace);
  }

  // Made in place for the first kInPlace views only; unmade when they spill.
  union {
    value_type inPlace_[kInPlace];
  };
  std::vector<value_type> spilled_;
  std::size_t size_ = 0;
};

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
  virtual Subviews subviews() const = 0;
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
