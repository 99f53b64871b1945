#include <gtest/gtest.h>

#include "wakeup/platform/CodePage.h"

TEST(CodePage, LeadByteRangesMarkOnlyTheirBytes) {
    CLeadByteTable table;
    EXPECT_FALSE(table.IsLeadByte(0x81));
    table.AddLeadRange(0x81, 0x9F);
    table.AddLeadRange(0xE0, 0xFC);
    EXPECT_TRUE(table.IsLeadByte(0x81));
    EXPECT_TRUE(table.IsLeadByte(0x9F));
    EXPECT_TRUE(table.IsLeadByte(0xFC));
    EXPECT_FALSE(table.IsLeadByte(0xA0));
    EXPECT_FALSE(table.IsLeadByte(0xFD));
    EXPECT_FALSE(table.IsLeadByte('<'));
}

TEST(CodePage, SingleByteConversionKeepsLatin1AndReplacesTheRest) {
    const CLeadByteTable table;
    const char16_t text[] = {u'a', 0x00E9, 0x20AC, u'z'};
    EXPECT_EQ(table.FromUtf16(text, 4), "a\xE9?z");
    EXPECT_EQ(table.FromUtf16(text, 0), "");
}

TEST(CodePage, ActiveCodePageCanBeReplacedAndRestored) {
    CLeadByteTable dbcs;
    dbcs.AddLeadRange(0x81, 0x9F);
    EXPECT_FALSE(ActiveCodePage().IsLeadByte(0x81));
    SetActiveCodePage(&dbcs);
    EXPECT_TRUE(ActiveCodePage().IsLeadByte(0x81));
    SetActiveCodePage(nullptr);
    EXPECT_FALSE(ActiveCodePage().IsLeadByte(0x81));
}
