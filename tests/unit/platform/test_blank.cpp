#include <gtest/gtest.h>

#include <cctype>
#include <clocale>

#include "wakeup/platform/Blank.h"

TEST(Blank, IsTheCLocalesSpaceForEveryCharacter) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
    int blanks = 0;
    for (int c = -128; c < 128; ++c) {
        const char ch = static_cast<char>(c);
        const bool space = std::isspace(static_cast<unsigned char>(ch)) != 0;
        EXPECT_EQ(IsBlank(ch), space) << c;
        blanks += space ? 1 : 0;
    }
    EXPECT_EQ(blanks, 6);
}
