// The Win32 layer, run under Wine: the calls behave as the core relies on.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "base/cp932.h"
#include "platform/win32/win32_machine.h"
#include "scratch_folder.h"

namespace zel::win32 {
namespace {

class Win32Fs : public ::testing::Test {
 protected:
  void SetUp() override { root = MakeScratchFolder(fs, L"zelfs"); }
  void TearDown() override { RemoveTree(fs, root); }
  std::vector<std::wstring> Names(const std::wstring& pattern) { return NamesIn(fs, pattern); }
  Win32FileSystem fs;
  std::wstring root;
};

TEST_F(Win32Fs, ReadWriteAppendAndCopyKeepLastWriteTimes) {
  ASSERT_EQ(fs.WriteBytes(root + L"\\a.bin", std::string("abc\0def", 7)), FsError::None);
  ASSERT_EQ(fs.AppendBytes(root + L"\\a.bin", "gh"), FsError::None);
  std::string bytes;
  ASSERT_EQ(fs.ReadBytes(root + L"\\a.bin", bytes), FsError::None);
  EXPECT_EQ(bytes, std::string("abc\0defgh", 9));
  ::Sleep(20);
  ASSERT_EQ(fs.CopyOne(root + L"\\a.bin", root + L"\\b.bin", false), FsError::None);
  EXPECT_EQ(fs.CopyOne(root + L"\\a.bin", root + L"\\b.bin", false), FsError::AlreadyExists);
  auto a = fs.Stat(root + L"\\a.bin");
  auto b = fs.Stat(root + L"\\b.bin");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->lastWrite, b->lastWrite);
  EXPECT_EQ(b->size, 9u);
  ASSERT_EQ(fs.MoveOne(root + L"\\b.bin", root + L"\\a.bin", true), FsError::None);
  EXPECT_FALSE(fs.Stat(root + L"\\b.bin"));
}

TEST_F(Win32Fs, EnumerationErrorsTellMissingFromEmpty) {
  EXPECT_EQ(fs.Enumerate(root + L"\\missing\\*.*", [](const FileEntry&) {}), FsError::PathNotFound);
  EXPECT_EQ(fs.Enumerate(root + L"\\*.DLL", [](const FileEntry&) {}), FsError::NotFound);
  IgnoreError(fs.WriteBytes(root + L"\\x.dll", "x"));
  EXPECT_EQ(Names(root + L"\\*.DLL"), std::vector<std::wstring>{L"x.dll"});
  auto rootEntry = fs.Stat(L"C:\\");
  ASSERT_TRUE(rootEntry);
  EXPECT_TRUE(rootEntry->IsFolder());
  EXPECT_EQ(fs.DriveTypeOf(L"C:\\"), DriveType::Fixed);
  auto space = fs.SpaceOf(L"C:\\", true);
  ASSERT_TRUE(space);
  EXPECT_GT(space->totalBytes, 0u);
}

TEST_F(Win32Fs, NamesEndingInADotOrBlankAreTakenExactly) {
  // Without "\\?\" the platform drops a trailing "." and would act on "data".
  ASSERT_EQ(fs.MakeFolder(root + L"\\data"), FsError::None);
  ASSERT_EQ(fs.WriteBytes(root + L"\\data\\keep.txt", "mine"), FsError::None);
  ASSERT_EQ(fs.WriteBytes(root + L"\\data.", "added"), FsError::None);
  ASSERT_EQ(fs.WriteBytes(root + L"\\blank ", "added"), FsError::None);
  std::set<std::wstring> names;
  for (const std::wstring& n : Names(root + L"\\*.*")) names.insert(n);
  EXPECT_TRUE(names.count(L"data."));
  EXPECT_TRUE(names.count(L"blank "));
  EXPECT_EQ(fs.RemoveFile(root + L"\\data."), FsError::None);
  EXPECT_EQ(fs.RemoveFile(root + L"\\blank "), FsError::None);
  std::string mine;
  EXPECT_EQ(fs.ReadBytes(root + L"\\data\\keep.txt", mine), FsError::None);
  EXPECT_EQ(mine, "mine");
}

TEST(Win32Codec, PortableCodePage932MatchesThePlatform) {
  // Every BMP character: the portable encoder gives what the platform gives
  // without best-fit characters, or "?" where the platform has no mapping.
  int mismatches = 0;
  std::string first;
  for (unsigned c = 1; c < 0x10000; ++c) {
    if (c >= 0xD800 && c < 0xE000) continue;
    wchar_t wc = static_cast<wchar_t>(c);
    char buf[4];
    BOOL usedDefault = FALSE;
    int n = ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &wc, 1, buf, 4, nullptr, &usedDefault);
    std::string platform = usedDefault ? std::string("?") : std::string(buf, n > 0 ? n : 0);
    if (platform != ToCp932(std::wstring(1, wc)) && mismatches++ < 8) {
      char line[16];
      snprintf(line, sizeof line, " U+%04X", c);
      first += line;
    }
  }
  EXPECT_EQ(mismatches, 0) << first;
}

