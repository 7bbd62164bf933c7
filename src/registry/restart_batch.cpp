#include "registry/restart_batch.h"

#include <optional>

#include "base/cp932.h"
#include "base/path.h"
#include "base/text.h"
#include "extract/dos_job.h"

namespace zel {


namespace {

// The command interpreter reads at most 127 characters of a batch line.
constexpr size_t kMaxBatchLine = 127;
constexpr char kEndOfFile = 0x1A;

bool IsBootRoot(std::wstring_view root) { return root.size() == 3 && IsDriveLetterPath(root); }

std::optional<FileEntry> FileAt(FileSystem& fs, const std::wstring& path) {
  std::optional<FileEntry> e = fs.Stat(path);
  if (e && e->IsFolder()) return std::nullopt;
  return e;
}

// An 8.3 name that a batch line can hold: one to eight bytes of code page
// 932, an optional dot and one to three more; no blank and none of + , ; = [ ]
// (separators to the interpreter, and never part of a real short name).
bool IsShortComponent(std::wstring_view name) {
  std::string bytes;
  if (!IsBatchSafe(name, &bytes)) return false;
  if (bytes == "." || bytes == "..") return false;
  size_t dot = bytes.find('.');
  std::string_view base = std::string_view(bytes).substr(0, dot);
  std::string_view ext = dot == std::string::npos ? std::string_view() : std::string_view(bytes).substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::string::npos && (ext.empty() || ext.find('.') != std::string_view::npos)) return false;
  for (unsigned char b : bytes) {
    if (b == ' ' || std::string_view("+,;=[]").find(static_cast<char>(b)) != std::string_view::npos) return false;
  }
  return true;
}

std::wstring RootOf(std::wstring_view path) { return std::wstring(path.substr(0, 2)) + L"\\"; }

// The folder of a path, with a drive root as "X:\".
std::wstring FolderOf(std::wstring_view path) {
  std::wstring folder = ParentFolder(path);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return folder;
}

struct ShortForm {
  std::wstring path;
  std::optional<BatchRefusal> refusal;
};

// The short form of an existing path on a local fixed disk, checked for a
// batch line.
ShortForm ShortFormOf(FileSystem& fs, const std::wstring& path) {
  auto refuse = [&](BatchRefusalReason reason) { return ShortForm{std::wstring(), BatchRefusal{path, reason}}; };
  if (!IsDriveLetterPath(path) || fs.DriveTypeOf(RootOf(path)) != DriveType::Fixed) {
    return refuse(BatchRefusalReason::NotOnFixedDisk);
  }
  if (!fs.Stat(path) && !IsBootRoot(path)) return refuse(BatchRefusalReason::Missing);
  std::optional<std::wstring> shortPath = fs.ShortPathOf(path);
  if (!shortPath) return refuse(BatchRefusalReason::Missing);
  if (!IsBatchSafe(*shortPath)) return refuse(BatchRefusalReason::Unsafe);
  if (!IsShortBatchPath(*shortPath)) return refuse(BatchRefusalReason::NoShortForm);
  return ShortForm{*shortPath, std::nullopt};
}

// Where "copy" puts a saved copy so that it lands under the target's name: the
// target's folder when the copy's short name is the target's own DOS name,
// else the target's own short path (it must exist then; a long name that does
// not exist yet cannot be made in MS-DOS).
ShortForm DestinationFor(FileSystem& fs, const std::wstring& copyShort, const std::wstring& target) {
  ShortForm folder = ShortFormOf(fs, FolderOf(target));
  if (folder.refusal) return folder;
  const std::wstring copyName = LastComponent(copyShort);
  if (FileAt(fs, target)) {
    ShortForm file = ShortFormOf(fs, target);
    if (file.refusal) return file;
    return EqualsNoCase(LastComponent(file.path), copyName) ? folder : file;
  }
  if (EqualsNoCase(LastComponent(target), copyName)) return folder;
  return ShortForm{std::wstring(), BatchRefusal{target, BatchRefusalReason::NoShortForm}};
}

bool FitsLine(const std::wstring& line) {
  std::string bytes;
  return ToCp932Exact(line, bytes) && bytes.size() <= kMaxBatchLine;
}

// Writes bytes to path.new and moves that over path.
bool WriteReplacing(FileSystem& fs, const std::wstring& path, std::string_view bytes) {
  const std::wstring temp = path + L".new";
  if (fs.WriteBytes(temp, bytes) != FsError::None) {
    IgnoreError(fs.RemoveFile(temp));
    return false;
  }
  if (std::optional<FileEntry> old = FileAt(fs, path)) {
    if (old->attributes & (attr::kReadOnly | attr::kHidden | attr::kSystem)) IgnoreError(fs.SetAttributes(path, 0));
  }
  if (fs.MoveOne(temp, path, true) != FsError::None) {
    IgnoreError(fs.RemoveFile(temp));
    return false;
  }
  return true;
}

// Moves from over to, clearing the attributes that keep the platform from
// replacing to.
bool MoveReplacing(FileSystem& fs, const std::wstring& from, const std::wstring& to) {
  if (std::optional<FileEntry> old = FileAt(fs, to)) {
    if (old->attributes & (attr::kReadOnly | attr::kHidden | attr::kSystem)) IgnoreError(fs.SetAttributes(to, 0));
  }
  return fs.MoveOne(from, to, true) == FsError::None;
}

struct AutoexecPaths {
  std::wstring bat, zel, batch;
};

std::optional<AutoexecPaths> AutoexecOf(const Environment& env) {
  if (!IsBootRoot(env.BootDrive)) return std::nullopt;
  return AutoexecPaths{env.BootDrive + L"autoexec.bat", env.BootDrive + L"autoexec.Zel", RestartBatchPath(env)};
}

}  // namespace

