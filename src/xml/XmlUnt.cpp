#include "xml/XmlUnt.h"

#include "support/TextUnt.h"
#include "support/UtilsUnt.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cctype>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

constexpr char32_t Removed = 0xFFFFFFFF;

// The code point of a valid UTF-8 sequence at pos (no overlong form, no surrogate, nothing past
// U+10FFFF) and its length; 0 when the byte there begins none.
std::size_t Utf8Sequence(std::string_view text, std::size_t pos, char32_t& cp)
{
    const auto c = static_cast<unsigned char>(text[pos]);
    std::size_t len;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (pos + len > text.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[pos + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

// The rule of the clean form, one character at a time: the character at pos in the clean form
// (advancing pos past what it was made from), or Removed.
char32_t NextCleanChar(std::string_view text, std::size_t& pos)
{
    const auto c = static_cast<unsigned char>(text[pos]);
    char32_t cp = c;
    if (c < 0x80) {
        ++pos;
    } else if (std::size_t len = Utf8Sequence(text, pos, cp); len > 0) {
        pos += len;
    } else {
        ++pos;
        cp = Windows1252CodePoint(c);
    }
    if (cp >= 0x80 && cp <= 0x9F)
        cp = Windows1252CodePoint(static_cast<unsigned char>(cp));
    if (cp < 0x20)
        return cp == '\t' || cp == '\n' || cp == '\r' ? cp : Removed;
    if (cp == 0xFFFE || cp == 0xFFFF)
        return Removed;
    return cp;
}

// ASCII that the clean form keeps: all but the control characters other than tab, LF and CR.
bool IsPlainText(unsigned char c) { return (c >= 0x20 && c < 0x80) || c == '\t' || c == '\n' || c == '\r'; }

// Eight bytes, all of them 0x20..0x7F.
bool AllPrintableAscii(std::uint64_t word)
{
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    const std::uint64_t belowBlank = (word - ones * 0x20) & ~word & highs;
    return ((word & highs) | belowBlank) == 0;
}

// Bytes written as they are: printable ASCII but the five that are escaped, and tab, LF, CR.
constexpr std::array<bool, 256> Unescaped = [] {
    std::array<bool, 256> table{};
    for (int c = 0x20; c < 0x7F; ++c)
        table[static_cast<std::size_t>(c)] = true;
    for (char c : {'\'', '"', '<', '>', '&'})
        table[static_cast<unsigned char>(c)] = false;
    for (char c : {'\t', '\n', '\r'})
        table[static_cast<unsigned char>(c)] = true;
    return table;
}();

void AppendNumber(std::string& out, unsigned long value)
{
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

constexpr std::size_t NoOffset = std::string_view::npos;

// The bits set in a mask of sixteen, without the library call that a processor without a
// population count instruction is given for std::popcount.
inline std::size_t Popcount16(unsigned mask)
{
    mask = mask - ((mask >> 1) & 0x5555u);
    mask = (mask & 0x3333u) + ((mask >> 2) & 0x3333u);
    mask = (mask + (mask >> 4)) & 0x0F0Fu;
    return (mask + (mask >> 8)) & 0x1Fu;
}

// The start tags of a text: the "<" not followed by "/", "!" or "?". Sixteen bytes at a time
// where the processor has SSE2: a campaign's text holds millions of tags.
std::size_t StartTagCount(std::string_view text)
{
    const char* data = text.data();
    const std::size_t n = text.size();
    std::size_t count = 0;
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128i open = _mm_set1_epi8('<'), slash = _mm_set1_epi8('/'), bang = _mm_set1_epi8('!'), query = _mm_set1_epi8('?');
    for (; i + 17 <= n; i += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 1));
        const auto opens = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, open)));
        const auto others = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(next, slash), _mm_cmpeq_epi8(next, bang)), _mm_cmpeq_epi8(next, query))));
        count += Popcount16(opens & ~others);
    }
#endif
    for (; i < n; ++i)
        if (data[i] == '<' && i + 1 < n && data[i + 1] != '/' && data[i + 1] != '!' && data[i + 1] != '?')
            ++count;
    return count;
}

