// What the importer's tests share: the sample files, a run of the importer with what it printed,
// the target's rows through the engine, and the source's rows as the library itself prints them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/engine/engine.h"
#include "tests/support/installation.h"

namespace ornetta::import::testing {

// The public Jet 4 samples; tests that need them are skipped when the folder is missing.
std::filesystem::path Sample(const std::string& name);
#define ORNETTA_NEED_SAMPLES()                                                         \
  do {                                                                                 \
    if (!std::filesystem::exists(::ornetta::import::testing::Sample("testV2003.mdb"))) \
      GTEST_SKIP() << "the sample Access files are not at " << ORNETTA_JET_SAMPLES;    \
  } while (0)

struct ImportRun {
  int status = -1;
  std::string out, err;  // the report (standard output) and messages (standard error)
};

// Runs the importer in this process, as the command does.
ImportRun RunImport(const std::filesystem::path& source, const std::filesystem::path& target, bool overwrite = false);

// The target opened with the deployment password.
engine::Handle OpenTarget(const std::filesystem::path& file);

// Every row of `sql`, each value as the engine gives it: "<null>", a number as the engine prints
// it, text as it is, a blob as "x'..'" in hex.
std::vector<std::vector<std::string>> Rows(sqlite3* db, const std::string& sql);
std::string One(sqlite3* db, const std::string& sql);

// The rows of a table as libmdb's own text conversion gives them (bound columns): dates as
// "%Y-%m-%d %H:%M:%S", Yes/No as 1/0, Currency with four decimals, Double with 16 digits, Memo
// whole, "<null>" for Null. An oracle apart from the importer's own decoding.
std::vector<std::vector<std::string>> LibraryRows(const std::filesystem::path& file, const std::string& table);

// Files in `folder` (names), to see that nothing was left behind.
std::vector<std::string> Entries(const std::filesystem::path& folder);

}  // namespace ornetta::import::testing
