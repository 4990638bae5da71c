// "/l": the plan of a run, written to the temporary folder, matches what
// the run then does, and the preview itself changes nothing anywhere.
#include <gtest/gtest.h>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

namespace {

const std::string kPlanWritten = "План синхронизации записан в файл \"";

std::string TempFolder() {
  char folder[MAX_PATH + 1] = "";
  const DWORD length = GetTempPathA(sizeof(folder), folder);
  EXPECT_TRUE(length != 0 && length < sizeof(folder));
  return folder;
}

// Every item below `root` and the root itself: content, attributes, size,
// creation and last-write times. (Access times move with any reading.)
Tree TreeState(const std::string& root) {
  Tree state = ReadTree(root);
  state[""] = "";
  for (auto& [path, content] : state) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const std::string full = path.empty() ? root : root + "\\" + path;
    if (!GetFileAttributesExA(full.c_str(), GetFileExInfoStandard, &data)) {
      content += "|absent";
      continue;
    }
    content += "|" + std::to_string(data.dwFileAttributes) + "|" + std::to_string(data.nFileSizeLow) + "|" +
               std::to_string(data.ftCreationTime.dwLowDateTime) + "." +
               std::to_string(data.ftCreationTime.dwHighDateTime) + "|" +
               std::to_string(data.ftLastWriteTime.dwLowDateTime) + "." +
               std::to_string(data.ftLastWriteTime.dwHighDateTime);
  }
  return state;
}

class Preview : public Sync {
 protected:
  std::string planPath = TempFolder() + "velkarin-plan.txt";

  // "/l" on the fixture's ini file (written by WriteRunIni); the box it ends with.
  BoxReport RunPreview(const std::string& workingDir = "") {
    DeleteFileA(planPath.c_str());
    const VelkarinRun run =
        RunVelkarin("/l " + (dir / "velkarin.ini"), workingDir.empty() ? dir.Path() : workingDir, {ProgramBox()});
    EXPECT_TRUE(run.exited) << "velkarin.exe /l did not end by itself";
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes[0].shown) << "no box after /l";
    return run.boxes[0];
  }

  // The plan's lines, sorted (listing order is the file system's).
  Lines PlanLines() {
    const std::optional<std::string> bytes = ReadFileBytes(planPath);
    EXPECT_TRUE(bytes.has_value()) << "no plan at " << planPath;
    Lines lines;
    std::istringstream in(bytes.value_or(""));
    for (std::string line; std::getline(in, line);) {
      EXPECT_FALSE(line.empty() || line.back() != '\r') << "every line ends with CR LF";
      if (!line.empty()) line.pop_back();
      lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  bool Has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  std::string Removed(const std::string& relative) { return "Удаление файла \"" + target + "\\.\\" + relative + "\""; }
};

}  // namespace

