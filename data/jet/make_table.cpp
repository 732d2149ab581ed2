#include "data/jet/make_table.h"

#include <cctype>
#include <set>

#include "data/values/error.h"
#include "data/jet/column_types.h"
#include "data/jet/names.h"
#include "data/jet/result_names.h"
#include "data/jet/writer.h"

namespace ornetta::jet {

namespace {

Error EngineError(sqlite3* db, const std::string& doing) { return Error(err::kEngine, doing + sqlite3_errmsg(db)); }

void Exec(sqlite3* db, const std::string& sql, const std::string& doing) {
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) throw EngineError(db, doing);
}

// The Jet type name that makes a column of type `t`.
const char* JetTypeName(JetType t) {
  switch (t) {
    case JetType::Text: return "TEXT";
    case JetType::Memo: return "MEMO";
    case JetType::Byte: return "BYTE";
    case JetType::Integer: return "INTEGER";
    case JetType::Long:
    case JetType::Counter: return "LONG";  // a counter's values, numbered no more
    case JetType::Single: return "SINGLE";
    case JetType::Double: return "DOUBLE";
    case JetType::Currency: return "CURRENCY";
    case JetType::DateTime: return "DATETIME";
    case JetType::YesNo: return "YESNO";
    case JetType::Unknown: break;
  }
  return nullptr;
}

// TEXT(20) keeps its size; 0 when the declaration gives none.
int TextSize(const std::string& decl) {
  const size_t open = decl.find('(');
  if (open == std::string::npos) return 0;
  int n = 0;
  for (size_t i = open + 1; i < decl.size() && i < open + 5 && std::isdigit(static_cast<unsigned char>(decl[i])); ++i)
    n = n * 10 + (decl[i] - '0');
  return n <= 255 ? n : 0;
}

}  // namespace

std::string MakeTableSql(sqlite3_stmt* select, const Statement& statement) {
  const int columns = sqlite3_column_count(select);
  const std::vector<const ResultItem*> items = PlaceItems(statement.items, columns);
  std::string sql = "CREATE TABLE " + QuoteName(statement.make_table) + " (";
  const std::vector<std::string> names = ColumnNames(select);
  std::set<std::string> seen;
  for (int i = 0; i < columns; ++i) {
    const std::string& name = names[static_cast<size_t>(i)];
    if (!seen.insert(Upper(name)).second)
      throw Error(err::kSyntax,
                  "SELECT ... INTO: two columns are named '" + name + "'; give one of them another name with AS.");
    const char* decl = sqlite3_column_decltype(select, i);
    JetType type = decl                            ? JetTypeOfDecl(decl)
                   : items[static_cast<size_t>(i)] ? items[static_cast<size_t>(i)]->column
                                                   : JetType::Unknown;
    const char* type_name = JetTypeName(type);
    if (!type_name && decl && Upper(decl).rfind("BLOB", 0) == 0) type_name = "LONGBINARY";
    if (!type_name)
      throw Error(err::kSyntax, "SELECT ... INTO cannot tell the Jet type of the column '" + name +
                                    "'; give it one with CStr, CLng, CDbl, CCur, CDate or CBool.");
    const auto column_decl =
        DeclForJetType(type_name, decl && type == JetType::Text ? TextSize(decl) : 0, QuoteName(name));
    sql += (i ? ", " : "") + QuoteName(name) + " " + column_decl->sql;
  }
  return sql + ")";
}

MakeTable::MakeTable(sqlite3* db, const Statement& statement) : db_(db) {
  if (statement.make_table.find(']') != std::string::npos)
    throw Error(err::kSyntax, "The table name cannot contain ']'.");
  sqlite3_stmt* select = nullptr;
  if (sqlite3_prepare_v2(db, statement.sql.c_str(), static_cast<int>(statement.sql.size()), &select, nullptr) !=
          SQLITE_OK ||
      !select) {
    sqlite3_finalize(select);
    throw EngineError(db, "");
  }
  std::string create;
  try {
    create = MakeTableSql(select, statement);
  } catch (...) {
    sqlite3_finalize(select);
    throw;
  }
  sqlite3_finalize(select);
  Exec(db, "SAVEPOINT jet_make_table", "");
  open_ = true;
  try {
    Exec(db, create, "Making the table " + QuoteName(statement.make_table) + ": ");
  } catch (...) {
    TakeBack();
    throw;
  }
  fill_ = "INSERT INTO " + QuoteName(statement.make_table) + " " + statement.sql;
}

MakeTable::~MakeTable() { TakeBack(); }

void MakeTable::TakeBack() {
  if (!open_) return;
  sqlite3_exec(db_, "ROLLBACK TO jet_make_table", nullptr, nullptr, nullptr);
  sqlite3_exec(db_, "RELEASE jet_make_table", nullptr, nullptr, nullptr);
  open_ = false;
}

void MakeTable::Keep() {
  Exec(db_, "RELEASE jet_make_table", "Keeping the new table: ");
  open_ = false;
}

}  // namespace ornetta::jet
