// notify(3) state: registrations by token, a 64-bit state per name, the real status codes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "host/services.h"
#include "sim/record.h"

namespace sim {

// notify_register_check, notify_get_state and notify_cancel with libnotify's codes:
// a null name is invalidName, a null out-parameter nullInput; the token is set to -1 before
// anything else; an invalid or cancelled token is invalidToken and leaves the state
// out-parameter untouched; a name's state defaults to 0 and is dropped when its last
// registration is cancelled. State set by the system side (setState) is held by a
// system-owned registration, so it survives the add-on cancelling its tokens. Records
// "notify" entries for registrations, reads and cancellations.
class NotifyState final : public host::NotifyState {
 public:
  explicit NotifyState(Record& record) : record_(record) {}

  std::uint32_t registerCheck(const char* name, int* token) override;
  std::uint32_t getState(int token, std::uint64_t* state) override;
  std::uint32_t cancel(int token) override;

  // What the system publishes (notify_set_state from its side), e.g. the display state.
  void setState(const std::string& name, std::uint64_t value);
  // Lets go of the system's registration of a name; its state goes with the last token.
  void releaseSystemState(const std::string& name);
  // The state a name has now, none when nobody holds it.
  std::optional<std::uint64_t> stateOf(const std::string& name) const;
  // Makes the next call of that kind fail with the given status (for instance serverNotFound,
  // as when the sandbox blocks notifyd).
  void failNextRegister(std::uint32_t status) { nextRegisterFailure_ = status; }
  void failNextGetState(std::uint32_t status) { nextGetStateFailure_ = status; }
  // Back to a new process's state: no names, no tokens, no failures to come.
  void reset() {
    names_.clear();
    tokens_.clear();
    nextToken_ = 0;
    nextRegisterFailure_.reset();
    nextGetStateFailure_.reset();
  }
  // Registrations the add-on holds.
  std::size_t liveTokens() const { return tokens_.size(); }

 private:
  struct NameRecord {
    std::uint64_t state = 0;
    std::size_t registrations = 0;
    bool heldBySystem = false;
  };

  void releaseIfUnheld(const std::string& name);

  Record& record_;
  std::map<std::string, NameRecord> names_;
  std::map<int, std::string> tokens_;
  int nextToken_ = 0;
  std::optional<std::uint32_t> nextRegisterFailure_;
  std::optional<std::uint32_t> nextGetStateFailure_;
};

}  // namespace sim
