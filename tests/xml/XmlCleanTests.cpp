// The clean form of text: what the writer writes, a strict XML reader accepts, and the tool's
// reader gives back exactly.
#include "xml/XmlUnt.h"
#include "common/RandomText.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QXmlStreamReader>

#include <string>
#include <vector>

namespace {
// Whether a reader that follows the XML 1.0 rules to the letter reads the whole document.
bool StrictlyWellFormed(const std::string& document)
{
    QXmlStreamReader reader(QByteArray(document.data(), static_cast<qsizetype>(document.size())));
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}
} // namespace

TEST(XmlCleanText, AnyTextIsWrittenAsItsCleanFormWhichAStrictReaderTakesAndTheToolReadsBackExactly)
{
    // The strict reader refuses what the writer used to let through.
    EXPECT_FALSE(StrictlyWellFormed("<a>&#0;</a>"));
    EXPECT_FALSE(StrictlyWellFormed(std::string("<a>\x01</a>")));
    EXPECT_FALSE(StrictlyWellFormed("<a>&#65535;</a>"));

    std::mt19937 random(21);
    for (int i = 0; i < 3000; ++i) {
        const std::string text = RandomFieldText(random, random() % 40);
        SCOPED_TRACE(::testing::PrintToString(text));
        const std::string clean = XmlCleanText(text);
        EXPECT_EQ(XmlCleanText(clean), clean);
        const std::string escaped = XmlEscaped(text);
        EXPECT_EQ(escaped, XmlEscaped(clean));
        const std::string document = "<a v=\"" + escaped + "\">" + escaped + "</a>";
        EXPECT_TRUE(StrictlyWellFormed(document)) << document;
        pugi::xml_document doc;
        ASSERT_TRUE(ParseXml(doc, document));
        EXPECT_EQ(NodeText(doc.document_element()), clean);
        EXPECT_EQ(AttributeText(doc.document_element().attribute("v")), clean);
    }
}

TEST(XmlSink, TextHandedOnInPiecesIsTheWholeTextEscaped)
{
    // Characters of one to four bytes and stray bytes fall across every boundary between pieces.
    std::string text;
    const char* const units[] = {"a", "&", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x80", "\xE2\x82"};
    for (std::size_t i = 0; text.size() < 3 * TXmlSink::PieceSize + 100; ++i)
        text += i % 9 == 8 ? std::string(1, '\0') : std::string(units[(i * 7 + i / 5) % 7]);
    for (std::size_t shift = 0; shift < 4; ++shift) {
        const std::string shifted = std::string(shift, 'x') + text;
        std::vector<std::string> pieces;
        TXmlSink sink([&](std::string_view piece) { pieces.emplace_back(piece); });
        sink.Text = "<a>";
        sink.AppendEscaped(shifted);
        sink.Text += "</a>";
        sink.Finish();
        EXPECT_GE(pieces.size(), 3u);
        std::string joined;
        for (const std::string& piece : pieces) {
            EXPECT_LE(piece.size(), TXmlSink::PieceSize * 8);
            joined += piece;
        }
        EXPECT_EQ(joined, "<a>" + XmlEscaped(shifted) + "</a>") << shift;
    }
}

TEST(XmlParse, EightBitTextCountsAtItsSizeOnceConverted)
{
    // Every byte 0x80 becomes the three bytes of the euro sign.
    const std::size_t fits = (MaxXmlTextSize - 7) / 3;
    pugi::xml_document doc;
    const std::string tooLong = "<a>" + std::string(fits + 1, '\x80') + "</a>";
    TXmlParseResult result = ParseXml(doc, tooLong);
    EXPECT_TRUE(result.TooLarge);
    EXPECT_FALSE(result.Complete);
    EXPECT_NE(result.Description.find("bytes"), std::string::npos) << result.Description;
    EXPECT_FALSE(doc.first_child());

    const std::string longest = "<a>" + std::string(fits, '\x80') + "</a>";
    result = ParseXml(doc, longest);
    EXPECT_TRUE(result.Complete);
    EXPECT_TRUE(result.Windows1252);
    const std::string_view parsed = doc.document_element().first_child().value();
    EXPECT_EQ(parsed.size(), 3 * fits);
    EXPECT_EQ(parsed.substr(parsed.size() - 3), "\xE2\x82\xAC");
}

// Only what the writer writes counts as its form: such bytes may be written again as read.
TEST(XmlWrittenForm, IsWhatTheWriterGivesAndNothingElse)
{
    for (const std::string& text : {std::string("plain"), std::string("a & b < c > \"d\" 'e'"), std::string("caf\xC3\xA9 \xE2\x82\xAC"),
             std::string("ctrl\x01\x7F\xEF\xBF\xBF end"), std::string("\xFF\x80 bytes"), std::string("&amp; &#65; &quot;")}) {
        std::string written;
        AppendXmlEscaped(written, text);
        EXPECT_TRUE(IsWrittenXmlForm("<a>" + written + "</a>")) << written;
    }
    for (const char* text : {"&quot;", "&#65;", "&#x41;", "&#1;", "&#65534;", "&#55296;", "&#160", "& b", "&",
             "caf\xC3\xA9", "tab\tok\x01", "&#1114112;"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(IsWrittenXmlForm(std::string("<a>") + text + "</a>"));
    }
    EXPECT_TRUE(IsWrittenXmlForm("<a>&#160;&#34;&#127;&#1114111;\r\n\t</a>"));
}
