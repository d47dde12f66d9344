// Property-list files through libplist 2.2, guarded by our own checks of size, nesting and
// integer syntax, plus our own parser for the OpenStep text form.
#include "sim/foundation/property_list.h"

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "plist/limits.h"
#include "sim/foundation/openstep_plist.h"
#include "sim/foundation/xml_plist_prepare.h"

namespace sim {

namespace {

// libplist counts dates from 2001-01-01, host dates from 1970-01-01.
constexpr double secondsFrom1970To2001 = 978307200.0;

struct NodeDeleter {
  void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

struct MallocDeleter {
  void operator()(void* memory) const { std::free(memory); }
};

std::optional<host::Value> valueFromNode(plist_t node);

// libplist keeps one flag it does not expose: whether an integer above INT64_MAX was read
// as unsigned (it prints it unsigned) or is a negative number. Its XML form tells.
bool isUnsignedAboveInt64(plist_t node) {
  Node copy(plist_copy(node));
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(copy.get(), &xml, &length);
  std::unique_ptr<char, MallocDeleter> owned(xml);
  return xml && !std::strstr(xml, "<integer>-");
}

host::Value integerFromNode(plist_t node) {
  std::uint64_t bits = 0;
  plist_get_uint_val(node, &bits);
  if (bits > static_cast<std::uint64_t>(INT64_MAX) && isUnsignedAboveInt64(node))
    return host::Value(host::UnsignedInteger{bits});
  return host::Value(static_cast<std::int64_t>(bits));
}

std::optional<host::Value> arrayFromNode(plist_t node) {
  host::Array array;
  const std::uint32_t size = plist_array_get_size(node);
  array.reserve(size);
  for (std::uint32_t i = 0; i < size; ++i) {
    auto element = valueFromNode(plist_array_get_item(node, i));
    if (!element) return std::nullopt;
    array.push_back(std::move(*element));
  }
  return host::Value(std::move(array));
}

std::optional<host::Value> dictionaryFromNode(plist_t node) {
  host::Dictionary dictionary;
  plist_dict_iter iterator = nullptr;
  plist_dict_new_iter(node, &iterator);
  std::unique_ptr<void, MallocDeleter> ownedIterator(iterator);
  for (;;) {
    char* key = nullptr;
    plist_t item = nullptr;
    plist_dict_next_item(node, iterator, &key, &item);
    std::unique_ptr<char, MallocDeleter> ownedKey(key);
    if (!item || !key) break;
    auto value = valueFromNode(item);
    if (!value) return std::nullopt;
    dictionary.insert_or_assign(std::string(key), std::move(*value));
  }
  // Made in place: destroying a moved-from temporary Value here makes g++ 12 at -O3 report a
  // false -Wmaybe-uninitialized inside std::variant.
  return std::optional<host::Value>(std::in_place, std::move(dictionary));
}

std::optional<host::Value> valueFromNode(plist_t node) {
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      std::uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return host::Value(b != 0);
    }
    case PLIST_UINT:
      return integerFromNode(node);
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      return host::Value(d);
    }
    case PLIST_STRING: {
      std::uint64_t length = 0;
      const char* text = plist_get_string_ptr(node, &length);
      return host::Value(std::string(text ? text : "", text ? length : 0));
    }
    case PLIST_DATA: {
      std::uint64_t length = 0;
      const char* bytes = plist_get_data_ptr(node, &length);
      host::Data data;
      if (bytes) data.bytes.assign(bytes, bytes + length);
      return host::Value(std::move(data));
    }
    case PLIST_DATE: {
      std::int32_t seconds = 0, microseconds = 0;
      plist_get_date_val(node, &seconds, &microseconds);
      return host::Value(host::Date{secondsFrom1970To2001 + seconds + microseconds / 1e6});
    }
    case PLIST_ARRAY:
      return arrayFromNode(node);
    case PLIST_DICT:
      return dictionaryFromNode(node);
    default:
      return std::nullopt;  // UID and the like are not property-list values here
  }
}

