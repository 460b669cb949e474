#include "watchlist/stock_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "shell/values/codepage.h"

namespace brindlow {

namespace {

constexpr std::string_view kTable = "股票";  // UTF-8, as SQLite names it

// ---------------------------------------------------------------- SQLite

struct StatementDeleter {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

Statement prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(raw);
    return nullptr;
  }
  return Statement(raw);
}

bool execute(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string sqlName(std::string_view identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
  return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// BEGIN IMMEDIATE takes the write lock up front, so a busy file fails here and
// not half-way. Anything not committed is rolled back.
class WriteTransaction {
 public:
  explicit WriteTransaction(sqlite3* db) : db_(db), active_(execute(db, "BEGIN IMMEDIATE")) {}
  ~WriteTransaction() {
    if (active_ && sqlite3_get_autocommit(db_) == 0) execute(db_, "ROLLBACK");
  }
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  bool active() const { return active_; }
  bool commit() {
    if (!active_ || !execute(db_, "COMMIT")) return false;
    active_ = false;
    return true;
  }

 private:
  sqlite3* db_;
  bool active_;
};

// A value as SQLite holds it. Text is UTF-8 up to its first zero byte (a text
// of the system never holds one); blob bytes are kept only for keys.
struct Cell {
  int type = SQLITE_NULL;
  std::int64_t integer = 0;
  double real = 0;
  std::string bytes;
};

// A text column's UTF-8 up to its first zero byte, in SQLite's buffer.
std::string_view columnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  if (!text) return {};
  const std::string_view view(text,
                              static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
  return view.substr(0, view.find('\0'));
}

Cell readCell(sqlite3_stmt* statement, int column, bool keepBlob) {
  Cell cell;
  cell.type = sqlite3_column_type(statement, column);
  switch (cell.type) {
    case SQLITE_INTEGER:
      cell.integer = sqlite3_column_int64(statement, column);
      break;
    case SQLITE_FLOAT:
      cell.real = sqlite3_column_double(statement, column);
      break;
    case SQLITE_TEXT:
      cell.bytes = columnText(statement, column);
      break;
    case SQLITE_BLOB:
      if (keepBlob) {
        const void* data = sqlite3_column_blob(statement, column);
        if (data) {
          cell.bytes.assign(static_cast<const char*>(data),
                            static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
        }
      }
      break;
    default:
      break;
  }
  return cell;
}

bool bindCell(sqlite3_stmt* statement, int index, const Cell& cell) {
  switch (cell.type) {
    case SQLITE_INTEGER:
      return sqlite3_bind_int64(statement, index, cell.integer) == SQLITE_OK;
    case SQLITE_FLOAT:
      return sqlite3_bind_double(statement, index, cell.real) == SQLITE_OK;
    case SQLITE_TEXT:
      return sqlite3_bind_text(statement, index, cell.bytes.data(),
                               static_cast<int>(cell.bytes.size()), SQLITE_TRANSIENT) == SQLITE_OK;
    case SQLITE_BLOB:
      return sqlite3_bind_blob(statement, index, cell.bytes.data(),
                               static_cast<int>(cell.bytes.size()), SQLITE_TRANSIENT) == SQLITE_OK;
    default:
      return sqlite3_bind_null(statement, index) == SQLITE_OK;
  }
}

// ---------------------------------------------------------------- kinds

// The kind of value a column holds, from its declared type. Untyped is a
// column declared without a type: its values go by how SQLite stored them.
enum class Kind {
  Text,
  Integer,
  Byte,
  Single,
  Double,
  Decimal,
  Currency,
  DateTime,
  YesNo,
  Blob,
  Unknown,
  Untyped
};

// "varchar( 255 )" -> "VARCHAR", "double  precision" -> "DOUBLE PRECISION".
std::string normalisedTypeName(std::string_view declared) {
  std::string out;
  bool space = false;
  int depth = 0;
  for (char c : declared) {
    if (c == '(') ++depth;
    if (depth > 0) {
      if (c == ')') --depth;
      continue;
    }
    if (std::isspace(static_cast<unsigned char>(c))) {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

Kind kindOfDeclaredType(const char* declared) {
  if (declared == nullptr) return Kind::Untyped;
  const std::string name = normalisedTypeName(declared);
  if (name.empty()) return Kind::Untyped;
  struct Entry {
    std::string_view name;
    Kind kind;
  };
  static constexpr Entry kTypes[] = {
      {"TEXT", Kind::Text},
      {"MEMO", Kind::Text},
      {"CHAR", Kind::Text},
      {"VARCHAR", Kind::Text},
      {"NCHAR", Kind::Text},
      {"NVARCHAR", Kind::Text},
      {"CHARACTER", Kind::Text},
      {"CHARACTER VARYING", Kind::Text},
      {"VARYING CHARACTER", Kind::Text},
      {"NATIVE CHARACTER", Kind::Text},
      {"CLOB", Kind::Text},
      {"LONGTEXT", Kind::Text},
      {"LONGCHAR", Kind::Text},
      {"NTEXT", Kind::Text},
      {"STRING", Kind::Text},
      {"INTEGER", Kind::Integer},
      {"INT", Kind::Integer},
      {"LONG", Kind::Integer},
      {"COUNTER", Kind::Integer},
      {"AUTOINCREMENT", Kind::Integer},
      {"IDENTITY", Kind::Integer},
      {"SMALLINT", Kind::Integer},
      {"SHORT", Kind::Integer},
      {"INT2", Kind::Integer},
      {"INT4", Kind::Integer},
      {"INT8", Kind::Integer},
      {"INTEGER2", Kind::Integer},
      {"INTEGER4", Kind::Integer},
      {"INTEGER8", Kind::Integer},
      {"MEDIUMINT", Kind::Integer},
      {"BIGINT", Kind::Integer},
      {"UNSIGNED BIG INT", Kind::Integer},
      {"BYTE", Kind::Byte},
      {"TINYINT", Kind::Byte},
      {"INTEGER1", Kind::Byte},
      {"SINGLE", Kind::Single},
      {"REAL4", Kind::Single},
      {"FLOAT4", Kind::Single},
      {"IEEESINGLE", Kind::Single},
      {"DOUBLE", Kind::Double},
      {"DOUBLE PRECISION", Kind::Double},
      {"FLOAT", Kind::Double},
      {"FLOAT8", Kind::Double},
      {"REAL", Kind::Double},
      {"IEEEDOUBLE", Kind::Double},
      {"NUMBER", Kind::Double},
      {"DECIMAL", Kind::Decimal},
      {"NUMERIC", Kind::Decimal},
      {"DEC", Kind::Decimal},
      {"CURRENCY", Kind::Currency},
      {"MONEY", Kind::Currency},
      {"SMALLMONEY", Kind::Currency},
      {"DATETIME", Kind::DateTime},
      {"DATE", Kind::DateTime},
      {"TIME", Kind::DateTime},
      {"TIMESTAMP", Kind::DateTime},
      {"YESNO", Kind::YesNo},
      {"BOOLEAN", Kind::YesNo},
      {"BOOL", Kind::YesNo},
      {"BIT", Kind::YesNo},
      {"LOGICAL", Kind::YesNo},
      {"BLOB", Kind::Blob},
      {"OLEOBJECT", Kind::Blob},
      {"LONGBINARY", Kind::Blob},
      {"BINARY", Kind::Blob},
      {"VARBINARY", Kind::Blob},
      {"IMAGE", Kind::Blob},
      {"GENERAL", Kind::Blob},
  };
  for (const Entry& entry : kTypes) {
    if (entry.name == name) return entry.kind;
  }
  return Kind::Unknown;
}

// ---------------------------------------------------------------- numbers

struct Numeric {
  bool isInteger;
  std::int64_t integer;
  double real;
};

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// A whole text that is a plain decimal number ("12", "-3.5", "1e3"); no
// words such as "inf", no hexadecimal, no trailing rubbish.
std::optional<Numeric> parseNumber(std::string_view s) {
  s = trimmed(s);
  if (s.empty()) return std::nullopt;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.' &&
        c != 'e' && c != 'E') {
      return std::nullopt;
    }
  }
  if (s.front() == '+') {
    s.remove_prefix(1);
    if (s.empty() || s.front() == '+' || s.front() == '-') return std::nullopt;
  }
  const char* end = s.data() + s.size();
  std::int64_t integer = 0;
  auto [integerEnd, integerError] = std::from_chars(s.data(), end, integer);
  if (integerError == std::errc() && integerEnd == end) return Numeric{true, integer, 0};
  double real = 0;
  auto [realEnd, realError] = std::from_chars(s.data(), end, real);
  if (realError != std::errc() || realEnd != end || !std::isfinite(real)) return std::nullopt;
  return Numeric{false, 0, real};
}

std::optional<Numeric> numericOf(const Cell& v) {
  switch (v.type) {
    case SQLITE_INTEGER:
      return Numeric{true, v.integer, 0};
    case SQLITE_FLOAT:
      return Numeric{false, 0, v.real};
    case SQLITE_TEXT:
      return parseNumber(v.bytes);
    default:
      return std::nullopt;
  }
}

double realOf(const Numeric& n) { return n.isInteger ? static_cast<double>(n.integer) : n.real; }

// Nearest integer, halves to even (as OLE converts a double to an integer).
std::optional<std::int64_t> roundedInteger(const Numeric& n) {
  if (n.isInteger) return n.integer;
  const double r = std::nearbyint(n.real);
  if (!(r > -9223372036854775808.0 && r < 9223372036854775808.0)) return std::nullopt;
  return static_cast<std::int64_t>(r);
}

Text fixedDecimals(double x, int decimals) {
  char small[64];
  const int n = std::snprintf(small, sizeof small, "%.*f", decimals, x);
  if (n < 0) return {};
  if (n < static_cast<int>(sizeof small)) return Text(small, static_cast<std::size_t>(n));
  Text big(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), "%.*f", decimals, x);
  big.resize(static_cast<std::size_t>(n));
  return big;
}

// Currency is a count of ten-thousandths in 64 bits, as OLE's CY.
constexpr std::int64_t kCurrencyScale = 10000;
constexpr std::int64_t kCurrencyWholeLimit = INT64_MAX / kCurrencyScale;

std::optional<std::int64_t> currencyUnits(const Numeric& n) {
  if (n.isInteger) {
    if (n.integer > kCurrencyWholeLimit || n.integer < -kCurrencyWholeLimit) return std::nullopt;
    return n.integer * kCurrencyScale;
  }
  const double units = std::nearbyint(n.real * static_cast<double>(kCurrencyScale));
  if (!(units > -9223372036854775808.0 && units < 9223372036854775808.0)) return std::nullopt;
  return static_cast<std::int64_t>(units);
}

// As VarBstrFromCy writes a currency value in a Chinese locale: no symbol, no
// grouping, "." and up to four decimals without trailing zeros.
Text currencyText(std::int64_t units) {
  const bool negative = units < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
  Text out = negative ? "-" : "";
  out += std::to_string(magnitude / kCurrencyScale);
  std::uint64_t fraction = magnitude % kCurrencyScale;
  if (fraction != 0) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04u", static_cast<unsigned>(fraction));
    std::string_view view(digits, 4);
    while (view.back() == '0') view.remove_suffix(1);
    out += '.';
    out += view;
  }
  return out;
}

// ---------------------------------------------------------------- dates

struct CivilTime {
  int year, month, day, hour, minute, second;
};

constexpr std::int64_t kOleDayOfUnixEpoch = 25569;  // 1970-01-01
constexpr double kJulianDayOfOleEpoch = 2415018.5;  // 1899-12-30 00:00
// Numbers this large in a date column are Julian day numbers (SQLite's
// julianday()), smaller ones OLE dates: an OLE date of a million is the year
// 4637, a Julian day of a million lies before the Christian era.
constexpr double kJulianDayThreshold = 1000000.0;

// The proleptic Gregorian date of a count of days since 1970-01-01.
void civilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

bool validCivil(const CivilTime& t) {
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.year < 100 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1) return false;
  const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  const int days = t.month == 2 && !leap ? 28 : kDays[t.month - 1];
  return t.day <= days && t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 &&
         t.second >= 0 && t.second < 60;
}

// An OLE date, to the nearest second; the fraction counts forward from the
// day even for negative dates.
std::optional<CivilTime> civilFromOle(double ole) {
  if (!std::isfinite(ole) || ole <= -657435.0 || ole >= 2958466.0) return std::nullopt;
  const double whole = std::trunc(ole);
  std::int64_t days = static_cast<std::int64_t>(whole);
  std::int64_t seconds = std::llround(std::fabs(ole - whole) * 86400.0);
  if (seconds >= 86400) {
    days += 1;
    seconds -= 86400;
  }
  CivilTime t{};
  civilFromDays(days - kOleDayOfUnixEpoch, t.year, t.month, t.day);
  t.hour = static_cast<int>(seconds / 3600);
  t.minute = static_cast<int>(seconds / 60 % 60);
  t.second = static_cast<int>(seconds % 60);
  if (!validCivil(t)) return std::nullopt;
  return t;
}

std::optional<CivilTime> civilFromSerial(double serial) {
  return civilFromOle(serial >= kJulianDayThreshold ? serial - kJulianDayOfOleEpoch : serial);
}

// Reads 1 to maxDigits decimal digits.
bool readNumber(std::string_view& s, int maxDigits, int& value) {
  int digits = 0;
  value = 0;
  while (!s.empty() && digits < maxDigits && std::isdigit(static_cast<unsigned char>(s.front()))) {
    value = value * 10 + (s.front() - '0');
    s.remove_prefix(1);
    ++digits;
  }
  return digits > 0;
}

bool readLiteral(std::string_view& s, std::string_view literal) {
  if (s.substr(0, literal.size()) != literal) return false;
  s.remove_prefix(literal.size());
  return true;
}

// "HH:MM[:SS[.fff]]"; a fraction of a second is cut off.
bool readClock(std::string_view& s, CivilTime& t) {
  if (!readNumber(s, 2, t.hour) || !readLiteral(s, ":") || !readNumber(s, 2, t.minute)) {
    return false;
  }
  if (readLiteral(s, ":")) {
    if (!readNumber(s, 2, t.second)) return false;
    if (readLiteral(s, ".")) {
      int ignored = 0;
      if (!readNumber(s, 9, ignored)) return false;
      while (!s.empty() && std::isdigit(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    }
  }
  return true;
}

// The date-time texts found in date columns: ISO 8601 as SQLite writes it
// ("2017-05-13 09:05:03", "2017-05-13T09:05:03.250Z", "2017-05-13"), the
// same with "/", a bare time of day (on 1899-12-30, as OLE has it), and the
// program's own "2017年5月13日9时5分3秒".
std::optional<CivilTime> parseDateTime(std::string_view s) {
  s = trimmed(s);
  CivilTime t{1899, 12, 30, 0, 0, 0};
  std::string_view rest = s;
  if (readClock(rest, t) && rest.empty()) {
    if (!validCivil(t)) return std::nullopt;
    return t;
  }
  t = CivilTime{0, 0, 0, 0, 0, 0};
  rest = s;
  if (!readNumber(rest, 4, t.year)) return std::nullopt;
  if (readLiteral(rest, "年")) {
    if (!readNumber(rest, 2, t.month) || !readLiteral(rest, "月") || !readNumber(rest, 2, t.day) ||
        !readLiteral(rest, "日")) {
      return std::nullopt;
    }
    if (readNumber(rest, 2, t.hour)) {
      if (!readLiteral(rest, "时")) return std::nullopt;
      if (readNumber(rest, 2, t.minute)) {
        if (!readLiteral(rest, "分")) return std::nullopt;
        if (readNumber(rest, 2, t.second) && !readLiteral(rest, "秒")) return std::nullopt;
      }
    }
  } else {
    const char separator = rest.empty() ? '\0' : rest.front();
    if (separator != '-' && separator != '/') return std::nullopt;
    rest.remove_prefix(1);
    if (!readNumber(rest, 2, t.month) || rest.empty() || rest.front() != separator) {
      return std::nullopt;
    }
    rest.remove_prefix(1);
    if (!readNumber(rest, 2, t.day)) return std::nullopt;
    if (!rest.empty() && (rest.front() == ' ' || rest.front() == 'T')) {
      rest.remove_prefix(1);
      if (!readClock(rest, t)) return std::nullopt;
    }
    readLiteral(rest, "Z");
  }
  if (!rest.empty() || !validCivil(t)) return std::nullopt;
  return t;
}

Text dateTimeText(const CivilTime& t) {
  char out[80];
  const int n = std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month,
                              t.day, t.hour, t.minute, t.second);
  return Text(out, static_cast<std::size_t>(n > 0 ? n : 0));
}

// ---------------------------------------------------------------- yes/no

std::optional<bool> parseYesNo(std::string_view s) {
  s = trimmed(s);
  for (std::string_view word : {"TRUE", "YES", "ON"}) {
    if (equalsIgnoringAsciiCase(s, word)) return true;
  }
  for (std::string_view word : {"FALSE", "NO", "OFF"}) {
    if (equalsIgnoringAsciiCase(s, word)) return false;
  }
  if (auto n = parseNumber(s)) return realOf(*n) != 0;
  return std::nullopt;
}

std::optional<bool> yesNoOf(const Cell& v) {
  if (v.type == SQLITE_TEXT) return parseYesNo(v.bytes);
  if (auto n = numericOf(v)) return realOf(*n) != 0;
  return std::nullopt;
}

// ---------------------------------------------------------------- text forms

// The value as SQLite itself writes it as text: the fallback for a value that
// does not fit the kind of its column (text in a number column, say).
Text storedText(const Cell& v) {
  switch (v.type) {
    case SQLITE_INTEGER:
      return std::to_string(v.integer);
    case SQLITE_FLOAT: {
      char out[40];
      sqlite3_snprintf(sizeof out, out, "%!.15g", v.real);
      return Text(out);
    }
    case SQLITE_TEXT:
      return utf8ToGbk(v.bytes);
    case SQLITE_BLOB:
      return "[BLOB]";
    default:
      return {};
  }
}

Text formatInteger(const Cell& v) {
  if (auto n = numericOf(v)) {
    if (auto i = roundedInteger(*n)) return std::to_string(*i);
  }
  return storedText(v);
}

Text formatReal(const Cell& v, int decimals, bool single) {
  auto n = numericOf(v);
  if (!n) return storedText(v);
  double x = realOf(*n);
  if (single && std::fabs(x) <= FLT_MAX) x = static_cast<float>(x);
  return fixedDecimals(x, decimals);
}

// The text form of a value by the kind of its column; NULL is always empty.
Text formatValue(Kind kind, const Cell& v) {
  if (v.type == SQLITE_NULL) return {};
  switch (kind) {
    case Kind::Text:
      return storedText(v);
    case Kind::Integer:
    case Kind::Byte:
      return formatInteger(v);
    case Kind::Single:
      return formatReal(v, 4, true);
    case Kind::Double:
    case Kind::Decimal:
      return formatReal(v, 8, false);
    case Kind::Currency: {
      if (auto n = numericOf(v)) {
        if (auto units = currencyUnits(*n)) return currencyText(*units);
      }
      return storedText(v);
    }
    case Kind::DateTime: {
      std::optional<CivilTime> t;
      if (v.type == SQLITE_TEXT) {
        t = parseDateTime(v.bytes);
      } else if (auto n = numericOf(v)) {
        t = civilFromSerial(realOf(*n));
      }
      return t ? dateTimeText(*t) : storedText(v);
    }
    case Kind::YesNo: {
      if (auto b = yesNoOf(v)) return *b ? "TRUE" : "FALSE";
      return storedText(v);
    }
    case Kind::Blob:
      return "[BLOB]";
    case Kind::Unknown:
      return "UN_KNOW";
    case Kind::Untyped:
      return v.type == SQLITE_FLOAT ? fixedDecimals(v.real, 8) : storedText(v);
  }
  return "UN_KNOW";
}

// What a non-empty written text (UTF-8) becomes in a column of the kind, or
// nothing when the column cannot hold it.
std::optional<Cell> cellForWrite(Kind kind, const std::string& utf8) {
  Cell cell;
  switch (kind) {
    case Kind::Text:
    case Kind::Unknown:
    case Kind::Untyped:
      cell.type = SQLITE_TEXT;
      cell.bytes = utf8;
      return cell;
    case Kind::Integer:
    case Kind::Byte: {
      auto n = parseNumber(utf8);
      auto i = n ? roundedInteger(*n) : std::nullopt;
      if (!i || (kind == Kind::Byte && (*i < 0 || *i > 255))) return std::nullopt;
      cell.type = SQLITE_INTEGER;
      cell.integer = *i;
      return cell;
    }
    case Kind::Single:
    case Kind::Double:
    case Kind::Decimal: {
      auto n = parseNumber(utf8);
      if (!n) return std::nullopt;
      cell.type = SQLITE_FLOAT;
      cell.real = realOf(*n);
      if (kind == Kind::Single) {
        if (std::fabs(cell.real) > FLT_MAX) return std::nullopt;
        cell.real = static_cast<float>(cell.real);
      }
      return cell;
    }
    case Kind::Currency: {
      auto n = parseNumber(utf8);
      auto units = n ? currencyUnits(*n) : std::nullopt;
      if (!units) return std::nullopt;
      cell.type = SQLITE_FLOAT;
      cell.real = static_cast<double>(*units) / static_cast<double>(kCurrencyScale);
      return cell;
    }
    case Kind::DateTime: {
      auto t = parseDateTime(utf8);
      if (!t) return std::nullopt;
      cell.type = SQLITE_TEXT;
      cell.bytes = dateTimeText(*t);  // ASCII: the same bytes in GBK and UTF-8
      return cell;
    }
    case Kind::YesNo: {
      auto b = parseYesNo(utf8);
      if (!b) return std::nullopt;
      cell.type = SQLITE_INTEGER;
      cell.integer = *b ? 1 : 0;
      return cell;
    }
    case Kind::Blob:
      return std::nullopt;
  }
  return std::nullopt;
}

// ---------------------------------------------------------------- files

std::filesystem::path pathFromUtf8(const std::string& utf8) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string utf8FromPath(const std::filesystem::path& path) {
  const std::u8string u8 = path.u8string();
  return std::string(reinterpret_cast<const char*>(u8.data()), u8.size());
}

// Which file a path names, so that a file removed or replaced behind an open
// connection is noticed: the connection would go on reading the old file, and
// a snapshot's records must never be deleted by position from another file.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> regularFileIdentity(const std::string& utf8Path) {
#ifdef _WIN32
  std::error_code error;
  if (!std::filesystem::is_regular_file(pathFromUtf8(utf8Path), error)) return std::nullopt;
  return FileIdentity{};
#else
  struct stat status {};
  if (::stat(utf8Path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                      static_cast<std::uint64_t>(status.st_ino)};
#endif
}

// Opens an existing SQLite database read-write (SQLite falls back to
// read-only for a write-protected file) and makes sure it is one: SQLite
// opens lazily, so only a read of the schema tells a database from any file.
sqlite3* openExistingDatabase(const std::string& utf8Path) {
  if (!regularFileIdentity(utf8Path)) return nullptr;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(utf8Path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, StockStore::kBusyTimeoutMs);
  // The file may come from anywhere: its schema must not run functions with
  // side effects, nor let SQL corrupt it.
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  if (!execute(db, "SELECT count(*) FROM sqlite_master")) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  return db;
}

// ---------------------------------------------------------------- snapshot

struct Column {
  std::string name;  // UTF-8
  Text gbkName;
  Kind kind = Kind::Untyped;
  bool notNull = false;
  bool generated = false;
};

struct Record {
  std::vector<Cell> key;  // rowid or primary-key values; empty when the row has none
  std::vector<Text> texts;
};

// How records of the table are told apart: by rowid under one of its names
// that no column hides, else by the primary key (a WITHOUT ROWID table), else
// not at all (a view): such rows can be read but not deleted.
struct KeyPlan {
  std::vector<std::string> expressions;  // SQL, selected ahead of the columns
  bool byRowid = false;
};

struct TableInfoRow {
  std::string name;
  bool notNull;
  int primaryKey;
  bool generated;
};

std::optional<std::vector<TableInfoRow>> tableInfo(sqlite3* db) {
  Statement statement =
      prepare(db, "SELECT name, \"notnull\", pk, hidden FROM pragma_table_xinfo(?1)");
  if (!statement) return std::nullopt;
  sqlite3_bind_text(statement.get(), 1, kTable.data(), static_cast<int>(kTable.size()),
                    SQLITE_STATIC);
  std::vector<TableInfoRow> rows;
  int rc;
  while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
    auto text = [&](int i) {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), i));
      return std::string(p ? p : "");
    };
    const int hidden = sqlite3_column_int(statement.get(), 3);
    rows.push_back({text(0), sqlite3_column_int(statement.get(), 1) != 0,
                    sqlite3_column_int(statement.get(), 2), hidden == 2 || hidden == 3});
  }
  if (rc != SQLITE_DONE || rows.empty()) return std::nullopt;
  return rows;
}

