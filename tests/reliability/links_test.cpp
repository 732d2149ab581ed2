// Databases that are symbolic links to the real files elsewhere. The repair must compact the file a
// link names, beside it, and leave the link as it was: replacing the link with the compacted copy
// splits the data in two (the link's target keeps the old rows and whatever uses it goes on with
// them). A link that loops, names nothing or leaves the program's file system is refused with a
// message that says so, and nothing changes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <map>

#include "data/engine/engine.h"
#include "platform/file_identity.h"
#include "repair/repair_compact.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta::repair {
namespace {

namespace fs = std::filesystem;

const char* const kSuccess = "Database Successfully Repaired and Compacted !!!";

// Every entry under `root`, links not followed: name -> (type, inode, size or link text).
void List(const fs::path& root, const fs::path& dir, std::map<std::string, std::string>& out) {
  for (const auto& entry : fs::directory_iterator(dir)) {
    struct stat st {};
    lstat(entry.path().c_str(), &st);
    std::string what = std::to_string(st.st_ino) + " " + std::to_string(st.st_size);
    if (S_ISLNK(st.st_mode)) what = "link " + fs::read_symlink(entry.path()).string();
    out[entry.path().lexically_relative(root).string()] = what;
    if (S_ISDIR(st.st_mode)) List(root, entry.path(), out);
  }
}

std::map<std::string, std::string> Listing(const fs::path& root) {
  std::map<std::string, std::string> out;
  List(root, root, out);
  return out;
}

struct Outcome {
  bool ok;
  std::string last_message, reason;
};

Outcome Repair(const testing::DemoInstallation& install) {
  testing::RecordingHost host(install.program_folder());
  clsProd prod(host);
  prod.Get_Connection();
  if (!host.messages.empty() || !prod.dbconnection) return {false, "start-up failed", ""};
  RepairContext context{prod, host, nullptr, DefaultAccessApplicationFactory(), "", {}, {}};
  const bool ok = Repair_Compact_DB(context, install.current_year_file);
  return {ok, host.messages.empty() ? "" : host.messages.back().text, context.failure_reason};
}

bool IntegrityOk(const fs::path& file) {
  engine::Handle h = engine::Open(file, demo::DeploymentPassword());
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(h.get(), "PRAGMA integrity_check", -1, &st, nullptr);
  const bool ok =
      sqlite3_step(st) == SQLITE_ROW && std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) == "ok";
  sqlite3_finalize(st);
  return ok;
}

bool NoTmpIn(const fs::path& folder) {
  for (const auto& e : fs::directory_iterator(folder))
    if (Installation::IsTmpName(e.path().filename().string())) return false;
  return true;
}

// Moves `database` into `elsewhere` and leaves a link (made by `link`) in its place; returns the real file.
using MakeLink = std::function<void(const fs::path& real, const fs::path& link)>;
fs::path MoveBehindLink(const fs::path& database, const fs::path& elsewhere, const MakeLink& link) {
  fs::create_directories(elsewhere);
  const fs::path real = elsewhere / database.filename();
  fs::rename(database, real);
  link(real, database);
  return real;
}

