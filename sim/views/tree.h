// Test-only inspection of a view tree: a walk and a readable dump.
#pragma once

#include <functional>
#include <string>

#include "host/views.h"

namespace sim {

// Visits the view and its descendants depth first, each view before its subviews, subviews
// from back to front; depth is 0 for the given view.
void walkViews(const host::View& root,
               const std::function<void(const host::View& view, int depth)>& visit);

// One line: class name, frame, transform when not the identity, alpha, "hidden" when hidden,
// tag when not 0, and what the view shows (a label's text and colour).
std::string describeView(const host::View& view);

// Every view of the tree, one line each, indented two spaces per level.
std::string dumpViewTree(const host::View& root);

// A number as the dump prints it: up to six significant digits, no negative zero.
std::string formatNumber(double value);

}  // namespace sim
