#include "support/FileUnt.h"

#include "support/ErrorsUnt.h"
#include "support/UtilsUnt.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TPendingFile {
    const std::string* Target = nullptr;
    std::string_view Bytes;
    std::string Temporary; // the new content, beside the target
    std::string Backup;    // the old content while the others are put in place; empty when none
    bool Replaced = false;
};

std::string Reason(int error) { return std::strerror(error); }

// A name beside the target that no file has yet, created for writing; -1 with errno set when
// none can be made.
int CreateBeside(const std::string& target, const char* kind, std::string& name, mode_t mode)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = Format("%s.%s-%d-%d", target.c_str(), kind, static_cast<int>(getpid()), attempt);
        int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
    errno = EEXIST;
    return -1;
}

// Keeps the old content of the target under a new name beside it while the new file takes its
// place: a hard link, so that the name changes over in one step; where the file system has
// none, the old file moves aside. Returns whether it moved.
bool KeepOldContent(const std::string& target, std::string& backup)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        backup = Format("%s.old-%d-%d", target.c_str(), static_cast<int>(getpid()), attempt);
        if (::link(target.c_str(), backup.c_str()) == 0)
            return false;
        if (errno == EEXIST)
            continue;
        struct stat taken {};
        if (::lstat(backup.c_str(), &taken) == 0)
            continue;
        if (std::rename(target.c_str(), backup.c_str()) == 0)
            return true;
        break;
    }
    int error = errno;
    backup.clear();
    throw EFileError(Format("Cannot replace file \"%s\". %s", target.c_str(), Reason(error).c_str()));
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
                std::rename(it->Backup.c_str(), it->Target->c_str());
            else
                ::unlink(it->Target->c_str());
        } else if (!it->Backup.empty()) {
            ::unlink(it->Backup.c_str());
        }
    }
    RemoveTemporaries(pending);
}

void WriteTemporary(TPendingFile& file)
{
    // A replaced file keeps its permissions; a new one gets the usual ones.
    struct stat old {};
    const bool exists = ::stat(file.Target->c_str(), &old) == 0 && S_ISREG(old.st_mode);
    int descriptor = CreateBeside(*file.Target, "new", file.Temporary, exists ? (old.st_mode & 07777) : 0666);
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
    const std::string& target = *file.Target;
    bool moved = false;
    struct stat old {};
    // A folder in the way is never moved: the rename below fails on it.
    if (keepBackup && ::lstat(target.c_str(), &old) == 0 && !S_ISDIR(old.st_mode))
        moved = KeepOldContent(target, file.Backup);
    if (std::rename(file.Temporary.c_str(), target.c_str()) != 0) {
        int error = errno;
        if (moved && std::rename(file.Backup.c_str(), target.c_str()) == 0)
            file.Backup.clear();
        throw EFileError(Format("Cannot replace file \"%s\". %s", target.c_str(), Reason(error).c_str()));
    }
    file.Temporary.clear();
    file.Replaced = true;
}

void SaveTogether(std::vector<TPendingFile>& pending)
{
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
