#pragma once
// Small file and picture helpers shared by the test programs.
#include "support/UtilsUnt.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadBytes(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The unit that many times over, made by doubling: large texts stay quick to make under the
// sanitizers.
inline std::string Repeated(std::string_view unit, std::size_t count)
{
    const std::size_t size = unit.size() * count;
    std::string text;
    text.reserve(size);
    text.append(unit.data(), std::min(unit.size(), size));
    while (text.size() < size)
        text.append(text, 0, std::min(text.size(), size - text.size()));
    return text;
}

// The messages of a log file, each line checked for "<timestamp>   <message>" and CR LF.
inline std::vector<std::string> LogMessages(const std::string& fileName)
{
    static const std::regex line(R"((\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3})   ([^\r\n]*)\r\n)");
    const std::string bytes = ReadBytes(fileName);
    std::vector<std::string> messages;
    std::smatch match;
    for (auto begin = bytes.cbegin(); begin != bytes.cend(); begin = match[0].second) {
        if (!std::regex_search(begin, bytes.cend(), match, line, std::regex_constants::match_continuous)) {
            ADD_FAILURE() << "malformed log text: " << std::string(begin, bytes.cend());
            break;
        }
        messages.push_back(match[2]);
    }
    return messages;
}

inline void WriteBytes(const std::string& fileName, const std::string& bytes)
{
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline bool FileExists(const std::string& fileName) { return QFileInfo::exists(QString::fromStdString(fileName)); }

// Makes the file's modification time that many seconds older than now: file times can share a
// tick with a write just made.
inline bool AgeFile(const std::string& fileName, int seconds)
{
    QFile file(QString::fromStdString(fileName));
    return file.open(QIODevice::ReadWrite)
        && file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds), QFileDevice::FileModificationTime);
}

// Saves the picture, making the folders it goes into.
inline bool SavePictureFile(const std::string& fileName, const QImage& image, const char* format = "PNG")
{
    const QString path = QString::fromStdString(fileName);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && image.save(path, format);
}

// Every pixel tells where it came from, so a turned or copied picture can be checked exactly.
inline QImage PatternPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x & 255, y & 255, ((x >> 8) & 15) | (((y >> 8) & 15) << 4)));
    return image;
}

// Points the executable's folder elsewhere for as long as it lives, then puts the real one back
// (also when a test fails half-way).
class TExecutableFolderScope {
public:
    TExecutableFolderScope()
        : FOld(ExecutableFolder())
    {
    }
    explicit TExecutableFolderScope(const std::string& folder)
        : TExecutableFolderScope()
    {
        SetExecutableFolder(folder);
    }
    ~TExecutableFolderScope() { SetExecutableFolder(FOld); }
    TExecutableFolderScope(const TExecutableFolderScope&) = delete;
    TExecutableFolderScope& operator=(const TExecutableFolderScope&) = delete;

private:
    std::string FOld;
};
