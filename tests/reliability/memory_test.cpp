// The database password in memory: after start-up and after a repair, a scan of the process's own
// memory finds no copy of it, and a crash writes no core dump that could hold it. The work runs in
// tests/reliability/memory_probe.cpp, a process of its own (a test process holds the password for
// its own checks).
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "tests/support/installation.h"

namespace ornetta {
namespace {

namespace fs = std::filesystem;

struct ProbeRun {
  int status = 0;
  std::string out;
};

// Runs the probe in `cwd` with core dumps allowed as far as the system's limit.
ProbeRun Probe(const std::string& mode, const fs::path& folder, const fs::path& cwd) {
  int out[2];
  if (pipe(out) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], 1);
    close(out[0]);
    struct rlimit core {};
    getrlimit(RLIMIT_CORE, &core);
    core.rlim_cur = core.rlim_max;
    setrlimit(RLIMIT_CORE, &core);
    if (chdir(cwd.c_str()) != 0) _exit(126);
    execl(ORNETTA_MEMORY_PROBE, ORNETTA_MEMORY_PROBE, mode.c_str(), folder.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  ProbeRun run;
  char buf[512];
  for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) run.out.append(buf, static_cast<size_t>(n));
  close(out[0]);
  waitpid(child, &run.status, 0);
  return run;
}

// "<when> <hits> <bytes>" lines.
std::map<std::string, std::pair<long, unsigned long long>> Scans(const std::string& out) {
  std::map<std::string, std::pair<long, unsigned long long>> scans;
  std::istringstream in(out);
  std::string when;
  long hits;
  unsigned long long bytes;
  while (in >> when >> hits >> bytes) scans[when] = {hits, bytes};
  return scans;
}

bool HasCoreFile(const fs::path& folder) {
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename().string().rfind("core", 0) == 0) return true;
  return false;
}

TEST(MemoryTest, NoPasswordInMemoryAfterStartUpAndARepair) {
  testing::DemoInstallation install;
  testing::TempFolder cwd;
  const ProbeRun control = Probe("control", install.program_folder(), cwd.path());
  ASSERT_TRUE(WIFEXITED(control.status) && WEXITSTATUS(control.status) == 0) << control.status;
  const auto held = Scans(control.out);
  ASSERT_TRUE(held.count("held"));
  ASSERT_GE(held.at("held").first, 1) << "the scan does not find a password that is there";

  const ProbeRun run = Probe("scan", install.program_folder(), cwd.path());
  ASSERT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << "probe status " << run.status << "\n"
                                                                     << run.out;
  const auto scans = Scans(run.out);
  ASSERT_TRUE(scans.count("start-up") && scans.count("repair")) << run.out;
  EXPECT_EQ(scans.at("start-up").first, 0) << "copies of the password after start-up";
  EXPECT_EQ(scans.at("repair").first, 0) << "copies of the password after a repair";
  EXPECT_GT(scans.at("start-up").second, 1u << 20) << "the scan read almost nothing";
  EXPECT_NE(run.out.find("private 1"), std::string::npos) << "core dumps or debuggers still allowed";
  std::printf(
      "[figures] memory scan: %.1f MB scanned after start-up and %.1f MB after a repair; password copies found: %ld "
      "and %ld (a held password: found %ld times)\n",
      scans.at("start-up").second / 1e6, scans.at("repair").second / 1e6, scans.at("start-up").first,
      scans.at("repair").first, held.at("held").first);
}

TEST(MemoryTest, AForcedCrashWritesNoCoreDump) {
  testing::DemoInstallation install;
  testing::TempFolder before_password, after_password;
  const ProbeRun control = Probe("crash-before", install.program_folder(), before_password.path());
  const ProbeRun crash = Probe("crash", install.program_folder(), after_password.path());
  ASSERT_TRUE(WIFSIGNALED(crash.status) && WTERMSIG(crash.status) == SIGABRT) << "status " << crash.status;
  EXPECT_FALSE(WCOREDUMP(crash.status)) << "a core was dumped after the password was built";
  EXPECT_FALSE(HasCoreFile(after_password.path()));
  const bool control_dumped = WCOREDUMP(control.status) || HasCoreFile(before_password.path());
  std::printf("[figures] core dumps: a crash before the password is built dumps core: %s; after start-up: %s\n",
              control_dumped ? "yes" : "no (not allowed on this system)", WCOREDUMP(crash.status) ? "yes" : "no");
}

}  // namespace
}  // namespace ornetta
