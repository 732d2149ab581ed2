// A recursive-descent parser for Jet SQL that writes the engine's SQL as it goes.
//
// Expressions follow Jet's precedence, from loosest to tightest: Imp, Eqv, Xor, Or, And, Not,
// comparisons (= <> < > <= >= Like Is Between In), &, + and -, Mod, \, * and /, unary minus, ^.
// Conditions (WHERE, ON, HAVING, the first argument of IIf) are written as the engine's
// conditions so that indexes serve them; elsewhere a comparison is a value, -1 or 0, as in Jet.
#include "data/jet/translate.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

#include "data/datetime.h"
#include "data/error.h"
#include "data/jet/dates.h"
#include "data/jet/tokenizer.h"

namespace ornetta::jet {

namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

// [name]: unlike "name", the engine never reads a bracketed name it cannot find as a text.
std::string QuoteName(const std::string& name) { return "[" + name + "]"; }

bool IsReserved(const std::string& upper) {
  static const char* const kWords[] = {"SELECT", "FROM",  "WHERE", "GROUP",  "HAVING", "ORDER", "BY",    "INSERT",
                                       "INTO",   "VALUES", "UPDATE", "SET",   "DELETE", "CREATE", "DROP", "ALTER",
                                       "TABLE",  "INDEX", "AND",   "OR",     "NOT",    "XOR",   "EQV",   "IMP",
                                       "MOD",    "LIKE",  "ALIKE", "BETWEEN", "IN",    "IS",    "AS",    "ON",
                                       "JOIN",   "INNER", "LEFT",  "RIGHT",  "OUTER",  "UNION", "DISTINCT", "TOP"};
  for (const char* w : kWords)
    if (upper == w) return true;
  return false;
}

std::string QuoteText(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

struct FunctionInfo {
  const char* target;  // the engine's function, or nullptr when written specially
  int min_args, max_args;
};

// Jet functions with a direct counterpart; the jet_* ones are registered by RegisterFunctions.
const std::map<std::string, FunctionInfo>& Functions() {
  static const std::map<std::string, FunctionInfo> kFunctions = {
      {"COUNT", {"count", 1, 1}},       {"SUM", {"sum", 1, 1}},         {"AVG", {"avg", 1, 1}},
      {"MIN", {"min", 1, 1}},           {"MAX", {"max", 1, 1}},         {"LEFT", {"jet_left", 2, 2}},
      {"RIGHT", {"jet_right", 2, 2}},   {"MID", {"jet_mid", 2, 3}},     {"LEN", {"jet_len", 1, 1}},
      {"UCASE", {"upper", 1, 1}},       {"LCASE", {"lower", 1, 1}},     {"TRIM", {"jet_trim", 1, 1}},
      {"LTRIM", {"jet_ltrim", 1, 1}},   {"RTRIM", {"jet_rtrim", 1, 1}}, {"INSTR", {"jet_instr", 2, 3}},
      {"NOW", {"jet_now", 0, 0}},       {"DATE", {"jet_date", 0, 0}},   {"TIME", {"jet_time", 0, 0}},
      {"YEAR", {"jet_year", 1, 1}},     {"MONTH", {"jet_month", 1, 1}}, {"DAY", {"jet_day", 1, 1}},
      {"HOUR", {"jet_hour", 1, 1}},     {"MINUTE", {"jet_minute", 1, 1}}, {"SECOND", {"jet_second", 1, 1}},
      {"ABS", {"abs", 1, 1}},           {"INT", {"jet_int", 1, 1}},     {"FIX", {"jet_fix", 1, 1}},
      {"VAL", {"jet_val", 1, 1}},       {"CSTR", {"jet_cstr", 1, 1}},   {"CLNG", {"jet_clng", 1, 1}},
      {"CINT", {"jet_cint", 1, 1}},     {"CDBL", {"jet_cdbl", 1, 1}},   {"ROUND", {"jet_round", 1, 2}},
      {"DATEVALUE", {"jet_datevalue", 1, 1}}, {"CDATE", {"jet_datevalue", 1, 1}},
      {"IIF", {nullptr, 3, 3}},         {"NZ", {nullptr, 1, 2}},        {"ISNULL", {nullptr, 1, 1}},
      // Text.
      {"SPACE", {"jet_space", 1, 1}},   {"STRING", {"jet_string", 2, 2}}, {"REPLACE", {"jet_replace", 3, 6}},
      {"STRCOMP", {"jet_strcomp", 2, 3}}, {"CHR", {"jet_chr", 1, 1}},   {"ASC", {"jet_asc", 1, 1}},
      // Conversions and numbers.
      {"STR", {"jet_str", 1, 1}},       {"CSNG", {"jet_csng", 1, 1}},   {"CCUR", {"jet_ccur", 1, 1}},
      {"CBOOL", {"jet_cbool", 1, 1}},   {"CVAR", {"jet_cvar", 1, 1}},   {"SGN", {"jet_sgn", 1, 1}},
      {"SQR", {"jet_sqr", 1, 1}},
      // Choices and tests; the engine takes at most 127 arguments.
      {"SWITCH", {"jet_switch", 2, 126}}, {"CHOOSE", {"jet_choose", 2, 127}},
      {"ISNUMERIC", {"jet_isnumeric", 1, 1}}, {"ISDATE", {"jet_isdate", 1, 1}},
      // Dates.
      {"WEEKDAY", {"jet_weekday", 1, 2}}, {"DATEADD", {"jet_dateadd", 3, 3}}, {"DATEDIFF", {"jet_datediff", 3, 5}},
      {"DATEPART", {"jet_datepart", 2, 4}}, {"DATESERIAL", {"jet_dateserial", 3, 3}},
      {"TIMESERIAL", {"jet_timeserial", 3, 3}}, {"TIMEVALUE", {"jet_timevalue", 1, 1}},
      {"MONTHNAME", {"jet_monthname", 1, 2}}, {"WEEKDAYNAME", {"jet_weekdayname", 1, 3}},
      {"FORMAT", {"jet_format", 1, 4}},
      // Aggregates.
      {"FIRST", {"jet_first", 1, 1}},   {"LAST", {"jet_last", 1, 1}},   {"STDEV", {"jet_stdev", 1, 1}},
      {"STDEVP", {"jet_stdevp", 1, 1}}, {"VAR", {"jet_var", 1, 1}},     {"VARP", {"jet_varp", 1, 1}},
  };
  return kFunctions;
}

class Parser {
 public:
  explicit Parser(std::string_view sql) : tokens_(Tokenize(sql)) {}

  Statement ParseStatement() {
    Statement out{"", false};
    if (AtEnd()) throw Error(err::kSyntax, "The statement is empty.");
    const std::string verb = Upper(Peek().text);
    if (Peek().kind != TokenKind::kName) throw Fail("a statement must begin with SELECT, INSERT, UPDATE, DELETE, CREATE, DROP or ALTER");
    if (verb == "SELECT") {
      out.sql = Select();
      out.returns_rows = true;
    } else if (verb == "DELETE") {
      out.sql = Delete();
    } else if (verb == "INSERT") {
      out.sql = Insert();
    } else if (verb == "UPDATE") {
      out.sql = Update();
    } else if (verb == "CREATE") {
      out.sql = Create();
    } else if (verb == "DROP") {
      out.sql = Drop();
    } else if (verb == "ALTER") {
      out.sql = Alter();
    } else {
      throw Fail("'" + Peek().text + "' statements are not supported");
    }
    if (IsSymbol(";")) Next();
    if (!AtEnd()) throw Fail("unexpected '" + Peek().text + "' after the end of the statement");
    return out;
  }

 private:
  // --- tokens ---
  const Token& Peek(size_t ahead = 0) const { return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)]; }
  const Token& Next() { return tokens_[std::min(pos_++, tokens_.size() - 1)]; }
  bool AtEnd() const { return Peek().kind == TokenKind::kEnd; }
  bool IsSymbol(const char* s, size_t ahead = 0) const { return Peek(ahead).kind == TokenKind::kSymbol && Peek(ahead).text == s; }
  bool IsWord(const char* w, size_t ahead = 0) const {
    return Peek(ahead).kind == TokenKind::kName && !Peek(ahead).bracketed && Upper(Peek(ahead).text) == w;
  }
  bool AcceptWord(const char* w) {
    if (!IsWord(w)) return false;
    ++pos_;
    return true;
  }
  bool AcceptSymbol(const char* s) {
    if (!IsSymbol(s)) return false;
    ++pos_;
    return true;
  }
  void ExpectWord(const char* w) {
    if (!AcceptWord(w)) throw Fail(std::string("expected ") + w);
  }
  void ExpectSymbol(const char* s) {
    if (!AcceptSymbol(s)) throw Fail(std::string("expected '") + s + "'");
  }
  Error Fail(const std::string& what) const {
    const Token& t = Peek();
    const std::string where = t.kind == TokenKind::kEnd ? "at the end of the statement"
                                                        : "at character " + std::to_string(t.offset + 1);
    return Error(err::kSyntax, "Syntax error " + where + ": " + what + ".");
  }

