// The system save: list records byte for byte, the walk's rules, what is
// copied and when, the set folder's refusals, and saves that stop early.
#include "system_test_machine.h"

namespace zel {
namespace {

using testing::SystemMachine;

std::string Rec(const char* time16, const std::string& lowerName) {
  return std::string(time16) + '\x04' + lowerName + '\x03';
}
std::string Folder(const std::string& lowerPath) { return '\x02' + lowerPath + '\x08'; }

TEST(SystemListRecords, CodesTwoThreeFourAndEightWithOnlyAToZLowered) {
  std::string out;
  EXPECT_TRUE(AppendFolderRecord(out, L"C:\\WINDOWS\\System32"));
  EXPECT_TRUE(AppendFileRecord(out, 0x01C9ABCD0012EF00ULL, L"ReadMe.TXT"));
  // "ア" is 83 41 and "Ａ" 82 60: their bytes are never case-folded.
  EXPECT_TRUE(AppendFileRecord(out, 0xFULL, L"アプリＡ.INI"));
  EXPECT_EQ(out, "\x02" "c:\\windows\\system32\x08" "01C9ABCD0012EF00\x04readme.txt\x03" "000000000000000F\x04" +
                     ToCp932(L"アプリＡ.ini") + "\x03");
  // A name the code page cannot hold is recorded with "?" and said to be lossy.
  out.clear();
  EXPECT_FALSE(AppendFileRecord(out, 1, L"a\u0100b"));
  EXPECT_EQ(out, "0000000000000001\x04" "a?b\x03");

  // Shown with each part's first letter raised, full-width letters and a leading "_" left as they are.
  EXPECT_EQ(DisplayPath(L"c:\\windows\\ｆｏｎｔｓ\\_root\\read me.TXT"),
            L"C:\\Windows\\ｆｏｎｔｓ\\_root\\Read me.txt");
  EXPECT_EQ(ProgramListBytes({L"Common Files", L"ゼルカ Soft"}), "\x02" "Common Files\x02" + ToCp932(L"ゼルカ Soft") + "\x02");
  EXPECT_EQ(ParseProgramList("\x02" "Common Files\x02" "Zel\x02" "cut"), (std::vector<std::wstring>{L"Common Files", L"Zel"}));
}

TEST(SystemListRecords, ADamagedListIsReadAsFarAsItIsWellFormed) {
  std::string first = Folder("c:\\windows") + Rec("01D0000000000100", "a.txt") + Rec("01D0000000000200", "b.txt");
  std::string second = Folder("c:\\windows\\system") + Rec("01D0000000000300", "c.dll");
  const std::string whole = first + second;
  ParsedList all = ParseList(whole);
  ASSERT_EQ(all.folders.size(), 2u);
  EXPECT_FALSE(all.damaged);
  ASSERT_NE(all.folders[1].Find("c.dll"), nullptr);

  // Cut anywhere: only whole groups come back; a cut inside a record drops
  // its group and marks the list damaged. The copy is exactly as long as the
  // cut, so a read past its end would be a read past the data.
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    const std::string part(whole, 0, cut);
    ParsedList p = ParseList(part);
    ASSERT_LE(p.folders.size(), 2u) << cut;
    if (cut > first.size() + 1 && p.folders.size() == 2) {
      EXPECT_EQ(p.folders[0].files.size(), 2u) << cut;
    }
    const bool atBoundary = cut == 0 || cut == first.size() || part.back() == '\x03' || part.back() == '\x08';
    EXPECT_EQ(p.damaged, !atBoundary) << cut;
  }
  // Broken hex, a missing code 4.
  EXPECT_TRUE(ParseList(Folder("c:\\w") + "01D00000000001G0\x04x\x03").damaged);
  EXPECT_TRUE(ParseList(Folder("c:\\w") + "01D0000000000100x\x03").damaged);
  // A folder listed twice keeps its first group.
  ParsedList twice = ParseList(first + Folder("c:\\windows") + Rec("01D0000000000900", "z.txt"));
  ASSERT_EQ(twice.folders.size(), 1u);
  EXPECT_TRUE(twice.damaged);
  EXPECT_EQ(twice.folders[0].Find("z.txt"), nullptr);
  // A name listed twice: the first record stands, the other is never deleted.
  ParsedList names = ParseList(Folder("c:\\w") + Rec("0000000000000001", "a.txt") + Rec("0000000000000002", "a.txt"));
  ListedFile* a = names.folders[0].Find("a.txt");
  ASSERT_EQ(a->lastWrite, 1u);
  a->seen = true;
  EXPECT_TRUE(names.folders[0].Unseen().empty());
  // Arbitrary bytes never crash the reader.
  std::string noise = whole;
  for (size_t i = 0; i < noise.size(); i += 3) {
    std::string m = noise;
    m[i] = static_cast<char>(m[i] ^ 0x5A);
    ParseList(m);
  }
}

class SystemSave : public SystemMachine {
 protected:
  void SetUp() override {
    SystemMachine::SetUp();
    // The machine's own files, with times the expectations can name.
    for (const wchar_t* f : {L"C:\\windows\\win.ini", L"C:\\windows\\regedit.exe",
                             L"C:\\windows\\system32\\kernel32.dll", L"C:\\boot.ini"}) {
      x.fs.AddFile(f, x.fs.Content(f), kOld);
    }
    x.fs.AddFile(L"C:\\windows\\アプリＡ.INI", "ja", kOld);
  }
};

TEST_F(SystemSave, ListsByteForByteAndCopiesByTheFolderRulesThenOnlyWhatChanged) {
  x.fs.AddFile(L"C:\\windows\\Locked\\secret.dat", "x", kOld);
  x.fs.SetUnreadable(L"C:\\windows\\Locked");  // neither listed nor, later, taken for added
  Start();
  SaveResult r = Save();
  ASSERT_TRUE(r.saved);

  const char* t = "01D0000000000100";
  EXPECT_EQ(SetBytes(kWindowsList),
            Folder("c:\\windows") + Rec(t, "win.ini") + Rec(t, "regedit.exe") + Rec(t, "setup.log") +
                Rec(t, "win386.swp") + Rec(t, ToCp932(L"アプリＡ.ini")) + Folder("c:\\windows\\system32") +
                Rec(t, "kernel32.dll") + Folder("c:\\windows\\system32\\drivers") + Rec(t, "disk.sys") +
                Folder("c:\\windows\\fonts") + Rec(t, "mincho.ttf"));
  EXPECT_EQ(SetBytes(kRootList), Folder("c:\\") + Rec(t, "boot.ini") + Rec(t, "autoexec.bat"));
  EXPECT_EQ(SetBytes(kUnenteredList), Folder("c:\\windows\\locked"));
  EXPECT_EQ(SetBytes(kRecoveryDat), "12-06-2026 10:30:00\r\n");

  // Copies keep their names and times; the count leaves out the list-only
  // Fonts, the swap file and the skipped temp folder.
  EXPECT_EQ(x.fs.Stat(set + L"\\Windows\\Setup.LOG")->lastWrite, kOld);
  EXPECT_EQ(r.copied, 8u);  // win.ini regedit setup.log アプリＡ kernel32 disk.sys boot.ini autoexec.bat
  x.fs.SetUnreadable(L"C:\\windows\\Locked", false);
  EXPECT_EQ(Compare(), std::vector<std::wstring>{L"変更はありません"});

  // A second save copies only new and changed files and deletes none.
  x.fs.AddFile(L"C:\\windows\\Setup.LOG", "setup 2", kNew);
  x.fs.AddFile(L"C:\\windows\\system32\\new.dll", "new", kNew);
  IgnoreError(x.fs.RemoveFile(L"C:\\windows\\regedit.exe"));
  // A copy the save made read-only (as its file was) is still refreshed.
  IgnoreError(x.fs.SetAttributes(set + L"\\Windows\\Setup.LOG", attr::kReadOnly | attr::kHidden));
  r = Save();
  ASSERT_TRUE(r.saved);
  EXPECT_EQ(r.copied, 3u);  // Setup.LOG, new.dll and secret.dat, its folder now readable
  EXPECT_EQ(x.fs.Content(set + L"\\Windows\\Setup.LOG"), "setup 2");
  EXPECT_TRUE(x.fs.Exists(set + L"\\Windows\\regedit.exe"));  // a save never deletes a copy
}

TEST_F(SystemSave, NeverWalksIntoTheSetOrTheProgramsOwnFolders) {
  // The program and its set inside the Windows folder (rule 13): neither is
  // listed, and the set never copies itself into itself.
  x.InstallProgram(L"C:\\windows\\Zel32");
  Start();
  set = L"C:\\windows\\Backup\\Set";
  x.fs.AddFile(set + L"\\Windows\\old.txt", "from before", kOld);
  x.fs.AddLink(L"C:\\windows\\Linked", L"C:\\users");
  ASSERT_TRUE(Save().saved);
  const std::string list = SetBytes(kWindowsList);
  EXPECT_EQ(list.find("zel32"), std::string::npos);
  EXPECT_EQ(list.find("backup\\set"), std::string::npos);
  EXPECT_EQ(list.find("linked"), std::string::npos);
  EXPECT_FALSE(x.fs.Exists(set + L"\\Backup\\Set"));
  EXPECT_FALSE(x.fs.Exists(set + L"\\Zel32"));
  EXPECT_EQ(x.fs.Content(set + L"\\Windows\\old.txt"), "from before");
  // ... and the compare does not take them for added folders.
  EXPECT_EQ(Compare(), std::vector<std::wstring>{L"変更はありません"});
}

TEST_F(SystemSave, AnInterruptedSaveLeavesNoStampAndKeepsEveryCopy) {
  Start();
  ASSERT_TRUE(Save().saved);
  const std::string oldList = SetBytes(kWindowsList);
  x.fs.AddFile(L"C:\\windows\\system32\\drivers\\new.sys", "n", kNew);
  x.fs.FailCreationBelow(set + L"\\system32\\drivers");
  IgnoreError(x.fs.RemoveFile(set + L"\\system32\\drivers\\disk.sys"));
  IgnoreError(x.fs.RemoveFolder(set + L"\\system32\\drivers"));
  SaveResult r = Save();
  EXPECT_FALSE(r.saved);
  EXPECT_TRUE(fe.AskedAbout(L"システムを保存できませんでした"));
  EXPECT_FALSE(x.fs.Exists(set + L"\\" + kRecoveryDat));
  EXPECT_EQ(SetBytes(kWindowsList), oldList);  // steps 3 to 6 wrote nothing
  EXPECT_TRUE(x.fs.Exists(set + L"\\Windows\\Setup.LOG"));
  // A restore treats the set as not saved.
  EXPECT_EQ(RestoreSystem(x.machine, fe, env, set).outcome, RestoreOutcome::NotSaved);
  EXPECT_TRUE(fe.AskedAbout(kNotSavedHere));
}

TEST_F(SystemSave, TheSetFolderIsAskedForAgainAfterEachRefusal) {
  Start();
  x.fs.AddDrive(L'D', DriveType::Fixed, 80ULL * 1024 * 1024 - 1);
  x.fs.AddFolder(L"C:\\Fixed");
  x.fs.FailCreationBelow(L"C:\\NoWay");
  std::vector<std::wstring> answers = {L"D:\\Set", L"C:\\NoWay\\Set", L"C:\\windows", L"C:\\Fixed\\Set\\"};
  size_t next = 0;
  auto chooser = [&](const std::wstring&) {
    return next < answers.size() ? answers[next++] : std::wstring();
  };
  EXPECT_EQ(ChooseSetFolder(x.machine, fe, env, set, chooser), L"C:\\Fixed\\Set");
  ASSERT_EQ(fe.questions.size(), 3u);
  EXPECT_EQ(fe.questions[0].text, L"バックアップには、少なくとも 1Ｇバイトの空き容量が必要です。");
  EXPECT_EQ(fe.questions[1].text, L"フォルダーを作成できません");
  EXPECT_EQ(fe.questions[2].text, L"Windowsフォルダーや、それを含むフォルダーには保存できません");
  EXPECT_TRUE(x.fs.Exists(L"C:\\Fixed\\Set"));
}

}  // namespace
}  // namespace zel
