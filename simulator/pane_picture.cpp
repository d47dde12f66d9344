// The settings pane drawn as the Settings app shows it: a grouped table under a navigation
// bar, one long picture from the top of the pane to its end.
#include <cctype>
#include <cmath>
#include <optional>
#include <sstream>

#include "simulator/picture.h"
#include "simulator/settings_pane.h"
#include "simulator/sky.h"

namespace nimsim {
namespace {

constexpr double kBezel = 14, kCaption = 40, kTop = 64, kRow = 44, kMargin = 15;
constexpr const char* kFont =
    "-apple-system, system-ui, 'Helvetica Neue', Helvetica, Arial, sans-serif";
constexpr const char* kBlue = "#007aff";
constexpr const char* kGrey = "#6d6d72";
constexpr const char* kHairline = "#c8c7cc";

std::string num(double v) { return svgNumber(v); }

std::string storedText(const sim::PaneCell& cell, const host::Dictionary& domain) {
  const host::Value* value = host::objectForKey(&domain, cell.key);
  if (!value) return "absent, shows the default";
  if (const bool* b = value->get<bool>()) return *b ? "true" : "false";
  if (const std::string* s = value->get<std::string>()) return "\"" + *s + "\"";
  if (!value->hasNumericReading()) return "no reading, shows the default";
  return sim::numberText(value->doubleValue());
}

class PaneWriter {
 public:
  PaneWriter(const sim::SettingsPane& pane, const host::Dictionary& domain, double width,
             std::string prefix)
      : pane_(pane), domain_(domain), width_(width), prefix_(std::move(prefix)) {}

  std::string render(const std::string& caption) {
    double y = kTop;
    for (const sim::PaneGroup& group : pane_.groups) y = drawGroup(group, y);
    double height = y + 30;
    double outerW = width_ + 2 * kBezel, outerH = height + 2 * kBezel + kCaption;
    std::ostringstream out;
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"" << prefix_ << "svg\" width=\""
        << num(outerW) << "\" height=\"" << num(outerH) << "\" viewBox=\"" << num(-kBezel) << " "
        << num(-kBezel) << " " << num(outerW) << " " << num(outerH) << "\" font-family=\"" << kFont
        << "\">\n<title>" << escapeXml(caption) << "</title>\n";
    out << "<defs><filter id=\"" << prefix_ << "knob\" x=\"-30%\" y=\"-30%\" width=\"160%\" "
        << "height=\"170%\"><feDropShadow dx=\"0\" dy=\"2\" stdDeviation=\"1.5\" "
        << "flood-opacity=\"0.25\"/></filter></defs>\n";
    out << "<rect x=\"" << num(-kBezel + 1) << "\" y=\"" << num(-kBezel + 1) << "\" width=\""
        << num(outerW - 2) << "\" height=\"" << num(height + 2 * kBezel - 2)
        << "\" rx=\"26\" fill=\"#141517\" stroke=\"#4a4c52\" stroke-width=\"1.5\"/>\n";
    out << "<g class=\"phone settings-pane\"><rect x=\"0\" y=\"0\" width=\"" << num(width_)
        << "\" height=\"" << num(height) << "\" fill=\"#efeff4\"/>\n"
        << body_.str() << navigationBar() << "</g>\n";
    out << "<g class=\"annotations\" display=\"none\">\n" << annotations_.str() << "</g>\n";
    out << "<text x=\"0\" y=\"" << num(height + kBezel + 22)
        << "\" font-size=\"13\" fill=\"#111827\">" << escapeXml(caption) << "</text>\n</svg>\n";
    return out.str();
  }

 private:
  std::string navigationBar() const {
    std::ostringstream out;
    out << "<rect x=\"0\" y=\"0\" width=\"" << num(width_) << "\" height=\"" << num(kTop)
        << "\" fill=\"#f7f7f7\"/><line x1=\"0\" y1=\"" << num(kTop) << "\" x2=\"" << num(width_)
        << "\" y2=\"" << num(kTop) << "\" stroke=\"" << kHairline << "\"/>";
    out << "<text x=\"8\" y=\"49\" font-size=\"17\" fill=\"" << kBlue << "\">‹ Settings</text>";
    out << "<text class=\"pane-title\" x=\"" << num(width_ / 2)
        << "\" y=\"49\" font-size=\"17\" font-weight=\"600\" text-anchor=\"middle\">"
        << escapeXml(pane_.title) << "</text>\n";
    return out.str();
  }

  std::size_t footerColumns() const {
    double columns = std::floor((width_ - 2 * kMargin) / 7.2);
    return columns >= 20 ? static_cast<std::size_t>(std::fmin(columns, 200.0)) : 20;
  }

  double drawGroup(const sim::PaneGroup& group, double y) {
    y += group.header.empty() ? 22 : 38;
    if (!group.header.empty()) {
      std::string header;
      for (char c : group.header)
        header += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      body_ << "<text x=\"" << num(kMargin) << "\" y=\"" << num(y - 7)
            << "\" font-size=\"13\" fill=\"" << kGrey << "\">" << escapeXml(header) << "</text>\n";
    }
    double top = y;
    for (const sim::PaneCell& cell : group.cells) y = drawCell(cell, y, y == top);
    if (!group.cells.empty())
      body_ << "<line x1=\"0\" y1=\"" << num(y) << "\" x2=\"" << num(width_) << "\" y2=\"" << num(y)
            << "\" stroke=\"" << kHairline << "\"/>\n";
    if (group.footer.empty()) return y;
    y += 6;
    for (const std::string& line : wrapLines(group.footer, footerColumns())) {
      y += 17;
      body_ << "<text x=\"" << num(kMargin) << "\" y=\"" << num(y - 4)
            << "\" font-size=\"13\" fill=\"" << kGrey << "\">" << escapeXml(line) << "</text>\n";
    }
    return y;
  }

