#include "render/GameFolderUnt.h"

#include "support/FilePlacesUnt.h"
#include "support/LogUnt.h"
#include "support/UtilsUnt.h"

#include <QFileInfo>
#include <QString>

#include <array>

namespace {
// What lies beside the executable besides the game folders.
constexpr std::array<const char*, 12> ToolEntries = {"Images", "Boards.xml", "Chits.xml", "CoreProgramDeck.xml",
    "BaseGameOptionDeck.xml", "BoltsAndBlastersOptionDeck.xml", "ProgramDeck.xml", "BaseOptionDeck.xml",
    "PhaseTemplate.txt", "TurnTemplate.txt", "CoglineTurnGenerator", "CoglineTurnGenerator.log"};
// Appended to a game's folder name that would mix with the tool's own entries, and to one that
// already ends in it, so that no two names get the same folder.
constexpr const char* OwnFolderSuffix = " (game)";

bool IsToolEntry(const QString& name)
{
    for (const char* entry : ToolEntries)
        if (name.compare(QLatin1String(entry), Qt::CaseInsensitive) == 0)
            return true;
    // The log is named after the running program, whatever its name.
    return name.compare(QFileInfo(QString::fromStdString(DefaultLogFileName())).fileName(), Qt::CaseInsensitive) == 0;
}
} // namespace

std::string SafeFolderName(const std::string& gameName)
{
    // Linux allows 255 bytes in one name.
    constexpr qsizetype MaxNameBytes = 255;
    const QString forbidden = QStringLiteral("/\\<>:\"|?*");
    QString name = QString::fromStdString(gameName);
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control || forbidden.contains(c))
            c = QLatin1Char('_');
    // "." and ".." are this folder and the one above it.
    if (!name.isEmpty() && name.count(QLatin1Char('.')) == name.size())
        name.fill(QLatin1Char('_'));
    if (name.isEmpty())
        name = QStringLiteral("Unnamed Game");
    const QString suffix = QLatin1String(OwnFolderSuffix);
    const bool ownFolder = IsToolEntry(name) || name.endsWith(suffix, Qt::CaseInsensitive);
    while (name.toUtf8().size() > MaxNameBytes - (ownFolder ? suffix.size() : 0)) {
        name.chop(1);
        // Never leave half of a surrogate pair behind.
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    if (ownFolder)
        name += suffix;
    return name.toStdString();
}

std::string GameFolder(const std::string& gameName) { return UserFolder() + SafeFolderName(gameName) + "/"; }

std::string PhaseImagePath(const std::string& gameName, int x, int y, int phaseNumber, int turnNumber)
{
    const std::string tag = x == -1 || y == -1 ? std::string("Full") : Format("(%d, %d)", x, y);
    return GameFolder(gameName)
        + Format("%d/%s - Turn %d, Phase %d.jpg", turnNumber, tag.c_str(), turnNumber, phaseNumber);
}

std::string ScoreBoardImagePath(const std::string& gameName, int turnNumber)
{
    return GameFolder(gameName) + Format("Turn %d/Score Board Turn %d.jpg", turnNumber, turnNumber);
}
