// The backup set of the system save: where it lies, which folders it copies,
// and the byte form of its list files.
//
// A list file is raw code page 932 text with no line ends. A folder record is
// code 2, the folder's full path with A to Z lower-cased, code 8; a file
// record is the file's last-write time as 16 upper-case hex digits, code 4,
// the name with A to Z lower-cased, code 3. A folder's file records follow
// its folder record, then come the records of its subfolders, depth first.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/filesystem.h"
#include "platform/system.h"
#include "startup/environment.h"

namespace zel {

inline constexpr wchar_t kRecoveryDat[] = L"Recovery.dat";
inline constexpr wchar_t kWindowsList[] = L"Windows.lst";
inline constexpr wchar_t kProgramList[] = L"Program.lst";
inline constexpr wchar_t kRootList[] = L"Root.lst";
// Folders whose listing failed at the save, as folder records: what is inside
// them is unknown, so the compare never takes them for added folders.
inline constexpr wchar_t kUnenteredList[] = L"Unentered.lst";
inline constexpr wchar_t kWindowsCopyFolder[] = L"Windows";
inline constexpr wchar_t kRootCopyFolder[] = L"_Root";

// Folders below the Windows folder that are left out whole, and those whose
// files are listed but not copied (by the name of the first folder below the
// Windows folder, lower-cased).
inline constexpr wchar_t kSkippedFolders[] =
    L"/all users/cookies/favorites/history/ime/offline web pages/pif/recent/sendto/temp/temporary internet files/web/";
inline constexpr wchar_t kListOnlyFolders[] = L"/command/cursors/fonts/help/media/";
// Files that are listed but never copied, never reported as changed, never restored.
inline constexpr wchar_t kNoCopyNames[] = L"/win386.swp/schedlog.txt/shelliconcache/ttfcache/";
// Files the running Windows holds: a changed one is always put back at the next start.
inline constexpr wchar_t kStartupRestoreNames[] = L"/system.dat/user.dat/hw.dat/h22.ini/system.ini/win.ini/";

namespace listcode {
constexpr char kSeen = '\x01';
constexpr char kFolder = '\x02';
constexpr char kNameEnd = '\x03';
constexpr char kName = '\x04';
constexpr char kFolderEnd = '\x08';
}  // namespace listcode

// --- records ------------------------------------------------------------------

// The name or path as the lists hold it: A to Z lower-cased, then code page
// 932. False when a character had no mapping (it became "?").
bool ListText(std::wstring_view text, std::string& out);
// Append one record; false when the text lost characters.
bool AppendFolderRecord(std::string& out, std::wstring_view path);
bool AppendFileRecord(std::string& out, std::uint64_t lastWrite, std::wstring_view name);

// "Program.lst": code 2, then each name as found followed by code 2.
std::string ProgramListBytes(const std::vector<std::wstring>& names);
// The names of a "Program.lst" (cut at its first NUL).
std::vector<std::wstring> ParseProgramList(std::string_view bytes);

struct ListedFile {
  std::string_view name;  // as listed: lower-cased code page 932 (in the list's bytes)
  std::uint64_t lastWrite = 0;
  bool seen = false;
};

struct ListedFolder {
  std::string path;  // as listed
  std::vector<ListedFile> files;

  // The record of a name. Names are looked for in the order the save found
  // them first (an unchanged folder lists in the same order), then through
  // an index built on the first miss.
  ListedFile* Find(std::string_view name);
  // The same by the name folded with the full case mapping (the list lowers
  // A to Z only), for a name that changed only in the case of another letter;
  // an unseen record only.
  ListedFile* FindFolded(std::wstring_view name);
  // The records no file matched: the files deleted since the save. A name
  // listed twice counts once.
  std::vector<ListedFile*> Unseen();

 private:
  void BuildIndex();

  size_t cursor_ = 0;
  std::unordered_map<std::string_view, size_t> index_;
  std::unordered_map<std::wstring, size_t> folded_;
};

struct ParsedList {
  std::shared_ptr<const std::string> bytes;  // what the file records' names point into
  std::vector<ListedFolder> folders;
  std::unordered_set<std::string> paths;  // every folder record's path
  // A record was cut short or malformed: the list was read up to the last
  // whole folder before it.
  bool damaged = false;
};

// Reads a "Windows.lst" or "Root.lst" (cut at its first NUL) as far as it is
// well formed. A folder whose records are broken is dropped whole, and
// nothing after it is read; a repeated folder keeps its first group (a
// repeated name keeps its first record, see ListedFolder::Find).
ParsedList ParseList(std::string bytes);

// --- the set's text files ---------------------------------------------------------

// "Recovery.dat": month-day-year and the time, "12-06-2026 10:30:00", CR LF.
std::string RecoveryStamp(const LocalTime& now);
// The date of the last complete save as "Recovery.dat" holds it (its first
// line); empty when the file is missing, so the set counts as not saved.
std::wstring ReadRecoveryDate(FileSystem& fs, std::wstring_view setFolder);
bool IsSaved(FileSystem& fs, std::wstring_view setFolder);

// --- the folders of a save ------------------------------------------------------

enum class FolderRule { Skip, ListOnly, Copy };

// What the save, the compare and the restore agree on for one set.
class SetLayout {
 public:
  SetLayout(const Environment& env, std::wstring setFolder);

  const std::wstring& WinDir() const { return winDir_; }
  const std::wstring& SetFolder() const { return setFolder_; }
  // The root of the Windows drive, "C:\".
  const std::wstring& RootFolder() const { return root_; }
  std::wstring SetFile(std::wstring_view name) const;

  // The rule of a folder at or below the Windows folder, by the first folder
  // below it. A first-level folder named like one of the set's own copy
  // folders ("Windows", "_Root") is listed but not copied: its copies would
  // land among those of the Windows folder or the root.
  FolderRule RuleOf(std::wstring_view folder) const;
  // Where the copies of a folder's files go: the set's "Windows" for the
  // Windows folder, the set folder plus the path below the Windows folder for
  // the others, "_Root" for the root of the Windows drive.
  std::wstring CopyFolderOf(std::wstring_view folder) const;
  // A folder the walk never enters and the compare never reports: a link, the
  // set folder, the program's folder, work folder and backup folder.
  bool Excluded(std::wstring_view folder, std::uint32_t attributes) const;

 private:
  const Environment& env_;
  std::wstring winDir_;
  std::wstring setFolder_;
  std::wstring root_;
};

// --- texts ----------------------------------------------------------------------------

// A path as the compare shows it: the drive letter upper-cased, in each
// component the first character upper-cased and the rest lower-cased (A to Z only).
std::wstring DisplayPath(std::wstring_view path);

}  // namespace zel
