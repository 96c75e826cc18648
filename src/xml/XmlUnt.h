#pragma once
#include <pugixml.hpp>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The XML document tree is pugixml's; this unit fixes how the tool parses and writes it.

// Caps on what a text may hold, at about one and a half times a league's campaign of 500 turns
// of eight robots (85.6 MB of text, 2.65 million elements): a text past either is not parsed at
// all, so that a small compressed file cannot fill the memory. Bytes count as parsed: 8-bit text
// once converted to UTF-8, which may make it three times as long.
inline constexpr std::size_t MaxXmlElements = 4'000'000;
inline constexpr std::size_t MaxXmlTextSize = std::size_t{128} * 1024 * 1024;

// How far a parse got. When the text could not be read to its end, Offset is the byte of the
// given text where reading stopped, Line and Column (counted in characters) the same place,
// both from 1, and Description says why.
struct TXmlParseResult {
    bool Complete = true;
    // Stopped by MaxXmlElements or MaxXmlTextSize; nothing was parsed then.
    bool TooLarge = false;
    // The text was not UTF-8 and was read as Windows-1252, converted to UTF-8.
    bool Windows1252 = false;
    std::size_t Offset = 0;
    std::size_t Line = 0;
    std::size_t Column = 0;
    std::string Description;

    explicit operator bool() const { return Complete; }
    // "line 3, column 17 (byte 245): start-end tags mismatch"
    std::string Where() const;
};

// Parsing keeps every text node as written (whitespace-only text and CR LF included), decodes
// entities and numeric references, and on an error keeps the part of the tree built so far.
// Input that is not valid UTF-8 is read as Windows-1252, converted once, in the parser's own
// buffer. A text without any element is complete (with no document element); a zero byte or a
// second root element ends what is read.
TXmlParseResult ParseXml(pugi::xml_document& doc, std::string_view text);
// Parses one element cut from a text that ParseXml read completely (from that text's UTF-8
// form), giving the same tree as that parse did; whether it parsed and holds an element.
bool ParseXmlPart(pugi::xml_document& doc, std::string_view utf8Element);
// Where an element lies in the text it was parsed from: from its "<" to the end of its end tag.
// Found from where the next sibling node begins, and only when just the end tag lies before
// that (a comment or processing instruction there leaves no node to tell where it starts).
bool FindElementBytes(std::string_view text, pugi::xml_node element, std::size_t& begin, std::size_t& end);

// All text under a node, its text nodes joined with single blanks, C1 references mapped to
// their Windows-1252 characters.
std::string NodeText(pugi::xml_node node);
// The same text without a copy where it can be had as it stands (one text node, nothing to
// map); otherwise built in scratch. The view lives as long as the node and scratch.
std::string_view NodeTextView(pugi::xml_node node, std::string& scratch);
// An attribute's value with the same mapping.
std::string AttributeText(pugi::xml_attribute attribute);

// What a text is once it has entered the game: its clean form, which a saved game holds and
// gives back byte for byte. Valid UTF-8 stays; a byte that is not part of valid UTF-8 is the
// Windows-1252 character it stands for in 8-bit files, and so is a C1 control (U+0080..U+009F)
// that Windows-1252 gives a character, as the reader reads "&#128;" to "&#159;"; the characters
// XML cannot hold are removed: the control characters other than tab, LF and CR, and U+FFFE and
// U+FFFF. Text is cleaned where it enters the model (fields, the pasted answer, loads), and the
// writer writes every text in this form, so nothing else ever reaches a file.
std::string XmlCleanText(std::string_view text);
// The same in place; whether the text changed. Clean text is only looked at.
bool CleanXmlText(std::string& text);
// Whether XML text is in the form the tool's writer gives it (see AppendXmlEscaped): printable
// ASCII, tab, CR and LF only, every "&" one of the entities or character references the writer
// writes, none of them for a character the clean form leaves out. Such text, read and written
// again unchanged, is what writing its objects again would give.
bool IsWrittenXmlForm(std::string_view text);

// Text being written, collected whole or handed on in pieces of about PieceSize bytes, so that
// a large text never has to be held at once. Writers append to Text and call Pass between
// elements; Finish hands on the rest.
class TXmlSink {
public:
    using TConsumer = std::function<void(std::string_view)>;
    static constexpr std::size_t PieceSize = 1 << 16;

    TXmlSink() = default;
    explicit TXmlSink(TConsumer consumer)
        : FConsumer(std::move(consumer))
    {
    }

    std::string Text;

    void Pass()
    {
        if (FConsumer && Text.size() >= PieceSize)
            HandOn();
    }
    void Finish()
    {
        if (FConsumer && !Text.empty())
            HandOn();
    }
    // The escaped text, handed on as it grows.
    void AppendEscaped(std::string_view text);

private:
    void HandOn();
    TConsumer FConsumer;
};

// The tool's own serialisation: no added whitespace, attributes in insertion order, never the
// self-closing form, and the escaping table below applied to text and attribute values.
void WriteXmlElement(std::string& out, pugi::xml_node element);
std::string XmlElementToString(pugi::xml_node element);

// Writes the clean form of the text (XmlCleanText), escaped:
//   '  -> &apos;     "  -> &#34;     <  -> &lt;     >  -> &gt;     &  -> &amp;
//   code points of 127 and above -> &#N;
// Every "&" is written as "&amp;", so that text which looks like an entity comes back as it was.
void AppendXmlEscaped(std::string& out, std::string_view text);
std::string XmlEscaped(std::string_view text);
