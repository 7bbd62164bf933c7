#include "scratch_folder.h"

#include <windows.h>

namespace zel::win32 {

std::wstring MakeScratchFolder(Win32FileSystem& fs, const wchar_t* stem) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring root = std::wstring(temp) + stem + std::to_wstring(::GetCurrentProcessId());
  RemoveTree(fs, root);
  IgnoreError(fs.MakeFolder(root));
  return root;
}

void RemoveTree(Win32FileSystem& fs, const std::wstring& folder) {
  for (const std::wstring& name : NamesIn(fs, folder + L"\\*")) {
    std::wstring path = folder + L"\\" + name;
    auto entry = fs.Stat(path);
    if (entry && entry->IsFolder()) {
      RemoveTree(fs, path);
    } else {
      IgnoreError(fs.SetAttributes(path, 0));
      IgnoreError(fs.RemoveFile(path));
    }
  }
  IgnoreError(fs.RemoveFolder(folder));
}

std::vector<std::wstring> NamesIn(Win32FileSystem& fs, const std::wstring& pattern) {
  std::vector<std::wstring> names;
  IgnoreError(fs.Enumerate(pattern, [&](const FileEntry& e) {
    if (e.name != L"." && e.name != L"..") names.push_back(e.name);
  }));
  return names;
}

}  // namespace zel::win32