// Where the start tag beyond MaxXmlElements begins; NoOffset when there are not that many. A
// start tag is a "<" not followed by "/", "!" or "?", so it takes two bytes at least and a
// shorter text needs no look.
std::size_t ElementLimitOffset(std::string_view text)
{
    if (text.size() / 2 <= MaxXmlElements || StartTagCount(text) <= MaxXmlElements)
        return NoOffset;
    std::size_t count = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    const char* p = begin;
    while (p < end) {
        const void* hit = std::memchr(p, '<', static_cast<std::size_t>(end - p));
        if (!hit)
            break;
        p = static_cast<const char*>(hit) + 1;
        if (p < end && *p != '/' && *p != '!' && *p != '?' && ++count > MaxXmlElements)
            return static_cast<std::size_t>(p - 1 - begin);
    }
    return NoOffset;
}

// The offset in the original 8-bit text of a byte of its UTF-8 conversion.
std::size_t Windows1252Offset(std::string_view original, std::size_t convertedOffset)
{
    static const std::array<unsigned char, 128> highLength = [] {
        std::array<unsigned char, 128> lengths{};
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char c = static_cast<char>(b);
            lengths[static_cast<std::size_t>(b - 0x80)] = static_cast<unsigned char>(Windows1252ToUtf8(std::string_view(&c, 1)).size());
        }
        return lengths;
    }();
    std::size_t converted = 0;
    std::size_t i = 0;
    for (; i < original.size(); ++i) {
        auto b = static_cast<unsigned char>(original[i]);
        converted += b < 0x80 ? 1 : highLength[b - 0x80];
        if (converted > convertedOffset)
            break;
    }
    return i;
}

// The UTF-8 continuation bytes (10xxxxxx) of a text, eight bytes at a time.
std::size_t ContinuationBytes(std::string_view text)
{
    std::size_t count = 0, i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        count += static_cast<std::size_t>(std::popcount(word & ~(word << 1) & 0x8080808080808080ull));
    }
    for (; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++count;
    return count;
}

TXmlParseResult Stopped(std::string_view text, bool utf8, std::size_t offset, std::string description)
{
    TXmlParseResult result;
    result.Complete = false;
    result.Windows1252 = !utf8;
    result.Offset = std::min(offset, text.size());
    result.Description = std::move(description);
    // Lines end with CR LF, CR or LF; the next of each is looked for once it has been passed.
    const std::size_t stop = result.Offset;
    auto next = [&](char c, std::size_t from) {
        const void* hit = from < stop ? std::memchr(text.data() + from, c, stop - from) : nullptr;
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : stop;
    };
    std::size_t line = 1, lineStart = 0;
    std::size_t nextCR = next('\r', 0), nextLF = next('\n', 0);
    for (;;) {
        if (nextCR < lineStart)
            nextCR = next('\r', lineStart);
        if (nextLF < lineStart)
            nextLF = next('\n', lineStart);
        std::size_t end = std::min(nextCR, nextLF);
        if (end >= stop)
            break;
        if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
            if (end + 1 >= stop)
                break; // stopped on the LF of a CR LF: still this line
            ++end;
        }
        ++line;
        lineStart = end + 1;
    }
    // Columns count characters: every byte of an 8-bit text, all but continuation bytes of UTF-8.
    std::size_t column = 1 + stop - lineStart;
    if (utf8)
        column -= ContinuationBytes(text.substr(lineStart, stop - lineStart));
    result.Line = line;
    result.Column = column;
    return result;
}

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string LowerFirst(std::string text)
{
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}
} // namespace

std::string TXmlParseResult::Where() const
{
    return Format("line %zu, column %zu (byte %zu): %s", Line, Column, Offset, Description.c_str());
}

