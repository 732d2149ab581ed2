// What the importer does with input it cannot carry, and when it is stopped: a clear message,
// exit status 1, and no target, temporary file or report left behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "bench/jet_fixture.h"
#include "tests/import/import_fixture.h"
#include "tools/import/importer.h"

namespace ornetta::import::testing {
namespace {

namespace fs = std::filesystem;

class ImportFailureTest : public ::testing::Test {
 protected:
  void SetUp() override { ORNETTA_NEED_SAMPLES(); }

  // A writable copy of a sample with `change` applied to its bytes.
  fs::path Damaged(const std::string& name, const std::function<void(std::string&)>& change) {
    std::ifstream in(Sample("testV2003.mdb"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    change(bytes);
    const fs::path p = folder.path() / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }

  // The run failed with a message containing `message`, and left nothing but the inputs.
  void ExpectRefused(const fs::path& source, const std::string& message, const std::vector<std::string>& inputs) {
    const fs::path target = folder.path() / "target.mdb";
    const ImportRun run = RunImport(source, target);
    EXPECT_EQ(run.status, kFailed) << run.out;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Nothing was written."), std::string::npos) << run.err;
    EXPECT_EQ(Entries(folder.path()), inputs);
  }

  ornetta::testing::TempFolder folder;
};

TEST_F(ImportFailureTest, BadSourcesAreRefusedWithTheirReason) {
  std::ofstream(folder.path() / "notes.mdb") << "Minutes of the meeting\n";
  ExpectRefused(folder.path() / "notes.mdb", "is not an Access database: it does not begin as a Jet or ACE file does",
                {"notes.mdb"});
  fs::remove(folder.path() / "notes.mdb");

  ExpectRefused(folder.path() / "missing.mdb", "does not exist", {});

  // An .accdb of an engine version the library does not know (the version byte of a future one).
  const fs::path accdb = Damaged("new.accdb", [](std::string& b) {
    std::memcpy(&b[4], "Standard ACE DB", 15);
    b[0x14] = static_cast<char>(0xfb);
  });
  ExpectRefused(accdb, "cannot be read as an Access database", {"new.accdb"});
  fs::remove(accdb);

  // Encrypted with RC4 under a key the library does not get right: the header names a key (its
  // bytes XOR-masked in the file), the pages do not decrypt.
  const fs::path encrypted = Damaged("locked.mdb", [](std::string& b) {
    for (int i = 0x3e; i < 0x42; ++i) b[i] = static_cast<char>(b[i] ^ 0x5a);
  });
  ExpectRefused(encrypted, "cannot be read: the file is damaged or encrypted", {"locked.mdb"});
  fs::remove(encrypted);

  // The page of the object list zeroed; then the file cut short after the object list.
  const fs::path zeroed =
      Damaged("zeroed.mdb", [](std::string& b) { std::fill(b.begin() + 2 * 4096, b.begin() + 3 * 4096, '\0'); });
  ExpectRefused(zeroed, "cannot be read: the file is damaged", {"zeroed.mdb"});
  fs::remove(zeroed);
  const fs::path cut = Damaged("cut.mdb", [](std::string& b) { b.resize(100000); });
  ExpectRefused(cut, "the file is damaged", {"cut.mdb"});
}

TEST_F(ImportFailureTest, ADamagedDataPageIsFoundByTheRowCount) {
  const fs::path source = folder.path() / "rows.mdb";
  bench::WriteJetCopy(Sample("testV2003.mdb"), source, "Table1", 2000, [](uint64_t r) {
    return std::vector<bench::JetValue>{
        "r" + std::to_string(r), "x", int64_t{1}, int64_t{1}, int64_t{1}, 1.0, 1.0, int64_t{1}, int64_t{1}};
  });
  // The library skips a row it cannot make out, without a word: the count in the table's
  // definition says one is missing. Here a whole data page becomes a page of another kind.
  {
    std::fstream f(source, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(fs::file_size(source) - 3 * 4096));
    f.put('\x04');
  }
  ExpectRefused(source, "rows, but", {"rows.mdb"});
}

TEST_F(ImportFailureTest, TargetsThatMustNotBeWritten) {
  const fs::path copy = folder.path() / "books.mdb";
  fs::copy_file(Sample("testV2003.mdb"), copy);
  const ImportRun same = RunImport(copy, copy);
  EXPECT_EQ(same.status, kFailed);
  EXPECT_NE(same.err.find("The source and the target are the same file"), std::string::npos) << same.err;
  // Also when named another way.
  fs::create_symlink(copy, folder.path() / "link.mdb");
  EXPECT_EQ(RunImport(copy, folder.path() / "link.mdb", true).status, kFailed);
  EXPECT_EQ(RunImport(copy, folder.path() / "." / "books.mdb", true).status, kFailed);
  EXPECT_EQ(Entries(folder.path()), (std::vector<std::string>{"books.mdb", "link.mdb"}));

  // An existing target is replaced only when asked, and then whole.
  const fs::path target = folder.path() / "year.mdb";
  std::ofstream(target) << "keep me";
  const ImportRun refused = RunImport(copy, target);
  EXPECT_EQ(refused.status, kFailed);
  EXPECT_NE(refused.err.find("already exists: add --overwrite"), std::string::npos) << refused.err;
  std::ifstream kept(target);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept)), {}), "keep me");
  EXPECT_NE(RunImport(copy, target, true).status, kFailed);
  EXPECT_EQ(One(OpenTarget(target).get(), "SELECT count(*) FROM Table1"), "2");

  EXPECT_EQ(RunImport(copy, folder.path() / "no-such-folder" / "t.mdb").status, kFailed);
}

// The import in a child process, stopped with `sig` once its temporary file exists.
int StopMidway(const fs::path& source, const fs::path& target, int sig) {
  const pid_t child = fork();
  if (child == 0) {
    const ImportRun run = RunImport(source, target);
    _exit(run.status);
  }
  const fs::path temporary = TemporaryPath(target);
  for (int i = 0; i < 2000 && !fs::exists(temporary); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  kill(child, sig);
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

TEST_F(ImportFailureTest, AnInterruptedImportLeavesNoTarget) {
  const fs::path source = folder.path() / "big.mdb";
  // Long enough (about a second) to be stopped after its temporary file appears.
  bench::WriteJetCopy(Sample("testV2003.mdb"), source, "Table1", 30000, [](uint64_t r) {
    return std::vector<bench::JetValue>{
        "r" + std::to_string(r), "some text", int64_t{1}, int64_t{2}, int64_t{3}, 1.5, 40000.0, int64_t{5}, int64_t{1}};
  });
  const fs::path target = folder.path() / "target.mdb";
  for (int sig : {SIGINT, SIGTERM}) {
    const int status = StopMidway(source, target, sig);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "status " << status;
    EXPECT_EQ(Entries(folder.path()), std::vector<std::string>{"big.mdb"}) << "after signal " << sig;
  }
  // Killed outright, it cannot clean up: the temporary file stays, under a name that is not the
  // target's, and the next import removes it.
  const int status = StopMidway(source, target, SIGKILL);
  EXPECT_TRUE(WIFSIGNALED(status)) << status;
  EXPECT_FALSE(fs::exists(target));
  const ImportRun again = RunImport(source, target);
  EXPECT_NE(again.status, kFailed) << again.err;
  EXPECT_EQ(Entries(folder.path()), (std::vector<std::string>{"big.mdb", "target.mdb", "target.mdb.import.txt"}));
}

}  // namespace
}  // namespace ornetta::import::testing
