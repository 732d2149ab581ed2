// Finding, recovering and opening the start and year databases, as the window and the Repair
// command see it: messages, the red box, the program ending, and which files were renamed.
#include <gtest/gtest.h>

#include <fstream>

#include "data/clsProd.h"
#include "data/tmp_copies.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta {
namespace {

namespace fs = std::filesystem;
using testing::DemoInstallation;
using testing::ProgramEnded;
using testing::RecordingHost;
using testing::ShownMessage;

const ShownMessage kMissing{"Something wrong in your Databases......Contact your Software Vendor!!!!!!!", 16,
                            "TARVIK Software"};

class GetConnectionTest : public ::testing::Test {
 protected:
  DemoInstallation install;
  RecordingHost host{install.program_folder()};
  int red_marks = 0;
  clsProd prod{host, [this] { ++red_marks; }};

  fs::path Db(const std::string& name) { return install.database_folder() / name; }
};

TEST_F(GetConnectionTest, OpensTheCurrentYearDatabaseNamedByTheStartDatabase) {
  prod.Get_Connection();
  ASSERT_TRUE(prod.dbconnection);
  EXPECT_EQ(prod.dbconnection->State(), 1);
  EXPECT_EQ(prod.file_nme, install.year_database().string());
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(red_marks, 0);
  // The connection really is on the year database: it has the year tables.
  EXPECT_TRUE(prod.chk_rec_exst("select * from OnLineUsers"));
}

TEST_F(GetConnectionTest, NoStartDatabaseAndNoCopyIsReportedAndLeavesEverythingAsItWas) {
  fs::remove(install.start_database());
  prod.file_nme = "before";
  prod.Get_Connection();
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kMissing});
  EXPECT_EQ(red_marks, 1);
  EXPECT_FALSE(prod.dbconnection);
  EXPECT_EQ(prod.file_nme, "before");
}

TEST_F(GetConnectionTest, EmptyDatabaseFolderIsReported) {
  fs::remove_all(install.database_folder());
  prod.Get_Connection();
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kMissing});
  EXPECT_EQ(prod.file_nme, "");
}

TEST_F(GetConnectionTest, LoneTmpCopiesMarkedWholeTakeTheirDatabasesNames) {
  // The copies' names spelt out as the application and its earlier repairs write them.
  fs::rename(install.start_database(), Db("TMPDBStart.mdb"));
  fs::rename(install.year_database(), Db("TMP" + install.current_year_file));
  // As a finished compaction leaves them: checked and marked.
  ASSERT_FALSE(MarkWholeCopy(Db("TMPDBStart.mdb")));
  ASSERT_FALSE(MarkWholeCopy(Db("TMP" + install.current_year_file)));
  prod.Get_Connection();
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(prod.dbconnection->State(), 1);
  EXPECT_TRUE(fs::exists(install.start_database()));
  EXPECT_TRUE(fs::exists(install.year_database()));
  EXPECT_FALSE(fs::exists(Db("TMPDBStart.mdb")));
  EXPECT_FALSE(fs::exists(Db("TMP" + install.current_year_file)));
  EXPECT_FALSE(fs::exists(WholeMarkPath(Db("TMP" + install.current_year_file))))
      << "the mark goes with the copy's name";
  EXPECT_EQ(prod.file_nme, install.year_database().string());
}

TEST_F(GetConnectionTest, ATmpCopyWithoutItsMarkIsMovedAsideAndTheDatabaseReportedMissing) {
  const fs::path tmp = install.tmp_copy(Installation::kStartName), journal = tmp.string() + "-journal";
  fs::rename(install.start_database(), tmp);
  std::ofstream(journal) << "journal";
  host.now = {2030, 5, 6, 7, 8, 9};
  prod.Get_Connection();
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kMissing});
  EXPECT_EQ(red_marks, 1);
  EXPECT_FALSE(fs::exists(install.start_database()));
  EXPECT_FALSE(fs::exists(tmp));
  EXPECT_FALSE(fs::exists(journal));
  const fs::path aside = install.partial_copies_folder();
  ASSERT_TRUE(fs::is_directory(aside));
  EXPECT_EQ(std::distance(fs::directory_iterator(aside), fs::directory_iterator()), 2) << "the copy and its journal";
  EXPECT_TRUE(fs::exists(aside / "2030-05-06_07-08-09 TMPDBStart.mdb")) << "named by the host's clock";
}

TEST_F(GetConnectionTest, WhenBothADatabaseAndItsCopyExistTheDatabaseIsUsedAndTheCopyStays) {
  fs::copy_file(install.year_database(), install.tmp_copy(install.current_year_file));
  prod.Get_Connection();
  EXPECT_EQ(prod.dbconnection->State(), 1);
  EXPECT_TRUE(fs::exists(install.tmp_copy(install.current_year_file)));
}

