#include "sim/settings_app/pane.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>

#include "sim/foundation/property_list.h"

namespace sim {
namespace {

using host::Dictionary;
using host::Value;

bool isNumber(const Value& value) {
  return value.is<std::int64_t>() || value.is<host::UnsignedInteger>() || value.is<double>();
}

// NSNumber's isEqual: booleans and numbers compare by value; a string never equals a number.
bool sameNumber(const Value& a, const Value& b) {
  auto numeric = [](const Value& v) { return v.is<bool>() || isNumber(v); };
  return numeric(a) && numeric(b) && a.doubleValue() == b.doubleValue();
}

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Reads one specifier's keys, naming the specifier in every complaint.
class Specifier {
 public:
  Specifier(const Dictionary& keys, std::string where) : keys_(keys), where_(std::move(where)) {}

  const Value* find(std::string_view key) const { return host::objectForKey(&keys_, key); }

  std::optional<std::string> text(std::string_view key) const {
    const Value* value = find(key);
    if (!value) return std::nullopt;
    const std::string* text = value->get<std::string>();
    if (!text || text->empty()) fail(std::string(key) + " is not a text");
    return *text;
  }
  std::string requiredText(std::string_view key) const {
    if (auto value = text(key)) return *value;
    fail("has no " + std::string(key));
  }
  double number(std::string_view key) const {
    const Value* value = find(key);
    if (!value || !isNumber(*value)) fail("needs a number for " + std::string(key));
    return value->doubleValue();
  }
  bool flag(std::string_view key) const {
    const Value* value = find(key);
    if (value && !value->is<bool>()) fail(std::string(key) + " is not a boolean");
    return value && *value->get<bool>();
  }
  const host::Array& array(std::string_view key) const {
    const Value* value = find(key);
    if (!value || !value->is<host::Array>() || value->get<host::Array>()->empty())
      fail("needs a list of " + std::string(key));
    return *value->get<host::Array>();
  }

  [[noreturn]] void fail(const std::string& what) const { throw PaneError(where_ + " " + what); }

