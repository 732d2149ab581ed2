// A fresh encrypted database for each test, opened through the engine layer, so that Jet SQL runs
// through the translation, the registered functions and the guard as the application runs it.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "data/engine/connection.h"
#include "data/engine/connection_string.h"
#include "data/values/datetime.h"
#include "data/engine/engine.h"
#include "data/engine/recordset.h"
#include "data/jet/translate.h"
#include "tests/support/installation.h"

namespace ornetta::testing {

class JetDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::filesystem::path file = folder.path() / "jet.mdb";
    {
      engine::Handle h = engine::Open(file, "pw", engine::OpenMode::kCreate);
      engine::Exec(h.get(), "PRAGMA user_version = 1;");
    }
    conn->Open(OpenConnectionString(file.string(), "pw"));
  }

  void Run(const std::string& sql) {
    Recordset rs;
    rs.Open(sql, conn);
  }

  // A value as text: "<null>" for Null, a date in the stored form "YYYY-MM-DD HH:MM:SS" (midnight
  // included, unlike the runtime's text) so that a date and its stored text read alike here; its
  // type is the business of TypedValue.
  static std::string Text(const Variant& v) {
    if (v.IsNull()) return "<null>";
    if (v.type() == Variant::Type::Date) return FormatStoredDate(CivilFromSerial(v.AsDate()));
    return v.ToText();
  }

  // First column of the first row as text; "<null>" for Null, "<none>" when no row.
  std::string Value(const std::string& sql) {
    Recordset rs;
    rs.Open(sql, conn);
    if (rs.Eof()) return "<none>";
    return Text(rs.Fields(0));
  }

  // Each column of the first row as type:text, columns joined by ','; type one of null, bool,
  // int (Integer and Long), double, currency, str, date; "<none>" when no row.
  std::string TypedRow(const std::string& sql) {
    Recordset rs;
    rs.Open(sql, conn);
    if (rs.Eof()) return "<none>";
    std::string out;
    for (int i = 0; i < rs.FieldCount(); ++i) {
      const Variant v = rs.Fields(i);
      std::string typed;
      switch (v.type()) {
        case Variant::Type::Empty: typed = "empty"; break;
        case Variant::Type::Null: typed = "null"; break;
        case Variant::Type::Boolean: typed = "bool:" + v.ToText(); break;
        case Variant::Type::Integer:
        case Variant::Type::Long: typed = "int:" + v.ToText(); break;
        case Variant::Type::Double: typed = "double:" + v.ToText(); break;
        case Variant::Type::String: typed = "str:" + v.AsString(); break;
        case Variant::Type::Date: typed = "date:" + Text(v); break;
        case Variant::Type::Currency: typed = "currency:" + v.ToText(); break;
      }
      out += (i ? "," : "") + typed;
    }
    return out;
  }

  // Every row, columns joined by ',' and rows by ';', each value as `text` writes it (Text: "<null>"
  // for Null).
  std::string Rows(const std::string& sql, std::string (*text)(const Variant&) = Text) {
    Recordset rs;
    rs.Open(sql, conn);
    std::string out;
    for (; !rs.Eof(); rs.MoveNext()) {
      if (!out.empty()) out += ";";
      for (int i = 0; i < rs.FieldCount(); ++i) {
        out += (i ? "," : "") + text(rs.Fields(i));
      }
    }
    return out;
  }

  // The engine's plan for a Jet statement's translation ("SEARCH TABLE logs USING INDEX byDate
  // ..."), steps joined by ';'.
  std::string Plan(const std::string& jet_sql) {
    const std::string sql = jet::Translate(jet_sql).sql;
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(conn->NativeHandle(), ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &st, nullptr),
              SQLITE_OK)
        << sql;
    std::string out;
    while (sqlite3_step(st) == SQLITE_ROW)
      out += reinterpret_cast<const char*>(sqlite3_column_text(st, 3)) + std::string(";");
    sqlite3_finalize(st);
    return out;
  }

  struct Case {
    const char* expr;
    const char* want;
  };

  // SELECT each expression; its value must be the one given.
  void ExpectValues(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
      try {
        EXPECT_EQ(Value(std::string("SELECT ") + c.expr), c.want) << c.expr;
      } catch (const Error& e) {
        ADD_FAILURE() << c.expr << ": " << e.what();
      }
    }
  }

  // Each statement (or SELECT expression when `select`) must fail with a message containing the
  // text given.
  void ExpectErrors(std::initializer_list<Case> cases, bool select = true) {
    for (const Case& c : cases) {
      try {
        const std::string got = Rows((select ? "SELECT " : "") + std::string(c.expr));
        ADD_FAILURE() << c.expr << " gave " << got;
      } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(c.want), std::string::npos) << c.expr << " -> " << e.what();
      }
    }
  }

  TempFolder folder;
  std::shared_ptr<Connection> conn = std::make_shared<Connection>();
};

}  // namespace ornetta::testing
