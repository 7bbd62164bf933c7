#include "records/test_history.h"

#include "base/cp932.h"
#include "base/format.h"
#include "base/path.h"
#include "base/text.h"
#include "records/version_info.h"
#include "report/report_log.h"

namespace zel {
namespace {

constexpr wchar_t kExecuted[] = L"Executed";
constexpr wchar_t kHistory[] = L"History";
constexpr size_t kEditionsKept = 8;
constexpr int kHistoryLines = 1000;
constexpr size_t kValueChars = 2048;

std::vector<std::wstring> Split(std::wstring_view text, wchar_t separator) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (true) {
    size_t at = text.find(separator, start);
    parts.emplace_back(text.substr(start, at == std::wstring_view::npos ? std::wstring_view::npos : at - start));
    if (at == std::wstring_view::npos) break;
    start = at + 1;
  }
  return parts;
}

bool ParseSize(std::wstring_view text, std::uint64_t& size) {
  if (text.empty() || text.size() > 19) return false;
  size = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    size = size * 10 + static_cast<std::uint64_t>(c - L'0');
  }
  return true;
}

std::vector<TestedProgram> ParseEditions(std::wstring_view name, std::wstring_view value) {
  std::vector<TestedProgram> editions;
  if (Trim(value).empty()) return editions;
  for (const std::wstring& item : Split(Trim(value), L';')) {
    std::vector<std::wstring> fields = Split(item, L',');
    TestedProgram p;
    if (fields.size() != 3 || fields[0].size() != 10 || !ParseSize(fields[1], p.size) || fields[2].empty()) continue;
    p.name = std::wstring(name);
    p.date = fields[0];
    p.version = fields[2];
    editions.push_back(std::move(p));
  }
  return editions;
}

// A field may not hold the separators of the value.
std::wstring FieldText(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) {
    if (c == L',' || c == L';' || c < L' ') c = L'_';
  }
  return out;
}

// One line of the log: control characters become blanks.
std::wstring LogText(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) {
    if (c < L' ') c = L' ';
  }
  return Trim(out);
}

void AddLogLine(IniStore& ini, const std::wstring& file, const std::wstring& line) {
  const std::int32_t last = ParseLeadingInt(ini.ReadRaw(file, kHistory, L"Last", 32));
  const int next = last >= 1 && last < kHistoryLines ? last + 1 : 1;
  ini.WriteValue(file, kHistory, std::to_wstring(next), line);
  ini.WriteValue(file, kHistory, L"Last", std::to_wstring(next));
}

std::wstring Stamp(Machine& m) {
  const LocalTime now = m.sys.Now();
  return DateText(now) + L" " + ClockText(now);
}

}  // namespace

std::wstring HistoryPath(const Environment& env) { return env.ProgramDir + L"\\ZELDIR.INI"; }

std::wstring HistoryKey(std::wstring_view fileName) {
  const std::wstring upper = ToUpper(fileName);
  std::string encoded;
  bool plain = !upper.empty() && ToCp932Exact(upper, encoded) && upper.find(L'=') == std::wstring::npos &&
               upper.front() != L';' && upper.front() != L'[' && upper.front() != L' ' && upper.back() != L' ' &&
               upper.find(L'"') == std::wstring::npos;
  for (wchar_t c : upper) plain = plain && c >= L' ';
  if (plain) return upper;
  std::wstring key = L"*";
  for (wchar_t c : upper) {
    const std::uint32_t code = static_cast<std::uint32_t>(c);
    if (code > 0xFFFF) {  // a character beyond the BMP: its surrogate pair
      key += Hex4(0xD800 + ((code - 0x10000) >> 10)) + Hex4(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      key += Hex4(code);
    }
  }
  return key;
}

std::optional<TestedProgram> DescribeProgram(Machine& m, std::wstring_view path, std::wstring_view date) {
  std::optional<FileEntry> e = m.fs.Stat(path);
  if (!e || e->IsFolder()) return std::nullopt;
  std::string head;
  if (m.fs.ReadHead(path, kVersionReadBytes, head) != FsError::None) return std::nullopt;
  TestedProgram p;
  p.name = ToUpper(LastComponent(path));
  p.date = std::wstring(date);
  p.size = e->size;
  p.version = FileVersionText(head);
  if (p.version.empty()) p.version = DateText(m.sys.LocalTimeOf(e->lastWrite));
  return p;
}

std::vector<TestedProgram> TestedEditions(Machine& m, const Environment& env, std::wstring_view fileName) {
  const std::wstring name = ToUpper(fileName);
  return ParseEditions(name, m.ini.ReadRaw(HistoryPath(env), kExecuted, HistoryKey(name), kValueChars));
}

void RecordTestedProgram(Machine& m, const Environment& env, const TestedProgram& program) {
  const std::wstring file = HistoryPath(env);
  TestedProgram latest = program;
  latest.date = FieldText(latest.date);
  latest.version = FieldText(latest.version);
  std::vector<TestedProgram> editions{latest};
  for (const TestedProgram& p : TestedEditions(m, env, program.name)) {
    if (editions.size() >= kEditionsKept) break;
    if (p.size == latest.size && p.version == latest.version) continue;  // the same edition, now tested again
    editions.push_back(p);
  }
  std::wstring value;
  for (const TestedProgram& p : editions) {
    if (!value.empty()) value += L";";
    value += p.date + L"," + std::to_wstring(p.size) + L"," + p.version;
  }
  m.ini.WriteValue(file, kExecuted, HistoryKey(program.name), value);
  AddLogLine(m.ini, file,
             Stamp(m) + L" テスト " + LogText(program.name) + L" " + LogText(program.version) + L"版 (" +
                 Grouped(static_cast<long long>(program.size)) + L" bytes)");
}

std::wstring TestHistoryLine(Machine& m, const Environment& env, std::wstring_view path) {
  std::vector<TestedProgram> editions = TestedEditions(m, env, LastComponent(path));
  if (editions.empty()) return std::wstring();
  std::optional<FileEntry> e = m.fs.Stat(path);
  if (!e || e->IsFolder()) return std::wstring();
  bool sizeSeen = false;
  for (const TestedProgram& p : editions) sizeSeen = sizeSeen || p.size == e->size;
  if (sizeSeen) {
    // Only a file of a size tested before is read for its version.
    std::optional<TestedProgram> now = DescribeProgram(m, path, L"");
    if (!now) return std::wstring();
    for (const TestedProgram& p : editions) {
      if (p.size == now->size && p.version == now->version) return L"　　■" + p.date + L" にテスト済み";
    }
  }
  return L"　　■別バージョンをテスト済み (" + editions.front().version + L"版)";
}

void AddHistoryComment(Machine& m, const Environment& env, std::wstring_view program, std::wstring_view comment) {
  std::wstring line = Stamp(m) + L" コメント ";
  if (!program.empty()) line += LogText(ToUpper(LastComponent(program))) + L"：";
  line += LogText(comment);
  AddLogLine(m.ini, HistoryPath(env), line);
}

}  // namespace zel
