#include "xml/XmlUnt.h"

#include "support/TextUnt.h"

#include <charconv>
#include <cstring>

namespace {
constexpr unsigned ParseOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_ws_pcdata;

// Walks the subtree without recursion: a hostile file may nest elements very deeply.
void CollectText(pugi::xml_node node, std::string& out)
{
    bool first = true;
    pugi::xml_node current = node.first_child();
    while (current) {
        if (current.type() == pugi::node_pcdata || current.type() == pugi::node_cdata) {
            if (!first)
                out += ' ';
            out += current.value();
            first = false;
        }
        if (current.type() == pugi::node_element && current.first_child()) {
            current = current.first_child();
            continue;
        }
        while (current && current != node && !current.next_sibling())
            current = current.parent();
        if (!current || current == node)
            break;
        current = current.next_sibling();
    }
}

bool OpensEntity(std::string_view text, std::size_t ampersand)
{
    for (std::size_t j = ampersand + 1; j < text.size(); ++j) {
        char c = text[j];
        if (c == ';')
            return true;
        if (c == ' ' || c == '&')
            return false;
    }
    return false;
}

void AppendNumber(std::string& out, unsigned long value)
{
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}
} // namespace

bool ParseXml(pugi::xml_document& doc, std::string_view text)
{
    pugi::xml_parse_result result;
    if (IsValidUtf8(text)) {
        result = doc.load_buffer(text.data(), text.size(), ParseOptions, pugi::encoding_utf8);
    } else {
        std::string converted = Windows1252ToUtf8(text);
        result = doc.load_buffer(converted.data(), converted.size(), ParseOptions, pugi::encoding_utf8);
    }
    return static_cast<bool>(result);
}

std::string NodeText(pugi::xml_node node)
{
    std::string out;
    pugi::xml_node only = node.first_child();
    if (only && !only.next_sibling() && only.type() == pugi::node_pcdata) {
        out = only.value(); // the common case: one text node
    } else {
        CollectText(node, out);
    }
    MapC1ToWindows1252(out);
    return out;
}

std::string_view NodeTextView(pugi::xml_node node, std::string& scratch)
{
    pugi::xml_node only = node.first_child();
    if (!only)
        return std::string_view();
    if (!only.next_sibling() && only.type() == pugi::node_pcdata) {
        std::string_view text(only.value());
        if (text.find('\xC2') == std::string_view::npos)
            return text;
    }
    scratch = NodeText(node);
    return scratch;
}

std::string AttributeText(pugi::xml_attribute attribute)
{
    std::string out = attribute.value();
    MapC1ToWindows1252(out);
    return out;
}

void AppendXmlEscaped(std::string& out, std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        // Copy the run of characters that need nothing in one go.
        std::size_t run = i;
        while (run < text.size()) {
            auto c = static_cast<unsigned char>(text[run]);
            if (c >= 127 || c == '\'' || c == '"' || c == '<' || c == '>' || c == '&')
                break;
            ++run;
        }
        out.append(text.data() + i, run - i);
        i = run;
        if (i >= text.size())
            break;
        auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '\'': out += "&apos;"; ++i; break;
        case '"': out += "&#34;"; ++i; break;
        case '<': out += "&lt;"; ++i; break;
        case '>': out += "&gt;"; ++i; break;
        case '&':
            out += OpensEntity(text, i) ? "&" : "&amp;";
            ++i;
            break;
        default: {
            char32_t cp = NextCodePoint(text, i);
            out += "&#";
            AppendNumber(out, cp);
            out += ';';
        }
        }
    }
}

std::string XmlEscaped(std::string_view text)
{
    std::string out;
    AppendXmlEscaped(out, text);
    return out;
}

namespace {
void WriteStartTag(std::string& out, pugi::xml_node element)
{
    out += '<';
    out += element.name();
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
        out += ' ';
        out += a.name();
        out += "=\"";
        AppendXmlEscaped(out, a.value());
        out += '"';
    }
    out += '>';
}

void WriteEndTag(std::string& out, pugi::xml_node element)
{
    out += "</";
    out += element.name();
    out += '>';
}
} // namespace

// Without recursion, as deep trees may come from files.
void WriteXmlElement(std::string& out, pugi::xml_node element)
{
    WriteStartTag(out, element);
    pugi::xml_node current = element.first_child();
    while (current) {
        bool descend = false;
        switch (current.type()) {
        case pugi::node_element:
            WriteStartTag(out, current);
            descend = static_cast<bool>(current.first_child());
            if (!descend)
                WriteEndTag(out, current);
            break;
        case pugi::node_pcdata:
        case pugi::node_cdata:
            AppendXmlEscaped(out, current.value());
            break;
        default:
            break;
        }
        if (descend) {
            current = current.first_child();
            continue;
        }
        while (current != element && !current.next_sibling()) {
            current = current.parent();
            if (current != element)
                WriteEndTag(out, current);
        }
        if (current == element)
            break;
        current = current.next_sibling();
    }
    WriteEndTag(out, element);
}

std::string XmlElementToString(pugi::xml_node element)
{
    std::string out;
    WriteXmlElement(out, element);
    return out;
}
