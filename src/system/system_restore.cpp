#include "system/system_restore.h"

#include "base/path.h"
#include "base/text.h"
#include "snapshot/listing.h"
#include "system/backup_set.h"
#include "system/system_compare.h"
#include "system/system_save.h"

namespace zel {

const wchar_t kRestoredMessage[] = L"以前の状態に復元しました";

namespace {

constexpr std::uint32_t kKeepingAttributes = attr::kReadOnly | attr::kHidden | attr::kSystem;

// The four files a registry restore of the 9x kinds puts back together, in
// the batch's order.
const wchar_t* const kRegistryFiles[] = {L"system.dat", L"user.dat", L"system.ini", L"win.ini"};

std::wstring NotRestoredLine(const std::wstring& path, FsError error) {
  return L"●『" + path + L"』は復元できませんでした（" + ErrorText(error) + L"）";
}

std::wstring NotDeletedLine(const std::wstring& path, FsError error) {
  return L"●『" + path + L"』は削除できませんでした（" + ErrorText(error) + L"）";
}

// Copies over the file, never deleting it first: a failed copy leaves the
// file as it was.
bool CopyOver(FileSystem& fs, const std::wstring& copy, const std::wstring& target) {
  std::optional<FileEntry> old = fs.Stat(target);
  if (old && (old->attributes & kKeepingAttributes)) IgnoreError(fs.SetAttributes(target, 0));
  if (fs.CopyOne(copy, target, true) == FsError::None) return true;
  if (old && (old->attributes & kKeepingAttributes)) IgnoreError(fs.SetAttributes(target, old->attributes & ~attr::kDirectory));
  return false;
}

// Deletes an added file (a font leaves the system's font table first); true
// when it is gone.
bool DeleteAdded(Machine& m, const std::wstring& path) {
  std::optional<FileEntry> e = m.fs.Stat(path);
  if (!e) return true;
  if (e->IsFolder()) return false;
  const std::wstring ext = UpperExtension(LastComponent(path));
  if (ext == L"FON" || ext == L"TTF" || ext == L"TTC") m.sys.RemoveFont(path);
  if (e->attributes & kKeepingAttributes) IgnoreError(m.fs.SetAttributes(path, 0));
  if (m.fs.RemoveFile(path) == FsError::None) return true;
  if (e->attributes & kKeepingAttributes) IgnoreError(m.fs.SetAttributes(path, e->attributes));
  return !m.fs.Stat(path);
}

class Restorer : public SetVisitor {
 public:
  Restorer(Machine& m, const Environment& env, StartupLists& out) : m_(m), env_(env), out_(out) {}

  void AddedFolder(const std::wstring&) override {}
  void Note(const std::wstring&) override {}

  void Changed(const SetFile& f) override {
    if (!f.restorable || f.lossy) return;
    if (InSlashList(kStartupRestoreNames, ToLower(f.name)) || !CopyOver(m_.fs, f.copy, f.path)) Defer(f);
  }

  void Added(const SetFile& f) override {
    if (f.lossy || IsOwnBatchFile(f.path)) return;
    if (!DeleteAdded(m_, f.path)) out_.deletions.push_back(f.path);
  }

  void Deleted(const SetFile& f) override {
    if (!f.restorable || f.lossy) return;
    if (m_.fs.Stat(f.path)) return;  // there again: never written over
    EnsureFolder(m_.fs, f.folder.size() == 2 ? f.folder + L"\\" : f.folder);
    IgnoreError(m_.fs.CopyOne(f.copy, f.path, false));
    if (!m_.fs.Stat(f.path)) Defer(f);
  }

 private:
  void Defer(const SetFile& f) { out_.restores.push_back({f.copy, f.folder, f.path}); }

  // The restart batch and the user's saved autoexec.bat are the program's own.
  bool IsOwnBatchFile(const std::wstring& path) const {
    return EqualsNoCase(path, RestartBatchPath(env_)) || EqualsNoCase(path, env_.BootDrive + L"autoexec.Zel");
  }

