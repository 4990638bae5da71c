#include "config/yes_no.h"

#include <gtest/gtest.h>

TEST(YesNo, YesIsDaInAnyCase) {
  for (const char* yes : {"да", "Да", "ДА", "дА"}) EXPECT_TRUE(IsYes(yes)) << yes;
  for (const char* other : {"нет", "Нет", "yes", "1", "", " да", "да ", "даа", "д"})
    EXPECT_FALSE(IsYes(other)) << "'" << other << "'";
}

TEST(YesNo, NoIsNetInAnyCase) {
  for (const char* no : {"нет", "Нет", "НЕТ", "нЕт"}) EXPECT_TRUE(IsNo(no)) << no;
  for (const char* other : {"да", "no", "0", "", "не", "нетт"})
    EXPECT_FALSE(IsNo(other)) << "'" << other << "'";
}

TEST(YesNo, DefaultTextKeepsTheCurrentValue) {
  EXPECT_TRUE(IsYes(YesNoText(true)));
  EXPECT_TRUE(IsNo(YesNoText(false)));
}
