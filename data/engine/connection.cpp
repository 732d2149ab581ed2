#include "data/engine/connection.h"

#include "data/engine/connection_string.h"
#include "data/jet/functions.h"
#include "data/jet/guard.h"
#include "platform/files.h"
#include "platform/secret_memory.h"

namespace ornetta {

void Connection::Open(const std::string& connection_string, const std::string& user_id, const std::string& password,
                      long /*options: always synchronous*/) {
  if (db_) throw Error(3705, "Operation is not allowed when the object is open.");
  if (!connection_string.empty()) {
    platform::WipeString(ConnectionString);
    ConnectionString = connection_string;
  }
  ConnectionSettings settings;
  try {
    settings = ParseConnectionString(ConnectionString);
  } catch (...) {
    platform::WipeString(ConnectionString);
    throw;
  }
  // From here on the settings alone hold the password, until they go.
  platform::WipeString(ConnectionString);
  ConnectionString = OpenedConnectionString(settings.data_source);
  (void)user_id;  // the files know no users, only the database password
  if (!password.empty()) {
    platform::WipeString(settings.password);
    settings.password = password;
  }

  const std::filesystem::path file = platform::ResolveNoCase(settings.data_source);
  // Taken before the open: a file put in place meanwhile then counts as a replacement.
  std::optional<platform::FileIdentity> identity = platform::IdentityOf(file);
  engine::Handle db = engine::Open(file, settings.password);
  jet::RegisterFunctions(db.get(), *clock_);
  jet::InstallGuard(db.get());
  db_ = std::move(db);
  path_ = file.string();
  identity_ = identity;
}

bool Connection::FileReplaced() const { return db_ && platform::IdentityOf(path_) != identity_; }

void Connection::Close() {
  if (!db_) throw Error(err::kClosedObject, "Operation is not allowed when the object is closed.");
  db_.reset();
}

}  // namespace ornetta
