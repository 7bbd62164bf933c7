// The environment record: every path and fact found at start-up, written
// during the process start and the main window's loading, read-only after.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/filesystem.h"

namespace zel {

enum class WinKind { Win95, Win98, WinMe, WinNT, Win2000, WinXP };

bool IsNtFamily(WinKind kind);
bool Is2000OrLater(WinKind kind);
// Windows 98, Me, 2000 and XP always handle FAT32 volumes.
bool Fat32Forced(WinKind kind);
// "\Win95" ... "\WinXP".
const wchar_t* WorkFolderSuffix(WinKind kind);
// "95", "98", "Me", "NT", "2000", "XP".
const wchar_t* KindWord(WinKind kind);

// Decides the kind from the 9x registry version text and the NT one.
// Sets *decidedBy to the text that decided it (empty when neither held text).
WinKind DecideWinKind(const std::wstring& version9x, const std::wstring& versionNt, std::wstring* decidedBy);

struct Environment {
  std::wstring ProgramDir;
  std::wstring WorkDir;
  std::wstring BackupDir;
  std::wstring IniPath;
  std::wstring WinDir;
  std::wstring SysDir;
  std::wstring VersionText;
  zel::WinKind WinKind = zel::WinKind::Win95;
  bool KindDecided = false;  // a version text was found
  std::uint32_t MsgBoxStyle = 0;
  bool CanUseFAT32 = false;
  bool HasUnlha = false;
  bool HasUnzip = false;
  std::array<DriveType, 26> DriveTypes{};
  std::wstring BootDrive;  // "C:\"
  std::wstring AutoexecBat;
  std::wstring AutoexecZel;
  std::wstring RegClearPath;
  std::wstring ProgramFilesDir;
  std::wstring DesktopDir;
  std::wstring ProfileDir;
  std::wstring StartMenuDir;
  std::wstring ProgramsDir;
  std::wstring StartupDir;
  std::wstring PersonalDir;
  std::array<std::wstring, 5> SystemDirs;
  std::wstring DownLoad;
  bool FirstStart = false;
  bool IniExisted = false;
  bool HasRegEdit = false;  // WinDir\RegEdit.exe was there at start-up
  // The paging files found at start-up, by drive letter (A to Z); empty where
  // a drive holds none. See FindSwapFiles.
  std::array<std::wstring, 26> SwapFiles;
  int TwipsPerPixelX = 15;
  int TwipsPerPixelY = 15;
  std::int64_t Colours = 1 << 24;

  bool NtFamily() const { return IsNtFamily(WinKind); }
  // The folders the program writes into itself: never listed as ordinary
  // content, never walked into, never washed.
  bool IsOwnFolder(std::wstring_view path) const;
  bool IsInsideWorkDir(std::wstring_view path) const;
};

// NT 6.0 and later (Vista and after; Wine reports 6.1 or 10.0): the major
// version number of the NT version text is 6 or more.
bool IsPresentDay(const Environment& env);

// The paging files: "WIN386.SWP" in the Windows folder on the 9x kinds,
// "pagefile.sys" in the root of each fixed drive on the NT family. Needs
// WinDir, WinKind and DriveTypes.
void FindSwapFiles(FileSystem& fs, Environment& env);

}  // namespace zel
