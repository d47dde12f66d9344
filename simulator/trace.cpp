// Trace line formatting.
#include "simulator/trace.h"

#include <cmath>
#include <cstdio>

namespace nimsim {

std::string formatSeconds(double seconds) {
  if (!std::isfinite(seconds)) return "?";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.3fs", seconds);
  return buffer;
}

std::string formatTraceLine(const sim::RecordEntry& entry, double start) {
  std::string time = formatSeconds(entry.time - start);
  std::string line(time.size() < 12 ? 12 - time.size() : 0, ' ');
  line += time + "  " + entry.category;
  // Wide enough for the longest category, "notification".
  if (entry.category.size() < 12) line.append(12 - entry.category.size(), ' ');
  line += " ";
  // A multi-line text (an alert's message) stays on one trace line.
  for (char c : entry.text) line += c == '\n' ? ' ' : c;
  return line;
}

std::string formatStepLine(const Statement& statement) {
  std::string source = statement.source;
  std::size_t first = source.find_first_not_of(" \t");
  source = first == std::string::npos ? "" : source.substr(first);
  std::size_t last = source.find_last_not_of(" \t\r");
  if (last != std::string::npos) source.erase(last + 1);
  return "line " + std::to_string(statement.line) + ": " + source;
}

}  // namespace nimsim
