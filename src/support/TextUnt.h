#pragma once
#include <string>
#include <string_view>

// Text inside the tool is UTF-8. Files written by older 8-bit tools are Windows-1252: those
// are recognised by not being valid UTF-8, and the C1 range U+0080..U+009F (what "&#128;" to
// "&#159;" decode to) is read as the Windows-1252 characters those bytes stand for.
bool IsValidUtf8(std::string_view text);
std::string Windows1252ToUtf8(std::string_view text);
// The size Windows1252ToUtf8 would give, without making it.
std::size_t Windows1252ToUtf8Size(std::string_view text);
// The character a Windows-1252 byte stands for; the five bytes the code page leaves undefined
// stand for the C1 controls of their value.
char32_t Windows1252CodePoint(unsigned char byte);
// Valid UTF-8 stays; anything else is taken as Windows-1252.
std::string ToUtf8(std::string_view text);
// Replaces the C1 controls U+0080..U+009F by their Windows-1252 meaning; a no-op on most text.
void MapC1ToWindows1252(std::string& text);
// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t codePoint);
// Decodes one code point at pos (advancing pos); invalid bytes are returned as themselves.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);
// Every occurrence of what, left to right, replaced by with; the replacements are not searched.
std::string ReplaceAll(std::string text, std::string_view what, std::string_view with);
