// SVG rendering of a scene.
#include "simulator/picture.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "simulator/sky.h"

namespace nimsim {
namespace {

constexpr std::array<const char*, 48> kConditionNames = {"tornado",
                                                         "tropical storm",
                                                         "hurricane",
                                                         "severe thunderstorms",
                                                         "thunderstorms",
                                                         "mixed rain and snow",
                                                         "mixed rain and sleet",
                                                         "mixed snow and sleet",
                                                         "freezing drizzle",
                                                         "drizzle",
                                                         "freezing rain",
                                                         "showers",
                                                         "rain",
                                                         "snow flurries",
                                                         "light snow showers",
                                                         "blowing snow",
                                                         "snow",
                                                         "hail",
                                                         "sleet",
                                                         "dust",
                                                         "fog",
                                                         "haze",
                                                         "smoke",
                                                         "blustery",
                                                         "windy",
                                                         "cold",
                                                         "cloudy",
                                                         "mostly cloudy (night)",
                                                         "mostly cloudy (day)",
                                                         "partly cloudy (night)",
                                                         "partly cloudy (day)",
                                                         "clear (night)",
                                                         "sunny",
                                                         "fair (night)",
                                                         "fair (day)",
                                                         "mixed rain and hail",
                                                         "hot",
                                                         "isolated thunderstorms",
                                                         "scattered thunderstorms",
                                                         "scattered thunderstorms",
                                                         "scattered showers",
                                                         "heavy snow",
                                                         "scattered snow showers",
                                                         "heavy snow",
                                                         "partly cloudy",
                                                         "thundershowers",
                                                         "snow showers",
                                                         "isolated thundershowers"};

std::string num(double v) { return svgNumber(v); }

bool finite(const Box& b) {
  return std::isfinite(b.x) && std::isfinite(b.y) && std::isfinite(b.width) &&
         std::isfinite(b.height);
}

std::string rectAttributes(const Box& b) {
  return "x=\"" + num(b.x) + "\" y=\"" + num(b.y) + "\" width=\"" + num(std::fabs(b.width)) +
         "\" height=\"" + num(std::fabs(b.height)) + "\"";
}

double clampedAlpha(double alpha) {
  return std::isfinite(alpha) ? std::fmax(0.0, std::fmin(1.0, alpha)) : 1.0;
}

// In the annotation layer hidden things are dashed and faint, so that they can still be found.
std::string outlineOpacity(double alpha, bool hidden) {
  return " opacity=\"" + num(hidden ? 0.35 : std::fmax(clampedAlpha(alpha), 0.25)) + "\"";
}

constexpr const char* kIconColours[] = {"#ff9f43", "#34c759", "#0a84ff", "#ff375f",
                                        "#5e5ce6", "#ffd60a", "#64d2ff", "#bf5af2"};

// The length of the well-formed UTF-8 sequence at text[i], or 0 if there is none.
std::size_t utf8Length(const std::string& text, std::size_t i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  unsigned char lead = byte(0);
  std::size_t n = lead < 0x80                    ? 1
                  : lead >= 0xC2 && lead <= 0xDF ? 2
                  : (lead >> 4) == 0xE           ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((byte(k) & 0xC0) != 0x80) return 0;
  // No overlong forms, no surrogates, nothing past U+10FFFF.
  if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0) ||
      (lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90))
    return 0;
  return n;
}

class SvgWriter {
 public:
  SvgWriter(const Scene& scene, std::string prefix) : scene_(scene), prefix_(std::move(prefix)) {}

