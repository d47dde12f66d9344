// dynamic_cast between the platform interface and an implementation's side of one object,
// with the search through the class hierarchy done once per concrete class. For the
// implementations of the interface; the add-on has no use for it.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <optional>
#include <typeinfo>
#include <vector>

namespace host {

// The To part of the object, or none when the object has none: what dynamic_cast<To*>
// gives. A cast between sibling bases searches the whole hierarchy at every call, comparing
// type names, and an implementation makes one at every message sent; the part lies at a fixed
// offset in every object of a concrete class, so the offset is remembered.
//
// That holds only where these do, which every caller must keep:
// - From is polymorphic, so that typeid names the object's most-derived type;
// - the object is complete: never cast from a constructor or destructor, where typeid and
//   dynamic_cast<void*> answer for the part being built, not the whole;
// - To is not a virtual base, and no class in the hierarchy has one, so that a part's offset
//   depends on the concrete class alone;
// - To appears at most once in the hierarchy, so that there is one part to find.
// Builds with assertions check every answer against dynamic_cast itself.
template <class To, class From>
To* crossCast(From& object) {
  struct Known {
    const std::type_info* type;
    std::optional<std::ptrdiff_t> offset;
  };
  thread_local std::vector<Known> known;
  const std::type_info* type = &typeid(object);
  auto found = std::find_if(known.begin(), known.end(),
                            [type](const Known& entry) { return entry.type == type; });
  auto* whole = static_cast<char*>(dynamic_cast<void*>(&object));
  if (found == known.end()) {
    std::optional<std::ptrdiff_t> offset;
    if (To* part = dynamic_cast<To*>(&object)) offset = reinterpret_cast<char*>(part) - whole;
    found = known.insert(known.end(), {type, offset});
  }
  To* part = found->offset ? reinterpret_cast<To*>(whole + *found->offset) : nullptr;
  assert(part == dynamic_cast<To*>(&object) && "crossCast's assumptions do not hold");
  return part;
}

}  // namespace host
