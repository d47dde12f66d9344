#include "events/asset_names.h"

#include "state/conversions.h"
#include "state/shared_state.h"
#include "state/view_terms.h"

namespace nimbrel {

namespace {

constexpr std::size_t kReplacedLength = 4;
constexpr std::int32_t kSmallPhoneHeight = 568;
constexpr std::int32_t kPlusPhoneHeight = 736;

std::string sizeTag(std::int32_t halfHeight) {
  if (halfHeight == kSmallPhoneHeight) return "568m";
  return std::to_string(halfHeight) + "h";
}

}  // namespace

std::string withSizeTag(const std::string& name, std::int32_t halfHeight) {
  const std::size_t length = host::strings::length(name);
  // A shorter name has no four characters to replace; it is left as it is.
  if (length < kReplacedLength) return name;
  std::string tagged = host::strings::replacingCharactersInRange(
      name, length - kReplacedLength, kReplacedLength, sizeTag(halfHeight));
  if (halfHeight == kPlusPhoneHeight)
    tagged = host::strings::replacingOccurrences(tagged, "@2x", "@3x");
  return tagged;
}

std::optional<std::string> filenameForCondition(host::AssetLoader& self, host::Selector selector,
                                                std::int64_t condition, bool isDay) {
  SharedState& s = state();
  std::optional<std::string> name =
      s.previous.filenameForCondition
          ? s.previous.filenameForCondition(self, selector, condition, isDay)
          : std::nullopt;
  if (!name || !s.settings.reScaleCompatibility) return name;
  const std::optional<host::Size> native = nativeDisplaySize(host::platform().mainScreen());
  if (!native) return name;
  return withSizeTag(*name, truncateToInt32(native->height * 0.5));
}

}  // namespace nimbrel
