// Property-list files and preferences domains stored under a simulated device's folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "host/services.h"
#include "sim/foundation/property_list.h"
#include "sim/record.h"

namespace sim {

// An absolute device path mapped under the device folder. "/User" is the phone's link to
// "/var/mobile" and maps there. None for a path whose ".." would leave the device folder;
// a relative path is not modelled and raises std::invalid_argument.
std::optional<std::filesystem::path> mapDevicePath(const std::filesystem::path& deviceRoot,
                                                   std::string_view devicePath);
// The same, as the host path's text.
std::optional<std::string> mapDevicePathText(const std::filesystem::path& deviceRoot,
                                             std::string_view devicePath);

// NSDictionary's file reading and writing on device paths. Nothing outside the device
// folder is read or written: an escaping path reads as none and fails to write, recorded as
// "refused <path>" under "file". Reads are recorded as "read <path> (<n> keys)" or "read <path>:
// none", writes as "wrote <path> (<n> keys)" or "failed to write <path>" (with ": no space",
// ": rename refused" or ": no temporary file" when an injected fault made it fail).
class PropertyListFileSystem final : public host::PropertyListFiles {
 public:
  PropertyListFileSystem(std::filesystem::path deviceRoot, Record& record)
      : root_(std::move(deviceRoot)), record_(record) {}

  std::optional<host::Dictionary> dictionaryWithContentsOfFile(std::string_view path) override;
  bool writeToFile(const host::Dictionary& dictionary, std::string_view path,
                   bool atomically) override;

  const std::filesystem::path& deviceRoot() const { return root_; }

  // The next writeToFile fails with this fault (see WriteFault), whatever its path; the one
  // after writes normally.
  void failNextWrite(WriteFault fault) { nextWriteFault_ = fault; }
  // Forgets a fault not used yet, as a new process would.
  void clearFailures() { nextWriteFault_ = WriteFault::none; }
  // How many writes were asked for, failed ones included: files can change by no other way
  // through this interface.
  std::uint64_t writeRequests() const { return writeRequests_; }

 private:
  std::filesystem::path root_;
  Record& record_;
  WriteFault nextWriteFault_ = WriteFault::none;
  std::uint64_t writeRequests_ = 0;
};

// CFPreferences for the mobile user: one property-list file per domain at
// "/var/mobile/Library/Preferences/<domain>.plist" under the device folder, read at every
// call. Each query is recorded under "preferences". The typed writes are for tests and the
// simulator (the settings pane's side).
class PreferencesStore final : public host::Preferences {
 public:
  PreferencesStore(std::filesystem::path deviceRoot, Record& record)
      : root_(std::move(deviceRoot)), record_(record) {}

  std::optional<host::Array> copyKeyList(std::string_view domain) override;
  std::optional<host::Dictionary> copyMultiple(const host::Array* keys,
                                               std::string_view domain) override;

  // The domain's file on the host. A domain name that is empty, "." or "..", or holds a
  // slash, is not modelled and raises std::invalid_argument.
  std::filesystem::path domainFile(std::string_view domain) const;
  // The whole domain; empty when it has no file or the file is unreadable.
  host::Dictionary domainValues(std::string_view domain) const;
  // Sets or removes one key, writing the domain's file atomically (making its folder).
  // Raise std::runtime_error when the file cannot be written.
  void set(std::string_view domain, const std::string& key, host::Value value);
  void remove(std::string_view domain, const std::string& key);
  // Replaces the whole domain.
  void setDomain(std::string_view domain, const host::Dictionary& values);
  // The next value fetch yields nothing, as when the preferences daemon cannot be reached.
  void failNextCopyMultiple() { failNextCopyMultiple_ = true; }
  // No failure to come.
  void clearFailures() { failNextCopyMultiple_ = false; }

 private:
  std::string domainPath(std::string_view domain) const;

  std::filesystem::path root_;
  Record& record_;
  bool failNextCopyMultiple_ = false;
};

}  // namespace sim
