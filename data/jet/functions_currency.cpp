// Currency arithmetic, sums and stores, on the exact amounts: the writer calls these where the binder
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

// A value stored into a Currency column: a number becomes the amount CCur makes of it (overflow
// past the range); Null and text pass, the text for the column's check to refuse by name.
void Store(sqlite3_context* ctx, int, Args a) {
  const int type = sqlite3_value_type(a[0]);
  if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) return sqlite3_result_value(ctx, a[0]);
  if (const auto amount = Amount(ctx, a[0])) ResultNumber(ctx, currency::ToNumber(*amount));
}

// Sum and Avg skip Null and are Null over no values, as the engine's are.
struct Total {
  int64_t amount;
  int64_t count;
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
  ++t->count;
}

void SumFinal(sqlite3_context* ctx) {
  const auto* t = static_cast<Total*>(sqlite3_aggregate_context(ctx, 0));
  if (!t || !t->count) return sqlite3_result_null(ctx);
  ResultNumber(ctx, currency::ToNumber(t->amount));
}

// The average of the exact total, a Double as the engine's avg gives it.
void AvgFinal(sqlite3_context* ctx) {
  const auto* t = static_cast<Total*>(sqlite3_aggregate_context(ctx, 0));
  if (!t || !t->count) return sqlite3_result_null(ctx);
  ResultNumber(ctx, currency::ToNumber(t->amount) / static_cast<double>(t->count));
}

}  // namespace

std::span<const Implementation> CurrencyFunctions() {
  static const Implementation kImplementations[] = {
      {"jet_cur_add", Arithmetic<currency::Add>},      {"jet_cur_sub", Arithmetic<currency::Subtract>},
      {"jet_cur_mul", Arithmetic<currency::Multiply>}, {"jet_cur_store", Store},
      {"jet_cur_sum", nullptr, SumStep, SumFinal},     {"jet_cur_avg", nullptr, SumStep, AvgFinal},
  };
  return kImplementations;
}

}  // namespace ornetta::jet::fn