  double drawCell(const sim::PaneCell& cell, double y, bool first) {
    body_ << "<g class=\"cell\" data-key=\"" << escapeXml(cell.key) << "\"><rect x=\"0\" y=\""
          << num(y) << "\" width=\"" << num(width_) << "\" height=\"" << num(kRow)
          << "\" fill=\"#ffffff\"/>";
    double x1 = first ? 0 : kMargin;
    body_ << "<line x1=\"" << num(x1) << "\" y1=\"" << num(y) << "\" x2=\"" << num(width_)
          << "\" y2=\"" << num(y) << "\" stroke=\"" << kHairline << "\"/>";
    if (cell.kind != sim::CellKind::slider)
      body_ << "<text x=\"" << num(kMargin) << "\" y=\"" << num(y + 28)
            << "\" font-size=\"17\" fill=\"#000000\">" << escapeXml(cell.label) << "</text>";
    switch (cell.kind) {
      case sim::CellKind::toggle:
        drawSwitch(sim::shownSwitch(cell, domain_), y);
        break;
      case sim::CellKind::list:
        drawChoice(cell, y);
        break;
      case sim::CellKind::slider:
        drawSlider(cell, y);
        break;
    }
    body_ << "</g>\n";
    annotations_ << "<text x=\"" << num(kMargin) << "\" y=\"" << num(y + 10)
                 << "\" font-size=\"9\" fill=\"#2563eb\">" << escapeXml(cell.key) << ": "
                 << escapeXml(storedText(cell, domain_)) << "</text>\n";
    return y + kRow;
  }

  void drawSwitch(bool on, double y) {
    double x = width_ - kMargin - 51, top = y + 6.5;
    body_ << "<g class=\"switch " << (on ? "on" : "off") << "\"><rect x=\"" << num(x) << "\" y=\""
          << num(top) << "\" width=\"51\" height=\"31\" rx=\"15.5\" fill=\""
          << (on ? "#4cd964" : "#ffffff") << "\" stroke=\"" << (on ? "#4cd964" : "#e5e5ea")
          << "\" stroke-width=\"1.5\"/><circle cx=\"" << num(on ? x + 35.5 : x + 15.5) << "\" cy=\""
          << num(top + 15.5) << "\" r=\"13.5\" fill=\"#ffffff\" filter=\"url(#" << prefix_
          << "knob)\"/></g>";
  }

  void drawChoice(const sim::PaneCell& cell, double y) {
    std::optional<std::size_t> shown = sim::shownChoice(cell, domain_);
    body_ << "<text class=\"value\" x=\"" << num(width_ - 34) << "\" y=\"" << num(y + 28)
          << "\" font-size=\"17\" text-anchor=\"end\" fill=\"#8e8e93\">"
          << (shown ? escapeXml(cell.titles[*shown]) : "") << "</text><text x=\""
          << num(width_ - kMargin) << "\" y=\"" << num(y + 29)
          << "\" font-size=\"22\" text-anchor=\"end\" fill=\"#c7c7cc\">›</text>";
  }

  void drawSlider(const sim::PaneCell& cell, double y) {
    double value = sim::shownSliderValue(cell, domain_);
    double left = kMargin + 14, right = width_ - kMargin - (cell.showsValue ? 55 : 14);
    double at = left + (right - left) * (value - cell.minimum) / (cell.maximum - cell.minimum);
    double middle = y + kRow / 2;
    body_ << "<g class=\"slider\"><line x1=\"" << num(left) << "\" y1=\"" << num(middle)
          << "\" x2=\"" << num(at) << "\" y2=\"" << num(middle) << "\" stroke=\"" << kBlue
          << "\" stroke-width=\"2\"/><line x1=\"" << num(at) << "\" y1=\"" << num(middle)
          << "\" x2=\"" << num(right) << "\" y2=\"" << num(middle)
          << "\" stroke=\"#b7b7b7\" stroke-width=\"2\"/><circle cx=\"" << num(at) << "\" cy=\""
          << num(middle) << "\" r=\"13\" fill=\"#ffffff\" filter=\"url(#" << prefix_ << "knob)\"/>";
    if (cell.showsValue)
      body_ << "<text class=\"value\" x=\"" << num(width_ - kMargin) << "\" y=\"" << num(middle + 6)
            << "\" font-size=\"17\" text-anchor=\"end\" fill=\"#8e8e93\">" << sim::numberText(value)
            << "</text>";
    body_ << "</g>";
  }

  const sim::SettingsPane& pane_;
  const host::Dictionary& domain_;
  double width_;
  std::string prefix_;
  std::ostringstream body_, annotations_;
};

}  // namespace

std::string drawPane(const sim::SettingsPane& pane, const host::Dictionary& domain, double width,
                     const std::string& caption, const std::string& idPrefix) {
  double w = std::isfinite(width) && width >= 200 ? std::fmin(width, 1400.0) : 375.0;
  return PaneWriter(pane, domain, w, idPrefix).render(caption);
}

}  // namespace nimsim
