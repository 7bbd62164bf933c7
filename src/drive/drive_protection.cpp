#include "drive/drive_protection.h"

#include <optional>

#include "base/cp932.h"
#include "base/format.h"
#include "base/path.h"
#include "base/text.h"
#include "startup/file_helpers.h"
#include "wash/delete_tree.h"

namespace zel {

const wchar_t kNothingAdded[] = L"追加されたファイルはありません";

namespace {

// The system's own folders of a drive's root, never recorded inside nor
// reported.
const wchar_t kSkippedRootFolders[] = L"/RECYCLED/RECYCLER/SYSTEM VOLUME INFORMATION/_RESTORE/";

// The busy indicator advances after this many names or folders.
constexpr int kBusyEvery = 200;

class Ticker {
 public:
  explicit Ticker(FrontEnd& fe) : fe_(fe) {}
  void Step() {
    if (++count_ >= kBusyEvery) {
      count_ = 0;
      fe_.Busy();
    }
  }

 private:
  FrontEnd& fe_;
  int count_ = 0;
};

std::wstring Letter(wchar_t letter) { return std::wstring(1, UpperChar(letter)); }
std::wstring RootOf(wchar_t letter) { return Letter(letter) + L":\\"; }
std::wstring FullPath(const std::wstring& root, const std::wstring& relative) {
  return relative.empty() ? root : root + relative;
}
std::wstring ChildOf(const std::wstring& relative, const std::wstring& name) {
  return relative.empty() ? name : relative + L"\\" + name;
}

// The program's own folders and anything inside them.
bool IsOwn(const Environment& env, const std::wstring& path) {
  return env.IsOwnFolder(path) || (!env.ProgramDir.empty() && IsSameOrBelow(path, env.ProgramDir)) ||
         (!env.BackupDir.empty() && IsSameOrBelow(path, env.BackupDir));
}

// A folder that holds one of the program's own folders somewhere below it.
bool HoldsOwn(const Environment& env, const std::wstring& path) {
  for (const std::wstring* own : {&env.ProgramDir, &env.WorkDir, &env.BackupDir}) {
    if (!own->empty() && IsSameOrBelow(*own, path)) return true;
  }
  return false;
}

bool SkippedAtRoot(const std::wstring& relative, const std::wstring& name) {
  return relative.empty() && InSlashList(kSkippedRootFolders, ToUpper(name));
}

// The entries of a folder without "." and "..". False when it could not be
// read (an empty drive root reads as empty).
bool ListFolder(FileSystem& fs, const std::wstring& folder, std::vector<FileEntry>& entries) {
  entries.clear();
  FsError error = fs.Enumerate(JoinPath(folder, L"*.*"), [&](const FileEntry& e) {
    if (e.name != L"." && e.name != L"..") entries.push_back(e);
  });
  return error == FsError::None || error == FsError::NotFound;
}

std::wstring UnreadableLine(const std::wstring& folder) { return L"　※ フォルダー『" + folder + L"』は読み取れません"; }

void Tell(FrontEnd& fe, const std::wstring& text, int icon) { fe.Ask(text, mb::kOk | icon, L""); }

void TellNoRecord(FrontEnd& fe, wchar_t letter) {
  Tell(fe,
       L"ドライブ " + Letter(letter) + L" のファイル名は記録されていません||" +
           L"先に「このドライブの現在のファイル名を記録」を選んで下さい",
       mb::kIconInformation);
}

void TellDamaged(FrontEnd& fe, wchar_t letter) {
  Tell(fe,
       L"ドライブ " + Letter(letter) + L" のファイル名記録が壊れています||" +
           L"この記録では、追加されたファイルを調べられません",
       mb::kIconExclamation);
}

void TellVolumeChanged(FrontEnd& fe, wchar_t letter, bool deleting) {
  Tell(fe,
       L"ドライブ " + Letter(letter) + L" のディスクは、ファイル名を記録した時と違います|" +
           L"（別のディスクに入れ替わっているか、読み取れません）||" +
           (deleting ? L"このドライブのファイルは削除しません" : L"このドライブへ追加されたファイルは調べられません"),
       mb::kIconExclamation);
}

enum class Loaded { Ok, Missing, Damaged, VolumeChanged };

// Reads the drive's record and compares its volume with the drive's, saying
// what is wrong when something is.
Loaded LoadRecord(const Services& ctx, wchar_t letter, DriveRecord& record, bool deleting) {
  const std::wstring path = DriveRecordPath(ctx.env, letter);
  std::string bytes;
  if (!FileExists(ctx.m.fs, path) || ctx.m.fs.ReadBytes(path, bytes) != FsError::None) {
    TellNoRecord(ctx.fe, letter);
    return Loaded::Missing;
  }
  if (!DecodeDriveRecord(bytes, letter, record)) {
    TellDamaged(ctx.fe, letter);
    return Loaded::Damaged;
  }
  std::optional<VolumeId> now = ctx.m.fs.VolumeOf(RootOf(letter));
  if (!now || !(*now == record.volume)) {
    ctx.fe.AppendConsole(L" ※ ドライブ " + Letter(letter) + L" は、ファイル名を記録した時と別のディスクです");
    TellVolumeChanged(ctx.fe, letter, deleting);
    return Loaded::VolumeChanged;
  }
  return Loaded::Ok;
}

DriveOutcome OutcomeOf(Loaded loaded) {
  switch (loaded) {
    case Loaded::Ok: return DriveOutcome::Done;
    case Loaded::Missing: return DriveOutcome::NoRecord;
    case Loaded::Damaged: return DriveOutcome::Damaged;
    case Loaded::VolumeChanged: return DriveOutcome::VolumeChanged;
  }
  return DriveOutcome::Damaged;
}

void ReportUnreadable(FrontEnd& fe, const std::vector<std::wstring>& folders) {
  for (const std::wstring& f : folders) fe.AppendConsole(UnreadableLine(f));
}

// False for an addition that is never deleted (see the header).
bool MayDelete(const Services& ctx, const DriveRecord& record, const DriveAddition& a) {
  std::string encoded;
  if (!ToCp932Exact(a.path, encoded)) return false;  // the name lost characters
  if (IsOwn(ctx.env, a.path) || HoldsOwn(ctx.env, a.path)) return false;
  // A folder older than the record was there already under another name.
  if (a.folder && a.creation < record.takenAt) return false;
  return true;
}

// Deletes the additions in order. False when the user ended it with Cancel.
bool DeleteAdditions(const Services& ctx, const DriveRecord& record, const std::vector<DriveAddition>& added) {
  Ticker ticker(ctx.fe);
  for (const DriveAddition& a : added) {
    const wchar_t* kind = a.folder ? L"ﾌｫﾙﾀﾞｰ" : L"ﾌｧｲﾙ";
    if (!MayDelete(ctx, record, a)) {
      ctx.fe.AppendConsole(WashLine(kind, a.path, false));
      continue;
    }
    if (a.folder && ctx.options.QueryDirDel) {
      const int answer = ctx.fe.Ask(L"追加されたフォルダー|『" + a.path + L"』|を削除していいですか？",
                                    mb::kYesNoCancel | mb::kIconQuestion | mb::kDefault2, L"");
      if (answer == mb::kResultCancel) return false;
      if (answer != mb::kResultYes) continue;
    }
    ctx.fe.SetStatus(L"洗浄中： " + a.path);
    DeleteTree(ctx.m, a.path);
    const bool gone = !ctx.m.fs.Stat(a.path);
    ctx.fe.AppendConsole(WashLine(kind, a.path, gone));
    ticker.Step();
  }
  return true;
}

}  // namespace

std::wstring DriveRecordPath(const Environment& env, wchar_t letter) {
  return env.WorkDir + L"\\DrvList." + Letter(letter);
}

bool HasDriveRecord(FileSystem& fs, const Environment& env, wchar_t letter) {
  return FileExists(fs, DriveRecordPath(env, letter));
}

bool AnyDriveRecord(FileSystem& fs, const Environment& env) {
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if (HasDriveRecord(fs, env, letter)) return true;
  }
  return false;
}