  // A plain name (table, column, alias, index).
  std::string Name() {
    if (Peek().kind != TokenKind::kName) throw Fail("expected a name");
    if (!Peek().bracketed && IsReserved(Upper(Peek().text)))
      throw Fail("'" + Peek().text + "' is a reserved word; write [" + Peek().text + "] for a name");
    return QuoteName(Next().text);
  }

  // table or table.column or table.*
  std::string QualifiedName() {
    std::string out = Name();
    while (IsSymbol(".")) {
      Next();
      if (AcceptSymbol("*")) return out + ".*";
      out += "." + Name();
    }
    return out;
  }

  // --- expressions ---
  std::string Expression(bool cond = false) { return Imp(cond); }

  std::string Imp(bool cond) {
    std::string left = Eqv(cond);
    while (AcceptWord("IMP")) left = Truth("((~(" + left + ")) | (" + Eqv(false) + "))", cond);
    return left;
  }
  std::string Eqv(bool cond) {
    std::string left = Xor(cond);
    while (AcceptWord("EQV")) left = Truth("(~(" + XorOf(left, Xor(false)) + "))", cond);
    return left;
  }
  std::string Xor(bool cond) {
    std::string left = Or(cond);
    while (AcceptWord("XOR")) left = Truth(XorOf(left, Or(false)), cond);
    return left;
  }
  static std::string XorOf(const std::string& a, const std::string& b) {
    return "(((" + a + ") | (" + b + ")) & ~((" + a + ") & (" + b + ")))";
  }
  // A value used where a condition is wanted stays a value: nonzero counts as true.
  static std::string Truth(const std::string& value, bool) { return value; }

