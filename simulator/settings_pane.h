// The add-on's settings pane in the scenario language: the pane the package installs, checked
// when a scenario parses, tapped through the world, and drawn.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "host/value.h"
#include "sim/settings_app/pane.h"
#include "simulator/grammar.h"
#include "simulator/world.h"

namespace nimsim {

// The pane as installed beside the add-on, read once. Raises sim::PaneError, saying why, when
// it is missing or the Settings app could not use it.
const sim::SettingsPane& installedPane();

// The preferences domain as the snapshot's `settings` describes it. Values the JSON cannot tell
// apart from a container (data, dates) come back as an empty array: neither has a reading.
host::Dictionary domainFromSnapshot(const nlohmann::json& settings);

// The check of `settings toggle KEY`, `settings choose KEY TITLE` and `settings slide KEY N`:
// the pane has a cell of that kind for KEY, writing the add-on's domain, and offers the value.
std::optional<CheckError> checkPaneTap(Statement& statement);

// Does what the Settings app does on that tap: writes the value the cell gives into the domain
// and posts the cell's notification. Returns the trace line that says so.
std::string tapPane(World& world, const Statement& statement, double start);

// The pane as the Settings app shows it for the world's domain now, the device's width, as
// an SVG document whose element ids start with `idPrefix`.
std::string panePicture(World& world, double start, const std::string& idPrefix);

// The pane drawn for that domain, `width` points wide, with the caption under it.
std::string drawPane(const sim::SettingsPane& pane, const host::Dictionary& domain, double width,
                     const std::string& caption, const std::string& idPrefix);

}  // namespace nimsim
