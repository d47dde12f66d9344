// Nesting scans of the text forms, and the one check every reader's caller makes.
#include "plist/limits.h"

#include <algorithm>

#include "plist/binary_check.h"

namespace nimbrel::plist {

namespace {

// A running depth and the deepest it has been.
struct Depth {
  std::size_t now = 0;
  std::size_t deepest = 0;
  void open() { deepest = std::max(deepest, ++now); }
  void close() {
    if (now > 0) --now;
  }
};

// Where the construct opening at `at` with `opener` ends: just past `closer`, or the end of
// the text when it is never closed (a reader stops there too).
std::size_t pastClosing(std::string_view text, std::size_t at, std::string_view opener,
                        std::string_view closer) {
  const std::size_t end = text.find(closer, at + opener.size());
  return end == std::string_view::npos ? text.size() : end + closer.size();
}

// The element name of a tag's text ("array" of "array", "/array " or "dict/").
std::string_view tagName(std::string_view tag) {
  if (tag.starts_with('/')) tag.remove_prefix(1);
  const std::size_t end = tag.find_first_of(" \t\r\n/");
  return tag.substr(0, end);
}

// Past a quoted string opening at `at`; in the OpenStep form a backslash escapes the next
// character, in an XML attribute it does not.
std::size_t pastQuoted(std::string_view text, std::size_t at, bool escapes) {
  const char quote = text[at];
  for (std::size_t i = at + 1; i < text.size(); ++i) {
    if (escapes && text[i] == '\\')
      ++i;
    else if (text[i] == quote)
      return i + 1;
  }
  return text.size();
}

// Past the '>' of the tag opening at `at`: a '>' inside a quoted attribute value does not
// end it, or a value could hide a tag from the count.
std::size_t pastTag(std::string_view xml, std::size_t at) {
  for (std::size_t i = at + 1; i < xml.size();) {
    if (xml[i] == '"' || xml[i] == '\'') {
      i = pastQuoted(xml, i, false);
    } else if (xml[i] == '>') {
      return i + 1;
    } else {
      ++i;
    }
  }
  return xml.size();
}

// Whether any reader may take the text for XML: its first character, after a UTF-8 byte-order
// mark and white space (more kinds than any XML reader skips), is '<'. No XML reader starts
// anywhere else, and an OpenStep reader reads a '<' there as data, which nests nothing.
bool mayBeReadAsXml(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::size_t first = text.find_first_not_of(" \t\n\r\f\v");
  return first != std::string_view::npos && text[first] == '<';
}

}  // namespace

std::size_t xmlNestingDepth(std::string_view xml) {
  Depth depth;
  std::size_t at = xml.find('<');
  while (at < xml.size()) {
    const std::string_view rest = xml.substr(at);
    std::size_t next;
    if (rest.starts_with("<!--")) {
      next = pastClosing(xml, at, "<!--", "-->");
    } else if (rest.starts_with("<![CDATA[")) {
      next = pastClosing(xml, at, "<![CDATA[", "]]>");
    } else {
      next = pastTag(xml, at);
      const std::string_view tag = xml.substr(at + 1, next - at - 2);
      const std::string_view name = tagName(tag);
      if ((name == "array" || name == "dict") && !tag.ends_with('/'))
        tag.starts_with('/') ? depth.close() : depth.open();
    }
    at = xml.find('<', next);
  }
  return depth.deepest;
}

std::size_t openStepNestingDepth(std::string_view text) {
  Depth depth;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::string_view rest = text.substr(at);
    const char c = text[at];
    if (c == '"' || c == '\'') {
      at = pastQuoted(text, at, true);
    } else if (rest.starts_with("//")) {
      at = pastClosing(text, at, "//", "\n");
    } else if (rest.starts_with("/*")) {
      at = pastClosing(text, at, "/*", "*/");
    } else if (c == '<') {
      at = pastClosing(text, at, "<", ">");
    } else {
      if (c == '(' || c == '{') depth.open();
      if (c == ')' || c == '}') depth.close();
      ++at;
    }
  }
  return depth.deepest;
}

bool withinLimits(std::string_view bytes) {
  if (bytes.size() > maxBytes) return false;
  if (bytes.starts_with("bplist"))
    return binaryPropertyListIsSafe(bytes, {maxDepth, maxExpandedObjects});
  return (mayBeReadAsXml(bytes) ? xmlNestingDepth(bytes) : openStepNestingDepth(bytes)) <= maxDepth;
}

}  // namespace nimbrel::plist
