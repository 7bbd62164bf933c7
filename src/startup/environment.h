// The environment record: every path and fact found at start-up, written
// during the process start and the main window's loading, read-only after.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/system.h"

namespace zel {

// PresentDay: NT 6.0 and later (Vista onwards). It keeps XP's work folder and
// settings file, and adds the known folders to the monitored ones.
enum class WinKind { Win95, Win98, WinMe, WinNT, Win2000, WinXP, PresentDay };

bool IsNtFamily(WinKind kind);
bool Is2000OrLater(WinKind kind);
// Windows 98, Me, 2000 and XP always handle FAT32 volumes.
bool Fat32Forced(WinKind kind);
// "\Win95" ... "\WinXP"; the present-day kind shares XP's.
const wchar_t* WorkFolderSuffix(WinKind kind);
// "95", "98", "Me", "NT", "2000", "XP"; "XP" for the present-day kind, whose
// real name comes from its version (WindowsWord).
const wchar_t* KindWord(WinKind kind);

// Decides the kind from the 9x registry version text and the NT one, and on
// the NT family from the major version number as well ("10": NT's own
// version text stays at "6.3" from Windows 8.1 on). Numbers are compared as
// numbers, so "10.0" is later than "5.1". Sets *decidedBy to the text that
// decided it (empty when neither held text).
WinKind DecideWinKind(const std::wstring& version9x, const std::wstring& versionNt, std::wstring* decidedBy,
                      const std::wstring& majorNumber = std::wstring());

// The version of a present-day Windows as the user knows it, from the
// registry's numbers: "10.0.19045" from major 10, minor 0 and build 19045.
// Empty numbers fall back to the version text.
std::wstring PresentDayVersionText(const std::wstring& versionNt, const std::wstring& major,
                                   const std::wstring& minor, const std::wstring& build);
// The word after "Windows-": the kind's word, or for the present-day kind its
// release from the version text ("Vista", "7", "8", "8.1", "10", "11").
std::wstring WindowsWord(WinKind kind, const std::wstring& versionText);

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
  // The platform's known folders, by role (present-day kind only; empty
  // elsewhere and where the platform names none).
  std::array<std::wstring, kKnownFolderCount> KnownFolders;
  // Upper-cased full paths of what changes by itself while nothing is
  // tested (see SelfChangingPaths); never reported by the check.
  std::vector<std::wstring> SelfChanging;
  int TwipsPerPixelX = 15;
  int TwipsPerPixelY = 15;
  std::int64_t Colours = 1 << 24;

  bool NtFamily() const { return IsNtFamily(WinKind); }
  // "Windows-" + the release, as the report and the windows name it.
  std::wstring WindowsName() const { return L"Windows-" + WindowsWord(WinKind, VersionText); }
  // The folders the program writes into itself: never listed as ordinary
  // content, never walked into, never washed.
  bool IsOwnFolder(std::wstring_view path) const;
  bool IsInsideWorkDir(std::wstring_view path) const;
  bool IsSelfChanging(std::wstring_view path) const;
  // Whether any of them lies directly in folder: the walks ask once per
  // folder, so that entries elsewhere cost nothing.
  bool MayHoldSelfChanging(std::wstring_view folder) const;
  const std::wstring& Known(KnownFolder folder) const { return KnownFolders[static_cast<int>(folder)]; }
};

// NT 6.0 and later (Vista and after; Wine reports 6.1 or 10.0): the known
// folders are monitored and the registry is recorded at value level.
bool IsPresentDay(const Environment& env);

// The paging files: "WIN386.SWP" in the Windows folder on the 9x kinds,
// "pagefile.sys" in the root of each fixed drive on the NT family. Needs
// WinDir, WinKind and DriveTypes.
void FindSwapFiles(FileSystem& fs, Environment& env);

}  // namespace zel