bool isView(sqlite3* db) {
  Statement statement =
      prepare(db, "SELECT 1 FROM sqlite_master WHERE type = 'view' AND name = ?1 COLLATE NOCASE");
  if (!statement) return false;
  sqlite3_bind_text(statement.get(), 1, kTable.data(), static_cast<int>(kTable.size()),
                    SQLITE_STATIC);
  return sqlite3_step(statement.get()) == SQLITE_ROW;
}

KeyPlan keyPlanOf(sqlite3* db, const std::vector<TableInfoRow>& info) {
  if (isView(db)) return {};
  const std::string from = " FROM " + sqlName(kTable);
  for (const char* alias : {"_rowid_", "rowid", "oid"}) {
    bool taken = false;
    for (const TableInfoRow& row : info) taken = taken || equalsIgnoringAsciiCase(row.name, alias);
    if (taken) continue;
    // Fails for a WITHOUT ROWID table.
    if (prepare(db, std::string("SELECT ") + alias + from)) return KeyPlan{{alias}, true};
    break;
  }
  std::vector<std::pair<int, std::string>> keyColumns;
  for (const TableInfoRow& row : info) {
    if (row.primaryKey > 0) keyColumns.emplace_back(row.primaryKey, sqlName(row.name));
  }
  std::sort(keyColumns.begin(), keyColumns.end());
  KeyPlan plan;
  for (auto& column : keyColumns) plan.expressions.push_back(std::move(column.second));
  return plan;
}

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (const std::string& part : parts) {
    if (!out.empty()) out += separator;
    out += part;
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------- state

struct StockStore::State {
  // Connection.
  bool connected = false;  // openDatabase succeeded; db may be reopened on a replaced file
  sqlite3* db = nullptr;
  std::string path;  // absolute, UTF-8
  FileIdentity identity;
  bool bound = false;

  // Record set.
  bool open = false;
  std::vector<Column> columns;
  KeyPlan keys;
  std::vector<Record> records;
  std::int64_t position = 0;  // -1 before the first record, records.size() past the last
  bool onDeletedRecord = false;

  struct Pending {
    std::vector<Cell> values;
    std::vector<bool> written;
    std::int64_t returnPosition;
    bool returnOnDeleted;
  };
  std::optional<Pending> pending;

  std::int64_t count() const { return static_cast<std::int64_t>(records.size()); }
  bool pastLast() const { return !pending && !onDeletedRecord && position >= count(); }
  const Record* current() const {
    if (!open || pending || onDeletedRecord || position < 0 || position >= count()) return nullptr;
    return &records[static_cast<std::size_t>(position)];
  }

  std::optional<std::size_t> findColumn(const Text& field) const {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (columns[i].gbkName == field) return i;
    }
    const std::string utf8 = gbkToUtf8(field);
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (equalsIgnoringAsciiCase(columns[i].name, utf8)) return i;
    }
    return std::nullopt;
  }

  void closeDb() {
    if (db) sqlite3_close_v2(db);
    db = nullptr;
  }

  bool reopen() {
    closeDb();
    db = openExistingDatabase(path);
    if (!db) return false;
    identity = regularFileIdentity(path).value_or(FileIdentity{});
    return true;
  }

  // Before a read: the connection must be on the file the path names now; a
  // replaced file (a restored copy, say) is opened afresh.
  bool readableFile() {
    if (!connected) return false;
    auto now = regularFileIdentity(path);
    if (!now) return false;
    if (db && *now == identity) return true;
    return reopen();
  }

  // Before a write: the file must be the very one the snapshot came from.
  bool writableFile() const {
    if (!connected || !db) return false;
    auto now = regularFileIdentity(path);
    return now && *now == identity;
  }

  std::string selectList() const {
    std::vector<std::string> parts = keys.expressions;
    for (const Column& column : columns) parts.push_back(sqlName(column.name));
    return joined(parts, ", ");
  }

  Record readRecord(sqlite3_stmt* statement) const {
    Record record;
    const int keyCount = static_cast<int>(keys.expressions.size());
    bool findable = true;
    record.key.reserve(keys.expressions.size());
    for (int i = 0; i < keyCount; ++i) {
      record.key.push_back(readCell(statement, i, true));
      findable = findable && record.key.back().type != SQLITE_NULL;
    }
    if (!findable) record.key.clear();
    record.texts.reserve(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const int index = keyCount + static_cast<int>(i);
      const Kind kind = columns[i].kind;
      if ((kind == Kind::Text || kind == Kind::Untyped) &&
          sqlite3_column_type(statement, index) == SQLITE_TEXT) {
        // The common case, converted straight from SQLite's buffer.
        record.texts.push_back(utf8ToGbk(columnText(statement, index)));
      } else {
        record.texts.push_back(formatValue(kind, readCell(statement, index, false)));
      }
    }
    return record;
  }

  bool takeSnapshot() {
    auto info = tableInfo(db);
    if (!info) return false;
    keys = keyPlanOf(db, *info);
    std::string sql = "SELECT ";
    if (!keys.expressions.empty()) sql += joined(keys.expressions, ", ") + ", ";
    sql += "* FROM " + sqlName(kTable);
    if (!keys.expressions.empty()) sql += " ORDER BY " + joined(keys.expressions, ", ");
    Statement statement = prepare(db, sql);
    if (!statement) return false;

    const int keyCount = static_cast<int>(keys.expressions.size());
    const int total = sqlite3_column_count(statement.get());
    columns.clear();
    for (int i = keyCount; i < total; ++i) {
      Column column;
      const char* name = sqlite3_column_name(statement.get(), i);
      column.name = name ? name : "";
      column.gbkName = utf8ToGbk(column.name);
      column.kind = kindOfDeclaredType(sqlite3_column_decltype(statement.get(), i));
      for (const TableInfoRow& row : *info) {
        if (row.name == column.name) {
          column.notNull = row.notNull;
          column.generated = row.generated;
        }
      }
      columns.push_back(std::move(column));
    }

    records.clear();
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
      records.push_back(readRecord(statement.get()));
    }
    if (rc != SQLITE_DONE) {
      records.clear();
      columns.clear();
      return false;
    }
    open = true;
    position = 0;
    onDeletedRecord = false;
    return true;
  }
};

