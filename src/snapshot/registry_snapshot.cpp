#include "snapshot/registry_snapshot.h"

#include <functional>
#include <optional>
#include <vector>

#include "base/path.h"
#include "snapshot/prepare.h"
#include "startup/file_helpers.h"
#include "startup/restart_marks.h"

namespace zel {

const wchar_t kUninstallKey[] = L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

constexpr std::uint64_t kFirstQuestionMs = 10000;
constexpr std::uint64_t kFurtherQuestionMs = 30000;
constexpr int kSlicesPerSecond = 10;

std::optional<FileEntry> FileAt(FileSystem& fs, const std::wstring& path) {
  std::optional<FileEntry> e = fs.Stat(path);
  if (e && e->IsFolder()) return std::nullopt;
  return e;
}

// Copies over an earlier copy. Hives and some INI files are read-only,
// hidden or system files, and the copy takes their attributes: the platform
// refuses to overwrite such a file, so the next snapshot would silently keep
// the old copy.
void CopyReplacing(Machine& m, FrontEnd& fe, const std::wstring& from, const std::wstring& to) {
  if (std::optional<FileEntry> old = FileAt(m.fs, to)) {
    if (old->attributes & (attr::kReadOnly | attr::kHidden | attr::kSystem)) IgnoreError(m.fs.SetAttributes(to, 0));
  }
  CopyFileChecked(m, fe, from, to);
}

enum class Waited { Done, Abandoned };

// Polls done() once a second, letting the window process events in between;
// asks after firstAskMs and then after every 30 seconds whether to go on.
// The time the question stands open does not count.
Waited WaitWithQuestions(Machine& m, FrontEnd& fe, const std::function<bool()>& done, std::uint64_t firstAskMs) {
  std::uint64_t askAfter = firstAskMs;
  std::uint64_t since = m.sys.TickMs();
  for (;;) {
    if (done()) return Waited::Done;
    if (m.sys.TickMs() - since >= askAfter) {
      if (fe.Ask(SlowExportQuestion(), mb::kYesNo | mb::kIconQuestion, L"") != mb::kResultYes) return Waited::Abandoned;
      askAfter = kFurtherQuestionMs;
      since = m.sys.TickMs();
    }
    for (int i = 0; i < kSlicesPerSecond; ++i) {
      fe.Busy();
      m.sys.SleepMs(1000 / kSlicesPerSecond);
    }
  }
}

}  // namespace

std::wstring WatchedIniNames(WinKind kind) {
  std::wstring names =
      L"/WIN.INI/SYSTEM.INI/CONTROL.INI/DOSAPP.INI/EXCHG32.INI/IOS.INI/NETDET.INI/PROGMAN.INI/PROTOCOL.INI/QTW.INI/"
      L"TELEPHON.INI/WIFEMAN.INI/WININIT.INI/";
  if (kind == WinKind::WinMe) names += L"DELETEFI.INI/";
  return names;
}

void SaveIniFiles(Machine& m, FrontEnd& fe, const Environment& env) {
  const std::wstring names = WatchedIniNames(env.WinKind);
  size_t start = 1;
  while (start < names.size()) {
    size_t end = names.find(L'/', start);
    const std::wstring name = names.substr(start, end - start);
    start = end + 1;
    const std::wstring live = JoinPath(env.WinDir, name);
    if (FileAt(m.fs, live)) CopyReplacing(m, fe, live, JoinPath(env.BackupDir, name));
  }
}

void SaveGroups(Machine& m, FrontEnd& fe, const Environment& env) {
  std::vector<std::wstring> groups;
  IgnoreError(m.fs.Enumerate(JoinPath(env.WinDir, L"*.GRP"), [&](const FileEntry& e) {
    // The pattern also matches a longer extension through its short name.
    if (!e.IsFolder() && UpperExtension(e.name) == L"GRP") groups.push_back(e.name);
  }));
  for (const std::wstring& name : groups) {
    CopyReplacing(m, fe, JoinPath(env.WinDir, name), JoinPath(env.BackupDir, name));
  }
}


void SaveHives(Machine& m, FrontEnd& fe, const Environment& env, const HivePaths& hives, Snapshot& snap) {
  const std::optional<FileEntry> user = FileAt(m.fs, hives.user);
  const std::optional<FileEntry> system = FileAt(m.fs, hives.system);
  snap.userHiveTime = user ? user->lastWrite : 0;
  snap.systemHiveTime = system ? system->lastWrite : 0;
  if (env.NtFamily() || RegistryRestorePending(m.fs, env)) return;
  auto keep = [&](const std::optional<FileEntry>& live, const std::wstring& from, const std::wstring& to) {
    if (!live) return;
    std::optional<FileEntry> copy = FileAt(m.fs, to);
    if (copy && copy->lastWrite == live->lastWrite && copy->size == live->size) return;  // the same file
    CopyReplacing(m, fe, from, to);
  };
  keep(user, hives.user, hives.userCopy);
  keep(system, hives.system, hives.systemCopy);
}

std::wstring SlowExportQuestion() {
  return L"レジストリのテキスト書き出しに時間がかかっています。|あと３０秒　待ちますか？||"
         L"※ ここでのレジストリ書き出しは、確認リストにだけ使用されるものですので、|"
         L"　 「いいえ」を押して中断しても、洗浄機能には全く影響ありません";
}

std::wstring RegistryExportCommand(const Environment& env, const std::wstring& file, const std::wstring& key) {
  // The full path of the editor whose presence was checked, so that no other
  // "RegEdit.exe" (beside this program, in the current folder) is started;
  // every part quoted, so that folders with blanks stay one argument.
  return L"\"" + JoinPath(env.WinDir, L"RegEdit.exe") + L"\" /e \"" + file + L"\" \"" + key + L"\"";
}

bool ExportRegistryKey(const Services& sv, const std::wstring& file, const std::wstring& key) {
  if (FileAt(sv.m.fs, file)) KillFile(sv.m, file);
  if (!sv.m.desktop.StartProgram(RegistryExportCommand(sv.env, file, key), sv.env.WorkDir, ShowMode::Minimized)) {
    sv.fe.Ask(L"レジストリ･エディタを起動できません", mb::kOk | mb::kIconExclamation, L"");
    return false;
  }
  auto appeared = [&] { return FileAt(sv.m.fs, file).has_value(); };
  auto filled = [&] {
    std::optional<FileEntry> e = FileAt(sv.m.fs, file);
    return e && e->size > 0;
  };
  if (WaitWithQuestions(sv.m, sv.fe, appeared, kFirstQuestionMs) == Waited::Done &&
      WaitWithQuestions(sv.m, sv.fe, filled, kFurtherQuestionMs) == Waited::Done) {
    return true;
  }
  sv.fe.Ask(L"レジストリ・スキャンの設定をオフにしました", mb::kOk | mb::kIconInformation, L"");
  sv.settings.SetOptionNum(L"RegScanInst", 0);
  sv.options.RegScanInst = false;
  // A partial export would later be compared as if it were whole.
  KillFile(sv.m, file);
  return false;
}

}  // namespace zel
