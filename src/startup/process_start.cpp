#include "base/path.h"
#include "base/text.h"
#include "startup/file_helpers.h"
#include "startup/startup.h"

namespace zel {

const wchar_t kCannotUseHere[] = L"申し訳ありませんが、このパソコンでは、|ゼルカは、ご利用になれません";

namespace {

const wchar_t kVersionKey9x[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
const wchar_t kVersionKeyNt[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion";

void DecideKind(Machine& m, Environment& env) {
  env.WinDir = m.sys.EnvVar(L"WINDIR");
  while (env.WinDir.size() > 3 && env.WinDir.back() == L'\\') env.WinDir.pop_back();
  std::wstring v9x = m.reg.ReadText(RegRoot::LocalMachine, kVersionKey9x, L"VersionNumber");
  std::wstring vNt;
  std::wstring major;
  if (Trim(v9x).empty()) {
    vNt = m.reg.ReadText(RegRoot::LocalMachine, kVersionKeyNt, L"CurrentVersion");
    major = m.reg.ReadText(RegRoot::LocalMachine, kVersionKeyNt, L"CurrentMajorVersionNumber");
  }
  env.WinKind = DecideWinKind(v9x, vNt, &env.VersionText, major);
  env.KindDecided = !env.VersionText.empty();
  if (env.WinKind == WinKind::PresentDay) {
    // NT's version text stays at "6.3" from 8.1 on: the numbers tell the real one.
    env.VersionText = PresentDayVersionText(
        vNt, major, m.reg.ReadText(RegRoot::LocalMachine, kVersionKeyNt, L"CurrentMinorVersionNumber"),
        m.reg.ReadText(RegRoot::LocalMachine, kVersionKeyNt, L"CurrentBuildNumber"));
  }
  if (Fat32Forced(env.WinKind)) {  // the other kinds read both from the settings once their file is known
    env.MsgBoxStyle = mb::kSystemModal;
    env.CanUseFAT32 = true;
  }
  env.SysDir = env.WinDir + (env.NtFamily() ? L"\\System32" : L"\\System");
}

int Refuse(FrontEnd& fe, const Environment& env, std::wstring_view text) {
  return fe.AskPlatform(text, static_cast<int>(env.MsgBoxStyle) | mb::kIconExclamation, L"");
}

}  // namespace

Outcome RunProcessStart(Machine& m, FrontEnd& fe, Environment& env, Settings& settings) {
  // The executable must not lie in a drive root.
  env.ProgramDir = ParentFolder(m.sys.ExecutablePath());
  if (!env.ProgramDir.empty() && env.ProgramDir.back() == L'\\') env.ProgramDir.pop_back();
  if (env.ProgramDir.size() < 4) {
    fe.Beep();
    return Outcome::End;
  }

  DecideKind(m, env);

  env.WorkDir = env.ProgramDir + WorkFolderSuffix(env.WinKind);
  if (!FolderExists(m.fs, env.WorkDir)) {
    IgnoreError(m.fs.MakeFolder(env.WorkDir));
    if (!FolderExists(m.fs, env.WorkDir)) {
      Refuse(fe, env, env.WorkDir + L"||フォルダーを作成できません");
      return Outcome::End;
    }
    CopyFileChecked(m, fe, env.ProgramDir + L"\\Zel32.INI", env.WorkDir + L"\\Zel32.INI");
  }

  env.BackupDir = env.WorkDir + L"\\Backup";
  env.IniPath = env.WorkDir + L"\\Zel32.INI";
  settings.SetPath(env.IniPath);
  env.IniExisted = FileExists(m.fs, env.IniPath);
  if (env.WinKind == WinKind::Win95 || env.WinKind == WinKind::WinNT) {
    env.MsgBoxStyle = settings.GetOptionNum(L"isMsgModal", -1) != 0 ? mb::kSystemModal : 0;
    env.CanUseFAT32 = settings.GetOptionNum(L"CanUseFAT32", 0) != 0;
  }

  // Both kinds can be read: through the archive library when it is in the
  // system folder and loads, else through the program's own reader.
  env.HasUnlha = true;
  env.HasUnzip = true;

  std::optional<DiskSpace> space = DriveSpace(m.fs, env.ProgramDir, env.CanUseFAT32);
  std::uint64_t freeBytes = space ? space->freeBytes : 0;
  if (EqualsNoCase(env.ProgramDir, env.WinDir) || freeBytes < 2000000) {
    Refuse(fe, env,
           L"空き容量が 2Ｍバイト以上あるハード・ディスクに新規フォルダーを作成し、"
           L"そこにこのソフトを解凍し直して下さい");
    return Outcome::End;
  }

  // Support files of the MS-DOS-mode extraction.
  const std::wstring pifFolder = env.WinDir + L"\\PIF";
  const std::wstring lhaPif = pifFolder + L"\\LHA.PIF";
  if (!FileExists(m.fs, lhaPif)) {
    if (!FolderExists(m.fs, pifFolder)) IgnoreError(m.fs.MakeFolder(pifFolder));
    CopyFileChecked(m, fe, env.ProgramDir + L"\\ZEL32.PIF", lhaPif);
    if (!FileExists(m.fs, lhaPif)) return Outcome::End;
    IgnoreError(m.fs.SetAttributes(lhaPif, attr::kReadOnly | attr::kHidden | attr::kSystem));
  }
  const std::wstring zelBat = pifFolder + L"\\ZEL32.BAT";
  if (!FileExists(m.fs, zelBat)) IgnoreError(m.fs.WriteBytes(zelBat, "CD \\\r\n"));

  bool currentSet = false;
  for (int i = 0; i < 26; ++i) {
    std::wstring root{static_cast<wchar_t>(L'A' + i), L':', L'\\'};
    env.DriveTypes[i] = m.fs.DriveTypeOf(root);
    if (!currentSet && env.DriveTypes[i] == DriveType::Fixed) currentSet = m.fs.SetCurrentFolder(root);
  }
  return Outcome::Continue;
}

}  // namespace zel