TXmlParseResult ParseXml(pugi::xml_document& doc, std::string_view text)
{
    const bool utf8 = IsValidUtf8(text);
    if (std::size_t tooMany = ElementLimitOffset(text); tooMany != NoOffset) {
        doc.reset();
        TXmlParseResult result = Stopped(text, utf8, tooMany, Format("the text holds more than %zu XML elements", MaxXmlElements));
        result.TooLarge = true;
        return result;
    }
    const std::size_t parsedSize = utf8 ? text.size() : Windows1252ToUtf8Size(text);
    if (parsedSize > MaxXmlTextSize) {
        doc.reset();
        TXmlParseResult result = Stopped(text, utf8, 0, Format("the text holds more than %zu bytes of UTF-8", MaxXmlTextSize));
        result.TooLarge = true;
        return result;
    }
    // 8-bit text is converted straight into a buffer the parser takes over and parses in place:
    // it is held once, not converted and then copied by the parser.
    pugi::xml_parse_result status;
    if (utf8) {
        status = doc.load_buffer(text.data(), text.size(), ParseOptions, pugi::encoding_utf8);
    } else {
        auto* buffer = static_cast<char*>(pugi::get_memory_allocation_function()(std::max<std::size_t>(parsedSize, 1)));
        if (!buffer)
            throw std::bad_alloc();
        std::size_t at = 0;
        for (char c : text) {
            const char32_t cp = Windows1252CodePoint(static_cast<unsigned char>(c));
            if (cp < 0x80) {
                buffer[at++] = c;
            } else {
                char encoded[4];
                std::size_t length = 0;
                if (cp < 0x800) {
                    encoded[length++] = static_cast<char>(0xC0 | (cp >> 6));
                } else {
                    encoded[length++] = static_cast<char>(0xE0 | (cp >> 12));
                    encoded[length++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                }
                encoded[length++] = static_cast<char>(0x80 | (cp & 0x3F));
                std::memcpy(buffer + at, encoded, length);
                at += length;
            }
        }
        status = doc.load_buffer_inplace_own(buffer, parsedSize, ParseOptions, pugi::encoding_utf8);
    }
    // Offsets the parser gives count bytes of what it parsed; reported, they count the given text.
    auto given = [&](std::ptrdiff_t parsedOffset) {
        const std::size_t offset = static_cast<std::size_t>(std::max<std::ptrdiff_t>(parsedOffset, 0));
        return utf8 ? offset : Windows1252Offset(text, offset);
    };

    std::size_t stop = NoOffset;
    std::string why;
    if (status.status != pugi::status_ok && status.status != pugi::status_no_document_element) {
        stop = given(status.offset);
        why = LowerFirst(status.description());
    } else if (const void* zero = text.empty() ? nullptr : std::memchr(text.data(), '\0', text.size())) {
        // The parser takes a zero byte for the end of the text and would drop all that follows.
        stop = static_cast<std::size_t>(static_cast<const char*>(zero) - text.data());
    } else if (pugi::xml_node root = doc.document_element()) {
        for (pugi::xml_node next = root.next_sibling(); next; next = next.next_sibling())
            if (next.type() == pugi::node_element) {
                // offset_debug points at the name, just after the "<".
                stop = given(next.offset_debug() - 1);
                why = "a second root element follows the first";
                break;
            }
    }
    if (stop == NoOffset) {
        TXmlParseResult result;
        result.Windows1252 = !utf8;
        return result;
    }
    if (stop < text.size() && text[stop] == '\0')
        why = "a zero byte, which no 8-bit or UTF-8 XML text holds";
    else if (stop + 1 >= text.size() || text.find('>', stop) == std::string_view::npos)
        why = "the text ends before the document is complete"; // inside a tag, or before its end
    return Stopped(text, utf8, stop, why);
}

bool FindElementBytes(std::string_view text, std::string_view name, std::size_t nameAt, std::size_t nextAt,
    pugi::xml_node_type nextType, std::size_t& begin, std::size_t& end)
{
    if (nameAt < 1 || nextAt <= nameAt || nextAt > text.size())
        return false;
    begin = nameAt - 1;
    end = nextAt;
    if (text[begin] != '<' || text.substr(begin + 1, name.size()) != name)
        return false;
    switch (nextType) {
    case pugi::node_element: // the offset of its name
        end -= 1;
        if (text[end] != '<')
            return false;
        break;
    case pugi::node_cdata: // the offset of its content
        if (end < begin + 9 || text.substr(end - 9, 9) != "<![CDATA[")
            return false;
        end -= 9;
        break;
    case pugi::node_pcdata: // the offset of its text
        break;
    default:
        return false;
    }
    std::size_t p = end;
    if (p <= begin || text[p - 1] != '>')
        return false;
    --p;
    while (p > begin && IsXmlBlank(text[p - 1]))
        --p;
    // At least the start tag and "</" lie before the name.
    if (p < begin + 2 * name.size() + 4)
        return false;
    return text.substr(p - name.size(), name.size()) == name && text.substr(p - name.size() - 2, 2) == "</";
}

namespace {
bool IsTagNameEnd(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>'; }

// Just past the ">" of a start tag whose name ends at from, and whether it is empty ("/>");
// NoOffset when it does not end. A ">" inside a quoted attribute value does not end it.
std::size_t StartTagEnd(std::string_view text, std::size_t from, bool& empty)
{
    char quote = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            empty = i > from && text[i - 1] == '/';
            return i + 1;
        }
    }
    return NoOffset;
}

// The first "</" followed by the name at or after from; sixteen places at a time where the
// processor has SSE2, looking for "<", "/" and the name's first letter together.
std::size_t FindEndTagStart(std::string_view text, std::size_t from, std::string_view name)
{
    const char* data = text.data();
    const std::size_t n = text.size();
    const std::size_t tagSize = name.size() + 2;
    auto isHere = [&](std::size_t at) {
        return data[at] == '<' && data[at + 1] == '/' && std::memcmp(data + at + 2, name.data(), name.size()) == 0;
    };
    std::size_t i = from;
#ifdef __SSE2__
    const __m128i open = _mm_set1_epi8('<'), slash = _mm_set1_epi8('/'), first = _mm_set1_epi8(name[0]);
    for (; i + 16 + tagSize <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 1));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 2));
        auto hits = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(a, open), _mm_cmpeq_epi8(b, slash)), _mm_cmpeq_epi8(c, first))));
        for (; hits != 0; hits &= hits - 1) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(hits));
            if (isHere(at))
                return at;
        }
    }
