// Definition of the UIKit classes and makers of their plain instances.
#include "sim/views/classes.h"

namespace sim {

ViewClasses defineViewClasses(Runtime& runtime) {
  SimClass& view = runtime.defineClass("UIView", nullptr);
  runtime.defineModelledMethod(view, {"initWithFrame:"});
  SimClass& screen = runtime.defineClass("UIScreen", nullptr);
  runtime.defineModelledMethod(screen, {"bounds"});
  runtime.defineModelledMethod(screen, {"_nativeDisplayBounds"});
  return ViewClasses{view,
                     runtime.defineClass("UILabel", &view),
                     runtime.defineClass("UIWindow", &view),
                     runtime.defineClass("UIColor", nullptr),
                     runtime.defineClass("UIImage", nullptr),
                     screen};
}

std::shared_ptr<Color> ViewClasses::makeColor(std::string name) const {
  return std::make_shared<Color>(color, std::move(name));
}

std::shared_ptr<Label> ViewClasses::makeLabel(const host::Rect& frame) const {
  return std::make_shared<Label>(label, frame, makeColor("black"));
}

std::shared_ptr<View> ViewClasses::makeView(const host::Rect& frame) const {
  return std::make_shared<View>(view, frame);
}

std::shared_ptr<View> ViewClasses::makeWindow(const host::Rect& frame) const {
  return std::make_shared<View>(window, frame);
}

}  // namespace sim