  std::string render() {
    double w = scene_.width, h = scene_.height;
    constexpr double kCaption = 40;
    double outerW = w + 2 * kBezel, outerH = h + 2 * kBezel + kCaption;
    out_ << "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"" << prefix_ << "svg\" width=\""
         << num(outerW) << "\" height=\"" << num(outerH) << "\" viewBox=\"" << num(-kBezel) << " "
         << num(-kBezel) << " " << num(outerW) << " " << num(outerH) << "\" font-family=\"" << kFont
         << "\">\n";
    out_ << "<title>" << escapeXml(scene_.caption) << "</title>\n";
    out_ << "<defs><clipPath id=\"" << prefix_ << "screen\"><rect " << rectAttributes({0, 0, w, h})
         << "/></clipPath><filter id=\"" << prefix_
         << "shade\" x=\"-10%\" y=\"-10%\" width=\"120%\" height=\"130%\"><feDropShadow dx=\"0\" "
         << "dy=\"1\" stdDeviation=\"1.5\" flood-color=\"#000000\" flood-opacity=\"0.45\"/>"
         << "</filter></defs>\n";
    out_ << "<rect x=\"" << num(-kBezel + 1) << "\" y=\"" << num(-kBezel + 1) << "\" width=\""
         << num(outerW - 2) << "\" height=\"" << num(h + 2 * kBezel - 2)
         << "\" rx=\"26\" fill=\"#141517\" stroke=\"#4a4c52\" stroke-width=\"1.5\"/>\n";
    out_ << "<rect " << rectAttributes({0, 0, w, h}) << " fill=\""
         << (scene_.homeScreen ? "#3d4a5c" : "#111111") << "\"/>\n";
    out_ << "<g class=\"phone\" clip-path=\"url(#" << prefix_ << "screen)\">\n";
    for (const SceneBackground& b : scene_.backgrounds) drawBackground(b);
    if (scene_.homeScreen) drawIcons();
    if (scene_.header) drawHeader(*scene_.header);
    if (scene_.time) drawText(*scene_.time, kTimeSize, "200");
    if (scene_.date) drawText(*scene_.date, kDateSize, "400");
    drawStatusBar();
    if (scene_.alert) drawAlert(*scene_.alert);
    out_ << "</g>\n";
    annotate();
    out_ << "<text x=\"0\" y=\"" << num(h + kBezel + 22) << "\" font-size=\"13\" fill=\"#111827\">"
         << escapeXml(scene_.caption) << "</text>\n";
    if (nonFinite_) out_ << "<!-- some frames were not finite and are drawn at 0 -->\n";
    out_ << "</svg>\n";
    return out_.str();
  }

 private:
  static constexpr double kBezel = 14;
  static constexpr const char* kFont =
      "-apple-system, system-ui, 'Helvetica Neue', Helvetica, Arial, sans-serif";
  // The time's and the date's glyphs as a share of their label's height.
  static constexpr double kTimeSize = 0.86;
  static constexpr double kDateSize = 0.75;

  void note(const Box& b) {
    if (!finite(b)) nonFinite_ = true;
  }

  std::string shaded() const { return " filter=\"url(#" + prefix_ + "shade)\""; }

  // The sky is painted 375 points wide and scaled with the frame, so a frame scaled or moved
  // by the add-on shows as a sun out of place or a sky cut short.
  void drawBackground(const SceneBackground& b) {
    note(b.frame);
    if (b.hidden || !finite(b.frame)) return;
    std::string clip = prefix_ + "bg" + std::to_string(backgrounds_++);
    out_ << "<g class=\"background\" opacity=\"" << num(clampedAlpha(b.alpha)) << "\">"
         << "<clipPath id=\"" << clip << "\"><rect " << rectAttributes(b.frame)
         << "/></clipPath><g clip-path=\"url(#" << clip << ")\">\n";
    double x = std::fmin(b.frame.x, b.frame.x + b.frame.width);
    double y = std::fmin(b.frame.y, b.frame.y + b.frame.height);
    double scale = std::fabs(b.frame.width) / 375.0;
    if (!b.city) {
      out_ << "<rect class=\"sky\" data-family=\"none\" "
           << rectAttributes({x, y, b.frame.width, b.frame.height}) << " fill=\"#3a3a3a\"/>\n";
    } else if (scale > 0) {
      out_ << "<g transform=\"translate(" << num(x) << " " << num(y) << ") scale(" << num(scale)
           << ")\">\n"
           << drawSky(weatherFamily(b.conditionCode), b.isDay, std::fabs(b.frame.height) / scale,
                      clip)
           << "</g>\n";
    }
    out_ << "</g></g>\n";
  }

