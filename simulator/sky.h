// The weather as the phone paints it: eight families of condition, each drawn as a sky with
// sun, moon, clouds, drops, flakes, lightning, fog or wind over it, by day or by night.
#pragma once

#include <string>
#include <string_view>

namespace nimsim {

enum class WeatherFamily { clear, partlyCloudy, cloudy, rain, snow, storm, fog, wind };

// The family each condition code 0 to 47 is drawn as; a code outside them is drawn cloudy.
WeatherFamily weatherFamily(long long code);

// "clear", "partly cloudy", ...
std::string_view familyName(WeatherFamily family);

// SVG elements of a sky `height` points tall in a box 375 points wide at the origin, as
// drawn before any scaling. Ids of gradients start with `idPrefix`, so that several pictures
// can share one page.
std::string drawSky(WeatherFamily family, bool isDay, double height, const std::string& idPrefix);

// SVG elements of the small condition glyph the temperature header shows, `size` points
// square with its top-left corner at (x, y).
std::string drawGlyph(WeatherFamily family, bool isDay, double x, double y, double size);

// Numbers as SVG writes them: at most two decimals, non-finite as 0.
std::string svgNumber(double value);

}  // namespace nimsim
