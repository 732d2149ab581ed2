// The compaction engine: writes a compacted copy of a database into a new file.
#pragma once

#include <functional>
#include <string>

#include "platform/file_ops.h"

namespace ornetta {

class JetEngine {
 public:
  // Called now and then during a compaction with how far it has come, 0 to 1.
  using Progress = std::function<void(double fraction)>;

  // The copy is flushed through `file_ops`, which must outlive the engine.
  explicit JetEngine(platform::FileOps& file_ops = platform::SystemFileOps()) : file_ops_(file_ops) {}

  // Copies every table, index, view, trigger and row of the source database, and its user
  // version, into a new file at the destination, encrypted with the destination's password.
  // The source stays in place and unchanged; the copy is of one consistent state of it.
  // Both arguments are Jet OLE DB connection strings, source first. Throws Error, leaving no
  // destination file behind, when the source is missing, locked or unreadable, the destination
  // already exists, or a write fails.
  void CompactDatabase(const std::string& source, const std::string& destination, const Progress& progress = {});

 private:
  platform::FileOps& file_ops_;
};

}  // namespace ornetta
