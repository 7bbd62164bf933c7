// The extraction on the in-memory machine, not started: the program's folders
// set, the temporary folder at C:\users\root\Temp, both archive kinds readable.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extract/extract.h"
#include "support/started_machine.h"

namespace zel::testing {

class ExtractionTest : public ::testing::Test, public StartedMachine {
 protected:
  static constexpr wchar_t kTemp[] = L"C:\\users\\root\\Temp";

  ExtractionTest() {
    env.ProgramDir = L"C:\\Zel32";
    env.WorkDir = L"C:\\Zel32\\WinXP";
    env.WinDir = L"C:\\windows";
    env.SysDir = L"C:\\windows\\system32";
    env.WinKind = WinKind::WinXP;
    env.HasUnlha = env.HasUnzip = true;
    x.sys.env[L"TEMP"] = kTemp;
    x.fs.AddFolder(kTemp);
  }
  const Services& X() const { return sv; }
  // Every path below the folder, "\" after folders; one level only unless DEEP.
  std::vector<std::wstring> Tree(const std::wstring& folder, bool deep = true) {
    std::vector<std::wstring> out;
    IgnoreError(x.fs.Enumerate(folder + L"\\*", [&](const FileEntry& e) {
      if (e.name == L"." || e.name == L"..") return;
      out.push_back(e.name + (e.IsFolder() && deep ? L"\\" : L""));
      if (e.IsFolder() && deep) {
        for (const std::wstring& below : Tree(folder + L"\\" + e.name)) out.push_back(e.name + L"\\" + below);
      }
    }));
    return out;
  }
};

}  // namespace zel::testing
