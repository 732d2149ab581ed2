// Keeps this process's memory, which holds the database password while a database is opened or
// compacted, from being read from outside: no core dump is written when it crashes, and no
// debugger of the same user may attach to it (as password managers do at start-up).
#pragma once

namespace ornetta::platform {

// Idempotent; safe to call from any thread. Children started afterwards inherit the core-dump
// limit (0), not the refusal of debuggers.
void KeepMemoryPrivate();

// Whether KeepMemoryPrivate is in force: core dumps and debugger attachment both off.
bool MemoryIsPrivate();

}  // namespace ornetta::platform