std::vector<std::wstring> DriveCheckHintLines() {
  return {L"", L" ※ ドライブへのファイル追加を確認したいときは", L" 　 ドライブ･ボタンを右クリックして下さい"};
}

std::vector<std::wstring> DriveWashHintLines() {
  return {L"", L" ※ ドライブへ追加されたファイルを削除したい", L" 　 ときはドライブ･ボタンを右クリックして下さい"};
}

std::wstring DriveRecordExistsQuestion(wchar_t letter) {
  return L"ドライブ " + Letter(letter) + L" の情報は既に読み込まれています||もう一度、情報を読み直しますか？";
}

std::wstring DriveRecordClearQuestion(wchar_t letter) {
  return L"ドライブ " + Letter(letter) + L" のファイル名記録を|消去していいですか？";
}

std::wstring DriveAddedLine(const DriveAddition& a) {
  return std::wstring(a.folder ? L"●ﾌｫﾙﾀﾞｰ『" : L"●ﾌｧｲﾙ『") + a.path + L"』が追加されています";
}

DriveOutcome RecordDriveNames(const Services& ctx, wchar_t letter, std::uint64_t maxNames) {
  FileSystem& fs = ctx.m.fs;
  const std::wstring path = DriveRecordPath(ctx.env, letter);
  if (FileExists(fs, path) &&
      ctx.fe.Ask(DriveRecordExistsQuestion(letter), mb::kYesNo | mb::kIconQuestion, L"") != mb::kResultYes) {
    return DriveOutcome::Declined;
  }
  const std::wstring root = RootOf(letter);
  std::optional<VolumeId> volume = fs.VolumeOf(root);
  std::vector<FileEntry> entries;
  if (!volume || !ListFolder(fs, root, entries)) {
    Tell(ctx.fe, L"ドライブ " + Letter(letter) + L" を読み取れません", mb::kIconExclamation);
    return DriveOutcome::Unreadable;
  }

  DriveRecordWriter writer(letter, *volume, ctx.m.sys.NowFileTime());
  Ticker ticker(ctx.fe);
  std::vector<std::wstring> unreadable;
  std::uint64_t files = 0, folders = 0;
  std::vector<std::wstring> pending{L""};  // folders to read, as paths from the root
  while (!pending.empty()) {
    const std::wstring relative = std::move(pending.back());
    pending.pop_back();
    const std::wstring folder = FullPath(root, relative);
    ctx.fe.SetStatus(L"保存中：  " + folder);
    ticker.Step();
    if (!relative.empty() && !ListFolder(fs, folder, entries)) {
      unreadable.push_back(folder);  // no FOLDER field: nothing inside is known
      continue;
    }
    writer.Folder(relative);
    std::vector<std::wstring> enter;
    for (const FileEntry& e : entries) {
      writer.Name(e.name, e.IsFolder());
      if (!e.IsFolder()) {
        ++files;
      } else {
        ++folders;
        const std::wstring child = ChildOf(relative, e.name);
        if (!e.IsReparsePoint() && !SkippedAtRoot(relative, e.name) && !IsOwn(ctx.env, FullPath(root, child))) {
          enter.push_back(child);
        }
      }
      ticker.Step();
    }
    if (files + folders > maxNames) {
      Tell(ctx.fe,
           L"ドライブ " + Letter(letter) + L" のファイルが多すぎるため、記録できません|（" + Grouped(static_cast<long long>(maxNames)) +
               L" 個まで）",
           mb::kIconExclamation);
      return DriveOutcome::TooLarge;
    }
    // Read in the order listed.
    pending.insert(pending.end(), enter.rbegin(), enter.rend());
  }

  const std::string bytes = writer.Finish();
  const std::wstring fresh = path + L".new";
  bool written = fs.WriteBytes(fresh, bytes) == FsError::None && fs.MoveOne(fresh, path, true) == FsError::None;
  if (!written) {
    IgnoreError(fs.RemoveFile(fresh));
    Tell(ctx.fe, L"ドライブ " + Letter(letter) + L" のファイル名記録を保存できません", mb::kIconExclamation);
    return DriveOutcome::WriteFailed;
  }
  ctx.fe.AppendConsole(L"ドライブ " + Letter(letter) + L" のファイル名を記録しました（ファイル " +
                       Grouped(static_cast<long long>(files)) + L" 個、フォルダー " +
                       Grouped(static_cast<long long>(folders)) + L" 個）");
  ReportUnreadable(ctx.fe, unreadable);
  return DriveOutcome::Done;
}

