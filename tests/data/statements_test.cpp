// Statements, lookups and recordsets of clsProd on a real year database.
#include <gtest/gtest.h>

#include "data/clsProd.h"
#include "data/values/datetime.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta {
namespace {

using testing::DemoInstallation;
using testing::RecordingHost;
using testing::ShownMessage;

class StatementsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prod.Get_Connection();
    ASSERT_EQ(prod.dbconnection->State(), 1);
    ASSERT_TRUE(prod.update_rec2("CREATE TABLE probe (id LONG, name TEXT(20), amount DOUBLE, note TEXT(20))"));
    ASSERT_TRUE(prod.update_rec2("INSERT INTO probe VALUES (1, 'one', 1.5, Null)"));
    ASSERT_TRUE(prod.update_rec2("INSERT INTO probe VALUES (2, 'two', 2.5, 'x')"));
  }

  DemoInstallation install;
  RecordingHost host{install.program_folder()};
  clsProd prod{host};
};

TEST_F(StatementsTest, LookupsReturnTheFirstColumnOfTheFirstRowWithItsType) {
  const Variant id = prod.Retrieve_Id("select id from probe order by id");
  EXPECT_EQ(id.type(), Variant::Type::Long);
  EXPECT_EQ(id.AsLong(), 1);
  EXPECT_EQ(prod.Retrieve_Id("select amount from probe where id = 2").AsDouble(), 2.5);
  EXPECT_EQ(prod.Retrieve_Name("select name from probe where id = 2"), "two");
  EXPECT_EQ(prod.Retrieve_Name("select amount from probe where id = 1"), "1.5");
  EXPECT_TRUE(prod.chk_rec_exst("select * from probe"));
  EXPECT_FALSE(prod.chk_rec_exst("select * from probe where id = 99"));
}

TEST_F(StatementsTest, LookupsWithoutAValueGiveTheInteger0OrEmptyText) {
  for (const char* query : {"select id from probe where id = 99", "select note from probe where id = 1"}) {
    const Variant v = prod.Retrieve_Id(query);
    EXPECT_EQ(v.type(), Variant::Type::Integer) << query;
    EXPECT_EQ(v.AsInteger(), 0) << query;
    EXPECT_EQ(prod.Retrieve_Name(query), "") << query;
  }
}

TEST_F(StatementsTest, LookupErrorsPassToTheCaller) {
  EXPECT_THROW(prod.Retrieve_Id("select nothing from nowhere"), Error);
  EXPECT_THROW(prod.chk_rec_exst("select from"), Error);
  prod.dbconnection->Close();
  EXPECT_THROW(prod.Retrieve_Name("select name from probe"), Error);
}