  std::string Or(bool cond) {
    std::string left = And(cond);
    while (AcceptWord("OR")) left = cond ? "(" + left + " OR " + And(true) + ")" : "(" + left + " | " + And(false) + ")";
    return left;
  }
  std::string And(bool cond) {
    std::string left = Not(cond);
    while (AcceptWord("AND")) left = cond ? "(" + left + " AND " + Not(true) + ")" : "(" + left + " & " + Not(false) + ")";
    return left;
  }
  std::string Not(bool cond) {
    if (AcceptWord("NOT")) return cond ? "(NOT " + Not(true) + ")" : "(~" + Not(false) + ")";
    return Comparison(cond);
  }

  static std::string AsValue(const std::string& condition, bool cond) { return cond ? condition : "(-(" + condition + "))"; }

  std::string Comparison(bool cond) {
    std::string left = Concat();
    for (;;) {
      static const char* const kOps[] = {"=", "<>", "<", ">", "<=", ">=", "!="};
      bool matched = false;
      for (const char* op : kOps) {
        if (IsSymbol(op)) {
          Next();
          const std::string right = Concat();
          const std::string engine_op = std::string(op) == "!=" ? "<>" : op;
          left = AsValue("(" + left + " " + engine_op + " " + right + " COLLATE NOCASE)", cond);
          matched = true;
          break;
        }
      }
      if (matched) continue;
      const bool negated = IsWord("NOT") && (IsWord("LIKE", 1) || IsWord("ALIKE", 1) || IsWord("BETWEEN", 1) || IsWord("IN", 1));
      if (negated) Next();
      const std::string no = negated ? "NOT " : "";
      if (AcceptWord("LIKE") || AcceptWord("ALIKE")) {
        // Jet's wildcards (%, _, [set], [!set]) match through jet_like, which returns -1 or 0.
        const std::string match = "jet_like(" + left + ", " + Concat() + ")";
        left = negated ? (cond ? "(NOT " + match + ")" : "(~" + match + ")") : match;
      } else if (AcceptWord("BETWEEN")) {
        const std::string low = Concat();
        ExpectWord("AND");
        const std::string high = Concat();
        // Jet accepts the bounds in either order; jet_between returns -1 or 0.
        const std::string match = "jet_between(" + left + ", " + low + ", " + high + ")";
        left = negated ? (cond ? "(NOT " + match + ")" : "(~" + match + ")") : match;
      } else if (AcceptWord("IN")) {
        ExpectSymbol("(");
        std::string list;
        if (IsWord("SELECT")) {
          list = Select();
        } else {
          do list += (list.empty() ? "" : ", ") + Expression(); while (AcceptSymbol(","));
        }
        ExpectSymbol(")");
        left = AsValue("(" + left + " COLLATE NOCASE " + no + "IN (" + list + "))", cond);
      } else if (AcceptWord("IS")) {
        const bool is_not = AcceptWord("NOT");
        ExpectWord("NULL");
        left = AsValue("(" + left + (is_not ? " IS NOT NULL)" : " IS NULL)"), cond);
      } else {
        if (negated) throw Fail("expected LIKE, BETWEEN or IN after NOT");
        return left;
      }
    }
  }

