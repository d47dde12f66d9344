// Condition images by name.
#include "sim/weather/image_loader.h"

#include "sim/views/view.h"

namespace sim {

std::shared_ptr<host::Image> ImageLoaderClassImpl::conditionImageNamed(std::string_view name) {
  if (!catalog_.hasImage(name)) return nullptr;
  return std::make_shared<Image>(imageClass_, std::string(name));
}

}  // namespace sim
