#include <gtest/gtest.h>

#include <QDir>

#include "ui/initial_folder.h"

namespace ornetta::ui {
namespace {

TEST(InitialFolderTest, FromThePathShown) {
  EXPECT_EQ(InitialFolder(""), ".");
  EXPECT_EQ(InitialFolder("C:/data/DB2017_18.mdb"), "C:\\data");
  EXPECT_EQ(InitialFolder("C:\\DB2017_18.mdb"), "C:");
  EXPECT_EQ(InitialFolder("\\DB2017_18.mdb"), "");
  EXPECT_EQ(InitialFolder("D"), "D:\\");
  EXPECT_EQ(InitialFolder("/home/u/database/DB2017_18.mdb"), "\\home\\u\\database");
}

TEST(InitialFolderTest, HereTheFolderMustExistElseTheDatabaseFolderIsUsed) {
  const QString temp = QDir::tempPath();
  EXPECT_EQ(LocalInitialFolder(temp + "/DB2017_18.mdb", "/fallback"), QDir(temp).absolutePath());
  EXPECT_EQ(LocalInitialFolder("C:/data/DB2017_18.mdb", "/fallback"), "/fallback");
  EXPECT_EQ(LocalInitialFolder("/DB.mdb", "/fallback"), "/");
  EXPECT_EQ(LocalInitialFolder("", "/fallback"), QDir(".").absolutePath());
}

}  // namespace
}  // namespace ornetta::ui
