"""The wash never takes what the user had: traps planted during a test as if the program under
test had made them (links to the user's folders, a "." twin of their folder, their folders renamed
or moved into an added one, another disk at D: after a restart in the middle of the test), then the
resumed snapshot, the check and the wash."""
import os
import time
import unittest

from zeltest import E2ETest, MAIN_TITLE, Machine, QUIET_INI

WORK = "C:\\Zel32\\WinXP"


class WashTrapsTest(E2ETest):
    def test_traps_after_a_restart(self):
        m = Machine.fresh(self, "traps", drives=[("D", "hd", 0x1111AAAA)])
        m.install(ini=QUIET_INI + "UseMouseHelp=0\nUseWarning=0\n")
        user = [u for u in os.listdir(m.path("C:\\users")) if u != "Public"][0]
        desktop = "C:\\users\\%s\\Desktop" % user
        shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
        m.box.import_reg("".join('[HKEY_CURRENT_USER\\%s%s]\n"Personal"="D:\\\\Documents"\n\n' % (shell, key)
                                 for key in ("Shell Folders", "User Shell Folders")))
        m.install_fixture("zelsetup.exe", "C:\\fixtures")
        m.write("C:\\zeltest\\zelsetup.args", "/only=rootdir,temp /delay=3000")
        user_files = {
            "C:\\Precious\\a.txt": "precious a", "C:\\Precious\\b.txt": "precious b",
            "C:\\Docs\\letter.txt": "a letter",
            "C:\\windows\\UserFolder\\mine.txt": "mine",
            "C:\\windows\\Readme.TXT": "read me",
            "D:\\Existing\\keep.txt": "on D",
            "D:\\Documents\\mine.txt": "my documents",
            "C:\\Album\\photo.txt": "a photo",
        }
        for path, text in user_files.items():
            m.write(path, text)
        old = time.time() - 3600  # made an hour before the snapshot
        for folder in ("C:\\Precious", "C:\\Docs", "C:\\windows\\UserFolder"):
            os.utime(m.path(folder), (old, old))
        m.write("C:\\config.sys", "FILES=40\r\n", old - 3600)

        zel = m.start_zel()
        zel.wait_ready()
        zel.go_to("C:\\fixtures")
        zel.start_file("zelsetup.exe")
        zel.answer("OK", about="グループ･アイコンや", timeout_ms=60000)

        # What the program under test did, planted from Linux.
        os.symlink(m.path("C:\\Precious"), m.path("C:\\NewLink"))
        m.write("C:\\Docs.\\sub\\junk.txt", "junk")
        os.rename(m.path("C:\\windows\\UserFolder"), m.path("C:\\windows\\Renamed"))
        os.rename(m.path("C:\\windows\\Readme.TXT"), m.path("C:\\windows\\README.txt"))
        os.makedirs(m.path("D:\\Added"))
        os.rename(m.path(desktop), m.path(desktop + ".old"))
        os.symlink(m.path("C:\\Album"), m.path(desktop))
        os.remove(m.path("C:\\config.sys"))
        os.symlink(m.path("C:\\Precious\\a.txt"), m.path("C:\\config.sys"))
        m.write("C:\\windows\\NewTool\\Old\\photo.txt", "moved in")
        os.utime(m.path("C:\\windows\\NewTool\\Old"), (old, old))

        # Windows ends in the middle of the test; at the next start D: is another disk.
        m.drv("post", MAIN_TITLE, 0x0011, 0)  # WM_QUERYENDSESSION
        m.drv("post", MAIN_TITLE, 0x0016, 1)  # WM_ENDSESSION
        time.sleep(2)
        self.assertIsNone(m.message_box(500), "a question while Windows ends")
        self.assertTrue(m.exists(WORK + "\\Zel32.dat"))
        m.box.kill()  # and the machine goes down
        other = m.drive_folder("D") + "-other"
        m.box.add_drive("D", other, "hd", 0x2222BBBB)
        for name in ("theirs.txt", "Sub/deep.txt"):
            os.makedirs(os.path.join(other, "Documents", "Sub"), exist_ok=True)
            with open(os.path.join(other, "Documents", name), "w") as f:
                f.write("the other disk's")
        m.box.start_server()
        m.wait_for_drives([("D", "hd", 0x2222BBBB)])

        zel = m.start_zel()
        zel.answer("はい", about="前回、テスト実行している途中でコンピュータが再起動されています。")
        zel.wait_ready()
        m.drv("key", MAIN_TITLE, "F8")
        zel.wait_status("洗浄ボタンか、ファイル名をクリックして下さい", timeout=120)
        check = zel.console()
        # The Windows temporary folder changes by itself: its file is never listed.
        self.assertFalse(any("zelfix.tmp" in line for line in check), check)
        for line in ("●ﾌｫﾙﾀﾞｰ『C:\\ZelFixtureData』が追加されています",
                     "●ﾌｫﾙﾀﾞｰ『C:\\NewLink』が追加されています",
                     "●ﾌｫﾙﾀﾞｰ『C:\\Docs.』が追加されています",
                     "●ドライブ『D:\\』は、記録したときと別のディスクです（確認しません）"):
            self.assertIn(line, check)
        renamed = check.index("●ﾌｫﾙﾀﾞｰ『C:\\windows\\Renamed』が追加されています")
        self.assertEqual(check[renamed + 1], "　　　（このﾌｧｲﾙは元に戻せません）")
        self.assertFalse(any("README" in line.upper() for line in check), check)
        self.assertFalse(any("D:\\Added" in line for line in check), check)
        self.assertFalse(any("D:\\Documents" in line for line in check), check)
        self.assertEqual(sum("ドライブ『D:\\』" in line for line in check), 1, check)
        self.assertIn("●ﾌｫﾙﾀﾞｰ『%s』は、記録したときと違いリンクになっています（確認しません）" % desktop, check)
        self.assertFalse(any(desktop + "\\photo.txt" in line for line in check), check)

        m.drv("key", MAIN_TITLE, "F9")
        zel.wait_status("ファイルを選択して下さい", timeout=180)
        wash = zel.console()
        self.assertIn("●ﾌｫﾙﾀﾞｰ『C:\\ZelFixtureData』を削除しました", wash)
        self.assertIn("●ﾌｫﾙﾀﾞｰ『C:\\Docs.』を削除しました", wash)
        self.assertIn("●ﾌｫﾙﾀﾞｰ『C:\\windows\\Renamed』は削除できません", wash)
        self.assertIn("●ドライブ『D:\\』は、記録したときと別のディスクのため、洗浄しません", wash)
        self.assertEqual(sum("ドライブ『D:\\』" in line for line in wash), 1, wash)
        self.assertFalse(any("D:\\Documents" in line for line in wash), wash)
        self.assertIn("●ﾌｫﾙﾀﾞｰ『%s』は、記録したときと違いリンクになっているため、洗浄しません" % desktop, wash)
        # The saved copy replaced the link; the file it led to is untouched.
        self.assertIn("●『C:\\config.sys』を元に戻しました", wash)
        self.assertFalse(os.path.islink(m.path("C:\\config.sys")))
        self.assertEqual(m.read_bytes("C:\\config.sys"), b"FILES=40\r\n")
        self.assertIn("●ﾌｫﾙﾀﾞｰ『C:\\windows\\NewTool\\Old』は削除できません", wash)
        self.assertEqual(m.read_bytes("C:\\windows\\NewTool\\Old\\photo.txt"), b"moved in")
        for name in ("theirs.txt", "Sub/deep.txt"):
            with open(os.path.join(other, "Documents", name)) as f:
                self.assertEqual(f.read(), "the other disk's")
        link_lines = [line for line in wash if "C:\\NewLink" in line]
        self.assertEqual(len(link_lines), 1, wash)
        if link_lines[0].endswith("を削除しました"):
            self.assertFalse(os.path.lexists(m.path("C:\\NewLink")))
        else:  # Wine refuses to remove a link to a folder that holds files
            self.assertTrue(link_lines[0].endswith("は削除できません"), link_lines)
        # The user's things are all there.
        moved = {"C:\\windows\\UserFolder\\mine.txt": "C:\\windows\\Renamed\\mine.txt",
                 "C:\\windows\\Readme.TXT": "C:\\windows\\README.txt"}
        for path, text in user_files.items():
            if path.startswith("D:"):  # D: now shows the other disk; the first one is untouched on the host
                where = os.path.join(m.drive_folder("D"), *path[3:].split("\\"))
            else:
                where = m.path(moved.get(path, path))
            with open(where) as f:
                self.assertEqual(f.read(), text, where)
        self.assertTrue(os.path.isdir(os.path.join(m.drive_folder("D"), "Added")))
        self.assertFalse(os.path.exists(m.path("C:\\Docs.")))
        # Something stayed: the snapshot is kept for another check and wash.
        self.assertTrue(m.exists(WORK + "\\Zel32.dat"))
        self.assertTrue(m.state("enabled", "洗浄"))


if __name__ == "__main__":
    unittest.main()
