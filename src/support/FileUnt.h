#pragma once
#include <string>
#include <string_view>

// Replaces the file with the bytes. They are written beside the old file and renamed over it,
// so after any failure (raised as EFileError, naming the file and the reason) the previous file
// is still there, unchanged.
void SaveBytesToFile(const std::string& fileName, std::string_view bytes);