StockStore::StockStore() : state_(std::make_unique<State>()) {}

StockStore::~StockStore() { closeConnection(); }

void StockStore::closeRecordSet() {
  State& s = *state_;
  s.open = false;
  s.pending.reset();
  s.columns.clear();
  s.records.clear();
  s.keys = {};
  s.position = 0;
  s.onDeletedRecord = false;
}

void StockStore::closeConnection() {
  closeRecordSet();
  state_->closeDb();
  state_->connected = false;
}

bool StockStore::openDatabase(const Text& path, const Text& password) {
  connectionString_ = "Provider=Microsoft.Jet.OLEDB.4.0; Data Source=" + path;
  if (!password.empty()) connectionString_ += ";Jet OLEDB:Database Password=" + password + ";";
  closeConnection();
  if (path.empty()) return false;

  State& s = *state_;
  std::error_code error;
  const std::filesystem::path absolute =
      std::filesystem::absolute(pathFromUtf8(gbkToUtf8(path)), error);
  if (error) return false;
  // An absolute path also keeps SQLite from reading "file:..." as a URI.
  s.path = utf8FromPath(absolute);
  if (!s.reopen()) return false;
  s.connected = true;
  return true;
}

bool StockStore::bindRecordSet() {
  state_->bound = true;
  return true;
}