  // The home screen's icons: four columns upright, six on their side, and the dock.
  void drawIcons() {
    double w = scene_.width, h = scene_.height;
    bool wide = w > h;
    int columns = wide ? 6 : 4;
    double icon = std::fmin(w, h) * 0.16;
    if (!(icon > 4)) return;
    double gap = (w - columns * icon) / (columns + 1), dock = icon + 30, top = 34;
    double rowStep = icon + 30;
    int rows = static_cast<int>(std::fmax(0.0, std::fmin(8.0, (h - dock - top) / rowStep)));
    out_ << "<g class=\"icons\">\n";
    for (int row = 0; row < rows; ++row)
      for (int column = 0; column < columns; ++column)
        drawIcon(gap + column * (icon + gap), top + row * rowStep, icon, row * columns + column);
    out_ << "<rect class=\"dock\" x=\"6\" y=\"" << num(h - dock - 4) << "\" width=\"" << num(w - 12)
         << "\" height=\"" << num(dock)
         << "\" rx=\"18\" fill=\"#ffffff\" fill-opacity=\"0.28\"/>\n";
    for (int column = 0; column < 4; ++column)
      drawIcon((w - 4 * icon - 3 * gap) / 2 + column * (icon + gap), h - dock - 4 + 15, icon,
               column + 3, false);
    out_ << "</g>\n";
  }

  void drawIcon(double x, double y, double size, int index, bool labelled = true) {
    out_ << "<rect class=\"icon\" x=\"" << num(x) << "\" y=\"" << num(y) << "\" width=\""
         << num(size) << "\" height=\"" << num(size) << "\" rx=\"" << num(size * 0.23)
         << "\" fill=\"" << kIconColours[index % 8] << "\" fill-opacity=\"0.9\"/>";
    if (labelled)
      out_ << "<rect x=\"" << num(x + size * 0.18) << "\" y=\"" << num(y + size + 7)
           << "\" width=\"" << num(size * 0.64) << "\" height=\"4\" rx=\"2\" fill=\"#ffffff\" "
           << "fill-opacity=\"0.75\"/>";
    out_ << "\n";
  }

  void drawStatusBar() {
    double w = scene_.width;
    out_ << "<g class=\"status-bar\" fill=\"#ffffff\">";
    for (int i = 0; i < 5; ++i)
      out_ << "<circle cx=\"" << num(9 + i * 7) << "\" cy=\"10\" r=\"2.6\""
           << (i == 4 ? " fill-opacity=\"0.35\"" : "") << "/>";
    out_ << "<rect x=\"" << num(w - 33) << "\" y=\"5\" width=\"23\" height=\"11\" rx=\"3\" "
         << "fill=\"none\" stroke=\"#ffffff\"/><rect x=\"" << num(w - 31) << "\" y=\"7\" "
         << "width=\"16\" height=\"7\" rx=\"1.5\"/></g>\n";
  }

  void drawHeader(const SceneHeader& h) {
    note(h.frame);
    if (h.hidden || !finite(h.frame)) return;
    double size = std::fmin(std::fabs(h.frame.height) * 0.7, 40.0);
    double x = h.frame.x + 4, top = h.frame.y + (std::fabs(h.frame.height) - size) / 2;
    out_ << "<g class=\"header\" opacity=\"" << num(clampedAlpha(h.alpha)) << "\"" << shaded()
         << ">";
    if (h.glyphCondition)
      out_ << drawGlyph(weatherFamily(*h.glyphCondition), h.glyphIsDay, x, top, size);
    double textX = x + size + 8, baseline = h.frame.y + std::fabs(h.frame.height) * 0.5 + 4;
    out_ << "<text x=\"" << num(textX) << "\" y=\"" << num(baseline)
         << "\" font-size=\"26\" font-weight=\"300\" fill=\"#ffffff\">" << escapeXml(h.temperature)
         << "</text>";
    // High and low only when the header has them, then the location, each on its own line.
    double lineY = baseline + 15;
    for (const std::string& line :
         {!h.high.empty() || !h.low.empty() ? "H " + h.high + "  L " + h.low : "", h.location}) {
      if (line.empty()) continue;
      out_ << "<text x=\"" << num(textX) << "\" y=\"" << num(lineY)
           << "\" font-size=\"12\" fill=\"#ffffff\">" << escapeXml(line) << "</text>";
      lineY += 13;
    }
    out_ << "</g>\n";
  }