TEST_F(Preview, ThePlanIsWhatTheRunThenDoesAndThePreviewChangesNothing) {
  const std::string lists =
      "[СтрогоСинхронизировать]\nМодули\n[Вырезать]\ncut.txt\n[Пропустить существующие]\nkept.txt\n"
      "[Проверить пары]\nkadu.exe=kadu.ex\n";
  struct Case {
    const char* what;
    std::string keys;
    bool surplusGoes;
  };
  for (const Case& c : {Case{"deletion on", "УдалятьНенужныеФайлы=да\n", true},
                        Case{"deletion off, strict entry only", "УдалятьНенужныеФайлы=нет\n", false}}) {
    SCOPED_TRACE(c.what);
    DeleteTree(source);
    DeleteTree(target);
    MakeTree(source, {"new.txt", "changed.txt", "same.txt", "kept.txt", "kadu.ex", "Новый\\", "Новый\\a.txt",
                      "Модули\\", "Модули\\m.dll"});
    // A leftover of a killed run too: a preview reads, it never removes one.
    MakeTree(target, {"changed.txt", "same.txt", "kept.txt", "surplus.txt", "cut.txt", "kadu.exe", "Лишний\\",
                      "Лишний\\x.txt", "Модули\\", "Модули\\stale.dll", "Модули\\m.dll.~velkarin4242-0"});
    WriteFileBytes(target + "\\changed.txt", "old");
    WriteFileBytes(target + "\\kept.txt", "the user's own");
    for (const char* same : {"same.txt", "kadu.ex"}) SetWriteTime(source + "\\" + same, kBaseTime);
    for (const char* older : {"same.txt", "changed.txt", "kept.txt", "kadu.exe"}) {
      SetWriteTime(target + "\\" + older, older == std::string("same.txt") ? kBaseTime : kBaseTime - 100 * kSecond);
    }
    SetFileAttributesA((target + "\\surplus.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteRunIni(c.keys, lists);

    const Tree targetBefore = TreeState(target);
    const Tree sourceBefore = TreeState(source);
    const BoxReport box = RunPreview();
    EXPECT_EQ(box.text.substr(0, kPlanWritten.size()), kPlanWritten) << box.text;
    EXPECT_EQ(TreeState(target), targetBefore) << "the preview changed the target";
    EXPECT_EQ(TreeState(source), sourceBefore) << "the preview changed the source";

    Lines plan = PlanLines();
    const std::string cutLine = "Удаление \"" + target + "\\cut.txt\"";
    EXPECT_TRUE(Has(plan, Removed("Модули\\stale.dll"))) << "the strict entry deletes";
    EXPECT_EQ(Has(plan, Removed("surplus.txt")), c.surplusGoes);
    EXPECT_TRUE(Has(plan, Copied("changed.txt")));
    EXPECT_TRUE(Has(plan, "Копирование файла \"" + source + "\\kadu.ex\" в \"" + target + "\\kadu.exe\""))
        << "the pair's times differ";
    EXPECT_FALSE(Has(plan, Copied("kept.txt"))) << "skipped as existing";
    EXPECT_FALSE(Has(plan, Copied("same.txt"))) << "same time, same file";
    const auto cut = std::find(plan.begin(), plan.end(), cutLine);
    ASSERT_NE(cut, plan.end()) << "the cut entry is planned";
    plan.erase(cut);

    Run(c.keys, lists);
    EXPECT_EQ(plan, ActionLines()) << "the plan against the run's statistics log";
    EXPECT_FALSE(Exists(target + "\\cut.txt"));
    SetFileAttributesA((target + "\\surplus.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(Preview, AMissingTargetIsNotCreatedAndIsPlannedWhole) {
  target = dir / "Нет\\Приемник";
  MakeTree(source, {"a.txt", "Модули\\", "Модули\\b.txt"});
  WriteRunIni();
  const BoxReport box = RunPreview();
  EXPECT_EQ(box.text, kPlanWritten + planPath + "\".\nДействий: 4.");
  EXPECT_FALSE(Exists(dir / "Нет")) << "the preview created the target's parent";

  Lines plan = PlanLines();
  const std::string targetLine = "Создание каталога \"" + target + "\"";
  Lines expected = {targetLine, Created("Модули"), Copied("a.txt"), Copied("Модули\\b.txt")};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(plan, expected);

  // The run creates the target before its log opens: that line is the plan's own.
  const auto created = std::find(plan.begin(), plan.end(), targetLine);
  ASSERT_NE(created, plan.end()) << "the target's creation is planned";
  plan.erase(created);
  Run();
  EXPECT_EQ(plan, ActionLines());
}

TEST_F(Preview, TheBoxNamesThePlanInTheTemporaryFolder) {
  // Started in the source, as a default configuration is: nothing lands there.
  MakeTree(source, {"a.txt"});
  MakeTree(target, {});
  WriteRunIni();
  const BoxReport box = RunPreview(source);
  EXPECT_EQ(box.icon, "information");
  ASSERT_EQ(box.text.substr(0, kPlanWritten.size()), kPlanWritten) << box.text;
  const std::size_t end = box.text.find('"', kPlanWritten.size());
  ASSERT_NE(end, std::string::npos) << box.text;
  const std::string named = box.text.substr(kPlanWritten.size(), end - kPlanWritten.size());
  EXPECT_EQ(named, TempFolder() + "velkarin-plan.txt");
  EXPECT_EQ(ReadFileBytes(named), Copied("a.txt") + "\r\n");
  EXPECT_FALSE(Exists(source + "\\velkarin-plan.txt"));
  EXPECT_FALSE(Exists(dir / "velkarin-plan.txt"));
  EXPECT_EQ(ReadTree(target), Tree{}) << "no log, no copy";
}
