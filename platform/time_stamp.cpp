#include "platform/time_stamp.h"

#include <cstdio>

namespace ornetta::platform {

std::string TimeStamp(const CivilDateTime& local) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d_%02d-%02d-%02d", local.year, local.month, local.day, local.hour,
                local.minute, local.second);
  return buf;
}

}  // namespace ornetta::platform
