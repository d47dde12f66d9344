// The weather painted as SVG: skies and glyphs by family and time of day.
#include "simulator/sky.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>

namespace nimsim {
namespace {

using F = WeatherFamily;

// Condition code → family, in code order 0 to 47.
constexpr std::array<F, 48> kFamilies = {
    F::storm,        F::storm, F::storm,        F::storm,  F::storm,  F::snow,          // 0..5
    F::rain,         F::snow,  F::rain,         F::rain,   F::rain,   F::rain,          // 6..11
    F::rain,         F::snow,  F::snow,         F::snow,   F::snow,   F::rain,          // 12..17
    F::rain,         F::fog,   F::fog,          F::fog,    F::fog,    F::wind,          // 18..23
    F::wind,         F::clear, F::cloudy,       F::cloudy, F::cloudy, F::partlyCloudy,  // 24..29
    F::partlyCloudy, F::clear, F::clear,        F::clear,  F::clear,  F::rain,          // 30..35
    F::clear,        F::storm, F::storm,        F::storm,  F::rain,   F::snow,          // 36..41
    F::snow,         F::snow,  F::partlyCloudy, F::storm,  F::snow,   F::storm,         // 42..47
};

constexpr double kWidth = 375;

struct Sky {
  const char* top;
  const char* bottom;
};

// Day then night, per family in enum order.
constexpr std::array<std::array<Sky, 2>, 8> kSkies = {{
    {{{"#2f7fd6", "#9fd1f7"}, {"#040a22", "#1c2e63"}}},  // clear
    {{{"#3a80cf", "#a8cfee"}, {"#0a1330", "#2a3a62"}}},  // partly cloudy
    {{{"#72869c", "#c2cdd8"}, {"#181f2d", "#394456"}}},  // cloudy
    {{{"#46586c", "#8a99a9"}, {"#0c141f", "#2a384a"}}},  // rain
    {{{"#9cb3ca", "#eaf1f7"}, {"#1b2638", "#4b5a70"}}},  // snow
    {{{"#262c37", "#646b78"}, {"#050709", "#222733"}}},  // storm
    {{{"#a4aeb8", "#dadfe3"}, {"#272c33", "#4a5058"}}},  // fog
    {{{"#4f9ad6", "#c5def1"}, {"#0e1a31", "#324568"}}},  // wind
}};

Sky skyOf(WeatherFamily family, bool isDay) {
  return kSkies[static_cast<std::size_t>(family)][isDay ? 0 : 1];
}

// Where drops, flakes and stars fall: the same picture every run.
class Scatter {
 public:
  explicit Scatter(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
  double next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(state_ >> 8) / static_cast<double>(1u << 24);
  }

 private:
  std::uint32_t state_;
};

class Painter {
 public:
  explicit Painter(std::ostringstream& out) : out_(out) {}

  // A cloud about 1.2 × size wide, its flat bottom at cy + 0.34 × size.
  void cloud(double cx, double cy, double size, const char* fill, double opacity) {
    out_ << "<g fill=\"" << fill << "\" opacity=\"" << svgNumber(opacity) << "\">";
    circle(cx - 0.32 * size, cy + 0.05 * size, 0.28 * size);
    circle(cx, cy - 0.1 * size, 0.4 * size);
    circle(cx + 0.34 * size, cy + 0.04 * size, 0.3 * size);
    out_ << "<rect x=\"" << svgNumber(cx - 0.6 * size) << "\" y=\"" << svgNumber(cy)
         << "\" width=\"" << svgNumber(1.2 * size) << "\" height=\"" << svgNumber(0.34 * size)
         << "\" rx=\"" << svgNumber(0.17 * size) << "\"/></g>\n";
  }

  void circle(double cx, double cy, double r, const char* fill = nullptr) {
    out_ << "<circle cx=\"" << svgNumber(cx) << "\" cy=\"" << svgNumber(cy) << "\" r=\""
         << svgNumber(r) << "\"";
    if (fill) out_ << " fill=\"" << fill << "\"";
    out_ << "/>";
  }

