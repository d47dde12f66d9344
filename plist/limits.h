// What a property list may be before any reader is handed it: the simulation's libplist and
// Foundation's readers, here and on the phone, recurse once per nesting level, so a file
// nested a few hundred thousand levels deep ends the process reading it.
#pragma once

#include <cstddef>
#include <string_view>

namespace nimbrel::plist {

// No preferences or cache file comes near this size, and it bounds what a hostile file can
// make a reader allocate.
inline constexpr std::size_t maxBytes = 16 * 1024 * 1024;
// Dictionaries and arrays nested inside each other, the root being 1.
inline constexpr std::size_t maxDepth = 512;
// Objects in a binary file's tree once shared references are expanded.
inline constexpr std::size_t maxExpandedObjects = 1 << 20;

// The deepest nesting of <array> and <dict> elements, outside comments, CDATA sections and
// declarations. Scanned without recursion, as every function here.
std::size_t xmlNestingDepth(std::string_view xml);

// The deepest nesting of "(" and "{" in the OpenStep text form, outside quoted strings, data
// and comments.
std::size_t openStepNestingDepth(std::string_view text);

// Whether a reader may be handed these bytes: at most maxBytes; a binary list ("bplist")
// sound and within maxDepth and maxExpandedObjects (binary_check.h); text nested no deeper
// than maxDepth in the one form that can nest in it: as XML when its first character, after a
// byte-order mark and white space, is '<', otherwise as OpenStep text. So an XML string full
// of "(" or an OpenStep string full of "<array>" nests nothing.
bool withinLimits(std::string_view bytes);

}  // namespace nimbrel::plist