TEST_F(GetConnectionTest, MissingYearDatabaseIsReportedWithItsPathKept) {
  fs::remove(install.year_database());
  prod.Get_Connection();
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kMissing});
  EXPECT_EQ(red_marks, 1);
  EXPECT_FALSE(prod.dbconnection);
  EXPECT_EQ(fs::path(prod.file_nme).filename(), install.current_year_file);
}

TEST_F(GetConnectionTest, AFolderInPlaceOfTheYearDatabaseCountsAsMissing) {
  fs::remove(install.year_database());
  fs::create_directory(install.year_database());
  prod.Get_Connection();
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kMissing});
  EXPECT_TRUE(fs::is_directory(install.year_database()));
}

TEST_F(GetConnectionTest, ADanglingLinkCountsAsMissing) {
  fs::remove(install.year_database());
  fs::create_symlink(install.database_folder() / "gone.mdb", install.year_database());
  prod.Get_Connection();
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kMissing});
  EXPECT_TRUE(fs::is_symlink(install.year_database())) << "nothing is changed";
}

TEST_F(GetConnectionTest, ADamagedTmpCopyNeverTakesTheName) {
  fs::remove(install.year_database());
  const fs::path tmp = install.tmp_copy(install.current_year_file);
  std::ofstream(tmp) << std::string(5000, 'z');
  prod.Get_Connection();
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kMissing});
  EXPECT_FALSE(fs::exists(install.year_database()));
  EXPECT_FALSE(fs::exists(tmp));

  // Nor does a marked one that was changed after its check.
  std::ofstream(tmp) << std::string(5000, 'z');
  ASSERT_FALSE(MarkWholeCopy(tmp));
  std::ofstream(tmp, std::ios::app) << "z";
  host.messages.clear();
  prod.Get_Connection();
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kMissing});
  EXPECT_FALSE(fs::exists(install.year_database()));
}

TEST_F(GetConnectionTest, NoCurrentYearGivesTheName0mdb) {
  {
    clsProd setup(host);
    setup.dbconnection = std::make_shared<Connection>();
    setup.dbconnection->Open(testing::ConnectionStringFor(install.start_database()));
    ASSERT_TRUE(setup.update_rec2("UPDATE DB_Years SET curryear = False"));
  }
  prod.Get_Connection();
  EXPECT_EQ(fs::path(prod.file_nme).filename(), "0.mdb");
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kMissing});
}

// The start database's lookup names the year database; the demo and the benches name the files
// they make by Installation::YearDatabaseName. A difference leaves a year database unfound.
TEST_F(GetConnectionTest, TheYearLookupGivesTheNameInstallationGivesTheYear) {
  for (const auto& [min_year, max_year] : std::vector<std::pair<int, int>>{{2017, 2018}, {2099, 2100}, {7, 8}}) {
    {
      clsProd setup(host);
      setup.dbconnection = std::make_shared<Connection>();
      setup.dbconnection->Open(testing::ConnectionStringFor(install.start_database()));
      ASSERT_TRUE(setup.update_rec2("UPDATE DB_Years SET minYear = " + std::to_string(min_year) +
                                    ", maxYear = " + std::to_string(max_year) + " WHERE curryear = True"));
    }
    prod.Get_Connection();
    EXPECT_EQ(fs::path(prod.file_nme).filename(), Installation::YearDatabaseName(min_year, max_year));
  }
}

TEST_F(GetConnectionTest, DatabaseFolderAndNamesAreFoundWithoutRegardToCase) {
  fs::rename(install.database_folder(), install.program_folder() / "DATABASE");
  fs::rename(install.program_folder() / "DATABASE" / "DBStart.mdb",
             install.program_folder() / "DATABASE" / "dbstart.MDB");
  prod.Get_Connection();
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(prod.dbconnection->State(), 1);
}

// A database that will not open ends the program after the CAUTION message with the engine's
// reason on its first line; the password never appears in it.
struct UnopenableCase {
  const char* name;
  bool start;  // damage the start database (else the year database)
  void (*damage)(const fs::path&);
};

