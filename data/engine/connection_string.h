// Connection strings of the Jet OLE DB provider: read into their parts, and written for an open
// and for a compaction. Connection and the compaction take them, as the provider did.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ornetta {

struct ConnectionSettings {
  std::string data_source;         // full path of the database file
  std::string password;            // "Jet OLEDB:Database Password"; wiped with the settings
  std::optional<int> engine_type;  // "Jet OLEDB:Engine Type", when given

  ConnectionSettings() = default;
  ConnectionSettings(const ConnectionSettings&) = default;
  ConnectionSettings(ConnectionSettings&&) = default;
  ConnectionSettings& operator=(const ConnectionSettings&) = default;
  ConnectionSettings& operator=(ConnectionSettings&&) = default;
  ~ConnectionSettings();
};

// A value as a connection string holds it: as it is, unless it holds a ';' or a quote or begins
// or ends in a blank; then quoted with " (or with ' when it holds a "; with " and each " doubled
// when it holds both), so that it reads back as the same text.
std::string ConnectionValue(const std::string& value);

// Reads "Key=Value;Key=Value[;]". Keys are compared without regard to case; a value may be
// quoted with " or ' (the quote doubled inside it). Requires Provider=Microsoft.Jet.OLEDB.4.0 and a Data
// Source; accepts Persist Security Info, User ID and Mode. Throws Error (err::kProvider) for an
// unknown provider, key or engine type; the message never repeats the password.
ConnectionSettings ParseConnectionString(std::string_view text);

// The strings below hold the path as ConnectionValue writes it.
// The string that opens a database: "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
// ";Persist Security Info=False;Jet OLEDB:Database Password=" + password.
std::string OpenConnectionString(const std::string& path, const std::string& password);

// What an opened connection keeps of its string: the same without the password.
std::string OpenedConnectionString(const std::string& path);

// The compaction's two strings: "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
// ";Jet OLEDB:Database Password=" + password + ";", and for the destination the same with
// "Jet OLEDB:Engine Type=5;" before "Data Source=". Secrets: wipe them after the call.
std::string CompactionSourceString(const std::string& path, const std::string& password);
std::string CompactionDestinationString(const std::string& path, const std::string& password);

}  // namespace ornetta
