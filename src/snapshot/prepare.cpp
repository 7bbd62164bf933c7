#include "snapshot/prepare.h"

#include <memory>

#include "base/cp932.h"
#include "base/format.h"
#include "base/path.h"
#include "base/text.h"
#include "report/report_log.h"
#include "snapshot/entries.h"
#include "snapshot/listing.h"
#include "snapshot/registry_snapshot.h"
#include "snapshot/store.h"
#include "snapshot/value_record.h"
#include "startup/file_helpers.h"

namespace zel {

namespace {

// The copies are this snapshot's or none: a copy an earlier test left (the
// file is gone since, or copying it fails now) would later be put back over
// a file it never was.
void CopyStartupFiles(const Services& p, const std::wstring& root, wchar_t letter) {
  Machine& m = p.m;
  const std::wstring config = root + L"config.sys";
  const std::wstring configCopy = p.env.BackupDir + L"\\config." + letter;
  const std::wstring autoexecCopy = p.env.BackupDir + L"\\autoexec." + letter;
  KillFile(m, configCopy);
  KillFile(m, autoexecCopy);
  if (FileExists(m.fs, config)) CopyFileChecked(m, p.fe, config, configCopy);
  std::wstring autoexec = root + L"autoexec.bat";
  if (!FileExists(m.fs, autoexec)) return;
  // While the program's own block is in the boot drive's autoexec.bat, the
  // user's version is the one it saved beside it.
  if (EqualsNoCase(root, p.env.BootDrive) && HoldsRestartBlock(m.fs, autoexec) && FileExists(m.fs, p.env.AutoexecZel)) {
    autoexec = p.env.AutoexecZel;
  }
  CopyFileChecked(m, p.fe, autoexec, autoexecCopy);
}

// The system libraries an earlier test saved: a new snapshot starts without
// them, and a launch saves them again as they are now.
void DiscardLibraryCopies(Machine& m, const Environment& env) {
  const std::wstring folder = LibrarySaveFolder(env);
  std::vector<std::wstring> names;
  IgnoreError(m.fs.Enumerate(JoinPath(folder, L"*.*"), [&](const FileEntry& e) {
    if (!e.IsFolder()) names.push_back(e.name);
  }));
  for (const std::wstring& name : names) KillFile(m, JoinPath(folder, name));
}

// The uninstall-key export, only with the registry editor there and registry
// scanning on; otherwise an export of an earlier run must not be taken for
// this snapshot's.
void ExportUninstallKey(const Services& p, Snapshot& snap) {
  Machine& m = p.m;
  const std::wstring file = JoinPath(p.env.WorkDir, kUninstallExportName);
  if (FileExists(m.fs, JoinPath(p.env.WinDir, L"RegEdit.exe")) && p.options.RegScanInst) {
    snap.uninstallExported = ExportRegistryKey(p, file, kUninstallKey);
  } else if (FileExists(m.fs, file)) {
    KillFile(m, file);
  }
}

// The registry at key and value level, written beside Zel32.dat before it,
// so that a saved snapshot always finds its own record. A record that cannot
// be written is reported; the one in memory still serves this run.
void RecordRegistryValues(const Services& p, Snapshot& snap) {
  Machine& m = p.m;
  DeleteRegRecord(m.fs, p.env.WorkDir);
  if (!p.options.RegRecord || !IsPresentDay(p.env)) return;
  p.fe.SetStatus(L"準備中： レジストリの値");
  auto record = std::make_shared<const RegRecord>(RecordRegistry(m.reg, &p.fe, snap.takenAt));
  const FsError error = WriteRegRecord(m.fs, p.env.WorkDir, *record);
  if (error != FsError::None) p.fe.Ask(ErrorText(error) + L"||場所＝Registry Record", mb::kOk | mb::kIconError, L"");
  snap.registry.record = std::move(record);
}

}  // namespace

Outcome PrepareDrives(const Services& p, Snapshot& snap) {
  Machine& m = p.m;
  for (int i = 0; i < 26; ++i) {
    snap.driveRoots[i].clear();
    snap.driveRootFailed[i] = false;
    snap.volumes[i].reset();
    if (p.env.DriveTypes[i] != DriveType::Fixed) continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + i);
    const std::wstring root{letter, L':', L'\\'};
    std::optional<DiskSpace> space = m.fs.SpaceOf(root, p.env.CanUseFAT32);
    if (!space || space->totalBytes == 0) continue;
    snap.freeSpace[i] = space->freeBytes;
    snap.volumes[i] = m.fs.VolumeOf(root);

    p.fe.SetStatus(L"準備中： ドライブ " + root);
    const std::wstring record = p.env.WorkDir + L"\\DrvList." + letter;
    if (FileExists(m.fs, record)) KillFile(m, record);
    CopyStartupFiles(p, root, letter);

    std::string names = "/";
    std::vector<std::wstring> lossy;
    FsError error = m.fs.Enumerate(root + L"*.*", [&](const FileEntry& e) {
      if (!e.IsFolder() || e.name.empty() || e.name[0] == L'.') return;
      // The names as they are on disk, in the order the drive lists them.
      if (!AppendCp932(e.name, names)) lossy.push_back(root + e.name);
      names += '/';
    });
    if (error != FsError::None && error != FsError::NotFound) {
      snap.driveRootFailed[i] = true;  // unknown: the drive is never washed
      continue;
    }
    if (names.size() == 1) {
      p.fe.Ask(L"_Root: " + root + L"||※上記のドライブにフォルダーが１個もない場合は|"
                                   L"　新規フォルダーを作成した後に、やり直して下さい||" +
                   std::wstring(kCannotUseHere),
               mb::kOk | mb::kIconError, L"");
      return Outcome::End;
    }
    snap.driveRoots[i] = std::move(names);
    snap.lossyPaths.insert(snap.lossyPaths.end(), lossy.begin(), lossy.end());
  }
  return Outcome::Continue;
}