void Truncate(const fs::path& p) { fs::resize_file(p, 3000); }
void Garbage(const fs::path& p) { std::ofstream(p, std::ios::binary | std::ios::trunc) << std::string(8192, 'x'); }
void Empty(const fs::path& p) { std::ofstream(p, std::ios::trunc); }
void Zeroes(const fs::path& p) {
  const auto size = fs::file_size(p);
  std::ofstream(p, std::ios::binary | std::ios::trunc) << std::string(size, '\0');
}
// One flipped bit in the first page: the page's check fails when it is read.
void BitFlip(const fs::path& p) {
  std::fstream f(p, std::ios::binary | std::ios::in | std::ios::out);
  f.seekg(100);
  char c = 0;
  f.get(c);
  f.seekp(100);
  f.put(static_cast<char>(c ^ 0x10));
}
void WrongPassword(const fs::path& p) {
  fs::remove(p);
  engine::Handle db = engine::Open(p, "another password", engine::OpenMode::kCreate);
  engine::Exec(db.get(), "CREATE TABLE t(x);");
}

void PrintTo(const UnopenableCase& c, std::ostream* os) { *os << c.name; }

class UnopenableTest : public GetConnectionTest, public ::testing::WithParamInterface<UnopenableCase> {};

TEST_P(UnopenableTest, ShowsTheCautionMessageAndEndsTheProgram) {
  const UnopenableCase& c = GetParam();
  c.damage(c.start ? install.start_database() : install.year_database());
  EXPECT_THROW(prod.Get_Connection(), ProgramEnded);
  ASSERT_EQ(host.messages.size(), 1u);
  const ShownMessage& m = host.messages[0];
  EXPECT_EQ(m.icon, 16);
  EXPECT_EQ(m.title, "TARVIK - ORNETTA");
  const std::string tail = c.start ? "\r\nCAUTION: Make Sure DataBase 'DBStart.mdb' Exists in the Correct Path !!! "
                                   : "\r\nCAUTION: Make Sure DataBase Exists in the Correct Path !!! ";
  ASSERT_GT(m.text.size(), tail.size());
  EXPECT_EQ(m.text.substr(m.text.size() - tail.size()), tail);
  EXPECT_GT(m.text.size() - tail.size(), 10u) << "the engine's reason comes first";
  EXPECT_EQ(m.text.find(demo::DeploymentPassword()), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Damage, UnopenableTest,
                         ::testing::Values(UnopenableCase{"TruncatedYear", false, Truncate},
                                           UnopenableCase{"GarbageYear", false, Garbage},
                                           UnopenableCase{"EmptyYear", false, Empty},
                                           UnopenableCase{"ZeroFilledYear", false, Zeroes},
                                           UnopenableCase{"BitFlippedYear", false, BitFlip},
                                           UnopenableCase{"TruncatedStart", true, Truncate},
                                           UnopenableCase{"WrongPasswordYear", false, WrongPassword},
                                           UnopenableCase{"GarbageStart", true, Garbage},
                                           UnopenableCase{"WrongPasswordStart", true, WrongPassword}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GetConnectionTest, StartDatabaseWithoutTheYearsTablePassesTheErrorOn) {
  fs::remove(install.start_database());
  engine::Handle db = engine::Open(install.start_database(), demo::DeploymentPassword(), engine::OpenMode::kCreate);
  engine::Exec(db.get(), "CREATE TABLE other(x);");
  db.reset();
  EXPECT_THROW(prod.Get_Connection(), Error);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(GetConnectionTest, AYearNameThatLeavesTheDatabaseFolderIsRefused) {
  {
    clsProd setup(host);
    setup.dbconnection = std::make_shared<Connection>();
    setup.dbconnection->Open(testing::ConnectionStringFor(install.start_database()));
    // The application keeps the years as numbers; a hand-made table may hold any text.
    ASSERT_TRUE(setup.update_rec2("DROP TABLE DB_Years"));
    ASSERT_TRUE(setup.update_rec2("CREATE TABLE DB_Years (minYear TEXT(20), maxYear TEXT(20), curryear YESNO)"));
    ASSERT_TRUE(setup.update_rec2("INSERT INTO DB_Years VALUES ('../../x', '2018', True)"));
  }
  EXPECT_THROW(prod.Get_Connection(), Error);
  EXPECT_FALSE(prod.dbconnection);
}

TEST_F(GetConnectionTest, LeavingConnections) {
  prod.Leave_Connection();  // never opened: nothing visible
  EXPECT_THROW(prod.Leave_DBstart(), Error);
  prod.Get_Connection();
  prod.dbconnection->Close();
  prod.Leave_Connection();  // already closed: still nothing
  EXPECT_FALSE(prod.dbconnection);
  EXPECT_TRUE(host.messages.empty());
  prod.Get_Start();
  EXPECT_EQ(prod.dbconnection->State(), 1);
  prod.Leave_DBstart();
  EXPECT_FALSE(prod.dbconnection);
}

}  // namespace
}  // namespace ornetta
