// What an outside observer can see: the add-on's exported state symbols, read by name from
// the loaded library, and the platform's objects, described as JSON.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "facts/snapshot.h"
#include "host/platform.h"
#include "simulator/exported_state.h"
#include "simulator/value_json.h"

namespace nimsim {

// Names every object it is shown with a stable id, "City#3", for the whole run; an object
// that has gone away never lends its id to a newcomer at the same address.
class ObjectIds {
 public:
  std::string idOf(const std::shared_ptr<const host::Object>& object);

 private:
  struct Entry {
    std::weak_ptr<const host::Object> object;
    std::string id;
  };
  std::map<const void*, Entry> entries_;
  std::map<std::string, int> counters_;
};

// The view's rectangle in its window (the root of its tree): its bounds' corners taken
// through every transform and position up the tree, as a bounding box.
host::Rect windowFrame(const host::View& view);

// Describers. `start` is the scenario's first moment: times are seconds since then.
class Describer {
 public:
  Describer(ObjectIds& ids, double start) : ids_(ids), start_(start) {}

  nlohmann::json view(const std::shared_ptr<host::View>& view);
  nlohmann::json city(const std::shared_ptr<host::City>& city);
  nlohmann::json timer(const std::shared_ptr<host::Timer>& timer);
  // The view and every descendant, nested under "subviews".
  nlohmann::json tree(const std::shared_ptr<host::View>& root, int depthLimit = 64);
  // The nine symbols, under their own names; whether the add-on loaded is the caller's to say.
  facts::AddonFacts exported(const ExportedState& state);
  std::string idOf(const std::shared_ptr<const host::Object>& object) { return ids_.idOf(object); }
  // How a view's tree is named by its root ("lockScreen", "wallpaper"), or none for a view
  // outside the shell's trees; every view is in no named tree until this is given.
  void nameTrees(std::function<std::optional<std::string>(const host::View& root)> namer) {
    treeName_ = std::move(namer);
  }

 private:
  ObjectIds& ids_;
  double start_;
  std::function<std::optional<std::string>(const host::View& root)> treeName_;
};

using facts::number;

}  // namespace nimsim