 private:
  const Dictionary& keys_;
  std::string where_;
};

// A slider's position for `value`, or none when it has no position there.
std::optional<std::size_t> sliderPosition(const PaneCell& cell, double value) {
  double steps = (value - cell.minimum) / cell.step();
  double nearest = std::round(steps);
  if (!(std::fabs(steps - nearest) < 1e-9) || nearest < 0 ||
      nearest > static_cast<double>(cell.segments))
    return std::nullopt;
  return static_cast<std::size_t>(nearest);
}

// What the slider stores: UISlider's value is a float, so the Settings app writes one. Bounds
// are checked to lie within a float's range; a position computed past them stays as it is.
Value sliderValue(double position) {
  if (!(std::fabs(position) <= FLT_MAX)) return Value(position);
  return Value(static_cast<double>(static_cast<float>(position)));
}

void readList(const Specifier& item, PaneCell& cell) {
  if (item.requiredText("detail") != "PSListItemsController")
    item.fail("needs detail PSListItemsController, which shows the list");
  std::set<std::string> seen;
  for (const Value& title : item.array("validTitles")) {
    const std::string* text = title.get<std::string>();
    if (!text || text->empty()) item.fail("has a title that is not a text");
    if (!seen.insert(lowered(*text)).second) item.fail("offers '" + *text + "' twice");
    cell.titles.push_back(*text);
  }
  for (const Value& value : item.array("validValues")) {
    if (!isNumber(value)) item.fail("has a value that is not a number");
    for (const Value& earlier : cell.values)
      if (sameNumber(earlier, value)) item.fail("offers one value twice");
    cell.values.push_back(value);
  }
  if (cell.titles.size() != cell.values.size())
    item.fail("has " + std::to_string(cell.titles.size()) + " titles for " +
              std::to_string(cell.values.size()) + " values");
  const Value* fallback = item.find("default");
  bool offered = false;
  for (const Value& value : cell.values)
    offered = offered || (fallback && sameNumber(*fallback, value));
  if (!offered) item.fail("needs a default among its values");
  cell.fallback = *fallback;
}

void readSlider(const Specifier& item, PaneCell& cell) {
  cell.minimum = item.number("min");
  cell.maximum = item.number("max");
  // A float holds what the slider reports; bounds it cannot hold would wrap its value.
  if (!(std::fabs(cell.minimum) <= FLT_MAX && std::fabs(cell.maximum) <= FLT_MAX &&
        cell.minimum < cell.maximum))
    item.fail("needs a min below its max, both within a float's range");
  cell.showsValue = item.flag("showValue");
  if (item.flag("isSegmented")) {
    const Value* count = item.find("segmentCount");
    if (!count || !count->is<std::int64_t>() || *count->get<std::int64_t>() < 1 ||
        *count->get<std::int64_t>() > 100000)
      item.fail("is segmented but has no segmentCount from 1 to 100000");
    cell.segments = static_cast<std::size_t>(*count->get<std::int64_t>());
  }
  double fallback = item.number("default");
  if (!(fallback >= cell.minimum && fallback <= cell.maximum))
    item.fail("has its default outside min and max");
  if (cell.segments && !sliderPosition(cell, fallback))
    item.fail("has its default between two of its positions");
  cell.fallback = sliderValue(fallback);
}

PaneCell readCell(const Specifier& item, const std::string& type) {
  PaneCell cell;
  if (type == "PSSwitchCell")
    cell.kind = CellKind::toggle;
  else if (type == "PSLinkListCell")
    cell.kind = CellKind::list;
  else if (type == "PSSliderCell")
    cell.kind = CellKind::slider;
  else
    item.fail("is a " + type +
              ", which this simulation does not model (PSGroupCell, PSSwitchCell, "
              "PSLinkListCell and PSSliderCell are)");
  cell.key = item.requiredText("key");
  cell.domain = item.requiredText("defaults");
  cell.notification = item.requiredText("PostNotification");
  if (cell.kind == CellKind::slider) {
    readSlider(item, cell);
    return cell;
  }
  cell.label = item.requiredText("label");
  if (cell.kind == CellKind::list) {
    readList(item, cell);
    return cell;
  }
  const Value* fallback = item.find("default");
  if (!fallback || !fallback->is<bool>()) item.fail("needs a boolean default");
  cell.fallback = *fallback;
  return cell;
}

// The stored value the Settings app reads for a cell, or none for an absent key (and for a
// value without a numeric reading, which the add-on reads as absent too).
const Value* stored(const PaneCell& cell, const Dictionary& domain) {
  const Value* value = host::objectForKey(&domain, cell.key);
  return value && value->hasNumericReading() ? value : nullptr;
}

void expectKind(const PaneCell& cell, CellKind kind) {
  if (cell.kind != kind)
    throw PaneTapError(cell.key + " is a " + cellKindName(cell.kind) +
                       " in the settings pane, not a " + cellKindName(kind));
}

}  // namespace

std::string numberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

const char* cellKindName(CellKind kind) {
  switch (kind) {
    case CellKind::toggle:
      return "switch";
    case CellKind::list:
      return "list";
    case CellKind::slider:
      break;
  }
  return "slider";
}

const PaneCell* SettingsPane::cell(std::string_view key) const {
  for (const PaneGroup& group : groups)
    for (const PaneCell& c : group.cells)
      if (c.key == key) return &c;
  return nullptr;
}

std::vector<const PaneCell*> SettingsPane::cells() const {
  std::vector<const PaneCell*> all;
  for (const PaneGroup& group : groups)
    for (const PaneCell& c : group.cells) all.push_back(&c);
  return all;
}

SettingsPane readPane(const Value& root) {
  const Dictionary* top = root.get<Dictionary>();
  if (!top) throw PaneError("the settings pane is not a dictionary");
  const Value* entry = host::objectForKey(top, "entry");
  if (!entry || !entry->is<Dictionary>()) throw PaneError("the settings pane has no entry");
  Specifier entryItem(*entry->get<Dictionary>(), "the pane's entry");
  if (entryItem.requiredText("cell") != "PSLinkCell")
    entryItem.fail("is not a PSLinkCell, which opens the pane");
  SettingsPane pane;
  pane.entryLabel = entryItem.requiredText("label");
  Specifier paneRoot(*top, "the settings pane");
  pane.title = paneRoot.requiredText("title");
  std::set<std::string> keys;
  const host::Array& items = paneRoot.array("items");
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Dictionary* keysOfItem = items[i].get<Dictionary>();
    if (!keysOfItem) throw PaneError("item " + std::to_string(i) + " is not a dictionary");
    Specifier item(*keysOfItem, "item " + std::to_string(i));
    std::string type = item.requiredText("cell");
    if (type == "PSGroupCell") {
      pane.groups.push_back(
          {item.text("label").value_or(""), item.text("footerText").value_or(""), {}});
      continue;
    }
    if (pane.groups.empty()) pane.groups.emplace_back();
    PaneCell cell = readCell(item, type);
    if (cell.kind == CellKind::slider) cell.label = pane.groups.back().header;
    if (!keys.insert(cell.key).second)
      item.fail("writes " + cell.key + ", as an earlier cell does");
    pane.groups.back().cells.push_back(std::move(cell));
  }
  return pane;
}

