#include "support/UtilsUnt.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <limits>

namespace {
std::string& ExecutableFolderSlot()
{
    static std::string folder = [] {
        std::error_code ec;
        auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        std::string result = ec ? std::filesystem::current_path().string() : exe.parent_path().string();
        if (result.empty() || result.back() != '/')
            result += '/';
        return result;
    }();
    return folder;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
} // namespace

const std::string& ExecutableFolder() { return ExecutableFolderSlot(); }

void SetExecutableFolder(const std::string& folder)
{
    ExecutableFolderSlot() = folder;
    if (folder.empty() || folder.back() != '/')
        ExecutableFolderSlot() += '/';
}

int ParseLeadingInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    bool any = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        any = true;
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<std::int64_t>(std::numeric_limits<int>::max()) + 1)
            return 0; // not a 32-bit number
    }
    if (!any)
        return 0;
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return 0;
    return static_cast<int>(value);
}

std::optional<std::int64_t> ParseWholeInteger(std::string_view text)
{
    // The common case, a short run of digits, without the general checks.
    if (!text.empty() && text.size() <= 9) {
        std::int64_t value = 0;
        std::size_t k = 0;
        for (; k < text.size() && text[k] >= '0' && text[k] <= '9'; ++k)
            value = value * 10 + (text[k] - '0');
        if (k == text.size())
            return value;
    }
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
        --e;
    if (b == e)
        return std::nullopt;
    bool negative = false;
    if (text[b] == '+' || text[b] == '-') {
        negative = text[b] == '-';
        ++b;
    }
    if (b == e)
        return std::nullopt;
    constexpr std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1;
    std::uint64_t value = 0;
    for (std::size_t i = b; i < e; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        auto digit = static_cast<std::uint64_t>(text[i] - '0');
        if (value > (limit - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (negative)
        return value == limit ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(value);
    if (value == limit)
        return std::nullopt;
    return static_cast<std::int64_t>(value);
}

std::string EnumDisplayName(std::string_view valueName)
{
    std::size_t i = 0;
    while (i < valueName.size() && std::islower(static_cast<unsigned char>(valueName[i])))
        ++i;
    std::string result;
    bool first = true;
    for (; i < valueName.size(); ++i) {
        char c = valueName[i];
        if (!first && c >= 'A' && c <= 'Z')
            result += ' ';
        result += c;
        first = false;
    }
    return result;
}

std::string SetDisplayText(std::string_view setText)
{
    std::string result;
    std::string name;
    auto flush = [&] {
        std::string trimmed = TrimBlanksAndControls(name);
        if (!trimmed.empty()) {
            if (!result.empty())
                result += ", ";
            result += EnumDisplayName(trimmed);
        }
        name.clear();
    };
    for (char c : setText) {
        if (c == '[' || c == ']')
            continue;
        if (c == ',')
            flush();
        else
            name += c;
    }
    flush();
    return result;
}

std::string TrimBlanksAndControls(std::string_view text)
{
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return std::string(text.substr(b, e - b));
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::string FormatArgs(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string result;
    if (size > 0) {
        result.resize(static_cast<std::size_t>(size) + 1);
        std::vsnprintf(result.data(), result.size(), format, args);
        result.resize(static_cast<std::size_t>(size));
    }
    return result;
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string result = FormatArgs(format, args);
    va_end(args);
    return result;
}
