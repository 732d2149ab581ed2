// Names that sort by the time they were made.
#pragma once

#include <string>

namespace ornetta::platform {

// The local time as "YYYY-MM-DD_HH-MM-SS".
std::string LocalTimeStamp();

}  // namespace ornetta::platform
