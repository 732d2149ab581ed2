// The importer on the public Jet samples and on generated copies of them: every table, type, key,
// index and saved query, and every value compared with what the library itself reads.
#include <gtest/gtest.h>

#include <mdbtools.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "bench/jet_fixture.h"
#include "data/engine/connection.h"
#include "data/engine/connection_string.h"
#include "data/values/datetime.h"
#include "data/jet/column_types.h"
#include "data/engine/recordset.h"
#include "repair/repair_compact.h"
#include "tests/import/import_fixture.h"
#include "tests/support/recording_host.h"
#include "tools/demo/demo_installation.h"
#include "tools/import/importer.h"

namespace ornetta::import::testing {
namespace {

namespace fs = std::filesystem;
using jet::JetType;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Declared Jet type of each column of a target table, and whether it is NOT NULL, by name.
struct Column {
  JetType type;
  std::string decl;
  bool not_null;
  int pk;
};
std::map<std::string, Column> Columns(sqlite3* db, const std::string& table) {
  std::map<std::string, Column> out;
  for (const auto& r : Rows(db, "PRAGMA table_info([" + table + "])"))
    out[r[1]] = {jet::JetTypeOfDecl(r[2]), r[2], r[3] == "1", std::stoi(r[5])};
  return out;
}

// The library's text of a character beyond the Basic Multilingual Plane: iconv's UCS-2 knows no
// surrogate pairs, so it prints "??" (the importer decodes them itself).
std::string AsLibraryPrintsIt(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xf8) == 0xf0) {
      out += "??";
      i += 3;
    } else {
      out += utf8[i];
    }
  }
  return out;
}

// One value of the target against the library's text for it, by the column's type.
void ExpectSameValue(const std::string& library, const std::string& target, JetType type, const std::string& where) {
  if (library == "<null>" && (type == JetType::Text || type == JetType::Memo)) {
    // The library's text cannot tell an empty text from Null.
    EXPECT_TRUE(target == "<null>" || target.empty()) << where << ": " << target;
    return;
  }
  if (library == "<null>" || target == "<null>") {
    EXPECT_EQ(library, target) << where;
    return;
  }
  // The library prints no date before 30 December 1899 or after about 2700 (it gives "1900-01-00");
  // those are checked one by one.
  if (type == JetType::DateTime && library == "1900-01-00 00:00:00") return;
  switch (type) {
    case JetType::YesNo: EXPECT_EQ(library == "1" ? "-1" : "0", target) << where; break;
    case JetType::Double:
    case JetType::Single: {
      const double a = std::stod(library), b = std::stod(target);
      EXPECT_LE(std::fabs(a - b), 1e-14 * std::max(1.0, std::fabs(a))) << where << ": " << library << " / " << target;
      break;
    }
    case JetType::Currency:
      EXPECT_EQ(std::llround(std::stod(library) * 1e4), std::llround(std::stod(target) * 1e4)) << where;
      break;
    case JetType::Text:
    case JetType::Memo: EXPECT_EQ(library, AsLibraryPrintsIt(target)) << where; break;
    default: EXPECT_EQ(library, target) << where;
  }
}

// Every row and value of `table`: the target's (in file order, the order it was written in) against
// the library's.
void ExpectTableCarried(const fs::path& source, sqlite3* db, const std::string& table,
                        const std::string& order = "rowid") {
  const auto columns = Columns(db, table);
  std::vector<std::string> names;
  for (const auto& r : Rows(db, "PRAGMA table_info([" + table + "])")) names.push_back(r[1]);
  const auto library = LibraryRows(source, table);
  const auto target = Rows(db, "SELECT * FROM [" + table + "] ORDER BY " + order);
  ASSERT_EQ(library.size(), target.size()) << table;
  for (size_t r = 0; r < library.size(); ++r) {
    ASSERT_EQ(library[r].size(), target[r].size());
    for (size_t c = 0; c < names.size(); ++c)
      ExpectSameValue(library[r][c], target[r][c], columns.at(names[c]).type,
                      table + " row " + std::to_string(r + 1) + " column " + names[c]);
  }
}

class ImportTest : public ::testing::Test {
 protected:
  void SetUp() override { ORNETTA_NEED_SAMPLES(); }
  ornetta::testing::TempFolder folder;
};

