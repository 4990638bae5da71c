#include "config/path_nesting.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Shown(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

TEST(PathNesting, OneTextForEachSpellingOfAFolder) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"C:\\Data\\", L"C:\\Data"},
      {L"C:\\", L"C:"},
      {L"\\\\?\\C:\\Data", L"C:\\Data"},
      {L"\\\\.\\C:\\Data", L"C:\\Data"},
      {L"\\??\\C:\\Data", L"C:\\Data"},
      {L"\\\\?\\UNC\\srv\\share\\x", L"\\\\srv\\share\\x"},
      {L"\\\\?\\unc\\srv\\share", L"\\\\srv\\share"},
      {L"C:\\a\\..\\Data\\.\\x", L"C:\\Data\\x"},
      {L"C:\\..\\..\\Data", L"C:\\Data"},
      {L"\\\\srv\\share\\..\\..\\other", L"\\\\srv\\share\\other"},
      {L"C:/Data//x/", L"C:\\Data\\x"},
      {L"C:\\Data. \\x..", L"C:\\Data\\x"},
      {L"C:\\Data\\...", L"C:\\Data"},
      {L"C:\\Windows::$INDEX_ALLOCATION", L"C:\\Windows"},
      {L"C:\\Data:stream\\x", L"C:\\Data\\x"},
      {L"\\\\srv\\share\\", L"\\\\srv\\share"},
  };
  for (const auto& [written, comparable] : cases) {
    EXPECT_EQ(ComparablePathText(written), comparable) << Shown(written);
  }
}

TEST(PathNesting, DriveAndShareRoots) {
  for (const std::wstring root : {L"", L"Q:", L"\\\\srv\\share", L"\\\\srv"}) {
    EXPECT_TRUE(IsRootPath(root)) << Shown(root);
  }
  for (const std::wstring path : {L"Q:\\x", L"\\\\srv\\share\\x", L"C:\\Users"}) {
    EXPECT_FALSE(IsRootPath(path)) << Shown(path);
  }
}

TEST(PathNesting, AFolderHoldsItselfAndWhatLiesBelowIt) {
  EXPECT_TRUE(HoldsOrIs(L"C:\\DST", L"C:\\DST"));
  EXPECT_TRUE(HoldsOrIs(L"C:\\DST", L"C:\\DST\\SHARE"));
  EXPECT_TRUE(HoldsOrIs(L"C:", L"C:\\DST"));
  EXPECT_FALSE(HoldsOrIs(L"C:\\DST", L"C:\\DST2")) << "a longer name beside it";
  EXPECT_FALSE(HoldsOrIs(L"C:\\DST\\SHARE", L"C:\\DST"));
  EXPECT_FALSE(HoldsOrIs(L"", L"C:\\DST"));
}

TEST(PathNesting, FoldersOverlapUnderAnyOfTheirForms) {
  // Under Wine a mapped drive's folder resolves to another drive's path:
  // the second form is what shows the nesting.
  const PathForms target = {L"Q:\\DST", L"C:\\TMP\\DST"};
  EXPECT_TRUE(FoldersOverlap({L"C:\\TMP\\DST\\SHARE"}, target));
  EXPECT_TRUE(FoldersOverlap(target, {L"C:\\TMP\\DST\\SHARE"})) << "either way round";
  EXPECT_TRUE(FoldersOverlap({L"Q:\\DST"}, target)) << "the same folder";
  EXPECT_TRUE(FoldersOverlap({L"C:\\TMP"}, target));
  EXPECT_FALSE(FoldersOverlap({L"C:\\TMP\\SRC"}, target));
  EXPECT_FALSE(FoldersOverlap({L"C:\\TMP\\DST-OLD"}, target));
}