#endif
    for (; i + tagSize <= n; ++i)
        if (isHere(i))
            return i;
    return NoOffset;
}
} // namespace

bool ElideElements(std::string_view text, const std::vector<std::string>& names, std::string& rest,
    std::vector<TElidedElement>& elided)
{
    rest.clear();
    elided.clear();
    if (names.empty() || text.size() > MaxXmlTextSize || !IsValidUtf8(text)
        || (!text.empty() && std::memchr(text.data(), '\0', text.size())) || ElementLimitOffset(text) != NoOffset)
        return false;
    const std::size_t n = text.size();
    std::size_t pos = 0;      // where the scan goes on
    std::size_t copied = 0;   // how much of the text is in the rest
    std::size_t shift = 0;
    auto fail = [&] {
        rest.clear();
        elided.clear();
        return false;
    };
    auto skipPast = [&](std::size_t from, std::string_view close) {
        const std::size_t at = text.find(close, from);
        return at == std::string_view::npos ? NoOffset : at + close.size();
    };
    for (;;) {
        const void* hit = pos < n ? std::memchr(text.data() + pos, '<', n - pos) : nullptr;
        if (!hit)
            break;
        const auto lt = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (lt + 1 >= n)
            break; // a parse tells what is wrong
        const char second = text[lt + 1];
        if (second == '/') {
            pos = lt + 2;
            continue;
        }
        if (second == '?' || second == '!') {
            if (second == '?')
                pos = skipPast(lt + 2, "?>");
            else if (text.substr(lt, 4) == "<!--")
                pos = skipPast(lt + 4, "-->");
            else if (text.substr(lt, 9) == "<![CDATA[")
                pos = skipPast(lt + 9, "]]>");
            else
                pos = NoOffset; // a document type declaration
            if (pos == NoOffset)
                return fail();
            continue;
        }
        std::size_t nameEnd = lt + 1;
        while (nameEnd < n && !IsTagNameEnd(text[nameEnd]))
            ++nameEnd;
        const std::string_view name = text.substr(lt + 1, nameEnd - lt - 1);
        bool empty = false;
        const std::size_t tagEnd = StartTagEnd(text, nameEnd, empty);
        if (tagEnd == NoOffset)
            return fail();
        pos = tagEnd;
        if (empty || name.empty() || std::find(names.begin(), names.end(), name) == names.end())
            continue;
        // Its end: the first end tag of its name, blanks allowed before the ">".
        std::size_t end = NoOffset;
        for (std::size_t from = tagEnd; end == NoOffset;) {
            const std::size_t at = FindEndTagStart(text, from, name);
            if (at == NoOffset)
                break;
            std::size_t after = at + 2 + name.size();
            while (after < n && IsXmlBlank(text[after]))
                ++after;
            if (after < n && text[after] == '>')
                end = after + 1;
            from = at + 1;
        }
        if (end == NoOffset)
            continue; // a parse of the whole tells what is wrong
        rest.append(text.data() + copied, lt - copied);
        TElidedElement element;
        element.At = rest.size();
        rest += '<';
        rest.append(name);
        rest += "/>";
        element.PlaceholderSize = rest.size() - element.At;
        element.Begin = lt;
        element.End = end;
        shift += (end - lt) - element.PlaceholderSize;
        element.Shift = shift;
        elided.push_back(element);
        copied = pos = end;
    }
    rest.append(text.data() + copied, n - copied);
    return true;
}

