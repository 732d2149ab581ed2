// The parse tree of one Jet SQL statement: what the parser read, each node with its place in the
// text. The parser fills in the syntax only; the binder (binder.h) adds each expression's Jet type
// and whether the engine reads it as a condition; the writer (writer.h) turns the tree into the
// engine's SQL.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "data/jet/column_types.h"
#include "data/jet/types.h"

namespace ornetta::jet::ast {

struct Select;
struct Crosstab;
struct FromItem;
using FromList = std::vector<FromItem>;

enum class ExprKind {
  kNumber,  // text: as written (hex already decimal)
  kString,  // text: the value, quotes removed
  kDate,    // text: the stored form of the #...# literal
  kBool,    // True/Yes/On or False/No/Off; truth holds which
  kNull,
  kColumn,     // [qualifier.]name
  kParen,      // ( operand )
  kSubquery,   // ( SELECT ... ): select
  kExists,     // EXISTS ( SELECT ... ): select
  kCall,       // name ( [DISTINCT] args ); count_star for Count(*)
  kUnary,      // op kNeg, kPlus, kNot or kBNot; one operand
  kBinary,     // two operands
  kLike,       // operand Like pattern; negated for Not Like
  kBetween,    // operand, low, high
  kIn,         // operand In (list) or In (select)
  kIsNull,     // operand Is [Not] Null
  kParameter,  // text: the parameter's name; set by the binder for a name that is one
};

enum class Op {
  kNone,
  kImp,
  kEqv,
  kXor,
  kOr,
  kAnd,
  kNot,
  kEq,
  kNe,
  kLt,
  kGt,
  kLe,
  kGe,
  kConcat,
  kAdd,
  kSub,
  kMod,
  kIntDiv,
  kMul,
  kDiv,
  kPow,
  kNeg,
  kPlus,
  kBAnd,
  kBOr,
  kBXor,
  kBNot,  // bitwise (ANSI-92)
};

struct Expr {
  ExprKind kind;
  size_t offset;  // where the node starts in the statement
  Op op = Op::kNone;
  std::string text;       // literals, and a call's name as written
  std::string qualifier;  // a column's table or alias, empty when none
  bool truth = false;
  bool negated = false;
  bool distinct = false;
  bool count_star = false;
  bool bracketed = false;                   // a column written [name]
  int parameter = 0;                        // kParameter: which of the statement's parameters, from 1
  std::vector<std::unique_ptr<Expr>> args;  // operands, in order
  std::unique_ptr<Select> select;
  int height = 1;  // of the subtree of operands (subqueries not counted): bounds the passes' recursion

  // Set by the binder.
  Type type = Type::kUnknown;
  bool condition = false;          // written as the engine's condition (true/false), not as a value
  const Expr* alias_of = nullptr;  // kColumn: names another item of the same select list, written as its expression
};
using ExprPtr = std::unique_ptr<Expr>;

struct SelectItem {
  enum Kind { kExpr, kStar, kTableStar } kind = kExpr;
  ExprPtr expr;           // kExpr
  std::string qualifier;  // kTableStar: the table's name or alias
  std::string alias;      // empty when none
};

// One table of a FROM list: a stored table, a subquery, or a parenthesised join.
struct TableRef {
  enum Kind { kTable, kSubquery, kGroup } kind = kTable;
  size_t offset = 0;
  std::string name;                 // kTable
  std::string alias;                // empty when none
  std::unique_ptr<Select> select;   // kSubquery
  std::unique_ptr<FromList> group;  // kGroup
};

struct FromItem {
  enum Joiner { kFirst, kComma, kInner, kLeft, kRight } joiner = kFirst;  // kRight: until right_join.h rewrites it
  TableRef table;
  ExprPtr on;  // kInner, kLeft, kRight
};

// One SELECT up to its HAVING.
struct Core {
  size_t offset = 0;
  bool distinct = false;
  bool distinct_row = false;  // DISTINCTROW
  long long top = 0;          // 0: no TOP
  bool top_percent = false;   // TOP n PERCENT: n of every hundred rows, rounded up
  std::vector<SelectItem> items;
  bool has_from = false;
  FromList from;
  ExprPtr where;
  std::vector<ExprPtr> group;
  ExprPtr having;

