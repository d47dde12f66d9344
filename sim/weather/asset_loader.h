// WUIAsynchronousAssetLoader: background asset names, asked through the method table.
#pragma once

#include <memory>

#include "host/methods.h"
#include "host/weather.h"
#include "sim/runtime/class.h"
#include "sim/runtime/instance.h"
#include "sim/runtime/runtime.h"
#include "sim/weather/asset_catalog.h"

namespace sim {

class AssetLoaderClassImpl;

// The shared loader. filenameForCondition:isDay: is sent through the runtime, so whatever
// implementation the class's method table holds (the original or a replacement) answers.
class SimAssetLoader final : public Instance<host::AssetLoader> {
 public:
  SimAssetLoader(AssetLoaderClassImpl& cls, Runtime& runtime);
  std::optional<std::string> filenameForCondition(std::int64_t condition, bool isDay) override;
  AssetCatalog& catalog();

 private:
  AssetLoaderClassImpl& class_;
  Runtime& runtime_;
};

// The class object: the shared loader and the catalogue it reads.
class AssetLoaderClassImpl final : public ClassImpl<host::AssetLoaderClass> {
 public:
  AssetLoaderClassImpl(ClassSetup setup, Runtime& runtime, AssetCatalog catalog)
      : ClassImpl(std::move(setup)), runtime_(runtime), catalog_(std::move(catalog)) {}

  std::shared_ptr<host::AssetLoader> sharedAssetLoader() override { return shared(); }
  std::shared_ptr<SimAssetLoader> shared();
  // The catalogue the original implementation reads; a scenario may edit it.
  AssetCatalog& catalog() { return catalog_; }
  // As at definition with that catalogue: no shared loader yet.
  void reset(AssetCatalog catalog) {
    catalog_ = std::move(catalog);
    shared_.reset();
  }

 private:
  Runtime& runtime_;
  AssetCatalog catalog_;
  std::shared_ptr<SimAssetLoader> shared_;
};

}  // namespace sim
