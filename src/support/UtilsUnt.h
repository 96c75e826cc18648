#pragma once
#include <cstdarg>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Folder of the running executable, with a trailing "/"; computed once.
const std::string& ExecutableFolder();
// Lets tests and tools point the reference folder elsewhere.
void SetExecutableFolder(const std::string& folder);

// Longest leading run of digits (one sign allowed first) after leading blanks; 0 when none.
int ParseLeadingInteger(std::string_view text);

// Whole-text integer, as the XML object format reads numbers: blanks around it allowed,
// anything else (or a value out of range) gives nothing.
std::optional<std::int64_t> ParseWholeInteger(std::string_view text);

// "btHammerBot" -> "Hammer Bot": the lower-case prefix dropped, a blank before each further capital.
std::string EnumDisplayName(std::string_view valueName);
// "[okFlying,okDevice]" -> "Flying, Device".
std::string SetDisplayText(std::string_view setText);

std::string TrimBlanksAndControls(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Splits at CR LF, CR or LF; a final line end does not make an extra empty line.
std::vector<std::string> SplitLines(std::string_view text);
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatArgs(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
