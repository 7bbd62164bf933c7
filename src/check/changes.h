// What changed since the snapshot, found the same way by the check (which
// lists it) and by the wash (which undoes it): the Windows and system
// folders, the monitored folders, the folders below the Windows folder and
// the drive roots, each compared with its recorded list.
//
// The walks keep to what the snapshot knows: a folder whose listing failed
// is unknown and never compared; links are never entered; the program's own
// folders and the extraction's temporary folders are left to their own
// steps; a walk goes only as deep as the snapshot listed; names are compared
// case-blind; a name whose code-page form loses characters is never acted on.
#pragma once

#include <array>
#include <memory>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/key_table.h"
#include "platform/frontend.h"
#include "platform/machine.h"
#include "report/report_log.h"
#include "snapshot/snapshot.h"
#include "startup/environment.h"
#include "startup/services.h"
#include "testrun/run_record.h"

namespace zel {

// The names of one recorded file list, for lookups case-blind and linear in
// the list's size (the key is the upper-cased name in code page 932).
class FileListIndex {
 public:
  explicit FileListIndex(const FileList& list);
  FileListIndex(const FileListIndex&) = delete;
  FileListIndex& operator=(const FileListIndex&) = delete;
  // The recorded last-write time of a key made with AppendNameKey, or null.
  const std::uint64_t* FindKey(std::string_view key) const { return times_.Find(key); }

 private:
  std::string keys_;  // the keys one after another; the table points into it
  KeyTable<std::uint64_t> times_;
};

// The subfolder record's items, and the folders it names but never entered.
// It points into the record, which must outlive it.
class SubfolderIndex {
 public:
  explicit SubfolderIndex(const SubfolderRecord& record);
  bool Has(std::string_view item) const { return items_.Has(item); }
  bool Unentered(std::string_view folderItem) const { return unentered_.Has(folderItem); }

 private:
  KeyTable<> items_;
  KeyTable<> unentered_;
};

// Appends the lookup key of a name (upper-cased, code page 932); false when
// the name loses characters on the way.
bool AppendNameKey(std::wstring_view name, std::string& out);

// One difference.
struct Finding {
  enum class Kind {
    Added,           // not in the recorded list
    Changed,         // in the list with another last-write time
    StartupChanged,  // config.sys or autoexec.bat of a drive differs from its copy
  };
  Kind kind = Kind::Added;
  std::wstring label;    // "ﾌｧｲﾙ", "ﾌｫﾙﾀﾞｰ", "ｸﾞﾙｰﾌﾟ", "ｼｮｰﾄｶｯﾄ", "ﾌｫﾝﾄ"; empty for a start-up file
  std::wstring subject;  // as the line shows it: the full path, or a name
  std::wstring path;     // the entry itself
  bool folder = false;
  bool link = false;  // a reparse point: removed as a link, never entered
  // A changed file that the wash can put back, and from where.
  bool undoable = false;
  std::wstring copy;
  // The saved copy is not the file the snapshot recorded (saved before an
  // earlier test): it is never put back, and the wash says so.
  bool staleCopy = false;
  // The entry must not be touched: its name loses characters in code page
  // 932, or (a folder) it is older than the snapshot: it existed before the
  // test under another name.
  bool keep = false;
};

struct ChangeWalk {
  const Services& sv;
  const Snapshot& snap;
  const RunRecord& record;
  bool saveAllSys = false;
  ReportLog* report = nullptr;  // null when the setting "Report" is off
  const wchar_t* doing = L"確認中";  // the status word: "確認中" or "洗浄中"
  long examined = 0;               // entries looked at, for the report's total
  // Per drive letter: 0 not looked at yet, 1 the disk of the snapshot,
  // 2 another disk (said once).
  std::array<unsigned char, 26> volumeState{};
};

// The report of a check or a wash when the setting "Report" is on, opened
// with the line of the program under test; null when it is off.
std::unique_ptr<ReportLog> OpenWalkReport(const Services& sv, const RunRecord& record);
// Its closing lines (the label and the entries examined), then written out;
// the user is told when the report could not be written.
void CloseWalkReport(ReportLog* report, const wchar_t* label, long examined, FrontEnd& fe);

// Receives each difference as the walks find it, in their order.
class ChangeVisitor {
 public:
  virtual ~ChangeVisitor() = default;
  virtual void OnFinding(const Finding& f) = 0;
  // A recorded drive that is not the disk the snapshot saw: never touched.
  virtual void OnOtherVolume(wchar_t letter) = 0;
  // A listed folder that is a link now and was none when it was listed:
  // nothing below it is touched.
  virtual void OnBecameLink(const std::wstring& folder) = 0;
};

// Whether a recorded list of the folder may be compared now: false (and
// said once per drive) when the folder's drive shows another volume than the
// snapshot saw, or (said per folder) when the folder became a link.
bool MayEnterListed(ChangeWalk& w, ChangeVisitor& v, const std::wstring& folder, const FileList& list);

// The Windows folder and the five system folders.
void WalkSystemFolders(ChangeWalk& w, ChangeVisitor& v);
// The monitored folders of the snapshot, by their saved paths.
void WalkMainFolders(ChangeWalk& w, ChangeVisitor& v);
// The folders below the Windows folder, as deep as the snapshot listed.
void WalkSubfolders(ChangeWalk& w, ChangeVisitor& v);
// The start-up files and the root folders of the recorded fixed drives.
void WalkDrives(ChangeWalk& w, ChangeVisitor& v);

// The backup copies of the start-up files of a drive.
std::wstring StartupCopy(const Environment& env, const std::wstring& fileName, wchar_t letter);

}  // namespace zel
