#include <gtest/gtest.h>

#include "support/recording_front_end.h"
#include "support/xp_machine.h"
#include "wash/delete_tree.h"

namespace zel {
namespace {

TEST(DeleteTree, RemovesEverythingAndMakesReadOnlyEntriesWritableFirst) {
  testing::XpMachine x;
  x.fs.AddFile(L"C:\\t\\a.txt", "x");
  x.fs.AddFile(L"C:\\t\\sub\\deep\\b.txt", "x").attributes = attr::kReadOnly | attr::kHidden;
  EXPECT_TRUE(DeleteTree(x.machine, L"C:\\t"));
  EXPECT_FALSE(x.fs.Exists(L"C:\\t"));
  EXPECT_TRUE(DeleteTree(x.machine, L"C:\\nothing"));  // already gone
}

TEST(DeleteTree, ALinkGoesAsALinkAndItsTargetStays) {
  testing::XpMachine x;
  x.fs.AddFile(L"C:\\users\\root\\Documents\\precious.doc", "mine");
  x.fs.AddLink(L"C:\\t\\docs", L"C:\\users\\root\\Documents");
  x.fs.AddFile(L"C:\\t\\added.txt", "x");
  EXPECT_TRUE(DeleteTree(x.machine, L"C:\\t"));
  EXPECT_EQ(x.fs.Content(L"C:\\users\\root\\Documents\\precious.doc"), "mine");
  // The folder to delete may itself be a link.
  x.fs.AddLink(L"C:\\t2", L"C:\\users\\root\\Documents");
  EXPECT_TRUE(DeleteTree(x.machine, L"C:\\t2"));
  EXPECT_TRUE(x.fs.Exists(L"C:\\users\\root\\Documents\\precious.doc"));
}

TEST(DeleteTree, WhatCannotBeReadOrDeletedKeepsTheFolder) {
  testing::XpMachine x;
  x.fs.AddFile(L"C:\\t\\locked\\a.txt", "x");
  x.fs.SetUnreadable(L"C:\\t\\locked");
  EXPECT_FALSE(DeleteTree(x.machine, L"C:\\t"));
  EXPECT_TRUE(x.fs.Exists(L"C:\\t\\locked\\a.txt"));
  testing::XpMachine y;
  y.fs.AddFile(L"C:\\t\\busy.dll", "x");
  y.fs.AddFile(L"C:\\t\\free.txt", "x");
  y.fs.SetInUse(L"C:\\t\\busy.dll");
  EXPECT_FALSE(DeleteTree(y.machine, L"C:\\t"));
  EXPECT_FALSE(y.fs.Exists(L"C:\\t\\free.txt"));
  EXPECT_TRUE(y.fs.Exists(L"C:\\t\\busy.dll"));
}

TEST(DeleteTree, TheTemporaryFolderLineSaysWhatHappened) {
  testing::XpMachine x;
  testing::RecordingFrontEnd fe;
  x.fs.AddFile(L"C:\\tmp\\ZEL1\\a.txt", "x");
  EXPECT_TRUE(WashTemporaryFolder(x.machine, fe, L"C:\\tmp\\ZEL1"));
  ASSERT_EQ(fe.console.size(), 1u);
  EXPECT_EQ(fe.console[0], L"●ﾌｫﾙﾀﾞｰ『C:\\tmp\\ZEL1』を削除しました");
  EXPECT_EQ(fe.statuses.back(), L"洗浄中 : 臨時フォルダー");
  x.fs.AddFile(L"C:\\tmp\\ZEL2\\a.txt", "x");
  x.fs.SetInUse(L"C:\\tmp\\ZEL2\\a.txt");
  EXPECT_FALSE(WashTemporaryFolder(x.machine, fe, L"C:\\tmp\\ZEL2"));
  EXPECT_EQ(fe.console[1], L"●ﾌｫﾙﾀﾞｰ『C:\\tmp\\ZEL2』は削除できません");
  EXPECT_TRUE(WashTemporaryFolder(x.machine, fe, L""));
  EXPECT_EQ(fe.console.size(), 2u);
}

}  // namespace
}  // namespace zel
