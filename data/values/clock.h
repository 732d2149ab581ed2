// The clock that statements, the date repair and the backups read the time from.
//
// Tests give a clock that stands still; everything else reads the computer's. Whoever opens a
// connection hands it the clock of the host it works for, so that Now(), Date(), Time() and the
// current year of "#12/9#" agree with the date the repair uses and the name of its backup folder.
#pragma once

#include "data/values/datetime.h"

namespace ornetta {

class Clock {
 public:
  virtual ~Clock() = default;

  // The local date and time now, to the second.
  virtual CivilDateTime Now() const = 0;
};

// The computer's clock, in local time (the TZ rules of the system). Shared by every thread: it
// holds no state.
const Clock& SystemClock();

}  // namespace ornetta