// The in-memory INI files copy these rules.
TEST(Win32Ini, ValuesAreTrimmedOnBothWays) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring file = std::wstring(temp) + L"zelini" + std::to_wstring(::GetCurrentProcessId()) + L".ini";
  Win32Ini ini;
  ASSERT_TRUE(ini.WriteValue(file, L"Options", L"CheckLevel", L" 1"));
  ASSERT_TRUE(ini.WriteValue(file, L"Options", L"Quoted", L"\"x y\""));
  EXPECT_EQ(ini.ReadRaw(file, L"Options", L"CheckLevel", 255), L"1");
  EXPECT_EQ(ini.ReadRaw(file, L"Options", L"Quoted", 255), L"x y");
  EXPECT_EQ(ini.ReadRaw(file, L"Options", L"Missing", 255), L"");
  std::string bytes;
  IgnoreError(Win32FileSystem().ReadBytes(file, bytes));
  EXPECT_NE(bytes.find("CheckLevel=1\r\n"), std::string::npos) << bytes;
  ::DeleteFileW(file.c_str());
}

TEST(Win32Registry, ReadsTextValuesAndGivesEmptyTextForMissingOnes) {
  Win32Registry reg;
  EXPECT_FALSE(reg.ReadText(RegRoot::LocalMachine, L"Software\\Microsoft\\Windows NT\\CurrentVersion", L"CurrentVersion")
                   .empty());
  EXPECT_TRUE(reg.ReadText(RegRoot::LocalMachine, L"Software\\NoSuchKeyZel", L"x").empty());
  EXPECT_TRUE(reg.ReadText(RegRoot::LocalMachine, L"Software\\Microsoft\\Windows\\CurrentVersion", L"NoSuchValue")
                  .empty());
}

}  // namespace
}  // namespace zel::win32

TEST(Win32KnownFolders, EveryNamedRoleIsAnExistingFolderOfItsOwn) {
  zel::win32::Win32System sys;
  std::set<std::wstring> seen;
  int named = 0;
  for (int i = 0; i < zel::kKnownFolderCount; ++i) {
    const std::wstring path = sys.KnownFolderPath(static_cast<zel::KnownFolder>(i));
    // A folder the platform names but has not made (Wine's Templates) is no folder at all.
    if (path.empty()) {
      EXPECT_EQ(static_cast<zel::KnownFolder>(i), zel::KnownFolder::Templates);
      continue;
    }
    ++named;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << i;
    seen.insert(path);
  }
  // Distinct roles, distinct folders: a wrong table row would name one twice.
  EXPECT_EQ(seen.size(), static_cast<size_t>(named));
  wchar_t windows[MAX_PATH] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(sys.KnownFolderPath(zel::KnownFolder::Windows), windows);
  EXPECT_EQ(sys.KnownFolderPath(zel::KnownFolder::Fonts), std::wstring(windows) + L"\\Fonts");
}
