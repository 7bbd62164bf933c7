#include "startup/file_helpers.h"

#include "base/path.h"
#include "base/text.h"

namespace zel {

bool FileExists(FileSystem& fs, std::wstring_view path) {
  if (path.empty()) return false;
  bool any = false;
  IgnoreError(fs.Enumerate(path, [&any](const FileEntry& e) {
    if (e.name != L"." && e.name != L"..") any = true;
  }));
  return any;
}

bool FolderExists(FileSystem& fs, std::wstring_view path) {
  if (path.empty()) return false;
  std::optional<FileEntry> e = fs.Stat(path);
  return e && e->IsFolder();
}

bool KillFile(Machine& m, std::wstring_view path) {
  std::optional<FileEntry> e = m.fs.Stat(path);
  if (!e || e->IsFolder()) return !e;
  std::wstring ext = UpperExtension(LastComponent(path));
  if (ext == L"FON" || ext == L"TTF" || ext == L"TTC") m.sys.RemoveFont(path);
  return m.fs.RemoveFile(path) == FsError::None;
}

bool CopyFileChecked(Machine& m, FrontEnd& fe, std::wstring_view from, std::wstring_view to) {
  FsError error = m.fs.CopyOne(from, to, true);
  if (error == FsError::None) return true;
  std::wstring targetFolder = ParentFolder(to);
  bool toRoot = targetFolder.size() == 2 && targetFolder[1] == L':';
  if (toRoot && (error == FsError::CannotMake || error == FsError::DiskFull)) {
    std::optional<DiskSpace> space = m.fs.SpaceOf(targetFolder + L"\\", true);
    if (error == FsError::CannotMake || (space && space->freeBytes > 0)) {
      fe.Ask(L"ルート･ディレクトリには、これ以上ファイルを追加できません|"
             L"（空き容量が残っていても、ファイル数に限界があります）||"
             L"先にファイルを削除してから、フォルダーを新規作成し、|"
             L"　その中にコピーしてください||"
             L"ファイル：　" + LastComponent(from),
             mb::kOk | mb::kIconExclamation, L"");
    }
  }
  return false;
}

std::optional<DiskSpace> DriveSpace(FileSystem& fs, std::wstring_view path, bool canUseFat32) {
  if (path.empty()) return std::nullopt;
  std::wstring root{UpperChar(path[0]), L':', L'\\'};
  return fs.SpaceOf(root, canUseFat32);
}

}  // namespace zel