SettingsPane loadPane(const std::filesystem::path& file) {
  std::optional<Value> root = readPropertyList(file.string());
  if (!root)
    throw PaneError("cannot read the settings pane " + file.string() +
                    ": it is missing or not a property list");
  SettingsPane pane = readPane(*root);
  if (file.filename() != pane.entryLabel + ".plist")
    throw PaneError("the settings pane " + file.string() + " has the entry label '" +
                    pane.entryLabel + "': the loader finds it only as " + pane.entryLabel +
                    ".plist");
  return pane;
}

bool shownSwitch(const PaneCell& cell, const Dictionary& domain) {
  const Value* value = stored(cell, domain);
  return (value ? *value : cell.fallback).boolValue();
}

std::optional<std::size_t> shownChoice(const PaneCell& cell, const Dictionary& domain) {
  const Value* value = stored(cell, domain);
  for (std::size_t i = 0; i < cell.values.size(); ++i)
    if (sameNumber(value ? *value : cell.fallback, cell.values[i])) return i;
  return std::nullopt;
}

double shownSliderValue(const PaneCell& cell, const Dictionary& domain) {
  const Value* value = stored(cell, domain);
  double reading = (value ? *value : cell.fallback).doubleValue();
  // The slider keeps its value within its bounds.
  if (std::isnan(reading)) return cell.minimum;
  return std::fmax(cell.minimum, std::fmin(cell.maximum, reading));
}

Value toggleValue(const PaneCell& cell, const Dictionary& domain) {
  expectKind(cell, CellKind::toggle);
  return Value(!shownSwitch(cell, domain));
}

Value chooseValue(const PaneCell& cell, std::string_view title) {
  expectKind(cell, CellKind::list);
  for (std::size_t i = 0; i < cell.titles.size(); ++i)
    if (lowered(cell.titles[i]) == lowered(title)) return cell.values[i];
  std::string offered;
  for (const std::string& t : cell.titles) offered += (offered.empty() ? "" : ", ") + t;
  throw PaneTapError("'" + std::string(title) + "' is not offered for " + cell.key +
                     "; the list offers " + offered);
}

Value slideValue(const PaneCell& cell, double position) {
  expectKind(cell, CellKind::slider);
  std::string range = numberText(cell.minimum) + " to " + numberText(cell.maximum);
  if (!(position >= cell.minimum && position <= cell.maximum))
    throw PaneTapError("the slider of " + cell.key + " goes from " + range + ", not to " +
                       numberText(position));
  if (cell.segments && !sliderPosition(cell, position))
    throw PaneTapError("the slider of " + cell.key + " moves in steps of " +
                       numberText(cell.step()) + " from " + range + ": " + numberText(position) +
                       " is not one of its positions");
  return sliderValue(position);
}

std::vector<Value> writableValues(const PaneCell& cell) {
  switch (cell.kind) {
    case CellKind::toggle:
      return {Value(true), Value(false)};
    case CellKind::list:
      return cell.values;
    case CellKind::slider:
      break;
  }
  if (!cell.segments) return {sliderValue(cell.minimum), cell.fallback, sliderValue(cell.maximum)};
  std::vector<Value> positions;
  for (std::size_t i = 0; i <= cell.segments; ++i)
    positions.push_back(sliderValue(cell.minimum + static_cast<double>(i) * cell.step()));
  return positions;
}

}  // namespace sim