TEST_F(ImportTest, TypesSampleEveryTableKeyIndexAndValue) {
  const fs::path target = folder.path() / "types.mdb";
  const ImportRun run = RunImport(Sample("testV2003.mdb"), target);
  // Table4's Replication ID AutoNumber is carried as text and listed, so: 2.
  ASSERT_EQ(run.status, kCarriedWithList) << run.err;
  EXPECT_NE(run.out.find("column Table4.data: a Replication ID AutoNumber"), std::string::npos) << run.out;
  EXPECT_EQ(ReadFile(ReportPath(target)), run.out);

  engine::Handle h = OpenTarget(target);
  EXPECT_EQ(One(h.get(), "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(One(h.get(), "PRAGMA user_version"), "1");
  for (const char* t : {"Table1", "Table2", "Table3", "Table4"})
    ExpectTableCarried(Sample("testV2003.mdb"), h.get(), t);

  auto t1 = Columns(h.get(), "Table1");
  const std::map<std::string, JetType> want = {
      {"A", JetType::Text},     {"B", JetType::Text},     {"C", JetType::Byte},
      {"D", JetType::Integer},  {"E", JetType::Long},     {"F", JetType::Double},
      {"G", JetType::DateTime}, {"H", JetType::Currency}, {"I", JetType::YesNo}};
  for (const auto& [name, type] : want) EXPECT_EQ(t1.at(name).type, type) << name << " " << t1.at(name).decl;
  EXPECT_EQ(t1.at("A").decl.rfind("TEXT(50)", 0), 0u) << t1.at("A").decl;
  EXPECT_EQ(t1.at("B").decl.rfind("TEXT(100)", 0), 0u) << t1.at("B").decl;
  EXPECT_EQ(t1.at("A").pk, 1);  // the primary key stays one
  // Defaults come across through the dialect ("DefaultValue: 0" on C, D, E).
  EXPECT_NE(One(h.get(), "SELECT sql FROM sqlite_master WHERE name = 'Table1'").find("[C] BYTE INTEGER"),
            std::string::npos);
  EXPECT_NE(One(h.get(), "SELECT sql FROM sqlite_master WHERE name = 'Table1'").find("DEFAULT ((0))"),
            std::string::npos);
  // Indexes keep their columns; a name used by two tables is made unique.
  EXPECT_EQ(One(h.get(), "SELECT sql FROM sqlite_master WHERE name = 'B'"), "CREATE INDEX [B] ON [Table1] ([B])");
  EXPECT_EQ(One(h.get(), "SELECT tbl_name FROM sqlite_master WHERE name = 'Table3_id'"), "Table3");
  // Table3's AutoNumber stays one: the engine numbers a new row.
  EXPECT_EQ(Columns(h.get(), "Table3").at("a").type, JetType::Counter);
  engine::Exec(h.get(), "INSERT INTO Table3 (b) VALUES ('new')");
  EXPECT_EQ(One(h.get(), "SELECT a FROM Table3 WHERE b = 'new'"), "1");
  EXPECT_EQ(Columns(h.get(), "Table4").at("data").pk, 1);
}

TEST_F(ImportTest, WideSampleOpensInTheApplicationWithEveryValue) {
  const fs::path target = folder.path() / "projects.mdb";
  const ImportRun run = RunImport(Sample("test2V2003.mdb"), target);
  ASSERT_EQ(run.status, kCarriedAll) << run.err << run.out;
  EXPECT_NE(run.out.find("Not carried: nothing."), std::string::npos);
  {
    engine::Handle h = OpenTarget(target);
    ExpectTableCarried(Sample("test2V2003.mdb"), h.get(), "MSP_PROJECTS");
    const auto cols = Columns(h.get(), "MSP_PROJECTS");
    EXPECT_EQ(cols.at("PROJ_PROP_AUTHOR").type, JetType::Memo);
    EXPECT_EQ(cols.at("PROJ_NAME").decl.rfind("TEXT(255)", 0), 0u);
    EXPECT_EQ(One(h.get(), "SELECT sql FROM sqlite_master WHERE name = 'I_PROJ_NAME'"),
              "CREATE UNIQUE INDEX [I_PROJ_NAME] ON [MSP_PROJECTS] ([PROJ_NAME])");
  }
  // The application's own connection and a Jet statement read it, dates as dates.
  auto conn = std::make_shared<Connection>();
  conn->Open(OpenConnectionString(target.string(), demo::DeploymentPassword()));
  Recordset rs;
  rs.Open("SELECT PROJ_CREATION_DATE, PROJ_OPT_CALC_ACT_COSTS FROM MSP_PROJECTS WHERE PROJ_ID Is Not Null", conn);
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields(0).type(), Variant::Type::Date);
  const auto library = LibraryRows(Sample("test2V2003.mdb"), "MSP_PROJECTS");
  EXPECT_EQ(FormatStoredDate(CivilFromSerial(rs.Fields(0).AsDate())), library[0][27]);
}

TEST_F(ImportTest, SavedQueriesBecomeViewsOrAreListedWithTheReason) {
  const fs::path target = folder.path() / "queries.mdb";
  const ImportRun run = RunImport(Sample("queryTestV2000.mdb"), target);
  ASSERT_EQ(run.status, kCarriedWithList) << run.err;
  engine::Handle h = OpenTarget(target);
  // The select query, rebuilt from its parts with its outer join, DISTINCT and order.
  const std::string view = One(h.get(), "SELECT sql FROM sqlite_master WHERE type = 'view' AND name = 'SelectQuery'");
  for (const char* part : {"SELECT DISTINCT [Table1].*", "LEFT JOIN [Table3]", "INNER JOIN [Table2]", "ORDER BY"})
    EXPECT_NE(view.find(part), std::string::npos) << part << " in " << view;
  engine::Exec(h.get(),
               "INSERT INTO Table1 VALUES ('foo', 'b', 'c'); INSERT INTO Table3 VALUES ('foo', 'x', 'z');"
               "INSERT INTO Table2 VALUES ('foo', 'foo', 'q'); INSERT INTO Table2 VALUES ('foo', 'bar', 'q')");
  EXPECT_EQ(Rows(h.get(), "SELECT * FROM SelectQuery").size(), 1u);
  EXPECT_EQ(One(h.get(), "SELECT count(*) FROM sqlite_master WHERE type = 'view'"), "1");
  // Every other query is named with why it is not a view.
  for (const char* listed :
       {"query UpdateQuery (update): an action query", "query AppendQuery (append): an action query",
        "query DeleteQuery (delete): an action query", "query MakeTableQuery (make-table): an action query",
        "query CrosstabQuery (crosstab): the dialect refuses it: Cannot have aggregate function in WHERE clause (Avg",
        "query UnionQuery (union): the engine refuses it",
        "query PassthroughQuery (pass-through): a pass-through query runs on another database server; its SQL: ALTER "
        "TABLE "
        "Table4 DROP COLUMN col5;",
        "query DataDefinitionQuery (data-definition): a data-definition query changes the structure, it selects "
        "nothing; its "
        "SQL: CREATE TABLE Table5 (col1 CHAR, col2 CHAR);"})
    EXPECT_NE(run.out.find(listed), std::string::npos) << listed << "\n" << run.out;
  EXPECT_NE(run.out.find("Not carried (8):"), std::string::npos) << run.out;
}

// A copy of the types sample with rows at every edge: each type's limits, Null in every column that
// takes it, an empty text, text beyond Latin-1, dates before 1899 and to the second, Currency to
// the ten-thousandth.
std::vector<bench::JetValue> EdgeRow(uint64_t r) {
  using V = bench::JetValue;
  const int64_t i = static_cast<int64_t>(r);
  std::vector<V> row = {"row " + std::to_string(i),
                        "text " + std::to_string(i),
                        i % 256,
                        i - 200,
                        i * 1000003 - 150000000,
                        static_cast<double>(i) / 7.0,
                        36000.0 + static_cast<double>(i) + static_cast<double>(i % 86400) / 86400.0,
                        i * 123457 - 15000000,
                        i % 2};
  switch (r) {
    case 0: row = {"nulls", V{}, V{}, V{}, V{}, V{}, V{}, V{}, int64_t{0}}; break;
    case 1:
      row = {"empty", "",   int64_t{0},     int64_t{-32768}, int64_t{-2147483647 - 1},
             -0.1,    -1.5, int64_t{-9999}, int64_t{1}};
      break;
    case 2:
      row = {
          "limits",          "Ωμέγα 日本語 \xF0\x9F\x93\x9A", int64_t{255}, int64_t{32767}, int64_t{2147483647}, 1e300,
          2958465.999988426, int64_t{999999999999999},        int64_t{1}};
      break;
    case 3:
      row = {"seconds",  "x",       int64_t{1}, int64_t{1}, int64_t{1}, 0.1, 46000.0 + 45296.0 / 86400.0,
             int64_t{1}, int64_t{0}};
      break;
    default: break;
  }
  return row;
}

TEST_F(ImportTest, GeneratedRowsAtEveryEdgeAreExact) {
  const fs::path source = folder.path() / "edges.mdb";
  bench::WriteJetCopy(Sample("testV2003.mdb"), source, "Table1", 300, EdgeRow);
  const fs::path target = folder.path() / "edges-target.mdb";
  const ImportRun run = RunImport(source, target);
  ASSERT_NE(run.status, kFailed) << run.err;
  engine::Handle h = OpenTarget(target);
  ExpectTableCarried(source, h.get(), "Table1");
  auto row = [&](const std::string& a) { return Rows(h.get(), "SELECT * FROM Table1 WHERE A = '" + a + "'").at(0); };
  EXPECT_EQ(row("nulls"), (std::vector<std::string>{"nulls", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>",
                                                    "<null>", "0"}));
  const std::vector<std::string> empty = row("empty");
  EXPECT_EQ(empty[1], "");  // not Null
  EXPECT_EQ(empty[3], "-32768");
  EXPECT_EQ(empty[4], "-2147483648");
  EXPECT_EQ(empty[6], "1899-12-29 12:00:00");  // Jet's serial -1.5: the day before, at noon
  EXPECT_EQ(empty[7], "-0.9999");
  EXPECT_EQ(empty[8], "-1");
  const std::vector<std::string> limits = row("limits");
  EXPECT_EQ(limits[1], "Ωμέγα 日本語 \xF0\x9F\x93\x9A");
  EXPECT_EQ(limits[2], "255");
  EXPECT_EQ(limits[5], "1.0e+300");
  EXPECT_EQ(limits[6], "9999-12-31 23:59:59");
  EXPECT_EQ(limits[7], "99999999999.9999");
  EXPECT_EQ(row("seconds")[6], "2025-12-09 12:34:56");
  EXPECT_EQ(row("seconds")[5], "0.1");
  // Typed back through the application as Jet types.
  EXPECT_EQ(One(h.get(), "SELECT typeof(H) || typeof(I) || typeof(G) FROM Table1 WHERE A = 'seconds'"),
            "realintegertext");
}

TEST_F(ImportTest, CurrencyBeyondADoublesDigitsIsListedNotSilentlyRounded) {
  const fs::path source = folder.path() / "money.mdb";
  bench::WriteJetCopy(Sample("testV2003.mdb"), source, "Table1", 1, [](uint64_t) {
    return std::vector<bench::JetValue>{
        "max", "m", int64_t{0}, int64_t{0}, int64_t{0}, 0.0, 0.0, int64_t{9223372036854775807}, int64_t{0}};
  });
  const ImportRun run = RunImport(source, folder.path() / "money-target.mdb");
  ASSERT_EQ(run.status, kCarriedWithList) << run.err;
  EXPECT_NE(run.out.find("column Table1.H: 1 value has more digits than a Double keeps and was rounded; first: row 3: "
                         "922337203685477.5807 is stored as"),
            std::string::npos)
      << run.out;
}

// Writes the last AutoNumber given into a table's definition page (Jet 4: four bytes after the row
// count), as Access does when it numbers a row.
void SetLastCounter(const fs::path& file, const std::string& table, int32_t last) {
  MdbHandle* mdb = mdb_open(file.c_str(), MDB_NOFLAGS);
  ASSERT_TRUE(mdb);
  mdb_read_catalog(mdb, MDB_ANY);
  const uint64_t offset =
      mdb_get_catalogentry_by_name(mdb, table.c_str())->table_pg * 4096ULL + mdb->fmt->tab_num_rows_offset + 4;
  mdb_close(mdb);
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(offset));
  f.write(reinterpret_cast<const char*>(&last), 4);
}

