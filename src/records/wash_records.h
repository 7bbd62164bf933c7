// The wash records: the latest wash list, kept in the work folder as
// "最新の洗浄リスト.TXT", and the records it is added to, "洗浄記録.TXT", with the
// operations of the wash-record menu.
//
// Both files are code page 932 text with CR LF line ends (a character
// without a mapping is written "?"). The latest list is a heading line and
// the wash list's lines:
//
//   ■ 2026/12/06 10:30:00  C:\DL\SETUP.EXE
//   ●ファイル『C:\windows\system32\x.dll』が追加されています
//   ...
//
// Each code 8 of the wash list text ends a line (it becomes CR LF); text
// after the last one, if any, is a line of its own. The heading holds the
// date and time the list was stored and the program under test
// ("（プログラムなし）" when none was tested). Adding the latest list to the
// records appends the file as it stands and an empty line, so each block of
// the records starts with its own heading. A comment is a block of its own:
//
//   ◆ 2026/12/06 10:45:00  C:\DL\SETUP.EXE
//   コメント：動作を確認しました
//   (empty line)
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/frontend.h"
#include "platform/machine.h"
#include "startup/environment.h"
#include "startup/services.h"

namespace zel {

// The console lines joined for the records: each line with its kind label
// made full-width, followed by the character with code 8. The labels are
// looked for in this order and only the first one found is replaced:
// "ｼｽﾃﾑ･ﾚｼﾞｽﾄﾘ", "ﾌｧｲﾙ", "ﾌｫﾙﾀﾞｰ", "ｼｮｰﾄｶｯﾄ", "ｸﾞﾙｰﾌﾟ" ("ﾌｫﾝﾄ" stays). A label
// is looked for only in front of the line's first "『": the subject is a
// path or name as it stands on the disk and is never changed.
std::wstring WashListText(const std::vector<std::wstring>& consoleLines);
// The lines of a wash list text (split at each code 8).
std::vector<std::wstring> WashListLines(std::wstring_view washListText);

std::wstring LatestListPath(const Environment& env);
std::wstring RecordsPath(const Environment& env);

// "■ YYYY/MM/DD HH:MM:SS  " + program.
std::wstring ListHeading(const LocalTime& at, std::wstring_view program);

// Stores the wash list text as the latest list, heading first, replacing the
// one before. A text without lines (a wash that had nothing to do) leaves
// the previous list in place and returns false; so does a failed write.
bool SaveLatestWashList(Machine& m, const Environment& env, std::wstring_view washListText, std::wstring_view program);

enum class RecordsOutcome {
  Done,
  NoList,           // no latest list (told)
  NoRecords,        // no records (told)
  AlreadyRecorded,  // the latest list is already the last block of the records (told)
  Declined,         // the question was answered No or Cancel, or the input was empty
  WriteFailed,      // told
};

// "最新の洗浄リストを表示": the latest list for the text viewer, with the
// warning about shared libraries in front when it lists one.
std::optional<std::wstring> LatestListForViewer(const Services& ctx);
// "最新の洗浄リストを開く": the file to open in the text editor; empty when
// there is none (told).
std::wstring LatestListForEditor(const Services& ctx);
// "最新の洗浄リストをコピー": the text for the clipboard (CR LF lines).
std::optional<std::wstring> LatestListForCopy(const Services& ctx);
// "最新の洗浄リストを記録に追加": appends the latest list to the records
// unless it already ends them, and says what happened.
RecordsOutcome AppendLatestToRecords(const Services& ctx);
// The same without a word to the user, for a wash that records itself:
// Done, NoList, AlreadyRecorded or WriteFailed.
RecordsOutcome AppendLatestQuietly(Machine& m, const Environment& env);
// "過去の洗浄リストを表示": the records for the text viewer, with the warning
// in front when they list a shared library.
std::optional<std::wstring> PastRecordsForViewer(const Services& ctx);
// "過去の洗浄リストを開く": the records file; empty when there is none (told).
std::wstring PastRecordsForEditor(const Services& ctx);
// "洗浄記録をクリア": asks, then deletes the records (the latest list stays).
RecordsOutcome ClearRecords(const Services& ctx);
// "テスト履歴にコメントを記入": asks for one line and adds it to the records
// and to the test history. program: the program under test, or empty.
RecordsOutcome WriteComment(const Services& ctx, std::wstring_view program);

// True when a wash list names a file ending in ".DLL", ".OCX" or ".VBX".
bool ListsSharedLibrary(std::wstring_view text);

// The texts, as shown.
extern const wchar_t kSharedLibraryWarning[];  // "|" breaks lines
extern const wchar_t kClearRecordsQuestion[];
extern const wchar_t kCommentPrompt[];

}  // namespace zel
