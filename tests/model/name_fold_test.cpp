// The snapshots' name fold against the system's own ordinal comparison
// that ignores case, the one the file system's lookups follow.
#include "model/name_fold.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(NameFold, AgreesWithTheSystemForEveryPairOfWindows1251Characters) {
  wchar_t wide[256];
  for (int c = 1; c < 256; ++c) {
    const char narrow = static_cast<char>(c);
    ASSERT_EQ(MultiByteToWideChar(1251, 0, &narrow, 1, &wide[c], 1), 1) << c;
  }
  int folded = 0;
  for (int a = 1; a < 256; ++a) {
    for (int b = 1; b < 256; ++b) {
      const bool system = CompareStringOrdinal(&wide[a], 1, &wide[b], 1, TRUE) == CSTR_EQUAL;
      const bool ours = FoldNameChar(static_cast<char>(a)) == FoldNameChar(static_cast<char>(b));
      ASSERT_EQ(ours, system) << "bytes " << a << " and " << b;
      if (ours && a != b) ++folded;
    }
  }
  // 26 Latin, 32 Cyrillic and 15 other letters of the code page, each pair
  // counted both ways.
  EXPECT_EQ(folded, 2 * (26 + 32 + 15));
}