  Machine& m_;
  const Environment& env_;
  StartupLists& out_;
};

// A copy of the set's file beside its target, under a name of its own.
std::optional<std::wstring> StageBeside(FileSystem& fs, const DeferredRestore& r, FsError& error) {
  const std::wstring folder = ParentFolder(r.target);
  if (!EnsureFolder(fs, folder.size() == 2 ? folder + L"\\" : folder)) {
    error = FsError::PathNotFound;
    return std::nullopt;
  }
  for (int n = 1; n < 1000; ++n) {
    std::wstring staged = JoinPath(folder, L"~ZelRestore" + std::to_wstring(n) + L".tmp");
    error = fs.CopyOne(r.copy, staged, false);
    if (error == FsError::None) return staged;
    if (error != FsError::AlreadyExists) return std::nullopt;
  }
  return std::nullopt;
}

void PrepareBatch(Machine& m, const Environment& env, const std::wstring& setFolder, const StartupLists& lists,
                  RestartWork& work, std::vector<std::wstring>& notRestored) {
  SetLayout layout(env, setFolder);
  const std::wstring& winDir = layout.WinDir();
  const std::wstring setWindows = layout.CopyFolderOf(winDir);
  auto deferredAt = [&](const wchar_t* name) -> int {
    for (size_t i = 0; i < lists.restores.size(); ++i) {
      const DeferredRestore& r = lists.restores[i];
      if (EqualsNoCase(r.targetFolder, winDir) && EqualsNoCase(LastComponent(r.target), name)) return static_cast<int>(i);
    }
    return -1;
  };

  RestartBatchPlan plan;
  std::vector<bool> taken(lists.restores.size(), false);
  if (deferredAt(kRegistryFiles[0]) >= 0 || deferredAt(kRegistryFiles[1]) >= 0) {
    // The registry goes back whole: each of the four files whose saved copy
    // is the one of the save (a deferred one, or one still unchanged).
    for (const wchar_t* name : kRegistryFiles) {
      int at = deferredAt(name);
      if (at >= 0) {
        taken[static_cast<size_t>(at)] = true;
        plan.hives.push_back({lists.restores[static_cast<size_t>(at)].target, lists.restores[static_cast<size_t>(at)].copy});
        continue;
      }
      const std::wstring live = JoinPath(winDir, name), copy = JoinPath(setWindows, name);
      std::optional<FileEntry> liveEntry = m.fs.Stat(live), copyEntry = m.fs.Stat(copy);
      if (liveEntry && copyEntry && liveEntry->lastWrite == copyEntry->lastWrite) plan.hives.push_back({live, copy});
    }
  }
  for (size_t i = 0; i < lists.restores.size(); ++i) {
    if (!taken[i]) plan.copies.push_back({lists.restores[i].copy, lists.restores[i].targetFolder});
  }
  plan.deletions = lists.deletions;
  RestartBatch batch = BuildRestartBatch(m.fs, env, plan);
  for (const BatchRefusal& refusal : batch.refused) notRestored.push_back(RefusalLine(refusal));
  work.batchLines = std::move(batch.lines);
}

}  // namespace

StartupLists RestoreFiles(Machine& m, FrontEnd& fe, const Environment& env, const std::wstring& setFolder) {
  StartupLists out;
  SetLayout layout(env, setFolder);
  SetLists lists = ReadSetLists(m.fs, layout);
  CheckSetLists(lists, layout);
  if (lists.damaged) return out;
  Restorer restorer(m, env, out);
  WalkSet(m, fe, env, layout, lists, restorer);
  return out;
}

RestartWork PrepareRestartWork(Machine& m, const Environment& env, const std::wstring& setFolder,
                               const StartupLists& lists, std::vector<std::wstring>& notRestored) {
  RestartWork work;
  work.nt = env.NtFamily();
  if (!work.nt) {
    PrepareBatch(m, env, setFolder, lists, work, notRestored);
    return work;
  }
  // autoexec.bat never runs on the NT family: the platform replaces the files
  // as it starts.
  for (const DeferredRestore& r : lists.restores) {
    FsError error = FsError::None;
    if (std::optional<std::wstring> staged = StageBeside(m.fs, r, error)) {
      work.staged.push_back({*staged, r.target});
    } else {
      notRestored.push_back(NotRestoredLine(r.target, error));
    }
  }
  work.deletions = lists.deletions;
  return work;
}

RestoreResult RestoreSystem(Machine& m, FrontEnd& fe, const Environment& env, const std::wstring& setFolder) {
  RestoreResult result;
  if (!IsSaved(m.fs, setFolder)) {
    fe.Ask(kNotSavedHere, mb::kOk | mb::kIconExclamation, L"");
    result.outcome = RestoreOutcome::NotSaved;
    return result;
  }
  if (HoldsRestartBlock(m.fs, env.BootDrive + L"autoexec.bat")) {
    fe.Ask(L"Windowsの再起動を待っている復元があります|Windowsを再起動してから、やり直して下さい",
           mb::kOk | mb::kIconExclamation, L"");
    result.outcome = RestoreOutcome::Refused;
    return result;
  }
  SetLayout layout(env, setFolder);
  SetLists lists = ReadSetLists(m.fs, layout);
  CheckSetLists(lists, layout);
  if (lists.damaged) {
    fe.Ask(L"保存された一覧が壊れているため、復元できません", mb::kOk | mb::kIconExclamation, L"");
    result.outcome = RestoreOutcome::Refused;
    return result;
  }
  if (fe.Ask(std::wstring(1, markup::kDarkRed) + L"システムを、保存された状態に戻します",
             mb::kOkCancel | mb::kIconQuestion | mb::kDefault2, L"") != mb::kResultOk) {
    result.outcome = RestoreOutcome::Cancelled;
    return result;
  }

  Restorer restorer(m, env, result.lists);
  WalkSet(m, fe, env, layout, lists, restorer);
  // Anything left in either list is work for the restart.
  if (result.lists.Empty()) {
    fe.Ask(kRestoredMessage, mb::kOk | mb::kIconInformation, L"");
    result.outcome = RestoreOutcome::Restored;
    return result;
  }
  result.work = PrepareRestartWork(m, env, setFolder, result.lists, result.notRestored);
  if (result.work.Empty()) {
    for (const std::wstring& line : result.notRestored) fe.AppendConsole(line);
    fe.Ask(L"復元できなかったファイルがあります", mb::kOk | mb::kIconExclamation, L"");
    result.outcome = RestoreOutcome::Incomplete;
    return result;
  }
  result.outcome = RestoreOutcome::RestartNeeded;
  return result;
}

bool ApplyRestartWork(Machine& m, const Environment& env, const RestartWork& work,
                      std::vector<std::wstring>& notRestored) {
  if (!work.nt) return InstallRestartBatch(m, env, work.batchLines);
  size_t asked = 0;
  for (const RestartWork::Staged& s : work.staged) {
    FsError error = m.fs.MoveAtRestart(s.staged, s.target);
    if (error == FsError::None) {
      ++asked;
    } else {
      IgnoreError(m.fs.RemoveFile(s.staged));
      notRestored.push_back(NotRestoredLine(s.target, error));
    }
  }
  for (const std::wstring& path : work.deletions) {
    FsError error = m.fs.MoveAtRestart(path, L"");
    if (error == FsError::None) ++asked;
    else notRestored.push_back(NotDeletedLine(path, error));
  }
  return asked > 0;
}

void DiscardRestartWork(Machine& m, const RestartWork& work) {
  for (const RestartWork::Staged& s : work.staged) IgnoreError(m.fs.RemoveFile(s.staged));
}

}  // namespace zel
