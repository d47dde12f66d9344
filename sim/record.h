// What happened in a simulated process: calls the shell made and what the add-on did through
// the platform, stamped with the virtual time. Tests and the simulator read it.
#pragma once

#include <concepts>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "facts/trace.h"

namespace sim {

struct RecordEntry {
  double time = 0;       // virtual seconds since 1970
  std::string category;  // "shell", "hook", "observer", "view", "bind", "weather", "alert", "file",
                         // "timer", ...
  std::string text;      // one readable line
};

class Record {
 public:
  // Keeps the newest entries only, so that a long simulation cannot grow it without bound.
  static constexpr std::size_t capacity = 200000;

  explicit Record(std::function<double()> now) : now_(std::move(now)) {}

  // A line already written, as the shell process on the Objective-C runtime hands them over.
  void add(std::string_view category, std::string_view text);
  // What happened, written as the trace writes it.
  template <facts::Fact Fact>
  void add(const Fact& fact) {
    if (keeping_) append(facts::traceLine(fact));
  }
  // A fact that costs something to gather comes as a function, called only while entries are
  // kept.
  template <std::invocable MakeFact>
  void add(MakeFact&& makeFact) {
    if (keeping_) append(facts::traceLine(std::forward<MakeFact>(makeFact)()));
  }
  // Off where nobody reads the record (a fuzzer's runs): adding then costs next to nothing.
  bool keeping() const { return keeping_; }
  void setKeeping(bool keeping) { keeping_ = keeping; }
  const std::deque<RecordEntry>& entries() const { return entries_; }
  // The texts of the entries in one category, in order: what tests compare whole.
  std::vector<std::string> textsIn(std::string_view category) const;
  std::size_t dropped() const { return dropped_; }
  void clear();

 private:
  void append(facts::TraceLine line);

  std::function<double()> now_;
  bool keeping_ = true;
  std::deque<RecordEntry> entries_;
  std::size_t dropped_ = 0;
};

}  // namespace sim
