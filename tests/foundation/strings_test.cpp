// STRING: sizing, editing, searching, fields and encodings.
#include "strings.h"

#include <gtest/gtest.h>

TEST(String, GrowthFromEmptyTakesOneGranule)
{
    STRING s;
    s.Make(1, "x");
    EXPECT_EQ(s.GetBufLen(), 96);
}
