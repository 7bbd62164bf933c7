"""The whole cycle with the installer-like fixture: every change listed and undone, and the drive as
it was before the test but for what stays by design."""
import time
import unittest

from cycle import ALLOWED, Cycle
from zeltest import E2ETest, MAIN_TITLE, sandbox

PROGRAMS = "C:\\users\\%s\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
# Wine reports a present-day Windows: the registry record names the uninstall
# key from its area "HKEY_LOCAL_MACHINE\SOFTWARE", in the check and the wash.
UNINSTALL_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZelFixture"


class CycleTest(E2ETest):
    @classmethod
    def setUpClass(cls):
        cls.cycle = Cycle(cls.class_machine("cycle"))
        cls.cycle.prepare()
        cls.cycle.start()

    def test_1_the_cycle(self):
        c = self.cycle
        m = c.machine
        c.run_fixture()
        self.assertIn("    zelsetup.exe 実行終了", c.zel.console())
        self.assertIn("done\t0", m.read_bytes("C:\\zeltest\\zelsetup.log").decode("utf-8"))
        self.assertTrue(c.lit("INIDSP1"), "WIN.INI was rewritten during the run")

        check = c.check()
        m.screenshot("cycle-after-check")
        new = [("ﾌｧｲﾙ", "C:\\windows\\System32\\zelfix.dll"), ("ﾌｫﾙﾀﾞｰ", "C:\\Program Files\\ZelFixture"),
               ("ﾌｫﾝﾄ", "zelfix.ttf"), ("ｼｮｰﾄｶｯﾄ", PROGRAMS % c.user() + "\\Zel Fixture"),
               ("ｸﾞﾙｰﾌﾟ", "Zel Fixture"), ("ﾌｫﾙﾀﾞｰ", "C:\\ZelFixtureData")]
        for line in ["●『WIN.INI』が変更されています", "●レジストリ『%s』が追加されています" % UNINSTALL_KEY] + [
                "●%s『%s』が追加されています" % kind_path for kind_path in new]:
            self.assertIn(line, check)
        # The Windows temporary folder changes by itself: never listed; nor a folder's own time.
        self.assertFalse(any("zelfix.tmp" in line for line in check), check)
        self.assertFalse([line for line in check if line.startswith("●ﾌｫﾙﾀﾞｰ") and "修正" in line], check)
        shared = check.index("●ﾌｧｲﾙ『C:\\windows\\zelshared.dat』が修正されています")
        self.assertEqual(check[shared + 1], "　　　（このﾌｧｲﾙは元に戻せません）")

        # F9 twice: one wash. The control panel opens on Wine's page for
        # adding and removing programs; the person closes it after the
        # message and lets the wash go on, and repairs the registry.
        wash, seen = c.wash(close_panel=True, again=True)
        m.screenshot("cycle-after-wash")
        self.assertFalse(c.lit("INIDSP1"), "WIN.INI was put back")
        self.assertEqual(seen, ["削除できるリストの中から、「 Zel Fixture 」をクリックし、「追加と削除」ボタンを押してください",
                                "洗浄を続行していいですか？", "レジストリの復元指定"])
        for line in ["●レジストリ『%s』を削除しました" % UNINSTALL_KEY, "●『WIN.INI』を元に戻しました"] + [
                "●%s『%s』を削除しました" % kind_path for kind_path in new]:
            self.assertEqual(wash.count(line), 1, line)
        self.assertFalse(any("できません" in line for line in wash), wash)

        # The snapshot is spent; a check now has nothing to say.
        self.assertFalse(m.exists(sandbox.PROGRAM_FOLDER + "\\WinXP\\Zel32.dat"))
        m.drv("click", MAIN_TITLE, "確認")
        c.zel.wait_status("ファイル名をクリックして下さい")
        self.assertEqual(c.zel.console(), [" ※ 変更・追加はありません"])
        latest = m.read_bytes(sandbox.PROGRAM_FOLDER + "\\WinXP\\最新の洗浄リスト.TXT").decode("cp932")
        self.assertIn("\r\n●ファイル『C:\\windows\\System32\\zelfix.dll』が追加されています\r\n", latest)
        records = m.read_bytes(sandbox.PROGRAM_FOLDER + "\\WinXP\\洗浄記録.TXT").decode("cp932")
        self.assertEqual(records, latest + "\r\n")

        # The drive is as it was, but for what stays by design.
        added, removed, changed, kept = c.difference()
        self.assertEqual((added, removed, changed), ([], [], []))
        self.assertTrue(all(any(k.upper().startswith(p.upper()) for p, _ in ALLOWED) for k in kept))

    def test_2_a_control_panel_that_never_opens(self):
        # Wine's control panel without its page for adding and removing
        # programs: the wash waits its time, then asks.
        c = self.cycle
        c.zel.close()
        c.start(extra_env={"WINEDLLOVERRIDES": "appwiz.cpl=d"})
        c.fixture_args("/only=uninstall /delay=3000")
        c.run_fixture()
        started = time.time()
        wash, seen = c.wash(close_panel=False)
        self.assertEqual(seen, ["「アプリケーションの追加と削除」 の画面が開きません\n\n洗浄を続行していいですか？",
                                "レジストリの復元指定"])
        self.assertGreater(time.time() - started, 25)
        self.assertIn("●レジストリ『%s』を削除しました" % UNINSTALL_KEY, wash)
        self.assertIn("●ﾌｫﾙﾀﾞｰ『C:\\Program Files\\ZelFixture』を削除しました", wash)

    def test_3_a_registry_change_without_a_window(self):
        # A program without a window registers itself for removal: the registry lamp lights while it
        # runs and No to the monitor's question ends the run. The wash without a check finds the change
        # afresh (so starts the uninstaller that came with it), and the lamp goes out.
        c = self.cycle
        m = c.machine
        c.zel.close()
        c.start()
        self.assertFalse(c.lit("INIDSP3"))
        c.fixture_args("/only=uninstall /nowindow /delay=60000")
        c.start_fixture()
        c.zel.answer("いいえ", about="レジストリが変更されましたが、現在、テストしたプログラムは実行中ですか？",
                     timeout_ms=90000)
        self.assertTrue(c.lit("INIDSP3"))
        c.zel.answer("OK", about="グループ･アイコンや", timeout_ms=30000)
        console = c.zel.console()
        self.assertIn("実行が終了したら、中止ボタンを押して下さい", console)
        self.assertIn("    zelsetup.exe 実行終了", console)
        m.screenshot("cycle-registry-lamp")
        m.install_fixture("fixapp.exe", "C:\\fixtures", rename="uninst.exe")
        m.write("C:\\zeltest\\uninst.args", "/nowindow 0")
        wash, seen = c.wash(close_panel=True)
        self.assertTrue(seen[0].startswith("アンインストーラーを起動します"), seen)
        self.assertIn("nowindow\t0", m.read_bytes("C:\\zeltest\\uninst.log").decode("utf-8"))
        self.assertIn("レジストリの復元指定", seen)
        self.assertIn("●レジストリ『%s』を削除しました" % UNINSTALL_KEY, wash)
        self.assertFalse(c.lit("INIDSP3"))


if __name__ == "__main__":
    unittest.main()
