// dynamic_cast between the platform interface and an implementation's side of one object,
// with the search through the class hierarchy done once per concrete class. For the
// implementations of the interface; the add-on has no use for it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <typeinfo>
#include <vector>

namespace host {

// The To part of the object, or none when the object has none: what dynamic_cast<To*>
// gives. A cast between sibling bases searches the whole hierarchy at every call, comparing
// type names, and an implementation makes one at every message sent; the part lies at a fixed
// offset in every object of a concrete class, so the offset is remembered.
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
  return found->offset ? reinterpret_cast<To*>(whole + *found->offset) : nullptr;
}

}  // namespace host