DriveWalk FindDriveAdditions(const Services& ctx, const DriveRecord& record, const std::wstring& status) {
  FileSystem& fs = ctx.m.fs;
  const std::wstring root = RootOf(record.letter);
  DriveWalk walk;
  Ticker ticker(ctx.fe);
  std::vector<FileEntry> entries;
  std::vector<std::wstring> pending{L""};
  while (!pending.empty()) {
    const std::wstring relative = std::move(pending.back());
    pending.pop_back();
    const std::wstring folder = FullPath(root, relative);
    ctx.fe.SetStatus(status + folder);
    ticker.Step();
    if (!ListFolder(fs, folder, entries)) {
      walk.unreadable.push_back(folder);  // left alone
      continue;
    }
    std::vector<std::wstring> enter;
    for (const FileEntry& e : entries) {
      ticker.Step();
      if (e.IsFolder() && SkippedAtRoot(relative, e.name)) continue;
      const std::wstring child = ChildOf(relative, e.name);
      const std::wstring full = FullPath(root, child);
      if (IsOwn(ctx.env, full)) continue;
      const std::wstring key = ToUpper(child);
      if (!record.known.count(key)) {
        walk.added.push_back({full, e.IsFolder(), e.creation});
        continue;  // an added folder is added as a whole
      }
      // Only folders whose names were recorded are looked into, never through a link.
      if (e.IsFolder() && !e.IsReparsePoint() && record.listed.count(key)) enter.push_back(child);
    }
    pending.insert(pending.end(), enter.rbegin(), enter.rend());
  }
  return walk;
}

