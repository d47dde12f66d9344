// The asset loader and its original name look-up.
#include "sim/weather/asset_loader.h"

#include <stdexcept>

#include "sim/originals.h"

namespace sim {

SimAssetLoader::SimAssetLoader(AssetLoaderClassImpl& cls, Runtime& runtime)
    : Instance(cls), class_(cls), runtime_(runtime) {}

std::optional<std::string> SimAssetLoader::filenameForCondition(std::int64_t condition,
                                                                bool isDay) {
  host::AssetLoader& self = *this;
  return runtime_.send<host::methods::FilenameForCondition>(self, condition, isDay);
}

AssetCatalog& SimAssetLoader::catalog() { return class_.catalog(); }

std::shared_ptr<SimAssetLoader> AssetLoaderClassImpl::shared() {
  if (!shared_) shared_ = std::make_shared<SimAssetLoader>(*this, runtime_);
  return shared_;
}

std::optional<std::string> originals::filenameForCondition(host::AssetLoader& self, host::Selector,
                                                           std::int64_t condition, bool isDay) {
  auto* loader = dynamic_cast<SimAssetLoader*>(&self);
  if (!loader)
    throw std::logic_error("not modelled: -filenameForCondition:isDay: on a foreign loader");
  return loader->catalog().filename(condition, isDay);
}

}  // namespace sim
