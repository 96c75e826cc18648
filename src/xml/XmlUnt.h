#pragma once
#include <pugixml.hpp>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
// Found from the offsets, in that text, of the element's name and of the next sibling node,
// and only when just the end tag lies before that (a comment or processing instruction there
// leaves no node to tell where it starts).
bool FindElementBytes(std::string_view text, std::string_view name, std::size_t nameAt, std::size_t nextAt,
    pugi::xml_node_type nextType, std::size_t& begin, std::size_t& end);

// An element cut out of a text, so that the rest parses on its own and the element can be
// parsed alone when it is read: in the rest it stands as an empty element of its name ("<Turn/>").
struct TElidedElement {
    std::size_t At = 0;              // the placeholder's "<" in the rest
    std::size_t PlaceholderSize = 0; // its length there
    std::size_t Begin = 0;           // the element in the whole text: from its "<"
    std::size_t End = 0;             // to the end of its end tag
    std::size_t Shift = 0;           // how much longer the whole text is up to its end
};
// The text without the elements of the given names that have content, each from its start tag
// to the first end tag of its name after it, outside comments, CDATA sections and processing
// instructions. A cheap scan: parsing the rest and each element proves the cut, since a text
// whose rest and cut elements all parse, each element alone, parses to the same tree. False,
// with nothing cut, when the text is not one ParseXml reads as UTF-8 to its end without a
// limit (not UTF-8, a zero byte, past a cap), or holds a document type declaration or a markup
// that does not end.
bool ElideElements(std::string_view text, const std::vector<std::string>& names, std::string& rest,
    std::vector<TElidedElement>& elided);
// The whole text's offset of an offset in the rest; within a placeholder, the same place in its
// element. The elements are in text order.
std::size_t ElidedTextOffset(const std::vector<TElidedElement>& elided, std::size_t restOffset);
// Parses an element that ElideElements cut from a text, giving the tree the whole parse gives it;
// whether it is that element alone.
bool ParseElidedElement(pugi::xml_document& doc, std::string_view element, std::string_view name);

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

// How many times the byte occurs in the text; sixteen bytes at a time where the processor has
// SSE2.
std::size_t CountByte(std::string_view text, char byte);

// Text being written, collected whole or handed on in pieces of about PieceSize bytes, so that
// a large text never has to be held at once. Writers append to Text and call Pass between
// elements; Finish hands on the rest.
class TXmlSink {
public:
    using TConsumer = std::function<void(std::string_view)>;
    // Takes a part of an unchanging text that its keeper holds, to keep instead of copying it.
    using TSharedConsumer = std::function<void(const std::shared_ptr<const std::string>& keeper, std::string_view part)>;
    static constexpr std::size_t PieceSize = 1 << 16;

    TXmlSink() = default;
    explicit TXmlSink(TConsumer consumer, TSharedConsumer shared = nullptr)
        : FConsumer(std::move(consumer))
        , FShared(std::move(shared))
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
    // Text already written, part of a text its keeper holds unchanged: handed on as it is, kept
    // by reference where a shared consumer takes it.
    void AppendShared(const std::shared_ptr<const std::string>& keeper, std::string_view part);

private:
    void HandOn();
    TConsumer FConsumer;
    TSharedConsumer FShared;
};

// A text in pieces, some of them parts of unchanging texts held elsewhere, kept by reference: a
// large text put together without being copied, to be handed on later, on any thread.
class TTextPieces {
public:
    void Append(std::string_view text);
    void AppendShared(const std::shared_ptr<const std::string>& keeper, std::string_view part);
    void ForEach(const std::function<void(std::string_view)>& consume) const;
    std::string Joined() const;
    std::size_t Size() const { return FSize; }
    // How much of it is held by reference.
    std::size_t SharedSize() const { return FSharedSize; }

private:
    struct TPiece {
        std::string Owned;
        std::shared_ptr<const std::string> Keeper;
        std::string_view Part;
    };
    std::vector<TPiece> FPieces;
    std::size_t FSize = 0;
    std::size_t FSharedSize = 0;
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
