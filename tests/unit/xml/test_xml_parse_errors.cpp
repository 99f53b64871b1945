#include <gtest/gtest.h>

#include <string>

#include "tests/unit/xml/XmlTestSupport.h"

namespace {

struct ErrorCase {
    const char* text;
    const char* message;
};

class XmlParseErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(XmlParseErrors, FailsWithTheInnermostMessageAndNoRoot) {
    CXmlDocument doc(SingleByteCodePage());
    ASSERT_TRUE(doc.Parse("<ok/>"));
    EXPECT_FALSE(doc.Parse(GetParam().text));
    EXPECT_EQ(doc.GetError(), GetParam().message);
    EXPECT_FALSE(doc.IsWellFormed());
    EXPECT_EQ(doc.GetSpanCount(), 1);
    EXPECT_FALSE(doc.FindChildElement(nullptr));
}

INSTANTIATE_TEST_SUITE_P(
    EachMessage, XmlParseErrors,
    ::testing::Values(ErrorCase{"<a><b>", "Element tag not found"},
                      ErrorCase{"just text", "Element tag not found"},
                      ErrorCase{"<a t='x>y'/>", "Element tag not found"},
                      ErrorCase{"<?xml version='1.0'?>", "Element tag not found"},
                      ErrorCase{"<   ", "Abrupt end within tag"},
                      ErrorCase{"<a><  \r\n", "Abrupt end within tag"},
                      ErrorCase{"<'a'>", "Tag starts with quote"},
                      ErrorCase{"<a><\"b\"/></a>", "Tag starts with quote"},
                      ErrorCase{"<a><!-- open </a>", "Invalid node"},
                      ErrorCase{"<?xml version='1.0'", "Invalid node"},
                      ErrorCase{"<a><![CDATA[x</a>", "Invalid node"},
                      ErrorCase{"<!DOCTYPE a [ <!ENTITY x 'y'> <a/>", "Invalid node"},
                      ErrorCase{"<!DOCTYPE a ]><a/>", "Invalid node"},
                      ErrorCase{"<!", "Invalid node"}, ErrorCase{"<a", "End of tag not found"},
                      ErrorCase{"<a><b x='1'</a", "End of tag not found"},
                      ErrorCase{"<a><b></a>", "End tag does not correspond to b"},
                      ErrorCase{"<a></A>", "End tag does not correspond to a"},
                      ErrorCase{"<a></>", "End tag does not correspond to a"},
                      ErrorCase{"<a></'a'>", "End tag does not correspond to a"},
                      ErrorCase{"<a></a", "End tag not completed for element a"},
                      ErrorCase{"<a><b></b></a 'x'", "End tag not completed for element a"}));

TEST(XmlParseErrorTexts, EndTagAloneOrNoTextFailsWithoutAMessage) {
    CXmlDocument doc;
    for (const char* text : {"</a>", "  </a>", "", static_cast<const char*>(nullptr)}) {
        ASSERT_FALSE(doc.Parse("<a>"));
        EXPECT_FALSE(doc.Parse(text));
        EXPECT_EQ(doc.GetError(), "") << "a parse clears the earlier message";
    }
}

TEST(XmlParseDepth, NestingUpToTheLimitParses) {
    std::string text;
    for (int i = 0; i < CXmlDocument::kMaxDepth; ++i)
        text += "<d>";
    for (int i = 0; i < CXmlDocument::kMaxDepth; ++i)
        text += "</d>";
    CXmlDocument doc;
    EXPECT_TRUE(doc.Parse(text.c_str())) << doc.GetError();
    EXPECT_EQ(doc.GetSpanCount(), CXmlDocument::kMaxDepth + 1);
}

TEST(XmlParseDepth, DeeperNestingFailsWithAMessage) {
    for (int depth : {CXmlDocument::kMaxDepth + 1, 200000}) {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "<d>";
        for (int i = 0; i < depth; ++i)
            text += "</d>";
        CXmlDocument doc;
        EXPECT_FALSE(doc.Parse(text.c_str()));
        EXPECT_EQ(doc.GetError(), "Element d is nested deeper than 256 levels");
    }
}

TEST(XmlParseDoubleByte, TrailByteEqualToLessThanDoesNotOpenATag) {
    const char text[] = "<a>\x81<b/></a>";
    EXPECT_EQ(SpanCountIn(DoubleByteCodePage(), text), 2);
    EXPECT_EQ(SpanCountIn(SingleByteCodePage(), text), 3);
}

TEST(XmlParseDoubleByte, TrailByteEqualToSlashDoesNotCloseAnEmptyElement) {
    const char text[] = "<a\x81/>x</a\x81/>";
    CXmlDocument doubleByte(DoubleByteCodePage());
    ASSERT_TRUE(doubleByte.Parse(text)) << doubleByte.GetError();
    EXPECT_EQ(doubleByte.GetSpan(1).tagEnd, 11);
    EXPECT_EQ(doubleByte.GetElementText(1), "x");
    CXmlDocument singleByte(SingleByteCodePage());
    ASSERT_TRUE(singleByte.Parse(text));
    EXPECT_EQ(singleByte.GetSpan(1).tagEnd, 4) << "an empty element in a single-byte code page";
}

TEST(XmlParseDoubleByte, LeadByteAtTheEndIsNotReadPast) {
    CXmlDocument doc(DoubleByteCodePage());
    EXPECT_FALSE(doc.Parse("<a>\x81"));
    EXPECT_EQ(doc.GetError(), "Element tag not found");
    EXPECT_FALSE(doc.Parse("<a\x81"));
    EXPECT_EQ(doc.GetError(), "End of tag not found");
    EXPECT_FALSE(doc.Parse("<a></a\x81"));
    EXPECT_EQ(doc.GetError(), "End tag does not correspond to a");
}

} // namespace
