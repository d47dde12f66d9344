// Property-list files: reading binary, XML and OpenStep text into host values, writing XML.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "host/value.h"

namespace sim {

// Any property list from its bytes: binary ("bplist00"), XML, or OpenStep text, tried in
// that order as CoreFoundation does. None for malformed, truncated or empty input, for what
// the limits every platform keeps refuse (plist/limits.h: too large, too deeply nested;
// libplist 2.2 recurses once per level and overflows its stack a few thousand levels down),
// and for kinds this simulation does not model (UID, null, sets, integers wider than 64
// bits).
std::optional<host::Value> parsePropertyList(std::string_view bytes);

// The property list in a file; none for a missing or unreadable file and whatever
// parsePropertyList refuses.
std::optional<host::Value> readPropertyList(const std::string& path);

// dictionaryWithContentsOfFile: the file's root dictionary, or none (also for another root).
std::optional<host::Dictionary> readDictionary(const std::string& path);

// A small file read again unchanged is not parsed again: equal bytes give equal values.
// After this every read parses, as on the phone: for measuring a read that does.
void forgetRecentParses();

// The XML form of a property list, keys sorted; reals keep 17 significant digits (nan and
// +-infinity as Apple spells them), dates whole seconds. None when a value cannot be written:
// a date outside what libplist holds (32-bit seconds from 2001) or text with a NUL in it.
std::optional<std::string> xmlPropertyList(const host::Value& root);

// A write made to fail the way the phone's storage can fail one, to show what a failed write
// leaves behind.
enum class WriteFault {
  none,
  noSpace,        // the disk fills after part of the bytes are written
  renameRefused,  // the temporary file is written whole, then renaming it over the target fails
  temporaryFile,  // the temporary file cannot be created
};

// writeToFile:atomically: writes XML. Atomically: a uniquely named temporary file in the
// same folder, renamed over the target, removed on failure, so a failed write leaves the
// target as it was. Otherwise truncates and writes in place. False, writing nothing, when the
// value cannot be written or the folder is missing. With a fault, false: an atomic write
// fails at that step and leaves no temporary file; an in-place write (no temporary file, no
// rename) fails to open the target for renameRefused and temporaryFile, and for noSpace
// leaves the target truncated to the part written.
bool writePropertyList(const host::Value& root, const std::string& path, bool atomically,
                       WriteFault fault = WriteFault::none);

}  // namespace sim