bool StockStore::queryAll() {
  State& s = *state_;
  if (!s.bound) return false;
  closeRecordSet();
  if (!s.readableFile()) return false;
  return s.takeSnapshot();
}

// Leaving a pending new record stores it, as a record set does on a move.
bool StockStore::leavePendingRecord() { return !state_->pending || saveRecord(); }

bool StockStore::moveFirst() {
  if (!leavePendingRecord()) return false;
  State& s = *state_;
  if (!s.open || s.records.empty()) return false;
  s.position = 0;
  s.onDeletedRecord = false;
  return true;
}

bool StockStore::moveNext() {
  if (!leavePendingRecord()) return false;
  State& s = *state_;
  if (!s.open) return false;
  if (s.onDeletedRecord) {
    // The gap of a deleted record sits just before the record that followed it.
    s.onDeletedRecord = false;
    return true;
  }
  if (s.position >= s.count()) return false;
  ++s.position;
  return true;
}

bool StockStore::isAtEnd() {
  const State& s = *state_;
  return !s.open || s.pastLast();
}

bool StockStore::readText(const Text& field, Text& value) {
  const State& s = *state_;
  Text result;
  bool read = false;
  if (s.open && !s.pastLast()) {
    if (auto column = s.findColumn(field)) {
      if (s.pending) {
        result = formatValue(s.columns[*column].kind, s.pending->values[*column]);
        read = true;
      } else if (const Record* record = s.current()) {
        result = record->texts[*column];
        read = true;
      }
    }
  }
  value = std::move(result);
  return read;
}