  void sun(double cx, double cy, double r, const std::string& glowId) {
    out_ << "<radialGradient id=\"" << glowId << "\"><stop offset=\"0\" stop-color=\"#fff6b8\" "
         << "stop-opacity=\"0.75\"/><stop offset=\"1\" stop-color=\"#fff6b8\" stop-opacity=\"0\"/>"
         << "</radialGradient>";
    out_ << "<circle class=\"sun\" cx=\"" << svgNumber(cx) << "\" cy=\"" << svgNumber(cy)
         << "\" r=\"" << svgNumber(r * 3.2) << "\" fill=\"url(#" << glowId << ")\"/>";
    circle(cx, cy, r, "#ffd54a");
    out_ << "\n";
  }

  // A crescent: the full disc with a second disc cut out of it.
  void moon(double cx, double cy, double r) {
    out_ << "<path class=\"moon\" fill=\"#f3efd9\" d=\"M " << svgNumber(cx) << " "
         << svgNumber(cy - r) << " A " << svgNumber(r) << " " << svgNumber(r) << " 0 1 0 "
         << svgNumber(cx + r * 0.87) << " " << svgNumber(cy + r * 0.5) << " A "
         << svgNumber(r * 0.8) << " " << svgNumber(r * 0.8) << " 0 1 1 " << svgNumber(cx) << " "
         << svgNumber(cy - r) << " Z\"/>\n";
  }

  void stars(double height, int count) {
    Scatter scatter(7);
    out_ << "<g class=\"stars\" fill=\"#ffffff\">";
    for (int i = 0; i < count; ++i) {
      double x = scatter.next() * kWidth, y = scatter.next() * height * 0.55;
      out_ << "<circle cx=\"" << svgNumber(x) << "\" cy=\"" << svgNumber(y) << "\" r=\""
           << svgNumber(0.6 + scatter.next() * 1.1) << "\" opacity=\""
           << svgNumber(0.4 + scatter.next() * 0.6) << "\"/>";
    }
    out_ << "</g>\n";
  }

  void drops(double top, double height, int count, double opacity) {
    Scatter scatter(11);
    out_ << "<g class=\"drops\" stroke=\"#d4e6ff\" stroke-width=\"1.6\" stroke-linecap=\"round\" "
         << "opacity=\"" << svgNumber(opacity) << "\">";
    for (int i = 0; i < count; ++i) {
      double x = scatter.next() * (kWidth + 40), y = top + scatter.next() * (height - top);
      double length = 10 + scatter.next() * 8;
      out_ << "<line x1=\"" << svgNumber(x) << "\" y1=\"" << svgNumber(y) << "\" x2=\""
           << svgNumber(x - length * 0.3) << "\" y2=\"" << svgNumber(y + length) << "\"/>";
    }
    out_ << "</g>\n";
  }

  void flakes(double top, double height, int count) {
    Scatter scatter(13);
    out_ << "<g class=\"flakes\" fill=\"#ffffff\">";
    for (int i = 0; i < count; ++i) {
      double x = scatter.next() * kWidth, y = top + scatter.next() * (height - top);
      out_ << "<circle cx=\"" << svgNumber(x) << "\" cy=\"" << svgNumber(y) << "\" r=\""
           << svgNumber(1.4 + scatter.next() * 2.4) << "\" opacity=\""
           << svgNumber(0.6 + scatter.next() * 0.4) << "\"/>";
    }
    out_ << "</g>\n";
  }

  void bolt(double x, double y, double size) {
    auto p = [&](double dx, double dy) {
      return svgNumber(x + dx * size) + "," + svgNumber(y + dy * size) + " ";
    };
    out_ << "<polygon class=\"bolt\" fill=\"#ffe45c\" points=\"" << p(0.2, 0) << p(0.55, 0)
         << p(0.4, 0.38) << p(0.7, 0.38) << p(0.15, 1) << p(0.3, 0.52) << p(0, 0.52) << "\"/>\n";
  }

