#include <windows.h>
#include <shellapi.h>
#include <mmsystem.h>
#include <tlhelp32.h>
#include <shlobj.h>
#include <initguid.h>
#include <knownfolders.h>

#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/win32_machine.h"

namespace zel::win32 {
namespace {

HKEY RootKey(RegRoot root) { return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
std::wstring Str(std::wstring_view s) { return std::wstring(s); }

}  // namespace

// --- registry ---------------------------------------------------------------

std::wstring Win32Registry::ReadText(RegRoot root, std::wstring_view key, std::wstring_view value) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(RootKey(root), Str(key).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &raw) != ERROR_SUCCESS) {
    return std::wstring();
  }
  RegKey opened(raw);
  BYTE buffer[1024 + sizeof(wchar_t)] = {};
  DWORD size = 1024;
  DWORD type = 0;
  if (::RegQueryValueExW(opened.Get(), Str(value).c_str(), nullptr, &type, buffer, &size) != ERROR_SUCCESS) {
    return std::wstring();
  }
  if (type == REG_DWORD && size >= sizeof(DWORD)) {
    DWORD number;
    memcpy(&number, buffer, sizeof number);
    return std::to_wstring(number);
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return std::wstring();
  const wchar_t* text = reinterpret_cast<const wchar_t*>(buffer);
  return std::wstring(text, wcsnlen(text, size / sizeof(wchar_t)));
}

namespace {

REGSAM ViewFlag(RegView view) { return view == RegView::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

RegError MapRegError(LONG rc) {
  switch (rc) {
    case ERROR_SUCCESS:
      return RegError::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return RegError::NotFound;
    case ERROR_ACCESS_DENIED:
      return RegError::Denied;
    default:
      return RegError::Other;
  }
}

// The names and data of one walk share two buffers, grown when a longer
// name or a larger value comes.
struct WalkBuffers {
  std::vector<wchar_t> name = std::vector<wchar_t>(256);
  std::vector<BYTE> data = std::vector<BYTE>(4096);
};

void WalkOpen(HKEY key, REGSAM view, RegWalker& walker, WalkBuffers& b) {
  DWORD maxSubLen = 0, maxValueName = 0, maxData = 0;
  if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxSubLen, nullptr, nullptr, &maxValueName,
                         &maxData, nullptr, nullptr) == ERROR_SUCCESS) {
    const size_t longest = (maxSubLen > maxValueName ? maxSubLen : maxValueName) + 1;
    if (b.name.size() < longest) b.name.resize(longest);
    if (b.data.size() < maxData) b.data.resize(maxData);
  }
  for (DWORD i = 0;;) {
    DWORD nameLen = static_cast<DWORD>(b.name.size());
    DWORD dataLen = static_cast<DWORD>(b.data.size());
    DWORD type = 0;
    LONG rc = ::RegEnumValueW(key, i, b.name.data(), &nameLen, nullptr, &type, b.data.data(), &dataLen);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA) {  // grown since the key was asked: the same index again
      b.name.resize(b.name.size() * 2);
      if (dataLen > b.data.size()) b.data.resize(dataLen);
      else b.data.resize(b.data.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS) {
      walker.Failed(MapRegError(rc));
      break;
    }
    walker.Value({std::wstring_view(b.name.data(), nameLen), type,
                  std::string_view(reinterpret_cast<const char*>(b.data.data()), dataLen)});
    ++i;
  }
  std::wstring child;
  for (DWORD i = 0;;) {
    DWORD nameLen = static_cast<DWORD>(b.name.size());
    LONG rc = ::RegEnumKeyExW(key, i, b.name.data(), &nameLen, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA) {
      b.name.resize(b.name.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS) {
      walker.Failed(MapRegError(rc));
      break;
    }
    ++i;
    child.assign(b.name.data(), nameLen);  // the buffer is reused below
    if (!walker.Enter(child)) continue;
    HKEY raw = nullptr;
    rc = ::RegOpenKeyExW(key, child.c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | view, &raw);
    if (rc != ERROR_SUCCESS) {
      walker.Failed(MapRegError(rc));
    } else {
      RegKey opened(raw);
      WalkOpen(opened.Get(), view, walker, b);
    }
    walker.Leave();
  }
}

// RegDeleteKeyExW names the view; Windows XP's 32-bit edition has only
// RegDeleteKeyW, and only one view.
LONG DeleteOneKey(HKEY parent, const std::wstring& name, REGSAM view) {
  using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
  static const DeleteKeyEx deleteKeyEx = reinterpret_cast<DeleteKeyEx>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
  if (deleteKeyEx) return deleteKeyEx(parent, name.c_str(), view, 0);
  return ::RegDeleteKeyW(parent, name.c_str());
}

LONG DeleteKeyTree(HKEY parent, const std::wstring& name, REGSAM view) {
  HKEY raw = nullptr;
  LONG rc = ::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | view, &raw);
  if (rc != ERROR_SUCCESS) return rc;
  RegKey key(raw);
  std::vector<wchar_t> child(256);
  for (;;) {
    DWORD len = static_cast<DWORD>(child.size());
    rc = ::RegEnumKeyExW(key.Get(), 0, child.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA) {
      child.resize(child.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS) return rc;
    rc = DeleteKeyTree(key.Get(), std::wstring(child.data(), len), view);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
  }
  key.Reset();
  return DeleteOneKey(parent, name, view);
}

}  // namespace

bool Win32Registry::HasTwoViews() {
#ifdef _WIN64
  return true;
#else
  using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
  const IsWow64 isWow64 = reinterpret_cast<IsWow64>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  BOOL wow = FALSE;
  return isWow64 && isWow64(::GetCurrentProcess(), &wow) && wow;
#endif
}

RegError Win32Registry::Walk(RegRoot root, RegView view, std::wstring_view key, RegWalker& walker) {
  HKEY raw = nullptr;
  const REGSAM flag = ViewFlag(view);
  LONG rc = ::RegOpenKeyExW(RootKey(root), Str(key).c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | flag, &raw);
  if (rc != ERROR_SUCCESS) return MapRegError(rc);
  RegKey opened(raw);
  WalkBuffers buffers;
  WalkOpen(opened.Get(), flag, walker, buffers);
  return RegError::None;
}

RegError Win32Registry::CreateKey(RegRoot root, RegView view, std::wstring_view key) {
  HKEY raw = nullptr;
  LONG rc = ::RegCreateKeyExW(RootKey(root), Str(key).c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | ViewFlag(view), nullptr,
                              &raw, nullptr);
  if (rc == ERROR_SUCCESS) ::RegCloseKey(raw);
  return MapRegError(rc);
}

RegError Win32Registry::SetValue(RegRoot root, RegView view, std::wstring_view key, const RegValueRef& value) {
  HKEY raw = nullptr;
  LONG rc = ::RegCreateKeyExW(RootKey(root), Str(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE | ViewFlag(view), nullptr,
                              &raw, nullptr);
  if (rc != ERROR_SUCCESS) return MapRegError(rc);
  RegKey opened(raw);
  rc = ::RegSetValueExW(opened.Get(), Str(value.name).c_str(), 0, value.type,
                        reinterpret_cast<const BYTE*>(value.data.data()), static_cast<DWORD>(value.data.size()));
  return MapRegError(rc);
}

RegError Win32Registry::DeleteValue(RegRoot root, RegView view, std::wstring_view key, std::wstring_view name) {
  HKEY raw = nullptr;
  LONG rc = ::RegOpenKeyExW(RootKey(root), Str(key).c_str(), 0, KEY_SET_VALUE | ViewFlag(view), &raw);
  if (rc != ERROR_SUCCESS) return MapRegError(rc);
  RegKey opened(raw);
  return MapRegError(::RegDeleteValueW(opened.Get(), Str(name).c_str()));
}

RegError Win32Registry::DeleteKey(RegRoot root, RegView view, std::wstring_view key) {
  // The parent is opened in the same view, so that the 32-bit build deletes
  // the key its record or the export named, never its other-view namesake.
  const std::wstring path = Str(key);
  const size_t cut = path.rfind(L'\\');
  HKEY parent = RootKey(root);
  RegKey opened;
  if (cut != std::wstring::npos) {
    HKEY raw = nullptr;
    LONG rc = ::RegOpenKeyExW(parent, path.substr(0, cut).c_str(), 0, KEY_READ | ViewFlag(view), &raw);
    if (rc != ERROR_SUCCESS) return MapRegError(rc);
    opened.Reset(raw);
    parent = raw;
  }
  return MapRegError(DeleteKeyTree(parent, cut == std::wstring::npos ? path : path.substr(cut + 1), ViewFlag(view)));
}

// --- INI files --------------------------------------------------------------

std::wstring Win32Ini::ReadRaw(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                               size_t maxChars) {
  std::vector<wchar_t> buffer(maxChars + 1, L'\0');
  DWORD n = ::GetPrivateProfileStringW(Str(section).c_str(), Str(key).c_str(), L"", buffer.data(),
                                       static_cast<DWORD>(maxChars), Str(file).c_str());
  return std::wstring(buffer.data(), n);
}

bool Win32Ini::WriteValue(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                          std::wstring_view value) {
  return ::WritePrivateProfileStringW(Str(section).c_str(), Str(key).c_str(), Str(value).c_str(),
                                      Str(file).c_str()) != FALSE;
}

// --- process and clock ------------------------------------------------------

std::wstring Win32System::EnvVar(std::wstring_view name) {
  std::wstring n = Str(name);
  DWORD needed = ::GetEnvironmentVariableW(n.c_str(), nullptr, 0);
  if (needed == 0) return std::wstring();
  std::wstring value(needed, L'\0');
  DWORD got = ::GetEnvironmentVariableW(n.c_str(), value.data(), needed);
  value.resize(got < needed ? got : 0);
  return value;
}

std::wstring Win32System::ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD got = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got < path.size()) {
      path.resize(got);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

namespace {

struct KnownFolderIds {
  const GUID* id;
  int csidl;  // the older call's number; -1 where it has none
};

// In the order of KnownFolder.
const KnownFolderIds kKnownFolderIds[] = {
    {&FOLDERID_RoamingAppData, CSIDL_APPDATA},
    {&FOLDERID_LocalAppData, CSIDL_LOCAL_APPDATA},
    {&FOLDERID_LocalAppDataLow, -1},
    {&FOLDERID_Desktop, CSIDL_DESKTOPDIRECTORY},
    {&FOLDERID_Documents, CSIDL_PERSONAL},
    {&FOLDERID_StartMenu, CSIDL_STARTMENU},
    {&FOLDERID_Programs, CSIDL_PROGRAMS},
    {&FOLDERID_Startup, CSIDL_STARTUP},
    {&FOLDERID_SendTo, CSIDL_SENDTO},
    {&FOLDERID_Templates, CSIDL_TEMPLATES},
    {&FOLDERID_Favorites, CSIDL_FAVORITES},
    {&FOLDERID_ProgramData, CSIDL_COMMON_APPDATA},
    {&FOLDERID_PublicDesktop, CSIDL_COMMON_DESKTOPDIRECTORY},
    {&FOLDERID_CommonStartMenu, CSIDL_COMMON_STARTMENU},
    {&FOLDERID_CommonPrograms, CSIDL_COMMON_PROGRAMS},
    {&FOLDERID_CommonStartup, CSIDL_COMMON_STARTUP},
    {&FOLDERID_PublicDocuments, CSIDL_COMMON_DOCUMENTS},
    {&FOLDERID_ProgramFiles, CSIDL_PROGRAM_FILES},
    {&FOLDERID_ProgramFilesX86, CSIDL_PROGRAM_FILESX86},
    {&FOLDERID_ProgramFilesCommon, CSIDL_PROGRAM_FILES_COMMON},
    {&FOLDERID_ProgramFilesCommonX86, CSIDL_PROGRAM_FILES_COMMONX86},
    {&FOLDERID_System, CSIDL_SYSTEM},
    {&FOLDERID_SystemX86, CSIDL_SYSTEMX86},
    {&FOLDERID_Fonts, CSIDL_FONTS},
    {&FOLDERID_Windows, CSIDL_WINDOWS},
};
static_assert(sizeof kKnownFolderIds / sizeof kKnownFolderIds[0] == kKnownFolderCount);

using GetKnownFolderPathFn = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);

// The present-day call where the shell has it (Vista on), looked up at run
// time so that the program still starts where it is absent.
GetKnownFolderPathFn KnownFolderCall() {
  static const GetKnownFolderPathFn call = [] {
    HMODULE shell = ::GetModuleHandleW(L"shell32.dll");
    if (!shell) shell = ::LoadLibraryW(L"shell32.dll");
    return shell ? reinterpret_cast<GetKnownFolderPathFn>(
                       reinterpret_cast<void*>(::GetProcAddress(shell, "SHGetKnownFolderPath")))
                 : nullptr;
  }();
  return call;
}

}  // namespace

std::wstring Win32System::KnownFolderPath(KnownFolder folder) {
  const int index = static_cast<int>(folder);
  if (index < 0 || index >= kKnownFolderCount) return std::wstring();
  const KnownFolderIds& ids = kKnownFolderIds[index];
  std::wstring path;
  if (GetKnownFolderPathFn call = KnownFolderCall()) {
    PWSTR got = nullptr;
    // Without KF_FLAG_DONT_VERIFY: a folder named but missing is not monitored anyway.
    if (SUCCEEDED(call(*ids.id, 0, nullptr, &got)) && got) path = got;
    ::CoTaskMemFree(got);
    if (!path.empty()) return path;
  }
  if (ids.csidl < 0) return path;
  wchar_t buffer[MAX_PATH + 1] = {};
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, ids.csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) path = buffer;
  return path;
}