// libplist 2.2 leaves the output untouched on failure, so it must start null.
std::optional<host::Value> parseWithLibplist(std::string_view bytes, bool binary) {
  plist_t root = nullptr;
  const auto length = static_cast<std::uint32_t>(bytes.size());
  if (binary)
    plist_from_bin(bytes.data(), length, &root);
  else
    plist_from_xml(bytes.data(), length, &root);
  Node owned(root);
  if (!root) return std::nullopt;
  return valueFromNode(root);
}

bool looksLikeXml(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const auto first = bytes.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && bytes[first] == '<' && bytes.size() > first + 1 &&
         (bytes[first + 1] == '?' || bytes[first + 1] == '!' ||
          bytes.substr(first).starts_with("<plist"));
}

Node nodeFromValue(const host::Value& value);

// libplist keeps text NUL-terminated, so text with a NUL in it would be cut short.
bool hasNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

// plist_new_uint marks every value as signed; an unsigned one above INT64_MAX is made by
// parsing its decimal form, which is how libplist marks it unsigned.
Node unsignedNode(std::uint64_t value) {
  if (value <= static_cast<std::uint64_t>(INT64_MAX)) return Node(plist_new_uint(value));
  const std::string xml =
      "<plist version=\"1.0\"><integer>" + std::to_string(value) + "</integer></plist>";
  plist_t node = nullptr;
  plist_from_xml(xml.data(), static_cast<std::uint32_t>(xml.size()), &node);
  return Node(node);
}

Node dateNode(host::Date date) {
  const double since2001 = date.secondsSince1970 - secondsFrom1970To2001;
  if (!std::isfinite(since2001) || since2001 < INT32_MIN || since2001 >= INT32_MAX) return nullptr;
  const double whole = std::floor(since2001);
  return Node(plist_new_date(static_cast<std::int32_t>(whole),
                             static_cast<std::int32_t>((since2001 - whole) * 1e6)));
}

Node containerNode(const host::Value& value) {
  if (auto array = value.get<host::Array>()) {
    Node node(plist_new_array());
    for (const auto& element : *array) {
      Node child = nodeFromValue(element);
      if (!child) return nullptr;
      plist_array_append_item(node.get(), child.release());
    }
    return node;
  }
  Node node(plist_new_dict());
  for (const auto& [key, element] : *value.get<host::Dictionary>()) {
    Node child = nodeFromValue(element);
    if (!child || hasNul(key)) return nullptr;
    plist_dict_set_item(node.get(), key.c_str(), child.release());
  }
  return node;
}

Node nodeFromValue(const host::Value& value) {
  const auto& storage = value.storage();
  if (auto b = std::get_if<bool>(&storage)) return Node(plist_new_bool(*b ? 1 : 0));
  if (auto i = std::get_if<std::int64_t>(&storage))
    return Node(plist_new_uint(static_cast<std::uint64_t>(*i)));
  if (auto u = std::get_if<host::UnsignedInteger>(&storage)) return unsignedNode(u->value);
  if (auto d = std::get_if<double>(&storage)) return Node(plist_new_real(*d));
  if (auto s = std::get_if<std::string>(&storage))
    return hasNul(*s) ? nullptr : Node(plist_new_string(s->c_str()));
  if (auto data = std::get_if<host::Data>(&storage))
    return Node(
        plist_new_data(reinterpret_cast<const char*>(data->bytes.data()), data->bytes.size()));
  if (auto date = std::get_if<host::Date>(&storage)) return dateNode(*date);
  return containerNode(value);
}

