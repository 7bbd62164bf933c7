#include "support/xp_machine.h"

namespace zel::testing {

XpMachine::XpMachine() {
  fs.AddDrive(L'C', DriveType::Fixed, 8ULL << 30, 40ULL << 30);
  fs.AddFile(L"C:\\boot.ini", "[boot loader]\r\n");
  fs.AddFolder(L"C:\\windows\\system32\\drivers");
  fs.AddFolder(L"C:\\windows\\Fonts");
  fs.AddFolder(L"C:\\windows\\temp");
  fs.AddFile(L"C:\\windows\\win.ini", "[windows]\r\n");
  fs.AddFile(L"C:\\windows\\regedit.exe", "MZ");
  fs.AddFile(L"C:\\windows\\system32\\kernel32.dll", "MZ");
  fs.AddFolder(L"C:\\Program Files\\Common Files");
  sys.env[L"WINDIR"] = L"C:\\windows";
  reg.Set(RegRoot::LocalMachine, kNtVersion, L"CurrentVersion", L"6.1");
  reg.Set(RegRoot::LocalMachine, kCurrentVersion, L"ProgramFilesDir", L"C:\\Program Files");
  const std::wstring profile = L"C:\\users\\root";
  SetShellFolder(L"Desktop", profile + L"\\Desktop");
  SetShellFolder(L"Personal", profile + L"\\Documents");
  SetShellFolder(L"Start Menu", profile + L"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu");
  SetShellFolder(L"Programs", profile + L"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs");
  SetShellFolder(L"Startup", profile + L"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp");
  fs.AddFolder(L"C:\\users\\Public\\Documents");
  InstallProgram();
}

void XpMachine::SetShellFolder(const std::wstring& name, const std::wstring& path) {
  reg.Set(RegRoot::CurrentUser, kShellFolders, name, path);
  fs.AddFolder(path);
}

void XpMachine::MakeWin98(const std::wstring& versionNumber) {
  reg.Set(RegRoot::LocalMachine, kCurrentVersion, L"VersionNumber", versionNumber);
  fs.AddFolder(L"C:\\windows\\System");
}

void XpMachine::InstallProgram(const std::wstring& folder) {
  fs.AddFile(folder + L"\\Zel32.exe", "MZ");
  fs.AddFile(folder + L"\\ZEL32.PIF", std::string(517, '\0'));
  fs.AddFile(folder + L"\\Zel32.INI", "[Options]\r\nCheckLevel= 1\r\n");
  sys.exePath = folder + L"\\Zel32.exe";
}

}  // namespace zel::testing
