// Background asset names fitted to the screen's native size in the compatibility mode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/platform.h"

namespace nimbrel {

// Replaces -[WUIAsynchronousAssetLoader filenameForCondition:isDay:]: with the compatibility
// mode on, the name's last four characters become a size tag from half the native height.
std::optional<std::string> filenameForCondition(host::AssetLoader& self, host::Selector selector,
                                                std::int64_t condition, bool isDay);

// The name with its last four characters replaced by the size tag for half-height h.
std::string withSizeTag(const std::string& name, std::int32_t halfHeight);

}  // namespace nimbrel
