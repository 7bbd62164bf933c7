// An in-memory Windows machine laid out like the sandbox's: Windows XP kind,
// drive C: with the Windows folder, the user's shell folders and the program
// in C:\Zel32.
#pragma once

#include <string>

#include "platform/memory/memory_machine.h"

namespace zel::testing {

class XpMachine : public MemoryMachine {
 public:
  static constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  static constexpr wchar_t kCurrentVersion[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
  static constexpr wchar_t kNtVersion[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion";

  XpMachine();
  // Turns the machine into a Windows 98 one (version text, folders).
  void MakeWin98(const std::wstring& versionNumber = L"4.10.2222");
  // Turns the machine into a present-day one as Wine shows it (NT text "6.3",
  // major 10, build 19045) whose platform names the known folders as Wine
  // lays them out; every named folder exists.
  void MakePresentDay();
  // The program's folder with its shipped files.
  void InstallProgram(const std::wstring& folder = L"C:\\Zel32");
  void SetShellFolder(const std::wstring& name, const std::wstring& path);
};

// The start of an executable: "MZ", the byte at 24 (0x40 a Windows program,
// below it MS-DOS) and at 60 the offset of the new header.
inline std::string ExeHeader(unsigned char at24 = 0x40) {
  std::string h(128, '\0');
  h.replace(0, 2, "MZ");
  h[24] = static_cast<char>(at24);
  h[60] = static_cast<char>(0x80);
  return h;
}

}  // namespace zel::testing