TEST(LinksTest, ARepairThroughALinkCompactsTheRealFileAndKeepsTheLink) {
  struct Case {
    const char* name;
    bool start_database;  // the start database is the link, else the year database
    MakeLink link;
  };
  const std::vector<Case> cases = {
      {"absolute link", false, [](const fs::path& real, const fs::path& link) { fs::create_symlink(real, link); }},
      {"relative link", false,
       [](const fs::path& real, const fs::path& link) {
         fs::create_symlink(fs::relative(real, link.parent_path()), link);
       }},
      {"link to a link", false,
       [](const fs::path& real, const fs::path& link) {
         const fs::path middle = real.parent_path().parent_path() / "middle.mdb";
         fs::create_symlink(real, middle);
         fs::create_symlink(middle, link);
       }},
      {"start database linked", true,
       [](const fs::path& real, const fs::path& link) { fs::create_symlink(real, link); }},
  };
  int repairs = 0, links_kept = 0, split = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::DemoInstallation install;
    const fs::path linked = c.start_database ? install.start_database() : install.year_database();
    const auto rows = testing::RowCounts(linked);
    const auto link_text = [&] { return fs::read_symlink(linked).string(); };
    const fs::path real = MoveBehindLink(linked, install.program_folder() / "data on another disk" / "books", c.link);
    const std::string link_before = link_text();
    const auto real_before = platform::IdentityOf(real);

    const Outcome out = Repair(install);
    ++repairs;
    EXPECT_TRUE(out.ok) << out.reason;
    EXPECT_EQ(out.last_message, kSuccess) << out.reason;
    const bool kept = fs::is_symlink(linked) && link_text() == link_before;
    links_kept += kept;
    EXPECT_TRUE(kept) << "the link was replaced";
    // The name and the real file are one file, and it is the compacted one.
    const bool one_file = platform::IdentityOf(linked) == platform::IdentityOf(real);
    split += !one_file;
    EXPECT_TRUE(one_file) << "the data is split between the link and its target";
    EXPECT_NE(platform::IdentityOf(real), real_before) << "the real file was not compacted";
    EXPECT_EQ(testing::RowCounts(real), rows);
    EXPECT_TRUE(IntegrityOk(real));
    EXPECT_TRUE(NoTmpIn(install.database_folder()));
    EXPECT_TRUE(NoTmpIn(real.parent_path()));
  }
  std::printf(
      "[figures] links: %d repairs through links (absolute, relative, chained, start database), links kept: %d, "
      "split data: %d\n",
      repairs, links_kept, split);
}

TEST(LinksTest, ALinkThatLoopsNamesNothingOrLeavesTheFileSystemIsRefusedAndNothingChanges) {
  struct Case {
    const char* name;
    const char* reason_says;
    std::function<void(const testing::DemoInstallation&)> make;
  };
  const fs::path other_fs = "/dev/shm";
  const std::vector<Case> cases = {
      {"loop", "leads back to itself",
       [](const auto& install) {
         fs::remove(install.year_database());
         fs::create_symlink(install.database_folder() / "other.mdb", install.year_database());
         fs::create_symlink(install.year_database(), install.database_folder() / "other.mdb");
       }},
      {"dangling", "cannot be found",
       [](const auto& install) {
         fs::remove(install.year_database());
         fs::create_symlink(install.program_folder() / "gone" / "DB.mdb", install.year_database());
       }},
      {"other file system", "another file system",
       [&other_fs](const auto& install) {
         const fs::path target = other_fs / ("ornetta-" + install.program_folder().filename().string() + ".mdb");
         fs::copy_file(install.year_database(), target);
         fs::remove(install.year_database());
         fs::create_symlink(target, install.year_database());
       }},
  };
  int refused = 0, changed = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::DemoInstallation install;
    c.make(install);
    fs::path outside;
    if (std::string(c.name) == "other file system") {
      outside = fs::read_symlink(install.year_database());
      struct stat a {
      }, b{};
      if (stat(outside.c_str(), &a) != 0 || stat(install.program_folder().c_str(), &b) != 0 || a.st_dev == b.st_dev) {
        fs::remove(outside);
        continue;  // no second file system here
      }
    }
    const auto before = Listing(install.program_folder());
    const auto outside_before =
        outside.empty() ? std::optional<platform::FileIdentity>() : platform::IdentityOf(outside);
    // Start-up through such a link reports a missing or unopenable database; the repair is asked
    // for it by name all the same (the window passes the name shown).
    testing::RecordingHost host(install.program_folder());
    clsProd prod(host);
    prod.dbconnection = std::make_shared<Connection>();
    RepairContext context{prod, host, nullptr, DefaultAccessApplicationFactory(), "", {}, {}};
    const bool ok = Repair_Compact_DB(context, install.current_year_file);
    EXPECT_FALSE(ok);
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().icon, 16);
    const bool says = context.failure_reason.find(c.reason_says) != std::string::npos &&
                      context.failure_reason.find(install.current_year_file) != std::string::npos;
    refused += says && !ok;
    EXPECT_TRUE(says) << context.failure_reason;
    const bool same = Listing(install.program_folder()) == before &&
                      (outside.empty() || platform::IdentityOf(outside) == outside_before);
    changed += !same;
    EXPECT_TRUE(same) << "files changed";
    if (!outside.empty()) fs::remove(outside);
  }
  std::printf(
      "[figures] links refused (loop, dangling, other file system): %d refused with the reason, %d changed anything\n",
      refused, changed);
}

}  // namespace
}  // namespace ornetta::repair
