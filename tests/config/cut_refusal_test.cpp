#include "config/cut_refusal.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Shown(const PathForms& forms) {
  std::string text;
  for (const std::wstring& form : forms) text += std::string(form.begin(), form.end()) + " ";
  return text;
}

// A workstation's folders, as the system would report them, upper-cased.
GuardedFolders Workstation() {
  GuardedFolders folders;
  folders.source = {L"\\\\SRV\\RELEASE\\KADU"};
  folders.target = {L"C:\\KADU\\CLIENT"};
  folders.ownFiles = {{L"C:\\KADU\\CLIENT\\VELKARIN.ERR"},
                      {L"C:\\TOOLS\\VELKARIN\\VELKARIN.EXE"},
                      {L"C:\\TOOLS\\VELKARIN\\VELKARIN.INI"}};
  folders.system = {{L"C:\\WINDOWS"},
                    {L"C:\\PROGRAM FILES"},
                    {L"C:\\PROGRAM FILES (X86)", L"C:\\PROGRA~2"},
                    {L"C:\\PROGRAMDATA"},
                    {L"C:\\USERS"},
                    {L"C:\\USERS\\IVANOV"}};
  return folders;
}

}  // namespace

TEST(CutRefusal, TheSystemsFoldersAndThoseAboveThemAreRefused) {
  const GuardedFolders folders = Workstation();
  for (const PathForms& entry : {PathForms{L"C:\\WINDOWS"}, PathForms{L"C:\\PROGRAM FILES"},
                                PathForms{L"C:\\PROGRAM FILES (X86)"}, PathForms{L"C:\\PROGRA~2"},
                                PathForms{L"C:\\PROGRAMDATA"}, PathForms{L"C:\\USERS"},
                                PathForms{L"C:\\USERS\\IVANOV"}}) {
    EXPECT_EQ(RefusalOfCutPath(entry, folders), CutRefusal::SystemFolder) << Shown(entry);
  }
  // A junction whose written form says nothing: its final form decides.
  EXPECT_EQ(RefusalOfCutPath({L"D:\\LINK", L"C:\\USERS"}, folders), CutRefusal::SystemFolder);
}

TEST(CutRefusal, WhatLiesInsideTheSystemsFoldersMayStillBeCut) {
  const GuardedFolders folders = Workstation();
  for (const PathForms& entry : {PathForms{L"C:\\PROGRAM FILES\\OLD KADU"}, PathForms{L"C:\\WINDOWS\\TEMP\\KADU"},
                                PathForms{L"C:\\USERS\\IVANOV\\APPDATA\\KADU"}, PathForms{L"C:\\WINDOWS.OLD"},
                                PathForms{L"C:\\PROG"}, PathForms{L"C:\\USERS\\IVAN"},
                                PathForms{L"D:\\KADU-1.0"}, PathForms{L"\\\\SRV\\RELEASE\\OLD"}}) {
    EXPECT_EQ(RefusalOfCutPath(entry, folders), CutRefusal::None) << Shown(entry);
  }
}

TEST(CutRefusal, RootsAndTheRunsOwnFolders) {
  const GuardedFolders folders = Workstation();
  EXPECT_EQ(RefusalOfCutPath({L"Q:"}, folders), CutRefusal::Root);
  EXPECT_EQ(RefusalOfCutPath({L"Q:", L"C:\\TMP\\MAPPED"}, folders), CutRefusal::Root) << "a mapped drive";
  EXPECT_EQ(RefusalOfCutPath({L"\\\\SRV\\OTHER"}, folders), CutRefusal::Root);
  EXPECT_EQ(RefusalOfCutPath({}, folders), CutRefusal::Root) << "no form at all is never deleted";
  EXPECT_EQ(RefusalOfCutPath({L"C:\\KADU\\CLIENT"}, folders), CutRefusal::Target);
  EXPECT_EQ(RefusalOfCutPath({L"C:\\KADU"}, folders), CutRefusal::Target);
  EXPECT_EQ(RefusalOfCutPath({L"\\\\SRV\\RELEASE\\KADU"}, folders), CutRefusal::Source);
  EXPECT_EQ(RefusalOfCutPath({L"\\\\SRV\\RELEASE\\KADU\\BIN"}, folders), CutRefusal::InsideSource);
  EXPECT_EQ(RefusalOfCutPath({L"C:\\TOOLS"}, folders), CutRefusal::OwnFile);
  EXPECT_EQ(RefusalOfCutPath({L"C:\\TOOLS\\VELKARIN\\VELKARIN.INI"}, folders), CutRefusal::OwnFile);
  EXPECT_EQ(RefusalOfCutPath({L"C:\\KADU\\CLIENT\\OLD"}, folders), CutRefusal::None) << "inside the target";
}
