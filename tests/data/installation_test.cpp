// Where the files of an installation lie, and which names in its database folder are what.
#include "data/values/installation.h"

#include <gtest/gtest.h>

#include "data/values/ascii_case.h"

namespace ornetta {
namespace {

namespace fs = std::filesystem;

// Start-up opens a database under another spelling of the folder than it checks and renames it
// under: the two must differ in case alone, or the database opened is not the one checked.
TEST(InstallationTest, BothSpellingsOfTheDatabaseFolderNameOneFolderWhenCaseIsIgnored) {
  const Installation install("/opt/tarvik");
  for (const char* name : {"DB2026_27.mdb", Installation::kStartName}) {
    const fs::path checked = install.database(name), opened = install.opened_database(name);
    EXPECT_NE(checked, opened);
    EXPECT_TRUE(EqualIgnoringAsciiCase(checked.string(), opened.string())) << checked << " " << opened;
    EXPECT_EQ(opened.parent_path().parent_path(), install.program_folder());
  }
  EXPECT_EQ(install.start_database(), install.database(Installation::kStartName));
  EXPECT_EQ(install.database("x.mdb").parent_path(), install.database_folder());
}

// The names are those on the users' disks: an installation, its backups and the support staff's
// instructions find files by them.
TEST(InstallationTest, TheNamesAreTheInstalledOnes) {
  const Installation install("/opt/tarvik");
  EXPECT_EQ(install.start_database(), fs::path("/opt/tarvik/database/DBStart.mdb"));
  EXPECT_EQ(install.opened_database("DB2026_27.mdb"), fs::path("/opt/tarvik/DataBase/DB2026_27.mdb"));
  EXPECT_EQ(install.tmp_copy("DBStart.mdb"), fs::path("/opt/tarvik/database/TMPDBStart.mdb"));
  EXPECT_EQ(install.backup_root(), fs::path("/opt/tarvik/DB_BKUP/AUTOCompactDB"));
  EXPECT_EQ(install.partial_copies_folder(), fs::path("/opt/tarvik/DB_BKUP/AUTOCompactDB/partial copies"));
}

// A TMP copy lies beside its database, also when the database is reached through a link into
// another folder, and only its file name changes.
TEST(InstallationTest, ATmpCopyLiesBesideItsDatabase) {
  const Installation install("/opt/tarvik");
  EXPECT_EQ(install.tmp_copy("DB2026_27.mdb"), install.database_folder() / "TMPDB2026_27.mdb");
  EXPECT_EQ(Installation::TmpCopyOf(install.start_database()), install.tmp_copy(Installation::kStartName));
  EXPECT_EQ(Installation::TmpCopyOf("/srv/books/db 2026.MDB"), fs::path("/srv/books/TMPdb 2026.MDB"));
  EXPECT_TRUE(Installation::IsTmpName(install.tmp_copy("DB2026_27.mdb").filename().string()));
}

// The backups, and the half-written copies moved aside, stay out of the database folder, which
// the file checks and the lists of year databases read.
TEST(InstallationTest, BackupsLieOutsideTheDatabaseFolder) {
  const Installation install("/opt/tarvik");
  for (const fs::path& folder : {install.backup_root(), install.partial_copies_folder()}) {
    const fs::path relative = folder.lexically_relative(install.program_folder());
    EXPECT_FALSE(relative.empty()) << folder;
    EXPECT_NE(relative.begin()->string(), "..") << folder;
    EXPECT_TRUE(folder.lexically_relative(install.database_folder()).begin()->string() == "..") << folder;
  }
  EXPECT_EQ(install.partial_copies_folder().parent_path(), install.backup_root());
}

TEST(InstallationTest, YearDatabasesAreTheMdbFilesOtherThanTheStartDatabaseAndTheTmpCopies) {
  for (const char* name : {"DB2026_27.mdb", "db2026_27.MDB", "DB1999_00.Mdb", "copy.mdb", "0.mdb"})
    EXPECT_TRUE(Installation::MayBeYearDatabase(name)) << name;
  for (const char* name : {"DBStart.mdb", "dbstart.MDB", "TMPDB2026_27.mdb", "tmpDB2026_27.mdb", "TmpDBStart.mdb",
                           "DB2026_27.mdb-journal", "DB2026_27.mdb-whole", "DB2026_27.accdb", "DB2026_27", "mdb", ""})
    EXPECT_FALSE(Installation::MayBeYearDatabase(name)) << name;
  EXPECT_TRUE(Installation::IsStartName("DBSTART.MDB"));
  EXPECT_FALSE(Installation::IsStartName("DBStart.mdb.bak"));
  EXPECT_FALSE(Installation::IsTmpName("TM"));
  EXPECT_TRUE(Installation::IsTmpName("tmp"));
}

// The name follows DB_Years' lookup, which takes the last two characters of the closing year's
// text, not its value modulo 100 with a leading zero.
TEST(InstallationTest, YearDatabaseNameTakesTheEndOfTheClosingYearsText) {
  EXPECT_EQ(Installation::YearDatabaseName(2017, 2018), "DB2017_18.mdb");
  EXPECT_EQ(Installation::YearDatabaseName(1999, 2000), "DB1999_00.mdb");
  EXPECT_EQ(Installation::YearDatabaseName(2099, 2105), "DB2099_05.mdb");
  EXPECT_EQ(Installation::YearDatabaseName(7, 8), "DB7_8.mdb");
  EXPECT_EQ(Installation::YearDatabaseName(0, 0), "DB0_0.mdb");
}

}  // namespace
}  // namespace ornetta
