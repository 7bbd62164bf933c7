#include "extract/extract.h"

#include "base/cp932.h"
#include "base/format.h"
#include "base/path.h"
#include "base/text.h"
#include "extract/builtin.h"
#include "extract/dos_job.h"
#include "startup/file_helpers.h"

namespace zel {

const wchar_t* LibraryName(ArchiveType type) { return type == ArchiveType::Zip ? L"UNZIP32.DLL" : L"UNLHA32.DLL"; }
const char* LibraryEntry(ArchiveType type) { return type == ArchiveType::Zip ? "UnZip" : "Unlha"; }

bool HasLibrary(const Environment& env, ArchiveType type) {
  switch (type) {
    case ArchiveType::Lzh: return env.HasUnlha;
    case ArchiveType::Zip: return env.HasUnzip;
    case ArchiveType::None: break;
  }
  return false;
}

bool LibraryPresent(Machine& m, const Environment& env, ArchiveType type) {
  return type != ArchiveType::None && FileExists(m.fs, JoinPath(env.SysDir, LibraryName(type)));
}

ArchiveType ArchiveTypeOf(std::wstring_view upperExt, std::optional<ExeKind> kind) {
  if (upperExt == L"LZH") return ArchiveType::Lzh;
  if (upperExt == L"ZIP") return ArchiveType::Zip;
  if (upperExt != L"EXE" || !kind) return ArchiveType::None;
  switch (*kind) {
    case ExeKind::DosSfxLzh:
    case ExeKind::WinSfxLzh: return ArchiveType::Lzh;
    case ExeKind::SfxZip: return ArchiveType::Zip;
    default: return ArchiveType::None;
  }
}

namespace {

std::wstring Quoted(std::wstring_view path) { return L"\"" + std::wstring(path) + L"\""; }

std::wstring WithTrailingSlash(std::wstring_view folder) {
  std::wstring out(folder);
  if (out.empty() || out.back() != L'\\') out += L'\\';
  return out;
}

}  // namespace

std::wstring LibraryExtractCommand(ArchiveType type, std::wstring_view archive, std::wstring_view dest) {
  return std::wstring(type == ArchiveType::Zip ? L"x " : L"x -a1 ") + Quoted(archive) + L" " +
         Quoted(WithTrailingSlash(dest)) + L" *";
}

std::wstring LibraryListCommand(std::wstring_view archive) { return L"l " + Quoted(archive); }

std::wstring NotFoundMessage(ArchiveType type) {
  return type == ArchiveType::Zip ? L"解凍プログラム 「 UNZIP32.DLL 」 または 「 PKUNZIP.EXE 」 が見つかりません。"
                                  : L"解凍プログラム 「 UNLHA32.DLL 」 または 「 LHA.EXE 」 が見つかりません。";
}

namespace {

std::wstring DriveRoot(std::wstring_view path) { return std::wstring(path.substr(0, 3)); }

bool IsProgramsOwn(const Environment& env, std::wstring_view path) {
  return (!env.ProgramDir.empty() && IsSameOrBelow(path, env.ProgramDir)) || env.IsInsideWorkDir(path);
}

std::wstring WithoutTrailingSlash(std::wstring_view path) {
  std::wstring out(path);
  while (out.size() > 3 && out.back() == L'\\') out.pop_back();
  return out;
}

}  // namespace

std::wstring MakeTemporaryFolder(Machine& m, const Environment& env) {
  const std::wstring candidates[] = {m.sys.EnvVar(L"TEMP"), m.sys.EnvVar(L"TMP"), env.WinDir + L"\\TEMP"};
  for (const std::wstring& raw : candidates) {
    const std::wstring base = WithoutTrailingSlash(Trim(raw));
    if (!IsDriveLetterPath(base) || base.find_first_of(L"*?") != std::wstring::npos) continue;
    if (IsProgramsOwn(env, base) || !FolderExists(m.fs, base)) continue;
    if (m.fs.DriveTypeOf(DriveRoot(base)) != DriveType::Fixed) continue;
    for (int n = 1; n <= 9999; ++n) {
      std::wstring folder = JoinPath(base, L"ZEL" + ZeroPad(n, 4));
      FsError e = m.fs.MakeFolder(folder);
      if (e == FsError::None) return folder;
      if (e != FsError::AlreadyExists) break;  // this base cannot take a folder: try the next
    }
  }
  return std::wstring();
}

namespace {

constexpr int kNotice = mb::kOk | mb::kIconExclamation;

enum class Route { None, Library, BuiltIn, DosSelf };

struct Source {
  std::wstring path;
  std::wstring name;
  ArchiveType type = ArchiveType::None;
  std::optional<ExeKind> kind;
};

struct Plan {
  Route route = Route::None;
};

void Tell(const Services& x, const std::wstring& text) { x.fe.Ask(text, kNotice, L""); }

// The archive's type; tells the user and returns false when it has none.
bool Identify(const Services& x, std::wstring_view archive, Source& s, ExtractResult* failure) {
  s.path = std::wstring(archive);
  s.name = LastComponent(archive);
  const std::wstring ext = UpperExtension(s.name);
  if (ext == L"EXE") {
    s.kind = ReadExecutableKind(x.m.fs, archive);
    if (!s.kind) {
      Tell(x, L"『" + s.name + L"』を読み込めません");
      *failure = ExtractResult::Failed;
      return false;
    }
  }
  s.type = ArchiveTypeOf(ext, s.kind);
  if (s.type == ArchiveType::None) {
    Tell(x, L"『" + s.name + L"』は、圧縮ファイルではありません");
    *failure = ExtractResult::NotAnArchive;
    return false;
  }
  return true;
}

Plan Choose(const Services& x, const Source& s) {
  const bool dosSfx = s.kind == ExeKind::DosSfxLzh;
  if (dosSfx && x.options.ExtractDos && FileExists(x.m.fs, DosPifPath(x.env))) return {Route::DosSelf};
  if (!HasLibrary(x.env, s.type)) return {};
  return {LibraryPresent(x.m, x.env, s.type) ? Route::Library : Route::BuiltIn};
}

void RefuseCharacters(const Services& x, std::wstring_view path) {
  Tell(x, L"『" + std::wstring(path) + L"』は、|解凍プログラムに渡せない文字を含んでいるため、解凍を中止します");
}

// The library's text as console lines (empty trailing lines dropped).
void AppendOutput(const Services& x, const std::string& output) {
  std::vector<std::wstring> lines = SplitTextLines(FromCp932(output));
  while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();
  for (const std::wstring& line : lines) x.fe.AppendConsole(line);
}

// The library's command line in code page 932; false (told) when a path
// does not encode exactly or holds a quote.
bool EncodeForLibrary(const Services& x, const std::wstring& command, std::initializer_list<std::wstring_view> paths,
                      std::string& bytes) {
  for (std::wstring_view path : paths) {
    std::string unused;
    if (path.find(L'"') != std::wstring_view::npos || !ToCp932Exact(path, unused)) {
      RefuseCharacters(x, path);
      return false;
    }
  }
  return ToCp932Exact(command, bytes);
}

ExtractOutcome RunBuiltIn(const Services& x, const Source& s, const std::wstring& dest) {
  ExtractOutcome out;
  out.result = ExtractResult::Failed;
  if (BuiltInExtract(x, s.type, s.path, dest)) {
    out.result = ExtractResult::Extracted;
    out.folder = dest;
  }
  return out;
}

ExtractOutcome RunLibrary(const Services& x, const Source& s, const std::wstring& dest) {
  ExtractOutcome out;
  std::string command;
  if (!EncodeForLibrary(x, LibraryExtractCommand(s.type, s.path, dest), {s.path, dest}, command)) {
    out.result = ExtractResult::Refused;
    return out;
  }
  x.fe.SetStatus(L"解凍中： " + s.name);
  x.fe.Busy();
  std::string text;
  std::optional<int> code =
      x.libraries.Run(JoinPath(x.env.SysDir, LibraryName(s.type)), LibraryEntry(s.type), command, &text);
  // A library that cannot be loaded (a 32-bit one under the 64-bit build,
  // a damaged file) leaves the work to the program's own reader.
  if (!code) return RunBuiltIn(x, s, dest);
  out.code = *code;
  if (*code != 0) {
    AppendOutput(x, text);
    x.fe.AppendConsole(L"　★解凍できませんでした (エラー " + std::to_wstring(*code) + L")");
    Tell(x, L"『" + s.name + L"』を解凍できませんでした||" + LibraryName(s.type) + L" のエラー： " +
                std::to_wstring(*code));
    out.result = ExtractResult::Failed;
    return out;
  }
  out.result = ExtractResult::Extracted;
  out.folder = dest;
  return out;
}

ExtractOutcome RunDos(const Services& x, const Source& s, const std::wstring& dest) {
  ExtractOutcome out;
  out.result = ExtractResult::Refused;
  // Nothing read from the disk goes into the batch unless it is safe there.
  if (!IsDriveLetterPath(dest) || !IsBatchSafe(dest)) {
    RefuseCharacters(x, dest);
    return out;
  }
  if (!IsBatchSafe(s.path)) {
    RefuseCharacters(x, s.path);
    return out;
  }
  const std::wstring command = BatchArgument(s.path);

  out.result = ExtractResult::Failed;
  if (x.m.fs.WriteBytes(DosBatchPath(x.env), DosJobBytes(DosJobLines(dest, command))) != FsError::None) {
    Tell(x, L"『" + DosBatchPath(x.env) + L"』を書き込めません");
    return out;
  }
  if (x.m.desktop.ShellOpen(DosPifPath(x.env), ParentFolder(DosPifPath(x.env))) <= 32) {
    Tell(x, L"MS-DOSの解凍プログラムを起動できません");
    return out;
  }
  x.fe.AppendConsole(L"　MS-DOSモードで解凍しています： " + dest);
  out.result = ExtractResult::DosStarted;
  out.folder = dest;
  return out;
}

ExtractOutcome Run(const Services& x, const Source& s, const Plan& plan, const std::wstring& dest) {
  switch (plan.route) {
    case Route::Library: return RunLibrary(x, s, dest);
    case Route::BuiltIn: return RunBuiltIn(x, s, dest);
    default: return RunDos(x, s, dest);
  }
}

}  // namespace

ExtractOutcome ExtractToTemporary(const Services& x, std::wstring_view archive) {
  ExtractOutcome out;
  Source s;
  if (!Identify(x, archive, s, &out.result)) return out;
  Plan plan = Choose(x, s);
  if (plan.route == Route::None) {
    Tell(x, NotFoundMessage(s.type));
    out.result = ExtractResult::NoExtractor;
    return out;
  }
  const std::wstring temp = MakeTemporaryFolder(x.m, x.env);
  if (temp.empty()) {
    Tell(x, L"臨時フォルダーを作成できません");
    out.result = ExtractResult::NoFolder;
    return out;
  }
  out = Run(x, s, plan, temp);
  // A failure may have left part of the archive: the folder stays the
  // window's to wash, unless it is still empty.
  if (!out.Succeeded()) out.folder = x.m.fs.RemoveFolder(temp) == FsError::None ? std::wstring() : temp;
  return out;
}

ExtractOutcome ExtractToFolder(const Services& x, std::wstring_view archive, std::wstring_view dest) {
  ExtractOutcome out;
  const std::wstring folder = WithoutTrailingSlash(Trim(dest));
  if (IsProgramsOwn(x.env, folder)) {
    Tell(x, L"『" + folder + L"』は、ゼルカのフォルダーです。|別のフォルダーを指定して下さい");
    out.result = ExtractResult::Refused;
    return out;
  }
  if (!FolderExists(x.m.fs, folder)) {
    Tell(x, L"『" + folder + L"』というフォルダーは見つかりません");
    out.result = ExtractResult::NoFolder;
    return out;
  }
  Source s;
  if (!Identify(x, archive, s, &out.result)) return out;
  Plan plan = Choose(x, s);
  if (plan.route == Route::None) {
    Tell(x, NotFoundMessage(s.type));
    out.result = ExtractResult::NoExtractor;
    return out;
  }
  return Run(x, s, plan, folder);
}

bool ListArchive(const Services& x, std::wstring_view archive) {
  Source s;
  ExtractResult unused;
  if (!Identify(x, archive, s, &unused)) return false;
  if (!HasLibrary(x.env, s.type)) {
    x.fe.AppendConsole(s.type == ArchiveType::Zip ? L"　★ZIP解凍用の DLLがありません" : L"　★LZH解凍用の DLLがありません");
    x.fe.AppendConsole(L"　※インストール方法はヘルプを参照して");
    x.fe.AppendConsole(L"　　ください");
    return false;
  }
  std::optional<int> code;
  std::string text;
  if (LibraryPresent(x.m, x.env, s.type)) {
    std::string command;
    if (!EncodeForLibrary(x, LibraryListCommand(s.path), {s.path}, command)) return false;
    code = x.libraries.Run(JoinPath(x.env.SysDir, LibraryName(s.type)), LibraryEntry(s.type), command, &text);
  }
  x.fe.AppendConsole(L"");
  x.fe.AppendConsole(L"【" + s.name + L"】 の内容");
  // Without a library that loads, the program's own reader lists.
  if (!code) return BuiltInList(x, s.type, s.path);
  AppendOutput(x, text);
  if (*code != 0) {
    x.fe.AppendConsole(L"　★一覧を取得できませんでした (エラー " + std::to_wstring(*code) + L")");
    return false;
  }
  return true;
}

}  // namespace zel
