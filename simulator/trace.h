// The readable trace: one line per thing the simulated platform saw happen, with virtual time.
#pragma once

#include <string>

#include "sim/record.h"
#include "simulator/script.h"

namespace nimsim {

// "    12.000s  hook      replaced SBLockScreenDateViewController -dateView": the time is
// the virtual seconds since `start`, the scenario's first moment.
std::string formatTraceLine(const sim::RecordEntry& entry, double start);

// "line 14: lock": the scenario step the following lines belong to.
std::string formatStepLine(const Statement& statement);

// Seconds as the trace writes them: fixed, three decimals.
std::string formatSeconds(double seconds);

}  // namespace nimsim
