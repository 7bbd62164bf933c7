#include "testrun/library_copy.h"

#include "base/format.h"
#include "base/path.h"
#include "base/text.h"
#include "startup/file_helpers.h"

namespace zel {
namespace {

const wchar_t kCompressedTypes[] = L".DLL.DL_.OCX.OCA.OC_.VBX.VB_.";

std::vector<FileEntry> FilesOf(FileSystem& fs, std::wstring_view pattern) {
  std::vector<FileEntry> files;
  IgnoreError(fs.Enumerate(pattern, [&](const FileEntry& e) {
    if (!e.IsFolder() && !e.name.empty() && e.name[0] != L'.') files.push_back(e);
  }));
  return files;
}

// The system's file of that name: in the Windows folder, else in the system folder.
std::optional<FileEntry> Existing(LibraryCopy& copy, const std::wstring& name) {
  if (auto e = copy.sv.m.fs.Stat(JoinPath(copy.sv.env.WinDir, name))) return e;
  if (auto e = copy.sv.m.fs.Stat(JoinPath(copy.sv.env.SysDir, name))) return e;
  return std::nullopt;
}

// True when the name was not attached yet in this test.
bool Attach(LibraryCopy& copy, const std::wstring& name) {
  const std::wstring key = L"/" + ToUpper(name) + L"|";
  if (copy.attached.find(key) != std::wstring::npos) return false;
  copy.attached += key;
  return true;
}

// An existing system library of a name the program brings is kept aside once
// per test, before the program can overwrite it: the first launch that
// attaches the name replaces any copy an earlier test left; a later launch of
// the same test keeps the copy it finds.
void SaveExisting(LibraryCopy& copy, const std::wstring& name, bool firstInTest) {
  for (const std::wstring& folder : {copy.sv.env.WinDir, copy.sv.env.SysDir}) {
    const std::wstring path = JoinPath(folder, name);
    if (!copy.sv.m.fs.Stat(path)) continue;
    const std::wstring saved = JoinPath(copy.saveFolder, name);
    if (copy.sv.m.fs.Stat(saved)) {
      if (!firstInTest) return;
      KillFile(copy.sv.m, saved);
    }
    if (!FolderExists(copy.sv.m.fs, copy.saveFolder)) IgnoreError(copy.sv.m.fs.MakeFolder(copy.saveFolder));
    if (copy.sv.m.fs.CopyOne(path, saved, false) != FsError::None) {
      // The program under test may overwrite it, and then the wash cannot
      // put it back: the user must know before the program starts.
      copy.sv.fe.Ask(L"『" + path + L"』を保存できません|テストするプログラムがこのファイルを上書きすると、洗浄で元に戻せません",
                     mb::kOk | mb::kIconExclamation, L"");
    }
    return;
  }
}

std::wstring DateOf(LibraryCopy& copy, const FileEntry& e) { return FileDateText(copy.sv.m.sys.LocalTimeOf(e.lastWrite)); }

// The copy goes to the system folder, writable and visible, so that the wash
// can delete it.
bool CopyIn(LibraryCopy& copy, const std::wstring& from, const std::wstring& to, bool expand) {
  bool copied = expand ? copy.sv.m.fs.ExpandOne(from, to) == FsError::None : CopyFileChecked(copy.sv.m, copy.sv.fe, from, to);
  if (!copied) return false;
  if (auto e = copy.sv.m.fs.Stat(to)) {
    IgnoreError(copy.sv.m.fs.SetAttributes(to, e->attributes & ~(attr::kReadOnly | attr::kHidden | attr::kSystem)));
  }
  copy.copiedAny = true;
  return true;
}

}  // namespace

bool IsQuietFolder(const Environment& env, std::wstring_view folder) {
  if (EqualsNoCase(folder, env.WinDir) || EqualsNoCase(folder, env.SysDir)) return true;
  for (const std::wstring& dir : env.SystemDirs) {
    if (EqualsNoCase(folder, dir)) return true;
  }
  return false;
}

std::wstring FileDateText(const LocalTime& t) {
  return ZeroPad(t.year, 4) + L"/" + ZeroPad(t.month, 2) + L"/" + ZeroPad(t.day, 2);
}

// One pass over the folder's files of one type: each is attached, copied into the
// system folder when neither the Windows nor the system folder has its name, else
// the system's own is saved for the wash and the clash is said (DLLs in three
// lines, modules in two).
void CopyModules(LibraryCopy& copy, std::wstring_view folder, std::wstring_view type) {
  // A program in the Windows or a system folder brings no libraries: its
  // neighbours are the system's own, neither attached nor saved.
  if (IsQuietFolder(copy.sv.env, folder)) return;
  const bool dll = type == L"DLL";
  const std::wstring label = dll ? L"● 添付のDLL『" : L"● ﾓｼﾞｭｰﾙ『";
  for (const FileEntry& e : FilesOf(copy.sv.m.fs, JoinPath(folder, L"*." + std::wstring(type)))) {
    const bool first = Attach(copy, e.name);
    std::optional<FileEntry> existing = Existing(copy, e.name);
    if (!existing) {
      if (CopyIn(copy, JoinPath(folder, e.name), JoinPath(copy.sv.env.SysDir, e.name), false)) {
        copy.sv.fe.AppendConsole(label + e.name + L"』を、");
        copy.sv.fe.AppendConsole(L"     " + copy.sv.env.SysDir + L"へコピーしました。");
      }
      continue;
    }
    SaveExisting(copy, e.name, first);
    if (dll) {
      copy.sv.fe.AppendConsole(label + e.name + L"』(" + DateOf(copy, e) + L")は、");
      copy.sv.fe.AppendConsole(L"    既に同名ライブラリ(" + DateOf(copy, *existing) + L")が存在する");
      copy.sv.fe.AppendConsole(L"    ため、コピーしません。");
    } else {
      copy.sv.fe.AppendConsole(label + e.name + L"』(" + DateOf(copy, e) + L")は、既に");
      copy.sv.fe.AppendConsole(L"    存在する(" + DateOf(copy, *existing) + L")ため、コピーしません。");
    }
  }
}

void CopyLibraries(LibraryCopy& copy, std::wstring_view folder) {
  CopyModules(copy, folder, L"DLL");
  CopyModules(copy, folder, L"OCX");
  CopyModules(copy, folder, L"VBX");
  CopyCompressed(copy, folder);
}

void CopyCompressed(LibraryCopy& copy, std::wstring_view folder) {
  if (IsQuietFolder(copy.sv.env, folder) || folder.size() >= 300) return;
  for (const FileEntry& e : FilesOf(copy.sv.m.fs, JoinPath(folder, L"*.*"))) {
    size_t dot = e.name.find(L'.', 1);
    if (dot == std::wstring::npos) continue;
    const std::wstring ext = ToUpper(std::wstring_view(e.name).substr(dot + 1));
    if (ext.empty() || std::wstring(kCompressedTypes).find(L"." + ext + L".") == std::wstring::npos) continue;
    // Whole DLL, OCX and VBX names were taken by the passes above; a
    // control's type cache (".OCA") goes beside its control under its own name.
    const bool whole = ext.back() != L'_';
    if (whole && ext != L"OCA") continue;
    // "X.DL_" stands for "X.DLL", "X.OC_" for "X.OCX", "X.VB_" for "X.VBX".
    std::wstring expanded = e.name;
    const bool library = ext == L"DL_";
    const bool lower = expanded.size() > 1 && expanded[expanded.size() - 2] >= L'a' && expanded[expanded.size() - 2] <= L'z';
    if (!whole) expanded.back() = library ? (lower ? L'l' : L'L') : (lower ? L'x' : L'X');
    const bool first = Attach(copy, expanded);
    if (Existing(copy, expanded)) {
      SaveExisting(copy, expanded, first);
      continue;
    }
    if (CopyIn(copy, JoinPath(folder, e.name), JoinPath(copy.sv.env.SysDir, expanded), true)) {
      copy.sv.fe.AppendConsole((library ? L"● 添付のDLL『" : L"● ﾓｼﾞｭｰﾙ『") + expanded + L"』を、");
      copy.sv.fe.AppendConsole(L"     " + copy.sv.env.SysDir + L"へコピーしました。");
    }
  }
}

}  // namespace zel