bool StockStore::addNew() {
  if (!state_->open) return false;
  if (!leavePendingRecord()) return false;
  State& s = *state_;
  s.pending = State::Pending{std::vector<Cell>(s.columns.size()),
                             std::vector<bool>(s.columns.size()), s.position, s.onDeletedRecord};
  return true;
}

bool StockStore::writeText(const Text& field, const Text& value) {
  State& s = *state_;
  if (!s.open) return false;
  auto column = s.findColumn(field);
  if (!column) return false;
  if (!s.pending) return true;
  const Column& target = s.columns[*column];
  if (target.generated) return true;
  std::optional<Cell> cell;
  if (value.empty()) {
    if (!target.notNull) cell = Cell{};
  } else {
    cell = cellForWrite(target.kind, gbkToUtf8(value));
  }
  if (cell) {
    s.pending->values[*column] = std::move(*cell);
    s.pending->written[*column] = true;
  }
  return true;
}

bool StockStore::saveRecord() {
  State& s = *state_;
  if (!s.open) return false;
  if (!s.pending) return true;  // nothing to store
  if (insertPendingRecord()) return true;
  s.position = s.pending->returnPosition;
  s.onDeletedRecord = s.pending->returnOnDeleted;
  s.pending.reset();
  return false;
}

bool StockStore::insertPendingRecord() {
  State& s = *state_;
  if (!s.writableFile()) return false;
  const State::Pending& pending = *s.pending;

  std::vector<std::string> names;
  std::vector<const Cell*> values;
  for (std::size_t i = 0; i < s.columns.size(); ++i) {
    if (!pending.written[i]) continue;
    names.push_back(sqlName(s.columns[i].name));
    values.push_back(&pending.values[i]);
  }
  std::string sql = "INSERT INTO " + sqlName(kTable);
  if (names.empty()) {
    sql += " DEFAULT VALUES";
  } else {
    sql += " (" + joined(names, ", ") + ") VALUES (";
    for (std::size_t i = 0; i < values.size(); ++i) sql += i == 0 ? "?" : ", ?";
    sql += ")";
  }

  WriteTransaction transaction(s.db);
  if (!transaction.active()) return false;
  Statement insert = prepare(s.db, sql);
  if (!insert) return false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!bindCell(insert.get(), static_cast<int>(i) + 1, *values[i])) return false;
  }
  if (sqlite3_step(insert.get()) != SQLITE_DONE) return false;

  // The stored record joins the snapshot as the file holds it: its id, the
  // defaults and whatever the column types made of the values.
  std::optional<Record> stored;
  if (s.keys.byRowid) {
    const std::string& rowid = s.keys.expressions[0];
    Statement select = prepare(s.db, "SELECT " + s.selectList() + " FROM " + sqlName(kTable) +
                                         " WHERE " + rowid + " = ?1");
    if (select) {
      sqlite3_bind_int64(select.get(), 1, sqlite3_last_insert_rowid(s.db));
      if (sqlite3_step(select.get()) == SQLITE_ROW) stored = s.readRecord(select.get());
    }
  }
  if (!transaction.commit()) return false;
  if (!stored) {
    // No rowid to read it back by: show what was written; it has no key, so
    // this snapshot cannot delete it.
    stored.emplace();
    for (std::size_t i = 0; i < s.columns.size(); ++i) {
      stored->texts.push_back(formatValue(s.columns[i].kind, pending.values[i]));
    }
  }
  s.pending.reset();
  s.records.push_back(std::move(*stored));
  s.position = s.count() - 1;
  s.onDeletedRecord = false;
  return true;
}

