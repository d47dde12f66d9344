// The add-on's exported state symbols, read by name from the loaded library, the same way on
// every platform.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/platform.h"

namespace nimsim {

// The nine exported data symbols of the add-on, found with dlsym; a missing one is null.
struct ExportedState {
  std::shared_ptr<host::WeatherBackground>* weatherView = nullptr;
  std::shared_ptr<host::City>* city = nullptr;
  std::shared_ptr<host::City>* backupCity = nullptr;
  std::optional<host::Date>* lastUpdate = nullptr;
  std::shared_ptr<host::WeatherBackground>* weatherBackground = nullptr;
  std::shared_ptr<host::Timer>* randomTimer = nullptr;
  std::shared_ptr<host::PlatterViewController>* wthrView = nullptr;
  std::shared_ptr<host::TodayHeaderView>* weatherHeaderView = nullptr;
  bool* alertShown = nullptr;

  // The names of the symbols that were not found.
  std::vector<std::string> missing;
};

// Reads the symbols through a look-up by name (dlsym on the loaded library).
ExportedState readExportedState(const std::function<void*(const char*)>& lookUp);

}  // namespace nimsim