TEST_F(ImportTest, AutoNumberContinuesAfterTheCarriedValues) {
  const fs::path source = folder.path() / "counter.mdb";
  bench::WriteJetCopy(Sample("testV2003.mdb"), source, "Table3", 50, [](uint64_t r) {
    return std::vector<bench::JetValue>{static_cast<int64_t>(r * 3 + 7), "b" + std::to_string(r)};
  });
  const fs::path target = folder.path() / "counter-target.mdb";
  ImportRun run = RunImport(source, target);
  ASSERT_NE(run.status, kFailed) << run.err;
  engine::Handle h = OpenTarget(target);
  ExpectTableCarried(source, h.get(), "Table3", "a");
  EXPECT_EQ(One(h.get(), "SELECT min(a) || ',' || max(a) FROM Table3"), "7,154");
  engine::Exec(h.get(), "INSERT INTO Table3 (b) VALUES ('next')");
  EXPECT_EQ(One(h.get(), "SELECT a FROM Table3 WHERE b = 'next'"), "155");

  // Rows numbered up to 200 and deleted: Jet's counter (in the table's definition) says 200 was
  // given, and the next row is 201, not a deleted row's number again.
  SetLastCounter(source, "Table3", 200);
  const fs::path again = folder.path() / "counter-again.mdb";
  run = RunImport(source, again);
  ASSERT_NE(run.status, kFailed) << run.err;
  engine::Handle h2 = OpenTarget(again);
  engine::Exec(h2.get(), "INSERT INTO Table3 (b) VALUES ('next')");
  EXPECT_EQ(One(h2.get(), "SELECT a FROM Table3 WHERE b = 'next'"), "201");
}

