// Test-only inspection of a view tree: a walk and a readable dump.
#pragma once

#include <string>

#include "host/views.h"
#include "sim/views/view.h"

namespace sim {

// Visits the view and its descendants depth first, each view before its subviews, subviews
// from back to front; visit(view, depth) with depth 0 for the given view. The visit must not
// change the tree.
template <class Visit>
void walkViews(const host::View& root, Visit&& visit, int depth = 0) {
  visit(root, depth);
  for (const auto& subview : viewState(root).subviews()) walkViews(*subview, visit, depth + 1);
}

// One line: class name, frame, transform when not the identity, alpha, "hidden" when hidden,
// tag when not 0, and what the view shows (a label's text and colour).
std::string describeView(const host::View& view);

// Every view of the tree, one line each, indented two spaces per level.
std::string dumpViewTree(const host::View& root);

// A number as the dump prints it: up to six significant digits, no negative zero.
std::string formatNumber(double value);

}  // namespace sim
