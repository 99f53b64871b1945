#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/unit/xml/XmlTestSupport.h"
#include "wakeup/xml/XmlParse.h"

namespace {

std::string Offsets(const CXmlDocument& doc, int32_t i) {
    const XmlElementSpan& e = doc.GetSpan(i);
    return std::to_string(e.tagStart) + " " + std::to_string(e.startTagEnd) + " " +
           std::to_string(e.endTagStart) + " " + std::to_string(e.tagEnd) + " p" +
           std::to_string(e.parent) + " c" + std::to_string(e.firstChild) + " n" +
           std::to_string(e.nextSibling);
}

TEST(XmlParse, SpansHoldTagOffsetsAndLinksInDocumentOrder) {
    //                     0         1         2         3
    //                     0123456789012345678901234567890123456
    const char text[] = " <r a='1'><x/>t<y ></y><z /></r>tail";
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse(text));
    EXPECT_EQ(doc.GetSpanCount(), 5);
    EXPECT_EQ(doc.GetSpan(0).firstChild, 1);
    EXPECT_EQ(Offsets(doc, 1), "1 9 28 31 p0 c2 n0");
    EXPECT_EQ(Offsets(doc, 2), "10 13 12 13 p1 c0 n3");
    EXPECT_EQ(Offsets(doc, 3), "15 18 19 22 p1 c0 n4");
    EXPECT_EQ(Offsets(doc, 4), "23 27 26 27 p1 c0 n0");
}

TEST(XmlParse, EmptyElementTagsAreTellableByTheirOffsets) {
    CXmlDocument doc;
    for (const char* text : {"<a/>", "<a />", "<a x='1'/>"}) {
        ASSERT_TRUE(doc.Parse(text));
        EXPECT_EQ(doc.GetSpan(1).startTagEnd, doc.GetSpan(1).endTagStart + 1) << text;
    }
    ASSERT_TRUE(doc.Parse("<a></a>"));
    EXPECT_NE(doc.GetSpan(1).startTagEnd, doc.GetSpan(1).endTagStart + 1);
}

TEST(XmlParse, WhitespaceInsideTagsAndExtraTokensInTheEndTag) {
    CXmlDocument doc;
    EXPECT_TRUE(doc.Parse("< a ></ a >"));
    EXPECT_TRUE(doc.Parse("<a></a extra>"));
    EXPECT_TRUE(doc.Parse("<a>\r\n\t<b\r\nc='1'\r\n/>\r\n</a\r\n>"));
    EXPECT_EQ(doc.GetSpanCount(), 3);
}

TEST(XmlParse, OnlyTheFirstTopLevelElementIsIndexed) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse("<a>1</a><b/><c>"));
    EXPECT_EQ(doc.GetSpanCount(), 2);
}

TEST(XmlParse, NodesInFrontOfTheRootAndBetweenChildrenAreSkipped) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse("<?xml version='1.0'?><!-- list --><tvrecord></tvrecord>"));
    EXPECT_EQ(doc.GetSpanCount(), 2);
    ASSERT_TRUE(doc.Parse("<!DOCTYPE a [ <!ENTITY x 'y>'> [ ] ]><a/>"));
    EXPECT_EQ(doc.GetSpanCount(), 2);
    ASSERT_TRUE(doc.Parse("<a><![CDATA[<b>]]></a>"));
    EXPECT_EQ(doc.GetSpanCount(), 2) << "no element inside a CDATA section";
    ASSERT_TRUE(doc.Parse("<a><?pi <b/> ?><!-- <c/> --><d/><!x><?><!---></a>"));
    EXPECT_EQ(doc.GetSpanCount(), 3);
    ASSERT_TRUE(doc.FindChildElement(nullptr));
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.GetTagName(), "d");
}

TEST(XmlParse, SkippedNodeTerminatorIsSoughtByWholeCharacters) {
    // The trail byte ']' does not begin the "]]>" that would end the section.
    const char text[] = "<a><![CDATA[\x81]]><b/>]]></a>";
    EXPECT_EQ(SpanCountIn(DoubleByteCodePage(), text), 2);
    EXPECT_EQ(SpanCountIn(SingleByteCodePage(), text), 3);
}

TEST(XmlParse, TextAloneGivesTheSpansOrTheErrorAndRefillsAHandedInTable) {
    XmlLeadByteMap lead;
    lead.Load(SingleByteCodePage());
    const std::string good = "<a><b/></a>";
    XmlParseResult parsed = ParseXml(XmlText(good.c_str(), 11, lead));
    EXPECT_EQ(parsed.spanCount, 3);
    EXPECT_EQ(parsed.spans[0].firstChild, 1);
    EXPECT_EQ(parsed.spans[2].parent, 1);
    EXPECT_EQ(parsed.error, "");
    parsed.spans.resize(40);
    const std::string bad = "<a><b></a>";
    const XmlParseResult failed = ParseXml(XmlText(bad.c_str(), 10, lead), std::move(parsed.spans));
    EXPECT_EQ(failed.spanCount, 1);
    EXPECT_EQ(failed.spans[0].firstChild, 0);
    EXPECT_EQ(failed.spans.size(), 40u);
    EXPECT_EQ(failed.error, "End tag does not correspond to b");
}

TEST(XmlParse, TableIsSizedFromTheTextAndGrownByHalf) {
    CXmlDocument doc;
    EXPECT_EQ(doc.GetTableSize(), 8);
    // 640 bytes: 640 / 64 + 8 slots up front, enough for its 2 elements.
    ASSERT_TRUE(doc.Parse(("<a>" + std::string(633, 'x') + "</a>").c_str()));
    EXPECT_EQ(doc.GetTableSize(), 18);
    ASSERT_TRUE(doc.Parse("<a/>"));
    EXPECT_EQ(doc.GetTableSize(), 18) << "never shrinks";

    // 100 children in 407 bytes: 14 slots, then 21, 31, 46, 69, 103.
    std::string many = "<r>";
    for (int i = 0; i < 100; ++i)
        many += "<a/>";
    many += "</r>";
    CXmlDocument grown;
    ASSERT_TRUE(grown.Parse(many.c_str()));
    EXPECT_EQ(grown.GetSpanCount(), 102);
    EXPECT_EQ(grown.GetTableSize(), 103);
}

} // namespace
