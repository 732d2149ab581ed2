#include "data/recordset.h"

#include <cctype>

#include "data/datetime.h"
#include "data/engine.h"
#include "data/jet/column_types.h"
#include "data/jet/translate.h"

namespace ornetta {

namespace {
using jet::JetType;

Error ClosedError() { return Error(err::kClosedObject, "Operation is not allowed when the object is closed."); }

Variant FromInteger(sqlite3_int64 v, JetType type) {
  switch (type) {
    case JetType::YesNo:
      return Variant::MakeBoolean(v != 0);
    case JetType::Byte:
    case JetType::Integer:
      if (v >= INT16_MIN && v <= INT16_MAX) return Variant::MakeInteger(static_cast<int16_t>(v));
      break;
    case JetType::DateTime:
      return Variant::MakeDate(static_cast<double>(v));
    default:
      break;
  }
  if (v >= INT32_MIN && v <= INT32_MAX) return Variant::MakeLong(static_cast<int32_t>(v));
  return Variant::MakeDouble(static_cast<double>(v));
}

Variant ColumnValue(sqlite3_stmt* stmt, int i) {
  const char* decl = sqlite3_column_decltype(stmt, i);
  const JetType type = decl ? jet::JetTypeOfDecl(decl) : JetType::Unknown;
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_NULL:
      return Variant::MakeNull();
    case SQLITE_INTEGER:
      return FromInteger(sqlite3_column_int64(stmt, i), type);
    case SQLITE_FLOAT: {
      const double d = sqlite3_column_double(stmt, i);
      return type == JetType::DateTime ? Variant::MakeDate(d) : Variant::MakeDouble(d);
    }
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      std::string text(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(stmt, i)));
      if (type == JetType::DateTime) {
        if (auto dt = ParseStoredDate(text)) return Variant::MakeDate(SerialFromCivil(*dt));
      }
      return Variant::MakeString(std::move(text));
    }
  }
}
}  // namespace

Recordset::~Recordset() { sqlite3_finalize(stmt_); }

void Recordset::Open(const std::string& source, const std::shared_ptr<Connection>& active_connection,
                     int /*cursor_type*/, int /*lock_type*/, long /*options*/) {
  if (open_) throw Error(3705, "Operation is not allowed when the object is open.");
  if (!active_connection || active_connection->State() != Connection::kStateOpen)
    throw Error(3709,
                "The connection cannot be used to perform this operation. It is either closed or invalid in this "
                "context.");
  const jet::Statement statement = jet::Translate(source);
  sqlite3* db = active_connection->NativeHandle();
  const char* tail = nullptr;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, statement.sql.c_str(), static_cast<int>(statement.sql.size()), &stmt, &tail) !=
      SQLITE_OK) {
    sqlite3_finalize(stmt);
    throw engine::ErrorFrom(db, "");
  }
  if (!stmt) throw Error(err::kSyntax, "The statement is empty.");
  connection_ = active_connection;
  stmt_ = stmt;
  open_ = true;
  try {
    Step();
    if (!statement.returns_rows) {
      while (!eof_) Step();
    }
  } catch (...) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    open_ = false;
    connection_.reset();
    throw;
  }
}

void Recordset::Step() {
  sqlite3* db = connection_->NativeHandle();
  if (!db) throw ClosedError();
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) {
    eof_ = false;
    row_.clear();
    const int n = sqlite3_column_count(stmt_);
    for (int i = 0; i < n; ++i) row_.push_back(ColumnValue(stmt_, i));
  } else if (rc == SQLITE_DONE) {
    eof_ = true;
    row_.clear();
    sqlite3_reset(stmt_);  // ends the statement's read transaction
  } else {
    Error error = engine::ErrorFrom(db, "");
    sqlite3_reset(stmt_);
    throw error;
  }
}

void Recordset::RequireOpen() const {
  if (!open_) throw ClosedError();
}

bool Recordset::Eof() const {
  RequireOpen();
  return eof_;
}

Variant Recordset::Fields(int index) const {
  RequireOpen();
  if (index < 0 || index >= FieldCount())
    throw Error(3265, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
  if (eof_)
    throw Error(3021,
                "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
                "current record.");
  return row_[static_cast<size_t>(index)];
}

int Recordset::FieldCount() const {
  RequireOpen();
  return sqlite3_column_count(stmt_);
}

std::string Recordset::FieldName(int index) const {
  RequireOpen();
  const char* name = index >= 0 && index < FieldCount() ? sqlite3_column_name(stmt_, index) : nullptr;
  if (!name) throw Error(3265, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
  return name;
}

void Recordset::MoveNext() {
  RequireOpen();
  if (eof_)
    throw Error(3021, "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires "
                      "a current record.");
  Step();
}

void Recordset::Close() {
  RequireOpen();
  sqlite3_finalize(stmt_);
  stmt_ = nullptr;
  open_ = false;
  eof_ = true;
  row_.clear();
  connection_.reset();
}

}  // namespace ornetta
