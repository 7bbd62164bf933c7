#include "registry/registry_wash.h"

#include <optional>
#include <unordered_set>

#include "base/path.h"
#include "base/text.h"
#include "registry/restart_batch.h"

namespace zel {

const wchar_t kRegWashTitle[] = L"レジストリの復元指定";
const wchar_t kRegWashIgnore[] = L"無視する (&N)";
const wchar_t kRegWashRepair[] = L"洗浄する (&D)";
const wchar_t kRegWashRepairNote[] = L"確認リストに表示されたレジストリのみを、今すぐ修復します";
const wchar_t kRegWashRestore[] = L"復元する (&Y)";
const wchar_t kRegWashRestoreNote[] = L"Windowsを再起動したときに、復元されます。";
const wchar_t kWarnFormText[] =
    L"システム･レジストリは、 Windows の動作中は 勝手に変更できないため、次回の Windows 起動時に 元に戻るように "
    L"設定されました。";
const wchar_t kRestoreAtNextStartNotice[] = L"レジストリは、次回の Windows起動時に復元されます";

namespace {

const wchar_t kLocalMachine[] = L"HKEY_LOCAL_MACHINE\\";

bool IsFile(FileSystem& fs, const std::wstring& path) {
  if (path.empty()) return false;
  std::optional<FileEntry> e = fs.Stat(path);
  return e && !e->IsFolder();
}

bool Is9xWithHiveCopies(WinKind kind) { return kind == WinKind::Win95 || kind == WinKind::Win98; }

std::wstring RestoreProgram(const Environment& env) { return env.WinDir + L"\\RESTORE\\RSTRUI.EXE"; }

bool SystemRestoreUsable(FileSystem& fs, const Environment& env, const RunningOptions& options) {
  return env.WinKind == WinKind::WinMe && options.ForceMe < 0 && IsFile(fs, RestoreProgram(env));
}

// The part of a deletable key's path below HKEY_LOCAL_MACHINE, or empty.
std::wstring BelowUninstallKey(std::wstring_view key) {
  const std::wstring prefix = std::wstring(kUninstallKey) + L"\\";
  if (key.size() <= prefix.size() || !StartsWithNoCase(key, prefix)) return std::wstring();
  std::wstring_view rest = key.substr(prefix.size());
  if (rest.front() == L'\\' || rest.back() == L'\\' || rest.find(L"\\\\") != std::wstring_view::npos) {
    return std::wstring();
  }
  return std::wstring(key.substr(std::wstring_view(kLocalMachine).size()));
}

}  // namespace

std::wstring MeRegistryMessage() {
  return L"レジストリが書き換えられました！||レジストリを元に戻すためには、『システムの復元』を使います。|"
         L"このまま他のソフトをテストしても構いませんが、テストが終わったら、必ず 復元を行なってください|"
         L"　（洗浄ボタンだけではレジストリは元に戻りません）||"
         L"※このテスターを終了すると、自動的に『システムの復元』が起動されますので、|"
         L"　　最新の復元ポイントを選択して、復元して下さい||";
}

std::vector<std::wstring> DeletableKeys(const RegExportDiff& diff) {
  std::unordered_set<std::wstring> added;
  for (const RegKey& k : diff.added) added.insert(ToUpper(k.path));
  std::vector<std::wstring> keys;
  for (const RegKey& k : diff.added) {
    if (BelowUninstallKey(k.path).empty()) continue;
    // An added parent below the uninstall key takes this key with it.
    bool underAdded = false;
    std::wstring parent = ParentFolder(k.path);
    while (!underAdded && !BelowUninstallKey(parent).empty()) {
      underAdded = added.count(ToUpper(parent)) != 0;
      parent = ParentFolder(parent);
    }
    if (!underAdded) keys.push_back(k.path);
  }
  return keys;
}

int DeleteAddedKeys(Machine& m, FrontEnd& fe, const RegExportDiff& diff) {
  int deleted = 0;
  for (const std::wstring& key : DeletableKeys(diff)) {
    // The export came from the registry editor of the 64-bit view; a key no
    // longer there was removed by something else, not by this wash.
    switch (m.reg.DeleteKey(RegRoot::LocalMachine, RegView::Bits64, BelowUninstallKey(key))) {
      case RegError::None:
        fe.AppendConsole(L"●レジストリ『" + key + L"』を削除しました");
        ++deleted;
        break;
      case RegError::NotFound:
        fe.AppendConsole(L"●レジストリ『" + key + L"』は見つかりません");
        break;
      default:
        fe.AppendConsole(L"●レジストリ『" + key + L"』は削除できません");
        break;
    }
  }
  return deleted;
}

RegWashOffer RegistryWashOffer(FileSystem& fs, const Environment& env, const RunningOptions& options,
                               const HivePaths& hives, const RegExportDiff* diff) {
  RegWashOffer offer;
  offer.repair = diff && !DeletableKeys(*diff).empty();
  if (Is9xWithHiveCopies(env.WinKind)) {
    offer.restore = IsFile(fs, hives.user) && IsFile(fs, hives.system) && IsFile(fs, hives.userCopy) &&
                    IsFile(fs, hives.systemCopy);
  } else {
    offer.restore = SystemRestoreUsable(fs, env, options);
  }
  return offer;
}

RegistryStepPlan PlanRegistryStep(FileSystem& fs, const Environment& env, const RunningOptions& options,
                                  const HivePaths& hives, bool registryChanged, const RegExportDiff* diff) {
  RegistryStepPlan plan;
  if (!env.NtFamily() && RegistryRestorePending(fs, env)) {
    plan.kind = RegistryStepKind::Notice;
    if (env.WinKind == WinKind::WinMe) {
      plan.notice = MeRegistryMessage();
      plan.noticeStyle = mb::kOk | mb::kIconExclamation;
    } else {
      plan.notice = kRestoreAtNextStartNotice;
      plan.noticeStyle = mb::kOk | mb::kIconInformation;
    }
    return plan;
  }
  plan.offer = RegistryWashOffer(fs, env, options, hives, diff);
  if (registryChanged && (plan.offer.repair || plan.offer.restore)) plan.kind = RegistryStepKind::Choose;
  return plan;
}

RestoreSetUpResult SetUpRegistryRestore(Machine& m, FrontEnd& fe, const Environment& env, const RunningOptions& options,
                                        const HivePaths& hives) {
  RestoreSetUpResult result;
  const wchar_t* const kNotSetUp = L"●レジストリの復元を設定できませんでした";
  if (env.WinKind == WinKind::WinMe) {
    if (!SystemRestoreUsable(m.fs, env, options)) return result;
    if (m.fs.WriteBytes(env.RegClearPath, "") != FsError::None) {
      fe.AppendConsole(kNotSetUp);
      result.outcome = RestoreSetUp::Failed;
      return result;
    }
    result.outcome = RestoreSetUp::Done;
    result.message = MeRegistryMessage();
    return result;
  }
  if (!Is9xWithHiveCopies(env.WinKind)) return result;

  RestartBatchPlan plan;
  plan.hives = {{hives.system, hives.systemCopy}, {hives.user, hives.userCopy}};
  RestartBatch batch = BuildRestartBatch(m.fs, env, plan);
  if (!batch.refused.empty()) {
    // One hive without the other would leave a registry that never existed.
    for (const BatchRefusal& r : batch.refused) fe.AppendConsole(RefusalLine(r));
    fe.AppendConsole(kNotSetUp);
    return result;
  }
  if (!InstallRestartBatch(m, env, batch.lines)) {
    fe.AppendConsole(kNotSetUp);
    result.outcome = RestoreSetUp::Failed;
    return result;
  }
  result.outcome = RestoreSetUp::Done;
  result.message = kWarnFormText;
  return result;
}

std::wstring SystemRestoreCommand(const Environment& env) { return L"\"" + RestoreProgram(env) + L"\" /RESTORE"; }

bool SystemRestoreDue(FileSystem& fs, const Environment& env) {
  return env.WinKind == WinKind::WinMe && IsFile(fs, env.RegClearPath);
}

bool StartSystemRestoreAtEnd(Machine& m, const Environment& env) {
  if (!SystemRestoreDue(m.fs, env)) return false;
  if (!m.desktop.StartProgram(SystemRestoreCommand(env), env.WinDir, ShowMode::Normal)) return false;
  IgnoreError(m.fs.RemoveFile(env.RegClearPath));
  return true;
}

}  // namespace zel
