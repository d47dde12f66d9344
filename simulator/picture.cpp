// SVG rendering of a scene.
#include "simulator/picture.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

// Two gradient stops, top then bottom, by the kind of weather and the time of day.
struct Palette {
  const char* top;
  const char* bottom;
};

Palette paletteFor(long long code, bool isDay) {
  bool storm = code <= 4 || code == 37 || code == 38 || code == 39 || code == 45 || code == 47;
  bool wet = (code >= 5 && code <= 12) || code == 17 || code == 18 || code == 35 || code == 40;
  bool snow = (code >= 13 && code <= 16) || code == 41 || code == 42 || code == 43 || code == 46;
  bool murky = (code >= 19 && code <= 22) || code == 26 || code == 27 || code == 28;
  if (isDay) {
    if (storm) return {"#4b5563", "#9ca3af"};
    if (wet) return {"#5b7083", "#a9b8c6"};
    if (snow) return {"#9fb4c8", "#eef3f8"};
    if (murky) return {"#7f93a8", "#c9d4df"};
    return {"#2f7fd6", "#9fd1f7"};
  }
  if (storm) return {"#0f1116", "#3b4150"};
  if (wet) return {"#111b2a", "#34465e"};
  if (snow) return {"#1c2738", "#56657a"};
  if (murky) return {"#121a28", "#3c4a5e"};
  return {"#06122e", "#23386b"};
}