  void fogBands(double height, double opacity, const std::string& blurId) {
    out_ << "<filter id=\"" << blurId << "\"><feGaussianBlur stdDeviation=\"7\"/></filter>"
         << "<g class=\"fog\" fill=\"#ffffff\" filter=\"url(#" << blurId << ")\">";
    for (int i = 0; i < 7; ++i) {
      double y = height * (0.22 + 0.1 * i);
      double shift = (i % 2 ? -40 : 10);
      out_ << "<rect x=\"" << svgNumber(shift) << "\" y=\"" << svgNumber(y) << "\" width=\""
           << svgNumber(kWidth + 30) << "\" height=\"" << svgNumber(height * 0.05) << "\" rx=\""
           << svgNumber(height * 0.025) << "\" opacity=\"" << svgNumber(opacity * (0.6 + 0.08 * i))
           << "\"/>";
    }
    out_ << "</g>\n";
  }

  void gusts(double height, double opacity) {
    out_ << "<g class=\"gusts\" fill=\"none\" stroke=\"#ffffff\" stroke-width=\"2.5\" "
         << "stroke-linecap=\"round\" opacity=\"" << svgNumber(opacity) << "\">";
    for (int i = 0; i < 6; ++i) {
      double y = height * (0.2 + 0.11 * i), x = (i % 3) * 45 - 20, length = 160 + (i % 2) * 60;
      out_ << "<path d=\"M " << svgNumber(x) << " " << svgNumber(y) << " q "
           << svgNumber(length / 2) << " -18 " << svgNumber(length) << " 0 t "
           << svgNumber(length * 0.4) << " -8 a 12 12 0 1 0 -14 -14\"/>";
    }
    out_ << "</g>\n";
  }

