#pragma once
// Random text of every kind that reaches a text field: any bytes, runs that look like entities
// or markup, invalid UTF-8, valid characters of every length, and control characters.
#include <iterator>
#include <random>
#include <string>

inline std::string RandomFieldText(std::mt19937& random, std::size_t pieces)
{
    static const char* const runs[] = {"&#0;", "&amp;", "&lt;", "&#x41;", "&#65;", "&", ";", "&#128;", "&#xFFFE;", "]]>",
        "<br>", "\r\n", "\r", "\t", "  ", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xC2\x80",
        "\xC2\x81", "\xEF\xBF\xBF", "\xEF\xBF\xBE", "\xF0\x9F\x98\x80", "\xE2\x82\xAC", "\xC3\xA9", "\xE9", "\x1B[0m"};
    std::string text;
    for (std::size_t i = 0; i < pieces; ++i) {
        switch (random() % 3) {
        case 0: text += static_cast<char>(random() & 0xFF); break;
        case 1: text += runs[random() % std::size(runs)]; break;
        default: text += static_cast<char>('a' + random() % 26);
        }
    }
    return text;
}