std::size_t ElidedTextOffset(const std::vector<TElidedElement>& elided, std::size_t restOffset)
{
    // The last element whose placeholder starts before the offset.
    auto after = std::upper_bound(elided.begin(), elided.end(), restOffset,
        [](std::size_t offset, const TElidedElement& e) { return offset <= e.At; });
    if (after == elided.begin())
        return restOffset;
    const TElidedElement& e = *(after - 1);
    if (restOffset < e.At + e.PlaceholderSize)
        return e.Begin + (restOffset - e.At);
    return restOffset + e.Shift;
}

bool ParseElidedElement(pugi::xml_document& doc, std::string_view element, std::string_view name)
{
    const pugi::xml_parse_result status = doc.load_buffer(element.data(), element.size(), ParseOptions, pugi::encoding_utf8);
    const pugi::xml_node root = doc.first_child();
    return status.status == pugi::status_ok && root && root.type() == pugi::node_element && !root.next_sibling()
        && name == root.name();
}

bool ParseXmlPart(pugi::xml_document& doc, std::string_view utf8Element)
{
    pugi::xml_parse_result status = doc.load_buffer(utf8Element.data(), utf8Element.size(), ParseOptions, pugi::encoding_utf8);
    return status.status == pugi::status_ok && doc.document_element();
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

std::string XmlCleanText(std::string_view text)
{
    std::string out(text);
    CleanXmlText(out);
    return out;
}

bool CleanXmlText(std::string& text)
{
    const std::string_view view(text);
    const std::size_t n = view.size();
    std::size_t i = 0;
    while (i < n) {
        for (std::uint64_t word; i + 8 <= n; i += 8) {
            std::memcpy(&word, view.data() + i, 8);
            if (!AllPrintableAscii(word))
                break;
        }
        if (i >= n)
            break;
        const auto c = static_cast<unsigned char>(view[i]);
        if (IsPlainText(c)) {
            ++i;
            continue;
        }
        // Other characters stay as they are when they are valid UTF-8 that the rule keeps.
        char32_t cp = 0;
        const std::size_t len = c < 0x80 ? 0 : Utf8Sequence(view, i, cp);
        if (len == 0 || (cp <= 0x9F && Windows1252CodePoint(static_cast<unsigned char>(cp)) != cp) || cp == 0xFFFE
            || cp == 0xFFFF)
            break;
        i += len;
    }
    if (i >= n)
        return false;
    std::string out;
    out.reserve(n);
    out.append(view.substr(0, i));
    while (i < n)
        if (char32_t cp = NextCleanChar(view, i); cp != Removed)
            AppendUtf8(out, cp);
    text = std::move(out);
    return true;
}

namespace {

// The length of the reference at the start of the text (which begins with "&") when the writer
// could have written it, else 0.
std::size_t WrittenReference(std::string_view text)
{
    for (std::string_view entity : {"&amp;", "&lt;", "&gt;", "&apos;"})
        if (text.substr(0, entity.size()) == entity)
            return entity.size();
    if (text.substr(0, 2) != "&#")
        return 0;
    std::size_t i = 2;
    std::uint32_t cp = 0;
    while (i < text.size() && i < 10 && text[i] >= '0' && text[i] <= '9')
        cp = cp * 10 + static_cast<std::uint32_t>(text[i++] - '0');
    if (i == 2 || i >= text.size() || text[i] != ';')
        return 0;
    // '"', then what the clean form keeps at 127 and above.
    const bool kept = cp == '"' || cp == 0x7F
        || (cp >= 0xA0 && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF) && cp != 0xFFFE && cp != 0xFFFF);
    return kept ? i + 1 : 0;
}

} // namespace

