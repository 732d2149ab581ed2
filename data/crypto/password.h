// The stored constant from which the database password is built at run time, and the shift that
// builds it: clsProd, the repair and the tools build the password from these alone.
#pragma once

#include <string>

namespace ornetta::crypto {

// The 20-character constant, in its shifted form (UTF-8 text of its Windows-1252 codes). Passing
// it through clsProd::encryp_decryp gives the database password; the password itself is never
// stored or kept longer than one open or compaction, and whoever builds it wipes it after use
// (platform/secret_memory.h). The first call closes the process to core dumps and debuggers
// (platform/process_guard.h): the password is about to exist in its memory.
std::string StoredPasswordConstant();

// Each character's Windows-1252 code moved by 128 (mod 256): the shift between the stored form
// and the password, in both directions. Characters outside the code page become '?' first.
std::string ShiftCodes(const std::string& text);

}  // namespace ornetta::crypto