  std::string Concat() {
    std::string left = Additive();
    while (AcceptSymbol("&")) left = "jet_concat(" + left + ", " + Additive() + ")";
    return left;
  }
  std::string Additive() {
    std::string left = Modulo();
    for (;;) {
      if (AcceptSymbol("+")) left = "jet_add(" + left + ", " + Modulo() + ")";
      else if (AcceptSymbol("-")) left = "jet_sub(" + left + ", " + Modulo() + ")";
      else return left;
    }
  }
  std::string Modulo() {
    std::string left = IntDivide();
    while (AcceptWord("MOD")) left = "jet_mod(" + left + ", " + IntDivide() + ")";
    return left;
  }
  std::string IntDivide() {
    std::string left = Multiplicative();
    while (AcceptSymbol("\\")) left = "jet_intdiv(" + left + ", " + Multiplicative() + ")";
    return left;
  }
  std::string Multiplicative() {
    std::string left = Unary();
    for (;;) {
      if (AcceptSymbol("*")) left = "(" + left + " * " + Unary() + ")";
      else if (AcceptSymbol("/")) left = "jet_div(" + left + ", " + Unary() + ")";
      else return left;
    }
  }
  std::string Unary() {
    if (AcceptSymbol("-")) return "(-" + Unary() + ")";
    if (AcceptSymbol("+")) return Unary();
    return Power();
  }
  std::string Power() {
    std::string left = Primary(false);
    while (AcceptSymbol("^")) left = "jet_pow(" + left + ", " + Primary(false) + ")";
    return left;
  }

