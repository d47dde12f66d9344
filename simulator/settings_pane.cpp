#include "simulator/settings_pane.h"

#include <variant>

#include "simulator/trace.h"

namespace nimsim {
namespace {

using nlohmann::json;

// The one domain the world's preferences model; a pane writing another is not modelled.
constexpr const char* kDomain = "be.quorvane.nimbrel";

std::optional<CheckError> error(int column, std::string message) {
  return CheckError{column, std::move(message)};
}

sim::CellKind kindOf(const std::string& command) {
  if (command == "settings toggle") return sim::CellKind::toggle;
  if (command == "settings choose") return sim::CellKind::list;
  return sim::CellKind::slider;
}

// What to write instead, for a cell of another kind than the command taps.
std::string commandFor(const sim::PaneCell& cell) {
  switch (cell.kind) {
    case sim::CellKind::toggle:
      return "settings toggle " + cell.key;
    case sim::CellKind::list:
      return "settings choose " + cell.key + " TITLE";
    case sim::CellKind::slider:
      break;
  }
  return "settings slide " + cell.key + " NUMBER";
}

host::Value tappedValue(const sim::PaneCell& cell, const Statement& s,
                        const host::Dictionary& domain) {
  switch (kindOf(s.command)) {
    case sim::CellKind::toggle:
      return sim::toggleValue(cell, domain);
    case sim::CellKind::list:
      return sim::chooseValue(cell, s.args[1].text);
    case sim::CellKind::slider:
      break;
  }
  return sim::slideValue(cell, s.args[1].number);
}

std::string describe(const sim::PaneCell& cell, const host::Value& value) {
  if (const bool* on = value.get<bool>())
    return cell.label + " switched " + (*on ? "on" : "off") + " (" + cell.key + " = " +
           (*on ? "true" : "false") + ")";
  const std::string number = sim::numberText(value.doubleValue());
  if (cell.kind == sim::CellKind::list)
    for (std::size_t i = 0; i < cell.values.size(); ++i)
      if (cell.values[i] == value)
        return cell.label + " set to " + cell.titles[i] + " (" + cell.key + " = " + number + ")";
  return cell.label + " slider moved to " + number + " (" + cell.key + ")";
}

}  // namespace

const sim::SettingsPane& installedPane() {
  static const std::variant<sim::SettingsPane, std::string> loaded =
      []() -> std::variant<sim::SettingsPane, std::string> {
    try {
      return sim::loadPane(NIMBREL_STAGED_PANE);
    } catch (const sim::PaneError& e) {
      return std::string(e.what());
    }
  }();
  if (const std::string* problem = std::get_if<std::string>(&loaded))
    throw sim::PaneError(*problem);
  return std::get<sim::SettingsPane>(loaded);
}

host::Dictionary domainFromSnapshot(const json& settings) {
  host::Dictionary domain;
  if (!settings.is_object()) return domain;
  for (const auto& [key, value] : settings.items()) {
    if (value.is_boolean())
      domain.emplace(key, value.get<bool>());
    else if (value.is_number_unsigned())
      domain.emplace(key, host::UnsignedInteger{value.get<std::uint64_t>()});
    else if (value.is_number_integer())
      domain.emplace(key, value.get<std::int64_t>());
    else if (value.is_number_float())
      domain.emplace(key, value.get<double>());
    else if (value.is_string())
      domain.emplace(key, value.get<std::string>());
    else
      domain.emplace(key, host::Array{});
  }
  return domain;
}

std::optional<CheckError> checkPaneTap(Statement& s) {
  const Arg& key = s.args[0];
  const sim::PaneCell* cell = nullptr;
  try {
    cell = installedPane().cell(key.text);
  } catch (const sim::PaneError& e) {
    return error(s.column, e.what());
  }
  if (!cell) {
    std::string keys;
    for (const sim::PaneCell* c : installedPane().cells())
      keys += (keys.empty() ? "" : ", ") + c->key;
    return error(key.column,
                 "the settings pane has no cell for '" + key.text + "'; its keys: " + keys);
  }
  if (cell->kind != kindOf(s.command))
    return error(key.column, key.text + " is a " + sim::cellKindName(cell->kind) +
                                 " in the settings pane, not a " +
                                 sim::cellKindName(kindOf(s.command)) + ": write '" +
                                 commandFor(*cell) + "'");
  if (cell->domain != kDomain)
    return error(key.column, "the cell of " + key.text + " writes the domain " + cell->domain +
                                 ", which the simulation does not model");
  try {
    tappedValue(*cell, s, {});
  } catch (const sim::PaneTapError& e) {
    return error(s.args[1].column, e.what());
  }
  return std::nullopt;
}

std::string tapPane(World& world, const Statement& s, double start) {
  const sim::PaneCell& cell = *installedPane().cell(s.args[0].text);
  host::Value value = tappedValue(cell, s, domainFromSnapshot(world.snapshot(start)["settings"]));
  world.setPreference(cell.key, value);
  world.postNotification(cell.notification);
  return describe(cell, value) + ", posted " + cell.notification;
}

std::string panePicture(World& world, double start, const std::string& idPrefix) {
  json state = world.snapshot(start);
  const json& device = state["device"];
  double width = 375;
  std::string profile = "device";
  if (device.is_object()) {
    const json& screen = device.value("screen", json::object());
    if (screen.is_object()) width = screen.value("width", width);
    profile = device.value("profile", profile);
  }
  return drawPane(installedPane(), domainFromSnapshot(state["settings"]), width,
                  "settings pane · " + profile + " · t=" + formatSeconds(world.now() - start),
                  idPrefix);
}

}  // namespace nimsim
