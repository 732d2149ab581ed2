#include "data/engine/jet_engine.h"

#include <filesystem>
#include <system_error>

#include "data/engine/connection_string.h"
#include "data/crypto/derived_keys.h"
#include "data/engine/engine.h"
#include "platform/file_ops.h"
#include "platform/files.h"

namespace ornetta {

namespace fs = std::filesystem;

namespace {
constexpr int kProgressEveryOps = 20000;                    // engine instructions between two progress reports
constexpr uintmax_t kWritebackEvery = uintmax_t{32} << 20;  // bytes of copy between two starts of writeback

struct ProgressState {
  const JetEngine::Progress* progress;  // may be empty
  platform::GrowingFile* destination;
  fs::path destination_path;
  double source_bytes;
  uintmax_t written_back = 0;
};

int OnProgress(void* arg) {
  auto* state = static_cast<ProgressState*>(arg);
  std::error_code ec;
  const auto written = fs::file_size(state->destination_path, ec);
  if (ec) return 0;
  // The copy goes to disk while it is being made, so that the sync at the end is short.
  if (written >= state->written_back + kWritebackEvery) {
    state->destination->StartWriteback();
    state->written_back = written;
  }
  if (*state->progress && state->source_bytes > 0) {
    const double fraction = static_cast<double>(written) / state->source_bytes;
    (*state->progress)(fraction < 0.99 ? fraction : 0.99);
  }
  return 0;
}

// Removes a half-written destination and the engine's journal beside it.
void RemoveDestination(const fs::path& destination) {
  std::error_code ec;
  fs::remove(destination, ec);
  fs::remove(destination.string() + "-journal", ec);
}

void Bind(sqlite3_stmt* stmt, int index, const std::string& text) {
  sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}
}  // namespace

void JetEngine::CompactDatabase(const std::string& source, const std::string& destination, const Progress& progress) {
  const ConnectionSettings from = ParseConnectionString(source);
  const ConnectionSettings to = ParseConnectionString(destination);
  const fs::path source_path = platform::ResolveNoCase(from.data_source);
  const fs::path destination_path = platform::ResolveNoCase(to.data_source);
  std::error_code ec;
  if (fs::exists(fs::symlink_status(destination_path, ec)))
    throw Error(err::kFileAlreadyExists,
                "Cannot compact into '" + destination_path.string() + "': a file of that name already exists.");

  engine::Handle db = engine::Open(source_path, from.password, engine::OpenMode::kCompactSource);
  sqlite3* h = db.get();
  // The copy is written in the current page size whatever its source's: this is how a file from
  // before gets it. (The setting is the engine's, process-wide; every open sets its own size.)
  engine::Exec(h, "PRAGMA cipher_default_page_size = " + std::to_string(engine::kPageSize) + ";");

  // The copy takes the source's salt, so that its key is the one already derived for the source.
  // (A plain source has no salt: its first bytes are the engine's header.)
  const std::optional<crypto::Salt> salt = from.password.empty() ? std::nullopt : engine::SaltOf(h);
  std::string key = salt && !to.password.empty() ? crypto::RawKeyText(to.password, *salt, true) : to.password;
  // The engine would create the copy readable by anyone the umask allows, and its journal alike.
  if (std::error_code create_ec = platform::CreatePrivateFile(destination_path))
    throw Error(err::kPathFileAccess,
                "Cannot create '" + destination_path.string() + "' (" + create_ec.message() + ").");
  sqlite3_stmt* attach = nullptr;
  sqlite3_prepare_v2(h, "ATTACH DATABASE ?1 AS compact_target KEY ?2;", -1, &attach, nullptr);
  Bind(attach, 1, destination_path.string());
  Bind(attach, 2, key);
  crypto::WipeKeyText(key);
  const int rc = sqlite3_step(attach);
  sqlite3_clear_bindings(attach);
  sqlite3_finalize(attach);
  if (rc != SQLITE_DONE) {
    Error error = engine::ErrorFrom(h, "Cannot create '" + destination_path.string() + "'");
    RemoveDestination(destination_path);
    throw error;
  }

  // The engine would sync the new file and its journal at every commit; one sync of the finished
  // file (below) makes it as durable, and nothing relies on a half-made copy.
  engine::Exec(h, "PRAGMA compact_target.synchronous = OFF;");

  platform::GrowingFile growing(destination_path);  // kept open until the copy is detached (locks)
  ProgressState state{&progress, &growing, destination_path, static_cast<double>(fs::file_size(source_path, ec))};
  sqlite3_progress_handler(h, kProgressEveryOps, OnProgress, &state);
  try {
    // One read transaction for the whole copy: it sees one consistent state of the source, and
    // no other writer can commit until it ends. (A caller that also wants writers kept out
    // afterwards holds its own write lock; a shared lock here does not conflict with it.)
    engine::Exec(h, "BEGIN; SELECT count(*) FROM sqlite_master;");
    engine::Exec(h, "SELECT sqlcipher_export('compact_target');");
    sqlite3_stmt* version = nullptr;
    sqlite3_prepare_v2(h, "PRAGMA main.user_version;", -1, &version, nullptr);
    const int user_version = sqlite3_step(version) == SQLITE_ROW ? sqlite3_column_int(version, 0) : 0;
    sqlite3_finalize(version);
    engine::Exec(h, "PRAGMA compact_target.user_version = " + std::to_string(user_version) + ";");
    engine::Exec(h, "COMMIT;");
  } catch (const Error& e) {
    sqlite3_exec(h, "ROLLBACK;", nullptr, nullptr, nullptr);
    sqlite3_exec(h, "DETACH DATABASE compact_target;", nullptr, nullptr, nullptr);
    db.reset();
    RemoveDestination(destination_path);
    throw Error(e.Number(), "Compacting '" + source_path.string() + "' failed: " + e.Description());
  }
  sqlite3_progress_handler(h, 0, nullptr, nullptr);
  engine::Exec(h, "DETACH DATABASE compact_target;");
  if (std::error_code sync_ec = file_ops_.Sync(growing)) {
    db.reset();
    RemoveDestination(destination_path);
    throw Error(err::kPathFileAccess, "Compacting '" + source_path.string() +
                                          "' failed: the copy could not be written to disk (" + sync_ec.message() +
                                          ").");
  }
  if (progress) progress(1.0);
}

}  // namespace ornetta
