// WeatherImageLoader's class methods over the condition image catalogue.
#pragma once

#include <memory>

#include "host/weather.h"
#include "sim/runtime/class.h"
#include "sim/weather/image_catalog.h"

namespace sim {

class ImageLoaderClassImpl final : public ClassImpl<host::ImageLoaderClass> {
 public:
  ImageLoaderClassImpl(ClassSetup setup, host::Class& imageClass, ImageCatalog catalog)
      : ClassImpl(std::move(setup)), imageClass_(imageClass), catalog_(std::move(catalog)) {}

  std::optional<std::string> conditionImageNameWithConditionIndex(std::int64_t index) override {
    return catalog_.nameForIndex(index);
  }
  // A new UIImage of that name, or none when the catalogue has no such image.
  std::shared_ptr<host::Image> conditionImageNamed(std::string_view name) override;

  ImageCatalog& catalog() { return catalog_; }

 private:
  host::Class& imageClass_;
  ImageCatalog catalog_;
};

}  // namespace sim
