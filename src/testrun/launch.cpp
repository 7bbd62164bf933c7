#include "testrun/launch.h"

#include "base/path.h"
#include "base/text.h"
#include "extract/exe_kind.h"
#include "extract/extract.h"
#include "report/report_log.h"
#include "snapshot/listing.h"
#include "startup/file_helpers.h"
#include "testrun/console_text.h"
#include "testrun/library_copy.h"

namespace zel {

const wchar_t kBadExecutableMessage[] = L"実行形式ファイルが正しくありません。|　実行を中止します";

std::wstring LaunchExtension(std::wstring_view name) {
  // The dot is looked for from the fifth character from the end on, the
  // dot itself counted: "page.shtml" has the extension "SHTML".
  const size_t start = name.size() > 6 ? name.size() - 6 : 0;
  size_t dot = name.rfind(L'.');
  if (dot == std::wstring_view::npos || dot < start) return std::wstring();
  return ToUpper(name.substr(dot + 1));
}

int MonitorInterval(DriveType type) {
  if (type == DriveType::CdRom) return 6000;
  if (type == DriveType::Removable) return 5000;
  return 3000;
}

std::wstring DosQuestion(const std::wstring& name) {
  return std::wstring(L"『") + markup::kBlue + name + markup::kBlack + L"』は、MS-DOSプログラムです。||実行していいですか";
}

std::wstring SelfExtractingRefusal(const std::wstring& name) {
  return L"『" + name + L"』は、自己解凍型の圧縮ファイルです。|テスト・ボタンではなく" + markup::kDarkRed +
         L"解凍ボタン" + markup::kBlack + L"を押してください";
}

std::wstring StartWarning(const std::wstring& name) {
  return L"『" + name + L"』を起動します。||もし、起動後に マウスやキーの入力ができなくなったら、|(CTRL)+(ALT)+(DEL) で 「" +
         name + L"」 を終了させ、|" + markup::kDarkRed + L"洗浄ボタン" + markup::kBlack +
         L"を押して下さい。||※ システム自体が停止した場合は、一旦パソコンをリセットし、|　 このテスターを起動し直して、洗浄ボタンを押せば|　 元の状態に戻せます。";
}

std::wstring ScreenSaverQuestion(const std::wstring& nameWithoutExtension) {
  return std::wstring(L"スクリーン･セーバーをダイレクトに表示しますか？||「") + markup::kBlue + L"はい" +
         markup::kBlack + L"」を押すと、すぐに表示されますが、設定変更はできません|「" + markup::kBlue + L"いいえ" +
         markup::kBlack + L"」を押すと" + markup::kDarkRed + L"画面のプロパティ" + markup::kBlack +
         L"が起動されますので、|　　　　" + nameWithoutExtension + L"を選択して" + markup::kDarkRed + L"プレビュー" +
         markup::kBlack + L"を使って表示してください";
}

namespace {

bool OneOf(std::wstring_view ext, std::initializer_list<const wchar_t*> list) {
  for (const wchar_t* e : list) {
    if (ext == e) return true;
  }
  return false;
}

}  // namespace

LaunchPlan PlanLaunch(std::wstring_view ext, std::optional<ExeKind> kind, const LaunchRequest& request,
                      const LaunchState& state) {
  LaunchPlan plan;
  if (ext.empty()) return plan;
  plan.route = LaunchRoute::Start;
  if (ext == L"EXE") {
    if (!kind) {
      plan.gate = LaunchGate::Unreadable;
    } else if (*kind == ExeKind::Dos) {
      plan.gate = LaunchGate::AskDos;
    } else if (*kind == ExeKind::DosSfxLzh || *kind == ExeKind::SfxZip) {
      plan.gate = LaunchGate::RefuseSelfExtracting;
    } else if (*kind == ExeKind::WinSfxLzh) {
      plan.extractFirst = true;
    }
  } else if (!OneOf(ext, {L"SCR", L"FON", L"TTF", L"TTC", L"BAT", L"PIF"})) {
    // Pictures without the pane open like any other start; the rest is
    // handed to its application.
    const bool picture = OneOf(ext, {L"BMP", L"JPG", L"JPEG", L"JEPG", L"GIF"});
    if (picture && request.picturePaneVisible) {
      plan.route = LaunchRoute::Picture;
    } else if (!picture) {
      plan.route = LaunchRoute::HandOver;
      plan.hand = ext == L"WAV"                                                              ? HandForm::Play
                  : OneOf(ext, {L"HTM", L"HTML", L"SHTML", L"MPG", L"AVI", L"MID", L"CDA", L"HLP"}) ? HandForm::Open
                                                                                                    : HandForm::AskOnce;
    }
    return plan;
  }
  // Batch files run only after an extraction made them, or when allowed.
  if ((ext == L"BAT" || ext == L"PIF") && !state.batchAllowed) plan.gate = LaunchGate::BatchRefused;

  const std::wstring upperName = ToUpper(LastComponent(request.path));
  plan.installer = (ext == L"EXE" || ext == L"SCR") && (Contains(upperName, L"INST") || Contains(upperName, L"SETUP"));
  // Installers show their dialogs first and may hand over to another window.
  plan.extendedWait = plan.installer || plan.extractFirst;
  plan.askScreenSaver = ext == L"SCR";
  plan.warn = state.warningDue && request.fromTestButton;
  plan.start = OneOf(ext, {L"FON", L"TTF", L"TTC"}) ? StartForm::FontViewer
               : ext == L"SCR"                      ? StartForm::ScreenSaver
                                                    : StartForm::Shell;
  return plan;
}

namespace {

std::wstring Quoted(std::wstring_view path) { return L"\"" + std::wstring(path) + L"\""; }

std::wstring WithoutExtension(const std::wstring& name) {
  size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::uint64_t TimeOf(FileSystem& fs, const std::wstring& path) {
  std::optional<FileEntry> e = fs.Stat(path);
  return e ? e->lastWrite : 0;
}

DriveType DriveTypeOfPath(const Environment& env, const std::wstring& path) {
  const wchar_t letter = path.empty() ? L'C' : UpperChar(path[0]);
  return letter >= L'A' && letter <= L'Z' ? env.DriveTypes[letter - L'A'] : DriveType::Fixed;
}

// The steps, in the order LaunchProgram takes them. Each reads the plan and
// the file's names from one place.
struct Launch {
  const Services& ctx;
  RunRecord& record;
  int& warningsShown;
  const LaunchPlan& plan;
  const std::wstring& path;
  const std::wstring name;
  const std::wstring folder;
  LaunchResult r;

  bool OpenWithShell() { return ctx.m.desktop.ShellOpen(path, folder) > 32; }

  // Other files go to their application, asked once per extension.
  LaunchResult HandOver(const std::wstring& ext) {
    r.outcome = LaunchOutcome::Handed;
    if (plan.hand == HandForm::Play) {
      ctx.m.desktop.PlaySoundFile(path);
      return r;
    }
    const std::wstring key = L"Run" + ext;
    if (plan.hand == HandForm::Open || ctx.settings.GetOptionNum(key, 0) != 0) {
      OpenWithShell();
      return r;
    }
    if (ctx.fe.Ask(L"『 " + name + L" 』 を開きますか？", mb::kYesNo | mb::kIconQuestion | mb::kDefault2, L"") !=
        mb::kResultYes) {
      r.outcome = LaunchOutcome::Cancelled;
      return r;
    }
    if (OpenWithShell()) {
      ctx.settings.SetOptionNum(key, -1);
    } else {
      ctx.fe.Ask(L"『 " + ext + L" 』 という拡張子は、編集するソフトが設定されていません||"
                              L"エクスプローラーのフォルダ・オプションでファイルタイプを設定して下さい",
                 mb::kOk | mb::kIconExclamation, L"");
    }
    return r;
  }

  // The gate's question or refusal; false ends the launch.
  bool PassGate() {
    switch (plan.gate) {
      case LaunchGate::None:
        return true;
      case LaunchGate::Unreadable:
        ctx.fe.Ask(L"『" + name + L"』を読み込めません", mb::kOk | mb::kIconExclamation, L"");
        return false;
      case LaunchGate::AskDos:
        return ctx.fe.Ask(DosQuestion(name), mb::kYesNo | mb::kIconExclamation | mb::kDefault2, L"") ==
               mb::kResultYes;
      case LaunchGate::RefuseSelfExtracting:
        ctx.fe.Ask(SelfExtractingRefusal(name), mb::kOk | mb::kIconExclamation, L"");
        return false;
      case LaunchGate::BatchRefused:
        ctx.fe.Beep();
        return false;
    }
    return true;
  }

  LaunchResult Cancelled() {
    r.outcome = LaunchOutcome::Cancelled;
    // A refused program: the status asks for a file again (a beep says enough for a batch file).
    if (plan.gate != LaunchGate::BatchRefused) {
      ctx.fe.SetStatus(L"ファイルを選択して下さい");
      r.selectFileStatus = true;
    }
    return r;
  }

  // The record first: whatever the start copies from here on is washed, also
  // when the start then fails.
  void Record() {
    record.testDone = true;
    record.program = path;
    record.installer = record.installer || plan.installer;
    if (DriveTypeOfPath(ctx.env, path) == DriveType::CdRom) record.fromCdRom = true;
    record.dateStamp = DateText(ctx.m.sys.Now());
    if (record.librarySaves.empty()) record.librarySaves = LibrarySaveFolder(ctx.env);
  }

  // A screen saver brings its modules; true: shown directly, not through the display settings.
  bool AskScreenSaver(LibraryCopy& copy) {
    CopyModules(copy, folder, L"SCR");
    return ctx.fe.Ask(ScreenSaverQuestion(WithoutExtension(name)), mb::kYesNo | mb::kIconQuestion, L"") ==
           mb::kResultYes;
  }

  void Warn() {
    ctx.fe.Ask(StartWarning(name), mb::kOk | mb::kIconExclamation, L"");
    ++warningsShown;
  }

  // The start lines, the windows that are not the program's, the libraries.
  void Announce(LibraryCopy& copy) {
    ctx.m.fs.SetCurrentFolder(folder);
    ctx.fe.AppendConsole(kStartSeparator);
    ctx.fe.AppendConsole(L"    " + name + L" 実行開始");
    ctx.fe.AppendConsole(kStartSeparator);
    for (const TopWindow& w : ctx.m.desktop.TopLevelWindows()) {
      if (w.visible) r.run.windowsBefore.push_back(w.title.size() > 127 ? w.title.substr(0, 127) : w.title);
    }
    CopyLibraries(copy, folder);
    r.librariesCopied = copy.copiedAny;
  }

  // The INI files at the start of this run, for the monitor's lamps; the
  // snapshot's own copies stay as they are.
  void NoteIniTimes() {
    r.run.winIniPath = ctx.env.WinDir + L"\\win.ini";
    r.run.systemIniPath = ctx.env.WinDir + L"\\system.ini";
    r.run.winIniTime = TimeOf(ctx.m.fs, r.run.winIniPath);
    r.run.systemIniTime = TimeOf(ctx.m.fs, r.run.systemIniPath);
  }

  // The program's folder as the first launch of the test found it.
  void ListProgramFolder() {
    if (!record.programFolder.empty()) return;
    FileList list;
    ListingStop stop;
    if (ListFiles(ctx.m.fs, ctx.fe, folder, list, nullptr, &stop)) {
      record.programFolder = folder;
      record.programFolderList = list.text;
    }
  }

  // The monitor's interval for the program's drive, the free space of every fixed drive.
  void WatchDrives() {
    r.intervalMs = MonitorInterval(DriveTypeOfPath(ctx.env, folder));
    r.run.intervalMs = r.intervalMs;
    for (int i = 0; i < 26; ++i) {
      if (ctx.env.DriveTypes[i] != DriveType::Fixed) continue;
      std::optional<DiskSpace> space = ctx.m.fs.SpaceOf(std::wstring{static_cast<wchar_t>(L'A' + i), L':', L'\\'}, true);
      if (!space) continue;
      r.run.drives[i].watched = true;
      r.run.drives[i].startFree = r.run.drives[i].lastFree = space->freeBytes;
    }
  }

  void ExtractInstaller() {
    ExtractOutcome unpacked = ExtractToTemporary(ctx, path);
    if (!unpacked.folder.empty()) record.temporaryFolders.push_back(unpacked.folder);
    if (unpacked.result != ExtractResult::Extracted) return;
    ctx.fe.AppendConsole(L"　　■解凍終了■");
    for (const wchar_t* line : {L"●自動インストールが開始されたら、", L"　インストールが終了してから、中止ボタン",
                                L"　を押して下さい。", L"●インストーラーが起動されない場合は、",
                                L"　中止ボタンを押して、解凍されたファイル", L"　を手動で起動してください"}) {
      ctx.fe.AppendConsole(line);
    }
  }

  LaunchResult Start(bool directSaver) {
    bool started = true;
    switch (plan.start) {
      case StartForm::FontViewer:
        // The font viewer, started itself with the path as one argument: no
        // command interpreter ever reads the name.
        started = ctx.m.desktop.StartProgram(L"FontView.exe " + Quoted(path), folder, ShowMode::Normal);
        r.run.fontRun = true;
        r.run.fontFile = path;
        break;
      case StartForm::ScreenSaver:
        started = directSaver ? ctx.m.desktop.StartProgram(Quoted(path) + L" /s", folder, ShowMode::Normal)
                              : ctx.m.desktop.StartProgram(L"Control.exe desk.cpl", folder, ShowMode::Normal);
        break;
      case StartForm::Shell:
        if (!OpenWithShell()) {
          ctx.fe.Ask(kBadExecutableMessage, mb::kOk | mb::kIconError, L"");
          r.outcome = LaunchOutcome::Failed;
          return r;
        }
        break;
    }
    if (!started) {
      ctx.fe.Ask(L"プログラムを起動できません||場所＝Exec Target", mb::kOk | mb::kIconError, L"");
      r.outcome = LaunchOutcome::Failed;
      return r;
    }
    r.outcome = LaunchOutcome::Started;
    r.run.programName = name;
    r.run.running = true;
    r.run.attention = r.run.fontRun;
    return r;
  }
};

}  // namespace

LaunchResult LaunchProgram(const Services& ctx, RunRecord& record, int& warningsShown, const LaunchRequest& request) {
  const std::wstring name = LastComponent(request.path);
  const std::wstring ext = LaunchExtension(name);
  std::optional<ExeKind> kind;
  if (ext == L"EXE") kind = ReadExecutableKind(ctx.m.fs, request.path);
  const LaunchState state{!record.temporaryFolders.empty() || record.batchAllowed,
                          ctx.options.UseWarning && warningsShown == 0};
  const LaunchPlan plan = PlanLaunch(ext, kind, request, state);

  Launch step{ctx, record, warningsShown, plan, request.path, name, ParentFolder(request.path), {}};
  switch (plan.route) {
    case LaunchRoute::Nothing:
      return step.r;
    case LaunchRoute::Picture:
      step.r.outcome = LaunchOutcome::Picture;
      return step.r;
    case LaunchRoute::HandOver:
      return step.HandOver(ext);
    case LaunchRoute::Start:
      break;
  }
  if (!step.PassGate()) return step.Cancelled();
  step.r.run.installer = plan.installer;
  step.r.run.extendedWait = plan.extendedWait;
  step.Record();
  LibraryCopy copy{ctx, record.attached, record.librarySaves};
  const bool directSaver = plan.askScreenSaver && step.AskScreenSaver(copy);
  if (plan.warn) step.Warn();
  step.Announce(copy);
  step.NoteIniTimes();
  step.ListProgramFolder();
  step.WatchDrives();
  if (plan.extractFirst) step.ExtractInstaller();
  return step.Start(directSaver);
}

}  // namespace zel
