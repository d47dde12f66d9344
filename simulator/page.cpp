// The run's page: HTML written in one pass, styles and script inline, nothing fetched.
#include "simulator/page.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "simulator/expect.h"
#include "simulator/picture.h"

namespace nimsim {
namespace {

using nlohmann::json;

constexpr const char* kStyle = R"(
:root { font-family: -apple-system, system-ui, 'Segoe UI', Helvetica, Arial, sans-serif;
  color: #1f2933; background: #eef1f5; }
body { margin: 0; }
header.summary { background: #16202e; color: #f5f7fa; padding: 18px 28px 14px; }
header h1 { margin: 0 0 10px; font-size: 20px; font-weight: 600; }
header h1 code { color: #9fd1f7; }
dl.facts { display: flex; flex-wrap: wrap; gap: 6px 26px; margin: 0 0 10px; }
dl.facts div { display: flex; gap: 6px; align-items: baseline; }
dl.facts dt { color: #9aa5b1; font-size: 13px; }
dl.facts dd { margin: 0; font-weight: 600; }
.status.ok { color: #7ee2a8; } .status.bad { color: #ff9b9b; }
.problems { background: #4a1d24; border-radius: 8px; padding: 8px 14px; margin: 10px 0; }
.problems h2 { font-size: 14px; margin: 0 0 4px; color: #ffb4b4; }
.problems a { color: #ffd7d7; }
.controls { display: flex; flex-wrap: wrap; gap: 8px 18px; align-items: center; font-size: 13px; }
.controls fieldset { border: 1px solid #3e4c5e; border-radius: 6px; padding: 3px 10px; margin: 0; }
.controls legend { color: #9aa5b1; padding: 0 4px; }
.controls button { font: inherit; border-radius: 5px; border: 1px solid #52606d;
  background: #24303f; color: inherit; padding: 3px 10px; cursor: pointer; }
nav.gallery { margin-top: 12px; display: flex; flex-wrap: wrap; gap: 10px; align-items: flex-end; }
nav.gallery a { color: #9fd1f7; font-size: 11px; text-decoration: none; display: flex;
  flex-direction: column; align-items: center; gap: 2px; }
nav.gallery a:hover span { text-decoration: underline; }
main { padding: 18px 28px 40px; max-width: 1200px; }
ol.timeline { list-style: none; padding: 0; margin: 0; }
li.step { background: #ffffff; border-radius: 8px; margin: 0 0 8px; padding: 8px 14px;
  border-left: 4px solid #c3cfd9; box-shadow: 0 1px 2px rgba(0,0,0,.06); }
li.step.failed, li.step.stopped { border-left-color: #d64545; background: #fff5f5; }
li.step.has-pictures { border-left-color: #2f7fd6; }
.step-head { display: flex; gap: 12px; align-items: baseline; }
.line-number { color: #7b8794; font-size: 12px; min-width: 54px; }
.step-source { font-size: 14px; white-space: pre-wrap; word-break: break-word; }
.trace-count { margin-left: auto; color: #9aa5b1; font-size: 12px; white-space: nowrap; }
p.note { margin: 6px 0 0 66px; font-style: italic; color: #3e4c59; }
ul.expectations { list-style: none; margin: 6px 0 0 66px; padding: 0; font-size: 13px; }
li.expectation { padding: 3px 8px; border-radius: 5px; margin-bottom: 3px; }
li.expectation.held { background: #e3f7ea; }
li.expectation.failed { background: #ffe0e0; outline: 2px solid #d64545; }
.mark { font-weight: 700; margin-right: 8px; }
.held .mark { color: #1b7a43; } .failed .mark { color: #b42323; }
.values { color: #52606d; }
.values code { background: rgba(0,0,0,.05); padding: 0 4px; border-radius: 3px; }
div.error { margin: 6px 0 0 66px; padding: 8px 12px; background: #ffe0e0; color: #8a1c1c;
  border-radius: 6px; white-space: pre-wrap; font-family: ui-monospace, monospace; font-size: 13px; }
.pictures { display: flex; flex-wrap: wrap; gap: 18px; margin: 8px 0 4px 66px; }
figure.picture { margin: 0; }
figure.picture svg { width: 300px; height: auto; display: block; }
figure.picture.wide svg { width: 480px; }
figcaption { font-size: 12px; color: #52606d; margin-top: 2px; }
body.annotations-on svg .annotations { display: inline; }
.trace { margin: 4px 0 0 66px; display: flex; flex-wrap: wrap; gap: 0 16px; }
details.trace-group[open], details.show[open] { flex-basis: 100%; }
details.trace-group summary, details.show summary { cursor: pointer; font-size: 12px; color: #52606d; }
details.trace-group ol { list-style: none; margin: 2px 0 6px; padding: 4px 8px; background: #f5f7fa;
  border-radius: 5px; font-family: ui-monospace, monospace; font-size: 12px; }
details.trace-group li { white-space: pre-wrap; word-break: break-word; }
.time { color: #9aa5b1; margin-right: 8px; }
.left-out { font-size: 12px; color: #7b8794; }
pre { font-size: 12px; background: #f5f7fa; padding: 6px 8px; border-radius: 5px; overflow-x: auto; }
section.not-run li { color: #7b8794; font-family: ui-monospace, monospace; font-size: 13px; }
section.final ul { list-style: none; padding-left: 18px; margin: 0; font-family: ui-monospace, monospace;
  font-size: 12px; }
section.final summary { cursor: pointer; }
.key { color: #2f5f98; } .kind { color: #9aa5b1; }
)";

constexpr const char* kScript = R"(
(function () {
  const body = document.body;
  const annotations = document.getElementById('toggle-annotations');
  const showAnnotations = () => body.classList.toggle('annotations-on', annotations.checked);
  annotations.addEventListener('change', showAnnotations);
  showAnnotations();
  const groups = Array.from(document.querySelectorAll('.trace-group'));
  for (const box of document.querySelectorAll('input[data-category]')) {
    box.addEventListener('change', () => {
      for (const group of groups)
        if (group.dataset.category === box.dataset.category) group.hidden = !box.checked;
    });
  }
  const openAll = (open) => () => { for (const group of groups) group.open = open; };
  document.getElementById('open-trace').addEventListener('click', openAll(true));
  document.getElementById('close-trace').addEventListener('click', openAll(false));
  body.dataset.ready = 'yes';
})();
)";

std::string esc(const std::string& text) { return escapeXml(text); }

std::string statusName(int status) {
  switch (status) {
    case 0:
      return "ok";
    case 1:
      return "an expect failed";
    case 2:
      return "bad input";
    case 3:
      return "shell crash";
    case 4:
      return "limit";
    case 5:
      return "not on this platform";
    default:
      return "unknown";
  }
}

std::string stepAnchor(int line) { return "step-" + std::to_string(line); }
std::string expectAnchor(int line) { return "expect-" + std::to_string(line); }

class PageWriter {
 public:
  explicit PageWriter(const RunReport& report) : report_(report) {}

  std::string render() {
    out_ << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
         << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
         << "<title>nimsim · " << esc(report_.scenario) << "</title><style>" << kStyle
         << "</style></head>\n<body>\n";
    summary();
    out_ << "<main>\n<ol class=\"timeline\">\n";
    for (const PageStep& step : report_.steps) writeStep(step);
    out_ << "</ol>\n";
    notRun();
    finalState();
    out_ << "</main>\n<script>" << kScript << "</script>\n</body></html>\n";
    return out_.str();
  }

 private:
  void fact(const std::string& name, const std::string& id, const std::string& value,
            const std::string& cls = "") {
    out_ << "<div><dt>" << name << "</dt><dd id=\"" << id << "\"" << cls << ">" << value
         << "</dd></div>";
  }

  void summary() {
    std::size_t held = 0, failed = 0, total = report_.steps.size() + report_.notRun.size();
    for (const PageStep& step : report_.steps)
      for (const PageExpectation& e : step.expectations) ++(e.held ? held : failed);
    out_ << "<header class=\"summary\">\n<h1>nimsim run <code>" << esc(report_.scenario)
         << "</code></h1>\n<dl class=\"facts\">";
    fact("platform", "platform", esc(report_.platform));
    fact("device", "device", esc(report_.device));
    fact("seed", "seed", esc(report_.seed));
    fact("exit status", "exit-status",
         std::to_string(report_.exitStatus) + " · " + statusName(report_.exitStatus),
         report_.exitStatus == 0 ? " class=\"status ok\"" : " class=\"status bad\"");
    fact("steps", "count-steps",
         std::to_string(report_.steps.size()) + " of " + std::to_string(total) + " run");
    fact("expectations held", "count-held", std::to_string(held));
    fact("failed", "count-failed", std::to_string(failed));
    out_ << "</dl>\n";
    problems();
    controls();
    gallery();
    out_ << "</header>\n";
  }

  // Every failure, linked to where it happened.
  void problems() {
    std::ostringstream items;
    for (const PageStep& step : report_.steps) {
      for (const PageExpectation& e : step.expectations)
        if (!e.held)
          items << "<li><a class=\"failure-link\" href=\"#" << expectAnchor(step.line) << "\">line "
                << step.line << ": expect " << esc(e.text) << "</a></li>";
      if (!step.error.empty())
        items << "<li><a class=\"error-link\" href=\"#error\">line " << step.line
              << ": the run stopped</a></li>";
    }
    if (!report_.error.empty())
      items << "<li><a class=\"error-link\" href=\"#error\">the run did not start</a></li>";
    if (items.str().empty()) return;
    out_ << "<div class=\"problems\"><h2>What went wrong</h2><ul>" << items.str() << "</ul>";
    if (!report_.error.empty())
      out_ << "<div class=\"error\" id=\"error\">" << esc(report_.error) << "</div>";
    out_ << "</div>\n";
  }

  void controls() {
    std::set<std::string> categories;
    for (const PageStep& step : report_.steps)
      for (const PageTraceLine& line : step.trace) categories.insert(line.category);
    out_ << "<div class=\"controls\"><label><input type=\"checkbox\" id=\"toggle-annotations\">"
         << " view frames and class names on the pictures</label>";
    out_ << "<fieldset class=\"filters\"><legend>trace shown</legend>";
    for (const std::string& c : categories)
      out_ << "<label><input type=\"checkbox\" checked data-category=\"" << esc(c) << "\"> "
           << esc(c) << "</label> ";
    out_ << "</fieldset><button type=\"button\" id=\"open-trace\">open all trace</button>"
         << "<button type=\"button\" id=\"close-trace\">close all trace</button></div>\n";
  }

  // Every picture small, each linking to its step: the run at a glance. The thumbnails show
  // the pictures below through <use>, so each is drawn from one copy.
  void gallery() {
    std::ostringstream links;
    int index = 0;
    for (const PageStep& step : report_.steps) {
      for (const PagePicture& p : step.pictures) {
        const char* size = p.wide ? "width=\"128\" height=\"76\"" : "width=\"70\" height=\"128\"";
        links << "<a href=\"#picture-" << index++ << "\" title=\"line " << step.line << "\"><svg "
              << size << " class=\"thumb\"><use href=\"#" << esc(p.svgId) << "\" " << size
              << "/></svg><span>" << esc(p.name) << "</span></a>";
      }
    }
    if (index > 0) out_ << "<nav class=\"gallery\">" << links.str() << "</nav>\n";
  }

  void writeStep(const PageStep& step) {
    bool failed = false;
    for (const PageExpectation& e : step.expectations) failed = failed || !e.held;
    std::string classes = "step";
    if (failed) classes += " failed";
    if (!step.error.empty() && !failed) classes += " stopped";
    if (!step.pictures.empty()) classes += " has-pictures";
    out_ << "<li class=\"" << classes << "\" id=\"" << stepAnchor(step.line) << "\" data-line=\""
         << step.line << "\">\n<div class=\"step-head\"><span class=\"line-number\">line "
         << step.line << "</span><code class=\"step-source\">" << esc(step.source) << "</code>";
    std::size_t lines = step.trace.size() + step.traceLeftOut;
    if (lines > 0)
      out_ << "<span class=\"trace-count\">" << lines << " trace line" << (lines == 1 ? "" : "s")
           << "</span>";
    out_ << "</div>\n";
    for (const std::string& note : step.notes)
      out_ << "<p class=\"note\">" << esc(note) << "</p>\n";
    expectations(step);
    pictures(step);
    for (const std::string& shown : step.shows)
      out_ << "<div class=\"trace\"><details class=\"show\"><summary>what show "
              "printed</summary><pre>"
           << esc(shown) << "</pre></details></div>\n";
    trace(step);
    if (!step.error.empty() && report_.error.empty())
      out_ << "<div class=\"error\" id=\"error\">" << esc(step.error) << "</div>\n";
    out_ << "</li>\n";
  }

  void expectations(const PageStep& step) {
    if (step.expectations.empty()) return;
    out_ << "<ul class=\"expectations\">";
    for (const PageExpectation& e : step.expectations)
      out_ << "<li class=\"expectation " << (e.held ? "held" : "failed") << "\" id=\""
           << expectAnchor(step.line) << "\"><span class=\"mark\">"
           << (e.held ? "✓ held" : "✗ failed") << "</span><span class=\"values\">expected <code>"
           << esc(e.expected) << "</code> · actual <code>" << esc(e.actual)
           << "</code></span></li>";
    out_ << "</ul>\n";
  }

  void pictures(const PageStep& step) {
    if (step.pictures.empty()) return;
    out_ << "<div class=\"pictures\">";
    for (const PagePicture& p : step.pictures) {
      out_ << "<figure class=\"picture" << (p.wide ? " wide" : "") << "\" id=\"picture-"
           << pictureIndex_++ << "\">" << p.svg << "<figcaption>" << esc(p.name) << " · <a href=\""
           << esc(std::filesystem::path(p.file).filename().string()) << "\">" << esc(p.file)
           << "</a></figcaption></figure>";
    }
    out_ << "</div>\n";
  }

  // The step's trace lines, one folded group per category in order of first appearance.
  void trace(const PageStep& step) {
    if (step.trace.empty() && step.traceLeftOut == 0) return;
    std::vector<std::string> order;
    for (const PageTraceLine& line : step.trace)
      if (std::find(order.begin(), order.end(), line.category) == order.end())
        order.push_back(line.category);
    out_ << "<div class=\"trace\">";
    for (const std::string& category : order) {
      std::ostringstream lines;
      std::size_t count = 0;
      for (const PageTraceLine& line : step.trace) {
        if (line.category != category) continue;
        ++count;
        lines << "<li><span class=\"time\">" << esc(line.time) << "</span>" << esc(line.text)
              << "</li>";
      }
      out_ << "<details class=\"trace-group\" data-category=\"" << esc(category) << "\""
           << "><summary>" << esc(category) << " · " << count << "</summary><ol>" << lines.str()
           << "</ol></details>";
    }
    if (step.traceLeftOut > 0)
      out_ << "<p class=\"left-out\">" << step.traceLeftOut
           << " more trace lines of this step are on standard output</p>";
    out_ << "</div>\n";
  }

  void notRun() {
    if (report_.notRun.empty()) return;
    out_ << "<section class=\"not-run\"><h2>Not run</h2><ol>";
    for (const auto& [line, source] : report_.notRun)
      out_ << "<li>line " << line << ": " << esc(source) << "</li>";
    out_ << "</ol></section>\n";
  }

  void finalState() {
    if (report_.finalState.is_null()) return;
    out_ << "<section class=\"final\"><h2>Final state</h2><ul>";
    tree(report_.finalState, "state", 0);
    out_ << "</ul></section>\n";
  }

  // Objects and lists fold; everything else is its compact JSON.
  void tree(const json& value, const std::string& key, int depth) {
    out_ << "<li>";
    bool nested = (value.is_object() || value.is_array()) && !value.empty() && depth < 64;
    if (nested) {
      out_ << "<details" << (depth == 0 ? " open class=\"final-state\"" : "")
           << "><summary><span class=\"key\">" << esc(key) << "</span> <span class=\"kind\">"
           << (value.is_object() ? "{" : "[") << value.size() << (value.is_object() ? "}" : "]")
           << "</span></summary><ul>";
      std::size_t index = 0;
      for (auto it = value.begin(); it != value.end(); ++it, ++index)
        tree(*it, value.is_object() ? it.key() : std::to_string(index), depth + 1);
      out_ << "</ul></details>";
    } else {
      out_ << "<span class=\"key\">" << esc(key) << "</span>: " << esc(compactJson(value));
    }
    out_ << "</li>";
  }

  const RunReport& report_;
  std::ostringstream out_;
  int pictureIndex_ = 0;
};

}  // namespace

std::string renderPage(const RunReport& report) { return PageWriter(report).render(); }

std::string writePage(const RunReport& report, const std::string& folder) {
  std::filesystem::path dir(folder);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::filesystem::path file = dir / "index.html";
  std::ofstream stream(file, std::ios::binary);
  stream << renderPage(report);
  stream.close();
  if (!stream) throw std::invalid_argument("cannot write the page " + file.string());
  return file.string();
}

}  // namespace nimsim
