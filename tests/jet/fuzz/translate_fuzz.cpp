// libFuzzer target: any bytes given to the Jet SQL translation either translate or fail with a
// readable error; nothing else (no crash, no hang, no undefined behaviour).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/error.h"
#include "data/jet/dates.h"
#include "data/jet/translate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const ornetta::jet::Statement s = ornetta::jet::Translate(text);
    if (s.sql.empty()) __builtin_trap();  // a translation is never empty
  } catch (const ornetta::Error& e) {
    if (e.Description().empty()) __builtin_trap();  // every refusal says why
  }
  (void)ornetta::jet::ParseDateLiteral(text);
  return 0;
}
