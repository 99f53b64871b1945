// The built-in pattern matcher.
#include <gtest/gtest.h>

#include "wakeup/dirwatch/WildcardMatch.h"

TEST(WildcardMatch, LiteralPatternsAreCaseSensitiveAndWhole) {
    EXPECT_TRUE(WildcardMatch("tvrecord.xml", "tvrecord.xml"));
    EXPECT_FALSE(WildcardMatch("TVRECORD.XML", "tvrecord.xml"));
    EXPECT_FALSE(WildcardMatch("tvrecord.xml.bak", "tvrecord.xml"));
    EXPECT_FALSE(WildcardMatch("tvrecord.xm", "tvrecord.xml"));
}

TEST(WildcardMatch, QuestionMarkIsExactlyOneByte) {
    EXPECT_TRUE(WildcardMatch("a.xml", "?.xml"));
    EXPECT_FALSE(WildcardMatch(".xml", "?.xml"));
    EXPECT_FALSE(WildcardMatch("ab.xml", "?.xml"));
    EXPECT_TRUE(WildcardMatch("abc", "a?c"));
}

TEST(WildcardMatch, StarMatchesAnyRunIncludingNone) {
    EXPECT_TRUE(WildcardMatch("a.xml", "*.xml"));
    EXPECT_TRUE(WildcardMatch(".xml", "*.xml"));
    EXPECT_FALSE(WildcardMatch("a.xmlx", "*.xml"));
    EXPECT_TRUE(WildcardMatch("anything", "*"));
    EXPECT_TRUE(WildcardMatch("abc", "a**c"));
    EXPECT_TRUE(WildcardMatch("abc", "abc*"));
    EXPECT_TRUE(WildcardMatch("abc", "abc**"));
}

TEST(WildcardMatch, BacktracksToTheLastStar) {
    EXPECT_TRUE(WildcardMatch("xAyBz", "x*y*z"));
    EXPECT_TRUE(WildcardMatch("xyz", "x*y*z"));
    EXPECT_FALSE(WildcardMatch("xzy", "x*y*z"));
    EXPECT_TRUE(WildcardMatch("aaab", "*aab"));
    EXPECT_TRUE(WildcardMatch("a.b.c.xml", "*.xml"));
    EXPECT_TRUE(WildcardMatch("mississippi", "m*iss*ppi"));
    EXPECT_FALSE(WildcardMatch("mississippi", "m*iss*ppx"));
    EXPECT_TRUE(WildcardMatch("abcabd", "*?bd"));
}

TEST(WildcardMatch, EmptyNameAndEmptyPattern) {
    EXPECT_TRUE(WildcardMatch("", "*"));
    EXPECT_TRUE(WildcardMatch("", "***"));
    EXPECT_TRUE(WildcardMatch("", ""));
    EXPECT_FALSE(WildcardMatch("a", ""));
    EXPECT_FALSE(WildcardMatch("", "?"));
    EXPECT_FALSE(WildcardMatch("", "a"));
    EXPECT_FALSE(WildcardMatch(nullptr, "*"));
    EXPECT_FALSE(WildcardMatch("a", nullptr));
}
