#include "data/connection.h"

#include "data/connection_string.h"
#include "data/jet/functions.h"
#include "data/jet/guard.h"
#include "platform/files.h"

namespace ornetta {

void Connection::Open(const std::string& connection_string, const std::string& user_id,
                      const std::string& password, long /*options: always synchronous*/) {
  if (db_) throw Error(3705, "Operation is not allowed when the object is open.");
  if (!connection_string.empty()) ConnectionString = connection_string;
  ConnectionSettings settings = ParseConnectionString(ConnectionString);
  (void)user_id;  // the files know no users, only the database password
  if (!password.empty()) settings.password = password;

  engine::Handle db = engine::Open(platform::ResolveNoCase(settings.data_source), settings.password);
  jet::RegisterFunctions(db.get());
  jet::InstallGuard(db.get());
  db_ = std::move(db);
}

void Connection::Close() {
  if (!db_) throw Error(err::kClosedObject, "Operation is not allowed when the object is closed.");
  db_.reset();
}

}  // namespace ornetta
