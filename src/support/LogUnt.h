#pragma once
#include <string>

class QDateTime;

// The tool's text log. Every message carries a level (1 trace, 2 error, 4 detail) and is
// written only when the threshold is at or below it. Each line is appended and the file closed
// again at once, so the log can be read while the tool runs and survives a crash.
class TLog {
public:
    // The name is trimmed of blanks; an empty name writes nothing. The threshold starts at 6.
    explicit TLog(const std::string& fileName);
    TLog(const TLog&) = delete;
    TLog& operator=(const TLog&) = delete;

    const std::string& FileName() const { return FFileName; }
    int Level() const { return FLevel; }
    void SetLevel(int level) { FLevel = level; }

    // Appends "<timestamp>   <message>" and CR LF; raises EFileError when the file cannot be
    // created, written or closed.
    void WriteMessage(const std::string& message, int messageLevel);

    void Trace(const std::string& message) { WriteMessage(message, 1); }
    void Error(const std::string& message) { WriteMessage(message, 2); }
    void Detail(const std::string& message) { WriteMessage(message, 4); }
    void TraceFmt(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void ErrorFmt(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void DetailFmt(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Whether a message of this level would reach the file; spares callers costly formatting.
    bool Writes(int messageLevel) const { return FLevel <= messageLevel && !FFileName.empty(); }

private:
    std::string FFileName;
    int FLevel = 6;
};

// The process-wide log. The first call deletes the file of an earlier run and creates the log;
// the object lives until the process ends.
TLog& Log();

// The file the process-wide log uses. Setting it discards the current log, so that the next
// call of Log is a first use again (the old file at that name deleted, the threshold 6).
// Tests and tools use it to keep the log away from the executable's folder.
void SetLogFileName(const std::string& fileName);
// The executable's name in its folder with ".log" as extension.
std::string DefaultLogFileName();
// The path with its extension replaced by ".log", or ".log" appended when it has none.
std::string LogFileNameFor(const std::string& executablePath);

// "yyyy-mm-dd hh:nn:ss:zzz" on the 24-hour clock, e.g. "2026-12-05 13:28:44:123".
std::string FormatLogTimestamp(const QDateTime& time);
