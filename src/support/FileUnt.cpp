#include "support/FileUnt.h"

#include "support/ErrorsUnt.h"
#include "support/UtilsUnt.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <climits>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TPendingFile {
    const std::string* Target = nullptr; // as given, for messages
    std::string_view Bytes;
    std::string Path;      // the file written: the target, or the file its symbolic links lead to
    std::string Temporary; // the new content, beside the file written
    std::string Backup;    // the old content while the others are put in place; empty when none
    int Lock = -1;         // held on the temporary (and the file it becomes) while this save runs
    int BackupLock = -1;
    bool Replaced = false;
};

std::string Reason(int error) { return std::strerror(error); }

// The file a name leads to through symbolic links (relative links read from the link's folder);
// the name itself when it is no link, or when the links go round in circles.
std::string FollowLinks(const std::string& name)
{
    std::string path = name;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : PATH_MAX) + 1, '\0');
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<std::size_t>(length) >= link.size())
            return path;
        link.resize(static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        path = link.front() == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    }
    return name;
}

// The folder part of a path, with its "/"; empty for a name in the current folder.
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// What the names of a file's temporary files begin with: a dot (hidden), then the FNV-1a hash of
// the file's name. Short, so that they fit beside any legal file name, and the same at every
// save, so that a save finds what an earlier one left.
std::string TemporaryStem(const std::string& path)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : path.substr(path.rfind('/') + 1)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return Format(".%016llx-", static_cast<unsigned long long>(hash));
}

// Locks a file of this save, so that no other save takes it for a leftover; the lock goes with the
// process, whatever ends it.
bool LockFile(int descriptor) { return ::flock(descriptor, LOCK_EX | LOCK_NB) == 0; }

void Close(int& descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

// Removes what saves of the file left behind when they were killed: temporary files and backups
// that no running save holds. A backup is kept while the file itself is missing: it may then be
// the only copy.
void RemoveLeftovers(const std::string& path)
{
    const std::string folder = FolderOf(path);
    const std::string stem = TemporaryStem(path);
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    struct stat info {};
    const bool fileExists = ::stat(path.c_str(), &info) == 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        const bool temporary = name.ends_with(".tmp"), backup = name.ends_with(".old");
        if (!name.starts_with(stem) || !(temporary || (backup && fileExists)))
            continue;
        const std::string leftover = folder + std::string(name);
        int descriptor = ::open(leftover.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (descriptor >= 0 && ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) && LockFile(descriptor))
            ::unlink(leftover.c_str());
        Close(descriptor);
    }
    ::closedir(dir);
}

