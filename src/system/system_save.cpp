#include "system/system_save.h"

#include <unordered_map>

#include "base/path.h"
#include "base/text.h"
#include "extract/dos_job.h"
#include "snapshot/listing.h"
#include "startup/file_helpers.h"
#include "system/backup_set.h"

namespace zel {
namespace {

constexpr std::uint64_t kLeastFreeBytes = 80ULL * 1024 * 1024;
constexpr int kEventsEvery = 120;
constexpr std::uint32_t kKeepingAttributes = attr::kReadOnly | attr::kHidden | attr::kSystem;

bool IsDotName(const std::wstring& name) { return !name.empty() && name[0] == L'.'; }

std::wstring Trimmed(std::wstring folder) {
  folder = Trim(folder);
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

// Replaces a file of the set with new bytes: the old one is removed first.
FsError WriteSetFile(FileSystem& fs, const std::wstring& path, std::string_view bytes) {
  if (std::optional<FileEntry> old = fs.Stat(path)) {
    if (old->attributes & kKeepingAttributes) IgnoreError(fs.SetAttributes(path, 0));
    FsError removed = fs.RemoveFile(path);
    if (removed != FsError::None) return removed;
  }
  return fs.WriteBytes(path, bytes);
}

struct Stop {
  std::wstring what;  // the path the save could not read or write
  FsError error = FsError::None;
};

// One walk of the save: the folder records and file records of the list, the
// copies of new and changed files.
class SaveWalker {
 public:
  SaveWalker(Machine& m, FrontEnd& fe, const SetLayout& layout, SaveResult& result)
      : m_(m), fe_(fe), layout_(layout), result_(result) {}

  std::string list;
  std::string unentered;
  std::optional<Stop> stop;

  // The Windows folder and everything below it the rules let in.
  bool WalkTree(const std::wstring& folder) {
    std::vector<std::wstring> subs;
    if (!WalkFolder(folder, layout_.RuleOf(folder), layout_.CopyFolderOf(folder), &subs)) return false;
    for (const std::wstring& sub : subs) {
      if (!WalkTree(sub)) return false;
    }
    return true;
  }

  // The root of the Windows drive: its files only, copied to "_Root".
  bool WalkRoot() {
    return WalkFolder(layout_.RootFolder(), FolderRule::Copy, layout_.CopyFolderOf(layout_.RootFolder()), nullptr);
  }

 private:
  struct Existing {
    std::uint64_t lastWrite;
    std::uint32_t attributes;
  };

  bool Fail(const std::wstring& what, FsError error) {
    stop = Stop{what, error};
    return false;
  }

  // The copies already in the set's folder, by upper-cased name.
  std::unordered_map<std::wstring, Existing> CopiesIn(const std::wstring& target) {
    std::unordered_map<std::wstring, Existing> copies;
    IgnoreError(m_.fs.Enumerate(JoinPath(target, L"*.*"), [&](const FileEntry& e) {
      if (!e.IsFolder()) copies.emplace(ToUpper(e.name), Existing{e.lastWrite, e.attributes});
    }));
    return copies;
  }

  bool WalkFolder(const std::wstring& folder, FolderRule rule, const std::wstring& target,
                  std::vector<std::wstring>* subs) {
    fe_.SetStatus(folder);
    fe_.Busy();
    const bool copying = rule == FolderRule::Copy;
    std::unordered_map<std::wstring, Existing> copies;
    if (copying) {
      if (!EnsureFolder(m_.fs, target)) return Fail(target, FsError::CannotMake);
      copies = CopiesIn(target);
    }

    std::vector<FileEntry> entries;
    FsError error = m_.fs.Enumerate(JoinPath(folder, L"*.*"), [&](const FileEntry& e) { entries.push_back(e); });
    if (error != FsError::None && error != FsError::NotFound) {
      if (EqualsNoCase(folder, layout_.WinDir()) || EqualsNoCase(folder, layout_.RootFolder())) {
        return Fail(folder, error);
      }
      // Gone since its parent was listed: nothing to record. Unreadable: its
      // content is unknown, which the compare must know.
      if (error != FsError::PathNotFound) AppendFolderRecord(unentered, folder);
      return true;
    }

    AppendFolderRecord(list, folder);
    int sinceEvents = 0;
    for (const FileEntry& e : entries) {
      if (++sinceEvents == kEventsEvery) {
        sinceEvents = 0;
        fe_.Busy();
      }
      if (e.IsFolder()) {
        if (!subs || IsDotName(e.name)) continue;
        std::wstring sub = JoinPath(folder, e.name);
        if (layout_.Excluded(sub, e.attributes) || layout_.RuleOf(sub) == FolderRule::Skip) continue;
        subs->push_back(std::move(sub));
        continue;
      }
      AppendFileRecord(list, e.lastWrite, e.name);
      if (!copying || InSlashList(kNoCopyNames, ToLower(e.name))) continue;
      auto it = copies.find(ToUpper(e.name));
      if (it != copies.end() && it->second.lastWrite == e.lastWrite) continue;
      const std::wstring source = JoinPath(folder, e.name);
      const std::wstring copy = JoinPath(target, e.name);
      // A copy that keeps the read-only, hidden or system attribute of its
      // file cannot be written over until they are cleared.
      if (it != copies.end() && (it->second.attributes & kKeepingAttributes)) IgnoreError(m_.fs.SetAttributes(copy, 0));
      FsError copied = m_.fs.CopyOne(source, copy, true);
      if (copied == FsError::None) {
        ++result_.copied;
      } else if (copied == FsError::DiskFull || copied == FsError::CannotMake) {
        return Fail(copy, copied);
      } else {
        result_.uncopied.push_back(source);
      }
    }
    return true;
  }

  Machine& m_;
  FrontEnd& fe_;
  const SetLayout& layout_;
  SaveResult& result_;
};

std::wstring StopMessage(const Stop& stop) {
  return L"システムを保存できませんでした|" + stop.what + L"|" + ErrorText(stop.error);
}

}  // namespace

std::wstring CurrentSetFolder(const Settings& settings, const Environment& env) {
  return settings.GetOption(L"RecoveryDir", env.WorkDir + L"\\Recovery");
}

bool EnsureFolder(FileSystem& fs, const std::wstring& folder) {
  if (std::optional<FileEntry> e = fs.Stat(folder)) return e->IsFolder();
  if (folder.size() <= 3) return false;
  const std::wstring parent = ParentFolder(folder);
  if (parent.empty() || !EnsureFolder(fs, parent.size() == 2 ? parent + L"\\" : parent)) return false;
  IgnoreError(fs.MakeFolder(folder));
  std::optional<FileEntry> made = fs.Stat(folder);
  return made && made->IsFolder();
}

SetFolderRefusal CheckSetFolder(Machine& m, const Environment& env, std::wstring& folder) {
  folder = Trimmed(folder);
  std::optional<DiskSpace> space = DriveSpace(m.fs, folder, true);
  if (!space || space->freeBytes < kLeastFreeBytes) return SetFolderRefusal::TooLittleSpace;
  if (folder.size() < 4 || !IsDriveLetterPath(folder)) return SetFolderRefusal::TooShort;
  // The copies of the Windows folder go to the set's "Windows": a set that
  // is the Windows folder or lies above it would copy files onto themselves.
  if (IsSameOrBelow(env.WinDir, folder)) return SetFolderRefusal::HoldsWindows;
  if (!EnsureFolder(m.fs, folder)) return SetFolderRefusal::CannotCreate;
  return SetFolderRefusal::None;
}

std::wstring SetFolderRefusalText(SetFolderRefusal refusal) {
  switch (refusal) {
    case SetFolderRefusal::None: break;
    case SetFolderRefusal::TooLittleSpace: return L"バックアップには、少なくとも 1Ｇバイトの空き容量が必要です。";
    case SetFolderRefusal::TooShort: return L"フォルダー名を指定してください";
    case SetFolderRefusal::CannotCreate: return L"フォルダーを作成できません";
    case SetFolderRefusal::HoldsWindows: return L"Windowsフォルダーや、それを含むフォルダーには保存できません";
  }
  return std::wstring();
}

std::wstring ChooseSetFolder(Machine& m, FrontEnd& fe, const Environment& env, const std::wstring& initial,
                             const FolderChooser& choose) {
  std::wstring offer = initial;
  for (;;) {
    std::wstring folder = choose(offer);
    if (Trim(folder).empty()) return std::wstring();
    SetFolderRefusal refusal = CheckSetFolder(m, env, folder);
    if (refusal == SetFolderRefusal::None) return folder;
    fe.Ask(SetFolderRefusalText(refusal), mb::kOk | mb::kIconExclamation, L"");
    offer = folder;
  }
}

bool ConfirmSave(FrontEnd& fe) {
  return fe.Ask(std::wstring(1, markup::kPurple) + L"現在のシステムを保存します",
                mb::kOkCancel | mb::kIconQuestion | mb::kDefault2, L"") == mb::kResultOk;
}

SaveResult SaveSystem(Machine& m, FrontEnd& fe, const Environment& env, Settings& settings,
                      const std::wstring& setFolder) {
  SaveResult result;
  SetLayout layout(env, setFolder);
  FileSystem& fs = m.fs;
  auto fail = [&](const Stop& stop) {
    fe.SetStatus(L"");
    fe.Ask(StopMessage(stop), mb::kOk | mb::kIconExclamation, L"");
    return result;
  };

  // Until the save is whole the set counts as not saved.
  const std::wstring stamp = layout.SetFile(kRecoveryDat);
  if (fs.Stat(stamp)) {
    IgnoreError(fs.SetAttributes(stamp, 0));
    if (FsError error = fs.RemoveFile(stamp); error != FsError::None) return fail({stamp, error});
  }

  SaveWalker walker(m, fe, layout, result);
  if (!walker.WalkTree(layout.WinDir())) return fail(*walker.stop);
  const std::wstring windowsList = layout.SetFile(kWindowsList);
  if (FsError e = WriteSetFile(fs, windowsList, walker.list); e != FsError::None) return fail({windowsList, e});

  std::vector<std::wstring> programs;
  if (!env.ProgramFilesDir.empty()) {
    IgnoreError(fs.Enumerate(JoinPath(env.ProgramFilesDir, L"*.*"), [&](const FileEntry& e) {
      if (e.IsFolder() && !IsDotName(e.name)) programs.push_back(e.name);
    }));
  }
  const std::wstring programList = layout.SetFile(kProgramList);
  if (FsError e = WriteSetFile(fs, programList, ProgramListBytes(programs)); e != FsError::None) {
    return fail({programList, e});
  }

  walker.list.clear();
  if (!walker.WalkRoot()) return fail(*walker.stop);
  const std::wstring rootList = layout.SetFile(kRootList);
  if (FsError e = WriteSetFile(fs, rootList, walker.list); e != FsError::None) return fail({rootList, e});

  const std::wstring unentered = layout.SetFile(kUnenteredList);
  if (walker.unentered.empty()) {
    if (fs.Stat(unentered) && fs.RemoveFile(unentered) != FsError::None) return fail({unentered, FsError::AccessDenied});
  } else if (FsError e = WriteSetFile(fs, unentered, walker.unentered); e != FsError::None) {
    return fail({unentered, e});
  }

  if (FsError e = fs.WriteBytes(stamp, RecoveryStamp(m.sys.Now())); e != FsError::None) {
    IgnoreError(fs.RemoveFile(stamp));
    return fail({stamp, e});
  }
  settings.SetOption(L"RecoveryDir", layout.SetFolder());
  result.saved = true;
  fe.SetStatus(L"");
  for (const std::wstring& path : result.uncopied) fe.AppendConsole(L"コピーできませんでした：" + path);
  fe.Ask(L"保存が完了しました", mb::kOk | mb::kIconInformation, L"");
  return result;
}

}  // namespace zel
