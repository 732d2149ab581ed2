// Names that sort by the time they were made.
#pragma once

#include <string>

#include "data/values/datetime.h"

namespace ornetta::platform {

// `local` (a local time, as Host::Now gives it) as "YYYY-MM-DD_HH-MM-SS".
std::string TimeStamp(const CivilDateTime& local);

}  // namespace ornetta::platform
