// Property-list files and preferences domains stored under a simulated device's folder.
#include "sim/services/device_files.h"

#include <stdexcept>
#include <utility>

#include "sim/foundation/property_list.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view preferencesFolder = "/var/mobile/Library/Preferences";

// Why a write failed, when a fault was injected.
std::string faultText(WriteFault fault) {
  switch (fault) {
    case WriteFault::none:
      return "";
    case WriteFault::noSpace:
      return "no space";
    case WriteFault::renameRefused:
      return "rename refused";
    case WriteFault::temporaryFile:
      return "no temporary file";
  }
  return "";
}

}  // namespace

std::optional<std::string> mapDevicePathText(const fs::path& deviceRoot,
                                             std::string_view devicePath) {
  if (!devicePath.starts_with('/'))
    throw std::invalid_argument("not modelled: the relative device path \"" +
                                std::string(devicePath) + "\"");
  // Built as text, a part at a time: every file the add-on reads or writes comes through
  // here, and a std::filesystem::path splits itself into parts at every change.
  std::string normal;
  normal.reserve(devicePath.size());
  for (std::string_view rest = devicePath; !rest.empty();) {
    const auto slash = rest.find('/');
    const auto part = rest.substr(0, slash);
    rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (normal.empty()) return std::nullopt;
      normal.resize(normal.rfind('/'));
      continue;
    }
    normal += '/';
    normal += part;
  }
  if (normal == "/User" || normal.starts_with("/User/")) normal.replace(0, 5, "/var/mobile");
  std::string_view root = deviceRoot.native();
  if (root.ends_with('/')) root.remove_suffix(1);
  std::string mapped;
  mapped.reserve(root.size() + normal.size());
  mapped.append(root).append(normal);
  return mapped;
}

std::optional<fs::path> mapDevicePath(const fs::path& deviceRoot, std::string_view devicePath) {
  return mapDevicePathText(deviceRoot, devicePath);
}

std::optional<host::Dictionary> PropertyListFileSystem::dictionaryWithContentsOfFile(
    std::string_view path) {
  const auto mapped = mapDevicePathText(root_, path);
  if (!mapped) {
    record_.add([&] { return facts::FileRefused{std::string(path)}; });
    return std::nullopt;
  }
  std::optional<host::Dictionary> dictionary = readDictionary(*mapped);
  record_.add([&] {
    return facts::FileRead{std::string(path),
                           dictionary ? std::optional(dictionary->size()) : std::nullopt};
  });
  return dictionary;
}

bool PropertyListFileSystem::writeToFile(const host::Dictionary& dictionary, std::string_view path,
                                         bool atomically) {
  ++writeRequests_;
  const WriteFault fault = std::exchange(nextWriteFault_, WriteFault::none);
  const auto mapped = mapDevicePathText(root_, path);
  if (!mapped) {
    record_.add([&] { return facts::FileRefused{std::string(path)}; });
    return false;
  }
  if (!writePropertyList(host::Value(dictionary), *mapped, atomically, fault)) {
    record_.add([&] { return facts::FileWriteFailed{std::string(path), faultText(fault)}; });
    return false;
  }
  record_.add([&] { return facts::FileWritten{std::string(path), dictionary.size()}; });
  return true;
}

std::string PreferencesStore::domainPath(std::string_view domain) const {
  if (domain.empty() || domain == "." || domain == ".." ||
      domain.find('/') != std::string_view::npos)
    throw std::invalid_argument("not modelled: the preferences domain \"" + std::string(domain) +
                                "\"");
  return *mapDevicePathText(root_,
                            std::string(preferencesFolder) + "/" + std::string(domain) + ".plist");
}

fs::path PreferencesStore::domainFile(std::string_view domain) const { return domainPath(domain); }

host::Dictionary PreferencesStore::domainValues(std::string_view domain) const {
  return readDictionary(domainPath(domain)).value_or(host::Dictionary{});
}

std::optional<host::Array> PreferencesStore::copyKeyList(std::string_view domain) {
  const auto values = domainValues(domain);
  if (values.empty()) {
    record_.add([&] {
      return facts::PreferencesRead{facts::PreferencesCall::keyList, std::string(domain)};
    });
    return std::nullopt;
  }
  host::Array keys;
  for (const auto& [key, value] : values) keys.emplace_back(key);
  record_.add([&] {
    return facts::PreferencesRead{facts::PreferencesCall::keyList, std::string(domain),
                                  keys.size()};
  });
  return keys;
}

std::optional<host::Dictionary> PreferencesStore::copyMultiple(const host::Array* keys,
                                                               std::string_view domain) {
  if (!keys || failNextCopyMultiple_) {
    failNextCopyMultiple_ = false;
    record_.add([&] {
      return facts::PreferencesRead{facts::PreferencesCall::values, std::string(domain)};
    });
    return std::nullopt;
  }
  const auto values = domainValues(domain);
  host::Dictionary found;
  for (const auto& key : *keys) {
    const auto* name = key.get<std::string>();
    if (!name) throw std::invalid_argument("not modelled: a preferences key that is not a string");
    if (const auto* value = host::objectForKey(&values, *name))
      found.insert_or_assign(*name, *value);
  }
  record_.add([&] {
    return facts::PreferencesRead{facts::PreferencesCall::values, std::string(domain),
                                  found.size()};
  });
  return found;
}

void PreferencesStore::setDomain(std::string_view domain, const host::Dictionary& values) {
  const auto file = domainFile(domain);
  fs::create_directories(file.parent_path());
  if (!writePropertyList(host::Value(values), file.string(), true))
    throw std::runtime_error("could not write the preferences file " + file.string());
}

void PreferencesStore::set(std::string_view domain, const std::string& key, host::Value value) {
  auto values = domainValues(domain);
  values.insert_or_assign(key, std::move(value));
  setDomain(domain, values);
}

void PreferencesStore::remove(std::string_view domain, const std::string& key) {
  auto values = domainValues(domain);
  if (values.erase(key) == 0) return;
  setDomain(domain, values);
}

}  // namespace sim
