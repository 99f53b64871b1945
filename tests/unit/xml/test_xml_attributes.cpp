#include <gtest/gtest.h>

#include <string>

#include "tests/unit/xml/XmlTestSupport.h"

namespace {

// Reads attributes of the first child of a root <r>, whose start tag is given.
class XmlAttributes : public ::testing::Test {
protected:
    std::string Read(const std::string& startTag, const char* name,
                     const ICodePage& codePage = SingleByteCodePage()) {
        CXmlDocument doc(codePage);
        EXPECT_TRUE(doc.Parse(("<r>" + startTag + "</p></r>").c_str())) << doc.GetError();
        EXPECT_TRUE(doc.FindChildElement(nullptr));
        return doc.GetChildAttribute(name);
    }
};

TEST_F(XmlAttributes, QuotedValuesInEitherQuoteWithBlanksAroundTheEqualsSign) {
    EXPECT_EQ(Read("<p a='1' b=\"2\" c = '3'\tdd\r\n=\n\"4\">", "a"), "1");
    EXPECT_EQ(Read("<p a='1' b=\"2\" c = '3'\tdd\r\n=\n\"4\">", "b"), "2");
    EXPECT_EQ(Read("<p a='1' b=\"2\" c = '3'\tdd\r\n=\n\"4\">", "c"), "3");
    EXPECT_EQ(Read("<p a='1' b=\"2\" c = '3'\tdd\r\n=\n\"4\">", "dd"), "4");
    EXPECT_EQ(Read("<p a='it\"s'>", "a"), "it\"s");
}

TEST_F(XmlAttributes, UnquotedValueAndBareNameReadAsAbsent) {
    EXPECT_EQ(Read("<p start=3-1-2005T20:15>", "start"), "");
    // A bare name is taken as the match: the quoted value two tokens on is b's.
    EXPECT_EQ(Read("<p a b='2'>", "a"), "");
    EXPECT_EQ(Read("<p a b='2'>", "b"), "2");
}

TEST_F(XmlAttributes, NamesAreExactAndCaseSensitive) {
    EXPECT_EQ(Read("<p start='x'>", "Start"), "");
    EXPECT_EQ(Read("<p starts='x'>", "start"), "");
    EXPECT_EQ(Read("<p start='x'>", "star"), "");
    EXPECT_EQ(Read("<p start='x'>", ""), "");
    EXPECT_EQ(Read("<p start='x'>", nullptr), "");
    EXPECT_EQ(Read("<p start='x'>", "p"), "") << "the tag name is not an attribute";
}

TEST_F(XmlAttributes, OnlyTheFirstOfTwoEqualNamesCounts) {
    EXPECT_EQ(Read("<p a='1' a='2'>", "a"), "1");
}

TEST_F(XmlAttributes, EmptyValueAndMissingAttributeBothReadEmpty) {
    EXPECT_EQ(Read("<p a='' b='x'>", "a"), "");
    EXPECT_EQ(Read("<p b='x'>", "a"), "");
}

TEST_F(XmlAttributes, TheStartTagEndsTheSearch) {
    EXPECT_EQ(Read("<p / a='1'>", "a"), "");
    EXPECT_EQ(Read("<p ? a='1'>", "a"), "");
    EXPECT_EQ(Read("<p b='x'><q a='1'/>", "a"), "") << "a child's attribute is not p's";
}

TEST_F(XmlAttributes, ValueIsReadToItsClosingQuoteEvenPastAGreaterThan) {
    // The start tag was taken to end at the '>' inside the value.
    EXPECT_EQ(Read("<p a='x>y'>", "a"), "x>y");
}

TEST_F(XmlAttributes, PredefinedEntitiesAreDecodedOnce) {
    EXPECT_EQ(Read("<p x='a &amp; b &#38; c'>", "x"), "a & b &#38; c");
    EXPECT_EQ(Read("<p x='&lt;&gt;&amp;&apos;&quot;'>", "x"), "<>&'\"");
    EXPECT_EQ(Read("<p x='&amp;lt;'>", "x"), "&lt;");
    EXPECT_EQ(Read("<p x='&LT; &nbsp; & &;'>", "x"), "&LT; &nbsp; & &;");
    // An entity must fit before the closing quote.
    EXPECT_EQ(Read("<p x='&lt' y='b'>", "x"), "&lt");
    EXPECT_EQ(Read("<p x='a&lt;'>", "x"), "a<");
}

TEST_F(XmlAttributes, TrailByteEqualToTheQuoteStaysInTheValue) {
    EXPECT_EQ(Read("<p a='\x81'b'>", "a", DoubleByteCodePage()), "\x81'b");
    // A trail byte equal to '&' does not start an entity.
    EXPECT_EQ(Read("<p a='\x81&amp;'>", "a", DoubleByteCodePage()), "\x81&amp;");
    EXPECT_EQ(Read("<p a='\x81&amp;'>", "a"), "\x81&");
}

TEST(XmlAttributeCursor, NoCurrentChildMeansNoAttribute) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse("<r a='1'><p a='2'/></r>"));
    EXPECT_EQ(doc.GetChildAttribute("a"), "");
    ASSERT_TRUE(doc.FindElement("r"));
    EXPECT_EQ(doc.GetChildAttribute("a"), "") << "the root is current, not a child";
    ASSERT_TRUE(doc.FindChildElement("p"));
    EXPECT_EQ(doc.GetChildAttribute("a"), "2");
}

TEST(XmlElementText, ContentWithEntitiesAndWhitespace) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse("<r><a>  x &lt; y\r\n</a><b/><c></c><d><e/></d></r>"));
    ASSERT_TRUE(doc.FindElement("r"));
    EXPECT_EQ(doc.GetElementText(), "") << "an element with children has no text";
    ASSERT_TRUE(doc.EnterElement() && doc.FindElement("a"));
    EXPECT_EQ(doc.GetElementText(), "  x < y\r\n");
    ASSERT_TRUE(doc.FindElement("b"));
    EXPECT_EQ(doc.GetElementText(), "");
    ASSERT_TRUE(doc.FindElement("c"));
    EXPECT_EQ(doc.GetElementText(), "");
    EXPECT_EQ(doc.GetElementText(0), "");
    EXPECT_EQ(doc.GetElementText(99), "");
}

TEST(XmlElementText, CDataSectionIsReturnedRaw) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse("<r><a> \r\n<![CDATA[<b>&amp;]]> tail</a><e><![CDATA[]]></e>"
                          "<f>x<![CDATA[y]]></f></r>"));
    ASSERT_TRUE(doc.FindChildElement("a"));
    EXPECT_EQ(doc.GetElementText(doc.GetChildIndex()), "<b>&amp;");
    ASSERT_TRUE(doc.FindChildElement("e"));
    EXPECT_EQ(doc.GetElementText(doc.GetChildIndex()), "");
    ASSERT_TRUE(doc.FindChildElement("f"));
    EXPECT_EQ(doc.GetElementText(doc.GetChildIndex()), "x<![CDATA[y]]>")
        << "a section after text is plain content";
}

} // namespace
