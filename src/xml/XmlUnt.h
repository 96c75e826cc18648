#pragma once
#include <pugixml.hpp>

#include <cstddef>
#include <string>
#include <string_view>

// The XML document tree is pugixml's; this unit fixes how the tool parses and writes it.

// No game (a long campaign has about 210,000) or reference file comes near this many elements;
// a text with more is not parsed at all, so that a small compressed file cannot fill the memory.
inline constexpr std::size_t MaxXmlElements = 4'000'000;

// How far a parse got. When the text could not be read to its end, Offset is the byte of the
// given text where reading stopped, Line and Column (counted in characters) the same place,
// both from 1, and Description says why.
struct TXmlParseResult {
    bool Complete = true;
    // Stopped by MaxXmlElements; nothing was parsed then.
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
// Input that is not valid UTF-8 is read as Windows-1252. A text without any element is complete
// (with no document element); a zero byte or a second root element ends what is read.
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

// The tool's own serialisation: no added whitespace, attributes in insertion order, never the
// self-closing form, and the escaping table below applied to text and attribute values.
void WriteXmlElement(std::string& out, pugi::xml_node element);
std::string XmlElementToString(pugi::xml_node element);

//   '  -> &apos;     "  -> &#34;     <  -> &lt;     >  -> &gt;
//   &  -> kept when it opens an entity reference (a ';' follows before any blank, '&' or the
//         end), otherwise &amp;
//   code points of 127 and above -> &#N;
void AppendXmlEscaped(std::string& out, std::string_view text);
std::string XmlEscaped(std::string_view text);
