// What happened in a simulated process: calls the shell made and what the add-on did through
// the platform, stamped with the virtual time. Tests and the simulator read it.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

  void add(std::string category, std::string text);
  const std::deque<RecordEntry>& entries() const { return entries_; }
  // The texts of the entries in one category, in order: what tests compare whole.
  std::vector<std::string> textsIn(std::string_view category) const;
  std::size_t dropped() const { return dropped_; }
  void clear();

 private:
  std::function<double()> now_;
  std::deque<RecordEntry> entries_;
  std::size_t dropped_ = 0;
};

}  // namespace sim