std::string num(double v) {
  if (!std::isfinite(v)) return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f", v);
  std::string s = buffer;
  while (s.size() > 1 && s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

// The text's lines, each broken at spaces to at most `width` characters.
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

bool finite(const Box& b) {
  return std::isfinite(b.x) && std::isfinite(b.y) && std::isfinite(b.width) &&
         std::isfinite(b.height);
}

std::string rectAttributes(const Box& b) {
  return "x=\"" + num(b.x) + "\" y=\"" + num(b.y) + "\" width=\"" + num(std::fabs(b.width)) +
         "\" height=\"" + num(std::fabs(b.height)) + "\"";
}

// Hidden things are drawn faintly and dashed, so that they can still be found.
std::string visibility(double alpha, bool hidden) {
  double shown = std::isfinite(alpha) ? std::fmax(0.0, std::fmin(1.0, alpha)) : 1.0;
  return " opacity=\"" + num(hidden ? 0.25 : std::fmax(shown, 0.08)) + "\"";
}

class SvgWriter {
 public:
  explicit SvgWriter(const Scene& scene) : scene_(scene) {}

  std::string render() {
    double w = scene_.width, h = scene_.height;
    constexpr double kCaption = 44;
    out_ << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << num(w + 2 * kMargin)
         << "\" height=\"" << num(h + 2 * kMargin + kCaption) << "\" viewBox=\"" << num(-kMargin)
         << " " << num(-kMargin) << " " << num(w + 2 * kMargin) << " "
         << num(h + 2 * kMargin + kCaption) << "\" font-family=\"Helvetica, Arial, sans-serif\">\n";
    out_ << "<title>" << escapeXml(scene_.caption) << "</title>\n";
    out_ << "<rect x=\"" << num(-kMargin) << "\" y=\"" << num(-kMargin)
         << "\" width=\"100%\" height=\"100%\" fill=\"#e5e7eb\"/>\n";
    out_ << "<clipPath id=\"screen\"><rect " << rectAttributes({0, 0, w, h}) << "/></clipPath>\n";
    out_ << "<rect " << rectAttributes({0, 0, w, h}) << " fill=\""
         << (scene_.homeScreen ? "#3d4a5c" : "#111111") << "\"/>\n";
    out_ << "<g clip-path=\"url(#screen)\">\n";
    for (const SceneBackground& b : scene_.backgrounds) drawBackground(b);
    for (const SceneView& v : scene_.views) drawView(v);
    if (scene_.header) drawHeader(*scene_.header);
    if (scene_.time) drawText(*scene_.time, "time", 0.55);
    if (scene_.date) drawText(*scene_.date, "date", 0.3);
    if (scene_.alert) drawAlert(*scene_.alert);
    out_ << "</g>\n";
    out_ << "<rect " << rectAttributes({0, 0, w, h})
         << " fill=\"none\" stroke=\"#111827\" stroke-width=\"3\" rx=\"6\"/>\n";
    out_ << "<text x=\"0\" y=\"" << num(h + 26) << "\" font-size=\"13\" fill=\"#111827\">"
         << escapeXml(scene_.caption) << "</text>\n";
    if (nonFinite_) out_ << "<!-- some frames were not finite and are drawn at 0 -->\n";
    out_ << "</svg>\n";
    return out_.str();
  }

 private:
  static constexpr double kMargin = 12;

  void note(const Box& b) {
    if (!finite(b)) nonFinite_ = true;
  }

  void drawBackground(const SceneBackground& b) {
    note(b.frame);
    Palette p = paletteFor(b.conditionCode, b.isDay);
    std::string id = "bg" + std::to_string(gradients_++);
    out_ << "<defs><linearGradient id=\"" << id
         << "\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\"><stop offset=\"0\" stop-color=\""
         << (b.city ? p.top : "#2a2a2a") << "\"/><stop offset=\"1\" stop-color=\""
         << (b.city ? p.bottom : "#4a4a4a") << "\"/></linearGradient></defs>\n";
    out_ << "<g" << visibility(b.alpha, b.hidden) << ">\n";
    out_ << "<rect " << rectAttributes(b.frame) << " fill=\"url(#" << id
         << ")\" stroke=\"#f59e0b\" stroke-width=\"1.5\" stroke-dasharray=\"6 3\"/>\n";
    std::string what = b.city ? conditionName(b.conditionCode) + ", " +
                                    (b.isDay ? "day" : "night") + " — " + *b.city
                              : "no city bound";
    std::string fill = b.isDay && b.city ? "#0b1f33" : "#f9fafb";
    // The caption goes in the bottom-left corner of the part on screen, so that a background
    // larger than the screen (scaled for landscape, shifted up) still says what it is.
    double left = std::fmax(b.frame.x, 0.0);
    double bottom = std::fmin(b.frame.y + b.frame.height, scene_.height);
    if (left >= scene_.width || bottom <= 0) left = b.frame.x, bottom = b.frame.y + b.frame.height;
    double x = left + 8, y = bottom - 30;
    out_ << "<text x=\"" << num(x) << "\" y=\"" << num(y) << "\" font-size=\"13\" fill=\"" << fill
         << "\">" << escapeXml(what) << "</text>\n";
    out_ << "<text x=\"" << num(x) << "\" y=\"" << num(y + 15) << "\" font-size=\"10\" fill=\""
         << fill << "\">" << escapeXml(b.label) << (b.gradientLayer ? "" : " · no gradient layer")
         << "</text>\n";
    out_ << "</g>\n";
  }

  void drawView(const SceneView& v) {
    note(v.frame);
    out_ << "<g" << visibility(v.alpha, v.hidden) << "><rect " << rectAttributes(v.frame)
         << " fill=\"none\" stroke=\"#93c5fd\" stroke-width=\"1\""
         << (v.hidden ? " stroke-dasharray=\"3 3\"" : "") << "/>";
    out_ << "<text x=\"" << num(v.frame.x + 4) << "\" y=\"" << num(v.frame.y + 12 + 11 * v.depth)
         << "\" font-size=\"9\" fill=\"#93c5fd\">" << escapeXml(v.label) << "</text></g>\n";
  }

  void drawHeader(const SceneHeader& h) {
    note(h.frame);
    out_ << "<g" << visibility(h.alpha, h.hidden) << "><rect " << rectAttributes(h.frame)
         << " fill=\"#ffffff\" fill-opacity=\"0.18\" stroke=\"#ffffff\" rx=\"4\"/>\n";
    double x = h.frame.x + 6, y = h.frame.y + 20;
    out_ << "<text x=\"" << num(x) << "\" y=\"" << num(y) << "\" font-size=\"18\" fill=\"#ffffff\">"
         << escapeXml(h.temperature) << "</text>\n";
    // High and low only when the header has them; then the condition image's name and the
    // location, each on a line of its own.
    std::vector<std::pair<std::string, const char*>> lines;
    if (!h.high.empty() || !h.low.empty()) lines.push_back({"H " + h.high + "  L " + h.low, "11"});
    if (!h.image.empty()) lines.push_back({"image " + h.image, "10"});
    if (!h.location.empty()) lines.push_back({h.location, "10"});
    double lineY = y + 15;
    for (const auto& [text, size] : lines) {
      out_ << "<text x=\"" << num(x) << "\" y=\"" << num(lineY) << "\" font-size=\"" << size
           << "\" fill=\"#ffffff\">" << escapeXml(text) << "</text>\n";
      lineY += 13;
    }
    out_ << "</g>\n";
  }

  void drawText(const SceneText& t, const char* what, double sizeFactor) {
    note(t.frame);
    double size = std::fmax(9.0, std::fmin(72.0, std::fabs(t.frame.height) * sizeFactor));
    if (!std::isfinite(size)) size = 12;
    out_ << "<g" << visibility(t.alpha, t.hidden) << "><rect " << rectAttributes(t.frame)
         << " fill=\"none\" stroke=\"#ffffff\" stroke-opacity=\"0.5\""
         << (t.hidden ? " stroke-dasharray=\"4 3\"" : "") << "/>";
    out_ << "<text x=\"" << num(t.frame.x + t.frame.width / 2) << "\" y=\""
         << num(t.frame.y + t.frame.height / 2 + size / 3) << "\" font-size=\"" << num(size)
         << "\" text-anchor=\"middle\" fill=\"#ffffff\">" << escapeXml(t.text) << "</text></g>\n";
    // The note that it is hidden is not faded with it: it is what the user should read.
    if (t.hidden)
      out_ << "<text x=\"" << num(t.frame.x + t.frame.width - 4) << "\" y=\"" << num(t.frame.y + 11)
           << "\" font-size=\"9\" text-anchor=\"end\" fill=\"#fecaca\">" << what
           << " hidden</text>\n";
  }

  void drawAlert(const SceneAlert& a) {
    double w = std::fmin(270.0, scene_.width - 20), x = (scene_.width - w) / 2;
    double lines = static_cast<double>(wrapLines(a.message, 44).size());
    double h = 70 + 13 * lines, y = (scene_.height - h) / 2;
    out_ << "<g><rect " << rectAttributes({0, 0, scene_.width, scene_.height})
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

  const Scene& scene_;
  std::ostringstream out_;
  int gradients_ = 0;
  bool nonFinite_ = false;
};

}  // namespace

std::string conditionName(long long code) {
  if (code >= 0 && code < static_cast<long long>(kConditionNames.size()))
    return kConditionNames[static_cast<std::size_t>(code)];
  return "condition " + std::to_string(code);
}

std::string escapeXml(const std::string& text) {
  std::string out;
  for (char c : text) {
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
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t')
          out += ' ';
        else
          out += c;
    }
  }
  return out;
}

std::string renderSvg(const Scene& scene) { return SvgWriter(scene).render(); }

}  // namespace nimsim
