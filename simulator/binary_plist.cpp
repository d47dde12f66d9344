// Binary property lists through libplist: the platform's XML form converted.
#include "simulator/binary_plist.h"

#include <plist/plist.h>

#include <cstdlib>

#include "sim/foundation/property_list.h"

namespace nimsim {

std::optional<std::string> binaryPropertyList(const host::Value& root) {
  std::optional<std::string> xml = sim::xmlPropertyList(root);
  if (!xml) return std::nullopt;
  plist_t node = nullptr;
  plist_from_xml(xml->data(), static_cast<uint32_t>(xml->size()), &node);
  if (!node) return std::nullopt;
  char* bytes = nullptr;
  uint32_t length = 0;
  plist_to_bin(node, &bytes, &length);
  plist_free(node);
  if (!bytes) return std::nullopt;
  std::string out(bytes, length);
  free(bytes);
  return out;
}

}  // namespace nimsim
