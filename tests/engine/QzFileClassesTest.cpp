#include "engine/QzFileClasses.h"

#include <gtest/gtest.h>

TEST(QzFileClasses, placeholder_compiles) { EXPECT_EQ(MakeErrorCode(1603, 402), 402u * 65536u + 1603u); }
