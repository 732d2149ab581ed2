// A recursive-descent parser for Jet SQL that writes the engine's SQL as it goes.
//
// Expressions follow Jet's precedence, from loosest to tightest: Imp, Eqv, Xor, Or, And, Not,
// comparisons (= <> < > <= >= Like Is Between In), &, + and -, Mod, \, * and /, unary minus, ^.
// Conditions (WHERE, ON, HAVING, the first argument of IIf) are written as the engine's
// conditions so that indexes serve them; elsewhere a comparison is a value, -1 or 0, as in Jet,
// and the operators that the engine would read otherwise (arithmetic on text, Null in And and Or)
// are jet_* functions with Jet's rules.
#include "data/jet/translate.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include "data/datetime.h"
#include "data/error.h"
#include "data/jet/column_types.h"
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

// What the translation knows of an expression's value, enough to say which results are dates.
enum class Kind { kUnknown, kNull, kDate, kNumber, kText };

// The kind of a value that is one of two (IIf's branches, Nz, Switch, Choose, UNION's parts):
// Null goes with anything; two different kinds make one that depends on the row.
Kind Merge(Kind a, Kind b) {
  if (a == Kind::kNull) return b;
  if (b == Kind::kNull || a == b) return a;
  return Kind::kUnknown;
}

// jet_add: a date moved by a number of days is a date; numbers add; two texts join.
Kind AddKind(Kind a, Kind b) {
  if (a == Kind::kNull || b == Kind::kNull) return Kind::kNull;
  if ((a == Kind::kDate && b == Kind::kNumber) || (a == Kind::kNumber && b == Kind::kDate)) return Kind::kDate;
  if (a == b && (a == Kind::kNumber || a == Kind::kText)) return a;
  return Kind::kUnknown;
}

// jet_sub: the days between two dates are a number (Jet's rule); a date less days is a date.
Kind SubtractKind(Kind a, Kind b) {
  if (a == Kind::kNull || b == Kind::kNull) return Kind::kNull;
  if (a == Kind::kDate && b == Kind::kDate) return Kind::kNumber;
  if (a == Kind::kDate && b == Kind::kNumber) return Kind::kDate;
  if (a == Kind::kNumber && b == Kind::kNumber) return Kind::kNumber;
  return Kind::kUnknown;
}

Kind KindOfType(JetType type) {
  switch (type) {
    case JetType::DateTime:
      return Kind::kDate;
    case JetType::Text:
    case JetType::Memo:
      return Kind::kText;
    case JetType::Unknown:
      return Kind::kUnknown;
    default:
      return Kind::kNumber;
  }
}

