// The view tree and its geometry, with UIKit's and Core Animation's edge cases. Walking up
// through raw pointers is safe: an ancestor lives as long as its parent or its owner holds it.
#include "sim/views/view.h"

#include <algorithm>
#include <stdexcept>

#include "host/cross_cast.h"
#include "host/object.h"

namespace sim {

namespace {

using ViewList = std::vector<std::shared_ptr<host::View>>;

ViewList::iterator find(ViewList& list, const host::View* view) {
  return std::find_if(list.begin(), list.end(), [view](const std::shared_ptr<host::View>& item) {
    return item.get() == view;
  });
}

std::uint64_t changes = 0;

}  // namespace

std::uint64_t viewChanges() { return changes; }

ViewState& viewState(const host::View& view) {
  auto* state = host::crossCast<ViewState>(const_cast<host::View&>(view));
  if (!state) throw std::logic_error("not modelled: a view that is not a simulated view");
  return *state;
}

void ViewState::setFrame(const host::Rect& frame) {
  geometry_ = geometry::withFrame(geometry_, frame);
  ++changes;
}

void ViewState::setBounds(const host::Rect& bounds) {
  geometry::requireFinite(bounds, "bounds");
  geometry_.bounds = bounds;
  ++changes;
}

void ViewState::setCenter(host::Point center) {
  geometry::requireFinite(center, "position");
  geometry_.center = center;
  ++changes;
}

void ViewState::setTransform(const host::AffineTransform& transform) {
  geometry::requireFinite(transform);
  geometry_.transform = transform;
  ++changes;
}

void ViewState::setAnchorPoint(host::Point anchorPoint) {
  geometry::requireFinite(anchorPoint, "anchorPoint");
  geometry_.anchorPoint = anchorPoint;
  ++changes;
}

void ViewState::setAlpha(double alpha) {
  alpha_ = alpha;
  ++changes;
}

std::shared_ptr<host::View> ViewState::sharedView() {
  std::shared_ptr<ViewState> self = weak_from_this().lock();
  if (!self) throw std::logic_error("not modelled: a view in a tree must be held by a shared_ptr");
  return std::shared_ptr<host::View>(self, &view());
}

std::shared_ptr<host::View> ViewState::superview() const {
  std::shared_ptr<ViewState> parent = superview_.lock();
  if (!parent) return nullptr;
  return std::shared_ptr<host::View>(parent, &parent->view());
}

void ViewState::addSubview(const std::shared_ptr<host::View>& view) {
  if (!view) return;
  if (view.get() == &this->view())
    throw host::PlatformException("NSInvalidArgumentException", "Can't add self as subview");
  ViewState& child = viewState(*view);
  // iOS only notices the cycle at the next layout pass; refusing it at once is stricter.
  if (isDescendantOfView(view.get()))
    throw host::PlatformException("CALayerInvalid", "layer <" +
                                                        std::string(view->objectClass().name()) +
                                                        "> is a part of cycle in its layer tree");
  sharedView();  // refuses a parent not held by a shared_ptr, whose children could not find it
  // A copy: the reference may point into the old parent's list, which the move changes.
  std::shared_ptr<host::View> moved = view;
  const bool wasInWindow = child.isInWindow();
  child.detachFromSuperview();
  subviews_.push_back(moved);
  child.superview_ = weak_from_this();
  ++changes;
  if (wasInWindow && !child.isInWindow()) child.leftWindow();
}

void ViewState::removeFromSuperview() {
  // The parent may hold the last reference to this view.
  std::shared_ptr<ViewState> keepAlive = weak_from_this().lock();
  const bool wasInWindow = isInWindow();
  detachFromSuperview();
  if (wasInWindow && !isInWindow()) leftWindow();
}

void ViewState::detachFromSuperview() {
  std::shared_ptr<ViewState> parent = superview_.lock();
  if (!parent) return;
  auto found = find(parent->subviews_, &view());
  if (found != parent->subviews_.end()) parent->subviews_.erase(found);
  superview_.reset();
  ++changes;
}

bool ViewState::isInWindow() const {
  for (const ViewState* at = this; at; at = at->superview_.lock().get())
    for (const host::Class* cls = &at->view().objectClass(); cls; cls = cls->superclass())
      if (cls->name() == "UIWindow") return true;
  return false;
}

void ViewState::leftWindow() {
  // A copy: a subview's record may not change the list, but nothing promises it.
  const std::vector<std::shared_ptr<host::View>> subviews = subviews_;
  for (const auto& subview : subviews) viewState(*subview).leftWindow();
}

void ViewState::bringSubviewToFront(const std::shared_ptr<host::View>& view) {
  auto found = find(subviews_, view.get());
  if (found == subviews_.end()) return;
  std::rotate(found, found + 1, subviews_.end());
}

void ViewState::sendSubviewToBack(const std::shared_ptr<host::View>& view) {
  auto found = find(subviews_, view.get());
  if (found == subviews_.end()) return;
  std::rotate(subviews_.begin(), found, found + 1);
}

bool ViewState::isDescendantOfView(const host::View* view) const {
  if (!view) return false;
  for (const ViewState* walk = this; walk; walk = walk->superview_.lock().get())
    if (&walk->view() == view) return true;
  return false;
}

host::Point ViewState::toRoot(host::Point point, const ViewState** root) const {
  const ViewState* walk = this;
  for (std::shared_ptr<ViewState> parent = superview_.lock(); parent;
       parent = parent->superview_.lock()) {
    point = geometry::toSuperlayer(walk->geometry_, point);
    walk = parent.get();
  }
  *root = walk;
  return point;
}

host::Point ViewState::convertPointToView(host::Point point, const host::View* view) const {
  const ViewState* root = nullptr;
  const host::Point inRoot = toRoot(point, &root);
  if (!view) return inRoot;

  // Down from the common root: undo the target's chain from the root downwards.
  const ViewState& target = viewState(*view);
  std::vector<const ViewState*> chain;
  const ViewState* walk = &target;
  for (; walk->superview_.lock(); walk = walk->superview_.lock().get()) chain.push_back(walk);
  if (walk != root)
    throw std::logic_error("not modelled: converting a point between views of different trees");
  host::Point result = inRoot;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    result = geometry::fromSuperlayer((*it)->geometry_, result);
  return result;
}

std::string colorName(const host::Color* color) {
  if (!color) return "none";
  auto* simColor = dynamic_cast<const Color*>(color);
  return simColor ? simColor->name() : "?";
}

std::string Label::describeContents() const {
  return "text=\"" + text_ + "\" textColor=" + colorName(textColor_.get());
}

}  // namespace sim