  bool aggregate = false;  // set by the binder: an aggregate outside nested SELECTs
  // Set by the binder for DISTINCTROW: the tables (names or aliases) whose rows tell result rows
  // apart; empty when every row is distinct already.
  std::vector<std::string> row_keys;
};

struct OrderKey {
  ExprPtr expr;
  bool desc = false;
  bool aggregate = false;  // set by the binder
};

struct Select {
  std::vector<Core> cores;      // the first, then each UNION part
  std::vector<bool> union_all;  // for each part after the first
  std::vector<OrderKey> order;

  // Set by the binder: the type of each column of the result, Unknown for * and table.*.
  std::vector<Type> item_types;

  std::unique_ptr<Crosstab> crosstab;  // a TRANSFORM's; its cores[0] is the grouping SELECT
};

// A table named in a DELETE's or joined UPDATE's statement, in the order read.
struct TableUse {
  std::string name, alias;
};

struct Assignment {
  std::string column;
  ExprPtr value;
  Type stored_as = Type::kUnknown;  // set by the binder: the type of the column set, where known
};

struct ColumnDef {
  std::string name;
  ColumnDecl decl;
  struct Constraint {
    std::string sql;  // " NOT NULL", " PRIMARY KEY", " UNIQUE" or " DEFAULT"
    ExprPtr value;    // DEFAULT's
  };
  std::vector<Constraint> constraints;
};

struct TableConstraint {
  bool primary;  // PRIMARY KEY, else UNIQUE
  std::vector<std::string> columns;
};

struct IndexColumn {
  std::string name;
  bool desc;
};

// A value the statement asks for when it runs: declared (PARAMETERS name type, ...;) or a
// bracketed name that is no column. The binder lists them in their order of declaration, then
// of first use.
struct Parameter {
  std::string name;
  Type type = Type::kUnknown;  // declared, or taken from what it is compared with
  bool declared = false;
};

// TRANSFORM cell SELECT ... PIVOT column [IN (values)]: one column for each value of `column`,
// holding `cell` over the rows of the group that have that value.
struct PivotColumn {
  std::string sql;   // the value, as the engine's literal (NULL for the rows without one)
  std::string name;  // the column's
};
struct Crosstab {
  ExprPtr cell;
  ExprPtr pivot;
  std::vector<ExprPtr> values;  // IN's list; empty: every value the rows have
  size_t offset = 0;
  std::vector<PivotColumn> columns;  // set before writing (crosstab.h)
};

inline constexpr size_t kConstraintPart = size_t{1} << 30;

struct Statement {
  enum Kind {
    kSelect,
    kSelectInto,
    kDelete,
    kInsert,
    kUpdate,
    kJoinedUpdate,
    kCreateTable,
    kCreateIndex,
    kDropTable,
    kDropIndex,
    kAlterAdd,
    kCreateView,
    kDropView,
  } kind;
  std::vector<Parameter> parameters;  // declared first, then found by the binder
  std::unique_ptr<Select> select;     // kSelect, kSelectInto; kInsert from a SELECT
  std::string table;  // the table written to, created (SELECT ... INTO's too), dropped or altered; the index's name
  FromList from;      // kDelete, kJoinedUpdate
  ExprPtr where;
  std::vector<TableUse> tables;  // kDelete, kJoinedUpdate: every table read, in order

  // kDelete
  std::string delete_qualifier;  // of "DELETE t.* FROM", empty when none
  bool delete_simple = false;    // one table, no alias, no join

  // kInsert; kCreateView: the view's column names, empty when the SELECT's own
  std::vector<std::string> columns;
  std::vector<ExprPtr> values;  // VALUES (...), or empty for INSERT ... SELECT
  // Set by the binder: the type of each column written (those named, else the table's in order),
  // Unknown where not known.
  std::vector<Type> stored_as;

  // kUpdate, kJoinedUpdate
  std::vector<Assignment> sets;
  std::string target_ref;  // kJoinedUpdate: the name or alias the target is known by
  bool target_is_alias = false;

  // kCreateTable, kAlterAdd
  std::vector<ColumnDef> column_defs;
  std::vector<TableConstraint> table_constraints;
  std::vector<size_t>
      part_order;  // CREATE TABLE's parts in order: a column's index, or kConstraintPart + a constraint's

  // kCreateIndex, kDropIndex
  bool unique = false;
  std::string index_table;
  std::vector<IndexColumn> index_columns;
};

}  // namespace ornetta::jet::ast
