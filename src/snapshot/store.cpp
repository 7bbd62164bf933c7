#include "snapshot/store.h"

#include "base/path.h"
#include "snapshot/listing.h"
#include "snapshot/registry_snapshot.h"
#include "snapshot/snapshot_codec.h"
#include "snapshot/value_record.h"
#include "startup/restart_marks.h"

namespace zel {

const wchar_t kSnapshotFileName[] = L"Zel32.dat";
const wchar_t kRecordFileName[] = L"Zel32.ext";
const wchar_t kRunRecordFileName[] = L"Zel32.dir";
const wchar_t kDamagedSnapshotMessage[] =
    L"保存された情報が正しくありません||洗浄せずに、終了します。|次回の起動時は、現在の状態から開始します";

namespace {

void RemoveIfThere(FileSystem& fs, const std::wstring& path) {
  if (fs.Stat(path)) IgnoreError(fs.RemoveFile(path));
}

void RemovePair(FileSystem& fs, const SnapshotFiles& f) {
  // Zel32.dat first: without it nothing is resumed, whatever else is left.
  for (const std::wstring* path : {&f.data, &f.dataTemp, &f.record, &f.recordTemp}) RemoveIfThere(fs, *path);
}

}  // namespace

SnapshotFiles SnapshotFilesIn(const std::wstring& workDir) {
  SnapshotFiles f;
  f.data = JoinPath(workDir, kSnapshotFileName);
  f.record = JoinPath(workDir, kRecordFileName);
  f.dataTemp = f.data + L".new";
  f.recordTemp = f.record + L".new";
  f.run = JoinPath(workDir, kRunRecordFileName);
  return f;
}

FsError WriteSnapshotFiles(FileSystem& fs, const std::wstring& workDir, const Snapshot& snap) {
  const SnapshotFiles f = SnapshotFilesIn(workDir);
  FsError error = FsError::None;
  {
    std::string data;
    if (!EncodeSnapshotData(snap, data)) error = FsError::Other;
    if (error == FsError::None) error = fs.WriteBytes(f.dataTemp, data);
    if (error == FsError::None) error = fs.WriteBytes(f.recordTemp, EncodeSnapshotRecord(snap, data));
  }
  // Zel32.dat replaces the old one in one move: until then the old pair
  // stands, from then on the new Zel32.dat with its record beside it (the
  // loader takes the ".new" record that belongs to it if the second move
  // never happened).
  if (error == FsError::None) error = fs.MoveOne(f.dataTemp, f.data, true);
  if (error == FsError::None) error = fs.MoveOne(f.recordTemp, f.record, true);
  // An old snapshot left behind would be resumed later against a machine it no
  // longer describes: after a failure there is none at all.
  if (error != FsError::None) RemovePair(fs, f);
  return error;
}

bool SaveSnapshot(Machine& m, FrontEnd& fe, const Environment& env, const Snapshot& snap) {
  fe.SetStatus(L"準備中： ドライブ情報");
  FsError error = WriteSnapshotFiles(m.fs, env.WorkDir, snap);
  if (error == FsError::None) return true;
  fe.Ask(m.fs.ErrorMessage(error) + L"||場所＝Save For Down", mb::kOk | mb::kIconError, L"");
  return false;
}

LoadResult LoadSnapshot(FileSystem& fs, const Environment& env, Snapshot& snap) {
  const SnapshotFiles f = SnapshotFilesIn(env.WorkDir);
  Snapshot loaded;
  {
    std::string data, record;
    FsError error = fs.ReadBytes(f.data, data);
    if (error == FsError::NotFound || error == FsError::PathNotFound) return LoadResult::Missing;
    if (error != FsError::None) return LoadResult::Damaged;
    const bool haveRecord = fs.ReadBytes(f.record, record) == FsError::None;
    if (!fs.Stat(f.recordTemp)) {
      if (!haveRecord || !DecodeSnapshot(std::move(data), record, loaded)) return LoadResult::Damaged;
    } else if (!haveRecord || !DecodeSnapshot(std::string_view(data), record, loaded)) {
      std::string pending;
      // Saving stopped between its two moves: the new record waits beside.
      loaded = Snapshot();
      if (fs.ReadBytes(f.recordTemp, pending) != FsError::None || !DecodeSnapshot(std::move(data), pending, loaded)) {
        return LoadResult::Damaged;
      }
      IgnoreError(fs.MoveOne(f.recordTemp, f.record, true));
    }
  }
  // A registry record of another snapshot, or a damaged one, could put back
  // values the machine never had.
  if (LoadRegRecord(fs, env.WorkDir, loaded.takenAt, loaded.registry.record) == RegRecordLoad::Damaged) {
    return LoadResult::Damaged;
  }
  // A record that names the program's own folders as monitored ones was not
  // written by this program: acting on it could wash the snapshot itself.
  for (const MainFolderListing& listing : loaded.main) {
    const std::wstring_view path = std::wstring_view(listing.entry).substr(1);
    if (env.IsOwnFolder(path) || (!env.ProgramDir.empty() && IsSameOrBelow(path, env.ProgramDir))) {
      return LoadResult::Damaged;
    }
  }
  snap = std::move(loaded);
  return LoadResult::Loaded;
}

void DeleteSnapshotFiles(Machine& m, const Environment& env) {
  RemovePair(m.fs, SnapshotFilesIn(env.WorkDir));
  DeleteRegRecord(m.fs, env.WorkDir);
}

std::wstring ResumeQuestion() {
  const std::wstring on(1, markup::kBlue), off(1, markup::kBlack);
  return L"前回、テスト実行している途中でコンピュータが再起動されています。|テストを続行、または洗浄を行ないますか？||"
         L"● テスト続行、洗浄などを行なう場合は 「" +
         on + L"はい" + off +
         L"」を|"
         L"● 前回の結果を無視して、新しくテストを行なう場合は 「" +
         on + L"いいえ" + off +
         L"」を押してください||"
         L"　※「いいえ」を押すと、前回のテスト結果を洗浄できなくなります";
}

ResumeChoice AskResume(Machine& m, FrontEnd& fe, const Environment& env, Snapshot& snap, bool ask) {
  const SnapshotFiles f = SnapshotFilesIn(env.WorkDir);
  auto fresh = [&] {
    RemoveIfThere(m.fs, f.run);
    DeleteSnapshotFiles(m, env);
    return ResumeChoice::Fresh;
  };
  std::optional<FileEntry> data = m.fs.Stat(f.data);
  if (!data) return fresh();
  // A registry restore set up before the restart belongs to this snapshot:
  // its test goes on without the question.
  if (ask && RegistryRestorePending(m.fs, env)) ask = false;
  if (ask && fe.Ask(ResumeQuestion(), mb::kYesNo | mb::kIconQuestion, L"") != mb::kResultYes) return fresh();
  switch (LoadSnapshot(m.fs, env, snap)) {
    case LoadResult::Loaded:
      return ResumeChoice::Resumed;
    case LoadResult::Missing:
      return fresh();
    case LoadResult::Damaged:
      break;
  }
  fe.Ask(kDamagedSnapshotMessage, mb::kOk | mb::kIconError, L"");
  DeleteSnapshotFiles(m, env);
  return ResumeChoice::Damaged;
}

}  // namespace zel
