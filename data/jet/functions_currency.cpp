// Currency arithmetic and sums, on the exact amounts: the writer calls these where the binder
// typed the result Currency, so that CCur(1.1) * 3 is 3.3 and a column of amounts sums to the
// cent, with no binary fraction creeping in.
#include <optional>

#include "data/jet/currency.h"
#include "data/jet/function_values.h"

namespace ornetta::jet::fn {

namespace {

// An operand as an amount: a whole number exactly, any other rounded to four places.
std::optional<int64_t> Amount(sqlite3_context* ctx, sqlite3_value* v) {
  std::optional<int64_t> amount;
  if (sqlite3_value_numeric_type(v) == SQLITE_INTEGER) {
    amount = currency::FromWhole(sqlite3_value_int64(v));
  } else {
    double x;
    if (!Number(ctx, v, x)) return std::nullopt;
    amount = currency::FromNumber(x);
  }
  if (!amount) ResultError(ctx, kOverflow);
  return amount;
}

void ResultAmount(sqlite3_context* ctx, std::optional<int64_t> amount) {
  if (!amount) return ResultError(ctx, kOverflow);
  ResultNumber(ctx, currency::ToNumber(*amount));
}

template <std::optional<int64_t> (*kOp)(int64_t, int64_t)>
void Arithmetic(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  const auto x = Amount(ctx, a[0]);
  if (!x) return;
  const auto y = Amount(ctx, a[1]);
  if (y) ResultAmount(ctx, kOp(*x, *y));
}

// Sum skips Null and is Null over no values, as the engine's sum is.
struct Total {
  int64_t amount;
  bool seen;
};

void SumStep(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return;
  auto* t = static_cast<Total*>(sqlite3_aggregate_context(ctx, sizeof(Total)));
  if (!t) return sqlite3_result_error_nomem(ctx);
  const auto x = Amount(ctx, a[0]);
  if (!x) return;
  const auto sum = currency::Add(t->amount, *x);
  if (!sum) return ResultError(ctx, kOverflow);
  t->amount = *sum;
  t->seen = true;
}

void SumFinal(sqlite3_context* ctx) {
  const auto* t = static_cast<Total*>(sqlite3_aggregate_context(ctx, 0));
  if (!t || !t->seen) return sqlite3_result_null(ctx);
  ResultNumber(ctx, currency::ToNumber(t->amount));
}

}  // namespace

std::span<const Implementation> CurrencyFunctions() {
  static const Implementation kImplementations[] = {
      {"jet_cur_add", Arithmetic<currency::Add>},
      {"jet_cur_sub", Arithmetic<currency::Subtract>},
      {"jet_cur_mul", Arithmetic<currency::Multiply>},
      {"jet_cur_sum", nullptr, SumStep, SumFinal},
  };
  return kImplementations;
}

}  // namespace ornetta::jet::fn
