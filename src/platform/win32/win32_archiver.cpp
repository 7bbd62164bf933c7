#include "platform/win32/win32_archiver.h"

#include <windows.h>

#include <vector>

#include "platform/win32/handles.h"

namespace zel::win32 {
namespace {

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::FreeLibrary(h); }
};
using Module = UniqueResource<ModuleTraits>;

using CommandEntry = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);

// "X:\..." or "\\server\...": a path that LoadLibrary takes as it stands.
bool IsFullPath(std::wstring_view path) {
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return true;
  return path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
}

}  // namespace

std::optional<int> Win32ArchiveLibraries::Run(std::wstring_view libraryPath, const char* entry,
                                              std::string_view commandLine, std::string* output) {
  if (output) output->clear();
  if (!IsFullPath(libraryPath)) return std::nullopt;
  const std::wstring path(libraryPath);
  // The altered search order looks for the library's own dependencies in its
  // folder; no error box for a missing or damaged file.
  UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  Module module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  ::SetErrorMode(oldMode);
  if (!module) return std::nullopt;
  auto function = reinterpret_cast<CommandEntry>(reinterpret_cast<void*>(::GetProcAddress(module.Get(), entry)));
  if (!function) return std::nullopt;

  const std::string line(commandLine);  // NUL-terminated
  // One byte more than the library is told of, so the text always ends in NUL.
  std::vector<char> buffer(kOutputBytes + 1, '\0');
  int result = function(nullptr, line.c_str(), buffer.data(), static_cast<DWORD>(kOutputBytes));
  buffer[kOutputBytes] = '\0';
  if (output) output->assign(buffer.data());
  return result;
}

}  // namespace zel::win32