 private:
  std::ostringstream& out_;
};

// Clouds down the upper half of the sky, lighter by day.
void cloudBank(Painter& paint, double height, int count, bool isDay, bool dark) {
  const char* fill = dark ? (isDay ? "#5b6472" : "#3a414d") : (isDay ? "#f4f6f8" : "#667083");
  for (int i = 0; i < count; ++i) {
    double cx = 50 + (i * 151) % 300, cy = height * (0.08 + 0.5 * i / std::max(count, 1));
    paint.cloud(cx, cy, 130 - 14 * (i % 3), fill, 0.95 - 0.12 * (i % 2));
  }
}

void paintWeather(Painter& paint, WeatherFamily family, bool isDay, double h,
                  const std::string& prefix) {
  auto light = [&](double cx, double cy, double r) {
    if (isDay)
      paint.sun(cx, cy, r, prefix + "glow");
    else
      paint.moon(cx, cy, r);
  };
  switch (family) {
    case F::clear:
      if (!isDay) paint.stars(h, 40);
      light(285, h * 0.34, 32);
      break;
    case F::partlyCloudy:
      if (!isDay) paint.stars(h, 24);
      light(280, h * 0.3, 28);
      paint.cloud(200, h * 0.36, 120, isDay ? "#ffffff" : "#6a7386", 0.95);
      paint.cloud(90, h * 0.5, 90, isDay ? "#f2f5f8" : "#5a6376", 0.85);
      break;
    case F::cloudy:
      cloudBank(paint, h, 6, isDay, false);
      break;
    case F::rain:
      cloudBank(paint, h, 4, isDay, true);
      paint.drops(h * 0.25, h, 90, 0.7);
      break;
    case F::snow:
      cloudBank(paint, h, 4, isDay, false);
      paint.flakes(h * 0.22, h, 110);
      break;
    case F::storm:
      cloudBank(paint, h, 5, isDay, true);
      paint.bolt(200, h * 0.27, 110);
      paint.drops(h * 0.3, h, 70, 0.55);
      break;
    case F::fog:
      paint.fogBands(h, isDay ? 0.6 : 0.35, prefix + "blur");
      break;
    case F::wind:
      paint.cloud(110, h * 0.12, 80, isDay ? "#ffffff" : "#5d6676", 0.8);
      paint.gusts(h, isDay ? 0.75 : 0.5);
      break;
  }
}

}  // namespace

WeatherFamily weatherFamily(long long code) {
  if (code < 0 || code >= static_cast<long long>(kFamilies.size())) return F::cloudy;
  return kFamilies[static_cast<std::size_t>(code)];
}

std::string_view familyName(WeatherFamily family) {
  constexpr std::array<std::string_view, 8> names = {"clear", "partly cloudy", "cloudy", "rain",
                                                     "snow",  "storm",         "fog",    "wind"};
  return names[static_cast<std::size_t>(family)];
}

std::string svgNumber(double v) {
  if (!std::isfinite(v)) return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f", v);
  std::string s = buffer;
  while (s.size() > 1 && s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

std::string drawSky(WeatherFamily family, bool isDay, double height, const std::string& idPrefix) {
  std::ostringstream out;
  Sky sky = skyOf(family, isDay);
  std::string gradient = idPrefix + "sky";
  out << "<linearGradient id=\"" << gradient
      << "\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\"><stop offset=\"0\" stop-color=\"" << sky.top
      << "\"/><stop offset=\"1\" stop-color=\"" << sky.bottom << "\"/></linearGradient>\n";
  out << "<rect class=\"sky\" data-family=\"" << familyName(family) << "\" x=\"0\" y=\"0\" width=\""
      << svgNumber(kWidth) << "\" height=\"" << svgNumber(height) << "\" fill=\"url(#" << gradient
      << ")\"/>\n";
  Painter paint(out);
  paintWeather(paint, family, isDay, height, idPrefix);
  return out.str();
}

std::string drawGlyph(WeatherFamily family, bool isDay, double x, double y, double size) {
  std::ostringstream out;
  Painter paint(out);
  out << "<g class=\"glyph\" transform=\"translate(" << svgNumber(x) << " " << svgNumber(y)
      << ") scale(" << svgNumber(size / 40) << ")\">";
  auto light = [&](double cx, double cy, double r) {
    if (!isDay) {
      paint.moon(cx, cy, r);
      return;
    }
    out << "<g stroke=\"#ffd54a\" stroke-width=\"2.5\" stroke-linecap=\"round\">";
    for (int i = 0; i < 8; ++i) {
      double a = i * 3.14159265 / 4;
      out << "<line x1=\"" << svgNumber(cx + std::cos(a) * r * 1.4) << "\" y1=\""
          << svgNumber(cy + std::sin(a) * r * 1.4) << "\" x2=\""
          << svgNumber(cx + std::cos(a) * r * 1.9) << "\" y2=\""
          << svgNumber(cy + std::sin(a) * r * 1.9) << "\"/>";
    }
    out << "</g>";
    paint.circle(cx, cy, r, "#ffd54a");
  };
  const char* cloudFill = family == F::storm || family == F::rain ? "#cfd5de" : "#ffffff";
  switch (family) {
    case F::clear:
      light(20, 20, 9);
      break;
    case F::partlyCloudy:
      light(15, 14, 7);
      paint.cloud(24, 24, 22, cloudFill, 1);
      break;
    case F::fog:
      out << "<g stroke=\"#ffffff\" stroke-width=\"3\" stroke-linecap=\"round\">"
          << "<line x1=\"6\" y1=\"14\" x2=\"34\" y2=\"14\"/><line x1=\"10\" y1=\"21\" x2=\"30\" "
          << "y2=\"21\"/><line x1=\"6\" y1=\"28\" x2=\"34\" y2=\"28\"/></g>";
      break;
    case F::wind:
      out << "<path d=\"M 4 14 h 22 a 5 5 0 1 0 -5 -5 M 4 22 h 30 a 5 5 0 1 1 -5 5 M 4 30 h 16\" "
          << "fill=\"none\" stroke=\"#ffffff\" stroke-width=\"3\" stroke-linecap=\"round\"/>";
      break;
    default:
      paint.cloud(20, 15, 26, cloudFill, 1);
      if (family == F::rain)
        out << "<g stroke=\"#9cc7ff\" stroke-width=\"2.5\" "
            << "stroke-linecap=\"round\"><line x1=\"13\" y1=\"28\" x2=\"11\" "
            << "y2=\"35\"/><line x1=\"21\" y1=\"28\" x2=\"19\" y2=\"35\"/>"
            << "<line x1=\"29\" y1=\"28\" x2=\"27\" y2=\"35\"/></g>";
      if (family == F::snow)
        for (double fx : {12.0, 20.0, 28.0}) paint.circle(fx, 32, 2.2, "#ffffff");
      if (family == F::storm) paint.bolt(15, 22, 16);
  }
  out << "</g>";
  return out.str();
}

}  // namespace nimsim