bool StockStore::moveTo(Integer position) {
  if (!leavePendingRecord()) return false;
  State& s = *state_;
  if (!s.open || s.records.empty()) return false;
  s.onDeletedRecord = false;
  if (position < 0) {
    s.position = -1;
  } else if (position >= s.count()) {
    s.position = s.count();
  } else {
    s.position = position;
  }
  return true;
}

bool StockStore::deleteCurrent() {
  State& s = *state_;
  const Record* record = s.current();
  if (!record || record->key.empty() || !s.writableFile()) return false;

  std::vector<std::string> conditions;
  for (std::size_t i = 0; i < s.keys.expressions.size(); ++i) {
    conditions.push_back(s.keys.expressions[i] + " = ?" + std::to_string(i + 1));
  }
  WriteTransaction transaction(s.db);
  if (!transaction.active()) return false;
  Statement remove =
      prepare(s.db, "DELETE FROM " + sqlName(kTable) + " WHERE " + joined(conditions, " AND "));
  if (!remove) return false;
  for (std::size_t i = 0; i < record->key.size(); ++i) {
    if (!bindCell(remove.get(), static_cast<int>(i) + 1, record->key[i])) return false;
  }
  // No row deleted means another program removed it since the query.
  if (sqlite3_step(remove.get()) != SQLITE_DONE || sqlite3_changes(s.db) != 1) return false;
  if (!transaction.commit()) return false;
  s.records.erase(s.records.begin() + s.position);
  s.onDeletedRecord = true;
  return true;
}

}  // namespace brindlow
