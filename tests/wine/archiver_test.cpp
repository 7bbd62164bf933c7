// The archive-library loader and the extraction under Wine, with the fixture
// libraries of tests/fixtures (x86_64 builds of UNLHA32.DLL and UNZIP32.DLL
// of our own) and the fixture archives, all written into a folder of the
// sandbox's temporary folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/cp932.h"
#include "base/text.h"
#include "extract/extract.h"
#include "fixture_files.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_archiver.h"
#include "platform/win32/win32_machine.h"
#include "scratch_folder.h"
#include "support/recording_front_end.h"

namespace zel {
namespace {

const std::string kReadme = "Zel32 fixture: readme\r\n";
const std::string kGuide = "guide text\r\nguide text\r\nguide text\r\n";

class Win32Archiver : public ::testing::Test {
 protected:
  void SetUp() override {
    root = win32::MakeScratchFolder(w.fs, L"zelarc");
    for (const wchar_t* sub : {L"\\fix", L"\\sys", L"\\temp", L"\\prog", L"\\win"}) {
      ASSERT_EQ(w.fs.MakeFolder(root + sub), FsError::None);
    }
    for (unsigned i = 0; i < fixtures::kFileCount; ++i) {
      const fixtures::FixtureFile& f = fixtures::kFiles[i];
      std::wstring name = f.name;
      std::wstring folder = name.size() > 4 && name.substr(name.size() - 4) == L".DLL" ? L"\\sys\\" : L"\\fix\\";
      std::string_view bytes(reinterpret_cast<const char*>(f.data), f.size);
      ASSERT_EQ(w.fs.WriteBytes(root + folder + name, bytes), FsError::None);
    }
    ::SetEnvironmentVariableW(L"TEMP", (root + L"\\temp").c_str());
    env.ProgramDir = root + L"\\prog";
    env.WorkDir = root + L"\\prog\\WinXP";
    env.WinDir = root + L"\\win";  // no "PIF" folder: the MS-DOS way is closed
    env.SysDir = root + L"\\sys";
    env.HasUnlha = env.HasUnzip = true;
  }
  void TearDown() override { win32::RemoveTree(w.fs, root); }

  std::string Read(const std::wstring& path) {
    std::string bytes;
    return w.fs.ReadBytes(path, bytes) == FsError::None ? bytes : std::string("<missing>");
  }
  bool Exists(const std::wstring& path) { return w.fs.Stat(path).has_value(); }
  std::vector<std::wstring> Names(const std::wstring& folder) {
    return win32::NamesIn(w.fs, folder + L"\\*");
  }
  std::wstring Fix(const wchar_t* name) { return root + L"\\fix\\" + name; }

