// Comparing the running system with a saved set: the walk that the compare
// and the restore share, and the compare's text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/frontend.h"
#include "platform/machine.h"
#include "startup/environment.h"
#include "system/backup_set.h"

namespace zel {

// "指定された場所には、システムが保存されていません"
extern const wchar_t kNotSavedHere[];

// One file the walk found different from the set.
struct SetFile {
  std::wstring folder;  // the folder as the list names it
  std::wstring name;    // the name on disk; for a deleted file its set copy's name, else the listed one
  std::wstring path;    // folder + "\" + name
  std::wstring copy;    // the set's copy of the file; empty in a folder whose files are not copied
  std::uint64_t listed = 0;  // the saved time (changed and deleted files)
  FolderRule rule = FolderRule::Copy;
  // The set holds a copy saved with this very time, in a folder whose files
  // are copied, under a name that encodes without loss.
  bool restorable = false;
  // The name lost characters in code page 932: it is never acted on.
  bool lossy = false;
};

class SetVisitor {
 public:
  virtual ~SetVisitor() = default;
  virtual void AddedFolder(const std::wstring& path) = 0;
  virtual void Added(const SetFile& file) = 0;
  virtual void Changed(const SetFile& file) = 0;
  virtual void Deleted(const SetFile& file) = 0;
  // A line about a folder that could not be compared.
  virtual void Note(const std::wstring& line) = 0;
};

// The set's lists as read from the set folder (a missing list is empty).
struct SetLists {
  ParsedList windows;
  ParsedList root;
  ParsedList unentered;
  std::vector<std::wstring> programs;
  // A list was malformed, or named a folder outside the places a save walks.
  bool damaged = false;
};
SetLists ReadSetLists(FileSystem& fs, const SetLayout& layout);
// Marks the lists damaged when a group names a folder that a save never
// walks (outside the Windows folder, a skipped or excluded folder, a path with
// "." or ".." components, a second root). WalkSet passes such groups over.
void CheckSetLists(SetLists& lists, const SetLayout& layout);

// Walks every folder of "Windows.lst", then the folders of the program-files
// folder against "Program.lst", then the root against "Root.lst", reporting
// each difference to the visitor in that order. The folder being compared is
// shown through SetStatus.
void WalkSet(Machine& m, FrontEnd& fe, const Environment& env, const SetLayout& layout, SetLists& lists,
             SetVisitor& visitor);

struct ComparedFile {
  std::wstring path;
  bool restorable = false;
};

struct CompareResult {
  std::vector<std::wstring> notes;
  std::vector<std::wstring> addedFolders;
  std::vector<ComparedFile> added, changed, deleted;
};

CompareResult CompareWithSet(Machine& m, FrontEnd& fe, const Environment& env, const std::wstring& setFolder);

// The lines of CONLST for a result, in order.
std::vector<std::wstring> CompareLines(const CompareResult& result);

// The compare button: without "Recovery.dat" it says kNotSavedHere and
// returns false; otherwise it appends the compare's lines and beeps.
bool RunCompare(Machine& m, FrontEnd& fe, const Environment& env, const std::wstring& setFolder);

}  // namespace zel
