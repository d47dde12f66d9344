// The UIKit classes every simulated process has.
#pragma once

#include <memory>
#include <string>

#include "sim/runtime/runtime.h"
#include "sim/views/view.h"

namespace sim {

// UIView, UILabel (a UIView), UIWindow (a UIView), UIColor, UIImage and UIScreen, defined
// once per process with defineViewClasses.
struct ViewClasses {
  SimClass& view;
  SimClass& label;
  SimClass& window;
  SimClass& color;
  SimClass& image;
  SimClass& screen;

  // UIColor whiteColor and friends, by name.
  std::shared_ptr<Color> makeColor(std::string name) const;
  // A UILabel with UIKit's default text colour, black.
  std::shared_ptr<Label> makeLabel(const host::Rect& frame = {}) const;
  std::shared_ptr<View> makeView(const host::Rect& frame = {}) const;
  std::shared_ptr<View> makeWindow(const host::Rect& frame) const;
};

ViewClasses defineViewClasses(Runtime& runtime);

}  // namespace sim
