#include <gtest/gtest.h>

#include "base/cp932.h"
#include "base/text.h"
#include "extract/dos_job.h"
#include "extract/extract.h"
#include "support/extraction.h"

namespace zel {
namespace {

const wchar_t kPif[] = L"C:\\windows\\PIF\\LHA.PIF";
const wchar_t kBatch[] = L"C:\\windows\\PIF\\ZEL32.BAT";

std::string ExeHeader(unsigned char b24, const char* at36, const char* at30) {
  std::string h(128, '\0');
  h.replace(0, 2, "MZ");
  h[24] = static_cast<char>(b24);
  h[60] = static_cast<char>(0x80);
  if (at36) h.replace(36, 3, at36);
  if (at30) h.replace(30, 2, at30);
  return h;
}

class Extraction : public testing::ExtractionTest {
 protected:
  Extraction() {
    x.fs.AddFile(L"C:\\dl\\a.lzh", "lzh");
    x.fs.AddFile(L"C:\\dl\\a.zip", "zip");
    x.fs.AddFile(kPif, std::string(517, '\0'));
    x.fs.AddFile(kBatch, "CD \\\r\n");
  }
  // The archive libraries in the system folder (stand-ins: libs answers).
  void AddLibraries() {
    x.fs.AddFile(L"C:\\windows\\system32\\UNLHA32.DLL", "MZ");
    x.fs.AddFile(L"C:\\windows\\system32\\UNZIP32.DLL", "MZ");
  }
  std::vector<std::wstring> TempFolders() { return Tree(kTemp, false); }
};

TEST_F(Extraction, LibraryExtractsIntoANewTemporaryFolderEachTimeWithACodePage932Command) {
  AddLibraries();
  x.fs.AddFolder(std::wstring(kTemp) + L"\\ZEL0002");        // left by someone else
  x.fs.AddFile(std::wstring(kTemp) + L"\\ZEL0003", "file");  // a file of that name
  x.fs.AddFile(L"C:\\ダウンロード\\ソフト.zip", "zip");
  ExtractOutcome first = ExtractToTemporary(X(), L"C:\\dl\\a.lzh");
  ExtractOutcome second = ExtractToTemporary(X(), L"C:\\ダウンロード\\ソフト.zip");
  EXPECT_EQ(first.result, ExtractResult::Extracted);
  EXPECT_EQ(first.folder, std::wstring(kTemp) + L"\\ZEL0001");
  EXPECT_EQ(second.folder, std::wstring(kTemp) + L"\\ZEL0004");
  ASSERT_EQ(libs.calls.size(), 2u);
  EXPECT_EQ(libs.calls[0].commandLine, "x -a1 \"C:\\dl\\a.lzh\" \"C:\\users\\root\\Temp\\ZEL0001\\\" *");
  EXPECT_EQ(libs.calls[1].commandLine,
            ToCp932(L"x \"C:\\ダウンロード\\ソフト.zip\" \"C:\\users\\root\\Temp\\ZEL0004\\\" *"));

  x.fs.AddFile(L"C:\\dl\\한.zip", "zip");  // no code page 932 form: the library would open another name
  ExtractOutcome out = ExtractToTemporary(X(), L"C:\\dl\\한.zip");
  EXPECT_EQ(out.result, ExtractResult::Refused);
  EXPECT_EQ(libs.calls.size(), 2u);
  EXPECT_TRUE(fe.AskedAbout(L"解凍プログラムに渡せない文字"));
  EXPECT_EQ(TempFolders().size(), 4u);  // ZEL0001 to 4: the refused one's folder is gone
}

TEST_F(Extraction, TemporaryFolderBaseIsAFixedDiskOutsideTheProgramsFolders) {
  x.fs.AddFolder(L"C:\\Zel32\\tmp");
  x.fs.AddDrive(L'E', DriveType::CdRom);
  x.fs.AddFolder(L"E:\\tmp");
  x.sys.env[L"TEMP"] = L"C:\\Zel32\\tmp";
  x.sys.env[L"TMP"] = L"E:\\tmp";
  EXPECT_EQ(MakeTemporaryFolder(x.machine, env), L"C:\\windows\\TEMP\\ZEL0001");
  x.sys.env[L"TEMP"] = L"tmp";  // relative: skipped
  x.sys.env[L"TMP"] = L"C:\\users\\root\\Temp\\";
  EXPECT_EQ(MakeTemporaryFolder(x.machine, env), L"C:\\users\\root\\Temp\\ZEL0001");
  x.fs.FailCreationBelow(kTemp);  // a base that cannot take a folder: the next one
  EXPECT_EQ(MakeTemporaryFolder(x.machine, env), L"C:\\windows\\TEMP\\ZEL0002");
  x.sys.env[L"TMP"] = L"C:\\Zel32\\WinXP";
  x.fs.FailCreationBelow(L"C:\\windows\\TEMP");

  AddLibraries();
  ExtractOutcome out = ExtractToTemporary(X(), L"C:\\dl\\a.lzh");
  EXPECT_EQ(out.result, ExtractResult::NoFolder);
  EXPECT_TRUE(fe.AskedAbout(L"臨時フォルダーを作成できません"));
}

TEST_F(Extraction, FailuresAreReportedAndAPartlyFilledFolderStaysToBeWashed) {
  AddLibraries();
  libs.handler = [&](const MemoryArchiveLibraries::Call&, std::string* output) {
    x.fs.AddFile(std::wstring(kTemp) + L"\\ZEL0001\\part.txt", "x");
    *output = "part.txt\r\n..\\evil.txt: unsafe name\r\n\r\n";
    return 0x8005;
  };
  ExtractOutcome out = ExtractToTemporary(X(), L"C:\\dl\\a.lzh");
  EXPECT_EQ(out.result, ExtractResult::Failed);
  EXPECT_EQ(out.folder, std::wstring(kTemp) + L"\\ZEL0001");
  // The library's own lines first, then the outcome.
  EXPECT_EQ(fe.console.size(), 3u);
  EXPECT_EQ(fe.console.back(), L"　★解凍できませんでした (エラー 32773)");
  EXPECT_TRUE(fe.AskedAbout(L"UNLHA32.DLL のエラー"));
}

TEST_F(Extraction, SelfExtractingProgramsGoToTheirLibraryAndOthersAreNoArchives) {
  AddLibraries();
  x.fs.AddFile(L"C:\\dl\\winsfx.exe", ExeHeader(0x40, "LHA", nullptr));
  x.fs.AddFile(L"C:\\dl\\zipsfx.exe", ExeHeader(0x40, nullptr, "PK"));
  x.fs.AddFile(L"C:\\dl\\dossfx.exe", ExeHeader(0x1C, "LHA", nullptr));
  x.fs.AddFile(L"C:\\dl\\app.exe", ExeHeader(0x40, nullptr, nullptr));
  for (const wchar_t* sfx : {L"C:\\dl\\winsfx.exe", L"C:\\dl\\zipsfx.exe", L"C:\\dl\\dossfx.exe"}) {
    EXPECT_EQ(ExtractToTemporary(X(), sfx).result, ExtractResult::Extracted) << ToUtf8(sfx);
  }
  ASSERT_EQ(libs.calls.size(), 3u);
  EXPECT_EQ(libs.calls[0].entry, "Unlha");
  EXPECT_EQ(libs.calls[1].entry, "UnZip");
  EXPECT_EQ(libs.calls[2].entry, "Unlha");

  ExtractOutcome out = ExtractToTemporary(X(), L"C:\\dl\\app.exe");
  EXPECT_EQ(out.result, ExtractResult::NotAnArchive);
  EXPECT_EQ(fe.questions.back().text, L"『app.exe』は、圧縮ファイルではありません");
  EXPECT_EQ(libs.calls.size(), 3u);
  EXPECT_EQ(TempFolders().size(), 3u);
}

TEST_F(Extraction, KindsThatCannotBeReadAreToldAndNothingIsMade) {
  env.HasUnlha = env.HasUnzip = false;
  ExtractOutcome out = ExtractToTemporary(X(), L"C:\\dl\\a.lzh");
  EXPECT_EQ(out.result, ExtractResult::NoExtractor);
  EXPECT_EQ(fe.questions.back().text, L"解凍プログラム 「 UNLHA32.DLL 」 または 「 LHA.EXE 」 が見つかりません。");
  EXPECT_FALSE(ListArchive(X(), L"C:\\dl\\a.lzh"));
  EXPECT_TRUE(TempFolders().empty());
}

TEST(BatchSafety, PathsTheInterpreterWouldActOnAreRefused) {
  EXPECT_TRUE(IsBatchSafe(L"C:\\Program Files\\x (1)\\a.lzh"));
  std::string bytes;
  EXPECT_TRUE(IsBatchSafe(L"C:\\ソフト\\表.lzh", &bytes));  // trail byte 5C is harmless
  EXPECT_EQ(bytes, ToCp932(L"C:\\ソフト\\表.lzh"));
  for (const wchar_t* bad : {L"C:\\a&b.lzh", L"C:\\a|b", L"C:\\a<b", L"C:\\a>b", L"C:\\a^b", L"C:\\%TEMP%\\a",
                             L"C:\\\"a\"", L"C:\\a\tb", L"C:\\ポ.lzh" /* trail byte 7C */, L"C:\\한.lzh", L""}) {
    EXPECT_FALSE(IsBatchSafe(bad)) << ToUtf8(bad);
  }
  EXPECT_EQ(BatchArgument(L"C:\\a,b"), L"\"C:\\a,b\"");
}

TEST_F(Extraction, MsDosSelfExtractorRunsItselfWhenAskedNeverWithAnUnsafePath) {
  options.ExtractDos = true;
  x.fs.AddFile(L"C:\\dl\\dossfx.exe", ExeHeader(0x1C, "LHA", nullptr));
  x.fs.AddFile(L"C:\\dl\\a&del.exe", ExeHeader(0x1C, "LHA", nullptr));
  // An unsafe name never reaches the job batch...
  EXPECT_EQ(ExtractToTemporary(X(), L"C:\\dl\\a&del.exe").result, ExtractResult::Refused);
  EXPECT_TRUE(TempFolders().empty());
  EXPECT_TRUE(fe.AskedAbout(L"『C:\\dl\\a&del.exe』は、|解凍プログラムに渡せない文字を含んでいるため"));
  // ...nor an unsafe destination (a temporary folder below "%x%").
  x.fs.AddFolder(L"C:\\t%x%");
  x.sys.env[L"TEMP"] = L"C:\\t%x%";
  EXPECT_EQ(ExtractToTemporary(X(), L"C:\\dl\\dossfx.exe").result, ExtractResult::Refused);
  EXPECT_FALSE(x.fs.Exists(L"C:\\t%x%\\ZEL0001"));
  EXPECT_EQ(x.fs.Content(kBatch), "CD \\\r\n");
  EXPECT_TRUE(x.desktop.opened.empty());
  x.sys.env[L"TEMP"] = kTemp;

  EXPECT_EQ(ExtractToTemporary(X(), L"C:\\dl\\dossfx.exe").result, ExtractResult::DosStarted);
  EXPECT_EQ(x.fs.Content(kBatch),
            "@ECHO OFF\r\nC:\r\nCD C:\\users\\root\\Temp\\ZEL0001\r\nC:\\dl\\dossfx.exe\r\n");
  EXPECT_EQ(x.desktop.opened, std::vector<std::wstring>{kPif});
  x.desktop.shellResult = 2;  // the start fails, and is told
  EXPECT_EQ(ExtractToTemporary(X(), L"C:\\dl\\dossfx.exe").result, ExtractResult::Failed);
  EXPECT_EQ(fe.questions.back().text, L"MS-DOSの解凍プログラムを起動できません");
  x.desktop.shellResult = 42;

  // Not asked to, the library takes even the unsafe name: nothing interprets it there.
  AddLibraries();
  options.ExtractDos = false;
  EXPECT_EQ(ExtractToTemporary(X(), L"C:\\dl\\a&del.exe").result, ExtractResult::Extracted);
  EXPECT_EQ(libs.calls.size(), 1u);
}

TEST_F(Extraction, NamedFolderMustExistAndNotBeTheProgramsOwn) {
  AddLibraries();
  EXPECT_EQ(ExtractToFolder(X(), L"C:\\dl\\a.zip", L"C:\\Zel32\\WinXP\\Backup").result, ExtractResult::Refused);
  EXPECT_EQ(fe.questions.back().text, L"『C:\\Zel32\\WinXP\\Backup』は、ゼルカのフォルダーです。|別のフォルダーを指定して下さい");
  EXPECT_EQ(ExtractToFolder(X(), L"C:\\dl\\a.zip", L"C:\\nowhere").result, ExtractResult::NoFolder);
  EXPECT_TRUE(libs.calls.empty());

  ExtractOutcome out = ExtractToFolder(X(), L"C:\\dl\\a.zip", L"C:\\users\\root\\Desktop\\");
  EXPECT_EQ(out.result, ExtractResult::Extracted);
  EXPECT_EQ(out.folder, L"C:\\users\\root\\Desktop");
  ASSERT_EQ(libs.calls.size(), 1u);
  EXPECT_EQ(libs.calls[0].commandLine, "x \"C:\\dl\\a.zip\" \"C:\\users\\root\\Desktop\\\" *");
}

TEST_F(Extraction, ContentsAreListedOnTheConsole) {
  AddLibraries();
  libs.output = "       123  readme.txt\r\n        45  docs\\guide.txt\r\n\r\n";
  EXPECT_TRUE(ListArchive(X(), L"C:\\dl\\a.zip"));
  ASSERT_EQ(libs.calls.size(), 1u);
  EXPECT_EQ(libs.calls[0].commandLine, "l \"C:\\dl\\a.zip\"");
  EXPECT_EQ(fe.console.size(), 4u);  // a blank line and the title, then the library's lines
  EXPECT_EQ(fe.console.back(), L"        45  docs\\guide.txt");
}

}  // namespace
}  // namespace zel