bool IsShortBatchPath(std::wstring_view path) {
  if (!IsDriveLetterPath(path)) return false;
  std::wstring_view rest = path.substr(3);
  if (rest.empty()) return true;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t slash = rest.find(L'\\', start);
    if (slash == std::wstring_view::npos) slash = rest.size();
    if (!IsShortComponent(rest.substr(start, slash - start))) return false;
    start = slash + 1;
  }
  return true;
}

std::wstring RefusalLine(const BatchRefusal& refusal) {
  std::wstring why;
  switch (refusal.reason) {
    case BatchRefusalReason::Missing: why = L"が見つからないため"; break;
    case BatchRefusalReason::Unsafe: why = L"はバッチ･ファイルに書けない文字を含むため"; break;
    case BatchRefusalReason::NoShortForm: why = L"には短い名前（8.3形式）がないため"; break;
    case BatchRefusalReason::NotOnFixedDisk: why = L"が固定ディスク上にないため"; break;
    case BatchRefusalReason::TooLong: why = L"はバッチ･ファイルの１行に収まらないため"; break;
    case BatchRefusalReason::BadBootDrive: why = L"は起動ドライブとして正しくないため"; break;
  }
  return L"●『" + refusal.path + L"』" + why + L"、起動時の処理から除外しました";
}

RestartBatch BuildRestartBatch(FileSystem& fs, const Environment& env, const RestartBatchPlan& plan) {
  RestartBatch batch;
  if (!IsBootRoot(env.BootDrive)) {
    batch.refused.push_back({env.BootDrive, BatchRefusalReason::BadBootDrive});
    return batch;
  }
  // Adds the entry's lines when they all fit, else reports the entry.
  auto add = [&](const std::wstring& reported, std::vector<std::wstring> lines) {
    for (const std::wstring& line : lines) {
      if (!FitsLine(line)) {
        batch.refused.push_back({reported, BatchRefusalReason::TooLong});
        return;
      }
    }
    batch.lines.insert(batch.lines.end(), lines.begin(), lines.end());
  };

  for (const HiveCopy& hive : plan.hives) {
    // The live file is deleted and made again under its name: that name must
    // be one MS-DOS can make.
    ShortForm live = ShortFormOf(fs, hive.live);
    if (!live.refusal && !IsShortComponent(LastComponent(hive.live))) {
      live.refusal = BatchRefusal{hive.live, BatchRefusalReason::NoShortForm};
    }
    if (live.refusal) {
      batch.refused.push_back(*live.refusal);
      continue;
    }
    ShortForm copy = ShortFormOf(fs, hive.copy);
    if (copy.refusal) {
      batch.refused.push_back(*copy.refusal);
      continue;
    }
    ShortForm dest = DestinationFor(fs, copy.path, hive.live);
    if (dest.refusal) {
      batch.refused.push_back(*dest.refusal);
      continue;
    }
    add(hive.live, {L"attrib -h -r -s " + live.path, L"attrib -h -r -s " + copy.path,
                    L"if exist " + copy.path + L" del " + live.path, L"copy " + copy.path + L" " + dest.path});
  }

  for (const FileCopy& entry : plan.copies) {
    ShortForm copy = ShortFormOf(fs, entry.copy);
    if (copy.refusal) {
      batch.refused.push_back(*copy.refusal);
      continue;
    }
    ShortForm dest = DestinationFor(fs, copy.path, JoinPath(entry.targetFolder, LastComponent(entry.copy)));
    if (dest.refusal) {
      batch.refused.push_back(*dest.refusal);
      continue;
    }
    add(entry.copy, {L"COPY " + copy.path + L" " + dest.path + L"/Y"});
  }

  for (const std::wstring& path : plan.deletions) {
    ShortForm target = ShortFormOf(fs, path);
    if (target.refusal) {
      batch.refused.push_back(*target.refusal);
      continue;
    }
    add(path, {L"del " + target.path});
  }

  batch.lines.push_back(L"del " + env.BootDrive + L"autoexec.bat");
  batch.lines.push_back(L"ren " + env.BootDrive + L"autoexec.Zel autoexec.bat");
  return batch;
}

