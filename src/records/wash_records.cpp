#include "records/wash_records.h"

#include <cwchar>

#include "base/cp932.h"
#include "base/text.h"
#include "browser/text_view.h"
#include "records/test_history.h"
#include "report/report_log.h"
#include "startup/file_helpers.h"

namespace zel {

const wchar_t kSharedLibraryWarning[] =
    L"リストアップされたファイルの内、DLL, OCX, VBX の各ファイルは、|"
    L"他のプログラムと共用されている場合があります。||"
    L"この記録を見ながら手作業で削除するときは、ほかのプログラムが|"
    L"そのファイルを使っていないことを確かめてから削除して下さい。|"
    L"（使用中のファイルを削除すると、そのプログラムが動かなくなります）";
const wchar_t kClearRecordsQuestion[] = L"洗浄した記録を消去します";
const wchar_t kCommentPrompt[] = L"テストした結果などのコメントを入力して下さい";

namespace {

constexpr wchar_t kSeparator = L'\x08';
constexpr wchar_t kNoProgram[] = L"（プログラムなし）";

struct Label {
  const wchar_t* half;
  const wchar_t* full;
};
const Label kLabels[] = {
    {L"ｼｽﾃﾑ･ﾚｼﾞｽﾄﾘ", L"システム・レジストリ"},
    {L"ﾌｧｲﾙ", L"ファイル"},
    {L"ﾌｫﾙﾀﾞｰ", L"フォルダー"},
    {L"ｼｮｰﾄｶｯﾄ", L"ショートカット"},
    {L"ｸﾞﾙｰﾌﾟ", L"グループ"},
};

void Tell(FrontEnd& fe, const std::wstring& text, int icon) { fe.Ask(text, mb::kOk | icon, L""); }

void TellNoList(FrontEnd& fe) {
  Tell(fe, L"最新の洗浄リストはありません||確認ボタンか洗浄ボタンを押すと作られます", mb::kIconInformation);
}

void TellNoRecords(FrontEnd& fe) { Tell(fe, L"洗浄記録はありません", mb::kIconInformation); }

bool ReadExisting(FileSystem& fs, const std::wstring& path, std::string& bytes) {
  bytes.clear();
  return FileExists(fs, path) && fs.ReadBytes(path, bytes) == FsError::None && !bytes.empty();
}

// The warning as viewer lines, an empty line after it.
std::wstring WarningForViewer() {
  std::wstring out;
  for (const wchar_t* p = kSharedLibraryWarning; *p; ++p) out += *p == L'|' ? std::wstring(L"\r\n") : std::wstring(1, *p);
  return out + L"\r\n\r\n";
}

std::optional<std::wstring> ForViewer(const std::string& bytes) {
  std::wstring text = ViewerText(bytes);
  if (ListsSharedLibrary(text)) text = WarningForViewer() + text;
  return text;
}

}  // namespace

std::wstring WashListText(const std::vector<std::wstring>& consoleLines) {
  std::wstring text;
  for (const std::wstring& line : consoleLines) {
    std::wstring out = line;
    const size_t subject = out.find(L'『');
    const std::wstring_view head = std::wstring_view(out).substr(0, subject);
    for (const Label& label : kLabels) {
      const size_t at = head.find(label.half);
      if (at == std::wstring_view::npos) continue;
      out.replace(at, std::wcslen(label.half), label.full);
      break;
    }
    text += out;
    text += kSeparator;
  }
  return text;
}

std::vector<std::wstring> WashListLines(std::wstring_view text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(kSeparator, start);
    if (end == std::wstring_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::wstring LatestListPath(const Environment& env) { return env.WorkDir + L"\\最新の洗浄リスト.TXT"; }
std::wstring RecordsPath(const Environment& env) { return env.WorkDir + L"\\洗浄記録.TXT"; }

std::wstring ListHeading(const LocalTime& at, std::wstring_view program) {
  return L"■ " + DateText(at) + L" " + ClockText(at) + L"  " + (program.empty() ? std::wstring(kNoProgram) : std::wstring(program));
}

bool SaveLatestWashList(Machine& m, const Environment& env, std::wstring_view washListText, std::wstring_view program) {
  std::vector<std::wstring> lines = WashListLines(washListText);
  if (lines.empty()) return false;
  std::string bytes;
  AppendCp932(ListHeading(m.sys.Now(), program), bytes);
  bytes += "\r\n";
  for (const std::wstring& line : lines) {
    AppendCp932(line, bytes);
    bytes += "\r\n";
  }
  return m.fs.WriteBytes(LatestListPath(env), bytes) == FsError::None;
}

bool ListsSharedLibrary(std::wstring_view text) {
  const std::wstring upper = ToUpper(text);
  for (const wchar_t* end : {L".DLL』", L".OCX』", L".VBX』"}) {
    if (Contains(upper, end)) return true;
  }
  return false;
}

std::optional<std::wstring> LatestListForViewer(const Services& ctx) {
  std::string bytes;
  if (!ReadExisting(ctx.m.fs, LatestListPath(ctx.env), bytes)) {
    TellNoList(ctx.fe);
    return std::nullopt;
  }
  return ForViewer(bytes);
}

std::wstring LatestListForEditor(const Services& ctx) {
  const std::wstring path = LatestListPath(ctx.env);
  if (!FileExists(ctx.m.fs, path)) {
    TellNoList(ctx.fe);
    return std::wstring();
  }
  return path;
}

std::optional<std::wstring> LatestListForCopy(const Services& ctx) {
  std::string bytes;
  if (!ReadExisting(ctx.m.fs, LatestListPath(ctx.env), bytes)) {
    TellNoList(ctx.fe);
    return std::nullopt;
  }
  return ViewerText(bytes);
}

RecordsOutcome AppendLatestQuietly(Machine& m, const Environment& env) {
  std::string latest;
  if (!ReadExisting(m.fs, LatestListPath(env), latest)) return RecordsOutcome::NoList;
  const std::string block = latest + "\r\n";
  const std::wstring path = RecordsPath(env);
  std::string records;
  ReadExisting(m.fs, path, records);
  if (records.size() >= block.size() && records.compare(records.size() - block.size(), block.size(), block) == 0) {
    return RecordsOutcome::AlreadyRecorded;
  }
  return m.fs.AppendBytes(path, block) == FsError::None ? RecordsOutcome::Done : RecordsOutcome::WriteFailed;
}

RecordsOutcome AppendLatestToRecords(const Services& ctx) {
  const RecordsOutcome outcome = AppendLatestQuietly(ctx.m, ctx.env);
  switch (outcome) {
    case RecordsOutcome::NoList: TellNoList(ctx.fe); break;
    case RecordsOutcome::AlreadyRecorded:
      Tell(ctx.fe, L"最新の洗浄リストは、既に記録に追加されています", mb::kIconInformation);
      break;
    case RecordsOutcome::WriteFailed: Tell(ctx.fe, L"洗浄記録に書き込めません", mb::kIconExclamation); break;
    default: Tell(ctx.fe, L"最新の洗浄リストを記録に追加しました", mb::kIconInformation); break;
  }
  return outcome;
}

std::optional<std::wstring> PastRecordsForViewer(const Services& ctx) {
  std::string bytes;
  if (!ReadExisting(ctx.m.fs, RecordsPath(ctx.env), bytes)) {
    TellNoRecords(ctx.fe);
    return std::nullopt;
  }
  return ForViewer(bytes);
}

std::wstring PastRecordsForEditor(const Services& ctx) {
  const std::wstring path = RecordsPath(ctx.env);
  if (!FileExists(ctx.m.fs, path)) {
    TellNoRecords(ctx.fe);
    return std::wstring();
  }
  return path;
}

RecordsOutcome ClearRecords(const Services& ctx) {
  const std::wstring path = RecordsPath(ctx.env);
  if (!FileExists(ctx.m.fs, path)) {
    TellNoRecords(ctx.fe);
    return RecordsOutcome::NoRecords;
  }
  if (ctx.fe.Ask(kClearRecordsQuestion, mb::kOkCancel | mb::kIconQuestion | mb::kDefault2, L"") != mb::kResultOk) {
    return RecordsOutcome::Declined;
  }
  if (!KillFile(ctx.m, path)) {
    Tell(ctx.fe, L"洗浄記録を消去できません", mb::kIconExclamation);
    return RecordsOutcome::WriteFailed;
  }
  return RecordsOutcome::Done;
}

RecordsOutcome WriteComment(const Services& ctx, std::wstring_view program) {
  std::wstring comment = ctx.fe.Input(kCommentPrompt, L"", L"");
  for (wchar_t& c : comment) {
    if (c < L' ') c = L' ';
  }
  comment = Trim(comment);
  if (comment.empty()) return RecordsOutcome::Declined;
  const LocalTime now = ctx.m.sys.Now();
  std::string block;
  AppendCp932(L"◆ " + DateText(now) + L" " + ClockText(now) + L"  " +
                  (program.empty() ? std::wstring(kNoProgram) : std::wstring(program)),
              block);
  block += "\r\n";
  AppendCp932(L"コメント：" + comment, block);
  block += "\r\n\r\n";
  if (ctx.m.fs.AppendBytes(RecordsPath(ctx.env), block) != FsError::None) {
    Tell(ctx.fe, L"洗浄記録に書き込めません", mb::kIconExclamation);
    return RecordsOutcome::WriteFailed;
  }
  AddHistoryComment(ctx.m, ctx.env, program, comment);
  return RecordsOutcome::Done;
}

}  // namespace zel
