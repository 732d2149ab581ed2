// A VFS shim under the engine that makes chosen file operations fail, to prove that a failing
// disk never costs a committed row. Registered as the default VFS, so every handle the program
// opens (SQLCipher encrypts above it) goes through it.
#pragma once

#include <string>

namespace ornetta::testing {

enum class FaultOp { kWrite, kSync, kTruncate, kDelete, kAny };

struct FaultPlan {
  FaultOp op = FaultOp::kAny;
  long fail_at = 0;         // the Nth matching operation (from 1) fails; 0: none fails
  bool persistent = false;  // and every later one too (a dead disk), not just the Nth
  bool disk_full = false;   // fail writes with SQLITE_FULL instead of SQLITE_IOERR
};

class FaultVfs {
 public:
  // Installs the shim as the default VFS; Uninstall restores the previous default.
  static void Install();
  static void Uninstall();

  static void Arm(const FaultPlan& plan);  // also resets the counters
  static void Disarm();
  static long Count(FaultOp op);  // operations seen since the last Arm
  static long Failures();         // operations made to fail since the last Arm
};

}  // namespace ornetta::testing