TEST_F(StatementsTest, StatementRunnersReportOnlyAsTheyShould) {
  EXPECT_TRUE(prod.update_rec2("DELETE * FROM probe WHERE id = 1"));
  EXPECT_EQ(prod.Retrieve_Name("select count(*) from probe"), "1");
  EXPECT_FALSE(prod.update_rec2("DELETE * FROM missing_table"));
  EXPECT_FALSE(prod.update_rec2(""));
  EXPECT_TRUE(host.messages.empty());

  prod.update_rec("INSERT INTO probe VALUES (3, 'three', 3, Null)");
  EXPECT_EQ(host.messages,
            (std::vector<ShownMessage>{{"Successfully executed your Request...", 0, "TARVIK - ORNETTA"}}));
  prod.update_rec("INSERT INTO nowhere VALUES (1)");
  EXPECT_EQ(host.messages.size(), 1u) << "a failed statement shows nothing";

  prod.dbconnection->Close();
  EXPECT_FALSE(prod.update_rec2("DELETE * FROM probe"));
  prod.dbconnection.reset();
  EXPECT_FALSE(prod.update_rec2("DELETE * FROM probe"));
  prod.update_rec("DELETE * FROM probe");
  EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(StatementsTest, ErrorLogKeepsAnyTextAsItIs) {
  const double when = SerialFromCivil({2026, 12, 9, 10, 30, 0});
  const std::string hostile = "it's done'); DELETE FROM probe; --";
  prod.er_hnd(hostile, when);
  prod.er_hnd("plain", SerialFromCivil({2026, 1, 2}));
  EXPECT_EQ(prod.Retrieve_Name("select count(*) from probe"), "2") << "no statement ran from inside the text";
  EXPECT_TRUE(prod.chk_rec_exst("select * from errlog where ErrText = '" +
                                std::string("it''s done''); DELETE FROM probe; --") + "'"));
  const Variant logged = prod.Retrieve_Id("select ErrDate from errlog where ErrText = 'plain'");
  ASSERT_EQ(logged.type(), Variant::Type::Date);
  EXPECT_EQ(FormatStoredDate(CivilFromSerial(logged.AsDate())), "2026-01-02 00:00:00");
  EXPECT_TRUE(prod.chk_rec_exst("select * from errlog where ErrDate = #12/09/2026 10:30:00#"));

  prod.dbconnection->Close();
  prod.er_hnd("ignored", when);  // failures are ignored
  prod.dbconnection.reset();
  prod.er_hnd("ignored", when);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(StatementsTest, GeneralPurposeRecordsetsStayOpenUntilClosed) {
  prod.Recordset_Creation("select name from probe order by id");
  ASSERT_TRUE(prod.dbrec);
  EXPECT_EQ(prod.dbrec->Fields(0).AsString(), "one");
  prod.dbrec->MoveNext();
  EXPECT_EQ(prod.dbrec->Fields(0).AsString(), "two");
  prod.RecordSet_Close();
  EXPECT_FALSE(prod.dbrec);
  EXPECT_THROW(prod.RecordSet_Close(), Error);

  prod.open_temp_rec("select id from probe where id = 99");
  EXPECT_TRUE(prod.tmp_Rec->Eof());
  prod.close_temp_rec();
  EXPECT_THROW(prod.close_temp_rec(), Error);

  EXPECT_THROW(prod.Recordset_Creation("select * from nowhere"), Error);
  ASSERT_TRUE(prod.dbrec) << "the new, unopened recordset stays";
  EXPECT_EQ(prod.dbrec->State(), 0);
  EXPECT_THROW(prod.RecordSet_Close(), Error);
}

TEST_F(StatementsTest, YesNoAndDateColumnsComeBackTyped) {
  const Variant current = prod.Retrieve_Id("select Active from Customers where CustomerId = 1");
  EXPECT_EQ(current.type(), Variant::Type::Boolean);
  EXPECT_TRUE(prod.chk_rec_exst("select * from Customers where Active = True"));
  const Variant date = prod.Retrieve_Id("select LoginTime from OnLineUsers");
  EXPECT_EQ(date.type(), Variant::Type::Date);
}

// The connections clsProd opens tell the time by the host's clock, read as each statement runs.
TEST_F(StatementsTest, StatementsTellTheTimeByTheHostsClock) {
  const auto when = [this](const std::string& sql) {
    const Variant v = prod.Retrieve_Id(sql);
    return v.type() == Variant::Type::Date ? FormatStoredDate(CivilFromSerial(v.AsDate()))
                                           : "not a date: " + v.ToText();
  };
  host.now = {2031, 2, 3, 4, 5, 6};  // after the connection was opened
  EXPECT_EQ(when("SELECT Now()"), "2031-02-03 04:05:06");
  EXPECT_EQ(when("SELECT Date()"), "2031-02-03 00:00:00");
  EXPECT_EQ(when("SELECT Time()"), "1899-12-30 04:05:06");
  // A date written without its year is of the clock's year: a literal, a function's text, a parameter.
  EXPECT_EQ(when("SELECT #3/4#"), "2031-03-04 00:00:00");
  EXPECT_EQ(when("SELECT DateValue('Mar 4')"), "2031-03-04 00:00:00");
  host.answers = {"3/4"};
  ASSERT_TRUE(prod.update_rec2("PARAMETERS [On] DateTime; INSERT INTO probe (id, note) VALUES (3, [On])"));
  EXPECT_EQ(prod.Retrieve_Name("select note from probe where id = 3"), "2031-03-04 00:00:00");

  host.now = {2032, 12, 31, 23, 59, 59};
  EXPECT_EQ(when("SELECT Now()"), "2032-12-31 23:59:59");
}

}  // namespace
}  // namespace ornetta