DisplayInfo Win32System::Display() {
  DisplayInfo info;
  WindowDc dc(nullptr);
  if (!dc.Get()) return info;
  int bits = ::GetDeviceCaps(dc.Get(), BITSPIXEL);
  int planes = ::GetDeviceCaps(dc.Get(), PLANES);
  if (bits > 24) bits = 24;
  info.colours = (1LL << bits) * (planes > 0 ? planes : 1);
  int dpiX = ::GetDeviceCaps(dc.Get(), LOGPIXELSX);
  int dpiY = ::GetDeviceCaps(dc.Get(), LOGPIXELSY);
  if (dpiX > 0) info.twipsPerPixelX = 1440 / dpiX;
  if (dpiY > 0) info.twipsPerPixelY = 1440 / dpiY;
  return info;
}

bool Win32System::RemoveFont(std::wstring_view path) {
  bool removed = ::RemoveFontResourceW(Str(path).c_str()) != FALSE;
  if (removed) ::PostMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
  return removed;
}

void Win32System::Beep() { ::MessageBeep(MB_OK); }

LocalTime Win32System::Now() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

LocalTime Win32System::LocalTimeOf(std::uint64_t fileTime) {
  FILETIME utc{static_cast<DWORD>(fileTime & 0xFFFFFFFF), static_cast<DWORD>(fileTime >> 32)}, local;
  SYSTEMTIME t = {};
  ::FileTimeToLocalFileTime(&utc, &local);
  ::FileTimeToSystemTime(&local, &t);
  return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

std::uint64_t Win32System::NowFileTime() {
  FILETIME t;
  ::GetSystemTimeAsFileTime(&t);
  return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

std::uint64_t Win32System::TickMs() {
  // GetTickCount wraps after 49 days; the high part is kept here (Windows XP
  // has no GetTickCount64).
  static DWORD last = 0;
  static std::uint64_t high = 0;
  DWORD now = ::GetTickCount();
  if (now < last) high += 0x100000000ULL;
  last = now;
  return high + now;
}

void Win32System::SleepMs(unsigned ms) { ::Sleep(ms); }

std::vector<std::wstring> Win32System::LoadedLibraries() {
  std::vector<std::wstring> paths;
  FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0));
  if (!snapshot) return paths;
  const HMODULE self = ::GetModuleHandleW(nullptr);
  MODULEENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Module32FirstW(snapshot.Get(), &entry); more; more = ::Module32NextW(snapshot.Get(), &entry)) {
    if (entry.hModule != self) paths.emplace_back(entry.szExePath);
  }
  return paths;
}

