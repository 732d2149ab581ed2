#include "platform/time_stamp.h"

#include <chrono>
#include <ctime>

namespace ornetta::platform {

std::string LocalTimeStamp() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d_%H-%M-%S", &local);
  return buf;
}

}  // namespace ornetta::platform
