// Views as UIKit answers them, for any host view interface.
#pragma once

#include <memory>

#include "host/shell.h"
#include "host/views.h"
#include "objc/binding/bound.h"
#include "objc/runtime/geometry.h"

namespace nimbrel::objc {

template <class Interface>
class BoundView : public Bound<Interface> {
 public:
  using Bound<Interface>::Bound;
  using Bound<Interface>::self;

  host::Rect frame() const override { return toHost(send<CGRect>(self(), sel<"frame">())); }
  void setFrame(const host::Rect& frame) override {
    send<void>(self(), sel<"setFrame:">(), toPlatform(frame));
  }
  host::Rect bounds() const override { return toHost(send<CGRect>(self(), sel<"bounds">())); }
  host::Point center() const override { return toHost(send<CGPoint>(self(), sel<"center">())); }
  host::AffineTransform transform() const override {
    return toHost(send<CGAffineTransform>(self(), sel<"transform">()));
  }
  void setTransform(const host::AffineTransform& transform) override {
    send<void>(self(), sel<"setTransform:">(), toPlatform(transform));
  }

  double alpha() const override { return send<double>(self(), sel<"alpha">()); }
  void setAlpha(double alpha) override { send<void>(self(), sel<"setAlpha:">(), alpha); }
  bool isHidden() const override { return send<BOOL>(self(), sel<"isHidden">()); }
  void setHidden(bool hidden) override { send<void>(self(), sel<"setHidden:">(), BOOL(hidden)); }
  long tag() const override { return send<long>(self(), sel<"tag">()); }
  void setTag(long tag) override { send<void>(self(), sel<"setTag:">(), tag); }

  std::shared_ptr<host::View> superview() const override {
    return wrapAs<host::View>(send<id>(self(), sel<"superview">()));
  }
  // Inside a call from the platform the subviews are borrowed, as the view holds them for the
  // call: an add-on that keeps one past the call gets it retained then. One guard for the
  // whole walk, inside a step that expects a raise.
  host::Subviews subviews() const override {
    host::Subviews views;
    if (host::ExpectPlatformException::active()) [[unlikely]]
      guarded([&] { appendSubviews(views); });
    else
      appendSubviews(views);
    return views;
  }
  void addSubview(const std::shared_ptr<host::View>& view) override {
    send<void>(self(), sel<"addSubview:">(), unwrap(view));
  }
  void removeFromSuperview() override { send<void>(self(), sel<"removeFromSuperview">()); }
  void bringSubviewToFront(const std::shared_ptr<host::View>& view) override {
    send<void>(self(), sel<"bringSubviewToFront:">(), unwrap(view));
  }
  void sendSubviewToBack(const std::shared_ptr<host::View>& view) override {
    send<void>(self(), sel<"sendSubviewToBack:">(), unwrap(view));
  }
  bool isDescendantOfView(const host::View* view) const override {
    return send<BOOL>(self(), sel<"isDescendantOfView:">(), unwrap(view));
  }
  host::Point convertPointToView(host::Point point, const host::View* view) const override {
    return toHost(
        send<CGPoint>(self(), sel<"convertPoint:toView:">(), toPlatform(point), unwrap(view)));
  }

 private:
  [[gnu::always_inline]] void appendSubviews(host::Subviews& views) const {
    id array = sendUnguarded<id>(self(), sel<"subviews">());
    const auto count = sendUnguarded<unsigned long>(array, sel<"count">());
    for (unsigned long i = 0; i < count; ++i)
      views.push_back(borrowAs<host::View>(sendUnguarded<id>(array, sel<"objectAtIndex:">(), i)));
  }
};

}  // namespace nimbrel::objc
