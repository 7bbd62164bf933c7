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
  reg.Set(RegRoot::LocalMachine, kNtVersion, L"CurrentVersion", L"5.1");
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

void XpMachine::MakePresentDay() {
  reg.Set(RegRoot::LocalMachine, kNtVersion, L"CurrentVersion", L"6.3");
  reg.Set(RegRoot::LocalMachine, kNtVersion, L"CurrentMajorVersionNumber", L"10");
  reg.Set(RegRoot::LocalMachine, kNtVersion, L"CurrentMinorVersionNumber", L"0");
  reg.Set(RegRoot::LocalMachine, kNtVersion, L"CurrentBuildNumber", L"19045");
  using K = KnownFolder;
  const std::wstring user = L"C:\\users\\root";
  const std::wstring roaming = user + L"\\AppData\\Roaming";
  const std::wstring menu = roaming + L"\\Microsoft\\Windows\\Start Menu";
  const std::wstring common = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
  const std::pair<K, std::wstring> folders[] = {
      {K::RoamingAppData, roaming}, {K::LocalAppData, user + L"\\AppData\\Local"},
      {K::LocalAppDataLow, user + L"\\AppData\\LocalLow"}, {K::Desktop, user + L"\\Desktop"},
      {K::Documents, user + L"\\Documents"}, {K::StartMenu, menu}, {K::Programs, menu + L"\\Programs"},
      {K::Startup, menu + L"\\Programs\\StartUp"}, {K::SendTo, roaming + L"\\Microsoft\\Windows\\SendTo"},
      {K::Templates, roaming + L"\\Microsoft\\Windows\\Templates"}, {K::Favorites, user + L"\\Favorites"},
      {K::ProgramData, L"C:\\ProgramData"}, {K::PublicDesktop, L"C:\\users\\Public\\Desktop"},
      {K::CommonStartMenu, common}, {K::CommonPrograms, common + L"\\Programs"},
      {K::CommonStartup, common + L"\\Programs\\StartUp"}, {K::PublicDocuments, L"C:\\users\\Public\\Documents"},
      {K::ProgramFiles, L"C:\\Program Files"}, {K::ProgramFilesX86, L"C:\\Program Files (x86)"},
      {K::ProgramFilesCommon, L"C:\\Program Files\\Common Files"},
      {K::ProgramFilesCommonX86, L"C:\\Program Files (x86)\\Common Files"},
      {K::System, L"C:\\windows\\system32"}, {K::SystemX86, L"C:\\windows\\syswow64"},
      {K::Fonts, L"C:\\windows\\Fonts"}, {K::Windows, L"C:\\windows"},
  };
  for (const auto& [folder, path] : folders) {
    sys.knownFolders[folder] = path;
    fs.AddFolder(path);
  }
  fs.AddFolder(user + L"\\AppData\\Local\\Temp");
  sys.env[L"TEMP"] = user + L"\\AppData\\Local\\Temp";
}

void XpMachine::InstallProgram(const std::wstring& folder) {
  fs.AddFile(folder + L"\\Zel32.exe", "MZ");
  fs.AddFile(folder + L"\\ZEL32.PIF", std::string(517, '\0'));
  fs.AddFile(folder + L"\\Zel32.INI", "[Options]\r\nCheckLevel= 1\r\n");
  sys.exePath = folder + L"\\Zel32.exe";
}

}  // namespace zel::testing
