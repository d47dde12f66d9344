// The page of a run: one self-contained HTML file with the run's steps, what each caused and
// checked, the pictures where they were taken, and the final state.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace nimsim {

struct PageTraceLine {
  std::string time;  // as the trace writes it: "12.000s"
  std::string category, text;
};

struct PageExpectation {
  std::string text;  // the path, operator and value as written
  bool held = false;
  std::string expected, actual;
};

struct PagePicture {
  std::string name, file, svg;
  std::string svgId;  // the id of the SVG's root element
  bool wide = false;  // a screen on its side, drawn larger
};

struct PageStep {
  int line = 0;
  std::string source;  // the line as written
  std::vector<PageTraceLine> trace;
  std::size_t traceLeftOut = 0;  // lines past the page's share of one step
  std::vector<PageExpectation> expectations;
  std::vector<std::string> notes;
  std::vector<std::string> shows;  // what `show` printed
  std::vector<PagePicture> pictures;
  std::string error;  // why the run stopped here, if it did
};

// What the page shows of a run.
struct RunReport {
  std::string scenario, device, seed;
  std::string platform = "sim";  // "sim", or "objc": the real Objective-C runtime
  int exitStatus = 0;
  std::string error;  // a failure before any step ran (a malformed line, a bad device)
  std::vector<PageStep> steps;
  std::vector<std::pair<int, std::string>> notRun;  // line and source of steps never reached
  nlohmann::json finalState;                        // null when there is none
};

// A step keeps at most this many trace lines on the page; standard output has them all.
inline constexpr std::size_t kPageTraceLinesPerStep = 2000;

// The page as one HTML document; every text from the scenario or the trace is escaped.
std::string renderPage(const RunReport& report);

// Writes the page as `index.html` in `folder`, creating it; returns the file's path, or throws
// std::invalid_argument naming the file that could not be written.
std::string writePage(const RunReport& report, const std::string& folder);

}  // namespace nimsim