  std::string Primary(bool cond) {
    const Token& t = Peek();
    switch (t.kind) {
      case TokenKind::kNumber:
        Next();
        return t.text;
      case TokenKind::kString:
        Next();
        return QuoteText(t.text);
      case TokenKind::kDate: {
        Next();
        const auto dt = ParseDateLiteral(t.text);
        if (!dt) throw Error(err::kSyntax, "Syntax error in date '#" + t.text + "#' at character " + std::to_string(t.offset + 1) + ".");
        return QuoteText(FormatStoredDate(*dt));
      }
      case TokenKind::kSymbol:
        if (AcceptSymbol("(")) {
          if (IsWord("SELECT")) {
            const std::string sub = Select();
            ExpectSymbol(")");
            return "(" + sub + ")";
          }
          const std::string inner = Expression(cond);
          ExpectSymbol(")");
          return "(" + inner + ")";
        }
        throw Fail("expected a value, not '" + t.text + "'");
      case TokenKind::kEnd:
        throw Fail("the statement ends where a value is expected");
      case TokenKind::kName:
        break;
    }
    if (!t.bracketed) {
      const std::string word = Upper(t.text);
      if (word == "TRUE" || word == "YES" || word == "ON") return Next(), "-1";
      if (word == "FALSE" || word == "NO" || word == "OFF") return Next(), "0";
      if (word == "NULL") return Next(), "NULL";
      if (word == "EXISTS") {
        Next();
        ExpectSymbol("(");
        const std::string sub = Select();
        ExpectSymbol(")");
        return AsValue("EXISTS (" + sub + ")", cond);
      }
      if (IsSymbol("(", 1)) return Call();
    }
    return QualifiedName();
  }

  std::string Call() {
    const Token name = Next();
    const std::string word = Upper(name.text);
    const auto it = Functions().find(word);
    if (it == Functions().end())
      throw Error(err::kSyntax, "Undefined function '" + name.text + "' in expression (character " + std::to_string(name.offset + 1) + ").");
    ExpectSymbol("(");
    std::vector<std::string> args;
    std::string distinct;
    if (word == "COUNT" && AcceptSymbol("*")) {
      args.push_back("*");
    } else if (!IsSymbol(")")) {
      if (AcceptWord("DISTINCT")) distinct = "DISTINCT ";
      do args.push_back(word == "IIF" && args.empty() ? Expression(true) : Expression()); while (AcceptSymbol(","));
    }
    ExpectSymbol(")");
    const FunctionInfo& f = it->second;
    if (static_cast<int>(args.size()) < f.min_args || static_cast<int>(args.size()) > f.max_args)
      throw Error(err::kSyntax, "Wrong number of arguments used with function '" + name.text + "' in query expression.");
    if (word == "IIF") return "(CASE WHEN " + args[0] + " THEN " + args[1] + " ELSE " + args[2] + " END)";
    if (word == "NZ") return "coalesce(" + args[0] + ", " + (args.size() > 1 ? args[1] : "''") + ")";
    if (word == "ISNULL") return "(-(" + args[0] + " IS NULL))";
    std::string out = std::string(f.target) + "(" + distinct;
    for (size_t i = 0; i < args.size(); ++i) out += (i ? ", " : "") + args[i];
    return out + ")";
  }