// A new name beside the file, created for writing and locked; -1 with errno set when none can be
// made.
int CreateTemporary(TPendingFile& file, mode_t mode)
{
    const std::string start = FolderOf(file.Path) + TemporaryStem(file.Path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        file.Temporary = Format("%s%d-%d.tmp", start.c_str(), static_cast<int>(getpid()), attempt);
        int descriptor = ::open(file.Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (descriptor < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // Another save may be taking the new file for a leftover before it is locked: then it
        // holds the lock, or the name leads elsewhere already, and another name is tried. (Where
        // the file system has no locks, the file is written without.)
        struct stat mine {}, named {};
        if (!LockFile(descriptor) && errno == EWOULDBLOCK) {
            ::close(descriptor);
            continue;
        }
        if (::fstat(descriptor, &mine) == 0 && ::stat(file.Temporary.c_str(), &named) == 0 && mine.st_ino == named.st_ino
            && mine.st_dev == named.st_dev) {
            file.Lock = ::dup(descriptor);
            return descriptor;
        }
        ::close(descriptor);
    }
    errno = EEXIST;
    return -1;
}

// Keeps the old content of the file under a new name beside it while the new file takes its
// place: a hard link, so that the name changes over in one step; where the file system has
// none, the old file moves aside. Returns whether it moved.
bool KeepOldContent(TPendingFile& file)
{
    const std::string& path = file.Path;
    const std::string start = FolderOf(path) + TemporaryStem(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        file.Backup = Format("%s%d-%d.old", start.c_str(), static_cast<int>(getpid()), attempt);
        bool moved = false;
        if (::link(path.c_str(), file.Backup.c_str()) != 0) {
            if (errno == EEXIST)
                continue;
            struct stat taken {};
            if (::lstat(file.Backup.c_str(), &taken) == 0)
                continue;
            if (std::rename(path.c_str(), file.Backup.c_str()) != 0)
                break;
            moved = true;
        }
        file.BackupLock = ::open(file.Backup.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (file.BackupLock >= 0)
            LockFile(file.BackupLock);
        return moved;
    }
    int error = errno;
    file.Backup.clear();
    throw EFileError(Format("Cannot replace file \"%s\". %s", file.Target->c_str(), Reason(error).c_str()));
}

void ReleaseLocks(std::vector<TPendingFile>& pending)
{
    for (TPendingFile& file : pending) {
        Close(file.Lock);
        Close(file.BackupLock);
    }
}

void RemoveTemporaries(std::vector<TPendingFile>& pending)
{
    for (TPendingFile& file : pending)
        if (!file.Temporary.empty()) {
            ::unlink(file.Temporary.c_str());
            file.Temporary.clear();
        }
}

// Puts every replaced file back as it was, newest first, and removes what is left over.
void RollBack(std::vector<TPendingFile>& pending)
{
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
        if (it->Replaced) {
            if (!it->Backup.empty())
                std::rename(it->Backup.c_str(), it->Path.c_str());
            else
                ::unlink(it->Path.c_str());
        } else if (!it->Backup.empty()) {
            ::unlink(it->Backup.c_str());
        }
    }
    RemoveTemporaries(pending);
}

void WriteTemporary(TPendingFile& file)
{
    file.Path = FollowLinks(*file.Target);
    RemoveLeftovers(file.Path);
    // A replaced file keeps its permissions; a new one gets the usual ones.
    struct stat old {};
    const bool exists = ::stat(file.Path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    int descriptor = CreateTemporary(file, exists ? (old.st_mode & 07777) : 0666);
    if (descriptor < 0) {
        int error = errno;
        file.Temporary.clear();
        throw EFileError(Format("Cannot create file \"%s\". %s", file.Target->c_str(), Reason(error).c_str()));
    }
    if (exists)
        ::fchmod(descriptor, old.st_mode & 07777);
    int error = FileWriteStep()(descriptor, file.Bytes);
    if (::close(descriptor) != 0 && error == 0)
        error = errno;
    if (error != 0)
        throw EFileError(Format("Cannot write file \"%s\". %s", file.Target->c_str(), Reason(error).c_str()));
}

void PutInPlace(TPendingFile& file, bool keepBackup)
{
    const std::string& path = file.Path;
    bool moved = false;
    struct stat old {};
    // A folder in the way is never moved: the rename below fails on it.
    if (keepBackup && ::lstat(path.c_str(), &old) == 0 && !S_ISDIR(old.st_mode))
        moved = KeepOldContent(file);
    if (std::rename(file.Temporary.c_str(), path.c_str()) != 0) {
        int error = errno;
        if (moved && std::rename(file.Backup.c_str(), path.c_str()) == 0)
            file.Backup.clear();
        throw EFileError(Format("Cannot replace file \"%s\". %s", file.Target->c_str(), Reason(error).c_str()));
    }
    file.Temporary.clear();
    file.Replaced = true;
}

void SaveTogether(std::vector<TPendingFile>& pending)
{
    // The locks go when the save ends, however it ends.
    struct TRelease {
        std::vector<TPendingFile>& Pending;
        ~TRelease() { ReleaseLocks(Pending); }
    } release{pending};
    const bool several = pending.size() > 1;
    auto fail = [&](const EFileError& error, const char* outcome) {
        RollBack(pending);
        if (!several)
            throw error;
        throw EFileError(Format("%s. %s", error.what(), outcome));
    };
    for (TPendingFile& file : pending) {
        try {
            WriteTemporary(file);
        } catch (const EFileError& error) {
            fail(error, Format("None of the %zu files was replaced.", pending.size()).c_str());
        }
    }
    for (TPendingFile& file : pending) {
        try {
            PutInPlace(file, several);
        } catch (const EFileError& error) {
            fail(error, Format("The %zu files are as they were before.", pending.size()).c_str());
        }
    }
    for (TPendingFile& file : pending)
        if (!file.Backup.empty())
            ::unlink(file.Backup.c_str());
}

} // namespace

int WriteAndSync(int descriptor, std::string_view bytes)
{
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(descriptor, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    // A disk that fills up may say so only when the data reaches it.
    if (::fsync(descriptor) != 0)
        return errno;
    return 0;
}

TWriteStep& FileWriteStep()
{
    static TWriteStep step(WriteAndSync);
    return step;
}

void SaveBytesToFile(const std::string& fileName, std::string_view bytes)
{
    std::vector<TPendingFile> pending(1);
    pending[0].Target = &fileName;
    pending[0].Bytes = bytes;
    SaveTogether(pending);
}

void SaveFilesTogether(const TFileContentsList& files)
{
    std::vector<TPendingFile> pending(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        pending[i].Target = &files[i].first;
        pending[i].Bytes = files[i].second;
    }
    SaveTogether(pending);
}
