// Errors as the program reports them: a number and a text that a person can read. A plain value,
// so that every layer, from the Jet dialect up to the window and the tools, reports the one kind.
//
// Numbers follow the runtime's customs so that messages look as the users expect
// ("6,    Overflow"). The description never contains a password or a connection string.
#pragma once

#include <stdexcept>
#include <string>

namespace ornetta {

namespace err {
constexpr long kOverflow = 6;
constexpr long kFileNotFound = 53;
constexpr long kFileAlreadyExists = 58;
constexpr long kPermissionDenied = 70;
constexpr long kPathFileAccess = 75;
constexpr long kObjectRequired = 91;  // no object behind a reference
constexpr long kTypeMismatch = 13;
constexpr long kDivisionByZero = 11;
constexpr long kInvalidProcedureCall = 5;
constexpr long kClosedObject = 3704;         // operation on a closed connection or recordset
constexpr long kEngine = -2147467259;        // any failure reported by the database engine
constexpr long kSyntax = -2147217900;        // a statement the dialect cannot read
constexpr long kProvider = -2146824582;      // unknown provider or malformed connection string
constexpr long kNoValueGiven = -2147217904;  // a statement names a value nobody declared or gave
constexpr long kDialogCancelled = 32755;     // the file chooser was cancelled
}  // namespace err

class Error : public std::runtime_error {
 public:
  Error(long number, const std::string& description) : std::runtime_error(description), number_(number) {}

  long Number() const { return number_; }
  std::string Description() const { return what(); }

 private:
  long number_;
};

// The runtime's own overflow error, raised by 16-bit counters and lengths.
inline Error OverflowError() { return Error(err::kOverflow, "Overflow"); }

// The runtime's error for a reference with no object behind it (a closed connection or
// recordset that was released).
inline Error ObjectRequiredError() {
  return Error(err::kObjectRequired, "Object variable or With block variable not set");
}

}  // namespace ornetta