  // The clock and the date as the lock screen sets them: nothing when hidden, faded by alpha.
  void drawText(const SceneText& t, double sizeFactor, const char* weight) {
    note(t.frame);
    if (t.hidden || !finite(t.frame)) return;
    double size = std::fmax(9.0, std::fmin(110.0, std::fabs(t.frame.height) * sizeFactor));
    out_ << "<g class=\"clock\" opacity=\"" << num(clampedAlpha(t.alpha)) << "\"><text x=\""
         << num(t.frame.x + t.frame.width / 2) << "\" y=\""
         << num(t.frame.y + std::fabs(t.frame.height) / 2 + size * 0.36) << "\" font-size=\""
         << num(size) << "\" font-weight=\"" << weight
         << "\" text-anchor=\"middle\" fill=\"#ffffff\"" << shaded() << ">" << escapeXml(t.text)
         << "</text></g>\n";
  }

  void drawAlert(const SceneAlert& a) {
    double w = std::fmin(270.0, scene_.width - 20), x = (scene_.width - w) / 2;
    double lines = static_cast<double>(wrapLines(a.message, 44).size());
    double h = 70 + 13 * lines, y = (scene_.height - h) / 2;
    out_ << "<g class=\"alert\"><rect " << rectAttributes({0, 0, scene_.width, scene_.height})
         << " fill=\"#000000\" fill-opacity=\"0.35\"/>\n";
    out_ << "<rect " << rectAttributes({x, y, w, h}) << " fill=\"#f3f4f6\" rx=\"12\"/>\n";
    out_ << "<text x=\"" << num(scene_.width / 2) << "\" y=\"" << num(y + 24)
         << "\" font-size=\"15\" font-weight=\"bold\" text-anchor=\"middle\">" << escapeXml(a.title)
         << "</text>\n";
    double lineY = y + 44;
    for (const std::string& line : wrapLines(a.message, 44)) {
      out_ << "<text x=\"" << num(scene_.width / 2) << "\" y=\"" << num(lineY)
           << "\" font-size=\"10\" text-anchor=\"middle\">" << escapeXml(line) << "</text>\n";
      lineY += 13;
    }
    std::string buttons;
    for (const std::string& b : a.buttons) buttons += (buttons.empty() ? "" : "   ") + b;
    out_ << "<text x=\"" << num(scene_.width / 2) << "\" y=\"" << num(y + h - 14)
         << "\" font-size=\"15\" fill=\"#2563eb\" text-anchor=\"middle\">" << escapeXml(buttons)
         << "</text></g>\n";
  }

  // What the view tree says: every view's frame and class, the backgrounds' conditions, the
  // header's image and the labels' frames. Hidden in the file; the page switches it on.
  void annotate() {
    out_ << "<g class=\"annotations\" display=\"none\">\n";
    for (const SceneBackground& b : scene_.backgrounds) annotateBackground(b);
    for (const SceneView& v : scene_.views) {
      note(v.frame);
      out_ << "<g" << outlineOpacity(v.alpha, v.hidden) << "><rect " << rectAttributes(v.frame)
           << " fill=\"none\" stroke=\"#93c5fd\" stroke-width=\"1\""
           << (v.hidden ? " stroke-dasharray=\"3 3\"" : "") << "/>";
      out_ << "<text x=\"" << num(v.frame.x + 4) << "\" y=\"" << num(v.frame.y + 12 + 11 * v.depth)
           << "\" font-size=\"9\" fill=\"#93c5fd\">" << escapeXml(v.label) << "</text></g>\n";
    }
    if (scene_.header) annotateHeader(*scene_.header);
    if (scene_.time) annotateText(*scene_.time, "time");
    if (scene_.date) annotateText(*scene_.date, "date");
    out_ << "</g>\n";
  }

