#include <gtest/gtest.h>

#include "wakeup/schedule/ScheduleText.h"

namespace {
std::vector<char> Bytes(const std::string& s) {
    return std::vector<char>(s.begin(), s.end());
}

std::string Utf16(const std::string& ascii, bool bom = true) {
    std::string out = bom ? std::string("\xFF\xFE", 2) : std::string();
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}
} // namespace

TEST(ScheduleText, AnsiTextIsTakenAsItIsUpToTheFirstZeroByte) {
    const CLeadByteTable cp;
    EXPECT_EQ(DecodeScheduleText(Bytes("<tvrecord/>"), cp), "<tvrecord/>");
    EXPECT_EQ(DecodeScheduleText(Bytes(std::string("<a/>\0<b/>", 9)), cp), "<a/>");
    EXPECT_EQ(DecodeScheduleText({}, cp), "");
}

TEST(ScheduleText, Utf16WithByteOrderMarkIsConverted) {
    const CLeadByteTable cp;
    EXPECT_EQ(DecodeScheduleText(Bytes(Utf16("<tvrecord><program/></tvrecord>")), cp),
              "<tvrecord><program/></tvrecord>");
    // Ends at the first zero unit.
    EXPECT_EQ(DecodeScheduleText(Bytes(Utf16("ab") + std::string(2, '\0') + "c\0"), cp), "ab");
    // A final odd byte forms a unit with a zero high byte.
    EXPECT_EQ(DecodeScheduleText(Bytes(Utf16("ab") + "c"), cp), "abc");
    EXPECT_EQ(DecodeScheduleText(Bytes("\xFF\xFE"), cp), "");
}

TEST(ScheduleText, CharactersTheCodePageCannotShowBecomeItsDefault) {
    const CLeadByteTable cp;
    std::string text("\xFF\xFE", 2);
    text += std::string("\xE9\x00\x3A\x04", 4); // U+00E9, U+043A
    EXPECT_EQ(DecodeScheduleText(Bytes(text), cp), "\xE9?");
}

TEST(ScheduleText, OtherMarksStayInTheText) {
    const CLeadByteTable cp;
    EXPECT_EQ(DecodeScheduleText(Bytes("\xEF\xBB\xBF<?xml?>"), cp), "\xEF\xBB\xBF<?xml?>");
    // UTF-16 without its mark ends after the first character.
    EXPECT_EQ(DecodeScheduleText(Bytes(Utf16("<tv/>", false)), cp), "<");
    // Big-endian mark is not recognised either.
    EXPECT_EQ(DecodeScheduleText(Bytes(std::string("\xFE\xFF\0<", 4)), cp), "\xFE\xFF");
}
