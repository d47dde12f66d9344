// A structural check of binary property lists, done before a reader sees them: libplist 2.2
// and Foundation's readers recurse once per nesting level, and libplist expands shared
// objects, so hostile files could overflow their stack or memory.
#pragma once

#include <cstddef>
#include <string_view>

namespace nimbrel::plist {

struct BinaryPlistLimits {
  std::size_t maxDepth;            // containers nested inside each other, the root being 1
  std::size_t maxExpandedObjects;  // objects in the tree once shared references are expanded
};

// True when the file has a sound trailer and offset table, every object lies inside the
// file, every reference names an object, the object graph has no cycle, and the limits hold.
// Walks the graph with an explicit stack, never recursing.
bool binaryPropertyListIsSafe(std::string_view bytes, BinaryPlistLimits limits);

}  // namespace nimbrel::plist
