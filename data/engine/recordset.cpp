#include "data/engine/recordset.h"

#include <cctype>
#include <cmath>
#include <optional>

#include "data/values/datetime.h"
#include "data/engine/engine.h"
#include "data/jet/column_types.h"
#include "data/jet/engine_lookups.h"
#include "data/jet/make_table.h"
#include "data/jet/result_names.h"
#include "data/jet/translate.h"

namespace ornetta {

namespace {
using jet::JetType;

Error ClosedError() { return Error(err::kClosedObject, "Operation is not allowed when the object is closed."); }

Variant FromInteger(sqlite3_int64 v, JetType type) {
  switch (type) {
    case JetType::YesNo: return Variant::MakeBoolean(v != 0);
    case JetType::Byte:
    case JetType::Integer:
      if (v >= INT16_MIN && v <= INT16_MAX) return Variant::MakeInteger(static_cast<int16_t>(v));
      break;
    case JetType::DateTime: return Variant::MakeDate(static_cast<double>(v));
    default: break;
  }
  if (v >= INT32_MIN && v <= INT32_MAX) return Variant::MakeLong(static_cast<int32_t>(v));
  return Variant::MakeDouble(static_cast<double>(v));
}

// A Currency amount is kept as the number nearest to it (a whole one as an integer); it comes
// back as the exact amount, which that number names. Beyond Currency's range (never stored,
// never computed as Currency) it stays the number it is.
std::optional<Variant> CurrencyValue(sqlite3_stmt* stmt, int i) {
  if (sqlite3_column_type(stmt, i) == SQLITE_INTEGER) {
    const sqlite3_int64 v = sqlite3_column_int64(stmt, i);
    if (v > INT64_MAX / 10000 || v < INT64_MIN / 10000) return std::nullopt;
    return Variant::MakeCurrency(v * 10000);
  }
  const double scaled = sqlite3_column_double(stmt, i) * 10000.0;
  if (!(std::fabs(scaled) < 9.2e18)) return std::nullopt;
  return Variant::MakeCurrency(std::llround(scaled));
}

// A computed date comes back as its stored text; only a stored column's declaration makes a
// number a date (Jet keeps no dates as numbers in these files).
Variant ColumnValue(sqlite3_stmt* stmt, int i, JetType type, bool declared) {
  const int storage = sqlite3_column_type(stmt, i);
  if (type == JetType::Currency && (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)) {
    if (auto amount = CurrencyValue(stmt, i)) return *amount;
  }
  switch (storage) {
    case SQLITE_NULL: return Variant::MakeNull();
    case SQLITE_INTEGER: return FromInteger(sqlite3_column_int64(stmt, i), declared ? type : JetType::Unknown);
    case SQLITE_FLOAT: {
      const double d = sqlite3_column_double(stmt, i);
      return declared && type == JetType::DateTime ? Variant::MakeDate(d) : Variant::MakeDouble(d);
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

// Jet's number for a parameter without a value.
constexpr long kNoParameterValue = -2147217904;

// Asks for each parameter's value and binds it to its ?N.
void BindParameters(sqlite3_stmt* stmt, const std::vector<jet::Parameter>& parameters,
                    const Recordset::ParameterPrompt& prompt, const Clock& clock) {
  for (size_t i = 0; i < parameters.size(); ++i) {
    const jet::Parameter& p = parameters[i];
    if (!prompt)
      throw Error(kNoParameterValue,
                  "No value given for the parameter [" + p.name + "]: the statement asks for it (" +
                      (p.declared ? "PARAMETERS declares it" : "no column of its tables has that name") + ").");
    const std::optional<std::string> typed = prompt(p.name);
    if (!typed)
      throw Error(kNoParameterValue,
                  "The statement was not run: no value was given for the parameter [" + p.name + "].");
    const jet::BoundValue v = jet::ReadParameterValue(p.name, p.type, *typed, clock);
    const int at = static_cast<int>(i) + 1;
    switch (v.kind) {
      case jet::BoundValue::kNull: sqlite3_bind_null(stmt, at); break;
      case jet::BoundValue::kInteger: sqlite3_bind_int64(stmt, at, v.integer); break;
      case jet::BoundValue::kReal: sqlite3_bind_double(stmt, at, v.real); break;
      case jet::BoundValue::kText:
        sqlite3_bind_text(stmt, at, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
        break;
    }
  }
}

std::vector<JetType> ComputedTypes(const std::vector<jet::ResultItem>& items, int columns) {
  std::vector<JetType> types;
  for (const jet::ResultItem* item : jet::PlaceItems(items, columns))
    types.push_back(item ? item->type : JetType::Unknown);
  return types;
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
  sqlite3* db = active_connection->NativeHandle();
  const jet::Statement statement =
      jet::Translate(source, jet::EngineColumns(db), jet::EngineLookups(db), active_connection->clock());
  std::optional<jet::MakeTable> make_table;  // SELECT ... INTO: taken back unless its rows are all in
  if (!statement.make_table.empty()) make_table.emplace(db, statement);
  const std::string& sql = make_table ? make_table->FillSql() : statement.sql;
  const char* tail = nullptr;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    throw engine::ErrorFrom(db, "");
  }
  if (!stmt) throw Error(err::kSyntax, "The statement is empty.");
  try {
    BindParameters(stmt, statement.parameters, prompt_, active_connection->clock());
  } catch (...) {
    sqlite3_finalize(stmt);
    throw;
  }
  connection_ = active_connection;
  stmt_ = stmt;
  open_ = true;
  types_.clear();
  names_ = jet::ColumnNames(stmt);
  const int columns = sqlite3_column_count(stmt);
  const std::vector<JetType> computed = ComputedTypes(statement.items, columns);
  for (int i = 0; i < columns; ++i) {
    const char* decl = sqlite3_column_decltype(stmt, i);
    types_.push_back(decl ? ColumnType{jet::JetTypeOfDecl(decl), true}
                          : ColumnType{computed[static_cast<size_t>(i)], false});
  }
  try {
    Step();
    if (!statement.returns_rows) {
      while (!eof_) Step();
    }
    if (make_table) make_table->Keep();
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
    for (int i = 0; i < n; ++i) {
      const ColumnType& t = types_[static_cast<size_t>(i)];
      row_.push_back(ColumnValue(stmt_, i, t.type, t.declared));
    }
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
  if (index < 0 || index >= FieldCount() || static_cast<size_t>(index) >= names_.size())
    throw Error(3265, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
  return names_[static_cast<size_t>(index)];
}

void Recordset::MoveNext() {
  RequireOpen();
  if (eof_)
    throw Error(3021,
                "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires "
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