  win32::Win32Machine w;
  win32::Win32ArchiveLibraries libs;
  testing::RecordingFrontEnd fe;
  Environment env;
  RunningOptions options;
  Settings settings{w.ini};
  Services sv{w.machine, fe, env, settings, options, libs};
  std::wstring root;
};

TEST_F(Win32Archiver, LoadsTheLibraryByItsFullPathOnlyAndCallsItsEntryPoint) {
  const std::wstring zipDll = root + L"\\sys\\UNZIP32.DLL";
  std::string out;
  std::optional<int> r = libs.Run(zipDll, "UnZip", ToCp932(L"l \"" + Fix(L"sample.zip") + L"\""), &out);
  ASSERT_EQ(r, 0) << out;
  EXPECT_EQ(out, "        23  readme.txt\r\n         0  docs\\\r\n        36  docs\\guide.txt\r\n" +
                     ToCp932(L"        10  データ\\表.txt\r\n"));

  EXPECT_EQ(libs.Run(zipDll, "Unlha", "l x", &out), std::nullopt);  // the entry point of the other library
  EXPECT_EQ(libs.Run(root + L"\\sys\\NONE.DLL", "UnZip", "l x", &out), std::nullopt);
  EXPECT_EQ(libs.Run(Fix(L"sample.zip"), "UnZip", "l x", &out), std::nullopt);  // not a library
  // A bare name is never searched for, not even in the current folder.
  ASSERT_TRUE(::SetCurrentDirectoryW((root + L"\\sys").c_str()));
  EXPECT_EQ(libs.Run(L"UNZIP32.DLL", "UnZip", "l x", &out), std::nullopt);
  ::SetCurrentDirectoryW(L"C:\\");

  // The library's error comes back as its result, with its text.
  r = libs.Run(root + L"\\sys\\UNLHA32.DLL", "Unlha", ToCp932(L"l \"" + Fix(L"missing.lzh") + L"\""), &out);
  EXPECT_EQ(r, 0x8002);
  EXPECT_NE(out.find("cannot read"), std::string::npos) << out;
}

TEST_F(Win32Archiver, ExtractsZipAndLzhWithTheirFoldersIntoNewTemporaryFolders) {
  // A code page 932 name on the command line, as the library receives it.
  ASSERT_EQ(w.fs.CopyOne(Fix(L"sample.zip"), Fix(L"ソフト集.zip"), false), FsError::None);
  ExtractOutcome zip = ExtractToTemporary(sv, Fix(L"ソフト集.zip"));
  ExtractOutcome lzh = ExtractToTemporary(sv, Fix(L"sample.lzh"));
  ASSERT_EQ(zip.result, ExtractResult::Extracted) << (fe.questions.empty() ? "" : ToUtf8(fe.questions.back().text));
  ASSERT_EQ(lzh.result, ExtractResult::Extracted);
  EXPECT_EQ(zip.folder, root + L"\\temp\\ZEL0001");
  EXPECT_EQ(lzh.folder, root + L"\\temp\\ZEL0002");
  EXPECT_EQ(Read(zip.folder + L"\\docs\\guide.txt"), kGuide);
  EXPECT_EQ(Read(zip.folder + L"\\データ\\表.txt"), ToCp932(L"表の中身\r\n"));
  EXPECT_EQ(Read(lzh.folder + L"\\readme.txt"), kReadme);
  EXPECT_EQ(Read(lzh.folder + L"\\ソフト\\説明.txt"), ToCp932(L"説明です\r\n"));
  EXPECT_TRUE(fe.questions.empty());

  // Into a named folder, which then holds the files directly.
  ASSERT_EQ(w.fs.MakeFolder(root + L"\\mine"), FsError::None);
  ExtractOutcome named = ExtractToFolder(sv, Fix(L"sample.lzh"), root + L"\\mine");
  EXPECT_EQ(named.result, ExtractResult::Extracted);
  EXPECT_EQ(Read(root + L"\\mine\\readme.txt"), kReadme);
}

TEST_F(Win32Archiver, SelfExtractingFixturesKeepTheirKindAndStillRun) {
  EXPECT_EQ(ReadExecutableKind(w.fs, Fix(L"sfx_lzh.exe")), ExeKind::WinSfxLzh);
  EXPECT_EQ(ReadExecutableKind(w.fs, Fix(L"sfx_zip.exe")), ExeKind::SfxZip);
  EXPECT_EQ(ReadExecutableKind(w.fs, Fix(L"dos_sfx_lzh.exe")), ExeKind::DosSfxLzh);

  // The marks lie in unused fields of the MS-DOS header: the programs still
  // start, and the libraries still read them as archives.
  for (const wchar_t* name : {L"sfx_lzh.exe", L"sfx_zip.exe"}) {
    ExtractOutcome out = ExtractToTemporary(sv, Fix(name));
    ASSERT_EQ(out.result, ExtractResult::Extracted) << ToUtf8(name);
    EXPECT_EQ(Read(out.folder + L"\\readme.txt"), kReadme);
    std::wstring line = L"\"" + Fix(name) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    win32::KernelHandle process(pi.hProcess), thread(pi.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(process.Get(), &code);
    EXPECT_EQ(code, 20u) << ToUtf8(name);
  }
}

TEST_F(Win32Archiver, NamesLeadingOutOfTheDestinationAreRefusedBeforeAnythingIsWritten) {
  for (const wchar_t* name : {L"evil.zip", L"evil.lzh"}) {
    ExtractOutcome out = ExtractToTemporary(sv, Fix(name));
    EXPECT_EQ(out.result, ExtractResult::Failed) << ToUtf8(name);
    EXPECT_EQ(out.code, 0x8005);
    EXPECT_TRUE(out.folder.empty());  // nothing was written, so the folder went again
  }
  EXPECT_TRUE(Names(root + L"\\temp").empty());
  EXPECT_FALSE(Exists(root + L"\\evil.txt"));
  EXPECT_EQ(fe.questions.size(), 2u);  // each refusal told

  // Straight through the library into a folder of ours: the good entry in
  // front of the bad one is not written either.
  ASSERT_EQ(w.fs.MakeFolder(root + L"\\out"), FsError::None);
  std::string text;
  std::optional<int> r = libs.Run(root + L"\\sys\\UNLHA32.DLL", "Unlha",
                                  ToCp932(L"x \"" + Fix(L"evil.lzh") + L"\" \"" + root + L"\\out\\\" *"), &text);
  EXPECT_EQ(r, 0x8005);
  EXPECT_TRUE(Names(root + L"\\out").empty());
  EXPECT_FALSE(Exists(root + L"\\evil.txt"));
}

TEST_F(Win32Archiver, ArchivesTheLibraryCannotTakeAreFailuresNotSuccesses) {
  ExtractOutcome out = ExtractToTemporary(sv, Fix(L"deflated.zip"));
  EXPECT_EQ(out.result, ExtractResult::Failed);
  EXPECT_EQ(out.code, 0x8004);

  std::string damaged = Read(Fix(L"sample.lzh"));
  damaged[damaged.size() / 2] ^= 0x55;  // a data byte: its CRC no longer matches
  ASSERT_EQ(w.fs.WriteBytes(Fix(L"damaged.lzh"), damaged), FsError::None);
  out = ExtractToTemporary(sv, Fix(L"damaged.lzh"));
  EXPECT_EQ(out.result, ExtractResult::Failed);
  EXPECT_NE(out.code, 0);
}

TEST_F(Win32Archiver, WithoutALibraryThatLoadsTheOwnReaderExtracts) {
  // A library built for another architecture does not load; then none at all.
  ASSERT_EQ(w.fs.CopyOne(Fix(L"dos_program.exe"), root + L"\\sys\\UNLHA32.DLL", true), FsError::None);
  ASSERT_EQ(w.fs.RemoveFile(root + L"\\sys\\UNZIP32.DLL"), FsError::None);
  ExtractOutcome lzh = ExtractToTemporary(sv, Fix(L"sample.lzh"));
  ExtractOutcome zip = ExtractToTemporary(sv, Fix(L"deflated.zip"));
  ASSERT_EQ(lzh.result, ExtractResult::Extracted) << (fe.questions.empty() ? "" : ToUtf8(fe.questions.back().text));
  ASSERT_EQ(zip.result, ExtractResult::Extracted);
  EXPECT_EQ(Read(lzh.folder + L"\\docs\\guide.txt"), kGuide);
  EXPECT_EQ(Read(zip.folder + L"\\packed.txt").size(), 360u);
}

}  // namespace
}  // namespace zel
