"""The options dialog of the real Zel32.exe: OK writes every setting in
its stored form, Cancel writes nothing."""
import unittest

from zeltest import E2ETest, MAIN_TITLE, Machine

FORM = "ZelOptionForm:オプション設定"
INI = "C:\\Zel32\\WinXP\\Zel32.INI"


class OptionsTest(E2ETest):
    def open_options(self, machine):
        machine.drv("click", MAIN_TITLE, "設定")
        machine.drv("find", FORM, 20000)

    def test_ok_writes_the_settings_and_cancel_writes_nothing(self):
        machine = Machine.fresh(self, "options")
        machine.install()
        zel = machine.start_zel()
        zel.wait_ready()

        self.open_options(machine)
        self.assertEqual(machine.drv("checked", FORM, "全フォルダーの第１レベルのみ")[1].strip(), "1")
        self.assertEqual(machine.drv("checked", FORM, "実行時、警告を表示する")[1].strip(), "1")
        # Wine is a present-day Windows: the registry record is on by default.
        self.assertEqual(machine.drv("checked", FORM, "レジストリを値まで記録する")[1].strip(), "1")
        self.assertEqual(machine.drv("text", FORM, "VERDSP")[1].strip(), "Ver.1.0.0")
        machine.screenshot("options-dialog")

        # No test ran: the system save button asks for the save folder; a
        # cancelled chooser opens nothing.
        machine.drv("click", FORM, "システム保存 画面")
        machine.drv("find", "ZelFolderForm:システム保存フォルダーの選択", 20000)
        machine.drv("click", "ZelFolderForm:システム保存フォルダーの選択", "キャンセル")
        machine.drv("gone", "ZelFolderForm:システム保存フォルダーの選択", 10000)
        self.assertFalse(any("\tZelSystemForm\t" in line for line in machine.windows()))

        for caption in ("全フォルダーの下位レベルまで", "黒地にオレンジ", "報告書を記録する", "実行時、警告を表示する",
                        "システム･ファイルを総て保存・復元   （再起動が必要）"):
            machine.drv("click", FORM, caption)
        machine.drv("click", FORM, "OK")
        # The restore setting changed: the next start takes it, and says so once.
        box = zel.answer("OK", about="次回の起動時から有効になります")
        machine.drv("gone", FORM, 10000)
        self.assertIsNone(machine.message_box(1500), "the notice came twice")

        self.assertEqual(machine.read_ini("Options", "CheckLevel", INI), "2")
        self.assertEqual(machine.read_ini("Options", "ZelConColType", INI), "2")
        self.assertEqual(machine.read_ini("Options", "Report", INI), "-1")
        self.assertEqual(machine.read_ini("Options", "UseWarning", INI), "0")
        self.assertEqual(machine.read_ini("Options", "SaveAllSys", INI), "-1")
        self.assertEqual(machine.read_ini("Options", "UseMouseHelp", INI), "-1")
        self.assertEqual(machine.read_ini("Options", "QueryDirDel", INI), "-1")
        self.assertEqual(machine.read_ini("Options", "ExtractDos", INI), "0")
        self.assertEqual(machine.read_ini("Options", "CanUseFAT32", INI), "-1")  # always on for XP
        self.assertIsNone(machine.read_ini("Options", "ZelBackColor4", INI))  # unchanged: not written

        # Changes then Cancel: the file stays byte for byte.
        before = machine.read_bytes(INI)
        self.open_options(machine)
        self.assertEqual(machine.drv("checked", FORM, "全フォルダーの下位レベルまで")[1].strip(), "1")
        machine.drv("click", FORM, "マウス･ヘルプを使用する")
        machine.drv("click", FORM, "白地に黒")
        machine.drv("click", FORM, "ｷｬﾝｾﾙ")
        machine.drv("gone", FORM, 10000)
        self.assertEqual(machine.read_bytes(INI), before)
        zel.close()


if __name__ == "__main__":
    unittest.main()
