// Mapping add-on libraries whose filter file admits the process, and unmapping them.
#include "sim/process/addon_loader.h"

#include <dlfcn.h>

#include <algorithm>

#include "sim/foundation/property_list.h"

namespace sim {

namespace {

bool lists(const host::Value* names, const std::string& wanted) {
  const host::Array* array = names ? names->get<host::Array>() : nullptr;
  if (!array || wanted.empty()) return false;
  return std::any_of(array->begin(), array->end(), [&](const host::Value& name) {
    const std::string* text = name.get<std::string>();
    return text && *text == wanted;
  });
}

std::vector<std::filesystem::path> librariesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> libraries;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (entry.path().extension() == ".so") libraries.push_back(entry.path());
  std::sort(libraries.begin(), libraries.end());
  return libraries;
}

}  // namespace

bool filterAdmits(const host::Value& filterFile, const ProcessIdentity& process) {
  const host::Dictionary* root = filterFile.get<host::Dictionary>();
  const host::Value* filterValue = host::objectForKey(root, "Filter");
  const host::Dictionary* filter = filterValue ? filterValue->get<host::Dictionary>() : nullptr;
  if (!filter) return false;

  const host::Value* bundles = host::objectForKey(filter, "Bundles");
  const host::Value* executables = host::objectForKey(filter, "Executables");
  if (!bundles && !executables) return false;
  const bool bundleListed = lists(bundles, process.bundleIdentifier);
  const bool executableListed = lists(executables, process.executableName);

  const host::Value* mode = host::objectForKey(filter, "Mode");
  const std::string* modeText = mode ? mode->get<std::string>() : nullptr;
  if (modeText && *modeText == "Any") return bundleListed || executableListed;
  return (!bundles || bundleListed) && (!executables || executableListed);
}

LoadedAddon::~LoadedAddon() {
  if (handle_) dlclose(handle_);
}

LoadedAddon::LoadedAddon(LoadedAddon&& other) noexcept
    : name_(std::move(other.name_)), handle_(other.handle_) {
  other.handle_ = nullptr;
}

void* LoadedAddon::symbol(const char* name) const {
  return handle_ ? dlsym(handle_, name) : nullptr;
}

std::vector<LoadedAddon> loadAddons(const std::filesystem::path& folder,
                                    const ProcessIdentity& process, Record& record) {
  std::vector<LoadedAddon> loaded;
  for (const std::filesystem::path& library : librariesIn(folder)) {
    const std::string name = library.stem().string();
    std::filesystem::path filterPath = library;
    filterPath.replace_extension(".plist");
    const std::optional<host::Value> filter = readPropertyList(filterPath.string());
    if (!filter || !filterAdmits(*filter, process)) {
      record.add([&] {
        return facts::AddonLoad{
            name, filter ? facts::LoadStep::filterDoesNotMatch : facts::LoadStep::noFilter};
      });
      continue;
    }
    record.add([&] { return facts::AddonLoad{name, facts::LoadStep::loading}; });
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* reason = dlerror();
      record.add([&] {
        return facts::AddonLoad{name, facts::LoadStep::refused, reason ? reason : "unknown error"};
      });
      continue;
    }
    loaded.emplace_back(name, handle);
  }
  return loaded;
}

}  // namespace sim
