// Both platforms on one scenario.
#include "simulator/compare.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "simulator/default_scenario.h"
#include "simulator/runner.h"
#include "simulator/sim_world.h"

namespace nimsim {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

// A picture's drawing line by line, so that a difference points at the line that differs.
json svgLines(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return nullptr;
  json lines = json::array();
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Each picture's drawing taken in, and what must differ taken out.
void normalise(json& run) {
  if (run["final"].is_object()) run["final"].erase("platform");
  for (json& show : run["shows"])
    if (show["snapshot"].is_object()) show["snapshot"].erase("platform");
  for (json& picture : run["pictures"]) {
    const fs::path file = picture["file"].get<std::string>();
    picture["svg"] = svgLines(file);
    picture["file"] = file.filename().string();
  }
}

json valueAt(const json& document, const std::string& pointer) {
  try {
    return document.at(json::json_pointer(pointer));
  } catch (const json::exception&) {
    return nullptr;
  }
}

void collect(const json& a, const json& b, const std::string& at, std::set<std::string>& found) {
  if (a.type() != b.type() || (!a.is_structured() && a != b)) {
    found.insert(at.empty() ? "/" : at);
  } else if (a.is_object()) {
    std::set<std::string> keys;
    for (const auto& [key, value] : a.items()) keys.insert(key);
    for (const auto& [key, value] : b.items()) keys.insert(key);
    for (const std::string& key : keys) {
      // A key is escaped as a JSON pointer needs it ("~0" for "~", "~1" for "/").
      std::string escaped;
      for (char c : key) escaped += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
      const std::string path = at + "/" + escaped;
      if (!a.contains(key) || !b.contains(key))
        found.insert(path);
      else
        collect(a[key], b[key], path, found);
    }
  } else if (a.is_array()) {
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
      const std::string path = at + "/" + std::to_string(i);
      if (i >= a.size() || i >= b.size())
        found.insert(path);
      else
        collect(a[i], b[i], path, found);
    }
  }
}

// A picture that could not be read is a difference even when the other run lacks it too: the
// comparison cannot vouch for what neither side drew.
void missingPictures(const json& run, std::set<std::string>& found) {
  if (!run.contains("pictures")) return;
  for (std::size_t i = 0; i < run["pictures"].size(); ++i)
    if (run["pictures"][i]["svg"].is_null())
      found.insert("/pictures/" + std::to_string(i) + "/svg");
}

}  // namespace

std::vector<std::pair<std::string, std::string>> defaultAndExamples(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> all{{"default", std::string(defaultScenario())}};
  std::set<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".scn") files.insert(entry.path());
  for (const fs::path& file : files) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    all.emplace_back(file.stem().string(), text.str());
  }
  return all;
}

json runDocument(const Script& script, World& world, const std::string& outDir) {
  RunOptions options;
  options.json = true;
  options.outDir = outDir;
  std::ostringstream out, err;
  runScenario(script, world, options, out, err);
  return json::parse(out.str());
}

std::vector<RunDifference> compareOnPlatforms(const Script& script, const ObjcPaths& paths,
                                              const std::string& outDir) {
  return runDifferences(
      runDocument(script, *makeSimWorld(), (fs::path(outDir) / "sim").string()),
      runDocument(script, *makeObjcWorld(paths), (fs::path(outDir) / "objc").string()));
}

std::vector<RunDifference> runDifferences(json sim, json objc) {
  normalise(sim);
  normalise(objc);
  std::set<std::string> found;
  collect(sim, objc, "", found);
  std::vector<RunDifference> differences;
  for (const json* run : {&sim, &objc}) missingPictures(*run, found);
  for (const std::string& pointer : found)
    differences.push_back({pointer, valueAt(sim, pointer), valueAt(objc, pointer)});
  return differences;
}

}  // namespace nimsim
