// The process and its surroundings: environment variables, the executable's
// path, fonts, sound, other programs, the clock and the display.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct DisplayInfo {
  // 2 to the power of the bits per pixel (at most 24), times the colour planes.
  std::int64_t colours = 1 << 24;
  int twipsPerPixelX = 15;
  int twipsPerPixelY = 15;
};

// The folders the platform names for the roles programs write to. The
// portable code asks by role; the platform answers with the real path.
enum class KnownFolder {
  RoamingAppData, LocalAppData, LocalAppDataLow, Desktop, Documents, StartMenu, Programs, Startup, SendTo,
  Templates, Favorites, ProgramData, PublicDesktop, CommonStartMenu, CommonPrograms, CommonStartup,
  PublicDocuments, ProgramFiles, ProgramFilesX86, ProgramFilesCommon, ProgramFilesCommonX86, System, SystemX86,
  Fonts, Windows,
  Count
};
inline constexpr int kKnownFolderCount = static_cast<int>(KnownFolder::Count);

class System {
 public:
  virtual ~System() = default;
  virtual std::wstring EnvVar(std::wstring_view name) = 0;
  // Full path of the running executable.
  virtual std::wstring ExecutablePath() = 0;
  virtual DisplayInfo Display() = 0;
  // The path of a known folder; empty when the platform names none.
  virtual std::wstring KnownFolderPath(KnownFolder folder) = 0;

  // Removes a font file from the running system's font table.
  virtual bool RemoveFont(std::wstring_view path) = 0;
  virtual void Beep() = 0;

  virtual LocalTime Now() = 0;
  // A file time (UTC) in local time.
  virtual LocalTime LocalTimeOf(std::uint64_t fileTime) = 0;
  // The current time as a 64-bit file time (UTC, 100-ns units).
  virtual std::uint64_t NowFileTime() = 0;
  virtual std::uint64_t TickMs() = 0;
  virtual void SleepMs(unsigned ms) = 0;

  // The full paths of the libraries loaded into this process, the executable
  // itself left out, in the order the platform lists them.
  virtual std::vector<std::wstring> LoadedLibraries() = 0;
};

}  // namespace zel
