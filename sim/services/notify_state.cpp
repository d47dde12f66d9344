// notify(3) state with libnotify's status codes.
#include "sim/services/notify_state.h"

#include <utility>

namespace sim {

std::uint32_t NotifyState::registerCheck(const char* name, int* token) {
  if (!name) return host::notify::invalidName;
  if (!token) return host::notify::nullInput;
  *token = host::notify::tokenInvalid;
  if (nextRegisterFailure_) {
    const auto status = *std::exchange(nextRegisterFailure_, std::nullopt);
    record_.add([&] {
      return facts::NotifyDone{facts::NotifyCall::registerName, name, 0, status};
    });
    return status;
  }
  const int made = nextToken_++;
  ++names_[name].registrations;
  tokens_.emplace(made, name);
  *token = made;
  record_.add([&] {
    return facts::NotifyDone{facts::NotifyCall::registerName, name,
                             static_cast<std::uint64_t>(made)};
  });
  return host::notify::ok;
}

std::uint32_t NotifyState::getState(int token, std::uint64_t* state) {
  const auto found = tokens_.find(token);
  if (found == tokens_.end()) return host::notify::invalidToken;
  if (!state) return host::notify::nullInput;
  if (nextGetStateFailure_) {
    const auto status = *std::exchange(nextGetStateFailure_, std::nullopt);
    record_.add([&] {
      return facts::NotifyDone{facts::NotifyCall::getState, found->second, 0, status};
    });
    return status;
  }
  *state = names_.at(found->second).state;
  record_.add([&] {
    return facts::NotifyDone{facts::NotifyCall::getState, found->second, *state};
  });
  return host::notify::ok;
}

std::uint32_t NotifyState::cancel(int token) {
  const auto found = tokens_.find(token);
  if (found == tokens_.end()) return host::notify::invalidToken;
  const std::string name = found->second;
  tokens_.erase(found);
  --names_.at(name).registrations;
  releaseIfUnheld(name);
  record_.add([&] { return facts::NotifyCancelled{token, name}; });
  return host::notify::ok;
}

void NotifyState::setState(const std::string& name, std::uint64_t value) {
  auto& record = names_[name];
  record.heldBySystem = true;
  record.state = value;
}

void NotifyState::releaseSystemState(const std::string& name) {
  const auto found = names_.find(name);
  if (found == names_.end()) return;
  found->second.heldBySystem = false;
  releaseIfUnheld(name);
}

std::optional<std::uint64_t> NotifyState::stateOf(const std::string& name) const {
  const auto found = names_.find(name);
  if (found == names_.end()) return std::nullopt;
  return found->second.state;
}

// libnotify frees a name's record, and with it the state, when nothing holds the name.
void NotifyState::releaseIfUnheld(const std::string& name) {
  const auto found = names_.find(name);
  if (found != names_.end() && found->second.registrations == 0 && !found->second.heldBySystem)
    names_.erase(found);
}

}  // namespace sim
