// The parser's expressions, one function a level of Jet's precedence.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "data/values/datetime.h"
#include "data/jet/dates.h"
#include "data/jet/names.h"
#include "data/jet/parser.h"

namespace ornetta::jet {

using ast::ExprKind;
using ast::ExprPtr;
using ast::Op;

ExprPtr Parser::Node(ExprKind kind, size_t offset) {
  auto e = std::make_unique<ast::Expr>();
  e->kind = kind;
  e->offset = offset;
  return e;
}

void Parser::Adopt(ast::Expr& e, ExprPtr operand) {
  // The engine refuses expressions deeper than 1000 anyway ("Expression tree is too large").
  static constexpr int kMaxHeight = 1000;
  e.height = std::max(e.height, operand->height + 1);
  if (e.height > kMaxHeight)
    throw Error(err::kSyntax, "Syntax error at character " + std::to_string(e.offset + 1) +
                                  ": the expression is too complex (more than 1000 operators deep); split it up.");
  e.args.push_back(std::move(operand));
}

ExprPtr Parser::Binary(Op op, size_t offset, ExprPtr left, ExprPtr right) {
  ExprPtr e = Node(ExprKind::kBinary, offset);
  e->op = op;
  Adopt(*e, std::move(left));
  Adopt(*e, std::move(right));
  return e;
}

ExprPtr Parser::Expression() {
  Nested nested(*this);
  return Imp();
}

// Each loop below builds a left-leaning chain: a op b op c is (a op b) op c.
#define JET_LEFT_CHAIN(Self, Operand, Accept, OP)                                                                  \
  ExprPtr Parser::Self() {                                                                                         \
    ExprPtr left = Operand();                                                                                      \
    for (size_t at = Peek().offset; Accept; at = Peek().offset) left = Binary(OP, at, std::move(left), Operand()); \
    return left;                                                                                                   \
  }
JET_LEFT_CHAIN(Imp, Eqv, AcceptWord("IMP"), Op::kImp)
JET_LEFT_CHAIN(Eqv, Xor, AcceptWord("EQV"), Op::kEqv)
JET_LEFT_CHAIN(Concat, Additive, AcceptSymbol("&"), Op::kConcat)
JET_LEFT_CHAIN(Modulo, IntDivide, AcceptWord("MOD"), Op::kMod)
JET_LEFT_CHAIN(IntDivide, Multiplicative, AcceptSymbol("\\"), Op::kIntDiv)
JET_LEFT_CHAIN(Power, Primary, AcceptSymbol("^"), Op::kPow)
#undef JET_LEFT_CHAIN

// Xor, Or and And share their level with the bitwise BXor, BOr and BAnd.
ExprPtr Parser::LogicalChain(ExprPtr (Parser::*operand)(), const char* word, Op op, const char* bit_word, Op bit_op) {
  ExprPtr left = (this->*operand)();
  for (size_t at = Peek().offset;; at = Peek().offset) {
    const bool logical = AcceptWord(word);
    if (!logical && !AcceptWord(bit_word)) return left;
    left = Binary(logical ? op : bit_op, at, std::move(left), (this->*operand)());
  }
}
ExprPtr Parser::Xor() { return LogicalChain(&Parser::Or, "XOR", Op::kXor, "BXOR", Op::kBXor); }
ExprPtr Parser::Or() { return LogicalChain(&Parser::And, "OR", Op::kOr, "BOR", Op::kBOr); }
ExprPtr Parser::And() { return LogicalChain(&Parser::Not, "AND", Op::kAnd, "BAND", Op::kBAnd); }

ExprPtr Parser::Not() {
  Nested nested(*this);
  const size_t at = Peek().offset;
  const bool bitwise = IsWord("BNOT");
  if (bitwise || AcceptWord("NOT")) {
    if (bitwise) Next();
    ExprPtr e = Node(ExprKind::kUnary, at);
    e->op = bitwise ? Op::kBNot : Op::kNot;
    Adopt(*e, Not());
    return e;
  }
  return Comparison();
}

ExprPtr Parser::Comparison() {
  ExprPtr left = Concat();
  for (;;) {
    static const struct {
      const char* symbol;
      Op op;
    } kOps[] = {{"=", Op::kEq},  {"<>", Op::kNe}, {"<", Op::kLt}, {">", Op::kGt},
                {"<=", Op::kLe}, {">=", Op::kGe}, {"!=", Op::kNe}};
    const size_t at = Peek().offset;
    bool matched = false;
    for (const auto& o : kOps) {
      if (AcceptSymbol(o.symbol)) {
        left = Binary(o.op, at, std::move(left), Concat());
        matched = true;
        break;
      }
    }
    if (matched) continue;
    const bool negated =
        IsWord("NOT") && (IsWord("LIKE", 1) || IsWord("ALIKE", 1) || IsWord("BETWEEN", 1) || IsWord("IN", 1));
    if (negated) Next();
    ExprPtr e;
    if (AcceptWord("LIKE") || AcceptWord("ALIKE")) {
      e = Node(ExprKind::kLike, at);
      Adopt(*e, std::move(left));
      Adopt(*e, Concat());
    } else if (AcceptWord("BETWEEN")) {
      e = Node(ExprKind::kBetween, at);
      Adopt(*e, std::move(left));
      Adopt(*e, Concat());
      ExpectWord("AND");
      Adopt(*e, Concat());
    } else if (AcceptWord("IN")) {
      e = Node(ExprKind::kIn, at);
      Adopt(*e, std::move(left));
      ExpectSymbol("(");
      if (IsWord("SELECT"))
        e->select = Select();
      else
        do Adopt(*e, Expression());
        while (AcceptSymbol(","));
      ExpectSymbol(")");
    } else if (AcceptWord("IS")) {
      e = Node(ExprKind::kIsNull, at);
      e->negated = AcceptWord("NOT");
      ExpectWord("NULL");
      Adopt(*e, std::move(left));
      left = std::move(e);
      continue;
    } else {
      if (negated) throw Fail("expected LIKE, BETWEEN or IN after NOT");
      return left;
    }
    e->negated = negated;
    left = std::move(e);
  }
}

ExprPtr Parser::Additive() {
  ExprPtr left = Modulo();
  for (size_t at = Peek().offset;; at = Peek().offset) {
    if (AcceptSymbol("+"))
      left = Binary(Op::kAdd, at, std::move(left), Modulo());
    else if (AcceptSymbol("-"))
      left = Binary(Op::kSub, at, std::move(left), Modulo());
    else
      return left;
  }
}

ExprPtr Parser::Multiplicative() {
  ExprPtr left = Unary();
  for (size_t at = Peek().offset;; at = Peek().offset) {
    if (AcceptSymbol("*"))
      left = Binary(Op::kMul, at, std::move(left), Unary());
    else if (AcceptSymbol("/"))
      left = Binary(Op::kDiv, at, std::move(left), Unary());
    else
      return left;
  }
}

ExprPtr Parser::Unary() {
  Nested nested(*this);
  const size_t at = Peek().offset;
  const bool minus = IsSymbol("-");
  if (!minus && !IsSymbol("+")) return Power();
  Next();
  ExprPtr e = Node(ExprKind::kUnary, at);
  e->op = minus ? Op::kNeg : Op::kPlus;
  Adopt(*e, Unary());
  return e;
}

ExprPtr Parser::Primary() {
  const Token& t = Peek();
  switch (t.kind) {
    case TokenKind::kNumber: {
      if (!std::isfinite(std::strtod(t.text.c_str(), nullptr)))
        throw Error(err::kOverflow, "Overflow: the number " + t.text + " at character " + std::to_string(t.offset + 1) +
                                        " is too large.");
      ExprPtr e = Node(ExprKind::kNumber, t.offset);
      e->text = Next().text;
      return e;
    }
    case TokenKind::kString: {
      ExprPtr e = Node(ExprKind::kString, t.offset);
      e->text = Next().text;
      return e;
    }
    case TokenKind::kDate: {
      const auto dt = ParseDateLiteral(t.text, clock_);
      if (!dt)
        throw Error(err::kSyntax,
                    "Syntax error in date '#" + t.text + "#' at character " + std::to_string(t.offset + 1) + ".");
      ExprPtr e = Node(ExprKind::kDate, t.offset);
      e->text = FormatStoredDate(*dt);
      Next();
      return e;
    }
    case TokenKind::kSymbol:
      if (IsSymbol("(")) {
        ExprPtr e = Node(ExprKind::kParen, Next().offset);
        if (IsWord("SELECT")) {
          e->kind = ExprKind::kSubquery;
          e->select = Select();
        } else {
          Adopt(*e, Expression());
        }
        ExpectSymbol(")");
        return e;
      }
      throw Fail("expected a value, not '" + t.text + "'");
    case TokenKind::kEnd: throw Fail("the statement ends where a value is expected");
    case TokenKind::kName: break;
  }
  if (!t.bracketed) {
    const size_t at = t.offset;
    if (IsWord("TRUE") || IsWord("YES") || IsWord("ON") || IsWord("FALSE") || IsWord("NO") || IsWord("OFF")) {
      ExprPtr e = Node(ExprKind::kBool, at);
      e->truth = IsWord("TRUE") || IsWord("YES") || IsWord("ON");
      Next();
      return e;
    }
    if (AcceptWord("NULL")) return Node(ExprKind::kNull, at);
    if (AcceptWord("EXISTS")) {
      ExprPtr e = Node(ExprKind::kExists, at);
      ExpectSymbol("(");
      e->select = Select();
      ExpectSymbol(")");
      return e;
    }
    if (IsSymbol("(", 1)) return Call();
  }
  return Column();
}

ExprPtr Parser::Call() {
  ExprPtr e = Node(ExprKind::kCall, Peek().offset);
  e->text = Next().text;
  ExpectSymbol("(");
  if (SameName(e->text, "COUNT") && AcceptSymbol("*")) {
    e->count_star = true;
  } else if (!IsSymbol(")")) {
    e->distinct = AcceptWord("DISTINCT");
    do Adopt(*e, Expression());
    while (AcceptSymbol(","));
  }
  ExpectSymbol(")");
  return e;
}

// column, or table.column (table!column too, as Jet reads it)
ExprPtr Parser::Column() {
  if ((IsWord("FORMS") || IsWord("REPORTS") ||
       (Peek().bracketed && (SameName(Peek().text, "Forms") || SameName(Peek().text, "Reports")))) &&
      IsSymbol("!", 1))
    FormReference();
  ExprPtr e = Node(ExprKind::kColumn, Peek().offset);
  e->bracketed = Peek().bracketed;
  e->text = Name();
  if (AcceptSymbol(".") || AcceptSymbol("!")) {
    e->qualifier = std::move(e->text);
    e->text = Name();
    if (IsSymbol(".") || IsSymbol("!"))
      throw Fail("a column is named table.column; tables of other databases are not supported");
  }
  return e;
}

// Forms!Orders!OrderID reads a control of a form open in Access, which does not run here.
void Parser::FormReference() {
  const size_t at = Peek().offset;
  std::string text = Next().text;
  while ((IsSymbol("!") || IsSymbol(".")) && Peek(1).kind == TokenKind::kName) {
    text += Next().text;
    text += Next().text;
  }
  throw Error(err::kSyntax,
              "The form reference " + text + " (character " + std::to_string(at + 1) +
                  ") reads a form or report of Access, which does not run here: write the value itself in its place.");
}

}  // namespace ornetta::jet
