#include "testrun/launch.h"

#include "base/path.h"
#include "base/text.h"
#include "extract/extract.h"
#include "report/report_log.h"
#include "snapshot/listing.h"
#include "startup/file_helpers.h"
#include "testrun/console_text.h"
#include "testrun/exe_kind.h"
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

bool OneOf(const std::wstring& ext, std::initializer_list<const wchar_t*> list) {
  for (const wchar_t* e : list) {
    if (ext == e) return true;
  }
  return false;
}

std::wstring Quoted(std::wstring_view path) { return L"\"" + std::wstring(path) + L"\""; }

LaunchResult Cancel(const Services& ctx, bool exe) {
  LaunchResult r;
  r.outcome = LaunchOutcome::Cancelled;
  if (exe) {
    ctx.fe.SetStatus(L"ファイルを選択して下さい");
    r.selectFileStatus = true;
  }
  return r;
}

// Opens a file with its application; true when the shell took it.
bool OpenWithShell(const Services& ctx, const std::wstring& path) {
  return ctx.m.desktop.ShellOpen(path, ParentFolder(path)) > 32;
}

// Other extensions are handed to their application, asked once per extension.
LaunchResult HandOver(const Services& ctx, const std::wstring& path, const std::wstring& name, const std::wstring& ext) {
  LaunchResult r;
  r.outcome = LaunchOutcome::Handed;
  if (ext == L"WAV") {
    ctx.m.desktop.PlaySoundFile(path);
    return r;
  }
  if (OneOf(ext, {L"HTM", L"HTML", L"SHTML", L"MPG", L"AVI", L"MID", L"CDA", L"HLP"})) {
    OpenWithShell(ctx, path);
    return r;
  }
  const std::wstring key = L"Run" + ext;
  if (ctx.settings.GetOptionNum(key, 0) != 0) {
    OpenWithShell(ctx, path);
    return r;
  }
  if (ctx.fe.Ask(L"『 " + name + L" 』 を開きますか？", mb::kYesNo | mb::kIconQuestion | mb::kDefault2, L"") !=
      mb::kResultYes) {
    r.outcome = LaunchOutcome::Cancelled;
    return r;
  }
  if (OpenWithShell(ctx, path)) {
    ctx.settings.SetOptionNum(key, -1);
  } else {
    ctx.fe.Ask(L"『 " + ext + L" 』 という拡張子は、編集するソフトが設定されていません||"
                            L"エクスプローラーのフォルダ・オプションでファイルタイプを設定して下さい",
               mb::kOk | mb::kIconExclamation, L"");
  }
  return r;
}

std::wstring WithoutExtension(const std::wstring& name) {
  size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

// The visible top-level windows before the start: none of them is the program's.
std::vector<std::wstring> WindowsBefore(const Services& ctx) {
  std::vector<std::wstring> titles;
  for (const TopWindow& w : ctx.m.desktop.TopLevelWindows()) {
    if (w.visible) titles.push_back(w.title.size() > 127 ? w.title.substr(0, 127) : w.title);
  }
  return titles;
}

std::uint64_t TimeOf(FileSystem& fs, const std::wstring& path) {
  std::optional<FileEntry> e = fs.Stat(path);
  return e ? e->lastWrite : 0;
}

}  // namespace