// --- desktop ----------------------------------------------------------------

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  auto* list = reinterpret_cast<std::vector<TopWindow>*>(param);
  TopWindow w;
  w.handle = reinterpret_cast<WindowHandle>(window);
  wchar_t text[512];
  int n = ::GetWindowTextW(window, text, 512);
  w.title.assign(text, n > 0 ? n : 0);
  n = ::GetClassNameW(window, text, 512);
  w.className.assign(text, n > 0 ? n : 0);
  w.style = static_cast<std::uint32_t>(::GetWindowLongW(window, GWL_STYLE));
  w.visible = ::IsWindowVisible(window) != FALSE;
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  w.processId = process;
  list->push_back(std::move(w));
  return TRUE;
}

}  // namespace

std::vector<TopWindow> Win32Desktop::TopLevelWindows() {
  std::vector<TopWindow> list;
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&list));
  return list;
}

bool Win32Desktop::WindowExists(WindowHandle window) { return ::IsWindow(reinterpret_cast<HWND>(window)) != FALSE; }

WindowHandle Win32Desktop::FindTopLevel(std::wstring_view className, std::wstring_view title) {
  std::wstring c = Str(className), t = Str(title);
  return reinterpret_cast<WindowHandle>(
      ::FindWindowW(c.empty() ? nullptr : c.c_str(), t.empty() ? nullptr : t.c_str()));
}

