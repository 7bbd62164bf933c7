#include "snapshot/main_folders.h"

#include "base/path.h"
#include "base/text.h"
#include "startup/file_helpers.h"
#include "startup/known_folders.h"

namespace zel {

bool MainFolderList::AddMainFolder(FileSystem& fs, const Environment& env, std::wstring_view path, wchar_t kind) {
  if (path.empty() || entries_.size() >= kMaxEntries) return false;
  std::wstring upper = ToUpper(path);
  if (index_.count(upper)) return false;
  // The program's own folders hold its snapshot and copies: never monitored.
  if (env.IsInsideWorkDir(path) || IsSameOrBelow(path, env.ProgramDir)) return false;
  if (!FolderExists(fs, path)) return false;
  entries_.push_back(std::wstring(1, kind) + std::wstring(path));
  membership_ += upper + L"|";
  index_.insert(std::move(upper));
  return true;
}

bool MainFolderList::Contains(std::wstring_view path) const { return index_.count(ToUpper(path)) != 0; }

MainFolderList BuildMainFolderList(FileSystem& fs, const Environment& env, int checkLevel) {
  MainFolderList list;
  if (IsPresentDay(env)) {
    // The folders come from the platform, never from fixed names; what the
    // platform does not name, or what does not exist, is left out.
    for (const MonitoredKnownFolder& k : MonitoredKnownFolders()) {
      const std::wstring& path = env.Known(k.folder);
      if (!env.IsSelfChanging(path)) list.AddMainFolder(fs, env, path, k.kind);
    }
    return list;
  }
  auto win = [&](const wchar_t* name, wchar_t kind) { list.AddMainFolder(fs, env, env.WinDir + name, kind); };
  auto add = [&](const std::wstring& path, wchar_t kind) { list.AddMainFolder(fs, env, path, kind); };

  // The user's shell folders, between the Windows subfolders of each level.
  auto shellFolders = [&] {
    win(L"\\SendTo", L'1');
    add(env.StartMenuDir, L'1');
    add(env.ProgramsDir, L'1');
    add(env.StartMenuDir + L"\\ﾌﾟﾛｸﾞﾗﾑ\\ｱｸｾｻﾘ", L'1');
    add(env.StartupDir, L'1');
    add(env.DesktopDir, L'1');
  };

  win(L"\\Temp", L'0');
  add(env.ProgramFilesDir, L'0');
  if (checkLevel >= 1) {
    win(L"\\Fonts", L'2');
    shellFolders();
  } else {
    for (const wchar_t* name : {L"\\Command", L"\\Config", L"\\Cursors"}) win(name, L'0');
    win(L"\\Fonts", L'2');
    for (const wchar_t* name : {L"\\Inf", L"\\Help", L"\\Media", L"\\Pif"}) win(name, L'0');
    shellFolders();
    for (const wchar_t* name :
         {L"\\Application Data", L"\\Applog", L"\\Catroot", L"\\Cookies", L"\\Downloaded Program Files", L"\\Drwatson",
          L"\\Favorites", L"\\Forms", L"\\Java", L"\\Media", L"\\NetHood", L"\\ShellNew", L"\\Sysbckup", L"\\Vcm",
          L"\\Web", L"\\タスク"}) {
      win(name, L'0');
    }
  }
  add(env.PersonalDir, L'0');
  if (checkLevel == 0 && env.WinKind == WinKind::WinMe) {
    for (const wchar_t* name : {L"\\Command\\EBD", L"\\INF\\CATALOG", L"\\INF\\OTHER", L"\\Installer"}) win(name, L'0');
  }

  if (env.NtFamily() && !env.ProfileDir.empty()) {
    static const wchar_t* const kProfile[] = {
        L"\\スタート メニュー", L"\\スタート メニュー\\プログラム", L"\\スタート メニュー\\プログラム\\アクセサリ",
        L"\\スタート メニュー\\プログラム\\ゲーム", L"\\スタート メニュー\\プログラム\\スタートアップ", L"\\デスクトップ",
        L"\\Favorites", L"\\Templates", L"\\Application Data", L"\\Local Settings", L"\\Local Settings\\Temp",
        L"\\Local Settings\\Application Data", L"\\NetHood", L"\\PrintHood", L"\\SendTo"};
    for (const wchar_t* name : kProfile) add(env.ProfileDir + name, L'1');
    static const wchar_t* const kAllUsers[] = {
        L"\\スタート メニュー", L"\\スタート メニュー\\プログラム", L"\\スタート メニュー\\プログラム\\アクセサリ",
        L"\\スタート メニュー\\プログラム\\ゲーム", L"\\スタート メニュー\\プログラム\\スタートアップ", L"\\デスクトップ",
        L"\\Documents", L"\\Documents\\My Music", L"\\Documents\\My Pictures", L"\\Favorites", L"\\Templates",
        L"\\Application Data"};
    std::wstring allUsers = ParentFolder(env.ProfileDir) + L"\\All Users";
    for (const wchar_t* name : kAllUsers) add(allUsers + name, L'1');
  }
  return list;
}

}  // namespace zel