DriveOutcome CheckDriveAdditions(const Services& ctx, wchar_t letter) {
  DriveRecord record;
  Loaded loaded = LoadRecord(ctx, letter, record, false);
  if (loaded != Loaded::Ok) return OutcomeOf(loaded);
  DriveWalk walk = FindDriveAdditions(ctx, record, L"確認中： ");
  for (const DriveAddition& a : walk.added) ctx.fe.AppendConsole(DriveAddedLine(a));
  if (walk.added.empty()) ctx.fe.AppendConsole(kNothingAdded);
  ReportUnreadable(ctx.fe, walk.unreadable);
  return DriveOutcome::Done;
}

DriveOutcome DeleteDriveAdditions(const Services& ctx, wchar_t letter) {
  DriveRecord record;
  Loaded loaded = LoadRecord(ctx, letter, record, true);
  if (loaded != Loaded::Ok) return OutcomeOf(loaded);
  DriveWalk walk = FindDriveAdditions(ctx, record, L"洗浄中： ");
  ReportUnreadable(ctx.fe, walk.unreadable);
  if (walk.added.empty()) {
    ctx.fe.AppendConsole(kNothingAdded);
    return DriveOutcome::Done;
  }
  return DeleteAdditions(ctx, record, walk.added) ? DriveOutcome::Done : DriveOutcome::Declined;
}

DriveOutcome ClearDriveRecord(const Services& ctx, wchar_t letter) {
  const std::wstring path = DriveRecordPath(ctx.env, letter);
  if (!FileExists(ctx.m.fs, path)) {
    TellNoRecord(ctx.fe, letter);
    return DriveOutcome::NoRecord;
  }
  if (ctx.fe.Ask(DriveRecordClearQuestion(letter), mb::kYesNo | mb::kIconQuestion | mb::kDefault2, L"") !=
      mb::kResultYes) {
    return DriveOutcome::Declined;
  }
  if (!KillFile(ctx.m, path)) {
    Tell(ctx.fe, L"ドライブ " + Letter(letter) + L" のファイル名記録を消去できません", mb::kIconExclamation);
    return DriveOutcome::WriteFailed;
  }
  return DriveOutcome::Done;
}

void OfferDriveDeletionsAtEnd(const Services& ctx) {
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    const std::wstring path = DriveRecordPath(ctx.env, letter);
    if (!FileExists(ctx.m.fs, path)) continue;
    DriveRecord record;
    if (LoadRecord(ctx, letter, record, true) == Loaded::Ok) {
      DriveWalk walk = FindDriveAdditions(ctx, record, L"確認中： ");
      ReportUnreadable(ctx.fe, walk.unreadable);
      if (!walk.added.empty()) {
        for (const DriveAddition& a : walk.added) ctx.fe.AppendConsole(DriveAddedLine(a));
        const int answer =
            ctx.fe.Ask(L"ドライブ " + Letter(letter) + L" へ、ファイル名を記録した後で|追加されたファイルやフォルダーが " +
                           Grouped(static_cast<long long>(walk.added.size())) + L" 個あります||これらを削除していいですか？",
                       mb::kYesNo | mb::kIconQuestion | mb::kDefault2, L"");
        if (answer == mb::kResultYes) DeleteAdditions(ctx, record, walk.added);
      }
    }
    KillFile(ctx.m, path);
  }
}

}  // namespace zel
