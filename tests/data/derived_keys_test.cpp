// Derived keys kept for the process: files open with them exactly as with the password, in both
// directions, and a key is derived once per file salt.
#include <gtest/gtest.h>

#include <fstream>

#include "data/crypto/derived_keys.h"
#include "data/engine/connection_string.h"
#include "data/engine/engine.h"
#include "data/engine/jet_engine.h"
#include "data/clsProd.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta::crypto {
namespace {

namespace fs = std::filesystem;
using namespace engine;  // the keys are watched as the engine opens and compacts files

// Opens with the password the engine's own way, with no raw key: what any other tool does.
long long CountWithPassword(const fs::path& file, const std::string& password, const char* table) {
  sqlite3* raw = nullptr;
  EXPECT_EQ(sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  Handle db(raw);
  sqlite3_key(db.get(), password.data(), static_cast<int>(password.size()));
  Exec(db.get(), "PRAGMA cipher_page_size = " + std::to_string(kPageSize) + ";");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db.get(), (std::string("SELECT count(*) FROM ") + table).c_str(), -1, &st, nullptr);
  const long long n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
  sqlite3_finalize(st);
  return n;
}

TEST(DerivedKeysTest, FilesOpenAlikeWithTheKeptKeyAndWithThePassword) {
  testing::DemoInstallation install;
  const std::string pw = demo::DeploymentPassword();
  const fs::path year = install.year_database(), copy = install.database_folder() / "TMPcopy.mdb";
  const long long invoices = CountWithPassword(year, pw, "Invoices");
  ASSERT_GT(invoices, 0) << "the demo file opens the engine's own way";

  ForgetDerivedKeys();
  const long before = KeysDerived();
  Open(year, pw);  // made with the password: opens with a key derived here
  EXPECT_EQ(KeysDerived(), before + 1);
  Open(year, pw);
  Open(year, pw, OpenMode::kCompactSource);
  EXPECT_EQ(KeysDerived(), before + 1) << "derived once per salt";

  // The compacted copy takes the source's salt, and opens with the password the engine's way.
  JetEngine().CompactDatabase(CompactionSourceString(year.string(), pw),
                              CompactionDestinationString(copy.string(), pw));
  EXPECT_EQ(ReadSalt(copy), ReadSalt(year));
  EXPECT_EQ(KeysDerived(), before + 1) << "the copy needed no key of its own";
  EXPECT_EQ(CountWithPassword(copy, pw, "Invoices"), invoices);
  ForgetDerivedKeys();
  Open(copy, pw);
  EXPECT_EQ(KeysDerived(), before + 2);
}

// A key prepared beside other work is derived once, however soon the file is opened.
TEST(DerivedKeysTest, APreparedKeyIsDerivedOnceEvenWhenTheFileIsOpenedAtOnce) {
  testing::DemoInstallation install;
  const std::string pw = demo::DeploymentPassword();
  ForgetDerivedKeys();
  const long before = KeysDerived();
  {
    KeyPreparation prepared({install.year_database(), install.database_folder() / "missing.mdb"}, pw);
    Open(install.year_database(), pw);  // waits for the key being prepared instead of deriving it too
  }
  EXPECT_EQ(KeysDerived(), before + 1);
}

// Start-up derives the year database's key while the start database is read: only the two keys
// are derived, the year database's being the one prepared (the demo's current year is written last).
TEST(DerivedKeysTest, StartUpDerivesEachOfItsTwoKeysOnce) {
  testing::DemoInstallation install;
  // As the application leaves it: the current year's database written last.
  fs::last_write_time(install.year_database(), fs::file_time_type::clock::now() + std::chrono::seconds(5));
  testing::RecordingHost host(install.program_folder());
  clsProd prod(host);
  ForgetDerivedKeys();
  const long before = KeysDerived();
  prod.Get_Connection();
  EXPECT_EQ(prod.dbconnection->State(), 1);
  EXPECT_EQ(KeysDerived(), before + 2);

  // Started before the window, as the program does: the same two keys, none derived twice, and
  // the connection opens with them.
  prod.Leave_Connection();
  ForgetDerivedKeys();
  {
    const auto keys = clsProd::PrepareKeys(install.program_folder());
    prod.Get_Connection();
  }
  EXPECT_EQ(prod.dbconnection->State(), 1);
  EXPECT_EQ(KeysDerived(), before + 4);
}

TEST(DerivedKeysTest, AWrongPasswordIsStillRefusedWithoutShowingAnyKey) {
  testing::DemoInstallation install;
  Open(install.year_database(), demo::DeploymentPassword());
  for (const std::string wrong : {"Orn3tta-Dev-Key-2027", "x", "x'00'"}) {
    try {
      Open(install.year_database(), wrong);
      ADD_FAILURE() << "opened with a wrong password";
    } catch (const Error& e) {
      const std::string text = e.what();
      EXPECT_NE(text.find("not a valid password"), std::string::npos) << text;
      EXPECT_EQ(text.find("x'"), std::string::npos) << "no key text in " << text;
    }
  }
  EXPECT_FALSE(ReadSalt(install.database_folder() / "missing.mdb"));
}

// Kilobytes of this process's memory locked in RAM.
long LockedKib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmLck:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

TEST(DerivedKeysTest, KeptKeysLiveInLockedMemoryUntilForgotten) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer makes mlock do nothing";
#endif
  ForgetDerivedKeys();
  const long before = LockedKib();
  ASSERT_GE(before, 0);
  const Salt salt{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  std::string text = RawKeyText("a password of twenty", salt, false);
  WipeKeyText(text);
  EXPECT_GT(LockedKib(), before) << "the kept key is in memory that may be swapped out";
  ForgetDerivedKeys();
  EXPECT_EQ(LockedKib(), before) << "a forgotten key's pages stay";
}

}  // namespace
}  // namespace ornetta::crypto
