// Target files that other programs have open while a run replaces or
// removes them: a program running from the target is renamed aside, a file
// held without sharing is tried again for a short while.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

namespace {

class FilesInUse : public Sync {
 protected:
  std::vector<std::unique_ptr<WaitingClient>> programs_;

  // Starts the target's copy of the client at `relative`, running until
  // ReleasePrograms (or the test's end).
  void StartProgram(const std::string& relative) {
    programs_.push_back(std::make_unique<WaitingClient>(
        Widen(target + "\\" + relative), dir / ("release" + std::to_string(programs_.size())), target));
    ASSERT_TRUE(programs_.back()->Running()) << relative << " did not start";
  }
  void ReleasePrograms() { programs_.clear(); }

  // The statistics log's lines that begin with `prefix`.
  Lines LinesStartingWith(const std::string& prefix) {
    Lines found;
    for (const std::string& line : ActionLines()) {
      if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    }
    return found;
  }
  std::string AsideLinePrefix(const std::string& relative) {
    return "Переименование занятого файла \"" + target + "\\.\\" + relative + "\" в \"";
  }
  std::string RetryLinePrefix(const std::string& relative) {
    return "Ожидание занятого файла \"" + target + "\\.\\" + relative + "\", повторных попыток: ";
  }
};

}  // namespace

TEST_F(FilesInUse, RunningProgramsAreRenamedAsideAndTheirFilesRemovedOnceTheyEnd) {
  const std::string client = *ReadFileBytes(ExeDir() + "\\fake_client.exe");
  const std::string newVersion = client + "new version";  // bytes past the image: still runs
  MakeTree(source, {"Модули\\"});
  WriteFileBytes(source + "\\Модули\\helper.exe", newVersion);
  MakeTree(target, {"Модули\\"});
  WriteFileBytes(target + "\\Модули\\helper.exe", client);
  SetWriteTime(target + "\\Модули\\helper.exe", kBaseTime);
  WriteFileBytes(target + "\\surplus.exe", client);
  StartProgram("Модули\\helper.exe");
  StartProgram("surplus.exe");

  Run("УдалятьНенужныеФайлы=да\n");
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_TRUE(ReadFileBytes(target + "\\Модули\\helper.exe") == newVersion) << "the new version in place";
  EXPECT_FALSE(Exists(target + "\\surplus.exe"));
  // Each old file stands aside under the name its line gives, whole.
  for (const char* relative : {"Модули\\helper.exe", "surplus.exe"}) {
    const Lines lines = LinesStartingWith(AsideLinePrefix(relative));
    ASSERT_EQ(lines.size(), 1u) << relative << "\n" << Log("velkarin.out");
    std::string aside = lines[0].substr(AsideLinePrefix(relative).size());
    aside.pop_back();  // the closing quote
    EXPECT_EQ(aside.rfind(target + "\\.\\" + relative + ".~velkarin", 0), 0u) << aside;
    EXPECT_TRUE(ReadFileBytes(aside) == client) << "the old file whole: " << aside;
  }
  const Lines actions = ActionLines();
  EXPECT_TRUE(std::find(actions.begin(), actions.end(), Copied("Модули\\helper.exe")) != actions.end());

  // Once the programs have ended, the next run removes the aside files,
  // whatever the deletion setting, and has nothing else to do.
  ReleasePrograms();
  Run();
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(ActionLines(), Lines{});
  const Tree left = TargetTree();
  std::string names;
  for (const auto& item : left) names += item.first + " ";
  EXPECT_EQ(left.size(), 2u) << names;
  EXPECT_TRUE(left.count("Модули\\") == 1 && left.at("Модули\\").empty());
  EXPECT_TRUE(left.count("Модули\\helper.exe") == 1 && left.at("Модули\\helper.exe") == newVersion);
}

TEST_F(FilesInUse, FileHeldWithoutSharingIsTriedAgainUntilReleased) {
  MakeTree(source, {"update.txt"});
  MakeTree(target, {"update.txt"});
  SetWriteTime(target + "\\update.txt", kBaseTime);
  auto holder = std::make_unique<FileHolder>(target + "\\update.txt");
  ASSERT_TRUE(holder->Holding());
  // The holder lets go once the run has its new file ready beside the held
  // one, that is, while the run is waiting to try again. Watched for as
  // long as the run lasts, however long Wine takes to start it.
  std::atomic<bool> runEnded{false};
  std::atomic<bool> released{false};
  std::thread release([&] {
    const auto newFileReady = [&] {
      for (const std::string& name : Temporaries(target)) {
        if (name.rfind("update.txt.~velkarin", 0) == 0) return true;
      }
      return false;
    };
    if (WaitUntil([&] { return runEnded || newFileReady(); }, 600000) && !runEnded) {
      holder.reset();
      released = true;
    }
  });
  Run();
  runEnded = true;
  release.join();
  ASSERT_TRUE(released) << "the run ended without its new file ever standing beside the held one";
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(ReadFileBytes(target + "\\update.txt"), "update.txt");
  const Lines waited = LinesStartingWith(RetryLinePrefix("update.txt"));
  ASSERT_EQ(waited.size(), 1u) << Log("velkarin.out");
  EXPECT_GE(std::stoi(waited[0].substr(RetryLinePrefix("update.txt").size())), 1);
  EXPECT_EQ(TargetTree(), (Tree{{"update.txt", "update.txt"}}));
}

TEST_F(FilesInUse, ManyHeldFilesShareOneWaitOfTheConfiguredLengthThenFailAsBefore) {
  const int kFiles = 6;
  std::vector<std::string> names;
  for (int i = 0; i < kFiles; ++i) names.push_back("held" + std::to_string(i) + ".txt");
  MakeTree(source, names);
  MakeTree(target, names);
  // ОжиданиеЗанятыхФайлов: the run's wait in seconds (3 by default), and
  // the tries each file may have with it, a quarter of a second apart.
  struct Case {
    const char* keys;
    int budgetMs;
    int triesPerFile;
  };
  for (const Case& c : {Case{"", 3000, 4}, Case{"ОжиданиеЗанятыхФайлов=1\n", 1000, 2},
                        Case{"ОжиданиеЗанятыхФайлов=0\n", 0, 0}}) {
    SCOPED_TRACE(c.keys);
    std::vector<std::unique_ptr<FileHolder>> holders;
    for (const std::string& name : names) {
      SetWriteTime(target + "\\" + name, kBaseTime);
      holders.push_back(std::make_unique<FileHolder>(target + "\\" + name));
      ASSERT_TRUE(holders.back()->Holding());
    }
    Run(c.keys, "", "", true);
    holders.clear();

    std::set<std::string> errors;
    int retries = 0, most = 0;
    for (const std::string& name : names) {
      errors.insert("Ошибка копирования файла \"" + source + "\\.\\" + name + "\" в \"" + target + "\\.\\" +
                    name + "\" (32: ");
      for (const std::string& line : LinesStartingWith(RetryLinePrefix(name))) {
        const int tries = std::stoi(line.substr(RetryLinePrefix(name).size()));
        retries += tries;
        most = std::max(most, tries);
      }
    }
    EXPECT_EQ(ErrorLines(), errors);
    // The first files use up the wait, the rest fail at once.
    EXPECT_EQ(retries * 250, c.budgetMs);
    EXPECT_EQ(most, c.triesPerFile);
    Tree unchanged;
    for (const std::string& name : names) unchanged[name] = name;
    EXPECT_EQ(TargetTree(), unchanged) << "no temporaries left, the held files as they were";
  }
}
