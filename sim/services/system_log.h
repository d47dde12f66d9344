// NSLog of a simulated process.
#pragma once

#include "host/services.h"
#include "sim/record.h"

namespace sim {

// Each line goes into the record under "log", as written.
class SystemLogImpl final : public host::SystemLog {
 public:
  explicit SystemLogImpl(Record& record) : record_(record) {}
  void write(std::string_view line) override { record_.add(facts::Logged{std::string(line)}); }

 private:
  Record& record_;
};

}  // namespace sim
