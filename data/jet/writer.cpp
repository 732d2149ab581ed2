// The writer's statements, SELECT with Jet's TOP, and the FROM list.
#include "data/values/error.h"
#include "data/jet/writer.h"
#include "data/jet/names.h"

#include <algorithm>
#include <cctype>

namespace ornetta::jet {

std::string Write(const ast::Statement& statement) { return Writer().Statement(statement); }

std::string Writer::Statement(const ast::Statement& s) {
  std::string out;
  switch (s.kind) {
    case ast::Statement::kSelect:
    case ast::Statement::kSelectInto:  // the rows; the table is made around them (make_table.h)
      Select(*s.select, out);
      break;
    case ast::Statement::kDelete:
      if (s.delete_simple) {
        out = "DELETE FROM ";
        From(s.from, out);
      } else {
        out =
            "DELETE FROM " + QuoteName(s.table) + " WHERE rowid IN (SELECT " + QuoteName(s.target_ref) + ".rowid FROM ";
        From(s.from, out);
      }
      if (s.where) {
        out += " WHERE ";
        Expr(*s.where, out);
      }
      if (!s.delete_simple) out += ')';
      break;
    case ast::Statement::kInsert:
      out = "INSERT INTO " + QuoteName(s.table);
      for (size_t i = 0; i < s.columns.size(); ++i) out += (i ? ", " : " (") + QuoteName(s.columns[i]);
      if (!s.columns.empty()) out += ')';
      if (s.select) {
        out += ' ';
        InsertedRows(s, out);
      } else {
        out += " VALUES (";
        for (size_t i = 0; i < s.values.size(); ++i) {
          if (i) out += ", ";
          Stored(*s.values[i], i < s.stored_as.size() ? s.stored_as[i] : Type::kUnknown, out);
        }
        out += ')';
      }
      break;
    case ast::Statement::kUpdate:
      out = "UPDATE " + QuoteName(s.table) + " SET ";
      for (size_t i = 0; i < s.sets.size(); ++i) {
        out += (i ? ", " : "") + QuoteName(s.sets[i].column) + " = ";
        Stored(*s.sets[i].value, s.sets[i].stored_as, out);
      }
      if (s.where) {
        out += " WHERE ";
        Expr(*s.where, out);
      }
      break;
    case ast::Statement::kJoinedUpdate: JoinedUpdate(s, out); break;
    case ast::Statement::kCreateTable:
      out = "CREATE TABLE " + QuoteName(s.table) + " (";
      for (size_t i = 0; i < s.part_order.size(); ++i) {
        if (i) out += ", ";
        const size_t part = s.part_order[i];
        if (part < ast::kConstraintPart) {
          ColumnDef(s.column_defs[part], out);
          continue;
        }
        const ast::TableConstraint& c = s.table_constraints[part - ast::kConstraintPart];
        out += c.primary ? "PRIMARY KEY (" : "UNIQUE (";
        for (size_t j = 0; j < c.columns.size(); ++j) out += (j ? ", " : "") + QuoteName(c.columns[j]);
        out += ')';
      }
      out += ')';
      break;
    case ast::Statement::kCreateIndex:
      out = std::string("CREATE ") + (s.unique ? "UNIQUE " : "") + "INDEX " + QuoteName(s.table) + " ON " +
            QuoteName(s.index_table) + " (";
      for (size_t i = 0; i < s.index_columns.size(); ++i)
        out += (i ? ", " : "") + QuoteName(s.index_columns[i].name) + (s.index_columns[i].desc ? " DESC" : "");
      out += ')';
      break;
    case ast::Statement::kDropTable: out = "DROP TABLE " + QuoteName(s.table); break;
    case ast::Statement::kDropIndex: out = "DROP INDEX " + QuoteName(s.table); break;
    case ast::Statement::kCreateView:
      out = "CREATE VIEW " + QuoteName(s.table);
      for (size_t i = 0; i < s.columns.size(); ++i) out += (i ? ", " : " (") + QuoteName(s.columns[i]);
      out += s.columns.empty() ? " AS " : ") AS ";
      Select(*s.select, out);
      break;
    case ast::Statement::kDropView: out = "DROP VIEW " + QuoteName(s.table); break;
    case ast::Statement::kAlterAdd:
      out = "ALTER TABLE " + QuoteName(s.table) + " ADD COLUMN ";
      ColumnDef(s.column_defs[0], out);
      break;
  }
  return out;
}

void Writer::ColumnDef(const ast::ColumnDef& d, std::string& out) {
  out += QuoteName(d.name) + " " + d.decl.sql;
  for (const auto& c : d.constraints) {
    out += c.sql;
    if (c.value) {
      out += " (";
      Expr(*c.value, out);
      out += ')';
    }
  }
}

// UPDATE tables SET t.column = ... [WHERE ...]: the engine updates one table by itself, so each
// row of the target that the join and the condition select takes its values from its (first)
// joined row:
//   UPDATE T SET c = (SELECT v FROM tables WHERE cond AND t.rowid = T.rowid LIMIT 1), ...
//   WHERE rowid IN (SELECT t.rowid FROM tables WHERE cond)
// Inside, T is read under an alias (the user's, or one given here) so that T.rowid is the outer
// row.
void Writer::JoinedUpdate(const ast::Statement& s, std::string& out) {
  const std::string inner = QuoteName(s.target_is_alias ? s.target_ref : s.target_ref + " (joined)");
  if (!s.target_is_alias) {
    renames_[Upper(s.target_ref)] = inner;
  }
  std::string from, where;
  From(s.from, from);
  if (s.where) Expr(*s.where, where);
  const std::string table = QuoteName(s.table);
  const std::string match = inner + ".rowid = " + table + ".rowid";
  out = "UPDATE " + table + " SET ";
  for (size_t i = 0; i < s.sets.size(); ++i) {
    out += (i ? ", " : "") + QuoteName(s.sets[i].column) + " = (SELECT ";
    Stored(*s.sets[i].value, s.sets[i].stored_as, out);
    out += " FROM " + from + " WHERE " + (where.empty() ? "" : "(" + where + ") AND ") + match + " LIMIT 1)";
  }
  out += " WHERE rowid IN (SELECT " + inner + ".rowid FROM " + from + (where.empty() ? "" : " WHERE " + where) + ")";
  renames_.clear();
}

// A value stored into a Currency column is made an amount first, rounded as CCur rounds it:
// the column would otherwise keep a binary fraction (3.3000000000000003) or a number past
// Currency's range. Null stays Null, and text is left for the column's check to refuse.
void Writer::Stored(const ast::Expr& value, Type column, std::string& out) {
  if (column != Type::kCurrency) return Expr(value, out);
  out += "jet_cur_store(";
  Expr(value, out);
  out += ')';
}

// INSERT ... SELECT into Currency columns converts the rows the SELECT made, as Jet stores them:
//   WITH [(stored rows)] ([1], [2]) AS (SELECT ...) SELECT [1], jet_cur_store([2]) FROM [(stored rows)]
// so that its DISTINCT, UNION and TOP see the values before they are rounded.
void Writer::InsertedRows(const ast::Statement& s, std::string& out) {
  if (std::find(s.stored_as.begin(), s.stored_as.end(), Type::kCurrency) == s.stored_as.end())
    return Select(*s.select, out);
  const std::string rows = QuoteName("(stored rows)");
  std::string names, values;
  for (size_t i = 0; i < s.stored_as.size(); ++i) {
    const std::string name = QuoteName(std::to_string(i + 1));
    names += (i ? ", " : "") + name;
    values += (i ? ", " : "") + (s.stored_as[i] == Type::kCurrency ? "jet_cur_store(" + name + ")" : name);
  }
  out += "WITH " + rows + " (" + names + ") AS (";
  Select(*s.select, out);
  out += ") SELECT " + values + " FROM " + rows;
}

void Writer::From(const ast::FromList& list, std::string& out) {
  for (const ast::FromItem& item : list) {
    switch (item.joiner) {
      case ast::FromItem::kFirst: break;
      case ast::FromItem::kComma: out += ", "; break;
      case ast::FromItem::kInner: out += " INNER JOIN "; break;
      case ast::FromItem::kLeft: out += " LEFT JOIN "; break;
      case ast::FromItem::kRight: throw Error(err::kSyntax, "RIGHT JOIN reached the writer unrewritten.");
    }
    const ast::TableRef& t = item.table;
    if (t.kind == ast::TableRef::kSubquery) {
      out += '(';
      Select(*t.select, out);
      out += ')';
    } else if (t.kind == ast::TableRef::kGroup) {
      out += '(';
      From(*t.group, out);
      out += ')';
    } else {
      out += QuoteName(t.name);
    }
    if (!t.alias.empty()) {
      out += " AS " + QuoteName(t.alias);
    } else if (t.kind == ast::TableRef::kTable && !renames_.empty()) {
      // The table an UPDATE of joined tables sets is read under another name inside it.
      const auto it = renames_.find(Upper(t.name));
      if (it != renames_.end()) out += " AS " + it->second;
    }
    if (item.on) {
      out += " ON ";
      Expr(*item.on, out);
    }
  }
}

}  // namespace ornetta::jet
