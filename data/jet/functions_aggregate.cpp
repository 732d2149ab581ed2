// Jet's aggregates that the engine lacks: First, Last, StDev, StDevP, Var and VarP.
#include <cmath>

#include "data/jet/function_values.h"

namespace ornetta::jet::fn {

namespace {

// First and Last keep the value of the first or last row as the rows come, Null included.
struct Kept {
  sqlite3_value* value;
  bool seen;
};

template <bool kLast>
void KeepStep(sqlite3_context* ctx, int, Args a) {
  auto* k = static_cast<Kept*>(sqlite3_aggregate_context(ctx, sizeof(Kept)));
  if (!k) return sqlite3_result_error_nomem(ctx);
  if (k->seen && !kLast) return;
  sqlite3_value* copy = sqlite3_value_dup(a[0]);
  if (!copy) return sqlite3_result_error_nomem(ctx);
  sqlite3_value_free(k->value);
  k->value = copy;
  k->seen = true;
}

void KeepFinal(sqlite3_context* ctx) {
  auto* k = static_cast<Kept*>(sqlite3_aggregate_context(ctx, 0));
  if (!k || !k->seen) return sqlite3_result_null(ctx);
  sqlite3_result_value(ctx, k->value);
  sqlite3_value_free(k->value);
  k->value = nullptr;
}

// Welford's running mean and sum of squared deviations: no cancellation on large values.
struct Spread {
  long long n;
  double mean, m2;
};

void SpreadStep(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return;  // like Sum and Avg, the deviations skip Null
  auto* s = static_cast<Spread*>(sqlite3_aggregate_context(ctx, sizeof(Spread)));
  if (!s) return sqlite3_result_error_nomem(ctx);
  double x;
  if (!Number(ctx, a[0], x)) return;
  ++s->n;
  const double delta = x - s->mean;
  s->mean += delta / static_cast<double>(s->n);
  s->m2 += delta * (x - s->mean);
}

// kSample: divide by n - 1 and need two values; otherwise by n and need one.
template <bool kSample, bool kRoot>
void SpreadFinal(sqlite3_context* ctx) {
  const auto* s = static_cast<Spread*>(sqlite3_aggregate_context(ctx, 0));
  const long long n = s ? s->n : 0;
  if (n < (kSample ? 2 : 1)) return sqlite3_result_null(ctx);
  const double variance = s->m2 / static_cast<double>(kSample ? n - 1 : n);
  ResultNumber(ctx, kRoot ? std::sqrt(variance) : variance);
}

}  // namespace

std::span<const Implementation> AggregateFunctions() {
  static const Implementation kImplementations[] = {
      {"jet_first", nullptr, KeepStep<false>, KeepFinal},
      {"jet_last", nullptr, KeepStep<true>, KeepFinal},
      {"jet_stdev", nullptr, SpreadStep, SpreadFinal<true, true>},
      {"jet_stdevp", nullptr, SpreadStep, SpreadFinal<false, true>},
      {"jet_var", nullptr, SpreadStep, SpreadFinal<true, false>},
      {"jet_varp", nullptr, SpreadStep, SpreadFinal<false, false>},
  };
  return kImplementations;
}

}  // namespace ornetta::jet::fn
