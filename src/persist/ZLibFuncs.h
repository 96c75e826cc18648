#pragma once
#include <cstddef>
#include <string>

// A game file is one zlib stream (header, deflate data, Adler-32) of the game's XML text. The
// tool writes nothing after the stream, and reading stops at its end.

// No game comes near this; a file inflating past it is not a game file but a bomb.
inline constexpr std::size_t GameFileTextLimit = std::size_t{256} * 1024 * 1024;

// Compresses the text at zlib's default level and replaces the file with it. The new file is
// written beside the old one and renamed over it, so after any failure (raised as EFileError)
// the previous file is still there, unchanged.
void CompressStringToFile(const std::string& text, const std::string& fileName);

// The text of a game file. EFileError when the file cannot be opened or read;
// EDecompressionError when it does not begin with one complete zlib stream or inflates past
// maxTextSize. Bytes after the end of the stream are not read.
std::string DecompressFileToString(const std::string& fileName, std::size_t maxTextSize = GameFileTextLimit);
