// The Settings app's side of an add-on's settings pane: a plist-only entry read as the pane
// loader and the Settings app read it, the values its cells show, and what a tap writes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/value.h"

namespace sim {

// A pane file the loader or the Settings app could not use; the message says what and where.
class PaneError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// A tap the pane does not offer: a key it has no cell for, a cell of another kind, a list
// title or a slider position that is not there.
class PaneTapError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

enum class CellKind { toggle, list, slider };

// "switch", "list" or "slider", as a user names the cell.
const char* cellKindName(CellKind kind);

// A slider's value as its label shows it, and numbers in messages: six significant digits, so
// a float reads as the number it was set to.
std::string numberText(double value);

// One cell that writes a preference key, with what the Settings app reads from its specifier.
struct PaneCell {
  CellKind kind = CellKind::toggle;
  std::string key;
  std::string label;             // a slider shows none: its group's header names it, and is it here
  std::string domain;            // `defaults`: the preferences domain it reads and writes
  std::string notification;      // `PostNotification`: posted after each write
  host::Value fallback = false;  // `default`: shown while the domain lacks the key
  std::vector<std::string> titles;  // a list's `validTitles`
  std::vector<host::Value> values;  // a list's `validValues`, one per title
  double minimum = 0, maximum = 0;  // a slider's `min` and `max`
  std::size_t segments = 0;         // a segmented slider's `segmentCount`; 0 when continuous
  bool showsValue = false;          // a slider's `showValue`

  // A segmented slider's step between two positions.
  double step() const { return (maximum - minimum) / static_cast<double>(segments); }
};

// A section of the table: the header above its cells and the footer below.
struct PaneGroup {
  std::string header, footer;
  std::vector<PaneCell> cells;
};

struct SettingsPane {
  std::string entryLabel;  // the row in the Settings app's own list
  std::string title;       // the pane's navigation title
  std::vector<PaneGroup> groups;

  // The cell that writes `key`, or none.
  const PaneCell* cell(std::string_view key) const;
  std::vector<const PaneCell*> cells() const;
};

// The pane as the Settings app builds it from a plist-only entry: a dictionary with `entry`,
// `title` and `items`. Each cell kind needs its keys (a label, the key, the domain, a default
// of the cell's type, the notification; a list its titles and values, a slider its bounds);
// a key written by two cells, or a cell kind this simulation does not model, is refused too.
SettingsPane readPane(const host::Value& root);

// The entry as the loader finds it in its folder: a property list named after its entry's
// label. Raises PaneError for a file that is missing, unreadable or misnamed.
SettingsPane loadPane(const std::filesystem::path& file);

// What a cell shows for the domain as it stands: the stored value, or the cell's default when
// the key is absent. A stored value with no boolean or numeric reading (an array, a date)
// shows as the default, as the add-on reads it.
bool shownSwitch(const PaneCell& cell, const host::Dictionary& domain);
// The index of the list's title whose value equals the stored one (numbers compared by
// value, as NSNumber's isEqual: does); none when no offered value matches.
std::optional<std::size_t> shownChoice(const PaneCell& cell, const host::Dictionary& domain);
double shownSliderValue(const PaneCell& cell, const host::Dictionary& domain);

// What a tap writes into the cell's domain; each raises PaneTapError for a tap not offered.
// A switch writes the boolean it did not show; a list the value of the chosen title (matched
// without regard to case); a slider the float it lands on, which must be within its bounds
// and, when segmented, on one of its positions.
host::Value toggleValue(const PaneCell& cell, const host::Dictionary& domain);
host::Value chooseValue(const PaneCell& cell, std::string_view title);
host::Value slideValue(const PaneCell& cell, double position);

// Every value the cell can write: both booleans, each list value, each slider position (for a
// continuous slider its bounds and default).
std::vector<host::Value> writableValues(const PaneCell& cell);

}  // namespace sim
