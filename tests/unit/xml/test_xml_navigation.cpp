#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/xml/XmlTestSupport.h"

namespace {

const char kSchedule[] = "<?xml version='1.0'?>\r\n"
                         "<tvrecord>\r\n"
                         "  <channel name='one'/>\r\n"
                         "  <program start='3-1-2005T20:15' freq='once' channel='A'/>\r\n"
                         "  <!-- <program start='commented out'/> -->\r\n"
                         "  <programs/>\r\n"
                         "  <program start='3-2-2005T21:00' freq='daily' channel='B'>\r\n"
                         "    <program start='nested' freq='weekly'/>\r\n"
                         "  </program>\r\n"
                         "</tvrecord>\r\n";

// Every `program` child as the schedule reader walks them.
std::vector<std::string> Starts(CXmlDocument& doc) {
    std::vector<std::string> starts;
    doc.FindElement("tvrecord");
    while (doc.FindChildElement("program"))
        starts.push_back(doc.GetChildAttribute("start"));
    return starts;
}

TEST(XmlNavigation, SingleProgramOfTheSchedule) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse("<tvrecord><program start='3-1-2005T20:15' freq=\"once\"/></tvrecord>"));
    EXPECT_TRUE(doc.FindElement("tvrecord"));
    EXPECT_TRUE(doc.FindChildElement("program"));
    EXPECT_EQ(doc.GetChildAttribute("start"), "3-1-2005T20:15");
    EXPECT_EQ(doc.GetChildAttribute("freq"), "once");
    EXPECT_FALSE(doc.FindChildElement("program"));
    EXPECT_EQ(doc.GetChildAttribute("freq"), "once") << "a failed find keeps the cursor";
}

TEST(XmlNavigation, ChildWalkSkipsOtherNamesCommentsAndDeeperElements) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse(kSchedule));
    EXPECT_EQ(Starts(doc), (std::vector<std::string>{"3-1-2005T20:15", "3-2-2005T21:00"}));
}

TEST(XmlNavigation, RootOfAnotherNameIsWalkedAllTheSame) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse("<schedule><program start='a'/><program start='b'/></schedule>"));
    EXPECT_FALSE(doc.FindElement("tvrecord"));
    EXPECT_EQ(Starts(doc), (std::vector<std::string>{"a", "b"}));
}

TEST(XmlNavigation, NothingIsFoundBeforeAParseOrAfterAFailedOne) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.IsWellFormed());
    EXPECT_FALSE(doc.FindElement(nullptr));
    EXPECT_FALSE(doc.FindChildElement(nullptr));
    ASSERT_TRUE(doc.Parse(kSchedule));
    EXPECT_FALSE(doc.Parse("<tvrecord><program/>"));
    EXPECT_FALSE(doc.FindElement(nullptr));
    EXPECT_FALSE(doc.FindChildElement("program"));
    EXPECT_FALSE(doc.EnterElement());
    EXPECT_EQ(doc.GetTagName(), "");
}

TEST(XmlNavigation, EmptyTextAfterAGoodParseLeavesNoRootBehind) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse(kSchedule));
    EXPECT_FALSE(doc.Parse(""));
    EXPECT_FALSE(doc.IsWellFormed());
    EXPECT_FALSE(doc.FindElement(nullptr));
    EXPECT_FALSE(doc.Parse(nullptr));
    EXPECT_FALSE(doc.FindChildElement(nullptr));
}

TEST(XmlNavigation, ParseResetsTheCursorAndReplacesTheDocument) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse(kSchedule));
    ASSERT_TRUE(doc.FindChildElement("program"));
    ASSERT_TRUE(doc.Parse("<other><program start='z'/></other>"));
    EXPECT_EQ(doc.GetCurrentIndex(), 0);
    EXPECT_EQ(doc.GetChildIndex(), 0);
    EXPECT_EQ(Starts(doc), (std::vector<std::string>{"z"}));
}

TEST(XmlNavigation, OnlyTheRootIsAtTheTopLevel) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse("<a/><b/>"));
    EXPECT_FALSE(doc.FindElement("b"));
    EXPECT_TRUE(doc.FindElement(""));
    EXPECT_EQ(doc.GetTagName(), "a");
    EXPECT_FALSE(doc.FindElement(nullptr));
}

TEST(XmlNavigation, EnterAndLeaveMoveOneLevel) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse("<r><a><x/><y/></a><b><z/></b></r>"));
    EXPECT_FALSE(doc.EnterElement()) << "no current element";
    EXPECT_FALSE(doc.LeaveElement()) << "already at the top";
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.FindChildElement("b"));
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.GetTagName(), "b");
    ASSERT_TRUE(doc.FindChildElement(nullptr));
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.GetTagName(), "z");
    ASSERT_TRUE(doc.LeaveElement());
    EXPECT_EQ(doc.GetTagName(), "b");
    ASSERT_TRUE(doc.LeaveElement());
    EXPECT_EQ(doc.GetTagName(), "r");
    // Leaving made b the current child again: the walk goes on after it.
    EXPECT_FALSE(doc.FindChildElement(nullptr));
    EXPECT_FALSE(doc.LeaveElement());
}

TEST(XmlNavigation, EnteringWithoutAChildLeavesNoCurrentElement) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Parse("<r><a start='1'/><b/></r>"));
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.GetCurrentIndex(), 0);
    EXPECT_EQ(doc.GetTagName(), "");
    EXPECT_FALSE(doc.EnterElement());
    EXPECT_TRUE(doc.FindElement("b"));
    EXPECT_TRUE(doc.LeaveElement());
    EXPECT_EQ(doc.GetTagName(), "r");
}

TEST(XmlNavigation, TagNameWithATrailByteDelimiter) {
    const char text[] = "<r><a\x81>b x='1'/></r>";
    CXmlDocument doubleByte(DoubleByteCodePage());
    ASSERT_TRUE(doubleByte.Parse(text));
    ASSERT_TRUE(doubleByte.FindChildElement("a\x81>b"));
    EXPECT_EQ(doubleByte.GetChildAttribute("x"), "1");
    CXmlDocument singleByte(SingleByteCodePage());
    EXPECT_FALSE(singleByte.Parse(text));
    EXPECT_EQ(singleByte.GetError(), "End tag does not correspond to a\x81");
}

} // namespace
