// [Обновлять] names files and directories to synchronise: a listed name
// takes part whichever side holds it. A file only the source has is added,
// one only the target has is deleted when deletion is on, and everything
// unlisted stays as it is.
#include <gtest/gtest.h>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

TEST_F(Sync, ListedFileTheTargetLacksIsAddedBesideItsUnchangedNeighbour) {
  MakeTree(source, {"root.txt", "Mod\\", "Mod\\new.dll", "Mod\\old.dll"});
  MakeTree(target, {"Mod\\", "Mod\\old.dll"});
  SetWriteTime(source + "\\Mod\\old.dll", kBaseTime);
  WriteFileBytes(target + "\\Mod\\old.dll", "the target's own old.dll");
  SetWriteTime(target + "\\Mod\\old.dll", kBaseTime);
  Run("", "[Обновлять]\nMod\\new.dll\n");
  EXPECT_EQ(TargetTree(), (Tree{{"Mod\\", ""},
                                {"Mod\\new.dll", "Mod\\new.dll"},
                                {"Mod\\old.dll", "the target's own old.dll"}}))
      << "new.dll copied; old.dll and the unlisted root.txt left alone";
  EXPECT_EQ(ActionLines(), Lines{Copied("Mod\\new.dll")});
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
}

TEST_F(Sync, ListedFileInADirectoryTheTargetLacksCreatesTheDirectory) {
  MakeTree(source, {"Mod\\", "Mod\\new.dll", "Mod\\old.dll", "Other\\", "Other\\o.txt"});
  MakeTree(target, {"own.txt"});
  Run("", "[Обновлять]\nMod\\new.dll\n");
  EXPECT_EQ(TargetTree(), (Tree{{"own.txt", "own.txt"}, {"Mod\\", ""}, {"Mod\\new.dll", "Mod\\new.dll"}}));
  EXPECT_EQ(ActionLines(), (Lines{Copied("Mod\\new.dll"), Created("Mod")}));
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
}

TEST_F(Sync, WithDeletionOnListedNamesOnEitherSideOnlyAreSynchronised) {
  // Mod\gone.dll is listed and only the target has it; Add\new.dll is
  // listed and only the source has it. Nothing else may change.
  MakeTree(source, {"Mod\\", "Mod\\kept.dll", "Add\\", "Add\\new.dll", "Add\\skip.dll"});
  MakeTree(target, {"own.txt", "Mod\\", "Mod\\gone.dll", "Mod\\mine.txt", "Add\\", "Add\\local.ini",
                    "Extra\\", "Extra\\e.txt"});
  Run("УдалятьНенужныеФайлы=да\n", "[Обновлять]\nMod\\gone.dll\nAdd\\new.dll\n");
  EXPECT_EQ(TargetTree(), (Tree{{"own.txt", "own.txt"},
                                {"Mod\\", ""},
                                {"Mod\\mine.txt", "Mod\\mine.txt"},
                                {"Add\\", ""},
                                {"Add\\local.ini", "Add\\local.ini"},
                                {"Add\\new.dll", "Add\\new.dll"},
                                {"Extra\\", ""},
                                {"Extra\\e.txt", "Extra\\e.txt"}}));
  EXPECT_EQ(ActionLines(), (Lines{Copied("Add\\new.dll"),
                                  "Удаление файла \"" + target + "\\.\\Mod\\gone.dll\""}));
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
}
