#include "persist/XMLDocUnt.h"
#include "xml/XmlUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(XmlEscape, FollowsTheTableAndWritesTheCleanForm)
{
    using namespace std::string_literals;
    struct Case { std::string in; const char* out; } cases[] = {
        {"A<B & \"C\"", "A&lt;B &amp; &#34;C&#34;"},
        {"Q&amp;A", "Q&amp;amp;A"},        // every ampersand, also one that looks like an entity
        {"a&&b;", "a&amp;&amp;b;"},
        {"Cup &#0; final", "Cup &amp;#0; final"},
        {"it's > that", "it&apos;s &gt; that"},
        {"caf\xC3\xA9", "caf&#233;"},      // code points of 127 and above as numbers
        {"\x7F", "&#127;"},
        {"\xD0\x96\xE2\x82\xAC", "&#1046;&#8364;"}, // Cyrillic and the euro sign
        {"\xF0\x9F\x98\x80", "&#128512;"},
        {"tab\there\r\nline", "tab\there\r\nline"}, // tab, CR and LF as they are
        // What XML cannot hold is not written: other control characters, U+FFFE and U+FFFF.
        {"a\0b\x01" "c\x1F\x0B"s, "abc"},
        {"x\xEF\xBF\xBE\xEF\xBF\xBFy", "xy"},
        // Bytes outside UTF-8 are their Windows-1252 characters, and so are the C1 controls that
        // Windows-1252 defines; the five it leaves undefined stay.
        {"caf\xE9", "caf&#233;"},
        {"\x80\xC2\x80\x81\xC2\x81", "&#8364;&#8364;&#129;&#129;"},
        {"\xC0\x80", "&#192;&#8364;"},              // an overlong zero byte is two bytes of 8-bit text
        {"\xED\xA0\x80", "&#237;&#160;&#8364;"},   // so is a surrogate
        {"\xF4\x90\x80\x80", "&#244;&#144;&#8364;&#8364;"}, // and what lies past U+10FFFF
        {"\xE2\x82", "&#226;&#8218;"},              // a sequence cut short
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(XmlEscaped(c.in), c.out);
        // The writer writes the clean form, which cleaning leaves alone.
        const std::string clean = XmlCleanText(c.in);
        EXPECT_EQ(XmlEscaped(clean), c.out);
        std::string again = clean;
        EXPECT_FALSE(CleanXmlText(again));
        EXPECT_EQ(again, clean);
        std::string in = c.in;
        EXPECT_EQ(CleanXmlText(in), clean != c.in);
    }
}

TEST(XmlParse, KeepsTextAsWrittenAndReadsC1ReferencesAndEightBitTextAsWindows1252)
{
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(doc, "<a><b>  </b><c>x\r\ny</c><d>&lt;&amp;&#65;&#x42;</d><e>one<f>two</f>three</e>"
                              "<g>&#128;</g><h>caf\xE9</h><i>&#233;</i></a>"));
    std::vector<std::string> texts;
    for (pugi::xml_node child : doc.document_element().children())
        texts.push_back(NodeText(child));
    EXPECT_EQ(texts, (std::vector<std::string>{"  ", "x\r\ny", "<&AB", "one two three", "\xE2\x82\xAC", "caf\xC3\xA9", "\xC3\xA9"}));
}