bool Win32Desktop::BringToTop(WindowHandle window) {
  return ::BringWindowToTop(reinterpret_cast<HWND>(window)) != FALSE;
}

bool Win32Desktop::PostClose(WindowHandle window) {
  HWND w = reinterpret_cast<HWND>(window);
  return ::IsWindow(w) && ::PostMessageW(w, WM_CLOSE, 0, 0) != FALSE;
}

std::intptr_t Win32Desktop::ShellOpen(std::wstring_view file, std::wstring_view workFolder) {
  std::wstring f = Str(file), w = Str(workFolder);
  HINSTANCE result = ::ShellExecuteW(nullptr, nullptr, f.c_str(), nullptr, w.empty() ? nullptr : w.c_str(),
                                     SW_SHOWNORMAL);
  return reinterpret_cast<std::intptr_t>(result);
}

bool Win32Desktop::PlaySoundFile(std::wstring_view path) {
  std::wstring p = Str(path);
  return ::PlaySoundW(p.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT) != FALSE;
}

bool Win32Desktop::StartProgram(std::wstring_view commandLine, std::wstring_view workFolder, ShowMode show) {
  std::wstring line = Str(commandLine), w = Str(workFolder);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = show == ShowMode::Minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, w.empty() ? nullptr : w.c_str(),
                        &si, &pi)) {
    return false;
  }
  KernelHandle process(pi.hProcess), thread(pi.hThread);
  return true;
}

}  // namespace zel::win32
