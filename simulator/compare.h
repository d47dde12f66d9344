// One scenario on both platforms, the simulated one and the real Objective-C runtime, and
// where their runs differ: what `nimsim compare`, the comparison test and the differential
// fuzzer share.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "simulator/objc_world.h"
#include "simulator/script.h"

namespace nimsim {

// A place where the two runs' JSON documents differ, and what each has there (null for
// nothing).
struct RunDifference {
  std::string pointer;  // "/trace/12/text"
  nlohmann::json sim, objc;
};

// The default scenario, then each scenario file of the folder by name: a name (the file's
// stem, "default") and the text.
std::vector<std::pair<std::string, std::string>> defaultAndExamples(const std::string& folder);

// The run as the JSON document of `nimsim run --json`, its pictures drawn into `outDir`.
nlohmann::json runDocument(const Script& script, World& world, const std::string& outDir);

// Runs the script on both platforms and lists every difference but the two that must be:
// the snapshots' "platform" (the runtime's runs name theirs), and the pictures' folders (each
// platform draws into its own, under `outDir`). Each picture's drawing is compared line by
// line, under "/pictures/N/svg"; a picture missing on either side, or on both, differs there.
std::vector<RunDifference> compareOnPlatforms(const Script& script, const ObjcPaths& paths,
                                              const std::string& outDir);
// The same for two run documents whose pictures are still where they say.
std::vector<RunDifference> runDifferences(nlohmann::json sim, nlohmann::json objc);

}  // namespace nimsim
