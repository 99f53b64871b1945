#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/xml/XmlTestSupport.h"
#include "wakeup/xml/XmlText.h"
#include "wakeup/xml/XmlTokenCursor.h"

namespace {

class TokenScan : public ::testing::Test {
protected:
    // Scans the whole of text from `from`; quoted tokens come back in [].
    std::vector<std::string> Tokens(const std::string& text, const ICodePage& codePage,
                                    int32_t from = 0) {
        lead.Load(codePage);
        const XmlText view(text.c_str(), static_cast<int32_t>(text.size()), lead);
        XmlTokenCursor cursor(view, from);
        std::vector<std::string> tokens;
        while (cursor.Scan()) {
            const std::string token(cursor.Begin(), static_cast<size_t>(cursor.Length()));
            tokens.push_back(cursor.quoted ? "[" + token + "]" : token);
        }
        EXPECT_EQ(cursor.next, static_cast<int32_t>(text.size()));
        return tokens;
    }

    XmlLeadByteMap lead;
};

using V = std::vector<std::string>;

TEST_F(TokenScan, StartTagSplitsIntoNameAttributeEqualsValueAndClose) {
    EXPECT_EQ(Tokens("<program start='x'>", SingleByteCodePage(), 1),
              (V{"program", "start", "=", "[x]", ">"}));
}

TEST_F(TokenScan, EveryDelimiterIsATokenOfItsOwn) {
    EXPECT_EQ(Tokens("a<b>c=d\\e/f?g!h", SingleByteCodePage()),
              (V{"a", "<", "b", ">", "c", "=", "d", "\\", "e", "/", "f", "?", "g", "!", "h"}));
}

TEST_F(TokenScan, WhitespaceSeparatesAndQuotedTextKeepsEverything) {
    EXPECT_EQ(Tokens(" \t\r\na  \"x y>'z\" 'p\"q' ''", SingleByteCodePage()),
              (V{"a", "[x y>'z]", "[p\"q]", "[]"}));
}

TEST_F(TokenScan, UnclosedQuoteRunsToTheEnd) {
    EXPECT_EQ(Tokens("a 'bc", SingleByteCodePage()), (V{"a", "[bc]"}));
}

TEST_F(TokenScan, EndOfTextLeavesTheCursorAtTheEnd) {
    lead.Load(SingleByteCodePage());
    const std::string text = "ab  ";
    const XmlText view(text.c_str(), 4, lead);
    XmlTokenCursor cursor(view);
    ASSERT_TRUE(cursor.Scan());
    EXPECT_FALSE(cursor.Scan());
    EXPECT_EQ(cursor.tokenStart, 4);
    EXPECT_EQ(cursor.next, 4);
}

TEST_F(TokenScan, TrailByteEqualToADelimiterDoesNotEndAToken) {
    for (char trail : std::string("<>=\\/?! \t")) {
        const std::string text = std::string("a\x81") + trail + "b c";
        SCOPED_TRACE(text);
        EXPECT_EQ(Tokens(text, DoubleByteCodePage()), (V{text.substr(0, 4), "c"}));
        EXPECT_NE(Tokens(text, SingleByteCodePage()).front(), text.substr(0, 4));
    }
}

TEST_F(TokenScan, TrailByteEqualToTheQuoteDoesNotCloseIt) {
    EXPECT_EQ(Tokens("'\x81'x' y", DoubleByteCodePage()), (V{"[\x81'x]", "y"}));
    EXPECT_EQ(Tokens("'\x81'x' y", SingleByteCodePage()), (V{"[\x81]", "x'", "y"}));
}

TEST_F(TokenScan, LeadByteAtTheEndIsACharacterOfItsOwn) {
    EXPECT_EQ(Tokens("ab\x81", DoubleByteCodePage()), (V{"ab\x81"}));
    EXPECT_EQ(Tokens("'\x81", DoubleByteCodePage()), (V{"[\x81]"}));
}

TEST_F(TokenScan, CharacterSearchStepsOverTrailBytes) {
    lead.Load(DoubleByteCodePage());
    const std::string text = "\x81<\x82<<";
    const XmlText view(text.c_str(), static_cast<int32_t>(text.size()), lead);
    int32_t p = 0;
    EXPECT_TRUE(view.FindChar(p, '<'));
    EXPECT_EQ(p, 4);
    p = 0;
    EXPECT_FALSE(view.FindChar(p, '>'));
    EXPECT_EQ(p, 5);
}

TEST_F(TokenScan, SubstringSearchDoesNotStartAtATrailByte) {
    const std::string text = "\x81]]>x]]>";
    for (const ICodePage* codePage : {&DoubleByteCodePage(), &SingleByteCodePage()}) {
        lead.Load(*codePage);
        const XmlText view(text.c_str(), static_cast<int32_t>(text.size()), lead);
        int32_t p = 0;
        EXPECT_TRUE(view.FindString(p, "]]>", 3, view.Length()));
        EXPECT_EQ(p, codePage == &DoubleByteCodePage() ? 5 : 1);
        p = 2;
        EXPECT_FALSE(view.FindString(p, "]]>", 3, 7)) << "the match must end before the limit";
    }
}

TEST_F(TokenScan, NameMatchingIsExactAndCaseSensitive) {
    lead.Load(SingleByteCodePage());
    const std::string text = "program";
    const XmlText view(text.c_str(), 7, lead);
    XmlTokenCursor cursor(view);
    ASSERT_TRUE(cursor.Scan());
    auto matches = [&](const std::string& name) {
        return cursor.Matches(name.c_str(), name.size());
    };
    EXPECT_TRUE(matches("program"));
    EXPECT_FALSE(matches("programs"));
    EXPECT_FALSE(matches("Program"));
    EXPECT_FALSE(matches("progra"));
    EXPECT_FALSE(matches(""));
    // The name may go on with a blank, '=', '/' or '[' after the token.
    EXPECT_TRUE(matches("program[1]"));
    EXPECT_TRUE(matches("program=x"));
    EXPECT_TRUE(matches("program/x"));
    EXPECT_TRUE(matches("program x"));
    EXPECT_FALSE(matches("program.x"));
}

} // namespace
