#include "support/FilePlacesUnt.h"

#include "support/UtilsUnt.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#ifndef COGLINE_DATA_FROM_BIN
#define COGLINE_DATA_FROM_BIN "../share/cogline-turn-generator"
#endif

namespace {
std::string WithSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// Root may write into any folder, even one without a write bit; an installed copy run as root
// must still not take a folder nobody is meant to write for its own. A folder that is not there
// (yet) is no installed program's: the tool stays beside the executable.
bool FolderWritable(const std::string& folder)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return true;
    if (::access(folder.c_str(), W_OK) != 0)
        return false;
    return ::geteuid() != 0 || (info.st_mode & 0222) != 0;
}

// The program deck is the one reference file every start reads.
bool ShippedIn(const std::string& folder)
{
    return QFileInfo::exists(QString::fromStdString(WithSlash(folder) + "CoreProgramDeck.xml"));
}

struct TPlacesSlot {
    std::optional<TFilePlaces> Places;
    // The executable folder the places were decided for.
    std::string DecidedFor;
    bool Forced = false;
};

TPlacesSlot& Slot()
{
    static TPlacesSlot slot;
    return slot;
}
} // namespace

TFilePlaces DecideFilePlaces(const std::string& executableFolder, bool executableFolderWritable,
    const std::string& dataFolder, const std::string& documentsFolder, bool shippedOnlyInDataFolder)
{
    if (executableFolderWritable && !shippedOnlyInDataFolder)
        return {WithSlash(executableFolder), WithSlash(executableFolder)};
    return {WithSlash(dataFolder), WithSlash(WithSlash(documentsFolder) + UserFolderName)};
}

std::string InstalledDataFolder(const std::string& executableFolder)
{
    const QString folder = QDir::cleanPath(QString::fromStdString(WithSlash(executableFolder)) + COGLINE_DATA_FROM_BIN);
    return WithSlash(folder.toStdString());
}

const TFilePlaces& FilePlaces()
{
    TPlacesSlot& slot = Slot();
    const std::string& executable = ExecutableFolder();
    if (!slot.Places || (!slot.Forced && slot.DecidedFor != executable)) {
        const std::string documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
        const std::string data = InstalledDataFolder(executable);
        slot.Places = DecideFilePlaces(executable, FolderWritable(executable), data,
            documents.empty() ? QDir::homePath().toStdString() : documents,
            ShippedIn(data) && !ShippedIn(executable));
        slot.DecidedFor = executable;
        if (slot.Places->WriteFolder != slot.Places->ReadFolder)
            QDir().mkpath(QString::fromStdString(slot.Places->WriteFolder));
    }
    return *slot.Places;
}

void SetFilePlaces(const TFilePlaces& places)
{
    TPlacesSlot& slot = Slot();
    slot.Forced = !places.ReadFolder.empty();
    if (slot.Forced)
        slot.Places = TFilePlaces{WithSlash(places.ReadFolder), WithSlash(places.WriteFolder)};
    else
        slot.Places.reset();
}

const std::string& DataFolder() { return FilePlaces().ReadFolder; }

const std::string& UserFolder() { return FilePlaces().WriteFolder; }

std::string ReferenceFilePath(const std::string& name)
{
    const TFilePlaces& places = FilePlaces();
    if (places.WriteFolder != places.ReadFolder) {
        const std::string own = places.WriteFolder + name;
        if (QFileInfo::exists(QString::fromStdString(own)))
            return own;
    }
    return places.ReadFolder + name;
}