  void annotateBackground(const SceneBackground& b) {
    out_ << "<g" << outlineOpacity(b.alpha, b.hidden) << "><rect " << rectAttributes(b.frame)
         << " fill=\"none\" stroke=\"#f59e0b\" stroke-width=\"1.5\" stroke-dasharray=\"6 3\"/>\n";
    std::string what = b.city ? conditionName(b.conditionCode) + ", " +
                                    (b.isDay ? "day" : "night") + " — " + *b.city
                              : "no city bound";
    // The caption goes in the bottom-left corner of the part on screen, so that a background
    // larger than the screen (scaled for landscape, shifted up) still says what it is.
    double left = std::fmax(b.frame.x, 0.0);
    double bottom = std::fmin(b.frame.y + b.frame.height, scene_.height);
    if (left >= scene_.width || bottom <= 0) left = b.frame.x, bottom = b.frame.y + b.frame.height;
    double x = left + 8, y = bottom - 30;
    out_ << "<text x=\"" << num(x) << "\" y=\"" << num(y) << "\" font-size=\"13\" fill=\"#fde68a\">"
         << escapeXml(what) << "</text>\n";
    out_ << "<text x=\"" << num(x) << "\" y=\"" << num(y + 15)
         << "\" font-size=\"10\" fill=\"#fde68a\">" << escapeXml(b.label)
         << (b.gradientLayer ? "" : " · no gradient layer") << (b.hidden ? " · hidden" : "")
         << "</text>\n";
    out_ << "</g>\n";
  }

  void annotateHeader(const SceneHeader& h) {
    out_ << "<g" << outlineOpacity(h.alpha, h.hidden) << "><rect " << rectAttributes(h.frame)
         << " fill=\"none\" stroke=\"#f9a8d4\" rx=\"4\""
         << (h.hidden ? " stroke-dasharray=\"4 3\"" : "") << "/>";
    if (!h.image.empty())
      out_ << "<text x=\"" << num(h.frame.x + 4) << "\" y=\"" << num(h.frame.y - 4)
           << "\" font-size=\"10\" fill=\"#f9a8d4\">" << escapeXml("image " + h.image) << "</text>";
    out_ << "</g>\n";
  }

  void annotateText(const SceneText& t, const char* what) {
    out_ << "<rect " << rectAttributes(t.frame) << " fill=\"none\" stroke=\"#ffffff\" "
         << "stroke-opacity=\"0.6\"" << (t.hidden ? " stroke-dasharray=\"4 3\"" : "") << "/>\n";
    if (t.hidden)
      out_ << "<text x=\"" << num(t.frame.x + t.frame.width - 4) << "\" y=\"" << num(t.frame.y + 11)
           << "\" font-size=\"10\" text-anchor=\"end\" fill=\"#fca5a5\">" << what
           << " hidden</text>\n";
  }

  const Scene& scene_;
  std::string prefix_;
  std::ostringstream out_;
  int backgrounds_ = 0;
  bool nonFinite_ = false;
};

}  // namespace

std::vector<std::string> wrapLines(const std::string& text, std::size_t width) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    std::string paragraph = text.substr(start, end == std::string::npos ? end : end - start);
    std::string line;
    std::size_t i = 0;
    while (i < paragraph.size()) {
      std::size_t space = paragraph.find(' ', i);
      std::string word = paragraph.substr(i, space == std::string::npos ? space : space - i);
      if (!line.empty() && line.size() + 1 + word.size() > width) {
        lines.push_back(line);
        line.clear();
      }
      line += (line.empty() ? "" : " ") + word;
      i = space == std::string::npos ? paragraph.size() : space + 1;
    }
    lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

std::string conditionName(long long code) {
  if (code >= 0 && code < static_cast<long long>(kConditionNames.size()))
    return kConditionNames[static_cast<std::size_t>(code)];
  return "condition " + std::to_string(code);
}

std::string escapeXml(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = utf8Length(text, i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (length > 1) {
      out.append(text, i, length);
      i += length;
      continue;
    }
    char c = text[i++];
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        // Control characters are not allowed in XML 1.0 text.
        out += static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t' ? ' ' : c;
    }
  }
  return out;
}

std::string renderSvg(const Scene& scene, const std::string& idPrefix) {
  return SvgWriter(scene, idPrefix).render();
}

}  // namespace nimsim