bool IsWrittenXmlForm(std::string_view text)
{
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        for (std::uint64_t word; i + 8 <= n; i += 8) {
            std::memcpy(&word, text.data() + i, 8);
            // A byte of the eight that is "&" is zero once the word is xor-ed with it.
            constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
            const std::uint64_t amp = word ^ (ones * '&');
            if (!AllPrintableAscii(word) || ((amp - ones) & ~amp & highs) != 0)
                break;
        }
        if (i >= n)
            break;
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '&') {
            const std::size_t length = WrittenReference(text.substr(i));
            if (length == 0)
                return false;
            i += length;
        } else if (c < 0x80 && IsPlainText(c)) {
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

void AppendXmlEscaped(std::string& out, std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        // Copy the run of characters that need nothing in one go.
        std::size_t run = i;
        while (run < text.size() && Unescaped[static_cast<unsigned char>(text[run])])
            ++run;
        out.append(text.data() + i, run - i);
        i = run;
        if (i >= text.size())
            break;
        switch (text[i]) {
        case '\'': out += "&apos;"; ++i; break;
        case '"': out += "&#34;"; ++i; break;
        case '<': out += "&lt;"; ++i; break;
        case '>': out += "&gt;"; ++i; break;
        case '&': out += "&amp;"; ++i; break;
        default:
            if (char32_t cp = NextCleanChar(text, i); cp != Removed) {
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

void TXmlSink::HandOn()
{
    FConsumer(Text);
    Text.clear();
}

void TXmlSink::AppendShared(const std::shared_ptr<const std::string>& keeper, std::string_view part)
{
    if (!FConsumer) {
        Text.append(part);
        return;
    }
    if (!Text.empty())
        HandOn();
    if (FShared)
        FShared(keeper, part);
    else
        FConsumer(part);
}

void TTextPieces::Append(std::string_view text)
{
    if (text.empty())
        return;
    if (FPieces.empty() || FPieces.back().Keeper)
        FPieces.emplace_back();
    FPieces.back().Owned.append(text);
    FSize += text.size();
}

void TTextPieces::AppendShared(const std::shared_ptr<const std::string>& keeper, std::string_view part)
{
    if (part.empty())
        return;
    FPieces.push_back(TPiece{std::string(), keeper, part});
    FSize += part.size();
    FSharedSize += part.size();
}

void TTextPieces::ForEach(const std::function<void(std::string_view)>& consume) const
{
    for (const TPiece& piece : FPieces)
        consume(piece.Keeper ? piece.Part : std::string_view(piece.Owned));
}

std::string TTextPieces::Joined() const
{
    std::string text;
    text.reserve(FSize);
    ForEach([&text](std::string_view piece) { text.append(piece); });
    return text;
}

std::size_t CountByte(std::string_view text, char byte)
{
    const char* data = text.data();
    const std::size_t n = text.size();
    std::size_t count = 0;
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128i wanted = _mm_set1_epi8(byte);
    for (; i + 16 <= n; i += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        count += Popcount16(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, wanted))));
    }
#endif
    for (; i < n; ++i)
        count += data[i] == byte;
    return count;
}

void TXmlSink::AppendEscaped(std::string_view text)
{
    while (!text.empty()) {
        std::size_t cut = std::min(text.size(), PieceSize);
        if (cut < text.size()) {
            // Never inside a UTF-8 sequence, which has at most three bytes after its first: the
            // pieces are then escaped exactly as the whole would be.
            for (std::size_t back = cut; back + 3 >= cut && back > 0; --back)
                if ((static_cast<unsigned char>(text[back]) & 0xC0) != 0x80) {
                    cut = back;
                    break;
                }
        }
        AppendXmlEscaped(Text, text.substr(0, cut));
        text.remove_prefix(cut);
        Pass();
    }
}

std::string XmlElementToString(pugi::xml_node element)
{
    std::string out;
    WriteXmlElement(out, element);
    return out;
}
