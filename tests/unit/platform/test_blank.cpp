#include <gtest/gtest.h>

#include "wakeup/platform/Blank.h"

TEST(Blank, TheSixBlanksOfTheCLocale) {
    for (const char c : {' ', '\t', '\n', '\r', '\v', '\f'})
        EXPECT_TRUE(IsBlank(c)) << int(c);
}

TEST(Blank, NoOtherCharacterIsBlank) {
    int blanks = 0;
    for (int c = -128; c < 128; ++c)
        blanks += IsBlank(static_cast<char>(c)) ? 1 : 0;
    EXPECT_EQ(blanks, 6);
    EXPECT_FALSE(IsBlank('\0'));
    EXPECT_FALSE(IsBlank(static_cast<char>(0xA0))); // no-break space in Latin-1
}
