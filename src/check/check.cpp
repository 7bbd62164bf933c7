#include "check/check.h"

#include <memory>

#include "base/format.h"
#include "base/path.h"

namespace zel {

const wchar_t kNothingChanged[] = L" ※ 変更・追加はありません";
const wchar_t kCannotUndo[] = L"　　　（このﾌｧｲﾙは元に戻せません）";

std::vector<std::wstring> CheckLines(const Finding& f) {
  switch (f.kind) {
    case Finding::Kind::StartupChanged:
      return {L"●『" + f.subject + L"』が変更されています"};
    case Finding::Kind::Changed:
      if (f.undoable && !f.keep && !f.staleCopy) return {L"●" + f.label + L"『" + f.subject + L"』が修正されています"};
      return {L"●" + f.label + L"『" + f.subject + L"』が修正されています", kCannotUndo};
    case Finding::Kind::Added:
      break;
  }
  std::wstring line = L"●" + f.label + L"『" + f.subject + L"』が追加されています";
  if (f.keep) return {line, kCannotUndo};  // the wash will not touch it
  return {line};
}

namespace {

class CheckWriter : public ChangeVisitor {
 public:
  explicit CheckWriter(FrontEnd& fe) : fe_(fe) {}
  void OnFinding(const Finding& f) override {
    for (const std::wstring& line : CheckLines(f)) Write(line);
  }
  void OnOtherVolume(wchar_t letter) override {
    Write(std::wstring(L"●ドライブ『") + letter + L":\\』は、記録したときと別のディスクです（確認しません）");
  }
  void OnBecameLink(const std::wstring& folder) override {
    Write(L"●ﾌｫﾙﾀﾞｰ『" + folder + L"』は、記録したときと違いリンクになっています（確認しません）");
  }
  void Write(const std::wstring& line) {
    fe_.AppendConsole(line);
    ++lines;
  }
  int lines = 0;

 private:
  FrontEnd& fe_;
};

}  // namespace

CheckResult RunCheck(const Services& sv, const CheckRequest& r) {
  CheckWriter writer(sv.fe);
  if (r.record.testDone) {
    std::unique_ptr<ReportLog> report;
    if (sv.options.Report) {
      report = std::make_unique<ReportLog>(sv.m.fs, ReportPath(sv.env.ProgramDir));
      report->Line(L"実行ファイル：" + r.record.program);
    }
    if (r.compareIniAndRegistry) writer.lines += r.compareIniAndRegistry();
    ChangeWalk walk{sv, r.snap, r.record, sv.options.SaveAllSys, report.get(), L"確認中"};
    WalkSystemFolders(walk, writer);
    WalkMainFolders(walk, writer);
    WalkSubfolders(walk, writer);
    WalkDrives(walk, writer);
    if (report) {
      report->Line(std::wstring(60, L'-'));
      report->Line(L"確認したファイル数＝" + NumText(walk.examined));
      report->Line(std::wstring(60, L'-'));
      report->Line(L"");
    }
  }
  sv.fe.SetStatus(L"確認中 : 臨時フォルダー");
  for (const std::wstring& folder : r.record.temporaryFolders) {
    if (sv.m.fs.Stat(folder)) writer.Write(L"●ﾌｫﾙﾀﾞｰ『" + folder + L"』が作成されています");
  }
  sv.fe.Busy();
  CheckResult result;
  result.lines = writer.lines;
  if (writer.lines == 0) {
    sv.fe.AppendConsole(kNothingChanged);
    result.prompt = L"ファイル名をクリックして下さい";
  } else {
    result.prompt = L"洗浄ボタンか、ファイル名をクリックして下さい";
  }
  return result;
}

}  // namespace zel
