// Loading add-on libraries into a simulated process the way the hook engine does: each
// library beside a filter property list that names the bundles or executables it is for.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "host/value.h"
#include "sim/record.h"

namespace sim {

// What a filter is matched against.
struct ProcessIdentity {
  std::string executableName;    // the executable file's name, e.g. "SpringBoard"
  std::string bundleIdentifier;  // e.g. "com.apple.springboard"; empty for a bare daemon
};

// Whether a filter file's root admits the process. Under "Filter", each of "Bundles" and
// "Executables" that is present must list the process; with "Mode" = "Any" one listing is
// enough. A filter that lists nothing, or is not a dictionary, admits nothing.
bool filterAdmits(const host::Value& filterFile, const ProcessIdentity& process);

// A library mapped into the process; unmapping it on destruction lets the next process map
// it afresh, with its module state back at zero.
class LoadedAddon {
 public:
  LoadedAddon(std::string name, void* handle) : name_(std::move(name)), handle_(handle) {}
  ~LoadedAddon();
  LoadedAddon(LoadedAddon&& other) noexcept;
  LoadedAddon& operator=(LoadedAddon&&) = delete;
  LoadedAddon(const LoadedAddon&) = delete;

  const std::string& name() const { return name_; }
  // The address of an exported symbol, or null.
  void* symbol(const char* name) const;

 private:
  std::string name_;
  void* handle_;
};

// Maps every "<name>.so" of the folder whose "<name>.plist" filter admits the process, in
// name order; each library's module initialisers run as it is mapped. A library without a
// readable filter is skipped, as is one the loader refuses (recorded with the reason).
std::vector<LoadedAddon> loadAddons(const std::filesystem::path& folder,
                                    const ProcessIdentity& process, Record& record);

}  // namespace sim
