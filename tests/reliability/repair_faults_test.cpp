// Repair and compact on a failing disk: the Nth operation of the engine (through the VFS shim
// under SQLCipher) or of our own file operations fails, once or from then on, or the disk is
// full. For every N until the repair completes: the failure message, never the success one, and
// afterwards both databases whole with every row.
#include <gtest/gtest.h>

#include "data/engine/engine.h"
#include "platform/file_ops.h"
#include "repair/repair_compact.h"
#include "tests/support/fault_file_ops.h"
#include "tests/support/fault_vfs.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta::repair {
namespace {

using testing::FaultOp;
using testing::FaultPlan;
using testing::FaultVfs;

const char* const kSuccess = "Database Successfully Repaired and Compacted !!!";

// Our own file operations' fault counter.
long g_file_ops = 0, g_file_fail_at = 0, g_file_failures = 0;
bool g_file_persistent = false, g_file_disk_full = false;
std::error_code FileFault(const char*) {
  const long n = ++g_file_ops;
  if (g_file_fail_at == 0 || (g_file_persistent ? n < g_file_fail_at : n != g_file_fail_at)) return {};
  ++g_file_failures;
  return std::make_error_code(g_file_disk_full ? std::errc::no_space_on_device : std::errc::io_error);
}

struct Mode {
  const char* name;
  bool engine;  // faults under the engine, else in our file operations
  bool persistent, disk_full;
};

void PrintTo(const Mode& m, std::ostream* os) { *os << m.name; }

class RepairFaultsTest : public ::testing::TestWithParam<Mode> {
 protected:
  static void SetUpTestSuite() { FaultVfs::Install(); }
  static void TearDownTestSuite() { FaultVfs::Uninstall(); }
};

long long Rows(const testing::DemoInstallation& install) {
  return testing::QueryCount(install.year_database(), "Invoices") +
         testing::QueryCount(install.year_database(), "logs") +
         testing::QueryCount(install.start_database(), "DB_Years");
}

TEST_P(RepairFaultsTest, EveryFailureIsReportedAndNoRowIsLost) {
  const Mode mode = GetParam();
  long runs = 0, failures_reported = 0, rows_lost = 0, false_successes = 0;
  for (long n = 1;; ++n) {
    testing::DemoInstallation install;
    const long long before = Rows(install);
    testing::RecordingHost host(install.program_folder());
    clsProd prod(host);
    prod.Get_Connection();
    if (mode.engine) {
      FaultVfs::Arm(FaultPlan{FaultOp::kAny, n, mode.persistent, mode.disk_full});
    } else {
      g_file_ops = g_file_failures = 0;
      g_file_fail_at = n;
      g_file_persistent = mode.persistent;
      g_file_disk_full = mode.disk_full;
    }
    testing::FaultFileOps failing(FileFault);
    RepairContext context{.objProd = prod, .host = host, .file_ops = mode.engine ? platform::SystemFileOps() : failing};
    Repair_Compact_DB(context, install.current_year_file);
    const long injected = mode.engine ? FaultVfs::Failures() : g_file_failures;
    FaultVfs::Disarm();
    ++runs;

    ASSERT_EQ(host.messages.size(), 1u);
    const bool success = host.messages[0].text == kSuccess;
    if (injected > 0) {
      ++failures_reported;
      if (success) ++false_successes;
      EXPECT_FALSE(success) << mode.name << " run " << n << ": a failed operation ended in the success message";
    }
    testing::RecordingHost after_host(install.program_folder());
    clsProd after(after_host);
    after.Get_Connection();
    EXPECT_TRUE(after_host.messages.empty()) << mode.name << " run " << n;
    after.Leave_Connection();
    const long long rows = Rows(install);
    if (rows != before) ++rows_lost;
    EXPECT_EQ(rows, before) << mode.name << " run " << n;
    if (injected == 0) break;  // the repair ran past its last operation
    ASSERT_LT(n, 2000);
  }
  std::printf(
      "[figures] repair I/O faults (%s): %ld runs, %ld failures reported, false successes: %ld, rows lost: %ld\n",
      mode.name, runs, failures_reported, false_successes, rows_lost);
  EXPECT_EQ(rows_lost, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RepairFaultsTest,
    ::testing::Values(Mode{"EngineOnce", true, false, false}, Mode{"EngineFromThenOn", true, true, false},
                      Mode{"EngineDiskFull", true, true, true}, Mode{"FilesOnce", false, false, false},
                      Mode{"FilesFromThenOn", false, true, false}, Mode{"FilesDiskFull", false, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ornetta::repair
