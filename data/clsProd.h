// clsProd: finds, opens and closes the application's databases and runs statements and
// single-value lookups on the one connection it holds. The top of the data layer, over the engine
// layer: the window and the repairs reach the open database through it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/engine/connection.h"
#include "data/crypto/derived_keys.h"
#include "data/engine/recordset.h"
#include "data/values/variant.h"
#include "platform/host.h"

namespace ornetta {

class clsProd {
 public:
  // `mark_database_missing` colours the window's current-database box red; it may be empty.
  explicit clsProd(platform::Host& host, std::function<void()> mark_database_missing = {});

  std::shared_ptr<Connection> dbconnection;  // empty until a database is opened
  std::shared_ptr<Recordset> dbrec;          // Recordset_Creation / RecordSet_Close
  std::shared_ptr<Recordset> tmp_Rec;        // open_temp_rec / close_temp_rec
  std::string file_nme;                      // full path of the year database

  // --- Statements and lookups (clsProd.cpp) ---

  // Adds a row (text, date) to errlog; every failure is ignored.
  void er_hnd(const std::string& log, double dt);

  // --- Locating, opening and closing (clsProd_location.cpp) ---

  // Opens the start database on dbconnection; when it will not open, reports and ends the program.
  void Get_Start();
  // Closes and releases dbconnection; failures pass to the caller.
  void Leave_DBstart();
  // Finds the current year database through the start database, putting left-over TMP copies
  // back in place, and opens it. Missing databases are reported (and the box marked red); a
  // database that will not open is reported and ends the program. Other failures pass on.
  void Get_Connection();
  // Closes and releases dbconnection, ignoring every failure.
  void Leave_Connection();
  // Starts deriving the keys of the start database and of the year database written last, on
  // threads of their own, so that Get_Connection finds them ready: they take longer than the
  // window takes to build. Missing files are skipped; Get_Connection reports them.
  static std::unique_ptr<crypto::KeyPreparation> PrepareKeys(const std::filesystem::path& program_folder);

  // --- Statements and lookups (clsProd.cpp) ---

  void Recordset_Creation(const std::string& strquery);
  void RecordSet_Close();
  // First column of the first row, of the engine's type; the Integer 0 when there is no row or
  // the value is Null.
  Variant Retrieve_Id(const std::string& querry);
  // The same as text; "" when there is no row or the value is Null.
  std::string Retrieve_Name(const std::string& querry);
  void open_temp_rec(const std::string& querry);
  void close_temp_rec();
  bool chk_rec_exst(const std::string& querry);

  // Shifts each character's Windows-1252 code by 128 (mod 256); applying it twice gives the
  // input back. Texts of 32767 characters or more raise the overflow error.
  Variant encryp_decryp(const std::string& chk);

  // Field `pos` (from 1) of `Src_Str` split at `sep`; "" past the last field. Position 0 shows
  // "Position Error" and gives "".
  std::string Str_Split_Using_Separator(const std::string& Src_Str, const std::string& sep, int16_t pos);

  // Runs one statement; shows "Successfully executed your Request..." on success, nothing on failure.
  void update_rec(const std::string& strr);
  // Runs one statement; true on success, false on any failure, never a message. The values the
  // statement asks for (its parameters) are asked of the user, each in an input box titled
  // "Enter Parameter Value" under the parameter's name; a cancelled box runs nothing.
  bool update_rec2(const std::string& strr);

 private:
  bool chk_file_exst(const std::string& path) const;
  // Runs `statement` on dbconnection in a new recordset that is released unclosed.
  void RunStatement(const std::string& statement, Recordset::ParameterPrompt prompt = {});
  std::shared_ptr<Recordset> OpenRecordset(const std::string& statement, Recordset::ParameterPrompt prompt = {});
  // The database password, for one call: the caller wipes it (platform::WipedOnExit).
  static std::string Password();
  static std::unique_ptr<crypto::KeyPreparation> PrepareKeysOf(const std::vector<std::filesystem::path>& files);
  void ReportMissingDatabase();

  platform::Host& host_;
  std::function<void()> mark_database_missing_;
};

}  // namespace ornetta
