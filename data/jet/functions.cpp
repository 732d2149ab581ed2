// Registration of the jet_* engine functions: each group's implementations, under the names and
// argument counts of the one catalogue that the binder checks calls against.
#include "data/jet/functions.h"

#include <string_view>

#include "data/jet/catalogue.h"
#include "data/jet/function_values.h"

namespace ornetta::jet {

namespace {

void Register(sqlite3* db, const fn::Implementation& f, int args, const Clock& clock) {
  const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
  // Every function may read the clock (fn::ClockOf): a date text without a year takes the current one.
  void* clock_data = const_cast<Clock*>(&clock);
  sqlite3_create_function_v2(db, f.engine, args, flags, clock_data, f.fn, f.step, f.final, nullptr);
}

}  // namespace

void RegisterFunctions(sqlite3* db, const Clock& clock) {
  for (auto group :
       {fn::OperatorFunctions(), fn::NumberFunctions(), fn::TextFunctions(), fn::DateFunctions(), fn::FormatFunctions(),
        fn::AggregateFunctions(), fn::CurrencyFunctions(), fn::ConversionFunctions()}) {
    for (const fn::Implementation& f : group) {
      const FunctionSpec* signature = FindEngineFunction(f.engine);
      if (!signature) continue;  // no statement can call it
      // A few counts are registered one by one; a long range (Switch, Choose) as any count.
      if (signature->max_args - signature->min_args > 3)
        Register(db, f, -1, clock);
      else
        for (int n = signature->min_args; n <= signature->max_args; ++n) Register(db, f, n, clock);
    }
  }
}

}  // namespace ornetta::jet
