// Writes a bound parse tree as the engine's SQL.
//
// Conditions (WHERE, ON, HAVING, the first argument of IIf) are written as the engine's
// conditions so that indexes serve them; elsewhere a comparison is a value, -1 or 0, as in Jet,
// and the operators that the engine would read otherwise (arithmetic on text, Null in And and Or)
// are jet_* functions with Jet's rules.
#pragma once

#include <map>
#include <string>

#include "data/jet/ast.h"

namespace ornetta::jet {

std::string Write(const ast::Statement& statement);

class Writer {
 public:
  std::string Statement(const ast::Statement& s);

  // (writer_expression.cpp)
  void Expr(const ast::Expr& e, std::string& out);

  // (writer_crosstab.cpp) The query of the distinct values of a crosstab's pivot in its rows.
  std::string PivotValuesQuery(const ast::Select& s);

 private:
  // (writer.cpp)
  void Select(const ast::Select& s, std::string& out);
  void Core(const ast::Core& c, bool fold_case, std::string& out, const std::string* extra_key = nullptr,
            const std::string* tie_condition = nullptr, const std::string* extra_columns = nullptr);
  void Order(const ast::Select& s, std::string& out);
  std::string TiedRows(const ast::Select& s);
  std::string TopRows(const ast::Core& c);
  void From(const ast::FromList& list, std::string& out);
  void JoinedUpdate(const ast::Statement& s, std::string& out);
  void Stored(const ast::Expr& value, Type column, std::string& out);
  void InsertedRows(const ast::Statement& s, std::string& out);
  void ColumnDef(const ast::ColumnDef& d, std::string& out);
  std::string Text(const ast::Expr& e) {
    std::string out;
    Expr(e, out);
    return out;
  }
  void Call(const ast::Expr& e, std::string& out);
  void Aggregate(const ast::Expr& e, const char* engine, std::string& out);
  void Compared(const ast::Expr& side, const ast::Expr& other, std::string& out);
  // (writer_between.cpp) false when jet_between must decide the bounds' order row by row.
  bool Between(const ast::Expr& e, std::string& out);
  void Qualifier(const std::string& name, std::string& out);
  // (writer_crosstab.cpp)
  void Crosstab(const ast::Select& s, std::string& out);

  // Inside a crosstab's cell: the condition that picks the rows of one pivot value, which every
  // aggregate then reads alone.
  std::string pivot_filter_;

  // Upper-case table name -> the name it is read under inside an UPDATE of joined tables.
  std::map<std::string, std::string> renames_;
};

// [name]: unlike "name", the engine never reads a bracketed name it cannot find as a text.
inline std::string QuoteName(const std::string& name) { return "[" + name + "]"; }

}  // namespace ornetta::jet
