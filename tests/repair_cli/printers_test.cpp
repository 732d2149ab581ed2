// How message boxes and progress read on a shell's output.
#include <gtest/gtest.h>

#include <sstream>

#include "tools/repair/console_host.h"
#include "tools/repair/progress_printer.h"

namespace ornetta::repair_cli {
namespace {

using repair::Stage;

TEST(ConsoleHostTest, BoxesBecomeIndentedLinesAndErrorsGoToTheErrorStream) {
  std::ostringstream out, err;
  int breaks = 0;
  ConsoleHost host("/pf", out, err, [&breaks] { ++breaks; });
  host.MessageBox("Cannot read 'x'.\r\n\r\nError Occured!!!", platform::kIconCritical, platform::kVendorTitle);
  host.MessageBox("Done", platform::kIconInformation);
  EXPECT_EQ(err.str(), "[TARVIK Software, error] Cannot read 'x'.\n\n  Error Occured!!!\n");
  EXPECT_EQ(out.str(), "[TARVIK - ORNETTA] Done\n");
  EXPECT_EQ(breaks, 2) << "a progress bar's line is ended before each box";
  EXPECT_THROW(host.EndProgram(), EndRequested);
  EXPECT_EQ(host.ProgramFolder(), "/pf");
}

TEST(ProgressPrinterTest, PlainOutputGetsAStageLineAndAFewPercentLines) {
  std::ostringstream out;
  ProgressPrinter printer(out, false);
  printer.OnStage(Stage::kCompactYear, "Compacting DB2026_27.mdb");
  for (int i = 0; i <= 1000; ++i) printer.OnFraction(i / 1000.0);
  printer.OnStage(Stage::kVerifyYear, "Checking");
  printer.OnStage(Stage::kDone, "Done");
  EXPECT_EQ(out.str(),
            "[2/7] Compacting DB2026_27.mdb\n      25%\n      50%\n      75%\n      100%\n[3/7] Checking\nDone\n");
}

TEST(ProgressPrinterTest, ATerminalGetsOneBarRedrawnInPlaceOncePerPercent) {
  std::ostringstream out;
  ProgressPrinter printer(out, true);
  printer.OnStage(Stage::kBackup, "Backup");
  for (int i = 0; i <= 1000; ++i) printer.OnFraction(i / 1000.0);
  printer.OnFraction(1.5);  // out of range: drawn as full, not past it
  printer.EndLine();
  printer.EndLine();  // a second end adds nothing
  const std::string text = out.str();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 101);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
  EXPECT_NE(text.find("\r      [" + std::string(40, '#') + "] 100%\n"), std::string::npos);
  EXPECT_NE(text.find("\r      [" + std::string(20, '#') + std::string(20, '.') + "] 50%"), std::string::npos);
}

}  // namespace
}  // namespace ornetta::repair_cli
