#include "platform/process_guard.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace ornetta::platform {

void KeepMemoryPrivate() {
  // Not dumpable: no core file, and /proc/<pid>/mem and ptrace are closed to other processes of
  // this user. The core size limit covers a dump that the system takes in spite of it (a
  // core-dump handler that ignores the flag); the hard limit stays, for programs started later.
  ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  struct rlimit core {};
  if (::getrlimit(RLIMIT_CORE, &core) == 0) {
    core.rlim_cur = 0;
    ::setrlimit(RLIMIT_CORE, &core);
  }
}

bool MemoryIsPrivate() {
  struct rlimit core {};
  return ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0 && ::getrlimit(RLIMIT_CORE, &core) == 0 && core.rlim_cur == 0;
}

}  // namespace ornetta::platform