  // --- statements ---
  std::string Select() {
    ExpectWord("SELECT");
    std::string out = "SELECT ";
    std::string limit;
    if (AcceptWord("DISTINCT")) out += "DISTINCT ";
    else if (!AcceptWord("DISTINCTROW")) AcceptWord("ALL");  // distinct rows of one table are all its rows
    if (AcceptWord("TOP")) {
      if (Peek().kind != TokenKind::kNumber) throw Fail("TOP needs a whole number");
      limit = " LIMIT " + Next().text;
      if (IsWord("PERCENT")) throw Fail("TOP ... PERCENT is not supported");
    }
    std::string items;
    do {
      std::string item;
      if (AcceptSymbol("*")) {
        item = "*";
      } else {
        item = Expression();
        if (AcceptWord("AS")) item += " AS " + Name();
      }
      items += (items.empty() ? "" : ", ") + item;
    } while (AcceptSymbol(","));
    out += items;
    if (IsWord("INTO")) throw Fail("SELECT ... INTO is not supported; use CREATE TABLE and INSERT INTO ... SELECT");
    if (AcceptWord("FROM")) out += " FROM " + FromList();
    if (AcceptWord("WHERE")) out += " WHERE " + Expression(true);
    if (AcceptWord("GROUP")) {
      ExpectWord("BY");
      std::string list;
      do list += (list.empty() ? "" : ", ") + Expression() + " COLLATE NOCASE"; while (AcceptSymbol(","));
      out += " GROUP BY " + list;
    }
    if (AcceptWord("HAVING")) out += " HAVING " + Expression(true);
    while (IsWord("UNION")) {
      Next();
      out += AcceptWord("ALL") ? " UNION ALL " : " UNION ";
      std::string next = Select();
      out += next;
    }
    if (AcceptWord("ORDER")) {
      ExpectWord("BY");
      std::string list;
      do {
        std::string key = Expression() + " COLLATE NOCASE";
        if (AcceptWord("DESC")) key += " DESC";
        else AcceptWord("ASC");
        list += (list.empty() ? "" : ", ") + key;
      } while (AcceptSymbol(","));
      out += " ORDER BY " + list;
    }
    return out + limit;
  }

  std::string TableRef() {
    std::string out;
    if (AcceptSymbol("(")) {
      out = IsWord("SELECT") ? "(" + Select() + ")" : "(" + FromList() + ")";
      ExpectSymbol(")");
    } else {
      out = QualifiedName();
    }
    if (AcceptWord("AS")) out += " AS " + Name();
    else if (Peek().kind == TokenKind::kName && !IsKeyword()) out += " AS " + Name();
    return out;
  }

  bool IsKeyword() const {
    static const char* const kWords[] = {"WHERE", "GROUP", "HAVING", "ORDER", "UNION", "INNER", "LEFT", "RIGHT",
                                         "JOIN",  "ON",    "FULL",   "CROSS", "SET",   "OUTER"};
    for (const char* w : kWords)
      if (IsWord(w)) return true;
    return false;
  }

  std::string FromList() {
    std::string out = TableRef();
    for (;;) {
      if (AcceptSymbol(",")) {
        out += ", " + TableRef();
        continue;
      }
      std::string join;
      if (AcceptWord("INNER")) join = " INNER JOIN ";
      else if (AcceptWord("LEFT")) {
        AcceptWord("OUTER");
        join = " LEFT JOIN ";
      } else if (IsWord("RIGHT") || IsWord("FULL")) {
        throw Fail("RIGHT and FULL joins are not supported; write the tables the other way round with LEFT JOIN");
      }
      if (join.empty()) return out;
      ExpectWord("JOIN");
      out += join + TableRef();
      ExpectWord("ON");
      out += " ON " + Expression(true);
    }
  }

  std::string Delete() {
    ExpectWord("DELETE");
    // DELETE *, DELETE t.* and DELETE col, ... all delete whole rows in Jet.
    while (!IsWord("FROM") && !AtEnd()) Next();
    ExpectWord("FROM");
    const std::string table = QualifiedName();
    if (IsSymbol(",") || IsWord("INNER") || IsWord("LEFT") || IsWord("RIGHT"))
      throw Fail("DELETE from joined tables is not supported; delete from one table with a WHERE ... IN (SELECT ...)");
    std::string out = "DELETE FROM " + table;
    if (AcceptWord("WHERE")) out += " WHERE " + Expression(true);
    return out;
  }

