// A connection to one database file, opened from a Jet OLE DB connection string.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <optional>
#include <string>

#include "data/engine/engine.h"
#include "data/values/clock.h"
#include "platform/file_identity.h"

namespace ornetta {

class Connection {
 public:
  static constexpr int kStateClosed = 0;
  static constexpr int kStateOpen = 1;

  // Statements on the connection read the time from `clock` (Now(), Date(), Time(), the year of
  // "#12/9#"), which must outlive it: the host's clock for the application's connections.
  explicit Connection(const Clock& clock = SystemClock()) : clock_(&clock) {}

  // Set before Open; "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=...;Jet OLEDB:Database Password=...".
  // Open keeps no password: it wipes the string and leaves it without one, as the provider does
  // with "Persist Security Info=False".
  std::string ConnectionString;

  // Opens the database the connection string names (found without regard to case). The
  // arguments may override the string, as in the desktop's data objects; callers pass empty
  // texts and -1 (synchronous). Throws Error on failure; the connection then stays closed.
  void Open(const std::string& connection_string = "", const std::string& user_id = "",
            const std::string& password = "", long options = -1);

  int State() const { return db_ ? kStateOpen : kStateClosed; }

  // Closes an open connection; throws Error 3704 when it is not open.
  void Close();

  // The engine handle of an open connection, nullptr when closed.
  sqlite3* NativeHandle() const { return db_.get(); }

  // True when the file's name no longer names the file this connection opened (another repair
  // put a new file in its place, or it was removed): what the connection reads and writes is then
  // a file that has left the folder. False when closed.
  bool FileReplaced() const;

  const Clock& clock() const { return *clock_; }

 private:
  const Clock* clock_;
  engine::Handle db_;
  std::string path_;
  std::optional<platform::FileIdentity> identity_;  // of the file under path_ just before it was opened
};

}  // namespace ornetta
