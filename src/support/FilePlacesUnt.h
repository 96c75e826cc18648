#pragma once
#include <string>

// Where the tool reads its shipped files and where it writes its own. A build tree, or a copy
// unpacked into a user's folder, keeps everything beside the executable. An installed program
// cannot write its own folder: it reads the reference data, pictures and templates from its
// installed data folder and writes game folders, the log, Boards.xml and rebuilt reference
// files below one per-user folder in the documents folder, where the game master finds the
// pictures to upload.
struct TFilePlaces {
    // Shipped reference files, Images/ and the templates; with a trailing "/".
    std::string ReadFolder;
    // Everything the tool writes; with a trailing "/".
    std::string WriteFolder;

    bool operator==(const TFilePlaces&) const = default;
};

// The name of the per-user folder in the documents folder.
inline constexpr const char* UserFolderName = "Cogline Turn Generator";

// The rule itself, on plain facts so that it is tested both ways without an installed copy.
// dataFolder is the installed data folder, documentsFolder the user's documents folder.
// shippedOnlyInDataFolder: the shipped files lie in the data folder and not beside the
// executable, which makes a copy installed into a folder its user may write (a prefix in the
// home folder, or any prefix for root) an installed copy too.
TFilePlaces DecideFilePlaces(const std::string& executableFolder, bool executableFolderWritable,
    const std::string& dataFolder, const std::string& documentsFolder, bool shippedOnlyInDataFolder = false);

// The places of this run, decided once from the executable's folder (and decided again when
// tests point that folder elsewhere). The per-user folder is made when it is missing.
const TFilePlaces& FilePlaces();
// Lets tests pretend to be an installed copy; an empty ReadFolder goes back to the real rule.
void SetFilePlaces(const TFilePlaces& places);

// Shipped files are read from here.
const std::string& DataFolder();
// Everything the tool writes goes below here.
const std::string& UserFolder();
// A reference file by name: the user's own copy (a Boards.xml saved by the board editor, a
// rebuilt file) when there is one, else the shipped one.
std::string ReferenceFilePath(const std::string& name);

// The installed data folder of an executable in <prefix>/bin.
std::string InstalledDataFolder(const std::string& executableFolder);
