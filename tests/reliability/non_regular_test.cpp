// Things named like a database that are not files: a FIFO, a socket, a device, a folder, or a link
// to one of them, in the place of each file that start-up looks at. Opening a FIFO waits for a
// writer forever; start-up must never wait, and must say that the database is missing.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "data/clsProd.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta {
namespace {

namespace fs = std::filesystem;

const char* const kMissing = "Something wrong in your Databases......Contact your Software Vendor!!!!!!!";
constexpr unsigned kHangSeconds = 20;  // a start-up takes well under a second

enum class Outcome { kOpened, kMissingReported, kOtherMessage, kEnded, kHung, kCrashed };

const char* Name(Outcome o) {
  switch (o) {
    case Outcome::kOpened: return "opened";
    case Outcome::kMissingReported: return "reported missing";
    case Outcome::kOtherMessage: return "another message";
    case Outcome::kEnded: return "program ended";
    case Outcome::kHung: return "hung";
    case Outcome::kCrashed: return "crashed";
  }
  return "?";
}

// Start-up as the program does it (keys prepared first, then the connection), in a child that is
// stopped by an alarm if it waits.
Outcome StartUp(const testing::DemoInstallation& install) {
  const pid_t child = fork();
  if (child == 0) {
    alarm(kHangSeconds);
    testing::RecordingHost host(install.program_folder());
    bool marked = false;
    clsProd prod(host, [&marked] { marked = true; });
    try {
      const auto keys = clsProd::PrepareKeys(install.program_folder());
      prod.Get_Connection();
    } catch (const testing::ProgramEnded&) {
      _exit(static_cast<int>(Outcome::kEnded));
    } catch (...) {
      _exit(static_cast<int>(Outcome::kCrashed));
    }
    if (host.messages.empty())
      _exit(static_cast<int>(prod.dbconnection && prod.dbconnection->State() == 1 ? Outcome::kOpened
                                                                                  : Outcome::kCrashed));
    const bool missing =
        host.messages.size() == 1 && host.messages[0].text == kMissing && host.messages[0].icon == 16 && marked;
    _exit(static_cast<int>(missing ? Outcome::kMissingReported : Outcome::kOtherMessage));
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGALRM ? Outcome::kHung : Outcome::kCrashed;
  return static_cast<Outcome>(WEXITSTATUS(status));
}

void MakeFifo(const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0) << p; }

void MakeSocket(const fs::path& p) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(p.string().size(), sizeof addr.sun_path);
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", p.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << p;
  close(fd);  // the socket file stays
}

struct Kind {
  const char* name;
  std::function<void(const fs::path&)> make;
};

struct Place {
  const char* name;
  Outcome expected;
  // Puts the special file at this place in `install`; the databases around it stay as they are.
  std::function<fs::path(const testing::DemoInstallation&)> path;
  // The database removed first, so that only the special file answers to its name (or none).
  std::function<fs::path(const testing::DemoInstallation&)> removes;
};

TEST(NonRegularFileTest, StartUpNeverWaitsOnAFileThatIsNotAFile) {
  const std::vector<Kind> kinds = {
      {"FIFO", MakeFifo},
      {"socket", MakeSocket},
      {"folder", [](const fs::path& p) { fs::create_directory(p); }},
      {"link to a FIFO",
       [](const fs::path& p) {
         MakeFifo(p.string() + ".fifo");
         fs::create_symlink(p.filename().string() + ".fifo", p);
       }},
      {"link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
  };
  const std::vector<Place> places = {
      {"start database", Outcome::kMissingReported, [](const auto& i) { return i.start_database(); },
       [](const auto& i) { return i.start_database(); }},
      {"year database", Outcome::kMissingReported, [](const auto& i) { return i.year_database(); },
       [](const auto& i) { return i.year_database(); }},
      {"TMP copy of a missing year database", Outcome::kMissingReported,
       [](const auto& i) { return i.tmp_copy(i.current_year_file); }, [](const auto& i) { return i.year_database(); }},
      // The engine would write its journal into a FIFO or a device: refused, by name, before it opens.
      {"journal of the year database", Outcome::kEnded,
       [](const auto& i) { return fs::path(i.year_database().string() + "-journal"); }, nullptr},
      {"newest other year database", Outcome::kOpened,
       [](const auto& i) { return i.database_folder() / "DB2099_00.mdb"; }, nullptr},
  };
  int startups = 0, hangs = 0, wrong = 0;
  for (const Kind& kind : kinds) {
    for (const Place& place : places) {
      testing::DemoInstallation install;
      if (place.removes) fs::remove(place.removes(install));
      kind.make(place.path(install));
      const Outcome got = StartUp(install);
      ++startups;
      hangs += got == Outcome::kHung;
      wrong += got != place.expected;
      EXPECT_EQ(got, place.expected) << kind.name << " as the " << place.name << ": " << Name(got) << ", expected "
                                     << Name(place.expected);
    }
  }
  std::printf("[figures] non-regular files: %d start-ups (%zu kinds x %zu places), hangs: %d, wrong outcomes: %d\n",
              startups, kinds.size(), places.size(), hangs, wrong);
}

}  // namespace
}  // namespace ornetta
