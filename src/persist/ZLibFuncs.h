#pragma once
#include "xml/XmlUnt.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// A game file is one zlib stream (header, deflate data, Adler-32) of the game's XML text. The
// tool writes nothing after the stream, and reading stops at its end.

// No game comes near this; a file inflating past it is not a game file but a bomb. The same
// limit holds for the text once parsed (8-bit text converted to UTF-8).
inline constexpr std::size_t GameFileTextLimit = MaxXmlTextSize;

// Hands the text to compress on, in pieces, to the function it is given.
using TTextProducer = std::function<void(const std::function<void(std::string_view)>& consume)>;

// Compresses the text at zlib's default level, piece by piece as it is made, so that it is never
// held whole, and replaces the file with it. The new file is written beside the old one and
// renamed over it, so after any failure (raised as EFileError) the previous file is still there,
// unchanged.
void CompressTextToFile(const TTextProducer& produce, const std::string& fileName);
void CompressStringToFile(const std::string& text, const std::string& fileName);

// The text of a game file. EFileError when the file cannot be opened or read;
// EDecompressionError when it does not begin with one complete zlib stream or inflates past
// maxTextSize. Bytes after the end of the stream are not read.
std::string DecompressFileToString(const std::string& fileName, std::size_t maxTextSize = GameFileTextLimit);
