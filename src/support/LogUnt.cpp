#include "support/LogUnt.h"

#include "support/ErrorsUnt.h"
#include "support/FilePlacesUnt.h"
#include "support/UtilsUnt.h"

#include <QDateTime>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace {

std::string ExecutableBaseName()
{
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.filename().empty())
        return "CoglineTurnGenerator";
    return exe.filename().string();
}

// Empty until a test or tool names the file; then the default name is not used.
std::optional<std::string>& FileNameSlot()
{
    static std::optional<std::string> name;
    return name;
}

// Never freed at exit: a line written from a late destructor must still find its log.
TLog*& LogSlot()
{
    static TLog* log = nullptr;
    return log;
}

std::string IoErrorText(int error) { return error ? std::strerror(error) : "Unknown error"; }

} // namespace

TLog::TLog(const std::string& fileName) : FFileName(TrimBlanksAndControls(fileName)) {}

void TLog::WriteMessage(const std::string& message, int messageLevel)
{
    if (!Writes(messageLevel))
        return;
    std::string line = FormatLogTimestamp(QDateTime::currentDateTime());
    line += "   ";
    line += message;
    line += "\r\n";

    // Binary append: the line end is written as CR LF on every system.
    std::FILE* file = std::fopen(FFileName.c_str(), "ab");
    if (!file)
        throw EFileError(Format("Cannot open log file \"%s\". %s", FFileName.c_str(), IoErrorText(errno).c_str()));
    bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    int writeError = errno;
    bool closed = std::fclose(file) == 0;
    if (!written)
        throw EFileError(Format("Cannot write log file \"%s\". %s", FFileName.c_str(), IoErrorText(writeError).c_str()));
    if (!closed)
        throw EFileError(Format("Cannot write log file \"%s\". %s", FFileName.c_str(), IoErrorText(errno).c_str()));
}

void TLog::TraceFmt(const char* format, ...)
{
    if (!Writes(1))
        return;
    va_list args;
    va_start(args, format);
    std::string message = FormatArgs(format, args);
    va_end(args);
    WriteMessage(message, 1);
}

void TLog::ErrorFmt(const char* format, ...)
{
    if (!Writes(2))
        return;
    va_list args;
    va_start(args, format);
    std::string message = FormatArgs(format, args);
    va_end(args);
    WriteMessage(message, 2);
}

void TLog::DetailFmt(const char* format, ...)
{
    if (!Writes(4))
        return;
    va_list args;
    va_start(args, format);
    std::string message = FormatArgs(format, args);
    va_end(args);
    WriteMessage(message, 4);
}

TLog& Log()
{
    TLog*& log = LogSlot();
    if (!log) {
        std::string fileName = FileNameSlot() ? *FileNameSlot() : DefaultLogFileName();
        // Two runs never share a file; a file that cannot be deleted is simply appended to.
        std::string trimmed = TrimBlanksAndControls(fileName);
        if (!trimmed.empty())
            std::remove(trimmed.c_str());
        log = new TLog(fileName);
    }
    return *log;
}

void SetLogFileName(const std::string& fileName)
{
    FileNameSlot() = fileName;
    delete LogSlot();
    LogSlot() = nullptr;
}

std::string DefaultLogFileName() { return LogFileNameFor(UserFolder() + ExecutableBaseName()); }

std::string LogFileNameFor(const std::string& executablePath)
{
    std::size_t nameStart = executablePath.find_last_of('/');
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    std::size_t dot = executablePath.find_last_of('.');
    // A dot in a folder name, or leading a hidden file's name, starts no extension.
    if (dot == std::string::npos || dot <= nameStart)
        return executablePath + ".log";
    return executablePath.substr(0, dot) + ".log";
}

std::string FormatLogTimestamp(const QDateTime& time)
{
    // "HH" is the 24-hour clock whatever the locale; the milliseconds follow a colon, not a dot.
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss:zzz")).toStdString();
}
