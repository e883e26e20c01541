#include <gtest/gtest.h>

#include <cstring>

#include "core/uglobal.h"

TEST(FileTypes, RowsThatCarryNoCommentsHaveBreakKindZero) {
  for (int i : {kFmtMxq, kFmtMcj, kFmtChe, kFmtCcm, kFmtCnc, kFmtTextLayout, kFmtFen})
    EXPECT_EQ(FileTypes[i].BreakKind, 0) << FileTypes[i].Id;
  EXPECT_STREQ(FileTypes[kFmtCbl].Id, "CBL");
  EXPECT_STREQ(FileTypes[kFmtUbbJava].Filter, "*.HTM;*.HTML");
}
