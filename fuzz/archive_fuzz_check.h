// The properties checked on one archive fuzz input, shared by the libFuzzer
// targets and the unit test that replays the seed corpus on every build:
// the listing and every entry's data are read without a crash, an entry that
// reads gives exactly its declared size, and the extraction into an
// in-memory machine writes nothing outside the chosen folder.
#pragma once

#include <string>
#include <string_view>

#include "archive/archive.h"
#include "base/path.h"
#include "base/text.h"
#include "extract/builtin.h"
#include "platform/memory/memory_archiver.h"
#include "platform/memory/memory_machine.h"

namespace zel::fuzz {

// Says yes to every question, so that replacing a file is exercised too.
class YesFrontEnd : public FrontEnd {
 public:
  void AppendConsole(std::wstring_view) override {}
  void SetStatus(std::wstring_view) override {}
  void Busy() override {}
  int Ask(std::wstring_view, int, std::wstring_view) override { return mb::kResultYes; }
  int AskPlatform(std::wstring_view, int, std::wstring_view) override { return mb::kResultYes; }
  std::wstring Input(std::wstring_view, std::wstring_view, std::wstring_view) override { return std::wstring(); }
  void Beep() override {}
};

// Entries larger than this are not expanded by the check (the extraction's
// own limits still apply).
constexpr std::uint64_t kLargestChecked = 16u << 20;

inline std::string Walk(MemoryFileSystem& fs, const std::wstring& folder, std::wstring_view allowed,
                        std::wstring_view archive) {
  std::string why;
  IgnoreError(fs.Enumerate(folder + L"\\*", [&](const FileEntry& e) {
    if (e.name == L"." || e.name == L".." || !why.empty()) return;
    const std::wstring path = JoinPath(folder, e.name);
    if (e.IsFolder()) {
      const bool known = IsSameOrBelow(path, allowed) || IsSameOrBelow(allowed, path) || IsSameOrBelow(archive, path);
      if (!known) why = "a folder outside: " + ToUtf8(path);
      else why = Walk(fs, path, allowed, archive);
    } else if (!IsSameOrBelow(path, allowed) && path != archive) {
      why = "a file outside: " + ToUtf8(path);
    }
  }));
  return why;
}

inline std::string CheckArchiveInput(std::string_view input, bool zip) {
  archive::Listing listing;
  const archive::Error listed = zip ? archive::ListZip(input, listing) : archive::ListLzh(input, listing);
  if (listed == archive::Error::None) {
    std::string data;
    for (const archive::Entry& e : listing.entries) {
      if (e.size > kLargestChecked) continue;
      if (archive::ReadEntry(input, listing.format, e, data) == archive::Error::None && !e.IsFolder() &&
          data.size() != e.size) {
        return "an entry gave " + std::to_string(data.size()) + " bytes, not its declared " + std::to_string(e.size);
      }
    }
  }
  // The extraction: into C:\out, with a drive too small for a large claim.
  MemoryMachine m;
  m.fs.AddDrive(L'C', DriveType::Fixed, 32u << 20, 1ULL << 30);
  const std::wstring archive = zip ? L"C:\\dl\\a.zip" : L"C:\\dl\\a.lzh";
  m.fs.AddFile(archive, input);
  m.fs.AddFolder(L"C:\\out");
  m.fs.AddFile(L"C:\\out\\readme.txt", "there before");
  MemoryArchiveLibraries libraries;
  YesFrontEnd fe;
  Environment env;
  RunningOptions options;
  Settings settings{m.ini};
  Services x{m.machine, fe, env, settings, options, libraries};
  BuiltInExtract(x, zip ? ArchiveType::Zip : ArchiveType::Lzh, archive, L"C:\\out");
  return Walk(m.fs, L"C:", L"C:\\out", archive);
}

}  // namespace zel::fuzz
