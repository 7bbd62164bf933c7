#include "wash/wash.h"

#include <memory>

#include "base/format.h"
#include "base/path.h"
#include "startup/file_helpers.h"
#include "wash/delete_tree.h"

namespace zel {

std::wstring InUseMessage(const std::wstring& name) {
  return L"『" + name + L"』はシステムで使用中のため削除できません。||ファイル名を控えておいて、次回の" +
         markup::kDarkRed + L"Windows起動後" + markup::kBlack + L"に|エクスプローラーで削除して下さい";
}

std::wstring WashLine(const Finding& f, bool done) {
  switch (f.kind) {
    case Finding::Kind::StartupChanged:
      return L"●『" + f.subject + (done ? L"』を元に戻しました" : L"』を元に戻せません");
    case Finding::Kind::Changed:
      return L"●" + f.label + L"『" + f.subject + (done ? L"』を復元しました" : L"』は復元できません");
    case Finding::Kind::Added:
      break;
  }
  return WashLine(f.label, f.subject, done);
}

namespace {

class Washer : public ChangeVisitor {
 public:
  Washer(Machine& m, FrontEnd& fe, std::uint64_t takenAt) : m_(m), fe_(fe), takenAt_(takenAt) {}

  void OnFinding(const Finding& f) override {
    switch (f.kind) {
      case Finding::Kind::Added:
        Delete(f);
        return;
      case Finding::Kind::Changed:
        // Only what has a saved copy is put back; the rest stays as it is.
        // A copy that is not the snapshot's cannot be used: a failure.
        if (f.undoable && !f.keep && f.staleCopy) Write(WashLine(f, false), true);
        else if (f.undoable && !f.keep) PutBackLine(f);
        return;
      case Finding::Kind::StartupChanged:
        PutBackLine(f);
        return;
    }
  }

  // What is left unwashed keeps the snapshot, for a wash once the right
  // disk or folder is back.
  void OnOtherVolume(wchar_t letter) override {
    Write(std::wstring(L"●ドライブ『") + letter + L":\\』は、記録したときと別のディスクのため、洗浄しません", true);
  }
  void OnBecameLink(const std::wstring& folder) override {
    Write(L"●ﾌｫﾙﾀﾞｰ『" + folder + L"』は、記録したときと違いリンクになっているため、洗浄しません", true);
  }

  void Write(const std::wstring& line, bool failure = false) {
    fe_.AppendConsole(line);
    ++result.lines;
    if (failure) ++result.failures;
  }

  WashResult result;

 private:
  void Delete(const Finding& f) {
    if (f.keep) {
      Write(WashLine(f, false), true);
      return;
    }
    if (f.folder) {
      std::vector<std::wstring> kept;
      const bool gone = DeleteTree(m_, f.path, takenAt_, kept);
      for (const std::wstring& path : kept) Write(WashLine(L"ﾌｫﾙﾀﾞｰ", path, false), true);
      Write(WashLine(f, gone), !gone);
      return;
    }
    std::optional<FileEntry> e = m_.fs.Stat(f.path);
    if (e && (e->attributes & (attr::kReadOnly | attr::kHidden | attr::kSystem))) IgnoreError(m_.fs.SetAttributes(f.path, attr::kNormal));
    const std::wstring ext = UpperExtension(f.path);
    if (ext == L"FON" || ext == L"TTF" || ext == L"TTC") m_.sys.RemoveFont(f.path);  // out of the system first
    const FsError error = m_.fs.RemoveFile(f.path);
    const bool gone = !m_.fs.Stat(f.path);
    if (error == FsError::InUse && !gone) fe_.Ask(InUseMessage(LastComponent(f.path)), mb::kOk | mb::kIconExclamation, L"");
    Write(WashLine(f, gone), !gone);
  }

  void PutBackLine(const Finding& f) {
    const bool done = PutBack(f.copy, f.path);
    Write(WashLine(f, done), !done);
  }

  // A saved copy over the changed file: the copy's bytes and time, so the
  // next check finds it as it was.
  bool PutBack(const std::wstring& copy, const std::wstring& target) {
    if (copy.empty() || !m_.fs.Stat(copy)) return false;
    std::optional<FileEntry> e = m_.fs.Stat(target);
    if (e && (e->attributes & attr::kReadOnly)) IgnoreError(m_.fs.SetAttributes(target, e->attributes & ~attr::kReadOnly));
    return m_.fs.CopyOne(copy, target, true) == FsError::None;
  }

  Machine& m_;
  FrontEnd& fe_;
  std::uint64_t takenAt_;
};

}  // namespace

WashResult RunWash(const Services& sv, const WashRequest& r) {
  Washer washer(sv.m, sv.fe, r.snap.takenAt);
  if (r.record.testDone) {
    std::unique_ptr<ReportLog> report = OpenWalkReport(sv, r.record);
    if (r.restoreIniFiles) washer.result.failures += r.restoreIniFiles();
    ChangeWalk walk{sv, r.snap, r.record, sv.options.SaveAllSys, report.get(), L"洗浄中"};
    WalkSystemFolders(walk, washer);
    sv.fe.SetStatus(L"洗浄中 : 設定ファイル");
    WalkMainFolders(walk, washer);
    WalkSubfolders(walk, washer);
    WalkDrives(walk, washer);
    CloseWalkReport(report.get(), L"洗浄したファイル数＝", walk.examined, sv.fe);
  }
  // The extraction's folders, whatever else happened.
  std::vector<std::wstring> kept;
  for (const std::wstring& folder : r.record.temporaryFolders) {
    const bool gone = WashTemporaryFolder(sv.m, sv.fe, folder);
    if (!gone) {
      kept.push_back(folder);
      ++washer.result.failures;
    }
  }
  sv.fe.SetStatus(L"洗浄中 : 臨時フォルダー");
  r.record.temporaryFolders = kept;
  return washer.result;
}

}  // namespace zel
