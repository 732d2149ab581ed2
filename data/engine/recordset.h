// The result of one statement run on an open connection. The statement is Jet SQL, translated by
// the dialect (data/jet/translate.h) before the engine runs it.
//
// A recordset reads forward: after Open it stands on the first row (or at its end when the
// statement gave none). Action statements run to completion inside Open.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/engine/connection.h"
#include "data/jet/column_types.h"
#include "data/values/variant.h"

namespace ornetta {

class Recordset {
 public:
  // Cursor and lock types of the desktop's data objects; accepted for the callers' sake. The
  // engine's cursor is forward-only and every statement runs in its own transaction.
  static constexpr int kOpenDynamic = 2;
  static constexpr int kLockOptimistic = 3;

  Recordset() = default;
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Runs `source`, a Jet SQL statement, on `active_connection`. Throws Error when the
  // connection is missing or closed, the statement cannot be read, or the engine refuses it.
  void Open(const std::string& source, const std::shared_ptr<Connection>& active_connection, int cursor_type = -1,
            int lock_type = -1, long options = -1);

  // Asked, before the statement runs, for the value of each parameter it has (a name that is no
  // column, or one its PARAMETERS declare), by name, in order: the text a person typed, nullopt
  // when they cancelled (the statement then does not run). It may throw Error itself. Without
  // one, a statement with parameters fails.
  using ParameterPrompt = std::function<std::optional<std::string>(const std::string& name)>;
  void SetParameterPrompt(ParameterPrompt prompt) { prompt_ = std::move(prompt); }

  int State() const { return open_ ? 1 : 0; }

  // True when there is no current row. (Named so because EOF is a macro of the C library.)
  bool Eof() const;

  // Value of column `index` (from 0) of the current row; throws Error when there is none.
  Variant Fields(int index) const;
  int FieldCount() const;
  std::string FieldName(int index) const;

  // Moves to the next row; throws Error when already at the end.
  void MoveNext();

  // Closes an open recordset; throws Error 3704 when it is not open.
  void Close();

 private:
  void Step();
  void RequireOpen() const;

  // How each column's values are read: a stored column by its declaration, a computed one by
  // what the translation knows of its expression.
  struct ColumnType {
    jet::JetType type;
    bool declared;
  };

  ParameterPrompt prompt_;
  std::shared_ptr<Connection> connection_;
  sqlite3_stmt* stmt_ = nullptr;
  std::vector<ColumnType> types_;
  std::vector<std::string> names_;  // as Jet names the columns
  bool open_ = false;
  bool eof_ = true;
  std::vector<Variant> row_;
};

}  // namespace ornetta
