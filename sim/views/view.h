// Simulated UIKit views: one non-template state shared by every view, and ViewImpl, which
// makes any host view interface out of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/views.h"
#include "sim/runtime/instance.h"
#include "sim/views/layer_geometry.h"

namespace sim {

// What every simulated view keeps: geometry, appearance and its place in the tree. Views
// must be owned by shared pointers (make them with std::make_shared) before they join a tree.
class ViewState : public std::enable_shared_from_this<ViewState> {
 public:
  ViewState() = default;
  ViewState(const ViewState&) = delete;
  ViewState& operator=(const ViewState&) = delete;
  virtual ~ViewState() = default;

  // The host view this state belongs to.
  virtual host::View& view() = 0;
  virtual const host::View& view() const = 0;
  // Extra words for the tree dump (a label's text, a background's city), or none.
  virtual std::string describeContents() const { return {}; }

  host::Rect frame() const { return geometry::frameOf(geometry_); }
  void setFrame(const host::Rect& frame);
  host::Rect bounds() const { return geometry_.bounds; }
  // Keeps the center, as UIKit does; raises CALayerInvalidGeometry when not finite.
  void setBounds(const host::Rect& bounds);
  // Scrolls: the bounds' origin moves and its size stays, so every subview appears shifted
  // by minus that origin in this view's superview.
  void setBoundsOrigin(host::Point origin) { setBounds({origin, geometry_.bounds.size}); }
  host::Point center() const { return geometry_.center; }
  void setCenter(host::Point center);
  host::AffineTransform transform() const { return geometry_.transform; }
  void setTransform(const host::AffineTransform& transform);
  host::Point anchorPoint() const { return geometry_.anchorPoint; }
  void setAnchorPoint(host::Point anchorPoint);

  double alpha() const { return alpha_; }
  void setAlpha(double alpha);
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }
  long tag() const { return tag_; }
  void setTag(long tag) { tag_ = tag; }

  std::shared_ptr<host::View> superview() const;
  const std::vector<std::shared_ptr<host::View>>& subviews() const { return subviews_; }
  void addSubview(const std::shared_ptr<host::View>& view);
  void removeFromSuperview();
  void bringSubviewToFront(const std::shared_ptr<host::View>& view);
  void sendSubviewToBack(const std::shared_ptr<host::View>& view);
  bool isDescendantOfView(const host::View* view) const;
  host::Point convertPointToView(host::Point point, const host::View* view) const;
  // Whether the view is a window or lies inside one.
  bool isInWindow() const;

 protected:
  // The view, and with it each of its subviews, has just left its window
  // (didMoveToWindow with no window).
  virtual void leftWindow();

 private:
  // Out of the superview's list, telling no one.
  void detachFromSuperview();
  // The host view of this state as a shared pointer; refuses a view not owned by one.
  std::shared_ptr<host::View> sharedView();
  // The point in the root ancestor's coordinates, and that root.
  host::Point toRoot(host::Point point, const ViewState** root) const;

  geometry::LayerGeometry geometry_;
  double alpha_ = 1;
  bool hidden_ = false;
  long tag_ = 0;
  std::vector<std::shared_ptr<host::View>> subviews_;
  std::weak_ptr<ViewState> superview_;
};

// The state of a simulated view; refuses (not modelled) a view from elsewhere.
ViewState& viewState(const host::View& view);

// How many times any view's geometry or alpha was set, or a view joined or left a tree, in
// this program: a checker of trees need look again only when it has moved on.
std::uint64_t viewChanges();

// Any host view interface (host::View, host::Label, host::WeatherBackground, ...) made of the
// shared view state. Concrete views derive from it and add what their interface adds:
//   class WeatherBackground final : public sim::ViewImpl<host::WeatherBackground> { ... };
template <class Interface>
class ViewImpl : public Instance<Interface>, public ViewState {
 public:
  // initWithFrame:
  explicit ViewImpl(host::Class& cls, const host::Rect& frame = {}) : Instance<Interface>(cls) {
    ViewState::setFrame(frame);
  }

  host::View& view() override { return *this; }
  const host::View& view() const override { return *this; }

  host::Rect frame() const override { return ViewState::frame(); }
  void setFrame(const host::Rect& frame) override { ViewState::setFrame(frame); }
  host::Rect bounds() const override { return ViewState::bounds(); }
  host::Point center() const override { return ViewState::center(); }
  host::AffineTransform transform() const override { return ViewState::transform(); }
  void setTransform(const host::AffineTransform& t) override { ViewState::setTransform(t); }

  double alpha() const override { return ViewState::alpha(); }
  void setAlpha(double alpha) override { ViewState::setAlpha(alpha); }
  bool isHidden() const override { return ViewState::isHidden(); }
  void setHidden(bool hidden) override { ViewState::setHidden(hidden); }
  long tag() const override { return ViewState::tag(); }
  void setTag(long tag) override { ViewState::setTag(tag); }

  std::shared_ptr<host::View> superview() const override { return ViewState::superview(); }
  host::Subviews subviews() const override {
    const auto& views = ViewState::subviews();
    return host::Subviews(views.begin(), views.end());
  }
  void addSubview(const std::shared_ptr<host::View>& v) override { ViewState::addSubview(v); }
  void removeFromSuperview() override { ViewState::removeFromSuperview(); }
  void bringSubviewToFront(const std::shared_ptr<host::View>& v) override {
    ViewState::bringSubviewToFront(v);
  }
  void sendSubviewToBack(const std::shared_ptr<host::View>& v) override {
    ViewState::sendSubviewToBack(v);
  }
  bool isDescendantOfView(const host::View* v) const override {
    return ViewState::isDescendantOfView(v);
  }
  host::Point convertPointToView(host::Point point, const host::View* v) const override {
    return ViewState::convertPointToView(point, v);
  }
};

// A plain UIView (also used for windows and the shell's container views).
class View final : public ViewImpl<host::View> {
 public:
  using ViewImpl::ViewImpl;
};

// An object the simulation knows only by its name.
template <class Interface>
class NamedInstance final : public Instance<Interface> {
 public:
  NamedInstance(host::Class& cls, std::string name)
      : Instance<Interface>(cls), name_(std::move(name)) {}
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

// UIColor, known by its name ("white").
using Color = NamedInstance<host::Color>;
// UIImage, known by its name.
using Image = NamedInstance<host::Image>;

// UILabel: text and text colour. The maker passes the platform's default colour (black), or
// none. Not final: the shell's and Weather's labels are subclasses.
class Label : public ViewImpl<host::Label> {
 public:
  explicit Label(host::Class& cls, const host::Rect& frame = {},
                 std::shared_ptr<host::Color> textColor = nullptr)
      : ViewImpl(cls, frame), textColor_(std::move(textColor)) {}
  std::string text() const override { return text_; }
  void setText(std::string text) { text_ = std::move(text); }
  std::shared_ptr<host::Color> textColor() const override { return textColor_; }
  void setTextColor(const std::shared_ptr<host::Color>& color) override { textColor_ = color; }
  std::string describeContents() const override;

 private:
  std::string text_;
  std::shared_ptr<host::Color> textColor_;
};

// The name of a simulated colour, or "?" for one from elsewhere; "none" for none.
std::string colorName(const host::Color* color);

}  // namespace sim