TEST(XmlParse, SaysWhereReadingStoppedAndKeepsThePartBuiltBefore)
{
    pugi::xml_document part;
    EXPECT_FALSE(ParseXml(part, "<a><b>one</b><c>two</c><d>thr"));
    EXPECT_EQ(NodeText(part.document_element().child("b")), "one");
    EXPECT_EQ(NodeText(part.document_element().child("c")), "two");

    using namespace std::string_literals;
    struct Case { std::string text; std::size_t offset, line, column; const char* why; } cases[] = {
        {"<a><b></c></a>", 8, 1, 9, "start-end tags mismatch"},
        {"<a>\r\n<b>x</b>\r\n<c>", 17, 3, 3, "the text ends before the document is complete"},
        {"<a>\n<b>\r<c", 9, 3, 2, "the text ends before the document is complete"},
        // Columns count characters: UTF-8 letters are one each, and so is every 8-bit byte.
        {"<a>\xC3\xA9\xC3\xA9</b>", 9, 1, 8, "start-end tags mismatch"},
        {"<a>caf\xE9\xE9</b>", 10, 1, 11, "start-end tags mismatch"},
        // The parser would end the text at a zero byte and drop the rest.
        {"<a>x\0y</a>"s, 4, 1, 5, "zero byte"},
        {"<a></a>\0<b></b>"s, 7, 1, 8, "zero byte"},
        {"<\0a\0>\0"s, 1, 1, 2, "zero byte"}, // UTF-16
        {"\xFF\xFE<\0a\0>\0"s, 3, 1, 4, "zero byte"},
        {"<a></a>\r\n<b></b>", 9, 2, 1, "a second root element follows the first"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        pugi::xml_document doc;
        TXmlParseResult result = ParseXml(doc, c.text);
        EXPECT_FALSE(result.Complete);
        EXPECT_FALSE(result.TooLarge);
        EXPECT_EQ(result.Offset, c.offset);
        EXPECT_EQ(result.Line, c.line);
        EXPECT_EQ(result.Column, c.column);
        EXPECT_NE(result.Description.find(c.why), std::string::npos) << result.Description;
    }
    // Whole texts, also those without an element, which leave the document without a root.
    for (std::string_view whole : {std::string_view("<a></a>"), std::string_view("<a><b/></a>\r\n"), std::string_view(""),
             std::string_view(), std::string_view("  \r\n"), std::string_view("text only"),
             std::string_view("<?xml version=\"1.0\"?><a></a><!-- end -->")}) {
        pugi::xml_document doc;
        EXPECT_TRUE(ParseXml(doc, whole).Complete) << whole;
    }
}

TEST(XmlParse, RefusesMoreElementsThanAnyRealFileHolds)
{
    // One start tag past the limit: nothing is parsed, and the stop is at that tag.
    const std::string many = Repeated("<a>", MaxXmlElements + 1);
    pugi::xml_document doc;
    TXmlParseResult result = ParseXml(doc, many);
    EXPECT_TRUE(result.TooLarge);
    EXPECT_FALSE(result.Complete);
    EXPECT_EQ(result.Offset, MaxXmlElements * 3);
    EXPECT_FALSE(doc.first_child());

    // End tags, comments and declarations are not elements; a long text with few is parsed.
    EXPECT_FALSE(ParseXml(doc, "<a>" + Repeated("<?a?></a>", MaxXmlElements / 2 + 1)).TooLarge);
    std::string longText = "<a>" + std::string(2 * MaxXmlElements + 10, 'x') + "</a>";
    ASSERT_TRUE(ParseXml(doc, longText));
    EXPECT_EQ(NodeText(doc.document_element()).size(), 2 * MaxXmlElements + 10);
}

TEST(XMLDoc, PathsResolveByNameAndIndexIgnoringCaseAndBadTextNeverRaises)
{
    TXMLDoc doc("Root");
    ASSERT_TRUE(doc.LoadFromString("<Root a=\"1\"><Item>zero</Item><item>one</item><Other><Leaf>deep</Leaf></Other></Root>"));
    EXPECT_EQ(doc.GetNodeText("Item"), "zero");
    EXPECT_EQ(doc.GetNodeText("ITEM(1)"), "one");
    EXPECT_FALSE(doc.NodeExists("Item(2)"));
    EXPECT_EQ(doc.GetNodeText("Other,Leaf"), "deep");
    EXPECT_EQ(doc.GetNodeText("Other"), "deep");
    EXPECT_EQ(doc.GetAttribute("", "a"), "1");
    EXPECT_EQ(doc.GetAttribute("Root", "a"), "1");
    EXPECT_EQ(doc.GetAttribute("Missing", "a"), "");
    EXPECT_TRUE(doc.NodeExists(""));
    EXPECT_TRUE(doc.NodeExists("Root"));
    // A single text child is returned as the node itself.
    EXPECT_EQ(doc.FindNode("Item").type(), pugi::node_pcdata);
    EXPECT_EQ(doc.FindNode("Other").type(), pugi::node_element);

    TXMLDoc bad("R");
    EXPECT_FALSE(bad.LoadFromString(""));
    EXPECT_FALSE(bad.NodeExists("X"));
    EXPECT_EQ(bad.GetNodeText("X"), "");
    EXPECT_FALSE(bad.LoadFromString("<<<>>"));
    EXPECT_FALSE(bad.LoadFromString("\x01\x02\xFF"));
    EXPECT_EQ(bad.GetAttribute("", "ID"), "");
}

TEST(XMLDoc, SetNodeTextCreatesWhatIsMissingWithinBounds)
{
    TXMLDoc doc("Turn");
    doc.SetNodeText("TurnNumber", "3");
    doc.SetNodeText("Empty", "");
    doc.SetNodeText("A,B(2)", "deep");
    doc.SetNodeText("TurnNumber", "4 < 5"); // replaces the one text node
    doc.SetAttribute("", "ID", "3");
    doc.SetAttribute("", "ID", "\"4\"");       // replaces the attribute
    doc.SetAttribute("New", "k", "v");      // creates the element
    // Absurdly many siblings are not created. Written escaped, without added whitespace and never
    // self-closing.
    doc.SetNodeText("C(2000000000)", "x");
    doc.SetAttribute("D(99999999)", "k", "v");
    EXPECT_EQ(doc.SaveToString(),
        "<Turn ID=\"&#34;4&#34;\"><TurnNumber>4 &lt; 5</TurnNumber><Empty></Empty><A><B></B><B></B><B>deep</B></A><New k=\"v\"></New></Turn>");

    // Mixed content is left alone.
    TXMLDoc mixed("R");
    ASSERT_TRUE(mixed.LoadFromString("<R><M>a<x/>b</M></R>"));
    mixed.SetNodeText("M", "new");
    EXPECT_EQ(mixed.GetNodeText("M"), "a b");
}

TEST(XmlDeepTrees, TextAndWritingNeedNoRecursion)
{
    const std::string deep = Repeated("<a>", 200000) + "x" + Repeated("</a>", 200000);
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(doc, "<r>" + deep + "<b>y</b></r>"));
    EXPECT_EQ(NodeText(doc.document_element()), "x y");
    EXPECT_EQ(XmlElementToString(doc.document_element()), "<r>" + deep + "<b>y</b></r>");
}

