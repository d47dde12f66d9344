// SVG pictures of the simulated screen: what is where, drawn from the view tree.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace nimsim {

struct Box {
  double x = 0, y = 0, width = 0, height = 0;
};

// A shell view drawn as an outline with its class name, to show where the tree puts it.
struct SceneView {
  std::string label;  // "SBLockScreenDateView#4"
  Box frame;          // window coordinates, after transforms
  double alpha = 1;
  bool hidden = false;
  int depth = 0;  // in its tree: labels of nested views are set apart by it
};

// A weather background: its frame after its transform, and what it draws.
struct SceneBackground {
  std::string label;
  Box frame;
  std::optional<std::string> city;  // none: bound to no city
  long long conditionCode = 0;
  bool isDay = true;
  double alpha = 1;
  bool hidden = false;
  bool gradientLayer = true;
};

struct SceneHeader {
  Box frame;
  std::string temperature, high, low, location, image;
  double alpha = 1;
  bool hidden = false;
  // The condition its image stands for, drawn as a glyph; none for an image of no condition.
  std::optional<long long> glyphCondition = std::nullopt;
  bool glyphIsDay = true;
};

// The time label or the date line.
struct SceneText {
  Box frame;
  std::string text;
  double alpha = 1;
  bool hidden = false;
};

struct SceneAlert {
  std::string title, message;
  std::vector<std::string> buttons;
};

struct Scene {
  std::string caption;           // under the screen: which screen, device, time
  double width = 0, height = 0;  // the screen in points, as oriented
  bool homeScreen = false;
  std::vector<SceneView> views;  // in drawing order, back to front
  std::vector<SceneBackground> backgrounds;
  std::optional<SceneHeader> header;
  std::optional<SceneText> time, date;
  std::optional<SceneAlert> alert;
};

// The readable name of a weather condition code 0 to 47; "condition N" outside.
std::string conditionName(long long code);

// The picture as an SVG document: the phone as it looks, then the view tree's frames and class
// names in a layer of class "annotations". Non-finite numbers are drawn as 0 and flagged in a
// comment. Element ids start with `idPrefix`, so that several pictures can share one page;
// the document's own is `idPrefix` + "svg".
std::string renderSvg(const Scene& scene, const std::string& idPrefix = "");

// The text's lines, each broken at spaces to at most `width` characters.
std::vector<std::string> wrapLines(const std::string& text, std::size_t width);

// Text made safe inside SVG and HTML elements and attributes; invalid UTF-8 becomes U+FFFD.
std::string escapeXml(const std::string& text);

}  // namespace nimsim
