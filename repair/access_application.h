// Stand-in for the office suite's automation object that each repair creates and ends.
//
// Only its two outcomes matter to the repair: it is created or not, and its one call (with the
// integer 2) succeeds or fails. Tests make it fail at either point through the factory.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace ornetta::repair {

class AccessApplication {
 public:
  virtual ~AccessApplication() = default;
  // Throws Error when the call fails.
  virtual void Call(int32_t argument) = 0;
};

// Creates the object; throws Error when it cannot be created.
using AccessApplicationFactory = std::function<std::unique_ptr<AccessApplication>()>;

// The factory the program uses: the object needs nothing on this platform, and its call ends it.
AccessApplicationFactory DefaultAccessApplicationFactory();

}  // namespace ornetta::repair