Outcome PrepareSnapshot(const Services& p, const MainFolderList& main, Snapshot& snap) {
  Machine& m = p.m;
  snap = Snapshot();
  snap.date = DateText(m.sys.Now());
  snap.takenAt = m.sys.NowFileTime();
  snap.checkLevel = p.options.CheckLevel;
  DiscardLibraryCopies(m, p.env);

  if (PrepareDrives(p, snap) == Outcome::End) return Outcome::End;

  p.fe.SetStatus(L"準備中： INIファイル");
  SaveIniFiles(m, p.fe, p.env);
  SaveGroups(m, p.fe, p.env);
  p.fe.SetStatus(L"準備中： レジストリ  ");
  SaveHives(m, p.fe, p.env, FixHivePaths(m.fs, p.env), snap);
  ExportUninstallKey(p, snap);
  RecordRegistryValues(p, snap);

  std::unique_ptr<ReportLog> report;
  if (p.options.Report) report = std::make_unique<ReportLog>(m.fs, ReportPath(p.env.ProgramDir));

  ListingStop stop;
  auto stopped = [&]() {
    p.fe.Ask(ListingStopMessage(stop), mb::kOk | mb::kIconError, L"");
    return Outcome::End;
  };

  p.fe.SetStatus(L"準備中： Windows  ");
  if (!ListFiles(m.fs, p.fe, p.env.WinDir, snap.windows, &snap.lossyPaths, &stop)) return stopped();

  p.fe.SetStatus(L"準備中： System   ");
  for (size_t i = 0; i < snap.system.size(); ++i) {
    if (!ListFiles(m.fs, p.fe, p.env.SystemDirs[i], snap.system[i], &snap.lossyPaths, &stop)) return stopped();
  }

  if (snap.checkLevel >= 1) {
    SubfolderListing sub{main, snap.checkLevel, report.get(), &snap.lossyPaths};
    if (!ListupSub(p, sub, snap.deeper, &stop)) return stopped();
  } else {
    snap.deeper = SubfolderRecord();
    snap.deeper.level = 0;
  }

  long folders = 0, files = 0;
  for (const std::wstring& entry : main.Entries()) {
    MainFolderListing listing;
    listing.entry = entry;
    const std::wstring path = entry.substr(1);
    p.fe.SetStatus(L"準備中： " + std::to_wstring(folders + 1) + L"/" + std::to_wstring(main.Count()) +
                   L" フォルダー  " + std::to_wstring(files) + L" ファイル");
    if (!ListFiles(m.fs, p.fe, path, listing.list, &snap.lossyPaths, &stop)) return stopped();
    long count = static_cast<long>(CountFileEntries(listing.list.text));
    files += count;
    ++folders;
    if (report) report->Line(L"準備中 [" + ClockText(m.sys.Now()) + L"] " + path + L"（" + std::to_wstring(count) + L"個）");
    snap.main.push_back(std::move(listing));
  }
  FinishReport(report.get(), p.fe);
  SaveSnapshot(m, p.fe, p.env, snap);
  return Outcome::Continue;
}

}  // namespace zel
