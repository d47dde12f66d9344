// The tree walk and dump the simulator and tests read.
#include "sim/views/tree.h"

#include <sstream>

#include "sim/views/view.h"

namespace sim {

std::string formatNumber(double value) {
  std::ostringstream text;
  text << value + 0.0;  // turns -0 into 0
  return text.str();
}

std::string describeView(const host::View& view) {
  const ViewState& state = viewState(view);
  const host::Rect frame = state.frame();
  std::string line = std::string(view.objectClass().name()) + " frame=(" +
                     formatNumber(frame.origin.x) + " " + formatNumber(frame.origin.y) + "; " +
                     formatNumber(frame.size.width) + " " + formatNumber(frame.size.height) + ")";
  const host::AffineTransform t = state.transform();
  if (!t.isIdentity())
    line += " transform=[" + formatNumber(t.a) + " " + formatNumber(t.b) + " " + formatNumber(t.c) +
            " " + formatNumber(t.d) + " " + formatNumber(t.tx) + " " + formatNumber(t.ty) + "]";
  line += " alpha=" + formatNumber(state.alpha());
  if (state.isHidden()) line += " hidden";
  if (state.tag() != 0) line += " tag=" + std::to_string(state.tag());
  const std::string contents = state.describeContents();
  if (!contents.empty()) line += " " + contents;
  return line;
}

std::string dumpViewTree(const host::View& root) {
  std::string dump;
  walkViews(root, [&](const host::View& view, int depth) {
    dump += std::string(static_cast<std::size_t>(depth) * 2, ' ') + describeView(view) + "\n";
  });
  return dump;
}

}  // namespace sim