namespace {
// The whole text's tree, written out, and the same from the rest with each placeholder replaced
// by its element parsed alone; empty when a cut element does not parse alone.
std::string WholeTree(const std::string& text)
{
    pugi::xml_document doc;
    EXPECT_TRUE(ParseXml(doc, text).Complete) << text;
    return XmlElementToString(doc.document_element());
}

std::string TreeFromCuts(const std::string& text, const std::string& rest, const std::vector<TElidedElement>& elided)
{
    pugi::xml_document doc;
    EXPECT_TRUE(ParseXml(doc, rest).Complete) << rest;
    std::vector<pugi::xml_node> placeholders;
    for (const TElidedElement& e : elided) {
        const auto at = static_cast<std::ptrdiff_t>(e.At) + 1;
        const pugi::xml_node found = doc.find_node([at](pugi::xml_node node) { return node.offset_debug() == at; });
        EXPECT_TRUE(found) << e.At;
        placeholders.push_back(found);
    }
    for (std::size_t i = 0; i < elided.size(); ++i) {
        const std::string_view bytes = std::string_view(text).substr(elided[i].Begin, elided[i].End - elided[i].Begin);
        pugi::xml_document alone;
        if (!ParseElidedElement(alone, bytes, placeholders[i].name()))
            return std::string();
        placeholders[i].parent().insert_copy_before(alone.document_element(), placeholders[i]);
        placeholders[i].parent().remove_child(placeholders[i]);
    }
    return XmlElementToString(doc.document_element());
}
} // namespace

