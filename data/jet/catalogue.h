// The Jet functions that statements may call: how the binder checks and types a call, and which
// engine function carries it out. RegisterFunctions registers each engine function under the
// catalogue's name and argument counts, so the two cannot drift apart.
#pragma once

#include <span>
#include <string_view>

#include "data/jet/types.h"

namespace ornetta::jet {

struct FunctionSpec {
  enum Result {
    kFixed,          // always `type`
    kFirstArg,       // its (first) argument's type: Max, Min, First, Last, CVar
    kChosen,         // the type of the argument it chooses: IIf, Nz, Switch, Choose
    kKeepsCurrency,  // `type`, but Currency over Currency: Sum
  };
  const char* name;    // Jet's, in upper case; empty for an operator's engine function
  const char* engine;  // the engine's function; nullptr where the writer spells the call out
  int min_args, max_args;
  bool aggregate;
  Result result;
  Type type;  // kFixed
};

// Every entry, operators' engine functions included.
std::span<const FunctionSpec> Catalogue();

// The function `upper_name` (upper case); nullptr when Jet has none of that name.
const FunctionSpec* FindFunction(std::string_view upper_name);
// The entry whose engine function is `engine`; nullptr when none.
const FunctionSpec* FindEngineFunction(std::string_view engine);

}  // namespace ornetta::jet
