// A scan of XML property lists that reads integers the Apple way.
#include "sim/foundation/xml_plist_prepare.h"

#include <cstdint>
#include <limits>

namespace sim {

namespace {

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isXmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isXmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

int digitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (hex && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Where the tag that opens at `open` ends (its '>'), skipping quoted attribute values.
std::size_t tagEnd(std::string_view xml, std::size_t open) {
  char quote = 0;
  for (std::size_t at = open + 1; at < xml.size(); ++at) {
    const char c = xml[at];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return at;
    }
  }
  return std::string_view::npos;
}

std::string_view tagName(std::string_view tag) {
  std::size_t end = 0;
  while (end < tag.size() && !isXmlSpace(tag[end]) && tag[end] != '/' && tag[end] != '>') ++end;
  return tag.substr(0, end);
}

}  // namespace

std::optional<std::string> canonicalXmlInteger(std::string_view text) {
  text = trimmed(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const bool hex = text.starts_with("0x");
  if (hex) text.remove_prefix(2);
  if (text.empty() && !hex) return std::nullopt;
  const std::uint64_t base = hex ? 16 : 10;
  const std::uint64_t ceiling =
      negative ? std::uint64_t{1} << 63 : std::numeric_limits<std::uint64_t>::max();
  std::uint64_t value = 0;
  for (char c : text) {
    const int digit = digitValue(c, hex);
    if (digit < 0) return std::nullopt;
    if (value > (ceiling - static_cast<std::uint64_t>(digit)) / base) return std::nullopt;
    value = value * base + static_cast<std::uint64_t>(digit);
  }
  if (!negative || value == 0) return std::to_string(value);
  // Appended, not "-" + ...: g++ 12 at -O3 reports a false -Wrestrict in operator+.
  return std::string("-").append(std::to_string(value));
}

std::optional<std::string> prepareXmlPropertyList(std::string_view xml) {
  std::string out;
  out.reserve(xml.size());
  std::size_t at = 0;
  while (at < xml.size()) {
    const std::size_t open = xml.find('<', at);
    if (open == std::string_view::npos) break;
    std::size_t close;
    if (xml.substr(open).starts_with("<!--")) {
      close = xml.find("-->", open + 4);
      if (close != std::string_view::npos) close += 2;
    } else if (xml.substr(open).starts_with("<![CDATA[")) {
      close = xml.find("]]>", open + 9);
      if (close != std::string_view::npos) close += 2;
    } else {
      close = tagEnd(xml, open);
    }
    if (close == std::string_view::npos) return std::nullopt;
    out.append(xml.substr(at, close + 1 - at));
    at = close + 1;
    const std::string_view tag = xml.substr(open + 1, close - open - 1);
    if (tag.starts_with('!') || tag.starts_with('?') || tag.starts_with('/')) continue;
    const bool selfClosing = tag.ends_with('/');
    if (tagName(tag) == "integer") {
      const std::size_t end = selfClosing ? std::string_view::npos : xml.find("</integer>", at);
      if (end == std::string_view::npos) return std::nullopt;  // empty or unterminated
      const auto canonical = canonicalXmlInteger(xml.substr(at, end - at));
      if (!canonical) return std::nullopt;
      out.append(*canonical);
      at = end;
    }
  }
  out.append(xml.substr(at));
  return out;
}

}  // namespace sim
