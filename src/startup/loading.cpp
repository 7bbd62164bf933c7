#include "base/path.h"
#include "base/text.h"
#include "startup/restart_marks.h"
#include "startup/file_helpers.h"
#include "startup/known_folders.h"
#include "startup/startup.h"

namespace zel {
namespace {

const wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t kCurrentVersion[] = L"Software\\Microsoft\\Windows\\CurrentVersion";

std::wstring ShellFolder(Machine& m, const wchar_t* name) {
  return m.reg.ReadText(RegRoot::CurrentUser, kShellFolders, name);
}

bool FindBootDrive(Machine& m, FrontEnd& fe, Environment& env, Settings& settings) {
  env.BootDrive = settings.GetOption(L"BootDrive", L"");
  if (!env.BootDrive.empty()) return true;
  std::wstring base = m.sys.EnvVar(L"winbootdir");
  if (base.empty()) base = env.WinDir;
  std::wstring root = ToUpper(base.substr(0, 3));
  auto hasBootFiles = [&m](const std::wstring& r) {
    return FileExists(m.fs, r + L"BOOT.*") || FileExists(m.fs, r + L"NTLDR") || FileExists(m.fs, r + L"IO.SYS");
  };
  if (root != L"A:\\" && root != L"C:\\" && !hasBootFiles(root)) {
    if (!hasBootFiles(L"C:\\")) {
      fe.AskPlatform(std::wstring(L"Boot Drive") + kCannotUseHere,
                     static_cast<int>(env.MsgBoxStyle) | mb::kIconExclamation, L"");
      return false;
    }
    root = L"C:\\";
  }
  env.BootDrive = root;
  settings.SetOption(L"BootDrive", env.BootDrive);
  return true;
}

bool ConfirmWindowsMe(Machine& m, FrontEnd& fe, const Environment& env, Settings& settings, RunningOptions& options) {
  if (env.WinKind != WinKind::WinMe) return true;
  std::wstring restore = m.reg.ReadText(RegRoot::LocalMachine, L"System\\CurrentControlSet\\Services\\VxD\\VxDMon",
                                        L"SystemRestore");
  if (EqualsNoCase(Trim(restore), L"Y")) return true;
  options.ForceMe = settings.GetOptionNum(L"ForceMe", -1);
  if (options.ForceMe >= 0) return true;
  int answer = fe.AskPlatform(
      L"Windows-Meでは、レジストリの復元に「システムの復元」を使用します。||"
      L"「システムの復元」が利用できる状態にして下さい||"
      L"レジストリの復元無しで 続行しますか？",
      static_cast<int>(env.MsgBoxStyle) | mb::kYesNo | mb::kIconExclamation | mb::kDefault2, L"");
  if (answer != mb::kResultYes) return false;
  options.ForceMe = 6;
  settings.SetOptionNum(L"ForceMe", 6);
  return true;
}

// Zel.BAT in the boot drive's root is the restart batch of a restore. It is
// deleted only once autoexec.bat no longer calls it, so that a restore whose
// restart has not happened yet is not undone.
void RemoveRestartBatch(Machine& m, const Environment& env) {
  const std::wstring batch = RestartBatchPath(env);
  if (!FileExists(m.fs, batch) || HoldsRestartBlock(m.fs, env.AutoexecBat)) return;
  KillFile(m, batch);
}

void ReadRunningOptions(Machine& m, Environment& env, Settings& settings, RunningOptions& o) {
  o.ZelBackColor4 = settings.GetOptionNum(L"ZelBackColor4", 13680792);
  o.ZelConColType = settings.GetOptionNum(L"ZelConColType", env.Colours > 256 ? 1 : 0);
  o.UseMouseHelp = settings.GetOptionNum(L"UseMouseHelp", -1) != 0;
  o.QueryDirDel = settings.GetOptionNum(L"QueryDirDel", -1) != 0;
  o.ExtractDos = settings.GetOptionNum(L"ExtractDos", 0) != 0;
  o.CheckLevel = settings.GetOptionNum(L"CheckLevel", 1);
  if (o.CheckLevel < 0 || o.CheckLevel > 2) o.CheckLevel = 1;
  o.UseWarning = settings.GetOptionNum(L"UseWarning", -1) != 0;
  env.HasRegEdit = FileExists(m.fs, env.WinDir + L"\\RegEdit.exe");
  o.RegScanInst = env.HasRegEdit && settings.GetOptionNum(L"RegScanInst", 0) != 0;
  o.SaveAllSys = settings.GetOptionNum(L"SaveAllSys", 0) != 0;
  o.Report = settings.GetOptionNum(L"Report", 0) != 0;
  o.RegRecord = IsPresentDay(env) && settings.GetOptionBool(L"RegRecord", true);
  o.Query2000 = settings.GetOptionNum(L"Query2000", 0);
}

void FindProgramFiles(Machine& m, Environment& env) {
  std::wstring dir = m.reg.ReadText(RegRoot::LocalMachine, kCurrentVersion, L"ProgramFilesDir");
  if (!FolderExists(m.fs, dir)) dir = m.reg.ReadText(RegRoot::LocalMachine, kCurrentVersion, L"ProgramFilesPath");
  if (!FolderExists(m.fs, dir)) dir = env.WinDir + L"\\Program Files";
  if (!FolderExists(m.fs, dir)) {
    dir.clear();
    for (int i = 0; i < 26 && dir.empty(); ++i) {
      if (env.DriveTypes[i] != DriveType::Fixed) continue;
      std::wstring candidate = std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\Program Files";
      if (FolderExists(m.fs, candidate)) dir = candidate;
    }
  }
  env.ProgramFilesDir = dir;
}

Outcome AdministratorOnly(FrontEnd& fe) {
  fe.Ask(L"Administrator権限でログオンしないと、|このテスターは利用できません", mb::kOk | mb::kIconExclamation, L"");
  return Outcome::End;
}

// The documents folder of the 9x kinds, confirmed by the user when the
// registry does not name an existing one.
Outcome AskDocumentsFolder(Machine& m, FrontEnd& fe, Environment& env, Settings& settings) {
  std::wstring stored = settings.GetOption(L"MyDocDir", L"");
  if (FolderExists(m.fs, stored)) {
    env.PersonalDir = stored;
  } else {
    std::wstring proposal = env.WinDir.substr(0, 2) + L"\\My Documents";
    int answer = fe.Ask(L"マイドキュメントの場所は、|" + std::wstring(1, markup::kBlue) + proposal +
                            std::wstring(1, markup::kBlack) + L"|で、間違いないですか？",
                        mb::kYesNo | mb::kIconQuestion, L"");
    if (answer == mb::kResultYes) {
      env.PersonalDir = proposal;
    } else {
      for (;;) {
        std::wstring entered = fe.Input(L"マイドキュメントの正しい保存場所を入力して下さい", L"ZEL", L"C:\\My Documents");
        if (FolderExists(m.fs, entered)) {
          env.PersonalDir = entered;
          break;
        }
        int quit = fe.Ask(entered + L"は、|存在しません。||ゼルカを終了していいですか？", mb::kYesNo | mb::kIconQuestion, L"");
        if (quit == mb::kResultYes) return Outcome::End;
      }
    }
  }
  settings.SetOption(L"MyDocDir", env.PersonalDir);
  return Outcome::Continue;
}

}  // namespace

Outcome LoadEnvironment(Machine& m, FrontEnd& fe, Environment& env, Settings& settings, RunningOptions& options) {
  if (!FindBootDrive(m, fe, env, settings)) return Outcome::End;
  if (!ConfirmWindowsMe(m, fe, env, settings, options)) return Outcome::End;

  if (!FolderExists(m.fs, env.BackupDir)) {
    IgnoreError(m.fs.MakeFolder(env.BackupDir));
    env.FirstStart = true;
  }

  env.AutoexecBat = env.BootDrive + L"autoexec.bat";
  env.AutoexecZel = env.BootDrive + L"autoexec.Zel";
  env.RegClearPath = env.WorkDir + L"\\RegClear.dat";
  RemoveRestartBatch(m, env);

  ReadRunningOptions(m, env, settings, options);
  FindProgramFiles(m, env);

  env.DesktopDir = ShellFolder(m, L"Desktop");
  if (env.DesktopDir.empty()) {
    if (env.NtFamily()) return AdministratorOnly(fe);
    if (FolderExists(m.fs, env.WinDir + L"\\デスクトップ")) env.DesktopDir = env.WinDir + L"\\デスクトップ";
    else if (FolderExists(m.fs, env.WinDir + L"\\ﾃﾞｽｸﾄｯﾌﾟ")) env.DesktopDir = env.WinDir + L"\\ﾃﾞｽｸﾄｯﾌﾟ";
  }

  env.DownLoad = settings.GetOption(L"DownLoad", L"");
  env.SystemDirs = {env.WinDir + L"\\System", env.WinDir + L"\\System\\Drivers", env.WinDir + L"\\System\\Iosubsys",
                    env.WinDir + L"\\System32", env.WinDir + L"\\System32\\Drivers"};

  env.StartMenuDir = ShellFolder(m, L"Start Menu");
  if (env.StartMenuDir.empty()) env.StartMenuDir = env.WinDir + L"\\ｽﾀｰﾄ ﾒﾆｭｰ";
  env.ProgramsDir = ShellFolder(m, L"Programs");
  if (env.ProgramsDir.empty()) env.ProgramsDir = env.StartMenuDir + L"\\ﾌﾟﾛｸﾞﾗﾑ";
  env.StartupDir = ShellFolder(m, L"Startup");
  if (env.StartupDir.empty()) env.StartupDir = env.StartMenuDir + L"\\ﾌﾟﾛｸﾞﾗﾑ\\ｽﾀｰﾄｱｯﾌﾟ";

  std::wstring personal = ShellFolder(m, L"Personal");
  if (FolderExists(m.fs, personal)) {
    env.PersonalDir = personal;
  } else if (env.NtFamily()) {
    return AdministratorOnly(fe);
  } else if (AskDocumentsFolder(m, fe, env, settings) == Outcome::End) {
    return Outcome::End;
  }

  if (env.NtFamily()) env.ProfileDir = ParentFolder(env.DesktopDir);
  ReadKnownFolders(m.sys, env);
  return Outcome::Continue;
}

Outcome ConfirmRegistryNotice(FrontEnd& fe, const Environment& env, Settings& settings) {
  if (!env.NtFamily() || settings.GetOptionNum(L"Query2000", 0) == -1) return Outcome::Continue;
  int answer = fe.Ask(L"アンインストーラーの付属していないソフトが書き換えたレジストリを|"
                      L"ゼルカで修復することはできません||続行しますか？",
                      mb::kYesNo | mb::kIconExclamation, L"");
  if (answer != mb::kResultYes) return Outcome::End;
  settings.SetOptionNum(L"Query2000", -1);
  return Outcome::Continue;
}

}  // namespace zel