LaunchResult LaunchProgram(const Services& ctx, RunRecord& record, int& warningsShown, const LaunchRequest& request) {
  const std::wstring& path = request.path;
  const std::wstring name = LastComponent(path);
  const std::wstring folder = ParentFolder(path);
  const std::wstring ext = LaunchExtension(name);
  if (ext.empty()) return LaunchResult{};

  bool selfExtractingInstaller = false;
  if (ext == L"EXE") {
    std::optional<ExeKind> kind = ReadExecutableKind(ctx.m.fs, path);
    if (!kind) {
      ctx.fe.Ask(L"『" + name + L"』を読み込めません", mb::kOk | mb::kIconExclamation, L"");
      return Cancel(ctx, true);
    }
    switch (*kind) {
      case ExeKind::Dos:
        if (ctx.fe.Ask(DosQuestion(name), mb::kYesNo | mb::kIconExclamation | mb::kDefault2, L"") != mb::kResultYes) {
          return Cancel(ctx, true);
        }
        break;
      case ExeKind::DosSfxLzh:
      case ExeKind::SfxZip:
        ctx.fe.Ask(SelfExtractingRefusal(name), mb::kOk | mb::kIconExclamation, L"");
        return Cancel(ctx, true);
      case ExeKind::WinSfxLzh:
        selfExtractingInstaller = true;
        break;
      default:
        break;
    }
  } else if (!OneOf(ext, {L"SCR", L"FON", L"TTF", L"TTC", L"BAT", L"PIF"})) {
    const bool picture = OneOf(ext, {L"BMP", L"JPG", L"JPEG", L"JEPG", L"GIF"});
    if (picture && request.picturePaneVisible) {
      LaunchResult r;
      r.outcome = LaunchOutcome::Picture;
      return r;
    }
    if (!picture) return HandOver(ctx, path, name, ext);
  }

  // Batch files run only after an extraction made them, or when allowed.
  if ((ext == L"BAT" || ext == L"PIF") && record.temporaryFolders.empty() && !record.batchAllowed) {
    ctx.fe.Beep();
    return Cancel(ctx, false);
  }

  LaunchResult r;
  const std::wstring upperName = ToUpper(name);
  r.run.installer = (ext == L"EXE" || ext == L"SCR") &&
                    (Contains(upperName, L"INSTALL") || Contains(upperName, L"INST") || Contains(upperName, L"SETUP"));
  // Installers show their dialogs first and may hand over to another window.
  r.run.extendedWait = r.run.installer || selfExtractingInstaller;

  // The record first: whatever the start copies from here on is washed, also
  // when the start then fails.
  record.testDone = true;
  record.program = path;
  record.installer = record.installer || r.run.installer;
  {
    const wchar_t letter = path.empty() ? L'C' : UpperChar(path[0]);
    if (letter >= L'A' && letter <= L'Z' && ctx.env.DriveTypes[letter - L'A'] == DriveType::CdRom) record.fromCdRom = true;
  }
  record.dateStamp = DateText(ctx.m.sys.Now());
  if (record.librarySaves.empty()) record.librarySaves = LibrarySaveFolder(ctx.env);

  LibraryCopy copy{ctx, record.attached, record.librarySaves};
  bool directSaver = false;
  if (ext == L"SCR") {
    CopyModules(copy, folder, L"SCR");
    directSaver = ctx.fe.Ask(ScreenSaverQuestion(WithoutExtension(name)), mb::kYesNo | mb::kIconQuestion, L"") ==
                  mb::kResultYes;
  }

  if (ctx.options.UseWarning && request.fromTestButton && warningsShown == 0) {
    ctx.fe.Ask(StartWarning(name), mb::kOk | mb::kIconExclamation, L"");
    ++warningsShown;
  }

  ctx.m.fs.SetCurrentFolder(folder);
  ctx.fe.AppendConsole(kStartSeparator);
  ctx.fe.AppendConsole(L"    " + name + L" 実行開始");
  ctx.fe.AppendConsole(kStartSeparator);
  r.run.windowsBefore = WindowsBefore(ctx);
  CopyLibraries(copy, folder);
  r.librariesCopied = copy.copiedAny;

  // The INI files at the start of this run, for the monitor's lamps; the
  // snapshot's own copies stay as they are.
  r.run.winIniPath = ctx.env.WinDir + L"\\win.ini";
  r.run.systemIniPath = ctx.env.WinDir + L"\\system.ini";
  r.run.winIniTime = TimeOf(ctx.m.fs, r.run.winIniPath);
  r.run.systemIniTime = TimeOf(ctx.m.fs, r.run.systemIniPath);
  if (record.programFolder.empty()) {
    FileList list;
    ListingStop stop;
    if (ListFiles(ctx.m.fs, ctx.fe, folder, list, nullptr, &stop)) {
      record.programFolder = folder;
      record.programFolderList = list.text;
    }
  }

  const wchar_t drive = folder.empty() ? L'C' : UpperChar(folder[0]);
  const DriveType driveType = drive >= L'A' && drive <= L'Z' ? ctx.env.DriveTypes[drive - L'A'] : DriveType::Fixed;
  r.intervalMs = MonitorInterval(driveType);
  r.run.intervalMs = r.intervalMs;
  for (int i = 0; i < 26; ++i) {
    if (ctx.env.DriveTypes[i] != DriveType::Fixed) continue;
    std::optional<DiskSpace> space = ctx.m.fs.SpaceOf(std::wstring{static_cast<wchar_t>(L'A' + i), L':', L'\\'}, true);
    if (!space) continue;
    r.run.drives[i].watched = true;
    r.run.drives[i].startFree = r.run.drives[i].lastFree = space->freeBytes;
  }

  if (selfExtractingInstaller) {
    ExtractOutcome unpacked = ExtractToTemporary(ctx, path);
    if (!unpacked.folder.empty()) record.temporaryFolders.push_back(unpacked.folder);
    if (unpacked.result == ExtractResult::Extracted) {
      ctx.fe.AppendConsole(L"　　■解凍終了■");
      for (const wchar_t* line : {L"●自動インストールが開始されたら、", L"　インストールが終了してから、中止ボタン",
                                  L"　を押して下さい。", L"●インストーラーが起動されない場合は、",
                                  L"　中止ボタンを押して、解凍されたファイル", L"　を手動で起動してください"}) {
        ctx.fe.AppendConsole(line);
      }
    }
  }

  bool started;
  if (OneOf(ext, {L"FON", L"TTF", L"TTC"})) {
    // The font viewer, started itself with the path as one argument: no
    // command interpreter ever reads the name.
    started = ctx.m.desktop.StartProgram(L"FontView.exe " + Quoted(path), folder, ShowMode::Normal);
    r.run.fontRun = true;
    r.run.fontFile = path;
  } else if (ext == L"SCR") {
    started = directSaver ? ctx.m.desktop.StartProgram(Quoted(path) + L" /s", folder, ShowMode::Normal)
                          : ctx.m.desktop.StartProgram(L"Control.exe desk.cpl", folder, ShowMode::Normal);
  } else if (ctx.m.desktop.ShellOpen(path, folder) <= 32) {
    ctx.fe.Ask(kBadExecutableMessage, mb::kOk | mb::kIconError, L"");
    r.outcome = LaunchOutcome::Failed;
    return r;
  } else {
    started = true;
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

}  // namespace zel
