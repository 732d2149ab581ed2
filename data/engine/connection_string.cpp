#include "data/engine/connection_string.h"

#include <algorithm>
#include <cctype>

#include "data/values/error.h"
#include "platform/secret_memory.h"
#include "data/values/ascii_case.h"

namespace ornetta {

namespace {
std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

Error Bad(const std::string& what) { return Error(err::kProvider, "Invalid connection string: " + what + "."); }

constexpr std::string_view kProvider = "Provider=Microsoft.Jet.OLEDB.4.0;";
constexpr std::string_view kPasswordKey = "Jet OLEDB:Database Password=";
}  // namespace

ConnectionSettings::~ConnectionSettings() { platform::WipeString(password); }

std::string ConnectionValue(const std::string& value) {
  const bool plain = value.find_first_of(";\"'") == std::string::npos &&
                     (value.empty() || (!std::isspace(static_cast<unsigned char>(value.front())) &&
                                        !std::isspace(static_cast<unsigned char>(value.back()))));
  if (plain) return value;
  if (value.find('"') == std::string::npos) return '"' + value + '"';
  if (value.find('\'') == std::string::npos) return '\'' + value + '\'';
  std::string quoted = "\"";
  for (char c : value) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + '"';
}

std::string OpenedConnectionString(const std::string& path) {
  return std::string(kProvider) + "Data Source=" + ConnectionValue(path) + ";Persist Security Info=False";
}

namespace {
// head + the password key + password + tail, built in one buffer of the final size, and that
// buffer is the one returned: no buffer that held the password is given back unwiped. (Returning
// `text.append(...)` would copy it, through the reference append returns, and free the original
// as it was.)
std::string WithPassword(const std::string& head, const std::string& password, std::string_view tail) {
  std::string text;
  text.reserve(head.size() + kPasswordKey.size() + password.size() + tail.size());
  text.append(head).append(kPasswordKey).append(password).append(tail);
  return text;
}
}  // namespace

std::string CompactionSourceString(const std::string& path, const std::string& password) {
  return WithPassword(std::string(kProvider) + "Data Source=" + ConnectionValue(path) + ";", password, ";");
}

std::string CompactionDestinationString(const std::string& path, const std::string& password) {
  return WithPassword(std::string(kProvider) + "Jet OLEDB:Engine Type=5;Data Source=" + ConnectionValue(path) + ";",
                      password, ";");
}

std::string OpenConnectionString(const std::string& path, const std::string& password) {
  return WithPassword(OpenedConnectionString(path) + ";", password, "");
}

ConnectionSettings ParseConnectionString(std::string_view text) {
  ConnectionSettings out;
  bool have_provider = false, have_source = false;
  size_t i = 0;
  while (i < text.size()) {
    const size_t eq = text.find('=', i);
    const size_t semi = text.find(';', i);
    if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
      if (!Trim(text.substr(i, semi == std::string_view::npos ? semi : semi - i)).empty())
        throw Bad("a part without '='");
      if (semi == std::string_view::npos) break;
      i = semi + 1;
      continue;
    }
    const std::string key = AsciiLower(Trim(text.substr(i, eq - i)));
    // The password is taken exactly as written: its blanks belong to it.
    const bool raw = key == "jet oledb:database password";
    size_t v = eq + 1;
    while (!raw && v < text.size() && text[v] == ' ') ++v;
    std::string value;
    if (v < text.size() && (text[v] == '"' || text[v] == '\'')) {
      // Inside quotes, the quote itself is written twice.
      const char quote = text[v];
      size_t close = v + 1;
      for (;; ++close) {
        if (close >= text.size()) throw Bad("an unterminated quoted value for '" + key + "'");
        if (text[close] != quote) {
          value += text[close];
        } else if (close + 1 < text.size() && text[close + 1] == quote) {
          value += quote;
          ++close;
        } else {
          break;
        }
      }
      i = text.find(';', close);
    } else {
      const size_t end = text.find(';', v);
      const std::string_view part = text.substr(v, end == std::string_view::npos ? std::string_view::npos : end - v);
      value = raw ? std::string(part) : Trim(part);
      i = end;
    }
    i = i == std::string_view::npos ? text.size() : i + 1;

    if (key == "provider") {
      if (AsciiLower(value) != "microsoft.jet.oledb.4.0")
        throw Error(err::kProvider,
                    "Provider cannot be found. It may not be properly installed (provider '" + value + "').");
      have_provider = true;
    } else if (key == "data source") {
      out.data_source = value;
      have_source = true;
    } else if (key == "jet oledb:database password") {
      platform::WipeString(out.password);  // a second password key
      out.password = std::move(value);     // moved: no copy of the password is left behind
    } else if (key == "jet oledb:engine type") {
      if (value != "5") throw Bad("engine type '" + value + "' is not supported (only 5, the current file format)");
      out.engine_type = 5;
    } else if (key != "persist security info" && key != "user id" && key != "mode") {
      throw Bad("unknown keyword '" + key + "'");
    }
  }
  if (!have_provider) throw Bad("no Provider");
  if (!have_source || out.data_source.empty()) throw Bad("no Data Source");
  return out;
}

}  // namespace ornetta