// The kind of what a Jet function returns, for the functions whose result does not depend on
// the kinds of their arguments (those are settled in Call).
Kind KindOfFunction(const std::string& word) {
  static const char* const kDates[] = {"NOW",        "DATE",       "TIME",      "DATEVALUE", "CDATE",
                                       "DATEADD",    "DATESERIAL", "TIMESERIAL", "TIMEVALUE"};
  static const char* const kTexts[] = {"LEFT",  "RIGHT",  "MID", "UCASE", "LCASE", "TRIM",  "LTRIM",  "RTRIM",     "SPACE",
                                       "STRING", "REPLACE", "CHR", "CSTR", "STR",  "FORMAT", "MONTHNAME", "WEEKDAYNAME"};
  const auto is = [&](const auto& names) { return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return word == n; }); };
  if (is(kDates)) return Kind::kDate;
  if (is(kTexts)) return Kind::kText;
  return Kind::kNumber;
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
      {"DATEVALUE", {"jet_datevalue", 1, 1}}, {"CDATE", {"jet_cdate", 1, 1}},
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
  Parser(std::string_view sql, const ColumnTypeLookup& columns) : tokens_(Tokenize(sql)), columns_(columns) {}

  Statement ParseStatement() {
    Statement out{"", false, {}};
    if (AtEnd()) throw Error(err::kSyntax, "The statement is empty.");
    const std::string verb = Upper(Peek().text);
    if (Peek().kind != TokenKind::kName) throw Fail("a statement must begin with SELECT, INSERT, UPDATE, DELETE, CREATE, DROP or ALTER");
    if (verb == "SELECT") {
      out.sql = Select();
      out.returns_rows = true;
      for (const SelectItem& item : select_items_)
        out.items.push_back({item.kind == Kind::kDate ? JetType::DateTime : JetType::Unknown, item.expands});
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
  struct TableUse {
    std::string name, alias;  // without brackets; alias empty when none; name empty for a subquery
  };

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

  // column, table.column or table.*
  std::string QualifiedName(bool allow_star = false) {
    const std::string first = Peek().text;
    std::string out = Name();
    if (IsSymbol(".")) {
      const auto it = renames_.find(Upper(first));
      if (it != renames_.end()) out = it->second;
    }
    if (AcceptSymbol(".")) {
      if (allow_star && AcceptSymbol("*")) return kind_ = Kind::kUnknown, out + ".*";
      const std::string column = Peek().text;
      out += "." + Name();
      if (IsSymbol(".")) throw Fail("a column is named table.column; tables of other databases are not supported");
      kind_ = ColumnKind(first, column);
      return out;
    }
    kind_ = ColumnKind("", first);
    return out;
  }

  // The kind of a column reference, found as the engine finds it: in the innermost SELECT whose
  // FROM has it, then outwards (a correlated subquery's outer tables).
  Kind ColumnKind(const std::string& qualifier, const std::string& column) {
    if (!columns_ || prescanning_) return Kind::kUnknown;
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      std::optional<JetType> found;
      int matches = 0;
      bool named_here = false, unseen_columns = false;
      for (const TableUse& t : *scope) {
        if (!qualifier.empty() && Upper(t.alias.empty() ? t.name : t.alias) != Upper(qualifier)) continue;
        named_here = true;
        if (t.name.empty()) {  // a subquery: its columns are not looked up
          unseen_columns = true;
          continue;
        }
        if (auto type = columns_(t.name, column)) {
          found = type;
          ++matches;
        }
      }
      if (matches == 1 && !unseen_columns) return KindOfType(*found);
      if (matches > 0 || unseen_columns || (!qualifier.empty() && named_here)) return Kind::kUnknown;
    }
    return Kind::kUnknown;
  }

  // Nesting (parentheses, subqueries, repeated unary operators) is bounded so that a hostile
  // statement cannot exhaust the stack; Jet too refuses expressions that are too complex.
  class Nested {
   public:
    explicit Nested(Parser& p) : p_(p) {
      if (++p_.depth_ > kMaxDepth) throw p_.Fail("the statement is nested too deeply");
    }
    ~Nested() { --p_.depth_; }
    Nested(const Nested&) = delete;
    Nested& operator=(const Nested&) = delete;

   private:
    Parser& p_;
  };
  static constexpr int kMaxDepth = 200;

  // --- expressions ---
  std::string Expression(bool cond = false) {
    Nested nested(*this);
    return Imp(cond);
  }

  std::string Imp(bool cond) {
    std::string left = Eqv(cond);
    while (AcceptWord("IMP")) left = "jet_imp(" + left + ", " + Eqv(false) + ")", kind_ = Kind::kNumber;
    return left;
  }
  std::string Eqv(bool cond) {
    std::string left = Xor(cond);
    while (AcceptWord("EQV")) left = "jet_eqv(" + left + ", " + Xor(false) + ")", kind_ = Kind::kNumber;
    return left;
  }
  std::string Xor(bool cond) {
    std::string left = Or(cond);
    while (AcceptWord("XOR")) left = "jet_xor(" + left + ", " + Or(false) + ")", kind_ = Kind::kNumber;
    return left;
  }
  // As conditions, the engine's AND, OR and NOT treat Null as Jet does (False And Null is
  // False); as values they are Jet's bitwise operators.
  std::string Or(bool cond) {
    std::string left = And(cond);
    while (AcceptWord("OR")) {
      left = cond ? "(" + left + " OR " + And(true) + ")" : "jet_or(" + left + ", " + And(false) + ")";
      kind_ = Kind::kNumber;
    }
    return left;
  }
  std::string And(bool cond) {
    std::string left = Not(cond);
    while (AcceptWord("AND")) {
      left = cond ? "(" + left + " AND " + Not(true) + ")" : "jet_and(" + left + ", " + Not(false) + ")";
      kind_ = Kind::kNumber;
    }
    return left;
  }
  std::string Not(bool cond) {
    Nested nested(*this);
    if (AcceptWord("NOT")) {
      std::string out = cond ? "(NOT " + Not(true) + ")" : "jet_not(" + Not(false) + ")";
      kind_ = Kind::kNumber;
      return out;
    }
    return Comparison(cond);
  }

  static std::string AsValue(const std::string& condition, bool cond) { return cond ? condition : "(-(" + condition + "))"; }

  // Text compares without regard to case. A date's stored text has no letters, so folding case
  // cannot change how it compares; leaving it out where one side is a date lets the engine use
  // an index on a date column ("dates > #...#" over a million log rows).
  static std::string CaseFold(Kind a, Kind b) {
    const bool date = a == Kind::kDate || b == Kind::kDate;
    const bool text = a == Kind::kText || b == Kind::kText;
    return date && !text ? "" : " COLLATE NOCASE";
  }

  std::string Comparison(bool cond) {
    std::string left = Concat();
    Kind left_kind = kind_;
    for (;;) {
      static const char* const kOps[] = {"=", "<>", "<", ">", "<=", ">=", "!="};
      bool matched = false;
      for (const char* op : kOps) {
        if (IsSymbol(op)) {
          Next();
          const std::string right = Concat();
          const Kind right_kind = kind_;
          const std::string engine_op = std::string(op) == "!=" ? "<>" : op;
          left = AsValue("(" + left + " " + engine_op + " " + right + CaseFold(left_kind, right_kind) + ")", cond);
          matched = true;
          left_kind = Kind::kNumber;
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
        left = negated ? (cond ? "(NOT " + match + ")" : "jet_not(" + match + ")") : match;
      } else if (AcceptWord("BETWEEN")) {
        const std::string low = Concat();
        ExpectWord("AND");
        const std::string high = Concat();
        // Jet accepts the bounds in either order; jet_between returns -1 or 0.
        const std::string match = "jet_between(" + left + ", " + low + ", " + high + ")";
        left = negated ? (cond ? "(NOT " + match + ")" : "jet_not(" + match + ")") : match;
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
        kind_ = left_kind;
        return left;
      }
      left_kind = Kind::kNumber;
    }
  }

  std::string Concat() {
    std::string left = Additive();
    while (AcceptSymbol("&")) left = "jet_concat(" + left + ", " + Additive() + ")", kind_ = Kind::kText;
    return left;
  }
  std::string Additive() {
    std::string left = Modulo();
    for (;;) {
      const Kind left_kind = kind_;
      if (AcceptSymbol("+")) {
        left = "jet_add(" + left + ", " + Modulo() + ")";
        kind_ = AddKind(left_kind, kind_);
      } else if (AcceptSymbol("-")) {
        left = "jet_sub(" + left + ", " + Modulo() + ")";
        kind_ = SubtractKind(left_kind, kind_);
      } else {
        return left;
      }
    }
  }
  std::string Modulo() {
    std::string left = IntDivide();
    while (AcceptWord("MOD")) left = "jet_mod(" + left + ", " + IntDivide() + ")", kind_ = Kind::kNumber;
    return left;
  }
  std::string IntDivide() {
    std::string left = Multiplicative();
    while (AcceptSymbol("\\")) left = "jet_intdiv(" + left + ", " + Multiplicative() + ")", kind_ = Kind::kNumber;
    return left;
  }
  std::string Multiplicative() {
    std::string left = Unary();
    for (;;) {
      if (AcceptSymbol("*")) left = "jet_mul(" + left + ", " + Unary() + ")", kind_ = Kind::kNumber;
      else if (AcceptSymbol("/")) left = "jet_div(" + left + ", " + Unary() + ")", kind_ = Kind::kNumber;
      else return left;
    }
  }
  std::string Unary() {
    Nested nested(*this);
    if (AcceptSymbol("-")) {
      const std::string operand = Unary();
      // A number written as such is negated in place; "--" would start a comment in the engine.
      const bool literal = !operand.empty() && (std::isdigit(static_cast<unsigned char>(operand[0])) || operand[0] == '.') &&
                           std::all_of(operand.begin(), operand.end(), [](unsigned char c) {
                             return std::isdigit(c) || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
                           });
      kind_ = Kind::kNumber;
      return literal ? "(- " + operand + ")" : "jet_neg(" + operand + ")";
    }
    if (AcceptSymbol("+")) return Unary();
    return Power();
  }
  std::string Power() {
    std::string left = Primary(false);
    while (AcceptSymbol("^")) left = "jet_pow(" + left + ", " + Primary(false) + ")", kind_ = Kind::kNumber;
    return left;
  }

  std::string Primary(bool cond) {
    const Token& t = Peek();
    switch (t.kind) {
      case TokenKind::kNumber:
        if (!std::isfinite(std::strtod(t.text.c_str(), nullptr)))
          throw Error(err::kOverflow, "Overflow: the number " + t.text + " at character " + std::to_string(t.offset + 1) + " is too large.");
        Next();
        kind_ = Kind::kNumber;
        return t.text;
      case TokenKind::kString:
        Next();
        kind_ = Kind::kText;
        return QuoteText(t.text);
      case TokenKind::kDate: {
        Next();
        const auto dt = ParseDateLiteral(t.text);
        if (!dt) throw Error(err::kSyntax, "Syntax error in date '#" + t.text + "#' at character " + std::to_string(t.offset + 1) + ".");
        kind_ = Kind::kDate;
        return QuoteText(FormatStoredDate(*dt));
      }
      case TokenKind::kSymbol:
        if (AcceptSymbol("(")) {
          if (IsWord("SELECT")) {
            const std::string sub = Select();
            ExpectSymbol(")");
            // A subquery's value is its one column's.
            kind_ = select_items_.size() == 1 && !select_items_[0].expands ? select_items_[0].kind : Kind::kUnknown;
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
      if (word == "TRUE" || word == "YES" || word == "ON") return Next(), kind_ = Kind::kNumber, "(-1)";
      if (word == "FALSE" || word == "NO" || word == "OFF") return Next(), kind_ = Kind::kNumber, "0";
      if (word == "NULL") return Next(), kind_ = Kind::kNull, "NULL";
      if (word == "EXISTS") {
        Next();
        ExpectSymbol("(");
        const std::string sub = Select();
        ExpectSymbol(")");
        kind_ = Kind::kNumber;
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
    std::vector<Kind> kinds;
    std::string distinct;
    if (word == "COUNT" && AcceptSymbol("*")) {
      args.push_back("*");
      kinds.push_back(Kind::kUnknown);
    } else if (!IsSymbol(")")) {
      if (AcceptWord("DISTINCT")) distinct = "DISTINCT ";
      do {
        args.push_back(word == "IIF" && args.empty() ? Expression(true) : Expression());
        kinds.push_back(kind_);
      } while (AcceptSymbol(","));
    }
    ExpectSymbol(")");
    const FunctionInfo& f = it->second;
    static const char* const kAggregates[] = {"COUNT", "SUM", "AVG", "MIN", "MAX", "FIRST", "LAST", "STDEV", "STDEVP", "VAR", "VARP"};
    if (std::any_of(std::begin(kAggregates), std::end(kAggregates), [&](const char* a) { return word == a; })) ++aggregates_;
    if (static_cast<int>(args.size()) < f.min_args || static_cast<int>(args.size()) > f.max_args)
      throw Error(err::kSyntax, "Wrong number of arguments used with function '" + name.text + "' in query expression.");
    kind_ = CallKind(word, kinds);
    if (word == "IIF") return "(CASE WHEN " + args[0] + " THEN " + args[1] + " ELSE " + args[2] + " END)";
    if (word == "NZ") return "coalesce(" + args[0] + ", " + (args.size() > 1 ? args[1] : "''") + ")";
    if (word == "ISNULL") return "(-(" + args[0] + " IS NULL))";
    std::string out = std::string(f.target) + "(" + distinct;
    for (size_t i = 0; i < args.size(); ++i) out += (i ? ", " : "") + args[i];
    return out + ")";
  }

  // Max, Min, First and Last keep their argument's kind; IIf, Nz, Switch and Choose that of the
  // argument they choose, so the kinds of all they may choose must agree.
  static Kind CallKind(const std::string& word, const std::vector<Kind>& kinds) {
    if (word == "MAX" || word == "MIN" || word == "FIRST" || word == "LAST" || word == "CVAR") return kinds[0];
    if (word == "IIF") return Merge(kinds[1], kinds[2]);
    // Nz(x) stands '' in for Null, which is then no date but also no reason to doubt the others.
    if (word == "NZ") return kinds.size() > 1 ? Merge(kinds[0], kinds[1]) : kinds[0];
    if (word == "SWITCH" || word == "CHOOSE") {
      Kind k = Kind::kNull;  // no condition holds, or the index is out of range
      for (size_t i = 1; i < kinds.size(); i += word == "SWITCH" ? 2 : 1) k = Merge(k, kinds[i]);
      return k;
    }
    return KindOfFunction(word);
  }

  // --- statements ---
  struct Item {
    std::string sql;
    std::string alias;  // quoted, or empty
    bool plain_name;    // a column as it stands: keeps its name, type and collation
    bool star;          // * or table.*
    Kind kind = Kind::kUnknown;
  };
  struct Core {  // one SELECT up to its HAVING
    bool distinct = false;
    long long top = 0;  // 0: no TOP
    bool aggregate = false;
    std::vector<Item> items;
    std::string from, where, group, having;
  };
  struct Key {
    std::string sql;
    bool desc;
    bool aggregate;
  };

  // Whether tokens [from, to) are a bare column reference: name(.name)*.
  bool IsPlainName(size_t from, size_t to) const {
    if (to <= from || (to - from) % 2 == 0) return false;
    for (size_t i = from; i < to; ++i) {
      const Token& t = tokens_[i];
      if ((i - from) % 2 == 0 ? t.kind != TokenKind::kName : !(t.kind == TokenKind::kSymbol && t.text == ".")) return false;
    }
    static const char* const kConstants[] = {"TRUE", "FALSE", "YES", "NO", "ON", "OFF", "NULL"};
    const Token& first = tokens_[from];
    return first.bracketed || to - from > 1 ||
           std::none_of(std::begin(kConstants), std::end(kConstants), [&](const char* w) { return Upper(first.text) == w; });
  }

  Core SelectCore() {
    ExpectWord("SELECT");
    Core c;
    if (AcceptWord("DISTINCT")) c.distinct = true;
    else if (!AcceptWord("DISTINCTROW")) AcceptWord("ALL");  // distinct rows of one table are all its rows
    if (AcceptWord("TOP")) {
      const std::string& n = Peek().text;
      if (Peek().kind != TokenKind::kNumber || n.find_first_not_of("0123456789") != std::string::npos || n.size() > 9)
        throw Fail("TOP needs a whole number of rows");
      c.top = std::stoll(Next().text);
      if (c.top < 1) throw Fail("TOP needs at least 1 row");
      if (IsWord("PERCENT")) throw Fail("TOP ... PERCENT is not supported; give a number of rows");
    }
    const size_t aggregates = aggregates_;
    // The list comes before FROM, but its columns' types are those of FROM's tables.
    scopes_.push_back(TablesOfFrom());
    do {
      Item item{};
      if (AcceptSymbol("*")) {
        item.sql = "*";
        item.star = true;
      } else if (Peek().kind == TokenKind::kName && IsSymbol(".", 1) && IsSymbol("*", 2)) {
        item.sql = QualifiedName(true);
        item.star = true;
      } else {
        const size_t start = pos_;
        item.sql = Expression();
        item.kind = kind_;
        item.plain_name = IsPlainName(start, pos_);
        if (AcceptWord("AS")) item.alias = Name();
      }
      c.items.push_back(std::move(item));
    } while (AcceptSymbol(","));
    if (IsWord("INTO")) throw Fail("SELECT ... INTO is not supported; use CREATE TABLE and INSERT INTO ... SELECT");
    if (AcceptWord("FROM")) {
      // Only a read-ahead collects tables; this level's were collected then.
      std::vector<TableUse>* const outer = from_tables_;
      from_tables_ = nullptr;
      c.from = FromList();
      from_tables_ = outer;
    }
    if (AcceptWord("WHERE")) c.where = Expression(true);
    if (AcceptWord("GROUP")) {
      ExpectWord("BY");
      do c.group += (c.group.empty() ? "" : ", ") + Expression() + " COLLATE NOCASE"; while (AcceptSymbol(","));
    }
    if (AcceptWord("HAVING")) c.having = Expression(true);
    c.aggregate = aggregates_ != aggregates;
    scopes_.pop_back();
    return c;
  }

  // The tables (and subqueries) that the FROM clause of the SELECT being read names, read ahead
  // and then read again in turn; empty when there is none or it cannot be read (the error then
  // comes where it always came). Subqueries met on the way are read without reading ahead in
  // them, so each level is read ahead once.
  std::vector<TableUse> TablesOfFrom() {
    std::vector<TableUse> found;
    if (!columns_ || prescanning_) return found;
    size_t from = pos_;
    for (int depth = 0;; ++from) {
      const Token& t = tokens_[std::min(from, tokens_.size() - 1)];
      if (t.kind == TokenKind::kEnd || (t.kind == TokenKind::kSymbol && t.text == ";")) return found;
      if (t.kind == TokenKind::kSymbol) depth += t.text == "(" ? 1 : t.text == ")" ? -1 : 0;
      if (depth < 0) return found;
      if (depth > 0 || t.kind != TokenKind::kName || t.bracketed) continue;
      const std::string word = Upper(t.text);
      if (word == "FROM") break;
      if (word == "UNION" || word == "WHERE" || word == "GROUP" || word == "HAVING" || word == "ORDER") return found;
    }
    const size_t pos = pos_, aggregates = aggregates_;
    const std::vector<TableUse> tables = tables_;
    std::vector<TableUse>* const outer = from_tables_;
    pos_ = from + 1;
    from_tables_ = &found;
    prescanning_ = true;
    try {
      FromList();
    } catch (const Error&) {
      found.clear();
    }
    prescanning_ = false;
    from_tables_ = outer;
    tables_ = tables;
    aggregates_ = aggregates;
    pos_ = pos;
    return found;
  }

  // fold_case: expressions compare without regard to case where rows are told apart (DISTINCT,
  // UNION); columns do so by their collation. Unnamed expressions are named as Jet names them.
  static std::string CoreSql(const Core& c, bool fold_case) {
    std::string out = c.distinct ? "SELECT DISTINCT " : "SELECT ";
    for (size_t i = 0; i < c.items.size(); ++i) {
      const Item& item = c.items[i];
      std::string sql = item.sql;
      if (!item.plain_name && !item.star && fold_case) sql += " COLLATE NOCASE";
      if (!item.alias.empty()) sql += " AS " + item.alias;
      else if (!item.plain_name && !item.star) sql += " AS [Expr" + std::to_string(1000 + i) + "]";
      out += (i ? ", " : "") + sql;
    }
    if (!c.from.empty()) out += " FROM " + c.from;
    if (!c.where.empty()) out += " WHERE " + c.where;
    if (!c.group.empty()) out += " GROUP BY " + c.group;
    if (!c.having.empty()) out += " HAVING " + c.having;
    return out;
  }

  static std::string OrderSql(const std::vector<Key>& keys) {
    std::string out;
    for (const Key& k : keys) out += std::string(out.empty() ? " ORDER BY " : ", ") + k.sql + " COLLATE NOCASE" + (k.desc ? " DESC" : "");
    return out;
  }

  std::string Select() {
    const size_t aggregates = aggregates_;  // a subquery's aggregates are its own
    Core first = SelectCore();
    std::vector<std::pair<std::string, Core>> rest;
    bool union_distinct = false;
    while (AcceptWord("UNION")) {
      const bool all = AcceptWord("ALL");
      union_distinct = union_distinct || !all;
      const size_t at = pos_;
      rest.emplace_back(all ? " UNION ALL " : " UNION ", SelectCore());
      if (rest.back().second.top) throw Error(err::kSyntax, "Syntax error at character " + std::to_string(tokens_[at].offset + 1) + ": TOP inside a UNION is not supported.");
    }
    std::vector<Key> keys;
    if (AcceptWord("ORDER")) {
      ExpectWord("BY");
      do {
        const size_t before = aggregates_;
        Key key{Expression(), false, false};
        key.aggregate = aggregates_ != before;
        if (AcceptWord("DESC")) key.desc = true;
        else AcceptWord("ASC");
        keys.push_back(std::move(key));
      } while (AcceptSymbol(","));
    }
    aggregates_ = aggregates;
    select_items_.clear();
    for (const Item& item : first.items) select_items_.push_back({item.star ? Kind::kUnknown : item.kind, item.star});
    for (const auto& [joiner, core] : rest) {
      for (size_t i = 0; i < select_items_.size(); ++i) {
        const bool same_shape = core.items.size() == select_items_.size() && !core.items[i].star;
        select_items_[i].kind = same_shape ? Merge(select_items_[i].kind, core.items[i].kind) : Kind::kUnknown;
      }
    }
    if (!rest.empty()) {
      if (first.top) throw Fail("TOP in a UNION is not supported");
      std::string out = CoreSql(first, first.distinct || union_distinct);
      for (const auto& [joiner, core] : rest) out += joiner + CoreSql(core, core.distinct || union_distinct);
      return out + OrderSql(keys);
    }
    const std::string order = OrderSql(keys);
    if (!first.top) return CoreSql(first, first.distinct) + order;
    const bool one_group = first.group.empty() && (first.aggregate || std::any_of(keys.begin(), keys.end(), [](const Key& k) { return k.aggregate; }));
    if (keys.empty() || one_group) return CoreSql(first, first.distinct) + order + " LIMIT " + std::to_string(first.top);
    return CoreSql(WithTies(first, keys), first.distinct) + order;
  }

  // TOP n keeps, as Jet does, every row that sorts level with the n-th: the rows whose keys do
  // not sort after the n-th row's keys (all rows when there are fewer than n).
  static Core WithTies(const Core& c, const std::vector<Key>& keys) {
    const std::string order = OrderSql(keys);
    auto nth = [&](const std::string& key) {
      Core probe = c;
      probe.items.push_back({key, "[jet_key]", false, false});
      return "(" + CoreSql(probe, c.distinct) + order + " LIMIT 1 OFFSET " + std::to_string(c.top - 1) + ")";
    };
    std::string cond = "1";
    for (size_t j = keys.size(); j-- > 0;) {
      const std::string& k = keys[j].sql;
      const std::string b = "(SELECT [jet_key] FROM " + nth(k) + ")";
      // Nulls sort first, as in Jet.
      const std::string before = keys[j].desc
                                     ? "(" + k + " > " + b + " COLLATE NOCASE OR (" + b + " IS NULL AND " + k + " IS NOT NULL))"
                                     : "(" + k + " < " + b + " COLLATE NOCASE OR (" + k + " IS NULL AND " + b + " IS NOT NULL))";
      const std::string level = "(" + k + " IS " + b + " COLLATE NOCASE)";
      cond = "(" + before + " OR " + (cond == "1" ? level : "(" + level + " AND " + cond + ")") + ")";
    }
    cond = "(NOT EXISTS (SELECT 1 FROM " + nth(keys[0].sql) + ") OR " + cond + ")";
    Core tied = c;
    std::string& target = c.group.empty() ? tied.where : tied.having;
    target = target.empty() ? cond : "(" + target + ") AND " + cond;
    return tied;
  }

  // A table of the open database: other databases ([file].table, IN 'file') are not reached.
  std::string TableName() {
    std::string name = Name();
    if (IsSymbol(".")) throw Fail("tables of other databases are not supported");
    return name;
  }

  std::string TableRef() {
    Nested nested(*this);
    std::string out;
    std::optional<TableUse> use;
    bool subquery = false;
    if (AcceptSymbol("(")) {
      subquery = IsWord("SELECT");
      out = subquery ? "(" + Select() + ")" : "(" + FromList() + ")";
      ExpectSymbol(")");
    } else {
      use = TableUse{Peek().text, ""};
      out = TableName();
    }
    if (IsWord("IN") && Peek(1).kind == TokenKind::kString) throw Fail("tables of other database files (IN '...') are not supported");
    std::string alias;
    if (AcceptWord("AS") || (Peek().kind == TokenKind::kName && !IsKeyword())) {
      alias = Peek().text;
      if (use) use->alias = alias;
      out += " AS " + Name();
    } else if (use) {
      // The table an UPDATE of joined tables sets is read under another name inside it.
      const auto it = renames_.find(Upper(use->name));
      if (it != renames_.end()) out += " AS " + it->second;
    }
    if (use) tables_.push_back(*use);
    // A subquery's columns are not looked up, but its name hides those of the SELECTs around it.
    if (from_tables_ && (use || subquery)) from_tables_->push_back(use ? *use : TableUse{"", alias});
    return out;
  }

  bool IsKeyword() const {
    static const char* const kWords[] = {"WHERE", "GROUP", "HAVING", "ORDER", "UNION", "INNER", "LEFT", "RIGHT",
                                         "JOIN",  "ON",    "FULL",   "CROSS", "SET",   "OUTER", "IN"};
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

  // The table of `tables_` that `ref` (a name or an alias) stands for.
  const TableUse* FindTable(const std::string& ref) const {
    for (const TableUse& t : tables_)
      if (Upper(t.alias.empty() ? t.name : t.alias) == Upper(ref)) return &t;
    return nullptr;
  }

  // DELETE [*|t.*|columns] FROM tables [WHERE ...]: Jet deletes whole rows of one table; with
  // several tables, of the one named by t.*, the rows that the join and the condition select.
  std::string Delete() {
    ExpectWord("DELETE");
    AcceptWord("DISTINCTROW");
    std::string qualifier;
    while (!IsWord("FROM") && !AtEnd()) {
      if (Peek().kind == TokenKind::kName && IsSymbol(".", 1) && IsSymbol("*", 2)) qualifier = Peek().text;
      Next();
    }
    ExpectWord("FROM");
    tables_.clear();
    const size_t list_start = pos_;
    const std::string from = FromList();
    const bool simple = pos_ == list_start + 1;  // one table, no alias, no join
    const std::string where = AcceptWord("WHERE") ? Expression(true) : "";
    if (simple) return "DELETE FROM " + from + (where.empty() ? "" : " WHERE " + where);
    const TableUse* target = !qualifier.empty() ? FindTable(qualifier) : tables_.size() == 1 ? &tables_[0] : nullptr;
    if (!target)
      throw Error(err::kSyntax, qualifier.empty() ? "Specify the table containing the records you want to delete: DELETE table.* FROM ..."
                                                  : "DELETE " + qualifier + ".* names no table of the FROM clause.");
    const std::string ref = QuoteName(target->alias.empty() ? target->name : target->alias);
    return "DELETE FROM " + QuoteName(target->name) + " WHERE rowid IN (SELECT " + ref + ".rowid FROM " + from +
           (where.empty() ? "" : " WHERE " + where) + ")";
  }

  std::string Insert() {
    ExpectWord("INSERT");
    ExpectWord("INTO");
    std::string out = "INSERT INTO " + TableName();
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

  // One column to set: [table.]column. Returns the column; `qualifier` gets the table part.
  std::string SetColumn(std::string& qualifier) {
    qualifier.clear();
    if (Peek().kind == TokenKind::kName && IsSymbol(".", 1)) {
      qualifier = Next().text;
      Next();
    }
    return Name();
  }

  std::string Update() {
    ExpectWord("UPDATE");
    AcceptWord("DISTINCTROW");
    if (Peek().kind == TokenKind::kName && IsWord("SET", 1)) {
      const std::string table = TableName();
      ExpectWord("SET");
      std::string sets, qualifier;
      do {
        const std::string column = SetColumn(qualifier);
        ExpectSymbol("=");
        sets += (sets.empty() ? "" : ", ") + column + " = " + Expression();
      } while (AcceptSymbol(","));
      return "UPDATE " + table + " SET " + sets + (AcceptWord("WHERE") ? " WHERE " + Expression(true) : "");
    }
    return JoinedUpdate();
  }

  // UPDATE tables SET t.column = ... [WHERE ...], for joined tables or an alias: the engine
  // updates one table by itself, so each row of the target that the join and the condition
  // select takes its values from its (first) joined row:
  //   UPDATE T SET c = (SELECT v FROM tables WHERE cond AND t.rowid = T.rowid LIMIT 1), ...
  //   WHERE rowid IN (SELECT t.rowid FROM tables WHERE cond)
  // Inside, T is read under an alias (the user's, or one given here) so that T.rowid is the
  // outer row.
  std::string JoinedUpdate() {
    // Which table is set: the qualifier of the first column after SET, else the first table.
    size_t set = pos_;
    for (int depth = 0; set < tokens_.size() && tokens_[set].kind != TokenKind::kEnd; ++set) {
      const Token& t = tokens_[set];
      if (t.kind == TokenKind::kSymbol) depth += t.text == "(" ? 1 : t.text == ")" ? -1 : 0;
      if (depth == 0 && t.kind == TokenKind::kName && !t.bracketed && Upper(t.text) == "SET") break;
    }
    if (set + 2 >= tokens_.size() || tokens_[set].kind == TokenKind::kEnd) throw Fail("expected SET");
    std::string target_ref;
    if (tokens_[set + 1].kind == TokenKind::kName && tokens_[set + 2].kind == TokenKind::kSymbol && tokens_[set + 2].text == ".")
      target_ref = tokens_[set + 1].text;
    else {
      size_t first = pos_;
      while (first < set && tokens_[first].kind != TokenKind::kName) ++first;
      target_ref = tokens_[first].text;
    }
    // A name that an AS (or a bare alias after a table) declares is an alias already.
    bool is_alias = false;
    for (size_t i = pos_ + 1; i < set; ++i) {
      const Token& prev = tokens_[i - 1];
      if (tokens_[i].kind != TokenKind::kName || Upper(tokens_[i].text) != Upper(target_ref) ||
          (tokens_[i + 1].kind == TokenKind::kSymbol && tokens_[i + 1].text == ".") || prev.kind != TokenKind::kName)
        continue;
      static const char* const kBefore[] = {"JOIN", "ON", "AND", "OR", "NOT", "IN", "LIKE", "IS", "BETWEEN", "XOR", "MOD"};
      if (prev.bracketed || std::none_of(std::begin(kBefore), std::end(kBefore), [&](const char* w) { return Upper(prev.text) == w; }))
        is_alias = true;
    }
    const std::string inner = is_alias ? QuoteName(target_ref) : QuoteName(target_ref + " (joined)");
    renames_.clear();
    if (!is_alias) renames_[Upper(target_ref)] = inner;
    tables_.clear();
    const std::string from = FromList();
    const TableUse* target = FindTable(target_ref);
    if (!target && !is_alias)
      for (const TableUse& t : tables_)
        if (Upper(t.name) == Upper(target_ref)) target = &t;
    if (!target) throw Fail("the table to update, '" + target_ref + "', is not among the tables");
    const std::string table = QuoteName(target->name);
    ExpectWord("SET");
    std::vector<std::pair<std::string, std::string>> sets;
    do {
      std::string qualifier;
      const std::string column = SetColumn(qualifier);
      if (!qualifier.empty() && Upper(qualifier) != Upper(target_ref))
        throw Fail("an UPDATE of joined tables can set the columns of one table only");
      ExpectSymbol("=");
      sets.emplace_back(column, Expression());
    } while (AcceptSymbol(","));
    const std::string where = AcceptWord("WHERE") ? Expression(true) : "";
    renames_.clear();
    const std::string match = inner + ".rowid = " + table + ".rowid";
    std::string out = "UPDATE " + table + " SET ";
    for (size_t i = 0; i < sets.size(); ++i)
      out += (i ? ", " : "") + sets[i].first + " = (SELECT " + sets[i].second + " FROM " + from + " WHERE " +
             (where.empty() ? "" : "(" + where + ") AND ") + match + " LIMIT 1)";
    return out + " WHERE rowid IN (SELECT " + inner + ".rowid FROM " + from + (where.empty() ? "" : " WHERE " + where) + ")";
  }

  // A column: name, Jet type (see column_types.h) and constraints.
  std::string ColumnDefinition() {
    const std::string name = Name();
    if (Peek().kind != TokenKind::kName) throw Fail("expected a type name");
    const Token type = Next();
    if (Upper(type.text) == "DOUBLE") AcceptWord("PRECISION");
    int size = 0;
    if (AcceptSymbol("(")) {  // TEXT(n); the engine keeps no NUMERIC(p, s) or COUNTER(seed, step)
      do {
        const std::string& n = Peek().text;
        if (Peek().kind != TokenKind::kNumber || n.find_first_not_of("0123456789") != std::string::npos || n.size() > 9)
          throw Fail("expected a whole number");
        if (size == 0) size = std::stoi(Next().text);
        else Next();
      } while (AcceptSymbol(","));
      ExpectSymbol(")");
    }
    const auto decl = DeclForJetType(type.text, size, name);
    if (!decl) throw Error(err::kSyntax, "Syntax error at character " + std::to_string(type.offset + 1) + ": '" + type.text + "' is not a Jet type.");
    if (JetTypeOfDecl(decl->sql) == JetType::Text && size > 255)
      throw Error(err::kSyntax, "Size of field " + name + " is too long: a Text field holds at most 255 characters; use MEMO.");
    if (AcceptWord("WITH") && !AcceptWord("COMPRESSION")) ExpectWord("COMP");  // a storage detail of Jet's
    std::string out = name + " " + decl->sql;
    for (;;) {
      if (AcceptWord("NOT")) {
        ExpectWord("NULL");
        out += " NOT NULL";
      } else if (AcceptWord("NULL")) {
      } else if (AcceptWord("PRIMARY")) {
        ExpectWord("KEY");
        if (!decl->counter) out += " PRIMARY KEY";
      } else if (AcceptWord("UNIQUE")) {
        if (!decl->counter) out += " UNIQUE";
      } else if (AcceptWord("CONSTRAINT")) {
        Name();
      } else if (AcceptWord("DEFAULT")) {
        out += " DEFAULT (" + Primary(false) + ")";
      } else if (IsWord("REFERENCES") || IsWord("CHECK")) {
        throw Fail("relationships and CHECK constraints are not supported");
      } else {
        return out;
      }
    }
  }

  std::string Create() {
    ExpectWord("CREATE");
    if (AcceptWord("TABLE")) {
      std::string out = "CREATE TABLE " + TableName() + " (";
      ExpectSymbol("(");
      std::string parts;
      do {
        if (AcceptWord("CONSTRAINT")) Name();
        if (IsWord("FOREIGN") || IsWord("CHECK")) throw Fail("relationships and CHECK constraints are not supported");
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
      out += TableName();
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
        // IGNORE NULL only leaves Nulls out of the index; the others would change what the
        // table accepts.
        if (!AcceptWord("IGNORE")) throw Fail("WITH PRIMARY and WITH DISALLOW NULL are not supported; only WITH IGNORE NULL");
        ExpectWord("NULL");
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
    if (AcceptWord("TABLE")) return "DROP TABLE " + TableName();
    if (AcceptWord("INDEX")) {
      const std::string index = Name();
      if (AcceptWord("ON")) TableName();
      return "DROP INDEX " + index;
    }
    throw Fail("only DROP TABLE and DROP INDEX are supported");
  }

  std::string Alter() {
    ExpectWord("ALTER");
    ExpectWord("TABLE");
    const std::string table = TableName();
    if (AcceptWord("ADD")) {
      AcceptWord("COLUMN");
      return "ALTER TABLE " + table + " ADD COLUMN " + ColumnDefinition();
    }
    throw Fail("only ALTER TABLE ... ADD COLUMN is supported");
  }

  std::vector<Token> tokens_;
  size_t pos_ = 0;
  int depth_ = 0;
  size_t aggregates_ = 0;                     // aggregate calls read so far
  std::vector<TableUse> tables_;              // the tables of the last FROM list
  std::map<std::string, std::string> renames_;  // upper-case table name -> the name it is read under

  // Types of results.
  struct SelectItem {
    Kind kind;
    bool expands;
  };
  const ColumnTypeLookup& columns_;
  Kind kind_ = Kind::kUnknown;                // of the expression read last
  std::vector<SelectItem> select_items_;       // of the SELECT read last
  std::vector<std::vector<TableUse>> scopes_;  // the FROM tables of each SELECT being read, outermost first
  std::vector<TableUse>* from_tables_ = nullptr;  // where a read-ahead collects them
  bool prescanning_ = false;
};

}  // namespace

Statement Translate(std::string_view jet_sql, const ColumnTypeLookup& columns) {
  return Parser(jet_sql, columns).ParseStatement();
}

}  // namespace ornetta::jet