TEST_F(ImportTest, RelationshipsAreListedWithTheirColumns) {
  // A relationship of two column pairs, as Access keeps it: a row of MSysRelationships a pair.
  const fs::path source = folder.path() / "related.mdb";
  // szRelationship, grbit, ccolumn, icolumn, szObject, szColumn, szReferencedObject, szReferencedColumn
  const std::vector<std::vector<bench::JetValue>> rows = {
      {"Table1Table3", int64_t{0}, int64_t{2}, int64_t{0}, "Table3", "b", "Table1", "A"},
      {"Table1Table3", int64_t{0}, int64_t{2}, int64_t{1}, "Table3", "a", "Table1", "B"}};
  bench::WriteJetCopy(Sample("testV2003.mdb"), source, "MSysRelationships", rows.size(),
                      [&](uint64_t r) { return rows[r]; });
  const ImportRun run = RunImport(source, folder.path() / "related-target.mdb");
  ASSERT_EQ(run.status, kCarriedWithList) << run.err;
  EXPECT_NE(run.out.find(
                "relationship Table1Table3: Table3 (b, a) refers to Table1 (A, B): the dialect has no relationships"),
            std::string::npos)
      << run.out;
}

TEST_F(ImportTest, TargetSurvivesTheRepairWithEveryRow) {
  ornetta::testing::DemoInstallation install;
  const fs::path source = folder.path() / "year.mdb";
  bench::WriteJetCopy(Sample("testV2003.mdb"), source, "Table1", 5000, EdgeRow);
  const ImportRun run = RunImport(source, install.year_database(), /*overwrite=*/true);
  ASSERT_NE(run.status, kFailed) << run.err;
  // The demo's start database names the year file; the repair compacts what is there now.
  ornetta::testing::RecordingHost host{install.program_folder()};
  clsProd prod{host};
  prod.Get_Connection();
  repair::RepairContext context{prod, host, nullptr, repair::DefaultAccessApplicationFactory(), ""};
  ASSERT_TRUE(repair::Repair_Compact_DB(context, install.current_year_file)) << context.failure_reason;
  engine::Handle h = OpenTarget(install.year_database());
  EXPECT_EQ(One(h.get(), "PRAGMA integrity_check"), "ok");
  ExpectTableCarried(source, h.get(), "Table1");
}

}  // namespace
}  // namespace ornetta::import::testing