  std::string Insert() {
    ExpectWord("INSERT");
    ExpectWord("INTO");
    std::string out = "INSERT INTO " + QualifiedName();
    if (AcceptSymbol("(")) {
      std::string cols;
      do cols += (cols.empty() ? "" : ", ") + Name(); while (AcceptSymbol(","));
      ExpectSymbol(")");
      out += " (" + cols + ")";
    }
    if (AcceptWord("VALUES")) {
      ExpectSymbol("(");
      std::string values;
      do values += (values.empty() ? "" : ", ") + Expression(); while (AcceptSymbol(","));
      ExpectSymbol(")");
      return out + " VALUES (" + values + ")";
    }
    if (IsWord("SELECT")) return out + " " + Select();
    throw Fail("expected VALUES or SELECT");
  }

  std::string Update() {
    ExpectWord("UPDATE");
    std::string out = "UPDATE " + QualifiedName();
    if (IsSymbol(",") || IsWord("INNER") || IsWord("LEFT") || IsWord("RIGHT"))
      throw Fail("UPDATE of joined tables is not supported; update one table with a WHERE ... IN (SELECT ...)");
    ExpectWord("SET");
    std::string sets;
    do {
      std::string column = QualifiedName();
      // The engine wants the bare column name on the left.
      const size_t dot = column.rfind("].[");
      if (dot != std::string::npos) column = column.substr(dot + 2);
      ExpectSymbol("=");
      sets += (sets.empty() ? "" : ", ") + column + " = " + Expression();
    } while (AcceptSymbol(","));
    out += " SET " + sets;
    if (AcceptWord("WHERE")) out += " WHERE " + Expression(true);
    return out;
  }

  // A Jet type name as a declared type that keeps the stored form (see column_types.h).
  std::string ColumnType(bool& counter) {
    if (Peek().kind != TokenKind::kName) throw Fail("expected a type name");
    const std::string type = Upper(Next().text);
    auto size = [&]() -> std::string {
      if (!AcceptSymbol("(")) return "";
      if (Peek().kind != TokenKind::kNumber) throw Fail("expected a size");
      const std::string n = Next().text;
      ExpectSymbol(")");
      return n;
    };
    if (type == "TEXT" || type == "CHAR" || type == "VARCHAR" || type == "STRING" || type == "ALPHANUMERIC" || type == "NVARCHAR") {
      const std::string n = size();
      return "TEXT(" + (n.empty() ? "255" : n) + ")";
    }
    if (type == "MEMO" || type == "LONGTEXT" || type == "NOTE" || type == "LONGCHAR") return "MEMO TEXT";
    if (type == "BYTE" || type == "TINYINT") return "BYTE INTEGER";
    if (type == "INTEGER" || type == "SHORT" || type == "SMALLINT" || type == "INT" || type == "INTEGER2") return "SMALLINT";
    if (type == "LONG" || type == "INTEGER4") return "LONG INTEGER";
    if (type == "SINGLE" || type == "REAL" || type == "FLOAT4" || type == "IEEESINGLE") return "SINGLE REAL";
    if (type == "DOUBLE" || type == "FLOAT" || type == "FLOAT8" || type == "NUMBER" || type == "NUMERIC" || type == "IEEEDOUBLE") {
      if (IsWord("PRECISION")) Next();
      size();
      return "DOUBLE";
    }
    if (type == "CURRENCY" || type == "MONEY") return "CURRENCY";
    if (type == "DATETIME" || type == "DATE" || type == "TIME" || type == "TIMESTAMP") return "DATETIME";
    if (type == "YESNO" || type == "BIT" || type == "LOGICAL" || type == "LOGICAL1" || type == "BOOLEAN") return "YESNO";
    if (type == "COUNTER" || type == "AUTOINCREMENT" || type == "IDENTITY") {
      if (AcceptSymbol("(")) {  // COUNTER(seed, increment): the engine counts from 1 by 1
        while (!AcceptSymbol(")")) {
          if (AtEnd()) throw Fail("expected ')'");
          Next();
        }
      }
      counter = true;
      return "INTEGER PRIMARY KEY AUTOINCREMENT";
    }
    if (type == "BINARY" || type == "VARBINARY" || type == "LONGBINARY" || type == "OLEOBJECT" || type == "GENERAL" || type == "IMAGE") {
      size();
      return "BLOB";
    }
    throw Fail("the type '" + type + "' is not a Jet type");
  }