bool writeAll(int descriptor, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(descriptor, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A full disk takes the first half of the bytes, then refuses the rest.
bool writeAllOrFillUp(int descriptor, std::string_view text, WriteFault fault) {
  if (fault != WriteFault::noSpace) return writeAll(descriptor, text);
  writeAll(descriptor, text.substr(0, text.size() / 2));
  return false;
}

// The temporary file takes the target's name so that a leftover one says whose it was. No
// fsync: the platform's atomic write promises a reader the old or the new file, which the
// rename gives, not that the new one survives a power cut.
bool writeAtomically(const std::string& path, std::string_view text, WriteFault fault) {
  if (fault == WriteFault::temporaryFile) return false;
  const auto slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temporary = folderOf(path) + "/." + name + ".tmp.XXXXXX";
  const int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) return false;
  const bool written = writeAllOrFillUp(descriptor, text, fault);
  const bool closed = ::close(descriptor) == 0;
  if (written && closed && ::fchmodat(AT_FDCWD, temporary.c_str(), 0644, 0) == 0 &&
      fault != WriteFault::renameRefused && ::rename(temporary.c_str(), path.c_str()) == 0)
    return true;
  ::unlink(temporary.c_str());
  return false;
}

bool writeInPlace(const std::string& path, std::string_view text, WriteFault fault) {
  if (fault == WriteFault::temporaryFile || fault == WriteFault::renameRefused) return false;
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (descriptor < 0) return false;
  const bool written = writeAllOrFillUp(descriptor, text, fault);
  return ::close(descriptor) == 0 && written;
}

// The whole file, or none when it cannot be read or holds more than the limit.
std::optional<std::string> readBytes(const std::string& path, std::size_t limit) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  std::string bytes;
  struct stat status {};
  if (::fstat(descriptor, &status) == 0 && status.st_size > 0)
    bytes.reserve(std::min(static_cast<std::size_t>(status.st_size), limit + 1));
  char buffer[16384];
  bool failed = false;
  while (bytes.size() <= limit) {
    const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      failed = got < 0;
      break;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(descriptor);
  if (failed || bytes.size() > limit) return std::nullopt;
  return bytes;
}

// Settings and cache files are read far more often than they change, and parsing is the
// dear part of a read; equal bytes parse to equal values, so a small file read again
// unchanged is not parsed again.
class RecentParses {
 public:
  std::optional<host::Value> parse(std::string bytes) {
    if (bytes.size() > largestKept) return parsePropertyList(bytes);
    for (const Entry& entry : entries_)
      if (entry.bytes == bytes) return entry.value;
    Entry& slot = entries_[next_];
    next_ = (next_ + 1) % entries_.size();
    slot.value = parsePropertyList(bytes);
    slot.bytes = std::move(bytes);
    return slot.value;
  }
  void forget() { entries_ = {}; }

 private:
  static constexpr std::size_t largestKept = 64 * 1024;
  struct Entry {
    std::string bytes;
    std::optional<host::Value> value;
  };
  std::array<Entry, 4> entries_;
  std::size_t next_ = 0;
};

thread_local RecentParses recentParses;

}  // namespace

std::optional<host::Value> parsePropertyList(std::string_view bytes) {
  if (bytes.empty() || !nimbrel::plist::withinLimits(bytes)) return std::nullopt;
  if (bytes.starts_with("bplist00")) return parseWithLibplist(bytes, true);
  if (looksLikeXml(bytes)) {
    const auto prepared = prepareXmlPropertyList(bytes);
    if (!prepared) return std::nullopt;
    return parseWithLibplist(*prepared, false);
  }
  return parseOpenStepPropertyList(bytes, nimbrel::plist::maxDepth);
}

std::optional<host::Value> readPropertyList(const std::string& path) {
  std::optional<std::string> bytes = readBytes(path, nimbrel::plist::maxBytes);
  if (!bytes) return std::nullopt;
  return recentParses.parse(std::move(*bytes));
}

void forgetRecentParses() { recentParses.forget(); }

std::optional<host::Dictionary> readDictionary(const std::string& path) {
  auto value = readPropertyList(path);
  if (!value) return std::nullopt;
  auto dictionary = value->get<host::Dictionary>();
  if (!dictionary) return std::nullopt;
  return std::move(*dictionary);
}

std::optional<std::string> xmlPropertyList(const host::Value& root) {
  Node node = nodeFromValue(root);
  if (!node) return std::nullopt;
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(node.get(), &xml, &length);
  std::unique_ptr<char, MallocDeleter> owned(xml);
  if (!xml) return std::nullopt;
  return std::string(xml, length);
}

bool writePropertyList(const host::Value& root, const std::string& path, bool atomically,
                       WriteFault fault) {
  const auto xml = xmlPropertyList(root);
  if (!xml) return false;
  return atomically ? writeAtomically(path, *xml, fault) : writeInPlace(path, *xml, fault);
}

}  // namespace sim