TEST(XmlElide, CutElementsAndTheRestParseToTheTreeOfTheWholeText)
{
    const std::vector<std::string> names = {"Turn", "Bay"};
    struct Case {
        const char* name;
        std::string text;
        std::size_t cut;
    } cases[] = {
        {"turns in a list", "<Game><Name>a &amp; b</Name><TurnList><Turn ID=\"1\"><A>1</A></Turn>\r\n<Turn ID=\"2\"><A>2</A></Turn></TurnList></Game>", 2},
        {"names in markup that is not an element",
            "<Game><!-- <Turn>x</Turn> --><?pi <Turn>?><![CDATA[<Turn>]]><B title=\"<Turn> a>b\"></B><Turn ID='/>'><A>1</A></Turn ></Game>", 1},
        {"empty and look-alike elements", "<Game><Turn/><Turn ID=\"e\"/><TurnList></TurnList><Turns><A/></Turns><TurnX>1</TurnX></Game>", 0},
        {"end tags of longer names inside", "<Game><Turn><TurnNumber>3</TurnNumber><TurnList/></Turn><Bay><C>\xE2\x82\xAC</C></Bay></Game>", 2},
        {"the root itself", "<Turn><A>1</A></Turn>", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string rest;
        std::vector<TElidedElement> elided;
        ASSERT_TRUE(ElideElements(c.text, names, rest, elided));
        EXPECT_EQ(elided.size(), c.cut);
        EXPECT_EQ(TreeFromCuts(c.text, rest, elided), WholeTree(c.text));
        // Every byte of the rest outside a placeholder is the byte its offset maps to; a
        // placeholder's bytes map to its element's start tag.
        std::size_t next = 0;
        for (std::size_t p = 0; p < rest.size(); ++p) {
            const bool inside = next < elided.size() && p >= elided[next].At && p < elided[next].At + elided[next].PlaceholderSize;
            const std::size_t mapped = ElidedTextOffset(elided, p);
            if (!inside || p <= elided[next].At + elided[next].PlaceholderSize - 3) {
                EXPECT_EQ(rest[p], c.text[mapped]) << p;
            }
            if (inside && p == elided[next].At) {
                EXPECT_EQ(mapped, elided[next].Begin);
            }
            if (next < elided.size() && p + 1 == elided[next].At + elided[next].PlaceholderSize)
                ++next;
        }
        EXPECT_EQ(ElidedTextOffset(elided, rest.size()), c.text.size());
    }
}

TEST(XmlElide, AWrongCutFailsToParseAloneAndWhatTheScanCannotFollowIsNotCut)
{
    // The first end tag of the name closes the cut: where the element holds it in other markup or
    // holds an element of its own name, the cut is not an element alone, and parsing it says so.
    for (const char* inner : {"<A x=\"</Turn>\"></A>", "<![CDATA[</Turn>]]>", "<!-- </Turn> -->", "<Turn></Turn>"}) {
        SCOPED_TRACE(inner);
        const std::string text = std::string("<Game><Turn><B>1</B>") + inner + "</Turn></Game>";
        std::string rest;
        std::vector<TElidedElement> elided;
        ASSERT_TRUE(ElideElements(text, {"Turn"}, rest, elided));
        ASSERT_EQ(elided.size(), 1u);
        pugi::xml_document doc;
        const std::string_view cut = std::string_view(text).substr(elided[0].Begin, elided[0].End - elided[0].Begin);
        EXPECT_FALSE(ParseElidedElement(doc, cut, "Turn")) << cut;
    }
    // Texts the plain parse would not read as UTF-8 to their end, and markup the scan does not follow.
    for (const std::string& text : {std::string("<!DOCTYPE Game><Game><Turn><A/></Turn></Game>"), std::string("<Game><Turn>\xE9</Turn></Game>"),
             std::string("<Game><Turn>a</Turn>\0</Game>", 29), std::string("<Game><!-- <Turn>a</Turn></Game>"),
             std::string("<Game><B x=\"></Game>")}) {
        std::string rest = "left over";
        std::vector<TElidedElement> elided(1);
        EXPECT_FALSE(ElideElements(text, {"Turn"}, rest, elided)) << text;
        EXPECT_TRUE(rest.empty());
        EXPECT_TRUE(elided.empty());
    }
}
