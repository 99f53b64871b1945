#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "tests/unit/xml/XmlTestSupport.h"

namespace {

// Every edit is checked against a new parse of the edited text: the moved
// offsets and the links must be exactly what parsing would give.
class XmlEditing : public ::testing::Test {
protected:
    void Load(const char* text, const ICodePage& codePage = SingleByteCodePage()) {
        doc.reset(new CXmlDocument(codePage));
        page = &codePage;
        ASSERT_TRUE(doc->Parse(text)) << doc->GetError();
    }
    void ExpectIndexAsReparsed() { EXPECT_EQ(CompareWithReparse(*doc, *page), ""); }
    // The slot of the first child of the root with this tag name.
    int32_t Child(const char* name) {
        doc->ResetPosition();
        EXPECT_TRUE(doc->FindChildElement(name));
        return doc->GetChildIndex();
    }

    std::unique_ptr<CXmlDocument> doc;
    const ICodePage* page = nullptr;
};

const char kTwoPrograms[] = "<tvrecord>\r\n"
                            "  <program start='1' freq=\"once\"/>\r\n"
                            "  <program start='2'>text</program>\r\n"
                            "</tvrecord>\r\n";

TEST_F(XmlEditing, ReplacingAValueMovesEverythingBehindIt) {
    Load(kTwoPrograms);
    const int32_t first = Child("program");
    ASSERT_TRUE(doc->SetAttribute(first, "start", "3-1-2005T20:15"));
    EXPECT_NE(doc->GetText().find("start='3-1-2005T20:15' freq"), std::string::npos);
    ExpectIndexAsReparsed();
    ASSERT_TRUE(doc->SetAttribute(first, "freq", ""));
    EXPECT_NE(doc->GetText().find("freq=\"\"/>"), std::string::npos);
    ExpectIndexAsReparsed();
    Child("program");
    EXPECT_EQ(doc->GetChildAttribute("start"), "3-1-2005T20:15");
    ASSERT_TRUE(doc->FindChildElement("program"));
    EXPECT_EQ(doc->GetElementText(doc->GetChildIndex()), "text");
}

TEST_F(XmlEditing, NewAttributeGoesBeforeTheEndOfTheStartTag) {
    Load(kTwoPrograms);
    ASSERT_TRUE(doc->SetAttribute(Child("program"), "channel", "A"));
    const int32_t second = (doc->FindChildElement("program"), doc->GetChildIndex());
    ASSERT_TRUE(doc->SetAttribute(second, "channel", "B"));
    ASSERT_TRUE(doc->SetAttribute(1, "version", "3"));
    EXPECT_EQ(doc->GetText(), "<tvrecord version=\"3\">\r\n"
                              "  <program start='1' freq=\"once\" channel=\"A\"/>\r\n"
                              "  <program start='2' channel=\"B\">text</program>\r\n"
                              "</tvrecord>\r\n");
    ExpectIndexAsReparsed();
}

TEST_F(XmlEditing, AttributeValuesAreEscapedAndReadBackUnchanged) {
    Load("<r><p/></r>");
    const char value[] = "<a & 'b' \"c\" &amp; d>";
    ASSERT_TRUE(doc->SetAttribute(Child("p"), "x", value));
    EXPECT_EQ(doc->GetText(),
              "<r><p x=\"&lt;a &amp; &apos;b&apos; &quot;c&quot; &amp;amp; d&gt;\"/></r>");
    Child("p");
    EXPECT_EQ(doc->GetChildAttribute("x"), value);
    ExpectIndexAsReparsed();
}

TEST_F(XmlEditing, AttributesThatReadAsAbsentAreGivenAQuotedValue) {
    for (const char* tag : {"<p a=1/>", "<p a/>", "<p a b='2'/>", "<p a= />", "<p a==/>",
                            "<p / a='1'>", "<p x=a/>"}) {
        SCOPED_TRACE(tag);
        Load(("<r>" + std::string(tag) + (tag[std::strlen(tag) - 2] == '/' ? "" : "</p>") + "</r>")
                 .c_str());
        ASSERT_TRUE(doc->SetAttribute(Child("p"), "a", "v&"));
        Child("p");
        EXPECT_EQ(doc->GetChildAttribute("a"), "v&");
        ExpectIndexAsReparsed();
    }
}

TEST_F(XmlEditing, SetAttributeRefusesWhatWouldNotReadBack) {
    Load("<r><p a='x>y'></p><q/></r>", DoubleByteCodePage());
    const std::string before = doc->GetText();
    const int32_t q = Child("q");
    EXPECT_FALSE(doc->SetAttribute(Child("p"), "a", "1")) << "the value runs past the '>'";
    EXPECT_FALSE(doc->SetAttribute(Child("p"), "b", "1"));
    EXPECT_FALSE(doc->SetAttribute(0, "a", "1"));
    EXPECT_FALSE(doc->SetAttribute(99, "a", "1"));
    for (const char* name :
         {static_cast<const char*>(nullptr), "", "a b", "'a'", "=", "/", "a>", "a\x81"})
        EXPECT_FALSE(doc->SetAttribute(q, name, "1")) << (name ? name : "null");
    EXPECT_FALSE(doc->SetAttribute(q, "a", "ends in a lead byte \x81"));
    EXPECT_EQ(doc->GetText(), before);
}

TEST_F(XmlEditing, DoubleByteValuesKeepTheirTrailBytes) {
    Load("<r><p/></r>", DoubleByteCodePage());
    ASSERT_TRUE(doc->SetAttribute(Child("p"), "a\x81=", "\x81<\x81\"&"));
    EXPECT_EQ(doc->GetText(), "<r><p a\x81==\"\x81<\x81\"&amp;\"/></r>");
    Child("p");
    EXPECT_EQ(doc->GetChildAttribute("a\x81="), "\x81<\x81\"&");
    ExpectIndexAsReparsed();
}

TEST_F(XmlEditing, ChildIsAppendedLastOrFirstWithoutACurrentChild) {
    Load("<r>\r\n  <a/>\r\n</r>");
    ASSERT_TRUE(doc->FindElement("r"));
    ASSERT_TRUE(doc->AppendElement("z", "last", true, false));
    EXPECT_EQ(doc->GetTagName(), "r");
    EXPECT_EQ(doc->GetElementText(doc->GetChildIndex()), "last");
    ExpectIndexAsReparsed();
    doc->ResetPosition();
    ASSERT_TRUE(doc->FindElement("r"));
    ASSERT_TRUE(doc->AppendElement("f", "", true, true));
    EXPECT_EQ(doc->GetText(), "<r>\r\n  <f/>\r\n<a/>\r\n<z>last</z>\r\n</r>");
    ExpectIndexAsReparsed();
    doc->ResetPosition();
    std::string order;
    while (doc->FindChildElement(nullptr)) {
        ASSERT_TRUE(doc->EnterElement());
        order += doc->GetTagName();
        ASSERT_TRUE(doc->LeaveElement());
    }
    EXPECT_EQ(order, "faz");
}

TEST_F(XmlEditing, ElementGoesBeforeOrAfterTheCurrentOne) {
    Load("<r><a/><b/></r>");
    ASSERT_TRUE(doc->FindChildElement("b"));
    ASSERT_TRUE(doc->AppendElement("c", "", true, false)); // after b, as a child
    ASSERT_TRUE(doc->AppendElement("bb", "", true, true)); // before c
    ASSERT_TRUE(doc->EnterElement());                      // bb becomes current
    EXPECT_EQ(doc->GetTagName(), "bb");
    ASSERT_TRUE(doc->AppendElement("x", "1", false, true)); // before bb, same level
    EXPECT_EQ(doc->GetTagName(), "x");
    ASSERT_TRUE(doc->AppendElement("y", "2", false, false)); // after x
    EXPECT_EQ(doc->GetText(), "<r><a/><b/><x>1</x>\r\n<y>2</y>\r\n<bb/>\r\n<c/>\r\n</r>");
    ExpectIndexAsReparsed();
}

TEST_F(XmlEditing, EmptyElementIsOpenedUpForItsFirstChild) {
    Load("<r><p a='1' /><q/></r>");
    ASSERT_TRUE(doc->FindChildElement("p"));
    ASSERT_TRUE(doc->EnterElement());
    ASSERT_TRUE(doc->AppendElement("s", "t", true, false));
    EXPECT_EQ(doc->GetText(), "<r><p a='1' >\r\n<s>t</s>\r\n</p><q/></r>");
    ExpectIndexAsReparsed();
    ASSERT_TRUE(doc->EnterElement());
    EXPECT_EQ(doc->GetTagName(), "s");

    // "//>" must not turn into "/>" again.
    Load("<r><p//></r>");
    ASSERT_TRUE(doc->FindChildElement("p"));
    ASSERT_TRUE(doc->EnterElement());
    ASSERT_TRUE(doc->AppendElement("s", "", true, false));
    EXPECT_EQ(doc->GetText(), "<r><p/ >\r\n<s/>\r\n</p></r>");
    ExpectIndexAsReparsed();
}

TEST_F(XmlEditing, ElementTextEscapesOnlyMarkup) {
    Load("<r/>");
    ASSERT_TRUE(doc->FindElement("r"));
    const char value[] = " <![CDATA[ & 'q' \"d\" &lt; > ";
    ASSERT_TRUE(doc->AppendElement("t", value, true, false));
    EXPECT_EQ(doc->GetText(), "<r>\r\n<t> &lt;![CDATA[ &amp; 'q' \"d\" &amp;lt; &gt; </t>\r\n</r>");
    EXPECT_EQ(doc->GetElementText(doc->GetChildIndex()), value);
    ExpectIndexAsReparsed();
}

TEST_F(XmlEditing, RootIsAppendedOnlyWhileThereIsNone) {
    CXmlDocument empty;
    EXPECT_TRUE(empty.AppendElement("tvrecord", "", false, false));
    EXPECT_EQ(empty.GetText(), "<tvrecord/>\r\n");
    EXPECT_EQ(empty.GetTagName(), "tvrecord");
    EXPECT_FALSE(empty.AppendElement("second", "", false, false));
    EXPECT_TRUE(empty.AppendElement("program", "", true, false)) << "as the root's child";
    EXPECT_EQ(CompareWithReparse(empty, ActiveCodePage()), "");

    CXmlDocument prolog;
    EXPECT_FALSE(prolog.Parse("<?xml version='1.0'?>\r\n"));
    EXPECT_TRUE(prolog.AppendElement("r", "x", true, true));
    EXPECT_EQ(prolog.GetText(), "<?xml version='1.0'?>\r\n<r>x</r>\r\n");
    EXPECT_TRUE(prolog.IsWellFormed());

    CXmlDocument broken;
    EXPECT_FALSE(broken.Parse("</x>"));
    EXPECT_FALSE(broken.AppendElement("r", "", false, false));
    EXPECT_EQ(broken.GetText(), "</x>");
    EXPECT_FALSE(broken.IsWellFormed());
}

TEST_F(XmlEditing, AppendElementRefusesBadNamesAndValues) {
    Load("<r/>", DoubleByteCodePage());
    ASSERT_TRUE(doc->FindElement("r"));
    for (const char* name :
         {static_cast<const char*>(nullptr), "", "a b", "?x", "!x", "/x", "\"x\"", "x>", "x\x81"})
        EXPECT_FALSE(doc->AppendElement(name, "", true, false)) << (name ? name : "null");
    EXPECT_FALSE(doc->AppendElement("x", "\x81", true, false));
    EXPECT_EQ(doc->GetText(), "<r/>");
}

} // namespace
