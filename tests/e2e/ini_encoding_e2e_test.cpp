// Ini files as editors save them: UTF-8 without a mark (Notepad today),
// UTF-16 with one, and text that Windows-1251 cannot hold.
#include <gtest/gtest.h>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

namespace {

class SavedIni : public Sync {
 protected:
  // The run's ini file with Russian names throughout, as 1251 text with LF
  // line ends; "{?}" stands for a character Windows-1251 lacks.
  std::string IniText(const std::string& keys = "") {
    CreateDirectoryA(source.c_str(), nullptr);
    return "# Настройки рабочего места {?}\n"
           "[Основные параметры]\n"
           "КаталогИсточник=" + source + "\nКаталогПриемник=" + target +
           "\nВыводитьСтатистикуСинхронизации=да\nВыполнить=\nПроверятьЗапущеноЛиУже=\n" + keys +
           "[Игнорировать]\n"
           "# журнал {?} остается на месте\n"
           "; {?}\n"
           "Журнал.log\n";
  }
  VelkarinRun RunWith(const std::string& bytes, const std::vector<ExpectedBox>& boxes = {}) {
    WriteFileBytes(dir / "velkarin.ini", bytes);
    VelkarinRun run = RunVelkarin("", dir.Path(), boxes);
    EXPECT_TRUE(run.exited) << "velkarin.exe did not end by itself";
    return run;
  }
  // What the run must have done: everything but the ignored file copied,
  // and said so in the statistics log, which is on only by the ini file.
  void ExpectSynchronised() {
    EXPECT_EQ(TargetTree(), (Tree{{"kadu.exe", "kadu.exe"}, {"Модули\\", ""}, {"Модули\\Печать.dll", "Модули\\Печать.dll"}}));
    EXPECT_EQ(ActionLines(), (Lines{Copied("kadu.exe"), Copied("Модули\\Печать.dll"), Created("Модули")}));
    EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
    EXPECT_FALSE(Exists(DefaultTargetGuard::kPath)) << "the defaults were used";
  }

  DefaultTargetGuard defaultTarget;
};

}  // namespace

TEST_F(SavedIni, Utf8WithoutAMarkDrivesTheRunAndItsCommentsMayHoldAnything) {
  MakeTree(source, {"kadu.exe", "Модули\\", "Модули\\Печать.dll", "Журнал.log"});
  RunWith(Utf8(WithCrLf(IniText())));
  ExpectSynchronised();
}

TEST_F(SavedIni, Utf16WithAMarkDrivesTheRun) {
  MakeTree(source, {"kadu.exe", "Модули\\", "Модули\\Печать.dll", "Журнал.log"});
  RunWith(Utf16WithMark(WithCrLf(IniText())));
  ExpectSynchronised();
}

TEST_F(SavedIni, AValueWindows1251LacksRefusesTheFileAndNamesTheKey) {
  MakeTree(source, {"kadu.exe"});
  const VelkarinRun run = RunWith(Utf8(WithCrLf(IniText("КоманднаяСтрока=/user:{?}\n"))), {ProgramBox()});
  ASSERT_TRUE(run.boxes[0].shown);
  EXPECT_EQ(run.boxes[0].text, "Ошибка в файле инициализации");
  EXPECT_EQ(Log("velkarin.err"),
            "Ошибка, значение ключа \"КоманднаяСтрока\" содержит символы, которых нет в кодировке Windows-1251. "
            "Синхронизация невозможна.\r\n");
  EXPECT_EQ(TargetTree(), Tree{}) << "nothing was synchronised";
  EXPECT_FALSE(Exists(DefaultTargetGuard::kPath));

  // "/l" has no log: its box names the key.
  const VelkarinRun preview = RunVelkarin("/l", dir.Path(), {ProgramBox()});
  ASSERT_TRUE(preview.boxes[0].shown);
  EXPECT_EQ(preview.boxes[0].text,
            "План синхронизации не составлен.\nОшибка в файле инициализации\nОшибка, значение ключа "
            "\"КоманднаяСтрока\" содержит символы, которых нет в кодировке Windows-1251. Синхронизация невозможна.");
}

TEST_F(SavedIni, PublishingReadsTheSourceFromAUtf8File) {
  MakeTree(source, {"kadu.exe"});
  WriteFileBytes(dir / "velkarin.ini", Utf8(WithCrLf(IniText())));
  const VelkarinRun run = RunVelkarin("/p", dir.Path(), {ProgramBox()});
  ASSERT_TRUE(run.boxes[0].shown);
  EXPECT_EQ(run.boxes[0].text, "Список источника опубликован в файле \"" + source +
                                   "\\velkarin.lst\".\nКаталогов: 0, файлов: 1.");
  EXPECT_TRUE(Exists(source + "\\velkarin.lst"));
  EXPECT_FALSE(Exists(dir / "velkarin.lst")) << "published in the working directory, the default source";
}