std::string RestartBatchBytes(const std::vector<std::wstring>& lines) {
  std::string out;
  for (const std::wstring& line : lines) {
    AppendCp932(line, out);
    out += "\r\n";
  }
  return out;
}

bool InsertRestartBlock(Machine& m, const Environment& env) {
  std::optional<AutoexecPaths> p = AutoexecOf(env);
  if (!p) return false;
  FileSystem& fs = m.fs;
  std::string current;
  const bool hasBat = FileAt(fs, p->bat) && fs.ReadBytes(p->bat, current) == FsError::None;
  if (!hasBat && FileAt(fs, p->bat)) return false;  // there but unreadable: leave it alone
  const bool hasZel = FileAt(fs, p->zel).has_value();

  // The user's own autoexec.bat, and where it is kept.
  std::string user;
  if (hasBat && MarkerLineAt(current) == std::string::npos) {
    user = current;
    // A copy keeps the file's time, so that the file put back later is the
    // very file the user had.
    const std::wstring temp = p->zel + L".new";
    if (fs.CopyOne(p->bat, temp, true) != FsError::None) {
      IgnoreError(fs.RemoveFile(temp));
      return false;
    }
    if (!MoveReplacing(fs, temp, p->zel)) {
      IgnoreError(fs.RemoveFile(temp));
      return false;
    }
  } else if (hasZel) {
    // The block of an earlier insertion (or a batch that stopped before its
    // "ren"): autoexec.Zel is the user's file and stays as it is.
    if (fs.ReadBytes(p->zel, user) != FsError::None) return false;
  } else if (hasBat) {
    user = current.substr(0, MarkerLineAt(current));
    if (!user.empty() && !WriteReplacing(fs, p->zel, user)) return false;
  }

  std::string text = user;
  while (!text.empty() && text.back() == kEndOfFile) text.pop_back();
  if (!text.empty() && text.back() != '\n') text += "\r\n";
  text += ToCp932(kAutoexecMarker);
  text += "\r\n";
  std::string batchLine;
  if (!ToCp932Exact(p->batch, batchLine)) return false;
  text += batchLine + "\r\n";
  return WriteReplacing(fs, p->bat, text);
}

bool RemoveRestartBlock(Machine& m, const Environment& env) {
  std::optional<AutoexecPaths> p = AutoexecOf(env);
  if (!p) return false;
  FileSystem& fs = m.fs;
  const bool hasZel = FileAt(fs, p->zel).has_value();
  if (!FileAt(fs, p->bat)) {
    // The batch stopped between its "del" and its "ren": finish its work.
    return !hasZel || fs.MoveOne(p->zel, p->bat, false) == FsError::None;
  }
  std::string current;
  if (fs.ReadBytes(p->bat, current) != FsError::None) return false;
  const size_t marker = MarkerLineAt(current);
  if (marker == std::string::npos) return true;
  if (hasZel) return MoveReplacing(fs, p->zel, p->bat);
  if (marker == 0) {
    // The user had no autoexec.bat: the file is the program's block alone.
    IgnoreError(fs.SetAttributes(p->bat, 0));
    return fs.RemoveFile(p->bat) == FsError::None;
  }
  return WriteReplacing(fs, p->bat, std::string_view(current).substr(0, marker));
}

bool CancelRestartBatch(Machine& m, const Environment& env) {
  if (!RemoveRestartBlock(m, env)) return false;
  const std::wstring batch = RestartBatchPath(env);
  if (!FileAt(m.fs, batch)) return true;
  return m.fs.RemoveFile(batch) == FsError::None;
}

bool InstallRestartBatch(Machine& m, const Environment& env, const std::vector<std::wstring>& lines) {
  std::optional<AutoexecPaths> p = AutoexecOf(env);
  if (!p || lines.empty()) return false;
  std::string bytes;
  for (const std::wstring& line : lines) {
    std::string encoded;
    if (!ToCp932Exact(line, encoded)) return false;
    bytes += encoded + "\r\n";
  }
  // The batch is whole before any block calls it.
  if (!WriteReplacing(m.fs, p->batch, bytes)) return false;
  if (InsertRestartBlock(m, env)) return true;
  // Nothing half done stays behind: a block that is still there keeps its
  // batch (which ends by putting autoexec.bat back).
  if (RemoveRestartBlock(m, env) && !HoldsRestartBlock(m.fs, p->bat)) IgnoreError(m.fs.RemoveFile(p->batch));
  return false;
}

}  // namespace zel