  std::string ColumnDefinition() {
    std::string out = Name();
    bool counter = false;
    out += " " + ColumnType(counter);
    for (;;) {
      if (AcceptWord("NOT")) {
        ExpectWord("NULL");
        out += " NOT NULL";
      } else if (AcceptWord("NULL")) {
      } else if (AcceptWord("PRIMARY")) {
        ExpectWord("KEY");
        if (!counter) out += " PRIMARY KEY";
      } else if (AcceptWord("UNIQUE")) {
        if (!counter) out += " UNIQUE";
      } else if (AcceptWord("CONSTRAINT")) {
        Name();
      } else if (AcceptWord("DEFAULT")) {
        out += " DEFAULT (" + Primary(false) + ")";
      } else {
        return out;
      }
    }
  }

  std::string Create() {
    ExpectWord("CREATE");
    if (AcceptWord("TABLE")) {
      std::string out = "CREATE TABLE " + QualifiedName() + " (";
      ExpectSymbol("(");
      std::string parts;
      do {
        if (AcceptWord("CONSTRAINT")) Name();
        if (AcceptWord("PRIMARY") || AcceptWord("UNIQUE")) {
          const bool primary = tokens_[pos_ - 1].text.size() == 7;
          if (primary) ExpectWord("KEY");
          parts += std::string(parts.empty() ? "" : ", ") + (primary ? "PRIMARY KEY (" : "UNIQUE (") + NameList() + ")";
        } else {
          parts += (parts.empty() ? "" : ", ") + ColumnDefinition();
        }
      } while (AcceptSymbol(","));
      ExpectSymbol(")");
      return out + parts + ")";
    }
    const bool unique = AcceptWord("UNIQUE");
    if (AcceptWord("INDEX")) {
      std::string out = std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + Name() + " ON ";
      ExpectWord("ON");
      out += QualifiedName();
      ExpectSymbol("(");
      std::string cols;
      do {
        std::string col = Name();
        if (AcceptWord("DESC")) col += " DESC";
        else AcceptWord("ASC");
        cols += (cols.empty() ? "" : ", ") + col;
      } while (AcceptSymbol(","));
      ExpectSymbol(")");
      if (AcceptWord("WITH")) {
        while (!AtEnd() && !IsSymbol(";")) Next();  // PRIMARY, DISALLOW NULL, IGNORE NULL: not kept
      }
      return out + " (" + cols + ")";
    }
    throw Fail("only CREATE TABLE and CREATE INDEX are supported");
  }

  std::string NameList() {
    ExpectSymbol("(");
    std::string list;
    do list += (list.empty() ? "" : ", ") + Name(); while (AcceptSymbol(","));
    ExpectSymbol(")");
    return list;
  }

  std::string Drop() {
    ExpectWord("DROP");
    if (AcceptWord("TABLE")) return "DROP TABLE " + QualifiedName();
    if (AcceptWord("INDEX")) {
      const std::string index = Name();
      if (AcceptWord("ON")) QualifiedName();
      return "DROP INDEX " + index;
    }
    throw Fail("only DROP TABLE and DROP INDEX are supported");
  }

  std::string Alter() {
    ExpectWord("ALTER");
    ExpectWord("TABLE");
    const std::string table = QualifiedName();
    if (AcceptWord("ADD")) {
      AcceptWord("COLUMN");
      return "ALTER TABLE " + table + " ADD COLUMN " + ColumnDefinition();
    }
    throw Fail("only ALTER TABLE ... ADD COLUMN is supported");
  }

  std::vector<Token> tokens_;
  size_t pos_ = 0;
};

}  // namespace

Statement Translate(std::string_view jet_sql) { return Parser(jet_sql).ParseStatement(); }

}  // namespace ornetta::jet
