// methods.def as data: each row's class, selector and kind, and its name as the runtime spells
// it ("-[Class selector]"), for the add-on's method table and for the tests that check what a
// process got.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "host/methods.h"

namespace host::methods {

enum class Change { replaced, added };

struct MethodRow {
  std::string_view name;  // the add-on's routine for it
  std::string_view className;
  Selector selector;
  bool classMethod;
  Change change;
  std::string_view text;  // "-[Class selector]", "+[...]" for a class method
};

// "-[Class selector]" in static storage, N characters long.
template <std::size_t N>
struct MethodText {
  std::array<char, N> chars{};
  constexpr std::string_view view() const { return {chars.data(), N}; }
};

template <std::size_t N>
constexpr MethodText<N> methodText(char sign, std::string_view cls, std::string_view selector) {
  MethodText<N> text;
  std::size_t at = 0;
  auto put = [&](std::string_view part) {
    for (char c : part) text.chars[at++] = c;
  };
  put(sign == '+' ? "+[" : "-[");
  put(cls);
  put(" ");
  put(selector);
  put("]");
  return text;
}

namespace rows {
#define NIMBREL_METHOD(row, Signature, cls, sign, change)                                          \
  inline constexpr auto row##Text = methodText<sizeof(cls) + Signature::selector.name.size() + 3>( \
      sign, cls, Signature::selector.name);                                                        \
  inline constexpr MethodRow row{                                                                  \
      #row, cls, Signature::selector, sign == '+', Change::change, row##Text.view()};
#include "host/methods.def"
}  // namespace rows

inline constexpr MethodRow kMethodRows[] = {
#define NIMBREL_METHOD(row, Signature, cls, sign, change) rows::row,
#include "host/methods.def"
};

// The class object that holds the row's method, the metaclass for a class method; none when
// the process lacks the class.
inline Class* holderOf(Runtime& runtime, const MethodRow& row) {
  Class* cls = runtime.getClass(row.className);
  return row.classMethod ? metaclassOf(cls) : cls;
}

}  // namespace host::methods
