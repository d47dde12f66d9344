// The shell's objects the system sends messages to, besides views.
#pragma once

#include <memory>

#include "host/views.h"

namespace host {

// The lock-screen date view. On system versions without setSubtitleHidden:, sending it
// raises the platform exception; so may the other two on versions that lack them.
class DateView : public View {
 public:
  virtual std::shared_ptr<Label> timeLabel() const = 0;
  virtual void setSubtitleHidden(bool hidden) = 0;
  virtual void setDateHidden(bool hidden) = 0;
};

}  // namespace host
