// The record of a simulated process: a bounded, time-stamped list of what happened.
#include "sim/record.h"

namespace sim {

void Record::add(std::string_view category, std::string_view text) {
  if (keeping_) append({std::string(category), std::string(text)});
}

void Record::append(facts::TraceLine line) {
  if (entries_.size() == capacity) {
    entries_.pop_front();
    ++dropped_;
  }
  entries_.push_back({now_ ? now_() : 0.0, std::move(line.category), std::move(line.text)});
}

std::vector<std::string> Record::textsIn(std::string_view category) const {
  std::vector<std::string> texts;
  for (const auto& entry : entries_)
    if (entry.category == category) texts.push_back(entry.text);
  return texts;
}

void Record::clear() {
  entries_.clear();
  dropped_ = 0;
}

}  // namespace sim
